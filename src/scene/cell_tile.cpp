#include "scene/cell_tile.h"

#include "gfx/custom_dibx.h"
#include "gfx/draw_support.h"

namespace velk {

void TileCell(TCustomDIBX& target, const TRect& dst, TCustomDIBX* picture, TCustomDIBX* mask, const TRect& cell,
              int32_t offset_x, int32_t offset_y, int32_t alpha) {
  if (!picture || dst.IsEmpty() || cell.IsEmpty()) return;
  const int amount = OpacityAmount(alpha);
  switch (OpacityKind(alpha)) {
    case TOpacityKind::None: return;
    case TOpacityKind::Copy:
      if (mask) {
        target.TileDrawMask(dst, 0, 0, picture, cell, mask, offset_x, offset_y);
      } else {
        target.TileDraw(dst, 0, 0, picture, cell, true, offset_x, offset_y);
      }
      return;
    case TOpacityKind::Blend:
      if (mask) {
        target.TileDrawAlphaMask(dst, 0, 0, picture, cell, mask, amount, offset_x, offset_y);
      } else {
        target.TileDrawAlpha(dst, 0, 0, picture, cell, true, amount, offset_x, offset_y);
      }
      return;
    case TOpacityKind::Add:
      if (mask) {
        target.TileDrawAddMask(dst, 0, 0, picture, cell, mask, amount, offset_x, offset_y);
      } else {
        target.TileDrawAdd(dst, 0, 0, picture, cell, true, amount, offset_x, offset_y);
      }
      return;
  }
}

TRect StripCell(int32_t picture_width, int32_t picture_height, int32_t n, int32_t i) {
  if (n <= 0) return {};
  const int32_t w = picture_width / n;
  return TRect{i * w, 0, i * w + w, picture_height};
}

}  // namespace velk
