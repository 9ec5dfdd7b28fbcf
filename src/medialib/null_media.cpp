#include "medialib/null_media.h"

namespace velk {

VelkHandle TNullItemEntries::Add() {
  VelkHandle h = next_++;
  items_[h] = TState{};
  return h;
}

TNullItemEntries::TState& TNullItemEntries::Item(VelkHandle h) {
  auto it = items_.find(h);
  if (it != items_.end()) return it->second;
  scratch_ = TState{};
  return scratch_;
}

void TNullItemEntries::Play(VelkHandle h) {
  TState& s = Item(h);
  s.Paused = false;
  s.Playing = s.AutoRepeat;
  s.Ended = !s.AutoRepeat;
}

void TNullItemEntries::Pause(VelkHandle h) {
  TState& s = Item(h);
  s.Paused = s.Playing;
  s.Playing = false;
}

void TNullItemEntries::SetAutoRepeat(VelkHandle h, int32_t repeat) {
  TState& s = Item(h);
  s.AutoRepeat = repeat != 0;
  // An item of no length that stops repeating is at its end.
  if (!s.AutoRepeat && s.Playing) {
    s.Playing = false;
    s.Ended = true;
  }
}

VelkHandle TNullVelkMedia::velkOggStrmanAdd(void*, int32_t) {
  VelkHandle h = next_stream_++;
  streams_[h] = true;
  return h;
}

int32_t TNullVelkMedia::velkOggStrGetFormat(VelkHandle h, TVelkWaveFormat& format) {
  if (streams_.count(h) == 0) return 0;
  format = TVelkWaveFormat{1, 2, 44100, 44100 * 4, 4, 16};
  return -1;
}

}  // namespace velk
