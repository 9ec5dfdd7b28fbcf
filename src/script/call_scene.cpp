#include "script/call_scene.h"

#include "scene/base_list.h"
#include "scene/props.h"

namespace velk {

TTimerList& TSceneCalls::Events() { return scene_.Events; }

TObjectHandle TSceneCalls::FindObject(const std::string& name) const {
  const TVelkObject* object = name.empty() ? nullptr : scene_.FindObject(name);
  return object != nullptr ? object->Handle() : TObjectHandle{};
}

std::string TSceneCalls::ObjectName(TObjectHandle object) const {
  const TVelkObject* o = scene_.Resolve(object);
  return o != nullptr ? o->Name() : std::string();
}

void TSceneCalls::GetProperty(TObjectHandle object, int32_t id, TCustomParam& variable) {
  if (const TVelkObject* o = scene_.Resolve(object)) velk::GetProperty(variable, *o, id);
}

void TSceneCalls::SetProperty(TObjectHandle object, int32_t id, const TCustomParam& value) {
  if (TVelkObject* o = scene_.Resolve(object)) velk::SetProperty(*o, id, value);
}

void TSceneCalls::DeleteObject(TObjectHandle object) {
  if (TVelkObject* o = scene_.Resolve(object)) scene_.ScheduleDelete(o);
}

void TSceneCalls::Reset() { scene_.Reset(); }

TVelkObject* TSceneCalls::CreateComponent(uint8_t code) { return scene_.CreateComponent(code); }

}  // namespace velk
