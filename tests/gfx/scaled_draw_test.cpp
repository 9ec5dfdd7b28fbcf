// Stretched and rotated draws against per-pixel references, clipped at every edge and mirrored.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>

#include "gfx/dibx.h"
#include "gfx_reference.h"

namespace velk {
namespace {

using test::RefAdd;
using test::RefBlend;
using test::RefImage;

enum class Kind { Copy, Transparent, Alpha, Add, Mask, AlphaMask, AddMask, IndexedAdd };

uint32_t Combine(Kind kind, uint32_t d, uint32_t s, uint32_t m, uint32_t tv, const TPixelMasks& k) {
  const uint32_t a = 90, amount = 180;
  switch (kind) {
    case Kind::Copy: return s;
    case Kind::Transparent: return s == tv ? d : s;
    case Kind::Alpha: return s == tv || s == d ? d : RefBlend(d, s, a, k);
    case Kind::Add: return s == tv ? d : RefAdd(d, s, amount, k);
    case Kind::Mask: return m == 255 ? s : m == 0 ? d : RefBlend(d, s, m, k);
    case Kind::AlphaMask: return m == 0 ? d : RefBlend(d, s, a * m / 256, k);
    case Kind::AddMask: return m == 0 ? d : RefAdd(d, s, m == 255 ? amount : m * amount / 256, k);
    case Kind::IndexedAdd: return RefAdd(d, s, amount, k);
  }
  return d;
}

void Stretch(TDIBX& d, Kind kind, const TRect& dst, TDIBX& s, const TRect& src, bool mh, bool mv, TDIBX& m,
             const TNativePalette& palette) {
  switch (kind) {
    case Kind::Copy: return d.StretchDraw(dst, &s, src, false, mh, mv, 255);
    case Kind::Transparent: return d.StretchDraw(dst, &s, src, true, mh, mv, 300);
    case Kind::Alpha: return d.StretchDraw(dst, &s, src, true, mh, mv, 90);
    case Kind::Add: return d.StretchDrawAdd(dst, &s, src, false, mh, mv, 180);
    case Kind::Mask: return d.StretchDrawMask(dst, &s, src, mh, mv, &m, 255);
    case Kind::AlphaMask: return d.StretchDrawMask(dst, &s, src, mh, mv, &m, 90);
    case Kind::AddMask: return d.StretchDrawAddMask(dst, &s, src, mh, mv, &m, 180);
    case Kind::IndexedAdd: return d.StretchDrawIndexedAdd(dst, &m, src, 100, mh, mv, 180, palette);
  }
}

// Ratios whose 16.16 steps are exact, so the source index is floor(i * source / destination).
TEST(StretchDraw, EveryStretchMatchesTheReference) {
  std::mt19937 rng(21);
  const TRect dsts[] = {{4, 3, 24, 19}, {-6, 5, 14, 21}, {25, -4, 45, 12}, {10, 20, 18, 28}, {2, 2, 7, 6}};
  const TRect src{1, 1, 11, 9};  // 10 x 8: 2x, 0.8x and 0.5x of the rectangles above
  for (int depth : {15, 16, 32}) {
    for (Kind kind : {Kind::Copy, Kind::Transparent, Kind::Alpha, Kind::Add, Kind::Mask, Kind::AlphaMask, Kind::AddMask,
                      Kind::IndexedAdd}) {
      for (int mirror = 0; mirror < 4; ++mirror) {
        for (const TRect& dst : dsts) {
          const bool mh = mirror & 1, mv = mirror & 2;
          auto d = test::RandomSurface(40, 30, depth, rng);
          auto s = test::RandomSurface(12, 10, depth, rng);
          auto m = test::RandomMask(12, 10, rng);
          s->TransparentValue = static_cast<int32_t>(s->GetPixel(2, 2));
          TNativePalette palette;
          for (uint32_t& p : palette) p = rng() & (depth == 32 ? 0x00FFFFFF : 0xFFFF);
          d->AddClip(TRect{1, 1, 39, 29});
          RefImage expected = test::ReadImage(*d);
          const RefImage sr = test::ReadImage(*s), mr = test::ReadImage(*m);
          const uint32_t tv = static_cast<uint32_t>(s->TransparentValue);
          const TRect area = Intersect(dst, d->ClipBounds());
          for (int32_t y = area.Top; y < area.Bottom; ++y)
            for (int32_t x = area.Left; x < area.Right; ++x) {
              const int32_t ci = (x - dst.Left) * src.Width() / dst.Width();
              const int32_t cj = (y - dst.Top) * src.Height() / dst.Height();
              const int32_t sx = mh ? src.Right - 1 - ci : src.Left + ci;
              const int32_t sy = mv ? src.Bottom - 1 - cj : src.Top + cj;
              uint32_t& p = expected.at(x, y);
              if (kind == Kind::IndexedAdd) {
                const uint32_t index = mr.at(sx, sy);
                if (index >= 100) p = Combine(kind, p, palette[index], 255, 0, expected.masks);
              } else {
                p = Combine(kind, p, sr.at(sx, sy), mr.at(sx, sy), tv, expected.masks);
              }
            }
          Stretch(*d, kind, dst, *s, src, mh, mv, *m, palette);
          ASSERT_TRUE(test::SameImage(test::ReadImage(*d), expected,
                                      "Stretch" + std::to_string(static_cast<int>(kind)) + "_" + std::to_string(depth) +
                                          "_m" + std::to_string(mirror) + "_" + std::to_string(dst.Left)));
        }
      }
    }
  }
}

TEST(StretchDraw, WideDestinationsUseAColumnTableOfTheirOwnWidth) {
  // Wider than the 1280 columns a fixed table would hold.
  TDIBX d, s;
  d.SetSize(3000, 2, 32);
  s.SetSize(3, 1, 32);
  d.Fill(0);
  for (int i = 0; i < 3; ++i) s.SetPixel(i, 0, 0x10u + i);
  d.StretchDraw(TRect{0, 0, 3000, 2}, &s, TRect{0, 0, 3, 1}, false, false, false, 255);
  EXPECT_EQ(d.GetPixel(0, 1), 0x10u);
  EXPECT_EQ(d.GetPixel(1500, 1), 0x11u);
  EXPECT_EQ(d.GetPixel(2999, 0), 0x12u);
}

// Every destination pixel of a turned draw, one at a time: the inverse mapping in 16.16 steps over the bounding box
// of the turned rectangle, each sample drawn as a one-pixel point draw of the same kind.
void RotatePixelByPixel(TDIBX& d, int32_t x, int32_t y, int32_t scale, TDIBX& s, const TRect& src, int32_t pivot_x,
                        int32_t pivot_y, int32_t angle, bool mirror_h, bool mirror_v, TDIBX* mask, int opacity) {
  const double sc = scale / 256.0, theta = angle * 2.0 * 3.14159265358979323846 / 256.0;
  const auto du_dx = static_cast<int64_t>(std::cos(-theta) / sc * 65536.0);
  const auto dv_dx = static_cast<int64_t>(std::sin(-theta) / sc * 65536.0);
  const auto du_dy = static_cast<int64_t>(-std::sin(-theta) / sc * 65536.0);
  const auto dv_dy = static_cast<int64_t>(std::cos(-theta) / sc * 65536.0);
  double min_x = 1e300, min_y = 1e300, max_x = -1e300, max_y = -1e300;
  for (double dx : {-pivot_x * sc, (src.Width() - pivot_x) * sc})
    for (double dy : {-pivot_y * sc, (src.Height() - pivot_y) * sc}) {
      const double X = x + dx * std::cos(theta) - dy * std::sin(theta);
      const double Y = y + dx * std::sin(theta) + dy * std::cos(theta);
      min_x = std::min(min_x, X), max_x = std::max(max_x, X), min_y = std::min(min_y, Y), max_y = std::max(max_y, Y);
    }
  for (auto Y = static_cast<int32_t>(std::trunc(min_y)); Y < static_cast<int32_t>(std::trunc(max_y + 1)); ++Y)
    for (auto X = static_cast<int32_t>(std::trunc(min_x)); X < static_cast<int32_t>(std::trunc(max_x + 1)); ++X) {
      const int64_t u = int64_t{pivot_x} * 65536 + int64_t{X - x} * du_dx + int64_t{Y - y} * du_dy;
      const int64_t v = int64_t{pivot_y} * 65536 + int64_t{X - x} * dv_dx + int64_t{Y - y} * dv_dy;
      const int64_t cu = u >> 16, cv = v >> 16;
      if (cu < 0 || cu >= src.Width() || cv < 0 || cv >= src.Height()) continue;
      const auto col = static_cast<int32_t>(mirror_h ? src.Right - 1 - cu : src.Left + cu);
      const auto line = static_cast<int32_t>(mirror_v ? src.Bottom - 1 - cv : src.Top + cv);
      if (col < 0 || col >= s.Width() || line < 0 || line >= s.Height()) continue;
      const TRect one{col, line, col + 1, line + 1};
      if (mask)
        opacity == 255 ? d.DrawMask(X, Y, &s, one, false, false, mask)
        : opacity > 255 ? d.DrawAddMask(X, Y, &s, one, false, false, mask, opacity - 256)
                        : d.DrawAlphaMask(X, Y, &s, one, false, false, mask, opacity);
      else
        opacity == 255 ? d.Draw(X, Y, &s, one, true, false, false)
        : opacity > 255 ? d.DrawAdd(X, Y, &s, one, true, false, false, opacity - 256)
                        : d.DrawAlpha(X, Y, &s, one, true, false, false, opacity);
    }
}

TEST(DrawRotate, AnyAngleEqualsPixelByPixelMapping) {
  std::mt19937 rng(31);
  for (int depth : {16, 32}) {
    for (int32_t angle : {0, 3, 10, 37, 64, 100, 128, 171, 200, 255}) {
      for (int32_t scale : {97, 256, 600}) {
        const int opacity = std::array{255, 120, 400}[rng() % 3];
        const bool masked = rng() % 2 == 1, mirror_h = rng() % 2 == 1, mirror_v = rng() % 2 == 1;
        auto s = test::RandomSurface(23, 17, depth, rng);
        s->TransparentValue = static_cast<int32_t>(s->GetPixel(4, 4));
        auto m = test::RandomMask(23, 17, rng);
        auto d = test::RandomSurface(40, 36, depth, rng);
        TDIBX ref;
        ref.SetSize(40, 36, depth);
        ref.Assign(d.get());
        // The source rectangle reaches past the surface's right and bottom edges.
        const TRect src{3, 2, 26, 20};
        const int32_t px = static_cast<int32_t>(rng() % 20), py = static_cast<int32_t>(rng() % 15);
        if (masked)
          d->DrawRotateMask(19, 17, scale, scale, s.get(), src, px, py, angle, mirror_h, mirror_v, m.get(), opacity);
        else
          d->DrawRotate(19, 17, scale, scale, s.get(), src, px, py, angle, true, mirror_h, mirror_v, opacity);
        RotatePixelByPixel(ref, 19, 17, scale, *s, src, px, py, angle, mirror_h, mirror_v, masked ? m.get() : nullptr,
                           opacity);
        EXPECT_TRUE(test::SameImage(test::ReadImage(*d), test::ReadImage(ref),
                                    "RotateAngle" + std::to_string(angle) + "_" + std::to_string(scale)));
      }
    }
  }
}

// Plain opaque turns of pictures wide enough for the sixteen-sample walk, mirrored either way.
TEST(DrawRotate, WideOpaqueTurnsEqualPixelByPixelMapping) {
  std::mt19937 rng(33);
  auto s = test::RandomSurface(121, 83, 32, rng);
  for (int32_t angle : {0, 10, 37, 64, 100, 171, 230}) {
    for (int32_t scale : {150, 256, 333}) {
      const bool mirror_h = rng() % 2 == 1, mirror_v = rng() % 2 == 1;
      auto d = test::RandomSurface(190, 170, 32, rng);
      TDIBX ref;
      ref.SetSize(190, 170, 32);
      ref.Assign(d.get());
      const TRect src{2, 1, 119, 80};
      d->DrawRotate(95, 84, scale, scale, s.get(), src, 58, 40, angle, false, mirror_h, mirror_v, 255);
      RotatePixelByPixel(ref, 95, 84, scale, *s, src, 58, 40, angle, mirror_h, mirror_v, nullptr, 255);
      EXPECT_TRUE(test::SameImage(test::ReadImage(*d), test::ReadImage(ref),
                                  "RotateWide" + std::to_string(angle) + "_" + std::to_string(scale)));
    }
  }
}

TEST(DrawRotate, UnturnedEqualsThePointDraws) {
  std::mt19937 rng(23);
  for (int depth : {16, 32}) {
    for (int opacity : {255, 90, 300}) {
      auto s = test::RandomSurface(12, 9, depth, rng);
      s->TransparentValue = static_cast<int32_t>(s->GetPixel(1, 1));
      auto a = test::RandomSurface(30, 20, depth, rng);
      TDIBX b;
      b.SetSize(30, 20, depth);
      b.Assign(a.get());
      const TRect src{1, 1, 11, 8};
      a->DrawRotate(-2, 15, 256, 256, s.get(), src, 0, 0, 0, true, true, false, opacity);
      if (opacity == 255) b.Draw(-2, 15, s.get(), src, true, true, false);
      if (opacity == 90) b.DrawAlpha(-2, 15, s.get(), src, true, true, false, 90);
      if (opacity == 300) b.DrawAdd(-2, 15, s.get(), src, true, true, false, 44);
      EXPECT_TRUE(test::SameImage(test::ReadImage(*a), test::ReadImage(b), "RotateFlat" + std::to_string(opacity)));
    }
  }
}

TEST(DrawRotate, QuarterTurnAndDoubleScaleMapEveryPixel) {
  std::mt19937 rng(25);
  for (int depth : {15, 32}) {
    for (bool masked : {false, true}) {
      auto s = test::RandomSurface(7, 5, depth, rng);
      auto m = test::RandomMask(7, 5, rng);
      auto d = test::RandomSurface(30, 24, depth, rng);
      RefImage expected = test::ReadImage(*d);
      const RefImage sr = test::ReadImage(*s), mr = test::ReadImage(*m);
      // A quarter turn clockwise about pivot (3, 2) at (10, 8): destination (X, Y) shows source
      // (3 + (Y - 8), 2 - (X - 10)).
      for (int32_t y = 0; y < 24; ++y)
        for (int32_t x = 0; x < 30; ++x) {
          const int32_t sx = 3 + (y - 8), sy = 2 - (x - 10);
          if (sx < 0 || sx >= 7 || sy < 0 || sy >= 5) continue;
          const uint32_t v = sr.at(sx, sy), mv = mr.at(sx, sy);
          expected.at(x, y) = masked ? (mv == 255 ? v
                                        : mv == 0 ? expected.at(x, y)
                                                  : RefBlend(expected.at(x, y), v, mv, expected.masks))
                                     : v;
        }
      if (masked)
        d->DrawRotateMask(10, 8, 256, 256, s.get(), TRect{0, 0, 7, 5}, 3, 2, 64, false, false, m.get(), 255);
      else
        d->DrawRotate(10, 8, 256, 256, s.get(), TRect{0, 0, 7, 5}, 3, 2, 64, false, false, false, 255);
      EXPECT_TRUE(test::SameImage(test::ReadImage(*d), expected, "RotateQuarter" + std::to_string(masked)));
    }
  }
  // Double size, unturned: each source pixel covers 2 x 2; nothing for opacity 0 or a zero scale.
  TDIBX s, d;
  s.SetSize(2, 2, 32);
  for (int i = 0; i < 4; ++i) s.SetPixel(i % 2, i / 2, 0x100u + i);
  d.SetSize(6, 6, 32);
  d.Fill(0);
  d.DrawRotate(1, 1, 512, 512, &s, TRect{0, 0, 2, 2}, 0, 0, 0, false, false, false, 0);
  d.DrawRotate(1, 1, 0, 512, &s, TRect{0, 0, 2, 2}, 0, 0, 0, false, false, false, 255);
  EXPECT_EQ(d.GetPixel(1, 1), 0u);
  d.DrawRotate(1, 1, 512, 512, &s, TRect{0, 0, 2, 2}, 0, 0, 0, false, false, false, 255);
  EXPECT_EQ(d.GetPixel(1, 1), 0x100u);
  EXPECT_EQ(d.GetPixel(2, 2), 0x100u);
  EXPECT_EQ(d.GetPixel(3, 1), 0x101u);
  EXPECT_EQ(d.GetPixel(4, 4), 0x103u);
  EXPECT_EQ(d.GetPixel(5, 5), 0u);
}

}  // namespace
}  // namespace velk
