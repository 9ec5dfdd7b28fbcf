#pragma once
#include "platform/platform.h"

namespace velk {

// Milliseconds of SDL's tick counter.
class TSdlClock : public IClock {
 public:
  uint32_t Milliseconds() override;
  void Sleep(uint32_t ms) override;
};

}  // namespace velk
