#pragma once
// The scene list as the frame procedure drives it: the window's input, update and draw steps map onto the scene's
// own operations, and the composed screen is the scene's 32-bit presentation surface.
#include "app/frame_services.h"

namespace velk {

class TVelkBaseList;

class TSceneAdapter : public IFrameScene {
 public:
  // The scene is not owned; elapsed_ms is read at every input step (the length of the last tick).
  TSceneAdapter(TVelkBaseList& scene, const int32_t& elapsed_ms) : scene_(scene), elapsed_ms_(elapsed_ms) {}

  void SetScreenSize(int32_t width, int32_t height) override;
  TPoint ScreenSize() const override;
  void InputStep() override;
  void UpdateStep() override;
  void Compose() override;
  TFrameView Screen() const override;
  std::vector<TRect> Changed() const override;
  void ClearChanged() override;
  void MouseDown(bool left, bool right) override;
  void MouseUp() override;
  void MouseMove(int32_t x, int32_t y) override;
  void Wheel(bool down) override;
  void KeyDown(uint8_t key) override;
  void KeyUp(uint8_t key) override;
  // Typed text goes to the focused edit box.
  void TextInput(const std::string& text) override;
  void TextComposition(const std::string& text) override;
  void ReleaseInput() override;
  void FreeSurfaces() override;
  void ReloadSurfaces() override;

 private:
  TVelkBaseList& scene_;
  const int32_t& elapsed_ms_;
};

}  // namespace velk
