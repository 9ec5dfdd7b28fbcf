#include "app/player_process.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>

#include "app/form_view.h"
#include "app/minimal_scene.h"
#include "base/error.h"
#include "expr/param_collection.h"
#include "platform/headless/headless_window.h"
#include "platform/stop_request.h"
#include "base/sjis.h"
#include "vfs/disk_name.h"
#include "vfs/stream.h"

namespace velk {

namespace {

std::string folder_of(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

std::string with_delimiter(std::string s) {
  if (s.empty() || (s.back() != '/' && s.back() != '\\')) s += '/';
  return s;
}

// Whether the last two bytes of a file are the given pair (the archive trailer "vk", or "vf" of a resource).
bool ends_with_pair(const std::string& path, const char* pair) {
  if (!FileExists(path)) return false;
  try {
    TFileStream f(path, fmOpenRead | fmShareDenyWrite);
    if (f.GetSize() < 2) return false;
    char tail[2];
    f.Seek(-2, soEnd);
    f.ReadBuffer(tail, 2);
    return tail[0] == pair[0] && tail[1] == pair[1];
  } catch (const EVelkError&) {
    return false;
  }
}

bool bytes_end_with_pair(const std::vector<uint8_t>& bytes, const char* pair) {
  return bytes.size() >= 2 && bytes[bytes.size() - 2] == static_cast<uint8_t>(pair[0]) &&
         bytes[bytes.size() - 1] == static_cast<uint8_t>(pair[1]);
}

uint32_t milliseconds_of_day() {
  std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_r(&t, &local);
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
                .count() %
            1000;
  return static_cast<uint32_t>(((local.tm_hour * 60 + local.tm_min) * 60 + local.tm_sec) * 1000 + ms);
}

}  // namespace

TPlayerProcess::TPlayerProcess(TPlayerHost host) : host_(std::move(host)) {}

TPlayerProcess::~TPlayerProcess() = default;

void TPlayerProcess::TraceLine(const std::string& line) const {
  log_library_.Write(line);
  if (host_.TraceToStderr) std::fprintf(stderr, "%s\n", Cp932ToUtf8(line).c_str());
}

std::string TPlayerProcess::InstanceGuardName(const std::string& folder) {
  std::string name = UpperCase(folder);
  name = with_delimiter(name);
  for (size_t i = 0; i < name.size(); i += CharLength(name, i)) {
    if (name[i] == '\\' || name[i] == '/') name[i] = '-';
  }
  return name;
}

int TPlayerProcess::Run(const std::vector<std::string>& args) {
  if (!ModuleStartup()) {
    ModuleShutdown();
    return kExitNotStarted;
  }
  status_ = EntryBody(args);
  ModuleShutdown();
  return status_;
}

bool TPlayerProcess::ModuleStartup() {
  exe_path_ = host_.Platform.Files->ExecutablePath();
  exe_folder_ = folder_of(exe_path_);
  // The media-library binding: its lock exists with the binding; a missing library or a wrong version ends here.
  if (!media_lib_.Bind(host_.MediaLoader, *host_.Platform.MessageBoxes)) return false;
  log_library_.Load(exe_folder_);
  // The virtual file manager and its list of pending temporary files are created here once they exist in the
  // player; the temporary-file list is part of the process values.
  values_.TempFiles.clear();
  return true;
}

void TPlayerProcess::ModuleShutdown() {
  DeleteTempFiles();
  media_lib_.Unload();
  log_library_.Unload();
}

void TPlayerProcess::DeleteTempFiles() {
  for (const std::string& f : values_.TempFiles) ::unlink(f.c_str());
  values_.TempFiles.clear();
}

int TPlayerProcess::EntryBody(const std::vector<std::string>& args) {
  // 1. Never run from an optical drive.
  if (host_.Platform.Files->GetDriveType(exe_path_) == DriveType::CdRom) {
    std::fprintf(stderr, "velkplayer: refused: the player does not run from an optical disc\n");
    return kExitRefused;
  }
  // 2.-3. One instance per game folder.
  std::string guard_name = InstanceGuardName(args.empty() ? exe_folder_ : args[0]);
  guard_ = host_.Platform.Files->AcquireInstanceGuard(guard_name);
  if (!guard_) {
    std::fprintf(stderr, "velkplayer: another player already runs %s; this one exits\n",
                 args.empty() ? exe_folder_.c_str() : args[0].c_str());
    return kExitRefused;
  }
  // 5. The configuration dialog mode: nothing else is created.
  if (!args.empty() && SameText(args[0], "/config")) {
    if (host_.ConfigDialog) {
      host_.ConfigDialog(exe_folder_ + kGameIniName);
    } else {
      std::fprintf(stderr, "velkplayer: this build has no configuration dialog yet\n");
    }
    guard_.reset();
    return kExitNormal;
  }
  // 6. The main window; its creation runs the whole start-up.
  CreateMainWindow(args);
  int status = kExitNormal;
  if (values_.QuitFlag) {
    status = kExitNotStarted;
  } else if (host_.MessageLoop) {
    host_.MessageLoop(*form_);
  }
  if (window_created_) Shutdown();
  guard_.reset();
  return status;
}

void TPlayerProcess::CreateMainWindow(const std::vector<std::string>& args) {
  window_created_ = true;
  ::unlink((exe_folder_ + "velkplay.log").c_str());
  trace_("FormCreate");
  values_.RandSeed = milliseconds_of_day();
  settings_ = ReadGameSettings(exe_folder_ + kGameIniName);
  // Mute-only on focus loss mutes, whatever game.ini says.
  if (host_.MuteOnlyWhenInactive) settings_.MuteWhenInactive = true;
  // The window (with its toolbar) exists from here; it is shown once the project has given its screen size.
  IWindow* window = host_.Window;
  if (window == nullptr) {
    own_window_ = std::make_unique<THeadlessWindow>();
    window = own_window_.get();
  }
  form_ = std::make_unique<TFormView>(values_, trace_, *window, *host_.Platform.MessageBoxes, *host_.Platform.Clock);
  form_->SetJapanese(SystemLanguageIsJapanese());
  form_->SetNeverPause(host_.MuteOnlyWhenInactive);
  MountGameData(args);
  trace_("TBasePanel.Create");
  vars_ = std::make_unique<TParamCollection>();
  try {
    try {
      Initialise();
    } catch (const EVelkError& e) {
      values_.QuitFlag = true;
      host_.Platform.MessageBoxes->Show(ErrorText(e), Utf8ToCp932("警告"), MB_OK | MB_ICONWARNING);
    }
  } catch (const EBoxAbandoned&) {
    // Stopped from outside, or a headless run without an answer: the player closes.
    values_.QuitFlag = true;
  }
  if (StopRequested()) values_.QuitFlag = true;
}

void TPlayerProcess::MountGameData(const std::vector<std::string>& args) {
  mounted_.clear();
  started_without_arguments_ = args.empty();
  if (args.empty()) {
    base_folder_ = exe_folder_;
    auto resource = host_.Platform.Resources->Find("", "BINTYPE", "DUMMY");
    if (resource && bytes_end_with_pair(*resource, "vf")) mounted_.push_back("resource:DUMMY");
    if (ends_with_pair(exe_path_, "vk")) mounted_.push_back(exe_path_);
    return;
  }
  base_folder_ = with_delimiter(args[0]);
  for (const std::string& arg : args) {
    // Games copied from a disc often spell their files in capitals (GAME.DAT): disk names ignore letter case.
    std::string game_dat = FindDiskFile(with_delimiter(arg), "game.dat");
    if (!game_dat.empty()) mounted_.push_back(game_dat);
    if (ends_with_pair(arg, "vk")) mounted_.push_back(arg);
  }
}

void TPlayerProcess::Initialise() {
  trace_("DXSound.Initialize");
  trace_("VelkInitialize");
  // The scene list stands in as one plain base until the scene components exist.
  scene_ = host_.MakeScene ? host_.MakeScene(*this) : std::make_unique<TMinimalScene>();
  form_->SetScene(scene_.get());
  trace_("TProject.Create");
  // Creating the project sets the quit flag at its start and clears it only when the game has started.
  values_.QuitFlag = true;
  // Started without arguments, the project finds the game data itself (and says so when there is none). A folder
  // without any game data is reported here: the project would stop without a word.
  if (!started_without_arguments_ && mounted_.empty() && FindDiskFile(base_folder_, "velk.kpb").empty()) {
    std::fprintf(stderr, "velkplayer: %s: no game here (no game.dat, velk.kpb or game archive)\n",
                 base_folder_.c_str());
    return;
  }
  if (!host_.LoadProject) {
    std::fprintf(stderr, "velkplayer: game data found in %s, but this build cannot play games yet\n",
                 base_folder_.c_str());
    return;
  }
  project_ = host_.LoadProject(*this);
  if (project_ == nullptr) return;
  game_started_ = true;
  values_.QuitFlag = false;
  form_->SetProject(project_.get());
  if (host_.FrameFiles) form_->SetFiles(host_.FrameFiles(*this));
  trace_("MediaInit");
  if (host_.StartMedia) media_ = host_.StartMedia(*this);
  form_->SetMedia(media_.get());
  if (IVelkMedia* lib = media_lib_.Lib()) form_->SetMediaLib(lib);
  trace_("VelkInitColor");
  form_->StartUp(Cp932ToUtf8(project_->Title()));
  // Shown windows are activated.
  form_->Activate();
  if (host_.Window != nullptr) host_.Window->SetScale(host_.Scale);
  if (host_.FullScreen) form_->SetFullScreen(true);
}

void TPlayerProcess::FreePart(const char* name) {
  if (host_.FreePart && host_.FreePart(name)) trace_(name);
}

void TPlayerProcess::Shutdown() {
  values_.QuitFlag = true;
  trace_("Project.Free");
  if (form_ != nullptr) form_->SetProject(nullptr);
  project_.reset();
  trace_("SysFuncMan.Free");
  if (host_.FreePart) host_.FreePart("SysFuncMan.Free");
  // Only a game that started has variables worth reporting.
  if (vars_ != nullptr && game_started_ && host_.BeforeVarsFree) host_.BeforeVarsFree(*vars_);
  trace_("ParamMan.Free");
  vars_.reset();
  // The companions of the scene and the media managers are traced as they are freed: a name appears only when
  // something of that name existed and is gone.
  trace_("VelkFinalize");
  FreePart("TextRead.Free");
  FreePart("TextHistoryFormats.Free");
  if (form_ != nullptr) form_->SetScene(nullptr);
  if (scene_ != nullptr) {
    scene_.reset();
    trace_("Bases.Free");
  }
  for (const char* name : {"SelRectDIB.Free", "TransBGDIB.Free", "BrixMan.Free", "ClipMan.Free"}) FreePart(name);
  trace_("MediaFinal");
  if (form_ != nullptr) {
    form_->SetMedia(nullptr);
    form_->SetFiles(nullptr);
  }
  for (const char* name :
       {"ScreenMan.Free", "VideoMan.Free", "WmpMan.Free", "OggMan.Free", "CddaMan.Free", "MidiMan.Free"}) {
    FreePart(name);
  }
  media_.reset();
  if (IVelkMedia* lib = media_lib_.Lib()) {
    lib->velkFinal();
    trace_("velkFinal");
  }
  trace_("FormClose");
  form_.reset();
  own_window_.reset();
  window_created_ = false;
}

std::string ErrorText(const EVelkError& e) {
  if (e.FileName().empty() || e.Message().find(e.FileName()) != std::string::npos) return e.Message();
  return e.FileName() + "\r\n" + e.Message();
}

}  // namespace velk
