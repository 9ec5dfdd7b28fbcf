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
  int32_t MasterVolume = 100;     // "Sound"/"MasterVolume", percent of full amplitude, 0 .. 100
  bool MuteWhenInactive = true;   // "Sound"/"MuteWhenInactive": silent while the window has not the focus
};

// The master volume's percent of amplitude in hundredths of a decibel, as the mixer takes it (0 %: silent).
int32_t MasterVolumeHundredthsDb(int32_t percent);

// Reads the settings; without the file the defaults apply. DelayTime is truncated to a multiple of 100, then clamped
// to 100 .. 500. MasterVolume is clamped to 0 .. 100.
TGameSettings ReadGameSettings(const std::string& path);

}  // namespace velk
