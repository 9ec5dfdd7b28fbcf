// Typing of a laid-out page on a fake clock (the elapsed time of each step is given), and its drawing.
#include "text/word_page.h"

#include <gtest/gtest.h>

#include "base/sjis.h"
#include "text/font_pixel.h"
#include "text/word_composer.h"
#include "base/error.h"
#include "vfs/stream.h"
#include "vfs/stream_io.h"

namespace velk {
namespace {

struct Typing {
  TFontPixelManager cache;
  TWordComposer c{cache};
  std::vector<std::string> notified;
  int completions = 0;

  Typing(const std::string& markup, int32_t fade, int32_t speed) {
    c.Settings.FontSize = 10;
    c.Settings.MaxWidth = 100;
    c.Settings.PageHeight = 100;
    c.Settings.FadeTime = fade;
    c.Settings.SpeedFactor = speed;
    c.OnNotify = [this](const std::string& name) { notified.push_back(name); };
    c.Compose(markup);
    page().Render(true);
    page().ResetTyping();
  }
  TWdPage& page() { return *c.Page(0); }
  // One step; answers the text typed in it.
  std::string Step(int32_t elapsed) {
    bool completed = false;
    std::string typed;
    page().Step(elapsed, completed, typed);
    completions += completed;
    return typed;
  }
};

TEST(WordPage, WaitsAreScaledByTheSpeedFactor) {
  Typing t("<WAIT VALUE=100>abc", 0, 256);
  EXPECT_EQ(t.Step(999), "a");  // the first glyph comes in the first step, whatever the time
  EXPECT_EQ(t.page().TimeBudget, 100);
  EXPECT_EQ(t.Step(60), "");
  EXPECT_EQ(t.Step(40), "b");
  EXPECT_EQ(t.Step(250), "c");  // one glyph per wait, the overdue time carried
  EXPECT_EQ(t.Step(0), "");

  Typing fast("<WAIT VALUE=100>ab</WAIT><WAIT VALUE=-500>c</WAIT>de", 0, 512);
  EXPECT_EQ(fast.Step(0), "a");
  EXPECT_EQ(fast.Step(199), "");
  EXPECT_EQ(fast.Step(1), "b");

  Typing instant("<WAIT VALUE=100>ab</WAIT><WAIT VALUE=-500>c</WAIT>de", 0, 0);
  EXPECT_EQ(instant.Step(0), "abc");  // a negative wait is a fixed delay
  EXPECT_EQ(instant.Step(499), "");
  EXPECT_EQ(instant.Step(1), "de");

  // Waits and speeds at their limits do not overflow the budget.
  Typing huge("<WAIT VALUE=2000000000>ab", 0, 2000000000);
  EXPECT_EQ(huge.Step(0), "a");
  EXPECT_GT(huge.page().TimeBudget, 0);
}

TEST(WordPage, GlyphsFadeInAndCompletionIsReportedOnce) {
  Typing t("ab", 100, 0);
  EXPECT_EQ(t.Step(15), "");  // the start countdown
  EXPECT_EQ(t.Step(15), "ab");
  const TWdGlyph& a = *t.page().Rows[0]->Glyphs[0];
  EXPECT_EQ(a.Visibility(), 0);
  EXPECT_EQ(t.page().Fading().size(), 2u);
  EXPECT_TRUE(t.page().IsTyping());
  t.Step(50);
  EXPECT_EQ(a.Visibility(), 128);
  EXPECT_EQ(t.c.Changed.size(), 2u);
  t.Step(50);
  EXPECT_EQ(a.Visibility(), 255);
  EXPECT_TRUE(t.page().Fading().empty());
  EXPECT_FALSE(t.page().IsTyping());
  EXPECT_EQ(t.completions, 0);
  t.Step(15);
  EXPECT_EQ(t.completions, 1);
  t.Step(15);
  t.Step(15);
  EXPECT_EQ(t.completions, 1);

  Typing instant("ab", 0, 0);
  instant.Step(0);
  EXPECT_EQ(instant.page().Rows[0]->Glyphs[1]->Visibility(), 255);

  Typing paused("ab", 0, 0);
  paused.c.Settings.Paused = true;
  EXPECT_EQ(paused.Step(15), "");
  paused.c.Settings.Paused = false;
  EXPECT_EQ(paused.Step(15), "ab");
}

TEST(WordPage, EventsPauseTypingUntilFadedThenNotifyInOrder) {
  Typing t("a<EVENT VALUE=one><EVENT VALUE=two>b<EVENT VALUE=three END>c", 0, 0);
  t.c.Settings.Notify = true;
  EXPECT_EQ(t.Step(0), "a");
  EXPECT_EQ(t.notified, (std::vector<std::string>{"one", "two"}));
  EXPECT_EQ(t.Step(15), "b");
  EXPECT_EQ(t.notified.size(), 3u);
  EXPECT_EQ(t.notified[2], "three");
  EXPECT_EQ(t.Step(15), "c");

  Typing faded("a<EVENT VALUE=one>b", 100, 0);
  faded.c.Settings.Notify = true;
  faded.Step(15);
  EXPECT_EQ(faded.Step(15), "a");
  EXPECT_EQ(faded.page().PendingNames, "one");
  EXPECT_EQ(faded.Step(50), "");  // still fading: the names wait, and so does typing
  EXPECT_TRUE(faded.notified.empty());
  EXPECT_EQ(faded.Step(50), "");
  EXPECT_EQ(faded.notified, std::vector<std::string>{"one"});
  EXPECT_EQ(faded.Step(500), "b");

  Typing quiet("a<EVENT VALUE=one>b", 0, 0);
  EXPECT_EQ(quiet.Step(0), "ab");
  EXPECT_TRUE(quiet.notified.empty());
}

TEST(WordPage, CaretFollowsTheLastRevealedGlyph) {
  Typing t("<WAIT VALUE=10>ab<BR>c", 0, 256);
  t.Step(0);
  EXPECT_EQ(t.c.Settings.CaretX, 10);
  EXPECT_EQ(t.c.Settings.CaretY, 0);
  t.Step(10);  // b; the line break comes next
  EXPECT_EQ(t.c.Settings.CaretX, 20);
  t.Step(10);  // the line break waits nothing: c follows in the same step
  EXPECT_EQ(t.c.Settings.CaretX, 10);
  EXPECT_EQ(t.c.Settings.CaretY, 10);
  EXPECT_EQ(t.c.CaretHeight, 10);
}

TEST(WordPage, LinksAreHitOnceShownAndHighlightedAsARun) {
  Typing t("x<A HREF=go>ab</A>c", 100, 0);
  t.c.Settings.OriginX = 50;
  t.c.Settings.OriginY = 20;
  t.Step(15);
  t.Step(15);
  EXPECT_EQ(t.page().GlyphAt(50 + 25, 25), nullptr);  // still fading in
  t.Step(100);
  TWdReal* b = t.page().GlyphAt(50 + 25, 25);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->Link, "go");
  EXPECT_EQ(t.page().GlyphAt(49, 25), nullptr);
  EXPECT_EQ(t.page().GlyphAt(50 + 25, 20 + 10), nullptr);

  t.page().HoverAt(50 + 25, 25);
  ASSERT_NE(t.page().Hovered(), nullptr);
  EXPECT_EQ(t.page().Hovered()->X, 10);  // the first glyph of the run
  EXPECT_EQ(t.page().HoveredLinkText(), "ab");
  const auto& row = t.page().Rows[0]->Glyphs;
  EXPECT_TRUE(static_cast<TWdReal*>(row[1])->Hover && static_cast<TWdReal*>(row[2])->Hover);
  EXPECT_FALSE(static_cast<TWdReal*>(row[3])->Hover);
  EXPECT_EQ(t.c.ColorOf(*static_cast<TWdReal*>(row[1])), t.c.Settings.HoverColor);
  t.page().HoverAt(-1, -1);
  EXPECT_EQ(t.page().Hovered(), nullptr);
  EXPECT_FALSE(static_cast<TWdReal*>(row[1])->Hover);
  EXPECT_EQ(t.c.ColorOf(*static_cast<TWdReal*>(row[1])), t.c.Settings.LinkColor);
}

// Drawn glyphs land inside the composer's area, in their colour, and only once visible.
TEST(WordPage, DrawShowsVisibleGlyphsInTheirColourWithinTheArea) {
  Typing t(Utf8ToCp932("<FONT COLOR=#FF0000>■■</FONT><FONT BORDER=1 BCOLOR=#00FF00>■</FONT>"), 0, 0);
  t.c.Settings.OriginX = 5;
  t.c.Settings.OriginY = 7;
  t.c.Settings.PageHeight = 10;
  TDIBX target;
  target.SetSize(60, 30, 32);
  target.Fill(0);
  t.c.Target = &target;
  t.page().Render(true);
  t.page().Draw();
  for (int32_t y = 0; y < 30; ++y) {
    for (int32_t x = 0; x < 60; ++x) ASSERT_EQ(target.GetPixel(x, y), 0u) << "hidden glyphs draw nothing";
  }
  t.Step(0);
  t.page().Draw();
  // Blending divides by 256: full coverage gives 254 of 255.
  const auto reddish = [&](uint32_t p) { return target.ColorToPixel(0x0000FF) == int32_t(p) || p == 0xFE0000u; };
  const auto green = static_cast<uint32_t>(target.ColorToPixel(0x00FF00));
  int reds = 0, greens = 0;
  for (int32_t y = 0; y < 30; ++y) {
    for (int32_t x = 0; x < 60; ++x) {
      const uint32_t p = target.GetPixel(x, y);
      const bool inside = x >= 5 && x < 5 + t.c.Width() && y >= 7 && y < 17;
      if (!inside) {
        EXPECT_EQ(p, 0u) << x << "," << y;
      }
      reds += reddish(p) && x < 25;
      greens += p == green;
    }
  }
  EXPECT_GT(reds, 40);
  EXPECT_GT(greens, 4);
}

// Renders the composed page, shows it whole and draws it onto a black target of the size given.
void DrawWholePage(Typing& t, TDIBX& target, int32_t width, int32_t height) {
  target.SetSize(width, height, 32);
  target.Fill(0);
  t.c.Target = &target;
  t.page().Render(true);
  t.page().ResetTyping();
  t.Step(0);
  t.page().Draw();
}

TEST(WordPage, GlyphsKeepTheirLeftBearingInTheirCells) {
  // A small kana has a wide left bearing: drawn flush left in its cell it would leave a gap after it.
  Typing t(Utf8ToCp932("なった"), 0, 0);
  t.c.Settings.FontSize = 24;
  t.c.Settings.MaxWidth = 200;
  t.c.Settings.TextColor = 0xFFFFFF;
  t.c.Compose(Utf8ToCp932("なった"));
  TDIBX target;
  DrawWholePage(t, target, 120, 40);
  int32_t checked = 0;
  for (int32_t i = 0; i < t.c.GlyphCount(); ++i) {
    const auto* g = dynamic_cast<const TWdChar*>(t.c.Glyph(i));
    if (!g) continue;
    const TFontPixel* fp = t.cache.GetGlyph(g->Code, t.c.FontNameOf(*g), 0, 24, t.c.Settings.AntiAlias);
    if (fp->Empty()) continue;
    const TCharWidths w = t.cache.SelectFont(t.c.FontNameOf(*g), 24, 0).CharWidths(g->Code);
    const int32_t expected = g->X + fp->OriginX + TFontPixelManager::CellOffset(*fp, 24, w);
    int32_t left = -1;
    for (int32_t x = g->X; x < g->X + g->Width && left < 0; ++x)
      for (int32_t y = 0; y < 40 && left < 0; ++y)
        if (target.GetPixel(x, y) != 0) left = x;
    EXPECT_EQ(left, expected) << "glyph " << i;
    ++checked;
  }
  EXPECT_EQ(checked, 3);
}

// The buffers are cleared as the glyphs go in: a page rendered over another (larger, bordered, shadowed, with
// ruby) keeps nothing of it, scrolled or not, and rendering twice gives the same buffers.
TEST(WordPage, RenderingReplacesEverythingInTheBuffers) {
  const std::string before = Utf8ToCp932(
      "<FONT SIZE=30 BORDER=3 SHADOW=4><RUBY VALUE=\"あいう\">漢字</RUBY>を沢山書いた頁</FONT><BR>下の行<BR>更に下");
  const std::string after = Utf8ToCp932("<U>短い</U><BR><BR><FONT SHADOW=2><U>頁</U></FONT>");
  const auto buffers = [](TWordComposer& c) {
    std::vector<uint32_t> v;
    for (TDIBX* d : {&c.ColorBuffer(), &c.MaskBuffer()})
      for (int32_t y = 0; y < d->Height(); ++y)
        for (int32_t x = 0; x < d->Width(); ++x) v.push_back(d->GetPixel(x, y));
    return v;
  };
  for (const int32_t scroll : {0, 9}) {
    Typing fresh(after, 0, 0), reused(before, 0, 0);
    for (Typing* t : {&fresh, &reused}) t->c.Settings.Paging = scroll == 0;
    reused.page().ScrollOffset = scroll;
    reused.page().Render(false);
    reused.c.Compose(after);
    for (Typing* t : {&fresh, &reused}) {
      t->page().ScrollOffset = scroll;
      t->page().Render(false);
    }
    const auto expected = buffers(fresh.c);
    EXPECT_EQ(buffers(reused.c), expected) << scroll;
    size_t drawn = 0;
    for (const uint32_t p : expected) drawn += p != 0;
    EXPECT_GT(drawn, 100u);
    // The shadow of the last glyph's underline fills the bottom line of its cell.
    const TWdGlyph& last = *reused.c.Glyph(reused.c.GlyphCount() - 1);
    const int32_t bottom = last.Y + last.Height - 1 - scroll;
    ASSERT_LT(bottom, reused.c.MaskBuffer().Height());
    EXPECT_EQ(reused.c.MaskBuffer().GetPixel(last.X + 2, bottom), 255u) << scroll;
    reused.page().Render(false);
    EXPECT_EQ(buffers(reused.c), expected) << scroll;
  }
}

// Narrow glyphs are centred by the character's own ABC widths (a negative A or C included, as 'j' and 'f' of a
// proportional face have), in a width of at most the font height also in a wider italic cell.
TEST(WordPage, NarrowGlyphsAreCentredByTheirCharacterWidths) {
  constexpr int32_t kSize = 32;
  const std::string face = Utf8ToCp932("ＭＳ Ｐゴシック");
  const std::string text = "jf<I>jf</I>";
  Typing t(text, 0, 0);
  t.c.Settings.FontSize = kSize;
  t.c.Settings.FontName = face;
  t.c.Settings.MaxWidth = 300;
  t.c.Settings.TextColor = 0xFFFFFF;
  t.c.Compose(text);
  TDIBX target;
  DrawWholePage(t, target, 300, 50);
  int32_t checked = 0, moved = 0;
  for (int32_t i = 0; i < t.c.GlyphCount(); ++i) {
    const auto* g = dynamic_cast<const TWdChar*>(t.c.Glyph(i));
    if (!g) continue;
    const uint8_t style = g->Style->Style;
    const TFontPixel* fp = t.cache.GetGlyph(g->Code, face, style, kSize, t.c.Settings.AntiAlias);
    const TCharWidths w = t.cache.SelectFont(face, kSize, style).CharWidths(g->Code);
    const int32_t expected = g->X + fp->OriginX + TFontPixelManager::CellOffset(*fp, kSize, w);
    const TCharWidths clamped{fp->OriginX, fp->BitmapWidth(), fp->TrailingGap};
    moved += TFontPixelManager::CellOffset(*fp, kSize, w) != TFontPixelManager::CellOffset(*fp, g->Width, clamped);
    int32_t left = -1;
    for (int32_t x = g->X; x < g->X + g->Width && left < 0; ++x)
      for (int32_t y = 0; y < 50 && left < 0; ++y)
        if (target.GetPixel(x, y) != 0) left = x;
    EXPECT_EQ(left, expected) << "glyph " << i;
    ++checked;
  }
  EXPECT_EQ(checked, 4);
  EXPECT_GE(moved, 2);  // the cases where the glyph's own clamped widths or the italic cell would centre otherwise
}

TEST(WordPage, StateRecordRestoresTypingIntoTheSameLayout) {
  Typing t("<WAIT VALUE=10>ab<VAR NAME=v>c<BR>de", 100, 256);
  t.c.Substitutions = {{"v", "XY"}};
  t.c.Compose("<WAIT VALUE=10>ab<VAR NAME=v>c<BR>de");
  t.page().ResetTyping();
  t.Step(0);
  t.Step(0);
  t.Step(30);
  t.page().PendingNames = "x\ty";
  TMemoryStream m;
  t.page().SaveState(m);

  Typing u("x", 0, 0);
  u.c.Settings = t.c.Settings;
  u.c.Substitutions = t.c.Substitutions;
  u.c.Compose("<WAIT VALUE=10>ab<VAR NAME=v>c<BR>de");
  m.SetPosition(0);
  u.page().LoadState(m);
  EXPECT_EQ(m.Remaining(), 0);
  EXPECT_EQ(u.page().CurrentRow, t.page().CurrentRow);
  EXPECT_EQ(u.page().CurrentGlyph, t.page().CurrentGlyph);
  EXPECT_EQ(u.page().PendingNames, "x\ty");
  EXPECT_TRUE(u.page().Fading().empty());
  for (size_t r = 0; r < t.page().Rows.size(); ++r) {
    for (size_t g = 0; g < t.page().Rows[r]->Glyphs.size(); ++g) {
      const TWdGlyph& a = *t.page().Rows[r]->Glyphs[g];
      const int32_t want = a.IsReal() && a.Visibility() > 0 ? 255 : a.Visibility();  // fading glyphs as shown
      EXPECT_EQ(u.page().Rows[r]->Glyphs[g]->Visibility(), want) << r << "," << g;
    }
  }

  // A saved position outside the layout is taken as the nearest one inside it.
  TMemoryStream bad;
  WriteInt(bad, -5);
  WriteInt(bad, 99);
  WriteInt(bad, 99);
  bad.SetPosition(0);
  EXPECT_THROW(u.page().LoadState(bad), EFormatError);  // cut short
  EXPECT_LE(u.page().CurrentRow, u.page().RowCount());
}

}  // namespace
}  // namespace velk
