// The surface itself: formats, colour conversion, clipping, frames, whole fills, Assign, palettes, sizes.
#include "gfx/dibx.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "base/error.h"
#include "gfx_reference.h"

namespace velk {
namespace {

TEST(DIBX, FormatsReportTheirDepthMasksAndShifts) {
  TDIBX s;
  EXPECT_EQ(s.Width(), 1);
  EXPECT_EQ(s.BitCount(), 15);  // created 1 x 1 at depth 15
  EXPECT_EQ(s.StorageBitCount(), 16);
  struct Row {
    int depth, bits, storage;
    uint32_t r, g, b;
    int green_shift, red_shift;
  };
  const Row rows[] = {{15, 15, 16, 0x7C00, 0x03E0, 0x1F, 5, 10},   {16, 16, 16, 0xF800, 0x07E0, 0x1F, 5, 11},
                      {32, 32, 32, 0xFF0000, 0xFF00, 0xFF, 8, 16}, {24, 24, 24, 0xFF0000, 0xFF00, 0xFF, 8, 16},
                      {8, 8, 8, 0xFF0000, 0xFF00, 0xFF, 8, 16},    {4, 4, 4, 0xFF0000, 0xFF00, 0xFF, 8, 16},
                      {1, 1, 1, 0xFF0000, 0xFF00, 0xFF, 8, 16}};
  for (const Row& r : rows) {
    s.SetSize(10, 3, r.depth);
    EXPECT_EQ(s.BitCount(), r.bits);
    EXPECT_EQ(s.StorageBitCount(), r.storage);
    EXPECT_EQ(s.RedMask(), r.r);
    EXPECT_EQ(s.GreenMask(), r.g);
    EXPECT_EQ(s.BlueMask(), r.b);
    EXPECT_EQ(s.BlueShift(), 0);
    EXPECT_EQ(s.GreenShift(), r.green_shift);
    EXPECT_EQ(s.RedShift(), r.red_shift);
    EXPECT_EQ(s.Pitch(), ((10 * r.storage + 31) / 32) * 4);
    EXPECT_NE(s.Lock(9, 2), nullptr);
    EXPECT_EQ(s.Lock(10, 0), nullptr);
  }
  s.SetBitCount(16);
  EXPECT_EQ(s.BitCount(), 16);
  EXPECT_EQ(s.Width(), 10);
  s.SetSize(0, 5, 32);
  EXPECT_TRUE(s.IsEmpty());
  EXPECT_EQ(s.Lock(0, 0), nullptr);
  s.SetSize(4, 4, 32);
  s.Clear();
  EXPECT_TRUE(s.IsEmpty());
  EXPECT_EQ(s.DIB().Width(), 8);  // the bitmap shrinks to 8 x 8
}

TEST(DIBX, ColorToPixelDropsLowBits) {
  TDIBX s;
  s.SetSize(1, 1, 16);
  EXPECT_EQ(s.ColorToPixel(0x00FFFFFF), 0xFFFF);
  EXPECT_EQ(s.ColorToPixel(0x000000FF), 0xF800);  // red is the low byte of a colour
  EXPECT_EQ(s.ColorToPixel(0x00FF0000), 0x001F);
  EXPECT_EQ(s.ColorToPixel(0x0000FC00 | 0x7), 0x07E0);
  EXPECT_EQ(s.ColorToPixel(-5), -1);
  s.SetSize(1, 1, 15);
  EXPECT_EQ(s.ColorToPixel(0x00FFFFFF), 0x7FFF);
  EXPECT_EQ(s.ColorToPixel(0x00000808), 0x0420);
  s.SetSize(1, 1, 32);
  EXPECT_EQ(s.ColorToPixel(0x00FFFFFF), 0x00FFFFFF);
  EXPECT_EQ(s.ColorToPixel(0x00332211), 0x00112233);
  s.SetSize(1, 1, 8);
  EXPECT_EQ(s.ColorToPixel(0x00332211), 0x00332211);  // unchanged
}

TEST(DIBX, AddClipClampsAndGrowsToTheUnion) {
  TDIBX s;
  s.SetSize(100, 50, 32);
  EXPECT_EQ(s.ClipBounds(), (TRect{0, 0, 100, 50}));
  s.AddClip(TRect{200, 10, 300, 20});  // wholly outside: unchanged
  EXPECT_EQ(s.ClipRect, TRect{});
  s.AddClip(TRect{-10, 5, 20, 10});
  EXPECT_EQ(s.ClipRect, (TRect{0, 5, 20, 10}));
  s.AddClip(TRect{50, 40, 120, 60});
  EXPECT_EQ(s.ClipRect, (TRect{0, 5, 100, 50}));
  s.AddClip(TRect{300, 300, 400, 400});
  EXPECT_EQ(s.ClipRect, (TRect{0, 5, 100, 50}));
  s.ResetClip();
  s.AddClip(TRect{10, 10, 20, 20});
  EXPECT_EQ(s.ClipRect, (TRect{10, 10, 20, 20}));
  // Fills stay inside the clip.
  s.Fill(0);
  s.FillRect(TRect{0, 0, 100, 50}, 9);
  EXPECT_EQ(s.GetPixel(9, 10), 0u);
  EXPECT_EQ(s.GetPixel(10, 10), 9u);
  EXPECT_EQ(s.GetPixel(19, 19), 9u);
  EXPECT_EQ(s.GetPixel(20, 19), 0u);
}

TEST(DIBX, FrameRectDrawsFourBandsOrTwo) {
  TDIBX s;
  s.SetSize(12, 12, 32);
  auto count = [&s] {
    int n = 0;
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 12; ++x) n += s.GetPixel(x, y) != 0;
    return n;
  };
  s.Fill(0);
  s.FrameRect(TRect{1, 1, 11, 9}, 2, 5);
  EXPECT_EQ(count(), 10 * 8 - 6 * 4);
  EXPECT_EQ(s.GetPixel(5, 5), 0u);
  EXPECT_EQ(s.GetPixel(1, 5), 5u);
  EXPECT_EQ(s.GetPixel(10, 5), 5u);
  // A band of half the height or more: only the top and bottom bands (which here overlap).
  s.Fill(0);
  s.FrameRect(TRect{0, 0, 12, 6}, 3, 5);
  EXPECT_EQ(count(), 12 * 6);
  s.Fill(0);
  s.FrameRect(TRect{0, 0, 12, 8}, 4, 5);
  EXPECT_EQ(count(), 12 * 8);
  s.Fill(0);
  s.FrameRectAlpha(TRect{0, 0, 12, 8}, 1, 0x00FFFFFF, 0);  // alpha 0: nothing
  EXPECT_EQ(count(), 0);
  s.FrameRectAdd(TRect{0, 0, 12, 8}, 1, 0x00010101);
  EXPECT_EQ(count(), 12 * 2 + 6 * 2);
}

TEST(DIBX, WholeFillsPerDepth) {
  TDIBX s;
  s.SetSize(9, 2, 1);
  s.Fill(3);
  EXPECT_EQ(s.GetPixel(8, 1), 1u);
  EXPECT_EQ(s.DIB().Bits()[0], 0xFF);
  s.Fill(0);
  EXPECT_EQ(s.GetPixel(8, 1), 0u);
  s.SetSize(5, 2, 4);
  s.Fill(0xA);
  EXPECT_EQ(s.GetPixel(3, 1), 0xAu);
  EXPECT_EQ(s.DIB().Bits()[0], 0xAA);
  s.SetSize(5, 2, 8);
  s.Fill(0x1234);
  EXPECT_EQ(s.GetPixel(4, 1), 0x34u);
  s.SetSize(5, 2, 16);
  s.Fill(0x12345);
  EXPECT_EQ(s.GetPixel(4, 1), 0x2345u);
  s.SetSize(5, 2, 24);
  s.Fill(0x00ABCDEF);
  EXPECT_EQ(s.GetPixel(4, 1), 0x00ABCDEFu);
  EXPECT_EQ(s.DIB().ScanLine(1)[12], 0xEF);  // low byte first
  s.SetSize(5, 2, 32);
  s.AddClip(TRect{0, 0, 1, 1});
  s.Fill(7);  // through the clipped FillRect
  EXPECT_EQ(s.GetPixel(0, 0), 7u);
  EXPECT_EQ(s.GetPixel(4, 1), 0u);
}

TEST(DIBX, AssignCopiesRawBytesOnlyBetweenEqualFormats) {
  std::mt19937 rng(51);
  auto a = test::RandomSurface(6, 4, 16, rng);
  TDIBX b;
  b.SetSize(6, 4, 16);
  b.Assign(a.get());
  EXPECT_TRUE(test::SameImage(test::ReadImage(b), test::ReadImage(*a), "AssignEqual"));
  // Same size and pitch, other masks: the 5-6-5 words are converted, not copied raw into a 5-5-5 surface.
  TDIBX c;
  c.SetSize(6, 4, 15);
  ASSERT_EQ(c.Pitch(), a->Pitch());
  a->SetPixel(2, 2, 0xFFE0);  // yellow in 5-6-5
  c.Assign(a.get());
  EXPECT_EQ(c.GetPixel(2, 2), 0x7FE0u);
  // A plain draw between the two formats draws nothing rather than mixing them.
  c.Fill(0x1234);
  c.Draw(0, 0, a.get(), TRect{0, 0, 6, 4}, false, false, false);
  EXPECT_EQ(c.GetPixel(2, 2), 0x1234u);
  // Another size: the source is drawn at (0, 0) and the surface keeps its size.
  TDIBX d;
  d.SetSize(3, 3, 16);
  d.Assign(a.get());
  EXPECT_EQ(d.Width(), 3);
  EXPECT_EQ(d.GetPixel(2, 2), a->GetPixel(2, 2));
}

TEST(DIBX, PalettesAndPixelAccessOfIndexedDepths) {
  TDIBX s;
  s.SetSize(10, 2, 4);
  uint8_t pal[1024];
  for (int i = 0; i < 1024; ++i) pal[i] = static_cast<uint8_t>(i * 7);
  s.SetPalette(pal);
  uint8_t back[1024];
  s.GetPalette(back);
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(back[4 * i], pal[4 * i]);
    EXPECT_EQ(back[4 * i + 2], pal[4 * i + 2]);
    EXPECT_EQ(back[4 * i + 3], 0);  // reserved
  }
  uint8_t two[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  s.SetPaletteEntries(two, 254, 2);
  s.SetPaletteEntries(two, 255, 2);  // beyond the palette: ignored
  s.GetPaletteEntries(back, 255, 1);
  EXPECT_EQ(back[0], 5);
  s.SetPixel(3, 1, 0xB);
  s.SetPixel(2, 1, 0x4);
  EXPECT_EQ(s.DIB().ScanLine(1)[1], 0x4B);  // high nibble is the left pixel
  s.SetSize(10, 1, 1);
  s.SetPixel(0, 0, 1);
  s.SetPixel(9, 0, 1);
  EXPECT_EQ(s.DIB().ScanLine(0)[0], 0x80);  // most significant bit is the leftmost pixel
  EXPECT_EQ(s.DIB().ScanLine(0)[1], 0x40);
  EXPECT_EQ(s.GetPixel(9, 0), 1u);
  EXPECT_EQ(s.GetPixel(8, 0), 0u);
}

TEST(DIBX, HugeSizesAreRefusedBeforeAllocation) {
  TDIBX s;
  EXPECT_THROW(s.SetSize(30000, 30000, 32), EVelkError);
  EXPECT_THROW(s.SetSize((1 << 25) + 1, 1, 8), EVelkError);
  EXPECT_EQ(s.Width(), 1);  // unchanged
  // Sides are bounded by the bytes: a long strip fits.
  s.SetSize(640, 40000, 32);
  EXPECT_EQ(s.Height(), 40000);
}

// A surface sized again takes a new block: whatever the old one held (pixels written over a block fresh from the
// system, here) never shows through a cleared surface.
TEST(DIBX, ASurfaceSizedAgainIsClearedWhateverItsBlockHeld) {
  TDIBX s;
  s.SetSizeForOverwrite(1024, 600, 32);
  std::memset(s.DIB().Bits(), 0xFF, s.DIB().ByteSize());
  s.SetSize(1000, 600, 32);
  const uint8_t* bits = s.DIB().Bits();
  EXPECT_TRUE(std::all_of(bits, bits + s.DIB().ByteSize(), [](uint8_t v) { return v == 0; }));
}

}  // namespace
}  // namespace velk
