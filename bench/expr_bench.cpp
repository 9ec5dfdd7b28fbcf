// Evaluations per second of compiled expressions: a typical condition and a string concatenation, against the
// smallest run (a constant) measured in the same run as the baseline.
#include <benchmark/benchmark.h>

#include <string>

#include "expr/build_parser.h"
#include "expr/param_collection.h"
#include "expr/velk_parser.h"
#include "vfs/stream.h"

namespace {

using namespace velk;

void load(const std::string& text, TVelkParser& parser) {
  TBuildVelkParser build;
  build.Compile(text);
  TMemoryStream m;
  build.WriteTo(m, nullptr);
  m.SetPosition(0);
  parser.LoadFromStream(m);
}

void add_vars(TParamCollection& store) {
  store.NewVariable("a", PT_INT, kScopeGlobal)->Value()->SetInt(3);
  store.NewVariable("b", PT_INT, kScopeGlobal)->Value()->SetInt(4);
  store.NewVariable("c", PT_INT, kScopeGlobal)->Value()->SetInt(10);
  store.NewVariable("f", PT_BOOL, kScopeGlobal)->Value()->SetBool(true);
  store.NewVariable("s", PT_STR, kScopeGlobal)->Value()->SetStr("name");
  store.NewVariable("t", PT_STR, kScopeGlobal)->Value()->SetStr("value");
  // A store of a typical size: a few hundred game variables beside the system ones.
  for (int i = 0; i < 300; ++i) store.NewVariable("v" + std::to_string(i), PT_INT, kScopeGlobal);
}

void run(benchmark::State& state, const std::string& text) {
  TParamCollection store;
  add_vars(store);
  TVelkParser parser;
  load(text, parser);
  for (auto _ : state) {
    parser.Execute(store, nullptr);
    benchmark::DoNotOptimize(parser.Result());
  }
  if (parser.Result() == nullptr) state.SkipWithError("the expression gave no result");
  state.SetItemsProcessed(state.iterations());
  state.SetLabel(text);
}

void BM_Baseline_Constant(benchmark::State& state) { run(state, "1"); }
void BM_Condition(benchmark::State& state) { run(state, "(a + b * 2 > c) & f"); }
void BM_Concatenation(benchmark::State& state) { run(state, "s ++ \" = \" ++ t ++ a"); }

void BM_CompileAndRun(benchmark::State& state) {
  TParamCollection store;
  add_vars(store);
  for (auto _ : state) {
    TVelkParser parser;
    CompileAndRun("(a + b * 2 > c) & f", store, nullptr, parser);
    benchmark::DoNotOptimize(parser.Result());
  }
  state.SetItemsProcessed(state.iterations());
}

// Compiling long generated text: the time per term should stay flat as the text grows.
void BM_CompileSum(benchmark::State& state) {
  std::string text = "a";
  for (int64_t i = 1; i < state.range(0); ++i) text += " + a";
  for (auto _ : state) {
    TBuildVelkParser build;
    build.Compile(text);
    benchmark::DoNotOptimize(build.Opes().data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(BM_Baseline_Constant);
BENCHMARK(BM_Condition);
BENCHMARK(BM_Concatenation);
BENCHMARK(BM_CompileAndRun);
BENCHMARK(BM_CompileSum)->Arg(8000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
