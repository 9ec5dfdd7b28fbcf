#include "scene/custom_images.h"

#include "gfx/image_cache.h"

namespace velk {

std::function<int32_t(TVelkParser&)> TVelkCustomImages::EvaluateWait;

int32_t TImageList::Count() const { return Item ? Item->Count() : 0; }
TBrixItemFrame* TImageList::Frame(int32_t index) const {
  return Item && index >= 0 && index < Item->Count() ? &Item->Frame(index) : nullptr;
}

TVelkCustomImages::TVelkCustomImages(TVelkBaseList* owner, int32_t states)
    : TVelkCustomImage(owner), lists_(static_cast<size_t>(states < 1 ? 1 : states)) {
  Index = -1;
}
TVelkCustomImages::~TVelkCustomImages() = default;
bool TVelkCustomImages::GetProp(int32_t id, TPropValue& value) const { return TVelkCustomImage::GetProp(id, value); }
bool TVelkCustomImages::SetProp(int32_t id, const TPropValue& value) { return TVelkCustomImage::SetProp(id, value); }
TBrixItem* TVelkCustomImages::SurfaceItem() const { return nullptr; }
void TVelkCustomImages::SetSource(const std::string& name) { source_ = name; }
void TVelkCustomImages::SetIndex(int32_t v) { Index = v; }
void TVelkCustomImages::SetVisible(bool v) { TVelkCustomImage::SetVisible(v); }
void TVelkCustomImages::SetPausedFlag(bool v) { PausedFlag = v; }
void TVelkCustomImages::SetBrightness(int32_t v) { Brightness = v; }
bool TVelkCustomImages::Playing() const { return false; }
bool TVelkCustomImages::Update() { return false; }
void TVelkCustomImages::ReleaseSurfaces() {}
void TVelkCustomImages::RestoreSurfaces() {}
bool TVelkCustomImages::LoadFrames(int32_t, const std::string&) { return false; }
void TVelkCustomImages::DropFrames() {}
void TVelkCustomImages::DetachMotion() {}
bool TVelkCustomImages::ReachedEnd() { return false; }
bool TVelkCustomImages::AnimateFrames() { return false; }
void TVelkCustomImages::ShowFrame(int32_t) {}
void TVelkCustomImages::SaveOwnFields(TStream&) const {}
void TVelkCustomImages::LoadOwnFields(TStream&, int32_t) {}

}  // namespace velk
