#pragma once
// The system functions the project and the interpreter answer: the save slots' captions and the removal of a call
// frame. Every other function goes on to the host behind (the scene's).
#include <span>

#include "expr/sys_func_man.h"

namespace velk {

class TCallMan;
class TProject;

class TSaveFuncHost : public ISysFuncHost {
 public:
  // next may be null: the functions it would answer leave the target unchanged.
  explicit TSaveFuncHost(ISysFuncHost* next) : next_(next) {}
  // Either may be null while it does not exist: its functions are then not available.
  void SetProject(const TProject* project) { project_ = project; }
  void SetCalls(TCallMan* calls) { calls_ = calls; }

  uint8_t PropertyType(int32_t prop) const override;
  // GetSaveCaption (slot): the slot's save title, empty for a slot never saved. ListSaveCaption ([titles [, slots]]):
  // the number of saved slots; the first variable receives their titles and the second their slot numbers, both
  // as arrays in the order of the slots. DeleteStack (n): TCallMan::DeleteStack.
  bool Call(uint8_t number, TCustomParam& target, std::span<TCustomParam* const> args) override;

 private:
  ISysFuncHost* next_;
  const TProject* project_ = nullptr;
  TCallMan* calls_ = nullptr;
};

}  // namespace velk
