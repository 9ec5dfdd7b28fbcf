#include "gfx/cursor_file.h"

#include <algorithm>
#include <cstring>

#include "base/error.h"
#include "gfx/decoded_image.h"
#include "gfx/png_image.h"

namespace velk {
namespace {

constexpr size_t kDirHeader = 6;
constexpr size_t kDirEntry = 16;
constexpr size_t kInfoHeader = 40;

class TCursorReader {
 public:
  TCursorReader(const uint8_t* data, size_t size, const std::string& file) : data_(data), size_(size), file_(file) {}

  [[noreturn]] void Fail(const std::string& what) const { throw EFormatError("damaged cursor file: " + what, file_); }

  void Need(size_t offset, size_t n) const {
    if (offset > size_ || n > size_ - offset) Fail("data cut short");
  }
  uint32_t U32(size_t o) const {
    Need(o, 4);
    return data_[o] | uint32_t{data_[o + 1]} << 8 | uint32_t{data_[o + 2]} << 16 | uint32_t{data_[o + 3]} << 24;
  }
  uint16_t U16(size_t o) const {
    Need(o, 2);
    return static_cast<uint16_t>(data_[o] | data_[o + 1] << 8);
  }

  TCursorImage Read() const {
    if (size_ >= 12 && std::memcmp(data_, "RIFF", 4) == 0) return ReadAnimated();
    return ReadDirectory(0, size_);
  }

 private:
  // RIFF "ACON": the first "icon" chunk (inside the "fram" list) is a whole cursor file.
  TCursorImage ReadAnimated() const {
    if (std::memcmp(data_ + 8, "ACON", 4) != 0) Fail("not an animated cursor");
    size_t body = 0, length = 0;
    if (!FindIcon(12, size_, 0, body, length)) Fail("no frame");
    return ReadDirectory(body, length);
  }

  // Chunks from pos to end; lists are searched too, a few levels deep (the frames lie one list down).
  bool FindIcon(size_t pos, size_t end, int depth, size_t& body, size_t& length) const {
    while (pos + 8 <= end) {
      const uint32_t n = U32(pos + 4);
      const size_t start = pos + 8;
      if (n > end - start) Fail("chunk past the end");
      if (std::memcmp(data_ + pos, "icon", 4) == 0) {
        body = start;
        length = n;
        return true;
      }
      if (std::memcmp(data_ + pos, "LIST", 4) == 0 && n >= 4 && depth < 4 &&
          FindIcon(start + 4, start + n, depth + 1, body, length))
        return true;
      pos = start + n + (n & 1);
    }
    return false;
  }

  // A cursor or icon file at base, size bytes long: the first entry of its directory. The picture's own header
  // gives its size; the directory's byte-sized sides only describe it.
  TCursorImage ReadDirectory(size_t base, size_t size) const {
    if (size < kDirHeader + kDirEntry) Fail("directory cut short");
    const uint16_t type = U16(base + 2);
    if (U16(base) != 0 || (type != 1 && type != 2)) Fail("not a cursor");
    if (U16(base + 4) == 0) Fail("no pictures");
    const size_t entry = base + kDirHeader;
    // Icons store planes and depth where cursors store the hot spot.
    const int32_t hot_x = type == 2 ? U16(entry + 4) : 0;
    const int32_t hot_y = type == 2 ? U16(entry + 6) : 0;
    const uint32_t bytes = U32(entry + 8);
    const uint32_t offset = U32(entry + 12);
    if (offset > size || bytes > size - offset) Fail("picture outside the file");
    TCursorImage image = ReadPicture(base + offset, bytes);
    image.HotX = std::min(hot_x, image.Width - 1);
    image.HotY = std::min(hot_y, image.Height - 1);
    return image;
  }

  TCursorImage ReadPicture(size_t at, size_t bytes) const {
    static const uint8_t kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (bytes >= 8 && std::memcmp(data_ + at, kPng, 8) == 0) return FromPng(at, bytes);
    return FromBitmap(at, bytes);
  }

  TCursorImage FromPng(size_t at, size_t bytes) const {
    const TDecodedImage img = DecodePng(data_ + at, bytes, file_);
    if (img.Width > kMaxCursorSide || img.Height > kMaxCursorSide) Fail("picture too large");
    TCursorImage out;
    out.Width = img.Width;
    out.Height = img.Height;
    out.Pixels.resize(static_cast<size_t>(img.Width) * img.Height);
    for (size_t i = 0; i < out.Pixels.size(); ++i) {
      const uint32_t c = img.Colors[i];  // 0x00BBGGRR
      const uint32_t a = img.Alpha.empty() ? 255 : img.Alpha[i];
      out.Pixels[i] = a << 24 | (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF);
    }
    return out;
  }

  // A bitmap without file header: the colour rows, then the 1-bit AND mask, both bottom row first and padded to
  // 4 bytes; the stored height counts both. A set mask bit is transparent; 32-bit pictures whose fourth bytes are
  // not all zero carry their own alpha.
  TCursorImage FromBitmap(size_t at, size_t bytes) const {
    if (bytes < kInfoHeader) Fail("bitmap header cut short");
    const uint32_t header = U32(at);
    const int32_t width = static_cast<int32_t>(U32(at + 4));
    const int32_t stored_height = static_cast<int32_t>(U32(at + 8));
    const int bits = U16(at + 14);
    const uint32_t compression = U32(at + 16);
    const uint32_t used = U32(at + 32);
    if (header < kInfoHeader || header > bytes) Fail("bad bitmap header");
    if (compression != 0) Fail("compressed bitmap");
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) Fail("bad depth");
    const int32_t height = stored_height / 2;
    if (width < 1 || width > kMaxCursorSide || height < 1 || height > kMaxCursorSide) Fail("bad size");
    const size_t entries = bits <= 8 ? (used != 0 && used < (1u << bits) ? used : (1u << bits)) : 0;
    const size_t palette = at + header;
    Need(palette, entries * 4);
    if (palette + entries * 4 > at + bytes) Fail("palette outside the picture");
    const size_t color_line = (static_cast<size_t>(width) * bits + 31) / 32 * 4;
    const size_t mask_line = (static_cast<size_t>(width) + 31) / 32 * 4;
    const size_t colors = palette + entries * 4;
    const size_t mask = colors + color_line * height;
    const size_t end = mask + mask_line * height;
    if (end > at + bytes) Fail("pixels outside the picture");
    Need(colors, end - colors);

    TCursorImage out;
    out.Width = width;
    out.Height = height;
    out.Pixels.resize(static_cast<size_t>(width) * height);
    bool any_alpha = false;
    for (int32_t y = 0; y < height; ++y) {
      const uint8_t* row = data_ + colors + color_line * (height - 1 - y);
      const uint8_t* mrow = data_ + mask + mask_line * (height - 1 - y);
      for (int32_t x = 0; x < width; ++x) {
        uint32_t argb = 0;
        if (bits == 32 || bits == 24) {
          const uint8_t* p = row + x * (bits / 8);
          argb = uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
          if (bits == 32) {
            argb |= uint32_t{p[3]} << 24;
            any_alpha = any_alpha || p[3] != 0;
          }
        } else {
          const int per_byte = 8 / bits;
          const uint32_t v = (row[x / per_byte] >> ((per_byte - 1 - x % per_byte) * bits)) & ((1u << bits) - 1);
          if (v < entries) {
            const uint8_t* e = data_ + palette + 4 * v;
            argb = uint32_t{e[2]} << 16 | uint32_t{e[1]} << 8 | e[0];
          }
        }
        const bool masked = (mrow[x / 8] >> (7 - x % 8)) & 1;
        if (bits != 32) argb |= masked ? 0 : 0xFF000000u;
        out.Pixels[static_cast<size_t>(y) * width + x] = masked && bits != 32 ? 0 : argb;
      }
    }
    // A 32-bit picture without alpha bytes takes its transparency from the mask.
    if (bits == 32 && !any_alpha) {
      for (int32_t y = 0; y < height; ++y) {
        const uint8_t* mrow = data_ + mask + mask_line * (height - 1 - y);
        for (int32_t x = 0; x < width; ++x) {
          uint32_t& p = out.Pixels[static_cast<size_t>(y) * width + x];
          p = (mrow[x / 8] >> (7 - x % 8)) & 1 ? 0 : p | 0xFF000000u;
        }
      }
    }
    return out;
  }

  const uint8_t* data_;
  size_t size_;
  const std::string& file_;
};

}  // namespace

TCursorImage ReadCursorFile(const uint8_t* data, size_t size, const std::string& file_name) {
  return TCursorImage(TCursorReader(data, size, file_name).Read());
}

}  // namespace velk
