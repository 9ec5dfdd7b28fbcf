#include "app/loop_thread.h"

#include <chrono>

namespace velk {

void ApplyTick(TProcessValues& values, const TTick& tick) {
  values.GameClock += tick.Delta;
  values.FrameDelta = tick.Delta;
  values.LastTickTime = tick.Time;
}

std::optional<TTick> TTickCounter::Tick(uint32_t now) {
  uint32_t d = now - last_;
  last_ = now;
  gap_ = d >= kTickGap;
  if (gap_) return std::nullopt;
  return TTick{static_cast<int32_t>(d), now};
}

uint32_t TTickCounter::Wait(uint32_t now) const {
  uint32_t since = now - last_;
  if (gap_ || since >= static_cast<uint32_t>(kTickPeriod)) return 1;
  return static_cast<uint32_t>(kTickPeriod) - since;
}

bool TTickGate::RunOnMain(const TTick& tick) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (cancelled_) return false;
  pending_ = tick;
  if (wake_) wake_();
  done_.wait(lock, [this] { return cancelled_ || (!pending_ && !running_); });
  return !cancelled_;
}

bool TTickGate::RunPending(const std::function<void(const TTick&)>& handler) {
  TTick tick;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    // A tick already running (a modal loop inside a frame pumps again) is never started a second time.
    if (!pending_ || running_) return false;
    tick = *pending_;
    running_ = true;
  }
  handler(tick);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    pending_.reset();
    running_ = false;
  }
  done_.notify_all();
  return true;
}

void TTickGate::Cancel() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    cancelled_ = true;
  }
  done_.notify_all();
}

bool TTickGate::Cancelled() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return cancelled_;
}

TLoopThread::TLoopThread(IClock& clock, TTickGate& gate) : clock_(clock), gate_(gate) {}

TLoopThread::~TLoopThread() { Terminate(); }

void TLoopThread::Start() {
  if (!thread_.joinable()) thread_ = std::thread([this] { execute(); });
}

void TLoopThread::Suspend() {
  std::lock_guard<std::mutex> lock(mutex_);
  suspended_ = true;
}

void TLoopThread::Resume() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    suspended_ = false;
  }
  stop_event_.notify_all();
}

void TLoopThread::Terminate() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    terminated_ = true;
    suspended_ = false;
  }
  stop_event_.notify_all();
  gate_.Cancel();
  if (thread_.joinable()) thread_.join();
}

void TLoopThread::execute() {
  TTickCounter counter(clock_.Milliseconds());
  std::unique_lock<std::mutex> lock(mutex_);
  while (!terminated_) {
    // The stop event: anything but a time-out ends the loop. A suspended thread waits here until resumed.
    auto wait = std::chrono::milliseconds(counter.Wait(clock_.Milliseconds()));
    if (stop_event_.wait_for(lock, wait, [this] { return terminated_; })) break;
    stop_event_.wait(lock, [this] { return terminated_ || !suspended_; });
    if (terminated_) break;
    lock.unlock();
    std::optional<TTick> tick = counter.Tick(clock_.Milliseconds());
    bool handed = !tick || gate_.RunOnMain(*tick);
    lock.lock();
    if (!handed) break;
  }
}

}  // namespace velk
