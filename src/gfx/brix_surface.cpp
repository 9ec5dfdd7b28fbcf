#include "gfx/brix_surface.h"

#include <cstring>

#include "gfx/dib_pixels.h"

namespace velk {

void FrameToSurface(const TBrixFrame& frame, TDIBX& surface) {
  const TDIBSurface& pic = frame.Picture;
  surface.SetSize(pic.Width(), pic.Height(), surface.BitCount());
  TDIBSurface& dib = surface.DIB();
  const int from = DibDepth(pic);
  const bool to32 = DibDepth(dib) == 32;
  for (int32_t y = 0; y < pic.Height(); ++y) {
    for (int32_t x = 0; x < pic.Width(); ++x) {
      const uint32_t v = GetDibPixel(pic, x, y);
      uint32_t out;
      if (to32 && from == 24)
        out = v;  // blue, green, red bytes: already 0x00RRGGBB
      else if (to32 && from == 32)
        out = v & 0x00FFFFFF;
      else
        out = static_cast<uint32_t>(surface.ColorToPixel(static_cast<int32_t>(DibNativeToColor(pic, v))));
      SetDibPixel(dib, x, y, out);
    }
  }
  surface.TransparentValue = surface.ColorToPixel(frame.TransparentColor);
  surface.ContentRects = frame.ContentRects;
  surface.ExtraRects = frame.ExtraRects;
}

std::unique_ptr<TDIBX> FrameAlphaToMask(TBrixFrame& frame) {
  TDIBSurface& pic = frame.Picture;
  auto mask = std::make_unique<TDIBX>();
  mask->SetSize(pic.Width(), pic.Height(), 8);
  TDIBSurface& dib = mask->DIB();
  for (int i = 0; i < 256; ++i) dib.Palette[i] = static_cast<uint32_t>(i) * 0x010101;
  for (int32_t y = 0; y < pic.Height(); ++y) std::memcpy(dib.ScanLine(y), pic.AlphaLine(y), pic.Width());
  return mask;
}

void LoadBrixFirstFrame(TDIBX& surface, TStream& stream, int32_t identification) {
  TBrixFrameList list(identification);
  list.LoadFromStream(stream, true, false, false);
  if (list.Count() > 0) FrameToSurface(list.Frame(0), surface);
}

}  // namespace velk
