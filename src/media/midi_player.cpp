#include "media/midi_player.h"

#include <algorithm>
#include <chrono>

#include "base/error.h"

namespace velk {
namespace {

const std::vector<uint8_t> kGmSystemOn = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
constexpr int32_t kChannelVolume = 7;
constexpr uint8_t kAllNotesOff = 123;
// A GS reset met during a chase is given this long to settle.
constexpr uint32_t kGsResetSettleMs = 10;

uint32_t ShortMessage(uint8_t status, uint8_t data1, uint8_t data2) {
  return status | static_cast<uint32_t>(data1) << 8 | static_cast<uint32_t>(data2) << 16;
}

}  // namespace

TMidiPlayV::TMidiPlayV(IMidiOut& out, IClock& clock, bool run_timer)
    : out_(out), clock_(clock), devices_(out.Devices()), timer_(std::make_unique<TMMTimer>([this] { Tick(); })) {
  for (auto& channel : scales_) channel.fill(100);
  timer_->SetInterval(kTimerInterval);
  timer_->SetEnabled(false);
  if (run_timer) timer_->Resume();
}

TMidiPlayV::~TMidiPlayV() {
  // The timer goes first: its callback uses everything else.
  timer_.reset();
  if (open_) {
    out_.Reset();
    out_.Close();
  }
}

void TMidiPlayV::LoadFromStream(TStream& stream) {
  TMidiExclusive exclusive(*timer_);
  Stop();
  cursor_ = 0;
  clock_ms_ = 0;
  song_.LoadFromStream(stream);
  if (song_.Events().empty()) throw EFormatError("damaged MIDI file: a song without events");
  for (auto& channel : controllers_) channel[kChannelVolume] = 127;
}

bool TMidiPlayV::Open(int32_t port) {
  TMidiExclusive exclusive(*timer_);
  if (open_) return true;
  if (!out_.Open(port, [this](uint32_t id) { LongDone(id); })) return false;
  open_ = true;
  return true;
}

void TMidiPlayV::Close() {
  if (!open_) return;
  Stop();
  TMidiExclusive exclusive(*timer_);
  timer_->SetEnabled(false);
  out_.Reset();
  {
    std::lock_guard<std::mutex> lock(pending_lock_);
    pending_.clear();
  }
  pending_done_.notify_all();
  out_.Close();
  open_ = false;
}

void TMidiPlayV::ResetDevice() {
  WaitLongDone();
  SendLong(kGmSystemOn);
  WaitLongDone();
}

bool TMidiPlayV::IsEnd() const { return !auto_repeat_ && cursor_ >= static_cast<int32_t>(song_.Events().size()); }

int32_t TMidiPlayV::ControllerValue(int32_t channel, int32_t controller) const {
  if (channel < 0 || channel > 15 || controller < 0 || controller > 127) return 0;
  return controllers_[channel][controller];
}

size_t TMidiPlayV::PendingLongMessages() const {
  std::lock_guard<std::mutex> lock(pending_lock_);
  return pending_.size();
}

void TMidiPlayV::SetControllerScale(int32_t controller, int32_t percent) {
  if (controller < 0 || controller > 127) return;
  for (int32_t channel = 0; channel < 16; ++channel) {
    TMidiExclusive exclusive(*timer_);
    scales_[channel][controller] = percent;
    if (IsPlaying()) SendController(channel, controller);
  }
}

void TMidiPlayV::SendController(int32_t channel, int32_t controller) {
  if (!open_) return;
  int32_t value = controllers_[channel][controller] * scales_[channel][controller] / 100;
  value = std::clamp(value, 0, 127);
  out_.ShortMsg(ShortMessage(static_cast<uint8_t>(0xB0 + channel), static_cast<uint8_t>(controller),
                             static_cast<uint8_t>(value)));
}

void TMidiPlayV::Send(const TMidiMsgEvent& e) {
  if (!open_) return;
  if (e.Class == kMidiSystemExclusive) {
    SendLong(e.Bytes);
    return;
  }
  if (e.Class != kMidiChannelMessage || e.Bytes.size() < 2) return;
  // Data bytes keep their seven bits, so that a damaged byte never indexes past the controller tables.
  uint8_t data1 = e.Bytes[1] & 0x7F;
  uint8_t data2 = e.Bytes.size() > 2 ? e.Bytes[2] & 0x7F : 0;
  if (e.Kind == mkControlChange) {
    controllers_[e.Channel()][data1] = data2;
    SendController(e.Channel(), data1);
    return;
  }
  out_.ShortMsg(ShortMessage(e.Status(), data1, data2));
}

void TMidiPlayV::SendLong(const std::vector<uint8_t>& bytes) {
  if (!open_) return;
  uint32_t id;
  {
    std::lock_guard<std::mutex> lock(pending_lock_);
    id = next_long_id_++;
    pending_.push_back(id);
  }
  out_.LongMsg(id, bytes);
}

void TMidiPlayV::LongDone(uint32_t id) {
  {
    std::lock_guard<std::mutex> lock(pending_lock_);
    pending_.erase(std::remove(pending_.begin(), pending_.end(), id), pending_.end());
  }
  pending_done_.notify_all();
}

void TMidiPlayV::WaitLongDone() {
  std::unique_lock<std::mutex> lock(pending_lock_);
  pending_done_.wait_for(lock, std::chrono::milliseconds(kLongWaitMs), [this] { return pending_.empty(); });
}

void TMidiPlayV::AllNotesOff() {
  if (!open_) return;
  for (uint8_t channel = 0; channel < 16; ++channel)
    out_.ShortMsg(ShortMessage(static_cast<uint8_t>(0xB0 + channel), kAllNotesOff, 0));
}

void TMidiPlayV::Tick() {
  const TMidiMsgEvents& events = song_.Events();
  const int32_t count = static_cast<int32_t>(events.size());
  if (cursor_ >= count) return;
  uint32_t now = clock_.Milliseconds();
  uint32_t elapsed = std::min<uint32_t>(1000, now - last_tick_time_);
  clock_ms_ += static_cast<int32_t>(elapsed);
  last_tick_time_ = now;
  // Every event is sent, the last one too; after it the song repeats or ends.
  while (cursor_ < count) {
    const TMidiMsgEvent& e = events[cursor_];
    if (e.Time >= clock_ms_) break;
    Send(e);
    ++cursor_;
    if (cursor_ == count && auto_repeat_) {
      AllNotesOff();
      cursor_ = 0;
      clock_ms_ = events.front().Time;
    }
  }
}

int32_t TMidiPlayV::TargetIndex(int32_t ms) const {
  const TMidiMsgEvents& events = song_.Events();
  auto equal = std::find_if(events.begin(), events.end(), [&](const TMidiMsgEvent& e) { return e.Time == ms; });
  if (equal != events.end()) return static_cast<int32_t>(equal - events.begin());
  auto above = std::find_if(events.begin(), events.end(), [&](const TMidiMsgEvent& e) { return e.Time > ms; });
  if (above == events.end() || above == events.begin()) return 0;
  return static_cast<int32_t>(above - events.begin()) - 1;
}

void TMidiPlayV::ChaseTo(int32_t target) {
  const TMidiMsgEvents& events = song_.Events();
  while (cursor_ < target) {
    const TMidiMsgEvent& e = events[cursor_];
    clock_ms_ = e.Time;
    if (e.Kind != mkNoteOn && e.Kind != mkNoteOff) Send(e);
    if (e.Kind == mkGsReset) clock_.Sleep(kGsResetSettleMs);
    ++cursor_;
  }
}

void TMidiPlayV::PlayFrom(int32_t ms) {
  TMidiExclusive exclusive(*timer_);
  timer_->SetEnabled(false);
  int32_t target = TargetIndex(ms);
  if (target < cursor_) {
    AllNotesOff();
    cursor_ = 0;
    clock_ms_ = 0;
    ChaseTo(target);
  } else if (cursor_ < target) {
    AllNotesOff();
    ChaseTo(target);
  }
  last_tick_time_ = clock_.Milliseconds();
  timer_->SetEnabled(true);
}

void TMidiPlayV::Stop() {
  if (!timer_->Enabled()) return;
  TMidiExclusive exclusive(*timer_);
  WaitLongDone();
  timer_->SetEnabled(false);
  clock_.Sleep(1);
  AllNotesOff();
}

}  // namespace velk
