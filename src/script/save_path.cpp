#include "script/save_path.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "base/error.h"
#include "base/sjis.h"

namespace velk {

namespace {

constexpr const char* kSaveName = "save.dat";

std::string with_slash(const std::string& folder) {
  if (folder.empty() || folder.back() == '/') return folder;
  return folder + "/";
}

bool is_folder(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool is_file(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The folder is writable when a test file can be made there; the test file goes again in any case.
bool folder_writable(const std::string& folder) {
  const std::string probe = folder + kSaveName + ".$$$";
  int fd;
  do {
    fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  } while (fd < 0 && errno == EINTR);
  const bool made = fd >= 0;
  if (made) ::close(fd);
  const bool exists = made && is_file(probe);
  if (made) ::unlink(probe.c_str());
  return exists;
}

[[noreturn]] void no_place() { throw EVelkError(Utf8ToCp932("データファイルを作成することができません")); }

}  // namespace

std::string UserDataHome() {
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg != nullptr && xdg[0] == '/') return xdg;
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return std::string(home) + "/.local/share";
  return {};
}

std::string SaveFolderName(const std::string& game_name) {
  std::string name = Cp932ToUtf8(game_name);
  for (char& c : name) {
    switch (c) {
      case '\\': case '/': case ':': case ',': case ';': case '*': case '?': case '"': case '<': case '>': case '|':
        c = '_';
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) c = '_';
        break;
    }
  }
  if (name.empty() || name == "." || name == "..") name = "_" + name;
  return name;
}

std::string FindSavePath(const TSavePlace& place) {
  if (!place.SaveDir.empty()) {
    const std::string folder = with_slash(place.SaveDir);
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (!is_folder(folder)) no_place();
    return folder + kSaveName;
  }
  if (!place.ArgumentFolder.empty()) return with_slash(place.ArgumentFolder) + kSaveName;
  const std::string exe = with_slash(place.ExecutableFolder);
  if (!exe.empty() && folder_writable(exe)) return exe + kSaveName;
  if (place.DataHome.empty()) no_place();
  const std::string folder = with_slash(place.DataHome) + SaveFolderName(place.GameName) + "/";
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (!is_folder(folder)) no_place();
  const std::string path = folder + kSaveName;
  // Saves made while the game's folder was still writable come along once.
  if (!exe.empty() && is_file(exe + kSaveName) && !is_file(path)) {
    std::filesystem::copy_file(exe + kSaveName, path, ec);
  }
  return path;
}

}  // namespace velk
