// Feeds arbitrary bytes to the scene's save reader. The first byte chooses the format version; the rest is the
// scene record. A record that loads is run for one frame, saved, loaded again and saved again: both saves must be
// equal. Format errors are expected; crashes, sanitizer reports and oversized allocations are not.
#include <array>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "base/error.h"
#include "scene/base_list.h"
#include "vfs/stream.h"

namespace {

using namespace velk;

// The versions at which the record changes, and the newest.
constexpr std::array<int32_t, 12> kVersions = {100, 101, 102, 103, 104, 113, 114, 118, 119, 120, 130, 140};

std::vector<uint8_t> Save(const TVelkBaseList& scene) {
  TMemoryStream s;
  scene.SaveToStream(s);
  return s.Bytes();
}

int32_t Le32(const uint8_t* p) {
  return static_cast<int32_t>(uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 9) return 0;
  // Large screens are valid but only slow the search down.
  if (static_cast<int64_t>(Le32(data + 1)) * Le32(data + 5) > 256 * 256) return 0;
  const int32_t version = kVersions[data[0] % kVersions.size()];
  TMemoryStream input(std::vector<uint8_t>(data + 1, data + size));
  TVelkBaseList scene;
  try {
    scene.LoadFromStream(input, version);
  } catch (const EVelkError&) {
    return 0;
  }
  scene.MouseMoveTo(3, 3);
  scene.MouseButtonDown(true);
  scene.ProcessInput(15);
  scene.UpdateAll();
  scene.DrawAll();
  const std::vector<uint8_t> first = Save(scene);
  TMemoryStream again(first);
  TVelkBaseList copy;
  copy.LoadFromStream(again, 140);
  if (Save(copy) != first) std::abort();
  return 0;
}
