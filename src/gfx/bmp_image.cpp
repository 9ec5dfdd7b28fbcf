#include "gfx/bmp_image.h"

#include <bit>
#include <cstring>

#include "base/error.h"
#include "vfs/stream.h"

namespace velk {

void CheckImageSize(int64_t width, int64_t height, const std::string& file_name) {
  if (width < 1 || height < 1 || width > kMaxImagePixels || height > kMaxImagePixels ||
      width * height > kMaxImagePixels)
    throw EFormatError("image size out of range: " + std::to_string(width) + " x " + std::to_string(height), file_name);
}

std::vector<uint8_t> ReadWholeStream(TStream& stream) {
  int32_t size = stream.GetSize();
  std::vector<uint8_t> bytes(size > 0 ? static_cast<size_t>(size) : 0);
  stream.SetPosition(0);
  if (!bytes.empty()) stream.ReadBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  return bytes;
}

namespace {

constexpr uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitFields = 3;

// Bounds-checked little-endian reads from the file's bytes.
class Reader {
 public:
  Reader(const uint8_t* data, size_t size, const std::string& name) : data_(data), size_(size), name_(name) {}
  [[noreturn]] void Fail(const std::string& what) const { throw EFormatError("damaged BMP: " + what, name_); }
  void Need(size_t offset, size_t count) const {
    if (offset > size_ || count > size_ - offset) Fail("truncated");
  }
  uint32_t U32(size_t o) const {
    Need(o, 4);
    return uint32_t{data_[o]} | uint32_t{data_[o + 1]} << 8 | uint32_t{data_[o + 2]} << 16 |
           uint32_t{data_[o + 3]} << 24;
  }
  uint16_t U16(size_t o) const {
    Need(o, 2);
    return static_cast<uint16_t>(data_[o] | data_[o + 1] << 8);
  }
  uint8_t U8(size_t o) const {
    Need(o, 1);
    return data_[o];
  }
  const uint8_t* At(size_t o) const { return data_ + o; }
  size_t Size() const { return size_; }

 private:
  const uint8_t* data_;
  size_t size_;
  const std::string& name_;
};

// A bit-field channel value scaled to 8 bits (its high bits at the top of the byte).
uint32_t FieldTo8(uint32_t pixel, uint32_t mask) {
  if (mask == 0) return 0;
  int shift = std::countr_zero(mask);
  int bits = std::popcount(mask >> shift);
  uint32_t v = (pixel & mask) >> shift;
  return bits >= 8 ? v >> (bits - 8) : v << (8 - bits);
}

struct Header {
  int64_t width = 0, height = 0;
  bool top_down = false;
  int bits = 0;
  uint32_t compression = kBiRgb;
  uint32_t colors_used = 0;
  uint32_t masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha
  bool has_masks = false;
  size_t palette_offset = 0;
  int palette_entry = 4;
};

Header ReadHeader(const Reader& r) {
  Header h;
  uint32_t info = r.U32(14);
  if (info < 12 || info > 1024) r.Fail("header size");
  r.Need(14, info);
  if (info == 12) {
    h.width = r.U16(18);
    h.height = r.U16(20);
    h.bits = r.U16(24);
    h.palette_entry = 3;
  } else {
    if (info < 16) r.Fail("header size");
    h.width = static_cast<int32_t>(r.U32(18));
    h.height = static_cast<int32_t>(r.U32(22));
    h.bits = r.U16(28);
    if (info >= 20) h.compression = r.U32(30);
    if (info >= 36) h.colors_used = r.U32(46);
  }
  if (h.height < 0) {
    h.top_down = true;
    h.height = -h.height;
  }
  h.palette_offset = 14 + info;
  if (h.compression == kBiBitFields) {
    if (info == 40) {
      for (int i = 0; i < 3; ++i) h.masks[i] = r.U32(54 + 4 * i);
      h.palette_offset += 12;
    } else if (info >= 52) {
      for (int i = 0; i < 3; ++i) h.masks[i] = r.U32(54 + 4 * i);
      if (info >= 56) h.masks[3] = r.U32(66);
    } else {
      r.Fail("bit fields without masks");
    }
    h.has_masks = true;
    if (h.bits != 16 && h.bits != 32) r.Fail("bit fields at this depth");
  } else if (info >= 56 && h.bits == 32) {
    h.masks[3] = r.U32(66);
  }
  return h;
}

void DecodeRle(const Reader& r, size_t pos, const Header& h, std::vector<uint8_t>& idx) {
  // RLE rows run bottom-up; (x, y) counts from the bottom row.
  const int64_t w = h.width, rows = h.height;
  int64_t x = 0, y = 0;
  const bool four = h.compression == kBiRle4;
  auto put = [&](uint8_t v) {
    if (x < w && y < rows) idx[static_cast<size_t>((rows - 1 - y) * w + x)] = v;
    ++x;
  };
  while (pos + 1 < r.Size() && y < rows) {
    uint8_t count = r.U8(pos), value = r.U8(pos + 1);
    pos += 2;
    if (count > 0) {
      for (int i = 0; i < count; ++i) put(four ? ((i & 1) ? value & 0x0F : value >> 4) : value);
    } else if (value == 0) {
      x = 0;
      ++y;
    } else if (value == 1) {
      return;
    } else if (value == 2) {
      x += r.U8(pos);
      y += r.U8(pos + 1);
      pos += 2;
    } else {
      size_t bytes = four ? (value + 1) / 2 : value;
      r.Need(pos, bytes);
      for (int i = 0; i < value; ++i) {
        uint8_t b = r.U8(pos + (four ? i / 2 : i));
        put(four ? ((i & 1) ? b & 0x0F : b >> 4) : b);
      }
      pos += (bytes + 1) & ~size_t{1};  // absolute runs are padded to 16 bits
    }
  }
}

}  // namespace

TDecodedImage DecodeBmp(const uint8_t* data, size_t size, const std::string& file_name) {
  Reader r(data, size, file_name);
  if (size < 2 || data[0] != 'B' || data[1] != 'M') r.Fail("signature");
  const uint32_t off_bits = r.U32(10);
  Header h = ReadHeader(r);
  CheckImageSize(h.width, h.height, file_name);
  const bool rle = h.compression == kBiRle8 || h.compression == kBiRle4;
  if (h.compression > kBiBitFields || (h.compression == kBiRle8 && h.bits != 8) ||
      (h.compression == kBiRle4 && h.bits != 4))
    r.Fail("compression");
  if (h.bits != 1 && h.bits != 4 && h.bits != 8 && h.bits != 16 && h.bits != 24 && h.bits != 32) r.Fail("depth");

  TDecodedImage img;
  img.Width = static_cast<int32_t>(h.width);
  img.Height = static_cast<int32_t>(h.height);
  img.BitCount = h.bits;
  const size_t pixels = static_cast<size_t>(h.width * h.height);

  if (h.bits <= 8) {
    uint32_t count = h.colors_used == 0 ? (1u << h.bits) : std::min<uint32_t>(h.colors_used, 1u << h.bits);
    r.Need(h.palette_offset, size_t{count} * h.palette_entry);
    img.Palette.resize(1u << h.bits, 0);
    for (uint32_t i = 0; i < count; ++i) {
      const uint8_t* e = r.At(h.palette_offset + size_t{i} * h.palette_entry);
      img.Palette[i] = uint32_t{e[2]} | uint32_t{e[1]} << 8 | uint32_t{e[0]} << 16;
    }
  }

  const size_t start = off_bits;
  const size_t stride = ((static_cast<size_t>(h.width) * h.bits + 31) / 32) * 4;
  if (!rle) r.Need(start, stride * static_cast<size_t>(h.height));  // the pixels are really there

  if (h.bits <= 8) {
    img.Indices.assign(pixels, 0);
    if (rle) {
      if (h.top_down) r.Fail("top-down RLE");
      r.Need(start, 0);
      DecodeRle(r, start, h, img.Indices);
    } else {
      for (int64_t row = 0; row < h.height; ++row) {
        const uint8_t* line = r.At(start + stride * static_cast<size_t>(h.top_down ? row : h.height - 1 - row));
        uint8_t* out = &img.Indices[static_cast<size_t>(row * h.width)];
        for (int64_t x = 0; x < h.width; ++x) {
          int64_t bit = x * h.bits;
          uint8_t b = line[bit / 8];
          out[x] = static_cast<uint8_t>((b >> (8 - h.bits - bit % 8)) & ((1 << h.bits) - 1));
        }
      }
    }
    img.Colors.resize(pixels);
    for (size_t i = 0; i < pixels; ++i) img.Colors[i] = img.Palette[img.Indices[i]];
    return img;
  }

  uint32_t masks[4];
  std::memcpy(masks, h.masks, sizeof masks);
  if (!h.has_masks) {
    if (h.bits == 16) {
      masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
    } else {
      masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
    }
  }
  img.Colors.resize(pixels);
  if (h.bits == 32) img.Alpha.resize(pixels);
  const int bytes = h.bits / 8;
  for (int64_t row = 0; row < h.height; ++row) {
    const uint8_t* line = r.At(start + stride * static_cast<size_t>(h.top_down ? row : h.height - 1 - row));
    for (int64_t x = 0; x < h.width; ++x) {
      const uint8_t* p = line + x * bytes;
      uint32_t v = p[0] | uint32_t{p[1]} << 8;
      if (bytes >= 3) v |= uint32_t{p[2]} << 16;
      if (bytes == 4) v |= uint32_t{p[3]} << 24;
      size_t i = static_cast<size_t>(row * h.width + x);
      img.Colors[i] = FieldTo8(v, masks[0]) | FieldTo8(v, masks[1]) << 8 | FieldTo8(v, masks[2]) << 16;
      // A 32-bit bitmap carries its alpha in the fourth byte, or under its alpha mask when it names one.
      if (bytes == 4) img.Alpha[i] = static_cast<uint8_t>(masks[3] ? FieldTo8(v, masks[3]) : v >> 24);
    }
  }
  return img;
}

TDecodedImage ReadBmp(TStream& stream, const std::string& file_name) {
  std::vector<uint8_t> bytes = ReadWholeStream(stream);
  return DecodeBmp(bytes.data(), bytes.size(), file_name);
}

void WriteBmp24(TStream& stream, int32_t width, int32_t height, const std::vector<uint32_t>& colors) {
  const uint32_t stride = ((static_cast<uint32_t>(width) * 24 + 31) / 32) * 4;
  const uint32_t image = stride * static_cast<uint32_t>(height);
  std::vector<uint8_t> out(54 + image, 0);
  auto put32 = [&out](size_t o, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[o + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  out[0] = 'B', out[1] = 'M';
  put32(2, 54 + image);
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(width));
  put32(22, static_cast<uint32_t>(height));
  out[26] = 1;
  out[28] = 24;
  put32(34, image);
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* line = &out[54 + stride * static_cast<uint32_t>(height - 1 - y)];
    for (int32_t x = 0; x < width; ++x) {
      uint32_t c = colors[static_cast<size_t>(y) * width + x];
      line[3 * x] = static_cast<uint8_t>(c >> 16);
      line[3 * x + 1] = static_cast<uint8_t>(c >> 8);
      line[3 * x + 2] = static_cast<uint8_t>(c);
    }
  }
  stream.WriteBuffer(out.data(), static_cast<int32_t>(out.size()));
}

}  // namespace velk
