// The scene's transition state: a flip with a type composes both bases through the transition into the screen and
// presents its whole area; once its time is over the screen holds the new picture; the flip that resets ends it.
#include <gtest/gtest.h>

#include "gfx/dibx.h"
#include "gfx/pixel_format.h"
#include "scene/base_list.h"
#include "picture_test_support.h"

namespace velk {
namespace {

constexpr uint32_t kRed = 0x0000FF, kGreen = 0x00FF00;

// The screen's pixel as a colour 0x00BBGGRR.
uint32_t screen_at(TVelkBaseList& scene, int32_t x, int32_t y) {
  return NativeToColor(scene.PresentationSurface()->GetPixel(x, y), kMasks888);
}

// The channel blend of the drawing operations, written out: (d * (255 - a) + s * a) >> 8.
uint32_t blend(uint32_t d, uint32_t s, uint32_t a) {
  uint32_t out = 0;
  for (int shift : {0, 8, 16}) out |= ((((d >> shift) & 0xFF) * (255 - a) + ((s >> shift) & 0xFF) * a) >> 8) << shift;
  return out;
}

TEST(SceneTransition, AFlipComposesBothBasesUntilItEnds) {
  TVelkBaseList scene;
  scene.SetSize(40, 30);
  scene.BaseAt(0)->SetColor(static_cast<int32_t>(kRed));
  scene.BaseAt(1)->SetColor(static_cast<int32_t>(kGreen));
  scene.DrawAll();
  scene.ClearDirty();
  EXPECT_EQ(screen_at(scene, 5, 5), kRed);
  EXPECT_FALSE(scene.TransitionRunning());

  scene.Flip(0, 1, 0, true, 0, 300);
  ASSERT_TRUE(scene.TransitionRunning());
  ASSERT_NE(scene.Transition(), nullptr);
  EXPECT_EQ(scene.TransitionDuration(), 300);
  scene.Transition()->Prepare();
  scene.DrawAll();
  EXPECT_EQ(screen_at(scene, 5, 5), kRed);  // alpha 0 at the start
  scene.SetTransitionElapsed(150);
  scene.DrawAll();
  EXPECT_EQ(scene.TransitionRect(), (TRect{0, 0, 40, 30}));
  ASSERT_EQ(scene.ChangedRects().size(), 1u);
  EXPECT_EQ(scene.ChangedRects()[0], (TRect{0, 0, 40, 30}));
  for (int32_t y = 0; y < 30; y += 7)
    for (int32_t x = 0; x < 40; x += 9) EXPECT_EQ(screen_at(scene, x, y), blend(kRed, kGreen, 128)) << x << "," << y;
  // Time over: the whole new picture, until the resetting flip makes the other base the active one.
  scene.SetTransitionElapsed(300);
  scene.DrawAll();
  EXPECT_EQ(screen_at(scene, 39, 29), kGreen);
  scene.Flip(1, 0, 0, true, 0, 0);
  EXPECT_FALSE(scene.TransitionRunning());
  EXPECT_EQ(scene.TransitionDuration(), 0);
  scene.DrawAll();
  EXPECT_TRUE(scene.TransitionRect().IsEmpty());
  EXPECT_EQ(screen_at(scene, 20, 20), kGreen);
  EXPECT_EQ(scene.ChangedRects()[0], (TRect{0, 0, 40, 30}));
}

TEST(SceneTransition, NoTransitionForUnknownTypesAndNoneAfterAResize) {
  TVelkBaseList scene;
  scene.SetSize(16, 16);
  scene.Flip(0, 39, 0, true, 0, 300);
  EXPECT_FALSE(scene.TransitionRunning());
  scene.Flip(0, 0, 0, true, 0, 300);
  EXPECT_FALSE(scene.TransitionRunning());
  scene.Flip(0, 36, 1, true, 0, 300);
  ASSERT_TRUE(scene.TransitionRunning());
  EXPECT_TRUE(scene.Transition()->Reverse());
  scene.SetSize(20, 16);
  EXPECT_FALSE(scene.TransitionRunning());
  scene.Flip(0, 24, 0, true, 0, 0);
  scene.DrawAll();  // a zero duration is over at once
  scene.Reset();
  EXPECT_FALSE(scene.TransitionRunning());
}

// The rule image comes from the scene's image cache: a uniform grey of level 64 holds the mask at 64 where a
// missing or damaged file leaves the plain cross-fade (already wholly new at this point).
TEST(SceneTransition, RuleImagesComeFromTheImageCache) {
  test::TPictureWorld world(20, 10);
  world.Files["rule.brx"] = test::MakeBrix({{4, 3, 0x404040}});
  world.Files["bad.brx"] = {'B', 'r', 'i', 'x', 1, 2, 3};
  TVelkBaseList& scene = world.Scene;
  scene.BaseAt(0)->SetColor(static_cast<int32_t>(kRed));
  scene.BaseAt(1)->SetColor(static_cast<int32_t>(kGreen));
  for (const char* rule : {"rule.brx", "missing.brx", "bad.brx"}) {
    scene.Flip(0, 19, 0, true, 0, 300);
    ASSERT_TRUE(scene.TransitionRunning());
    scene.Transition()->SetRuleFile(rule);
    scene.Transition()->Prepare();
    scene.SetTransitionElapsed(150);
    scene.DrawAll();
    const uint32_t want = std::string(rule) == "rule.brx" ? blend(kRed, kGreen, 64) : kGreen;
    EXPECT_EQ(screen_at(scene, 7, 4), want) << rule;
    EXPECT_EQ(screen_at(scene, 19, 9), want) << rule;
  }
}

}  // namespace
}  // namespace velk
