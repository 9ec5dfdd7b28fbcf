#include "text/label_dib.h"

#include <gtest/gtest.h>

#include "base/error.h"
#include "base/sjis.h"
#include "text/font_pixel.h"
#include "vfs/stream.h"

namespace velk {
namespace {

const std::string kGothic = Utf8ToCp932("ＭＳ ゴシック");

struct LabelDIBList : ::testing::Test {
  TLabelDIBList list;
  TDIBX screen;
  void SetUp() override {
    screen.SetSize(80, 40, 32);
    screen.Fill(0);
    list.Target = &screen;
    list.FontName = kGothic;
    list.FontHeight = 16;
  }
  int Count(uint32_t value) {
    int n = 0;
    for (int32_t y = 0; y < screen.Height(); ++y)
      for (int32_t x = 0; x < screen.Width(); ++x) n += screen.GetPixel(x, y) == value;
    return n;
  }
};

TEST_F(LabelDIBList, DefaultsAndLabelAccess) {
  TLabelDIBList fresh;
  EXPECT_EQ(fresh.Quality, 3);
  EXPECT_EQ(fresh.FontHeight, 12);
  EXPECT_EQ(fresh.FontName, Utf8ToCp932("ＭＳ Ｐゴシック"));
  EXPECT_EQ(fresh.TextColor, 0xFFFFFF);
  EXPECT_EQ(fresh.Alpha, 255);
  TLabelDIB& a = list.AddLabel();
  EXPECT_EQ(list.LabelAt(0), &a);
  EXPECT_EQ(list.LabelAt(1), nullptr);
  EXPECT_EQ(list.LabelAt(-1), nullptr);
  a.SetCaption("x");
  a.RenderLabel();
  EXPECT_FALSE(a.Dirty());
  a.SetCaption("x");
  EXPECT_FALSE(a.Dirty());
  a.SetCaption("y");
  EXPECT_TRUE(a.Dirty());
  a.RenderLabel();
  list.MarkAllDirty();
  EXPECT_TRUE(a.Dirty());
}

TEST_F(LabelDIBList, MeasureGivesHeightsAdvancesAndWidths) {
  TLabelDIB& latin = list.AddLabel();
  TLabelDIB& kana = list.AddLabel();
  TLabelDIB& empty = list.AddLabel();
  latin.SetCaption("AB");
  kana.SetCaption(Utf8ToCp932("あい"));
  list.Measure();
  const int32_t text_height = list.TextHeight();
  EXPECT_GE(text_height, 16);
  EXPECT_LE(text_height, 17);
  EXPECT_EQ(list.Overhang(), 0);
  EXPECT_EQ(latin.Advances(), (std::vector<int32_t>{8, 8}));
  EXPECT_EQ(latin.Width(), 16);
  EXPECT_EQ(kana.Width(), 32);
  EXPECT_EQ(kana.Height(), text_height);
  EXPECT_EQ(empty.Width(), 0);
  EXPECT_EQ(list.MaxWidth(), 32);
  list.BorderWidth = 1;
  list.ShadowWidth = 2;
  list.Measure();
  EXPECT_EQ(latin.Advances(), (std::vector<int32_t>{12, 12}));
  EXPECT_EQ(kana.Height(), text_height + 4);
  EXPECT_EQ(list.MaxWidth(), 40);
}

TEST_F(LabelDIBList, PlainLabelsDrawTheTextColourThroughTheMask) {
  TLabelDIB& label = list.AddLabel();
  label.SetCaption(Utf8ToCp932("あ"));
  list.Quality = 0;
  list.TextColor = 0x0000FF;
  list.Measure();
  label.DrawLabel(2, 3);
  EXPECT_FALSE(label.Dirty());
  // Full coverage blends by 255/256.
  const auto red = static_cast<uint32_t>(screen.ColorToPixel(0x0000FE));
  int expected = 0;
  for (int32_t y = 0; y < label.Height(); ++y)
    for (int32_t x = 0; x < label.Width(); ++x) {
      const bool on = label.MaskSurface().GetPixel(x, y) == 255;
      expected += on;
      EXPECT_EQ(screen.GetPixel(2 + x, 3 + y) == red, on) << x << "," << y;
    }
  EXPECT_GT(expected, 20);
  EXPECT_EQ(Count(red), expected);
  EXPECT_EQ(screen.GetPixel(1, 3), 0u);
}

TEST_F(LabelDIBList, BorderAndShadowLabelsCopyTheirColourSurface) {
  TLabelDIB& label = list.AddLabel();
  label.SetCaption("I_");
  list.Quality = 0;
  list.TextColor = 0xFFFFFF;
  list.BorderWidth = 1;
  list.BorderColor = 0x00FF00;
  list.ShadowWidth = 1;
  list.ShadowColor = 0xFF0000;
  list.Measure();
  label.DrawLabel(0, 0);
  EXPECT_GT(Count(static_cast<uint32_t>(screen.ColorToPixel(0xFFFFFF))), 5);
  EXPECT_GT(Count(static_cast<uint32_t>(screen.ColorToPixel(0x00FF00))), 5);
  EXPECT_GT(Count(static_cast<uint32_t>(screen.ColorToPixel(0xFF0000))), 2);
  // Nothing outside the label.
  for (int32_t y = 0; y < 40; ++y)
    for (int32_t x = label.Width(); x < 80; ++x) ASSERT_EQ(screen.GetPixel(x, y), 0u) << x << "," << y;
  // A new depth of the target renders again.
  TDIBX deep;
  deep.SetSize(40, 40, 16);
  list.Target = &deep;
  label.DrawLabel(0, 0);
  EXPECT_EQ(label.ColorSurface().BitCount(), 16);
}

TEST_F(LabelDIBList, RecordRoundTripsAndOldVersionsReadTheirFields) {
  list.Quality = 1;
  list.BorderWidth = 2;
  list.Alpha = 128;
  list.TextColor = 0x123456;
  list.BorderColor = 0x654321;
  list.Style = kFontItalic;
  list.ShadowWidth = 3;
  list.ShadowColor = 0x0A0B0C;
  list.AddLabel().SetCaption("a");
  list.Measure();
  TMemoryStream s;
  list.SaveToStream(s);
  EXPECT_EQ(s.GetSize(), 4 * 4 + 4 + int32_t(kGothic.size()) + 8 + 1 + 212 + 8);

  TLabelDIBList copy;
  s.SetPosition(0);
  copy.LoadFromStream(s, 140);
  EXPECT_EQ(s.Remaining(), 0);
  EXPECT_EQ(copy.Quality, 1);
  EXPECT_EQ(copy.BorderWidth, 2);
  EXPECT_EQ(copy.Alpha, 128);
  EXPECT_EQ(copy.FontHeight, 16);
  EXPECT_EQ(copy.FontName, kGothic);
  EXPECT_EQ(copy.TextColor, 0x123456);
  EXPECT_EQ(copy.BorderColor, 0x654321);
  EXPECT_EQ(copy.Style, kFontItalic);
  EXPECT_EQ(copy.Metrics, list.Metrics);
  EXPECT_EQ(copy.ShadowWidth, 3);
  EXPECT_EQ(copy.ShadowColor, 0x0A0B0C);

  // Before 109 a stored quality above 1 is 3, others 0; before 122 there is no shadow.
  for (const auto& [stored, read] : {std::pair{2, 3}, std::pair{1, 0}}) {
    list.Quality = stored;
    TMemoryStream old;
    list.SaveToStream(old);
    old.SetSize(old.GetSize() - 8);
    old.SetPosition(0);
    TLabelDIBList early;
    early.LoadFromStream(old, 108);
    EXPECT_EQ(early.Quality, read);
    EXPECT_EQ(early.ShadowWidth, 0);
    EXPECT_EQ(old.Remaining(), 0);
  }
  TMemoryStream cut;
  list.SaveToStream(cut);
  cut.SetSize(100);
  cut.SetPosition(0);
  EXPECT_THROW(copy.LoadFromStream(cut, 140), EStreamError);
}

}  // namespace
}  // namespace velk
