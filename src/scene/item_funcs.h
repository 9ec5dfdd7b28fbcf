#pragma once
// The system functions on the items of list-like components: check marks of list boxes and menus, the enabled,
// visible and selected flags of preview-menu entries, and the index of a menu item by its text.
#include <cstdint>
#include <span>

namespace velk {

class TCustomParam;
class TVelkObject;

// True when the number is one of these functions (the call is then answered, also for a missing component, which
// leaves the target unchanged).
bool CallItemFunction(uint8_t number, TVelkObject* object, TCustomParam& target, std::span<TCustomParam* const> args);

}  // namespace velk
