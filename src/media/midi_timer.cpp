#include "media/midi_timer.h"

#include <chrono>

namespace velk {

TMMTimer::TMMTimer(std::function<void()> callback) : callback_(std::move(callback)) {}

TMMTimer::~TMMTimer() {
  {
    std::lock_guard<std::mutex> lock(lock_);
    terminated_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void TMMTimer::Resume() {
  std::lock_guard<std::mutex> lock(lock_);
  if (!thread_.joinable() && !terminated_) thread_ = std::thread([this] { Execute(); });
}

bool TMMTimer::Running() const {
  std::lock_guard<std::mutex> lock(lock_);
  return thread_.joinable() && !terminated_;
}

void TMMTimer::SetEnabled(bool enabled) {
  std::lock_guard<std::mutex> lock(lock_);
  enabled_ = enabled;
}

bool TMMTimer::Enabled() const {
  std::lock_guard<std::mutex> lock(lock_);
  return enabled_;
}

void TMMTimer::SetInterval(int32_t ms) {
  std::lock_guard<std::mutex> lock(lock_);
  interval_ = ms > 0 ? ms : 1;
}

int32_t TMMTimer::Interval() const {
  std::lock_guard<std::mutex> lock(lock_);
  return interval_;
}

// A disabled or held timer waits on its condition with the lock released, so it is never parked while it holds
// the lock or runs a callback.
void TMMTimer::Execute() {
  std::unique_lock<std::mutex> lock(lock_);
  while (!terminated_) {
    wake_.wait_for(lock, std::chrono::milliseconds(interval_), [this] { return terminated_; });
    if (terminated_) break;
    if (!enabled_ || hold_ > 0) continue;
    busy_ = true;
    lock.unlock();
    callback_();
    lock.lock();
    busy_ = false;
    idle_.notify_all();
  }
}

void TMMTimer::EnterExclusive() {
  std::unique_lock<std::mutex> lock(lock_);
  ++hold_;
  idle_.wait(lock, [this] { return !busy_; });
}

void TMMTimer::LeaveExclusive() {
  std::lock_guard<std::mutex> lock(lock_);
  --hold_;
}

}  // namespace velk
