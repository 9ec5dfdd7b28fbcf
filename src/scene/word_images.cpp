#include "scene/word_images.h"

#include <algorithm>
#include <cstdint>

#include "base/error.h"
#include "gfx/image_cache.h"

namespace velk {

namespace {

// One picture borrowed from the cache for as long as the glyph lives.
class TCachedWordImage : public IWordImage {
 public:
  // The picture of name, or null when it cannot be read or has no frame.
  static std::unique_ptr<TCachedWordImage> Open(TBrixCollection& cache, const std::string& name) {
    std::unique_ptr<TCachedWordImage> image(new TCachedWordImage(cache));
    try {
      image->item_ = cache.Acquire(image.get(), name, false, true);
    } catch (const EVelkError&) {
      return nullptr;
    }
    if (image->item_ == nullptr || image->item_->Count() == 0) return nullptr;
    return image;
  }
  ~TCachedWordImage() override {
    if (item_ != nullptr) cache_.Release(item_, this);
  }
  TCachedWordImage(const TCachedWordImage&) = delete;
  TCachedWordImage& operator=(const TCachedWordImage&) = delete;

  int32_t Width() const override { return frame().Surface ? frame().Surface->Width() : 0; }
  int32_t Height() const override { return frame().Surface ? frame().Surface->Height() : 0; }
  bool Animated() const override { return item_->Count() > 1; }
  // Frames follow each other by their display times (a frame of no time lasts one millisecond) and start again
  // after the last; one step moves at most one lap.
  bool Advance(int32_t elapsed) override {
    if (!Animated() || elapsed <= 0) return false;
    const int32_t start = index_;
    shown_ = static_cast<int32_t>(std::min<int64_t>(int64_t{shown_} + elapsed, INT32_MAX));
    for (int32_t steps = 0; steps < item_->Count() && shown_ >= time(); ++steps) {
      shown_ -= time();
      index_ = (index_ + 1) % item_->Count();
    }
    shown_ = std::min(shown_, time() - 1);
    return index_ != start;
  }
  TCustomDIBX* Surface() override { return frame().Surface.get(); }
  TCustomDIBX* Mask() override { return frame().Mask.get(); }
  // Transparent colours became masks when the cache read the picture.
  bool Transparent() const override { return false; }

 private:
  explicit TCachedWordImage(TBrixCollection& cache) : cache_(cache) {}
  TBrixItemFrame& frame() const { return item_->Frame(index_); }
  int32_t time() const { return std::max(1, frame().DisplayTime); }

  TBrixCollection& cache_;
  TBrixItem* item_ = nullptr;
  int32_t index_ = 0;
  int32_t shown_ = 0;
};

}  // namespace

std::unique_ptr<IWordImage> TSceneWordImages::LoadImage(const std::string& name) {
  if (cache_ == nullptr || name.empty()) return nullptr;
  return TCachedWordImage::Open(*cache_, name);
}

}  // namespace velk
