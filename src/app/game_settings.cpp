#include "app/game_settings.h"

#include <algorithm>
#include <cmath>

#include "app/ini_file.h"
#include "vfs/stream.h"

namespace velk {

TGameSettings ReadGameSettings(const std::string& path) {
  TGameSettings s;
  if (!FileExists(path)) return s;
  TIniFile ini(path);
  s.DirectSound = ini.ReadBool("Sound", "DirectSound", true);
  s.DelayTime = std::clamp(ini.ReadInteger("Sound", "DelayTime", 500) / 100 * 100, 100, 500);
  s.UseWMP = ini.ReadBool("Video", "UseWMP", false);
  s.MasterVolume = std::clamp(ini.ReadInteger("Sound", "MasterVolume", 100), 0, 100);
  s.MuteWhenInactive = ini.ReadBool("Sound", "MuteWhenInactive", true);
  return s;
}

int32_t MasterVolumeHundredthsDb(int32_t percent) {
  if (percent <= 0) return -10000;
  if (percent >= 100) return 0;
  return std::max<int32_t>(-10000, static_cast<int32_t>(std::lround(2000.0 * std::log10(percent / 100.0))));
}

}  // namespace velk
