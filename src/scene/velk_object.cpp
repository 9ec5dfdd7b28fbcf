#include "scene/velk_object.h"

#include "scene/base_list.h"
#include "scene/prop_table.h"
#include "vfs/stream_io.h"

namespace velk {

namespace {

using P = TProps<TVelkObject>;

const TPropTable<TVelkObject> kObjectProps = {
    P::Custom<&TVelkObject::Name, &TVelkObject::SetName>(PR_NAME),
    P::Custom<&TVelkObject::Priority, &TVelkObject::SetPriority>(PR_PRIORITY),
    P::Plain<&TVelkObject::Tag>(PR_TAG),
    P::ReadOnly<&TVelkObject::ComponentType>(PR_COMPOTYPE),
};

}  // namespace

TVelkObject::TVelkObject(TVelkBaseList* owner)
    : owner_(owner), handle_(owner ? owner->TakeSerial() : TObjectHandle{}) {}

void TVelkObject::SetName(const std::string& name) {
  if (name == name_) return;
  if (owner_ && !name.empty()) {
    TVelkObject* other = owner_->ObjectAt(owner_->IndexOfName(name));
    if (other && other != this) {
      // Internal objects are never removed by a rename; the rename is refused instead.
      if (IsInternalName(other->Name())) return;
      owner_->ScheduleDelete(other);
    }
  }
  name_ = name;
}

void TVelkObject::SetPriority(int32_t value) {
  priority_ = value;
  motion_priority_ = 0;
}

void TVelkObject::SetMotionPriority(int32_t value) { motion_priority_ = value; }

bool TVelkObject::GetProp(int32_t id, TPropValue& value) const { return kObjectProps.Get(*this, id, value); }

bool TVelkObject::SetProp(int32_t id, const TPropValue& value) { return kObjectProps.Set(*this, id, value); }

std::string TVelkObject::Handler(int32_t id) const {
  if (!ValidPropId(id) || !PropInfo(id).Event) return {};
  TPropValue v;
  return GetProp(id, v) ? v.S : std::string();
}

bool TVelkObject::QueueOwnEvent(int32_t id, const std::vector<std::string>& args, bool unique) {
  if (!owner_ || InCabinet() || EventsBlocked()) return false;
  const std::string handler = Handler(id);
  if (handler.empty()) return false;
  const auto code = static_cast<uint8_t>(id);
  if (unique && owner_->Events.FindPending(handle_, code) >= 0) return false;
  owner_->Events.Queue(handle_, handler, &args, code);
  return true;
}

void TVelkObject::SaveToStream(TStream& s) const {
  WriteString(s, name_);
  WriteInt(s, priority_);
  WriteInt(s, motion_priority_);
  WriteString(s, Tag);
}

void TVelkObject::LoadFromStream(TStream& s, int32_t version, int32_t /*depth*/) {
  std::string name = ReadString(s);
  // A base keeps its fixed name whatever the data says.
  if (!AsBase()) name_ = std::move(name);
  priority_ = ReadInt(s);
  if (version > 103) motion_priority_ = ReadInt(s);
  if (version >= 120) Tag = ReadString(s);
}

}  // namespace velk
