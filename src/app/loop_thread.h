#pragma once
// The frame loop's timing: the tick rule (about every 15 ms; gaps of 300 ms or more are dropped from the game clock),
// the hand-off of a tick to the main thread, and the loop thread that measures time and hands the ticks over.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "base/process_values.h"
#include "platform/platform.h"

namespace velk {

constexpr int32_t kTickPeriod = 15;  // ms between ticks
constexpr uint32_t kTickGap = 300;   // an interval this long or longer is not added to the game clock

// An accepted tick: its interval and its time stamp.
struct TTick {
  int32_t Delta = 0;
  uint32_t Time = 0;
};

// Writes an accepted tick into the clock values.
void ApplyTick(TProcessValues& values, const TTick& tick);

// The tick rule of the loop.
class TTickCounter {
 public:
  explicit TTickCounter(uint32_t now) : last_(now) {}
  // A wake-up at now: the tick when its interval is accepted, nothing for a gap.
  std::optional<TTick> Tick(uint32_t now);
  // How long to wait, at now, before the next wake-up: what is left of the 15 ms since the last tick (the frame that
  // ran meanwhile included), at least 1 ms; 1 ms at the start and after a gap.
  uint32_t Wait(uint32_t now) const;

 private:
  uint32_t last_;
  bool gap_ = true;
};

// Starts, suspends and stops the source of the ticks (the loop thread, or the headless runner's loop).
class ITickSource {
 public:
  virtual ~ITickSource() = default;
  virtual void Suspend() = 0;
  virtual void Resume() = 0;
};

// The hand-off of ticks from the loop thread to the main thread. The loop thread waits until the main thread has run
// the tick; cancelling the gate (at shutdown) releases it at once, so closing never waits on a frame that will not
// run.
class TTickGate {
 public:
  // Called by the main thread's loop when a tick is waiting (from the loop thread); may be null.
  void SetWake(std::function<void()> wake) { wake_ = std::move(wake); }
  // Loop thread: hands the tick over and waits until it has run. False when the gate was cancelled.
  bool RunOnMain(const TTick& tick);
  // Main thread: runs the waiting tick, if any, and releases the loop thread. Returns whether a tick ran.
  bool RunPending(const std::function<void(const TTick&)>& handler);
  // Releases a waiting loop thread and refuses every later hand-off.
  void Cancel();
  bool Cancelled() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable done_;
  std::function<void()> wake_;
  std::optional<TTick> pending_;
  bool running_ = false;
  bool cancelled_ = false;
};

// The loop thread: wakes about every 15 ms by the clock, applies the tick rule and hands accepted ticks to the main
// thread through the gate.
class TLoopThread : public ITickSource {
 public:
  TLoopThread(IClock& clock, TTickGate& gate);
  // Tells the thread to stop, releases it from the gate and waits for it.
  ~TLoopThread() override;
  TLoopThread(const TLoopThread&) = delete;
  TLoopThread& operator=(const TLoopThread&) = delete;

  void Start();
  void Suspend() override;
  void Resume() override;
  void Terminate();

 private:
  void execute();

  IClock& clock_;
  TTickGate& gate_;
  std::mutex mutex_;
  std::condition_variable stop_event_;
  bool terminated_ = false;
  bool suspended_ = false;
  std::thread thread_;
};

}  // namespace velk
