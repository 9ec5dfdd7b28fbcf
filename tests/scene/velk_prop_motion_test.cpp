#include "scene/velk_prop_motion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "scene/base_list.h"
#include "scene/velk_box.h"
#include "vfs/stream.h"
#include "vfs/stream_io.h"

namespace velk {
namespace {

// A target that keeps every float written to PR_PARAM1.
class TFloatTarget : public TVelkComponent {
 public:
  explicit TFloatTarget(TVelkBaseList* owner) : TVelkComponent(owner) {}
  bool GetProp(int32_t id, TPropValue& v) const override {
    if (id != PR_PARAM1) return TVelkComponent::GetProp(id, v);
    v.F = value;
    return true;
  }
  bool SetProp(int32_t id, const TPropValue& v) override {
    if (id != PR_PARAM1) return TVelkComponent::SetProp(id, v);
    value = v.F;
    written.push_back(v.F);
    return true;
  }
  long double value = 0;
  std::vector<long double> written;
};

TVelkPropMotion* NewMotion(TVelkBaseList& scene, const std::string& target, int32_t id, long double goal,
                           int32_t duration, uint8_t easing) {
  auto* m = dynamic_cast<TVelkPropMotion*>(scene.CreateComponent(VT_PROPMOTION));
  EXPECT_NE(m, nullptr);
  m->Target = target;
  m->PropId = static_cast<uint8_t>(id);
  m->EndValue = goal;
  m->Duration = duration;
  m->Easing = easing;
  return m;
}

// Frames of ms milliseconds until the motion has gone (at most limit frames); the number of frames it lived.
int32_t RunFrames(TVelkBaseList& scene, TObjectHandle motion, int32_t ms, int32_t limit) {
  int32_t frames = 0;
  while (scene.Resolve(motion) && frames < limit) {
    scene.ProcessInput(ms);
    scene.UpdateAll();
    ++frames;
  }
  return frames;
}

TEST(VelkPropMotion, EachCurveStartsAtTheCurrentValueAndEndsAtTheGoal) {
  constexpr long double kQuarter = std::numbers::pi_v<long double> / 2;
  struct TCase {
    uint8_t Easing;
    long double Middle;  // value at 500 of 1000 ms, from 100 to 300
  };
  const TCase cases[] = {
      {0, 200},
      {TVelkPropMotion::kSlowStart, 300 - std::sin(499 * kQuarter / 1000) * 200},
      {TVelkPropMotion::kSlowEnd, 100 + std::sin(500 * kQuarter / 1000) * 200},
      {7, 200},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(int(c.Easing));
    TVelkBaseList scene;
    auto* target = scene.New<TFloatTarget>();
    target->SetName("t");
    target->value = 100;
    TVelkPropMotion* m = NewMotion(scene, "t", PR_PARAM1, 300, 1000, c.Easing);
    // Frames of 100 ms: 0, 100, .. 900 on the curve, then 1000 reaches the goal and ends the motion.
    EXPECT_EQ(RunFrames(scene, m->Handle(), 100, 50), 11);
    ASSERT_EQ(target->written.size(), 11u);
    EXPECT_DOUBLE_EQ(double(target->written[0]), 100);
    EXPECT_NEAR(double(target->written[5]), double(c.Middle), 1e-9);
    EXPECT_DOUBLE_EQ(double(target->written[10]), 300);
    if (c.Easing == TVelkPropMotion::kSlowStart) {
      EXPECT_LT(target->written[5], 200);
    } else if (c.Easing == TVelkPropMotion::kSlowEnd) {
      EXPECT_GT(target->written[5], 200);
    }
  }
}

TEST(VelkPropMotion, MovesAnIntegerPropertyAndEndsOneMillisecondEarly) {
  TVelkBaseList scene;
  auto* box = scene.New<TVelkBox>();
  box->SetName("box");
  box->SetParent(scene.ActiveBaseObject());
  box->Alpha = 0;
  TVelkPropMotion* m = NewMotion(scene, "box", PR_ALPHA, 255, 1000, 0);
  const TObjectHandle h = m->Handle();
  scene.ProcessInput(500);
  scene.UpdateAll();
  EXPECT_EQ(box->Alpha, 0);
  scene.ProcessInput(499);
  scene.UpdateAll();
  EXPECT_NEAR(box->Alpha, 128, 1);
  scene.ProcessInput(15);
  scene.UpdateAll();
  // 999 ms is the last step: the goal is set and the motion is gone.
  EXPECT_EQ(box->Alpha, 255);
  EXPECT_EQ(scene.Resolve(h), nullptr);
}

TEST(VelkPropMotion, EndsWithoutTargetPropertyOrWhenTheTargetIsDeleted) {
  TVelkBaseList scene;
  auto* target = scene.New<TFloatTarget>();
  target->SetName("t");
  const TObjectHandle missing = NewMotion(scene, "nobody", PR_PARAM1, 1, 1000, 0)->Handle();
  const TObjectHandle no_id = NewMotion(scene, "t", TVelkPropMotion::kNoProperty, 1, 1000, 0)->Handle();
  TVelkPropMotion* running = NewMotion(scene, "t", PR_PARAM1, 1, 1000, 0);
  TVelkPropMotion* paused = NewMotion(scene, "nobody", PR_PARAM1, 1, 1000, 0);
  paused->PausedFlag = true;
  scene.ProcessInput(15);
  scene.UpdateAll();
  EXPECT_EQ(scene.Resolve(missing), nullptr);
  EXPECT_EQ(scene.Resolve(no_id), nullptr);
  ASSERT_EQ(scene.Resolve(running->Handle()), running);
  EXPECT_EQ(scene.Resolve(paused->Handle()), paused);

  scene.DestroyObject(target);
  // A new object of the same name is not the target the motion found.
  scene.New<TFloatTarget>()->SetName("t");
  const TObjectHandle h = running->Handle();
  scene.ProcessInput(15);
  scene.UpdateAll();
  EXPECT_EQ(scene.Resolve(h), nullptr);
}

TEST(VelkPropMotion, DegenerateDurationsNeitherDivideNorOverflow) {
  for (const int32_t duration : {0, 1, 2, -5, INT32_MIN, INT32_MAX}) {
    SCOPED_TRACE(duration);
    TVelkBaseList scene;
    auto* target = scene.New<TFloatTarget>();
    target->SetName("t");
    TVelkPropMotion* m = NewMotion(scene, "t", PR_PARAM1, 50, duration, TVelkPropMotion::kSlowStart);
    const int32_t frames = RunFrames(scene, m->Handle(), 16, 3);
    for (const long double v : target->written) EXPECT_TRUE(std::isfinite(double(v)));
    if (duration != INT32_MAX) {
      EXPECT_EQ(frames, 2);
      EXPECT_DOUBLE_EQ(double(target->written.back()), 50);
    }
  }
}

TEST(VelkPropMotion, SaveRecordKeepsTheCurveWhereItWas) {
  TVelkBaseList scene;
  auto* target = scene.New<TFloatTarget>();
  target->SetName("t");
  target->value = 100;
  TVelkPropMotion* m = NewMotion(scene, "t", PR_PARAM1, 300, 1000, 0);
  m->SetName("mover");
  for (int i = 0; i < 3; ++i) {
    scene.ProcessInput(100);
    scene.UpdateAll();
  }
  TMemoryStream s;
  m->SaveToStream(s);

  TVelkBaseList other;
  auto* copy_target = other.New<TFloatTarget>();
  copy_target->SetName("t");
  copy_target->value = 160;  // the value the motion had written at 300 ms
  auto* copy = dynamic_cast<TVelkPropMotion*>(other.CreateComponent(VT_PROPMOTION));
  s.SetPosition(0);
  copy->LoadFromStream(s, 140);
  EXPECT_EQ(s.Remaining(), 0);
  EXPECT_EQ(copy->Name(), "mover");
  EXPECT_EQ(copy->Target, "t");
  EXPECT_EQ(copy->Elapsed, 300);
  other.ProcessInput(100);
  other.UpdateAll();
  // The saved start is kept: the curve goes on from 100 to 300, at 300 ms.
  ASSERT_EQ(copy_target->written.size(), 1u);
  EXPECT_DOUBLE_EQ(double(copy_target->written[0]), 160);

  // A damaged record: an id beyond the table, an easing beyond a byte and a negative time.
  TMemoryStream damaged;
  WriteString(damaged, "mover");  // the object record: name, priorities, tag
  WriteInt(damaged, 0);
  WriteInt(damaged, 0);
  WriteString(damaged, "");
  WriteString(damaged, "t");
  WriteInt(damaged, 200);
  WriteExtended(damaged, 1);
  WriteInt(damaged, 1000);
  WriteInt(damaged, 257);
  WriteExtended(damaged, 0);
  WriteInt(damaged, -5);
  WriteBool(damaged, false);
  damaged.SetPosition(0);
  copy->LoadFromStream(damaged, 140);
  EXPECT_EQ(damaged.Remaining(), 0);
  EXPECT_EQ(copy->Easing, 0);
  EXPECT_EQ(copy->PropId, TVelkPropMotion::kNoProperty);
  EXPECT_EQ(copy->Elapsed, 0);
}

}  // namespace
}  // namespace velk
