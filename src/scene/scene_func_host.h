#pragma once
// The scene's side of the system functions: properties and components of the current scene by name, the items of
// list-like components (item_funcs.h) and the message history. Save slots and the shell are answered in front of it.
#include <cstdint>
#include <span>

#include "expr/sys_func_man.h"

namespace velk {

class TVelkBaseList;

// The value type (PT_INT, PT_STR, PT_BOOL, PT_FLOAT) of a property id; PT_STR outside the table.
uint8_t PropertyValueType(int32_t prop);

class TSceneFuncHost : public ISysFuncHost {
 public:
  // scene may be null: no component is found (the build tools need only the property types).
  explicit TSceneFuncHost(TVelkBaseList* scene) : scene_(scene) {}
  uint8_t PropertyType(int32_t prop) const override { return PropertyValueType(prop); }
  bool Call(uint8_t number, TCustomParam& target, std::span<TCustomParam* const> args) override;

 private:
  TVelkBaseList* scene_;
};

}  // namespace velk
