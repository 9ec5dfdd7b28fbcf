#include "scene/velk_timer.h"

#include "scene/base_list.h"
#include "scene/prop_table.h"
#include "vfs/stream_io.h"

namespace velk {

namespace {

using T = TVelkTimer;
using P = TProps<T>;

const TPropTable<T> kTimerProps = {
    P::Custom<&T::OnNotify, &T::SetOnNotify>(PR_ONNOTIFY),
    P::Plain<&T::Interval>(PR_DELAY),
    P::Plain<&T::PausedFlag>(PR_PAUSED),
    P::Plain<&T::AutoScrap>(PR_AUTOSCRAP),
};

}  // namespace

TVelkTimer::TVelkTimer(TVelkBaseList* owner) : TVelkComponent(owner), NextTime(clock()) {}

int32_t TVelkTimer::clock() const { return Owner() ? Owner()->Services.GameClock() : 0; }

bool TVelkTimer::GetProp(int32_t id, TPropValue& value) const {
  return kTimerProps.Get(*this, id, value) || TVelkComponent::GetProp(id, value);
}

bool TVelkTimer::SetProp(int32_t id, const TPropValue& value) {
  return kTimerProps.Set(*this, id, value) || TVelkComponent::SetProp(id, value);
}

void TVelkTimer::SetOnNotify(const std::string& handler) {
  OnNotify = handler;
  if (Owner()) Owner()->Events.RemoveWaitingOf(Handle());
  NextTime = clock();
}

bool TVelkTimer::Update() {
  TVelkBaseList* scene = Owner();
  if (!scene) return false;
  const bool pending = scene->Events.FindPending(Handle(), PR_ONNOTIFY) >= 0;
  if (Fired && AutoScrap) return !pending;
  if (Interval < 0 || PausedFlag) return false;
  // In 64 bits: the clock wraps after 24 days and a saved NextTime may be anything.
  if (Interval > 0 && int64_t{clock()} - NextTime < Interval) return false;
  NextTime = static_cast<int32_t>(static_cast<uint32_t>(NextTime) + static_cast<uint32_t>(Interval));
  if (pending) return false;
  QueueOwnEvent(PR_ONNOTIFY);
  Fired = true;
  return false;
}

void TVelkTimer::SaveToStream(TStream& s) const {
  TVelkComponent::SaveToStream(s);
  WriteString(s, OnNotify);
  WriteInt(s, Interval);
  WriteBool(s, PausedFlag);
  WriteBool(s, AutoScrap);
  WriteBool(s, Fired);
}

void TVelkTimer::LoadFromStream(TStream& s, int32_t version, int32_t depth) {
  TVelkComponent::LoadFromStream(s, version, depth);
  OnNotify = ReadString(s);
  Interval = ReadInt(s);
  PausedFlag = ReadBool(s);
  if (version > 103) {
    AutoScrap = ReadBool(s);
    Fired = ReadBool(s);
  }
  NextTime = clock();
}

}  // namespace velk
