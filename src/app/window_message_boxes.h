#pragma once
// The player's message boxes, drawn in the main window over the game's screen with the player's own Japanese font,
// so that the system's texts and buttons read right whatever the desktop. Before the window exists (and when it is
// gone) the boxes of the fallback are shown instead.
#include <cstdint>
#include <string>
#include <vector>

#include "app/pixel_buffer.h"
#include "app/strip_font.h"
#include "platform/platform.h"
#include "platform/window.h"

namespace velk {

class TWindowMessageBoxes : public IMessageBoxes {
 public:
  explicit TWindowMessageBoxes(IMessageBoxes& fallback) : fallback_(fallback) {}

  // The window to draw in, and the frame it shows under the box (the main window's client area); null: none.
  void SetWindow(IWindow* window, const TPixelBuffer* frame) {
    window_ = window;
    frame_ = frame;
  }

  // A modal box: Enter answers with the first button, Escape or closing with Cancel or No (else the last button),
  // a click on a button with that button. The player being stopped abandons it (EBoxAbandoned).
  int32_t Show(const std::string& text, const std::string& caption, uint32_t style) override;

  // The box as it is drawn over the frame, and where its buttons are (client coordinates).
  struct TLayout {
    TRect Box;
    std::vector<TRect> Buttons;
  };
  TLayout Layout(const std::vector<std::string>& lines_utf8, size_t buttons, int32_t width, int32_t height);
  // The lines broken into rows no wider than max_width pixels.
  std::vector<std::string> Wrap(const std::vector<std::string>& lines_utf8, int32_t max_width);
  void Paint(TPixelBuffer& target, const std::string& text, const std::string& caption, uint32_t style,
             int32_t focused);

 private:
  IMessageBoxes& fallback_;
  IWindow* window_ = nullptr;
  const TPixelBuffer* frame_ = nullptr;
  TStripFont font_{14};
};

// The lines of a text (code page 932) as UTF-8, split at CR LF, CR or LF.
std::vector<std::string> MessageLines(const std::string& text);

}  // namespace velk
