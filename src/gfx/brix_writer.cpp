#include "gfx/brix_writer.h"

#include <cstring>
#include <deque>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/error.h"
#include "base/random.h"
#include "gfx/dib_pixels.h"
#include "gfx/jpeg_codec.h"
#include "vfs/stream.h"
#include "vfs/stream_io.h"
#include "vfs/zlib_codec.h"

namespace velk {
namespace {

void PutI32(std::vector<uint8_t>& out, int32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i)));
}

// A bitmap as the writer reads it: the colour pixels of a picture, or its alpha bitmap.
struct Source {
  TDIBSurface* dib = nullptr;
  bool alpha = false;

  int bits() const { return alpha ? 8 : dib->StorageBits(); }
  int32_t width() const { return dib->Width(); }
  int32_t height() const { return dib->Height(); }
  uint32_t At(int32_t x, int32_t y) const { return alpha ? dib->AlphaLine(y)[x] : GetDibPixel(*dib, x, y); }
};

// Pixels of row y from x, count pixels, packed at the source's depth (most significant bits leftmost).
void PackRow(std::vector<uint8_t>& out, const Source& s, int32_t y, int32_t x, int32_t count) {
  const int bits = s.bits();
  if (bits >= 8) {
    for (int32_t i = 0; i < count; ++i) {
      const uint32_t v = s.At(x + i, y);
      for (int b = 0; b < bits / 8; ++b) out.push_back(static_cast<uint8_t>(v >> (8 * b)));
    }
    return;
  }
  const size_t start = out.size();
  out.resize(start + static_cast<size_t>((int64_t{bits} * count + 7) / 8), 0);
  for (int32_t i = 0; i < count; ++i) {
    const int64_t bit = int64_t{i} * bits;
    out[start + bit / 8] |= static_cast<uint8_t>(s.At(x + i, y) << (8 - bits - bit % 8));
  }
}

bool SameBlock(const Source& a, int32_t ax, int32_t ay, const Source& b, int32_t bx, int32_t by, int32_t w, int32_t h) {
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x)
      if (a.At(ax + x, ay + y) != b.At(bx + x, by + y)) return false;
  return true;
}

class Writer {
 public:
  Writer(TBrixFrameList& frames, const TBrixWriteOptions& o) : frames_(frames), o_(o) {}

  std::vector<uint8_t> Write() {
    if (o_.Version < 99 || o_.Version > 999) throw EVelkError("layered image version out of range");
    const int32_t v = o_.Version;
    out_.insert(out_.end(), {'B', 'r', 'i', 'x', static_cast<uint8_t>('0' + v / 100),
                             static_cast<uint8_t>('0' + v / 10 % 10), static_cast<uint8_t>('0' + v % 10)});
    if (o_.Version < 103) {
      PutI32(out_, frames_.Count());
      out_.push_back(0);
      if (o_.Version > 101) PutI32(out_, o_.BackgroundColor);
    } else {
      WriteHeader();
    }
    for (int32_t f = 0; f < frames_.Count(); ++f) WriteFrame(f);
    return std::move(out_);
  }

 private:
  bool Modern() const { return o_.Version >= 103; }
  bool Blocks() const { return Modern() && o_.BlockWidth > 0 && o_.BlockHeight > 0; }
  bool Scrambled() const { return Modern() && o_.Identification != 0; }
  uint8_t Compression() const { return Modern() ? o_.Compression : kBrixDeflate; }

  void WriteHeader() {
    int32_t width = 0, height = 0, bits = 0;
    if (frames_.Count() > 0) {
      width = frames_.Frame(0).Picture.Width();
      height = frames_.Frame(0).Picture.Height();
      bits = frames_.Frame(0).BitCount();
    }
    PutI32(out_, 40);
    PutI32(out_, o_.Version);
    PutI32(out_, width);
    PutI32(out_, height);
    PutI32(out_, bits);
    PutI32(out_, frames_.Count());
    out_.push_back(1);
    out_.push_back(Scrambled() ? 1 : 0);
    out_.push_back(o_.Compression);
    out_.push_back(0);
    PutI32(out_, o_.BackgroundColor);
    PutI32(out_, o_.BlockWidth);
    PutI32(out_, o_.BlockHeight);
    out_.push_back(o_.LayerComposition ? 1 : 0);
    out_.push_back(static_cast<uint8_t>(o_.JpegQuality));
    out_.push_back(0);
    out_.push_back(0);
  }

  void WriteString(const std::string& s) {
    PutI32(out_, static_cast<int32_t>(s.size()));
    out_.insert(out_.end(), s.begin(), s.end());
  }

  void WriteFrame(int32_t f) {
    TBrixFrame& frame = frames_.Frame(f);
    const int bits = frame.BitCount();
    WriteString(frame.Name);
    PutI32(out_, frame.TransparentValue);
    PutI32(out_, frame.DisplayTime);
    out_.push_back(frame.Kept);
    PutI32(out_, 0);
    // A frame without layers is its own single layer.
    std::vector<TBrixLayer*> layers;
    if (frame.Count() == 0) {
      TBrixLayer& single = singles_.emplace_back();
      single.Picture = frame.Picture;
      single.TransparentValue = frame.TransparentValue;
      single.AlphaEnabled = frame.HasAlpha();
      layers.push_back(&single);
    }
    for (int32_t i = 0; i < frame.Count(); ++i) {
      const TDIBSurface& pic = frame.Layer(i).Picture;
      if (pic.Width() != frame.Picture.Width() || pic.Height() != frame.Picture.Height() || DibDepth(pic) != bits)
        throw EVelkError("layer " + std::to_string(i) + " of frame " + std::to_string(f) +
                         " differs from its frame in size or depth");
      layers.push_back(&frame.Layer(i));
    }
    PutI32(out_, static_cast<int32_t>(layers.size()));
    PutI32(out_, frame.Picture.Width());
    PutI32(out_, frame.Picture.Height());
    PutI32(out_, bits);
    if (bits <= 8)
      for (int32_t i = 0; i < (1 << bits); ++i) {
        const uint32_t e = frame.Picture.Palette[i];
        out_.insert(out_.end(),
                    {static_cast<uint8_t>(e), static_cast<uint8_t>(e >> 8), static_cast<uint8_t>(e >> 16), 0});
      }
    written_.emplace_back();
    for (size_t i = 0; i < layers.size(); ++i) WriteLayer(*layers[i], f, static_cast<int32_t>(i));
    if (o_.Version >= 104) {
      for (const auto* list : {&frame.ContentRects, &frame.ExtraRects}) {
        PutI32(out_, static_cast<int32_t>(list->size()));
        for (const TRect& r : *list) {
          PutI32(out_, r.Left);
          PutI32(out_, r.Top);
          PutI32(out_, r.Right);
          PutI32(out_, r.Bottom);
        }
      }
    }
  }

  void WriteLayer(TBrixLayer& layer, int32_t f, int32_t l) {
    PutI32(out_, 0);
    PutI32(out_, 0);
    out_.push_back(layer.Visible ? 1 : 0);
    PutI32(out_, layer.TransparentValue);
    PutI32(out_, layer.Opacity);
    if (o_.Version > 100) out_.push_back(layer.AlphaEnabled ? 1 : 0);
    WriteString(layer.Name);
    written_.back().push_back(&layer.Picture);
    WriteData(Compression() == kBrixJpeg ? JpegData(layer.Picture) : Encode(Source{&layer.Picture, false}, f, l));
    if (o_.Version > 99) {
      if (layer.HasAlpha())
        WriteData(Encode(Source{&layer.Picture, true}, f, l));
      else
        PutI32(out_, 0);
    }
  }

  void WriteData(const std::vector<uint8_t>& data) {
    PutI32(out_, static_cast<int32_t>(data.size()));
    out_.insert(out_.end(), data.begin(), data.end());
  }

  std::vector<uint8_t> JpegData(TDIBSurface& pic) {
    std::vector<uint32_t> colors(static_cast<size_t>(pic.Width()) * pic.Height());
    for (int32_t y = 0; y < pic.Height(); ++y)
      for (int32_t x = 0; x < pic.Width(); ++x)
        colors[static_cast<size_t>(y) * pic.Width() + x] = DibNativeToColor(pic, GetDibPixel(pic, x, y));
    return EncodeJpeg(pic.Width(), pic.Height(), colors, o_.JpegQuality);
  }

  // The stored bytes of one colour or alpha bitmap: rows or blocks, then deflated unless raw.
  std::vector<uint8_t> Encode(const Source& s, int32_t f, int32_t l) {
    std::vector<uint8_t> raw = Blocks() ? EncodeBlocks(s, f, l) : EncodeRows(s);
    if (Compression() == kBrixRaw) return raw;
    return DeflateBytes(raw.data(), raw.size());
  }

  // Rows of the line step, bottom row first as the bitmap lies in memory; permuted for old versions (seed 0)
  // and scrambled files: stored row i is the memory row of the generator's i-th pool value.
  std::vector<uint8_t> EncodeRows(const Source& s) {
    const int32_t h = s.height();
    const size_t line = static_cast<size_t>(((int64_t{s.width()} * s.bits() + 31) / 32) * 4);
    const bool permuted = !Modern() || Scrambled();
    TRandomGenerator gen(Modern() ? static_cast<uint32_t>(o_.Identification) : 0u);
    if (permuted) gen.ResetPool(h);
    std::vector<uint8_t> out;
    out.reserve(line * h);
    for (int32_t i = 0; i < h; ++i) {
      const int32_t memory_row = permuted ? gen.TakeFromPool() : i;
      const size_t start = out.size();
      PackRow(out, s, h - 1 - memory_row, 0, s.width());
      out.resize(start + line, 0);
    }
    return out;
  }

  std::vector<uint8_t> EncodeBlocks(const Source& s, int32_t f, int32_t l) {
    const int32_t bw = o_.BlockWidth, bh = o_.BlockHeight, w = s.width(), h = s.height();
    const int64_t columns = (int64_t{w} + bw - 1) / bw, rows = (int64_t{h} + bh - 1) / bh, n = columns * rows;
    std::vector<std::pair<int32_t, int32_t>> table(static_cast<size_t>(n));
    std::vector<uint8_t> pixels;
    // Blocks stored or copied so far, by a hash of their bytes: a copy needs a block at least this large.
    std::unordered_multimap<std::string, int64_t> seen;
    for (int64_t b = 0; b < n; ++b) {
      const int32_t x0 = static_cast<int32_t>((b % columns) * bw), y0 = static_cast<int32_t>((b / columns) * bh);
      const int32_t cw = std::min(bw, w - x0), ch = std::min(bh, h - y0);
      std::vector<uint8_t> bytes;
      for (int32_t y = 0; y < ch; ++y) PackRow(bytes, s, y0 + y, x0, cw);
      if (FindInEarlierLayer(s, f, l, x0, y0, cw, ch, table[b])) continue;
      const std::string key(bytes.begin(), bytes.end());
      bool copied = false;
      auto [first, last] = seen.equal_range(key + std::to_string(cw) + "x" + std::to_string(ch));
      for (auto it = first; it != last && !copied; ++it) {
        const int32_t sx = static_cast<int32_t>((it->second % columns) * bw);
        const int32_t sy = static_cast<int32_t>((it->second / columns) * bh);
        if (SameBlock(s, sx, sy, s, x0, y0, cw, ch)) {
          table[b] = {-2, static_cast<int32_t>(it->second)};
          copied = true;
        }
      }
      if (copied) continue;
      seen.emplace(key + std::to_string(cw) + "x" + std::to_string(ch), b);
      table[b] = {-1, 0};
      pixels.insert(pixels.end(), bytes.begin(), bytes.end());
    }
    std::vector<uint8_t> out;
    std::vector<std::pair<int32_t, int32_t>> stored = table;
    if (Scrambled()) {
      // The reader puts stored entry i at the generator's i-th pool value.
      TRandomGenerator gen(static_cast<uint32_t>(o_.Identification));
      gen.ResetPool(static_cast<int32_t>(n));
      for (int64_t i = 0; i < n; ++i) stored[i] = table[gen.TakeFromPool()];
    }
    for (const auto& [source, index] : stored) {
      PutI32(out, source);
      PutI32(out, index);
    }
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
  }

  // The same block at the same place of a layer written before (earlier frames, earlier layers of this frame).
  bool FindInEarlierLayer(const Source& s, int32_t f, int32_t l, int32_t x0, int32_t y0, int32_t cw, int32_t ch,
                          std::pair<int32_t, int32_t>& entry) {
    for (int32_t pf = f; pf >= 0; --pf) {
      const auto& layers = written_[static_cast<size_t>(pf)];
      const int32_t end = pf == f ? l : static_cast<int32_t>(layers.size());
      for (int32_t pl = end - 1; pl >= 0; --pl) {
        TDIBSurface* pic = layers[static_cast<size_t>(pl)];
        if (pic->StorageBits() != s.dib->StorageBits() || (s.alpha && !pic->HasAlpha())) continue;
        if (x0 + cw > pic->Width() || y0 + ch > pic->Height()) continue;
        if (SameBlock(Source{pic, s.alpha}, x0, y0, s, x0, y0, cw, ch)) {
          entry = {pf, pl};
          return true;
        }
      }
    }
    return false;
  }

  TBrixFrameList& frames_;
  const TBrixWriteOptions& o_;
  std::vector<uint8_t> out_;
  // Pictures of the layers written so far, per frame, in file order.
  std::vector<std::vector<TDIBSurface*>> written_;
  // The single layers of frames written without layers; later frames may copy blocks from them.
  std::deque<TBrixLayer> singles_;
};

}  // namespace

void WriteBrix(TStream& stream, TBrixFrameList& frames, const TBrixWriteOptions& options) {
  const std::vector<uint8_t> bytes = Writer(frames, options).Write();
  stream.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
}

}  // namespace velk
