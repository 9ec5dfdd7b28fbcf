#include "gfx/custom_dibx.h"

namespace velk {

void TCustomDIBX::SetSize(int32_t width, int32_t height, int depth) {
  width_ = width > 0 ? width : 0;
  height_ = height > 0 ? height : 0;
}

void TCustomDIBX::AddClip(const TRect& r) {
  TRect c{std::max(r.Left, 0), std::max(r.Top, 0), std::min(r.Right, Width()), std::min(r.Bottom, Height())};
  if (c.IsEmpty()) return;
  ClipRect = ClipRect.Right == 0 ? c : Union(ClipRect, c);
}

TRect TCustomDIBX::ClipBounds() const {
  TRect whole{0, 0, width_, height_};
  if (ClipRect.Right == 0) return whole;
  return Intersect(ClipRect, whole);
}

namespace {

// The four bands of a frame: top and bottom over the full width, left and right between them only when the
// rectangle is taller than both bands.
template <class FillFn> void ForEachFrameBand(const TRect& r, int32_t w, FillFn fill) {
  fill(Bounds(r.Left, r.Top, r.Width(), w));
  fill(Bounds(r.Left, r.Bottom - w, r.Width(), w));
  if (r.Height() > 2 * w) {
    fill(Bounds(r.Left, r.Top + w, w, r.Height() - 2 * w));
    fill(Bounds(r.Right - w, r.Top + w, w, r.Height() - 2 * w));
  }
}

}  // namespace

void TCustomDIBX::FrameRect(const TRect& r, int32_t line_width, uint32_t value) {
  ForEachFrameBand(r, line_width, [&](const TRect& band) { FillRect(band, value); });
}

void TCustomDIBX::FrameRectAlpha(const TRect& r, int32_t line_width, uint32_t value, int alpha) {
  if (alpha == 0) return;
  ForEachFrameBand(r, line_width, [&](const TRect& band) { FillRectAlpha(band, value, alpha); });
}

void TCustomDIBX::FrameRectAdd(const TRect& r, int32_t line_width, uint32_t value) {
  ForEachFrameBand(r, line_width, [&](const TRect& band) { FillRectAdd(band, value); });
}

}  // namespace velk
