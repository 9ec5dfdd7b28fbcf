#include "app/form_config.h"

#include <algorithm>

namespace velk {

TFormConfig::TFormConfig(const std::string& ini_path) : ini_(ini_path) {
  direct_sound_ = ini_.ReadBool("Sound", "DirectSound", true);
  SetPosition(ini_.ReadInteger("Sound", "DelayTime", 500) / 100);
  mute_when_inactive_ = ini_.ReadBool("Sound", "MuteWhenInactive", true);
  SetVolume(ini_.ReadInteger("Sound", "MasterVolume", 100));
}

void TFormConfig::SetVolume(int32_t percent) { volume_ = std::clamp(percent, 0, 100); }

std::string TFormConfig::VolumeLabel() const { return std::to_string(volume_) + "%"; }

std::string TFormConfig::ValueLabel() const { return std::to_string(position_ * 100) + "ms"; }

void TFormConfig::ClickDirectSound() { direct_sound_ = !direct_sound_; }

void TFormConfig::SetPosition(int32_t position) { position_ = std::clamp(position, kMinPosition, kMaxPosition); }

bool TFormConfig::Ok() {
  ini_.WriteBool("Sound", "DirectSound", direct_sound_);
  ini_.WriteInteger("Sound", "DelayTime", position_ * 100);
  // A file that never had the player's audio settings keeps its form while they stay at their defaults.
  auto stored = [this](const char* key) { return ini_.ReadString("Sound", key, "\x01") != "\x01"; };
  if (stored("MasterVolume") || volume_ != 100) ini_.WriteInteger("Sound", "MasterVolume", volume_);
  if (stored("MuteWhenInactive") || !mute_when_inactive_) ini_.WriteBool("Sound", "MuteWhenInactive", mute_when_inactive_);
  running_ = false;
  return ini_.Save();
}

}  // namespace velk
