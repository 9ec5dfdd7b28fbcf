#pragma once
// File dialogs and the desktop shell of the windowed player. The dialogs are simple boxes of the player's own: a
// folder dialog offers the start folder, a save dialog the suggested name in it, an open dialog the first files of
// the start folder that match the game's filter. Web addresses and folders open with the desktop's opener
// (xdg-open). The wallpaper is left alone: desktops have no common way to set it.
#include <SDL.h>

#include "platform/platform.h"

namespace velk {

// The file names of folder (not sub-folders) that match the filter's first choice ("Text|*.txt;*.log|All|*.*":
// *.txt and *.log, as a dialog shows at first; no filter matches everything), sorted, at most max_count.
std::vector<std::string> MatchingFiles(const std::string& folder, const std::string& filter_utf8, size_t max_count);

class TSdlShell : public IShell {
 public:
  void SetOwner(SDL_Window* owner) { owner_ = owner; }

  std::optional<std::string> ChooseFile(TFileDialogKind kind, const std::string& filter,
                                        const std::string& start_folder, const std::string& suggested) override;
  bool Open(const std::string& target_utf8) override;
  bool SetWallPaper(const std::string&, int32_t) override { return false; }

 private:
  SDL_Window* owner_ = nullptr;
};

}  // namespace velk
