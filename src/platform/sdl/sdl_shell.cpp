#include "platform/sdl/sdl_shell.h"

#include <fnmatch.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "base/sjis.h"
#include "platform/sdl/sdl_library.h"
#include "platform/stop_request.h"

namespace velk {

namespace {

constexpr int kCancel = -1;
// Buttons a box can show side by side.
constexpr size_t kMaxFileButtons = 6;

std::vector<std::string> split(const std::string& s, char delimiter) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    size_t at = s.find(delimiter, start);
    parts.push_back(s.substr(start, at == std::string::npos ? std::string::npos : at - start));
    if (at == std::string::npos) return parts;
    start = at + 1;
  }
}

// Shows the box; the index of the button pressed, kCancel for Escape, closing or a failure.
int ask(SDL_Window* owner, const std::string& title, const std::string& text, const std::vector<std::string>& labels) {
  std::vector<SDL_MessageBoxButtonData> buttons;
  for (size_t i = 0; i < labels.size(); ++i) {
    buttons.push_back({i == 0 ? static_cast<Uint32>(SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT) : 0u, static_cast<int>(i),
                       labels[i].c_str()});
  }
  buttons.push_back({SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, kCancel, "キャンセル"});
  SDL_MessageBoxData data{SDL_MESSAGEBOX_INFORMATION,       owner,          title.c_str(), text.c_str(),
                          static_cast<int>(buttons.size()), buttons.data(), nullptr};
  if (StopRequested()) return kCancel;
  int answer = kCancel;
  TBlockingCall blocking;
  const TSdlLibrary* sdl = TSdlLibrary::Get();
  if (sdl == nullptr || sdl->SDL_ShowMessageBox(&data, &answer) != 0) return kCancel;
  return answer;
}

}  // namespace

std::vector<std::string> MatchingFiles(const std::string& folder, const std::string& filter_utf8, size_t max_count) {
  std::vector<std::string> patterns;
  std::vector<std::string> fields = split(filter_utf8, '|');
  if (fields.size() >= 2) {
    for (const std::string& p : split(fields[1], ';')) {
      if (!p.empty()) patterns.push_back(p == "*.*" ? "*" : p);
    }
  }
  if (patterns.empty()) patterns.push_back("*");
  std::vector<std::string> names;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    const std::string name = it->path().filename().string();
    for (const std::string& p : patterns) {
      if (fnmatch(p.c_str(), name.c_str(), FNM_CASEFOLD) == 0) {
        names.push_back(name);
        break;
      }
    }
  }
  std::sort(names.begin(), names.end());
  if (names.size() > max_count) names.resize(max_count);
  return names;
}

std::optional<std::string> TSdlShell::ChooseFile(TFileDialogKind kind, const std::string& filter,
                                                 const std::string& start_folder, const std::string& suggested) {
  switch (kind) {
    case TFileDialogKind::Folder:
      if (ask(owner_, "フォルダの選択", start_folder, {"このフォルダ"}) != 0) return std::nullopt;
      return start_folder;
    case TFileDialogKind::Save: {
      std::string name = suggested.substr(suggested.find_last_of("/\\") + 1);
      if (name.empty() || name == "." || name == "..") name = "untitled";
      const std::string path = start_folder + name;
      if (ask(owner_, "名前を付けて保存", path, {"保存"}) != 0) return std::nullopt;
      return path;
    }
    case TFileDialogKind::Open: {
      std::vector<std::string> files = MatchingFiles(start_folder, Cp932ToUtf8(filter), kMaxFileButtons);
      if (files.empty()) {
        ask(owner_, "ファイルを開く", start_folder + "\n(no matching file)", {});
        return std::nullopt;
      }
      int answer = ask(owner_, "ファイルを開く", start_folder, files);
      if (answer < 0 || static_cast<size_t>(answer) >= files.size()) return std::nullopt;
      return start_folder + files[static_cast<size_t>(answer)];
    }
  }
  return std::nullopt;
}

bool TSdlShell::Open(const std::string& target_utf8) {
  // Started without a shell (the target is one argument, never a command line), and not waited for: a second
  // process in between is collected at once, the opener itself belongs to init.
  pid_t child = ::fork();
  if (child < 0) return false;
  if (child == 0) {
    if (::fork() == 0) {
      ::execlp("xdg-open", "xdg-open", target_utf8.c_str(), static_cast<char*>(nullptr));
    }
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return true;
}

}  // namespace velk
