// A game made with the builder whose buttons, slider, menu and edit box are worked by an input script, played
// headless: the variables count the clicks and the value changes and hold the choice and the typed text, and the
// screenshot shows the controls as they ended, with a gauge that the slider's handler sets. The same game then
// starts in a real window on a virtual display.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/png_writer.h"
#include "gfx/png_image.h"
#include "platform/window.h"
#include "support/temp_dir.h"
#include "support/tools.h"

namespace velk {
namespace {

// Colours as the PNG files hold them (0x00RRGGBB) and as the screenshot decodes them (0x00BBGGRR).
uint32_t to_screen(uint32_t rgb) { return (rgb & 0xFF) << 16 | (rgb & 0xFF00) | (rgb >> 16 & 0xFF); }

// A strip of cells of w x h, each of one colour.
void write_strip(const std::string& path, int32_t w, int32_t h, const std::vector<uint32_t>& colours) {
  const int32_t width = w * static_cast<int32_t>(colours.size());
  std::vector<uint32_t> pixels;
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < width; ++x) pixels.push_back(colours[size_t(x / w)]);
  }
  WritePngFile(path, TFrameView{pixels.data(), width, h, width});
}

constexpr uint32_t kBack = 0x808080, kNormal = 0x2040A0, kHover = 0xA02040, kPressed = 0x40A020;
constexpr uint32_t kBarRest = 0x101010, kBarDone = 0xF0F0F0, kGauge = 0x30C0C0, kTrail = 0xC03030;
const std::vector<uint32_t> kThumb = {0x00FFFF, 0xFF00FF, 0xFFFF00};
const std::vector<uint32_t> kArrows = {0x200000, 0x400000, 0x600000, 0x002000, 0x004000, 0x006000};

const char kMain[] =
    "@version 115\n"
    "boxnew name: \"back\"; left: 0; top: 0; width: 160; height: 120; color: 0x808080\n"
    "btnnew name: \"ok\"; source: \"n.brx\"; hoversource: \"h.brx\"; pressedsource: \"p.brx\"; left: 10; top: 10; "
    "priority: 1; onnotify: \"events.ksb:clicked\"\n"
    "btnnew name: \"gone\"; source: \"n.brx\"; hoversource: \"h.brx\"; pressedsource: \"p.brx\"; left: 40; top: 10; "
    "priority: 1; autoscrap: 1; onnotify: \"events.ksb:clicked\"\n"
    "slidernew name: \"vol\"; source: \"bar.brx\"; thumbsource: \"thumb.brx\"; buttonsource: \"arrows.brx\"; left: 10; "
    "top: 50; min: 0; max: 10; value: 2; priority: 1; onnotify: \"events.ksb:slid\"\n"
    "gaugenew name: \"hp\"; source: \"gauge.brx\"; left: 10; top: 80; min: 0; max: 20; priority: 1\n"
    "menu name: \"fruit\"; left: 90; top: 10; text: \"Apple\\nBanana\"; rowcount: 2; fontheight: 12; "
    "fontcolor: 0xFFFFFF; color: 0x804000; marginx: 2; marginy: 2; priority: 2; onselect: \"events.ksb:picked\"\n"
    "editnew name: \"name\"; left: 90; top: 90; width: 60; height: 16; fontheight: 12; color: 0xFFFFFF; "
    "fontcolor: 0; priority: 2; onnotify: \"events.ksb:typed\"\n"
    "label idle\n"
    "wait time: 1000\n"
    "jump page: main.ksb; target: @idle\n";

const char kEvents[] = "@version 115\n"
                       "label clicked\n"
                       "calc clicks = clicks + 1\n"
                       "exit\n"
                       "label slid\n"
                       "calc slides = slides + 1\n"
                       "getprop object: \"vol\"; property: 125; variable: level\n"
                       "setprop object: \"hp\"; property: 125; value: level\n"
                       "exit\n"
                       "label picked\n"
                       "calc picked = @SelIndex\n"
                       "exit\n"
                       "label typed\n"
                       "getprop object: \"name\"; property: 50; variable: \"typedtext\"\n"
                       "exit\n";

// The ok button is clicked, the autoscrapping one clicked away; the slider's second arrow is clicked twice
// (2 -> 4), then held until the value stops at its maximum (4 -> 10 by the press and its repeats).
const char kInput[] = "5 click left 15 15\n"
                      "8 click left 45 15\n"
                      "11 click left 73 54\n"
                      "14 click left 73 54\n"
                      "17 down left\n"
                      "60 up left\n"
                      "62 move 150 110\n"
                      "64 click left 100 30\n"
                      "67 click left 100 97\n"
                      "69 text Hi\n"
                      "71 move 150 110\n";

class PlayedControls : public ::testing::Test {
 protected:
  void SetUp() override { setenv("XDG_RUNTIME_DIR", dir.Path().c_str(), 1); }
  test::TempDir dir;
};

TEST_F(PlayedControls, ButtonsAndSliderFollowTheInputScript) {
  write_strip(dir / "n.png", 20, 10, {kNormal});
  write_strip(dir / "h.png", 20, 10, {kHover});
  write_strip(dir / "p.png", 20, 10, {kPressed});
  write_strip(dir / "bar.png", 50, 4, {kBarRest, kBarDone});
  write_strip(dir / "thumb.png", 4, 8, kThumb);
  write_strip(dir / "arrows.png", 6, 8, kArrows);
  write_strip(dir / "gauge.png", 30, 6, {kGauge, kTrail});
  test::WriteFile(dir / "game.vkp",
                  "version 115\nscreen 160 120\nstart main.ksb\nsave off\nvar int clicks 0\nvar int slides 0\n"
                  "var int level 0\nvar int picked -1\nvar string typedtext \"\"\npage main.vks\npage events.vks\n"
                  "image n.png\nimage h.png\nimage p.png\nimage bar.png\nimage thumb.png\nimage arrows.png\n"
                  "image gauge.png\n");
  test::WriteFile(dir / "main.vks", kMain);
  test::WriteFile(dir / "events.vks", kEvents);
  test::WriteFile(dir / "input.txt", kInput);
  test::BuildAndPlayHeadless(dir, "--frames 80 --input '" + (dir / "input.txt") + "' --screenshot '" +
                                      (dir / "shot.png") + "' --dump-vars '" + (dir / "vars.tsv") + "'");

  const std::string vars = test::ReadFile(dir / "vars.tsv");
  EXPECT_NE(vars.find("clicks\tint\t2\n"), std::string::npos) << vars;
  EXPECT_NE(vars.find("slides\tint\t8\n"), std::string::npos) << vars;
  EXPECT_NE(vars.find("level\tint\t10\n"), std::string::npos) << vars;
  EXPECT_NE(vars.find("picked\tint\t1\n"), std::string::npos) << vars;
  EXPECT_NE(vars.find("typedtext\tstring\tHi\n"), std::string::npos) << vars;

  const std::string png = test::ReadFile(dir / "shot.png");
  const TDecodedImage shot = DecodePng(reinterpret_cast<const uint8_t*>(png.data()), png.size(), "shot.png");
  ASSERT_EQ(shot.Width, 160);
  ASSERT_EQ(shot.Height, 120);
  std::vector<uint32_t> want(160 * 120, kBack);
  auto paint = [&](int32_t left, int32_t top, int32_t w, int32_t h, uint32_t rgb) {
    for (int32_t y = top; y < top + h; ++y) {
      for (int32_t x = left; x < left + w; ++x) want[size_t(y) * 160 + size_t(x)] = rgb;
    }
  };
  paint(10, 10, 20, 10, kNormal);  // released and left: the normal picture; "gone" has gone
  // The slider at its maximum: 66 x 8 at (10, 50); the whole bar shows the done cell, the thumb at its end, the
  // arrows in their normal cells.
  paint(18, 52, 50, 4, kBarDone);
  paint(66, 50, 4, 8, kThumb[0]);
  paint(10, 50, 6, 8, kArrows[0]);
  paint(70, 50, 6, 8, kArrows[3]);
  // The gauge follows the slider at once (no delay): 10 of 0 .. 20 fills half of its 30 pixels.
  paint(10, 80, 15, 6, kGauge);
  // The menu's and the edit box's text are the glyph cache's business: their rectangles are not compared.
  auto text_area = [](int32_t x, int32_t y) { return x >= 90 && ((y >= 10 && y < 40) || (y >= 90 && y < 106)); };
  for (int32_t y = 0; y < 120; ++y) {
    for (int32_t x = 0; x < 160; ++x) {
      const size_t i = size_t(y) * 160 + size_t(x);
      if (text_area(x, y)) continue;
      ASSERT_EQ(shot.Colors[i] & 0xFFFFFF, to_screen(want[i])) << "first difference at (" << x << ", " << y << ")";
    }
  }

  // The same game in a real window on a virtual display shows the controls as they start.
  if (std::system("command -v xvfb-run > /dev/null 2>&1") != 0) GTEST_SKIP() << "xvfb-run is missing";
  // Under the sanitizers, leaks inside the display's system libraries are not the player's.
  const std::string window = "XDG_CONFIG_HOME='" + (dir / "config") +
                             "' LSAN_OPTIONS=suppressions=" VELK_SOURCE_DIR "/tests/e2e/window_smoke/lsan.supp"
                             " SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy xvfb-run -a -s '-screen 0 640x480x24' '" +
                             test::ToolPath("velkplayer") + "' --frames 30 --screenshot '" + (dir / "window.png") +
                             "' '" + (dir / "game") + "' > '" + (dir / "window.log") + "' 2>&1";
  ASSERT_EQ(std::system(window.c_str()), 0) << test::ReadFile(dir / "window.log");
  const std::string shown = test::ReadFile(dir / "window.png");
  const TDecodedImage w = DecodePng(reinterpret_cast<const uint8_t*>(shown.data()), shown.size(), "window.png");
  ASSERT_GE(w.Width, 160);
  const int32_t scale = w.Width / 160;
  ASSERT_EQ(w.Height, 120 * scale);
  auto at = [&](int32_t x, int32_t y) {
    return w.Colors[size_t(y * scale) * size_t(w.Width) + size_t(x * scale)] & 0xFFFFFF;
  };
  EXPECT_EQ(at(15, 15), to_screen(kNormal));
  EXPECT_EQ(at(60, 53), to_screen(kBarRest));  // the slider at 2 of 10
  EXPECT_EQ(at(5, 5), to_screen(kBack));
  EXPECT_EQ(at(140, 95), 0xFFFFFFu);          // the edit box
  EXPECT_NE(at(100, 20), to_screen(kBack));   // the menu
}

}  // namespace
}  // namespace velk
