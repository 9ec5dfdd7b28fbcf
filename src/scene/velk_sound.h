#pragma once
// A sound or music: an item of the media manager its source's name selects (MIDI, media player, Ogg/wave or CD
// audio), with volume, balance, repeat, fades and the play states of the media commands. A sound that ends without
// repeat raises PR_ONPLAYEND, or destroys itself with PR_AUTOSCRAP.
#include <cstdint>
#include <string>

#include "scene/media_playback.h"
#include "scene/velk_object.h"

namespace velk {

class TVelkSound : public TVelkComponent {
 public:
  explicit TVelkSound(TVelkBaseList* owner) : TVelkComponent(owner) {}

  uint8_t ComponentType() const override { return VT_SOUND; }
  bool GetProp(int32_t id, TPropValue& value) const override;
  bool SetProp(int32_t id, const TPropValue& value) override;
  // A vanishing component runs its fade-out even when paused, so that it goes (and a stop that waits for it ends).
  bool Paused() const override { return Playback.Paused() && Playback.State() != TMediaPlayback::kVanish; }
  bool Update() override;

  int32_t PlayState() const override { return Playback.State(); }
  void SetPlayState(int32_t state) override;
  void Play() override;

  const std::string& Source() const { return source_; }
  // Hands back the old item and makes one for the file: none for a name no manager plays, for a missing file
  // (other than a CD track) or before the media have started. Damaged data raises the manager's error.
  void SetSource(const std::string& source);

  void SaveToStream(TStream& s) const override;
  void LoadFromStream(TStream& s, int32_t version, int32_t depth = 0) override;

  int32_t Index = -1;
  bool AutoScrap = false;
  std::string OnPlayEnd;
  bool RewindOnLoad = true;
  bool MuteOnLoad = false;
  TMediaPlayback Playback;

 private:
  std::string source_;
};

}  // namespace velk
