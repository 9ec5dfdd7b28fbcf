#include "expr/var_host.h"

#include <chrono>

namespace velk {

int32_t TVarHost::PCTickCount() {
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch());
  return static_cast<int32_t>(static_cast<uint32_t>(ms.count()));
}

std::tm TVarHost::LocalTime() {
  std::time_t now = std::time(nullptr);
  std::tm out{};
  localtime_r(&now, &out);
  return out;
}

}  // namespace velk
