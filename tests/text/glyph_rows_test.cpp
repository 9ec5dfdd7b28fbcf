// The SIMD glyph row kernel against the scalar one: the same bytes for every coverage pattern, run length, paint
// mode and pixel format, and nothing written outside the run.
#include "text/glyph_rows.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace velk {
namespace {

TEST(GlyphRows, Avx2KernelGivesTheScalarBytes) {
  const TGlyphRowKernel avx2 = GlyphRowAvx2Kernel();
  if (!avx2) GTEST_SKIP() << "no AVX2";
  std::mt19937 rng(7);
  const auto byte = [&] { return static_cast<uint8_t>(rng() & 0xFF); };
  constexpr int kGuard = 8;
  for (const TPixelMasks masks : {kMasks888, kMasks565, kMasks555}) {
    const int bits = masks == kMasks888 ? 32 : 16, bytes = bits / 8;
    for (int n = 0; n <= 41; ++n) {
      for (int mode = 0; mode < 4; ++mode) {
        for (int trial = 0; trial < 20; ++trial) {
          // Coverage with empty stretches (whole steps and partial ones), full pixels and edges.
          std::vector<uint8_t> coverage(static_cast<size_t>(n));
          for (auto& m : coverage) {
            const uint32_t r = rng() % 8;
            m = r < 3 ? 0 : r == 3 ? 255 : r == 4 ? 1 : r == 5 ? 254 : byte();
          }
          if (trial % 5 == 0 && n >= 8) std::fill(coverage.begin(), coverage.begin() + 8, 0);
          std::vector<uint8_t> color(static_cast<size_t>((n + 2 * kGuard) * bytes)), mask(size_t(n + 2 * kGuard));
          for (auto& c : color) c = byte();
          for (auto& m : mask) m = byte();
          TGlyphRowParams p;
          p.Value = (rng() & 0x7FFFFFFF) & (bits == 32 ? 0x00FFFFFFu : masks.Red | masks.Green | masks.Blue);
          if (trial == 1) p.Value |= 0xFF000000u;  // a value with bits outside the channels
          p.Masks = masks;
          p.Bits = bits;
          p.Blended = mode & 1;
          p.Framed = mode & 2;
          auto color_s = color, color_v = color;
          auto mask_s = mask, mask_v = mask;
          // Rows with room past the run (rewritten as they were) and rows that end with it.
          const int room = trial % 2 ? n + kGuard : n;
          PaintGlyphRowScalar(color_s.data() + kGuard * bytes, mask_s.data() + kGuard, coverage.data(), n, room, p);
          avx2(color_v.data() + kGuard * bytes, mask_v.data() + kGuard, coverage.data(), n, room, p);
          ASSERT_EQ(color_v, color_s) << bits << " n=" << n << " mode=" << mode << " trial=" << trial;
          ASSERT_EQ(mask_v, mask_s) << bits << " n=" << n << " mode=" << mode << " trial=" << trial;
          // The guards are the scalar kernel's business too: it writes only the run.
          ASSERT_EQ(std::memcmp(color_s.data(), color.data(), kGuard * size_t(bytes)), 0);
          ASSERT_EQ(std::memcmp(mask_s.data() + kGuard + n, mask.data() + kGuard + n, kGuard), 0);
        }
      }
    }
  }
}

// The rule itself, on a few pixels worked by hand (32-bit 8-8-8).
TEST(GlyphRows, ScalarKernelMixesByCoverage) {
  const uint8_t coverage[4] = {0, 255, 128, 64};
  uint32_t color[4] = {0xFF102030, 0xFF102030, 0xFF102030, 0x00000000};
  uint8_t mask[4] = {9, 9, 200, 9};
  TGlyphRowParams p;
  p.Value = 0x00F0E0D0;
  PaintGlyphRowScalar(reinterpret_cast<uint8_t*>(color), mask, coverage, 4, 4, p);
  // (0xF0 * 128 + 0x10 * 128) >> 8 = 0x80, (0xE0 * 128 + 0x20 * 128) >> 8 = 0x80, (0xD0 + 0x30) / 2 = 0x80.
  EXPECT_EQ(color[0], 0xFF102030u);
  EXPECT_EQ(color[1], 0x00F0E0D0u);
  EXPECT_EQ(color[2], 0x00808080u);
  EXPECT_EQ(color[3], 0x003C3834u);
  EXPECT_EQ(mask[0], 9);
  EXPECT_EQ(mask[1], 255);
  EXPECT_EQ(mask[2], 200);
  EXPECT_EQ(mask[3], 64);
  p.Framed = true;
  PaintGlyphRowScalar(reinterpret_cast<uint8_t*>(color), mask, coverage, 4, 4, p);
  EXPECT_EQ(mask[0], 9);
  EXPECT_EQ(mask[3], 255);
}

}  // namespace
}  // namespace velk
