// Frames of a layered image: composition of the layers, masks from the transparent value, trimming.
#include <algorithm>
#include <cstring>
#include <utility>

#include "gfx/brix.h"
#include "gfx/dib_pixels.h"

namespace velk {
namespace {

// Thresholds of the 4 x 4 ordered dither of pictures of 8 bits or fewer: a pixel of level L (1 .. 14 of 16) is
// drawn where its threshold is below L.
constexpr uint8_t kDither[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

void CopyWhole(TDIBSurface& dst, const TDIBSurface& src) {
  std::memcpy(dst.Bits(), src.Bits(), std::min(dst.ByteSize(), src.ByteSize()));
}

// Per-pixel alpha: 0 keeps the frame pixel, 255 copies, other values blend.
void CompositeAlpha(TDIBSurface& dst, TBrixLayer& layer) {
  TDIBSurface& src = layer.Picture;
  for (int32_t y = 0; y < dst.Height(); ++y) {
    const uint8_t* alpha = src.AlphaLine(y);
    for (int32_t x = 0; x < dst.Width(); ++x) {
      const uint32_t a = alpha[x];
      if (a == 0) continue;
      const uint32_t s = GetDibPixel(src, x, y);
      SetDibPixel(dst, x, y, a == 255 ? s : DibBlend(dst, GetDibPixel(dst, x, y), s, a));
    }
  }
}

// Draws the layer with its opacity, skipping pixels equal to its transparent value.
void DrawWithOpacity(TDIBSurface& dst, const TBrixLayer& layer) {
  const TDIBSurface& src = layer.Picture;
  int32_t o = layer.Opacity;
  if (o == 0) return;
  const bool indexed = dst.StorageBits() <= 8;
  bool copy = o >= 255 || o < 0;
  if (indexed) {
    // Indexed pictures cannot blend: the opacity becomes one of 16 dither levels.
    o = o < 0 ? 15 : o / 16;
    if (o == 0) return;
    copy = o >= 15;
  }
  const int64_t transparent = layer.TransparentValue;
  for (int32_t y = 0; y < dst.Height(); ++y) {
    for (int32_t x = 0; x < dst.Width(); ++x) {
      const uint32_t s = GetDibPixel(src, x, y);
      if (transparent >= 0 && s == static_cast<uint32_t>(transparent)) continue;
      if (copy)
        SetDibPixel(dst, x, y, s);
      else if (indexed) {
        if (kDither[y & 3][x & 3] < o) SetDibPixel(dst, x, y, s);
      } else
        SetDibPixel(dst, x, y, DibBlend(dst, GetDibPixel(dst, x, y), s, static_cast<uint32_t>(o)));
    }
  }
}

bool IsOpaque(const TBrixFrame& frame, TDIBSurface& picture, int32_t x, int32_t y) {
  if (picture.HasAlpha()) return picture.AlphaLine(y)[x] != 0;
  return GetDibPixel(picture, x, y) != static_cast<uint32_t>(frame.TransparentValue);
}

// How a visible layer goes into the frame: with its alpha over what is there, copied whole, or drawn with its
// opacity and transparent value.
enum class TLayerMode { kAlpha, kCopy, kOpacity };

TLayerMode ModeOf(const TBrixLayer& layer, size_t index, bool first, bool layer_composition) {
  if (layer.HasAlpha() && layer.AlphaEnabled && index > 0) return TLayerMode::kAlpha;
  if ((layer.TransparentValue < 0 || (first && layer_composition)) && layer.Opacity >= 255) return TLayerMode::kCopy;
  return TLayerMode::kOpacity;
}

bool SameFormat(const TDIBSurface& a, const TDIBSurface& b) {
  return a.Width() == b.Width() && a.Height() == b.Height() && a.StorageBits() == b.StorageBits() &&
         a.Masks() == b.Masks();
}

void MakeMask(TDIBSurface& picture, int32_t transparent) {
  if (picture.HasAlpha()) return;
  picture.SetHasAlpha(true);
  for (int32_t y = 0; y < picture.Height(); ++y) {
    uint8_t* alpha = picture.AlphaLine(y);
    for (int32_t x = 0; x < picture.Width(); ++x)
      alpha[x] = transparent >= 0 && GetDibPixel(picture, x, y) == static_cast<uint32_t>(transparent) ? 0 : 255;
  }
}

}  // namespace

TBrixLayer& TBrixFrame::AddLayer() {
  layers_.push_back(std::make_unique<TBrixLayer>());
  layers_.back()->Frame = this;
  return *layers_.back();
}

int TBrixFrame::BitCount() const { return DibDepth(Picture); }

void TBrixFrame::Compose(bool layer_composition, bool take_layers) {
  bool first = true;
  for (size_t index = 0; index < layers_.size(); ++index) {
    TBrixLayer& layer = *layers_[index];
    if (!layer.Visible) continue;
    const bool with_alpha = layer.HasAlpha() && layer.AlphaEnabled;
    const TLayerMode mode = ModeOf(layer, index, first, layer_composition);
    if (first && take_layers && mode == TLayerMode::kCopy && !Picture.HasAlpha() &&
        SameFormat(Picture, layer.Picture)) {
      // The layer's pixels (and its alpha when it is used) become the frame's; the frame keeps its palette.
      const auto palette = Picture.Palette;
      std::swap(Picture, layer.Picture);
      Picture.Palette = palette;
      if (!with_alpha) Picture.SetHasAlpha(false);
      first = false;
      continue;
    }
    if (first && with_alpha) {
      Picture.SetHasAlpha(true);
      for (int32_t y = 0; y < Picture.Height(); ++y)
        std::memcpy(Picture.AlphaLine(y), layer.Picture.AlphaLine(y), static_cast<size_t>(Picture.Width()));
    }
    if (mode == TLayerMode::kAlpha)
      CompositeAlpha(Picture, layer);
    else if (mode == TLayerMode::kCopy)
      CopyWhole(Picture, layer.Picture);
    else
      DrawWithOpacity(Picture, layer);
    first = false;
  }
}

bool TBrixFrame::ComposeCoversPicture(bool layer_composition) const {
  for (size_t index = 0; index < layers_.size(); ++index) {
    const TBrixLayer& layer = *layers_[index];
    if (!layer.Visible) continue;
    return ModeOf(layer, index, true, layer_composition) == TLayerMode::kCopy && SameFormat(Picture, layer.Picture);
  }
  return false;
}

void TBrixFrame::MakeMaskFromTransparent() {
  if (HasAlpha()) return;
  MakeMask(Picture, TransparentValue);
  for (auto& layer : layers_) MakeMask(layer->Picture, layer->TransparentValue);
}

TPoint TBrixFrame::Trim() {
  if (!HasAlpha() && TransparentValue < 0) return {};
  const int32_t w = Picture.Width(), h = Picture.Height();
  int32_t left = w, top = h, right = 0, bottom = 0;
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      if (!IsOpaque(*this, Picture, x, y)) continue;
      left = std::min(left, x);
      right = std::max(right, x + 1);
      top = std::min(top, y);
      bottom = std::max(bottom, y + 1);
    }
  }
  const TRect box{left, top, right, bottom};
  if (box.IsEmpty() || box == TRect{0, 0, w, h}) return {};

  TDIBSurface cropped;
  SetDibSize(cropped, box.Width(), box.Height(), DibDepth(Picture));
  cropped.Palette = Picture.Palette;
  cropped.SetHasAlpha(HasAlpha());
  for (int32_t y = 0; y < box.Height(); ++y) {
    for (int32_t x = 0; x < box.Width(); ++x) SetDibPixel(cropped, x, y, GetDibPixel(Picture, left + x, top + y));
    if (HasAlpha()) std::memcpy(cropped.AlphaLine(y), Picture.AlphaLine(top + y) + left, box.Width());
  }
  Picture = std::move(cropped);
  for (auto* list : {&ContentRects, &ExtraRects}) {
    std::vector<TRect> cut;
    for (const TRect& r : *list) {
      const TRect piece = Intersect(r, box);
      if (piece.IsEmpty()) continue;
      cut.push_back(TRect{piece.Left - left, piece.Top - top, piece.Right - left, piece.Bottom - top});
    }
    *list = std::move(cut);
  }
  return TPoint{left, top};
}

}  // namespace velk
