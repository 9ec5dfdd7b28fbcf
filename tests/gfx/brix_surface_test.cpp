// Frames of layered images as surfaces, and a surface's load of a layered image stream.
#include "gfx/brix_surface.h"

#include <gtest/gtest.h>

#include "gfx/brix_writer.h"
#include "gfx/dib_pixels.h"
#include "vfs/stream.h"

namespace velk {
namespace {

TEST(BrixSurface, LoadsTheFirstFrameAtTheSurfacesOwnDepth) {
  TBrixFrameList list;
  for (int f = 0; f < 2; ++f) {
    TBrixFrame& fr = list.AddFrame();
    SetDibSize(fr.Picture, 3 + f, 2, 32);
    // The top byte is not alpha: the surface gets it cleared.
    for (int32_t y = 0; y < 2; ++y)
      for (int32_t x = 0; x < 3 + f; ++x)
        SetDibPixel(fr.Picture, x, y, 0xAB000000u | uint32_t(x) << 16 | uint32_t(y) << 8 | 0x80);
    fr.TransparentValue = 0x00000080;
    fr.ContentRects = {TRect{1, 1, 2, 2}};
  }
  TMemoryStream s;
  WriteBrix(s, list, TBrixWriteOptions{.Identification = 99});
  s.SetPosition(0);

  TDIBX surface;
  surface.SetBitCount(32);
  LoadBrixFirstFrame(surface, s, 99);
  EXPECT_EQ(surface.Width(), 3);
  EXPECT_EQ(surface.Height(), 2);
  EXPECT_EQ(surface.BitCount(), 32);
  EXPECT_EQ(surface.GetPixel(2, 1), 0x00020180u);
  EXPECT_EQ(surface.ContentRects, (std::vector<TRect>{TRect{1, 1, 2, 2}}));
  // The frame's transparent colour 0x800000 (blue 0x80) becomes the surface's value.
  EXPECT_EQ(surface.TransparentValue, 0x80);

  TDIBX low;  // 1 x 1 at depth 15
  s.SetPosition(0);
  LoadBrixFirstFrame(low, s, 99);
  EXPECT_EQ(low.BitCount(), 15);
  EXPECT_EQ(low.GetPixel(2, 1), (2u >> 3) << 10 | (1u >> 3) << 5 | (0x80u >> 3));
  EXPECT_EQ(low.TransparentValue, 0x80 >> 3);
}

TEST(BrixSurface, PutsA24BitFrameIntoA32BitSurfaceByteForByte) {
  TBrixFrame frame;
  SetDibSize(frame.Picture, 5, 3, 24);  // rows padded to 16 bytes
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 5; ++x) SetDibPixel(frame.Picture, x, y, 0xC00000u | uint32_t(x) << 8 | uint32_t(y));
  TDIBX surface;
  surface.SetBitCount(32);
  FrameToSurface(frame, surface);
  ASSERT_EQ(surface.Width(), 5);
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 5; ++x) EXPECT_EQ(surface.GetPixel(x, y), 0xC00000u | uint32_t(x) << 8 | uint32_t(y));
}

TEST(BrixSurface, MasksHoldTheAlphaBitmapWhetherTakenOverOrCopied) {
  // Width 8 needs no row padding at 8 bits, so the mask takes the bitmap over; width 5 is copied row by row.
  for (int32_t w : {8, 5}) {
    SCOPED_TRACE(w);
    TBrixFrame frame;
    SetDibSize(frame.Picture, w, 3, 24);
    frame.Picture.SetHasAlpha(true);
    for (int32_t y = 0; y < 3; ++y)
      for (int32_t x = 0; x < w; ++x) frame.Picture.AlphaLine(y)[x] = static_cast<uint8_t>(x * 31 + y * 7);
    const std::unique_ptr<TDIBX> mask = FrameAlphaToMask(frame);
    ASSERT_EQ(mask->Width(), w);
    ASSERT_EQ(mask->Height(), 3);
    EXPECT_EQ(mask->BitCount(), 8);
    EXPECT_EQ(mask->Pitch(), 8);
    for (int32_t y = 0; y < 3; ++y) {
      for (int32_t x = 0; x < w; ++x) EXPECT_EQ(mask->GetPixel(x, y), uint32_t(x * 31 + y * 7)) << x << "," << y;
      for (int32_t x = w; x < 8; ++x) EXPECT_EQ(mask->DIB().ScanLine(y)[x], 0) << "padding " << x << "," << y;
    }
    EXPECT_EQ(mask->DIB().Palette[200], 0xC8C8C8u);
  }
}

}  // namespace
}  // namespace velk
