// The point draws, fills and colour-mask draws against per-pixel references, on random 15, 16 and 32-bit data,
// with clipping and mirroring at every edge and canary pixels all around the target area.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "gfx/dibx.h"
#include "gfx_reference.h"

namespace velk {
namespace {

using test::RefAdd;
using test::RefBlend;
using test::RefImage;

constexpr int kDepths[] = {15, 16, 32};

// Destination positions that cut the source at each edge and corner, plus one inside.
const TPoint kPlaces[] = {{6, 5}, {-7, 4}, {30, 6}, {5, -6}, {8, 24}, {-4, -3}, {31, 25}};
const TRect kSources[] = {{0, 0, 17, 13}, {2, 1, 15, 12}, {-2, -1, 19, 14}};
const TRect kClips[] = {{}, {9, 7, 33, 22}};

struct PointOp {
  const char* name;
  bool masked;
  // Draws on the surface.
  std::function<void(TDIBX& d, int32_t x, int32_t y, TDIBX& s, const TRect& src, bool mh, bool mv, TDIBX& m)> draw;
  // The new destination pixel from d, s and m (source pixel and mask value); masks of the destination.
  std::function<uint32_t(uint32_t d, uint32_t s, uint32_t m, int32_t tv, const TPixelMasks& k)> pixel;
};

uint32_t Width16(int depth, int32_t v) { return static_cast<uint32_t>(v) & (depth == 32 ? 0xFFFFFFFF : 0xFFFF); }

std::vector<PointOp> PointOps(int depth) {
  const uint32_t a = 77, k = 200;
  auto tv_hit = [depth](uint32_t s, int32_t tv) { return tv != -1 && s == Width16(depth, tv); };
  return {
      {"Draw", false,
       [](TDIBX& d, int32_t x, int32_t y, TDIBX& s, const TRect& r, bool mh, bool mv, TDIBX&) {
         d.Draw(x, y, &s, r, false, mh, mv);
       },
       [](uint32_t, uint32_t s, uint32_t, int32_t, const TPixelMasks&) { return s; }},
      {"DrawTransparent", false,
       [](TDIBX& d, int32_t x, int32_t y, TDIBX& s, const TRect& r, bool mh, bool mv, TDIBX&) {
         d.Draw(x, y, &s, r, true, mh, mv);
       },
       [=](uint32_t d, uint32_t s, uint32_t, int32_t tv, const TPixelMasks&) { return tv_hit(s, tv) ? d : s; }},
      {"DrawAlpha", false,
       [=](TDIBX& d, int32_t x, int32_t y, TDIBX& s, const TRect& r, bool mh, bool mv, TDIBX&) {
         d.DrawAlpha(x, y, &s, r, true, mh, mv, a);
       },
       [=](uint32_t d, uint32_t s, uint32_t, int32_t tv, const TPixelMasks& m) {
         return tv_hit(s, tv) || s == d ? d : RefBlend(d, s, a, m);
       }},
      {"DrawAlphaOpaque", false,
       [=](TDIBX& d, int32_t x, int32_t y, TDIBX& s, const TRect& r, bool mh, bool mv, TDIBX&) {
         d.DrawAlpha(x, y, &s, r, false, mh, mv, a);
       },
       [=](uint32_t d, uint32_t s, uint32_t, int32_t, const TPixelMasks& m) {
         return s == d ? d : RefBlend(d, s, a, m);
       }},
      {"DrawAdd", false,
       [=](TDIBX& d, int32_t x, int32_t y, TDIBX& s, const TRect& r, bool mh, bool mv, TDIBX&) {
         d.DrawAdd(x, y, &s, r, false, mh, mv, k);
       },
       [=](uint32_t d, uint32_t s, uint32_t, int32_t tv, const TPixelMasks& m) {
         return tv_hit(s, tv) ? d : RefAdd(d, s, k, m);  // the value is skipped whatever the flag says
       }},
      {"DrawMask", true,
       [](TDIBX& d, int32_t x, int32_t y, TDIBX& s, const TRect& r, bool mh, bool mv, TDIBX& m) {
         d.DrawMask(x, y, &s, r, mh, mv, &m);
       },
       [](uint32_t d, uint32_t s, uint32_t mv, int32_t, const TPixelMasks& m) {
         return mv == 255 ? s : mv == 0 ? d : RefBlend(d, s, mv, m);
       }},
      {"DrawAlphaMask", true,
       [=](TDIBX& d, int32_t x, int32_t y, TDIBX& s, const TRect& r, bool mh, bool mv, TDIBX& m) {
         d.DrawAlphaMask(x, y, &s, r, mh, mv, &m, a);
       },
       [=](uint32_t d, uint32_t s, uint32_t mv, int32_t, const TPixelMasks& m) {
         return mv == 0 ? d : RefBlend(d, s, a * mv / 256, m);
       }},
      {"DrawAddMask", true,
       [=](TDIBX& d, int32_t x, int32_t y, TDIBX& s, const TRect& r, bool mh, bool mv, TDIBX& m) {
         d.DrawAddMask(x, y, &s, r, mh, mv, &m, k);
       },
       [=](uint32_t d, uint32_t s, uint32_t mv, int32_t, const TPixelMasks& m) {
         return mv == 0 ? d : RefAdd(d, s, mv == 255 ? k : mv * k / 256, m);
       }},
  };
}

TEST(PointDraw, EveryDrawMatchesTheReferenceAtEveryEdgeAndMirroring) {
  std::mt19937 rng(3);
  for (int depth : kDepths) {
    for (const PointOp& op : PointOps(depth)) {
      for (int mirror = 0; mirror < 4; ++mirror) {
        const bool mh = mirror & 1, mv = mirror & 2;
        for (const TRect& clip : kClips) {
          for (const TRect& src : kSources) {
            for (const TPoint& at : kPlaces) {
              auto d = test::RandomSurface(40, 30, depth, rng);
              auto s = test::RandomSurface(17, 13, depth, rng);
              auto m = test::RandomMask(17, 13, rng);
              // Some source pixels are the transparent value, some equal the destination below them.
              s->TransparentValue = static_cast<int32_t>(s->GetPixel(3, 3));
              for (int i = 0; i < 12; ++i) s->SetPixel(rng() % 17, rng() % 13, s->TransparentValue);
              for (int32_t y = 0; y < 13; ++y) d->SetPixel(at.X + 8, at.Y + y, s->GetPixel(mh ? 8 : 8, y));
              if (clip.Right != 0) d->AddClip(clip);

              RefImage expected = test::ReadImage(*d);
              const RefImage sr = test::ReadImage(*s), mr = test::ReadImage(*m);
              const TRect area = Intersect(Bounds(at.X, at.Y, src.Width(), src.Height()), d->ClipBounds());
              for (int32_t y = area.Top; y < area.Bottom; ++y)
                for (int32_t x = area.Left; x < area.Right; ++x) {
                  const int32_t i = x - at.X, j = y - at.Y;
                  const int32_t sx = mh ? src.Right - 1 - i : src.Left + i, sy = mv ? src.Bottom - 1 - j : src.Top + j;
                  if (sx < 0 || sy < 0 || sx >= 17 || sy >= 13) continue;
                  expected.at(x, y) =
                      op.pixel(expected.at(x, y), sr.at(sx, sy), mr.at(sx, sy), s->TransparentValue, expected.masks);
                }
              op.draw(*d, at.X, at.Y, *s, src, mh, mv, *m);
              ASSERT_TRUE(test::SameImage(test::ReadImage(*d), expected,
                                          std::string(op.name) + "_" + std::to_string(depth) + "_m" +
                                              std::to_string(mirror) + "_at" + std::to_string(at.X) + "_" +
                                              std::to_string(at.Y) + "_src" + std::to_string(src.Left) + "_clip" +
                                              std::to_string(clip.Right)));
            }
          }
        }
      }
    }
  }
}

// Source and destination of one size without row padding, drawn whole or clipped to whole rows: the rows lie end
// to end and the draw runs over them at once.
TEST(PointDraw, WholeFramesMatchTheReference) {
  std::mt19937 rng(5);
  constexpr int32_t w = 38, h = 9;
  for (int depth : kDepths) {
    for (const PointOp& op : PointOps(depth)) {
      for (const TRect& clip : {TRect{}, TRect{0, 2, w, 7}}) {
        auto d = test::RandomSurface(w, h, depth, rng);
        auto s = test::RandomSurface(w, h, depth, rng);
        auto m = test::RandomMask(w, h, rng);
        ASSERT_EQ(d->Pitch(), w * (depth == 32 ? 4 : 2));
        s->TransparentValue = static_cast<int32_t>(s->GetPixel(3, 3));
        for (int i = 0; i < 20; ++i) {
          const int32_t x = static_cast<int32_t>(rng() % w), y = static_cast<int32_t>(rng() % h);
          d->SetPixel(x, y, s->GetPixel(x, y));
        }
        if (clip.Right != 0) d->AddClip(clip);
        RefImage expected = test::ReadImage(*d);
        const RefImage sr = test::ReadImage(*s), mr = test::ReadImage(*m);
        const TRect area = d->ClipBounds();
        for (int32_t y = area.Top; y < area.Bottom; ++y)
          for (int32_t x = area.Left; x < area.Right; ++x)
            expected.at(x, y) =
                op.pixel(expected.at(x, y), sr.at(x, y), mr.at(x, y), s->TransparentValue, expected.masks);
        op.draw(*d, 0, 0, *s, TRect{0, 0, w, h}, false, false, *m);
        ASSERT_TRUE(test::SameImage(test::ReadImage(*d), expected,
                                    std::string(op.name) + "_whole_" + std::to_string(depth) + "_clip" +
                                        std::to_string(clip.Bottom)));
      }
    }
  }
}

TEST(PointDraw, KnownValues) {
  TDIBX d, s;
  d.SetSize(4, 1, 32);
  s.SetSize(4, 1, 32);
  d.Fill(0);
  s.Fill(0x00FFFFFF);
  d.DrawAlpha(0, 0, &s, TRect{0, 0, 4, 1}, false, false, false, 128);
  EXPECT_EQ(d.GetPixel(0, 0), 0x007F7F7Fu);  // (255 * 128) >> 8

  d.Fill(0x00C0C0C0);
  s.Fill(0x00808080);
  d.DrawAdd(0, 0, &s, TRect{0, 0, 4, 1}, false, false, false, 255);
  EXPECT_EQ(d.GetPixel(1, 0), 0x00FFFFFFu);

  // A mirrored draw clipped on the left trims the source on its right.
  for (int i = 0; i < 4; ++i) s.SetPixel(i, 0, 0x10u * (i + 1));
  d.Fill(0);
  d.Draw(-1, 0, &s, TRect{0, 0, 4, 1}, false, true, false);
  EXPECT_EQ(d.GetPixel(0, 0), 0x30u);
  EXPECT_EQ(d.GetPixel(2, 0), 0x10u);
  EXPECT_EQ(d.GetPixel(3, 0), 0u);

  // Zero alpha or amount draws nothing; a source of another depth draws nothing.
  d.Fill(5);
  d.DrawAlpha(0, 0, &s, TRect{0, 0, 4, 1}, false, false, false, 0);
  d.DrawAdd(0, 0, &s, TRect{0, 0, 4, 1}, false, false, false, 0);
  TDIBX other;
  other.SetSize(4, 1, 16);
  other.Fill(0xFFFF);
  d.Draw(0, 0, &other, TRect{0, 0, 4, 1}, false, false, false);
  EXPECT_EQ(d.GetPixel(2, 0), 5u);

  // A mask of the wrong depth draws nothing.
  d.DrawMask(0, 0, &s, TRect{0, 0, 4, 1}, false, false, &other);
  EXPECT_EQ(d.GetPixel(2, 0), 5u);
}

TEST(PointDraw, EightAndTwentyFourBitDraws) {
  std::mt19937 rng(5);
  for (int depth : {8, 24}) {
    auto d = test::RandomSurface(20, 10, depth, rng);
    auto s = test::RandomSurface(8, 6, depth, rng);
    s->TransparentValue = static_cast<int32_t>(s->GetPixel(0, 0));
    RefImage expected = test::ReadImage(*d);
    const RefImage sr = test::ReadImage(*s);
    for (int32_t y = 0; y < 6; ++y)
      for (int32_t x = 0; x < 8; ++x) {
        const uint32_t v = sr.at(7 - x, y);
        if (v != static_cast<uint32_t>(s->TransparentValue) && 15 + x < 20) expected.at(15 + x, 2 + y) = v;
      }
    d->Draw(15, 2, s.get(), TRect{0, 0, 8, 6}, true, true, false);
    EXPECT_TRUE(test::SameImage(test::ReadImage(*d), expected, "Draw_bytes_" + std::to_string(depth)));
  }
  // 8-bit adds saturate and ignore the amount.
  TDIBX d, s;
  d.SetSize(2, 1, 8);
  s.SetSize(2, 1, 8);
  d.SetPixel(0, 0, 200), d.SetPixel(1, 0, 10);
  s.SetPixel(0, 0, 100), s.SetPixel(1, 0, 20);
  d.DrawAdd(0, 0, &s, TRect{0, 0, 2, 1}, false, false, false, 1);
  EXPECT_EQ(d.GetPixel(0, 0), 255u);
  EXPECT_EQ(d.GetPixel(1, 0), 30u);
}

TEST(Fills, EveryFillMatchesTheReference) {
  std::mt19937 rng(9);
  const TRect rects[] = {{3, 2, 20, 15}, {-5, -5, 8, 40}, {30, 20, 60, 60}};
  for (int depth : kDepths) {
    for (const TRect& clip : kClips) {
      for (const TRect& r : rects) {
        for (int op = 0; op < 4; ++op) {
          auto d = test::RandomSurface(40, 30, depth, rng);
          if (clip.Right != 0) d->AddClip(clip);
          const uint32_t c = static_cast<uint32_t>(d->ColorToPixel(static_cast<int32_t>(rng() & 0xFFFFFF)));
          d->SetPixel(10, 10, c);
          RefImage expected = test::ReadImage(*d);
          const TRect area = Intersect(r, d->ClipBounds());
          for (int32_t y = area.Top; y < area.Bottom; ++y)
            for (int32_t x = area.Left; x < area.Right; ++x) {
              uint32_t& p = expected.at(x, y);
              if (op == 0) p = c;
              if (op == 1) p = p == c ? p : RefBlend(p, c, 90, expected.masks);
              if (op == 2) p = test::RefAddColor(p, c, expected.masks);
              if (op == 3) p = test::RefSubColor(p, c, expected.masks);
            }
          if (op == 0) d->FillRect(r, c);
          if (op == 1) d->FillRectAlpha(r, c, 90);
          if (op == 2) d->FillRectAdd(r, c);
          if (op == 3) d->FillRectSub(r, c);
          ASSERT_TRUE(test::SameImage(test::ReadImage(*d), expected,
                                      "Fill" + std::to_string(op) + "_" + std::to_string(depth) + "_" +
                                          std::to_string(r.Left) + "_" + std::to_string(clip.Right)));
        }
      }
    }
  }
  TDIBX d;
  d.SetSize(2, 1, 32);
  d.Fill(0x00100000);
  d.FillRectSub(TRect{0, 0, 2, 1}, 0x00FF0000);
  EXPECT_EQ(d.GetPixel(0, 0), 0u);  // never wraps
  d.Fill(0x00123456);
  d.FillRectAlpha(TRect{0, 0, 2, 1}, 0x00123456, 100);
  EXPECT_EQ(d.GetPixel(1, 0), 0x00123456u);  // already the colour: left alone
}

TEST(ColorMask, BlendsTheColourThroughTheCoverage) {
  std::mt19937 rng(13);
  for (int depth : kDepths) {
    for (int alpha : {255, 150}) {
      for (int mirror = 0; mirror < 4; ++mirror) {
        for (const TPoint& at : kPlaces) {
          const bool mh = mirror & 1, mv = mirror & 2;
          auto d = test::RandomSurface(40, 30, depth, rng);
          auto cov = test::RandomMask(17, 13, rng);
          const uint32_t c = static_cast<uint32_t>(d->ColorToPixel(0x00336699));
          d->SetPixel(at.X + 2, at.Y + 2, c);
          const TRect src{1, 2, 16, 12};
          RefImage expected = test::ReadImage(*d);
          const RefImage mr = test::ReadImage(*cov);
          const TRect area = Intersect(Bounds(at.X, at.Y, src.Width(), src.Height()), d->ClipBounds());
          for (int32_t y = area.Top; y < area.Bottom; ++y)
            for (int32_t x = area.Left; x < area.Right; ++x) {
              const int32_t i = x - at.X, j = y - at.Y;
              const uint32_t m = mr.at(mh ? src.Right - 1 - i : src.Left + i, mv ? src.Bottom - 1 - j : src.Top + j);
              uint32_t& p = expected.at(x, y);
              if (m != 0 && p != c) p = RefBlend(p, c, alpha == 255 ? m : alpha * m / 256, expected.masks);
            }
          d->DrawColorMask(at.X, at.Y, cov.get(), src, mh, mv, c, alpha);
          ASSERT_TRUE(test::SameImage(test::ReadImage(*d), expected,
                                      "ColorMask_" + std::to_string(depth) + "_" + std::to_string(alpha) + "_m" +
                                          std::to_string(mirror) + "_" + std::to_string(at.X)));
        }
      }
    }
  }
  // A source rectangle beyond the coverage surface, or starting left of it, draws nothing.
  TDIBX d, cov;
  d.SetSize(8, 8, 32);
  d.Fill(0);
  cov.SetSize(4, 4, 8);
  cov.Fill(255);
  d.DrawColorMask(0, 0, &cov, TRect{0, 0, 5, 4}, false, false, 0xFF, 255);
  d.DrawColorMask(0, 0, &cov, TRect{-1, 0, 3, 4}, false, false, 0xFF, 255);
  EXPECT_EQ(d.GetPixel(0, 0), 0u);
  d.DrawColorMask(0, 0, &cov, TRect{0, 0, 4, 4}, false, false, 0xFF, 255);
  EXPECT_EQ(d.GetPixel(0, 0), 0xFEu);  // (255 * 255) >> 8: the divisor is 256
}

}  // namespace
}  // namespace velk
