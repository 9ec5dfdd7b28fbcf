#pragma once
// The MIDI manager's song player on this player: the MIDI player sending to the software synthesiser, which plays
// into the one audio mixer.
#include <cstdint>
#include <vector>

#include "media/device_managers.h"
#include "media/midi_player.h"
#include "media/midi_synth.h"

namespace velk {

class TSynthSongPlayer : public IMidiSongPlayer {
 public:
  // mixer: where the open port plays (null: nowhere). run_timer false: the player's Tick is the caller's. silent:
  // the port builds no synthesiser (songs keep their timing, nothing sounds).
  TSynthSongPlayer(TAudioMixer* mixer, IClock& clock, bool run_timer = true, bool silent = false)
      : synth_(mixer, {}, silent), player_(synth_, clock, run_timer) {}

  // A damaged song (or one without events) does not load.
  bool Load(const std::vector<uint8_t>& song) override;
  bool Open(int32_t port) override { return player_.Open(port); }
  void Close() override { player_.Close(); }
  bool IsOpen() const override { return player_.IsOpen(); }
  void Reset() override { player_.ResetDevice(); }
  void Play(int32_t from_ms) override { player_.PlayFrom(from_ms); }
  void Stop() override { player_.Stop(); }
  bool IsPlaying() const override { return player_.IsPlaying(); }
  int32_t PositionMs() const override { return player_.Position(); }
  int32_t LengthMs() const override { return player_.Length(); }
  // Channel volume is controller 7.
  void SetVolumeScale(int32_t percent) override { player_.SetControllerScale(7, percent); }

  TMidiPlayV& Player() { return player_; }

 private:
  TSynthMidiOut synth_;  // outlives the player, which closes it
  TMidiPlayV player_;
};

}  // namespace velk
