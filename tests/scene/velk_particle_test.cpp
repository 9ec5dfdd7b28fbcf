#include "scene/velk_particle.h"

#include <gtest/gtest.h>

#include <vector>

#include <cmath>
#include <limits>

#include "base/process_values.h"
#include "scene/base_list.h"
#include "scene_test_support.h"
#include "vfs/stream.h"

namespace velk {
namespace {

TUniformRandom Always(double r) {
  return [r] { return r; };
}

struct TParticleScene {
  TVelkBaseList scene;
  TVelkParticle* emitter;
  TParticleScene() {
    scene.SetSize(200, 200);
    emitter = scene.New<TVelkParticle>();
    emitter->SetName("fx");
    emitter->SetParent(scene.ActiveBaseObject());
    emitter->SetBounds(0, 0, 100, 80);
  }
  TVelkParticleImages* Particle(int32_t type, long double p1, long double p2, long double p3, int32_t x0, int32_t y0,
                                double r) {
    auto* p = scene.New<TVelkParticleImages>();
    p->SetParent(emitter);
    p->PartMotion = type;
    p->Param = {p1, p2, p3};
    p->Start(x0, y0, Always(r));
    return p;
  }
  void Frame(int32_t ms) {
    scene.ProcessInput(ms);
    scene.UpdateAll();
  }
};

using TPos = std::pair<int32_t, int32_t>;
TPos At(const TVelkParticleImages& p) { return {p.Left, p.Top}; }

TEST(VelkParticle, FallAndSwayFirstSteps) {
  TParticleScene t;
  // Sway speed 0.02 + 0.02 x 0.5 = 0.03, extra sway 0.5 x (8 - 4) = 2: Left = 10 + round(sin(phase) x 6).
  auto* p = t.Particle(1, 2.5, 4, 8, 10, 20, 0.5);
  EXPECT_EQ(At(*p), (TPos{10, 20}));
  p->Advance(1, 16);
  EXPECT_EQ(At(*p), (TPos{10, 22}));  // sin(0.03) x 6 = 0.18; fy 2.5 gives 2 whole units, 0.5 kept
  p->Advance(2, 16);
  EXPECT_EQ(At(*p), (TPos{11, 27}));  // sin(0.09) x 6 = 0.54; 0.5 + 5
  p->Advance(10, 16);
  EXPECT_EQ(At(*p), (TPos{12, 52}));  // sin(0.39) x 6 = 2.28; 0.5 + 25
  EXPECT_FALSE(p->Dead());
  EXPECT_EQ(p->Lifetime(), 13 * 16);
  p->Advance(4, 16);
  EXPECT_EQ(At(*p), (TPos{13, 62}));
  EXPECT_FALSE(p->Dead());  // 62 < 80
  p->Advance(5, 16);
  EXPECT_EQ(p->Top, 75);  // 62 + 0.5 + 12.5
  EXPECT_FALSE(p->Dead());
  p->Advance(2, 16);
  EXPECT_EQ(p->Top, 80);
  EXPECT_TRUE(p->Dead());  // at the emitter's bottom
  // A fall speed of 0 or less becomes 0.1; without P3 > P2 there is no extra sway.
  auto* slow = t.Particle(1, 0, 3, 1, 0, 0, 0.5);
  slow->Advance(15, 16);
  EXPECT_EQ(At(*slow), (TPos{1, 1}));  // round(sin(0.45) x 3) = 1, fy 1.5
}

TEST(VelkParticle, SpiralOutwardsFirstSteps) {
  TParticleScene t;
  // Angle 2 pi x 0.25, radius 9.9 + 0.1; P3 = 0.5 x (0.7 + 0.3 x 0.25); the limit is the distance to the farthest
  // corner of the 100 x 80 emitter from (50, 40), 64.03.
  auto* p = t.Particle(2, 9.9, 2, 0.5, 50, 40, 0.25);
  EXPECT_EQ(At(*p), (TPos{50, 50}));
  EXPECT_DOUBLE_EQ(static_cast<double>(p->Param[2]), 0.3875);
  p->Advance(1, 16);
  EXPECT_EQ(At(*p), (TPos{50, 50}));  // radius 10 then doubles to 20, angle + 0.3875
  p->Advance(1, 16);
  EXPECT_EQ(At(*p), (TPos{42, 59}));  // 20 x (cos, sin)(1.958) = (-7.56, 18.52)
  EXPECT_FALSE(p->Dead());
  p->Advance(2, 16);  // first 40 x 2^(2 - 1) = 80
  EXPECT_EQ(At(*p), (TPos{-6, 97}));
  EXPECT_TRUE(p->Dead());  // radius 160 beyond 64.03
}

TEST(VelkParticle, ThrowFirstSteps) {
  TParticleScene t;
  // Horizontal speed 1 + (3 - 1) x 0.5 = 2; Top = 50 - trunc(0.5 x tau^2).
  auto* p = t.Particle(3, 0.5, 1, 3, 0, 50, 0.5);
  p->Advance(1, 16);
  EXPECT_EQ(At(*p), (TPos{2, 50}));
  p->Advance(2, 16);
  EXPECT_EQ(At(*p), (TPos{6, 46}));
  p->Advance(7, 16);
  EXPECT_EQ(At(*p), (TPos{20, 0}));
  EXPECT_FALSE(p->Dead());
  p->Advance(1, 16);
  EXPECT_EQ(At(*p), (TPos{22, -10}));
  EXPECT_TRUE(p->Dead());  // above the top
  // Thrown to the left it ends when its right edge passes 0; to the right at the emitter's width.
  auto* left = t.Particle(3, 0, -3, -3, 5, 10, 0.5);
  left->Advance(1, 16);
  EXPECT_EQ(At(*left), (TPos{2, 10}));
  EXPECT_FALSE(left->Dead());
  left->Advance(1, 16);
  EXPECT_TRUE(left->Dead());
  auto* right = t.Particle(3, 0, 10, 10, 85, 10, 0.5);
  right->Advance(1, 16);
  EXPECT_FALSE(right->Dead());
  right->Advance(1, 16);
  EXPECT_EQ(right->Left, 105);
  EXPECT_TRUE(right->Dead());
}

TEST(VelkParticle, RiseAndTurnFirstSteps) {
  TParticleScene t;
  // Sway 20 / 2 x 0.95 = 9.5, turn speed 0.4 / 2 x 1 = 0.2.
  auto* p = t.Particle(4, 3, 20, 0.4, 30, 90, 0.0);
  p->Advance(1, 16);
  EXPECT_EQ(At(*p), (TPos{31, 87}));  // g = 0.9975: 9.5 x g x sin(0.2) = 1.88
  EXPECT_EQ(p->ZoomX(), 255);
  EXPECT_EQ(p->ZoomY(), 255);
  EXPECT_EQ(p->Priority(), 990);
  p->Advance(5, 16);
  EXPECT_EQ(At(*p), (TPos{38, 84}));  // the rise is once per update, not per step
  EXPECT_EQ(p->ZoomX(), 234);
  EXPECT_EQ(p->Priority(), 651);
  EXPECT_FALSE(p->Dead());
  // The turn angle wraps once it passes 2 pi.
  for (int i = 0; i < 28; ++i) p->Advance(1, 16);
  EXPECT_EQ(p->Top, 0);
  EXPECT_FALSE(p->Dead());
  p->Advance(1, 16);
  EXPECT_TRUE(p->Dead());
  // Unknown motion types die at once.
  EXPECT_TRUE(t.Particle(0, 1, 1, 1, 0, 0, 0.5)->Dead());
  EXPECT_TRUE(t.Particle(9, 1, 1, 1, 0, 0, 0.5)->Dead());
}

TEST(VelkParticle, EmitterWithDurationStopsAfterOneSecondAndEndsWithItsLastParticle) {
  TParticleScene t;
  t.emitter->PartMotion = 1;
  t.emitter->Param = {4, 0, 0};
  t.emitter->SetHeight(40);
  test::SetInt(*t.emitter, PR_DURATION, 1000);
  // Without an interval expression one particle per 16 ms step, falling 4 pixels per step.
  t.Frame(16);
  EXPECT_EQ(t.emitter->State(), TVelkParticle::TState::Emitting);
  EXPECT_EQ(t.emitter->Made(), 1);
  const TVelkObject* first = t.scene.FindObject(std::string("\x01") + "fx\x01" + "0");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->AsControl()->IgnoreMouse, 1);
  int32_t frames = 0;
  while (t.emitter->State() == TVelkParticle::TState::Emitting && frames < 1000) {
    t.Frame(16);
    ++frames;
  }
  EXPECT_EQ(frames, 63);  // 63 x 16 = 1008 ms
  EXPECT_EQ(t.emitter->Made(), 64);
  EXPECT_EQ(t.emitter->ParticleCount(), 10);  // each lives ten steps
  const TObjectHandle h = t.emitter->Handle();
  for (frames = 0; t.scene.Resolve(h) && frames < 1000; ++frames) {
    t.Frame(16);
    if (t.scene.Resolve(h)) {
      EXPECT_EQ(t.emitter->Made(), 64);
    }
  }
  EXPECT_EQ(frames, 11);
  // The particles went with it.
  EXPECT_EQ(t.scene.FindObject(std::string("\x01") + "fx\x01" + "63"), nullptr);
}

TEST(VelkParticle, ParameterRecordPlacesAndTimesTheParticles) {
  TParticleScene t;
  t.emitter->PartMotion = 3;
  t.emitter->Param = {0, 0, 0};
  t.emitter->ParamRecord = std::make_unique<TVelkParticleParam>(TVelkParticleParam{5, 7, 10, 0, 40, 0});
  t.emitter->Uniform = Always(0.55);
  test::SetInt(*t.emitter, PR_INDEX, 100);  // run 100 ms ahead: 6 steps, 4 ms carried
  t.Frame(16);
  // Particles at 0, 40 and 80 ms of the pre-run, each advanced by the steps since it was made.
  EXPECT_EQ(t.emitter->Made(), 3);
  EXPECT_EQ(t.emitter->ParticleCount(), 3);
  for (int32_t i = 0; i < 3; ++i) {
    const auto* p = t.scene.FindObject(std::string("\x01") + "fx\x01" + std::to_string(i));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->AsControl()->Left, 5 + 5) << i;  // 5 + trunc(0.55 x 10)
    EXPECT_EQ(p->AsControl()->Top, 7) << i;
  }
  t.Frame(16);  // 4 + 16 ms: one step; the time to the next particle (120 ms) is not yet reached
  EXPECT_EQ(t.emitter->Made(), 3);
  t.Frame(16);
  EXPECT_EQ(t.emitter->Made(), 4);
}

TEST(VelkParticle, DegenerateParametersNeverHangOrCrash) {
  TParticleScene t;
  // The shortest interval (0 becomes 2 ms) after a pre-run of a week: the emission is bounded.
  t.emitter->ParamRecord = std::make_unique<TVelkParticleParam>(TVelkParticleParam{0, 0, 0, 0, 0, 0});
  t.emitter->PartMotion = 2;
  t.emitter->Param = {1e30L, 1e300L, std::numeric_limits<long double>::quiet_NaN()};
  test::SetInt(*t.emitter, PR_INDEX, 7 * 24 * 3600 * 1000);
  t.Frame(16);
  EXPECT_LE(t.emitter->ParticleCount(), TVelkParticle::kMaxParticles);
  t.Frame(16);
  t.scene.DrawAll();
  // Spiral particles with undefined or endless radii die.
  auto* undefined = t.Particle(2, std::numeric_limits<long double>::quiet_NaN(), 2, 0, 0, 0, 0.5);
  undefined->Advance(1, 16);
  EXPECT_TRUE(undefined->Dead());
  auto* huge = t.Particle(2, 1e30L, 2, 0, 0, 0, 0.5);
  EXPECT_EQ(huge->Left, -2147483647 - 1);
  huge->Advance(1000000, 16);
  EXPECT_TRUE(huge->Dead());
  // A frame interval of 0 counts as 1 ms.
  TProcessValues process;
  process.FrameWait = 0;
  t.scene.Services.Process = &process;
  t.emitter->ParamRecord.reset();
  t.Frame(16);
  // Zero-sized emitters kill falling particles at once but keep working.
  t.emitter->SetBounds(0, 0, 0, 0);
  t.emitter->PartMotion = 1;
  for (int i = 0; i < 3; ++i) t.Frame(16);
  t.scene.DrawAll();
}

TEST(VelkParticle, SaveRecordRoundTripsAndParticlesAreNotSaved) {
  TParticleScene t;
  t.emitter->Source = "spark.brx";
  t.emitter->PartMotion = 4;
  t.emitter->Param = {1.25L, -3.5L, 1024.0625L};
  test::SetInt(*t.emitter, PR_ALPHA, 300);
  test::SetInt(*t.emitter, PR_INDEX, 250);
  test::SetInt(*t.emitter, PR_DURATION, 5000);
  test::Set(*t.emitter, PR_ONIDLE, "idle");
  t.Frame(16);
  ASSERT_GT(t.emitter->ParticleCount(), 0);
  TMemoryStream s;
  t.emitter->SaveToStream(s);
  s.SetPosition(0);
  auto* back = t.scene.New<TVelkParticle>();
  back->LoadFromStream(s, 140);
  EXPECT_EQ(s.GetPosition(), s.GetSize());
  EXPECT_EQ(back->ChildCount(), 0);
  EXPECT_EQ(back->Source, "spark.brx");
  EXPECT_EQ(back->PartMotion, 4);
  EXPECT_EQ(back->Param, t.emitter->Param);
  EXPECT_EQ(back->Alpha, 300);
  EXPECT_EQ(back->PreRun, 250);
  EXPECT_EQ(back->Duration, 5000);
  EXPECT_EQ(back->OnIdle, "idle");
  EXPECT_EQ(test::Prop(*back, PR_PARAM2), test::Prop(*t.emitter, PR_PARAM2));
  EXPECT_EQ(test::Prop(*back, PR_COMPOTYPE), "14");
  EXPECT_EQ(back->State(), TVelkParticle::TState::Starting);
}

// The emitters of a scene draw from the scene's one generator: twins do not move in lock-step, and two scenes
// seeded alike draw alike.
TEST(VelkParticle, EmittersShareTheScenesSeededGenerator) {
  TVelkBaseList scene;
  auto* a = scene.New<TVelkParticle>();
  auto* b = scene.New<TVelkParticle>();
  EXPECT_NE(a->Uniform(), b->Uniform());
  const auto draws = [](uint32_t seed) {
    TVelkBaseList s;
    s.Random.Seed(seed);
    auto* e = s.New<TVelkParticle>();
    return std::vector<double>{e->Uniform(), e->Uniform(), e->Uniform()};
  };
  EXPECT_EQ(draws(7), draws(7));
  EXPECT_NE(draws(7), draws(8));
}

}  // namespace
}  // namespace velk
