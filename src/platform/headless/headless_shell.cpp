#include "platform/headless/headless_shell.h"

namespace velk {

void THeadlessShell::note(const std::string& line) {
  log_lines_.push_back(line);
  if (log_ != nullptr) std::fprintf(log_, "[shell] %s\n", line.c_str());
}

std::optional<std::string> THeadlessShell::ChooseFile(TFileDialogKind kind, const std::string&, const std::string&,
                                                      const std::string&) {
  std::optional<std::string> answer;
  if (!choices_.empty()) {
    answer = std::move(choices_.front());
    choices_.pop_front();
  }
  const char* what = kind == TFileDialogKind::Open   ? "open-file"
                     : kind == TFileDialogKind::Save ? "save-file"
                                                     : "folder";
  note(std::string(what) + " -> " + (answer ? *answer : std::string("(cancelled)")));
  return answer;
}

bool THeadlessShell::Open(const std::string& target_utf8) {
  note("open " + target_utf8);
  return true;
}

bool THeadlessShell::SetWallPaper(const std::string& picture_path, int32_t style) {
  note("wallpaper " + picture_path + " " + std::to_string(style));
  return true;
}

}  // namespace velk
