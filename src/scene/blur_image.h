#pragma once
// Afterimages of pictures: a copy of the source's look at one moment that fades from its start opacity to nothing
// in the source's BlurDelay and then ends. The picture stays valid after the source is gone: a picture lent by the
// image cache is held through a registration of its own, a picture the source made itself is copied.
#include <cstdint>
#include <memory>

#include "scene/afterimage.h"
#include "scene/custom_image.h"

namespace velk {

class TBrixCollection;
class TBrixItem;

// The picture an afterimage shows, kept alive independently of its source.
class TBorrowedPicture {
 public:
  TBorrowedPicture() = default;
  ~TBorrowedPicture();
  TBorrowedPicture(const TBorrowedPicture&) = delete;
  TBorrowedPicture& operator=(const TBorrowedPicture&) = delete;

  // Takes the source's current surface and mask into the afterimage.
  void Take(const TVelkCustomImage& source, TVelkCustomImage& into);
  void Release();

 private:
  TBrixCollection* cache_ = nullptr;
  TBrixItem* item_ = nullptr;
  const void* owner_ = nullptr;
  std::unique_ptr<TDIBX> mask_copy_;
};

class TVelkBlurImage : public TVelkCustomImage {
 public:
  explicit TVelkBlurImage(TVelkBaseList* owner) : TVelkCustomImage(owner) {}
  ~TVelkBlurImage() override;

  // Takes the source's look, picture and fade.
  void Begin(const TVelkCustomImage& source);
  bool Update() override;
  // Afterimages take no mouse input.
  TVelkControl* HitTest(TPoint, TMouseAllowed) override { return nullptr; }
  bool IsAfterimage() const override { return true; }
  TObjectHandle AfterimageSource() const override { return source_; }
  void ReleaseSurfaces() override;
  // The picture is gone for good; the afterimage fades out showing nothing.
  void RestoreSurfaces() override {}

  TAfterimageFade Fade;

 private:
  TBorrowedPicture picture_;
  TObjectHandle source_;
};

}  // namespace velk
