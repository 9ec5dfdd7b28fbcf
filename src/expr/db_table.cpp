#include "expr/db_table.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "base/error.h"
#include "base/escapes.h"
#include "base/sjis.h"
#include "base/tab_strings.h"
#include "expr/param.h"
#include "expr/value_convert.h"
#include "vfs/stream_io.h"

namespace velk {

namespace {

constexpr int32_t kTablesVersion = 100;

int32_t field_size(uint8_t type, int32_t length) {
  switch (type) {
    case DB_INT: return 4;
    case DB_FLOAT: return 10;
    case DB_BOOL: return 1;
    case DB_STR: return std::max(length, 0) + 1;
    default: return -1;
  }
}

int32_t read_i32(const uint8_t* p) {
  int32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

void write_i32(uint8_t* p, int32_t v) { std::memcpy(p, &v, 4); }

// The text of a string cell: up to its zero byte, within the cell.
std::string cell_text(const uint8_t* p, int32_t size) {
  const void* zero = std::memchr(p, 0, static_cast<size_t>(size));
  size_t n = zero != nullptr ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - p) : static_cast<size_t>(size);
  return std::string(reinterpret_cast<const char*>(p), n);
}


// Splits at spaces, dropping empty pieces.
std::vector<std::string> split_spaces(const std::string& s) {
  std::vector<std::string> out;
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && s[i] == ' ') ++i;
    size_t start = i;
    while (i < s.size() && s[i] != ' ') ++i;
    if (i > start) out.push_back(s.substr(start, i - start));
  }
  return out;
}

}  // namespace

int32_t DBRound(long double x) {
  if (std::isnan(x)) return 0;
  long double r = std::nearbyint(x);  // the default rounding mode: to nearest, halves to even
  if (r >= 2147483647.0L) return INT32_MAX;
  if (r <= -2147483648.0L) return INT32_MIN;
  return static_cast<int32_t>(r);
}

// ---- fields ----

int32_t TDBFieldList::IndexOf(const std::string& name) const {
  for (size_t i = 0; i < fields_.size(); ++i) {
    if (SameText(fields_[i].Name, name)) return static_cast<int32_t>(i);
  }
  return -1;
}

int32_t TDBFieldList::Offset(int32_t i) const {
  int32_t offset = 0;
  for (int32_t k = 0; k < i; ++k) offset += fields_[static_cast<size_t>(k)].Size;
  return offset;
}

bool TDBFieldList::Equals(const TDBFieldList& other) const {
  if (fields_.size() != other.fields_.size()) return false;
  for (size_t i = 0; i < fields_.size(); ++i) {
    const TDBField& a = fields_[i];
    const TDBField& b = other.fields_[i];
    if (a.Name != b.Name || a.Type != b.Type || a.Size != b.Size) return false;
  }
  return true;
}

void TDBFieldList::Add(TDBField field) {
  record_size_ += field.Size;
  fields_.push_back(std::move(field));
}

void TDBFieldList::Remove(int32_t i) {
  record_size_ -= fields_.at(static_cast<size_t>(i)).Size;
  fields_.erase(fields_.begin() + i);
}

void TDBFieldList::Clear() {
  fields_.clear();
  record_size_ = 0;
}

// ---- records ----

bool TDBTable::fits(int64_t records, int64_t record_size) const {
  return records <= kMaxDBRecords && record_size <= kMaxDBRecordSize && records * record_size <= kMaxDBTableBytes;
}

bool TDBTable::SetRecNo(int32_t i) {
  if (i >= RecordCount()) return false;
  rec_no_ = i < 0 ? -1 : i;
  return true;
}

bool TDBTable::Append() {
  if (!fits(RecordCount() + 1, fields_.RecordSize())) return false;
  records_.emplace_back(static_cast<size_t>(fields_.RecordSize()), 0);
  rec_no_ = RecordCount() - 1;
  return true;
}

bool TDBTable::DeleteRecord() {
  if (rec_no_ < 0 || rec_no_ >= RecordCount()) return false;
  records_.erase(records_.begin() + rec_no_);
  if (rec_no_ >= RecordCount()) rec_no_ = RecordCount() - 1;
  return true;
}

bool TDBTable::First() {
  if (records_.empty()) return false;
  rec_no_ = 0;
  return true;
}

bool TDBTable::Last() {
  if (records_.empty()) return false;
  rec_no_ = RecordCount() - 1;
  return true;
}

bool TDBTable::Next() {
  if (rec_no_ < 0 || rec_no_ + 1 >= RecordCount()) return false;
  ++rec_no_;
  return true;
}

bool TDBTable::Prior() {
  if (rec_no_ <= 0) return false;
  --rec_no_;
  return true;
}

void TDBTable::ClearRecords() {
  records_.clear();
  rec_no_ = -1;
}

void TDBTable::Clear() {
  ClearRecords();
  fields_.Clear();
}

int32_t TDBTable::AddField(const std::string& name, uint8_t type, int32_t length) {
  if (type == DB_STR && length > kMaxDBStringLength) return -1;
  int32_t size = field_size(type, length);
  if (size < 0 || fields_.Count() >= kMaxDBFields) return -1;
  if (!fits(RecordCount(), int64_t{fields_.RecordSize()} + size)) return -1;
  fields_.Add(TDBField{size, name, type});
  for (auto& r : records_) r.resize(r.size() + static_cast<size_t>(size), 0);
  return fields_.Count() - 1;
}

void TDBTable::RemoveField(int32_t i) {
  if (i < 0 || i >= fields_.Count()) return;
  auto offset = static_cast<size_t>(fields_.Offset(i));
  auto size = static_cast<size_t>(fields_.Field(i).Size);
  for (auto& r : records_) r.erase(r.begin() + static_cast<ptrdiff_t>(offset), r.begin() + static_cast<ptrdiff_t>(offset + size));
  fields_.Remove(i);
}

const uint8_t* TDBTable::cell(int32_t rec, int32_t field, uint8_t& type) const {
  if (rec < 0 || rec >= RecordCount() || field < 0 || field >= fields_.Count()) return nullptr;
  type = fields_.Field(field).Type;
  return records_[static_cast<size_t>(rec)].data() + fields_.Offset(field);
}

uint8_t* TDBTable::cell(int32_t rec, int32_t field, uint8_t& type) {
  return const_cast<uint8_t*>(static_cast<const TDBTable*>(this)->cell(rec, field, type));
}

bool TDBTable::GetInt(int32_t rec, int32_t field, int32_t& out) const {
  uint8_t type = 0;
  const uint8_t* p = cell(rec, field, type);
  if (p == nullptr) return false;
  switch (type) {
    case DB_INT: out = read_i32(p); break;
    case DB_FLOAT: out = DBRound(DecodeExtended(p)); break;
    case DB_BOOL: out = p[0] != 0 ? 1 : 0; break;
    default: out = StrToInt(cell_text(p, fields_.Field(field).Size)); break;
  }
  return true;
}

bool TDBTable::GetFloat(int32_t rec, int32_t field, long double& out) const {
  uint8_t type = 0;
  const uint8_t* p = cell(rec, field, type);
  if (p == nullptr) return false;
  switch (type) {
    case DB_INT: out = read_i32(p); break;
    case DB_FLOAT: out = DecodeExtended(p); break;
    case DB_BOOL: out = p[0] != 0 ? 1 : 0; break;
    default: out = StrToFloat(cell_text(p, fields_.Field(field).Size)); break;
  }
  return true;
}

bool TDBTable::GetBool(int32_t rec, int32_t field, bool& out) const {
  uint8_t type = 0;
  const uint8_t* p = cell(rec, field, type);
  if (p == nullptr) return false;
  switch (type) {
    case DB_INT: out = read_i32(p) != 0; break;
    case DB_FLOAT: out = DecodeExtended(p) != 0; break;
    case DB_BOOL: out = p[0] != 0; break;
    default: out = cell_text(p, fields_.Field(field).Size) == "TRUE"; break;
  }
  return true;
}

bool TDBTable::GetStr(int32_t rec, int32_t field, std::string& out) const {
  uint8_t type = 0;
  const uint8_t* p = cell(rec, field, type);
  if (p == nullptr) return false;
  switch (type) {
    case DB_INT: out = IntToStr(read_i32(p)); break;
    case DB_FLOAT: out = FloatToStr(DecodeExtended(p)); break;
    case DB_BOOL: out = BoolToStr(p[0] != 0); break;
    default: out = cell_text(p, fields_.Field(field).Size); break;
  }
  return true;
}

bool TDBTable::SetInt(int32_t rec, int32_t field, int32_t v) {
  uint8_t type = 0;
  uint8_t* p = cell(rec, field, type);
  if (p == nullptr) return false;
  switch (type) {
    case DB_INT: write_i32(p, v); break;
    case DB_FLOAT: EncodeExtended(v, p); break;
    case DB_BOOL: p[0] = v != 0 ? 1 : 0; break;
    default: return SetStr(rec, field, IntToStr(v));
  }
  return true;
}

bool TDBTable::SetFloat(int32_t rec, int32_t field, long double v) {
  uint8_t type = 0;
  uint8_t* p = cell(rec, field, type);
  if (p == nullptr) return false;
  switch (type) {
    case DB_INT: write_i32(p, DBRound(v)); break;
    case DB_FLOAT: EncodeExtended(static_cast<double>(v), p); break;
    case DB_BOOL: p[0] = v != 0 ? 1 : 0; break;
    default: return SetStr(rec, field, FloatToStr(v));
  }
  return true;
}

bool TDBTable::SetBool(int32_t rec, int32_t field, bool v) {
  uint8_t type = 0;
  uint8_t* p = cell(rec, field, type);
  if (p == nullptr) return false;
  switch (type) {
    case DB_INT: write_i32(p, v ? 1 : 0); break;
    case DB_FLOAT: EncodeExtended(v ? 1 : 0, p); break;
    case DB_BOOL: p[0] = v ? 1 : 0; break;
    default: return SetStr(rec, field, BoolToStr(v));
  }
  return true;
}

bool TDBTable::SetStr(int32_t rec, int32_t field, const std::string& v) {
  uint8_t type = 0;
  uint8_t* p = cell(rec, field, type);
  if (p == nullptr) return false;
  switch (type) {
    case DB_INT: write_i32(p, StrToInt(v)); break;
    case DB_FLOAT: EncodeExtended(static_cast<double>(StrToFloat(v)), p); break;
    case DB_BOOL: p[0] = v == "TRUE" ? 1 : 0; break;
    default: {
      auto size = static_cast<size_t>(fields_.Field(field).Size);
      size_t n = std::min(v.size(), size - 1);
      std::memset(p, 0, size);
      std::memcpy(p, v.data(), n);
      break;
    }
  }
  return true;
}

// ---- locate, load, sort ----

TDBRecordList TDBTable::Locate(const TCustomParam* names, const TCustomParam* values, bool ignore_case,
                               bool partial) const {
  TDBRecordList out;
  if (names == nullptr || values == nullptr) {
    for (int32_t r = 0; r < RecordCount(); ++r) out.push_back(r);
    return out;
  }
  int32_t pairs = std::min(names->GetCount(), values->GetCount());
  std::vector<int32_t> fields;
  for (int32_t k = 0; k < pairs; ++k) {
    int32_t f = fields_.IndexOf(names->GetStrAt(k));
    if (f < 0) return {};
    fields.push_back(f);
  }
  uint8_t type = values->GetType();
  for (int32_t r = 0; r < RecordCount(); ++r) {
    bool match = true;
    for (int32_t k = 0; k < pairs && match; ++k) {
      int32_t f = fields[static_cast<size_t>(k)];
      switch (type) {
        case PT_INT: {
          int32_t v = 0;
          GetInt(r, f, v);
          match = v == values->GetIntAt(k);
          break;
        }
        case PT_FLOAT: {
          long double v = 0;
          GetFloat(r, f, v);
          match = v == values->GetFloatAt(k);
          break;
        }
        case PT_BOOL: {
          bool v = false;
          GetBool(r, f, v);
          match = v == values->GetBoolAt(k);
          break;
        }
        default: {
          std::string text;
          GetStr(r, f, text);
          std::string value = values->GetStrAt(k);
          if (!partial) {
            match = ignore_case ? SameText(text, value) : text == value;
          } else if (text.empty()) {
            match = false;
          } else {
            // The field's text is looked for inside the value, not the other way round.
            match = ignore_case ? UpperCase(value).find(UpperCase(text)) != std::string::npos
                                : value.find(text) != std::string::npos;
          }
          break;
        }
      }
    }
    if (match) out.push_back(r);
  }
  return out;
}

bool TDBTable::LoadTsv(const std::vector<std::string>& lines) {
  Clear();
  if (lines.empty()) return false;
  TTabStrings header(lines[0]);
  for (const std::string& piece : header.Fields()) {
    std::vector<std::string> words = split_spaces(piece);
    if (words.empty()) {
      fields_.Clear();
      return false;
    }
    std::string type_name = words.size() > 1 ? words[1] : std::string();
    uint8_t type = type_name == "int" ? DB_INT : type_name == "float" ? DB_FLOAT : type_name == "bool" ? DB_BOOL : DB_STR;
    int32_t length = 80;
    if (words.size() > 2) {
      std::string rest = words[2];
      for (size_t w = 3; w < words.size(); ++w) rest += " " + words[w];
      if (!TryStrToInt(rest, length)) length = 80;
    }
    if (AddField(words[0], type, length) < 0) {
      fields_.Clear();
      return false;
    }
  }
  for (size_t i = 1; i < lines.size(); ++i) {
    if (lines[i].empty()) continue;
    TTabStrings pieces(ResolveEscapes(lines[i]));
    if (!Append()) return false;
    int32_t n = std::min(pieces.Count(), fields_.Count());
    for (int32_t f = 0; f < n; ++f) SetStr(rec_no_, f, pieces[f]);
  }
  return true;
}

void TDBTable::Sort(const TCustomParam* names, const TCustomParam* descending) {
  if (names == nullptr || descending == nullptr) return;
  struct Key {
    int32_t Field;
    bool Descending;
  };
  std::vector<Key> keys;
  int32_t pairs = std::min(names->GetCount(), descending->GetCount());
  for (int32_t k = 0; k < pairs; ++k) {
    int32_t f = fields_.IndexOf(names->GetStrAt(k));
    if (f < 0) continue;
    uint8_t type = fields_.Field(f).Type;
    // Flag and string keys always sort ascending.
    keys.push_back({f, descending->GetBoolAt(k) && (type == DB_INT || type == DB_FLOAT)});
  }
  if (keys.empty()) return;
  auto compare = [&](const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    for (const Key& key : keys) {
      const TDBField& field = fields_.Field(key.Field);
      auto offset = static_cast<size_t>(fields_.Offset(key.Field));
      const uint8_t* pa = a.data() + offset;
      const uint8_t* pb = b.data() + offset;
      int c = 0;
      switch (field.Type) {
        case DB_INT: {
          int32_t x = read_i32(pa), y = read_i32(pb);
          c = x < y ? -1 : x > y ? 1 : 0;
          break;
        }
        case DB_FLOAT: {
          // NaN (possible in loaded data) sorts first, so that the order stays total.
          double x = DecodeExtended(pa), y = DecodeExtended(pb);
          if (std::isnan(x) || std::isnan(y)) {
            c = (std::isnan(x) ? 0 : 1) - (std::isnan(y) ? 0 : 1);
          } else {
            c = x < y ? -1 : x > y ? 1 : 0;
          }
          break;
        }
        case DB_BOOL: c = (pa[0] != 0 ? 1 : 0) - (pb[0] != 0 ? 1 : 0); break;
        default: {
          std::string x = cell_text(pa, field.Size), y = cell_text(pb, field.Size);
          c = x.compare(y);
          break;
        }
      }
      if (c != 0) return key.Descending ? c > 0 : c < 0;
    }
    return false;
  };
  std::sort(records_.begin(), records_.end(), compare);
}

bool TDBTable::AppendCopy(const TDBTable& source, int32_t rec) {
  if (rec < 0 || rec >= source.RecordCount() || source.fields_.RecordSize() != fields_.RecordSize()) return false;
  std::vector<uint8_t> copy = source.records_[static_cast<size_t>(rec)];
  if (!Append()) return false;
  records_.back() = std::move(copy);
  return true;
}

void TDBTable::CopyFieldsFrom(const TDBTable& source) {
  Clear();
  fields_ = source.fields_;
}

// ---- stream form ----

void TDBTable::SaveToStream(TStream& s) const {
  WriteString(s, name_);
  WriteByte(s, kind_);
  WriteInt(s, fields_.Count());
  for (int32_t i = 0; i < fields_.Count(); ++i) {
    const TDBField& f = fields_.Field(i);
    WriteInt(s, f.Size);
    WriteString(s, f.Name);
    WriteByte(s, f.Type);
  }
  WriteInt(s, RecordCount());
  for (const auto& r : records_) s.WriteBuffer(r.data(), static_cast<int32_t>(r.size()));
  WriteInt(s, rec_no_);
}

std::unique_ptr<TDBTable> TDBTable::ReadFromStream(TStream& s) {
  std::string name = ReadString(s);
  uint8_t kind = ReadByte(s);
  auto table = std::make_unique<TDBTable>(name, kind);
  int32_t field_count = ReadInt(s);
  if (field_count < 0 || field_count > kMaxDBFields) throw EFormatError("DB: field count out of range");
  for (int32_t i = 0; i < field_count; ++i) {
    int32_t size = ReadInt(s);
    std::string field_name = ReadString(s);
    uint8_t type = ReadByte(s);
    bool valid = type == DB_STR ? size >= 1 && size <= kMaxDBStringLength + 1 : size == field_size(type, 0);
    if (!valid || table->AddField(field_name, type, size - 1) < 0) throw EFormatError("DB: bad field " + field_name);
  }
  int32_t record_count = ReadInt(s);
  int32_t record_size = table->fields_.RecordSize();
  if (record_count < 0 || !table->fits(record_count, record_size)) throw EFormatError("DB: record count out of range");
  CheckCount(s, record_count, record_size);
  table->records_.resize(static_cast<size_t>(record_count));
  for (auto& r : table->records_) {
    r.resize(static_cast<size_t>(record_size));
    if (record_size > 0) s.ReadBuffer(r.data(), record_size);
  }
  int32_t rec_no = ReadInt(s);
  table->rec_no_ = rec_no >= 0 && rec_no < record_count ? rec_no : -1;
  return table;
}

// ---- manager ----

int32_t TDBManager::CreateTable(const std::string& name, uint8_t kind) {
  if (name.empty() || FindTable(name) >= 0) return -1;
  tables_.push_back(std::make_unique<TDBTable>(name, kind));
  active_ = Count() - 1;
  return active_;
}

bool TDBManager::DeleteTable(const std::string& name) {
  int32_t i = FindTable(name);
  if (i < 0) return false;
  std::string active_name = Active() != nullptr ? Active()->Name() : std::string();
  tables_.erase(tables_.begin() + i);
  active_ = active_name.empty() ? -1 : FindTable(active_name);
  return true;
}

int32_t TDBManager::FindTable(const std::string& name) const {
  for (size_t i = 0; i < tables_.size(); ++i) {
    if (SameText(tables_[i]->Name(), name)) return static_cast<int32_t>(i);
  }
  return -1;
}

TDBTable* TDBManager::Find(const std::string& name) {
  int32_t i = FindTable(name);
  return i >= 0 ? tables_[static_cast<size_t>(i)].get() : nullptr;
}

bool TDBManager::SetActive(const std::string& name) {
  int32_t i = FindTable(name);
  if (i < 0) return false;
  active_ = i;
  return true;
}

TDBTable* TDBManager::Active() { return active_ >= 0 && active_ < Count() ? tables_[static_cast<size_t>(active_)].get() : nullptr; }

bool TDBManager::CopyTableTo(const std::string& name, const TDBRecordList& records) {
  TDBTable* active = Active();
  TDBTable* target = Find(name);
  if (active == nullptr || target == nullptr || target == active) return false;
  target->CopyFieldsFrom(*active);
  for (int32_t r : records) target->AppendCopy(*active, r);
  return true;
}

bool TDBManager::InsertTableFrom(const std::string& name, const TDBRecordList& records) {
  TDBTable* active = Active();
  TDBTable* source = Find(name);
  if (active == nullptr || source == nullptr || !source->Fields().Equals(active->Fields())) return false;
  // The source may be the active table itself: copy the listed records first.
  std::vector<std::vector<uint8_t>> copies;
  for (int32_t r : records) {
    if (r >= 0 && r < source->RecordCount()) copies.push_back(source->records_[static_cast<size_t>(r)]);
  }
  int32_t rec_no = active->RecNo();
  for (auto& c : copies) {
    if (!active->Append()) break;
    active->records_.back() = std::move(c);
  }
  active->rec_no_ = rec_no;
  return true;
}

void TDBManager::Clear() {
  tables_.clear();
  active_ = -1;
}

void TDBManager::remove_kind(uint8_t kind) {
  std::erase_if(tables_, [kind](const auto& t) { return t->Kind() == kind; });
  active_ = -1;
}

void TDBManager::ClearGameTables() { remove_kind(0); }

void TDBManager::SaveTables(TStream& s, uint8_t kind) const {
  WriteInt(s, kTablesVersion);
  int32_t count = 0;
  for (const auto& t : tables_) count += t->Kind() == kind ? 1 : 0;
  WriteInt(s, count);
  for (const auto& t : tables_) {
    if (t->Kind() != kind) continue;
    WriteByte(s, 0);
    t->SaveToStream(s);
  }
  if (kind == 0) {
    const TDBTable* active = active_ >= 0 && active_ < Count() ? tables_[static_cast<size_t>(active_)].get() : nullptr;
    WriteString(s, active != nullptr ? active->Name() : std::string());
  }
}

void TDBManager::LoadTables(TStream& s, uint8_t kind) {
  if (ReadInt(s) != kTablesVersion) throw EFormatError("DB: unknown table version");
  int32_t count = ReadInt(s);
  // Every table takes at least its class code, name length, kind, field count, record count and record index.
  CheckCount(s, count, 18);
  std::vector<std::unique_ptr<TDBTable>> loaded;
  int64_t bytes = 0;
  for (int32_t i = 0; i < count; ++i) {
    if (ReadByte(s) != 0) throw EFormatError("DB: unknown table class");
    auto table = TDBTable::ReadFromStream(s);
    bytes += int64_t{table->RecordCount()} * table->Fields().RecordSize();
    if (bytes > kMaxDBTableBytes * 4) throw EFormatError("DB: tables too large");
    bool duplicate = table->Name().empty();
    for (const auto& t : loaded) duplicate = duplicate || SameText(t->Name(), table->Name());
    for (const auto& t : tables_) duplicate = duplicate || (t->Kind() != kind && SameText(t->Name(), table->Name()));
    if (duplicate) throw EFormatError("DB: duplicate table " + table->Name());
    table->kind_ = kind;
    loaded.push_back(std::move(table));
  }
  std::string active_name = kind == 0 ? ReadString(s) : std::string();
  remove_kind(kind);
  for (auto& t : loaded) {
    tables_.push_back(std::move(t));
    active_ = Count() - 1;
  }
  if (kind == 0) active_ = active_name.empty() ? -1 : FindTable(active_name);
}

}  // namespace velk
