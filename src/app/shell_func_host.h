#pragma once
// The player's side of the system functions that reach outside the game: the file and folder dialogs, opening a web
// address or a folder with the desktop, the wallpaper, copies of game files into memory entries ("mem:" and "save:"
// names), extracting game files to a disk folder, and pictures of the screen. Every other function goes on to the
// scene's host.
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "expr/sys_func_man.h"
#include "platform/platform.h"
#include "platform/window.h"

namespace velk {

class TVrFileManager;

// Whether a file name matches a pattern of the system's wild cards: * any run of characters, ? one character
// (double-byte characters count as one); single-byte letters match ignoring case.
bool MatchesWildcard(std::string_view name, std::string_view pattern);

// The user's documents folder, where the dialogs start: $XDG_DOCUMENTS_DIR, else ~/Documents (with a trailing "/").
std::string DocumentsFolder();

class TShellFuncHost : public ISysFuncHost {
 public:
  // platform: its shell, message boxes (the overwrite question) and per-user folder (the wallpaper's copy);
  // files: the game's files, whose collection 0 is the memory collection; base_folder: the game's folder on disk
  // (folders OpenUrl may open and ExtractFile may write into lie below it).
  TShellFuncHost(ISysFuncHost* next, const TPlatform& platform, TVrFileManager* files, std::string base_folder);

  // The game's screen as it is now, for SaveScreen; without it SaveScreen fails.
  void SetScreen(std::function<TFrameView()> screen) { screen_ = std::move(screen); }
  // The full-screen modes the screen manager offers, for GetDisplayMode; without it no mode exists.
  void SetDisplayModes(std::function<std::vector<TDisplayMode>()> modes) { modes_ = std::move(modes); }

  uint8_t PropertyType(int32_t prop) const override;
  bool Call(uint8_t number, TCustomParam& target, std::span<TCustomParam* const> args) override;

 private:
  bool choose(uint8_t number, TCustomParam& target, std::span<TCustomParam* const> args);
  bool open_url(const std::string& target_cp932);
  bool set_wallpaper(const std::string& name, int32_t style);
  bool read_game_file(const std::string& name, std::string& bytes);
  bool extract(std::span<TCustomParam* const> args);
  bool save_screen(std::span<TCustomParam* const> args);
  void store_memory_entry(const std::string& name, const void* data, int32_t size);

  ISysFuncHost* next_;
  IShell* shell_;
  IMessageBoxes* boxes_;
  TVrFileManager* files_;
  std::string base_folder_;
  std::string user_folder_;
  std::function<TFrameView()> screen_;
  std::function<std::vector<TDisplayMode>()> modes_;
};

}  // namespace velk
