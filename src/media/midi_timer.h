#pragma once
// The timer of the MIDI player: a thread that calls its callback every interval while enabled. An exclusive
// section holds the callback off and waits for a running one to finish, so that the main thread can change the song,
// the cursor or the port safely.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace velk {

class TMMTimer {
 public:
  // The thread is not started until Resume; disabled, it idles.
  explicit TMMTimer(std::function<void()> callback);
  ~TMMTimer();
  TMMTimer(const TMMTimer&) = delete;
  TMMTimer& operator=(const TMMTimer&) = delete;

  // Starts the thread when it has not run yet.
  void Resume();
  bool Running() const;
  void SetEnabled(bool enabled);
  bool Enabled() const;
  void SetInterval(int32_t ms);
  int32_t Interval() const;

  // The exclusive section; sections nest. Only the main thread enters them.
  void EnterExclusive();
  void LeaveExclusive();

 private:
  void Execute();

  std::function<void()> callback_;
  mutable std::mutex lock_;
  std::condition_variable wake_;  // wakes the thread early: termination
  std::condition_variable idle_;  // a callback has finished
  bool enabled_ = false;
  int32_t interval_ = 100;
  int hold_ = 0;       // depth of the exclusive sections
  bool busy_ = false;  // a callback runs
  bool terminated_ = false;
  std::thread thread_;
};

// An exclusive section for the length of a scope.
class TMidiExclusive {
 public:
  explicit TMidiExclusive(TMMTimer& timer) : timer_(timer) { timer_.EnterExclusive(); }
  ~TMidiExclusive() { timer_.LeaveExclusive(); }
  TMidiExclusive(const TMidiExclusive&) = delete;
  TMidiExclusive& operator=(const TMidiExclusive&) = delete;

 private:
  TMMTimer& timer_;
};

}  // namespace velk
