#pragma once
// Per-pixel access to a TDIBSurface in every storage depth, and the colour conversions of its own format. The
// layered image reader, its writer and the image cache work on bare bitmaps through these.
#include <cstdint>

#include "gfx/dib_surface.h"

namespace velk {

// The depth a bitmap reports: its storage bits, except 15 for 16-bit storage with the 5-5-5 masks.
int DibDepth(const TDIBSurface& dib);
// Sizes the bitmap for a depth of 1, 4, 8, 15, 16, 24 or 32 with the masks of that depth (cleared: as
// TDIBSurface::SetSize).
void SetDibSize(TDIBSurface& dib, int32_t width, int32_t height, int depth, bool cleared = true);
// Bytes of one stored row, without padding: (bits x width + 7) / 8.
int64_t PackedRowBytes(int bits, int64_t width);

// The native value at (x, y): a palette index for depths <= 8, B | G << 8 | R << 16 for 24 bits, the stored word
// otherwise. No bounds check: callers stay inside the bitmap.
uint32_t GetDibPixel(const TDIBSurface& dib, int32_t x, int32_t y);
void SetDibPixel(TDIBSurface& dib, int32_t x, int32_t y, uint32_t value);

// A colour 0x00BBGGRR as a native value of the bitmap (the nearest palette entry for depths <= 8), and back.
uint32_t DibColorToNative(const TDIBSurface& dib, uint32_t color);
uint32_t DibNativeToColor(const TDIBSurface& dib, uint32_t value);

// Blend(d, s, a) per channel of the bitmap's format: (d x (255 - a) + s x a) >> 8. 24-bit values blend per byte.
uint32_t DibBlend(const TDIBSurface& dib, uint32_t d, uint32_t s, uint32_t a);

}  // namespace velk
