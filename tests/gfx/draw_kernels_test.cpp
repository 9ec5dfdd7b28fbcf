// The row kernels of the widest set against the scalar ones on long runs: every start of the destination within a
// 64-byte line, runs of masks that only cover or uncover (whole steps that skip the blend) beside soft ones.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "gfx/blend_kernels.h"

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
        case 1: mask[i] = (i / 16) % 2 ? 255 : 0; break;                                 // whole runs
        case 2: mask[i] = (i / 23) % 3 == 0 ? soft : (i / 23) % 3 == 1 ? 255 : 0; break;  // soft edges
        default: mask[i] = soft; break;                                                  // all soft
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

}  // namespace
}  // namespace velk
