#pragma once
// Sliders and scroll bars: a bar picture (two cells: the part before the thumb and the rest), a thumb (three cells:
// normal, hovered, pressed) and two arrow buttons (six cells, three per arrow). The user moves the value with the
// arrows (repeating while held), by dragging the thumb, by pressing the bar and with the arrow keys; each change
// raises PR_ONNOTIFY with the new value. A scroll bar's bar press steps by its page (PR_LARGECHANGE) towards the
// press instead, repeating while held.
#include <cstdint>
#include <string>

#include "base/rect.h"
#include "scene/frame_picture.h"
#include "scene/velk_control.h"

namespace velk {

class TVelkSlider : public TVelkControl {
 public:
  // The parts a point can hit.
  enum class TPart : uint8_t { None, FirstArrow, SecondArrow, Thumb, Bar };
  // Where the parts lie on the base, and the thumb's offset along the bar.
  struct TLayout {
    TRect Bar, Thumb, First, Second;
    TRect BarCell, ThumbCell, ArrowCell;  // the cell sizes (at the origin)
    int32_t Length = 0;                   // the bar's length along the orientation
    int32_t Offset = 0;                   // the thumb offset p
  };
  // The first repeat of a held arrow comes after the key-repeat delay, then every 50 ms.
  static constexpr int32_t kRepeatDelay = 300, kRepeatInterval = 50;

  explicit TVelkSlider(TVelkBaseList* owner);
  ~TVelkSlider() override;

  uint8_t ComponentType() const override { return VT_SLIDER; }
  bool GetProp(int32_t id, TPropValue& value) const override;
  bool SetProp(int32_t id, const TPropValue& value) override;
  bool Paused() const override { return PausedFlag; }

  int32_t Min = 0, Max = 0, Value = 0;
  int32_t SmallChange = 1;
  int32_t Alpha = 255;
  bool PausedFlag = false;
  uint8_t Orientation = 0;  // 0 horizontal, 1 vertical
  std::string OnNotify, OnHold, OnRelease, OnIdle;
  bool CaptureMask = false;
  int32_t BarSize = 0;

  const std::string& Source() const { return bar_.Source(); }
  const std::string& ThumbSource() const { return thumb_.Source(); }
  const std::string& ButtonSource() const { return arrows_.Source(); }
  void SetSource(const std::string& name);
  void SetThumbSource(const std::string& name);
  void SetButtonSource(const std::string& name);
  void SetBarSize(int32_t v);
  // A change of orientation sizes the slider again, as a new picture does.
  void SetOrientation(int32_t v);
  void SetMin(int32_t v);
  void SetMax(int32_t v);
  // The script's write: no event.
  void SetValue(int32_t v);
  void SetAlpha(int32_t v) { SetVisualInt(Alpha, v); }
  bool Vertical() const { return Orientation != 0; }
  // A user's change: clamped to [PR_MIN, PR_MAX]; PR_ONNOTIFY with the new value when it changed.
  void ChangeValue(int64_t v);

  TLayout Layout() const;
  TPart PartAt(TPoint p) const;
  TPart PressedPart() const { return pressed_; }

  void Draw() override;
  TVelkControl* HitTest(TPoint p, TMouseAllowed allowed) override;
  void MouseMove() override;
  void MouseOut(TVelkControl* new_target) override;
  void MouseLeftDown() override;
  void MouseLeftUp() override;
  void MouseCaptured() override;
  void KeyRepeat() override;

 protected:
  // What a press on the bar does: the slider jumps to the pressed position and drags; a scroll bar pages.
  virtual void PressBar(TPoint p);
  // One repeat of a held part; a scroll bar pages again.
  virtual void RepeatBar(TPoint) {}
  virtual int32_t PageStep() const { return 0; }
  // The value under a point of the bar (the jump of a bar press).
  int64_t ValueAt(TPoint p) const;
  // Starts the thumb drag, keeping the offset between the mouse and the thumb's centre.
  void StartDrag(TPoint p);
  void SaveOwnFields(TStream& s) const override;
  void LoadOwnFields(TStream& s, int32_t version) override;

  TPart pressed_ = TPart::None;
  int32_t repeat_ms_ = 0;

 private:
  void AutoSize();
  void SetHover(TPart part);
  void Step(TPart arrow);
  TPoint MousePos() const;
  int32_t CellState(TPart part) const;

  TFramePicture bar_, thumb_, arrows_;
  TPart hover_ = TPart::None;
  int32_t drag_offset_ = 0;
  bool holding_ = false;
};

class TVelkScrollbar : public TVelkSlider {
 public:
  using TVelkSlider::TVelkSlider;

  uint8_t ComponentType() const override { return VT_SCROLLBAR; }
  bool GetProp(int32_t id, TPropValue& value) const override;
  bool SetProp(int32_t id, const TPropValue& value) override;

  int32_t LargeChange = 1;

 protected:
  void PressBar(TPoint p) override;
  void RepeatBar(TPoint p) override;
  int32_t PageStep() const override { return LargeChange; }
  void SaveOwnFields(TStream& s) const override;
  void LoadOwnFields(TStream& s, int32_t version) override;

 private:
  // One page towards the point, unless the thumb lies under it.
  void PageTowards(TPoint p);
};

}  // namespace velk
