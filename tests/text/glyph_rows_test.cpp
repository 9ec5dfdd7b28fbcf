// The SIMD glyph row kernel against the scalar one: the same bytes for every coverage pattern, run length, block
// height, paint mode and pixel format, and nothing written outside the runs.
#include "text/glyph_rows.h"

#include <gtest/gtest.h>

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
          const int rows = 1 + trial % 3, pitch = n + 2 * kGuard;  // pitch in pixels, guards on both sides
          // Coverage with empty stretches (whole steps and partial ones), full pixels and edges.
          std::vector<uint8_t> coverage(static_cast<size_t>(rows * pitch));
          for (auto& m : coverage) {
            const uint32_t r = rng() % 8;
            m = r < 3 ? 0 : r == 3 ? 255 : r == 4 ? 1 : r == 5 ? 254 : byte();
          }
          if (trial % 5 == 0 && n >= 8) std::fill(coverage.begin(), coverage.begin() + 8, 0);
          std::vector<uint8_t> color(static_cast<size_t>(rows * pitch * bytes)), mask(coverage.size());
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
          const auto run = [&](std::vector<uint8_t>& c, std::vector<uint8_t>& m, TGlyphRowKernel kernel) {
            TGlyphBlock block;
            block.Color = c.data() + kGuard * bytes;
            block.ColorPitch = pitch * bytes;
            block.Mask = m.data() + kGuard;
            block.MaskPitch = pitch;
            block.Coverage = coverage.data() + kGuard;
            block.CoveragePitch = pitch;
            block.Width = n;
            block.Rows = rows;
            // Rows with room past the run (written back as they were) and rows that end with it.
            block.Room = trial % 2 ? n + kGuard : n;
            kernel(block, p);
          };
          run(color_s, mask_s, PaintGlyphRowScalar);
          run(color_v, mask_v, avx2);
          ASSERT_EQ(color_v, color_s) << bits << " n=" << n << " mode=" << mode << " trial=" << trial;
          ASSERT_EQ(mask_v, mask_s) << bits << " n=" << n << " mode=" << mode << " trial=" << trial;
          // The guards are the scalar kernel's business too: it writes only the runs.
          for (int r = 0; r < rows; ++r)
            for (int i = 0; i < pitch; ++i) {
              if (i >= kGuard && i < kGuard + n) continue;
              const size_t k = static_cast<size_t>(r * pitch + i);
              ASSERT_EQ(mask_s[k], mask[k]);
              for (int j = 0; j < bytes; ++j) ASSERT_EQ(color_s[k * bytes + j], color[k * bytes + j]);
            }
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
  TGlyphBlock block;
  block.Color = reinterpret_cast<uint8_t*>(color);
  block.Mask = mask;
  block.Coverage = coverage;
  block.Width = block.Room = 4;
  block.Rows = 1;
  PaintGlyphRowScalar(block, p);
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
  PaintGlyphRowScalar(block, p);
  EXPECT_EQ(mask[0], 9);
  EXPECT_EQ(mask[3], 255);
}

}  // namespace
}  // namespace velk
