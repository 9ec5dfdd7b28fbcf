#pragma once
// Repeating one cell of a picture strip over a rectangle with an opacity code (list frames and scroll strips, bars
// of sliders and gauges): the pattern's column and row at the rectangle's top-left corner are (offset_x, offset_y),
// taken modulo the cell size. A picture with a mask is drawn through the mask, one without through its transparent
// colour.
#include <cstdint>

#include "base/rect.h"

namespace velk {

class TCustomDIBX;

void TileCell(TCustomDIBX& target, const TRect& dst, TCustomDIBX* picture, TCustomDIBX* mask, const TRect& cell,
              int32_t offset_x, int32_t offset_y, int32_t alpha);

// The cell i of a strip of n cells of equal width laid side by side in a picture of that size.
TRect StripCell(int32_t picture_width, int32_t picture_height, int32_t n, int32_t i);

}  // namespace velk
