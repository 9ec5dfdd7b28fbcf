#include "expr/velk_parser.h"

#include <cstring>
#include <span>
#include <unordered_map>

#include "base/error.h"
#include "base/sjis.h"
#include "expr/param_collection.h"
#include "expr/sys_func_table.h"
#include "vfs/stored_read.h"
#include "vfs/stream_io.h"

namespace velk {

namespace {

const char* const kOpeNames[] = {"ocNone",  "ocTo",   "ocPlus",   "ocMinus",  "ocMul",    "ocDiv",      "ocMod",
                                 "ocOr",    "ocAnd",  "ocXor",    "ocDimTo",  "ocFunc",   "ocEqual",    "ocBig",
                                 "ocSmall", "ocEBig", "ocESmall", "ocShiftL", "ocShiftR", "ocComboStr", "ocNEqual"};

bool is_temp_name(const std::string& name) { return name.compare(0, 4, "____") == 0; }

[[noreturn]] void not_found(const std::string& name) {
  throw EVelkError("\"" + name + "\"" + Utf8ToCp932(" 変数がありません"));
}

// An operand as an operation reads it: a constant, or the value that a variable operand leads to with the element
// index that a reference on the way handed over. Reads are element reads at that index, as through a reference.
struct TOperand {
  TCustomParam* Value = nullptr;
  int32_t Index = 0;
  TParamCollectionItem* Item = nullptr;  // the variable reached; null for a constant

  uint8_t GetType() const { return Value->GetType(); }
  int32_t GetInt() const { return Value->GetIntAt(Index); }
  long double GetFloat() const { return Value->GetFloatAt(Index); }
  bool GetBool() const { return Value->GetBoolAt(Index); }
  std::string GetStr() const { return Value->GetStrAt(Index); }
};

// "不正な式", the target, the operation's name and each operand as a string.
[[noreturn]] void invalid_ope(const TOpeData& op, std::span<const TOperand> operands) {
  std::string text = Utf8ToCp932("不正な式") + "\r\n\r\n" + Utf8ToCp932("代入先:") + op.Target +
                     Utf8ToCp932("演算タイプ:") + OpeCodeName(op.Code);
  for (const TOperand& operand : operands) text += "\r\n" + operand.GetStr();
  throw EVelkError(text);
}

[[noreturn]] void division_by_zero() { throw EVelkError("Division by zero"); }

// Releases the references that a system function call receives for its variable arguments, however it ends.
class argument_guard {
 public:
  argument_guard(const TOpeData& op, std::span<const TOperand> operands) : op_(op), operands_(operands) {}
  ~argument_guard() {
    for (size_t k = 0; k < operands_.size(); ++k) {
      if (operands_[k].Item != nullptr) static_cast<TParamVar&>(*op_.Operands[k]).Release();
    }
  }

 private:
  const TOpeData& op_;
  std::span<const TOperand> operands_;
};

// An element reference to the variable of the first operand at the indices of the others.
void point_element(TParamVar& ref, TParamCollection& store, const TOpeData& op, std::span<const TOperand> operands) {
  const TOperand& source = operands[0];
  if (source.Item == nullptr) invalid_ope(op, operands);
  const std::string& name = static_cast<const TParamVar&>(*op.Operands[0]).TargetName();
  TCustomParam& value = *source.Item->Value();
  std::vector<int32_t> indices;
  for (size_t k = 1; k < operands.size(); ++k) indices.push_back(operands[k].GetInt());
  std::string prefix = name + "[";
  for (size_t k = 0; k < indices.size(); ++k) prefix += (k > 0 ? "," : "") + std::to_string(indices[k]);
  prefix += "]\r\n";
  if (static_cast<int32_t>(indices.size()) != value.GetDimCount())
    throw EVelkError(prefix + Utf8ToCp932("添え字が不正です"));
  int64_t linear = 0;
  for (size_t k = 0; k < indices.size(); ++k) {
    linear = linear * value.GetDim(static_cast<int32_t>(k)) + indices[k];
    if (linear > INT32_MAX || linear < INT32_MIN) break;
  }
  // A negative index is as far outside the elements as one past their end.
  if (linear < 0 || linear >= value.GetCount()) throw EVelkError(prefix + Utf8ToCp932("要素数を超えています"));
  ref.SetTargetName(name);
  ref.SetTarget(store, source.Item);
  ref.SetElementIndex(static_cast<int32_t>(linear));
}

uint8_t temp_type(const TOpeData& op, std::span<const TOperand> operands, ISysFuncTable* funcs) {
  auto type_of = [&operands](size_t k) { return k < operands.size() ? operands[k].GetType() : PT_NONE; };
  auto any_float = [&type_of]() { return type_of(0) == PT_FLOAT || type_of(1) == PT_FLOAT; };
  switch (op.Code) {
    case ocTo: return type_of(0);
    case ocPlus: return type_of(0) == PT_STR ? PT_STR : any_float() ? PT_FLOAT : PT_INT;
    case ocMinus:
    case ocMul:
    case ocDiv: return any_float() ? PT_FLOAT : PT_INT;
    case ocDimTo: return PT_NONE;
    case ocFunc: {
      if (funcs == nullptr) invalid_ope(op, operands);
      if (op.FuncNo == kFuncGetProp && operands.size() >= 2) {
        int32_t prop = operands[1].GetInt();
        if (prop < 0 || prop > kMaxPropertyId) throw EVelkError(Utf8ToCp932("GetPropの引数が違います"));
        return funcs->PropertyType(prop);
      }
      const TSysFuncInfo* info = funcs->FuncInfo(op.FuncNo);
      return info != nullptr ? info->Result : PT_INT;
    }
    case ocEqual:
    case ocBig:
    case ocSmall:
    case ocEBig:
    case ocESmall:
    case ocNEqual: return PT_BOOL;
    case ocComboStr: return PT_STR;
    case ocMod:
    case ocOr:
    case ocAnd:
    case ocXor:
    case ocShiftL:
    case ocShiftR: return PT_INT;
    default: invalid_ope(op, operands);
  }
}

// -1, 0 or 1 by the type of the left operand.
int compare(const TOperand& a, const TOperand& b) {
  switch (a.GetType()) {
    case PT_STR: {
      int c = a.GetStr().compare(b.GetStr());  // bytes as unsigned, then length
      return c < 0 ? -1 : c > 0 ? 1 : 0;
    }
    case PT_FLOAT: {
      long double x = a.GetFloat(), y = b.GetFloat();
      return x < y ? -1 : x > y ? 1 : 0;
    }
    case PT_BOOL: {
      int x = a.GetBool() ? 1 : 0, y = b.GetBool() ? 1 : 0;
      return x - y;
    }
    default: {
      int32_t x = a.GetInt(), y = b.GetInt();
      return x < y ? -1 : x > y ? 1 : 0;
    }
  }
}

bool compare_holds(uint8_t code, const TOperand& a, const TOperand& b) {
  if (code == ocEqual || code == ocNEqual) {
    bool equal = a.GetType() == PT_STR ? a.GetStr() == b.GetStr() : compare(a, b) == 0;
    return code == ocEqual ? equal : !equal;
  }
  int c = compare(a, b);
  switch (code) {
    case ocBig: return c > 0;
    case ocSmall: return c < 0;
    case ocEBig: return c >= 0;
    default: return c <= 0;  // ocESmall
  }
}

// Integer arithmetic is modulo 2^32; division and remainder by zero, and INT_MIN / -1, fail.
int32_t int_arith(uint8_t code, int32_t a, int32_t b) {
  uint32_t ua = static_cast<uint32_t>(a), ub = static_cast<uint32_t>(b);
  switch (code) {
    case ocPlus: return static_cast<int32_t>(ua + ub);
    case ocMinus: return static_cast<int32_t>(ua - ub);
    case ocMul: return static_cast<int32_t>(ua * ub);
    case ocDiv:
    case ocMod:
      if (b == 0 || (a == INT32_MIN && b == -1)) division_by_zero();
      return code == ocDiv ? a / b : a % b;
    case ocOr: return a | b;
    case ocAnd: return a & b;
    case ocXor: return a ^ b;
    case ocShiftL: return static_cast<int32_t>(ua << (ub & 31));
    default: return static_cast<int32_t>(ua >> (ub & 31));  // ocShiftR, logical
  }
}

long double float_arith(uint8_t code, long double a, long double b) {
  switch (code) {
    case ocPlus: return a + b;
    case ocMinus: return a - b;
    case ocMul: return a * b;
    default:
      if (b == 0) division_by_zero();
      return a / b;
  }
}

size_t operand_count(uint8_t code) {
  switch (code) {
    case ocTo: return 1;
    case ocDimTo: return 1;
    case ocFunc: return 0;
    default: return 2;
  }
}

// A temporary taken again is set back to what a new value of its class holds.
void reset_value(TCustomParam& value, uint8_t type) {
  switch (type) {
    case PT_INT: value.SetInt(0); break;
    case PT_FLOAT: value.SetFloat(0); break;
    case PT_BOOL: value.SetBool(false); break;
    case PT_STR: value.SetStr(std::string()); break;
    default: {
      auto& ref = static_cast<TParamVar&>(value);
      ref.Release();
      ref.SetTargetName(std::string());
      ref.SetElementIndex(0);
      break;
    }
  }
}

}  // namespace

const char* OpeCodeName(uint8_t code) { return code <= ocNEqual ? kOpeNames[code] : ""; }

void WriteOperand(TStream& s, const TCustomParam& operand) {
  if (auto* ref = dynamic_cast<const TParamVar*>(&operand)) {
    WriteByte(s, PT_NONE);
    WriteString(s, ref->TargetName());
    return;
  }
  uint8_t type = operand.GetType();
  WriteByte(s, type);
  switch (type) {
    case PT_INT: WriteInt(s, operand.GetInt()); break;
    case PT_FLOAT: WriteExtended(s, operand.GetFloat()); break;
    case PT_BOOL: WriteBool(s, operand.GetBool()); break;
    default: WriteString(s, operand.GetStr()); break;
  }
}

std::unique_ptr<TCustomParam> ReadOperand(TStream& s) {
  uint8_t type = ReadByteExact(s);
  std::unique_ptr<TCustomParam> value;
  switch (type) {
    case PT_INT:
      value = NewParam(PT_INT);
      value->SetInt(ReadIntExact(s));
      break;
    case PT_FLOAT:
      value = NewParam(PT_FLOAT);
      NeedBytes(s, 10);
      value->SetFloat(ReadExtended(s));
      break;
    case PT_BOOL:
      value = NewParam(PT_BOOL);
      value->SetBool(ReadByteExact(s) != 0);
      break;
    case PT_STR:
      value = NewParam(PT_STR);
      value->SetStr(ReadStringExact(s));
      break;
    default: value = std::make_unique<TParamVar>(ReadStringExact(s)); break;
  }
  return value;
}

// The temporaries of one run and room for the operands of one operation. The parser keeps one between runs, so
// that the next run takes the same temporaries again instead of making new ones. A run's temporaries enter the store
// only when something may look for them by name (a system function, a system variable, a reference that resolves by
// name, a stored variable with a temporary's name); until then nothing but the run itself can see the store, and
// the run finds its temporaries through their slots.
struct TVelkParser::TRunState {
  std::vector<std::unique_ptr<TParamCollectionItem>> Items;  // per slot: the temporary while the store does not hold it
  std::vector<TParamCollectionItem*> Current;                // per slot: the temporary of this run
  std::vector<int32_t> Order;                                // the slots of this run's temporaries, in order
  bool InStore = false;                                      // this run's temporaries are in the store
  uint64_t Lost = 0;                                         // the store's TemporariesLost() when last checked
  std::vector<TOperand> Operands;
  std::vector<TCustomParam*> Args;

  void Size(size_t slots) {
    if (Items.size() == slots) return;
    Items.clear();
    Items.resize(slots);
    Current.assign(slots, nullptr);
  }
  // Forgets the temporaries in the store that someone freed while the run went on (a variable deleted by name).
  void CheckLost(const TParamCollection& store) {
    if (!InStore || store.TemporariesLost() == Lost) return;
    Lost = store.TemporariesLost();
    for (int32_t slot : Order) {
      if (Current[slot] != nullptr && !store.HoldsTemporary(Current[slot])) Current[slot] = nullptr;
    }
  }
  // Puts this run's temporaries into the store, in the order the run made them.
  void Show(TParamCollection& store) {
    if (InStore) return;
    InStore = true;
    Lost = store.TemporariesLost();
    for (int32_t slot : Order) {
      if (Current[slot] != nullptr) store.LinkTemporary(std::move(Items[slot]));
    }
  }
};

TVelkParser::TVelkParser() : state_(std::make_unique<TRunState>()) {}

TVelkParser::~TVelkParser() = default;

void TVelkParser::Clear() {
  opes_.clear();
  slots_.clear();
  ope_slots_.clear();
  gives_result_ = false;
  if (!running_) state_ = std::make_unique<TRunState>();
  has_result_ = false;
}

void TVelkParser::prepare() {
  std::unordered_map<std::string, int32_t> by_name;
  auto slot_of = [&](const std::string& name) {
    auto [it, added] = by_name.try_emplace(LowerCase(name), static_cast<int32_t>(slots_.size()));
    if (added) {
      TNameSlot slot;
      slot.Name = name;
      slot.TempName = is_temp_name(name);
      slots_.push_back(std::move(slot));
    }
    return it->second;
  };
  for (const auto& op : opes_) {
    TOpeSlots ope;
    ope.Target = slot_of(op->Target);
    TNameSlot& target = slots_[static_cast<size_t>(ope.Target)];
    if (target.Name != op->Target) target.MixedCase = true;
    for (const auto& operand : op->Operands) {
      auto* ref = dynamic_cast<const TParamVar*>(operand.get());
      ope.Operands.push_back(ref != nullptr ? slot_of(ref->TargetName()) : -1);
    }
    ope_slots_.push_back(std::move(ope));
  }
  gives_result_ = !opes_.empty() && opes_.back()->Code == ocTo && opes_.back()->Target == kResultTemp;
}

// What FindVariable gives for the slot's name. The stored variables are looked up once per generation and frame;
// a temporary's name finds the temporary this run made, unless a stored variable of that name exists, when the
// store's own lookup decides.
TParamCollectionItem* TVelkParser::find(int32_t slot, TParamCollection& store, TRunState& run) {
  TNameSlot& s = slots_[static_cast<size_t>(slot)];
  if (s.Generation != store.Generation() || s.Frame != store.CurrentFrame) {
    s.Stored = store.FindStored(s.Name);
    s.Generation = store.Generation();
    s.Frame = store.CurrentFrame;
  }
  if (!s.TempName) return s.Stored;
  if (s.Stored != nullptr) {
    run.Show(store);
    return store.FindVariable(s.Name);
  }
  run.CheckLost(store);
  return run.Current[static_cast<size_t>(slot)];
}

// Whether reading or writing the variable can do no more than touch its elements: a plain variable, or an element
// reference of this run that points at one. Anything else may look variables up by name.
bool TVelkParser::plain(const TParamCollectionItem& item, const TParamCollection& store) {
  if (item.HoldsElements()) return true;
  if (!item.IsReference() || item.RunId != store.CurrentRun()) return false;
  const TParamCollectionItem* target = static_cast<const TParamVar*>(item.Value())->TargetItem();
  return target != nullptr && target->HoldsElements();
}

TParamCollectionItem* TVelkParser::link_temporary(int32_t slot, const std::string& name, uint8_t type, bool fresh,
                                                  TParamCollection& store, TRunState& run) {
  auto at = static_cast<size_t>(slot);
  std::unique_ptr<TParamCollectionItem>& item = run.Items[at];
  if (item == nullptr) {
    item = std::make_unique<TParamCollectionItem>();
    item->SetName(name);
  } else if (slots_[at].MixedCase && item->Name() != name) {
    item->SetName(name);
  }
  if (item->Value() != nullptr && item->TypeCode() == type) {
    // A value taken again holds what a new one would where anyone may read it before the operation writes it.
    if (fresh) reset_value(*item->Value(), type);
  } else {
    std::unique_ptr<TCustomParam> value = NewParam(type);
    if (value == nullptr) throw EVelkError(Utf8ToCp932("内部エラー"));
    item->SetValue(std::move(value));
  }
  TParamCollectionItem* current = item.get();
  current->RunId = store.CurrentRun();
  run.Current[at] = current;
  run.Order.push_back(slot);
  if (run.InStore) store.LinkTemporary(std::move(item));
  return current;
}

// Takes this run's temporaries out of the store, newest first, and keeps them for the next run.
void TVelkParser::unlink_temporaries(TParamCollection& store, TRunState& run) {
  run.CheckLost(store);
  for (auto it = run.Order.rbegin(); it != run.Order.rend(); ++it) {
    auto slot = static_cast<size_t>(*it);
    if (run.Current[slot] == nullptr) continue;
    if (run.InStore) run.Items[slot] = store.UnlinkTemporary(run.Current[slot]);
    run.Current[slot] = nullptr;
    TParamCollectionItem* item = run.Items[slot].get();
    if (item != nullptr && item->IsReference()) static_cast<TParamVar*>(item->Value())->Release();
  }
  run.Order.clear();
  run.InStore = false;
}

void TVelkParser::run_ope(size_t i, TParamCollection& store, ISysFuncTable* funcs, TRunState& run) {
  const TOpeData& op = *opes_[i];
  const TOpeSlots& slots = ope_slots_[i];
  // Every variable operand is resolved before anything else, a reference followed to the variable it leads to.
  size_t n = op.Operands.size();
  run.Operands.resize(n);
  for (size_t k = 0; k < n; ++k) {
    int32_t slot = slots.Operands[k];
    if (slot < 0) {
      run.Operands[k] = TOperand{op.Operands[k].get(), 0, nullptr};
      continue;
    }
    TParamCollectionItem* found = find(slot, store, run);
    if (found == nullptr) not_found(static_cast<const TParamVar&>(*op.Operands[k]).TargetName());
    if (!plain(*found, store)) run.Show(store);
    int32_t index = 0;
    TParamCollectionItem* item = TParamVar::Follow(store, found, nullptr, index);
    if (item == nullptr) not_found(found->Name());
    run.Operands[k] = TOperand{item->Value(), index, item};
  }
  std::span<const TOperand> operands(run.Operands.data(), n);
  if (op.Code == ocNone || op.Code > ocNEqual || n < operand_count(op.Code)) invalid_ope(op, operands);

  TParamCollectionItem* target = find(slots.Target, store, run);
  if (target == nullptr && slots_[static_cast<size_t>(slots.Target)].TempName) {
    uint8_t type = temp_type(op, operands, funcs);
    target = link_temporary(slots.Target, op.Target, type, op.Code == ocFunc || type == PT_NONE, store, run);
    if (op.Code == ocDimTo) {
      point_element(static_cast<TParamVar&>(*target->Value()), store, op, operands);
      return;
    }
  }
  if (target == nullptr) not_found(op.Target);
  if (!plain(*target, store)) run.Show(store);
  TCustomParam& t = *target->Value();
  const TOperand* a = n > 0 ? &operands[0] : nullptr;
  const TOperand* b = n > 1 ? &operands[1] : nullptr;
  switch (op.Code) {
    case ocTo:
      switch (t.GetType()) {
        case PT_INT: t.SetInt(a->GetInt()); break;
        case PT_FLOAT: t.SetFloat(a->GetFloat()); break;
        case PT_BOOL: t.SetBool(a->GetBool()); break;
        case PT_STR: t.SetStr(a->GetStr()); break;
        default: break;
      }
      break;
    case ocPlus:
    case ocMinus:
    case ocMul:
    case ocDiv:
      if (t.GetType() == PT_FLOAT) {
        t.SetFloat(float_arith(op.Code, a->GetFloat(), b->GetFloat()));
      } else {
        t.SetInt(int_arith(op.Code, a->GetInt(), b->GetInt()));
      }
      break;
    case ocMod:
    case ocOr:
    case ocAnd:
    case ocXor:
    case ocShiftL:
    case ocShiftR: t.SetInt(int_arith(op.Code, a->GetInt(), b->GetInt())); break;
    case ocComboStr: t.SetStr(a->GetStr() + b->GetStr()); break;
    case ocDimTo:
      // An existing reference is pointed at the element anew; other targets are left alone.
      if (target->IsReference()) point_element(static_cast<TParamVar&>(t), store, op, operands);
      break;
    case ocFunc: {
      if (funcs == nullptr) invalid_ope(op, operands);
      run.Show(store);  // a function may look for any variable, the temporaries of this run included
      // A function receives a variable argument as a reference to it, and a constant as it is.
      run.Args.resize(n);
      std::span<TCustomParam* const> args(run.Args.data(), n);
      argument_guard guard(op, operands);
      for (size_t k = 0; k < n; ++k) {
        TCustomParam* arg = op.Operands[k].get();
        if (operands[k].Item != nullptr) {
          auto* ref = static_cast<TParamVar*>(arg);
          ref->SetElementIndex(operands[k].Index);
          ref->SetTarget(store, operands[k].Item);
        }
        run.Args[k] = arg;
      }
      funcs->Call(t, op.FuncNo, args);
      break;
    }
    default: t.SetBool(compare_holds(op.Code, *a, *b)); break;
  }
}

void TVelkParser::take_result(const TCustomParam& value) {
  uint8_t type = value.GetType();
  if (type < PT_INT || type > PT_STR) return;
  if (result_ == nullptr || result_->GetType() != type) result_ = NewParam(type);
  AssignConverting(*result_, value);
  has_result_ = true;
}

void TVelkParser::LoadFromStream(TStream& s) {
  Clear();
  int32_t count = ReadIntExact(s);
  if (count < 0) throw EFormatError(Utf8ToCp932("式のデータが壊れています"));
  CheckCount(s, count, 1 + 4 + 4);  // code, target length, operand count
  std::vector<std::unique_ptr<TOpeData>> opes;
  for (int32_t i = 0; i < count; ++i) {
    auto op = std::make_unique<TOpeData>();
    op->Code = ReadByteExact(s);
    op->Target = ReadStringExact(s);
    int32_t n = ReadIntExact(s);
    if (op->Code == ocFunc) op->FuncNo = ReadByteExact(s);
    if (n < 0) throw EFormatError(Utf8ToCp932("式のデータが壊れています"));
    CheckCount(s, n, 1 + 1);  // the smallest operand: a type byte and a flag byte
    for (int32_t k = 0; k < n; ++k) op->Operands.push_back(ReadOperand(s));
    opes.push_back(std::move(op));
  }
  opes_ = std::move(opes);
  prepare();
}

void TVelkParser::SaveToStream(TStream& s) const {
  WriteInt(s, Count());
  for (const auto& op : opes_) {
    WriteByte(s, op->Code);
    WriteString(s, op->Target);
    WriteInt(s, static_cast<int32_t>(op->Operands.size()));
    if (op->Code == ocFunc) WriteByte(s, op->FuncNo);
    for (const auto& operand : op->Operands) WriteOperand(s, *operand);
  }
}

void TVelkParser::Assign(const TVelkParser& other) {
  if (&other == this) return;
  TMemoryStream m;
  other.SaveToStream(m);
  m.SetPosition(0);
  LoadFromStream(m);
}

void TVelkParser::Execute(TParamCollection& store, ISysFuncTable* funcs) {
  has_result_ = false;
  last_error_.clear();
  // A run started while this parser is running (a function that comes back to the same expression) keeps its
  // temporaries apart from the run that called it.
  std::unique_ptr<TRunState> nested = running_ ? std::make_unique<TRunState>() : nullptr;
  TRunState& run = nested != nullptr ? *nested : *state_;
  run.Size(slots_.size());
  run.InStore = false;
  bool was_running = running_;
  running_ = true;
  int32_t previous = store.BeginRun();
  bool failed = false;
  try {
    for (size_t i = 0; i < opes_.size(); ++i) run_ope(i, store, funcs, run);
  } catch (const EVelkError& e) {
    failed = true;  // evaluation stops quietly
    last_error_ = e.Message();
  } catch (const std::exception& e) {
    failed = true;
    last_error_ = e.what();
  }
  if (!failed && gives_result_) {
    try {
      if (TParamCollectionItem* item = find(ope_slots_.back().Target, store, run)) take_result(*item->Value());
    } catch (const std::exception&) {
      has_result_ = false;
    }
  }
  unlink_temporaries(store, run);
  store.EndRun(previous);
  running_ = was_running;
}

}  // namespace velk
