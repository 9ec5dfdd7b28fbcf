#pragma once
// Clocks of the headless back end: a virtual clock that only moves when told, and the real monotonic clock.
#include "platform/platform.h"

namespace velk {

// Deterministic time: Sleep advances the clock by exactly the time asked, nothing else moves it.
class TVirtualClock : public IClock {
 public:
  uint32_t Milliseconds() override { return now_; }
  void Sleep(uint32_t ms) override { now_ += ms; }
  void Advance(uint32_t ms) { now_ += ms; }

 private:
  uint32_t now_ = 0;
};

// Milliseconds of the monotonic system clock.
class TSteadyClock : public IClock {
 public:
  uint32_t Milliseconds() override;
  void Sleep(uint32_t ms) override;
};

}  // namespace velk
