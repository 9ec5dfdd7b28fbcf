#include "app/game_settings.h"

#include <algorithm>

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
  return s;
}

}  // namespace velk
