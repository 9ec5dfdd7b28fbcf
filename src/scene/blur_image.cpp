#include "scene/blur_image.h"

#include "gfx/dibx.h"
#include "gfx/image_cache.h"
#include "scene/base_list.h"

namespace velk {

namespace {

std::unique_ptr<TDIBX> CopyOf(TCustomDIBX& source) {
  auto copy = std::make_unique<TDIBX>();
  copy->SetSize(source.Width(), source.Height(), source.BitCount());
  copy->Assign(&source);
  copy->TransparentValue = source.TransparentValue;
  copy->ContentRects = source.ContentRects;
  return copy;
}

}  // namespace

TBorrowedPicture::~TBorrowedPicture() { Release(); }

void TBorrowedPicture::Release() {
  if (cache_ && item_) cache_->Release(item_, owner_);
  cache_ = nullptr;
  item_ = nullptr;
  mask_copy_.reset();
}

void TBorrowedPicture::Take(const TVelkCustomImage& source, TVelkCustomImage& into) {
  Release();
  TCustomDIBX* surface = source.ImageSurface();
  TBrixItem* item = source.SurfaceItem();
  TBrixCollection* cache = source.Owner() ? source.Owner()->Services.Images : nullptr;
  if (surface && item && cache && surface == source.SharedSurface) {
    // Lent by the image cache: a registration of the afterimage keeps the item (and its surfaces) alive.
    cache_ = cache;
    owner_ = &into;
    item_ = cache->Acquire(owner_, item->Name());
    into.SharedSurface = surface;
    into.Mask = source.CurrentMask();
    return;
  }
  // Made by the source itself (or lent by another component): copied, mask included.
  into.OwnSurface = surface ? CopyOf(*surface) : nullptr;
  into.SharedSurface = nullptr;
  if (TCustomDIBX* mask = source.CurrentMask()) {
    mask_copy_ = CopyOf(*mask);
    into.Mask = mask_copy_.get();
  }
}

TVelkBlurImage::~TVelkBlurImage() { picture_.Release(); }

void TVelkBlurImage::Begin(const TVelkCustomImage& source) {
  source_ = source.Handle();
  source.CopyPictureState(*this);
  picture_.Take(source, *this);
  Fade.StartAlpha = TAfterimageFade::StartOf(source.Alpha);
  Fade.Delay = source.BlurDelay;
  Alpha = Fade.StartAlpha;
  Invalidate();
}

bool TVelkBlurImage::Update() {
  TVelkBaseList* scene = Owner();
  int32_t alpha = Alpha;
  if (Fade.Advance(scene ? scene->FrameMs() : 0, alpha)) return true;
  SetAlpha(alpha);
  return false;
}

void TVelkBlurImage::ReleaseSurfaces() {
  // The display surfaces are rebuilt: the borrowed picture would dangle, so the afterimage shows nothing more.
  picture_.Release();
  SharedSurface = nullptr;
  Mask = nullptr;
  OwnSurface.reset();
}

}  // namespace velk
