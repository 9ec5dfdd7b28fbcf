// A game made with the builder whose buttons and slider are worked by an input script, played headless: the
// variables count the clicks and the value changes, and the screenshot shows the controls as they ended, with a
// gauge that the slider's handler sets.
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
                       "exit\n";

// The ok button is clicked, the autoscrapping one clicked away; the slider's second arrow is clicked twice
// (2 -> 4), then held until the value stops at its maximum (4 -> 10 by the press and its repeats).
const char kInput[] = "5 click left 15 15\n"
                      "8 click left 45 15\n"
                      "11 click left 73 54\n"
                      "14 click left 73 54\n"
                      "17 down left\n"
                      "60 up left\n"
                      "62 move 150 110\n";

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
                  "var int level 0\npage main.vks\npage events.vks\n"
                  "image n.png\nimage h.png\nimage p.png\nimage bar.png\nimage thumb.png\nimage arrows.png\n"
                  "image gauge.png\n");
  test::WriteFile(dir / "main.vks", kMain);
  test::WriteFile(dir / "events.vks", kEvents);
  test::WriteFile(dir / "input.txt", kInput);
  test::BuildAndPlayHeadless(dir, "--frames 70 --input '" + (dir / "input.txt") + "' --screenshot '" +
                                      (dir / "shot.png") + "' --dump-vars '" + (dir / "vars.tsv") + "'");

  const std::string vars = test::ReadFile(dir / "vars.tsv");
  EXPECT_NE(vars.find("clicks\tint\t2\n"), std::string::npos) << vars;
  EXPECT_NE(vars.find("slides\tint\t8\n"), std::string::npos) << vars;
  EXPECT_NE(vars.find("level\tint\t10\n"), std::string::npos) << vars;

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
  for (int32_t y = 0; y < 120; ++y) {
    for (int32_t x = 0; x < 160; ++x) {
      const size_t i = size_t(y) * 160 + size_t(x);
      ASSERT_EQ(shot.Colors[i] & 0xFFFFFF, to_screen(want[i])) << "first difference at (" << x << ", " << y << ")";
    }
  }
}

}  // namespace
}  // namespace velk
