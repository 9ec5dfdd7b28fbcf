// Message markup written in a page source: the game builder stores it as the composed-text stream of the text-insert
// command, and the player's composer lays that stream out as it would the markup itself.
#include <gtest/gtest.h>

#include "base/sjis.h"
#include "script/component_commands.h"
#include "script/page.h"
#include "support/temp_dir.h"
#include "support/tools.h"
#include "text/font_pixel.h"
#include "text/word_composer.h"
#include "vfs/archive.h"

namespace velk {
namespace {

std::string RowText(const TWdRow& row) {
  std::string s;
  for (const TWdGlyph* g : row.Glyphs) {
    if (!g->IsChar()) continue;
    const uint16_t code = static_cast<const TWdChar*>(g)->Code;
    if (code > 0xFF) s.push_back(static_cast<char>(code >> 8));
    s.push_back(static_cast<char>(code & 0xFF));
  }
  return s;
}

TEST(MessageBuild, TextInsertCarriesTheComposedMarkup) {
  test::TempDir dir;
  test::WriteFile(dir / "p.vks",
                  "textins window: \"mes\"; text: \"こんにちは<B>世界</B>\\n<BR>次の<FONT COLOR=\\\"#FF0000\\\">行"
                  "</FONT><EVENT VALUE=done END>\"\n");
  test::WriteFile(dir / "game.vkp", "start p.ksb\npage p.vks\n");
  const test::TToolRun run = test::RunTool(
      test::ToolPath("velk-build"), "'" + (dir / "game.vkp") + "' --archive '" + (dir / "game.dat") + "'", dir.Path());
  ASSERT_EQ(run.Status, 0) << run.Output;

  TVrFileCollection archive;
  archive.Open(dir / "game.dat");
  TMemoryStream bytes;
  archive.ReadEntry(bytes, "p.ksb");
  TPage page;
  ASSERT_EQ(page.LoadFromStream(bytes), TPage::TParse::Loaded);
  auto* ins = dynamic_cast<TComTextIns*>(page.Commands.Item(0));
  ASSERT_NE(ins, nullptr);
  TMemoryStream text;
  text.WriteBuffer(ins->Text.data(), static_cast<int32_t>(ins->Text.size()));
  text.SetPosition(0);
  TComposedText composed;
  composed.LoadFromStream(text);
  EXPECT_EQ(composed.Version, TComposedText::kVersion);

  TFontPixelManager glyphs;
  TWordComposer composer(glyphs);
  composer.Settings.PageHeight = 100;
  composer.AddComposedText(composed);
  composer.Layout();
  ASSERT_EQ(composer.PageCount(), 1);
  const TWdPage& p = *composer.Page(0);
  ASSERT_EQ(p.RowCount(), 2);
  EXPECT_EQ(RowText(*p.Rows[0]), Utf8ToCp932("こんにちは世界 "));  // the source's line break is a space
  EXPECT_EQ(RowText(*p.Rows[1]), Utf8ToCp932("次の行"));
  const auto* bold = static_cast<const TWdChar*>(p.Rows[0]->Glyphs[5]);
  EXPECT_EQ(bold->Style->Style, kFontBold);
  const auto* red = static_cast<const TWdChar*>(p.Rows[1]->Glyphs[2]);
  EXPECT_EQ(red->Style->TextColor, 0x0000FF);
  const auto* event = static_cast<const TWdOpeEvent*>(p.Rows[1]->Glyphs.back());
  ASSERT_EQ(event->Kind, TWdKind::Event);
  EXPECT_EQ(event->Value, "done");
  EXPECT_TRUE(event->End);

  // Markup the composer refuses names the source line.
  test::WriteFile(dir / "p.vks", "\ntextins window: \"mes\"; text: \"<A>x</A>\"\n");
  const test::TToolRun bad = test::RunTool(test::ToolPath("velk-build"),
                                           "'" + (dir / "game.vkp") + "' --out '" + (dir / "out") + "'", dir.Path());
  EXPECT_EQ(bad.Status, 1);
  EXPECT_NE(bad.Output.find("p.vks:2: message text: <A>タグにHREF値がありません"), std::string::npos) << bad.Output;
}

}  // namespace
}  // namespace velk
