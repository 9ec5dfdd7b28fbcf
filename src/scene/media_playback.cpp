#include "scene/media_playback.h"

#include <algorithm>

#include "scene/velk_object.h"
#include "vfs/stream_io.h"

namespace velk {

namespace {

// The library's pan runs from all left to all right.
constexpr int32_t kPanLimit = 10000;

}  // namespace

void TMediaPlayback::Attach(TDMediaItem* item, bool midi, TRelease release) {
  Release();
  item_ = item;
  release_ = std::move(release);
  midi_ = midi;
  started_ = false;
  ended_ = false;
  if (!item_) return;
  item_->SetAutoRepeat(repeat_);
  item_->SetRepeatPos(repeat_pos_);
  item_->SetPan(balance_);
  item_->SetVolume(muted_ ? -10000 : item_volume());
}

void TMediaPlayback::Release() {
  fade_.reset();
  TDMediaItem* item = item_;
  item_ = nullptr;
  if (item && release_) release_(item);
  release_ = nullptr;
}

void TMediaPlayback::SetVolume(int32_t volume) {
  volume_ = volume;
  muted_ = false;
  // A running fade owns the volume until it ends.
  if (item_ && !fade_) item_->SetVolume(item_volume());
}

void TMediaPlayback::SetBalance(int32_t balance) {
  balance_ = std::clamp(balance, -kPanLimit, kPanLimit);
  if (item_) item_->SetPan(balance_);
}

void TMediaPlayback::SetRepeat(bool repeat) {
  repeat_ = repeat;
  if (item_) item_->SetAutoRepeat(repeat);
}

void TMediaPlayback::SetRepeatPos(int32_t ms) {
  repeat_pos_ = std::max(ms, 0);
  if (item_) item_->SetRepeatPos(repeat_pos_);
}

void TMediaPlayback::SetPaused(bool paused) {
  if (paused_ == paused) return;
  paused_ = paused;
  if (!item_ || !started_) return;
  if (paused) {
    if (item_->IsPlaying() && !item_->IsPaused()) item_->Pause();
  } else if (!item_->IsPlaying() || item_->IsPaused()) {
    item_->Play();
  }
}

void TMediaPlayback::play_now() {
  started_ = true;
  if (!item_) return;
  if (state_ == kFadeIn && Delay > 0) {
    fade_ = std::make_unique<TVelkMixerFadein>(*item_, muted_ ? -10000 : item_volume(), Delay);
  } else {
    fade_.reset();
    item_->SetVolume(muted_ ? -10000 : item_volume());
    if (!paused_) item_->Play();
  }
}

void TMediaPlayback::Start(int32_t state, int32_t now) {
  state_ = state == kFadeIn ? kFadeIn : kPlay;
  ended_ = false;
  play_now();
  // The fade's first step starts the item in this frame.
  if (fade_) fade_->Step(now);
  if (fade_ && paused_) item_->Pause();
}

void TMediaPlayback::Restart(int32_t now) {
  if (item_) item_->SetPosition(0);
  Start(kFadeIn, now);
}

void TMediaPlayback::FadeOut(int32_t now) {
  state_ = kVanish;
  fade_.reset();
  if (!item_) return;
  fade_ = std::make_unique<TVelkMixerFadeout>(*item_, Delay);
  fade_->Step(now);
}

TMediaPlayback::TEvent TMediaPlayback::Update(int32_t now) {
  if (fade_ && fade_->Step(now)) {
    fade_.reset();
    if (state_ == kVanish) return TEvent::Vanished;
  }
  if (state_ == kVanish) return item_ ? TEvent::None : TEvent::Vanished;
  if (!item_ || state_ == kReleased || repeat_ || ended_ || !started_) return TEvent::None;
  if (!item_->IsEnd()) return TEvent::None;
  ended_ = true;
  return TEvent::Ended;
}

void TMediaPlayback::Save(TStream& s) const {
  WriteInt(s, volume_);
  WriteInt(s, balance_);
  WriteBool(s, repeat_);
  WriteInt(s, repeat_pos_);
  WriteBool(s, paused_);
  WriteInt(s, Delay);
  WriteInt(s, state_);
  // A run that has ended is not resumed.
  WriteBool(s, item_ != nullptr && started_ && !ended_);
  WriteInt(s, item_ ? item_->GetPosition() : 0);
}

void TMediaPlayback::Load(TStream& s) {
  volume_ = ReadInt(s);
  balance_ = std::clamp(ReadInt(s), -kPanLimit, kPanLimit);
  repeat_ = ReadBool(s);
  repeat_pos_ = std::max(ReadInt(s), 0);
  paused_ = ReadBool(s);
  Delay = ReadInt(s);
  const int32_t state = ReadInt(s);
  // Released and vanishing components are not saved; anything else plays.
  state_ = state == kFadeIn ? kFadeIn : kPlay;
  loaded_playing_ = ReadBool(s);
  loaded_position_ = std::max(ReadInt(s), 0);
}

void TMediaPlayback::ResumeLoaded(bool rewind, bool mute, int32_t now) {
  muted_ = mute;
  if (item_) item_->SetVolume(muted_ ? -10000 : item_volume());
  if (!loaded_playing_ || !item_) return;
  if (!rewind) item_->SetPosition(loaded_position_);
  // The fade that ran when the game was saved is not resumed: the item plays at its volume.
  const int32_t state = state_;
  state_ = kPlay;
  Start(kPlay, now);
  state_ = state;
}

void SetMediaPlayState(TVelkObject& component, TMediaPlayback& playback, int32_t state, int32_t now) {
  switch (state) {
    case TMediaPlayback::kPlay:
    case TMediaPlayback::kFadeIn: playback.Start(state, now); break;
    case TMediaPlayback::kReleased: playback.Release(); break;
    case TMediaPlayback::kVanish:
      if (playback.State() == TMediaPlayback::kVanish) return;
      component.SetName(std::string("\x01SCRAP_") + component.Name());
      playback.FadeOut(now);
      break;
    default: break;
  }
}

}  // namespace velk
