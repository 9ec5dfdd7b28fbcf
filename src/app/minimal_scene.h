#pragma once
// A scene of one solid-colour base, standing in for the scene list until the components exist. It keeps the input
// state as the bases would, so the window's input handling can be watched through it.
#include <array>
#include <string>

#include "app/frame_services.h"
#include "app/pixel_buffer.h"

namespace velk {

struct TSceneInput {
  bool LeftHeld = false;
  bool RightHeld = false;
  bool LeftClicked = false;
  bool RightClicked = false;
  bool WheelUp = false;
  bool WheelDown = false;
  TPoint Mouse;
  std::array<bool, 256> KeyHeld{};
  std::array<bool, 256> KeyPressed{};
  std::string Text;  // code page 932
};

class TMinimalScene : public IFrameScene {
 public:
  explicit TMinimalScene(uint32_t colour = 0x000000) : colour_(colour) {}

  void SetScreenSize(int32_t width, int32_t height) override;
  TPoint ScreenSize() const override { return {screen_.Width(), screen_.Height()}; }
  // The input step takes the one-frame flags (clicks, wheel, key presses) gathered since the previous step: Input()
  // shows them for the rest of the frame.
  void InputStep() override;
  void UpdateStep() override { ++updates_; }
  void Compose() override;
  TFrameView Screen() const override { return screen_.View(); }
  std::vector<TRect> Changed() const override { return changed_; }
  void ClearChanged() override { changed_.clear(); }
  void MouseDown(bool left, bool right) override;
  void MouseUp() override;
  void MouseMove(int32_t x, int32_t y) override { input_.Mouse = {x, y}; }
  void Wheel(bool down) override { (down ? pending_.WheelDown : pending_.WheelUp) = true; }
  void KeyDown(uint8_t key) override;
  void KeyUp(uint8_t key) override { input_.KeyHeld[key] = false; }
  void TextInput(const std::string& text) override { input_.Text += text; }
  void ReleaseInput() override;
  void FreeSurfaces() override { surfaces_ = false; }
  void ReloadSurfaces() override;

  // Changes the colour; the whole screen is redrawn in the next draw step.
  void SetColour(uint32_t colour);
  const TSceneInput& Input() const { return input_; }
  int32_t Updates() const { return updates_; }
  int32_t Composes() const { return composes_; }
  bool HasSurfaces() const { return surfaces_; }

 private:
  uint32_t colour_;
  TPixelBuffer screen_;
  std::vector<TRect> changed_;
  bool dirty_ = true;
  bool surfaces_ = true;
  TSceneInput input_;
  TSceneInput pending_;  // only its one-frame flags are used
  int32_t updates_ = 0;
  int32_t composes_ = 0;
};

}  // namespace velk
