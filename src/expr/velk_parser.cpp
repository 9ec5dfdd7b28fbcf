#include "expr/velk_parser.h"

#include <cstring>

#include "base/error.h"
#include "base/sjis.h"
#include "expr/param_collection.h"
#include "expr/sys_func_table.h"
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

// "不正な式", the target, the operation's name and each operand as a string.
[[noreturn]] void invalid_ope(const TOpeData& op) {
  std::string text = Utf8ToCp932("不正な式") + "\r\n\r\n" + Utf8ToCp932("代入先:") + op.Target +
                     Utf8ToCp932("演算タイプ:") + OpeCodeName(op.Code);
  for (const auto& operand : op.Operands) text += "\r\n" + operand->GetStr();
  throw EVelkError(text);
}

[[noreturn]] void division_by_zero() { throw EVelkError("Division by zero"); }

// Releases the resolution of the variable operands when an operation ends, however it ends.
class operand_guard {
 public:
  explicit operand_guard(const TOpeData& op) : op_(op) {}
  ~operand_guard() {
    for (const auto& operand : op_.Operands) {
      if (auto* ref = dynamic_cast<TParamVar*>(operand.get())) ref->Release();
    }
  }

 private:
  const TOpeData& op_;
};

// An element reference to the variable of the first operand at the indices of the others.
void point_element(TParamVar& ref, TParamCollection& store, const TOpeData& op) {
  auto* source = dynamic_cast<TParamVar*>(op.Operands[0].get());
  if (source == nullptr || source->TargetItem() == nullptr) invalid_ope(op);
  TParamCollectionItem* item = source->TargetItem();
  TCustomParam& value = *item->Value();
  std::vector<int32_t> indices;
  for (size_t k = 1; k < op.Operands.size(); ++k) indices.push_back(op.Operands[k]->GetInt());
  std::string prefix = source->TargetName() + "[";
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
  ref.SetTargetName(source->TargetName());
  ref.SetTarget(store, item);
  ref.SetElementIndex(static_cast<int32_t>(linear));
}

uint8_t temp_type(const TOpeData& op, ISysFuncTable* funcs) {
  auto type_of = [&op](size_t k) { return k < op.Operands.size() ? op.Operands[k]->GetType() : PT_NONE; };
  bool any_float = type_of(0) == PT_FLOAT || type_of(1) == PT_FLOAT;
  switch (op.Code) {
    case ocTo: return type_of(0);
    case ocPlus: return type_of(0) == PT_STR ? PT_STR : any_float ? PT_FLOAT : PT_INT;
    case ocMinus:
    case ocMul:
    case ocDiv: return any_float ? PT_FLOAT : PT_INT;
    case ocDimTo: return PT_NONE;
    case ocFunc: {
      if (funcs == nullptr) invalid_ope(op);
      if (op.FuncNo == kFuncGetProp && op.Operands.size() >= 2) {
        int32_t prop = op.Operands[1]->GetInt();
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
    default: invalid_ope(op);
  }
}

// -1, 0 or 1 by the type of the left operand.
int compare(const TCustomParam& a, const TCustomParam& b) {
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

bool compare_holds(uint8_t code, const TCustomParam& a, const TCustomParam& b) {
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

void run_ope(const TOpeData& op, TParamCollection& store, ISysFuncTable* funcs) {
  operand_guard guard(op);
  for (const auto& operand : op.Operands) {
    if (auto* ref = dynamic_cast<TParamVar*>(operand.get())) ref->Resolve(store);
  }
  if (op.Code == ocNone || op.Code > ocNEqual || op.Operands.size() < operand_count(op.Code)) invalid_ope(op);

  TParamCollectionItem* target = store.FindVariable(op.Target);
  if (target == nullptr && is_temp_name(op.Target)) {
    uint8_t type = temp_type(op, funcs);
    target = store.AddTemporary(op.Target, type);
    if (op.Code == ocDimTo) {
      point_element(static_cast<TParamVar&>(*target->Value()), store, op);
      return;
    }
  }
  if (target == nullptr) not_found(op.Target);
  TCustomParam& t = *target->Value();
  const TCustomParam* a = op.Operands.empty() ? nullptr : op.Operands[0].get();
  const TCustomParam* b = op.Operands.size() > 1 ? op.Operands[1].get() : nullptr;
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
      if (auto* ref = dynamic_cast<TParamVar*>(&t)) point_element(*ref, store, op);
      break;
    case ocFunc: {
      if (funcs == nullptr) invalid_ope(op);
      std::vector<TCustomParam*> args;
      for (const auto& operand : op.Operands) args.push_back(operand.get());
      funcs->Call(t, op.FuncNo, args);
      break;
    }
    default: t.SetBool(compare_holds(op.Code, *a, *b)); break;
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

namespace {

// A stored expression cut off by the end of its stream is damaged, like every other truncated field: each read
// first checks that its bytes are there.
void need_bytes(TStream& s, int64_t n) {
  if (n > s.Remaining()) throw EFormatError(Utf8ToCp932("式のデータが壊れています"));
}

int32_t read_int_exact(TStream& s) {
  need_bytes(s, 4);
  return ReadInt(s);
}

uint8_t read_byte_exact(TStream& s) {
  need_bytes(s, 1);
  return ReadByte(s);
}

std::string read_string_exact(TStream& s) {
  need_bytes(s, 4);
  return ReadString(s);
}

}  // namespace

std::unique_ptr<TCustomParam> ReadOperand(TStream& s) {
  uint8_t type = read_byte_exact(s);
  std::unique_ptr<TCustomParam> value;
  switch (type) {
    case PT_INT:
      value = NewParam(PT_INT);
      value->SetInt(read_int_exact(s));
      break;
    case PT_FLOAT:
      value = NewParam(PT_FLOAT);
      need_bytes(s, 10);
      value->SetFloat(ReadExtended(s));
      break;
    case PT_BOOL:
      value = NewParam(PT_BOOL);
      value->SetBool(read_byte_exact(s) != 0);
      break;
    case PT_STR:
      value = NewParam(PT_STR);
      value->SetStr(read_string_exact(s));
      break;
    default: value = std::make_unique<TParamVar>(read_string_exact(s)); break;
  }
  return value;
}

void TVelkParser::Clear() {
  opes_.clear();
  result_.reset();
}

void TVelkParser::LoadFromStream(TStream& s) {
  Clear();
  int32_t count = read_int_exact(s);
  if (count < 0) throw EFormatError(Utf8ToCp932("式のデータが壊れています"));
  CheckCount(s, count, 1 + 4 + 4);  // code, target length, operand count
  std::vector<std::unique_ptr<TOpeData>> opes;
  for (int32_t i = 0; i < count; ++i) {
    auto op = std::make_unique<TOpeData>();
    op->Code = read_byte_exact(s);
    op->Target = read_string_exact(s);
    int32_t n = read_int_exact(s);
    if (op->Code == ocFunc) op->FuncNo = read_byte_exact(s);
    if (n < 0) throw EFormatError(Utf8ToCp932("式のデータが壊れています"));
    CheckCount(s, n, 1 + 1);  // the smallest operand: a type byte and a flag byte
    for (int32_t k = 0; k < n; ++k) op->Operands.push_back(ReadOperand(s));
    opes.push_back(std::move(op));
  }
  opes_ = std::move(opes);
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
  result_.reset();
  last_error_.clear();
  int32_t previous = store.BeginRun();
  bool failed = false;
  try {
    for (const auto& op : opes_) run_ope(*op, store, funcs);
  } catch (const EVelkError& e) {
    failed = true;  // evaluation stops quietly
    last_error_ = e.Message();
  } catch (const std::exception& e) {
    failed = true;
    last_error_ = e.what();
  }
  if (!failed && !opes_.empty() && opes_.back()->Code == ocTo && opes_.back()->Target == kResultTemp) {
    if (TParamCollectionItem* item = store.FindVariable(kResultTemp)) {
      try {
        result_ = CloneParam(*item->Value());
      } catch (const std::exception&) {
        result_.reset();
      }
    }
  }
  store.EndRun(previous);
}

}  // namespace velk
