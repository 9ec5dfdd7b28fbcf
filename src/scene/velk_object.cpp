#include "scene/velk_object.h"

#include "scene/base_list.h"
#include "vfs/stream_io.h"

namespace velk {

namespace {

const std::array<TPropRow<TVelkObject>, 4> kObjectRows = {{
    {PR_NAME, [](const TVelkObject& o, TPropValue& v) { v.S = o.Name(); },
     [](TVelkObject& o, const TPropValue& v) { o.SetName(v.S); }},
    {PR_PRIORITY, [](const TVelkObject& o, TPropValue& v) { v.I = o.Priority(); },
     [](TVelkObject& o, const TPropValue& v) { o.SetPriority(v.I); }},
    {PR_TAG, [](const TVelkObject& o, TPropValue& v) { v.S = o.Tag; },
     [](TVelkObject& o, const TPropValue& v) { o.Tag = v.S; }},
    {PR_COMPOTYPE, [](const TVelkObject& o, TPropValue& v) { v.I = o.ComponentType(); }, nullptr},
}};

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

bool TVelkObject::GetProp(int32_t id, TPropValue& value) const {
  const TPropRow<TVelkObject>* row = FindPropRow(kObjectRows, id);
  if (!row || !row->Get) return false;
  row->Get(*this, value);
  return true;
}

bool TVelkObject::SetProp(int32_t id, const TPropValue& value) {
  const TPropRow<TVelkObject>* row = FindPropRow(kObjectRows, id);
  if (!row) return false;
  if (row->Set) row->Set(*this, value);
  return true;
}

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
