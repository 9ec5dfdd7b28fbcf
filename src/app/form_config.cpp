#include "app/form_config.h"

#include <algorithm>

namespace velk {

TFormConfig::TFormConfig(const std::string& ini_path) : ini_(ini_path) {
  direct_sound_ = ini_.ReadBool("Sound", "DirectSound", true);
  SetPosition(ini_.ReadInteger("Sound", "DelayTime", 500) / 100);
}

std::string TFormConfig::ValueLabel() const { return std::to_string(position_ * 100) + "ms"; }

void TFormConfig::ClickDirectSound() { direct_sound_ = !direct_sound_; }

void TFormConfig::SetPosition(int32_t position) { position_ = std::clamp(position, kMinPosition, kMaxPosition); }

bool TFormConfig::Ok() {
  ini_.WriteBool("Sound", "DirectSound", direct_sound_);
  ini_.WriteInteger("Sound", "DelayTime", position_ * 100);
  running_ = false;
  return ini_.Save();
}

}  // namespace velk
