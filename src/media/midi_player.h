#pragma once
// The MIDI player: one song at a time, sent to a MIDI output port by a timer thread every 10 ms. It plays from a
// position (chasing controllers and program changes), repeats the whole song, scales controllers per controller (the
// items' volume) and sends system-exclusive messages as long messages.
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "media/midi_output.h"
#include "media/midi_song.h"
#include "media/midi_timer.h"
#include "platform/platform.h"
#include "vfs/stream.h"

namespace velk {

class TMidiPlayV {
 public:
  static constexpr int32_t kTimerInterval = 10;
  // How long the player waits for the port to finish its long messages.
  static constexpr uint32_t kLongWaitMs = 30000;

  // run_timer false: the timer thread is not started and Tick is the caller's (tests on a virtual clock).
  TMidiPlayV(IMidiOut& out, IClock& clock, bool run_timer = true);
  ~TMidiPlayV();
  TMidiPlayV(const TMidiPlayV&) = delete;
  TMidiPlayV& operator=(const TMidiPlayV&) = delete;

  // Stops, reads the song from the stream (the cursor and the clock go to 0) and sets controller 7 of every
  // channel to 127. A damaged file or a song without events throws EFormatError.
  void LoadFromStream(TStream& stream);
  // port: -1 for the default device, else the device index. False when the port does not open.
  bool Open(int32_t port);
  void Close();
  // Sends General MIDI system on, after the pending long messages are done, and waits until it is done.
  void ResetDevice();
  void PlayFrom(int32_t ms);
  void Stop();

  bool IsOpen() const { return open_; }
  bool IsPlaying() const { return timer_->Enabled(); }
  bool IsEnd() const;
  int32_t Position() const { return clock_ms_; }
  int32_t Length() const { return song_.Length(); }
  bool AutoRepeat() const { return auto_repeat_; }
  void SetAutoRepeat(bool repeat) { auto_repeat_ = repeat; }
  // Scales every later send of the controller, on all 16 channels, by percent; sends it now when playing.
  void SetControllerScale(int32_t controller, int32_t percent);
  // The song's last value of a controller (before scaling).
  int32_t ControllerValue(int32_t channel, int32_t controller) const;
  const std::vector<TMidiDevice>& Devices() const { return devices_; }
  const TMidiV& Song() const { return song_; }
  size_t PendingLongMessages() const;

  // The timer's callback: advances the song clock and sends the events that are due.
  void Tick();

 private:
  void Send(const TMidiMsgEvent& e);
  void SendController(int32_t channel, int32_t controller);
  void SendLong(const std::vector<uint8_t>& bytes);
  void LongDone(uint32_t id);
  void WaitLongDone();
  void AllNotesOff();
  void ChaseTo(int32_t target);
  int32_t TargetIndex(int32_t ms) const;

  IMidiOut& out_;
  IClock& clock_;
  TMidiV song_;
  std::vector<TMidiDevice> devices_;
  std::atomic<int32_t> cursor_{0};
  std::atomic<int32_t> clock_ms_{0};
  uint32_t last_tick_time_ = 0;
  std::atomic<bool> open_{false};
  std::atomic<bool> auto_repeat_{false};
  // Touched by the tick and, inside an exclusive section, by the main thread.
  std::array<std::array<int32_t, 128>, 16> controllers_{};
  std::array<std::array<int32_t, 128>, 16> scales_{};
  // Long messages sent and not yet reported done; the port reports from its own thread.
  mutable std::mutex pending_lock_;
  std::condition_variable pending_done_;
  std::vector<uint32_t> pending_;
  uint32_t next_long_id_ = 1;
  std::unique_ptr<TMMTimer> timer_;
};

}  // namespace velk
