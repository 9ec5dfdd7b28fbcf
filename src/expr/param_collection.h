#pragma once
// The variable store: every variable of the running game, the 51 system variables first, with the lookup rules of
// scopes and call frames, the save and load of game and status variables, and the variable stack.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/hash_collection.h"
#include "expr/param.h"
#include "vfs/stream.h"

namespace velk {

class TVarHost;

// Scopes of the variable command.
constexpr int32_t kScopeGlobal = 0;
constexpr int32_t kScopeAutoDispose = 1;
constexpr int32_t kScopeLocal = 2;
constexpr int32_t kScopeStatus = 3;

class TParamCollectionItem : public THashCollectionItem {
 public:
  TCustomParam* Value() const { return value_.get(); }
  void SetValue(std::unique_ptr<TCustomParam> value);
  // Sets the name after checking it: an empty name, one containing a space or one starting with a digit fails with
  // the name in double quotes followed by "：変数名が不正です".
  void SetVarName(std::string name);
  // The class code of the value as stored: 0 for a reference, else its type.
  uint8_t TypeCode() const;
  bool IsSystem() const { return kind_ == Kind::System; }
  // The value is a reference (TParamVar) to another variable or one element of it.
  bool IsReference() const { return kind_ == Kind::Reference; }
  // The value is one of the element classes (int, float, flag, string): reading and writing touch nothing else.
  bool HoldsElements() const { return kind_ == Kind::Elements; }

  uint8_t Reserved = 0;  // saved and loaded, never set by the player
  bool Status = false;   // saved with the status data instead of the game data
  int32_t FrameId = -1;  // the call frame that owns an auto-dispose or local variable
  bool Local = false;    // visible only from its own frame
  // The run of expression evaluation that owns this temporary; 0 for every other variable. Never saved.
  int32_t RunId = 0;

 private:
  // The class of the value, noted when it is set so that evaluation need not ask the value.
  enum class Kind : uint8_t { None, Elements, Reference, System };
  std::unique_ptr<TCustomParam> value_;
  Kind kind_ = Kind::None;
};

class TParamCollection : public THashCollection {
 public:
  // Creates the store with its system variables as items 0 .. 50. Without a host, the defaults of TVarHost answer.
  explicit TParamCollection(TVarHost* host = nullptr);
  ~TParamCollection() override;

  TVarHost& Host() const { return *host_; }
  void SetHost(TVarHost* host);

  TParamCollectionItem* Var(int32_t index) const { return ItemAs<TParamCollectionItem>(index); }
  // Appends an item holding a new value of that type code (0: a reference); the caller sets the name.
  TParamCollectionItem* AddVariable(uint8_t type);
  // A local variable of the current frame wins at once; otherwise the oldest non-local variable of the name. Local
  // variables of other frames and temporaries of other runs are never found.
  TParamCollectionItem* FindVariable(std::string_view name) const;
  // FindVariable as if no temporary existed: what a name finds among the variables of the game itself.
  TParamCollectionItem* FindStored(std::string_view name) const;
  // Changes whenever what FindStored finds may change: a variable (not a temporary) created, freed or renamed, a
  // scope changed by creation or loading. Values are unique across every store of the process, so a resolution
  // cached with one can never be taken for another store's. The current frame is not part of it.
  uint64_t Generation() const { return generation_; }
  // With local: the first entry of that name that is local to the current frame; without: the first non-local.
  TParamCollectionItem* FindForCreate(std::string_view name, bool local) const;
  // The variable command's creation (scope kScope...). Returns the item to write the initial value into, or null when
  // the variable is an existing status variable, which keeps its value.
  TParamCollectionItem* NewVariable(const std::string& name, uint8_t type, int32_t scope);
  // Frees the variable found by FindVariable; system variables are never freed.
  void DeleteVariable(std::string_view name);
  void FreeItem(TParamCollectionItem* item);
  void Delete(int32_t index);
  void Extract(int32_t) = delete;
  void Clear() = delete;
  // Frees every item whose frame id equals it.
  void FreeFrame(int32_t frame_id);
  // Frees every item of that frame and moves the items of every higher frame down one frame.
  void DropFrame(int32_t frame_id);
  // A standalone copy of a variable's value; "%s:不正な変数です" for a missing one or one whose type is not 1 .. 4.
  std::unique_ptr<TCustomParam> CopyValue(std::string_view name) const;

  void SaveGameVars(TStream& s) const;
  // history_settings: how many history settings a record of versions 113 .. 134 holds (3 or 6).
  void LoadGameVars(TStream& s, int32_t version, int32_t history_settings = 3);
  void SaveStatusVars(TStream& s) const;
  void LoadStatusVars(TStream& s, int32_t version);
  void ClearVars();

  void PushVar(const std::vector<std::string>& names);
  void PopVar();
  int32_t StackDepth() const { return static_cast<int32_t>(stack_.size()); }

  // Temporaries of expression evaluation belong to one run. BeginRun makes a new run current and returns the run that
  // was current before; EndRun frees the run's temporaries and makes the previous run current again.
  int32_t BeginRun();
  void EndRun(int32_t previous);
  int32_t CurrentRun() const { return current_run_; }
  // A temporary of the current run: visible by name until the run ends.
  TParamCollectionItem* AddTemporary(const std::string& name, uint8_t type);
  // Makes an item (named, with its value) a temporary of the current run, as AddTemporary does with a new one.
  TParamCollectionItem* LinkTemporary(std::unique_ptr<TParamCollectionItem> item);
  // Takes a temporary out of the store without freeing it, so that a later run can link it again; references that
  // point at it are cleared as if it were freed. Null when the item is not a temporary of this store any more.
  std::unique_ptr<TParamCollectionItem> UnlinkTemporary(TParamCollectionItem* item);
  // Counts the temporaries freed other than by EndRun or UnlinkTemporary (a variable deleted by name, a game load
  // during a run), so that whoever holds a temporary can tell when to check that it still exists.
  uint64_t TemporariesLost() const { return temporaries_lost_; }
  bool HoldsTemporary(const TParamCollectionItem* item) const;

  // Resolved references register here, so that freeing their target clears them instead of leaving them dangling.
  void RegisterReference(TParamVar* ref);
  void UnregisterReference(TParamVar* ref);

  int32_t CurrentFrame = 0;  // the frame whose local variables are visible
  std::string SelStr;        // "@SelStr"
  int32_t SelIndex = 0;      // "@SelIndex"
  int32_t TextDelay = 50;    // "@TextDelay"
  std::string Cursor;        // "@Cursor"
  std::string TempName;      // the variable that "@Temp" stands for
  // The history settings that saves of versions 113 .. 134 carry in the variable block; the history reads them.
  // Such saves hold either three older settings or the six layout settings of the default format (font height,
  // border, shadow, width, height, line space); OldHistoryCount says which the last load read (0: none).
  std::array<int32_t, 6> OldHistorySettings{};
  int32_t OldHistoryCount = 0;

 private:
  void save_records(TStream& s, bool status) const;
  void load_records(TStream& s);
  void free_where(bool (*pred)(const TParamCollectionItem&, int32_t), int32_t arg);
  TParamCollectionItem* find(std::string_view name, bool temporaries) const;
  void clear_references_to(const TParamCollectionItem* item);
  void ChainsChanged(const THashCollectionItem* item) override;
  void touch();

  std::unique_ptr<TVarHost> own_host_;
  TVarHost* host_ = nullptr;
  std::vector<std::unique_ptr<TMemoryStream>> stack_;
  std::vector<TParamVar*> references_;
  std::vector<TParamCollectionItem*> temporaries_;  // of every run in progress, the innermost run's last
  int32_t current_run_ = 0;
  int32_t run_counter_ = 0;
  uint64_t generation_ = 0;
  uint64_t temporaries_lost_ = 0;
};

}  // namespace velk
