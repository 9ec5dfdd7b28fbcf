#pragma once
#include "platform/platform.h"

struct SDL_Window;

namespace velk {

// Modal message boxes through SDL. When no box can be shown (no display), the text goes to stderr and the box is
// answered with its first button.
class TSdlMessageBoxes : public IMessageBoxes {
 public:
  int32_t Show(const std::string& text, const std::string& caption, uint32_t style) override;
  // The window boxes belong to; null shows them without owner.
  void SetOwner(SDL_Window* owner) { owner_ = owner; }

 private:
  SDL_Window* owner_ = nullptr;
};

}  // namespace velk
