#pragma once
// The running game's subsystems, wired together for the player: the virtual file manager with the mounted game
// data, the scene list behind the frame procedure, the project with its interpreter. The process asks it for the
// scene (at "VelkInitialize") and for the project (at "TProject.Create").
#include <memory>

#include "app/frame_services.h"
#include "script/project_services.h"
#include "vfs/file_manager.h"

namespace velk {

class TBrixCollection;
class TCallVarHost;
class TPlayerProcess;
class TProjectCallHost;
class TSceneCalls;
class TVelkBaseList;

class TGameSession : public IProjectWindow {
 public:
  explicit TGameSession(const TPlatform& platform);
  ~TGameSession() override;

  // The scene list, as the frame procedure drives it. Call once, before LoadProject.
  std::unique_ptr<IFrameScene> MakeScene(TPlayerProcess& process);
  // Mounts the game data the process found and creates the project; null when it did not start (its own message
  // said why).
  std::unique_ptr<IFrameProject> LoadProject(TPlayerProcess& process);

  TVrFileManager& Files() { return files_; }

  // IProjectWindow.
  void SetTitle(const std::string& title) override;
  void SetTransitionCentre(int32_t x, int32_t y) override;
  void Close() override;
  std::unique_ptr<ICallManager> CreateCallManager(TProject& project) override;

 private:
  void mount(TPlayerProcess& process);
  // Gives the scene's components the game files, the image cache and the selection result.
  void connect_scene(TPlayerProcess& process, int32_t identification);

  TPlatform platform_;
  TVrFileManager files_;
  // Outlives the scene: components hand their pictures back when they are destroyed.
  std::unique_ptr<TBrixCollection> images_;
  TPlayerProcess* process_ = nullptr;
  TVelkBaseList* scene_ = nullptr;  // owned by the scene adapter the process holds
  std::unique_ptr<TSceneCalls> scene_calls_;
  std::unique_ptr<TProjectCallHost> call_host_;
  std::unique_ptr<TCallVarHost> var_host_;
};

}  // namespace velk
