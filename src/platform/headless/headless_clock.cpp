#include "platform/headless/headless_clock.h"

#include <chrono>
#include <thread>

namespace velk {

uint32_t TSteadyClock::Milliseconds() {
  auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

void TSteadyClock::Sleep(uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace velk
