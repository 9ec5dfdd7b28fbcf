#include "scene/velk_wave.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "gfx/dibx.h"
#include "scene/base_list.h"
#include "scene/velk_box.h"
#include "scene_test_support.h"
#include "vfs/stream.h"

namespace velk {
namespace {

struct TWaveScene {
  TVelkBaseList scene;
  TVelkWave* wave;
  TVelkBox* box;
  TWaveScene() {
    scene.SetSize(30, 12);
    scene.ActiveBaseObject()->SetColor(0x000000);
    wave = scene.New<TVelkWave>();
    wave->SetName("wave");
    wave->SetParent(scene.ActiveBaseObject());
    wave->SetBounds(0, 0, 24, 12);
    box = scene.New<TVelkBox>();
    box->SetName("box");
    box->SetParent(wave);
    box->SetBounds(8, 0, 6, 12);
    box->SetColor(0x0000FF);
  }
  void Frame(int32_t ms) {
    scene.ProcessInput(ms);
    scene.UpdateAll();
  }
  // Per scan line: the first and last column showing the box, -1 when none.
  std::vector<std::pair<int32_t, int32_t>> BoxColumns() {
    TCustomDIBX& s = *scene.PresentationSurface();
    const uint32_t red = static_cast<uint32_t>(s.ColorToPixel(0x0000FF));
    std::vector<std::pair<int32_t, int32_t>> rows;
    for (int32_t y = 0; y < s.Height(); ++y) {
      int32_t first = -1, last = -1;
      for (int32_t x = 0; x < s.Width(); ++x) {
        if (s.GetPixel(x, y) != red) continue;
        if (first < 0) first = x;
        last = x;
      }
      rows.emplace_back(first, last);
    }
    return rows;
  }
};

int32_t OffsetFor(int32_t amp, int32_t phase, int32_t line, int32_t wave_len) {
  return static_cast<int32_t>(
      std::lround(amp * std::sin(2 * std::numbers::pi * phase / 256 + line * 2 * std::numbers::pi / wave_len)));
}

TEST(VelkWave, DefaultsAndPhaseSteps) {
  TWaveScene t;
  EXPECT_EQ(test::Prop(*t.wave, PR_AMP), "10");
  EXPECT_EQ(test::Prop(*t.wave, PR_WAVELEN), "200");
  EXPECT_EQ(test::Prop(*t.wave, PR_DELAY), "2000");
  // 15 ms x 256 = 3840: one step back (phase 0 - 1 + 255), 1840 carried; then 5680: two steps, 1680 carried.
  t.Frame(15);
  EXPECT_EQ(t.wave->Phase(), 254);
  t.Frame(15);
  EXPECT_EQ(t.wave->Phase(), 252);
  t.Frame(15);
  EXPECT_EQ(t.wave->Phase(), 250);
  t.wave->AniPaused = true;
  t.Frame(1000);
  EXPECT_EQ(t.wave->Phase(), 250);
  ASSERT_EQ(t.wave->Offsets().size(), 12u);
  for (int32_t i = 0; i < 12; ++i) EXPECT_EQ(t.wave->Offsets()[size_t(i)], OffsetFor(10, 250, i, 200)) << i;
}

TEST(VelkWave, OffsetsShiftEachScanLineOfTheChildren) {
  TWaveScene t;
  test::SetInt(*t.wave, PR_AMP, 3);
  test::SetInt(*t.wave, PR_WAVELEN, 8);
  t.Frame(15);
  t.scene.DrawAll();
  const auto rows = t.BoxColumns();
  for (int32_t i = 0; i < 12; ++i) {
    const int32_t off = OffsetFor(3, 254, i, 8);
    EXPECT_EQ(t.wave->Offsets()[size_t(i)], off);
    EXPECT_EQ(rows[size_t(i)], std::make_pair(8 + off, 13 + off)) << "line " << i;
  }
}

TEST(VelkWave, AmpZeroShowsTheChildrenUnshifted) {
  TWaveScene t;
  test::SetInt(*t.wave, PR_AMP, 0);
  test::SetInt(*t.wave, PR_WAVELEN, 8);
  for (int i = 0; i < 5; ++i) t.Frame(15);
  t.scene.DrawAll();
  EXPECT_EQ(t.BoxColumns(), (std::vector<std::pair<int32_t, int32_t>>(12, {8, 13})));
}

TEST(VelkWave, DirtyAreasOfTheWaveAndItsChildrenAreWidenedByAmp) {
  TWaveScene t;
  t.scene.SetSize(60, 12);
  t.wave->SetBounds(20, 0, 20, 12);
  t.scene.ClearDirty();
  t.wave->Invalidate();
  EXPECT_EQ(t.scene.ChangedRects(), (std::vector<TRect>{TRect{10, 0, 50, 12}}));
  t.scene.ClearDirty();
  t.box->SetBounds(2, 2, 4, 4);
  t.scene.ClearDirty();
  t.box->SetColor(0x00FF00);
  EXPECT_EQ(t.scene.ChangedRects(), (std::vector<TRect>{TRect{12, 2, 36, 6}}));
  // Changing the amplitude redraws the old and the new widened area.
  t.scene.ClearDirty();
  t.wave->SetAmp(25);
  EXPECT_EQ(t.scene.ChangedRects(), (std::vector<TRect>{TRect{0, 0, 60, 12}}));
}

TEST(VelkWave, DegenerateDelaysAndWaveLengthsNeverDivideByZero) {
  TWaveScene t;
  test::SetInt(*t.wave, PR_DELAY, 0);
  t.Frame(15);
  EXPECT_EQ(t.wave->Phase(), 0);  // a wave without delay stands still
  test::SetInt(*t.wave, PR_DELAY, -50);
  t.Frame(15);
  EXPECT_EQ(t.wave->Phase(), 0);
  // A wave length of 0 shifts every line alike.
  test::SetInt(*t.wave, PR_WAVELEN, 0);
  test::SetInt(*t.wave, PR_DELAY, 1);
  t.Frame(1000);  // 256000 steps at once: -256000 + 1004 x 255 = 20
  EXPECT_EQ(t.wave->Phase(), 20);
  EXPECT_EQ(t.wave->Offsets(), std::vector<int32_t>(12, OffsetFor(10, 20, 0, 1)));
  t.scene.DrawAll();
  // Extreme amplitudes and an empty wave are harmless.
  t.wave->SetAmp(2147483647);
  t.Frame(15);
  t.scene.DrawAll();
  t.wave->SetBounds(0, 0, 0, 0);
  t.Frame(15);
  t.scene.DrawAll();
  EXPECT_TRUE(t.wave->Offsets().empty());
}

TEST(VelkWave, SaveRecordRoundTrips) {
  TWaveScene t;
  test::SetInt(*t.wave, PR_AMP, 4);
  test::SetInt(*t.wave, PR_WAVELEN, 33);
  test::SetInt(*t.wave, PR_DELAY, 700);
  test::Set(*t.wave, PR_ONIDLE, "idle");
  test::Set(*t.wave, PR_PAUSED, "TRUE");
  TMemoryStream s;
  t.wave->SaveToStream(s);
  s.SetPosition(0);
  auto* back = t.scene.New<TVelkWave>();
  back->LoadFromStream(s, 140);
  EXPECT_EQ(s.GetPosition(), s.GetSize());
  EXPECT_EQ(back->Amp(), 4);
  EXPECT_EQ(back->WaveLen, 33);
  EXPECT_EQ(back->Delay, 700);
  EXPECT_EQ(back->OnIdle, "idle");
  EXPECT_TRUE(back->Paused());
  // The box child came back with it, and the offsets follow the loaded size.
  ASSERT_EQ(back->ChildCount(), 1);
  EXPECT_EQ(back->ChildAt(0)->Name(), "box");
  EXPECT_EQ(back->Offsets().size(), 12u);
}

// A height of two thousand million, from a script or a save record, shifts a bounded number of lines.
TEST(VelkWave, HugeHeightsStayBounded) {
  TWaveScene w;
  test::SetInt(*w.wave, PR_HEIGHT, 2000000000);
  w.Frame(16);
  EXPECT_EQ(w.wave->Offsets().size(), static_cast<size_t>(TVelkWave::kMaxLines));
  w.scene.DrawAll();
  TMemoryStream s;
  w.wave->SaveToStream(s);
  s.SetPosition(0);
  auto* copy = w.scene.New<TVelkWave>();
  copy->LoadFromStream(s, 140);
  EXPECT_EQ(copy->Height, 2000000000);
  EXPECT_LE(copy->Offsets().size(), static_cast<size_t>(TVelkWave::kMaxLines));
}

}  // namespace
}  // namespace velk
