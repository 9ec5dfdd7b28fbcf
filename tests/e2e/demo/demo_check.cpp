// Checks a screenshot of the demo game: its size, the background picture where the demo draws nothing else, and
// that the title and the ball are on the screen.
//   demo_check SHOT.png BACK.png
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "base/error.h"
#include "gfx/png_image.h"

namespace {

velk::TDecodedImage load(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return velk::DecodePng(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), path);
}

uint32_t at(const velk::TDecodedImage& image, int32_t x, int32_t y) {
  return image.Colors[static_cast<size_t>(y) * static_cast<size_t>(image.Width) + static_cast<size_t>(x)] & 0xFFFFFF;
}

struct TPoint {
  int32_t X, Y;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: demo_check SHOT.png BACK.png\n");
    return 2;
  }
  try {
    const velk::TDecodedImage shot = load(argv[1]);
    const velk::TDecodedImage back = load(argv[2]);
    if (shot.Width != 640 || shot.Height != 480) {
      std::fprintf(stderr, "demo_check: the screenshot is %dx%d, not 640x480\n", shot.Width, shot.Height);
      return 1;
    }
    int failures = 0;
    // Corners of the sky and the hills that no other object of the demo reaches.
    for (const TPoint p : {TPoint{5, 5}, TPoint{600, 200}, TPoint{20, 330}, TPoint{630, 350}, TPoint{100, 150}}) {
      if (at(shot, p.X, p.Y) != at(back, p.X, p.Y)) {
        std::fprintf(stderr, "demo_check: (%d, %d) is %06x, the background there is %06x\n", p.X, p.Y,
                     at(shot, p.X, p.Y), at(back, p.X, p.Y));
        ++failures;
      }
    }
    // The middle of the ball and the upright of the title's "L" (wherever the title sways) differ from the sky behind
    // them.
    for (const TPoint p : {TPoint{320, 252}, TPoint{232, 95}}) {
      if (at(shot, p.X, p.Y) == at(back, p.X, p.Y)) {
        std::fprintf(stderr, "demo_check: (%d, %d) shows only the background\n", p.X, p.Y);
        ++failures;
      }
    }
    return failures == 0 ? 0 : 1;
  } catch (const velk::EVelkError& e) {
    std::fprintf(stderr, "demo_check: %s\n", e.Utf8().c_str());
    return 1;
  }
}
