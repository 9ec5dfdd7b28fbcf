#pragma once
// The names by which builder source names the properties of component commands: PR_LEFT is "left".
#include <cstdint>
#include <string_view>

namespace velk::build {

constexpr int32_t kPropertyNameCount = 165;

// The name of a property id, or null outside 0 .. 164.
const char* PropertyName(int32_t id);
// The id of a property name (lower case, without "PR_"), or -1.
int32_t FindProperty(std::string_view name);

}  // namespace velk::build
