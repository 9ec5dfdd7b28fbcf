#pragma once
// The process: from start to exit. Decides whether the player may run at all (not from an optical drive, one
// instance per game folder), binds the media library, chooses between the configuration dialog and the main window,
// and creates and frees the process-wide objects in their fixed order.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/log_library.h"
#include "app/trace.h"
#include "base/process_values.h"
#include "media/media_lib.h"
#include "platform/platform.h"

namespace velk {

// Exit statuses of the player.
enum TExitStatus : int {
  kExitNormal = 0,       // the game ended (or the configuration dialog closed)
  kExitNotStarted = 1,   // the game could not start; a message said why
  kExitRefused = 3,      // another instance plays this game folder, or the player runs from an optical drive
};

// What the back end supplies to the process.
struct TPlayerHost {
  TPlatform Platform;
  VelkMediaLoader MediaLoader;
  // Runs the configuration dialog until it closes; null when this build has none.
  std::function<void()> ConfigDialog;
  // Runs the message loop until the application terminates; null: nothing to run.
  std::function<void()> MessageLoop;
};

class TPlayerProcess {
 public:
  explicit TPlayerProcess(TPlayerHost host);
  ~TPlayerProcess();
  TPlayerProcess(const TPlayerProcess&) = delete;
  TPlayerProcess& operator=(const TPlayerProcess&) = delete;

  // The program entry: runs the whole life of the process with the command-line arguments (without the program
  // name) and returns the exit status.
  int Run(const std::vector<std::string>& args);

  // The instance-guard name: upper-cased, a delimiter appended if missing, every delimiter replaced by "-".
  // "c:\games\x" and "C:\GAMES\X\" both give "C:-GAMES-X-".
  static std::string InstanceGuardName(const std::string& folder);

  TProcessValues& Values() { return values_; }
  TTrace& Trace() { return trace_; }
  TVelkLib& MediaLib() { return media_lib_; }
  // The game data found at start-up: the base folder and the archives to mount, in order.
  const std::string& BaseFolder() const { return base_folder_; }
  const std::vector<std::string>& Mounted() const { return mounted_; }
  // The folder of the executable, with a trailing "/".
  const std::string& ExecutableFolder() const { return exe_folder_; }

 private:
  bool ModuleStartup();
  void ModuleShutdown();
  int EntryBody(const std::vector<std::string>& args);
  void CreateMainWindow(const std::vector<std::string>& args);
  void MountGameData(const std::vector<std::string>& args);
  void Initialise();
  void Shutdown();
  void DeleteTempFiles();

  TPlayerHost host_;
  TProcessValues values_;
  TTrace trace_;
  TVelkLib media_lib_;
  TVelkLogLibrary log_library_;
  std::unique_ptr<IInstanceGuard> guard_;
  std::string exe_path_;
  std::string exe_folder_;
  std::string base_folder_;
  std::vector<std::string> mounted_;
  bool window_created_ = false;
  int status_ = kExitNormal;
};

}  // namespace velk
