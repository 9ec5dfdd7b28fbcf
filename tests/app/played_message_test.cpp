// A game made with the builder types a two-page Japanese message in a message window, waits for a scripted click,
// shows the second page, then gives the window new text and shows the first message again, and at last shows the
// history in a second window (a range beyond its end shows only what exists, one starting at its end nothing): the
// text hook prints every page shown, the history and the read marks hold both pages, and the screenshot shows typed
// glyphs.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "gfx/png_image.h"
#include "support/temp_dir.h"
#include "support/tools.h"

namespace velk {
namespace {

const char kProject[] =
    "version 115\nscreen 160 120\nstart main.ksb\nsave off\n"
    "var int clicks 0\nvar int ends 0\nvar int starts 0\nvar int hist 0\nvar int round 0\nvar int args 0\nvar int shown 0\n"
    "var int cleared 9\nvar int laid 0\nvar int kept 0\n"
    "page main.vks\npage events.vks\n";

// Two rows of 16-pixel glyphs fill the 40-pixel window: the third row starts the second page.
const char kMain[] =
    "@version 115\n"
    "boxnew name: \"back\"; left: 0; top: 0; width: 160; height: 120; color: 0x402000\n"
    "mesnew name: \"mes\"; left: 8; top: 8; width: 144; height: 40; fontheight: 16; fontcolor: 0xFFFFFF; "
    "priority: 1; onlbtnup: \"events.ksb:clicked\"; onplaystart: \"events.ksb:started\"; "
    "onplayend: \"events.ksb:ended\"\n"
    "mesnew name: \"hist\"; left: 8; top: 64; width: 144; height: 40; fontheight: 16; fontcolor: 0xFFFFFF; "
    "priority: 1\n"
    "entryhist object: \"hist\"; format: \"laid\"\n"
    "label again\n"
    "textins window: \"mes\"; read: TRUE; text: \"一行目です。<BR>二行目です。<BR>三行目は次へ。\"\n"
    "jump page: main.ksb; target: @done; condition: round == 1\n"
    "label w1\n"
    "wait time: 30\n"
    "jump page: main.ksb; target: @w1; condition: clicks == 0\n"
    "setprop object: \"mes\"; property: 44; value: 1\n"
    "label w2\n"
    "wait time: 30\n"
    "jump page: main.ksb; target: @w2; condition: ends < 2\n"
    "textins window: \"mes\"; read: TRUE; text: \"終わり\"\n"
    "calc hist = @HistoryCount\n"
    "calc round = 1\n"
    "jump page: main.ksb; target: @again\n"
    "label done\n"
    "callhist window: \"hist\"; first: 0; count: 9\n"
    "calc shown = GetProp(\"hist\", 45)\n"
    "calc laid = GetHistoryCount(\"laid\")\n"
    "callhist window: \"hist\"; first: 3; count: 9\n"
    "calc kept = GetProp(\"hist\", 45)\n"
    "clrhist\n"
    "calc cleared = @HistoryCount\n"
    "label idle\n"
    "wait time: 1000\n"
    "jump page: main.ksb; target: @idle\n";

const char kEvents[] =
    "@version 115\n"
    "label clicked\ncalc clicks = clicks + 1\nexit\n"
    "label ended\ncalc ends = ends + 1\nexit\n"
    "label started\ncalc starts = starts + 1\ncalc args = args * 10 + @ParamStr[0]\nexit\n";

TEST(PlayedMessage, TwoPagesTypeWaitForAClickAndReachTheHistoryAndTheReadMarks) {
  test::TempDir dir;
  setenv("XDG_RUNTIME_DIR", dir.Path().c_str(), 1);
  test::WriteFile(dir / "game.vkp", kProject);
  test::WriteFile(dir / "main.vks", kMain);
  test::WriteFile(dir / "events.vks", kEvents);
  test::WriteFile(dir / "input.txt", "60 click left 40 20\n");
  test::BuildAndPlayHeadless(dir, "--frames 160 --print-text --input '" + (dir / "input.txt") +
                                      "' --screenshot '" + (dir / "shot.png") + "' --dump-vars '" +
                                      (dir / "vars.tsv") + "'");
  // The player's output: one block per page shown, in order.
  const std::string out = test::ReadFile(dir / "tool.log");
  // The last block is the history window's first page: the message of the first two entries, shown once.
  EXPECT_NE(out.find("一行目です。\n二行目です。\n\n三行目は次へ。\n\n終わり\n\n一行目です。\n二行目です。\n\n"
                     "一行目です。\n二行目です。\n\n"),
            std::string::npos)
      << out;
  const std::string vars = test::ReadFile(dir / "vars.tsv");
  EXPECT_NE(vars.find("clicks\tint\t1\n"), std::string::npos) << vars;
  // Both pages of the first message went to the history when the new text came.
  EXPECT_NE(vars.find("hist\tint\t2\n"), std::string::npos) << vars;
  // Four page starts: the two pages and "終わり" unread (0), the first page shown again read (1).
  EXPECT_NE(vars.find("starts\tint\t4\n"), std::string::npos) << vars;
  EXPECT_NE(vars.find("args\tint\t1\n"), std::string::npos) << vars;
  // The history window: the first message's two pages and "終わり"; the clear command empties the history.
  EXPECT_NE(vars.find("shown\tint\t3\n"), std::string::npos) << vars;
  // A range that starts at the end of the history shows nothing: the window keeps what it shows.
  EXPECT_NE(vars.find("kept\tint\t3\n"), std::string::npos) << vars;
  EXPECT_NE(vars.find("cleared\tint\t0\n"), std::string::npos) << vars;
  // The format laid out like the history window keeps blocks of rows: the first page's two rows fill one, the
  // second page's row and "終わり" the next.
  EXPECT_NE(vars.find("laid\tint\t2\n"), std::string::npos) << vars;

  // The first page of the message, typed in white on the backdrop, in both windows: many pixels of the windows
  // are lit, none outside them.
  const std::string png = test::ReadFile(dir / "shot.png");
  const TDecodedImage shot = DecodePng(reinterpret_cast<const uint8_t*>(png.data()), png.size(), "shot.png");
  ASSERT_EQ(shot.Width, 160);
  int lit_inside = 0, changed_outside = 0;
  for (int32_t y = 0; y < shot.Height; ++y) {
    for (int32_t x = 0; x < shot.Width; ++x) {
      const uint32_t c = shot.Colors[size_t(y) * 160 + size_t(x)] & 0xFFFFFF;
      const bool inside = x >= 8 && x < 152 && ((y >= 8 && y < 48) || (y >= 64 && y < 104));
      // Fully covered glyph pixels: white blended at 255/256.
      if (inside && (c & 0xF0F0F0) == 0xF0F0F0) ++lit_inside;
      if (!inside && c != 0x402000) ++changed_outside;
    }
  }
  EXPECT_GT(lit_inside, 100);
  EXPECT_EQ(changed_outside, 0);
}

}  // namespace
}  // namespace velk
