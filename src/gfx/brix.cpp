// The layered image reader, and PNG and BMP files as one-frame images.
#include "gfx/brix.h"

#include <algorithm>
#include <cstring>

#include "base/error.h"
#include "base/random.h"
#include "gfx/bmp_image.h"
#include "gfx/decoded_image.h"
#include "gfx/dib_pixels.h"
#include "gfx/jpeg_codec.h"
#include "gfx/png_image.h"
#include "vfs/stream.h"
#include "vfs/stream_io.h"
#include "vfs/zlib_codec.h"

namespace velk {
namespace {

// The smallest records the counts of a file can promise: a frame (name length, transparent value, display time,
// the kept byte, 4 skipped bytes, layer count, width, height, bit count) and a layer (8 skipped bytes, visible,
// transparent value, opacity, name length, colour data size).
constexpr int64_t kMinFrameBytes = 33;
constexpr int64_t kMinLayerBytes = 21;
constexpr int32_t kMaxHeaderSize = 1 << 16;

bool ValidDepth(int32_t bits) {
  return bits == 1 || bits == 4 || bits == 8 || bits == 15 || bits == 16 || bits == 24 || bits == 32;
}

// Bytes of one stored row of a bitmap: rows are padded to 4 bytes.
int64_t LineStep(int bits, int64_t width) { return ((width * bits + 31) / 32) * 4; }

// A bitmap as the decoder sees it: the colour pixels of a picture, or its alpha bitmap.
struct Plane {
  uint8_t* base = nullptr;
  int64_t stride = 0;  // bytes from a row to the row below (top row first)
  int bits = 8;
  int32_t width = 0;
  int32_t height = 0;

  uint8_t* Row(int32_t y) const { return base + y * stride; }
};

Plane ColorPlane(TDIBSurface& dib) {
  return Plane{dib.Bits(), dib.Pitch(), dib.StorageBits(), dib.Width(), dib.Height()};
}

Plane AlphaPlane(TDIBSurface& dib) { return Plane{dib.AlphaLine(0), dib.Width(), 8, dib.Width(), dib.Height()}; }

// Bits of pixel x of a packed row (1, 4 or 8 and more bits per pixel, most significant bits leftmost).
uint32_t GetPacked(const uint8_t* row, int bits, int64_t x) {
  if (bits == 1) return (row[x >> 3] >> (7 - (x & 7))) & 1;
  return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF;
}

void SetPacked(uint8_t* row, int bits, int64_t x, uint32_t v) {
  if (bits == 1) {
    const uint8_t bit = static_cast<uint8_t>(0x80 >> (x & 7));
    row[x >> 3] = static_cast<uint8_t>(v ? row[x >> 3] | bit : row[x >> 3] & ~bit);
  } else {
    uint8_t& b = row[x >> 1];
    b = (x & 1) ? static_cast<uint8_t>((b & 0xF0) | v) : static_cast<uint8_t>((b & 0x0F) | v << 4);
  }
}

// Copies count pixels from (src_row, src_x) to (dst_row, dst_x); both rows have the same depth.
void CopyPixels(uint8_t* dst_row, int64_t dst_x, const uint8_t* src_row, int64_t src_x, int64_t count, int bits) {
  if (bits >= 8) {
    const int64_t bytes = bits / 8;
    std::memmove(dst_row + dst_x * bytes, src_row + src_x * bytes, static_cast<size_t>(count * bytes));
    return;
  }
  for (int64_t i = 0; i < count; ++i) SetPacked(dst_row, bits, dst_x + i, GetPacked(src_row, bits, src_x + i));
}

}  // namespace

bool IsBrix(const uint8_t* data, size_t size) { return size >= 4 && std::memcmp(data, "Brix", 4) == 0; }

// One load of a layered image: the stream, the header values and the byte budget.
class TBrixFrameList::Reader {
 public:
  Reader(TBrixFrameList& list, TStream& s, const std::string& file_name) : list_(list), s_(s), file_(file_name) {}

  void Read(bool first_frame_only, bool convert, bool keep_layers) {
    keep_layers_ = keep_layers;
    ReadHeader();
    if (frame_count_ < 0) Fail("negative frame count");
    const int32_t count = first_frame_only ? std::min(frame_count_, 1) : frame_count_;
    CheckCount(s_, count, kMinFrameBytes);
    for (int32_t i = 0; i < count; ++i) {
      layer_bytes_ = 0;
      ReadFrame(i, convert);
      // Without kept layers a frame's layers go as soon as it is composed, so that long animations need memory
      // for their composed frames only. Files with blocks are the exception: a later frame may copy a block from
      // any earlier frame's layer, so theirs stay until the whole file is read.
      if (!keep_layers && !UsesBlocks()) {
        list_.Frame(i).ClearLayers();
        used_ -= layer_bytes_;
      }
    }
    if (!keep_layers)
      for (int32_t i = 0; i < list_.Count(); ++i) list_.Frame(i).ClearLayers();
  }

 private:
  [[noreturn]] void Fail(const std::string& what) { throw EFormatError("damaged layered image: " + what, file_); }

  int32_t I32() {
    uint8_t b[4];
    s_.ReadBuffer(b, 4);
    return static_cast<int32_t>(b[0] | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24);
  }
  uint8_t U8() {
    uint8_t b;
    s_.ReadBuffer(&b, 1);
    return b;
  }
  void Skip(int32_t n) {
    CheckCount(s_, n, 1);
    s_.Seek(n, soCurrent);
  }
  std::vector<uint8_t> Bytes(int32_t n) {
    if (n < 0) Fail("negative data size");
    CheckCount(s_, n, 1);
    std::vector<uint8_t> out(static_cast<size_t>(n));
    if (n > 0) s_.ReadBuffer(out.data(), n);
    return out;
  }

  // Every picture alive in the load counts against the list's byte budget.
  void Charge(int64_t bytes) {
    used_ += bytes;
    if (used_ > list_.MaxBytes) Fail("pictures exceed the memory limit");
  }
  // A layer's pictures, given back when the frame's layers are freed.
  void ChargeLayer(int64_t bytes) {
    Charge(bytes);
    layer_bytes_ += bytes;
  }

  void ReadHeader() {
    const int32_t start = s_.GetPosition();
    char sig[7] = {};
    const int32_t got = s_.Read(sig, 7);
    if (got < 4 || std::memcmp(sig, "Brix", 4) != 0) {
      s_.Seek(start, soBeginning);
      list_.Version = 0;
    } else {
      if (got < 7) s_.ReadBuffer(sig + got, 7 - got);
      for (int i = 4; i < 7; ++i)
        if (sig[i] < '0' || sig[i] > '9') Fail("bad version digits");
      list_.Version = (sig[4] - '0') * 100 + (sig[5] - '0') * 10 + (sig[6] - '0');
    }
    if (list_.Version < 103) {
      frame_count_ = I32();
      U8();
      if (list_.Version > 101) list_.BackgroundColor = I32();
      return;
    }
    const int32_t size = I32();
    if (size < 0 || size > kMaxHeaderSize) Fail("bad header size");
    uint8_t h[40] = {};
    const int32_t kept = std::min(size, 40);
    s_.ReadBuffer(h, kept);
    Skip(size - kept);
    auto at = [&h](int o) {
      return static_cast<int32_t>(h[o] | uint32_t{h[o + 1]} << 8 | uint32_t{h[o + 2]} << 16 | uint32_t{h[o + 3]} << 24);
    };
    list_.Width = at(4);
    list_.Height = at(8);
    list_.HeaderBitCount = at(12);
    frame_count_ = at(16);
    list_.Scrambled = h[21] != 0;
    list_.Compression = h[22];
    if (list_.Compression > kBrixJpeg) Fail("unknown compression");
    list_.BackgroundColor = at(24);
    list_.BlockWidth = at(28);
    list_.BlockHeight = at(32);
    list_.LayerComposition = list_.Version >= 105 && h[36] != 0;
    list_.JpegQuality = h[37];
  }

  void ReadFrame(int32_t frame_index, bool convert) {
    TBrixFrame& frame = list_.AddFrame();
    frame.Name = ReadString(s_);
    frame.TransparentValue = I32();
    frame.DisplayTime = I32();
    frame.Kept = U8();
    Skip(4);
    const int32_t layers = I32();
    const int32_t width = I32();
    const int32_t height = I32();
    const int32_t bits = I32();
    if (layers < 0) Fail("negative layer count");
    if (!ValidDepth(bits)) Fail("bad bit count " + std::to_string(bits));
    CheckImageSize(width, height, file_);
    Charge(LineStep(bits == 15 ? 16 : bits, width) * height);
    if (bits <= 8) {
      const int32_t entries = 1 << bits;
      CheckCount(s_, entries, 4);
      for (int32_t i = 0; i < entries; ++i) {
        uint8_t e[4];
        s_.ReadBuffer(e, 4);
        frame.Picture.Palette[i] = e[0] | uint32_t{e[1]} << 8 | uint32_t{e[2]} << 16;
      }
    }
    CheckCount(s_, layers, kMinLayerBytes);
    for (int32_t i = 0; i < layers; ++i) ReadLayer(frame, frame_index, i, width, height, bits);
    // The frame's own pixels are sized after its layers: when a first layer copied whole hands its picture over,
    // the block its pixels were decoded into (most often one a previous load gave back, already in memory) is the
    // one the frame keeps, and the frame's own block goes back untouched. Cleared below only where the layers
    // leave the background showing.
    SetDibSize(frame.Picture, width, height, bits, false);
    frame.TransparentColor = -1;
    if (frame.TransparentValue >= 0 && (bits > 8 || frame.TransparentValue < (1 << bits)))
      frame.TransparentColor =
          static_cast<int32_t>(DibNativeToColor(frame.Picture, static_cast<uint32_t>(frame.TransparentValue)));
    if (!frame.ComposeCoversPicture(list_.LayerComposition) && !frame.Picture.Empty()) {
      std::memset(frame.Picture.ScanLine(0), 0, static_cast<size_t>(frame.Picture.Pitch()));
      const uint32_t background = DibColorToNative(frame.Picture, static_cast<uint32_t>(list_.BackgroundColor));
      for (int32_t x = 0; x < width; ++x) SetDibPixel(frame.Picture, x, 0, background);
      for (int32_t y = 1; y < height; ++y)
        std::memcpy(frame.Picture.ScanLine(y), frame.Picture.ScanLine(0), static_cast<size_t>(frame.Picture.Pitch()));
    }
    // Layers that go as soon as the frame is composed may hand their pictures over instead of being copied.
    frame.Compose(list_.LayerComposition, !keep_layers_ && !UsesBlocks());

    if (list_.Version >= 104) {
      ReadRects(frame.ContentRects);
      ReadRects(frame.ExtraRects);
    }
    if (convert && list_.BitDepth != 0 && list_.BitDepth != bits) ConvertFrame(frame, list_.BitDepth);
  }

  void ReadRects(std::vector<TRect>& rects) {
    const int32_t count = I32();
    if (count <= 0) return;
    CheckCount(s_, count, 16);
    rects.resize(static_cast<size_t>(count));
    for (TRect& r : rects) {
      r.Left = I32();
      r.Top = I32();
      r.Right = I32();
      r.Bottom = I32();
    }
  }

  void ConvertFrame(TBrixFrame& frame, int32_t depth) {
    if (depth != 15 && depth != 16 && depth != 24 && depth != 32) return;
    TDIBSurface out;
    const int32_t w = frame.Picture.Width(), h = frame.Picture.Height();
    Charge(LineStep(depth == 15 ? 16 : depth, w) * h);
    SetDibSize(out, w, h, depth);
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x)
        SetDibPixel(out, x, y,
                    DibColorToNative(out, DibNativeToColor(frame.Picture, GetDibPixel(frame.Picture, x, y))));
    if (frame.HasAlpha()) {
      out.SetHasAlpha(true);
      for (int32_t y = 0; y < h; ++y) std::memcpy(out.AlphaLine(y), frame.Picture.AlphaLine(y), w);
    }
    frame.Picture = std::move(out);
    if (frame.TransparentColor >= 0)
      frame.TransparentValue =
          static_cast<int32_t>(DibColorToNative(frame.Picture, static_cast<uint32_t>(frame.TransparentColor)));
  }

  // A layer of the frame being read, whose size and depth are given (the frame's pixels are not sized yet).
  void ReadLayer(TBrixFrame& frame, int32_t frame_index, int32_t layer_index, int32_t width, int32_t height,
                 int32_t bits) {
    TBrixLayer& layer = frame.AddLayer();
    Skip(8);
    layer.Visible = U8() != 0;
    layer.TransparentValue = I32();
    layer.Opacity = I32();
    if (list_.Version > 100) layer.AlphaEnabled = U8() != 0;
    layer.Name = ReadString(s_);
    ChargeLayer(LineStep(bits == 15 ? 16 : bits, width) * height);
    std::vector<uint8_t> color = Bytes(I32());
    const bool jpeg = list_.Version >= 103 && list_.Compression == kBrixJpeg;
    // Colour data fills every pixel of the layer, except a JPEG picture of another size; without data the layer
    // stays 0.
    SetDibSize(layer.Picture, width, height, bits, color.empty() || jpeg);
    layer.Picture.Palette = frame.Picture.Palette;

    if (!color.empty()) {
      if (jpeg)
        DecodeJpegInto(layer.Picture, color);
      else
        DecodeData(color, ColorPlane(layer.Picture), false, frame_index, layer_index);
    }
    if (list_.Version > 99) {
      std::vector<uint8_t> alpha = Bytes(I32());
      if (!alpha.empty()) {
        ChargeLayer(int64_t{width} * height);
        // Alpha data fills every byte of the bitmap or fails.
        layer.Picture.SetHasAlpha(true, false);
        if (layer.AlphaEnabled) layer.TransparentValue = -1;
        DecodeData(alpha, AlphaPlane(layer.Picture), true, frame_index, layer_index);
      }
    }
  }

  void DecodeJpegInto(TDIBSurface& picture, const std::vector<uint8_t>& bytes) {
    const TDecodedImage img = DecodeJpeg(bytes.data(), bytes.size(), file_);
    const int32_t w = std::min(img.Width, picture.Width()), h = std::min(img.Height, picture.Height());
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x)
        SetDibPixel(picture, x, y, DibColorToNative(picture, img.Colors[static_cast<size_t>(y) * img.Width + x]));
  }

  bool UsesBlocks() const { return list_.Version >= 103 && list_.BlockWidth > 0 && list_.BlockHeight > 0; }

  // One colour or alpha data block into its plane.
  void DecodeData(const std::vector<uint8_t>& stored, const Plane& plane, bool alpha, int32_t frame_index,
                  int32_t layer_index) {
    const int64_t line = LineStep(plane.bits, plane.width);
    int64_t columns = 0, rows = 0;
    int64_t limit = line * plane.height;
    if (UsesBlocks()) {
      columns = (int64_t{plane.width} + list_.BlockWidth - 1) / list_.BlockWidth;
      rows = (int64_t{plane.height} + list_.BlockHeight - 1) / list_.BlockHeight;
      if (columns * rows > TRandomGenerator::kMaxPool) Fail("too many blocks");
      // The table, and every block stored whole: a block row takes at most one byte more than its share.
      limit = columns * rows * 8 + (PackedRowBytes(plane.bits, plane.width) + columns) * plane.height;
    }
    // The generator's pool holds at most kMaxPool rows: taller permuted pictures would leave rows without a place.
    if (!UsesBlocks() && Permuted() && plane.height > TRandomGenerator::kMaxPool) Fail("too many rows to unscramble");
    const bool deflated = list_.Version < 103 || list_.Compression != kBrixRaw;
    if (deflated && !UsesBlocks() && !Permuted() && plane.stride == line) {
      InflateRowsInPlace(stored, plane, line);
      return;
    }
    std::vector<uint8_t> inflated;
    const std::vector<uint8_t>* data = &stored;
    if (deflated) {
      inflated = InflateBytes(stored.data(), stored.size(), static_cast<size_t>(limit), static_cast<size_t>(limit));
      data = &inflated;
    }
    if (UsesBlocks())
      DecodeBlocks(*data, plane, alpha, columns, rows, frame_index, layer_index);
    else
      DecodeRows(*data, plane, line);
  }

  // Rows of the line step each, as the bitmap lies in memory: bottom row first. Version 102 and earlier permute
  // them with a generator seeded with 0, scrambled files with the identification code; a stored row then goes to
  // the memory row the generator's next pool value names.
  bool Permuted() const { return list_.Version <= 102 || list_.Scrambled; }

  // Rows in stored order need no buffer of their own: they are inflated straight into the plane, whose rows have
  // the line step, and then put top row first. Padding at the row ends stays 0, as DecodeRows leaves it.
  void InflateRowsInPlace(const std::vector<uint8_t>& stored, const Plane& plane, int64_t line) {
    const size_t bytes = static_cast<size_t>(line * plane.height);
    if (InflateInto(stored.data(), stored.size(), plane.base, bytes) < bytes) Fail("pixel data too short");
    std::vector<uint8_t> row(static_cast<size_t>(line));
    for (int32_t top = 0, bottom = plane.height - 1; top < bottom; ++top, --bottom) {
      std::memcpy(row.data(), plane.Row(top), row.size());
      std::memcpy(plane.Row(top), plane.Row(bottom), row.size());
      std::memcpy(plane.Row(bottom), row.data(), row.size());
    }
    const int64_t packed = PackedRowBytes(plane.bits, plane.width);
    if (packed == line) return;
    for (int32_t y = 0; y < plane.height; ++y)
      std::memset(plane.Row(y) + packed, 0, static_cast<size_t>(line - packed));
  }

  void DecodeRows(const std::vector<uint8_t>& data, const Plane& plane, int64_t line) {
    if (static_cast<int64_t>(data.size()) < line * plane.height) Fail("pixel data too short");
    const bool permuted = Permuted();
    TRandomGenerator gen(list_.Version <= 102 ? 0u : static_cast<uint32_t>(list_.Identification));
    if (permuted) gen.ResetPool(plane.height);
    const int64_t packed = PackedRowBytes(plane.bits, plane.width);
    for (int32_t i = 0; i < plane.height; ++i) {
      const int32_t memory_row = permuted ? gen.TakeFromPool() : i;
      std::memcpy(plane.Row(plane.height - 1 - memory_row), data.data() + i * line, static_cast<size_t>(packed));
    }
  }

  void DecodeBlocks(const std::vector<uint8_t>& data, const Plane& plane, bool alpha, int64_t columns, int64_t rows,
                    int32_t frame_index, int32_t layer_index) {
    const int64_t n = columns * rows;
    if (static_cast<int64_t>(data.size()) < n * 8) Fail("block table too short");
    struct Entry {
      int32_t source, index;
    };
    std::vector<Entry> table(static_cast<size_t>(n));
    auto i32_at = [&data](int64_t o) {
      return static_cast<int32_t>(data[o] | uint32_t{data[o + 1]} << 8 | uint32_t{data[o + 2]} << 16 |
                                  uint32_t{data[o + 3]} << 24);
    };
    for (int64_t i = 0; i < n; ++i) table[i] = Entry{i32_at(8 * i), i32_at(8 * i + 4)};
    if (list_.Scrambled) {
      const std::vector<Entry> copy = table;
      TRandomGenerator gen(static_cast<uint32_t>(list_.Identification));
      gen.ResetPool(static_cast<int32_t>(n));
      for (int64_t i = 0; i < n; ++i) table[gen.TakeFromPool()] = copy[i];
    }

    int64_t pos = n * 8;
    const int32_t bw = list_.BlockWidth, bh = list_.BlockHeight;
    for (int64_t b = 0; b < n; ++b) {
      const int32_t x0 = static_cast<int32_t>((b % columns) * bw), y0 = static_cast<int32_t>((b / columns) * bh);
      const int32_t cw = std::min(bw, plane.width - x0), ch = std::min(bh, plane.height - y0);
      const Entry e = table[b];
      if (e.source == -1) {
        const int64_t row_bytes = PackedRowBytes(plane.bits, cw);
        if (static_cast<int64_t>(data.size()) - pos < row_bytes * ch) Fail("block data too short");
        for (int32_t y = 0; y < ch; ++y, pos += row_bytes)
          CopyPixels(plane.Row(y0 + y), x0, data.data() + pos, 0, cw, plane.bits);
      } else if (e.source == -2) {
        // Only blocks already decoded, whose area at this block's size lies inside the picture.
        if (e.index < 0 || e.index >= b) Fail("block copies a block not yet decoded");
        const int64_t sx = (e.index % columns) * bw, sy = (e.index / columns) * bh;
        if (sx + cw > plane.width || sy + ch > plane.height) Fail("block copies from outside the picture");
        for (int32_t y = 0; y < ch; ++y) CopyPixels(plane.Row(y0 + y), x0, plane.Row(sy + y), sx, cw, plane.bits);
      } else if (e.source >= 0) {
        const Plane src = SourcePlane(e.source, e.index, alpha, frame_index, layer_index, plane);
        if (x0 + cw > src.width || y0 + ch > src.height) Fail("block copies from outside the source layer");
        for (int32_t y = 0; y < ch; ++y) CopyPixels(plane.Row(y0 + y), x0, src.Row(y0 + y), x0, cw, plane.bits);
      } else {
        Fail("bad block source");
      }
    }
  }

  // The plane of a layer read before this one (an earlier frame, or an earlier layer of this frame).
  Plane SourcePlane(int32_t frame, int32_t layer, bool alpha, int32_t frame_index, int32_t layer_index,
                    const Plane& target) {
    const bool earlier = frame < frame_index || (frame == frame_index && layer >= 0 && layer < layer_index);
    if (!earlier) Fail("block copies a layer not yet decoded");
    TBrixFrame& f = list_.Frame(frame);
    if (layer < 0 || layer >= f.Count()) Fail("block copies a layer that does not exist");
    TDIBSurface& pic = f.Layer(layer).Picture;
    if (alpha && !pic.HasAlpha()) Fail("block copies alpha from a layer without alpha");
    const Plane p = alpha ? AlphaPlane(pic) : ColorPlane(pic);
    if (p.bits != target.bits) Fail("block copies from a layer of another depth");
    return p;
  }

  TBrixFrameList& list_;
  TStream& s_;
  std::string file_;
  int32_t frame_count_ = 0;
  int64_t used_ = 0;
  int64_t layer_bytes_ = 0;  // charged for the layers of the frame being read
  bool keep_layers_ = false;
};

TBrixFrame& TBrixFrameList::AddFrame() {
  frames_.push_back(std::make_unique<TBrixFrame>());
  return *frames_.back();
}

void TBrixFrameList::LoadFromStream(TStream& stream, bool first_frame_only, bool convert, bool keep_layers,
                                    const std::string& file_name) {
  Clear();
  Reader(*this, stream, file_name).Read(first_frame_only, convert, keep_layers);
}

namespace {

bool EndsWith(const std::string& name, const char* ext) {
  const size_t n = std::strlen(ext);
  if (name.size() < n) return false;
  for (size_t i = 0; i < n; ++i) {
    char c = name[name.size() - n + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != ext[i]) return false;
  }
  return true;
}

// A decoded BMP or PNG picture as the one frame of a list: indexed pictures keep their palette at 8 bits, the
// others become 24-bit; an alpha channel becomes the frame's alpha bitmap.
void ImageToFrame(TBrixFrame& frame, const TDecodedImage& img) {
  const bool indexed = !img.Indices.empty();
  SetDibSize(frame.Picture, img.Width, img.Height, indexed ? 8 : 24);
  if (indexed)
    for (size_t i = 0; i < img.Palette.size() && i < 256; ++i) {
      const uint32_t c = img.Palette[i];
      frame.Picture.Palette[i] = ((c >> 16) & 0xFF) | (c & 0xFF00) | ((c & 0xFF) << 16);
    }
  for (int32_t y = 0; y < img.Height; ++y)
    for (int32_t x = 0; x < img.Width; ++x) {
      const size_t i = static_cast<size_t>(y) * img.Width + x;
      SetDibPixel(frame.Picture, x, y, indexed ? img.Indices[i] : DibColorToNative(frame.Picture, img.Colors[i]));
    }
  if (!img.Alpha.empty()) {
    frame.Picture.SetHasAlpha(true);
    for (int32_t y = 0; y < img.Height; ++y)
      std::memcpy(frame.Picture.AlphaLine(y), &img.Alpha[static_cast<size_t>(y) * img.Width], img.Width);
  }
}

}  // namespace

void TBrixFrameList::LoadPng(const uint8_t* data, size_t size, const std::string& file_name) {
  Clear();
  AddPng(data, size, file_name);
}

void TBrixFrameList::AddPng(const uint8_t* data, size_t size, const std::string& file_name) {
  const TDecodedImage img = DecodePng(data, size, file_name);
  TBrixFrame& frame = AddFrame();
  ImageToFrame(frame, img);
  if (img.HasTransparentColor) {
    // A value with bit 24 set names a palette entry; for an indexed picture another colour takes the nearest
    // entry.
    const uint32_t index = img.TransparentColor & 0xFF;
    const bool by_index = (img.TransparentColor & 0x01000000) != 0;
    uint32_t value;
    if (by_index && !img.Indices.empty())
      value = index;
    else if (by_index && index < img.Palette.size())
      value = DibColorToNative(frame.Picture, img.Palette[index]);
    else if (by_index)
      return;  // names no entry: no transparent colour
    else
      value = DibColorToNative(frame.Picture, img.TransparentColor & 0xFFFFFF);
    frame.TransparentValue = static_cast<int32_t>(value);
    frame.TransparentColor = static_cast<int32_t>(DibNativeToColor(frame.Picture, value));
  }
}

void TBrixFrameList::LoadBmp(const uint8_t* data, size_t size, const std::string& file_name) {
  Clear();
  ImageToFrame(AddFrame(), DecodeBmp(data, size, file_name));
}

void TBrixFrameList::LoadFromFile(const std::function<void(TStream&, const std::string&)>& read_file,
                                  const std::string& name, bool first_frame_only, bool convert, bool keep_layers) {
  const bool brix = EndsWith(name, ".brx"), png = EndsWith(name, ".png");
  const bool bmp = EndsWith(name, ".bmp") || EndsWith(name, ".dib");
  if (!brix && !png && !bmp) return;
  TMemoryStream m;
  read_file(m, name);
  m.SetPosition(0);
  if (brix)
    LoadFromStream(m, first_frame_only, convert, keep_layers, name);
  else if (png)
    LoadPng(m.Memory(), m.Bytes().size(), name);
  else
    LoadBmp(m.Memory(), m.Bytes().size(), name);
}

}  // namespace velk
