#include "expr/param.h"

#include <algorithm>
#include <typeinfo>

#include "base/error.h"
#include "base/sjis.h"
#include "expr/param_collection.h"
#include "expr/value_convert.h"
#include "vfs/stream_io.h"

namespace velk {

namespace {

// Element conversions, one row per pair of element type and value type.
int32_t as_int(int32_t v) { return v; }
int32_t as_int(long double v) { return FloatToInt(v); }
int32_t as_int(uint8_t v) { return v != 0 ? 1 : 0; }
int32_t as_int(const std::string& v) { return StrToInt(v); }
long double as_float(int32_t v) { return v; }
long double as_float(long double v) { return v; }
long double as_float(uint8_t v) { return v != 0 ? 1 : 0; }
long double as_float(const std::string& v) { return StrToFloat(v); }
bool as_bool(int32_t v) { return v != 0; }
bool as_bool(long double v) { return v != 0; }
bool as_bool(uint8_t v) { return v != 0; }
bool as_bool(const std::string& v) { return StrToBool(v); }
std::string as_str(int32_t v) { return IntToStr(v); }
std::string as_str(long double v) { return FloatToStr(v); }
std::string as_str(uint8_t v) { return BoolToStr(v != 0); }
std::string as_str(const std::string& v) { return v; }

void store(int32_t& e, int32_t n) { e = n; }
void store(int32_t& e, long double x) { e = FloatToInt(x); }
void store(int32_t& e, bool b) { e = b ? 1 : 0; }
void store(int32_t& e, const std::string& s) { e = StrToInt(s); }
void store(long double& e, int32_t n) { e = n; }
void store(long double& e, long double x) { e = x; }
void store(long double& e, bool b) { e = b ? 1 : 0; }
void store(long double& e, const std::string& s) { e = StrToFloat(s); }
void store(uint8_t& e, int32_t n) { e = n != 0; }
void store(uint8_t& e, long double x) { e = x != 0; }
void store(uint8_t& e, bool b) { e = b; }
void store(uint8_t& e, const std::string& s) { e = StrToBool(s); }
void store(std::string& e, int32_t n) { e = IntToStr(n); }
void store(std::string& e, long double x) { e = FloatToStr(x); }
void store(std::string& e, bool b) { e = BoolToStr(b); }
void store(std::string& e, const std::string& s) { e = s; }

void write_element(TStream& s, int32_t v) { WriteInt(s, v); }
void write_element(TStream& s, long double v) { WriteExtended(s, v); }
void write_element(TStream& s, uint8_t v) { WriteByte(s, v); }
void write_element(TStream& s, const std::string& v) { WriteString(s, v); }
void read_element(TStream& s, int32_t& v) { v = ReadInt(s); }
void read_element(TStream& s, long double& v) { v = ReadExtended(s); }
void read_element(TStream& s, uint8_t& v) { v = ReadByte(s) != 0 ? 1 : 0; }
void read_element(TStream& s, std::string& v) { v = ReadString(s); }
// The smallest stored size of an element, for the count check before allocation.
int64_t element_size(int32_t) { return 4; }
int64_t element_size(long double) { return 10; }
int64_t element_size(uint8_t) { return 1; }
int64_t element_size(const std::string&) { return 4; }

std::string join_ints(const std::vector<int32_t>& v) {
  std::string out;
  for (size_t i = 0; i < v.size(); ++i) out += (i > 0 ? "," : "") + std::to_string(v[i]);
  return out;
}

// The element product, or -1 when a size is below 1 or the product exceeds the cap.
int64_t dim_product(const std::vector<int32_t>& sizes) {
  int64_t n = 1;
  for (int32_t d : sizes) {
    if (d < 1) return -1;
    n *= d;
    if (n > kMaxParamElements) return -1;
  }
  return n;
}

}  // namespace

std::string ParamTypeName(uint8_t type) {
  switch (type) {
    case PT_INT: return Utf8ToCp932("整数");
    case PT_FLOAT: return Utf8ToCp932("実数");
    case PT_BOOL: return Utf8ToCp932("フラグ");
    case PT_STR: return Utf8ToCp932("文字列");
    default: return {};
  }
}

int32_t CheckedDimProduct(const std::vector<int32_t>& sizes) {
  int64_t n = dim_product(sizes);
  if (n < 0) throw EVelkError(Utf8ToCp932("配列の要素数[") + join_ints(sizes) + Utf8ToCp932("]が不正です"));
  return static_cast<int32_t>(n);
}

void ThrowBadIndex(int32_t i) { throw EVelkError("[" + std::to_string(i) + Utf8ToCp932("]:配列の添字が不正です")); }

// ---- TCustomParam

int32_t TCustomParam::GetDimCount() const { return dims_.empty() ? 1 : static_cast<int32_t>(dims_.size()); }

int32_t TCustomParam::GetDim(int32_t k) const {
  if (k < 0 || k >= static_cast<int32_t>(dims_.size())) return 1;
  return dims_[static_cast<size_t>(k)];
}

void TCustomParam::SetDims(const std::vector<int32_t>& sizes) {
  int32_t n = CheckedDimProduct(sizes);
  dims_ = sizes;
  SetCount(n);
}

void TCustomParam::SaveToStream(TStream& s) const { WriteIntArray(s, dims_); }

int32_t TCustomParam::LoadDims(TStream& s) {
  int32_t d = ReadInt(s);
  if (d < 0) throw EFormatError(Utf8ToCp932("変数のデータが壊れています"));
  CheckCount(s, d, 4);
  std::vector<int32_t> sizes(static_cast<size_t>(d));
  for (auto& v : sizes) v = ReadInt(s);
  int64_t n = dim_product(sizes);
  if (n < 0) throw EFormatError(Utf8ToCp932("配列の要素数[") + join_ints(sizes) + Utf8ToCp932("]が不正です"));
  dims_ = std::move(sizes);
  return static_cast<int32_t>(n);
}

void TCustomParam::LoadFromStream(TStream& s) { LoadDims(s); }

void TCustomParam::MakeScalar() {
  if (dims_.empty()) return;
  dims_.clear();
  SetCount(1);
}

int32_t TCustomParam::IndexOf(const std::string& text, bool case_sensitive, bool partial) const {
  std::string needle = case_sensitive ? text : LowerCase(text);
  int32_t n = GetCount();
  for (int32_t i = 0; i < n; ++i) {
    std::string e = GetStrAt(i);
    if (partial) {
      if (!case_sensitive) e = LowerCase(e);
      if (e.find(needle) != std::string::npos) return i;
    } else if (case_sensitive ? e == text : SameText(e, text)) {
      return i;
    }
  }
  return -1;
}

// ---- TParamElements

template <class T, uint8_t Type> const T& TParamElements<T, Type>::at(int32_t i) const {
  if (i < 0 || i >= GetCount()) ThrowBadIndex(i);
  return items_[static_cast<size_t>(i)];
}

template <class T, uint8_t Type> T& TParamElements<T, Type>::at(int32_t i) {
  if (i < 0 || i >= GetCount()) ThrowBadIndex(i);
  return items_[static_cast<size_t>(i)];
}

template <class T, uint8_t Type> void TParamElements<T, Type>::SetCount(int32_t n) {
  items_.resize(static_cast<size_t>(std::clamp<int64_t>(n, 0, kMaxParamElements)));
}

template <class T, uint8_t Type> void TParamElements<T, Type>::SetBool(bool b) {
  MakeScalar();
  store(items_[0], b);
}
template <class T, uint8_t Type> void TParamElements<T, Type>::SetFloat(long double x) {
  MakeScalar();
  store(items_[0], x);
}
template <class T, uint8_t Type> void TParamElements<T, Type>::SetInt(int32_t n) {
  MakeScalar();
  store(items_[0], n);
}
template <class T, uint8_t Type> void TParamElements<T, Type>::SetStr(const std::string& s) {
  MakeScalar();
  store(items_[0], s);
}

template <class T, uint8_t Type> int32_t TParamElements<T, Type>::GetIntAt(int32_t i) const { return as_int(at(i)); }
template <class T, uint8_t Type> void TParamElements<T, Type>::SetIntAt(int32_t i, int32_t n) { store(at(i), n); }
template <class T, uint8_t Type> long double TParamElements<T, Type>::GetFloatAt(int32_t i) const {
  return as_float(at(i));
}
template <class T, uint8_t Type> void TParamElements<T, Type>::SetFloatAt(int32_t i, long double x) { store(at(i), x); }
template <class T, uint8_t Type> bool TParamElements<T, Type>::GetBoolAt(int32_t i) const { return as_bool(at(i)); }
template <class T, uint8_t Type> void TParamElements<T, Type>::SetBoolAt(int32_t i, bool b) { store(at(i), b); }
template <class T, uint8_t Type> std::string TParamElements<T, Type>::GetStrAt(int32_t i) const {
  return as_str(at(i));
}
template <class T, uint8_t Type> void TParamElements<T, Type>::SetStrAt(int32_t i, const std::string& s) {
  store(at(i), s);
}

template <class T, uint8_t Type> void TParamElements<T, Type>::CloneFrom(const TCustomParam& other) {
  auto* o = dynamic_cast<const TParamElements*>(&other);
  if (o == nullptr || o == this) return;
  dims_ = o->dims_;
  items_ = o->items_;
}

template <class T, uint8_t Type> void TParamElements<T, Type>::CopyMem(const TCustomParam& other) {
  auto* o = dynamic_cast<const TParamElements*>(&other);
  if (o == nullptr || typeid(other) != typeid(*this)) throw EVelkError(Utf8ToCp932("CopyMem:変数の型があいません"));
  if (o == this) return;
  dims_ = o->dims_;
  items_ = o->items_;
}

template <class T, uint8_t Type> void TParamElements<T, Type>::SaveToStream(TStream& s) const {
  TCustomParam::SaveToStream(s);
  WriteInt(s, static_cast<int32_t>(items_.size()));
  for (const T& e : items_) write_element(s, e);
}

template <class T, uint8_t Type> void TParamElements<T, Type>::LoadFromStream(TStream& s) {
  int32_t expected = LoadDims(s);
  int32_t n = ReadInt(s);
  // The element count must be the one the dimensions imply, so that every index stays inside the elements.
  if (n != expected) throw EFormatError(Utf8ToCp932("変数のデータが壊れています"));
  CheckCount(s, n, element_size(T{}));
  std::vector<T> items(static_cast<size_t>(n));
  for (T& e : items) read_element(s, e);
  items_ = std::move(items);
}

template <class T, uint8_t Type> void TParamElements<T, Type>::MakeScalar() {
  if (dims_.empty() && items_.size() == 1) return;
  dims_.clear();
  items_.resize(1);
}

template class TParamElements<int32_t, PT_INT>;
template class TParamElements<long double, PT_FLOAT>;
template class TParamElements<uint8_t, PT_BOOL>;
template class TParamElements<std::string, PT_STR>;

void TParamInt::FillInt(int32_t n) { std::fill(items_.begin(), items_.end(), n); }
void TParamFloat::FillFloat(long double x) { std::fill(items_.begin(), items_.end(), x); }
void TParamFlag::FillBool(bool b) { std::fill(items_.begin(), items_.end(), b ? 1 : 0); }
void TParamStr::FillStr(const std::string& s) { std::fill(items_.begin(), items_.end(), s); }

// ---- factories

std::unique_ptr<TCustomParam> NewParam(uint8_t type) {
  switch (type) {
    case PT_NONE: return std::make_unique<TParamVar>();
    case PT_INT: return std::make_unique<TParamInt>();
    case PT_FLOAT: return std::make_unique<TParamFloat>();
    case PT_BOOL: return std::make_unique<TParamFlag>();
    case PT_STR: return std::make_unique<TParamStr>();
    default: return nullptr;
  }
}

std::unique_ptr<TCustomParam> CloneParam(const TCustomParam& value) {
  uint8_t type = value.GetType();
  if (type < PT_INT || type > PT_STR) return nullptr;
  std::unique_ptr<TCustomParam> copy = NewParam(type);
  AssignConverting(*copy, value);
  return copy;
}

void AssignConverting(TCustomParam& target, const TCustomParam& source) {
  int32_t dims = source.GetDimCount();
  int32_t n = source.GetCount();
  if (dims == 1 && source.Dims().empty() && n == 1) {
    target.MakeScalar();
  } else {
    std::vector<int32_t> sizes;
    for (int32_t k = 0; k < dims; ++k) sizes.push_back(source.GetDim(k));
    if (dims == 1) sizes[0] = n;
    target.SetDims(sizes);
  }
  for (int32_t i = 0; i < n; ++i) {
    switch (target.GetType()) {
      case PT_INT: target.SetIntAt(i, source.GetIntAt(i)); break;
      case PT_FLOAT: target.SetFloatAt(i, source.GetFloatAt(i)); break;
      case PT_BOOL: target.SetBoolAt(i, source.GetBoolAt(i)); break;
      case PT_STR: target.SetStrAt(i, source.GetStrAt(i)); break;
      default: return;
    }
  }
}

// ---- TParamVar

TParamVar::~TParamVar() { Release(); }

void TParamVar::Resolve(TParamCollection& store) {
  TParamCollectionItem* item = store.FindVariable(target_name_);
  if (item == nullptr) throw EVelkError("\"" + target_name_ + "\"" + Utf8ToCp932(" 変数がありません"));
  SetTarget(store, item);
}

TParamCollectionItem* TParamVar::Follow(TParamCollection& store, TParamCollectionItem* item, const TParamVar* self,
                                        int32_t& index) {
  // A chain of references ends at the first non-reference; a cycle ends the search as a missing variable.
  for (int depth = 0; item != nullptr && item->IsReference(); ++depth) {
    auto* ref = static_cast<const TParamVar*>(item->Value());
    if (depth >= 64 || ref == self) return nullptr;
    index = ref->index_;
    item = ref->target_ != nullptr ? ref->target_ : store.FindVariable(ref->target_name_);
  }
  return item;
}

void TParamVar::SetTarget(TParamCollection& store, TParamCollectionItem* item) {
  const std::string& name = item->Name();
  item = Follow(store, item, this, index_);
  if (item == nullptr) throw EVelkError("\"" + name + "\"" + Utf8ToCp932(" 変数がありません"));
  Release();
  target_ = item;
  store_ = &store;
  store.RegisterReference(this);
}

void TParamVar::Release() {
  if (store_ != nullptr) store_->UnregisterReference(this);
  store_ = nullptr;
  target_ = nullptr;
}

TCustomParam* TParamVar::target_value() const { return target_ != nullptr ? target_->Value() : nullptr; }

int32_t TParamVar::GetCount() const {
  TCustomParam* v = target_value();
  return v != nullptr ? v->GetCount() : 1;
}
void TParamVar::SetCount(int32_t n) {
  if (TCustomParam* v = target_value()) v->SetCount(n);
}
uint8_t TParamVar::GetType() const {
  TCustomParam* v = target_value();
  return v != nullptr ? v->GetType() : PT_NONE;
}
bool TParamVar::GetBool() const { return GetBoolAt(index_); }
long double TParamVar::GetFloat() const { return GetFloatAt(index_); }
int32_t TParamVar::GetInt() const { return GetIntAt(index_); }
std::string TParamVar::GetStr() const { return GetStrAt(index_); }
void TParamVar::SetBool(bool b) { SetBoolAt(index_, b); }
void TParamVar::SetFloat(long double x) { SetFloatAt(index_, x); }
void TParamVar::SetInt(int32_t n) { SetIntAt(index_, n); }
void TParamVar::SetStr(const std::string& s) { SetStrAt(index_, s); }
int32_t TParamVar::GetIntAt(int32_t i) const {
  TCustomParam* v = target_value();
  return v != nullptr ? v->GetIntAt(i) : 0;
}
void TParamVar::SetIntAt(int32_t i, int32_t n) {
  if (TCustomParam* v = target_value()) v->SetIntAt(i, n);
}
long double TParamVar::GetFloatAt(int32_t i) const {
  TCustomParam* v = target_value();
  return v != nullptr ? v->GetFloatAt(i) : 0;
}
void TParamVar::SetFloatAt(int32_t i, long double x) {
  if (TCustomParam* v = target_value()) v->SetFloatAt(i, x);
}
bool TParamVar::GetBoolAt(int32_t i) const {
  TCustomParam* v = target_value();
  return v != nullptr && v->GetBoolAt(i);
}
void TParamVar::SetBoolAt(int32_t i, bool b) {
  if (TCustomParam* v = target_value()) v->SetBoolAt(i, b);
}
std::string TParamVar::GetStrAt(int32_t i) const {
  TCustomParam* v = target_value();
  return v != nullptr ? v->GetStrAt(i) : std::string();
}
void TParamVar::SetStrAt(int32_t i, const std::string& s) {
  if (TCustomParam* v = target_value()) v->SetStrAt(i, s);
}
int32_t TParamVar::GetDimCount() const {
  TCustomParam* v = target_value();
  return v != nullptr ? v->GetDimCount() : 1;
}
int32_t TParamVar::GetDim(int32_t k) const {
  TCustomParam* v = target_value();
  return v != nullptr ? v->GetDim(k) : 1;
}
void TParamVar::SetDims(const std::vector<int32_t>& sizes) {
  if (TCustomParam* v = target_value()) v->SetDims(sizes);
}
void TParamVar::FillInt(int32_t n) {
  if (TCustomParam* v = target_value()) v->FillInt(n);
}
void TParamVar::FillFloat(long double x) {
  if (TCustomParam* v = target_value()) v->FillFloat(x);
}
void TParamVar::FillBool(bool b) {
  if (TCustomParam* v = target_value()) v->FillBool(b);
}
void TParamVar::FillStr(const std::string& s) {
  if (TCustomParam* v = target_value()) v->FillStr(s);
}
int32_t TParamVar::IndexOf(const std::string& text, bool case_sensitive, bool partial) const {
  TCustomParam* v = target_value();
  return v != nullptr ? v->IndexOf(text, case_sensitive, partial) : -1;
}

void TParamVar::SaveToStream(TStream& s) const {
  TCustomParam::SaveToStream(s);
  WriteString(s, target_name_);
  WriteString(s, target_ != nullptr ? target_->Name() : std::string());
  WriteByte(s, reserved_);
  WriteInt(s, index_);
}

void TParamVar::LoadFromStream(TStream& s) { LoadFromStream(s, nullptr); }

void TParamVar::LoadFromStream(TStream& s, TParamCollection* store) {
  LoadDims(s);
  Release();
  target_name_ = ReadString(s);
  std::string resolved = ReadString(s);
  reserved_ = ReadByte(s);
  index_ = ReadInt(s);
  if (store == nullptr || resolved.empty()) return;
  if (TParamCollectionItem* item = store->FindVariable(resolved)) {
    try {
      int32_t index = index_;
      SetTarget(*store, item);
      index_ = index;
    } catch (const EVelkError&) {
      // A target that leads nowhere stays unresolved.
    }
  }
}

}  // namespace velk
