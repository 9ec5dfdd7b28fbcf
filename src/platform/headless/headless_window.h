#pragma once
// The window of headless runs: the presented frame lives in memory, events come from a queue that the runner fills.
#include <deque>
#include <string>
#include <vector>

#include "platform/window.h"

namespace velk {

class THeadlessWindow : public IWindow {
 public:
  THeadlessWindow();

  void Create(const std::string& caption_utf8, int32_t client_width, int32_t client_height) override;
  void SetCaption(const std::string& caption_utf8) override { caption_ = caption_utf8; }
  void SetClientSize(int32_t width, int32_t height) override;
  void SetPosition(int32_t left, int32_t top) override { position_ = {left, top}; }
  TPoint Position() override { return position_; }
  TRect WorkArea() override { return work_area_; }
  TPoint OuterSize() override { return {width_, height_}; }
  void SetScale(int32_t scale) override { scale_ = scale; }
  std::vector<TDisplayMode> DisplayModes() override { return modes_; }
  int32_t CurrentModeIndex() override { return mode_index_; }
  bool SetFullScreen(bool on, int32_t mode_index) override;
  void Present(const TFrameView& frame, const std::vector<TRect>& changed) override;
  bool ShowsFrames() const override { return keeps_pixels_; }
  bool PollEvent(TInputEvent& event) override;
  bool WaitEvent(TInputEvent& event, uint32_t) override { return PollEvent(event); }
  void Wake() override {}
  void WarpCursor(int32_t x, int32_t y) override { cursor_ = {x, y}; }
  TPoint CursorPosition() override { return cursor_; }

  // Queues an event for PollEvent.
  void Push(TInputEvent event) { events_.push_back(std::move(event)); }
  // The display modes offered, and whether setting a full-screen mode fails (as on a screen that refuses it).
  void SetModes(std::vector<TDisplayMode> modes) { modes_ = std::move(modes); }
  void SetModeSwitchFails(bool fails) { mode_switch_fails_ = fails; }
  void SetWorkArea(TRect r) { work_area_ = r; }

  // The client frame as presented so far (0x00RRGGBB, width * height); empty when the window keeps no pixels.
  const std::vector<uint32_t>& Pixels() const { return pixels_; }
  // Whether Present copies the frame into Pixels (on by default). A run that never looks at the window turns it off
  // and saves a copy of every changed rectangle; presents and uploaded pixels are counted all the same.
  void SetKeepsPixels(bool keep);
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  const std::string& Caption() const { return caption_; }
  int32_t Scale() const { return scale_; }
  bool FullScreen() const { return full_screen_; }
  // Pixels uploaded by Present so far (the area of the changed rectangles inside the frame).
  int64_t UploadedPixels() const { return uploaded_; }
  int32_t PresentCount() const { return presents_; }

 private:
  std::string caption_;
  int32_t width_ = 0;
  int32_t height_ = 0;
  TPoint position_;
  TRect work_area_{0, 0, 1920, 1080};
  int32_t scale_ = 1;
  std::vector<TDisplayMode> modes_;
  int32_t mode_index_ = -1;
  bool mode_switch_fails_ = false;
  bool full_screen_ = false;
  std::vector<uint32_t> pixels_;
  bool keeps_pixels_ = true;
  int64_t uploaded_ = 0;
  int32_t presents_ = 0;
  TPoint cursor_;
  std::deque<TInputEvent> events_;
};

}  // namespace velk
