#include "scene/scene_func_host.h"

#include <algorithm>

#include "expr/param.h"
#include "scene/base_list.h"
#include "scene/mes_data.h"
#include "scene/item_funcs.h"
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
  TVelkObject* object =
      scene_ != nullptr && number != sf::ListCompo ? scene_->FindObject(args[0]->GetStr()) : nullptr;
  switch (number) {
    case sf::Exists: target.SetBool(object != nullptr); return true;
    case sf::GetProp:
      // A missing component leaves the target unchanged.
      if (object != nullptr && args.size() >= 2) GetProperty(target, *object, args[1]->GetInt());
      return true;
    case sf::SetProp:
      if (object != nullptr && args.size() >= 3) SetProperty(*object, args[1]->GetInt(), *args[2]);
      return true;
    case sf::ToClientX:
    case sf::ToClientY:
    case sf::ToScreenX:
    case sf::ToScreenY: {
      auto* control = dynamic_cast<TVelkControl*>(object);
      if (control == nullptr || args.size() < 2) return true;
      int32_t v = args[1]->GetInt();
      bool x = number == sf::ToClientX || number == sf::ToScreenX;
      TPoint p = x ? TPoint{v, 0} : TPoint{0, v};
      TPoint r = number == sf::ToClientX || number == sf::ToClientY ? control->ScreenToClient(p)
                                                                     : control->ClientToScreen(p);
      target.SetInt(x ? r.X : r.Y);
      return true;
    }
    case sf::ListCompo: {
      // ListCompo (variable [, type code [, parent name]]): the names of the scene's components, of one type when the
      // code is not 0, children of the named control when a parent is given.
      std::vector<std::string> names;
      if (scene_ != nullptr) {
        uint8_t code = args.size() >= 2 ? static_cast<uint8_t>(std::clamp(args[1]->GetInt(), 0, 255)) : 0;
        const TVelkObject* parent = scene_;
        if (args.size() >= 3) parent = scene_->FindObject(args[2]->GetStr());
        if (parent != nullptr) scene_->ListNames(names, code, parent);
      }
      SetStringArray(args[0], names, "ListCompo");
      target.SetInt(static_cast<int32_t>(names.size()));
      return true;
    }
    case sf::InPrimary: {
      // The named base is the active one and not hidden.
      TVelkBase* active = scene_ != nullptr ? scene_->ActiveBaseObject() : nullptr;
      target.SetBool(active != nullptr && object == active && active->Visible);
      return true;
    }
    case sf::InCabinet: {
      // Something between the named control and its base is a cabinet.
      auto* control = dynamic_cast<TVelkControl*>(object);
      bool held = false;
      for (TVelkControl* p = control != nullptr ? control->Parent() : nullptr; p != nullptr && !held; p = p->Parent()) {
        held = p->ComponentType() == VT_CABINET;
      }
      target.SetBool(held);
      return true;
    }
    case sf::GetHistoryCount:
    case sf::GetHistoryMaxCount:
    case sf::SetHistoryMaxCount: {
      // The history of the format named by the first argument (the default format: the empty name).
      IMessageHistory* history = scene_ != nullptr ? scene_->Services.History : nullptr;
      if (history == nullptr) return true;
      const std::string format = args[0]->GetStr();
      if (number == sf::GetHistoryCount) {
        target.SetInt(history->HistoryCount(format));
      } else if (number == sf::GetHistoryMaxCount) {
        target.SetInt(history->HistoryCapacity(format));
      } else if (args.size() >= 2) {
        target.SetBool(history->SetHistoryCapacity(format, args[1]->GetInt()));
      }
      return true;
    }
    default: return CallItemFunction(number, object, target, args);
  }
}

}  // namespace velk
