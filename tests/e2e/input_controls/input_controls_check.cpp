// Checks a screenshot of the input controls' game: the fruit menu with its background (and, after the scripted
// input, the hovered row's highlight), the menu that closes itself (still there before any input, gone after it) and
// the edit box with text in it after the input.
//   input_controls_check SHOT.png played|idle
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

int failures = 0;

void expect(const velk::TDecodedImage& shot, int32_t x, int32_t y, uint32_t rgb, const char* what) {
  if (at(shot, x, y) == rgb) return;
  std::fprintf(stderr, "input_controls_check: (%d, %d) is %06x, expected %06x (%s)\n", x, y, at(shot, x, y), rgb, what);
  ++failures;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: input_controls_check SHOT.png played|idle\n");
    return 2;
  }
  try {
    const velk::TDecodedImage shot = load(argv[1]);
    const bool played = std::string(argv[2]) == "played";
    if (shot.Width != 320 || shot.Height != 240) {
      std::fprintf(stderr, "input_controls_check: the screenshot is %dx%d, not 320x240\n", shot.Width, shot.Height);
      return 1;
    }
    // The decoded colours read as the scripts wrote them.
    constexpr uint32_t kBack = 0x402020, kFruit = 0x804000, kHover = 0x008000, kOnce = 0x000080, kWhite = 0xFFFFFF;
    expect(shot, 5, 5, kBack, "background");
    expect(shot, 20, 24, kFruit, "fruit menu, left edge of the first row");
    expect(shot, 215, 155, kWhite, "edit box");
    if (played) {
      expect(shot, 22, 48, kHover, "hovered second fruit");
      expect(shot, 22, 26, kFruit, "first fruit not hovered");
      expect(shot, 200, 24, kBack, "the answered menu is gone");
      int32_t ink = 0;
      for (int32_t y = 152; y < 172; ++y)
        for (int32_t x = 22; x < 100; ++x) ink += at(shot, x, y) != kWhite;
      if (ink < 20) {
        std::fprintf(stderr, "input_controls_check: no text in the edit box (%d dark pixels)\n", ink);
        ++failures;
      }
    } else {
      expect(shot, 200, 24, kOnce, "the second menu");
    }
    return failures == 0 ? 0 : 1;
  } catch (const velk::EVelkError& e) {
    std::fprintf(stderr, "input_controls_check: %s\n", e.what());
    return 1;
  }
}
