#pragma once
// What sounds and videos share: the media item they play (owned by its manager, handed back on release), the
// settings a script gives it, the volume fades, the play states and the end of a run. Times are the game clock's.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "media/media_item.h"
#include "media/volume_fade.h"

namespace velk {

class TStream;

class TMediaPlayback {
 public:
  // Play states: 0 playing (started at once), 1 playing (started with a fade-in), 2 released, 3 vanishing.
  static constexpr int32_t kPlay = 0;
  static constexpr int32_t kFadeIn = 1;
  static constexpr int32_t kReleased = 2;
  static constexpr int32_t kVanish = 3;

  // What one frame brought.
  enum class TEvent { None, Ended, Vanished };

  using TRelease = std::function<void(TDMediaItem*)>;

  TMediaPlayback() = default;
  ~TMediaPlayback() { Release(); }
  TMediaPlayback(const TMediaPlayback&) = delete;
  TMediaPlayback& operator=(const TMediaPlayback&) = delete;

  // Takes a new item (null: none) after handing back the old one, and gives it the current settings. midi selects
  // the volume scale of MIDI items.
  void Attach(TDMediaItem* item, bool midi, TRelease release);
  // Hands the item back to its manager; the component has no item afterwards.
  void Release();
  TDMediaItem* Item() const { return item_; }

  int32_t Volume() const { return volume_; }
  // Component volume 0 .. 1000 (see ItemVolumeOf); a write also ends the silence of a game loaded muted.
  void SetVolume(int32_t volume);
  int32_t Balance() const { return balance_; }
  void SetBalance(int32_t balance);
  bool Repeat() const { return repeat_; }
  void SetRepeat(bool repeat);
  int32_t RepeatPos() const { return repeat_pos_; }
  void SetRepeatPos(int32_t ms);
  bool Paused() const { return paused_; }
  void SetPaused(bool paused);
  int32_t Delay = 0;

  int32_t State() const { return state_; }
  // Play state 0 starts the item at its volume; 1 starts it with a fade-in over Delay ms when Delay > 0.
  void Start(int32_t state, int32_t now);
  // From the beginning: position 0, the end forgotten, state 1 (fading in when Delay > 0).
  void Restart(int32_t now);
  // State 3: a fade-out over Delay ms; Update answers Vanished when it is over (at once without an item).
  void FadeOut(int32_t now);
  // Steps a running fade and notices the end of a run without repeat (once per run).
  TEvent Update(int32_t now);
  bool Playing() const { return item_ != nullptr && item_->IsPlaying(); }

  // The record shared by sounds and videos: volume, balance, repeat and its position, pause, fade time, play state,
  // whether it played and where.
  void Save(TStream& s) const;
  void Load(TStream& s);
  // After the item of a loaded record is attached: a run that played goes on (from the saved position unless
  // rewind), silent when mute.
  void ResumeLoaded(bool rewind, bool mute, int32_t now);

 private:
  int32_t item_volume() const { return ItemVolumeOf(volume_, midi_); }
  void play_now();

  TDMediaItem* item_ = nullptr;
  TRelease release_;
  bool midi_ = false;
  std::unique_ptr<TVelkMixer> fade_;
  int32_t volume_ = 0;
  int32_t balance_ = 0;
  bool repeat_ = false;
  int32_t repeat_pos_ = 0;
  bool paused_ = false;
  int32_t state_ = kPlay;
  bool started_ = false;  // a play was asked for (an unpaused item plays on)
  bool ended_ = false;    // the end of this run was reported
  bool muted_ = false;    // loaded muted: silent until the volume is written
  // From a loaded record.
  bool loaded_playing_ = false;
  int32_t loaded_position_ = 0;
};

class TVelkObject;

// The play states of a sound or video component (its SetPlayState): 0 and 1 start, 2 releases the item, 3 renames
// the component to 0x01 "SCRAP_" and its old name (scripts no longer find it and it is not saved) and fades out.
void SetMediaPlayState(TVelkObject& component, TMediaPlayback& playback, int32_t state, int32_t now);

}  // namespace velk
