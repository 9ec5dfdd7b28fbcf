#pragma once
// The save file save.dat: an archive holding the numbered game saves ("GAMESAVEDATA" + slot), the status record
// ("STATUSSAVEDATA") and the files scripts stored under "save:" names. Each owner writes its own block; this class
// puts the blocks in their order, finds the file's place, and replaces the file safely.
//
// A part of the game joins the save data through TSaveParts: scene components through their own save records (the
// scene list writes every object), the message history and the read-message list through their hooks, and whatever
// must be rebuilt after a load through an AfterLoad hook. Parts that do not exist yet write their empty forms.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "gfx/image_cache_state.h"
#include "script/project_services.h"
#include "script/save_path.h"
#include "vfs/safe_file.h"

namespace velk {

class TBrixCollection;
class TCallMan;
class TDBManager;
class TParamCollection;
class TStream;
class TVelkBaseList;
class TVrFileCollection;
class TVrFileManager;
struct TProcessValues;

// One owner's block: Save writes it, Load reads it with the version of the record it stands in.
struct TSaveHook {
  std::function<void(TStream&)> Save;
  std::function<void(TStream&, int32_t version)> Load;
};

// Who writes the blocks. Pointers are null while their owner does not exist.
struct TSaveParts {
  TVelkBaseList* Scene = nullptr;
  TParamCollection* Vars = nullptr;
  TCallMan* Calls = nullptr;
  TDBManager* Tables = nullptr;
  TBrixCollection* Images = nullptr;
  TVrFileManager* Files = nullptr;  // its collection 0 (memory) receives the "save:" files
  TProcessValues* Process = nullptr;
  IMessageBoxes* MessageBoxes = nullptr;
  // The message history, field 6 of a game save. Its Load reads the history of records from version 107 on: below
  // 135 the older single-format block. Without a hook an empty history (no formats) is written, and only that loads.
  TSaveHook History;
  // The read-message list in the status record; Load receives the status version (below 100: no list is stored).
  // Without a hook an empty list is written and a stored one is read and dropped.
  TSaveHook ReadList;
  // Run in order after a game save has loaded (message windows rebuild their pages here).
  std::vector<std::function<void()>> AfterLoad;
  // Asks the main window to close (after a load that failed).
  std::function<void()> CloseWindow;
};

class TGameSaves : public IGameSaves {
 public:
  static constexpr int32_t kVersion = 140;
  static constexpr int32_t kOldestVersion = 107;
  static constexpr int32_t kStatusVersion = 103;

  explicit TGameSaves(TSavePlace place) : place_(std::move(place)) {}

  TSaveParts& Parts() { return parts_; }
  // The path of save.dat, found on first need.
  const std::string& SavePath();
  // The image cache's state read from the status record (or the defaults); applied when the cache is made.
  const TBrixCacheState& CacheState() const { return cache_state_; }
  // Stops a write at chosen points (tests).
  TSafeWriteProbe WriteProbe;

  // IGameSaves.
  void RestoreStatus(TProject& project) override;
  std::vector<TSaveTitle> ReadSaveTitles(TProject& project) override;
  void WriteStatus(TProject& project) override;
  void LoadSlot(TProject& project, int32_t slot) override;
  void SaveSlot(TProject& project, int32_t slot) override;

  // Stores a script's "save:" file in save.dat (replacing one of that name); false when the file cannot be written
  // (an unreadable save.dat among the reasons: it stays as it is).
  bool StoreFile(const std::string& name, const std::vector<uint8_t>& bytes);

  // The game save record of the running game, and loading one (the load is all or nothing: a record that fails
  // leaves the game as it was and throws).
  void WriteRecord(TStream& s, const std::string& title, const std::string& resume_page, int32_t resume_index);
  void ReadRecord(TStream& s);
  void WriteStatusRecord(TStream& s);
  void ReadStatusRecord(TStream& s);

 private:
  bool has_game_parts() const;
  void read_record_unsafe(TStream& s);
  void load_vars_and_tables(TStream& s, int32_t version);
  // Opens save.dat; false when there is none. A file that exists but cannot be read throws.
  bool open(TVrFileCollection& file);
  void write_file(TVrFileCollection& file);
  // Whether the project's status data may replace what the save file holds, and replacing it in an opened file.
  bool status_writable(const TProject& project);
  void put_status(TVrFileCollection& file);
  void show(const std::string& text);

  TSavePlace place_;
  TSaveParts parts_;
  std::string path_;
  bool path_known_ = false;
  TBrixCacheState cache_state_;
  bool status_restored_ = false;
};

// The entry name of a game save slot.
std::string GameSaveEntryName(int32_t slot);

}  // namespace velk
