// Checks points of a screenshot of the demo game against the demo's own pictures: a point "X,Y=PIC.png" must show
// exactly that picture's pixel there (nothing else is drawn over it), "X,Y!PIC.png" must differ from it (something
// is drawn there). The screenshot must be the game's 1280x720.
//   demo_check SHOT.png POINT...
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
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
  if (x < 0 || y < 0 || x >= image.Width || y >= image.Height) return 0xFF000000;
  return image.Colors[static_cast<size_t>(y) * static_cast<size_t>(image.Width) + static_cast<size_t>(x)] & 0xFFFFFF;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: demo_check SHOT.png X,Y=PIC.png|X,Y!PIC.png...\n");
    return 2;
  }
  try {
    const velk::TDecodedImage shot = load(argv[1]);
    if (shot.Width != 1280 || shot.Height != 720) {
      std::fprintf(stderr, "demo_check: %s is %dx%d, not 1280x720\n", argv[1], shot.Width, shot.Height);
      return 1;
    }
    std::map<std::string, velk::TDecodedImage> pictures;
    int failures = 0;
    for (int i = 2; i < argc; ++i) {
      const std::string point = argv[i];
      const size_t comma = point.find(','), mark = point.find_first_of("=!");
      if (comma == std::string::npos || mark == std::string::npos || mark < comma) {
        std::fprintf(stderr, "demo_check: bad point %s\n", point.c_str());
        return 2;
      }
      const int32_t x = std::stoi(point.substr(0, comma)), y = std::stoi(point.substr(comma + 1, mark - comma - 1));
      const std::string path = point.substr(mark + 1);
      if (!pictures.count(path)) pictures.emplace(path, load(path));
      const uint32_t want = at(pictures.at(path), x, y), got = at(shot, x, y);
      if ((point[mark] == '=') != (got == want)) {
        std::fprintf(stderr, "demo_check: %s: (%d, %d) is %06x, the picture there is %06x\n", argv[1], x, y, got,
                     want);
        ++failures;
      }
    }
    return failures == 0 ? 0 : 1;
  } catch (const velk::EVelkError& e) {
    std::fprintf(stderr, "demo_check: %s\n", e.Utf8().c_str());
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "demo_check: %s\n", e.what());
    return 2;
  }
}
