#include "expr/system_var.h"

#include "base/error.h"
#include "base/sjis.h"
#include "expr/param_collection.h"
#include "expr/value_convert.h"
#include "expr/var_host.h"

namespace velk {

namespace {

// One scalar value of a system variable, in the variable's own type.
struct sys_value {
  uint8_t type = PT_INT;
  int32_t i = 0;
  long double f = 0;
  bool b = false;
  std::string s;
};

sys_value Int(int32_t n) { return {PT_INT, n, 0, false, {}}; }
sys_value Float(long double x) { return {PT_FLOAT, 0, x, false, {}}; }
sys_value Flag(bool b) { return {PT_BOOL, 0, 0, b, {}}; }
sys_value Str(std::string s) { return {PT_STR, 0, 0, false, std::move(s)}; }

// The conversion table, except that a string read as a flag is true when not empty, and a string written to a flag
// variable takes its integer value <> 0.
sys_value convert(const sys_value& v, uint8_t to, bool writing) {
  switch (to) {
    case PT_INT:
      switch (v.type) {
        case PT_FLOAT: return Int(FloatToInt(v.f));
        case PT_BOOL: return Int(v.b ? 1 : 0);
        case PT_STR: return Int(StrToInt(v.s));
        default: return Int(v.i);
      }
    case PT_FLOAT:
      switch (v.type) {
        case PT_FLOAT: return Float(v.f);
        case PT_BOOL: return Float(v.b ? 1 : 0);
        case PT_STR: return Float(StrToFloat(v.s));
        default: return Float(v.i);
      }
    case PT_BOOL:
      switch (v.type) {
        case PT_FLOAT: return Flag(v.f != 0);
        case PT_BOOL: return Flag(v.b);
        case PT_STR: return Flag(writing ? StrToInt(v.s) != 0 : !v.s.empty());
        default: return Flag(v.i != 0);
      }
    default:
      switch (v.type) {
        case PT_FLOAT: return Str(FloatToStr(v.f));
        case PT_BOOL: return Str(BoolToStr(v.b));
        case PT_STR: return Str(v.s);
        default: return Str(IntToStr(v.i));
      }
  }
}

using getter = sys_value (*)(TParamCollection&);
using setter = void (*)(TParamCollection&, const sys_value&);
using counter = int32_t (*)(TParamCollection&);
using element = sys_value (*)(TParamCollection&, int32_t);
using forwarder = TCustomParam* (*)(TParamCollection&);

struct sys_row {
  const char* name;
  uint8_t type;
  getter get;
  setter set = nullptr;     // null: read-only, writes are ignored
  counter count = nullptr;  // arrays: the element count
  element at = nullptr;     // arrays: one element; their scalar read is the type's default
  forwarder fwd = nullptr;  // forwards every operation
};

TVarHost& H(TParamCollection& c) { return c.Host(); }
std::tm now(TParamCollection& c) { return H(c).LocalTime(); }
constexpr int32_t kKeyCount = 258;

const sys_row kRows[kSystemVarCount] = {
    {"@Result", PT_NONE, nullptr, nullptr, nullptr, nullptr, [](TParamCollection& c) { return H(c).ResultValue(); }},
    {"@LClick", PT_BOOL, [](TParamCollection& c) { return Flag(H(c).LClick()); },
     [](TParamCollection& c, const sys_value& v) { H(c).SetLClick(v.b); }},
    {"@RClick", PT_BOOL, [](TParamCollection& c) { return Flag(H(c).RClick()); },
     [](TParamCollection& c, const sys_value& v) { H(c).SetRClick(v.b); }},
    {"@LPush", PT_BOOL, [](TParamCollection& c) { return Flag(H(c).LPush()); }},
    {"@RPush", PT_BOOL, [](TParamCollection& c) { return Flag(H(c).RPush()); }},
    {"@MouseX", PT_INT, [](TParamCollection& c) { return Int(H(c).MouseX()); },
     [](TParamCollection& c, const sys_value& v) { H(c).SetMouseX(v.i); }},
    {"@MouseY", PT_INT, [](TParamCollection& c) { return Int(H(c).MouseY()); },
     [](TParamCollection& c, const sys_value& v) { H(c).SetMouseY(v.i); }},
    {"@TextDelay", PT_INT, [](TParamCollection& c) { return Int(c.TextDelay); },
     [](TParamCollection& c, const sys_value& v) { c.TextDelay = v.i; }},
    {"@HistoryCount", PT_INT, [](TParamCollection& c) { return Int(H(c).HistoryCount()); }},
    {"@ParamCount", PT_INT, [](TParamCollection& c) { return Int(H(c).ParamCount()); }},
    {"@ParamStr", PT_STR, [](TParamCollection&) { return Str({}); }, nullptr,
     [](TParamCollection& c) { return H(c).ParamCount(); },
     [](TParamCollection& c, int32_t i) { return Str(H(c).ParamStr(i)); }},
    {"@Sender", PT_STR, [](TParamCollection& c) { return Str(H(c).Sender()); }},
    {"@ScrWidth", PT_INT, [](TParamCollection& c) { return Int(H(c).ScrWidth()); }},
    {"@ScrHeight", PT_INT, [](TParamCollection& c) { return Int(H(c).ScrHeight()); }},
    {"@TickCount", PT_INT, [](TParamCollection& c) { return Int(H(c).TickCount()); }},
    {"@PCTickCount", PT_INT, [](TParamCollection& c) { return Int(H(c).PCTickCount()); }},
    {"@UpdateCount", PT_INT, [](TParamCollection& c) { return Int(H(c).UpdateCount()); }},
    {"@Year", PT_INT, [](TParamCollection& c) { return Int(now(c).tm_year + 1900); }},
    {"@Month", PT_INT, [](TParamCollection& c) { return Int(now(c).tm_mon + 1); }},
    {"@Day", PT_INT, [](TParamCollection& c) { return Int(now(c).tm_mday); }},
    {"@Week", PT_INT, [](TParamCollection& c) { return Int(now(c).tm_wday + 1); }},  // 1 = Sunday
    {"@Hour", PT_INT, [](TParamCollection& c) { return Int(now(c).tm_hour); }},
    {"@Min", PT_INT, [](TParamCollection& c) { return Int(now(c).tm_min); }},
    {"@Sec", PT_INT, [](TParamCollection& c) { return Int(now(c).tm_sec); }},
    {"@Fonts", PT_STR, [](TParamCollection& c) { return Str(H(c).Fonts()); }},
    {"@FixedFonts", PT_STR, [](TParamCollection& c) { return Str(H(c).FixedFonts()); }},
    {"@FullScr", PT_BOOL, [](TParamCollection& c) { return Flag(H(c).FullScr()); },
     [](TParamCollection& c, const sys_value& v) { H(c).SetFullScr(v.b); }},
    {"@Cursor", PT_STR, [](TParamCollection& c) { return Str(c.Cursor); },
     [](TParamCollection& c, const sys_value& v) { c.Cursor = v.s; }},
    {"@SelStr", PT_STR, [](TParamCollection& c) { return Str(c.SelStr); },
     [](TParamCollection& c, const sys_value& v) { c.SelStr = v.s; }},
    {"@SelIndex", PT_INT, [](TParamCollection& c) { return Int(c.SelIndex); },
     [](TParamCollection& c, const sys_value& v) { c.SelIndex = v.i; }},
    {"@Pi", PT_FLOAT, [](TParamCollection&) { return Float(3.141592653589793238462643383279502884L); }},
    {"@CGDither", PT_BOOL, [](TParamCollection& c) { return Flag(H(c).CGDither()); },
     [](TParamCollection& c, const sys_value& v) { H(c).SetCGDither(v.b); }},
    {"@1Hour", PT_FLOAT, [](TParamCollection&) { return Float(1.0L / 24); }},
    {"@1Min", PT_FLOAT, [](TParamCollection&) { return Float(1.0L / 1440); }},
    {"@1Sec", PT_FLOAT, [](TParamCollection&) { return Float(1.0L / 86400); }},
    {"@KeyPush", PT_BOOL, [](TParamCollection&) { return Flag(false); }, nullptr,
     [](TParamCollection&) { return kKeyCount; }, [](TParamCollection& c, int32_t i) { return Flag(H(c).KeyPush(i)); }},
    {"@KeyClick", PT_BOOL, [](TParamCollection&) { return Flag(false); }, nullptr,
     [](TParamCollection&) { return kKeyCount; },
     [](TParamCollection& c, int32_t i) { return Flag(H(c).KeyClick(i)); }},
    {"@DisplayModeCount", PT_INT, [](TParamCollection& c) { return Int(H(c).DisplayModeCount()); }},
    {"@DisplayModeIndex", PT_INT, [](TParamCollection& c) { return Int(H(c).DisplayModeIndex()); },
     [](TParamCollection& c, const sys_value& v) { H(c).SetDisplayModeIndex(v.i); }},
    {"@Title", PT_STR, [](TParamCollection& c) { return Str(H(c).Title()); }},
    {"@SoundON", PT_BOOL, [](TParamCollection& c) { return Flag(H(c).SoundON()); },
     [](TParamCollection& c, const sys_value& v) { H(c).SetSoundON(v.b); }},
    {"@ActiveCompo", PT_STR, [](TParamCollection& c) { return Str(H(c).ActiveCompo()); },
     [](TParamCollection& c, const sys_value& v) { H(c).SetActiveCompo(v.s); }},
    {"@KeyRepeat", PT_BOOL, [](TParamCollection&) { return Flag(false); }, nullptr,
     [](TParamCollection&) { return kKeyCount; },
     [](TParamCollection& c, int32_t i) { return Flag(H(c).KeyRepeat(i)); }},
    {"@HistoryMaxCount", PT_INT, [](TParamCollection& c) { return Int(H(c).HistoryMaxCount()); },
     [](TParamCollection& c, const sys_value& v) { H(c).SetHistoryMaxCount(v.i); }},
    {"@Temp", PT_NONE, nullptr, nullptr, nullptr, nullptr,
     [](TParamCollection& c) -> TCustomParam* {
       TParamCollectionItem* item = c.TempName.empty() ? nullptr : c.FindVariable(c.TempName);
       return item != nullptr ? item->Value() : nullptr;
     }},
    {"@MidiPort", PT_STR, [](TParamCollection& c) { return Str(H(c).MidiPort()); },
     [](TParamCollection& c, const sys_value& v) { H(c).SetMidiPort(v.s); }},
    {"@MidiPorts", PT_STR, [](TParamCollection&) { return Str({}); }, nullptr,
     [](TParamCollection& c) { return H(c).MidiPortCount(); },
     [](TParamCollection& c, int32_t i) { return Str(H(c).MidiPortName(i)); }},
    {"@WheelDown", PT_BOOL, [](TParamCollection& c) { return Flag(H(c).WheelDown()); }},
    {"@WheelUp", PT_BOOL, [](TParamCollection& c) { return Flag(H(c).WheelUp()); }},
    {"@IsDebug", PT_BOOL, [](TParamCollection&) { return Flag(false); }},
    {"@StackCount", PT_INT, [](TParamCollection& c) { return Int(H(c).StackCount()); }},
};

[[noreturn]] void internal_error() { throw EVelkError(Utf8ToCp932("内部エラー")); }

}  // namespace

const char* SystemVarName(int32_t n) { return n >= 0 && n < kSystemVarCount ? kRows[n].name : ""; }

TCustomParam* TParamSystem::forward() const {
  const sys_row& row = kRows[number_];
  if (row.fwd == nullptr) return nullptr;
  TCustomParam* v = row.fwd(store_);
  // "@Temp" naming itself, or a reference that leads back to it, would forward without end.
  if (v == this) return nullptr;
  if (auto* ref = dynamic_cast<TParamVar*>(v)) {
    if (ref->TargetItem() != nullptr && ref->TargetItem()->Value() == this) return nullptr;
  }
  return v;
}

namespace {

sys_value read_scalar(TParamCollection& c, const sys_row& row) { return row.get(c); }

sys_value read_element(TParamCollection& c, const sys_row& row, int32_t i) {
  if (row.at != nullptr) {
    if (i < 0 || i >= row.count(c)) ThrowBadIndex(i);
    return row.at(c, i);
  }
  if (i != 0) ThrowBadIndex(i);
  return row.get(c);
}

void write_scalar(TParamCollection& c, const sys_row& row, const sys_value& v) {
  if (row.set != nullptr) row.set(c, convert(v, row.type, true));
}

void write_element(TParamCollection& c, const sys_row& row, int32_t i, const sys_value& v) {
  int32_t count = row.count != nullptr ? row.count(c) : 1;
  if (i < 0 || i >= count) ThrowBadIndex(i);
  if (row.at == nullptr) write_scalar(c, row, v);
}

}  // namespace

int32_t TParamSystem::GetCount() const {
  const sys_row& row = kRows[number_];
  if (row.fwd != nullptr) return forward() != nullptr ? forward()->GetCount() : 1;
  return row.count != nullptr ? row.count(store_) : 1;
}

uint8_t TParamSystem::GetType() const {
  const sys_row& row = kRows[number_];
  if (row.fwd != nullptr) return forward() != nullptr ? forward()->GetType() : PT_NONE;
  return row.type;
}

int32_t TParamSystem::GetDimCount() const {
  if (kRows[number_].fwd != nullptr) return forward() != nullptr ? forward()->GetDimCount() : 1;
  return 1;
}

int32_t TParamSystem::GetDim(int32_t k) const {
  if (kRows[number_].fwd != nullptr) return forward() != nullptr ? forward()->GetDim(k) : 1;
  return k == 0 ? GetCount() : 1;
}

// The value operations: forwarded for "@Result" and "@Temp" (reads of a missing value give 0 / empty, writes are
// ignored), otherwise converted from or to the variable's own type.
#define VELK_SYS_GET(Name, Ret, to, field, def)                                                                        \
  Ret TParamSystem::Get##Name() const {                                                                                \
    const sys_row& row = kRows[number_];                                                                               \
    if (row.fwd != nullptr) return forward() != nullptr ? forward()->Get##Name() : def;                                \
    return convert(read_scalar(store_, row), to, false).field;                                                         \
  }                                                                                                                    \
  Ret TParamSystem::Get##Name##At(int32_t i) const {                                                                   \
    const sys_row& row = kRows[number_];                                                                               \
    if (row.fwd != nullptr) return forward() != nullptr ? forward()->Get##Name##At(i) : def;                           \
    return convert(read_element(store_, row, i), to, false).field;                                                     \
  }
VELK_SYS_GET(Int, int32_t, PT_INT, i, 0)
VELK_SYS_GET(Float, long double, PT_FLOAT, f, 0)
VELK_SYS_GET(Bool, bool, PT_BOOL, b, false)
VELK_SYS_GET(Str, std::string, PT_STR, s, std::string())
#undef VELK_SYS_GET

#define VELK_SYS_SET(Name, Arg, make)                                                                                  \
  void TParamSystem::Set##Name(Arg v) {                                                                                \
    const sys_row& row = kRows[number_];                                                                               \
    if (row.fwd != nullptr) {                                                                                          \
      if (TCustomParam* f = forward()) f->Set##Name(v);                                                                \
      return;                                                                                                          \
    }                                                                                                                  \
    write_scalar(store_, row, make(v));                                                                                \
  }                                                                                                                    \
  void TParamSystem::Set##Name##At(int32_t i, Arg v) {                                                                 \
    const sys_row& row = kRows[number_];                                                                               \
    if (row.fwd != nullptr) {                                                                                          \
      if (TCustomParam* f = forward()) f->Set##Name##At(i, v);                                                         \
      return;                                                                                                          \
    }                                                                                                                  \
    write_element(store_, row, i, make(v));                                                                            \
  }
VELK_SYS_SET(Int, int32_t, Int)
VELK_SYS_SET(Float, long double, Float)
VELK_SYS_SET(Bool, bool, Flag)
VELK_SYS_SET(Str, const std::string&, Str)
#undef VELK_SYS_SET

// Operations that only the forwarding variables support; the others fail with the internal error.
#define VELK_SYS_FORWARD_ONLY(Decl, call)                                                                              \
  void TParamSystem::Decl {                                                                                            \
    if (kRows[number_].fwd == nullptr) internal_error();                                                               \
    if (TCustomParam* f = forward()) f->call;                                                                          \
  }
VELK_SYS_FORWARD_ONLY(SetCount(int32_t n), SetCount(n))
VELK_SYS_FORWARD_ONLY(CloneFrom(const TCustomParam& other), CloneFrom(other))
VELK_SYS_FORWARD_ONLY(SetDims(const std::vector<int32_t>& sizes), SetDims(sizes))
VELK_SYS_FORWARD_ONLY(FillInt(int32_t n), FillInt(n))
VELK_SYS_FORWARD_ONLY(FillFloat(long double x), FillFloat(x))
VELK_SYS_FORWARD_ONLY(FillBool(bool b), FillBool(b))
VELK_SYS_FORWARD_ONLY(FillStr(const std::string& s), FillStr(s))
VELK_SYS_FORWARD_ONLY(CopyMem(const TCustomParam& other), CopyMem(other))
VELK_SYS_FORWARD_ONLY(LoadFromStream(TStream& s), LoadFromStream(s))
#undef VELK_SYS_FORWARD_ONLY

void TParamSystem::SaveToStream(TStream& s) const {
  if (kRows[number_].fwd == nullptr) internal_error();
  if (TCustomParam* f = forward()) f->SaveToStream(s);
}

int32_t TParamSystem::IndexOf(const std::string& text, bool case_sensitive, bool partial) const {
  if (kRows[number_].fwd != nullptr)
    return forward() != nullptr ? forward()->IndexOf(text, case_sensitive, partial) : -1;
  return TCustomParam::IndexOf(text, case_sensitive, partial);
}

}  // namespace velk
