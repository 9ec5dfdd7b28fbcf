// A game made with the builder plays a cinema: a film of a moving box and a fading picture in a scene of its own.
// Screenshots of the headless player at fixed frames are compared pixel for pixel with pictures computed from the
// film's keys.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "app/png_writer.h"
#include "gfx/png_image.h"
#include "support/temp_dir.h"
#include "support/tools.h"

namespace velk {
namespace {

constexpr int32_t kW = 160, kH = 120;

// The film: the cinema's screen of 100 x 60 in its own colour; a red box that moves one pixel a tick from x 0 to
// 60 over ticks 0 .. 60; a picture that moves from x 10 to 50 over ticks 10 .. 50 while its opacity falls from 255
// to 55 (5 a tick).
const char kFilm[] =
    "# The test film\n"
    "cinema\n"
    "screen 100 60\n"
    "background 0x203040\n"
    "track box\n"
    "  duration 61\n"
    "  x 0 60\n"
    "  y 5 5\n"
    "  width 20 20\n"
    "  height 10 10\n"
    "  color 0x0000FF 0x0000FF\n"
    "track image\n"
    "  start 10\n"
    "  duration 41\n"
    "  x 10 50\n"
    "  y 30 30\n"
    "  alpha 255 55\n"
    "  file pic.brx\n";

uint32_t pattern_rgb(int32_t x, int32_t y) { return uint32_t(30 * x) << 16 | uint32_t(40 * y) << 8 | 0xC8; }
uint32_t rgb_to_bgr(uint32_t c) { return (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF); }

// Blending divides by 256.
uint32_t blend(uint32_t under, uint32_t colour, uint32_t alpha) {
  uint32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const uint32_t d = (under >> shift) & 0xFF, s = (colour >> shift) & 0xFF;
    out |= (((d * (255 - alpha) + s * alpha) >> 8) & 0xFF) << shift;
  }
  return out;
}

// The screen at a film tick, from the keys.
std::vector<uint32_t> Expected(int32_t tick) {
  std::vector<uint32_t> px(size_t(kW) * kH, 0x808080);
  const auto paint = [&](int32_t x, int32_t y, uint32_t c) { px[size_t(y) * kW + size_t(x)] = c; };
  const int32_t cx = 30, cy = 40;
  for (int32_t y = 0; y < 60; ++y)
    for (int32_t x = 0; x < 100; ++x) paint(cx + x, cy + y, 0x203040);
  if (tick <= 60) {
    for (int32_t y = 5; y < 15; ++y)
      for (int32_t x = tick; x < tick + 20; ++x) paint(cx + x, cy + y, 0x0000FF);
  }
  if (tick >= 10 && tick <= 50) {
    const int32_t d = tick - 10;
    const int32_t left = 10 + d, alpha = 255 - 5 * d;
    for (int32_t y = 0; y < 6; ++y) {
      for (int32_t x = 0; x < 8; ++x) {
        const uint32_t s = rgb_to_bgr(pattern_rgb(x, y));
        const size_t at = size_t(cy + 30 + y) * kW + size_t(cx + left + x);
        px[at] = alpha == 255 ? s : blend(px[at], s, uint32_t(alpha));
      }
    }
  }
  return px;
}

class PlayedFilm : public ::testing::Test {
 protected:
  void SetUp() override { setenv("XDG_RUNTIME_DIR", dir.Path().c_str(), 1); }

  TDecodedImage PlayFrames(int frames) {
    const std::string shot = dir / ("shot" + std::to_string(frames) + ".png");
    test::BuildAndPlayHeadless(dir, "--frames " + std::to_string(frames) + " --screenshot '" + shot + "'");
    const std::string png = test::ReadFile(shot);
    return DecodePng(reinterpret_cast<const uint8_t*>(png.data()), png.size(), "shot.png");
  }

  test::TempDir dir;
};

TEST_F(PlayedFilm, CinemaScreenshotsMatchTheKeys) {
  std::vector<uint32_t> pixels;
  for (int32_t y = 0; y < 6; ++y) {
    for (int32_t x = 0; x < 8; ++x) pixels.push_back(pattern_rgb(x, y));
  }
  WritePngFile(dir / "pic.png", TFrameView{pixels.data(), 8, 6, 8});
  test::WriteFile(dir / "movie.vkf", kFilm);
  test::WriteFile(dir / "game.vkp",
                  "version 115\nscreen 160 120\nstart main.ksb\nsave off\npage main.vks\nimage pic.png\n"
                  "film movie.kmt movie.vkf\n");
  test::WriteFile(dir / "main.vks",
                  "@version 115\n"
                  "boxnew name: \"back\"; left: 0; top: 0; width: 160; height: 120; color: 0x808080\n"
                  "cinema name: \"cin\"; source: \"movie.kmt\"; left: 30; top: 40; width: 100; height: 60; "
                  "priority: 1\n"
                  "label idle\nwait time: 1000\njump page: main.ksb; target: @idle\n");
  // The cinema starts in the first frame; its clock runs from the third, 15 ms a frame on the virtual clock:
  // frame f shows tick round((f - 2) x 15 / 16.67), and the last tick (60) once the film has ended.
  for (int frames : {2, 14, 31, 60, 80}) {
    const int32_t tick = std::min(60, static_cast<int32_t>(std::lround((frames - 2) * 15 / (1000.0 / 60))));
    const TDecodedImage shot = PlayFrames(frames);
    ASSERT_EQ(shot.Width, kW);
    ASSERT_EQ(shot.Height, kH);
    const std::vector<uint32_t> want = Expected(tick);
    for (int32_t y = 0; y < kH; ++y) {
      for (int32_t x = 0; x < kW; ++x) {
        const size_t i = size_t(y) * kW + size_t(x);
        ASSERT_EQ(shot.Colors[i] & 0xFFFFFF, want[i])
            << "frame " << frames << ", tick " << tick << ": first difference at (" << x << ", " << y << ")";
      }
    }
  }
}

TEST_F(PlayedFilm, BrokenDescriptionsNameTheirLine) {
  test::WriteFile(dir / "main.vks", "@version 115\nlabel idle\nwait time: 1000\njump page: main.ksb; target: @idle\n");
  test::WriteFile(dir / "game.vkp", "version 115\nstart main.ksb\npage main.vks\nfilm a.kmt movie.vkf\n");
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"cinema\ntrack box\n  x 1\n", "movie.vkf:3: wrong number of values"},
      {"cinema\ntrack box\n  after 0\n", "movie.vkf:3: after names an earlier track"},
      {"cinema\ntrack cloud\n", "movie.vkf:2: unknown track kind cloud"},
      {"motion\ntrack wipe\n  file a.brx\n", "movie.vkf:3: unknown setting file"},
      {"track box\n", "movie.vkf:1: a film description starts with cinema or motion"},
  };
  for (const auto& [source, message] : cases) {
    test::WriteFile(dir / "movie.vkf", source);
    const test::TToolRun run = test::RunTool(test::ToolPath("velk-build"),
                                             "'" + (dir / "game.vkp") + "' --archive '" + (dir / "game.dat") + "'",
                                             dir.Path());
    EXPECT_EQ(run.Status, 1) << source;
    EXPECT_NE(run.Output.find(message), std::string::npos) << run.Output;
  }
}

}  // namespace
}  // namespace velk
