// Opens arbitrary bytes as a layered image: all frames with layers kept, the first frame only, converted to 16
// bits, and with each identification code the bytes suggest; then trims and masks what was read. Any exception of
// the player's hierarchy is a clean rejection; anything else is a finding.
#include <cstdint>
#include <cstring>
#include <vector>

#include "base/error.h"
#include "gfx/brix.h"
#include "vfs/stream.h"

namespace {

void Open(const uint8_t* data, size_t size, int32_t id, bool first_only, bool convert, bool keep_layers) {
  velk::TBrixFrameList list(id);
  // A small budget keeps each run fast; the reader's checks are the same at any budget.
  list.MaxBytes = int64_t{64} << 20;
  list.BitDepth = 16;
  velk::TMemoryStream s(std::vector<uint8_t>(data, data + size));
  try {
    list.LoadFromStream(s, first_only, convert, keep_layers, "fuzz.brx");
  } catch (const velk::EVelkError&) {
    return;
  }
  for (int32_t i = 0; i < list.Count(); ++i) {
    velk::TBrixFrame& f = list.Frame(i);
    f.MakeMaskFromTransparent();
    f.Trim();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  int32_t id = 0;
  if (size >= 4) std::memcpy(&id, data + size - 4, 4);
  Open(data, size, id, false, false, true);
  Open(data, size, 0, true, true, false);
  return 0;
}
