#include "scene/velk_prop_motion.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "scene/base_list.h"
#include "scene/prop_table.h"
#include "vfs/stream_io.h"

namespace velk {

namespace {

using PM = TVelkPropMotion;

const TPropTable<PM> kPropMotionProps = {
    TProps<PM>::Plain<&PM::PausedFlag>(PR_PAUSED),
    {PR_PLAYING, [](const PM& m, TPropValue& v) { v.B = !m.PausedFlag; }, nullptr},
};

}  // namespace

bool TVelkPropMotion::GetProp(int32_t id, TPropValue& value) const {
  return kPropMotionProps.Get(*this, id, value) || TVelkComponent::GetProp(id, value);
}

bool TVelkPropMotion::SetProp(int32_t id, const TPropValue& value) {
  return kPropMotionProps.Set(*this, id, value) || TVelkComponent::SetProp(id, value);
}

long double TVelkPropMotion::ValueAt(int32_t elapsed, bool& last) const {
  last = false;
  const long double s = StartValue, e = EndValue;
  if (elapsed == 0) return s;
  // In 64 bits: a duration of INT32_MIN has no predecessor in 32.
  const int64_t t = elapsed, l = Duration;
  if (t >= l - 1) {
    last = true;
    return e;
  }
  // Here 0 < t < l - 1, so l is at least 3.
  const long double quarter = std::numbers::pi_v<long double> / 2;
  const auto lt = static_cast<long double>(t), ll = static_cast<long double>(l);
  switch (Easing) {
    case kSlowStart: return e - std::sin((ll - lt - 1) * quarter / ll) * (e - s);
    case kSlowEnd: return s + std::sin(lt * quarter / ll) * (e - s);
    default: return s + (e - s) * lt / ll;
  }
}

bool TVelkPropMotion::Update() {
  if (PausedFlag || !Owner()) return false;
  TVelkObject* target = nullptr;
  if (!TargetObject) {
    target = Owner()->FindObject(Target);
    if (!target || PropId >= kPropCount) return true;
    TargetObject = target->Handle();
    if (!start_known_) {
      GetProperty(value_, *target, PropId);
      StartValue = value_.GetFloat();
    }
  } else {
    target = Owner()->Resolve(TargetObject);
    if (!target) return true;
  }
  bool last = false;
  value_.SetFloat(ValueAt(Elapsed, last));
  SetProperty(*target, PropId, value_);
  // The motion may have ended itself through the property it moves (a rename, a deletion).
  if (last) return true;
  Elapsed = static_cast<int32_t>(std::min<int64_t>(int64_t{Elapsed} + Owner()->FrameMs(), INT32_MAX));
  return false;
}

void TVelkPropMotion::SaveToStream(TStream& s) const {
  TVelkComponent::SaveToStream(s);
  const TVelkObject* target = Owner() ? Owner()->Resolve(TargetObject) : nullptr;
  WriteString(s, target ? target->Name() : (TargetObject ? std::string() : Target));
  WriteInt(s, PropId);
  WriteExtended(s, EndValue);
  WriteInt(s, Duration);
  WriteInt(s, Easing);
  WriteExtended(s, StartValue);
  WriteInt(s, Elapsed);
  WriteBool(s, PausedFlag);
}

void TVelkPropMotion::LoadFromStream(TStream& s, int32_t version, int32_t depth) {
  TVelkComponent::LoadFromStream(s, version, depth);
  Target = ReadString(s);
  TargetObject = {};
  // An id beyond the table ends the motion at its first update, as an unset one does.
  const int32_t id = ReadInt(s);
  PropId = id >= 0 && id < kPropCount ? static_cast<uint8_t>(id) : kNoProperty;
  EndValue = ReadExtended(s);
  Duration = ReadInt(s);
  const int32_t easing = ReadInt(s);
  Easing = easing >= 0 && easing <= 255 ? static_cast<uint8_t>(easing) : 0;
  StartValue = ReadExtended(s);
  // A negative time would run the curve backwards beyond its start.
  Elapsed = std::max(ReadInt(s), 0);
  PausedFlag = ReadByte(s) != 0;
  start_known_ = true;
}

}  // namespace velk
