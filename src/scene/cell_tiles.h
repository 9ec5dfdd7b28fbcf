#pragma once
// Fills a rectangle by repeating one cell of a picture strip (bars of sliders and gauges, scroll strips of lists and
// menus), with the opacity code of image controls: 1 .. 254 blended, 255 plain, 256 .. 511 additive with code - 256.
// Through the picture's mask when it has one, else honouring its transparent colour.
#include <cstdint>

#include "base/rect.h"

namespace velk {

class TCustomDIBX;

// offset_x and offset_y place the pattern: the cell column (row) at the rectangle's left (top) edge is the offset
// modulo the cell size, negative offsets wrapping. Mirrored cells are drawn flipped each.
void DrawCellTiles(TCustomDIBX& target, const TRect& dst, TCustomDIBX* source, TCustomDIBX* mask, const TRect& cell,
                   int32_t opacity, bool flip_h, bool flip_v, int32_t offset_x, int32_t offset_y);

// The cell i of a strip of n cells of equal width laid side by side in a picture of that size.
TRect StripCell(int32_t picture_width, int32_t picture_height, int32_t n, int32_t i);

// The remainder of a modulo m (m > 0) in 0 .. m - 1, also for negative a.
inline int32_t WrapOffset(int64_t a, int32_t m) { return m > 0 ? static_cast<int32_t>(((a % m) + m) % m) : 0; }

}  // namespace velk
