#pragma once
// Cursor files: a cursor (".cur", also an icon file) holds one or more pictures in a directory, each a bitmap with
// an AND mask or a PNG file, and the hot spot; an animated cursor (".ani", a RIFF "ACON" file) holds such files as
// its frames. The player shows the first picture of the file (an animated cursor shows its first frame).
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace velk {

// The largest side of a cursor picture: the directory stores sides as one byte, 0 meaning 256.
constexpr int32_t kMaxCursorSide = 256;

// Decodes the first picture of a cursor, icon or animated cursor file. Throws EFormatError naming the file when
// the data are damaged.
TCursorImage ReadCursorFile(const uint8_t* data, size_t size, const std::string& file_name);

}  // namespace velk
