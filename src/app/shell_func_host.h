#pragma once
// The player's side of the system functions that reach outside the game: the file and folder dialogs, opening a web
// address or a folder with the desktop, the wallpaper, and copies of game files into memory entries ("mem:" and
// "save:" names). Every other function goes on to the scene's host.
#include <cstdint>
#include <span>
#include <string>

#include "expr/sys_func_man.h"
#include "platform/platform.h"

namespace velk {

class TVrFileManager;

// The user's documents folder, where the dialogs start: $XDG_DOCUMENTS_DIR, else ~/Documents (with a trailing "/").
std::string DocumentsFolder();

class TShellFuncHost : public ISysFuncHost {
 public:
  // files: the game's files, whose collection 0 is the memory collection; base_folder: the game's folder on disk
  // (folders OpenUrl may open lie below it); user_folder: where the wallpaper's picture is kept.
  TShellFuncHost(ISysFuncHost* next, IShell* shell, TVrFileManager* files, std::string base_folder,
                 std::string user_folder);

  uint8_t PropertyType(int32_t prop) const override;
  bool Call(uint8_t number, TCustomParam& target, std::span<TCustomParam* const> args) override;

 private:
  bool choose(uint8_t number, TCustomParam& target, std::span<TCustomParam* const> args);
  bool open_url(const std::string& target_cp932);
  bool set_wallpaper(const std::string& name, int32_t style);
  bool copy_to_memory(const std::string& source, const std::string& dest);
  bool read_game_file(const std::string& name, std::string& bytes);

  ISysFuncHost* next_;
  IShell* shell_;
  TVrFileManager* files_;
  std::string base_folder_;
  std::string user_folder_;
};

}  // namespace velk
