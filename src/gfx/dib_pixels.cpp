#include "gfx/dib_pixels.h"

#include "gfx/blend_kernels.h"

namespace velk {
namespace {

uint32_t PaletteWordToColor(uint32_t e) { return ((e >> 16) & 0xFF) | (e & 0xFF00) | ((e & 0xFF) << 16); }

}  // namespace

int DibDepth(const TDIBSurface& dib) {
  if (dib.StorageBits() == 16 && dib.Masks().Green == kMasks555.Green) return 15;
  return dib.StorageBits();
}

void SetDibSize(TDIBSurface& dib, int32_t width, int32_t height, int depth, bool cleared) {
  dib.SetSize(width, height, depth == 15 ? 16 : depth, MasksForDepth(depth), cleared);
}

int64_t PackedRowBytes(int bits, int64_t width) { return (bits * width + 7) / 8; }

uint32_t GetDibPixel(const TDIBSurface& dib, int32_t x, int32_t y) {
  const uint8_t* row = dib.ScanLine(y);
  switch (dib.StorageBits()) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4: return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF;
    case 8: return row[x];
    case 16: return row[2 * x] | uint32_t{row[2 * x + 1]} << 8;
    case 24: return row[3 * x] | uint32_t{row[3 * x + 1]} << 8 | uint32_t{row[3 * x + 2]} << 16;
    default:
      return row[4 * x] | uint32_t{row[4 * x + 1]} << 8 | uint32_t{row[4 * x + 2]} << 16 |
             uint32_t{row[4 * x + 3]} << 24;
  }
}

void SetDibPixel(TDIBSurface& dib, int32_t x, int32_t y, uint32_t value) {
  uint8_t* row = dib.ScanLine(y);
  switch (dib.StorageBits()) {
    case 1: {
      const uint8_t bit = static_cast<uint8_t>(0x80 >> (x & 7));
      row[x >> 3] = static_cast<uint8_t>((value & 1) ? row[x >> 3] | bit : row[x >> 3] & ~bit);
      break;
    }
    case 4: {
      uint8_t& b = row[x >> 1];
      b = (x & 1) ? static_cast<uint8_t>((b & 0xF0) | (value & 0xF))
                  : static_cast<uint8_t>((b & 0x0F) | (value & 0xF) << 4);
      break;
    }
    case 8: row[x] = static_cast<uint8_t>(value); break;
    case 16:
      row[2 * x] = static_cast<uint8_t>(value);
      row[2 * x + 1] = static_cast<uint8_t>(value >> 8);
      break;
    case 24:
      for (int i = 0; i < 3; ++i) row[3 * x + i] = static_cast<uint8_t>(value >> (8 * i));
      break;
    default:
      for (int i = 0; i < 4; ++i) row[4 * x + i] = static_cast<uint8_t>(value >> (8 * i));
      break;
  }
}

uint32_t DibColorToNative(const TDIBSurface& dib, uint32_t color) {
  const int bits = dib.StorageBits();
  if (bits <= 8) {
    const int count = 1 << bits;
    int best = 0;
    int64_t best_distance = -1;
    for (int i = 0; i < count; ++i) {
      const uint32_t c = PaletteWordToColor(dib.Palette[i]);
      int64_t distance = 0;
      for (int shift = 0; shift < 24; shift += 8) {
        const int64_t delta = int64_t{(c >> shift) & 0xFF} - int64_t{(color >> shift) & 0xFF};
        distance += delta * delta;
      }
      if (best_distance < 0 || distance < best_distance) {
        best = i;
        best_distance = distance;
      }
    }
    return static_cast<uint32_t>(best);
  }
  if (bits == 24) return ((color >> 16) & 0xFF) | (color & 0xFF00) | ((color & 0xFF) << 16);
  return ColorToNative(color, dib.Masks());
}

uint32_t DibNativeToColor(const TDIBSurface& dib, uint32_t value) {
  const int bits = dib.StorageBits();
  if (bits <= 8) return PaletteWordToColor(dib.Palette[value & 0xFF]);
  if (bits == 24) return ((value >> 16) & 0xFF) | (value & 0xFF00) | ((value & 0xFF) << 16);
  return NativeToColor(value, dib.Masks());
}

uint32_t DibBlend(const TDIBSurface& dib, uint32_t d, uint32_t s, uint32_t a) {
  if (dib.StorageBits() == 24) return BlendPixel(d, s, a, kMasks888);
  return BlendPixel(d, s, a, dib.Masks());
}

}  // namespace velk
