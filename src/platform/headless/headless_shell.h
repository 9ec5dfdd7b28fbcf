#pragma once
// File dialogs and the desktop shell without a screen: each dialog takes the next scripted choice (a path, or a
// cancel), is cancelled when none is queued, and is written to a log stream; opened targets and wallpapers are only
// recorded and logged.
#include <cstdio>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace velk {

class THeadlessShell : public IShell {
 public:
  // log may be null (no output).
  explicit THeadlessShell(std::FILE* log = stderr) : log_(log) {}

  std::optional<std::string> ChooseFile(TFileDialogKind kind, const std::string& filter,
                                        const std::string& start_folder, const std::string& suggested) override;
  bool Open(const std::string& target_utf8) override;
  bool SetWallPaper(const std::string& picture_path, int32_t style) override;

  // Queues the answer of the next dialog: a path, or nothing for a cancel.
  void QueueChoice(std::optional<std::string> path) { choices_.push_back(std::move(path)); }
  // What the game asked for, in order: "open-file", "save-file", "folder" with the answer, "open TARGET",
  // "wallpaper PATH STYLE".
  const std::vector<std::string>& Log() const { return log_lines_; }

 private:
  void note(const std::string& line);

  std::FILE* log_;
  std::deque<std::optional<std::string>> choices_;
  std::vector<std::string> log_lines_;
};

}  // namespace velk
