#include "scene/timer_list.h"

#include <algorithm>

#include "scene/base_list.h"
#include "vfs/stream_io.h"

namespace velk {

TTimerData* TTimerList::Item(int32_t i) const {
  if (i < 0 || i >= Count()) return nullptr;
  return items_[static_cast<size_t>(i)].get();
}

void TTimerList::Queue(TObjectHandle sender, const std::string& handler, const std::vector<std::string>* args,
                       uint8_t id) {
  auto data = std::make_unique<TTimerData>();
  data->Handler = handler;
  data->Sender = sender;
  data->EventId = id;
  if (args) data->Args = *args;
  items_.push_back(std::move(data));
}

int32_t TTimerList::FindPending(TObjectHandle sender, uint8_t id) const {
  for (size_t i = 0; i < items_.size(); ++i) {
    if (items_[i]->Sender == sender && items_[i]->EventId == id) return static_cast<int32_t>(i);
  }
  return -1;
}

TTimerData* TTimerList::NextWaiting() const {
  for (const auto& item : items_) {
    if (item->State == 0) return item.get();
  }
  return nullptr;
}

void TTimerList::RemoveLevel(int32_t level) {
  std::erase_if(items_, [level](const auto& d) { return d->State == level; });
}

void TTimerList::RemoveRunning() {
  std::erase_if(items_, [](const auto& d) { return d->State != 0; });
}

void TTimerList::RemoveWaitingOf(TObjectHandle sender) {
  std::erase_if(items_, [sender](const auto& d) { return d->State == 0 && d->Sender == sender; });
}

void TTimerList::SaveToStream(TStream& s, const TVelkBaseList& scene) const {
  WriteInt(s, Count());
  for (const auto& d : items_) {
    WriteString(s, d->Handler);
    const TVelkObject* sender = scene.Resolve(d->Sender);
    WriteString(s, sender ? sender->Name() : std::string());
    WriteByte(s, d->EventId);
    WriteInt(s, d->State);
    WriteStrings(s, d->Args);
  }
}

void TTimerList::LoadFromStream(TStream& s, int32_t version, TVelkBaseList& scene) {
  items_.clear();
  const int32_t count = ReadInt(s);
  // Every record holds at least a handler length, a sender length, the id, a state and an argument count.
  CheckCount(s, count, 4 + 4 + 1 + 1 + 4);
  for (int32_t i = 0; i < count; ++i) {
    auto d = std::make_unique<TTimerData>();
    d->Handler = ReadString(s);
    const std::string sender = ReadString(s);
    d->EventId = ReadByte(s);
    if (version <= 113) {
      d->State = ReadByte(s) != 0 ? 1 : 0;
    } else {
      d->State = ReadInt(s);
    }
    d->Args = ReadStrings(s);
    if (!sender.empty()) {
      if (TVelkObject* o = scene.FindObject(sender)) d->Sender = o->Handle();
    }
    items_.push_back(std::move(d));
  }
}

}  // namespace velk
