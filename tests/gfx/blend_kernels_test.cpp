#include "gfx/blend_kernels.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "gfx_reference.h"

namespace velk {
namespace {

using test::RefAdd;
using test::RefAddColor;
using test::RefBlend;
using test::RefSubColor;

struct Format {
  int bits;
  TPixelMasks masks;
  const char* name;
};
const Format kFormats[] = {{16, kMasks555, "555"}, {16, kMasks565, "565"}, {32, kMasks888, "888"}};

constexpr TRowOp kOps[] = {TRowOp::CopyTransparent, TRowOp::Alpha,    TRowOp::Add,       TRowOp::Mask,
                           TRowOp::AlphaMask,       TRowOp::AddMask,  TRowOp::FillAlpha, TRowOp::FillAdd,
                           TRowOp::FillSub,         TRowOp::ColorMask, TRowOp::AddGrey,   TRowOp::SubGrey};

// Rows of random pixels where some source pixels equal the destination, the transparent value or the colour,
// and the mask leans towards 0 and 255, so that every skip rule is met.
struct Rows {
  std::vector<uint8_t> dst, src, mask;
};
Rows MakeRows(int bits, size_t pixels, uint32_t transparent, uint32_t color, std::mt19937& rng) {
  const int size = bits / 8;
  Rows r{std::vector<uint8_t>(pixels * size), std::vector<uint8_t>(pixels * size), std::vector<uint8_t>(pixels)};
  for (size_t i = 0; i < pixels; ++i) {
    uint32_t d = rng(), s = rng();
    switch (rng() % 8) {
      case 0: s = d; break;
      case 1: s = transparent; break;
      case 2: d = color; break;
      default: break;
    }
    std::memcpy(&r.dst[i * size], &d, size);
    std::memcpy(&r.src[i * size], &s, size);
    const uint32_t m = rng() % 4;
    r.mask[i] = static_cast<uint8_t>(m == 0 ? 0 : m == 1 ? 255 : rng());
  }
  return r;
}

void ExpectSameAsScalar(const TRowKernels& simd) {
  std::mt19937 rng(7);
  const TRowKernels& scalar = ScalarKernels();
  constexpr int kMaxWidth = 67, kGuard = 40;
  for (const Format& f : kFormats) {
    const int size = f.bits / 8;
    for (TRowOp op : kOps) {
      for (uint32_t alpha = 0; alpha < 256; ++alpha) {
        TKernelParams p;
        p.Masks = f.masks;
        p.Alpha = alpha;
        p.Color = rng() & (f.bits == 32 ? 0x00FFFFFF : 0xFFFF);
        p.HasTransparent = (alpha & 1) != 0;
        p.Transparent = rng() & (f.bits == 32 ? 0xFFFFFFFF : 0xFFFF);
        Rows rows = MakeRows(f.bits, kMaxWidth + kGuard, p.Transparent, p.Color, rng);
        // Some masks only cover or uncover, as most of a picture's alpha channel does.
        if (alpha % 4 == 2)
          for (uint8_t& m : rows.mask) m = m < 128 ? 0 : 255;
        for (int width = 0; width <= kMaxWidth; ++width) {
          for (int start : {0, 1, 3}) {
            Rows a = rows, b = rows;
            scalar.Kernel(op, f.bits)(&a.dst[start * size], &a.src[start * size], &a.mask[start], width, p);
            simd.Kernel(op, f.bits)(&b.dst[start * size], &b.src[start * size], &b.mask[start], width, p);
            ASSERT_EQ(a.dst, b.dst) << simd.Name << " op " << static_cast<int>(op) << " format " << f.name << " alpha "
                                    << alpha << " width " << width << " start " << start;
          }
        }
      }
    }
  }
}

TEST(BlendKernels, Sse2MatchesScalarByteForByte) {
  const TRowKernels* k = Sse2Kernels();
  if (!k) GTEST_SKIP() << "no SSE2";
  ExpectSameAsScalar(*k);
}

TEST(BlendKernels, Avx2MatchesScalarByteForByte) {
  const TRowKernels* k = Avx2Kernels();
  if (!k) GTEST_SKIP() << "no AVX2";
  ExpectSameAsScalar(*k);
}

TEST(BlendKernels, Avx512MatchesScalarByteForByte) {
  const TRowKernels* k = Avx512Kernels();
  if (!k) GTEST_SKIP() << "no AVX-512";
  ExpectSameAsScalar(*k);
}

// The scalar kernels against the per-channel formulas, pixel by pixel.
TEST(BlendKernels, ScalarKernelsFollowTheFormulas) {
  std::mt19937 rng(11);
  const TRowKernels& k = ScalarKernels();
  for (const Format& f : kFormats) {
    const uint32_t all = f.bits == 32 ? 0xFFFFFFFF : 0xFFFF;
    for (uint32_t alpha = 0; alpha < 256; ++alpha) {
      TKernelParams p;
      p.Masks = f.masks;
      p.Alpha = alpha;
      p.Color = rng() & all;
      p.HasTransparent = true;
      p.Transparent = rng() & all;
      constexpr int n = 64;
      const Rows rows = MakeRows(f.bits, n, p.Transparent, p.Color, rng);
      auto run = [&](TRowOp op) {
        Rows r = rows;
        k.Kernel(op, f.bits)(r.dst.data(), r.src.data(), r.mask.data(), n, p);
        return r.dst;
      };
      auto get = [&](const std::vector<uint8_t>& v, int i) {
        uint32_t x = 0;
        std::memcpy(&x, &v[static_cast<size_t>(i) * (f.bits / 8)], f.bits / 8);
        return x;
      };
      const std::vector<uint8_t> copy = run(TRowOp::CopyTransparent), blend = run(TRowOp::Alpha),
                                 add = run(TRowOp::Add), mask = run(TRowOp::Mask), alpha_mask = run(TRowOp::AlphaMask),
                                 add_mask = run(TRowOp::AddMask), fill_alpha = run(TRowOp::FillAlpha),
                                 fill_add = run(TRowOp::FillAdd), fill_sub = run(TRowOp::FillSub),
                                 color_mask = run(TRowOp::ColorMask), add_grey = run(TRowOp::AddGrey),
                                 sub_grey = run(TRowOp::SubGrey);
      for (int i = 0; i < n; ++i) {
        const uint32_t d = get(rows.dst, i), s = get(rows.src, i), m = rows.mask[i], c = p.Color;
        const bool t = s == p.Transparent;
        const uint32_t am = alpha == 255 ? m : alpha * m / 256;
        SCOPED_TRACE(testing::Message() << f.name << " alpha " << alpha << " pixel " << i);
        EXPECT_EQ(get(copy, i), t ? d : s);
        EXPECT_EQ(get(blend, i), t || s == d ? d : RefBlend(d, s, alpha, f.masks));
        EXPECT_EQ(get(add, i), t ? d : RefAdd(d, s, alpha, f.masks));
        EXPECT_EQ(get(mask, i), m == 255 ? s : m == 0 ? d : RefBlend(d, s, m, f.masks));
        EXPECT_EQ(get(alpha_mask, i), m == 0 ? d : RefBlend(d, s, alpha * m / 256, f.masks));
        EXPECT_EQ(get(add_mask, i), m == 0 ? d : RefAdd(d, s, m == 255 ? alpha : m * alpha / 256, f.masks));
        EXPECT_EQ(get(fill_alpha, i), d == c ? d : RefBlend(d, c, alpha, f.masks));
        EXPECT_EQ(get(fill_add, i), RefAddColor(d, c, f.masks));
        EXPECT_EQ(get(fill_sub, i), RefSubColor(d, c, f.masks));
        EXPECT_EQ(get(color_mask, i), m == 0 || d == c ? d : RefBlend(d, c, am, f.masks));
        const uint32_t grey = ColorToNative(m * 0x010101u, f.masks);
        EXPECT_EQ(get(add_grey, i), RefAddColor(d, grey, f.masks));
        EXPECT_EQ(get(sub_grey, i), RefSubColor(d, grey, f.masks));
      }
    }
  }
}

}  // namespace
}  // namespace velk
