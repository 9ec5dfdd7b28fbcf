#pragma once
// Where the player's window was, per game: its position and size on the desktop and its scale, kept in the user's
// configuration folder so that the next run of the same game opens the window there again.
#include <cstdint>
#include <string>

#include "base/rect.h"

namespace velk {

struct TWindowPlacement {
  TRect Bounds;       // the window's client area on the desktop, in desktop pixels
  int32_t Scale = 1;  // the scale asked for (a whole factor, or 0: fit)
};

// $XDG_CONFIG_HOME/velkplayer/windows.ini, else ~/.config/velkplayer/windows.ini.
std::string PlacementFile();
// The game's key in that file: the absolute path of its folder.
std::string PlacementKey(const std::string& game_folder);
// False when nothing usable is stored for the game (no entry, or sizes out of range).
bool LoadPlacement(const std::string& file, const std::string& key, TWindowPlacement& out);
// Makes the folder when needed; false when the file cannot be written.
bool SavePlacement(const std::string& file, const std::string& key, const TWindowPlacement& placement);

}  // namespace velk
