#pragma once
// Fast-forward: the game clock runs a whole number of times faster than real time. Frames still come about every
// 15 ms and follow the same rules; each accepted tick only counts its interval that many times, and everything that
// reads the clock (sound mixing, MIDI, the clock-driven audio of headless runs) sees the faster time, so waits,
// motions, transitions and the ends of sounds all follow. Sound played through a device is sped up by taking every
// N-th sample of N times as much mixed sound.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "app/loop_thread.h"
#include "platform/audio.h"
#include "platform/platform.h"

namespace velk {

// The speed while fast-forward is switched on by the key.
constexpr int32_t kFastForwardSpeed = 8;
// Higher speeds would turn every tick into a gap of the tick rule and make little sense to watch.
constexpr int32_t kMaxSpeed = 16;

class TSpeedClock : public IClock {
 public:
  explicit TSpeedClock(IClock& base) : base_(base) {}

  // Real milliseconds since the switch count factor times.
  uint32_t Milliseconds() override;
  // Waits real time: whoever sleeps waits for something outside the game (a device, a display).
  void Sleep(uint32_t ms) override { base_.Sleep(ms); }

  // The factor, 1 .. kMaxSpeed (clamped). The time read so far is kept: the clock never jumps.
  void SetFactor(int32_t factor);
  int32_t Factor() const { return factor_.load(); }
  // A tick of the real loop as the game counts it: its interval times the factor, stamped with this clock's time.
  TTick Scale(const TTick& tick);

 private:
  IClock& base_;
  std::mutex mutex_;
  std::atomic<int32_t> factor_{1};
  uint32_t anchor_base_ = 0;
  uint32_t anchor_ = 0;
  bool anchored_ = false;
};

// Wraps the mixer's fill for an output that plays in real time: at factor N it mixes N times the frames asked and
// keeps every N-th, so sounds end when the faster game clock says they do.
class TSpeedAudioFill {
 public:
  TSpeedAudioFill(TAudioFill inner, const TSpeedClock& speed) : inner_(std::move(inner)), speed_(speed) {}
  void operator()(int16_t* samples, size_t frames);

 private:
  TAudioFill inner_;
  const TSpeedClock& speed_;
  std::vector<int16_t> block_;
};

}  // namespace velk
