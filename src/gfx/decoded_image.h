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

// Pictures are capped by their pixel count, not by a side: a credit roll may be far taller than any screen. A damaged
// or hostile header must still not reserve gigabytes. The longest side follows from the cap (a picture one pixel
// wide); readers that want a per-side limit (libpng) use it.
constexpr int64_t kMaxImagePixels = int64_t{1} << 25;
constexpr int32_t kMaxImageDimension = static_cast<int32_t>(kMaxImagePixels);

// Throws EFormatError naming the file unless both sides are at least 1 and the product is at most kMaxImagePixels.
void CheckImageSize(int64_t width, int64_t height, const std::string& file_name);

}  // namespace velk
