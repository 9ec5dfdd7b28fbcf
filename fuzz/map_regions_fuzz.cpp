// Reads arbitrary bytes as a map image's region file, then asks every point test and bounding box of what was read,
// so that any count, vertex list or coordinate that passes the reader also meets the geometry.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/error.h"
#include "scene/map_regions.h"
#include "vfs/stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  velk::TMemoryStream stream(std::vector<uint8_t>(data, data + size));
  velk::TMapRegions regions;
  try {
    regions.LoadFromStream(stream);
  } catch (const velk::EVelkError&) {
    return 0;
  }
  for (int32_t i = 0; i < regions.Count(); ++i) {
    const velk::TRect box = regions.BoundingBox(i);
    for (int32_t y : {box.Top, box.Top + 1, box.Bottom - 1}) {
      for (int32_t x : {box.Left, box.Left + 1, box.Right - 1}) regions.Region(i).Contains(x, y);
    }
  }
  for (int32_t y = -2; y < 16; ++y) {
    for (int32_t x = -2; x < 16; ++x) regions.RegionAt(x, y);
  }
  return 0;
}
