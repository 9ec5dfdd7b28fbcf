#include "expr/sys_func_man.h"

#include <array>

#include "base/error.h"
#include "base/sjis.h"
#include "expr/build_parser.h"
#include "expr/param.h"
#include "expr/param_collection.h"
#include "expr/sys_func_groups.h"
#include "expr/velk_parser.h"
#include "vfs/stream.h"

namespace velk {

namespace {

constexpr uint8_t S = PT_STR, I = PT_INT, F = PT_FLOAT, B = PT_BOOL;

// The number of each row is its index: stored expressions keep these numbers.
constexpr std::array<TSysFuncInfo, kSysFuncCount> kFuncs{{
    {"IntToStr", 1, 2, S},         {"IntToHex", 2, 2, S},          {"GetProp", 2, 2, S},
    {"SetProp", 3, 3, S},          {"GetArraySize", 1, 2, I},      {"Length", 1, 1, I},
    {"JLength", 1, 1, I},          {"Copy", 2, 3, S},              {"JCopy", 2, 3, S},
    {"Delete", 2, 3, S},           {"JDelete", 2, 3, S},           {"Insert", 3, 3, S},
    {"JInsert", 3, 3, S},          {"CompareStr", 2, 2, I},        {"CompareText", 2, 2, I},
    {"Pos", 2, 2, I},              {"JPos", 2, 2, I},              {"Trim", 1, 1, S},
    {"JTrim", 1, 1, S},            {"Exists", 1, 1, B},            {"Not", 1, 1, B},
    {"SetArray", 2, -1, I},        {"FillMem", 2, 2, I},           {"CopyMem", 2, 2, I},
    {"GetCheck", 2, 2, B},         {"SetCheck", 3, 3, I},          {"Random", 1, 1, I},
    {"GetSaveCaption", 1, 1, S},   {"ArrayToString", 1, 2, S},     {"StringToArray", 2, 3, I},
    {"IndexOfStr", 2, 4, I},       {"SortStr", 1, 1, I},           {"ListCompo", 1, 3, I},
    {"ToClientX", 2, 2, I},        {"ToClientY", 2, 2, I},         {"ToScreenX", 2, 2, I},
    {"ToScreenY", 2, 2, I},        {"Int", 1, 1, I},               {"Float", 1, 1, F},
    {"Sin", 1, 1, F},              {"Cos", 1, 1, F},               {"Tan", 1, 1, F},
    {"ArcSin", 1, 1, F},           {"ArcCos", 1, 1, F},            {"ArcTan", 1, 1, F},
    {"ArcTan2", 2, 2, F},          {"Hypot", 2, 2, F},             {"IndexOfMenu", 2, 2, I},
    {"Abs", 1, 1, I},              {"Fabs", 1, 1, F},              {"VarExists", 1, 1, B},
    {"EncodeDate", 3, 3, F},       {"EncodeTime", 3, 3, F},        {"DecodeDate", 4, 4, I},
    {"DecodeTime", 4, 4, I},       {"GetYear", 1, 1, I},           {"GetMonth", 1, 1, I},
    {"GetDay", 1, 1, I},           {"GetHour", 1, 1, I},           {"GetMin", 1, 1, I},
    {"GetSec", 1, 1, I},           {"GetWeek", 1, 1, I},           {"GetWeekStr", 1, 1, S},
    {"GetWeekJStr", 1, 1, S},      {"FixStr", 1, 1, S},            {"GetDisplayMode", 5, 5, B},
    {"AddArray", 2, 2, I},         {"InsertArray", 3, 3, I},       {"DeleteArray", 3, 3, I},
    {"InPrimary", 1, 1, B},        {"CopyArray", 2, 2, B},         {"FileExists", 1, 1, B},
    {"LoadTextFile", 2, 2, B},     {"LowerCase", 1, 1, S},         {"UpperCase", 1, 1, S},
    {"ExtractFilePath", 1, 1, S},  {"ExtractFileName", 1, 1, S},   {"ExtractFileExt", 1, 1, S},
    {"IsPathDelimiter", 2, 2, B},  {"AddBackSlash", 1, 1, S},      {"ChangeFileExt", 2, 2, S},
    {"IsDelimiter", 3, 3, B},      {"StringOfChar", 2, 2, S},      {"StringReplace", 3, 5, S},
    {"AssignTemp", 1, 1, B},       {"HanToZen", 1, 1, S},          {"ZenToHan", 1, 1, S},
    {"DBCreateTable", 2, 2, B},    {"DBSetActive", 1, 1, B},       {"DBAddField", 2, 3, B},
    {"DBSetRecNo", 1, 1, B},       {"DBInsert", 0, -1, B},         {"DBDelete", 0, 0, B},
    {"DBGetInt", 1, 1, I},         {"DBSetInt", 2, 2, B},          {"DBGetFloat", 1, 1, F},
    {"DBSetFloat", 2, 2, B},       {"DBGetBool", 1, 1, B},         {"DBSetBool", 2, 2, B},
    {"DBGetStr", 1, 1, S},         {"DBSetStr", 2, 2, B},          {"DBRecordCount", 0, 1, I},
    {"DBFindFirst", 0, 0, B},      {"DBFindLast", 0, 0, B},        {"DBFindNext", 0, 0, B},
    {"DBFindPrior", 0, 0, B},      {"DBLocate", 2, 4, B},          {"DBLoadTsvFile", 1, 1, B},
    {"DBDirectGetInt", 7, 7, I},   {"DBDirectSetInt", 7, 7, B},    {"DBDirectGetFloat", 7, 7, F},
    {"DBDirectSetFloat", 7, 7, B}, {"DBDirectGetBool", 7, 7, B},   {"DBDirectSetBool", 7, 7, B},
    {"DBDirectGetStr", 7, 7, S},   {"DBDirectSetStr", 7, 7, B},    {"DBCopyTable", 1, 5, B},
    {"DBDeleteTable", 0, 1, B},    {"DBInsertTable", 1, 5, B},     {"DBCopy", 1, 1, B},
    {"DBClearTable", 0, 0, B},     {"DBSort", 2, 2, B},            {"DBGetActive", 0, 0, S},
    {"DBGetRecNo", 0, 1, I},       {"DBClearRecord", 0, 1, B},     {"SetWallPaper", 2, 2, B},
    {"Min", 2, 2, I},              {"Max", 2, 2, I},               {"Fmin", 2, 2, F},
    {"Fmax", 2, 2, F},             {"GetVarType", 1, 1, I},        {"GetEnabled", 2, 2, B},
    {"SetEnabled", 3, 3, I},       {"AddDelimiter", 2, 2, S},      {"ListSaveCaption", 0, 2, I},
    {"OpenUrl", 1, 1, B},          {"Calc", 1, 1, S},              {"SaveScreen", 1, 5, B},
    {"StrToIntDef", 2, 2, I},      {"StrToFloatDef", 2, 2, F},     {"GetVisible", 2, 2, B},
    {"SetVisible", 3, 3, B},       {"GetHistoryCount", 1, 1, I},   {"GetHistoryMaxCount", 1, 1, I},
    {"SetHistoryMaxCount", 2, 2, B}, {"GetGroupIndex", 2, 2, I},   {"GetSelected", 2, 2, B},
    {"SetSelected", 3, 3, B},      {"SelectOpenFile", 1, 2, B},    {"SelectSaveFile", 1, 2, B},
    {"SelectDirectory", 1, 1, B},  {"ExtractFile", 1, 3, B},       {"Chr", 1, 1, S},
    {"Ord", 1, 1, I},              {"InCabinet", 1, 1, B},         {"PushVar", 1, -1, B},
    {"PopVar", 0, 0, B},           {"DeleteStack", 1, 1, B},       {"CopyFile", 2, 2, B},
}};

// The functions that only the host can answer.
bool is_host_func(uint8_t n) {
  switch (n) {
    case sf::GetProp: case sf::SetProp: case sf::Exists: case sf::GetCheck: case sf::SetCheck:
    case sf::GetSaveCaption: case sf::ListCompo: case sf::ToClientX: case sf::ToClientY: case sf::ToScreenX:
    case sf::ToScreenY: case sf::IndexOfMenu: case sf::GetDisplayMode: case sf::InPrimary: case sf::SetWallPaper:
    case sf::GetEnabled: case sf::SetEnabled: case sf::ListSaveCaption: case sf::OpenUrl: case sf::SaveScreen:
    case sf::GetVisible: case sf::SetVisible: case sf::GetHistoryCount: case sf::GetHistoryMaxCount:
    case sf::SetHistoryMaxCount: case sf::GetGroupIndex: case sf::GetSelected: case sf::SetSelected:
    case sf::SelectOpenFile: case sf::SelectSaveFile: case sf::SelectDirectory: case sf::ExtractFile:
    case sf::InCabinet: case sf::DeleteStack:
      return true;
    default:
      return false;
  }
}

// Spaces and control characters at both ends removed.
std::string trim_text(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<uint8_t>(s[b]) <= 0x20) ++b;
  while (e > b && static_cast<uint8_t>(s[e - 1]) <= 0x20) --e;
  return s.substr(b, e - b);
}

// Calc: the trimmed text compiled and run for its effect, with temporaries of its own. A text that does not compile
// stops the calling expression.
void run_calc(TSysFuncMan& man, TCustomParam& target, const std::string& text) {
  std::string trimmed = trim_text(text);
  if (trimmed.empty()) return;
  // A text that calls Calc on itself must not nest without end.
  TSysFuncMan::TCalcDepth depth(man);
  TBuildVelkParser build;
  build.Compile(trimmed);
  TMemoryStream m;
  build.WriteTo(m, &man);
  m.SetPosition(0);
  TVelkParser nested;
  nested.LoadFromStream(m);
  nested.Execute(man.Vars(), &man);
  target.SetBool(true);
}

bool call_var_func(const TFuncCall& c) {
  TParamCollection& vars = c.Man.Vars();
  switch (c.Number) {
    case 20: c.Target.SetBool(!c.Arg(0).GetBool()); return true;  // Not
    case 50: c.Target.SetBool(vars.FindVariable(c.Arg(0).GetStr()) != nullptr); return true;  // VarExists
    case 130: c.Target.SetInt(c.Arg(0).GetType()); return true;  // GetVarType
    case 84: {  // AssignTemp
      std::string name = c.Arg(0).GetStr();
      bool found = vars.FindVariable(name) != nullptr;
      if (found) vars.TempName = name;
      c.Target.SetBool(found);
      return true;
    }
    case 155: {  // PushVar
      std::vector<std::string> names;
      for (size_t i = 0; i < c.Count(); ++i) {
        auto* ref = dynamic_cast<TParamVar*>(c.Args[i]);
        if (ref == nullptr) throw EVelkError(c.Name() + Utf8ToCp932(":変数が見つかりません"));
        names.push_back(ref->TargetName());
      }
      vars.PushVar(names);
      c.Target.SetBool(true);
      return true;
    }
    case 156: vars.PopVar(); c.Target.SetBool(true); return true;  // PopVar
    case 136: run_calc(c.Man, c.Target, c.Arg(0).GetStr()); return true;  // Calc
    default: return false;
  }
}

}  // namespace

const TSysFuncInfo* SysFuncInfo(int32_t number) {
  return number >= 0 && number < kSysFuncCount ? &kFuncs[static_cast<size_t>(number)] : nullptr;
}

int32_t FindSysFunc(std::string_view name) {
  for (int32_t i = 0; i < kSysFuncCount; ++i) {
    if (SameText(kFuncs[static_cast<size_t>(i)].Name, name)) return i;
  }
  return -1;
}

std::string TFuncCall::Name() const { return kFuncs[Number].Name; }

TParamCollectionItem& TFuncCall::VarItem(size_t i) const {
  auto* ref = i < Args.size() ? dynamic_cast<TParamVar*>(Args[i]) : nullptr;
  TParamCollectionItem* item = ref != nullptr ? ref->TargetItem() : nullptr;
  if (item == nullptr || item->Value() == nullptr) throw EVelkError(Name() + Utf8ToCp932(":変数が見つかりません"));
  return *item;
}

TCustomParam& TFuncCall::Var(size_t i) const { return *VarItem(i).Value(); }

TCustomParam& TFuncCall::Ref(size_t i) const {
  VarItem(i);
  return *Args[i];
}

TSysFuncMan::TCalcDepth::TCalcDepth(TSysFuncMan& man) : man_(man) {
  if (man_.calc_depth_ >= kMaxCalcDepth) throw EVelkError(Utf8ToCp932("Calc:入れ子が深すぎます"));
  ++man_.calc_depth_;
}

TSysFuncMan::TSysFuncMan(TParamCollection& vars) : vars_(vars), random_(std::random_device{}()) {}

uint8_t TSysFuncMan::PropertyType(int32_t prop) const { return host_ != nullptr ? host_->PropertyType(prop) : PT_STR; }

uint8_t TSysFuncNames::PropertyType(int32_t prop) const { return host_ != nullptr ? host_->PropertyType(prop) : PT_STR; }

void TSysFuncMan::Call(TCustomParam& target, uint8_t number, std::span<TCustomParam* const> args) {
  if (number >= kSysFuncCount) return;
  const TSysFuncInfo& info = kFuncs[number];
  // The compiler checks the counts; a damaged page file must not make a function read past its arguments.
  if (static_cast<int32_t>(args.size()) < info.Min || (info.Max >= 0 && static_cast<int32_t>(args.size()) > info.Max)) {
    throw EVelkError(std::string(info.Name) + Utf8ToCp932(" 引数の数が不正です"));
  }
  if (is_host_func(number)) {
    if (host_ != nullptr) host_->Call(number, target, args);
    return;
  }
  TFuncCall c{*this, target, number, args};
  if (call_var_func(c) || CallStringFunc(c) || CallKanaFunc(c) || CallNumberFunc(c) || CallDateFunc(c) ||
      CallArrayFunc(c) || CallFileFunc(c) || CallDBFunc(c)) {
    return;
  }
}

}  // namespace velk
