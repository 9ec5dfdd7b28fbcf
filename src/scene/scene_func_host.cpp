#include "scene/scene_func_host.h"

#include "expr/param.h"
#include "scene/base_list.h"
#include "scene/props.h"

namespace velk {

uint8_t PropertyValueType(int32_t prop) {
  if (!ValidPropId(prop)) return PT_STR;
  switch (PropInfo(prop).Type) {
    case TPropType::Int: return PT_INT;
    case TPropType::Bool: return PT_BOOL;
    case TPropType::Float: return PT_FLOAT;
    default: return PT_STR;
  }
}

bool TSceneFuncHost::Call(uint8_t number, TCustomParam& target, std::span<TCustomParam* const> args) {
  if (args.empty()) return false;
  TVelkObject* object = scene_ != nullptr ? scene_->FindObject(args[0]->GetStr()) : nullptr;
  switch (number) {
    case sf::Exists: target.SetBool(object != nullptr); return true;
    case sf::GetProp:
      // A missing component leaves the target unchanged.
      if (object != nullptr && args.size() >= 2) GetProperty(target, *object, args[1]->GetInt());
      return true;
    case sf::SetProp:
      if (object != nullptr && args.size() >= 3) SetProperty(*object, args[1]->GetInt(), *args[2]);
      return true;
    default: return false;
  }
}

}  // namespace velk
