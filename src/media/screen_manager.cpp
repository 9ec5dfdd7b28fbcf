#include "media/screen_manager.h"

namespace velk {

TScreenManager::TScreenManager(IWindow& window, int32_t width, int32_t height, int32_t preferred_width,
                               int32_t preferred_height, int32_t desktop_bits)
    : window_(window) {
  const std::vector<TDisplayMode> offered = window_.DisplayModes();
  for (size_t i = 0; i < offered.size(); ++i) {
    const TDisplayMode& m = offered[i];
    if (m.Width < width || m.Height < height || m.BitsPerPixel <= 15) continue;
    modes_.push_back(m);
    window_index_.push_back(static_cast<int32_t>(i));
  }
  auto preferred = [&](const TDisplayMode& m) { return m.Width == preferred_width && m.Height == preferred_height; };
  for (size_t i = 0; i < modes_.size(); ++i) {
    const TDisplayMode& m = modes_[i];
    if (chosen_ < 0) {
      chosen_ = 0;
      continue;
    }
    const TDisplayMode& c = modes_[static_cast<size_t>(chosen_)];
    if (!preferred(m)) continue;
    const bool better = !preferred(c) || (m.BitsPerPixel == desktop_bits &&
                                          (c.BitsPerPixel != desktop_bits || m.RefreshRate < c.RefreshRate));
    if (better) chosen_ = static_cast<int32_t>(i);
  }
}

bool TScreenManager::SetMode(int32_t index) {
  if (index < 0 || index >= static_cast<int32_t>(modes_.size())) {
    window_.SetFullScreen(false, -1);
    full_screen_ = false;
    return false;
  }
  full_screen_ = window_.SetFullScreen(true, window_index_[static_cast<size_t>(index)]);
  if (!full_screen_) window_.SetFullScreen(false, -1);
  return full_screen_;
}

void TScreenManager::Present(const TFrameView& frame, const std::vector<TRect>& changed) {
  window_.Present(frame, changed);
  ++presented_;
}

}  // namespace velk
