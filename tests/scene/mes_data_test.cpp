#include "scene/mes_data.h"

#include <gtest/gtest.h>

#include "text/font_pixel.h"
#include "text/word_composer.h"

namespace velk {
namespace {

// The glyph codes of every page, rows joined with "|".
std::string Shown(const TWordComposer& c) {
  std::string text;
  for (int32_t p = 0; p < c.PageCount(); ++p) {
    for (const auto& row : c.Page(p)->Rows) {
      if (!text.empty()) text += '|';
      for (const TWdGlyph* g : row->Glyphs) {
        if (g->IsChar()) text += static_cast<char>(static_cast<const TWdChar*>(g)->Code);
      }
    }
  }
  return text;
}

TEST(HistoryTexts, RecordWhatTheVariablesShowAndGiveItBack) {
  TWordComposer shown(FontPixelManager());
  shown.SetClientSize(0, 1000);
  shown.Substitutions = {{"name", "ab\x01"
                                  "c"},
                         {"h", "H"}};
  shown.SetText("<VAR NAME=name>x<VAR NAME=name><HISTCHAR VALUE=h><BR CLEAR>y<VAR NAME=later>");
  shown.ExpandVars();
  shown.Layout();
  ASSERT_EQ(shown.PageCount(), 2);
  // Each expression once, its line break as 0x01; a HISTCHAR the page did not expand has nothing to record, and a
  // page filter leaves out the variables of other pages.
  EXPECT_EQ(HistoryTexts(shown, 0, shown.GlyphCount()), "name\tab\x01"
                                                         "c\r\nlater\t");
  EXPECT_EQ(HistoryTexts(shown, 0, shown.GlyphCount(), shown.Page(1)), "later\t");

  // Given back, the texts show in place of what the variables would show now; lines without a tab are ignored.
  TWordComposer again(FontPixelManager());
  again.SetClientSize(0, 1000);
  UseHistoryTexts(again, "plain page text\r\n" + HistoryTexts(shown, 0, shown.GlyphCount()));
  again.SetText("<VAR NAME=name>x<VAR NAME=later>");
  again.ExpandVars(true);
  again.Layout();
  EXPECT_EQ(Shown(again), "ab|cx");
  EXPECT_EQ(again.Substitutions.size(), 2u);
  UseHistoryTexts(again, {});
  EXPECT_TRUE(again.Substitutions.empty());
}

}  // namespace
}  // namespace velk
