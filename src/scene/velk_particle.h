#pragma once
// The particle emitter and its particles. The emitter makes a particle whenever the time to the next one has run
// out: its position comes from the X and Y creation expressions (or from a film's parameter record), the time to
// the following one from the interval expression. Particles are internal children (never saved) that move by one
// of four motion types in whole steps of the frame interval and end when they leave the emitter, when their motion
// ends or when their frames end. An emitter with a duration stops emitting after it and ends when its last
// particle is gone.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "expr/velk_parser.h"
#include "scene/custom_images.h"
#include "scene/velk_control.h"

namespace velk {

class TVelkParticle;

// The parameter record a film's particle track gives instead of the creation expressions: each value is
// base + random(range).
struct TVelkParticleParam {
  int32_t XBase = 0, YBase = 0, XRange = 0, YRange = 0, IntervalBase = 0, IntervalRange = 0;
};

// A source of uniform random numbers in [0, 1).
using TUniformRandom = std::function<double()>;

class TVelkParticleImages : public TVelkCustomImages {
 public:
  explicit TVelkParticleImages(TVelkBaseList* owner) : TVelkCustomImages(owner) {}

  bool AutoName() const override { return false; }
  bool GetProp(int32_t id, TPropValue& value) const override;
  bool SetProp(int32_t id, const TPropValue& value) override;
  // A particle whose frames have run out ends.
  bool AutoScraps() const override { return true; }

  int32_t PartMotion = 1;
  std::array<long double, 3> Param{};

  // Takes the start values of the motion type with the particle at (x0, y0).
  void Start(int32_t x0, int32_t y0, const TUniformRandom& uniform);
  // Moves the particle by n steps of step_ms milliseconds each.
  void Advance(int32_t n, int32_t step_ms);
  bool Dead() const { return dead_; }
  // Milliseconds the particle has lived (its motion's time when the picture is a motion file).
  int64_t Lifetime() const { return lifetime_; }

  // Keeps the anchor at the centre; true when the particle has died, its motion ended or its frames ran out.
  bool Update() override;

 private:
  void Place(long double x, long double y);
  bool AboveTheTop() const;
  int32_t ParentWidth() const;
  int32_t ParentHeight() const;
  void UpdateDeath();

  int32_t x0_ = 0, y0_ = 0;
  bool started_ = false;
  bool dead_ = false;
  int64_t lifetime_ = 0;
  // Motion state: phase or turn angle, sway, the fractional coordinates, the time, the radius and its limit.
  long double phase_ = 0, speed_ = 0, sway_ = 0, fx_ = 0, fy_ = 0, tau_ = 0, rho_ = 0, limit_ = 0;
};

class TVelkParticle : public TVelkControl {
 public:
  enum class TState : uint8_t { Starting, Emitting, Draining };

  explicit TVelkParticle(TVelkBaseList* owner);
  ~TVelkParticle() override;

  uint8_t ComponentType() const override { return VT_PARTICLE; }
  bool GetProp(int32_t id, TPropValue& value) const override;
  bool SetProp(int32_t id, const TPropValue& value) override;
  bool Paused() const override { return PausedFlag; }
  bool Update() override;
  // The creating command gives its PR_APPEARX, PR_APPEARY and PR_DELAY expressions.
  void TakeCreationExpressions(const TCreationExpressions& e) override;

  // The creation expressions: X and Y of a new particle and the interval to the next one, in milliseconds. They are
  // evaluated by the scene's expression evaluator (the scene services' EvaluateInt); without one they give 0.
  TVelkParser X, Y, Interval;
  // When set, used instead of the expressions.
  std::unique_ptr<TVelkParticleParam> ParamRecord;
  // The random source of this emitter and its particles: the scene's generator.
  TUniformRandom Uniform;

  std::string Source;
  int32_t PartMotion = 1;
  std::array<long double, 3> Param{};
  int32_t Alpha = 255;
  // Milliseconds run ahead before the first frame is shown (PR_INDEX).
  int32_t PreRun = 0;
  // Milliseconds of emission; 0 emits for ever.
  int32_t Duration = 0;
  bool PausedFlag = false;
  std::string OnIdle;

  TState State() const { return state_; }
  // Particles alive now.
  int32_t ParticleCount() const;
  // The particles made so far.
  int32_t Made() const { return made_; }

  // An emitter keeps at most this many particles, and makes at most this many in one update: extreme parameters
  // (a pre-run of hours at the shortest interval) must not stall the frame.
  static constexpr int32_t kMaxParticles = 1024;

 protected:
  void SaveOwnFields(TStream& s) const override;
  void LoadOwnFields(TStream& s, int32_t version) override;

 private:
  int32_t StepMs() const;
  // Advances the particles by n steps, then emits for those steps.
  void Run(int64_t n, int32_t step_ms);
  void Emit(int64_t elapsed_ms, int32_t step_ms);
  void Spawn(int64_t steps, int32_t step_ms);
  int64_t NextInterval(int32_t step_ms);
  int32_t Value(TVelkParser& expression, int32_t base, int32_t range);
  void Prune();

  TState state_ = TState::Starting;
  int64_t carried_ms_ = 0;
  int64_t to_next_ = 0;
  int64_t duration_left_ = 0;
  int32_t made_ = 0;
  std::vector<TObjectHandle> particles_;
};

}  // namespace velk
