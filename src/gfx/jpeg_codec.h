#pragma once
// JPEG pictures through libjpeg: decoding of colour data into 0x00BBGGRR colours, and baseline encoding.
#include <cstdint>
#include <string>
#include <vector>

#include "gfx/decoded_image.h"

namespace velk {

// Decodes a whole JPEG file (grey or colour) into Colors, top row first. Throws EFormatError naming the file when
// the data are damaged or the picture exceeds the image size limits.
TDecodedImage DecodeJpeg(const uint8_t* data, size_t size, const std::string& file_name);
// Encodes colours 0x00BBGGRR (top row first) as a colour JPEG of the given quality (1 .. 100).
std::vector<uint8_t> EncodeJpeg(int32_t width, int32_t height, const std::vector<uint32_t>& colors, int quality);

}  // namespace velk
