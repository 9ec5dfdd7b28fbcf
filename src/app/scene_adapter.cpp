#include "app/scene_adapter.h"

#include "gfx/dibx.h"
#include "scene/base_list.h"

namespace velk {

void TSceneAdapter::SetScreenSize(int32_t width, int32_t height) { scene_.SetSize(width, height); }

TPoint TSceneAdapter::ScreenSize() const { return {scene_.Width(), scene_.Height()}; }

void TSceneAdapter::InputStep() { scene_.ProcessInput(elapsed_ms_); }

void TSceneAdapter::UpdateStep() { scene_.UpdateAll(); }

void TSceneAdapter::Compose() { scene_.DrawAll(); }

TFrameView TSceneAdapter::Screen() const {
  TDIBX* surface = scene_.PresentationSurface();
  if (surface == nullptr || surface->BitCount() != 32) return {};
  const TDIBSurface& dib = surface->DIB();
  return TFrameView{reinterpret_cast<const uint32_t*>(dib.Bits()), surface->Width(), surface->Height(),
                    dib.Pitch() / 4};
}

std::vector<TRect> TSceneAdapter::Changed() const { return scene_.ChangedRects(); }

void TSceneAdapter::ClearChanged() { scene_.ClearDirty(); }

void TSceneAdapter::MouseDown(bool left, bool right) {
  if (left || right) scene_.MouseButtonDown(left);
}

void TSceneAdapter::MouseUp() { scene_.MouseButtonUp(); }

void TSceneAdapter::MouseMove(int32_t x, int32_t y) { scene_.MouseMoveTo(x, y); }

void TSceneAdapter::Wheel(bool down) { scene_.WheelStep(down); }

void TSceneAdapter::KeyDown(uint8_t key) {
  scene_.SetKey(key, true);
  scene_.SetKeyPressed(key, true);
}

void TSceneAdapter::KeyUp(uint8_t key) { scene_.SetKey(key, false); }

void TSceneAdapter::TextInput(const std::string& text) { scene_.TextInput(text); }

void TSceneAdapter::TextComposition(const std::string& text) {
  if (TVelkControl* focus = scene_.Focus()) focus->TextComposition(text);
}

void TSceneAdapter::ReleaseInput() { scene_.ClearKeys(); }

void TSceneAdapter::FreeSurfaces() { scene_.ReleaseSurfaces(); }

void TSceneAdapter::ReloadSurfaces() { scene_.RestoreSurfaces(); }

}  // namespace velk
