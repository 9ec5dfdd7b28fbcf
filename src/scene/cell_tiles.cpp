#include "scene/cell_tiles.h"

#include "gfx/custom_dibx.h"

namespace velk {

void DrawCellTiles(TCustomDIBX& target, const TRect& dst, TCustomDIBX* source, TCustomDIBX* mask, const TRect& cell,
                   int32_t opacity, bool flip_h, bool flip_v, int32_t offset_x, int32_t offset_y) {
  if (!source || dst.IsEmpty() || cell.IsEmpty() || opacity <= 0) return;
  const int32_t ox = WrapOffset(offset_x, cell.Width()), oy = WrapOffset(offset_y, cell.Height());
  if (mask) {
    target.TileStretchDrawMask(dst, cell.Width(), cell.Height(), 256, 256, source, cell, flip_h, flip_v, mask, opacity,
                               ox, oy);
  } else {
    target.TileStretchDraw(dst, cell.Width(), cell.Height(), 256, 256, source, cell, true, flip_h, flip_v, opacity, ox,
                           oy);
  }
}

TRect StripCell(int32_t picture_width, int32_t picture_height, int32_t n, int32_t i) {
  if (n <= 0) return {};
  const int32_t w = picture_width / n;
  return TRect{i * w, 0, i * w + w, picture_height};
}

}  // namespace velk
