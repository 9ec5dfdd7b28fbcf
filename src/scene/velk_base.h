#pragma once
// One of the two layers of a screen: a control that owns its picture, keeps the rectangles to redraw and the mouse
// state of the input routing.
#include <cstdint>
#include <memory>
#include <string>

#include "base/clip_list.h"
#include "scene/velk_control.h"

namespace velk {

class TDIBX;

class TVelkBase : public TVelkControl {
 public:
  TVelkBase(TVelkBaseList* owner, const std::string& name);
  ~TVelkBase() override;

  TVelkBase* AsBase() override { return this; }
  const TVelkBase* AsBase() const override { return this; }
  TVelkBase* Base() override { return this; }
  bool AutoName() const override { return false; }
  // The base's name and parent are fixed; its size follows the scene.
  bool SetProp(int32_t id, const TPropValue& value) override;
  void SetName(const std::string&) override {}
  void SetParent(TVelkControl*) override {}

  // Clamped to the base; an empty result is dropped; near rectangles merge.
  void AddDirtyRect(const TRect& rect);
  void AddWholeRect() { AddDirtyRect(TRect{0, 0, Width, Height}); }
  TClipList DirtyRects;

  // The drawing surface: the scene's presentation surface for the active base without a transition, otherwise the
  // base's own picture.
  TCustomDIBX* Surface() override;
  TDIBX* BaseSurface() const { return base_surface_.get(); }
  // Sets the size; the own picture is resized once both are above 0.
  void Resize(int32_t width, int32_t height);
  void Draw() override;
  void ReleaseSurfaces() override;
  void RestoreSurfaces() override;

  // Mouse state fed by the window and latched by the input step.
  int32_t MouseX = 0, MouseY = 0;
  bool LeftPress = false, LeftClick = false;
  bool RightPress = false, RightClick = false;
  bool LeftHeld = false, RightHeld = false;
  bool Moved = false;
  uint8_t Capture = 0;  // 4: the left button is captured by MouseTarget; 8: the right one
  TObjectHandle MouseTarget;
  bool WheelDownPress = false, WheelDown = false, WheelUpPress = false, WheelUp = false;
  std::string CursorFile;

  static constexpr uint8_t kCaptureLeft = 4;
  static constexpr uint8_t kCaptureRight = 8;

 private:
  std::unique_ptr<TDIBX> base_surface_;
};

}  // namespace velk
