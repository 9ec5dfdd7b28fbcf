#pragma once
#include <string>

#include "platform/platform.h"

namespace velk {

// The system's clipboard through SDL; without video it is empty and takes nothing.
class TSdlClipboard : public IClipboard {
 public:
  std::string Text() override;
  void SetText(const std::string& utf8) override;
};

}  // namespace velk
