#pragma once
// The event queue: components append records, the interpreter takes the first waiting one, runs its handler at a
// call level and removes the records of that level when the handler returns. Senders are held by handle, so a
// record outlives the destruction of its sender safely (it then has no sender).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "scene/velk_object.h"

namespace velk {

class TStream;
class TVelkBaseList;

struct TTimerData {
  std::string Handler;  // the script location stored in the event property
  TObjectHandle Sender;
  uint8_t EventId = 0;
  int32_t State = 0;  // 0 waiting; n > 0 its handler runs at call level n
  std::vector<std::string> Args;
};

class TTimerList {
 public:
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  TTimerData* Item(int32_t i) const;
  void Queue(TObjectHandle sender, const std::string& handler, const std::vector<std::string>* args, uint8_t id);
  // Index of the first record of the sender with this id, whatever its state, or -1.
  int32_t FindPending(TObjectHandle sender, uint8_t id) const;
  // The first record whose state is 0, or null.
  TTimerData* NextWaiting() const;
  void RemoveLevel(int32_t level);
  void RemoveRunning();
  void RemoveWaitingOf(TObjectHandle sender);
  void Clear() { items_.clear(); }

  // Senders are written by name (empty when no longer registered) and found again by name on load.
  void SaveToStream(TStream& s, const TVelkBaseList& scene) const;
  void LoadFromStream(TStream& s, int32_t version, TVelkBaseList& scene);

 private:
  std::vector<std::unique_ptr<TTimerData>> items_;
};

}  // namespace velk
