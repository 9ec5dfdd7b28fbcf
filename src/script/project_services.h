#pragma once
// What the project needs from the subsystems around it: the interpreter it starts pages in, the save file that
// holds status data and save titles, and the main window. Each is a small interface owned here and implemented by
// the subsystem that provides it.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace velk {

class TParamCollection;
class TProject;
class TVrFileManager;
struct TProcessValues;

// One save title and the slot it belongs to.
struct TSaveTitle {
  int32_t Slot = 0;
  std::string Title;
};

// The interpreter, as far as the project drives it.
class ICallManager {
 public:
  virtual ~ICallManager() = default;
  // Starts a page from its first command, dropping every saved context.
  virtual void Start(const std::string& page) = 0;
  // Runs one frame of the script.
  virtual void RunFrame() = 0;
};

// The save file, as far as the project drives it.
class IGameSaves {
 public:
  virtual ~IGameSaves() = default;
  // Opens the save file and restores the status data and the "save:" files from it.
  virtual void RestoreStatus(TProject& project) = 0;
  // The titles of the saves held by the save file.
  virtual std::vector<TSaveTitle> ReadSaveTitles(TProject& project) = 0;
  // Writes the status data.
  virtual void WriteStatus(TProject& project) = 0;
  virtual void LoadSlot(TProject& project, int32_t slot) = 0;
  virtual void SaveSlot(TProject& project, int32_t slot) = 0;
};

// The main window, as far as the project drives it.
class IProjectWindow {
 public:
  virtual ~IProjectWindow() = default;
  // Sets the application title and the main window's caption.
  virtual void SetTitle(const std::string& title) = 0;
  // The default parameters of screen transition 30: the centre of the screen.
  virtual void SetTransitionCentre(int32_t x, int32_t y) = 0;
  // Asks the main window to close.
  virtual void Close() = 0;
  // Makes the interpreter for the project.
  virtual std::unique_ptr<ICallManager> CreateCallManager(TProject& project) = 0;
};

struct TProjectServices {
  TPlatform Platform;
  TVrFileManager* Files = nullptr;    // required
  TParamCollection* Vars = nullptr;   // required
  TProcessValues* Process = nullptr;  // required
  IProjectWindow* Window = nullptr;   // may be null: no title, no interpreter
  IGameSaves* Saves = nullptr;        // may be null: no save file
  // Started without arguments (or with "/config" first): the game data must be located.
  bool LocateGameData = false;
  // The folder of the executable (disk path ending with "/").
  std::string ExecutableFolder;
};

}  // namespace velk
