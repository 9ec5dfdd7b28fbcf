#pragma once
// The saved contexts of the interpreter: one per page call and per event handler that interrupted the script.
// Pushing, popping and clearing keep the variable store's current frame at the number of saved contexts, so the
// variables created while k contexts are saved belong to frame k.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "expr/param.h"
#include "scene/velk_object.h"
#include "vfs/stream.h"
#include "vfs/stream_io.h"

namespace velk {

class ICallScene;
class TParamCollection;

struct TStack {
  std::string PageName;
  int32_t Index = 0;
  bool Started = false;
  // The variable that receives the call's return value; empty: none.
  std::string ReturnVar;
  TArrayString Args;
  TObjectHandle Sender;
  bool Continue = false;
  // The interrupted command's SaveState output, or null.
  std::unique_ptr<TMemoryStream> State;
  // The holder of the called page's return value, or null.
  std::unique_ptr<TCustomParam> ReturnValue;

  // Senders are stored by name (empty when gone) and found again by name; the scene may be null.
  void SaveToStream(TStream& s, const ICallScene* scene) const;
  void LoadFromStream(TStream& s, const ICallScene* scene);
};

class TStackList {
 public:
  explicit TStackList(TParamCollection& vars) : vars_(vars) {}

  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  TStack& Item(int32_t i) const { return *items_.at(static_cast<size_t>(i)); }
  TStack& Push();
  // Moves the last context into the spare one and returns that; an empty list raises "スタックエラー".
  TStack& Pop();
  void Clear();
  // Removes the context at index i (0 <= i < Count()).
  void Delete(int32_t i);
  TStack& Spare() { return spare_; }

  // The spare context, the count, then every context, outermost first.
  void SaveToStream(TStream& s, const ICallScene* scene) const;
  void LoadFromStream(TStream& s, const ICallScene* scene);

 private:
  void sync_frame();

  TParamCollection& vars_;
  std::vector<std::unique_ptr<TStack>> items_;
  TStack spare_;
};

}  // namespace velk
