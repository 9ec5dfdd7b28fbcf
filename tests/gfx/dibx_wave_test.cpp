#include "gfx/dibx_wave.h"

#include <gtest/gtest.h>

#include <random>

#include "gfx/dibx.h"
#include "gfx_reference.h"

namespace velk {
namespace {

using test::RefImage;

// The target after a draw through the wave: each region line as if the draw had been made at its offset, the
// lines outside the region untouched.
template <class DrawFn>
RefImage ExpectedThroughWave(TDIBX& target, const TDIBXWave& wave, const std::vector<int32_t>& offsets, DrawFn draw) {
  RefImage expected = test::ReadImage(target);
  for (size_t i = 0; i < offsets.size(); ++i) {
    const int32_t y = wave.RegionTop() + static_cast<int32_t>(i);
    if (y < 0 || y >= target.Height()) continue;
    TDIBX copy;
    copy.SetSize(target.Width(), target.Height(), target.BitCount());
    copy.Assign(&target);
    draw(copy, offsets[i]);
    const RefImage shifted = test::ReadImage(copy);
    for (int32_t x = 0; x < target.Width(); ++x) expected.at(x, y) = shifted.at(x, y);
  }
  return expected;
}

TEST(DIBXWave, ShiftsEachLineOfADrawByItsOffset) {
  std::mt19937 rng(71);
  for (int depth : {16, 32}) {
    auto target = test::RandomSurface(40, 30, depth, rng);
    auto source = test::RandomSurface(15, 12, depth, rng);
    TDIBXWave wave(target.get());
    wave.SetRegionOrigin(5, 4);
    wave.SetSize(20, 10, depth);
    ASSERT_EQ(wave.Offsets().size(), 10u);
    EXPECT_EQ(wave.Offsets()[3], 0);
    const std::vector<int32_t> offsets = {0, 0, 2, 2, 2, -3, 1, 1, 0, 5};
    wave.Offsets() = offsets;
    EXPECT_EQ(wave.BitCount(), target->BitCount());
    EXPECT_EQ(wave.ColorToPixel(0x00FFFFFF), target->ColorToPixel(0x00FFFFFF));
    EXPECT_EQ(wave.Target(), target.get());

    const RefImage draw_expected = ExpectedThroughWave(*target, wave, offsets, [&](TDIBX& t, int32_t off) {
      t.DrawAlpha(8 + off, 2, source.get(), TRect{0, 0, 15, 12}, false, true, false, 99);
    });
    wave.DrawAlpha(8, 2, source.get(), TRect{0, 0, 15, 12}, false, true, false, 99);
    EXPECT_TRUE(test::SameImage(test::ReadImage(*target), draw_expected, "WaveDraw" + std::to_string(depth)));

    const RefImage fill_expected = ExpectedThroughWave(*target, wave, offsets, [&](TDIBX& t, int32_t off) {
      t.FillRect(TRect{6 + off, 0, 16 + off, 30}, 0x1234);
    });
    wave.FillRect(TRect{6, 0, 16, 30}, 0x1234);
    EXPECT_TRUE(test::SameImage(test::ReadImage(*target), fill_expected, "WaveFill" + std::to_string(depth)));

    const RefImage stretch_expected = ExpectedThroughWave(*target, wave, offsets, [&](TDIBX& t, int32_t off) {
      t.StretchDraw(TRect{off, 0, 30 + off, 24}, source.get(), TRect{0, 0, 15, 12}, false, false, false, 255);
    });
    wave.StretchDraw(TRect{0, 0, 30, 24}, source.get(), TRect{0, 0, 15, 12}, false, false, false, 255);
    EXPECT_TRUE(test::SameImage(test::ReadImage(*target), stretch_expected, "WaveStretch" + std::to_string(depth)));
    EXPECT_EQ(target->ClipRect, TRect{});  // restored after each forwarded draw
  }
}

TEST(DIBXWave, ClipsToItsRegionAndSharesTheClipWithTheTarget) {
  TDIBX target;
  target.SetSize(40, 30, 32);
  TDIBXWave wave(&target);
  wave.SetRegionOrigin(5, 4);
  wave.SetSize(20, 10, 32);
  wave.AddClip(TRect{0, 0, 10, 10});
  EXPECT_EQ(wave.ClipRect, (TRect{5, 4, 10, 10}));
  EXPECT_EQ(target.ClipRect, (TRect{5, 4, 10, 10}));
  wave.AddClip(TRect{20, 12, 50, 50});
  EXPECT_EQ(wave.ClipRect, (TRect{5, 4, 25, 14}));
  wave.AddClip(TRect{30, 0, 40, 3});  // outside the region: ignored
  EXPECT_EQ(wave.ClipRect, (TRect{5, 4, 25, 14}));
  wave.ResetClip();
  EXPECT_EQ(wave.ClipRect, TRect{});
  EXPECT_EQ(target.ClipRect, TRect{});
  // A whole fill covers the region only.
  target.Fill(0);
  wave.Fill(7);
  EXPECT_EQ(target.GetPixel(5, 4), 7u);
  EXPECT_EQ(target.GetPixel(24, 13), 7u);
  EXPECT_EQ(target.GetPixel(25, 13), 0u);
  EXPECT_EQ(target.GetPixel(5, 14), 0u);
}

}  // namespace
}  // namespace velk
