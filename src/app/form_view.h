#pragma once
// The player's only window: the toolbar strip on its dock and the base panel with the scene. It turns input events
// into the scene's input state, suspends and resumes the game with the application's focus, switches between windowed
// and full-screen display, and runs the frames that the tick source hands it.
#include <cstdint>
#include <functional>
#include <string>

#include "app/frame_services.h"
#include "app/loop_thread.h"
#include "app/pixel_buffer.h"
#include "app/strip_font.h"
#include "app/toolbar.h"
#include "app/trace.h"
#include "base/process_values.h"
#include "medialib/velk_media.h"
#include "platform/platform.h"
#include "platform/window.h"

namespace velk {

// The Windows virtual-key code the window itself reacts to (with Alt held: full screen on and off).
constexpr uint32_t VK_RETURN = 0x0D;

// Display-mode indexes: none chosen, and the desktop's own mode.
constexpr int32_t kNoDisplayMode = -2;
constexpr int32_t kDesktopMode = -1;

// Whether the system's language is Japanese (the quit confirmation's text depends on it).
bool SystemLanguageIsJapanese();

class TFormView {
 public:
  TFormView(TProcessValues& values, TTrace& trace, IWindow& window, IMessageBoxes& boxes, IClock& clock);
  TFormView(const TFormView&) = delete;
  TFormView& operator=(const TFormView&) = delete;

  // The parts the window drives; each may be null while it does not exist.
  void SetProject(IFrameProject* project) { project_ = project; }
  void SetScene(IFrameScene* scene) { scene_ = scene; }
  void SetFiles(IFrameFiles* files) { files_ = files; }
  void SetMedia(IFrameMedia* media) { media_ = media; }
  void SetMediaLib(IVelkMedia* lib) { media_lib_ = lib; }
  void SetTickSource(ITickSource* source) { tick_source_ = source; }
  // Told when the window gains (true) or loses (false) the focus, whether or not the game pauses.
  void SetFocusHook(std::function<void(bool focused)> hook) { focus_hook_ = std::move(hook); }
  void SetJapanese(bool japanese) { japanese_ = japanese; }
  // The player's own keys: the hook sees every key and text event first and returns true for those it takes (the
  // game never sees them, neither down nor up, nor the text a taken key typed).
  void SetKeyHook(std::function<bool(const TInputEvent& event)> hook) { key_hook_ = std::move(hook); }
  // The user's choice: losing the focus never pauses the game, even when the project asks for it.
  void SetNeverPause(bool never) { never_pause_ = never; }
  // The display mode full screen uses (kNoDisplayMode: full screen is refused).
  void SetChosenMode(int32_t index) { chosen_mode_ = index; }
  int32_t ChosenMode() const { return chosen_mode_; }
  IWindow& Window() const { return window_; }
  // The number of display modes the screen offers.
  int32_t DisplayModeCount() const { return static_cast<int32_t>(window_.DisplayModes().size()); }

  // After the project is loaded: sizes the window to the project's screen plus the dock, centres it in the work
  // area, sizes the scene and places the panel.
  void StartUp(const std::string& caption_utf8);

  // One tick from the tick source: writes the clock values and, unless the display mode is changing, runs a frame.
  void Tick(const TTick& tick);
  // The frame procedure.
  void DoFrame();

  // Input and window events.
  void HandleEvent(const TInputEvent& event);
  // Handles every waiting event.
  void PumpEvents();

  // The messages the media library exchanges with the window: 0x7E (display change) and 0x682 go to its video
  // event entry, 0x680, 0x681 and 0x683 to its WMP event entry, and 0x6B0 runs one frame. Others are ignored.
  void WindowMessage(uint32_t message, uintptr_t wparam, intptr_t lparam);
  // The sound device was lost and is back: the WMP and Ogg managers restore their buffers.
  void SoundRestored() { (media_ != nullptr ? *media_ : no_media_).RestoreSound(); }

  // The quit button: asks, and closes the window on Yes.
  void QuitConfirmation();
  void Activate();
  void Deactivate();
  void SetFullScreen(bool on);
  void ReapplyDisplayMode();
  // Move the OS cursor to panel coordinate x (keeping its y) or y (keeping its x).
  void SetCursorX(int32_t x);
  void SetCursorY(int32_t y);

  // The close message: the message loop ends and the process shuts down.
  void RequestClose() { close_requested_ = true; }
  bool CloseRequested() const { return close_requested_; }

  bool FullScreen() const { return full_screen_; }
  bool Active() const { return active_; }
  bool ToolbarVisible() const { return toolbar_visible_; }
  TRect PanelBounds() const { return panel_; }
  TPoint ClientSize() const { return {client_.Width(), client_.Height()}; }
  int32_t SkipDraw() const { return skip_draw_; }
  // The client area as last presented (dock strip and panel).
  const TPixelBuffer& Client() const { return client_; }
  IFrameScene* Scene() const { return scene_; }
  IFrameFiles* Files() const { return files_; }
  IFrameMedia* Media() const { return media_; }

 private:
  struct TPlacement {
    TPoint Position;
    TPoint ClientSize;
  };

  void do_frame();
  void place_panel();
  void set_client_size(int32_t width, int32_t height);
  void present(bool everything);
  void repaint_client();
  void toolbar_action(TToolbar::TButton button);
  void show_toolbar(bool visible);
  void mouse_down(const TInputEvent& event);
  void mouse_up(const TInputEvent& event);
  void mouse_move(const TInputEvent& event);
  void key_down(const TInputEvent& event);
  bool in_toolbar(int32_t x, int32_t y) const;
  TPoint scene_size() const;
  void restore_after_failed_mode();
  void set_bounds();
  void reload_after_switch();
  bool pauses_when_inactive() const;

  TProcessValues& values_;
  TTrace& trace_;
  IWindow& window_;
  std::function<void(bool)> focus_hook_;
  std::function<bool(const TInputEvent&)> key_hook_;
  bool never_pause_ = false;
  IMessageBoxes& boxes_;
  IClock& clock_;
  IFrameProject* project_ = nullptr;
  IFrameScene* scene_ = nullptr;
  IFrameFiles* files_ = nullptr;
  IFrameMedia* media_ = nullptr;
  IVelkMedia* media_lib_ = nullptr;
  ITickSource* tick_source_ = nullptr;
  TNoFrameMedia no_media_;
  TStripFont font_;

  TPixelBuffer client_;
  bool client_composed_ = true;  // client_ holds what the last present handed over
  TRect panel_;
  bool active_ = false;
  int32_t draw_phase_ = 0;
  int32_t skip_draw_ = 0;
  bool in_frame_ = false;
  bool close_requested_ = false;
  bool full_screen_ = false;
  bool toolbar_visible_ = true;
  bool japanese_ = false;
  int32_t chosen_mode_ = kDesktopMode;
  TPlacement placement_;
  TToolbar::TButton pressed_ = TToolbar::kNone;
};

}  // namespace velk
