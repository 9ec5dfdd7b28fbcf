#pragma once
// The system functions the project and the interpreter answer: the save slots' captions and the removal of a call
// frame. Every other function goes on to the host behind (the scene's).
#include <span>

#include "expr/sys_func_man.h"

namespace velk {

class TCallMan;
class TGameSaves;
class TProject;
class TVrFileManager;

class TSaveFuncHost : public ISysFuncHost {
 public:
  // next may be null: the functions it would answer leave the target unchanged.
  explicit TSaveFuncHost(ISysFuncHost* next) : next_(next) {}
  // Either may be null while it does not exist: its functions are then not available.
  void SetProject(const TProject* project) { project_ = project; }
  void SetCalls(TCallMan* calls) { calls_ = calls; }
  // The virtual files, whose memory collection (collection 0) receives "mem:" and "save:" copies, and the save file
  // that keeps the "save:" ones.
  void SetFiles(TVrFileManager* files) { files_ = files; }
  void SetSaves(TGameSaves* saves) { saves_ = saves; }

  uint8_t PropertyType(int32_t prop) const override;
  // GetSaveCaption (slot): the slot's save title, empty for a slot never saved. ListSaveCaption ([titles [, slots]]):
  // the number of saved slots; the first variable receives their titles and the second their slot numbers, both
  // as arrays in the order of the slots. DeleteStack (n): TCallMan::DeleteStack. CopyFile (source, destination) to
  // a "mem:" or "save:" destination: a memory entry of that name, for "save:" also kept in save.dat; the result is
  // whether the source was found and everything was stored.
  bool Call(uint8_t number, TCustomParam& target, std::span<TCustomParam* const> args) override;

 private:
  bool copy_to_memory(const std::string& source, const std::string& dest);

  ISysFuncHost* next_;
  const TProject* project_ = nullptr;
  TCallMan* calls_ = nullptr;
  TVrFileManager* files_ = nullptr;
  TGameSaves* saves_ = nullptr;
};

}  // namespace velk
