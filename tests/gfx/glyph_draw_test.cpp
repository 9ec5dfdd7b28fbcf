// Reduced glyph draws and the palette draws of indexed sources, against per-pixel references.
#include <gtest/gtest.h>

#include <random>

#include "gfx/dibx.h"
#include "gfx_reference.h"

namespace velk {
namespace {

using test::Chan;
using test::PerChannel;
using test::RefImage;

TEST(DrawMonoReduced, CountsInkPerBlockAndMixes) {
  std::mt19937 rng(41);
  for (int depth : {15, 16, 32}) {
    for (int factor : {4, 3, 1}) {
      for (int alpha : {255, 120}) {
        for (int mirror = 0; mirror < 4; ++mirror) {
          const bool mh = mirror & 1, mv = mirror & 2;
          auto d = test::RandomSurface(20, 12, depth, rng);
          auto s = test::RandomSurface(8 * factor + 2, 5 * factor + 1, 1, rng);
          const TRect src{1, 0, 1 + 8 * factor, 5 * factor};
          const uint32_t c = static_cast<uint32_t>(d->ColorToPixel(0x00C08040));
          RefImage expected = test::ReadImage(*d);
          const RefImage sr = test::ReadImage(*s);
          const int32_t x0 = 15, y0 = -1;  // clipped on the right and at the top
          for (int32_t by = 0; by < 5; ++by)
            for (int32_t bx = 0; bx < 8; ++bx) {
              const int32_t X = x0 + bx, Y = y0 + by;
              if (X < 0 || X >= 20 || Y < 0 || Y >= 12) continue;
              const int32_t kx = mh ? 7 - bx : bx, ky = mv ? 4 - by : by;
              uint32_t ink = 0;
              for (int j = 0; j < factor; ++j)
                for (int i = 0; i < factor; ++i) ink += sr.at(src.Left + kx * factor + i, ky * factor + j) == 0;
              if (alpha < 255) ink = alpha * ink / 256;
              if (ink == 0) continue;
              const uint32_t n2 = factor * factor, old = expected.at(X, Y);
              expected.at(X, Y) = PerChannel(
                  expected.masks, [&](uint32_t k) { return (Chan(c, k) * ink + Chan(old, k) * (n2 - ink)) / n2; });
            }
          d->DrawMonoReduced(x0, y0, s.get(), src, c, mh, mv, alpha, factor);
          ASSERT_TRUE(test::SameImage(test::ReadImage(*d), expected,
                                      "Mono_" + std::to_string(depth) + "_" + std::to_string(factor) + "_" +
                                          std::to_string(alpha) + "_m" + std::to_string(mirror)));
        }
      }
    }
  }
}

TEST(DrawMonoReduced, FullInkGivesTheColourForEveryFactor) {
  for (int factor = 1; factor <= 6; ++factor) {
    TDIBX d, s;
    d.SetSize(2, 1, 32);
    d.Fill(0x00FFFFFF);
    s.SetSize(2 * factor, factor, 1);
    s.Fill(0);  // all ink
    d.DrawMonoReduced(0, 0, &s, TRect{0, 0, 2 * factor, factor}, 0x00102030, false, false, 255, factor);
    EXPECT_EQ(d.GetPixel(1, 0), 0x00102030u) << factor;  // no spill into the neighbouring channels
  }
}

TEST(DrawNibbleReduced, WeighsTheThreeColours) {
  std::mt19937 rng(43);
  for (int depth : {16, 32}) {
    for (int factor : {4, 2, 3}) {
      for (int alpha : {255, 100, 300}) {
        auto d = test::RandomSurface(12, 8, depth, rng);
        auto s = test::RandomSurface(6 * factor, 4 * factor, 4, rng);
        // Some blocks of a single code, to meet the exact rules.
        for (int j = 0; j < factor; ++j)
          for (int i = 0; i < factor; ++i) {
            s->SetPixel(i, j, 0x4);               // code 0: unchanged
            s->SetPixel(factor + i, j, 0x5);      // code 1
            s->SetPixel(2 * factor + i, j, 0xE);  // code 2
          }
        const TColorTriple colors{static_cast<uint32_t>(d->ColorToPixel(0x0000FF)),
                                  static_cast<uint32_t>(d->ColorToPixel(0x00FF00)),
                                  static_cast<uint32_t>(d->ColorToPixel(0x808080))};
        const uint32_t cs[3] = {colors.C1, colors.C2, colors.C3};
        RefImage expected = test::ReadImage(*d);
        const RefImage sr = test::ReadImage(*s);
        const uint64_t n2 = factor * factor, total = 256 * n2;
        for (int32_t by = 0; by < 4; ++by)
          for (int32_t bx = 0; bx < 6; ++bx) {
            uint64_t h[4] = {};
            for (int j = 0; j < factor; ++j)
              for (int i = 0; i < factor; ++i) ++h[sr.at(bx * factor + i, by * factor + j) & 3];
            uint32_t& p = expected.at(2 + bx, 3 + by);
            if (h[0] == n2) continue;
            if (alpha == 255 && h[1] == n2) {
              p = cs[0];
              continue;
            }
            if (alpha == 255 && h[2] == n2) {
              p = cs[1];
              continue;
            }
            const uint64_t wgt = alpha < 255 ? alpha : 256;
            const uint64_t bg = alpha > 255 ? total : total - wgt * (h[1] + h[2] + h[3]);
            const uint32_t old = p;
            p = PerChannel(expected.masks, [&](uint32_t k) {
              uint64_t sum = Chan(cs[0], k) * wgt * h[1] + Chan(cs[1], k) * wgt * h[2] + Chan(cs[2], k) * wgt * h[3] +
                             Chan(old, k) * bg;
              if (alpha > 255) sum = std::min<uint64_t>(sum, uint64_t(test::ChanMax(k)) * total);
              return static_cast<uint32_t>(sum / total);
            });
          }
        d->DrawNibbleReduced(2, 3, s.get(), TRect{0, 0, 6 * factor, 4 * factor}, colors, false, false, alpha, factor);
        ASSERT_TRUE(test::SameImage(test::ReadImage(*d), expected,
                                    "Nibble_" + std::to_string(depth) + "_" + std::to_string(factor) + "_" +
                                        std::to_string(alpha)));
      }
    }
  }
}

TEST(PaletteDraws, NibblePaletteAndIndexedAdd) {
  std::mt19937 rng(45);
  for (int depth : {15, 32}) {
    TNativePalette palette;
    for (uint32_t& p : palette) p = rng() & (depth == 32 ? 0x00FFFFFF : 0x7FFF);
    palette[3] = 0;  // black: never added
    const uint32_t white = depth == 32 ? 0x00FFFFFF : 0x7FFF;
    for (int opacity : {255, 100, 300}) {
      for (int mirror = 0; mirror < 4; ++mirror) {
        const bool mh = mirror & 1, mv = mirror & 2;
        auto d = test::RandomSurface(20, 12, depth, rng);
        auto s = test::RandomSurface(9, 7, 4, rng);
        s->TransparentValue = 5;
        d->SetPixel(4, 4, white);
        RefImage expected = test::ReadImage(*d);
        const RefImage sr = test::ReadImage(*s);
        for (int32_t j = 0; j < 7; ++j)
          for (int32_t i = 0; i < 9; ++i) {
            const int32_t X = 14 + i, Y = 2 + j;
            if (X >= 20) continue;
            const uint32_t index = sr.at(mh ? 8 - i : i, mv ? 6 - j : j);
            if (index == 5) continue;
            const uint32_t v = palette[index];
            uint32_t& p = expected.at(X, Y);
            if (opacity == 255)
              p = v;
            else if (opacity > 255)
              p = (v == 0 || (p & white) == white) ? p : test::RefAdd(p, v, opacity & 0xFF, expected.masks);
            else
              p = p == v ? p : test::RefBlend(p, v, opacity, expected.masks);
          }
        d->DrawNibblePalette(14, 2, s.get(), TRect{0, 0, 9, 7}, mh, mv, opacity, palette);
        ASSERT_TRUE(test::SameImage(test::ReadImage(*d), expected,
                                    "NibblePalette_" + std::to_string(depth) + "_" + std::to_string(opacity) + "_m" +
                                        std::to_string(mirror)));
      }
    }
    // Indexed add: indices at or above the threshold add their palette value.
    for (int mirror = 0; mirror < 4; ++mirror) {
      const bool mh = mirror & 1, mv = mirror & 2;
      auto d = test::RandomSurface(20, 12, depth, rng);
      auto s = test::RandomSurface(9, 7, 8, rng);
      RefImage expected = test::ReadImage(*d);
      const RefImage sr = test::ReadImage(*s);
      for (int32_t j = 0; j < 7; ++j)
        for (int32_t i = 0; i < 9; ++i) {
          const int32_t X = -3 + i, Y = 8 + j;
          if (X < 0 || Y >= 12) continue;
          const uint32_t index = sr.at(mh ? 8 - i : i, mv ? 6 - j : j);
          if (index >= 128) expected.at(X, Y) = test::RefAdd(expected.at(X, Y), palette[index], 200, expected.masks);
        }
      d->DrawIndexedAdd(-3, 8, s.get(), TRect{0, 0, 9, 7}, 128, mh, mv, 200, palette);
      ASSERT_TRUE(test::SameImage(test::ReadImage(*d), expected,
                                  "IndexedAdd_" + std::to_string(depth) + "_m" + std::to_string(mirror)));
    }
  }
}

}  // namespace
}  // namespace velk
