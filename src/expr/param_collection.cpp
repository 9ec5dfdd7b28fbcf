#include "expr/param_collection.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <unordered_set>

#include "base/error.h"
#include "base/sjis.h"
#include "expr/system_var.h"
#include "expr/var_host.h"
#include "vfs/stream_io.h"

namespace velk {

namespace {

// The smallest variable record: type, name length, dimension count, element count, four trailing fields.
constexpr int64_t kMinRecordSize = 1 + 4 + 4 + 4 + 1 + 1 + 4 + 1;

[[noreturn]] void corrupt() { throw EFormatError(Utf8ToCp932("変数のデータが壊れています")); }

// Generations are drawn from one counter, so that no two states of any two stores share a value.
uint64_t next_generation() {
  static std::atomic<uint64_t> counter{0};
  return counter.fetch_add(1, std::memory_order_relaxed) + 1;
}

void load_value(TCustomParam& value, TStream& s, TParamCollection& store) {
  if (auto* ref = dynamic_cast<TParamVar*>(&value)) {
    ref->LoadFromStream(s, &store);
  } else {
    value.LoadFromStream(s);
  }
}

}  // namespace

// ---- TParamCollectionItem

void TParamCollectionItem::SetVarName(std::string name) {
  bool bad = name.empty() || name.find(' ') != std::string::npos || (name[0] >= '0' && name[0] <= '9');
  if (bad) throw EVelkError("\"" + name + "\"" + Utf8ToCp932("：変数名が不正です"));
  SetName(std::move(name));
}

void TParamCollectionItem::SetValue(std::unique_ptr<TCustomParam> value) {
  value_ = std::move(value);
  if (value_ == nullptr) {
    kind_ = Kind::None;
  } else if (dynamic_cast<const TParamVar*>(value_.get()) != nullptr) {
    kind_ = Kind::Reference;
  } else if (dynamic_cast<const TParamSystem*>(value_.get()) != nullptr) {
    kind_ = Kind::System;
  } else {
    kind_ = Kind::Elements;
  }
}

uint8_t TParamCollectionItem::TypeCode() const {
  if (kind_ == Kind::None || kind_ == Kind::Reference) return PT_NONE;
  return value_->GetType();
}

// ---- TParamCollection

TParamCollection::TParamCollection(TVarHost* host) {
  SetHost(host);
  for (int32_t n = 0; n < kSystemVarCount; ++n) {
    auto item = std::make_unique<TParamCollectionItem>();
    item->SetValue(std::make_unique<TParamSystem>(*this, static_cast<uint8_t>(n)));
    item->SetName(SystemVarName(n));
    Add(std::move(item));
  }
  touch();
}

TParamCollection::~TParamCollection() {
  for (TParamVar* ref : references_) {
    ref->target_ = nullptr;
    ref->store_ = nullptr;
  }
  references_.clear();
  THashCollection::Clear();
}

void TParamCollection::SetHost(TVarHost* host) {
  if (host == nullptr) {
    if (own_host_ == nullptr) own_host_ = std::make_unique<TVarHost>();
    host_ = own_host_.get();
  } else {
    host_ = host;
  }
}

TParamCollectionItem* TParamCollection::AddVariable(uint8_t type) {
  std::unique_ptr<TCustomParam> value = NewParam(type);
  if (value == nullptr) throw EVelkError(Utf8ToCp932("内部エラー"));
  auto item = std::make_unique<TParamCollectionItem>();
  item->SetValue(std::move(value));
  return static_cast<TParamCollectionItem*>(Add(std::move(item)));
}

TParamCollectionItem* TParamCollection::FindVariable(std::string_view name) const { return find(name, true); }

TParamCollectionItem* TParamCollection::FindStored(std::string_view name) const { return find(name, false); }

TParamCollectionItem* TParamCollection::find(std::string_view name, bool temporaries) const {
  TParamCollectionItem* found = nullptr;
  for (auto* p = static_cast<TParamCollectionItem*>(FindNext(name, nullptr)); p != nullptr;
       p = static_cast<TParamCollectionItem*>(FindNext(name, p))) {
    if (p->RunId != 0 && (!temporaries || p->RunId != current_run_)) continue;
    if (p->Local) {
      if (p->FrameId == CurrentFrame) return p;
      continue;
    }
    found = p;  // the chain runs from new to old: the last match is the oldest
  }
  return found;
}

TParamCollectionItem* TParamCollection::FindForCreate(std::string_view name, bool local) const {
  for (auto* p = static_cast<TParamCollectionItem*>(FindNext(name, nullptr)); p != nullptr;
       p = static_cast<TParamCollectionItem*>(FindNext(name, p))) {
    if (p->RunId != 0) continue;
    if (local ? (p->Local && p->FrameId == CurrentFrame) : !p->Local) return p;
  }
  return nullptr;
}

TParamCollectionItem* TParamCollection::NewVariable(const std::string& name, uint8_t type, int32_t scope) {
  TParamCollectionItem* item = FindForCreate(name, scope == kScopeLocal);
  if (item == nullptr) {
    item = AddVariable(type);
    try {
      item->SetVarName(name);
    } catch (...) {
      FreeItem(item);
      throw;
    }
    if (scope == kScopeAutoDispose || scope == kScopeLocal) item->FrameId = CurrentFrame;
    if (scope == kScopeLocal) item->Local = true;
    if (scope == kScopeStatus) item->Status = true;
    touch();  // the scope decides what lookups find
    return item;
  }
  if (item->Status) return nullptr;
  return item;
}

void TParamCollection::DeleteVariable(std::string_view name) {
  TParamCollectionItem* item = FindVariable(name);
  // The system variables are the store's own; freeing one would leave the player without it.
  if (item != nullptr && !item->IsSystem()) FreeItem(item);
}

void TParamCollection::FreeItem(TParamCollectionItem* item) {
  if (item == nullptr || item->Collection() != this) return;
  if (item->RunId != 0) {
    std::erase(temporaries_, item);
    ++temporaries_lost_;
  }
  clear_references_to(item);
  THashCollection::Delete(item->Index());
}

void TParamCollection::clear_references_to(const TParamCollectionItem* item) {
  std::erase_if(references_, [item](TParamVar* ref) {
    if (ref->target_ != item) return false;
    ref->target_ = nullptr;
    ref->store_ = nullptr;
    return true;
  });
}

void TParamCollection::Delete(int32_t index) { FreeItem(Var(index)); }

void TParamCollection::free_where(bool (*pred)(const TParamCollectionItem&, int32_t), int32_t arg) {
  for (int32_t i = Count() - 1; i >= 0; --i) {
    if (i < Count() && pred(*Var(i), arg)) FreeItem(Var(i));
  }
}

void TParamCollection::FreeFrame(int32_t frame_id) {
  free_where([](const TParamCollectionItem& p, int32_t f) { return !p.IsSystem() && p.FrameId == f; }, frame_id);
}

void TParamCollection::DropFrame(int32_t frame_id) {
  FreeFrame(frame_id);
  for (int32_t i = 0; i < Count(); ++i) {
    TParamCollectionItem* p = Var(i);
    if (!p->IsSystem() && p->FrameId > frame_id) --p->FrameId;
  }
  touch();
}

std::unique_ptr<TCustomParam> TParamCollection::CopyValue(std::string_view name) const {
  TParamCollectionItem* item = FindVariable(name);
  std::unique_ptr<TCustomParam> copy = item != nullptr ? CloneParam(*item->Value()) : nullptr;
  if (copy == nullptr) throw EVelkError(std::string(name) + Utf8ToCp932(":不正な変数です"));
  return copy;
}

// ---- save and load

void TParamCollection::save_records(TStream& s, bool status) const {
  // From the last collection index to the first; a reference waits until its target has been written when the
  // target is itself among the records. A pass that writes nothing (references in a cycle) writes the rest as
  // they are, so the save always ends.
  std::vector<const TParamCollectionItem*> pending;
  for (int32_t i = Count() - 1; i >= 0; --i) {
    const TParamCollectionItem* p = Var(i);
    if (!p->IsSystem() && p->RunId == 0 && p->Status == status) pending.push_back(p);
  }
  WriteInt(s, static_cast<int32_t>(pending.size()));
  auto write = [&s](const TParamCollectionItem* p) {
    WriteByte(s, p->TypeCode());
    WriteString(s, p->Name());
    p->Value()->SaveToStream(s);
    WriteBool(s, p->Status);
    WriteByte(s, p->Reserved);
    WriteInt(s, p->FrameId);
    WriteBool(s, p->Local);
  };
  std::unordered_set<const TParamCollectionItem*> unwritten(pending.begin(), pending.end());
  while (!pending.empty()) {
    std::vector<const TParamCollectionItem*> waiting;
    for (const TParamCollectionItem* p : pending) {
      auto* ref = dynamic_cast<const TParamVar*>(p->Value());
      const TParamCollectionItem* target = ref != nullptr ? ref->TargetItem() : nullptr;
      if (target != nullptr && target != p && unwritten.count(target) != 0) {
        waiting.push_back(p);
        continue;
      }
      write(p);
      unwritten.erase(p);
    }
    if (waiting.size() == pending.size()) {
      for (const TParamCollectionItem* p : waiting) write(p);
      break;
    }
    pending = std::move(waiting);
  }
}

void TParamCollection::load_records(TStream& s) {
  int32_t n = ReadInt(s);
  if (n < 0) corrupt();
  CheckCount(s, n, kMinRecordSize);
  for (int32_t i = 0; i < n; ++i) {
    uint8_t type = ReadByte(s);
    if (type > PT_STR) corrupt();
    TParamCollectionItem* item = AddVariable(type);
    try {
      item->SetVarName(ReadString(s));
      load_value(*item->Value(), s, *this);
    } catch (...) {
      FreeItem(item);
      throw;
    }
    item->Status = ReadBool(s);
    item->Reserved = ReadByte(s);
    item->FrameId = ReadInt(s);
    item->Local = ReadBool(s);
  }
  touch();  // the scopes were read after the names
}

void TParamCollection::SaveGameVars(TStream& s) const {
  save_records(s, false);
  WriteInt(s, TextDelay);
  WriteString(s, Cursor);
  WriteString(s, SelStr);
  WriteInt(s, SelIndex);
  WriteString(s, TempName);
  WriteInt(s, StackDepth());
  for (const auto& entry : stack_) s.WriteBuffer(entry->Memory(), entry->GetSize());
}

namespace {

// One entry of the variable stack, read up to its end: the entries are written back to back without lengths, and
// each one delimits itself (a count of records of known layout).
std::unique_ptr<TMemoryStream> read_stack_entry(TStream& s) {
  int32_t start = s.GetPosition();
  int32_t n = ReadInt(s);
  if (n < 0) corrupt();
  CheckCount(s, n, 8);
  for (int32_t i = 0; i < n; ++i) {
    int32_t type = ReadInt(s);
    std::unique_ptr<TCustomParam> value =
        type >= PT_INT && type <= PT_STR ? NewParam(static_cast<uint8_t>(type)) : nullptr;
    if (value == nullptr) corrupt();
    ReadString(s);
    value->LoadFromStream(s);
  }
  int32_t end = s.GetPosition();
  auto entry = std::make_unique<TMemoryStream>();
  s.SetPosition(start);
  std::vector<uint8_t> bytes(static_cast<size_t>(end - start));
  s.ReadBuffer(bytes.data(), end - start);
  entry->WriteBuffer(bytes.data(), end - start);
  return entry;
}

}  // namespace

void TParamCollection::LoadGameVars(TStream& s, int32_t version, int32_t history_settings) {
  free_where([](const TParamCollectionItem& p, int32_t) { return !p.IsSystem() && !p.Status; }, 0);
  load_records(s);
  TextDelay = ReadInt(s);
  Cursor = ReadString(s);
  if (version > 102) {
    SelStr = ReadString(s);
    SelIndex = ReadInt(s);
  }
  OldHistorySettings = {};
  OldHistoryCount = 0;
  if (version > 112 && version < 135) {
    OldHistoryCount = history_settings == 6 ? 6 : 3;
    for (int32_t i = 0; i < OldHistoryCount; ++i) OldHistorySettings[static_cast<size_t>(i)] = ReadInt(s);
  }
  if (version > 120) TempName = ReadString(s);
  stack_.clear();
  if (version >= 139) {
    int32_t depth = ReadInt(s);
    if (depth < 0) corrupt();
    CheckCount(s, depth, 4);
    for (int32_t i = 0; i < depth; ++i) stack_.push_back(read_stack_entry(s));
  }
}

void TParamCollection::SaveStatusVars(TStream& s) const { save_records(s, true); }

void TParamCollection::LoadStatusVars(TStream& s, int32_t version) { load_records(s); }

void TParamCollection::ClearVars() {
  free_where([](const TParamCollectionItem& p, int32_t) { return !p.IsSystem() && !p.Status; }, 0);
  TextDelay = 50;
  Cursor.clear();
}

// ---- variable stack

void TParamCollection::PushVar(const std::vector<std::string>& names) {
  std::vector<TParamCollectionItem*> items;
  for (const std::string& name : names) {
    TParamCollectionItem* item = FindVariable(name);
    if (item != nullptr && item->TypeCode() != PT_NONE) items.push_back(item);
  }
  auto entry = std::make_unique<TMemoryStream>();
  WriteInt(*entry, static_cast<int32_t>(items.size()));
  for (TParamCollectionItem* item : items) {
    WriteInt(*entry, item->TypeCode());
    WriteString(*entry, item->Name());
    item->Value()->SaveToStream(*entry);
  }
  stack_.push_back(std::move(entry));
}

void TParamCollection::PopVar() {
  if (stack_.empty()) return;
  std::unique_ptr<TMemoryStream> entry = std::move(stack_.back());
  stack_.pop_back();
  entry->SetPosition(0);
  int32_t n = ReadInt(*entry);
  for (int32_t i = 0; i < n && entry->Remaining() > 0; ++i) {
    int32_t type = ReadInt(*entry);
    if (type < PT_INT || type > PT_STR) corrupt();
    std::string name = ReadString(*entry);
    TParamCollectionItem* item = FindVariable(name);
    if (item != nullptr && item->TypeCode() != type && !item->IsSystem()) {
      FreeItem(item);
      item = nullptr;
    }
    if (item == nullptr) {
      item = AddVariable(static_cast<uint8_t>(type));
      item->SetVarName(name);
    }
    item->Value()->LoadFromStream(*entry);
  }
}

// ---- runs and references

int32_t TParamCollection::BeginRun() {
  int32_t previous = current_run_;
  run_counter_ = run_counter_ == INT32_MAX ? 1 : run_counter_ + 1;
  current_run_ = run_counter_;
  return previous;
}

void TParamCollection::EndRun(int32_t previous) {
  while (!temporaries_.empty() && temporaries_.back()->RunId == current_run_) {
    TParamCollectionItem* item = temporaries_.back();
    temporaries_.pop_back();
    clear_references_to(item);
    THashCollection::Delete(item->Index());
  }
  current_run_ = previous;
}

TParamCollectionItem* TParamCollection::AddTemporary(const std::string& name, uint8_t type) {
  std::unique_ptr<TCustomParam> value = NewParam(type);
  if (value == nullptr) throw EVelkError(Utf8ToCp932("内部エラー"));
  auto item = std::make_unique<TParamCollectionItem>();
  item->SetValue(std::move(value));
  item->SetName(name);
  return LinkTemporary(std::move(item));
}

TParamCollectionItem* TParamCollection::LinkTemporary(std::unique_ptr<TParamCollectionItem> item) {
  // Marked before it is added: temporaries never change what FindStored finds, so they leave the generation alone.
  item->RunId = current_run_;
  item->Status = false;
  item->Reserved = 0;
  item->FrameId = -1;
  item->Local = false;
  auto* raw = static_cast<TParamCollectionItem*>(Add(std::move(item)));
  temporaries_.push_back(raw);
  return raw;
}

std::unique_ptr<TParamCollectionItem> TParamCollection::UnlinkTemporary(TParamCollectionItem* item) {
  auto it = std::find(temporaries_.rbegin(), temporaries_.rend(), item);
  if (it == temporaries_.rend()) return nullptr;
  temporaries_.erase(std::next(it).base());
  clear_references_to(item);
  std::unique_ptr<THashCollectionItem> out = THashCollection::Extract(item->Index());
  return std::unique_ptr<TParamCollectionItem>(static_cast<TParamCollectionItem*>(out.release()));
}

bool TParamCollection::HoldsTemporary(const TParamCollectionItem* item) const {
  return std::find(temporaries_.rbegin(), temporaries_.rend(), item) != temporaries_.rend();
}

void TParamCollection::ChainsChanged(const THashCollectionItem* item) {
  if (item == nullptr || static_cast<const TParamCollectionItem*>(item)->RunId == 0) touch();
}

void TParamCollection::touch() { generation_ = next_generation(); }

void TParamCollection::RegisterReference(TParamVar* ref) { references_.push_back(ref); }

void TParamCollection::UnregisterReference(TParamVar* ref) {
  auto it = std::find(references_.rbegin(), references_.rend(), ref);
  if (it != references_.rend()) references_.erase(std::next(it).base());
}

}  // namespace velk
