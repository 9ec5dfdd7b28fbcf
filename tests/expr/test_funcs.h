#pragma once
// A small system-function table for the evaluator's tests: real numbers and bounds of a few functions, with simple
// bodies, and a record of every call.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/error.h"
#include "base/sjis.h"
#include "expr/build_parser.h"
#include "expr/param.h"
#include "expr/param_collection.h"
#include "expr/sys_func_table.h"
#include "expr/velk_parser.h"
#include "vfs/stream.h"

namespace velk::test {

class TestFuncs : public ISysFuncTable {
 public:
  explicit TestFuncs(TParamCollection& store) : store_(store) {}

  int32_t FindFunc(std::string_view name) const override {
    for (const auto& [number, info] : rows_) {
      if (SameText(info.Name, name)) return number;
    }
    return -1;
  }
  const TSysFuncInfo* FuncInfo(int32_t number) const override {
    auto it = rows_.find(number);
    return it != rows_.end() ? &it->second : nullptr;
  }
  uint8_t PropertyType(int32_t prop) const override { return prop == 5 ? PT_INT : PT_STR; }

  struct CallRecord {
    uint8_t number;
    uint8_t target_type;
    std::vector<std::string> args;  // "name=value" for references, the value for constants
  };
  std::vector<CallRecord> calls;

  void Call(TCustomParam& target, uint8_t number, std::span<TCustomParam* const> args) override {
    CallRecord rec{number, target.GetType(), {}};
    for (TCustomParam* a : args) {
      auto* ref = dynamic_cast<TParamVar*>(a);
      rec.args.push_back(ref != nullptr ? ref->TargetName() + "=" + a->GetStr() : a->GetStr());
    }
    calls.push_back(rec);
    switch (number) {
      case 0: target.SetStr(std::to_string(args[0]->GetInt())); break;
      case 2: target.SetStr("prop" + std::to_string(args[1]->GetInt())); break;
      case 5: target.SetInt(static_cast<int32_t>(args[0]->GetStr().size())); break;
      case 126: target.SetInt(std::min(args[0]->GetInt(), args[1]->GetInt())); break;
      case 127: target.SetInt(std::max(args[0]->GetInt(), args[1]->GetInt())); break;
      case 136: {
        TVelkParser nested;
        if (CompileAndRun(args[0]->GetStr(), store_, this, nested) && nested.Result() != nullptr) {
          target.SetStr(nested.Result()->GetStr());
        }
        break;
      }
      case 155: {
        std::vector<std::string> names;
        for (TCustomParam* a : args) {
          auto* ref = dynamic_cast<TParamVar*>(a);
          if (ref == nullptr) throw EVelkError("PushVar" + Utf8ToCp932(":変数が見つかりません"));
          names.push_back(ref->TargetName());
        }
        store_.PushVar(names);
        target.SetBool(true);
        break;
      }
      case 156:
        store_.PopVar();
        target.SetBool(true);
        break;
      case 200: throw EVelkError("fails");
      default: break;
    }
  }

 private:
  TParamCollection& store_;
  std::map<int32_t, TSysFuncInfo> rows_{
      {0, {"IntToStr", 1, 2, PT_STR}},    {2, {"GetProp", 2, 2, PT_STR}},     {5, {"Length", 1, 1, PT_INT}},
      {91, {"DBInsert", 0, -1, PT_BOOL}}, {126, {"Min", 2, 2, PT_INT}},       {127, {"Max", 2, 2, PT_INT}},
      {136, {"Calc", 1, 1, PT_STR}},      {155, {"PushVar", 1, -1, PT_BOOL}}, {156, {"PopVar", 0, 0, PT_BOOL}},
      {200, {"Fail", 0, 0, PT_INT}},
  };
};

// Compiles, writes and loads a text into a run-form parser.
inline void Load(const std::string& text, const ISysFuncTable* funcs, TVelkParser& parser) {
  TBuildVelkParser build;
  build.Compile(text);
  TMemoryStream m;
  build.WriteTo(m, funcs);
  m.SetPosition(0);
  parser.LoadFromStream(m);
}

// Runs a text and returns the result as "type:text" ("int:7", "str:x1", "float:3.5", "flag:TRUE"), or "none".
inline std::string Eval(TParamCollection& store, const std::string& text, ISysFuncTable* funcs = nullptr) {
  TVelkParser parser;
  Load(text, funcs, parser);
  parser.Execute(store, funcs);
  const TCustomParam* r = parser.Result();
  if (r == nullptr) return "none";
  static const char* const kNames[] = {"ref", "int", "float", "flag", "str"};
  return std::string(kNames[r->GetType()]) + ":" + r->GetStr();
}

}  // namespace velk::test
