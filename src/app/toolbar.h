#pragma once
// The window's toolbar: a slim strip on the dock with the quit and screen-mode buttons, drawn by the player.
#include <array>
#include <cstdint>

#include "app/pixel_buffer.h"
#include "app/strip_font.h"

namespace velk {

class TToolbar {
 public:
  static constexpr int32_t kToolbarHeight = 18;
  static constexpr int32_t kButtonWidth = 67;
  static constexpr int32_t kButtonHeight = 18;
  // The dock is the button height plus 4.
  static constexpr int32_t kDockHeight = kButtonHeight + 4;

  enum TButton : int32_t { kNone = -1, kQuit = 0, kScreenMode = 1 };

  // The button under a client point, or kNone.
  static TButton HitTest(int32_t x, int32_t y);
  static TRect ButtonRect(TButton button);
  // Draws the dock strip across the width of target, the pressed button sunken.
  static void Draw(TPixelBuffer& target, TStripFont& font, TButton pressed = kNone);
};

}  // namespace velk
