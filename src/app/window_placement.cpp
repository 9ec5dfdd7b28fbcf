#include "app/window_placement.h"

#include <limits.h>
#include <sys/stat.h>

#include <filesystem>
#include <cstdlib>

#include "app/ini_file.h"

namespace velk {

namespace {

// Larger than any screen; keeps a damaged file from asking for an absurd window.
constexpr int32_t kMaxExtent = 16384;

}  // namespace

std::string PlacementFile() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  std::string base;
  if (xdg != nullptr && xdg[0] == '/') {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    base = std::string(home != nullptr && home[0] == '/' ? home : "/tmp") + "/.config";
  }
  return base + "/velkplayer/windows.ini";
}

std::string PlacementKey(const std::string& game_folder) {
  char resolved[PATH_MAX];
  std::string key = ::realpath(game_folder.c_str(), resolved) != nullptr ? resolved : game_folder;
  // A section name ends at "]": such folders share nothing with others but their prefix.
  for (char& c : key) {
    if (c == ']' || c == '\r' || c == '\n') c = '_';
  }
  return key;
}

bool LoadPlacement(const std::string& file, const std::string& key, TWindowPlacement& out) {
  TIniFile ini(file);
  const int32_t w = ini.ReadInteger(key, "Width", 0);
  const int32_t h = ini.ReadInteger(key, "Height", 0);
  const int32_t left = ini.ReadInteger(key, "Left", 0);
  const int32_t top = ini.ReadInteger(key, "Top", 0);
  const int32_t scale = ini.ReadInteger(key, "Scale", -1);
  if (w <= 0 || h <= 0 || w > kMaxExtent || h > kMaxExtent || scale < 0 || scale > 16) return false;
  if (left < -kMaxExtent || left > kMaxExtent || top < -kMaxExtent || top > kMaxExtent) return false;
  out.Bounds = Bounds(left, top, w, h);
  out.Scale = scale;
  return true;
}

bool SavePlacement(const std::string& file, const std::string& key, const TWindowPlacement& placement) {
  const size_t slash = file.find_last_of('/');
  std::error_code ec;
  if (slash != std::string::npos) std::filesystem::create_directories(file.substr(0, slash), ec);
  TIniFile ini(file);
  ini.WriteInteger(key, "Left", placement.Bounds.Left);
  ini.WriteInteger(key, "Top", placement.Bounds.Top);
  ini.WriteInteger(key, "Width", placement.Bounds.Width());
  ini.WriteInteger(key, "Height", placement.Bounds.Height());
  ini.WriteInteger(key, "Scale", placement.Scale);
  return ini.Save();
}

}  // namespace velk
