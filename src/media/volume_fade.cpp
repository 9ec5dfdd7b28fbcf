#include "media/volume_fade.h"

namespace velk {

int32_t ItemVolumeOf(int32_t volume, bool midi) {
  if (midi) return volume * 10 - 10000;
  if (volume <= 0) return -10000;
  if (volume > 1000) return 0;
  return volume * 5 - 5000;
}

bool TVelkMixer::passed(int32_t now) const { return now - start_time_ >= duration_; }

int32_t TVelkMixer::volume_at(int32_t now) const {
  // A fade of no duration (or one whose time has passed) is at its end; nothing divides by a zero duration.
  if (duration_ <= 0 || passed(now)) return end_volume_;
  const int64_t t = std::max(now - start_time_, 0);
  return static_cast<int32_t>(start_volume_ + (int64_t{end_volume_} - start_volume_) * t / duration_);
}

bool TVelkMixerFadein::Step(int32_t now) {
  if (!started_) {
    started_ = true;
    start_time_ = now;
    item_.SetVolume(-10000);
    item_.Play();
    return false;
  }
  item_.SetVolume(volume_at(now));
  return passed(now);
}

bool TVelkMixerFadeout::Step(int32_t now) {
  if (!started_) {
    started_ = true;
    start_time_ = now;
    return false;
  }
  item_.SetVolume(volume_at(now));
  return passed(now);
}

}  // namespace velk
