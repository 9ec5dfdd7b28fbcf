#include "scene/item_funcs.h"

#include "expr/param.h"
#include "expr/sys_func_man.h"
#include "scene/list_box.h"
#include "scene/velk_prev_menu.h"

namespace velk {

namespace {

// The item an argument names: a list box takes a text as the item of that text; a preview menu takes every
// argument as a number.
int32_t ItemOf(const TVelkObject& object, const TCustomParam& arg) {
  const auto* list = dynamic_cast<const TVelkCustomListBox*>(&object);
  if (list && arg.GetType() == PT_STR) return list->IndexOfItem(arg.GetStr());
  return arg.GetInt();
}

bool PrevMenuFlag(uint8_t number, TVelkPrevMenu::TFlag& flag, bool& set) {
  switch (number) {
    case sf::GetEnabled: flag = TVelkPrevMenu::kEnabled, set = false; return true;
    case sf::SetEnabled: flag = TVelkPrevMenu::kEnabled, set = true; return true;
    case sf::GetVisible: flag = TVelkPrevMenu::kVisible, set = false; return true;
    case sf::SetVisible: flag = TVelkPrevMenu::kVisible, set = true; return true;
    case sf::GetSelected: flag = TVelkPrevMenu::kSelected, set = false; return true;
    case sf::SetSelected: flag = TVelkPrevMenu::kSelected, set = true; return true;
    default: return false;
  }
}

}  // namespace

bool CallItemFunction(uint8_t number, TVelkObject* object, TCustomParam& target, std::span<TCustomParam* const> args) {
  TVelkPrevMenu::TFlag flag{};
  bool set = false;
  const bool flag_function = PrevMenuFlag(number, flag, set);
  if (!flag_function && number != sf::GetCheck && number != sf::SetCheck && number != sf::IndexOfMenu &&
      number != sf::GetGroupIndex) {
    return false;
  }
  if (!object || args.size() < 2) return true;
  auto* list = dynamic_cast<TVelkCustomListBox*>(object);
  auto* prev = dynamic_cast<TVelkPrevMenu*>(object);
  if (number == sf::IndexOfMenu) {
    if (list) target.SetInt(list->IndexOfItem(args[1]->GetStr()));
    return true;
  }
  const int32_t item = ItemOf(*object, *args[1]);
  if (number == sf::GetCheck && list) {
    target.SetBool(list->Checked(item));
  } else if (number == sf::SetCheck && list && args.size() >= 3) {
    // The item changed, or -1 when there is no such item.
    target.SetInt(list->SetChecked(item, args[2]->GetBool()) ? item : -1);
  } else if (number == sf::GetGroupIndex && prev) {
    // Preview-menu entries form no groups.
    target.SetInt(0);
  } else if (flag_function && prev) {
    if (!set) {
      target.SetBool(prev->Flag(item, flag));
    } else if (args.size() >= 3) {
      target.SetBool(prev->SetFlag(item, flag, args[2]->GetBool()));
    }
  }
  return true;
}

}  // namespace velk
