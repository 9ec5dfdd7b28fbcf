#pragma once
// What the frame procedure and the main window drive: the scene list, the project with its interpreter, the virtual
// file manager's upkeep and the media managers. Each is implemented by its own subsystem; the window only knows these
// operations.
#include <cstdint>
#include <string>
#include <vector>

#include "base/rect.h"
#include "platform/window.h"

namespace velk {

// The scene list with its two bases.
class IFrameScene {
 public:
  virtual ~IFrameScene() = default;
  virtual void SetScreenSize(int32_t width, int32_t height) = 0;
  virtual TPoint ScreenSize() const = 0;
  // The per-frame input and bookkeeping step.
  virtual void InputStep() = 0;
  // Every object's per-frame update, idle events and deferred deletions.
  virtual void UpdateStep() = 0;
  // Repaints the changed rectangles and composes the screen.
  virtual void Compose() = 0;
  // The composed screen and its changed rectangles since the last clear.
  virtual TFrameView Screen() const = 0;
  virtual std::vector<TRect> Changed() const = 0;
  virtual void ClearChanged() = 0;

  // Input state. Held flags are set on both bases, clicked and wheel flags on the active base.
  virtual void MouseDown(bool left, bool right) = 0;
  virtual void MouseUp() = 0;
  virtual void MouseMove(int32_t x, int32_t y) = 0;
  virtual void Wheel(bool down) = 0;
  virtual void KeyDown(uint8_t key) = 0;
  virtual void KeyUp(uint8_t key) = 0;
  // Text typed into the focused edit box (code page 932).
  virtual void TextInput(const std::string& text) = 0;
  // The input method's text being composed (code page 932), shown by the focused edit box; empty when it ends.
  virtual void TextComposition(const std::string&) {}
  // Forgets held buttons and keys (the application lost focus).
  virtual void ReleaseInput() = 0;
  // Releases and recreates the bases' surfaces around a display-mode change.
  virtual void FreeSurfaces() = 0;
  virtual void ReloadSurfaces() = 0;
};

// The project as the frame loop sees it.
class IFrameProject {
 public:
  virtual ~IFrameProject() = default;
  virtual int32_t ScreenWidth() const = 0;
  virtual int32_t ScreenHeight() const = 0;
  // The game's title (code page 932).
  virtual std::string Title() const = 0;
  virtual bool PauseWhenInactive() const = 0;
  // One frame of the interpreter.
  virtual void RunFrame() = 0;
  // Performs a pending load or save; true when a saved game was loaded.
  virtual bool ApplyPending() = 0;
};

// The virtual file manager's per-frame upkeep of extracted files and pending temporary files.
class IFrameFiles {
 public:
  virtual ~IFrameFiles() = default;
  virtual void FrameUpkeep() = 0;
};

// The media managers. Suspend and Resume go through video, WMP, Ogg, CD audio and MIDI in their order.
class IFrameMedia {
 public:
  virtual ~IFrameMedia() = default;
  virtual void Suspend() = 0;
  virtual void Resume() = 0;
  virtual void SuspendVideo() = 0;
  virtual void ResumeVideo() = 0;
  // False when there is no video manager.
  virtual bool HasVideo() const = 0;
  virtual void UpdateVideo() = 0;
  // Closes an open MIDI player around a display-mode change (remembering whether and where it played) and reopens
  // it afterwards.
  virtual void CloseMidi() = 0;
  virtual void ReopenMidi() = 0;
  // The device was lost and is back: the WMP and Ogg managers restore their buffers.
  virtual void RestoreSound() = 0;
};

// Media managers that have nothing to do.
class TNoFrameMedia : public IFrameMedia {
 public:
  void Suspend() override {}
  void Resume() override {}
  void SuspendVideo() override {}
  void ResumeVideo() override {}
  bool HasVideo() const override { return false; }
  void UpdateVideo() override {}
  void CloseMidi() override {}
  void ReopenMidi() override {}
  void RestoreSound() override {}
};

}  // namespace velk
