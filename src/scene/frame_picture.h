#pragma once
// A picture with frames that a component shows inside itself: the frames borrowed from the image cache, the frame
// shown and the time left in it, and a darkened copy of that frame while the brightness is below 255.
#include <cstdint>
#include <memory>
#include <string>

#include "scene/custom_images.h"

namespace velk {

class TBrixCollection;
class TDIBX;

// A picture with frames inside a component (map images, glyph labels): its frames borrowed from the image cache, the
// frame shown and the time left in it, and a darkened copy of that frame while the brightness is below 255.
class TFramePicture {
 public:
  TFramePicture() = default;
  ~TFramePicture();
  TFramePicture(const TFramePicture&) = delete;
  TFramePicture& operator=(const TFramePicture&) = delete;

  const std::string& Source() const { return source_; }
  // Borrows the frames from the scene's image cache; a missing or unreadable file leaves the picture empty.
  void Load(TVelkBaseList* scene, const std::string& name, int32_t brightness);
  void Release();
  // Back to the first frame.
  void Restart();
  // Advances the frame clock by ms; true when another frame is now shown. A repeating picture starts again after
  // its last frame; any other rests on its last frame.
  bool Advance(int32_t ms, bool repeat = true);
  int32_t Count() const { return frames_.Count(); }
  // Resting on the last frame of a picture that does not repeat.
  bool AtEnd() const { return frames_.Count() > 0 && index_ == frames_.Count() - 1 && time_left_ < 1; }
  void SetBrightness(int32_t brightness);

  int32_t Index() const { return index_; }
  // The shown frame's surface and mask, null when empty.
  TCustomDIBX* Surface() const;
  TCustomDIBX* Mask() const;

 private:
  void Show(int32_t index);

  std::string source_;
  TBrixCollection* cache_ = nullptr;
  TImageList frames_;
  int32_t index_ = 0;
  int32_t time_left_ = 0;
  int32_t brightness_ = 255;
  std::unique_ptr<TDIBX> darkened_;
};

}  // namespace velk
