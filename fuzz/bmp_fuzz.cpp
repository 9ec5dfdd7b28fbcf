// Feeds arbitrary bytes to the picture readers through a surface's stream sniffing (BMP, PNG), then draws the
// result, so that every decoded size and palette meets the drawing code too.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/error.h"
#include "gfx/dibx.h"
#include "vfs/stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  velk::TMemoryStream stream(std::vector<uint8_t>(data, data + size));
  for (int depth : {32, 16, 8}) {
    velk::TDIBX surface;
    surface.SetSize(1, 1, depth);
    try {
      surface.LoadFromStream(&stream, 0);
    } catch (const velk::EVelkError&) {
      continue;
    }
    velk::TDIBX target;
    target.SetSize(64, 64, depth);
    target.Draw(-3, -3, &surface, velk::TRect{0, 0, surface.Width(), surface.Height()}, true, true, false);
    target.DrawAlpha(5, 5, &surface, velk::TRect{0, 0, surface.Width(), surface.Height()}, false, false, true, 100);
  }
  return 0;
}
