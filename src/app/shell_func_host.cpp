#include "app/shell_func_host.h"

#include <sys/stat.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/screen_picture.h"
#include "base/error.h"
#include "base/paths.h"
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

bool MatchesWildcard(std::string_view name, std::string_view pattern) {
  // The usual two-pointer match with one back-track point for the last star.
  size_t n = 0, p = 0, star = std::string_view::npos, resume = 0;
  auto same = [&](size_t ni, size_t pi) {
    const size_t ln = CharLength(name, ni), lp = CharLength(pattern, pi);
    if (ln != lp) return false;
    if (ln == 2) return name.substr(ni, 2) == pattern.substr(pi, 2);
    return std::tolower(static_cast<unsigned char>(name[ni])) == std::tolower(static_cast<unsigned char>(pattern[pi]));
  };
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = ++p;
      resume = n;
    } else if (p < pattern.size() && (pattern[p] == '?' || same(n, p))) {
      n += CharLength(name, n);
      p += pattern[p] == '?' ? 1 : CharLength(pattern, p);
    } else if (star != std::string_view::npos) {
      resume += CharLength(name, resume);
      n = resume;
      p = star;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

TShellFuncHost::TShellFuncHost(ISysFuncHost* next, const TPlatform& platform, TVrFileManager* files,
                               std::string base_folder)
    : next_(next), shell_(platform.Shell), boxes_(platform.MessageBoxes), files_(files),
      base_folder_(std::move(base_folder)),
      user_folder_(platform.Files != nullptr ? platform.Files->UserDataFolder() : std::string()) {}

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
    case sf::SaveScreen:
      if (args.empty()) return false;
      target.SetBool(save_screen(args));
      return true;
    case sf::GetDisplayMode: {
      // GetDisplayMode(n, width, height, bits, refresh): mode n (from 0) of the offered full-screen modes into the
      // variables given; arguments that are not variables are left alone.
      const std::vector<TDisplayMode> modes = modes_ ? modes_() : std::vector<TDisplayMode>();
      const int32_t n = args.empty() ? -1 : args[0]->GetInt();
      const bool exists = n >= 0 && n < static_cast<int32_t>(modes.size());
      if (exists) {
        const TDisplayMode& m = modes[static_cast<size_t>(n)];
        const int32_t values[] = {m.Width, m.Height, m.BitsPerPixel, m.RefreshRate};
        for (size_t i = 1; i < args.size() && i <= 4; ++i) {
          auto* ref = dynamic_cast<TParamVar*>(args[i]);
          if (ref != nullptr && ref->TargetItem() != nullptr) args[i]->SetInt(values[i - 1]);
        }
      }
      target.SetBool(exists);
      return true;
    }
    case sf::ExtractFile:
      if (args.empty()) return false;
      target.SetBool(extract(args));
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

void TShellFuncHost::store_memory_entry(const std::string& name, const void* data, int32_t size) {
  TVrFileCollection& memory = files_->Collection(0);
  memory.DeleteEntry(name);
  TSaveMemoryStream& entry = memory.AddMemoryEntry(name);
  entry.WriteBuffer(data, size);
  entry.SetPosition(0);
}

// SaveScreen (name [, width [, height [, rotate [, mode]]]]): a "mem:" or "save:" name becomes a memory entry (the
// save file takes "save:" entries along); any other name is a ".brx" file below the game's folder, in a folder that
// exists already.
bool TShellFuncHost::save_screen(std::span<TCustomParam* const> args) {
  const std::string name = args[0]->GetStr();
  const bool memory = starts_with_ci(name, "mem:") || starts_with_ci(name, "save:");
  std::string path;
  if (!memory) {
    if (base_folder_.empty() || name.size() < 4 || !SameText(name.substr(name.size() - 4), ".brx")) return false;
    path = ConfinedDiskPath(WithTrailingSlash(base_folder_), name);
    struct stat st {};
    const std::string folder = DiskFolderOf(path);
    if (path.empty() || ::stat(folder.empty() ? "." : folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  } else if (files_ == nullptr || files_->Count() == 0) {
    return false;
  }
  if (!screen_) return false;
  std::vector<uint32_t> pixels;
  int32_t width = 0, height = 0;
  if (!MakeScreenPicture(screen_(), args.size() >= 2 ? args[1]->GetInt() : 0, args.size() >= 3 ? args[2]->GetInt() : 0,
                         args.size() >= 4 ? args[3]->GetInt() : 0, pixels, width, height)) {
    return false;
  }
  try {
    TMemoryStream m;
    WriteScreenBrix(m, pixels, width, height);
    if (memory) {
      store_memory_entry(name, m.Memory(), static_cast<int32_t>(m.GetSize()));
    } else {
      TFileStream out(path, fmCreate);
      out.WriteBuffer(m.Memory(), static_cast<int32_t>(m.GetSize()));
    }
  } catch (const EVelkError&) {
    return false;
  }
  return true;
}

}  // namespace velk

namespace velk {

// ExtractFile (pattern [, folder [, overwrite]]): the game's files matching the pattern are written into the folder,
// a folder of the game's own folder (no "..", no absolute name), or, without one, a folder the user chooses. A file
// already there is written over when overwrite is true, else after the user agrees. True when at least one file was
// written and none failed.
bool TShellFuncHost::extract(std::span<TCustomParam* const> args) {
  const std::string pattern = args[0]->GetStr();
  if (files_ == nullptr || !confined(pattern)) return false;
  std::string folder;
  const std::string given = args.size() >= 2 ? args[1]->GetStr() : std::string();
  if (!given.empty()) {
    if (base_folder_.empty()) return false;
    folder = ConfinedDiskPath(WithTrailingSlash(base_folder_), given);
    if (folder.empty()) return false;
  } else {
    std::optional<std::string> chosen;
    if (shell_ != nullptr) chosen = shell_->ChooseFile(TFileDialogKind::Folder, {}, DocumentsFolder(), {});
    if (!chosen || chosen->empty()) return false;
    folder = *chosen;
  }
  folder = WithTrailingSlash(folder);
  const bool overwrite = args.size() >= 3 && args[2]->GetBool();
  std::vector<std::string> names;
  files_->ListFiles(ExtractFilePath(pattern), names);
  const std::string name_pattern = ExtractFileName(pattern);
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) return false;
  bool written = false;
  for (const std::string& name : names) {
    if (!MatchesWildcard(ExtractFileName(name), name_pattern)) continue;
    std::string bytes;
    if (!read_game_file(name, bytes)) return false;
    const std::string path = folder + Cp932ToUtf8(ExtractFileName(name));
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !overwrite) {
      const std::string text =
          ExtractFileName(name) + Utf8ToCp932("\r\n既に同名のファイルが存在します。上書きしますか？");
      if (boxes_ == nullptr || boxes_->Show(text, Utf8ToCp932("確認"), MB_YESNO | MB_ICONQUESTION) != IDYES) continue;
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) return false;
    written = true;
  }
  return written;
}

}  // namespace velk
