// The row kernels of the widest set against the scalar ones on long runs: every start of the destination within a
// 64-byte line, runs of masks that only cover or uncover (whole steps that skip the blend) beside soft ones.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "gfx/blend_kernels.h"
#include "gfx/dibx.h"
#include "gfx/stretch_columns.h"
#include "gfx/turn_rows.h"

namespace velk {
namespace {

TEST(DrawKernels, MaskedBlendMatchesScalarAtEveryStartAndWidth) {
  const TRowKernels& simd = ActiveKernels();
  const TRowKernels& scalar = ScalarKernels();
  std::mt19937 rng(41);
  constexpr int kMax = 150, kSpan = kMax + 32;
  // Aligned backing stores, so that the starts below give every offset within a line.
  alignas(64) static uint32_t d0[kSpan], d1[kSpan], src[kSpan];
  alignas(64) static uint8_t mask[kSpan];
  TKernelParams p;
  p.Masks = kMasks888;
  for (int pattern = 0; pattern < 4; ++pattern) {
    for (int i = 0; i < kSpan; ++i) {
      src[i] = rng();
      d0[i] = rng();
      const uint32_t r = rng() % 4;
      const uint8_t soft = static_cast<uint8_t>(rng());
      switch (pattern) {
        case 0: mask[i] = static_cast<uint8_t>(r == 0 ? 0 : r == 1 ? 255 : soft); break;  // mixed
        case 1: mask[i] = (i / 16) % 2 ? 255 : 0; break;                                  // whole runs
        case 2: mask[i] = (i / 23) % 3 == 0 ? soft : (i / 23) % 3 == 1 ? 255 : 0; break;  // soft edges
        default: mask[i] = soft; break;                                                   // all soft
      }
    }
    for (int start = 0; start < 16; ++start)
      for (int width = 0; width <= kMax; ++width) {
        std::memcpy(d1, d0, sizeof d0);
        std::vector<uint32_t> expected(d0, d0 + kSpan);
        scalar.Kernel(TRowOp::Mask, 32)(expected.data() + start, src + start, mask + start, width, p);
        simd.Kernel(TRowOp::Mask, 32)(d1 + start, src + start, mask + start, width, p);
        ASSERT_EQ(std::vector<uint32_t>(d1, d1 + kSpan), expected)
            << simd.Name << " pattern " << pattern << " start " << start << " width " << width;
      }
  }
}

// Every destination and source value of each channel under every mask value: a row holds all 65536 pairs in each
// channel (differently arranged per channel), so rounding slips that random pixels rarely meet show here.
TEST(DrawKernels, MaskedBlendMatchesScalarForEveryChannelPairAndMaskValue) {
  const TRowKernels& simd = ActiveKernels();
  constexpr int kRow = 65536;
  std::vector<uint32_t> src(kRow), dst(kRow);
  for (uint32_t k = 0; k < kRow; ++k) {
    const uint32_t lo = k & 0xFF, hi = k >> 8;
    dst[k] = lo | hi << 8 | (lo ^ 0x5A) << 16 | (k * 31 & 0xFF) << 24;
    src[k] = hi | lo << 8 | (hi ^ 0xA5) << 16 | (k * 17 & 0xFF) << 24;
  }
  TKernelParams p;
  p.Masks = kMasks888;
  std::vector<uint8_t> mask(kRow);
  std::vector<uint32_t> expected, actual;
  for (int a = 0; a < 256; ++a) {
    std::fill(mask.begin(), mask.end(), static_cast<uint8_t>(a));
    expected = dst;
    actual = dst;
    ScalarKernels().Kernel(TRowOp::Mask, 32)(expected.data(), src.data(), mask.data(), kRow, p);
    simd.Kernel(TRowOp::Mask, 32)(actual.data(), src.data(), mask.data(), kRow, p);
    ASSERT_EQ(actual, expected) << simd.Name << " mask " << a;
  }
}

TEST(DrawKernels, DoubledColumnsMatchTheLoopAtEveryStartWidthAndPhase) {
  std::mt19937 rng(43);
  std::vector<uint32_t> src(200);
  for (uint32_t& v : src) v = rng();
  for (int phase : {0, 1})
    for (int start = 0; start < 16; ++start)
      for (int32_t n = 0; n <= 120; ++n) {
        std::vector<uint32_t> a(160, 7), b(160, 7);
        DoubleColumns32Scalar(a.data() + start, src.data() + 3, n, phase);
        DoubleColumns32(b.data() + start, src.data() + 3, n, phase);
        ASSERT_EQ(a, b) << "phase " << phase << " start " << start << " width " << n;
      }
}

TEST(DrawKernels, OnlyTwiceEveryColumnInOrderCountsAsDoubled) {
  using V = std::vector<int32_t>;
  const TDoubledColumns even = FindDoubledColumns(V{4, 4, 5, 5, 6});
  EXPECT_TRUE(even.Doubled);
  EXPECT_EQ(even.First, 4);
  EXPECT_EQ(even.Phase, 0);
  const TDoubledColumns odd = FindDoubledColumns(V{4, 5, 5, 6, 6});
  EXPECT_TRUE(odd.Doubled);
  EXPECT_EQ(odd.First, 4);
  EXPECT_EQ(odd.Phase, 1);
  EXPECT_FALSE(FindDoubledColumns(V{4, 4, 4, 5, 5, 5}).Doubled);  // 3x
  EXPECT_FALSE(FindDoubledColumns(V{5, 5, 4, 4}).Doubled);        // mirrored
  EXPECT_FALSE(FindDoubledColumns(V{4, 4, 5, 5, 7, 7}).Doubled);
  EXPECT_FALSE(FindDoubledColumns(V{-1, -1, 0, 0}).Doubled);
  EXPECT_FALSE(FindDoubledColumns(V{4}).Doubled);
}

// Wide 2x stretches, clipped on an odd column and row so that the walk starts inside a pair, against the sampling
// rule itself: destination pixel i shows source pixel floor(i / 2) of the rectangle.
TEST(DrawKernels, WideDoubledStretchShowsEverySourcePixelTwice) {
  std::mt19937 rng(47);
  TDIBX s, d;
  s.SetSize(400, 40, 32);
  for (int32_t y = 0; y < 40; ++y)
    for (int32_t x = 0; x < 400; ++x) s.SetPixel(x, y, rng() & 0x00FFFFFF);
  d.SetSize(700, 50, 32);
  for (int clipped = 0; clipped < 2; ++clipped) {
    d.Fill(0x123456);
    if (clipped) d.AddClip(TRect{3, 5, 651, 47});
    const TRect dst{-7, -3, 693, 57}, src{10, 2, 360, 32};  // 700 x 60 from 350 x 30
    d.StretchDraw(dst, &s, src, false, false, false, 255);
    const TRect clip = Intersect(d.ClipBounds(), dst);
    for (int32_t y = 0; y < 50; ++y)
      for (int32_t x = 0; x < 700; ++x) {
        const bool inside = x >= clip.Left && x < clip.Right && y >= clip.Top && y < clip.Bottom;
        const uint32_t expected =
            inside ? s.GetPixel(src.Left + (x - dst.Left) / 2, src.Top + (y - dst.Top) / 2) : 0x123456u;
        ASSERT_EQ(d.GetPixel(x, y), expected) << "clipped " << clipped << " at " << x << ", " << y;
      }
  }
}

// The sixteen-sample walk of turned rows against the plain loop, over angles, scales, mirrored walks, run lengths
// and unaligned rows.
TEST(DrawKernels, WideTurnedRowsMatchTheLoop) {
  std::mt19937 rng(53);
  constexpr int32_t kW = 97, kH = 61, kPitch = 100;  // pixels; the pitch leaves a gap after each line
  std::vector<uint32_t> src(static_cast<size_t>(kPitch) * kH);
  for (uint32_t& v : src) v = rng();
  for (int32_t angle = 0; angle < 256; angle += 7)
    for (int32_t scale : {60, 256, 700})
      for (int mirror = 0; mirror < 4; ++mirror) {
        const double theta = angle * 2.0 * 3.14159265358979323846 / 256.0, sc = scale / 256.0;
        TTurnWalk w;
        w.Origin = reinterpret_cast<const uint8_t*>(src.data());
        w.Pitch = kPitch * 4;
        w.Lines = kH;
        w.ColStep = mirror & 1 ? -1 : 1;
        w.ColBase = mirror & 1 ? kW - 1 : 0;
        w.LineStep = mirror & 2 ? -1 : 1;
        w.LineBase = mirror & 2 ? kH - 1 : 0;
        w.DuDx = static_cast<int64_t>(std::cos(-theta) / sc * 65536.0);
        w.DvDx = static_cast<int64_t>(std::sin(-theta) / sc * 65536.0);
        // From a point inside, as far as the samples stay inside.
        const int64_t u = (int64_t{static_cast<int32_t>(rng() % kW)} << 16) + (rng() & 0xFFFF);
        const int64_t v = (int64_t{static_cast<int32_t>(rng() % kH)} << 16) + (rng() & 0xFFFF);
        int32_t count = 0;
        while (count < 300) {
          const int64_t cu = (u + count * w.DuDx) >> 16, cv = (v + count * w.DvDx) >> 16;
          if (cu < 0 || cu >= kW || cv < 0 || cv >= kH) break;
          ++count;
        }
        for (int start : {0, 1, 5}) {
          std::vector<uint32_t> a(320, 9), b(320, 9);
          TurnRow32Scalar(a.data() + start, w, u, v, count);
          TurnRow32(b.data() + start, w, u, v, count);
          ASSERT_EQ(a, b) << "angle " << angle << " scale " << scale << " mirror " << mirror << " count " << count;
        }
      }
}

}  // namespace
}  // namespace velk
