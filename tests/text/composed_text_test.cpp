#include "text/composed_text.h"

#include <gtest/gtest.h>

#include "base/error.h"
#include "script/test_bytes.h"

namespace velk {
namespace {

using test::Bytes;

// A style record of version 100 and above.
Bytes& style(Bytes& b, int32_t uses, int32_t color) {
  return b.i32(uses).i32(color).i32(-1).i32(24).u8(1).u8(0).i32(2).str("Font").str("ruby").i32(3).i32(0x123456);
}

TEST(ComposedText, ReadsHandMadeVersion102) {
  Bytes b;
  b.raw("MvWord102").i32(1);
  style(b, 2, 0xFF);
  b.i32(6);
  b.u8(1).str("").i32(10).u8(0x41).u8(0).i32(0);          // "A"
  b.u8(0x81).str("lnk").i32(0).u8(0x40).u8(0x82).i32(0);  // a double-byte char, high bit set on the code
  b.u8(3).u8(1);
  b.u8(6).str("\x01go");
  b.u8(7).i32(0).i32(5).str("link").str("score");
  b.u8(9).str("").i32(0).str("image\\a.brx").u8(4);
  auto s = b.stream();
  TComposedText t;
  t.LoadFromStream(s);
  EXPECT_EQ(s.Remaining(), 0);
  EXPECT_EQ(t.Version, 102);
  ASSERT_EQ(t.Styles.size(), 1u);
  TDecorate want;
  want.UseCount = 2;
  want.TextColor = 0xFF;
  want.BorderColor = -1;
  want.FontSize = 24;
  want.Style = 1;
  want.BorderWidth = 2;
  want.FontName = "Font";
  want.Ruby = "ruby";
  want.ShadowWidth = 3;
  want.ShadowColor = 0x123456;
  EXPECT_EQ(t.Styles[0], want);
  ASSERT_EQ(t.Glyphs.size(), 6u);
  EXPECT_EQ(t.Glyphs[0].CharCode, 0x41);
  EXPECT_EQ(t.Glyphs[0].Wait, 10);
  EXPECT_EQ(t.Glyphs[1].Code, kWdChar);
  EXPECT_EQ(t.Glyphs[1].CharCode, 0x8240);
  EXPECT_EQ(t.Glyphs[1].Link, "lnk");
  EXPECT_EQ(t.Glyphs[2].Value, 1);
  EXPECT_EQ(t.Glyphs[3].Text, "go");
  EXPECT_TRUE(t.Glyphs[3].EventEnd);
  EXPECT_EQ(t.Glyphs[4].Text, "score");
  EXPECT_EQ(t.Glyphs[4].Link, "link");
  EXPECT_EQ(t.Glyphs[4].Wait, 5);
  EXPECT_EQ(t.Glyphs[5].Text, "image\\a.brx");
  EXPECT_EQ(t.Glyphs[5].Value, 4);
  // The writer gives back the same bytes (the high bit of the code is not kept).
  TMemoryStream out;
  t.SaveToStream(out);
  auto expected = b.data();
  expected[9 + 4 + 46 + 4 + 15] = 1;  // the code byte of the second glyph
  EXPECT_EQ(out.Bytes(), expected);
}

TEST(ComposedText, ReadsTheHeaderlessForm) {
  Bytes b;
  b.i32(1).i32(1).i32(0).i32(-1).i32(0).u8(0).u8(1).u8(5).str("").str("");
  b.i32(2).u8(7).i32(0).int_expr(3).u8(1).str("").i32(0).u8(0x41).u8(0).i32(0);
  auto s = b.stream();
  TComposedText t;
  t.LoadFromStream(s);
  EXPECT_EQ(s.Remaining(), 0);
  EXPECT_EQ(t.Version, 0);
  EXPECT_EQ(t.Styles[0].BorderWidth, 1);  // a non-zero byte reads as 1
  EXPECT_EQ(t.Styles[0].ShadowWidth, 0);
  EXPECT_EQ(t.Styles[0].ShadowColor, 0);
  EXPECT_EQ(t.Styles[0].NoBreak, 1);
  ASSERT_NE(t.Glyphs[0].Expression, nullptr);
  EXPECT_EQ(t.Glyphs[0].Expression->Count(), 1);
  EXPECT_EQ(t.Glyphs[0].Link, "");
  TMemoryStream out;
  t.SaveToStream(out);
  auto expected = b.data();
  expected[4 + 18] = 1;
  EXPECT_EQ(out.Bytes(), expected);
}

TEST(ComposedText, RefusesDamagedStreams) {
  const auto fails = [](const Bytes& b) {
    auto s = b.stream();
    TComposedText t;
    EXPECT_THROW(t.LoadFromStream(s), EFormatError);
  };
  fails(Bytes().raw("MvWord1x2").i32(0).i32(0));                                             // header digits
  fails(Bytes().raw("MvWord102").i32(0).i32(1).u8(8));                                       // unused class code
  fails(Bytes().raw("MvWord102").i32(0).i32(1).u8(1).str("").i32(0).u8(0x41).u8(0).i32(0));  // no such style
  fails(Bytes().raw("MvWord102").i32(0x7FFFFFFF));  // style count past the data
  Bytes full;
  full.raw("MvWord102").i32(1);
  style(full, 1, 0);
  full.i32(2).u8(1).str("").i32(0).u8(0x41).u8(0).i32(0).u8(10).i32(0).i32(0).str("").str("x");
  for (size_t n = 9; n < full.size(); ++n) {
    auto s = full.prefix(n);
    TComposedText t;
    EXPECT_THROW(t.LoadFromStream(s), EFormatError) << n;
  }
}

TEST(ComposedText, SettingsRecordEndsByVersion) {
  TComposerSettings set;
  set.Notify = true;
  set.ShadowColor = 7;
  set.BorderWidth = 2;
  set.ShadowWidth = 3;
  const size_t sizes[] = {0, 0, 0};
  (void)sizes;
  TMemoryStream v109, v110, v111;
  set.SaveToStream(v109, 109);
  set.SaveToStream(v110, 110);
  set.SaveToStream(v111, 111);
  EXPECT_EQ(v110.Bytes().size(), v109.Bytes().size() + 4);
  EXPECT_EQ(v111.Bytes().size(), v109.Bytes().size() + 12);
  EXPECT_EQ(v109.Bytes().back(), 1);  // the notification flag ends it
  v110.SetPosition(0);
  TComposerSettings back;
  back.LoadFromStream(v110, 110);
  EXPECT_EQ(back.ShadowColor, 7);
  EXPECT_EQ(back.BorderWidth, 0);
  EXPECT_EQ(back.FontName, set.FontName);
  EXPECT_EQ(v110.Remaining(), 0);
  // Defaults, written as a hand-made record of version 109.
  Bytes b;
  b.i32(1).i32(2).i32(12).str("F").i32(0).i32(100).i32(200).i32(3).i32(4).u8(1);
  b.i32(0xFF0000).i32(0x8000).i32(1).i32(0x808080).i32(255).u8(0).i32(5).i32(6).i32(256).u8(0);
  auto s = b.stream();
  TComposerSettings hand;
  hand.LoadFromStream(s, 109);
  EXPECT_EQ(s.Remaining(), 0);
  EXPECT_EQ(hand.MaxWidth, 200);
  EXPECT_EQ(hand.CaretY, 6);
  EXPECT_EQ(hand.SpeedFactor, 256);
}

}  // namespace
}  // namespace velk
