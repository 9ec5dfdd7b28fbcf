#include "scene/velk_fire.h"

#include <gtest/gtest.h>

#include <vector>

#include <cmath>

#include "gfx/dibx.h"
#include "scene/base_list.h"
#include "scene_test_support.h"
#include "vfs/stream.h"

namespace velk {
namespace {

// The cooling table entry written from its formula.
int32_t CoolingFor(int32_t s, double x) {
  const double c = std::round(s / (x - std::pow((1023.0 - s) / 1023.0, 3) * 0.05));
  return c >= 255 ? 254 : static_cast<int32_t>(c);
}

TVelkFire* NewFire(TVelkBaseList& scene, int32_t w, int32_t h) {
  auto* fire = scene.New<TVelkFire>();
  fire->SetName("fire");
  fire->SetParent(scene.ActiveBaseObject());
  fire->SetOrigSize(w, h);
  return fire;
}

// One frame of the scene with the given frame time.
void Frame(TVelkBaseList& scene, int32_t ms) {
  scene.ProcessInput(ms);
  scene.UpdateAll();
}

TEST(VelkFire, CoolingTableFollowsThePower) {
  TVelkBaseList scene;
  auto* fire = scene.New<TVelkFire>();
  EXPECT_EQ(test::Prop(*fire, PR_POWER), "1");
  // At creation x is 4.5, whatever the initial power says.
  for (int32_t s : {0, 64, 302, 512, 778, 1016, 1023}) EXPECT_EQ(fire->Cooling(s), CoolingFor(s, 4.5)) << s;
  EXPECT_EQ(fire->Cooling(1023), 227);
  test::SetInt(*fire, PR_POWER, 128);
  EXPECT_EQ(fire->Cooling(1023), 243);  // 1023 / 4.2175
  for (int32_t s : {10, 500, 1000}) EXPECT_EQ(fire->Cooling(s), CoolingFor(s, 4.2175)) << s;
  // The strongest fire saturates: every result of 255 or more is stored as 254.
  test::SetInt(*fire, PR_POWER, 300);
  EXPECT_EQ(fire->Power(), 255);
  EXPECT_EQ(fire->Cooling(1023), 254);
  EXPECT_EQ(fire->Cooling(700), 238);  // 700 / (2.9450 - small) rounds to 238
  test::SetInt(*fire, PR_POWER, -5);
  EXPECT_EQ(fire->Power(), 0);
  const double x0 = 128.0 / 128 * 1.2825 + 4.2175;
  for (int32_t s : {100, 900}) EXPECT_EQ(fire->Cooling(s), CoolingFor(s, x0)) << s;
}

TEST(VelkFire, FirstUpdateLaysTheColdFieldThenStepsEvery40Ms) {
  TVelkBaseList scene;
  scene.SetSize(16, 16);
  auto* fire = NewFire(scene, 8, 8);
  EXPECT_EQ(fire->Width, 8);
  EXPECT_EQ(fire->Cell(0, 0), 0);  // no field yet
  Frame(scene, 100);
  for (int32_t y = 0; y < 8; ++y)
    for (int32_t x = 0; x < 8; ++x) ASSERT_EQ(fire->Cell(x, y), 16) << x << "," << y;
  Frame(scene, 30);
  EXPECT_EQ(fire->Cell(0, 7), 16);  // 30 ms gathered, no step yet
  scene.ClearDirty();
  Frame(scene, 30);  // 60 ms: one step, 20 ms stay
  EXPECT_EQ(scene.ChangedRects(), (std::vector<TRect>{TRect{0, 0, 8, 8}}));
  // The bottom four rows burn; the edge columns keep what the fill gave them.
  for (int32_t y = 4; y < 8; ++y) EXPECT_EQ(fire->Cell(0, y), 254);
  for (int32_t x = 0; x < 8; ++x) EXPECT_EQ(fire->Cell(x, 7), 254);
  for (int32_t x = 1; x < 7; ++x) {
    // Rows far from the heat cool below the coldest value and stay cold.
    EXPECT_EQ(fire->Cell(x, 0), 16);
    EXPECT_EQ(fire->Cell(x, 1), 16);
    // Rows near it take the cooled sum of their four neighbours, less a noise of 0 .. 8.
    const int32_t sums[] = {16 + 16 + 16 + 254, 254 + 254 + 16 + 254, 4 * 254, 4 * 254};
    for (int32_t y = 2; y <= 5; ++y) {
      const int32_t c = fire->Cooling(sums[y - 2]);
      EXPECT_LE(fire->Cell(x, y), c) << x << "," << y;
      EXPECT_GE(fire->Cell(x, y), std::max(16, c - 8)) << x << "," << y;
    }
  }
  scene.ClearDirty();
  Frame(scene, 19);  // 39 ms: nothing
  EXPECT_TRUE(scene.ChangedRects().empty());
  fire->AniPaused = true;
  Frame(scene, 500);
  EXPECT_TRUE(scene.ChangedRects().empty());
  fire->AniPaused = false;
  Frame(scene, 1);
  EXPECT_FALSE(scene.ChangedRects().empty());
}

TEST(VelkFire, DegenerateFieldsNeverReachOutsideTheField) {
  TVelkBaseList scene;
  scene.SetSize(16, 16);
  for (const auto& [w, h] : std::vector<std::pair<int32_t, int32_t>>{
           {8, 3}, {8, 2}, {8, 1}, {1, 8}, {2, 2}, {0, 0}, {0, 5}, {5, 0}, {-4, -4}}) {
    auto* fire = NewFire(scene, w, h);
    for (int i = 0; i < 12; ++i) Frame(scene, 40);
    scene.DrawAll();
    const int32_t cw = std::max(w, 0), ch = std::max(h, 0);
    EXPECT_EQ(fire->OrigWidth(), cw);
    // Fields of up to two rows burn whole; a third row is cooled from the two below it.
    if (cw > 0 && ch > 0 && ch <= 2) {
      EXPECT_EQ(fire->Cell(cw - 1, 0), 254) << w << "x" << h;
    }
    EXPECT_EQ(fire->Cell(cw, ch), 0);
    scene.DestroyObject(fire);
  }
  auto* huge = NewFire(scene, 1 << 30, 3);
  EXPECT_EQ(huge->OrigWidth(), TVelkFire::kMaxSide);
}

TEST(VelkFire, DrawsTheHeatAsAddedGreyAndStretchesWhenZoomed) {
  TVelkBaseList scene;
  scene.SetSize(24, 16);
  scene.ActiveBaseObject()->SetColor(0x000000);
  auto* fire = NewFire(scene, 6, 8);
  fire->SetLeft(2);
  Frame(scene, 0);
  Frame(scene, 40);
  scene.DrawAll();
  TCustomDIBX& s = *scene.PresentationSurface();
  const uint32_t black = static_cast<uint32_t>(s.ColorToPixel(0));
  // Cold cells (the transparent 16) add nothing; burning cells add their heat as grey.
  EXPECT_EQ(s.GetPixel(3, 0), black);
  EXPECT_NE(s.GetPixel(2, 7), black);
  EXPECT_EQ(s.GetPixel(1, 7), black);
  EXPECT_EQ(s.GetPixel(8, 7), black);
  const uint32_t hot = s.GetPixel(2, 7);
  // Twice the zoom stretches the field over twice the area.
  test::SetInt(*fire, PR_ZOOMX, 512);
  test::SetInt(*fire, PR_ZOOMY, 512);
  EXPECT_EQ(fire->Width, 12);
  EXPECT_EQ(fire->Height, 16);
  scene.DrawAll();
  EXPECT_EQ(s.GetPixel(13, 15), hot);
  EXPECT_EQ(s.GetPixel(14, 15), black);
  // Zooms of 0 or less are stored as 1.
  test::SetInt(*fire, PR_ZOOMX, 0);
  EXPECT_EQ(fire->ZoomX(), 1);
}

TEST(VelkFire, SaveRecordRoundTrips) {
  TVelkBaseList scene;
  auto* fire = NewFire(scene, 20, 10);
  test::SetInt(*fire, PR_POWER, 200);
  test::SetInt(*fire, PR_ZOOMY, 128);
  test::Set(*fire, PR_ONIDLE, "idle");
  test::Set(*fire, PR_PAUSED, "TRUE");
  TMemoryStream s;
  fire->SaveToStream(s);
  s.SetPosition(0);
  auto* back = scene.New<TVelkFire>();
  back->LoadFromStream(s, 140);
  EXPECT_EQ(s.GetPosition(), s.GetSize());
  EXPECT_EQ(back->Power(), 200);
  EXPECT_EQ(back->Cooling(1000), fire->Cooling(1000));
  EXPECT_EQ(back->OrigWidth(), 20);
  EXPECT_EQ(back->OrigHeight(), 10);
  EXPECT_EQ(back->ZoomX(), 256);
  EXPECT_EQ(back->ZoomY(), 128);
  EXPECT_EQ(back->Height, 5);
  EXPECT_EQ(back->OnIdle, "idle");
  EXPECT_TRUE(back->Paused());
}

// The fields of all fires of a scene together are bounded: a fire without room shows nothing until room is free.
TEST(VelkFire, FieldsOfAllFiresTogetherStayBounded) {
  TVelkBaseList scene;
  scene.SetSize(64, 48);
  std::vector<TVelkFire*> fires;
  for (int i = 0; i < 2; ++i) {
    auto* f = scene.New<TVelkFire>();
    f->SetParent(scene.ActiveBaseObject());
    test::SetInt(*f, PR_ORIGWIDTH, TVelkFire::kMaxSide);
    test::SetInt(*f, PR_ORIGHEIGHT, TVelkFire::kMaxSide);
    fires.push_back(f);
  }
  scene.ProcessInput(16);
  scene.UpdateAll();
  EXPECT_EQ(fires[0]->Cell(1, 1), TVelkFire::kCold);
  EXPECT_EQ(fires[1]->Cell(1, 1), 0);
  EXPECT_EQ(fires[1]->FieldCells(), 0u);
  scene.DestroyObject(fires[0]);
  scene.ProcessInput(16);
  scene.UpdateAll();
  EXPECT_EQ(fires[1]->Cell(1, 1), TVelkFire::kCold);
}

}  // namespace
}  // namespace velk
