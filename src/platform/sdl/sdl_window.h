#pragma once
// The window of the SDL back end: a streaming texture of the client frame, of which only the changed rectangles are
// uploaded, drawn at a whole scale factor or fitted with letterbox; full screen in a display mode or on the desktop.
#include <SDL.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/sdl/sdl_library.h"
#include "platform/window.h"

namespace velk {

class TSdlWindow : public IWindow {
 public:
  TSdlWindow();
  ~TSdlWindow() override;
  TSdlWindow(const TSdlWindow&) = delete;
  TSdlWindow& operator=(const TSdlWindow&) = delete;

  // False when SDL has no video (no display): the window cannot be created.
  bool Available() const { return video_; }

  void Create(const std::string& caption_utf8, int32_t client_width, int32_t client_height) override;
  void SetCaption(const std::string& caption_utf8) override;
  void SetClientSize(int32_t width, int32_t height) override;
  void SetPosition(int32_t left, int32_t top) override;
  TPoint Position() override;
  TRect WorkArea() override;
  TPoint OuterSize() override;
  void SetScale(int32_t scale) override;
  std::vector<TDisplayMode> DisplayModes() override;
  int32_t CurrentModeIndex() override { return mode_index_; }
  bool SetFullScreen(bool on, int32_t mode_index) override;
  void Present(const TFrameView& frame, const std::vector<TRect>& changed) override;
  bool PollEvent(TInputEvent& event) override;
  bool WaitEvent(TInputEvent& event, uint32_t timeout_ms) override;
  void Wake() override;
  void WarpCursor(int32_t x, int32_t y) override;
  TPoint CursorPosition() override;

  SDL_Window* Handle() const { return window_; }
  // Smooth (linear) filtering of the scaled screen instead of sharp pixels.
  void SetSmooth(bool smooth);
  // The scale asked for (the window may use a smaller one to stay on the screen).
  int32_t Scale() const { return scale_; }
  // The whole factor the window uses: the scale asked for, made smaller until the window fits the work area.
  int32_t EffectiveScale();
  // The window's client area on the desktop (desktop pixels, windowed), and its restoration: the size is taken as
  // it is, the position only when the window then lies on a display at all.
  TRect WindowBounds();
  void RestoreBounds(const TRect& bounds);
  // Draws the texture again and reads back what the window shows (0x00RRGGBB); out_width/out_height get its size.
  std::vector<uint32_t> ReadWindowPixels(int32_t& out_width, int32_t& out_height);
  // The same, only the game's screen (FrameRect) without toolbar and letterbox.
  std::vector<uint32_t> ReadFramePixels(int32_t& out_width, int32_t& out_height);
  // Where the frame lands in the window's output (after scaling and letterbox).
  SDL_Rect FrameRect() const;

 private:
  void render();
  std::vector<uint32_t> read_pixels(bool frame_only, int32_t& out_width, int32_t& out_height);
  void resize_window();
  bool translate(const SDL_Event& e, TInputEvent& out);
  TPoint to_frame(int32_t wx, int32_t wy) const;

  const TSdlLibrary* sdl_;  // null when SDL cannot be loaded: no video then
  bool video_ = false;
  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  int32_t width_ = 0;
  int32_t height_ = 0;
  int32_t texture_width_ = 0;
  int32_t texture_height_ = 0;
  int32_t scale_ = 1;
  bool smooth_ = false;
  bool full_screen_ = false;
  int32_t mode_index_ = -1;
  uint32_t wake_event_ = 0;
};

}  // namespace velk
