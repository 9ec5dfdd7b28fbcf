// The mask transitions against masks written from their formulas, the mix through the mask (SIMD and scalar),
// the factory's numbers and defaults, and the step's common rules.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "base/random.h"
#include "gfx/custom_wipe.h"
#include "wipe_test_support.h"

namespace velk {
namespace {

using test::Each;
using test::MixRef;
using test::RampRef;
using test::RefImage;
using test::Rnd;
using test::RunWipe;
using test::SameImage;
using test::WipeRun;
using test::WipeScreen;

int64_t Ceil(int64_t a, int64_t b) { return (a + b - 1) / b; }

// Angle of a pixel from the centre in 16ths of a degree, 0 up, clockwise.
int64_t AngleOf(int32_t x, int32_t y, int32_t w, int32_t h) {
  double deg = std::atan2(double(x - w / 2), double(h / 2 - y)) * 180.0 / std::numbers::pi;
  if (deg < 0) deg += 360;
  return std::min<int64_t>(5759, static_cast<int64_t>(deg * 16));
}
int64_t Mod(int64_t a) { return ((a % 5760) + 5760) % 5760; }
int64_t Apart(int64_t a, int64_t b) { return std::min(Mod(a - b), 5760 - Mod(a - b)); }

// The block order of the coil, walked as a spiral: right, down, left, up, turning at the edge or a visited block.
std::vector<int32_t> Spiral(int32_t columns, int32_t rows) {
  std::vector<int32_t> order;
  std::vector<bool> seen(size_t(columns) * rows, false);
  const int dx[] = {1, 0, -1, 0}, dy[] = {0, 1, 0, -1};
  int32_t x = 0, y = 0, dir = 0;
  for (int32_t k = 0; k < columns * rows; ++k) {
    order.push_back(y * columns + x);
    seen[size_t(y) * columns + x] = true;
    int32_t nx = x + dx[dir], ny = y + dy[dir];
    if (nx < 0 || ny < 0 || nx >= columns || ny >= rows || seen[size_t(ny) * columns + nx]) {
      dir = (dir + 1) % 4;
      nx = x + dx[dir], ny = y + dy[dir];
    }
    x = nx, y = ny;
  }
  return order;
}

// The mask value of pixel (x, y) for a mask type, from the formulas.
uint32_t MaskValue(int type, int32_t x, int32_t y, int32_t W, int32_t H, int64_t t, int64_t T, bool rev, int64_t w,
                   int64_t s, const std::vector<uint8_t>& greys) {
  const bool hard = s < 2;
  auto edge = [hard](uint32_t m) { return hard && m != 0 ? 255u : m; };
  switch (type) {
    case 2:
    case 3: {
      const int64_t p = (s + 2 * w - 2) * t / T;
      const int64_t k = type == 2 ? x % w : y % std::max<int64_t>(w, 2);
      return edge(RampRef(p, 2 * (rev ? w - 1 - k : k), s));
    }
    case 4:
    case 5: {
      const int64_t n = type == 4 ? W : H, i = type == 4 ? x : y, k = rev ? n - 1 - i : i;
      const int64_t p = ((Ceil(n, w) + w - 2) * 16 + s) * t / T;
      return edge(RampRef(p, (k / w + k % w) * 16, s));
    }
    case 8:
    case 9:
    case 10: {
      const int64_t cols = Ceil(W, w), rows = Ceil(H, w);
      const int64_t mh = type == 9 ? std::min<int64_t>(std::max<int64_t>(w, 2), H) : H;
      const int64_t my = y % mh, i = x / w, j = my / w;
      int64_t e, d;
      if (type == 8) {
        const int64_t ii = rev ? cols - 1 - i : i, jj = rev ? rows - 1 - j : j;
        e = Rnd(std::hypot(double(jj), double(ii))) * 4;
        d = Rnd(std::hypot(double(rows - 1), double(cols - 1))) * 4;
      } else if (type == 9) {
        e = 4 * (rev ? cols - 1 - i : i), d = 4 * cols;
      } else {
        e = 4 * (rev ? rows - 1 - j : j), d = 4 * rows;
      }
      const int64_t p = (s + d - 4) * t / T;
      if (p < e) return 0;
      const int64_t side = std::min(w, w * (p - e) / s);
      const int64_t x0 = i * w + (w - side) / 2, y0 = j * w + (w - side) / 2;
      const bool in = x >= x0 && x < x0 + side && my >= y0 && my < y0 + side;
      return in ? edge(RampRef(p, e, s)) : 0;
    }
    case 19: return static_cast<uint32_t>(std::clamp<int64_t>(512 * t / T + greys[size_t(y) * W + x] - 256, 0, 255));
    case 31: {
      const int64_t q = t * 5760 / T, a = AngleOf(x, y, W, H), start = w * 16;
      return Mod(rev ? start - a : a - start) < q ? 255 : 0;
    }
    case 34: return Apart(AngleOf(x, y, W, H), w * 16) < t * 2880 / T ? 255 : 0;
    case 35: {
      const int64_t a = AngleOf(x, y, W, H), q = t * 1440 / T;
      return Apart(a, w * 16 - 1440) < q || Apart(a, w * 16 + 1440) < q ? 255 : 0;
    }
    case 36: {
      const double R = std::hypot(double(W / 2), double(H / 2));
      const int64_t d = Rnd(std::hypot(double(y - H / 2), double(x - W / 2)));
      if (!rev) return d < Rnd(R * double(t) / double(T)) ? 255 : 0;
      return d <= Rnd(R * double(T - t) / double(T)) ? 0 : 255;
    }
    case 37: {
      const int64_t b = std::min<int64_t>({std::max<int64_t>(w, 10), W, H});
      const std::vector<int32_t> order = Spiral(int32_t(Ceil(W, b)), int32_t(Ceil(H, b)));
      const int64_t count = int64_t(order.size());
      const int64_t n = (count - 1) * (rev ? T - t : t) / T;
      const int64_t block = (y / b) * Ceil(W, b) + x / b;
      const int64_t at = std::find(order.begin(), order.end(), block) - order.begin();
      return (rev ? at > n : at < n) ? 255 : 0;
    }
    default: ADD_FAILURE() << "no mask for type " << type; return 0;
  }
}

struct MaskCase {
  int type;
  bool reverse;
  std::optional<int32_t> p0, p1;
};

// Every mask type (with its reverse), on a screen whose sides are not multiples of the elements: the old picture at
// t = 0, the formulas at T/3 and 2T/3, nothing drawn and the step over at T.
TEST(WipeMask, RoundedDistancesAreTheRoundedHypotenuses) {
  // Every offset of screens up to 4096 pixels across: the centre-out tables of the circle and fade wipes.
  int32_t mismatches = 0;
  for (int32_t dy = 0; dy <= 2048; ++dy)
    for (int32_t dx = 0; dx <= 2048; ++dx)
      mismatches += RoundedDistance(dx, dy) != RoundInt(std::hypot(double(dy), double(dx)));
  EXPECT_EQ(mismatches, 0);
  EXPECT_EQ(RoundedDistance(-3, 4), 5);
  EXPECT_EQ(RoundedDistance(1, 1), 1);
  EXPECT_EQ(RoundedDistance(1, 2), 2);
  EXPECT_EQ(RoundedDistance(INT32_MIN, INT32_MIN), INT32_MAX);
}

TEST(WipeMask, EveryMaskTypeFollowsItsFormula) {
  WipeScreen screen(45, 31);
  const MaskCase cases[] = {
      {2, false, {}, {}},  {2, true, 7, 5},    {3, false, 6, 9},    {3, true, {}, {}},   {4, false, {}, {}},
      {4, true, 4, 20},    {5, false, 5, 1},   {5, true, 0, 3},     {8, false, {}, {}},  {8, true, 8, 1},
      {9, false, 9, 30},   {9, true, 7, 3},    {10, false, 6, 40},  {10, true, {}, {}},  {31, false, {}, {}},
      {31, true, 45, 0},   {34, false, 30, 0}, {35, false, 100, 0}, {36, false, {}, {}}, {36, true, {}, {}},
      {37, false, {}, {}}, {37, true, 12, 0},  {2, false, -5, -5},  {4, false, -3, 0},
  };
  const int32_t defaults[][2] = {{20, 1}, {20, 1}, {30, 1}, {30, 1}};
  for (const MaskCase& c : cases) {
    const std::string name = "type " + std::to_string(c.type) + (c.reverse ? " reversed" : "");
    // Parameters as the transition keeps them: widths at least 2 (curtains 1), softness at least 1.
    int64_t w = c.p0.value_or(c.type >= 2 && c.type <= 5 ? defaults[c.type - 2][0] : c.type <= 10 ? 80 : 0);
    int64_t s = c.p1.value_or(c.type >= 2 && c.type <= 5 ? 1 : c.type <= 10 ? 30 : 0);
    if (c.type <= 10) {
      w = std::max<int64_t>(w, c.type == 4 || c.type == 5 ? 1 : 2);
      s = std::max<int64_t>(s, 1);
    }
    if (c.type == 37) w = c.p0.value_or(60);
    const int64_t mask_s = c.type <= 10 ? s : 2;  // angle and block masks are plain 0 or 255
    for (int64_t t : {int64_t{0}, int64_t{100}, int64_t{200}}) {
      WipeRun run{c.type, t, 300, c.reverse, c.p0, c.p1};
      bool finished = true;
      const RefImage got = RunWipe(screen, run, &finished);
      EXPECT_FALSE(finished) << name;
      const RefImage want = Each(screen.w, screen.h, [&](int32_t x, int32_t y) {
        return MixRef(screen.o.at(x, y), screen.n.at(x, y),
                      MaskValue(c.type, x, y, screen.w, screen.h, t, 300, c.reverse, w, mask_s, {}));
      });
      EXPECT_TRUE(SameImage(got, want, name + " at " + std::to_string(t)));
      if (t == 0) {
        EXPECT_TRUE(SameImage(got, screen.o, name + " starts old"));
      }
    }
    bool finished = false;
    const RefImage after = RunWipe(screen, WipeRun{c.type, 300, 300, c.reverse, c.p0, c.p1}, &finished);
    EXPECT_TRUE(finished) << name;
    EXPECT_EQ(after.at(3, 3), test::kUntouched) << name;
  }
}

// The shapes drawn as runs of rows at every few positions, both ways, on screens of even and odd sides and with
// directions that put the splits on either side of the centre and across the top: every pixel as the formula says.
TEST(WipeMask, ShapesFollowTheirFormulaThroughoutTheTransition) {
  for (const auto& [w, h] : {std::pair{40, 22}, std::pair{33, 27}}) {
    WipeScreen screen(w, h);
    for (int type : {31, 34, 35, 36}) {
      for (int32_t direction : {0, 100, 270, -30}) {
        if (type == 36 && direction != 0) continue;
        for (bool rev : {false, true}) {
          for (int64_t t = 0; t < 300; t += 11) {
            const RefImage got = RunWipe(screen, WipeRun{type, t, 300, rev, direction, 0});
            const RefImage want = Each(screen.w, screen.h, [&](int32_t x, int32_t y) {
              return MixRef(screen.o.at(x, y), screen.n.at(x, y),
                            MaskValue(type, x, y, screen.w, screen.h, t, 300, rev, direction, 2, {}));
            });
            ASSERT_TRUE(SameImage(got, want,
                                  "type " + std::to_string(type) + " " + std::to_string(w) + "x" + std::to_string(h) +
                                      " towards " + std::to_string(direction) + (rev ? " reversed" : "") + " at " +
                                      std::to_string(t)));
          }
        }
      }
    }
  }
}

// The dither's 64 x 64 tile follows the scrambling generator: at T/2 exactly half of each tile is new.
TEST(WipeMask, DitherOpensTheGeneratorsPositionsInOrder) {
  WipeScreen screen(140, 70);
  TRandomGenerator g(12341);
  g.ResetPool(4096);
  std::vector<int32_t> order;
  for (int i = 0; i < 4096; ++i) order.push_back(g.TakeFromPool());
  for (int64_t t : {int64_t{0}, int64_t{100}, int64_t{150}, int64_t{200}}) {
    const RefImage got = RunWipe(screen, WipeRun{11, t, 300});
    std::vector<bool> open(4096, false);
    for (int64_t i = 0; i < t * 4096 / 300; ++i) open[size_t(order[size_t(i)])] = true;
    const RefImage want = Each(screen.w, screen.h, [&](int32_t x, int32_t y) {
      return open[size_t(y % 64) * 64 + x % 64] ? screen.n.at(x, y) : screen.o.at(x, y);
    });
    EXPECT_TRUE(SameImage(got, want, "dither at " + std::to_string(t)));
    if (t == 150) {
      int news = 0;
      for (int32_t y = 0; y < 64; ++y)
        for (int32_t x = 0; x < 64; ++x) news += got.at(x, y) == screen.n.at(x, y) && got.at(x, y) != screen.o.at(x, y);
      EXPECT_EQ(news, 2048);
    }
  }
}

// A rule image tiled over the screen orders the change, bright parts first; reversed it is inverted; a missing or
// unreadable rule image leaves a plain cross-fade; the flashing variants take the same order.
TEST(WipeMask, RuleImagesOrderTheChange) {
  WipeScreen screen(23, 17);
  auto rule = [] {
    auto r = std::make_unique<TDIBX>();
    r->SetSize(7, 5, 32);
    for (int32_t y = 0; y < 5; ++y)
      for (int32_t x = 0; x < 7; ++x) r->SetPixel(x, y, (x * 37 + y * 11) % 256 * 0x010101u);
    return r;
  };
  TWipeServices services;
  services.LoadRule = [&](const std::string& name) -> std::unique_ptr<TDIBX> {
    if (name == "rule.png") return rule();
    if (name == "broken.png") throw std::runtime_error("damaged");
    return nullptr;
  };
  for (const std::string file : {"rule.png", "missing.png", "broken.png"}) {
    for (bool rev : {false, true}) {
      const bool has_rule = file == "rule.png";
      std::vector<uint8_t> greys(size_t(screen.w) * screen.h, 255);
      if (has_rule)
        for (int32_t y = 0; y < screen.h; ++y)
          for (int32_t x = 0; x < screen.w; ++x) {
            const int32_t level = ((x % 7) * 37 + (y % 5) * 11) % 256;
            greys[size_t(y) * screen.w + x] = uint8_t(rev ? 255 - level : level);
          }
      for (int type : {19, 20, 21}) {
        for (int64_t t : {int64_t{0}, int64_t{100}, int64_t{200}}) {
          WipeRun run{type, t, 300, rev};
          run.rule = file;
          run.services = services;
          const RefImage got = RunWipe(screen, run);
          const RefImage want = Each(screen.w, screen.h, [&](int32_t x, int32_t y) {
            const int64_t g = greys[size_t(y) * screen.w + x];
            if (type == 19)
              return MixRef(screen.o.at(x, y), screen.n.at(x, y),
                            MaskValue(19, x, y, screen.w, screen.h, t, 300, rev, 0, 0, greys));
            const int64_t l = std::clamp<int64_t>(768 * t / 300 + g - 256, 0, 511);
            const uint32_t px = l <= 255 ? screen.o.at(x, y) : screen.n.at(x, y);
            const int64_t v = l <= 255 ? l : 511 - l;
            return type == 20 ? test::PlusGrey(px, v) : test::MinusGrey(px, v);
          });
          EXPECT_TRUE(SameImage(got, want,
                                "rule type " + std::to_string(type) + " " + file + (rev ? " reversed" : "") + " at " +
                                    std::to_string(t)));
        }
      }
    }
  }
}

// The random block order covers whole blocks, as many as the progress says.
TEST(WipeMask, RandomBlocksOpenWholeBlocksInTheInjectedOrder) {
  WipeScreen screen(50, 40);
  TWipeServices services;
  int32_t calls = 0;
  services.Random = [&calls](int32_t n) { return (++calls * 7) % n; };
  WipeRun run{38, 150, 300, false, 10};
  run.services = services;
  const RefImage got = RunWipe(screen, run);
  EXPECT_GT(calls, 0);
  int opened = 0;
  for (int32_t by = 0; by < 4; ++by)
    for (int32_t bx = 0; bx < 5; ++bx) {
      int news = 0, olds = 0;
      for (int32_t y = by * 10; y < by * 10 + 10; ++y)
        for (int32_t x = bx * 10; x < bx * 10 + 10; ++x)
          news += got.at(x, y) == screen.n.at(x, y), olds += got.at(x, y) == screen.o.at(x, y);
      EXPECT_TRUE(news == 100 || olds == 100) << bx << "," << by;
      opened += news == 100;
    }
  EXPECT_EQ(opened, (20 - 1) * 150 / 300);
}

// The mix through the mask: the processor's kernels give exactly the scalar result and the plain formula, for
// both pixel widths, masks lower than the screen and runs of every kind.
TEST(WipeMask, MixThroughMaskMatchesTheFormulaWithEveryKernelSet) {
  std::mt19937 rng(11);
  // Runs up to 40 pixels long are mixed; longer ones (up to 150) are copied.
  for (int32_t longest : {40, 150}) {
    for (int depth : {16, 32}) {
      for (int32_t mh : {1, 7, 37}) {
        const int32_t w = 301, h = 37;
        auto old_pic = test::RandomSurface(w, h, depth, rng), new_pic = test::RandomSurface(w, h, depth, rng);
        auto mask = std::make_unique<TDIBX>();
        mask->SetSize(w, mh, 8);
        for (int32_t y = 0; y < mh; ++y) {
          int32_t x = 0;
          while (x < w) {
            const int32_t run = 1 + int32_t(rng() % longest);
            const uint32_t kind = rng() % 3, v = kind == 0 ? 0 : kind == 1 ? 255 : 0;
            for (int32_t i = x; i < std::min(w, x + run); ++i) mask->SetPixel(i, y, kind == 2 ? rng() & 0xFF : v);
            x += run;
          }
        }
        const RefImage o = test::ReadImage(*old_pic), n = test::ReadImage(*new_pic), m = test::ReadImage(*mask);
        RefImage want = Each(w, h, [&](int32_t x, int32_t y) {
          const uint32_t mv = m.at(x, y % mh);
          return mv == 0 ? o.at(x, y) : mv == 255 ? n.at(x, y) : test::RefBlend(o.at(x, y), n.at(x, y), mv, o.masks);
        });
        for (const TRowKernels* k :
             {&ScalarKernels(), &ActiveKernels(), Sse2Kernels(), Avx2Kernels(), Avx512Kernels()}) {
          if (!k) continue;
          TDIBX dest;
          dest.SetSize(w, h, depth);
          MixThroughMask(&dest, old_pic.get(), new_pic.get(), mask.get(), *k);
          RefImage got = test::ReadImage(dest);
          got.masks = want.masks = o.masks;
          EXPECT_TRUE(SameImage(got, want,
                                std::string("mix ") + k->Name + " depth " + std::to_string(depth) + " mask height " +
                                    std::to_string(mh) + " runs up to " + std::to_string(longest)));
        }
      }
    }
  }
}

// The factory: numbers outside 1 .. 38 (negative ones too) make nothing; each type gets its defaults, type 30
// the zoom centre; a zero duration ends at once without dividing.
TEST(WipeMask, FactoryMapsNumbersAndDefaults) {
  TDIBX a, b, c;
  for (TDIBX* s : {&a, &b, &c}) s->SetSize(8, 8, 32);
  for (int32_t type : {-1, 0, 39, 255, -2147483647}) EXPECT_EQ(CreateWipe(type, &a, &b, &c), nullptr) << type;
  const std::pair<int32_t, std::array<int32_t, 2>> defaults[] = {
      {2, {20, 1}}, {4, {30, 1}}, {8, {80, 30}}, {24, {5, 0}}, {29, {64, 3}}, {37, {60, 0}}, {1, {0, 0}}};
  for (const auto& [type, p] : defaults) {
    auto wipe = CreateWipe(type, &a, &b, &c);
    ASSERT_TRUE(wipe);
    EXPECT_EQ(wipe->GetParam(0), p[0]) << type;
    EXPECT_EQ(wipe->GetParam(1), p[1]) << type;
  }
  TWipeServices services;
  services.ZoomCentre = {320, 240};
  auto zoom = CreateWipe(30, &a, &b, &c, services);
  EXPECT_EQ(zoom->GetParam(0), 320);
  EXPECT_EQ(zoom->GetParam(1), 240);
  for (int32_t type = 1; type <= kWipeTypeCount; ++type) {
    auto wipe = CreateWipe(type, &a, &b, &c);
    ASSERT_TRUE(wipe) << type;
    wipe->Duration = 0;
    wipe->Prepare();
    EXPECT_TRUE(wipe->Step()) << type;
  }
}

}  // namespace
}  // namespace velk
