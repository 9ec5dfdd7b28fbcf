// A game made with the builder flips to the other base through a cross-fade, played headless on the virtual clock:
// midway the screenshot is the old picture blended with the new one by one alpha everywhere, at the end it is the
// new picture.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "gfx/png_image.h"
#include "support/temp_dir.h"
#include "support/tools.h"

namespace velk {
namespace {

constexpr uint32_t kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000;

uint32_t blend(uint32_t d, uint32_t s, uint32_t a) {
  uint32_t out = 0;
  for (int shift : {0, 8, 16}) out |= ((((d >> shift) & 0xFF) * (255 - a) + ((s >> shift) & 0xFF) * a) >> 8) << shift;
  return out;
}

// "newback" lies under "back" until the flip carries it to the other base: the old picture is red with a blue
// square, the new one green.
const char kGame[] = "@version 115\n"
                     "boxnew name: \"newback\"; left: 0; top: 0; width: 160; height: 120; color: 0x00FF00\n"
                     "boxnew name: \"back\"; left: 0; top: 0; width: 160; height: 120; color: 0x0000FF; priority: 2\n"
                     "boxnew name: \"sq\"; left: 40; top: 30; width: 40; height: 30; color: 0xFF0000; priority: 3\n"
                     "wait time: 30\n"
                     "flip type: 1; time: 300; carry: 1; names: \"newback\"\n"
                     "label idle\n"
                     "wait time: 1000\n"
                     "jump page: main.ksb; target: @idle\n";

class PlayedFlip : public ::testing::Test {
 protected:
  void SetUp() override { setenv("XDG_RUNTIME_DIR", dir.Path().c_str(), 1); }

  TDecodedImage Play(int frames) {
    test::WriteFile(dir / "game.vkp", "version 115\nscreen 160 120\nstart main.ksb\nsave off\npage main.vks\n");
    test::WriteFile(dir / "main.vks", kGame);
    test::BuildAndPlayHeadless(dir,
                               "--frames " + std::to_string(frames) + " --screenshot '" + (dir / "shot.png") + "'");
    const std::string png = test::ReadFile(dir / "shot.png");
    return DecodePng(reinterpret_cast<const uint8_t*>(png.data()), png.size(), "shot.png");
  }

  test::TempDir dir;
};

TEST_F(PlayedFlip, ACrossFadeShowsBothPicturesMidwayAndTheNewOneAtTheEnd) {
  const TDecodedImage mid = Play(14);
  ASSERT_EQ(mid.Width, 160);
  ASSERT_EQ(mid.Height, 120);
  auto at = [](const TDecodedImage& shot, int32_t x, int32_t y) { return shot.Colors[size_t(y) * 160 + x] & 0xFFFFFF; };
  // The alpha of this frame, found from one pixel, then checked on every pixel.
  int alpha = -1;
  for (int a = 1; a < 256 && alpha < 0; ++a)
    if (blend(kRed, kGreen, uint32_t(a)) == at(mid, 0, 0)) alpha = a;
  ASSERT_GT(alpha, 20) << std::hex << at(mid, 0, 0);
  ASSERT_LT(alpha, 235);
  for (int32_t y = 0; y < 120; ++y)
    for (int32_t x = 0; x < 160; ++x) {
      const bool square = x >= 40 && x < 80 && y >= 30 && y < 60;
      ASSERT_EQ(at(mid, x, y), blend(square ? kBlue : kRed, kGreen, uint32_t(alpha))) << x << "," << y;
    }
  const TDecodedImage end = Play(40);
  for (int32_t y = 0; y < 120; ++y)
    for (int32_t x = 0; x < 160; ++x) ASSERT_EQ(at(end, x, y), kGreen) << x << "," << y;
}

}  // namespace
}  // namespace velk
