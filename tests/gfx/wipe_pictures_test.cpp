// The transitions that move, stretch, brighten or resample the pictures, each against a picture written from its
// formulas at the start, a third and two thirds of its time, and reversed where it has a reverse.
#include <gtest/gtest.h>

#include <numbers>

#include "gfx/custom_wipe.h"
#include "wipe_test_support.h"

namespace velk {
namespace {

using test::Each;
using test::MinusGrey;
using test::PlusGrey;
using test::RefBlend;
using test::RefImage;
using test::Rnd;
using test::RunWipe;
using test::SameImage;
using test::StretchSrc;
using test::WipeRun;
using test::WipeScreen;

constexpr double kPi = std::numbers::pi;

// DrawAlpha of s over d: nothing at alpha 0 or where s equals d.
uint32_t AlphaOver(uint32_t d, uint32_t s, int64_t a) {
  return a <= 0 || s == d ? d : RefBlend(d, s, static_cast<uint32_t>(a), test::kRgb);
}

// The naive box blur: the truncated mean per channel over the square's pixels inside the picture.
RefImage Blurred(const RefImage& p, int32_t r) {
  return Each(p.w, p.h, [&](int32_t x, int32_t y) {
    uint32_t out = 0;
    for (int shift : {0, 8, 16}) {
      uint32_t sum = 0, count = 0;
      for (int32_t yy = std::max(0, y - r); yy <= std::min(p.h - 1, y + r); ++yy)
        for (int32_t xx = std::max(0, x - r); xx <= std::min(p.w - 1, x + r); ++xx, ++count)
          sum += (p.at(xx, yy) >> shift) & 0xFF;
      out |= (sum / count) << shift;
    }
    return out;
  });
}

RefImage Expected(const WipeScreen& s, int type, int64_t t, int64_t T, bool rev, int64_t p0, int64_t p1) {
  const int32_t W = s.w, H = s.h;
  const RefImage &O = s.o, &N = s.n;
  switch (type) {
    case 1: {
      const int64_t alpha = t * 256 / T;
      const double r = double(T - t - 1) / double(T);
      const int32_t ox = Rnd(double(p0) * r), oy = Rnd(double(p1) * r);
      return Each(W, H, [&](int32_t x, int32_t y) {
        const int32_t sx = x - ox, sy = y - oy;
        if (sx < 0 || sy < 0 || sx >= W || sy >= H) return O.at(x, y);
        return AlphaOver(O.at(x, y), N.at(sx, sy), alpha);
      });
    }
    case 6:
    case 7: {
      const bool v = type == 7;
      const int64_t n = v ? H : W, a = n * t / T;
      return Each(W, H, [&](int32_t x, int32_t y) {
        const int64_t c = v ? y : x;
        auto at = [&](const RefImage& p, int64_t k) { return v ? p.at(x, int32_t(k)) : p.at(int32_t(k), y); };
        if (!rev) return c < n - a ? at(O, c + a) : at(N, c - (n - a));
        return c >= a ? at(O, c - a) : at(N, c - a + n);
      });
    }
    case 12:
    case 13: {
      const int64_t a = t * 511 / T;
      return Each(W, H, [&](int32_t x, int32_t y) {
        const uint32_t px = a < 256 ? O.at(x, y) : N.at(x, y);
        const int64_t g = a < 256 ? a : 511 - a;
        return type == 12 ? PlusGrey(px, g) : MinusGrey(px, g);
      });
    }
    case 14: return Each(W, H, [&](int32_t x, int32_t y) { return PlusGrey(N.at(x, y), 255 - t * 255 / T); });
    case 15: {
      const int64_t b = t * 1023 / T;
      const int64_t f = b <= 255   ? 263 - (b / 2) * 15 / 16
                        : b <= 511 ? 263 - (((b / 2) * 15) >> 4)
                                   : ((b - 512) / 2) * 15 / 16 + 24;
      const int32_t sw = int32_t(std::max<int64_t>(1, (W / 4) * f >> 8)),
                    sh = int32_t(std::max<int64_t>(1, (H / 4) * f >> 8));
      const RefImage small = Each(sw, sh, [&](int32_t i, int32_t j) {
        const int32_t x = StretchSrc(i, W, sw), y = StretchSrc(j, H, sh);
        uint32_t v = b < 768 ? O.at(x, y) : N.at(x, y);
        if (b >= 256 && b < 768) {
          const int64_t a = b <= 511 ? (b - 256) / 4 : (b - 256) / 2;
          v = a >= 255 ? N.at(x, y) : AlphaOver(v, N.at(x, y), a);
        }
        return v;
      });
      return Each(W, H, [&](int32_t x, int32_t y) { return small.at(StretchSrc(x, sw, W), StretchSrc(y, sh, H)); });
    }
    case 16:
    case 17:
    case 32:
    case 33: {
      const bool v = type == 17 || type == 33;
      const int64_t n = v ? H : W;
      int64_t p = (2 * n - 1) * t / T;
      const RefImage* pic = &O;
      if (p >= n) pic = &N, p = 2 * n - p - 1;
      int64_t band = 1;
      if (type >= 32) band = std::max(1, Rnd(std::abs(double(t) - double(T) / 2) * (double(p) / 2) / (double(T) / 2)));
      return Each(W, H, [&](int32_t x, int32_t y) {
        const int64_t c = v ? y : x;
        int64_t src = c;
        if (!rev && c <= p) {
          const int64_t lo = std::max<int64_t>(0, p - band + 1);
          src = lo + StretchSrc(c, p + 1 - lo, p + 1);
        } else if (rev && c >= n - p - 1) {
          const int64_t q = n - p - 1;
          src = q + StretchSrc(c - q, std::min(n, q + band) - q, n - q);
        }
        return v ? pic->at(x, int32_t(src)) : pic->at(int32_t(src), y);
      });
    }
    case 18: {
      const int64_t big = Rnd(std::hypot(double(H / 2), double(W / 2))), b = t * (big + 512) / T;
      return Each(W, H, [&](int32_t x, int32_t y) {
        int64_t d = Rnd(std::hypot(double(y - H / 2), double(x - W / 2)));
        if (rev) d = big - d;
        const int64_t k = b - d;
        if (k < 0) return O.at(x, y);
        if (k < 256) return PlusGrey(O.at(x, y), k);
        if (k < 512) return PlusGrey(N.at(x, y), 511 - k);
        return N.at(x, y);
      });
    }
    case 24: {
      const int64_t L = std::min(W / 2, H / 2) * 2 / 3, q = L / 4;
      const int64_t f = t * (Rnd(std::hypot(double(H / 2), double(W / 2))) + L) / T;
      return Each(W, H, [&](int32_t x, int32_t y) {
        const bool mx = x >= (W + 1) / 2, my = y >= (H + 1) / 2;
        const double dx = (mx ? W - 1 - x : x) - W / 2, dy = (my ? H - 1 - y : y) - H / 2, r = std::hypot(dx, dy);
        const int64_t d = Rnd(r), k = d + L - 1 - f;
        if (k > L - 1) return O.at(x, y);
        if (k < 0) return N.at(x, y);
        const int64_t rr = d + (q > 0 ? (k % q) * p0 / q : 0);
        const int64_t c = r > 0 ? int32_t(dx / r * 65536) : 0, sn = r > 0 ? int32_t(dy / r * 65536) : 0;
        int64_t sx = W / 2 + rr * c / 65536, sy = H / 2 + rr * sn / 65536;
        if (mx) sx = W - 1 - sx;
        if (my) sy = H - 1 - sy;
        return sx >= 0 && sy >= 0 && sx < W && sy < H ? N.at(int32_t(sx), int32_t(sy)) : N.at(x, y);
      });
    }
    case 25:
    case 26: {
      const int32_t r = std::min(W, H) / 20;
      const RefImage bo = Blurred(O, r), bn = Blurred(N, r);
      const int64_t b = t * 639 / T;
      auto grey = [type](uint32_t px, int64_t g) { return type == 25 ? PlusGrey(px, g) : MinusGrey(px, g); };
      return Each(W, H, [&](int32_t x, int32_t y) {
        if (b < 256) return AlphaOver(O.at(x, y), bo.at(x, y), b);
        if (b < 320) return grey(bo.at(x, y), (b - 256) * 4);
        if (b < 384) return grey(bn.at(x, y), (383 - b) * 4);
        return AlphaOver(N.at(x, y), bn.at(x, y), 639 - b);
      });
    }
    case 27:
    case 28: {
      const bool v = type == 28;
      const int32_t n = v ? W : H, len = v ? H : W;
      const double phi = double(t) * 3 * kPi / 2 / double(T);
      return Each(W, H, [&](int32_t x, int32_t y) {
        const int32_t at = v ? x : y, c = v ? y : x;
        const int32_t i = rev ? n - 1 - at : at;
        const double theta = phi - double(i) / n * kPi / 2;
        if (theta < 0) return O.at(x, y);
        if (theta >= kPi) return N.at(x, y);
        const int32_t size = Rnd(std::cos(theta) * len), wide = std::abs(size), from = (len - wide) / 2;
        if (c < from || c >= from + wide) return 0u;
        const int32_t src = StretchSrc(c - from, len, wide);
        const RefImage& p = size > 0 ? O : N;
        return v ? p.at(x, src) : p.at(src, y);
      });
    }
    case 30: {
      const double c = 2.0 * double(t) / double(T), k = c <= 1 ? 1 - c : c - 1, j = 2 - c;
      const int32_t width = std::max(1, Rnd(W * k)), height = std::max(1, Rnd(H * k));
      const int32_t left = Rnd(double(p0 - W / 2) * j) + W / 2 - width / 2;
      const int32_t top = Rnd(double(p1 - H / 2) * j) + H / 2 - height / 2;
      const RefImage& p = c <= 1 ? O : N;
      return Each(W, H, [&](int32_t x, int32_t y) {
        if (x < left || y < top || x >= left + width || y >= top + height) return 0u;
        return p.at(StretchSrc(x - left, W, width), StretchSrc(y - top, H, height));
      });
    }
    default: ADD_FAILURE() << "no reference for " << type; return O;
  }
}

struct PictureCase {
  int type;
  bool reverse;
  int64_t T;
  std::optional<int32_t> p0, p1;
  bool starts_old;  // the mosaic starts in blocks
};

TEST(WipePictures, EveryPictureTypeFollowsItsFormula) {
  WipeScreen screen(61, 43);
  const PictureCase cases[] = {
      {1, false, 300, {}, {}, true},   {1, false, 299, 9, -5, true},     {6, false, 300, {}, {}, true},
      {6, true, 300, {}, {}, true},    {7, false, 300, {}, {}, true},    {7, true, 300, {}, {}, true},
      {12, false, 300, {}, {}, true},  {13, false, 300, {}, {}, true},   {14, false, 300, {}, {}, false},
      {15, false, 300, {}, {}, false}, {15, false, 1023, {}, {}, false}, {16, false, 300, {}, {}, true},
      {16, true, 300, {}, {}, true},   {17, false, 300, {}, {}, true},   {17, true, 300, {}, {}, true},
      {18, false, 300, {}, {}, true},  {18, true, 300, {}, {}, true},    {24, false, 300, {}, {}, false},
      {24, false, 300, 11, {}, false}, {25, false, 639, {}, {}, true},   {26, false, 300, {}, {}, true},
      {27, false, 300, {}, {}, true},  {27, true, 300, {}, {}, true},    {28, false, 300, {}, {}, true},
      {28, true, 300, {}, {}, true},   {30, false, 300, {}, {}, true},   {32, false, 300, {}, {}, true},
      {32, true, 301, {}, {}, true},   {33, false, 300, {}, {}, true},   {33, true, 300, {}, {}, true},
  };
  for (const PictureCase& c : cases) {
    const std::string name =
        "type " + std::to_string(c.type) + (c.reverse ? " reversed" : "") + " of " + std::to_string(c.T);
    const int32_t default_p0 = c.type == 24 ? 5 : c.type == 30 ? screen.w / 2 : 0;
    const int32_t default_p1 = c.type == 30 ? screen.h / 2 : 0;
    std::vector<int64_t> times = {0, c.T / 3, 2 * c.T / 3, c.T - 1};
    if (c.type == 25) times = {0, 100, 213, 280, 350, 426, 500, 638};
    for (int64_t t : times) {
      WipeRun run{c.type, t, c.T, c.reverse, c.p0, c.p1};
      run.services.ZoomCentre = {screen.w / 2, screen.h / 2};
      bool finished = true;
      const RefImage got = RunWipe(screen, run, &finished);
      EXPECT_FALSE(finished) << name;
      const RefImage want =
          Expected(screen, c.type, t, c.T, c.reverse, c.p0.value_or(default_p0), c.p1.value_or(default_p1));
      EXPECT_TRUE(SameImage(got, want, name + " at " + std::to_string(t)));
      if (t == 0 && c.starts_old) {
        EXPECT_TRUE(SameImage(got, screen.o, name + " starts old"));
      }
    }
    bool finished = false;
    const RefImage after = RunWipe(screen, WipeRun{c.type, c.T + 5, c.T, c.reverse, c.p0, c.p1}, &finished);
    EXPECT_TRUE(finished) << name;
    EXPECT_EQ(after.at(1, 1), test::kUntouched) << name;
  }
}

// The flash starts at full white over the new picture and the mosaic in blocks: both by their formulas above.
// The zooms turn around the centre: the centre pixel keeps its picture, the corners show the other one.
TEST(WipePictures, ZoomsShrinkAndGrowAroundTheCentre) {
  WipeScreen screen(64, 48);
  const int32_t cx = 32, cy = 24;
  for (bool rev : {false, true}) {
    const RefImage small = RunWipe(screen, WipeRun{22, 100, 300, rev, 20});
    EXPECT_EQ(small.at(cx, cy), screen.o.at(cx, cy));
    EXPECT_EQ(small.at(0, 0), screen.n.at(0, 0));
    EXPECT_EQ(small.at(63, 47), screen.n.at(63, 47));
    const RefImage big = RunWipe(screen, WipeRun{23, 100, 300, rev});
    EXPECT_EQ(big.at(cx, cy), screen.n.at(cx, cy));
    EXPECT_EQ(big.at(0, 0), screen.o.at(0, 0));
    EXPECT_TRUE(SameImage(RunWipe(screen, WipeRun{23, 0, 300, rev}), screen.o, "big starts old"));
  }
  // Unturned at a third: the new picture at a third of its size, nearest samples, around the centre.
  const RefImage big = RunWipe(screen, WipeRun{23, 100, 300});
  const int32_t zoom = Rnd(100.0 / 300 * 255);
  const int64_t step = int64_t(256.0 / zoom * 65536);
  for (int32_t y = cy - 5; y < cy + 5; ++y)
    for (int32_t x = cx - 5; x < cx + 5; ++x) {
      const int64_t u = int64_t{cx} * 65536 + (x - cx) * step, v = int64_t{cy} * 65536 + (y - cy) * step;
      EXPECT_EQ(big.at(x, y), screen.n.at(int32_t(u >> 16), int32_t(v >> 16))) << x << "," << y;
    }
}

// A crack piece jumps up and falls: 100 units after its start it is 100 pixels higher (no drift here), and the
// screen under it is the new picture.
TEST(WipePictures, CrackPiecesJumpAndFall) {
  WipeScreen screen(16, 200);
  int64_t fall = 0;
  while ((5 * fall * fall - 1500 * fall) / 1000 < 200) ++fall;
  for (int64_t t : {int64_t{0}, int64_t{100}, fall / 3, 2 * fall / 3}) {
    WipeRun run{29, t, fall, false, 16, 0};
    run.services.Random = [](int32_t n) { return n / 2; };  // no drift
    const RefImage got = RunWipe(screen, run);
    const int64_t b = t, lift = (5 * b * b - 1500 * b) / 1000;
    const RefImage want = Each(16, 200, [&](int32_t x, int32_t y) {
      const int64_t from = y - lift;  // the old row that lands here
      return from >= 0 && from < 200 ? screen.o.at(x, int32_t(from)) : screen.n.at(x, y);
    });
    EXPECT_TRUE(SameImage(got, want, "crack at " + std::to_string(t)));
  }
}

}  // namespace
}  // namespace velk
