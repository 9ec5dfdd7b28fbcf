#include "property_names.h"

#include <array>
#include <string>

#include "base/sjis.h"
#include "scene/props.h"

namespace velk::build {

namespace {

static_assert(kPropertyNameCount == kPropCount);

// The property table's names without the "PR_" prefix, in lower case.
const std::array<std::string, kPropertyNameCount>& names() {
  static const std::array<std::string, kPropertyNameCount> table = [] {
    std::array<std::string, kPropertyNameCount> t;
    for (int32_t i = 0; i < kPropertyNameCount; ++i) t[static_cast<size_t>(i)] = LowerCase(PropInfo(i).Name + 3);
    return t;
  }();
  return table;
}

}  // namespace

const char* PropertyName(int32_t id) {
  return id >= 0 && id < kPropertyNameCount ? names()[static_cast<size_t>(id)].c_str() : nullptr;
}

int32_t FindProperty(std::string_view name) {
  for (int32_t i = 0; i < kPropertyNameCount; ++i) {
    if (name == names()[static_cast<size_t>(i)]) return i;
  }
  return -1;
}

}  // namespace velk::build
