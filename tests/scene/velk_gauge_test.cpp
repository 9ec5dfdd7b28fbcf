#include "scene/velk_gauge.h"

#include <gtest/gtest.h>

#include "base/error.h"
#include "scene/picture_test_support.h"
#include "scene/scene_test_support.h"
#include "vfs/stream.h"

namespace velk {
namespace {

using test::TPictureWorld;

constexpr uint32_t kRed = 0x0000FF;

// A 40 x 4 picture whose left half (the bar cell, 20 x 4) is red and whose right half (the trailing cell) is
// transparent.
struct TGaugeWorld : TPictureWorld {
  TGaugeWorld() : TPictureWorld(64, 48) {
    Files["g.brx"] = test::MakeBrix({{.W = 40, .H = 4, .Colour = kRed, .AlphaSplit = true}});
  }
  TVelkGauge* Gauge(int32_t min, int32_t max) {
    auto* g = Scene.New<TVelkGauge>();
    g->SetName("g");
    g->SetParent(Base());
    test::Set(*g, PR_SOURCE, "g.brx");
    test::SetInt(*g, PR_MIN, min);
    test::SetInt(*g, PR_MAX, max);
    return g;
  }
  // The number of red pixels in the first row of the screen.
  int32_t RedRun() {
    Scene.DrawAll();
    int32_t n = 0;
    for (int32_t x = 0; x < 64; ++x) n += Pixel(x, 0) == Native(kRed);
    return n;
  }
};

TEST(VelkGauge, FallsAfterTheHoldAndRisesAtTheRangePace) {
  TGaugeWorld w;
  TVelkGauge* g = w.Gauge(0, 100);
  EXPECT_EQ(g->Width, 20);
  EXPECT_EQ(g->Height, 4);
  test::SetInt(*g, PR_VALUE, 100);
  w.Frame(15);  // no delay: at once
  EXPECT_EQ(g->Shown(), 100);
  EXPECT_EQ(w.RedRun(), 20);

  test::SetInt(*g, PR_DELAY, 1000);  // the whole range in a second: 1.5 per 15 ms frame
  test::SetInt(*g, PR_DURATION, 90);
  test::SetInt(*g, PR_VALUE, 40);
  EXPECT_EQ(g->Shown(), 40);
  EXPECT_EQ(g->Trailing(), 60);
  EXPECT_EQ(g->MotionState(), TVelkGauge::kFalling);
  EXPECT_EQ(g->BarLength(), 8);
  EXPECT_EQ(g->TrailLength(), 12);
  EXPECT_EQ(w.RedRun(), 8);
  w.Frames(6, 15);  // the hold
  EXPECT_EQ(g->Trailing(), 60);
  w.Frame(15);
  EXPECT_EQ(g->Trailing(), 58);  // 58.5 rounds to even
  w.Frames(38, 15);
  EXPECT_EQ(g->Trailing(), 2);  // 1.5 rounds to even
  w.Frame(15);
  EXPECT_EQ(g->Trailing(), 0);
  EXPECT_EQ(g->MotionState(), TVelkGauge::kRest);

  test::SetInt(*g, PR_VALUE, 70);
  EXPECT_EQ(g->MotionState(), TVelkGauge::kRising);
  EXPECT_EQ(g->Shown(), 40);
  w.Frame(15);
  EXPECT_EQ(g->Shown(), 42);  // 41.5 rounds to even
  w.Frames(18, 15);
  EXPECT_EQ(g->Shown(), 68);
  w.Frame(15);
  EXPECT_EQ(g->Shown(), 70);
  EXPECT_EQ(g->MotionState(), TVelkGauge::kRest);
  EXPECT_EQ(w.RedRun(), 14);
}

TEST(VelkGauge, MinimumAboveZeroMeasuresFromItAndStaysInBounds) {
  TGaugeWorld w;
  TVelkGauge* g = w.Gauge(50, 150);
  test::SetInt(*g, PR_VALUE, 100);
  w.Frame(15);
  EXPECT_EQ(g->BarLength(), 10);
  EXPECT_EQ(w.RedRun(), 10);
  test::SetInt(*g, PR_VALUE, -1000000);  // read back clamped, the bar empty
  EXPECT_EQ(test::Prop(*g, PR_VALUE), "50");
  w.Frame(15);
  EXPECT_EQ(g->BarLength(), 0);
  EXPECT_EQ(g->TrailLength(), 0);
  test::SetInt(*g, PR_VALUE, 2000000000);
  w.Frame(15);
  EXPECT_EQ(test::Prop(*g, PR_VALUE), "150");
  EXPECT_EQ(g->BarLength(), 20);
  EXPECT_EQ(w.RedRun(), 20);
  // Reversed, the bar ends at the far end.
  test::SetInt(*g, PR_VALUE, 100);
  w.Frame(15);
  test::Set(*g, PR_REVERSE, "TRUE");
  w.RedRun();
  EXPECT_EQ(w.Pixel(19, 0), w.Native(kRed));
  EXPECT_EQ(w.Pixel(10, 0), w.Native(kRed));
  EXPECT_NE(w.Pixel(9, 0), w.Native(kRed));
}

TEST(VelkGauge, OrientationRecomputesSizeAndSaveRecordKeepsFields) {
  TGaugeWorld w;
  TVelkGauge* g = w.Gauge(0, 10);
  test::SetInt(*g, PR_BARSIZE, 30);
  EXPECT_EQ(g->Width, 30);
  test::SetInt(*g, PR_ORIENTATION, 1);
  EXPECT_EQ(g->Width, 20);
  EXPECT_EQ(g->Height, 30);
  test::SetInt(*g, PR_VALUE, 5);
  test::SetInt(*g, PR_DELAY, 700);
  test::SetInt(*g, PR_DURATION, 80);
  test::Set(*g, PR_ONIDLE, "*idle");
  TMemoryStream m;
  w.Scene.SaveToStream(m);
  m.SetPosition(0);
  TGaugeWorld other;
  other.Scene.LoadFromStream(m, 140);
  EXPECT_EQ(m.GetPosition(), m.GetSize());
  auto* h = dynamic_cast<TVelkGauge*>(other.Scene.FindObject("g"));
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(h->Source(), "g.brx");
  EXPECT_EQ(h->Max, 10);
  EXPECT_EQ(h->Value(), 5);
  EXPECT_EQ(h->Shown(), 5);  // a loaded gauge rests at its value
  EXPECT_EQ(h->Orientation, 1);
  EXPECT_EQ(h->Delay, 700);
  EXPECT_EQ(h->Duration, 80);
  EXPECT_EQ(h->OnIdle, "*idle");
  EXPECT_EQ(h->BarSize, 30);
  EXPECT_EQ(h->Height, 30);

  // A string length beyond the record's end is refused before anything is allocated.
  TMemoryStream one;
  g->SaveToStream(one);
  std::vector<uint8_t> bytes = one.Bytes();
  const size_t at = bytes.size() - 4 - 5 - 4;  // the length of OnIdle ("*idle"), before PR_BARSIZE
  ASSERT_EQ(bytes[at], 5);
  bytes[at + 3] = 0x7F;
  TMemoryStream bad;
  bad.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  bad.SetPosition(0);
  TVelkGauge fresh(&other.Scene);
  EXPECT_THROW(fresh.LoadFromStream(bad, 140), EFormatError);
}

}  // namespace
}  // namespace velk
