#pragma once
// The loaded project: locates the game data, reads velk.kpb, creates the project variables, starts the start page,
// and decides whether a page or file named by a script exists (asking for a disc in multi-disc games).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "script/page.h"
#include "script/project_services.h"
#include "script/project_setting.h"
#include "vfs/folder_disk_list.h"

namespace velk {

// The project is also what pages load through: the virtual file manager and the rebuild request.
class TProject : public IPageHost {
 public:
  explicit TProject(const TProjectServices& services);
  // Destroy: runs the exit page, writes the status data, frees the interpreter.
  ~TProject() override;
  TProject(const TProject&) = delete;
  TProject& operator=(const TProject&) = delete;

  // The whole start-up. The quit flag stays set unless every step succeeds; the caller checks it. A project file
  // newer than the player raises "このバージョンには対応していません".
  void Create();
  // One frame of the interpreter; nothing without one.
  void RunFrame();
  // A pending load (reported as true), then a pending save.
  bool ApplyPending();
  bool PageExists(const std::string& name);
  std::string SaveTitle(int32_t slot) const;
  void ReadPageFile(TStream& target, const std::string& name) override;
  // Sets the quit flag, shows the page name, CR LF and "リビルドしてください", and closes the main window.
  void PageTooOld(const std::string& name) override;
  void SetSaveTitle(int32_t slot, const std::string& title);

  std::string Title;
  int32_t ScreenWidth = 0;
  int32_t ScreenHeight = 0;
  int32_t FullScreenWidth = 0;
  int32_t FullScreenHeight = 0;
  std::string StartPage;
  std::string ExitPage;
  std::string RegistryKey;
  int32_t IdCode = 0;
  bool SaveEnabled = true;
  bool IdleFlag = true;
  std::string MediaExtensions = ".wav.wma.ogg";
  bool PauseWhenInactive = false;
  bool ReservedFlag = false;
  std::unique_ptr<ICallManager> CallManager;
  int32_t PendingLoadSlot = -1;
  int32_t PendingSaveSlot = -1;
  std::string PendingResumePage;
  std::string PendingTitle;
  int32_t PendingResumeIndex = 0;
  std::vector<TSaveTitle> SaveTitles;
  TFolderDiskList DiscMap;
  std::string SaveFilePath;
  bool SavePathKnown = false;
  std::string DiscPrompt;
  std::string QuitText;

 private:
  bool locate_game_data();
  bool search_discs(const std::string& title);
  void create_variables(const TProjectSetting& setting);
  // A message box; text and caption are code page 932. Without message boxes the answer is Cancel.
  int32_t show(const std::string& text, const std::string& caption, uint32_t style);

  TProjectServices services_;
};

}  // namespace velk
