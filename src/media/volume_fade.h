#pragma once
// Volume fades of sounds and videos, and the scale of the components' volume property. A fade runs once per frame
// on the game clock until it answers that it has finished.
#include <algorithm>
#include <cstdint>

#include "media/media_item.h"

namespace velk {

// The item volume (hundredths of a decibel) of a component volume 0 .. 1000: MIDI items Volume x 10 - 10000;
// every other item -10000 at 0 or below, Volume x 5 - 5000 from 1 to 1000, 0 above.
int32_t ItemVolumeOf(int32_t volume, bool midi);

class TVelkMixer {
 public:
  TVelkMixer(TDMediaItem& item, int32_t start_volume, int32_t end_volume, int32_t duration)
      : item_(item), start_volume_(start_volume), end_volume_(end_volume), duration_(duration) {}
  virtual ~TVelkMixer() = default;
  // One step at the game clock's time now (ms); true when the fade has finished.
  virtual bool Step(int32_t now) = 0;

 protected:
  // The volume at now by linear interpolation over the duration (the end volume once it has passed).
  int32_t volume_at(int32_t now) const;
  bool passed(int32_t now) const;

  TDMediaItem& item_;
  int32_t start_volume_;
  int32_t end_volume_;
  int32_t duration_;
  bool started_ = false;
  int32_t start_time_ = 0;
};

// From silence to the item's volume; the first step silences the item and starts it.
class TVelkMixerFadein : public TVelkMixer {
 public:
  TVelkMixerFadein(TDMediaItem& item, int32_t end_volume, int32_t duration)
      : TVelkMixer(item, -10000, end_volume, duration) {}
  bool Step(int32_t now) override;
};

// From the item's current volume to silence.
class TVelkMixerFadeout : public TVelkMixer {
 public:
  TVelkMixerFadeout(TDMediaItem& item, int32_t duration) : TVelkMixer(item, item.GetVolume(), -10000, duration) {}
  bool Step(int32_t now) override;
};

}  // namespace velk
