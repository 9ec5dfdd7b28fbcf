#include "app/shell_func_host.h"

#include <sys/stat.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "base/error.h"
#include "base/sjis.h"
#include "expr/param.h"
#include "vfs/disk_name.h"
#include "vfs/file_manager.h"
#include "vfs/stream.h"

namespace velk {

namespace {

bool starts_with_ci(const std::string& s, const char* prefix) {
  size_t n = std::char_traits<char>::length(prefix);
  if (s.size() < n) return false;
  for (size_t i = 0; i < n; ++i) {
    if (std::tolower(static_cast<unsigned char>(s[i])) != prefix[i]) return false;
  }
  return true;
}

// A variable argument of a dialog function; anything else fails the call as the system does.
TCustomParam& variable(std::span<TCustomParam* const> args, const char* function) {
  auto* ref = dynamic_cast<TParamVar*>(args[0]);
  if (ref == nullptr || ref->TargetItem() == nullptr) {
    throw EVelkError(Utf8ToCp932(std::string(function) + ":変数が見つかりません"));
  }
  return *args[0];
}

// Names a game may give: inside the game's folders (no "..", no absolute name, no drive).
bool confined(const std::string& name) { return !name.empty() && !ConfinedDiskPath("game/", name).empty(); }

}  // namespace

std::string DocumentsFolder() {
  const char* xdg = std::getenv("XDG_DOCUMENTS_DIR");
  if (xdg != nullptr && xdg[0] == '/') return WithTrailingSlash(xdg);
  const char* home = std::getenv("HOME");
  return WithTrailingSlash(std::string(home != nullptr && home[0] == '/' ? home : "/tmp") + "/Documents");
}

TShellFuncHost::TShellFuncHost(ISysFuncHost* next, IShell* shell, TVrFileManager* files, std::string base_folder,
                               std::string user_folder)
    : next_(next),
      shell_(shell),
      files_(files),
      base_folder_(std::move(base_folder)),
      user_folder_(std::move(user_folder)) {}

uint8_t TShellFuncHost::PropertyType(int32_t prop) const {
  return next_ != nullptr ? next_->PropertyType(prop) : PT_STR;
}

bool TShellFuncHost::Call(uint8_t number, TCustomParam& target, std::span<TCustomParam* const> args) {
  switch (number) {
    case sf::SelectOpenFile:
    case sf::SelectSaveFile:
    case sf::SelectDirectory: return args.empty() ? false : choose(number, target, args);
    case sf::OpenUrl:
      if (args.empty()) return false;
      target.SetBool(open_url(args[0]->GetStr()));
      return true;
    case sf::SetWallPaper:
      if (args.size() < 2) return false;
      target.SetBool(set_wallpaper(args[0]->GetStr(), args[1]->GetInt()));
      return true;
    case sf::CopyFile:
      if (args.size() < 2) return false;
      target.SetBool(copy_to_memory(args[0]->GetStr(), args[1]->GetStr()));
      return true;
    default: return next_ != nullptr && next_->Call(number, target, args);
  }
}

bool TShellFuncHost::choose(uint8_t number, TCustomParam& target, std::span<TCustomParam* const> args) {
  const char* function = number == sf::SelectOpenFile   ? "SelectOpenFile"
                         : number == sf::SelectSaveFile ? "SelectSaveFile"
                                                        : "SelectDirectory";
  TCustomParam& var = variable(args, function);
  const TFileDialogKind kind = number == sf::SelectOpenFile   ? TFileDialogKind::Open
                               : number == sf::SelectSaveFile ? TFileDialogKind::Save
                                                              : TFileDialogKind::Folder;
  const std::string filter = args.size() >= 2 ? args[1]->GetStr() : std::string();
  std::optional<std::string> chosen;
  if (shell_ != nullptr) chosen = shell_->ChooseFile(kind, filter, DocumentsFolder(), Cp932ToUtf8(var.GetStr()));
  if (chosen) var.SetStr(Utf8ToCp932(*chosen));
  target.SetBool(chosen.has_value());
  return true;
}

bool TShellFuncHost::open_url(const std::string& target_cp932) {
  if (shell_ == nullptr || target_cp932.empty()) return false;
  for (char c : target_cp932) {
    if (static_cast<unsigned char>(c) < 0x20) return false;
  }
  if (starts_with_ci(target_cp932, "http") || starts_with_ci(target_cp932, "ftp")) {
    return shell_->Open(Cp932ToUtf8(target_cp932));
  }
  // A folder: only one of the game's own, below its folder.
  if (base_folder_.empty()) return false;
  const std::string path = ConfinedDiskPath(WithTrailingSlash(base_folder_), target_cp932);
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  return shell_->Open(path);
}

bool TShellFuncHost::read_game_file(const std::string& name, std::string& bytes) {
  if (files_ == nullptr || !confined(name) || !files_->Exists(name)) return false;
  try {
    TMemoryStream m;
    files_->ReadFile(m, name);
    bytes.assign(reinterpret_cast<const char*>(m.Memory()), static_cast<size_t>(m.GetSize()));
  } catch (const EVelkError&) {
    return false;
  }
  return true;
}

bool TShellFuncHost::set_wallpaper(const std::string& name, int32_t style) {
  std::string bytes;
  if (shell_ == nullptr || user_folder_.empty() || style < 0 || style > 2 || !read_game_file(name, bytes)) return false;
  // The desktop keeps showing the file after the game ends: a copy of its own in the user's folder.
  const std::string folder = WithTrailingSlash(user_folder_) + "velkplayer/";
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  const std::string path = folder + "wallpaper" + DiskFileExt(Cp932ToUtf8(name));
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) return false;
  out.close();
  return shell_->SetWallPaper(path, style);
}

bool TShellFuncHost::copy_to_memory(const std::string& source, const std::string& dest) {
  std::string bytes;
  if (files_ == nullptr || files_->Count() == 0 || !read_game_file(source, bytes)) return false;
  TVrFileCollection& memory = files_->Collection(0);
  memory.DeleteEntry(dest);
  TSaveMemoryStream& entry = memory.AddMemoryEntry(dest);
  if (bytes.size() > static_cast<size_t>(INT32_MAX)) return false;
  entry.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  entry.SetPosition(0);
  return true;
}

}  // namespace velk
