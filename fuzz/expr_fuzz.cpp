// Feeds arbitrary text to the expression compiler and arbitrary bytes to the stored-form loader and the variable
// loader, and runs whatever loads. The first byte chooses the path.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/error.h"
#include "base/sjis.h"
#include "expr/build_parser.h"
#include "expr/param_collection.h"
#include "expr/sys_func_table.h"
#include "expr/velk_parser.h"
#include "vfs/stream.h"

namespace {

using namespace velk;

// A table of a few functions; Calc runs nested evaluations so that nesting is exercised too.
class FuzzFuncs : public ISysFuncTable {
 public:
  explicit FuzzFuncs(TParamCollection& store) : store_(store) {}
  int32_t FindFunc(std::string_view name) const override {
    if (SameText(name, "Min")) return 126;
    if (SameText(name, "Calc")) return 136;
    if (SameText(name, "PushVar")) return 155;
    if (SameText(name, "PopVar")) return 156;
    return -1;
  }
  const TSysFuncInfo* FuncInfo(int32_t number) const override {
    static const TSysFuncInfo kMin{"Min", 2, 2, PT_INT}, kCalc{"Calc", 1, 1, PT_STR}, kPush{"PushVar", 1, -1, PT_BOOL},
        kPop{"PopVar", 0, 0, PT_BOOL};
    switch (number) {
      case 126: return &kMin;
      case 136: return &kCalc;
      case 155: return &kPush;
      case 156: return &kPop;
      default: return nullptr;
    }
  }
  uint8_t PropertyType(int32_t prop) const override { return static_cast<uint8_t>(prop % 5); }
  void Call(TCustomParam& target, uint8_t number, std::span<TCustomParam* const> args) override {
    if (number == 126 && args.size() >= 2) target.SetInt(std::min(args[0]->GetInt(), args[1]->GetInt()));
    if (number == 136 && !args.empty() && depth_ < 8) {
      ++depth_;
      TVelkParser nested;
      CompileAndRun(args[0]->GetStr(), store_, this, nested);
      --depth_;
    }
    if (number == 155) {
      std::vector<std::string> names;
      for (TCustomParam* a : args) {
        if (auto* ref = dynamic_cast<TParamVar*>(a)) names.push_back(ref->TargetName());
      }
      if (store_.StackDepth() < 16) store_.PushVar(names);
    }
    if (number == 156) store_.PopVar();
  }

 private:
  TParamCollection& store_;
  int depth_ = 0;
};

void add_vars(TParamCollection& store) {
  store.NewVariable("a", PT_INT, kScopeGlobal)->Value()->SetInt(3);
  store.NewVariable("f", PT_FLOAT, kScopeGlobal)->Value()->SetFloat(0.5L);
  store.NewVariable("s", PT_STR, kScopeGlobal)->Value()->SetStr("x");
  store.NewVariable("m", PT_INT, kScopeGlobal)->Value()->SetDims({3, 4});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  TParamCollection store;
  add_vars(store);
  FuzzFuncs funcs(store);
  std::vector<uint8_t> bytes(data + 1, data + size);
  try {
    switch (data[0] % 3) {
      case 0: {
        TVelkParser p;
        CompileAndRun(std::string(bytes.begin(), bytes.end()), store, &funcs, p);
        break;
      }
      case 1: {
        TMemoryStream m(bytes);
        TVelkParser p;
        p.LoadFromStream(m);
        p.Execute(store, &funcs);
        TMemoryStream out;
        p.SaveToStream(out);
        break;
      }
      default: {
        TMemoryStream m(bytes);
        store.LoadGameVars(m, 140);
        TMemoryStream out;
        store.SaveGameVars(out);
        store.PopVar();
        break;
      }
    }
  } catch (const EVelkError&) {
    // Refused input is the expected outcome for most of it.
  }
  return 0;
}
