#include "scene/velk_motion.h"

#include <gtest/gtest.h>

#include "scene/velk_label.h"

#include "scene/picture_test_support.h"
#include "scene/scene_test_support.h"
#include "scene/velk_box.h"
#include "scene/velk_images.h"

namespace velk {
namespace {

using test::TFakeFilm;
using test::TPictureWorld;

// A world whose film loader makes fake films of "*.kmt" names: length, loop start and relativity as configured.
struct TMotionWorld : TPictureWorld {
  TMotionWorld() {
    Scene.Services.LoadFilm = [this](TVelkControl& target, const std::string& name) -> std::unique_ptr<IVelkFilm> {
      if (name != "walk.kmt") return nullptr;
      auto film = std::make_unique<TFakeFilm>(target, Length, LoopStart, Relative);
      Film = film.get();
      return film;
    };
  }
  int32_t Length = 10, LoopStart = 0;
  bool Relative = true;
  TFakeFilm* Film = nullptr;
};

TVelkImages* NewMoving(TMotionWorld& w, int32_t left, int32_t top) {
  auto* c = w.Scene.New<TVelkImages>();
  c->SetName("m");
  c->SetParent(w.Base());
  c->SetLeft(left);
  c->SetTop(top);
  c->SetPriority(7);
  test::Set(*c, PR_SOURCE, "walk.kmt");
  return c;
}

TEST(VelkMotion, StartsAfterTwoStepsFollowsTheClockAndEndsOnce) {
  TMotionWorld w;
  TVelkImages* m = NewMoving(w, 5, 7);
  ASSERT_NE(w.Film, nullptr);
  ASSERT_TRUE(m->MotionAttached());
  test::Set(*m, PR_ONPLAYEND, "*end");
  // Attaching takes the first step: origin at the control, base priority, tick 0 shown.
  EXPECT_EQ(w.Film->OriginX, 5);
  EXPECT_EQ(w.Film->OriginY, 7);
  EXPECT_EQ(w.Film->BasePriority, 7);
  EXPECT_EQ(w.Film->Moves, std::vector<int32_t>{0});
  EXPECT_EQ(m->ScreenLeft(), 5);  // placed by MotionX
  EXPECT_EQ(test::Prop(*m, PR_COUNT), "10");
  EXPECT_EQ(test::Prop(*m, PR_PLAYING), "TRUE");
  w.Frame(16);  // the countdown's second step: the clock does not run yet
  EXPECT_EQ(w.Film->Moves, std::vector<int32_t>{0});
  w.Frame(17);  // round(17 / 16.67) = 1
  w.Frame(8);   // round(25 / 16.67) = 1: unchanged, not moved again
  w.Frame(9);   // round(34 / 16.67) = 2
  EXPECT_EQ(w.Film->Moves, (std::vector<int32_t>{0, 1, 2}));
  EXPECT_EQ(m->MotionX, 7);
  EXPECT_EQ(m->MotionY, 11);
  EXPECT_EQ(test::Prop(*m, PR_INDEX), "2");
  // Moved by the script, a relative motion continues from the new place.
  m->SetLeft(40);
  w.Frame(0);
  EXPECT_EQ(w.Film->OriginX, 40);
  EXPECT_EQ(m->MotionX, 42);
  EXPECT_TRUE(test::Drain(w.Scene).empty());
  w.Frames(10, 17);
  EXPECT_EQ(w.Film->Moves.back(), 9);
  EXPECT_EQ(test::Drain(w.Scene), std::vector<std::string>{"43:m()"});
  w.Frames(5, 17);
  EXPECT_TRUE(test::Drain(w.Scene).empty());
  EXPECT_EQ(test::Prop(*m, PR_INDEX), "9");
}

TEST(VelkMotion, RepeatContinuesAtTheLoopStartAndAniPausedHoldsTheClock) {
  TMotionWorld w;
  w.LoopStart = 4;
  w.Relative = false;
  TVelkImages* m = NewMoving(w, 5, 7);
  EXPECT_EQ(w.Film->OriginX, 0);  // an absolute motion
  test::Set(*m, PR_REPEAT, "TRUE");
  w.Frames(2, 0);
  w.Frame(170);  // round(170 / 16.67) = 10 = the length: 10 mod 10 + 4
  EXPECT_EQ(w.Film->Moves.back(), 4);
  EXPECT_EQ(m->Motion()->Elapsed(), 67);  // round(4 x 16.67)
  m->AniPaused = true;
  w.Frames(3, 50);
  EXPECT_EQ(m->Motion()->Elapsed(), 67);
  // PR_INDEX moves the motion to the frame's time.
  test::SetInt(*m, PR_INDEX, 6);
  EXPECT_EQ(m->Motion()->Elapsed(), 100);
  EXPECT_EQ(w.Film->Moves.back(), 6);
}

TEST(VelkMotion, EmptyFilmsEndAndDetachingResetsTheMotionValues) {
  TMotionWorld w;
  w.Length = 0;
  TVelkImages* m = NewMoving(w, 5, 7);
  test::Set(*m, PR_REPEAT, "TRUE");  // no modulo by an empty length
  w.Frames(5, 20);
  EXPECT_TRUE(m->Motion()->Finished());
  m->SetMotionPriority(3);
  test::Set(*m, PR_SOURCE, "");
  EXPECT_FALSE(m->MotionAttached());
  EXPECT_EQ(m->MotionX, 0);
  EXPECT_EQ(m->MotionY, 0);
  EXPECT_EQ(m->MotionPriority(), 0);
  // A film that is over at once still ends an autoscrapping control and box.
  test::Set(*m, PR_AUTOSCRAP, "TRUE");
  test::Set(*m, PR_SOURCE, "walk.kmt");
  auto* box = w.Scene.New<TVelkBox>();
  box->AutoScrap = true;
  test::Set(*box, PR_SOURCE, "walk.kmt");
  const TObjectHandle hm = m->Handle(), hb = box->Handle();
  w.Frame(16);
  EXPECT_EQ(w.Scene.Resolve(hm), nullptr);
  EXPECT_EQ(w.Scene.Resolve(hb), nullptr);
}

TEST(VelkMotion, SourcesWithoutAFilmLeaveTheControlWithoutMotion) {
  TMotionWorld w;
  TVelkImages* m = NewMoving(w, 5, 7);
  ASSERT_TRUE(m->MotionAttached());
  // Without a film for the name the control is left without motion.
  test::Set(*m, PR_SOURCE, "other.kmt");
  EXPECT_FALSE(m->MotionAttached());
  EXPECT_EQ(m->Width, 0);
}

TEST(VelkMotion, BoxesRunMotionsWithEndEventAutoScrapAndRestart) {
  TMotionWorld w;
  w.Length = 3;
  auto* box = w.Scene.New<TVelkBox>();
  box->SetName("b");
  box->SetParent(w.Base());
  test::Set(*box, PR_ONPLAYEND, "*end");
  test::Set(*box, PR_SOURCE, "walk.kmt");
  ASSERT_TRUE(box->MotionAttached());
  EXPECT_EQ(test::Prop(*box, PR_PLAYING), "TRUE");
  w.Frames(2, 0);
  w.Frame(50);  // tick 3 = the length
  EXPECT_TRUE(box->Motion()->Finished());
  EXPECT_EQ(test::Drain(w.Scene), std::vector<std::string>{"43:b()"});
  w.Frames(3, 50);
  EXPECT_TRUE(test::Drain(w.Scene).empty());
  // Repeat set on a finished motion starts it again.
  test::Set(*box, PR_REPEAT, "TRUE");
  EXPECT_FALSE(box->Motion()->Finished());
  EXPECT_EQ(box->Motion()->Elapsed(), 0);
  test::Set(*box, PR_REPEAT, "FALSE");
  test::Set(*box, PR_AUTOSCRAP, "TRUE");
  const TObjectHandle h = box->Handle();
  w.Frames(3, 0);
  w.Frame(50);
  EXPECT_EQ(w.Scene.Resolve(h), nullptr);
  EXPECT_TRUE(test::Drain(w.Scene).empty());
}

// Boxes, images and labels share one motion: it stops playing at its end, and a motion that is over in the step its
// attachment takes ends an autoscrapping control at the next update.
TEST(VelkMotion, EveryMovingClassStopsPlayingAtTheEndAndScrapsAlike) {
  for (uint8_t code : {VT_BOX, VT_IMAGES, VT_LABEL}) {
    SCOPED_TRACE(ComponentTypeName(code));
    TMotionWorld w;
    TVelkControl* c = w.Scene.CreateComponent(code)->AsControl();
    c->SetParent(w.Base());
    test::Set(*c, PR_SOURCE, "walk.kmt");
    ASSERT_TRUE(c->MotionAttached());
    EXPECT_EQ(test::Prop(*c, PR_PLAYING), "TRUE");
    test::Set(*c, PR_PAUSED, "TRUE");
    EXPECT_EQ(test::Prop(*c, PR_PLAYING), "FALSE");
    test::Set(*c, PR_PAUSED, "FALSE");
    w.Frames(20, 17);
    EXPECT_EQ(test::Prop(*c, PR_PLAYING), "FALSE");

    w.Length = 0;
    TVelkControl* d = w.Scene.CreateComponent(code)->AsControl();
    d->SetParent(w.Base());
    test::Set(*d, PR_AUTOSCRAP, "TRUE");
    test::Set(*d, PR_SOURCE, "walk.kmt");
    const TObjectHandle h = d->Handle();
    ASSERT_NE(w.Scene.Resolve(h), nullptr);
    w.Frame(16);
    EXPECT_EQ(w.Scene.Resolve(h), nullptr);
  }
}

}  // namespace
}  // namespace velk
