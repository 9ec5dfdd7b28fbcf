#include "scene/custom_image.h"

#include "gfx/dibx.h"
#include "gfx/image_cache.h"
#include "scene/base_list.h"

namespace velk {

TVelkCustomImage::TVelkCustomImage(TVelkBaseList* owner) : TVelkControl(owner) {}
TVelkCustomImage::~TVelkCustomImage() = default;

bool TVelkCustomImage::GetProp(int32_t id, TPropValue& value) const { return TVelkControl::GetProp(id, value); }
bool TVelkCustomImage::SetProp(int32_t id, const TPropValue& value) { return TVelkControl::SetProp(id, value); }
TCustomDIBX* TVelkCustomImage::ImageSurface() const { return SharedSurface ? SharedSurface : OwnSurface.get(); }
void TVelkCustomImage::SetZoomX(int32_t v) { zoom_x_ = v < 1 ? 1 : v; }
void TVelkCustomImage::SetZoomY(int32_t v) { zoom_y_ = v < 1 ? 1 : v; }
void TVelkCustomImage::SetFlipH(bool v) { flip_h_ = v; }
void TVelkCustomImage::SetFlipV(bool v) { flip_v_ = v; }
void TVelkCustomImage::MarkSizeDirty() { SizeDirty = true; }
void TVelkCustomImage::UpdateSize() {}
TRect TVelkCustomImage::ScreenRect() const { return PictureRect(); }
void TVelkCustomImage::Draw() { DrawChildren(); }
TVelkControl* TVelkCustomImage::HitTest(TPoint p, TMouseAllowed allowed) { return TVelkControl::HitTest(p, allowed); }
bool TVelkCustomImage::Update() { return false; }
void TVelkCustomImage::DrawPicture() {}
TVelkCustomImage* TVelkCustomImage::NewAfterimage() { return nullptr; }
void TVelkCustomImage::CopyPictureState(TVelkCustomImage&) const {}
void TVelkCustomImage::UpdateAfterimages() {}
void TVelkCustomImage::FollowPictureSize() {}
void TVelkCustomImage::SaveOwnFields(TStream&) const {}
void TVelkCustomImage::LoadOwnFields(TStream&, int32_t) {}

TVelkImage::~TVelkImage() = default;
bool TVelkImage::GetProp(int32_t id, TPropValue& value) const { return TVelkCustomImage::GetProp(id, value); }
bool TVelkImage::SetProp(int32_t id, const TPropValue& value) { return TVelkCustomImage::SetProp(id, value); }
void TVelkImage::SetSource(const std::string& name) { source_ = name; }
void TVelkImage::SetBrightness(int32_t value) { brightness_ = value; }
void TVelkImage::ReleaseSurfaces() {}
void TVelkImage::RestoreSurfaces() {}
void TVelkImage::SaveOwnFields(TStream&) const {}
void TVelkImage::LoadOwnFields(TStream&, int32_t) {}
void TVelkImage::Release() {}
void TVelkImage::Rebuild() {}
void ApplyBrightness(TCustomDIBX&, int32_t) {}

}  // namespace velk
