#include "scene/velk_particle.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "scene/base_list.h"
#include "scene/prop_table.h"
#include "vfs/stream_io.h"

namespace velk {

namespace {

constexpr long double kTwoPi = 2 * std::numbers::pi_v<long double>;
constexpr long double kIntLimit = 2147483647.0L;

// Whole values of the motion formulas as positions: out-of-range and undefined results are held at the int32 range.
int32_t ToPosition(long double v) {
  if (std::isnan(v)) return 0;
  return static_cast<int32_t>(std::clamp(v, -kIntLimit - 1, kIntLimit));
}
int32_t Rounded(long double v) { return ToPosition(std::round(v)); }
int32_t Truncated(long double v) { return ToPosition(std::trunc(v)); }

// The rows shared by particles and their emitter: motion type and the three parameters.
template <class T> const TPropTable<T>& ParticleProps() {
  using P = TProps<T>;
  static const TPropTable<T> table = {
      P::template Plain<&T::PartMotion>(PR_PARTMOTION),
      {PR_PARAM1, [](const T& o, TPropValue& v) { v.F = o.Param[0]; },
       [](T& o, const TPropValue& v) { o.Param[0] = v.F; }},
      {PR_PARAM2, [](const T& o, TPropValue& v) { v.F = o.Param[1]; },
       [](T& o, const TPropValue& v) { o.Param[1] = v.F; }},
      {PR_PARAM3, [](const T& o, TPropValue& v) { v.F = o.Param[2]; },
       [](T& o, const TPropValue& v) { o.Param[2] = v.F; }},
  };
  return table;
}

using E = TVelkParticle;
using PE = TProps<E>;

const TPropTable<E> kEmitterProps = {
    PE::Plain<&E::Source>(PR_SOURCE),
    PE::Plain<&E::Alpha>(PR_ALPHA),
    PE::Plain<&E::PreRun>(PR_INDEX),
    PE::Plain<&E::Duration>(PR_DURATION),
    PE::Plain<&E::PausedFlag>(PR_PAUSED),
    PE::Plain<&E::OnIdle>(PR_ONIDLE),
    {PR_PLAYING, [](const E& e, TPropValue& v) { v.B = !e.PausedFlag && e.State() != TVelkParticle::TState::Draining; },
     nullptr},
};

const TPropTable<TVelkParticleImages> kParticleImagesProps = {
    {PR_REPEAT, [](const TVelkParticleImages&, TPropValue& v) { v.B = false; }, nullptr},
};

}  // namespace

// ---- particles -------------------------------------------------------------------------------------------------

bool TVelkParticleImages::GetProp(int32_t id, TPropValue& value) const {
  return kParticleImagesProps.Get(*this, id, value) || ParticleProps<TVelkParticleImages>().Get(*this, id, value) ||
         TVelkCustomImages::GetProp(id, value);
}

bool TVelkParticleImages::SetProp(int32_t id, const TPropValue& value) {
  return ParticleProps<TVelkParticleImages>().Set(*this, id, value) || TVelkCustomImages::SetProp(id, value);
}

int32_t TVelkParticleImages::ParentWidth() const { return Parent() ? Parent()->Width : 0; }
int32_t TVelkParticleImages::ParentHeight() const { return Parent() ? Parent()->Height : 0; }
bool TVelkParticleImages::AboveTheTop() const { return int64_t{LocalTop()} + Height < 0; }

void TVelkParticleImages::Place(long double x, long double y) {
  SetLeft(Truncated(x));
  SetTop(Truncated(y));
}

void TVelkParticleImages::Start(int32_t x0, int32_t y0, const TUniformRandom& uniform) {
  const auto r = [&]() -> long double { return uniform ? uniform() : 0.0; };
  long double &p1 = Param[0], &p2 = Param[1], &p3 = Param[2];
  x0_ = x0;
  y0_ = y0;
  started_ = true;
  switch (PartMotion) {
    case 1:  // fall and sway
      speed_ = 0.02L + 0.02L * r();
      if (p1 <= 0) p1 = 0.1L;
      sway_ = p3 > p2 ? r() * (p3 - p2) : 0;
      Place(x0, y0);
      break;
    case 2: {  // spiral outwards
      phase_ = kTwoPi * r();
      rho_ = p1 + 0.1L;
      Place(x0 + std::round(rho_ * std::cos(phase_)), y0 + std::round(rho_ * std::sin(phase_)));
      p3 *= 0.7L + 0.3L * r();
      const long double w = ParentWidth(), h = ParentHeight();
      limit_ = 0;
      for (long double cx : {0.0L, w})
        for (long double cy : {0.0L, h}) limit_ = std::max(limit_, std::hypot(cx - x0, cy - y0));
      break;
    }
    case 3:  // throw
      p2 = p2 + (p3 - p2) * r();
      fx_ = x0;
      Place(x0, y0);
      break;
    case 4:  // rise and turn
      sway_ = p2 / 2 * (0.95L + 0.05L * r());
      speed_ = p3 / 2 * (1 + r());
      fy_ = y0;
      Place(x0, y0);
      break;
    default: dead_ = true;
  }
}

void TVelkParticleImages::Advance(int32_t n, int32_t step_ms) {
  // An update without a whole step moves nothing: the per-update terms of types 2 and 4 wait for a step.
  if (!started_ || dead_ || n <= 0) return;
  lifetime_ += int64_t{n} * step_ms;
  const long double p1 = Param[0], p2 = Param[1], p3 = Param[2];
  switch (PartMotion) {
    case 1: {
      phase_ += speed_ * n;
      SetLeft(ToPosition(x0_ + std::round(std::sin(phase_) * (p2 + sway_))));
      fy_ += n * p1;
      const long double whole = std::trunc(fy_);
      fy_ -= whole;
      SetTop(ToPosition(Top + whole));
      break;
    }
    case 2:
      if (n > 1) rho_ *= std::pow(p2, static_cast<long double>(n - 1));
      SetLeft(ToPosition(x0_ + std::round(rho_ * std::cos(phase_))));
      SetTop(ToPosition(y0_ + std::round(rho_ * std::sin(phase_))));
      rho_ *= p2;
      phase_ += p3;
      break;
    case 3:
      fx_ += n * p2;
      SetLeft(Truncated(fx_));
      tau_ += n;
      SetTop(ToPosition(y0_ - std::trunc(p1 * tau_ * tau_)));
      break;
    case 4: {
      phase_ += n * speed_;
      if (phase_ > kTwoPi) phase_ -= kTwoPi;
      const long double g = 0.5L + 0.5L * std::fabs(std::cos(phase_ / 2));
      SetZoomX(Rounded(256 * g));
      SetZoomY(Rounded(256 * g));
      SetLeft(ToPosition(x0_ + std::trunc(g * std::sin(phase_) * sway_)));
      fy_ -= p1;
      SetTop(Truncated(fy_));
      SetPriority(Rounded((g - 0.5L) / 0.5L * 2000 - 1000));
      break;
    }
    default: break;
  }
  if (TVelkMotion* motion = Motion()) {
    // A motion file as picture runs on the particle's lifetime and ends the particle with its last frame.
    motion->MoveToTime(static_cast<int32_t>(std::min<int64_t>(lifetime_, INT32_MAX)));
    if (static_cast<long double>(lifetime_) >= std::round(motion->Length() * 1000.0L / 60)) dead_ = true;
  }
  UpdateDeath();
}

void TVelkParticleImages::UpdateDeath() {
  switch (PartMotion) {
    case 1:
      if (LocalTop() >= ParentHeight()) dead_ = true;
      break;
    case 2:
      // Undefined radii (from undefined parameters) count as beyond the limit.
      if (!(rho_ < limit_) || std::fabs(rho_) > kIntLimit) dead_ = true;
      break;
    case 3:
      if (AboveTheTop()) dead_ = true;
      if (Param[1] >= 0 ? LocalLeft() >= ParentWidth() : int64_t{LocalLeft()} + Width < 0) dead_ = true;
      break;
    case 4:
      if (AboveTheTop()) dead_ = true;
      break;
    default: dead_ = true;
  }
}

bool TVelkParticleImages::Update() {
  UpdateSize();
  // The anchor is the centre.
  if (OffsetX != Width / 2) SetOffsetX(Width / 2);
  if (OffsetY != Height / 2) SetOffsetY(Height / 2);
  if (dead_) return true;
  if (MotionAttached()) return false;
  // A single picture never runs out; only the last of several frames ends the particle.
  return FrameCount() > 1 && AnimateFrames();
}

// ---- emitter ---------------------------------------------------------------------------------------------------

TVelkParticle::TVelkParticle(TVelkBaseList* owner) : TVelkControl(owner) {
  // Every emitter of a scene draws from the scene's one generator.
  Uniform = [this] { return Owner() ? Owner()->Random.Uniform() : 0.0; };
}

TVelkParticle::~TVelkParticle() = default;

bool TVelkParticle::GetProp(int32_t id, TPropValue& value) const {
  return ParticleProps<TVelkParticle>().Get(*this, id, value) || kEmitterProps.Get(*this, id, value) ||
         TVelkControl::GetProp(id, value);
}

bool TVelkParticle::SetProp(int32_t id, const TPropValue& value) {
  return ParticleProps<TVelkParticle>().Set(*this, id, value) || kEmitterProps.Set(*this, id, value) ||
         TVelkControl::SetProp(id, value);
}

int32_t TVelkParticle::StepMs() const {
  const TVelkBaseList* scene = Owner();
  // A frame interval below 1 ms would make every update endless.
  return std::max(scene ? scene->Services.FrameWait() : 16, 1);
}

int32_t TVelkParticle::ParticleCount() const {
  const TVelkBaseList* scene = Owner();
  if (!scene) return 0;
  return static_cast<int32_t>(
      std::count_if(particles_.begin(), particles_.end(), [&](TObjectHandle h) { return scene->Resolve(h); }));
}

void TVelkParticle::Prune() {
  const TVelkBaseList* scene = Owner();
  std::erase_if(particles_, [&](TObjectHandle h) { return !scene || !scene->Resolve(h); });
}

int32_t TVelkParticle::Value(TVelkParser& expression, int32_t base, int32_t range) {
  if (ParamRecord) {
    const double r = Uniform ? Uniform() : 0.0;
    return base + (range > 0 ? static_cast<int32_t>(r * range) : 0);
  }
  const auto& evaluate = Owner()->Services.EvaluateInt;
  return evaluate && expression.Count() > 0 ? evaluate(expression) : 0;
}

int64_t TVelkParticle::NextInterval(int32_t step_ms) {
  if (ParamRecord) return std::max(Value(Interval, ParamRecord->IntervalBase, ParamRecord->IntervalRange), 2);
  if (Interval.Count() == 0) return step_ms;
  return std::max(Value(Interval, 0, 0), 2);
}

void TVelkParticle::Spawn(int64_t steps, int32_t step_ms) {
  TVelkBaseList* scene = Owner();
  if (!scene || ParticleCount() >= kMaxParticles) return;
  const int32_t x = ParamRecord ? Value(X, ParamRecord->XBase, ParamRecord->XRange) : Value(X, 0, 0);
  const int32_t y = ParamRecord ? Value(Y, ParamRecord->YBase, ParamRecord->YRange) : Value(Y, 0, 0);
  auto* p = scene->New<TVelkParticleImages>();
  AssignName(*p, std::string("\x01") + Name() + "\x01" + std::to_string(made_++));
  p->IgnoreMouse = 1;
  p->SetParent(this);
  p->PartMotion = PartMotion;
  p->Param = Param;
  p->SetAlpha(Alpha);
  p->SetSource(Source);
  if (p->FrameCount() > 0) p->SetIndex(0);
  p->Start(x, y, Uniform);
  p->Advance(static_cast<int32_t>(std::min<int64_t>(steps, INT32_MAX)), step_ms);
  particles_.push_back(p->Handle());
}

void TVelkParticle::Emit(int64_t elapsed_ms, int32_t step_ms) {
  to_next_ -= elapsed_ms;
  for (int32_t burst = 0; to_next_ <= 0; ++burst) {
    if (burst >= kMaxParticles) {
      // The backlog of an extreme pre-run is dropped; emission goes on from now.
      to_next_ = 0;
      return;
    }
    const int64_t overdue = -to_next_;
    to_next_ += NextInterval(step_ms);
    Spawn(overdue / step_ms, step_ms);
  }
}

void TVelkParticle::Run(int64_t n, int32_t step_ms) {
  Prune();
  const TVelkBaseList* scene = Owner();
  const int32_t steps = static_cast<int32_t>(std::min<int64_t>(n, INT32_MAX));
  for (TObjectHandle h : std::vector<TObjectHandle>(particles_)) {
    if (auto* p = dynamic_cast<TVelkParticleImages*>(scene ? scene->Resolve(h) : nullptr)) p->Advance(steps, step_ms);
  }
  if (state_ != TState::Draining) Emit(n * step_ms, step_ms);
}

void TVelkParticle::TakeCreationExpressions(const TCreationExpressions& e) {
  if (e.AppearX != nullptr) X.Assign(*e.AppearX);
  if (e.AppearY != nullptr) Y.Assign(*e.AppearY);
  if (e.Delay != nullptr) Interval.Assign(*e.Delay);
}

bool TVelkParticle::Update() {
  const int32_t t = StepMs();
  const TVelkBaseList* scene = Owner();
  carried_ms_ += state_ == TState::Starting ? std::max(PreRun, 0) : std::max(scene ? scene->FrameMs() : 0, 0);
  const int64_t n = carried_ms_ / t;
  carried_ms_ %= t;
  switch (state_) {
    case TState::Starting:
      duration_left_ = Duration;
      Run(n, t);
      state_ = TState::Emitting;
      return false;
    case TState::Emitting:
      Run(n, t);
      if (Duration > 0) {
        duration_left_ -= n * t;
        if (duration_left_ <= 0) state_ = TState::Draining;
      }
      return false;
    case TState::Draining:
      Run(n, t);
      Prune();
      return particles_.empty();
  }
  return false;
}

void TVelkParticle::SaveOwnFields(TStream& s) const {
  X.SaveToStream(s);
  Y.SaveToStream(s);
  Interval.SaveToStream(s);
  WriteString(s, Source);
  WriteByte(s, static_cast<uint8_t>(PartMotion));
  for (long double p : Param) WriteExtended(s, p);
  WriteInt(s, Alpha);
  WriteInt(s, PreRun);
  WriteString(s, OnIdle);
  WriteByte(s, PausedFlag);
  WriteInt(s, Duration);
}

void TVelkParticle::LoadOwnFields(TStream& s, int32_t version) {
  X.LoadFromStream(s);
  Y.LoadFromStream(s);
  Interval.LoadFromStream(s);
  Source = ReadString(s);
  PartMotion = ReadByte(s);
  for (long double& p : Param) p = ReadExtended(s);
  Alpha = ReadInt(s);
  if (version > 103) {
    PreRun = ReadInt(s);
    OnIdle = ReadString(s);
    PausedFlag = ReadByte(s) != 0;
    Duration = ReadInt(s);
  }
}

}  // namespace velk
