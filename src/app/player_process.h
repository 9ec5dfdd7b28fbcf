#pragma once
// The process: from start to exit. Decides whether the player may run at all (not from an optical drive, one
// instance per game folder), binds the media library, chooses between the configuration dialog and the main window,
// and creates and frees the process-wide objects in their fixed order.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/frame_services.h"
#include "app/game_settings.h"
#include "app/log_library.h"
#include "app/trace.h"
#include "base/process_values.h"
#include "media/media_lib.h"
#include "platform/platform.h"
#include "platform/window.h"

namespace velk {

class EVelkError;
class TFormView;
class TParamCollection;
class TPlayerProcess;

// Exit statuses of the player.
enum TExitStatus : int {
  kExitNormal = 0,      // the game ended (or the configuration dialog closed)
  kExitNotStarted = 1,  // the game could not start; a message said why
  kExitRefused = 3,     // another instance plays this game folder, or the player runs from an optical drive
};

// Loads the project of the mounted game. Null when it cannot (after its own message); the quit flag then stays set.
using ProjectLoader = std::function<std::unique_ptr<IFrameProject>(TPlayerProcess& process)>;

// What the back end supplies to the process.
struct TPlayerHost {
  TPlatform Platform;
  VelkMediaLoader MediaLoader;
  // The main window; null: a window that only keeps its frame in memory.
  IWindow* Window = nullptr;
  // Null: this build cannot load projects yet, and says so.
  ProjectLoader LoadProject;
  // Makes the scene list at start-up; null: one plain base stands in.
  std::function<std::unique_ptr<IFrameScene>(TPlayerProcess& process)> MakeScene;
  // Display options of the windowed player.
  bool FullScreen = false;
  int32_t Scale = 1;
  // The user's choice: losing the focus only mutes the sound, the game never pauses for it.
  bool MuteOnlyWhenInactive = false;
  // The run repeats exactly (headless on the virtual clock): the scene's random numbers start from a fixed seed
  // instead of one of their own per run.
  bool Deterministic = false;
  // Interpreter trace lines go to stderr as well as to the log library.
  bool TraceToStderr = false;
  // Runs the configuration dialog until it closes (with the path of game.ini); null when this build has none.
  std::function<void(const std::string& ini_path)> ConfigDialog;
  // Runs the message loop until the window closes; null: nothing to run.
  std::function<void(TFormView& form)> MessageLoop;
  // Called at shutdown after the project has been freed (its exit page has run), before the variable store is.
  std::function<void(const TParamCollection& vars)> BeforeVarsFree;
  // Starts the media managers at "MediaInit": the frame procedure's media step (suspend and resume with the
  // application's focus, the video update of drawn frames). Null, or a null result: no media managers.
  std::function<std::unique_ptr<IFrameMedia>(TPlayerProcess& process)> StartMedia;
  // The frame procedure's upkeep of the virtual file manager; null: none.
  std::function<IFrameFiles*(TPlayerProcess& process)> FrameFiles;
  // Frees a companion of the scene or a media manager by its shutdown name ("TextRead.Free", "BrixMan.Free",
  // "OggMan.Free", ...); true when it existed and is gone now. The name is traced only then.
  std::function<bool(const std::string& name)> FreePart;
};

// The text a message box or a log line shows for an error: the file it is about, CR LF, the message (code page
// 932). Just the message when no file is known or the message already names it.
std::string ErrorText(const EVelkError& e);

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
  const TPlayerHost& Host() const { return host_; }
  // The game data found at start-up: the base folder and the archives to mount, in order.
  const std::string& BaseFolder() const { return base_folder_; }
  const std::vector<std::string>& Mounted() const { return mounted_; }
  // The folder of the executable, with a trailing "/".
  const std::string& ExecutableFolder() const { return exe_folder_; }
  const TGameSettings& Settings() const { return settings_; }
  // The main window, the variable store and the scene while they exist.
  TFormView* Form() const { return form_.get(); }
  TParamCollection* Vars() const { return vars_.get(); }
  IFrameScene* Scene() const { return scene_.get(); }
  IFrameProject* Project() const { return project_.get(); }
  // One line of the interpreter trace (code page 932): to the log library, and to stderr when asked.
  void TraceLine(const std::string& line) const;
  bool LogLibraryLoaded() const { return log_library_.Loaded(); }
  // True when the command line named no game folder (the game data must then be located).
  bool StartedWithoutArguments() const { return started_without_arguments_; }

 private:
  bool ModuleStartup();
  void ModuleShutdown();
  int EntryBody(const std::vector<std::string>& args);
  void CreateMainWindow(const std::vector<std::string>& args);
  void MountGameData(const std::vector<std::string>& args);
  void Initialise();
  void Shutdown();
  void DeleteTempFiles();
  void FreePart(const char* name);

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
  TGameSettings settings_;
  std::unique_ptr<IWindow> own_window_;
  std::unique_ptr<TFormView> form_;
  std::unique_ptr<TParamCollection> vars_;
  std::unique_ptr<IFrameScene> scene_;
  std::unique_ptr<IFrameProject> project_;
  std::unique_ptr<IFrameMedia> media_;
  bool window_created_ = false;
  bool started_without_arguments_ = false;
  bool game_started_ = false;
  int status_ = kExitNormal;
};

}  // namespace velk
