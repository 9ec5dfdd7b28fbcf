#include "gfx/dibx.h"

#include <algorithm>
#include <cstring>

#include "gfx/bmp_image.h"
#include "gfx/brix.h"
#include "gfx/brix_surface.h"
#include "gfx/draw_support.h"
#include "gfx/png_image.h"
#include "vfs/stream.h"

namespace velk {
namespace {

// Bits per stored pixel of a depth: 15 is stored in 16 bits, unknown depths become 32.
int StorageBitsFor(int depth) {
  switch (depth) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24: return depth;
    case 15: return 16;
    default: return 32;
  }
}

bool HasExtension(const std::string& name, const char* ext) {
  const size_t n = std::strlen(ext);
  if (name.size() < n) return false;
  for (size_t i = 0; i < n; ++i) {
    char c = name[name.size() - n + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != ext[i]) return false;
  }
  return true;
}

// A palette word 0x00RRGGBB as a colour 0x00BBGGRR, and back.
uint32_t PaletteToColor(uint32_t e) { return ((e >> 16) & 0xFF) | (e & 0xFF00) | ((e & 0xFF) << 16); }
uint32_t ColorToPalette(uint32_t c) { return PaletteToColor(c); }

int NearestIndex(const std::array<uint32_t, 256>& palette, int count, uint32_t color) {
  int best = 0;
  int64_t best_d = INT64_MAX;
  for (int i = 0; i < count; ++i) {
    uint32_t c = PaletteToColor(palette[i]);
    int64_t d = 0;
    for (int k = 0; k < 24; k += 8) {
      int64_t diff = int64_t((c >> k) & 0xFF) - int64_t((color >> k) & 0xFF);
      d += diff * diff;
    }
    if (d < best_d) best_d = d, best = i;
  }
  return best;
}

}  // namespace

TDIBX::TDIBX() : owned_(std::make_unique<TDIBSurface>()), dib_(owned_.get()) { SetSize(1, 1, 15); }

TDIBX::TDIBX(TDIBSurface* borrowed) : dib_(borrowed) { TCustomDIBX::SetSize(dib_->Width(), dib_->Height(), 0); }

TDIBX::~TDIBX() = default;

int TDIBX::BitCount() const {
  if (dib_->StorageBits() == 16 && dib_->Masks().Green == 0x03E0) return 15;
  return dib_->StorageBits();
}

void TDIBX::SetDibSize(int32_t width, int32_t height, int depth, bool cleared) {
  dib_->SetSize(width, height, StorageBitsFor(depth), MasksForDepth(depth), cleared);
}

void TDIBX::SetBitCount(int depth) {
  SetDibSize(dib_->Width(), dib_->Height(), depth);
  TCustomDIBX::SetSize(std::min(Width(), dib_->Width()), std::min(Height(), dib_->Height()), depth);
}

void TDIBX::SetSize(int32_t width, int32_t height, int depth) {
  SetDibSize(width, height, depth);
  TCustomDIBX::SetSize(dib_->Width(), dib_->Height(), depth);
}

void TDIBX::SetSizeForOverwrite(int32_t width, int32_t height, int depth) {
  SetDibSize(width, height, depth, false);
  TCustomDIBX::SetSize(dib_->Width(), dib_->Height(), depth);
}

uint8_t* TDIBX::Lock(int32_t x, int32_t y) {
  if (dib_->Empty() || x < 0 || y < 0 || x >= dib_->Width() || y >= dib_->Height()) return nullptr;
  return dib_->ScanLine(y) + static_cast<size_t>(x) * dib_->StorageBits() / 8;
}

uint32_t TDIBX::GetPixel(int32_t x, int32_t y) {
  const uint8_t* row = Lock(0, y);
  if (!row || x < 0 || x >= dib_->Width()) return 0;
  switch (dib_->StorageBits()) {
    case 1: return (row[x / 8] >> (7 - x % 8)) & 1;
    case 4: return (x & 1) ? row[x / 2] & 0x0F : row[x / 2] >> 4;
    case 8: return row[x];
    case 24: return row[3 * x] | uint32_t{row[3 * x + 1]} << 8 | uint32_t{row[3 * x + 2]} << 16;
    default: return LoadPixel(row, x, dib_->StorageBits());
  }
}

void TDIBX::SetPixel(int32_t x, int32_t y, uint32_t value) {
  uint8_t* row = Lock(0, y);
  if (!row || x < 0 || x >= dib_->Width()) return;
  switch (dib_->StorageBits()) {
    case 1: {
      const uint8_t bit = static_cast<uint8_t>(0x80 >> (x % 8));
      row[x / 8] = static_cast<uint8_t>((value & 1) ? row[x / 8] | bit : row[x / 8] & ~bit);
      break;
    }
    case 4:
      row[x / 2] = static_cast<uint8_t>((x & 1) ? (row[x / 2] & 0xF0) | (value & 0x0F)
                                                : (row[x / 2] & 0x0F) | ((value & 0x0F) << 4));
      break;
    case 8: row[x] = static_cast<uint8_t>(value); break;
    case 24:
      for (int k = 0; k < 3; ++k) row[3 * x + k] = static_cast<uint8_t>(value >> (8 * k));
      break;
    default: StorePixel(row, x, dib_->StorageBits(), value);
  }
}

int32_t TDIBX::ColorToPixel(int32_t color) {
  if (color < 0) return -1;
  const int bits = BitCount();
  if (bits != 15 && bits != 16 && bits != 32) return color;
  return static_cast<int32_t>(ColorToNative(static_cast<uint32_t>(color), dib_->Masks()));
}

void TDIBX::Fill(uint32_t value) {
  const size_t size = dib_->ByteSize();
  uint8_t* p = dib_->Bits();
  switch (dib_->StorageBits()) {
    case 1: std::memset(p, value == 0 ? 0x00 : 0xFF, size); break;
    case 4: std::memset(p, static_cast<int>((value & 0x0F) * 0x11), size); break;
    case 8: std::memset(p, static_cast<int>(value & 0xFF), size); break;
    case 16: {
      const uint16_t w = static_cast<uint16_t>(value);
      for (size_t i = 0; i + 1 < size; i += 2) std::memcpy(p + i, &w, 2);
      break;
    }
    default: FillRect(TRect{0, 0, Width(), Height()}, value);
  }
}

void TDIBX::FillRect(const TRect& r, uint32_t value) {
  const TRect c = Intersect(r, ClipBounds());
  if (c.IsEmpty() || dib_->Empty()) return;
  const int bits = dib_->StorageBits();
  for (int32_t y = c.Top; y < c.Bottom; ++y) {
    uint8_t* row = dib_->ScanLine(y);
    if (bits == 8) {
      std::memset(row + c.Left, static_cast<int>(value & 0xFF), static_cast<size_t>(c.Width()));
    } else if (bits == 16 || bits == 32) {
      // The first row pixel by pixel, the others as whole copies of it (a screen is cleared every frame).
      const size_t bytes = static_cast<size_t>(c.Width()) * (bits / 8);
      if (y > c.Top)
        std::memcpy(row + static_cast<size_t>(c.Left) * (bits / 8),
                    dib_->ScanLine(c.Top) + static_cast<size_t>(c.Left) * (bits / 8), bytes);
      else if (bits == 32)
        std::fill_n(reinterpret_cast<uint32_t*>(row) + c.Left, c.Width(), value);
      else
        std::fill_n(reinterpret_cast<uint16_t*>(row) + c.Left, c.Width(), static_cast<uint16_t>(value));
    } else {
      for (int32_t x = c.Left; x < c.Right; ++x) SetPixel(x, y, value);
    }
  }
}

namespace {

void FillWithKernel(TCustomDIBX* dst, const TRect& r, TRowOp op, uint32_t value, int alpha) {
  TPixels d(dst);
  if (!d.Valid() || (d.Bits() != 16 && d.Bits() != 32)) return;
  const TRect c = Intersect(r, dst->ClipBounds());
  if (c.IsEmpty()) return;
  TKernelParams p = ParamsFor(dst, alpha);
  p.Color = value;
  const TRowKernel kernel = ActiveKernels().Kernel(op, d.Bits());
  for (int32_t y = c.Top; y < c.Bottom; ++y) kernel(d.At(c.Left, y), nullptr, nullptr, c.Width(), p);
}

}  // namespace

void TDIBX::FillRectAlpha(const TRect& r, uint32_t value, int alpha) {
  if (alpha <= 0) return;
  FillWithKernel(this, r, TRowOp::FillAlpha, value, alpha);
}

void TDIBX::FillRectAdd(const TRect& r, uint32_t value) { FillWithKernel(this, r, TRowOp::FillAdd, value, 255); }

void TDIBX::FillRectSub(const TRect& r, uint32_t value) { FillWithKernel(this, r, TRowOp::FillSub, value, 255); }

void TDIBX::Assign(TCustomDIBX* source) {
  if (!source || source == this) return;
  auto* other = dynamic_cast<TDIBX*>(source);
  // Raw bytes only between bitmaps of one format: equal size and pitch alone would copy 5-5-5 pixels into a
  // 5-6-5 surface unconverted.
  if (other && other->Width() == Width() && other->Height() == Height() && other->Pitch() == Pitch() &&
      other->dib_->StorageBits() == dib_->StorageBits() && other->dib_->Masks() == dib_->Masks() &&
      other->dib_->ByteSize() == dib_->ByteSize()) {
    if (dib_->ByteSize() != 0) std::memcpy(dib_->Bits(), other->dib_->Bits(), dib_->ByteSize());
    return;
  }
  const TPixelMasks theirs{source->RedMask(), source->GreenMask(), source->BlueMask()};
  const int their_bits = source->BitCount(), bits = BitCount();
  auto is_rgb = [](int b) { return b == 15 || b == 16 || b == 32; };
  if (is_rgb(bits) && is_rgb(their_bits) && (theirs != dib_->Masks() || their_bits != bits)) {
    // Between RGB formats the pixels are converted through their colours.
    const TRect area = Intersect(TRect{0, 0, source->Width(), source->Height()}, ClipBounds());
    for (int32_t y = area.Top; y < area.Bottom; ++y)
      for (int32_t x = area.Left; x < area.Right; ++x)
        SetPixel(x, y, ColorToNative(NativeToColor(source->GetPixel(x, y), theirs), dib_->Masks()));
    return;
  }
  Draw(0, 0, source, TRect{0, 0, source->Width(), source->Height()}, false, false, false);
}

void TDIBX::AssignImage(const TDecodedImage& image) {
  SetSize(image.Width, image.Height, BitCount());
  if (dib_->Empty()) return;
  const int bits = dib_->StorageBits();
  const bool indexed = bits <= 8;
  // An indexed picture whose palette fits keeps its indices and brings its palette; other pictures are matched
  // to the surface's palette.
  const bool keep_indices = indexed && !image.Indices.empty() && image.Palette.size() <= (size_t{1} << bits);
  if (keep_indices) {
    dib_->Palette.fill(0);
    for (size_t i = 0; i < image.Palette.size(); ++i) dib_->Palette[i] = ColorToPalette(image.Palette[i]);
  }
  const int count = 1 << std::min(bits, 8);
  for (int32_t y = 0; y < image.Height; ++y) {
    for (int32_t x = 0; x < image.Width; ++x) {
      const size_t i = static_cast<size_t>(y) * image.Width + x;
      const uint32_t c = image.Colors[i];
      uint32_t v;
      if (keep_indices)
        v = image.Indices[i];
      else if (indexed)
        v = static_cast<uint32_t>(NearestIndex(dib_->Palette, count, c));
      else if (bits == 24)
        v = ColorToPalette(c);  // stored blue, green, red
      else
        v = ColorToNative(c, dib_->Masks());
      SetPixel(x, y, v);
    }
  }
  dib_->SetHasAlpha(!image.Alpha.empty());
  if (!image.Alpha.empty())
    for (int32_t y = 0; y < image.Height; ++y)
      std::memcpy(dib_->AlphaLine(y), &image.Alpha[static_cast<size_t>(y) * image.Width], image.Width);
}

void TDIBX::LoadFromFile(const std::string& name) {
  if (!HasExtension(name, ".bmp") || !FileExists(name)) return;
  TFileStream file(name, fmOpenRead | fmShareDenyWrite);
  AssignImage(ReadBmp(file, name));
}

void TDIBX::LoadFromStream(TStream* stream, int32_t identification) {
  if (!stream) return;
  std::vector<uint8_t> bytes = ReadWholeStream(*stream);
  if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') {
    AssignImage(DecodeBmp(bytes.data(), bytes.size(), {}));
  } else if (bytes.size() >= 4 && bytes[1] == 'P' && bytes[2] == 'N' && bytes[3] == 'G') {
    AssignImage(DecodePng(bytes.data(), bytes.size(), {}));
  } else if (IsBrix(bytes.data(), bytes.size())) {
    // A layered image: its first frame's composed picture, with the frame's rectangle lists.
    TMemoryStream memory(std::move(bytes));
    LoadBrixFirstFrame(*this, memory, identification);
  }
}

void TDIBX::SaveToFile(const std::string& name) {
  if (!HasExtension(name, ".bmp")) return;
  const int32_t w = Width(), h = Height();
  std::vector<uint32_t> colors(static_cast<size_t>(w) * h);
  const int bits = dib_->StorageBits();
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      const uint32_t v = GetPixel(x, y);
      uint32_t c;
      if (bits <= 8)
        c = PaletteToColor(dib_->Palette[v & 0xFF]);
      else if (bits == 24)
        c = PaletteToColor(v);
      else
        c = NativeToColor(v, dib_->Masks());
      colors[static_cast<size_t>(y) * w + x] = c;
    }
  }
  TFileStream file(name, fmCreate);
  WriteBmp24(file, w, h, colors);
}

void TDIBX::Clear() {
  SetDibSize(8, 8, BitCount());
  TCustomDIBX::Clear();
}

void TDIBX::GetPalette(uint8_t* buffer) { GetPaletteEntries(buffer, 0, 256); }

void TDIBX::GetPaletteEntries(uint8_t* buffer, int first, int count) {
  if (!buffer || first < 0 || count <= 0 || first > 256 - count) return;
  for (int i = 0; i < count; ++i) {
    const uint32_t e = dib_->Palette[first + i];
    buffer[4 * i] = static_cast<uint8_t>(e);
    buffer[4 * i + 1] = static_cast<uint8_t>(e >> 8);
    buffer[4 * i + 2] = static_cast<uint8_t>(e >> 16);
    buffer[4 * i + 3] = 0;
  }
}

void TDIBX::SetPalette(const uint8_t* buffer) { SetPaletteEntries(buffer, 0, 256); }

void TDIBX::SetPaletteEntries(const uint8_t* buffer, int first, int count) {
  if (!buffer || first < 0 || count <= 0 || first > 256 - count) return;
  for (int i = 0; i < count; ++i)
    dib_->Palette[first + i] = buffer[4 * i] | uint32_t{buffer[4 * i + 1]} << 8 | uint32_t{buffer[4 * i + 2]} << 16;
}

}  // namespace velk
