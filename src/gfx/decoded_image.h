#pragma once
// A picture decoded from a BMP or PNG file, before it is put into a surface: colours 0x00BBGGRR, top row first.
#include <cstdint>
#include <string>
#include <vector>

namespace velk {

struct TDecodedImage {
  int32_t Width = 0;
  int32_t Height = 0;
  int BitCount = 0;               // bits per pixel in the file (8 for a PNG channel depth of 16, which is reduced)
  std::vector<uint32_t> Palette;  // colours of an indexed picture
  std::vector<uint8_t> Indices;   // one per pixel when indexed, else empty
  std::vector<uint32_t> Colors;   // one per pixel
  std::vector<uint8_t> Alpha;     // one per pixel (255 = opaque), empty when the file has none
  bool HasTransparentColor = false;
  uint32_t TransparentColor = 0;  // a colour, or for indexed pictures 0x01000000 | index
};

// Pictures larger than this are refused before anything is allocated: no screen of the system comes near it, and a
// damaged or hostile header must not reserve gigabytes.
constexpr int32_t kMaxImageDimension = 16384;
constexpr int64_t kMaxImagePixels = int64_t{1} << 25;

// Throws EFormatError naming the file unless 1 <= width, height <= kMaxImageDimension and the product is at most
// kMaxImagePixels.
void CheckImageSize(int64_t width, int64_t height, const std::string& file_name);

}  // namespace velk
