// Calls per second of string system functions on Japanese text (character positions in code page 932), against a
// call of Length, which only measures the string, as the baseline measured in the same run.
#include <benchmark/benchmark.h>

#include <string>

#include "base/sjis.h"
#include "expr/param.h"
#include "expr/param_collection.h"
#include "expr/sys_func_man.h"

namespace {

using namespace velk;

// A line of a scenario: kanji, kana, half-width katakana and ASCII, about 200 bytes.
std::string text() {
  static const std::string t = Utf8ToCp932(
      "吾輩は猫である。名前はまだ無い。どこで生れたかとんと見当がつかぬ。ｶﾞﾊﾟﾎﾟ ABC 123 "
      "何でも薄暗いじめじめした所でニャーニャー泣いていた事だけは記憶している。表示");
  return t;
}

void run(benchmark::State& state, const char* name, std::vector<std::unique_ptr<TCustomParam>> args) {
  TParamCollection vars;
  TSysFuncMan man(vars);
  const int32_t number = FindSysFunc(name);
  const uint8_t result_type = SysFuncInfo(number)->Result;
  std::vector<TCustomParam*> raw;
  for (auto& a : args) raw.push_back(a.get());
  auto target = NewParam(result_type);
  for (auto _ : state) {
    man.Call(*target, static_cast<uint8_t>(number), raw);
    benchmark::DoNotOptimize(target.get());
  }
  state.SetItemsProcessed(state.iterations());
  state.SetLabel(name);
}

std::unique_ptr<TCustomParam> str(const std::string& s) {
  auto p = NewParam(PT_STR);
  p->SetStr(s);
  return p;
}

std::unique_ptr<TCustomParam> num(int32_t n) {
  auto p = NewParam(PT_INT);
  p->SetInt(n);
  return p;
}

template <class... A> std::vector<std::unique_ptr<TCustomParam>> list(A... a) {
  std::vector<std::unique_ptr<TCustomParam>> v;
  (v.push_back(std::move(a)), ...);
  return v;
}

void BM_Baseline_Length(benchmark::State& state) { run(state, "Length", list(str(text()))); }
void BM_JLength(benchmark::State& state) { run(state, "JLength", list(str(text()))); }
void BM_JCopy(benchmark::State& state) { run(state, "JCopy", list(str(text()), num(20), num(15))); }
void BM_JPos(benchmark::State& state) { run(state, "JPos", list(str(Utf8ToCp932("記憶")), str(text()))); }
void BM_HanToZen(benchmark::State& state) { run(state, "HanToZen", list(str(text()))); }
void BM_ZenToHan(benchmark::State& state) { run(state, "ZenToHan", list(str(text()))); }
void BM_StringReplace(benchmark::State& state) {
  run(state, "StringReplace", list(str(text()), str(Utf8ToCp932("ニャー")), str("nya"), num(1)));
}

BENCHMARK(BM_Baseline_Length);
BENCHMARK(BM_JLength);
BENCHMARK(BM_JCopy);
BENCHMARK(BM_JPos);
BENCHMARK(BM_HanToZen);
BENCHMARK(BM_ZenToHan);
BENCHMARK(BM_StringReplace);

}  // namespace

BENCHMARK_MAIN();
