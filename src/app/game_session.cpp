#include "app/game_session.h"

#include <sys/stat.h>

#include <functional>
#include <random>

#include "app/form_view.h"
#include "app/frame_media.h"
#include "app/player_process.h"
#include "app/player_var_host.h"
#include "app/scene_adapter.h"
#include "app/shell_func_host.h"
#include "base/error.h"
#include "base/sjis.h"
#include "gfx/image_cache.h"
#include "media/media_set.h"
#include "media/midi_song_player.h"
#include "media/wave_output.h"
#include "expr/sys_func_man.h"
#include "scene/base_list.h"
#include "scene/film_manager.h"
#include "scene/scene_func_host.h"
#include "scene/velk_mes.h"
#include "scene/velk_read_list.h"
#include "script/call_host.h"
#include "expr/param_collection.h"
#include "script/call_man.h"
#include "script/call_var_host.h"
#include "script/call_scene.h"
#include "script/game_saves.h"
#include "script/message_history.h"
#include "script/message_texts.h"
#include "script/project.h"
#include "script/save_func_host.h"
#include "text/word_composer.h"

namespace velk {

namespace {

// The project as the frame procedure sees it.
class TProjectFrame : public IFrameProject {
 public:
  // after_free runs once the project (and with it the interpreter) is gone.
  TProjectFrame(std::unique_ptr<TProject> project, std::function<void()> after_free)
      : project_(std::move(project)), after_free_(std::move(after_free)) {}
  ~TProjectFrame() override {
    project_.reset();
    if (after_free_) after_free_();
  }
  int32_t ScreenWidth() const override { return project_->ScreenWidth; }
  int32_t ScreenHeight() const override { return project_->ScreenHeight; }
  std::string Title() const override { return project_->Title; }
  bool PauseWhenInactive() const override { return project_->PauseWhenInactive; }
  void RunFrame() override { project_->RunFrame(); }
  bool ApplyPending() override { return project_->ApplyPending(); }

 private:
  std::unique_ptr<TProject> project_;
  std::function<void()> after_free_;
};

// The scene adapter owns the scene list it drives.
class TOwningSceneAdapter : public TSceneAdapter {
 public:
  // after_free runs once the scene list is gone.
  TOwningSceneAdapter(std::unique_ptr<TVelkBaseList> scene, const int32_t& elapsed_ms, std::function<void()> after_free)
      : TSceneAdapter(*scene, elapsed_ms), owned_(std::move(scene)), after_free_(std::move(after_free)) {}
  ~TOwningSceneAdapter() override {
    owned_.reset();
    if (after_free_) after_free_();
  }

 private:
  std::unique_ptr<TVelkBaseList> owned_;
  std::function<void()> after_free_;
};

}  // namespace

TGameSession::TGameSession(const TPlatform& platform)
    : platform_(platform), files_(platform, TVrFileManager::FindCdRoots()) {}

TGameSession::~TGameSession() = default;

std::unique_ptr<IFrameScene> TGameSession::MakeScene(TPlayerProcess& process) {
  auto scene = std::make_unique<TVelkBaseList>();
  scene_ = scene.get();
  // Effects look different in every run, except in runs that must repeat exactly.
  scene_->Random.Seed(process.Host().Deterministic ? TSceneRandom::kFixedSeed : std::random_device{}());
  scene_calls_ = std::make_unique<TSceneCalls>(*scene_);
  // The companions of message windows: the read marks and the history; the text hook sees every page shown.
  text_read_ = std::make_unique<TVelkReadList>();
  history_ = std::make_unique<TVelkHistoryFormatManager>();
  scene_->Services.TextRead = text_read_.get();
  scene_->Services.History = history_.get();
  scene_->Services.OnPageShown = text_hook_;
  // System variables read the scene, the player's clock and window, and the interpreter once it exists.
  var_host_ = std::make_unique<TPlayerVarHost>(*scene_, process.Values());
  var_host_->SetForm(process.Form());
  if (process.Vars() != nullptr) process.Vars()->SetHost(var_host_.get());
  return std::make_unique<TOwningSceneAdapter>(std::move(scene), process.Values().FrameDelta, [this] {
    scene_ = nullptr;
    if (saves_) saves_->Parts().Scene = nullptr;
    scene_calls_.reset();
  });
}

void TGameSession::mount(TPlayerProcess& process) {
  // The memory collection is always collection 0: entries written to "mem:" and "save:" names live there.
  files_.Mount("");
  files_.SetBaseFolder(process.BaseFolder());
  for (const std::string& source : process.Mounted()) {
    if (source == "resource:DUMMY") {
      files_.MountResource("", "DUMMY", "BINTYPE");
    } else {
      files_.Mount(source);
    }
  }
}

std::unique_ptr<IFrameProject> TGameSession::LoadProject(TPlayerProcess& process) {
  process_ = &process;
  // Declining a disc the game asks for ends the player.
  files_.OnQuit = [this] { Close(); };
  mount(process);
  TProjectServices services;
  services.Platform = platform_;
  services.Files = &files_;
  services.Vars = process.Vars();
  services.Process = &process.Values();
  services.Window = this;
  services.LocateGameData = process.StartedWithoutArguments();
  services.ExecutableFolder = process.ExecutableFolder();
  // The system functions and the data tables exist before the project: the status data fills the tables.
  func_host_ = std::make_unique<TSceneFuncHost>(scene_);
  save_funcs_ = std::make_unique<TSaveFuncHost>(func_host_.get());
  // The dialogs and the desktop come first, then the save file's functions, then the scene's.
  shell_host_ = std::make_unique<TShellFuncHost>(save_funcs_.get(), platform_, &files_, process.BaseFolder());
  shell_host_->SetScreen([this] {
    return process_ != nullptr && process_->Scene() != nullptr ? process_->Scene()->Screen() : TFrameView{};
  });
  shell_host_->SetDisplayModes([this] {
    TScreenManager* screen = media_ != nullptr ? media_->Screen() : nullptr;
    return screen != nullptr ? screen->Modes() : std::vector<TDisplayMode>();
  });
  funcs_ = std::make_unique<TSysFuncMan>(*process.Vars());
  funcs_->SetHost(shell_host_.get());
  funcs_->SetFiles(&files_);
  funcs_->SetBaseFolder(process.BaseFolder());
  services.Saves = make_saves(process);
  save_funcs_->SetFiles(&files_);
  save_funcs_->SetSaves(saves_.get());
  auto project = std::make_unique<TProject>(services);
  project->Create();
  if (process.Values().QuitFlag) return nullptr;
  connect_scene(process, project->IdCode);
  save_funcs_->SetProject(project.get());
  return std::make_unique<TProjectFrame>(std::move(project), [this] {
    if (save_funcs_) {
      save_funcs_->SetProject(nullptr);
      save_funcs_->SetCalls(nullptr);
    }
    if (saves_) saves_->Parts().Calls = nullptr;
    if (var_host_) var_host_->SetCalls(nullptr);
    if (scene_ != nullptr) {
      scene_->Services.EvaluateInt = nullptr;
      scene_->Services.MessageTexts = nullptr;
      scene_->Services.WordVars = nullptr;
    }
    if (history_) history_->Texts = nullptr;
  });
}

TGameSaves* TGameSession::make_saves(TPlayerProcess& process) {
  TSavePlace place;
  place.SaveDir = save_dir_;
  if (!process.StartedWithoutArguments()) {
    // Saves go to the game folder given on the command line; an archive named there saves beside itself.
    std::string folder = process.BaseFolder();
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    struct stat st;
    if (::stat(folder.c_str(), &st) == 0 && S_ISREG(st.st_mode)) folder = folder.substr(0, folder.find_last_of('/') + 1);
    place.ArgumentFolder = folder.empty() ? "./" : folder;
  }
  place.ExecutableFolder = process.ExecutableFolder();
  place.DataHome = UserDataHome();
  saves_ = std::make_unique<TGameSaves>(std::move(place));
  TSaveParts& parts = saves_->Parts();
  parts.Scene = scene_;
  parts.Vars = process.Vars();
  parts.Tables = &funcs_->DB();
  parts.Files = &files_;
  parts.Process = &process.Values();
  parts.MessageBoxes = platform_.MessageBoxes;
  parts.CloseWindow = [this] { Close(); };
  // The message history goes into the game save (older records: one history for the default format), the read
  // marks into the status record.
  parts.History.Save = [this](TStream& s) {
    if (history_) history_->SaveToStream(s);
  };
  parts.History.Load = [this](TStream& s, int32_t version) {
    if (history_) history_->LoadFromStream(s, version);
  };
  parts.ReadList.Save = [this](TStream& s) {
    if (text_read_) text_read_->SaveToStream(s);
  };
  parts.ReadList.Load = [this](TStream& s, int32_t version) {
    if (text_read_) text_read_->LoadFromStream(s, version);
  };
  parts.AfterLoad.push_back([this] { after_load(); });
  return saves_.get();
}

// Older records carry the default history format's layout settings in their variable block; message windows lay
// their pages out again now that the variables and the interpreter they read are loaded.
void TGameSession::after_load() {
  TParamCollection* vars = process_ != nullptr ? process_->Vars() : nullptr;
  if (history_ && vars != nullptr && vars->OldHistoryCount > 0) {
    const auto& v = vars->OldHistorySettings;
    history_->DefaultFormat().Layout = THistLayout{v[0], v[1], v[2], v[3], v[4], v[5]};
  }
  if (scene_ == nullptr) return;
  for (int32_t i = 0; i < scene_->ObjectCount(); ++i) {
    if (auto* window = dynamic_cast<TVelkMes*>(scene_->ObjectAt(i))) window->RebuildAfterLoad();
  }
}

void TGameSession::connect_scene(TPlayerProcess& process, int32_t identification) {
  if (scene_ == nullptr) return;
  images_ = std::make_unique<TBrixCollection>(files_, identification, 32);
  if (saves_) {
    saves_->CacheState().ApplyTo(*images_);
    saves_->Parts().Images = images_.get();
  }
  TSceneServices& services = scene_->Services;
  services.Images = images_.get();
  services.Process = &process.Values();
  services.Exists = [this](const std::string& name) { return files_.Exists(name); };
  services.ReadFile = [this](TStream& target, const std::string& name) {
    if (!files_.Exists(name)) return false;
    files_.ReadFile(target, name);
    return true;
  };
  services.LoadFilm = [](TVelkControl& target, const std::string& source) { return LoadFilmFor(target, source); };
  TParamCollection* vars = process.Vars();
  services.SetSelection = [vars](const std::string& text, int32_t index) {
    if (vars == nullptr) return;
    vars->SelStr = text;
    vars->SelIndex = index;
  };
  // Cursors reach the window; the default cursor file is the system variable "@Cursor".
  services.Cursors = platform_.Cursors;
  services.DefaultCursor = [vars] { return vars != nullptr ? vars->Cursor : std::string(); };
  // Edit boxes copy and paste through the system's clipboard when there is one.
  if (IClipboard* clipboard = platform_.Clipboard) {
    services.GetClipboard = [clipboard] { return Utf8ToCp932Strict(clipboard->Text()); };
    services.SetClipboard = [clipboard](const std::string& text) { clipboard->SetText(Cp932ToUtf8(text)); };
  }
}

// The zoom transition turns about the project's screen centre unless the flip names another.
void TGameSession::SetTransitionCentre(int32_t x, int32_t y) {
  if (scene_ != nullptr) scene_->Wipes.ZoomCentre = TPoint{x, y};
}

// The window takes its caption from the project's title when it starts up, right after the project; "@Title"
// reads it from here on.
void TGameSession::SetTitle(const std::string& title) {
  if (var_host_) var_host_->SetTitle(title);
}

std::unique_ptr<IFrameMedia> TGameSession::StartMedia(TPlayerProcess& process) {
  IVelkMedia* lib = process.MediaLib().Lib();
  if (lib == nullptr || platform_.Clock == nullptr) return std::make_unique<TNoFrameMedia>();
  const TGameSettings& settings = process.Settings();
  IClock& clock = *platform_.Clock;
  TMediaSetup setup;
  setup.Lib = lib;
  setup.Files = &files_;
  setup.Init.Streams = process.MediaLib().StreamCallbacks();
  setup.Init.Fpu = TVelkLib::FpuCallbacks();
  setup.UseWmp = settings.UseWMP;
  setup.DirectSound = settings.DirectSound;
  // Without the library's own output, Ogg and wave sounds go through the wave output into the mixer.
  if (!settings.DirectSound && mixer_ != nullptr) {
    wav_device_ = std::make_unique<TAudioWavDevice>(*mixer_);
    wav_out_ = std::make_unique<TWavOut>(*wav_device_, clock, settings.DelayTime);
    wave_output_ = std::make_unique<TWaveOutput>(*wav_out_, !game_clock_audio_);
    setup.WaveOutput = wave_output_.get();
  }
  TAudioMixer* mixer = mixer_;
  if (mixer != nullptr) {
    mixer->SetMasterVolume(MasterVolumeHundredthsDb(settings.MasterVolume));
    if (settings.MuteWhenInactive && process.Form() != nullptr)
      process.Form()->SetFocusHook([mixer](bool focused) { mixer->SetMuted(!focused); });
  }
  // An output nobody hears (headless runs) needs no synthesiser: songs keep their timing without one.
  setup.MakeMidiPlayer = [mixer, &clock, silent = !audio_heard_]() -> std::unique_ptr<IMidiSongPlayer> {
    return std::make_unique<TSynthSongPlayer>(mixer, clock, true, silent);
  };
  setup.MidiDevices = {TSynthMidiOut::Device().Name};
  if (process.Form() != nullptr) setup.Window = &process.Form()->Window();
  if (process.Project() != nullptr) {
    setup.ScreenWidth = process.Project()->ScreenWidth();
    setup.ScreenHeight = process.Project()->ScreenHeight();
    // The preferred full-screen size is the screen's own.
    setup.PreferredWidth = setup.ScreenWidth;
    setup.PreferredHeight = setup.ScreenHeight;
  }
  const TTrace& trace = process.Trace();
  setup.Trace = [&trace](const char* name) { trace(name); };
  auto media = std::make_unique<TMediaSet>(setup);
  media_ = media.get();
  connect_media();
  return std::make_unique<TFrameMediaSet>(std::move(media), [this] {
    media_ = nullptr;
    connect_media();
  });
}

void TGameSession::PumpAudio() {
  if (game_clock_audio_ && wav_out_ != nullptr && wav_out_->IsOpen()) wav_out_->Pump();
}

// Sounds and videos reach the media managers while they exist.
void TGameSession::connect_media() {
  if (scene_ == nullptr) return;
  TSceneServices& services = scene_->Services;
  if (media_ == nullptr) {
    services.SoundManager = nullptr;
    services.VideoManager = nullptr;
    return;
  }
  TMediaSet* media = media_;
  services.SoundManager = [media](const std::string& name) { return media->ManagerFor(name); };
  services.VideoManager = [media] { return &media->Video(); };
}

bool TGameSession::FreePart(const std::string& name) {
  // The image cache outlives the scene (its components hand their pictures back when they are destroyed).
  if (name == "BrixMan.Free" && images_ != nullptr && scene_ == nullptr) {
    if (saves_) saves_->Parts().Images = nullptr;
    images_.reset();
    return true;
  }
  // The media managers, in their shutdown order.
  if (media_ != nullptr && media_->FreePart(name)) return true;
  // The system functions go after the project that called them.
  if (name == "SysFuncMan.Free" && funcs_ != nullptr) {
    if (saves_) saves_->Parts().Tables = nullptr;
    funcs_.reset();
    shell_host_.reset();
    save_funcs_.reset();
    func_host_.reset();
    return true;
  }
  return false;
}

void TGameSession::Serve(TPlayerHost& host) {
  host.MakeScene = [this](TPlayerProcess& p) { return MakeScene(p); };
  host.LoadProject = [this](TPlayerProcess& p) { return LoadProject(p); };
  host.StartMedia = [this](TPlayerProcess& p) { return StartMedia(p); };
  host.FrameFiles = [this](TPlayerProcess&) -> IFrameFiles* { return this; };
  host.FreePart = [this](const std::string& name) { return FreePart(name); };
}

void TGameSession::Close() {
  if (process_ != nullptr) process_->Values().QuitFlag = true;
  if (process_ != nullptr && process_->Form() != nullptr) process_->Form()->RequestClose();
}

std::unique_ptr<ICallManager> TGameSession::CreateCallManager(TProject& project) {
  if (process_ == nullptr) return nullptr;
  call_host_ = std::make_unique<TProjectCallHost>(project);
  call_host_->OnClose = [this] { Close(); };
  if (process_->Host().TraceToStderr || process_->LogLibraryLoaded()) {
    call_host_->OnTrace = [this](const std::string& line) { process_->TraceLine(line); };
  }
  TCallManServices services;
  services.Vars = process_->Vars();
  services.Process = &process_->Values();
  services.Host = call_host_.get();
  services.Scene = scene_calls_.get();
  services.Funcs = funcs_.get();
  auto calls = std::make_unique<TCallMan>(services);
  if (save_funcs_) save_funcs_->SetCalls(calls.get());
  if (saves_) saves_->Parts().Calls = calls.get();
  if (var_host_) var_host_->SetCalls(calls.get());
  // Message windows and the history read the messages of pages through the interpreter's page cache; the reset
  // command empties the history.
  message_texts_ = std::make_unique<TPageMessageTexts>(*call_host_, calls.get());
  word_vars_ = std::make_unique<TExprWordVars>(*process_->Vars(), funcs_.get());
  if (history_) history_->Texts = message_texts_.get();
  call_host_->OnResetData = [this] {
    if (history_) history_->Reset();
  };
  // Components evaluate their own expressions (last-frame waits, particle positions) in the game's variables.
  if (scene_ != nullptr) {
    TCallMan* interpreter = calls.get();
    scene_->Services.MessageTexts = message_texts_.get();
    scene_->Services.WordVars = word_vars_.get();
    scene_->Services.EvaluateInt = [interpreter](TVelkParser& expr) {
      const TCustomParam* value = interpreter->Evaluate(expr);
      return value != nullptr ? value->GetInt() : 0;
    };
  }
  return calls;
}

}  // namespace velk
