#pragma once
// The player's settings of this machine, stored in game.ini beside the executable.
#include <cstdint>
#include <string>

namespace velk {

constexpr const char* kGameIniName = "game.ini";

struct TGameSettings {
  bool DirectSound = true;  // "Sound"/"DirectSound": sound through the media library's own output
  int32_t DelayTime = 500;  // "Sound"/"DelayTime", ms: sound delay of the wave output path
  bool UseWMP = false;      // "Video"/"UseWMP": video through the embedded media-player control
};

// Reads the settings; without the file the defaults apply. DelayTime is truncated to a multiple of 100, then clamped
// to 100 .. 500.
TGameSettings ReadGameSettings(const std::string& path);

}  // namespace velk
