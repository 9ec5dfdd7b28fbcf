#include "platform/headless/headless_window.h"

#include <algorithm>
#include <cstddef>

namespace velk {

THeadlessWindow::THeadlessWindow() : modes_{{640, 480, 32, 60}, {800, 600, 32, 60}, {1024, 768, 32, 60}} {}

void THeadlessWindow::Create(const std::string& caption_utf8, int32_t client_width, int32_t client_height) {
  caption_ = caption_utf8;
  SetClientSize(client_width, client_height);
}

void THeadlessWindow::SetClientSize(int32_t width, int32_t height) {
  width_ = std::max(0, width);
  height_ = std::max(0, height);
  pixels_.assign(keeps_pixels_ ? static_cast<size_t>(width_) * static_cast<size_t>(height_) : 0, 0);
}

void THeadlessWindow::SetKeepsPixels(bool keep) {
  keeps_pixels_ = keep;
  SetClientSize(width_, height_);
}

bool THeadlessWindow::SetFullScreen(bool on, int32_t mode_index) {
  if (!on) {
    full_screen_ = false;
    mode_index_ = -1;
    return true;
  }
  if (mode_switch_fails_ || mode_index >= static_cast<int32_t>(modes_.size())) {
    full_screen_ = false;
    mode_index_ = -1;
    return false;
  }
  full_screen_ = true;
  mode_index_ = mode_index;
  return true;
}

void THeadlessWindow::Present(const TFrameView& frame, const std::vector<TRect>& changed) {
  ++presents_;
  TRect bounds = Intersect(TRect{0, 0, width_, height_}, TRect{0, 0, frame.Width, frame.Height});
  for (const TRect& c : changed) {
    TRect r = Intersect(c, bounds);
    if (r.IsEmpty()) continue;
    for (int32_t y = r.Top; keeps_pixels_ && y < r.Bottom; ++y) {
      const uint32_t* src = frame.Pixels + static_cast<size_t>(y) * static_cast<size_t>(frame.Stride) + r.Left;
      std::copy(src, src + r.Width(), pixels_.begin() + static_cast<std::ptrdiff_t>(y) * width_ + r.Left);
    }
    uploaded_ += static_cast<int64_t>(r.Width()) * r.Height();
  }
}

bool THeadlessWindow::PollEvent(TInputEvent& event) {
  if (events_.empty()) return false;
  event = std::move(events_.front());
  events_.pop_front();
  return true;
}

}  // namespace velk
