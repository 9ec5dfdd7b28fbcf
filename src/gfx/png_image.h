#pragma once
// PNG files through libpng: palette, grey, grey with alpha, RGB and RGBA pictures, 1 to 16 bits per channel
// (16 is reduced to its high byte), interlaced or not. No gamma correction is applied.
#include <cstdint>
#include <string>

#include "gfx/decoded_image.h"

namespace velk {

// Decodes a whole PNG file held in memory. Throws EFormatError naming the file when it is damaged.
TDecodedImage DecodePng(const uint8_t* data, size_t size, const std::string& file_name);

}  // namespace velk
