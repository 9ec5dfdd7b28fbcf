#include "gfx/brix_surface.h"

#include <cstring>

#include "gfx/dib_pixels.h"

namespace velk {

void FrameToSurface(const TBrixFrame& frame, TDIBX& surface) {
  const TDIBSurface& pic = frame.Picture;
  surface.SetSizeForOverwrite(pic.Width(), pic.Height(), surface.BitCount());
  TDIBSurface& dib = surface.DIB();
  const int from = DibDepth(pic);
  const bool to32 = DibDepth(dib) == 32;
  if (to32 && (from == 24 || from == 32)) {
    // Blue, green, red bytes in both: whole rows at once, the fourth byte of a 32-bit source dropped. A pixel is
    // read as a little-endian word; for 24 bits that word reaches one byte past the pixel, so a row's last pixel
    // goes byte by byte.
    const int step = from / 8;
    const int32_t w = pic.Width();
    for (int32_t y = 0; y < pic.Height(); ++y) {
      const uint8_t* in = pic.ScanLine(y);
      uint8_t* out = dib.ScanLine(y);
      const int32_t by_word = step == 4 ? w : w - 1;
      int32_t x = 0;
      for (; x < by_word; ++x) {
        uint32_t v;
        std::memcpy(&v, in + static_cast<size_t>(x) * step, 4);
        v &= 0xFFFFFF;
        std::memcpy(out + static_cast<size_t>(x) * 4, &v, 4);
      }
      for (; x < w; ++x) {
        const uint8_t* p = in + static_cast<size_t>(x) * step;
        uint8_t* q = out + static_cast<size_t>(x) * 4;
        q[0] = p[0];
        q[1] = p[1];
        q[2] = p[2];
        q[3] = 0;
      }
    }
  } else {
    for (int32_t y = 0; y < pic.Height(); ++y)
      for (int32_t x = 0; x < pic.Width(); ++x)
        SetDibPixel(dib, x, y,
                    static_cast<uint32_t>(surface.ColorToPixel(
                        static_cast<int32_t>(DibNativeToColor(pic, GetDibPixel(pic, x, y))))));
  }
  surface.TransparentValue = surface.ColorToPixel(frame.TransparentColor);
  surface.ContentRects = frame.ContentRects;
  surface.ExtraRects = frame.ExtraRects;
}

std::unique_ptr<TDIBX> FrameAlphaToMask(TBrixFrame& frame) {
  TDIBSurface& pic = frame.Picture;
  auto mask = std::make_unique<TDIBX>();
  mask->SetSizeForOverwrite(pic.Width(), pic.Height(), 8);
  TDIBSurface& dib = mask->DIB();
  for (int i = 0; i < 256; ++i) dib.Palette[i] = static_cast<uint32_t>(i) * 0x010101;
  // Widths that need no row padding take the alpha bitmap over as it lies.
  if (dib.TakeAlphaAsPixels(pic)) return mask;
  for (int32_t y = 0; y < pic.Height(); ++y) std::memcpy(dib.ScanLine(y), pic.AlphaLine(y), pic.Width());
  return mask;
}

void LoadBrixFirstFrame(TDIBX& surface, TStream& stream, int32_t identification) {
  TBrixFrameList list(identification);
  list.LoadFromStream(stream, true, false, false);
  if (list.Count() > 0) FrameToSurface(list.Frame(0), surface);
}

}  // namespace velk
