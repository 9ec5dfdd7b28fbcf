#pragma once
// A visual scene object: geometry, visibility, parent and ordered children, the mouse and key handlers, drawing of
// the children inside the control's rectangle and its save record.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/rect.h"
#include "scene/velk_motion.h"
#include "scene/velk_object.h"

namespace velk {

class TCustomDIBX;

// The IgnoreMouse values a hit test accepts for the input being routed.
struct TMouseAllowed {
  uint8_t Mask = 0;  // bit v set: IgnoreMouse value v takes this input
  bool Has(uint8_t v) const { return v < 8 && (Mask >> v) & 1; }
  static TMouseAllowed LeftPress() { return {0b10001}; }   // {0, 4}
  static TMouseAllowed RightPress() { return {0b01001}; }  // {0, 3}
  static TMouseAllowed Movement() { return {0b11101}; }    // {0, 2, 3, 4}
};

class TVelkControl : public TVelkComponent {
 public:
  explicit TVelkControl(TVelkBaseList* owner);
  ~TVelkControl() override;

  TVelkControl* AsControl() override { return this; }
  const TVelkControl* AsControl() const override { return this; }

  // Fields of the system, in declaration order. Writing them directly bypasses invalidation; the setters below
  // keep the redraw bookkeeping.
  int32_t Left = 0, Top = 0, Width = 0, Height = 0;
  int32_t OffsetX = 0, OffsetY = 0;
  bool Visible = true;
  int32_t Color = 0;
  TRect SpareRect{0, 0, 1, 1};
  std::string OnMouseMove, OnMouseIn, OnMouseOut, OnLBtnDown, OnLBtnUp, OnRBtnDown, OnRBtnUp, OnWheelDown, OnWheelUp;
  uint8_t IgnoreMouse = 0;
  std::string Cursor;
  bool PosZoomed = false;
  bool Selected = false;
  int32_t ClipLeft = 0, ClipTop = 0, ClipWidth = 0, ClipHeight = 0;
  int32_t MotionX = 0, MotionY = 0;
  int32_t PlusX = 0, PlusY = 0;
  bool AniPaused = false;
  bool HandleKey = false;
  std::string OnKeyDown, OnKeyUp, OnKeyRepeat, OnFocusIn, OnFocusOut;

  void SetName(const std::string& name) override;
  void SetPriority(int32_t value) override;
  void SetMotionPriority(int32_t value) override;
  bool GetProp(int32_t id, TPropValue& value) const override;
  bool SetProp(int32_t id, const TPropValue& value) override;

  // Parent and children.
  TVelkControl* Parent() const { return parent_; }
  // Refused (nothing changes) when the new parent is the current one, this control or one of its descendants.
  virtual void SetParent(TVelkControl* parent);
  int32_t ChildCount() const { return static_cast<int32_t>(children_.size()); }
  TVelkControl* ChildAt(int32_t i) const;
  const std::vector<TVelkControl*>& Children() const { return children_; }
  void SortChildren();
  bool Contains(const TVelkControl* other) const;
  // The base the control is on: a base answers itself, others ask the parent.
  virtual TVelkBase* Base();
  const TVelkBase* Base() const { return const_cast<TVelkControl*>(this)->Base(); }
  // The surface the control draws on: its base's drawing surface.
  virtual TCustomDIBX* Surface();
  bool InCabinet() const override;
  // Visible, on the active base, and every ancestor visible.
  bool ShownOnScreen() const;

  // Geometry.
  virtual int32_t ZoomX() const { return 256; }
  virtual int32_t ZoomY() const { return 256; }
  virtual bool FlipH() const { return false; }
  virtual bool FlipV() const { return false; }
  // The scroll of the content that children follow (tiles and message windows).
  virtual int32_t ScrollX() const { return 0; }
  virtual int32_t ScrollY() const { return 0; }
  virtual TCustomDIBX* ImageSurface() const { return nullptr; }
  // Tiles: the screen position is the parent's plus Left/Top (MotionX/MotionY under a motion) less the parent's
  // scroll, without anchor, zoom or extra offset.
  virtual bool PlacedByLeftTop() const { return false; }
  // Whether a motion player drives the control's position.
  bool MotionAttached() const { return motion_ != nullptr; }
  int32_t ScreenLeft() const;
  int32_t ScreenTop() const;
  int32_t LocalLeft() const;
  int32_t LocalTop() const;
  TPoint ScreenOrigin() const;
  virtual TRect ScreenRect() const;
  // The clip window on the base; empty when the control does not clip.
  TRect ClipScreenRect() const;
  TPoint ClientToScreen(TPoint p) const { return {p.X + ScreenLeft(), p.Y + ScreenTop()}; }
  TPoint ScreenToClient(TPoint p) const { return {p.X - ScreenLeft(), p.Y - ScreenTop()}; }
  bool IntersectBounds(TRect& rect) const;

  // Setters with the old-and-new invalidation.
  void SetLeft(int32_t v);
  void SetTop(int32_t v);
  void SetWidth(int32_t v) { SetVisualInt(Width, v); }
  void SetHeight(int32_t v) { SetVisualInt(Height, v); }
  void SetOffsetX(int32_t v);
  void SetOffsetY(int32_t v);
  void SetColor(int32_t v) { SetVisualInt(Color, v); }
  void SetPlusX(int32_t v) { SetVisualInt(PlusX, v); }
  void SetPlusY(int32_t v) { SetVisualInt(PlusY, v); }
  void SetPosZoomed(bool v);
  void SetClip(int32_t& field, int32_t v);
  void SetClipLeft(int32_t v) { SetClip(ClipLeft, v); }
  void SetClipTop(int32_t v) { SetClip(ClipTop, v); }
  void SetClipWidth(int32_t v) { SetClip(ClipWidth, v); }
  void SetClipHeight(int32_t v) { SetClip(ClipHeight, v); }
  virtual void SetVisible(bool v);
  virtual void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height);
  // Invalidate, assign, Invalidate when the value changes.
  void SetVisualInt(int32_t& field, int32_t v);
  void SetVisualBool(bool& field, bool v);

  // Redraw bookkeeping and drawing.
  virtual void Invalidate();
  virtual void ChildInvalidated(const TRect& rect);
  // Draws the control onto Surface(); the default draws the children.
  virtual void Draw() { DrawChildren(); }
  // Whether Draw sets every pixel of area (screen coordinates) to a value that does not depend on what lies
  // below it, so a parent need not paint that area first. Only plain opaque pictures say so.
  virtual bool CoversOpaquely(const TRect& area) const { return false; }
  virtual TVelkControl* HitTest(TPoint p, TMouseAllowed allowed);
  virtual void GeometryChanged();
  virtual void ClipChanged() {}

  // Mouse and key handlers called by the input routing.
  virtual void MouseLeftDown();
  virtual void MouseLeftUp();
  virtual void MouseRightDown();
  virtual void MouseRightUp();
  virtual void MouseMove();
  virtual void MouseOut(TVelkControl* new_target);
  virtual void MouseIn(TVelkControl* old_target);
  virtual void MouseCaptured() {}
  virtual bool CloseOnRightClick() { return false; }
  // Queues PR_ONWHEELDOWN or PR_ONWHEELUP when the handler is set and none of them is waiting.
  void WheelEvent(bool down) { QueueOwnEvent(down ? PR_ONWHEELDOWN : PR_ONWHEELUP, {}, true); }
  virtual void KeyDown();
  virtual void KeyUp();
  virtual void KeyRepeat();
  virtual void FocusGained() {}
  // Text typed while the control has the focus (code page 932); only edit boxes take it.
  virtual void TextInput(const std::string&) {}
  // The input method's text being composed, shown at the caret until it is typed or dropped (empty).
  virtual void TextComposition(const std::string&) {}
  virtual std::string CursorFile() const { return Cursor; }
  // The topmost visible descendant (or this control) that takes the keyboard focus and is not paused.
  TVelkControl* FirstFocusable();
  // Afterimages fade out by themselves and are never saved; a picture's afterimage names its source, before which
  // it draws.
  virtual bool IsAfterimage() const { return false; }
  virtual TObjectHandle AfterimageSource() const { return {}; }
  virtual void EnteredCabinet() {}
  virtual void LeftCabinet() {}
  // Steps the motion when one is attached; true when its end destroys the control (PR_AUTOSCRAP).
  bool Update() override;

  // The motion player while a motion file (".kmt") drives the control, else null.
  TVelkMotion* Motion() const { return motion_.get(); }
  // Attaches a motion player for the file in place of any other; it takes its first step at once. A motion that is
  // over in that step ends an autoscrapping control at the next update.
  void LoadMotion(const std::string& file);
  // Frees the motion player and resets what it wrote (MotionX, MotionY, MotionPriority).
  void DetachMotion();
  // Starts a finished motion again (a control set to repeat).
  void RestartMotion();
  // PR_REPEAT and PR_AUTOSCRAP of the class; classes without them never repeat nor end themselves.
  virtual bool Repeats() const { return false; }
  virtual bool AutoScraps() const { return false; }
  // PR_PLAYING of controls: a motion is attached, has not ended, and neither PR_PAUSED nor AniPaused is set.
  bool MotionPlaying() const;

  void SaveToStream(TStream& s) const override;
  void LoadFromStream(TStream& s, int32_t version, int32_t depth = 0) override;

 protected:
  void DrawChildren();
  // Whether a child that DrawChildren draws covers area opaquely.
  bool ChildCovers(const TRect& area) const;
  // The end of a run that does not repeat (a motion's or a frame animation's): true (destroy me) with
  // PR_AUTOSCRAP, else PR_ONPLAYEND queued once per run.
  bool ReachedEnd();
  // A new run begins (a new source, frame or restart): its end is reported again.
  void ResetRunEnd() {
    end_reported_ = false;
    scrap_pending_ = false;
  }
  // The class's own fields after the whole control record (children included).
  virtual void SaveOwnFields(TStream&) const {}
  virtual void LoadOwnFields(TStream&, int32_t /*version*/) {}

 private:
  friend class TVelkBaseList;
  struct TAxis;
  TAxis AxisOf(bool vertical) const;
  int32_t ScreenPos(bool vertical) const;
  int32_t Anchor(const TAxis& a) const;
  int32_t Position(const TAxis& a) const;
  // The mouse position relative to the control, as the two decimal arguments of mouse events.
  std::vector<std::string> MouseArgs() const;
  void MouseDownCommon(bool left);
  void MouseUpCommon(bool left);
  void KeyEvent(int32_t id, const std::vector<int32_t>& codes);
  void RemoveChildEntry(TVelkControl* child);
  void AddChildEntry(TVelkControl* child);
  void RefocusAfterMove();

  TVelkControl* parent_ = nullptr;
  std::vector<TVelkControl*> children_;
  std::unique_ptr<TVelkMotion> motion_;
  bool end_reported_ = false;
  // The motion ended in the step its attachment took, with PR_AUTOSCRAP: the next update ends the control.
  bool scrap_pending_ = false;
};

// Orders two siblings for drawing: true when a comes before b.
bool ControlDrawsBefore(const TVelkControl& a, const TVelkControl& b);

}  // namespace velk
