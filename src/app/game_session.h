#pragma once
// The running game's subsystems, wired together for the player: the virtual file manager with the mounted game
// data, the scene list behind the frame procedure, the project with its interpreter. The process asks it for the
// scene (at "VelkInitialize") and for the project (at "TProject.Create").
#include <memory>

#include "app/frame_services.h"
#include "script/project_services.h"
#include "vfs/file_manager.h"

namespace velk {

class TAudioMixer;
class TAudioWavDevice;
class TBrixCollection;
class TGameSaves;
class TSaveFuncHost;
class TMediaSet;
class TWaveOutput;
class TWavOut;
class TPlayerVarHost;
struct TPlayerHost;
class TPlayerProcess;
class TProjectCallHost;
class TSceneCalls;
class TSceneFuncHost;
class TShellFuncHost;
class TSysFuncMan;
class TVelkBaseList;
class TVelkHistoryFormatManager;
class TVelkReadList;
class TPageMessageTexts;
class TExprWordVars;

class TGameSession : public IProjectWindow, public IFrameFiles {
 public:
  explicit TGameSession(const TPlatform& platform);
  ~TGameSession() override;

  // The scene list, as the frame procedure drives it. Call once, before LoadProject.
  std::unique_ptr<IFrameScene> MakeScene(TPlayerProcess& process);
  // Mounts the game data the process found and creates the project; null when it did not start (its own message
  // said why).
  std::unique_ptr<IFrameProject> LoadProject(TPlayerProcess& process);

  TVrFileManager& Files() { return files_; }
  // The folder save.dat goes to instead of the usual place (--save-dir); empty: the usual place.
  void SetSaveDir(std::string folder) { save_dir_ = std::move(folder); }
  // The save file, once the project is loading; null before.
  TGameSaves* Saves() { return saves_.get(); }

  // The mixer in front of the platform's audio output, owned by the caller and outliving this session: the wave
  // output and the MIDI synthesiser play into it. Without one they play nowhere. Call before StartMedia.
  void SetMixer(TAudioMixer* mixer) { mixer_ = mixer; }
  // Receives the text of every message page shown (code page 932, rows joined with CR LF). Call before MakeScene.
  void SetTextHook(std::function<void(const std::string&)> hook) { text_hook_ = std::move(hook); }
  TVelkHistoryFormatManager* History() const { return history_.get(); }
  TVelkReadList* TextRead() const { return text_read_.get(); }
  // On the virtual clock the mixer's output consumes by the game clock: the wave output then mixes once per frame,
  // in PumpAudio, instead of on its worker's real-time period.
  void SetGameClockAudio(bool on) { game_clock_audio_ = on; }
  // Whether the mix reaches a device someone hears (false: headless outputs, which throw it away).
  void SetAudioHeard(bool heard) { audio_heard_ = heard; }
  void PumpAudio();
  // The media managers, started at "MediaInit" (see TPlayerHost::StartMedia) with the process's media library;
  // the frame procedure drives them through what this returns, which frees them when it goes. Without a library
  // there are none.
  std::unique_ptr<IFrameMedia> StartMedia(TPlayerProcess& process);
  // Frees a part of the game by its shutdown name; true when it existed (see TPlayerHost::FreePart).
  bool FreePart(const std::string& name);
  // Sets the hooks of the host that this session serves: scene, project, media, file upkeep and shutdown.
  void Serve(TPlayerHost& host);

  // IFrameFiles: the virtual file manager keeps its extracted files until shutdown, so a frame has nothing to
  // collect yet; the count shows that the frame procedure reached this step.
  void FrameUpkeep() override { ++upkeeps_; }
  int64_t FrameUpkeeps() const { return upkeeps_; }

  // IProjectWindow.
  void SetTitle(const std::string& title) override;
  void SetTransitionCentre(int32_t x, int32_t y) override;
  void Close() override;
  std::unique_ptr<ICallManager> CreateCallManager(TProject& project) override;

 private:
  void mount(TPlayerProcess& process);
  // The save file of the project about to load.
  TGameSaves* make_saves(TPlayerProcess& process);
  void after_load();
  // Gives the scene's components the game files, the image cache and the selection result.
  void connect_media();
  void connect_scene(TPlayerProcess& process, int32_t identification);

  TPlatform platform_;
  TVrFileManager files_;
  // Outlives the scene: components hand their pictures back when they are destroyed.
  std::unique_ptr<TBrixCollection> images_;
  TPlayerProcess* process_ = nullptr;
  TVelkBaseList* scene_ = nullptr;  // owned by the scene adapter the process holds
  std::unique_ptr<TSceneCalls> scene_calls_;
  std::unique_ptr<TProjectCallHost> call_host_;
  std::unique_ptr<TPlayerVarHost> var_host_;
  std::unique_ptr<TSceneFuncHost> func_host_;
  std::unique_ptr<TShellFuncHost> shell_host_;  // the dialogs and the desktop, in front of the scene's host
  std::unique_ptr<TSysFuncMan> funcs_;  // the system functions and the data tables
  std::unique_ptr<TSaveFuncHost> save_funcs_;
  std::unique_ptr<TGameSaves> saves_;
  std::string save_dir_;
  int64_t upkeeps_ = 0;
  // Sound: the wave output (when sound does not go through the media library) and the media managers, whose owner
  // the process holds; the wave output outlives them.
  TAudioMixer* mixer_ = nullptr;
  bool game_clock_audio_ = false;
  bool audio_heard_ = true;
  std::unique_ptr<TAudioWavDevice> wav_device_;
  std::unique_ptr<TWavOut> wav_out_;
  std::unique_ptr<TWaveOutput> wave_output_;
  TMediaSet* media_ = nullptr;
  // The companions of the scene for message windows: read marks, history, message texts and variables in text.
  std::function<void(const std::string&)> text_hook_;
  std::unique_ptr<TVelkReadList> text_read_;
  std::unique_ptr<TVelkHistoryFormatManager> history_;
  std::unique_ptr<TPageMessageTexts> message_texts_;
  std::unique_ptr<TExprWordVars> word_vars_;
};

}  // namespace velk
