#include "text/font_pixel.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "base/error.h"
#include "base/sjis.h"

namespace velk {
namespace {

const std::string kGothic = Utf8ToCp932("ＭＳ ゴシック");
const std::string kPGothic = Utf8ToCp932("ＭＳ Ｐゴシック");
constexpr uint16_t kHiraganaA = 0x82A0;  // あ

std::set<int> CoverageValues(const TFontPixel& g) {
  std::set<int> values;
  for (int32_t y = 0; y < g.BitmapHeight(); ++y)
    for (int32_t x = 0; x < g.BitmapWidth(); ++x) values.insert(g.CoverageAt(x, y));
  return values;
}

std::vector<uint8_t> Pixels(const TFontPixel& g) {
  std::vector<uint8_t> v;
  for (int32_t y = 0; y < g.BitmapHeight(); ++y)
    for (int32_t x = 0; x < g.BitmapWidth(); ++x) v.push_back(g.CoverageAt(x, y));
  return v;
}

TEST(FontFace, SystemFaceNamesResolveToTheirStandIns) {
  EXPECT_EQ(FontFamilyFor(kGothic), "IPAGothic");
  EXPECT_EQ(FontFamilyFor(kPGothic), "IPAPGothic");
  EXPECT_EQ(FontFamilyFor(Utf8ToCp932("ＭＳ 明朝")), "IPAMincho");
  EXPECT_EQ(FontFamilyFor(Utf8ToCp932("ＭＳ Ｐ明朝")), "IPAPMincho");
  EXPECT_EQ(FontFamilyFor("ms pgothic"), "IPAPGothic");
  EXPECT_EQ(FontFamilyFor("Some Face"), "Some Face");
  EXPECT_NE(FindFontFile(kGothic), "");
  EXPECT_NE(FindFontFile(kGothic), FindFontFile(kPGothic));
  EXPECT_EQ(FindFontFile("IPAPMincho"), FindFontFile(Utf8ToCp932("ＭＳ Ｐ明朝")));
  EXPECT_EQ(FindFontFile("No Such Face Anywhere"), "");
}

TEST(FontFace, UnknownFaceOpensTheDefaultGothic) {
  auto unknown = TFontFace::Open("No Such Face Anywhere", 16, 0);
  ASSERT_NE(unknown, nullptr);
  EXPECT_EQ(unknown->FileName(), FindFontFile(kGothic));
  EXPECT_GT(unknown->Ascent(), 0);
  EXPECT_LE(unknown->Ascent() + unknown->Descent(), 17);
}

TEST(FontFace, FacesOfOneFileShareOneMappingOfItWhileOpen) {
  const auto mappings = [](const std::string& file) {
    const std::string path = std::filesystem::canonical(file).string();
    std::ifstream maps("/proc/self/maps");
    int count = 0;
    for (std::string line; std::getline(maps, line);)
      count += line.size() > path.size() && line.compare(line.size() - path.size(), path.size(), path) == 0;
    return count;
  };
  auto small = TFontFace::Open(kGothic, 16, 0);
  auto large = TFontFace::Open(kGothic, 32, kFontItalic);
  ASSERT_NE(small, nullptr);
  ASSERT_NE(large, nullptr);
  EXPECT_EQ(mappings(small->FileName()), 1);
  small.reset();
  EXPECT_EQ(mappings(large->FileName()), 1);
  const std::string file = large->FileName();
  large.reset();
  EXPECT_EQ(mappings(file), 0);
}

TEST(FontFace, CellHeightIsExactlyTheHeightAsked) {
  for (const std::string& name : {kGothic, kPGothic, Utf8ToCp932("ＭＳ 明朝")}) {
    for (int32_t h = 8; h <= 48; ++h) {
      auto face = TFontFace::Open(name, h, 0);
      ASSERT_NE(face, nullptr);
      EXPECT_EQ(face->Ascent() + face->Descent(), h) << h;
      EXPECT_GT(face->Descent(), 0) << h;
    }
  }
}

TEST(FontFace, ShiftJisCodesBecomeUnicode) {
  EXPECT_EQ(CharCodeToUnicode('A'), U'A');
  EXPECT_EQ(CharCodeToUnicode(kHiraganaA), U'あ');
  EXPECT_EQ(CharCodeToUnicode(0xB1), U'ｱ');
  EXPECT_EQ(CharCodeToUnicode(0x8140), U'　');
}

TEST(FontPixelManager, GlyphMetricsFollowTheCharacter) {
  TFontPixelManager m;
  const TFontPixel* space = m.GetGlyph(' ', kGothic, 0, 16, 3);
  EXPECT_TRUE(space->Empty());
  EXPECT_GT(space->TrailingGap, 0);
  EXPECT_EQ(space->TrailingGap, m.SelectFont(kGothic, 16, 0).TextWidth(' '));
  EXPECT_EQ(space->Advance(), space->TrailingGap);

  const TFontPixel* a = m.GetGlyph('a', kGothic, 0, 16, 3);
  const TFontPixel* wide = m.GetGlyph(kHiraganaA, kGothic, 0, 16, 3);
  ASSERT_FALSE(a->Empty());
  ASSERT_FALSE(wide->Empty());
  EXPECT_GT(wide->Advance(), a->Advance());
  EXPECT_GT(wide->BitmapWidth(), a->BitmapWidth());
  // The fixed-pitch face gives every full-width character the font height as advance, a half-width one half of it.
  EXPECT_EQ(wide->Advance(), 16);
  EXPECT_EQ(a->Advance(), 8);
  EXPECT_LE(wide->OriginY + wide->BitmapHeight(), 16);
  EXPECT_GE(wide->OriginX, 0);
  EXPECT_EQ(a->UnderlineSize, 0);
  EXPECT_EQ(a->StrikeOutSize, 0);
}

TEST(FontPixelManager, QualityLevelsMapToTheirCoverageTables) {
  TFontPixelManager m;
  const std::set<int> mono = CoverageValues(*m.GetGlyph(kHiraganaA, kGothic, 0, 24, 0));
  EXPECT_EQ(mono, (std::set<int>{0, 255}));

  const std::set<uint8_t> level1 = {0, 79, 127, 207, 255};
  for (int v : CoverageValues(*m.GetGlyph(kHiraganaA, kGothic, 0, 24, 1))) EXPECT_TRUE(level1.count(uint8_t(v))) << v;

  const TFontPixel* smooth = m.GetGlyph(kHiraganaA, kGothic, 0, 24, 3);
  EXPECT_EQ(smooth->Quality, 3);
  EXPECT_GT(CoverageValues(*smooth).size(), 4u);
  for (int v : CoverageValues(*smooth)) EXPECT_TRUE(v == 0 || v >= 18) << v;

  EXPECT_EQ(LevelCoverage(3, 64), 255);
  EXPECT_EQ(LevelCoverage(3, 8), 55);
  EXPECT_EQ(LevelCoverage(2, 8), 159);
  EXPECT_EQ(LevelCoverage(0, 1), 255);
  EXPECT_EQ(m.EffectiveQuality(7), 3);
  EXPECT_EQ(m.EffectiveQuality(-1), 0);
  EXPECT_EQ(m.GetGlyph(kHiraganaA, kGothic, 0, 24, 7), smooth);
}

TEST(FontPixelManager, SameKeyHitsAndEveryKeyPartCounts) {
  TFontPixelManager m;
  TFontPixel* g = m.GetGlyph('x', kGothic, 0, 16, 3);
  EXPECT_EQ(m.GetGlyph('x', kGothic, 0, 16, 3), g);
  EXPECT_NE(m.GetGlyph('x', kGothic, kFontBold, 16, 3), g);
  EXPECT_NE(m.GetGlyph('x', kGothic, 0, 17, 3), g);
  EXPECT_NE(m.GetGlyph('x', kPGothic, 0, 16, 3), g);
  EXPECT_NE(m.GetGlyph('x' + 256, kGothic, 0, 16, 3), g);  // same bucket, other code
  EXPECT_NE(m.GetGlyph('x', kGothic, 0, 16, 0), g);
  EXPECT_EQ(m.GetGlyph('x', kGothic, 0, 16, 3), g);
  EXPECT_EQ(m.Count(), 6u);
}

TEST(FontPixelManager, LeastRecentlyUsedGlyphIsMadeAgainAfterTheLimit) {
  TFontPixelManager m;
  const auto code = [](int i) { return static_cast<uint16_t>(0x8140 + i); };
  m.GetGlyph(code(0), kGothic, 0, 12, 3)->TrailingGap = -1;  // a mark a remade glyph does not carry
  m.GetGlyph(code(1), kGothic, 0, 12, 3)->TrailingGap = -2;
  for (int i = 2; i < 257; ++i) m.GetGlyph(code(i), kGothic, 0, 12, 3);
  EXPECT_EQ(m.Count(), TFontPixelManager::kCapacity);
  // Glyph 1 is still cached; using it makes glyph 2 the oldest.
  EXPECT_EQ(m.GetGlyph(code(1), kGothic, 0, 12, 3)->TrailingGap, -2);
  EXPECT_NE(m.GetGlyph(code(0), kGothic, 0, 12, 3)->TrailingGap, -1);
  EXPECT_EQ(m.Count(), TFontPixelManager::kCapacity);
  EXPECT_EQ(m.GetGlyph(code(1), kGothic, 0, 12, 3)->TrailingGap, -2);
}

TEST(FontPixelManager, UnknownFaceDrawsInTheDefaultGothic) {
  TFontPixelManager m;
  const TFontPixel* unknown = m.GetGlyph(kHiraganaA, "No Such Face Anywhere", 0, 20, 3);
  const TFontPixel* gothic = m.GetGlyph(kHiraganaA, kGothic, 0, 20, 3);
  EXPECT_NE(unknown, gothic);
  EXPECT_EQ(Pixels(*unknown), Pixels(*gothic));
  EXPECT_NE(Pixels(*m.GetGlyph(kHiraganaA, Utf8ToCp932("ＭＳ 明朝"), 0, 20, 3)), Pixels(*gothic));
}

TEST(FontPixelManager, StylesChangeTheGlyphAndCarryBarMetrics) {
  TFontPixelManager m;
  const TFontPixel* plain = m.GetGlyph('H', kGothic, 0, 20, 3);
  const TFontPixel* bold = m.GetGlyph('H', kGothic, kFontBold, 20, 3);
  EXPECT_GT(bold->BitmapWidth(), plain->BitmapWidth());
  const TFontPixel* lined = m.GetGlyph('H', kGothic, kFontUnderline | kFontStrikeOut, 20, 3);
  EXPECT_GT(lined->UnderlineSize, 0);
  EXPECT_GT(lined->StrikeOutSize, 0);
  EXPECT_GT(lined->StrikeOutPos, 0);
  EXPECT_LT(lined->StrikeOutPos, m.Ascent());
  // Script sizes far beyond a screen are drawn at the largest height instead.
  EXPECT_LE(m.GetGlyph('H', kGothic, 0, 1000000, 3)->BitmapHeight(), kMaxFontHeight);
}

// A glyph drawn with border and shadow into a 32-bit colour surface and its mask.
TEST(FontPixelManager, DrawGlyphPaintsShadowBorderAndText) {
  TFontPixelManager m;
  const TFontPixel* g = m.GetGlyph('I', kGothic, 0, 16, 0);
  ASSERT_FALSE(g->Empty());
  TDIBX color, mask;
  color.SetSize(40, 40, 32);
  color.Fill(0);
  mask.SetSize(40, 40, 8);
  mask.Fill(0);
  TGlyphPaint paint;
  paint.Color = static_cast<uint32_t>(color.ColorToPixel(0x0000FF));
  paint.BorderColor = static_cast<uint32_t>(color.ColorToPixel(0x00FF00));
  paint.ShadowColor = static_cast<uint32_t>(color.ColorToPixel(0xFF0000));
  paint.Border = 2;
  paint.Shadow = 3;
  TFontPixelManager::DrawGlyph(&color, &mask, 5, 5, 16, 16, g->OriginX, *g, paint);
  int text = 0, border = 0, shadow = 0;
  for (int32_t y = 0; y < 40; ++y) {
    for (int32_t x = 0; x < 40; ++x) {
      const uint32_t p = color.GetPixel(x, y);
      text += p == paint.Color;
      border += p == paint.BorderColor;
      shadow += p == paint.ShadowColor;
      EXPECT_EQ(mask.GetPixel(x, y), p ? 255u : 0u) << x << "," << y;
    }
  }
  EXPECT_GT(text, 0);
  EXPECT_GT(border, 0);
  EXPECT_GT(shadow, 0);
  // The text pixels are the glyph's own, at the border's offset.
  const int32_t gx = 5 + 2 + g->OriginX, gy = 5 + 2 + g->OriginY;
  for (int32_t y = 0; y < g->BitmapHeight(); ++y)
    for (int32_t x = 0; x < g->BitmapWidth(); ++x)
      EXPECT_EQ(color.GetPixel(gx + x, gy + y) == paint.Color, g->CoverageAt(x, y) == 255) << x << "," << y;
  // The shadow lies below and right of everything else.
  EXPECT_EQ(color.GetPixel(gx + g->BitmapWidth() + 2 + 2, gy + g->BitmapHeight() + 2 + 2), paint.ShadowColor);
}

TEST(FontPixelManager, BlendedTextMasksByCoverageAndBarsSpanTheCell) {
  TFontPixelManager m;
  const TFontPixel* g = m.GetGlyph('o', kGothic, kFontUnderline, 16, 3);
  TDIBX color, mask;
  color.SetSize(16, 16, 32);
  color.Fill(0);
  mask.SetSize(16, 16, 8);
  mask.Fill(0);
  TGlyphPaint paint;
  paint.Color = static_cast<uint32_t>(color.ColorToPixel(0xFFFFFF));
  TFontPixelManager::DrawGlyph(&color, &mask, 0, 0, 16, 16, g->OriginX, *g, paint);
  for (int32_t y = 0; y < g->BitmapHeight(); ++y)
    for (int32_t x = 0; x < g->BitmapWidth(); ++x)
      EXPECT_EQ(mask.GetPixel(g->OriginX + x, g->OriginY + y), g->CoverageAt(x, y));
  for (int32_t x = 0; x < 16; ++x) EXPECT_EQ(mask.GetPixel(x, 15), 255u) << x;
  // A surface that is too small takes what fits.
  TDIBX tiny;
  tiny.SetSize(2, 2, 32);
  TFontPixelManager::DrawGlyph(&tiny, nullptr, -3, -3, 16, 16, 0, *g, paint);
}

// Shadowed text without a border: the colour surface holds the finished pixels, so the mask is 255 wherever
// anything was drawn, also on the anti-aliased edge of the text outside the shadow.
TEST(FontPixelManager, ShadowedTextSetsTheMaskFullOnEveryDrawnPixel) {
  TFontPixelManager m;
  const TFontPixel* g = m.GetGlyph(kHiraganaA, kGothic, 0, 20, 3);
  TDIBX color, mask;
  color.SetSize(30, 30, 32);
  color.Fill(0);
  mask.SetSize(30, 30, 8);
  mask.Fill(0);
  TGlyphPaint paint;
  paint.Color = static_cast<uint32_t>(color.ColorToPixel(0xFFFFFF));
  paint.ShadowColor = static_cast<uint32_t>(color.ColorToPixel(0x0000FF));
  paint.Shadow = 2;
  TFontPixelManager::DrawGlyph(&color, &mask, 0, 0, 20, 20, g->OriginX, *g, paint);
  int drawn = 0;
  for (int32_t y = 0; y < 30; ++y)
    for (int32_t x = 0; x < 30; ++x) {
      EXPECT_EQ(mask.GetPixel(x, y), color.GetPixel(x, y) ? 255u : 0u) << x << "," << y;
      drawn += color.GetPixel(x, y) != 0;
    }
  EXPECT_GT(drawn, 20);
}

// Page buffers (a colour surface with a mask of its size) are painted row by row; any other pair pixel by pixel.
// Both ways give the same pixels, for every paint, pixel format and clipping.
TEST(FontPixelManager, RowPaintingMatchesPixelPainting) {
  TFontPixelManager m;
  const TFontPixel* glyphs[] = {m.GetGlyph(kHiraganaA, kGothic, 0, 20, 3),
                                m.GetGlyph('g', kGothic, kFontUnderline | kFontStrikeOut, 20, 2),
                                m.GetGlyph('W', kGothic, kFontItalic | kFontUnderline, 20, 0)};
  const auto pattern = [](TDIBX& d) {
    for (int32_t y = 0; y < d.Height(); ++y)
      for (int32_t x = 0; x < d.Width(); ++x) d.SetPixel(x, y, static_cast<uint32_t>(x * 0x0B0301 + y * 0x010705));
  };
  int cases = 0;
  for (const int depth : {32, 16, 15}) {
    for (const TFontPixel* g : glyphs) {
      for (int k = 0; k < 16; ++k) {
        TGlyphPaint paint;
        paint.Color = 0x00C08040 & (depth == 32 ? 0xFFFFFF : 0x7FFF);
        paint.BorderColor = 0x1234;
        paint.ShadowColor = 0x4321;
        paint.Border = (k & 1) ? 2 : 0;
        paint.Shadow = (k & 2) ? 3 : 0;
        paint.Blended = !(k & 4);
        paint.JoinBefore = paint.JoinAfter = (k & 8) != 0;
        for (const int32_t at : {-9, 4, 17}) {
          TDIBX color, mask, alone_color, alone_mask;
          for (TDIBX* d : {&color, &alone_color}) {
            d->SetSize(30, 28, depth);
            pattern(*d);
          }
          for (TDIBX* d : {&mask, &alone_mask}) {
            d->SetSize(30, 28, 8);
            pattern(*d);
          }
          TFontPixelManager::DrawGlyph(&color, &mask, at, at - 2, 20, 20, 1, *g, paint);
          TFontPixelManager::DrawGlyph(&alone_color, nullptr, at, at - 2, 20, 20, 1, *g, paint);
          TFontPixelManager::DrawGlyph(nullptr, &alone_mask, at, at - 2, 20, 20, 1, *g, paint);
          for (int32_t y = 0; y < 28; ++y)
            for (int32_t x = 0; x < 30; ++x) {
              ASSERT_EQ(color.GetPixel(x, y), alone_color.GetPixel(x, y)) << depth << " " << k << " " << at;
              ASSERT_EQ(mask.GetPixel(x, y), alone_mask.GetPixel(x, y)) << depth << " " << k << " " << at;
            }
          ++cases;
        }
      }
    }
  }
  EXPECT_EQ(cases, 3 * 3 * 16 * 3);
}

TEST(FontPixelManager, CellOffsetCentresNarrowGlyphs) {
  TFontPixelManager m;
  const TFontPixel* g = m.GetGlyph('i', kGothic, 0, 16, 3);
  const TCharWidths w = m.SelectFont(kGothic, 16, 0).CharWidths('i');
  EXPECT_EQ(w.A + w.B + w.C, g->Advance());
  const int32_t offset = TFontPixelManager::CellOffset(*g, 16, w);
  const int32_t left = g->OriginX + offset, right = 16 - left - g->BitmapWidth();
  EXPECT_LE(std::abs(left - right), 2);
  EXPECT_EQ(TFontPixelManager::CellOffset(*g, 0, w), 0);
  TFontPixel blank;
  EXPECT_EQ(TFontPixelManager::CellOffset(blank, 10, TCharWidths{}), 5);
}

}  // namespace
}  // namespace velk
