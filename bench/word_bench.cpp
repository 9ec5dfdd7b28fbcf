// Glyphs laid out and drawn per second: a 40-character Japanese line and a full 1280 x 720 page of 24-pixel text.
// Layout is SetText plus Layout; rendering draws every glyph into the composer's buffers (once per page); drawing
// puts the rendered page onto a 1280 x 720 frame (every frame while the page shows). The baseline fills the frame
// once, the least a drawn frame costs, measured in the same run.
#include <benchmark/benchmark.h>

#include <string>

#include "base/sjis.h"
#include "gfx/dibx.h"
#include "text/font_pixel.h"
#include "text/word_composer.h"

namespace {

using namespace velk;

constexpr int32_t kWidth = 1280, kHeight = 720, kSize = 24;

// count characters of Japanese prose (kana, kanji and punctuation).
std::string Prose(int count) {
  const std::string sample =
      Utf8ToCp932("吾輩は猫である。名前はまだ無い。どこで生れたかとんと見当がつかぬ。何でも薄暗いじめじめした所で"
                  "ニャーニャー泣いていた事だけは記憶している。");
  std::string s;
  for (size_t i = 0; count > 0; --count) {
    const size_t n = CharLength(sample, i);
    s.append(sample, i, n);
    i = (i + n) % sample.size();
  }
  return s;
}

struct Page {
  TFontPixelManager glyphs;
  TWordComposer composer{glyphs};
  TDIBX frame;
  explicit Page(const std::string& text) {
    composer.Settings.FontSize = kSize;
    composer.Settings.MaxWidth = kWidth;
    composer.Settings.PageHeight = kHeight;
    composer.Settings.TextColor = 0xFFFFFF;
    composer.Compose(text);
    frame.SetSize(kWidth, kHeight, 32);
    frame.Fill(0);
    composer.Target = &frame;
  }
  int64_t Glyphs() const { return composer.GlyphCount(); }
};

// A full page: as many characters as fit in 1280 x 720.
const std::string& FullPage() {
  static const std::string text = Prose((kWidth / kSize) * (kHeight / kSize));
  return text;
}

void Layout(benchmark::State& state, const std::string& text) {
  Page p(text);
  for (auto _ : state) {
    p.composer.Compose(text);
    benchmark::DoNotOptimize(p.composer.PageCount());
  }
  state.SetItemsProcessed(state.iterations() * p.Glyphs());
}

void Render(benchmark::State& state, const std::string& text) {
  Page p(text);
  for (auto _ : state) p.composer.Page(0)->Render(false);
  state.SetItemsProcessed(state.iterations() * p.Glyphs());
}

void Draw(benchmark::State& state, const std::string& text) {
  Page p(text);
  p.composer.Page(0)->Render(false);
  for (auto _ : state) p.composer.Page(0)->Draw();
  state.SetItemsProcessed(state.iterations() * p.Glyphs());
}

void BM_Baseline_FillFrame(benchmark::State& state) {
  TDIBX frame;
  frame.SetSize(kWidth, kHeight, 32);
  for (auto _ : state) frame.Fill(0x123456);
}

void BM_LayoutLine(benchmark::State& state) { Layout(state, Prose(40)); }
void BM_LayoutPage(benchmark::State& state) { Layout(state, FullPage()); }
void BM_RenderLine(benchmark::State& state) { Render(state, Prose(40)); }
void BM_RenderPage(benchmark::State& state) { Render(state, FullPage()); }
// The same page with a 2-pixel border and a 2-pixel shadow round every character (a common message style).
void BM_RenderFramedPage(benchmark::State& state) {
  Render(state, "<FONT BORDER=2 SHADOW=2>" + Prose((kWidth / (kSize + 6)) * (kHeight / (kSize + 6))) + "</FONT>");
}
void BM_DrawLine(benchmark::State& state) { Draw(state, Prose(40)); }
void BM_DrawPage(benchmark::State& state) { Draw(state, FullPage()); }

BENCHMARK(BM_Baseline_FillFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LayoutLine)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LayoutPage)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RenderLine)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RenderPage)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RenderFramedPage)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawLine)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawPage)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
