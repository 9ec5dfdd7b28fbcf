#include "scene/frame_picture.h"

#include <algorithm>

#include "gfx/dibx.h"
#include "gfx/image_cache.h"
#include "scene/base_list.h"

namespace velk {

TFramePicture::~TFramePicture() { Release(); }

void TFramePicture::Release() {
  if (cache_ && frames_.Item) cache_->Release(frames_.Item, this);
  frames_.Item = nullptr;
  darkened_.reset();
  source_.clear();
  index_ = time_left_ = 0;
}

void TFramePicture::Load(TVelkBaseList* scene, const std::string& name, int32_t brightness) {
  Release();
  source_ = name;
  cache_ = scene ? scene->Services.Images : nullptr;
  brightness_ = brightness;
  frames_.Item = AcquirePicture(scene, this, name);
  Restart();
}

void TFramePicture::Restart() {
  index_ = 0;
  time_left_ = 0;
  if (frames_.Count() > 0) Show(0);
}

void TFramePicture::Show(int32_t index) {
  index_ = index;
  const TBrixItemFrame* frame = frames_.Frame(index);
  if (!frame) return;
  time_left_ += std::max(frame->DisplayTime, 1);
  darkened_.reset();
  if (brightness_ < 255 && frame->Surface) {
    TCustomDIBX* src = frame->Surface.get();
    darkened_ = std::make_unique<TDIBX>();
    darkened_->SetSize(src->Width(), src->Height(), src->BitCount());
    darkened_->Assign(src);
    darkened_->TransparentValue = src->TransparentValue;
    ApplyBrightness(*darkened_, brightness_);
  }
}

void TFramePicture::SetBrightness(int32_t brightness) {
  if (brightness == brightness_) return;
  brightness_ = brightness;
  if (frames_.Count() > 0) {
    const int32_t left = time_left_;
    time_left_ = 0;
    Show(index_);
    time_left_ = left;
  }
}

bool TFramePicture::Advance(int32_t ms, bool repeat) {
  const int32_t count = frames_.Count();
  if (count < 2 || ms <= 0) return false;
  if (!repeat) {
    if (index_ >= count - 1) return false;
    const int32_t old = index_;
    time_left_ = static_cast<int32_t>(std::max<int64_t>(int64_t{time_left_} - ms, INT32_MIN));
    while (time_left_ < 1 && index_ < count - 1) Show(index_ + 1);
    return index_ != old;
  }
  // Whole turns of the animation change nothing; frame times of 0 count as 1 ms, so the loop always ends.
  int64_t cycle = 0;
  for (int32_t i = 0; i < count; ++i) cycle += std::max(frames_.Frame(i)->DisplayTime, 1);
  const int32_t old = index_;
  time_left_ -= static_cast<int32_t>(ms % cycle);
  while (time_left_ < 1) Show((index_ + 1) % count);
  return index_ != old;
}

TCustomDIBX* TFramePicture::Surface() const {
  if (darkened_) return darkened_.get();
  const TBrixItemFrame* frame = frames_.Frame(index_);
  return frame ? frame->Surface.get() : nullptr;
}

TCustomDIBX* TFramePicture::Mask() const {
  const TBrixItemFrame* frame = frames_.Frame(index_);
  return frame ? frame->Mask.get() : nullptr;
}

}  // namespace velk
