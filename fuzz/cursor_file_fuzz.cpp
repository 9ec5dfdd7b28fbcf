// Feeds arbitrary bytes to the cursor file reader (cursor, icon and animated cursor files) and checks that a
// picture it returns holds exactly its pixels and a hot spot inside it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "base/error.h"
#include "gfx/cursor_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    const velk::TCursorImage image = velk::ReadCursorFile(data, size, "fuzz.cur");
    const bool sound = image.Width >= 1 && image.Height >= 1 && image.Width <= velk::kMaxCursorSide &&
                       image.Height <= velk::kMaxCursorSide &&
                       image.Pixels.size() == static_cast<size_t>(image.Width) * image.Height && image.HotX >= 0 &&
                       image.HotY >= 0 && image.HotX < image.Width && image.HotY < image.Height;
    if (!sound) std::abort();
  } catch (const velk::EVelkError&) {
  }
  return 0;
}
