#pragma once
// The window and its presentation, the display modes and the input events. The SDL back end shows a real window; the
// headless one keeps the presented frame in memory and takes its events from a queue.
#include <cstdint>
#include <string>
#include <vector>

#include "base/rect.h"

namespace velk {

// One display mode of the screen.
struct TDisplayMode {
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t BitsPerPixel = 32;
  int32_t RefreshRate = 0;
  bool operator==(const TDisplayMode&) const = default;
};

// Mouse buttons of the input events.
enum class TMouseButton : int32_t { Left = 1, Right = 2, Middle = 3 };

enum class TInputKind : int32_t {
  MouseMove,  // X, Y in client coordinates of the unscaled frame
  MouseDown,  // Button at X, Y
  MouseUp,    // Button at X, Y
  Wheel,      // WheelDown: towards the user
  KeyDown,    // Key: a Windows virtual-key code; Repeat: an auto-repeat of a held key; Alt: the Alt key is held
  KeyUp,
  Text,         // Text: UTF-8 text typed
  Composition,  // Text: the input method's text being composed (UTF-8), empty when composing ends
  FocusGained,  // the application became active
  FocusLost,    // the application became inactive
  Close,        // the user closes the window
};

struct TInputEvent {
  TInputKind Kind = TInputKind::MouseMove;
  int32_t X = 0;
  int32_t Y = 0;
  TMouseButton Button = TMouseButton::Left;
  bool WheelDown = false;
  uint32_t Key = 0;
  bool Repeat = false;
  bool Alt = false;
  std::string Text;
};

// A 32-bit frame: pixels 0x00RRGGBB, rows top-down; Stride in pixels.
struct TFrameView {
  const uint32_t* Pixels = nullptr;
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t Stride = 0;
};

// Scaling of the frame in the window: a whole factor (1, 2, ...) or 0 for the largest size that fits, keeping the
// aspect ratio. Full screen always fits. Whatever is left around the frame is black (letterbox).
constexpr int32_t kScaleFit = 0;

class IWindow {
 public:
  virtual ~IWindow() = default;
  // Creates (or resizes) the window with a client area of that many frame pixels, shown and centred.
  virtual void Create(const std::string& caption_utf8, int32_t client_width, int32_t client_height) = 0;
  virtual void SetCaption(const std::string& caption_utf8) = 0;
  virtual void SetClientSize(int32_t width, int32_t height) = 0;
  // The window's position, the desktop work area and the window's outer size (client plus decorations) are in
  // screen pixels.
  virtual void SetPosition(int32_t left, int32_t top) = 0;
  virtual TPoint Position() = 0;
  virtual TRect WorkArea() = 0;
  virtual TPoint OuterSize() = 0;
  virtual void SetScale(int32_t scale) = 0;

  // The screen's display modes, and the index of the one in use (-1: the desktop mode).
  virtual std::vector<TDisplayMode> DisplayModes() = 0;
  virtual int32_t CurrentModeIndex() = 0;
  // Enters full screen with that mode (-1: the desktop mode, borderless) or leaves it (on = false). Returns false when
  // the mode could not be set; the window is then windowed.
  virtual bool SetFullScreen(bool on, int32_t mode_index) = 0;

  // Presents the frame; only the changed rectangles need to be uploaded (an empty list: nothing changed).
  virtual void Present(const TFrameView& frame, const std::vector<TRect>& changed) = 0;
  // Whether presented frames are shown or kept anywhere. A window that does neither is still presented to (with
  // what changed), but its owner need not compose the frame it hands over.
  virtual bool ShowsFrames() const { return true; }

  // Takes the next input event; false when none is waiting. Waiting gives up after timeout_ms.
  virtual bool PollEvent(TInputEvent& event) = 0;
  virtual bool WaitEvent(TInputEvent& event, uint32_t timeout_ms) = 0;
  // Wakes a WaitEvent from another thread.
  virtual void Wake() = 0;
  // Moves the OS cursor to client coordinates.
  virtual void WarpCursor(int32_t x, int32_t y) = 0;
  // The cursor position in client coordinates.
  virtual TPoint CursorPosition() = 0;
};

}  // namespace velk
