// Games made with the builder, played by the headless player: the screenshot it writes is compared pixel for pixel
// with a picture the test computes from the drawing rules, and the variables it leaves with what the scripts and
// the scripted clicks do.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "app/png_writer.h"
#include "gfx/png_image.h"
#include "support/temp_dir.h"
#include "support/tools.h"

namespace velk {
namespace {

// A picture of colours 0x00BBGGRR, as the screenshot decodes.
struct TExpected {
  int32_t Width, Height;
  std::vector<uint32_t> Pixels;
  TExpected(int32_t w, int32_t h, uint32_t colour) : Width(w), Height(h), Pixels(size_t(w) * size_t(h), colour) {}
  // Applies f to every pixel of the rectangle.
  void Paint(int32_t left, int32_t top, int32_t width, int32_t height, const std::function<uint32_t(uint32_t)>& f) {
    for (int32_t y = top; y < top + height; ++y) {
      for (int32_t x = left; x < left + width; ++x)
        Pixels[size_t(y) * size_t(Width) + size_t(x)] = f(Pixels[size_t(y) * size_t(Width) + size_t(x)]);
    }
  }
};

uint32_t per_channel(uint32_t a, uint32_t b, const std::function<uint32_t(uint32_t, uint32_t)>& f) {
  uint32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8) out |= (f((a >> shift) & 0xFF, (b >> shift) & 0xFF) & 0xFF) << shift;
  return out;
}

// The opacity rules of the drawing operations: blended, and added with saturation.
uint32_t blend(uint32_t under, uint32_t colour, uint32_t alpha) {
  return per_channel(under, colour, [alpha](uint32_t d, uint32_t s) { return (d * (255 - alpha) + s * alpha) >> 8; });
}
uint32_t add_scaled(uint32_t under, uint32_t colour, uint32_t amount) {
  return per_channel(under, colour,
                     [amount](uint32_t d, uint32_t s) { return std::min<uint32_t>(255, d + s * amount / 256); });
}

class PlayedScene : public ::testing::Test {
 protected:
  // The player's instance guard lives in the runtime folder: one of this test's own (other tests of this program
  // point the variable at folders that are gone by now).
  void SetUp() override { setenv("XDG_RUNTIME_DIR", dir.Path().c_str(), 1); }

  // Builds the game from its page and plays it headless for the frames; the screenshot is decoded.
  TDecodedImage Play(const std::string& main_page, int frames, const std::string& input = {},
                     const std::string& project_lines = {}) {
    test::WriteFile(dir / "game.vkp",
                    "version 115\nscreen 160 120\nstart main.ksb\nsave off\nvar int clicks 0\npage main.vks\n"
                    "page events.vks\n" +
                        project_lines);
    test::WriteFile(dir / "main.vks", main_page);
    test::WriteFile(dir / "events.vks",
                    "@version 115\nlabel clicked\ncalc clicks = clicks + 1\nsetprop object: \"add\"; property: 8; "
                    "value: 0x000040\nexit\n");
    test::WriteFile(dir / "input.txt", input);
    test::BuildAndPlayHeadless(dir, "--frames " + std::to_string(frames) + " --input '" + (dir / "input.txt") +
                                        "' --screenshot '" + (dir / "shot.png") + "' --dump-vars '" +
                                        (dir / "vars.tsv") + "'");
    const std::string png = test::ReadFile(dir / "shot.png");
    return DecodePng(reinterpret_cast<const uint8_t*>(png.data()), png.size(), "shot.png");
  }

  void ExpectScreen(const TDecodedImage& shot, const TExpected& expected) {
    ASSERT_EQ(shot.Width, expected.Width);
    ASSERT_EQ(shot.Height, expected.Height);
    for (int32_t y = 0; y < expected.Height; ++y) {
      for (int32_t x = 0; x < expected.Width; ++x) {
        const size_t i = size_t(y) * size_t(expected.Width) + size_t(x);
        ASSERT_EQ(shot.Colors[i] & 0xFFFFFF, expected.Pixels[i]) << "first difference at (" << x << ", " << y << ")";
      }
    }
  }

  test::TempDir dir;
};

// Siblings of equal priority draw in the byte order of their names, so the backdrop takes the lowest priority.
const char kBoxes[] =
    "@version 115\n"
    "boxnew name: \"back\"; left: 0; top: 0; width: 160; height: 120; color: 0x808080\n"
    "boxnew name: \"add\"; left: 10; top: 10; width: 40; height: 30; color: 0x404040; alpha: 384; priority: 1; "
    "onlbtnup: \"events.ksb:clicked\"\n"
    "boxnew name: \"half\"; left: 60; top: 10; width: 40; height: 30; color: 0; alpha: 128; priority: 1\n"
    "boxnew name: \"framed\"; left: 10; top: 60; width: 50; height: 40; color: 0x00FF00; borderwidth: 3; "
    "bordercolor: 0xFF0000; priority: 1\n"
    "boxnew name: \"hidden\"; left: 110; top: 60; width: 20; height: 20; color: 0xFFFFFF; visible: 0; priority: 1\n"
    "label idle\n"
    "wait time: 1000\n"
    "jump page: main.ksb; target: @idle\n";

TEST_F(PlayedScene, BoxesComposeWithTheirOpacityCodes) {
  const TDecodedImage shot = Play(kBoxes, 10);
  TExpected want(160, 120, 0x808080);
  want.Paint(10, 10, 40, 30, [](uint32_t d) { return add_scaled(d, 0x404040, 128); });
  want.Paint(60, 10, 40, 30, [](uint32_t d) { return blend(d, 0, 128); });
  want.Paint(10, 60, 50, 40, [](uint32_t) { return 0xFF0000u; });
  want.Paint(13, 63, 44, 34, [](uint32_t) { return 0x00FF00u; });
  ExpectScreen(shot, want);
}

TEST_F(PlayedScene, AClickRunsTheHandlerThatRecolours) {
  // Clicks inside the additive box on frames 3 and 6, one outside on frame 8.
  const TDecodedImage shot = Play(kBoxes, 12, "3 click left 20 20\n6 click left 49 39\n8 click left 50 40\n");
  EXPECT_NE(test::ReadFile(dir / "vars.tsv").find("clicks\tint\t2\n"), std::string::npos)
      << test::ReadFile(dir / "vars.tsv");
  TExpected want(160, 120, 0x808080);
  want.Paint(10, 10, 40, 30, [](uint32_t d) { return add_scaled(d, 0x000040, 128); });
  want.Paint(60, 10, 40, 30, [](uint32_t d) { return blend(d, 0, 128); });
  want.Paint(10, 60, 50, 40, [](uint32_t) { return 0xFF0000u; });
  want.Paint(13, 63, 44, 34, [](uint32_t) { return 0x00FF00u; });
  ExpectScreen(shot, want);
}

// An opaque 8 x 6 picture whose every pixel differs: red grows to the right, green downwards.
uint32_t pattern_rgb(int32_t x, int32_t y) { return uint32_t(30 * x) << 16 | uint32_t(40 * y) << 8 | 0xC8; }
uint32_t rgb_to_bgr(uint32_t c) { return (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF); }

TEST_F(PlayedScene, PngPicturesBecomeImagesDrawnBlendedAddedAndMirrored) {
  std::vector<uint32_t> pixels;
  for (int32_t y = 0; y < 6; ++y) {
    for (int32_t x = 0; x < 8; ++x) pixels.push_back(pattern_rgb(x, y));
  }
  WritePngFile(dir / "pic.png", TFrameView{pixels.data(), 8, 6, 8});
  const TDecodedImage shot =
      Play("@version 115\n"
           "boxnew name: \"back\"; left: 0; top: 0; width: 160; height: 120; color: 0x808080\n"
           "imgnew name: \"plain\"; source: \"pic.brx\"; left: 20; top: 20; priority: 1\n"
           "imgnew name: \"blend\"; source: \"pic.brx\"; left: 100; top: 50; alpha: 128; priority: 1\n"
           "imgnew name: \"added\"; source: \"pic.brx\"; left: 100; top: 80; alpha: 384; fliph: 1; priority: 1\n"
           "label idle\nwait time: 1000\njump page: main.ksb; target: @idle\n",
           10, {}, "image pic.png\n");
  TExpected want(160, 120, 0x808080);
  for (int32_t y = 0; y < 6; ++y) {
    for (int32_t x = 0; x < 8; ++x) {
      const uint32_t s = rgb_to_bgr(pattern_rgb(x, y));
      want.Paint(20 + x, 20 + y, 1, 1, [s](uint32_t) { return s; });
      want.Paint(100 + x, 50 + y, 1, 1, [s](uint32_t d) { return blend(d, s, 128); });
      // Mirrored about its anchor (offset 0): the picture ends at its Left.
      want.Paint(100 - x, 80 + y, 1, 1, [s](uint32_t d) { return add_scaled(d, s, 128); });
    }
  }
  ExpectScreen(shot, want);
}

TEST_F(PlayedScene, DitherChangeRedrawsThePicturesAndElseifChainsReachTheirElse) {
  std::vector<uint32_t> pixels;
  for (int32_t y = 0; y < 6; ++y) {
    for (int32_t x = 0; x < 8; ++x) pixels.push_back(pattern_rgb(x, y));
  }
  WritePngFile(dir / "pic.png", TFrameView{pixels.data(), 8, 6, 8});
  const TDecodedImage shot =
      Play("@version 115\n"
           "boxnew name: \"back\"; left: 0; top: 0; width: 160; height: 120; color: 0x808080\n"
           "imgnew name: \"plain\"; source: \"pic.brx\"; left: 20; top: 20; priority: 1\n"
           "wait time: 45\n"
           "calc @CGDither = TRUE\n"
           "calc dither = @CGDither\n"
           "if clicks == 1\n  calc branch = 1\nelseif clicks == 2\n  calc branch = 2\nelse\n  calc branch = 3\n"
           "label idle\nwait time: 1000\njump page: main.ksb; target: @idle\n",
           10, {}, "image pic.png\nvar flag dither false\nvar int branch 0\n");
  const std::string vars = test::ReadFile(dir / "vars.tsv");
  EXPECT_NE(vars.find("dither\tflag\t1\n"), std::string::npos) << vars;
  EXPECT_NE(vars.find("branch\tint\t3\n"), std::string::npos) << vars;
  TExpected want(160, 120, 0x808080);
  for (int32_t y = 0; y < 6; ++y) {
    for (int32_t x = 0; x < 8; ++x) {
      const uint32_t s = rgb_to_bgr(pattern_rgb(x, y));
      want.Paint(20 + x, 20 + y, 1, 1, [s](uint32_t) { return s; });
    }
  }
  ExpectScreen(shot, want);
}

}  // namespace
}  // namespace velk
