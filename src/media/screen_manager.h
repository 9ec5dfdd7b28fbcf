#pragma once
// The display-mode manager: the full-screen modes a game may use, the mode it prefers, switching between windowed
// and full screen, and presenting the composed screen.
#include <cstdint>
#include <vector>

#include "base/rect.h"
#include "platform/window.h"

namespace velk {

class TScreenManager {
 public:
  // Lists the window's display modes for a screen of width x height; preferred_* is the preferred full-screen
  // size, desktop_bits the desktop's bit depth.
  TScreenManager(IWindow& window, int32_t width, int32_t height, int32_t preferred_width, int32_t preferred_height,
                 int32_t desktop_bits);

  // Every offered mode at least as large as the screen and of more than 15 bits per pixel, in offered order.
  const std::vector<TDisplayMode>& Modes() const { return modes_; }
  // The chosen full-screen mode (an index of Modes(), -1 when there is none): the first listed; a later one
  // replaces it only when it has exactly the preferred size and either the choice has not, or it has the desktop's
  // bit depth and (the choice has not, or its refresh rate is lower).
  int32_t ChosenMode() const { return chosen_; }

  // -1: windowed on the desktop; else full screen in that mode. A full screen that fails leaves the window
  // windowed. Answers whether full screen is on.
  bool SetMode(int32_t index);
  bool FullScreen() const { return full_screen_; }
  // Shows the composed screen's changed rectangles and counts the frame.
  void Present(const TFrameView& frame, const std::vector<TRect>& changed);
  int64_t PresentedFrames() const { return presented_; }

 private:
  IWindow& window_;
  std::vector<TDisplayMode> modes_;
  std::vector<int32_t> window_index_;  // the window's index of each listed mode
  int32_t chosen_ = -1;
  bool full_screen_ = false;
  int64_t presented_ = 0;
};

}  // namespace velk
