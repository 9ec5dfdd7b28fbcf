#pragma once
// BMP files: every header kind (12-byte core, 16 to 64-byte OS/2, 40, 52, 56, 108 and 124-byte info headers),
// depths 1, 4, 8, 16, 24 and 32, uncompressed, bit fields, RLE8 and RLE4, bottom-up and top-down.
#include <cstdint>
#include <string>
#include <vector>

#include "gfx/decoded_image.h"

namespace velk {

class TStream;

// Decodes a whole BMP file held in memory. Throws EFormatError naming the file when it is damaged.
TDecodedImage DecodeBmp(const uint8_t* data, size_t size, const std::string& file_name);
// Reads the stream from its start to its end and decodes it.
TDecodedImage ReadBmp(TStream& stream, const std::string& file_name);
// Writes a 24-bit bottom-up BMP with a 40-byte header; colours 0x00BBGGRR, top row first.
void WriteBmp24(TStream& stream, int32_t width, int32_t height, const std::vector<uint32_t>& colors);

// The whole stream from its start, as bytes.
std::vector<uint8_t> ReadWholeStream(TStream& stream);

}  // namespace velk
