// Tiled, scrolling and framed tile draws against per-pixel references.
#include <gtest/gtest.h>

#include <random>

#include "gfx/dibx.h"
#include "gfx_reference.h"

namespace velk {
namespace {

using test::RefImage;

int64_t Mod(int64_t a, int64_t m) { return ((a % m) + m) % m; }

// The tile pattern as a grid: tiles of w x h every w + gap pixels, the grid shifted left by the offset's start
// column. Returns the source index inside the cell, or -1 for a gap.
int32_t TileIndex(int64_t pos, int64_t origin, int32_t offset, int32_t size, int32_t gap) {
  const int64_t start = offset >= 0 ? offset % size : size - (-static_cast<int64_t>(offset)) % size;
  const int64_t q = pos - (origin - start);
  const int64_t r = Mod(q, size + gap);
  return r < size ? static_cast<int32_t>(r) : -1;
}

TEST(TileDraw, TilesWithGapsAndOffsetsLeaveTheGapsAlone) {
  std::mt19937 rng(31);
  struct Case {
    int32_t gap_x, gap_y, off_x, off_y;
  };
  const Case cases[] = {{0, 0, 0, 0}, {3, 2, 4, 1}, {1, 4, -2, -7}, {0, 1, -5, 5}, {2, 0, 13, -1}};
  const TRect src{2, 1, 7, 5};  // 5 x 4 cells
  for (int depth : {16, 32}) {
    for (const Case& c : cases) {
      for (int op = 0; op < 3; ++op) {
        auto d = test::RandomSurface(40, 30, depth, rng);
        auto s = test::RandomSurface(9, 7, depth, rng);
        auto m = test::RandomMask(9, 7, rng);
        const TRect dst{3, 4, 33, 27};
        d->AddClip(TRect{0, 0, 30, 30});
        const TRect old_clip = d->ClipRect;
        RefImage expected = test::ReadImage(*d);
        const RefImage sr = test::ReadImage(*s), mr = test::ReadImage(*m);
        const TRect area = Intersect(dst, d->ClipBounds());
        for (int32_t y = area.Top; y < area.Bottom; ++y)
          for (int32_t x = area.Left; x < area.Right; ++x) {
            const int32_t i = TileIndex(x, dst.Left, c.off_x, 5, c.gap_x),
                          j = TileIndex(y, dst.Top, c.off_y, 4, c.gap_y);
            if (i < 0 || j < 0) continue;
            const uint32_t v = sr.at(src.Left + i, src.Top + j), mv = mr.at(src.Left + i, src.Top + j);
            uint32_t& p = expected.at(x, y);
            if (op == 0) p = v;
            if (op == 1) p = p == v ? p : test::RefBlend(p, v, 70, expected.masks);
            if (op == 2) p = mv == 0 ? p : test::RefAdd(p, v, mv == 255 ? 150 : mv * 150 / 256, expected.masks);
          }
        if (op == 0) d->TileDraw(dst, c.gap_x, c.gap_y, s.get(), src, false, c.off_x, c.off_y);
        if (op == 1) d->TileDrawAlpha(dst, c.gap_x, c.gap_y, s.get(), src, false, 70, c.off_x, c.off_y);
        if (op == 2) d->TileDrawAddMask(dst, c.gap_x, c.gap_y, s.get(), src, m.get(), 150, c.off_x, c.off_y);
        EXPECT_EQ(d->ClipRect, old_clip);  // restored
        ASSERT_TRUE(test::SameImage(test::ReadImage(*d), expected,
                                    "Tile" + std::to_string(op) + "_" + std::to_string(depth) + "_" +
                                        std::to_string(c.gap_x) + "_" + std::to_string(c.off_x)));
      }
    }
  }
  // A negative gap that swallows the tile ends instead of looping for ever.
  TDIBX d, s;
  d.SetSize(10, 10, 32);
  s.SetSize(2, 2, 32);
  d.TileDraw(TRect{0, 0, 10, 10}, -5, -5, &s, TRect{0, 0, 2, 2}, false, 0, 0);
}

TEST(ScrollTile, RepeatsTheWholeSourceFromTheOffset) {
  std::mt19937 rng(33);
  for (int depth : {8, 16, 32}) {
    for (int mirror = 0; mirror < 4; ++mirror) {
      for (int32_t off : {0, -1, 7, -23}) {
        const bool mh = mirror & 1, mv = mirror & 2;
        auto d = test::RandomSurface(30, 20, depth, rng);
        auto s = test::RandomSurface(6, 5, depth, rng);
        const TRect dst{-3, 2, 25, 30};
        RefImage expected = test::ReadImage(*d);
        const RefImage sr = test::ReadImage(*s);
        for (int32_t y = 2; y < 20; ++y)
          for (int32_t x = 0; x < 25; ++x) {
            const int64_t i = x - dst.Left, j = y - dst.Top;
            const int64_t cx = mh ? Mod(5 - Mod(off, 6) - i, 6) : Mod(off + i, 6);
            const int64_t cy = mv ? Mod(4 - Mod(off * 2, 5) - j, 5) : Mod(off * 2 + j, 5);
            expected.at(x, y) = sr.at(static_cast<int32_t>(cx), static_cast<int32_t>(cy));
          }
        d->ScrollTile(dst, s.get(), off, off * 2, mh, mv);
        ASSERT_TRUE(test::SameImage(test::ReadImage(*d), expected,
                                    "ScrollTile_" + std::to_string(depth) + "_m" + std::to_string(mirror) + "_" +
                                        std::to_string(off)));
      }
    }
  }
  // Offset -1 starts the row with the source's last column.
  TDIBX d, s;
  d.SetSize(4, 1, 32);
  s.SetSize(3, 1, 32);
  for (int i = 0; i < 3; ++i) s.SetPixel(i, 0, 0x20u + i);
  d.ScrollTile(TRect{0, 0, 4, 1}, &s, -1, 0, false, false);
  EXPECT_EQ(d.GetPixel(0, 0), 0x22u);
  EXPECT_EQ(d.GetPixel(1, 0), 0x20u);
}

TEST(ScrollTile, ScaledTilesStepBy256OverTheScale) {
  std::mt19937 rng(35);
  for (int scale : {512, 128}) {
    for (int opacity : {255, 100, 400}) {
      auto d = test::RandomSurface(24, 16, 32, rng);
      auto s = test::RandomSurface(6, 5, 32, rng);
      const TRect dst{1, 1, 23, 15};
      RefImage expected = test::ReadImage(*d);
      const RefImage sr = test::ReadImage(*s);
      for (int32_t y = dst.Top; y < dst.Bottom; ++y)
        for (int32_t x = dst.Left; x < dst.Right; ++x) {
          // Source position in 256ths: start column (offset mod size) plus 256 * 256 / scale per pixel.
          const int64_t u = 2 * 256 + (x - dst.Left) * 65536 / scale, v = 3 * 256 + (y - dst.Top) * 65536 / scale;
          const uint32_t sv = sr.at(static_cast<int32_t>(Mod(u / 256, 6)), static_cast<int32_t>(Mod(v / 256, 5)));
          uint32_t& p = expected.at(x, y);
          if (opacity == 255) p = sv;
          if (opacity == 100) p = p == sv ? p : test::RefBlend(p, sv, 100, expected.masks);
          if (opacity == 400) p = test::RefAdd(p, sv, 144, expected.masks);
        }
      d->ScrollTileScaled(dst, scale, scale, s.get(), 8, -2, false, false, false, opacity);
      ASSERT_TRUE(test::SameImage(test::ReadImage(*d), expected,
                                  "ScrollTileScaled_" + std::to_string(scale) + "_" + std::to_string(opacity)));
    }
  }
}

TEST(TileStretchDraw, CellsOfTheScaledStep) {
  TDIBX d, s;
  d.SetSize(20, 4, 32);
  d.Fill(0);
  s.SetSize(2, 1, 32);
  s.SetPixel(0, 0, 0x11), s.SetPixel(1, 0, 0x22);
  // Cells 3 wide scaled 2x: every 6 pixels a cell of 4 pixels (the source 2 wide scaled 2x), gaps of 2;
  // offset 1 starts the first cell one pixel before the destination.
  d.TileStretchDraw(TRect{0, 0, 20, 4}, 3, 1, 512, 512, &s, TRect{0, 0, 2, 1}, false, false, false, 255, 1, 0);
  const uint32_t row[] = {0x11, 0x22, 0x22, 0, 0, 0x11, 0x11, 0x22, 0x22, 0, 0, 0x11, 0x11, 0x22, 0x22, 0, 0, 0x11};
  for (int x = 0; x < 18; ++x) EXPECT_EQ(d.GetPixel(x, 1), row[x]) << x;
}

TEST(FrameTile, DrawsFourBandsOfTheTile) {
  TDIBX d, s;
  d.SetSize(10, 8, 32);
  d.Fill(0);
  s.SetSize(1, 1, 32);
  s.SetPixel(0, 0, 7);
  d.FrameTile(TRect{1, 1, 9, 7}, 2, &s, 0, 0);
  int count = 0;
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 10; ++x) {
      const bool band = TRect{1, 1, 9, 7}.Contains(x, y) && !TRect{3, 3, 7, 5}.Contains(x, y);
      EXPECT_EQ(d.GetPixel(x, y), band ? 7u : 0u) << x << "," << y;
      count += band;
    }
  EXPECT_EQ(count, 48 - 8);
}

}  // namespace
}  // namespace velk
