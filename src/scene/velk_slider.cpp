#include "scene/velk_slider.h"

#include <algorithm>
#include <cmath>

#include "gfx/custom_dibx.h"
#include "scene/base_list.h"
#include "scene/cell_tiles.h"
#include "scene/custom_image.h"
#include "scene/prop_table.h"
#include "vfs/stream_io.h"

namespace velk {

namespace {

using S = TVelkSlider;
using P = TProps<S>;

const TPropTable<S> kSliderProps = {
    P::Custom<&S::Source, &S::SetSource>(PR_SOURCE),
    P::Custom<&S::ThumbSource, &S::SetThumbSource>(PR_THUMBSOURCE),
    P::Custom<&S::ButtonSource, &S::SetButtonSource>(PR_BUTTONSOURCE),
    P::Custom<&S::Min, &S::SetMin>(PR_MIN),
    P::Custom<&S::Max, &S::SetMax>(PR_MAX),
    P::Custom<&S::Value, &S::SetValue>(PR_VALUE),
    P::Plain<&S::SmallChange>(PR_SMALLCHANGE),
    P::Custom<&S::Alpha, &S::SetAlpha>(PR_ALPHA),
    P::Plain<&S::PausedFlag>(PR_PAUSED),
    {PR_ORIENTATION, P::GetField<&S::Orientation>, P::CallSetter<&S::SetOrientation>},
    P::Plain<&S::OnNotify>(PR_ONNOTIFY),
    P::Plain<&S::OnHold>(PR_ONHOLD),
    P::Plain<&S::OnRelease>(PR_ONRELEASE),
    P::Plain<&S::OnIdle>(PR_ONIDLE),
    P::Plain<&S::CaptureMask>(PR_CAPTUREMASK),
    P::Custom<&S::BarSize, &S::SetBarSize>(PR_BARSIZE),
};

using SB = TVelkScrollbar;
const TPropTable<SB> kScrollbarProps = {
    TProps<SB>::Plain<&SB::LargeChange>(PR_LARGECHANGE),
};

int32_t PictureWidth(const TFramePicture& p) { return p.Surface() ? p.Surface()->Width() : 0; }
int32_t PictureHeight(const TFramePicture& p) { return p.Surface() ? p.Surface()->Height() : 0; }

int32_t Clamp32(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

// Whether the point hits the part: inside its rectangle and, for a picture with coverage, on a pixel above half.
bool HitsPart(const TRect& r, const TRect& cell, const TFramePicture& picture, TPoint p) {
  if (r.IsEmpty() || !r.Contains(p.X, p.Y)) return false;
  TCustomDIBX* mask = picture.Mask();
  if (!mask) return true;
  return mask->GetPixel(cell.Left + p.X - r.Left, cell.Top + p.Y - r.Top) > 127;
}

}  // namespace

TVelkSlider::TVelkSlider(TVelkBaseList* owner) : TVelkControl(owner) {}
TVelkSlider::~TVelkSlider() = default;

bool TVelkSlider::GetProp(int32_t id, TPropValue& value) const {
  return kSliderProps.Get(*this, id, value) || TVelkControl::GetProp(id, value);
}

bool TVelkSlider::SetProp(int32_t id, const TPropValue& value) {
  return kSliderProps.Set(*this, id, value) || TVelkControl::SetProp(id, value);
}

// ---- pictures and size -----------------------------------------------------------------------------------------

void TVelkSlider::SetSource(const std::string& name) {
  Invalidate();
  bar_.Load(Owner(), name, 255);
  AutoSize();
}

void TVelkSlider::SetThumbSource(const std::string& name) {
  Invalidate();
  thumb_.Load(Owner(), name, 255);
  AutoSize();
}

void TVelkSlider::SetButtonSource(const std::string& name) {
  Invalidate();
  arrows_.Load(Owner(), name, 255);
  AutoSize();
}

void TVelkSlider::SetBarSize(int32_t v) {
  BarSize = v;
  AutoSize();
}

void TVelkSlider::SetOrientation(int32_t v) {
  const auto o = static_cast<uint8_t>(v);
  if (o == Orientation) return;
  Invalidate();
  Orientation = o;
  AutoSize();
}

void TVelkSlider::SetMin(int32_t v) { SetVisualInt(Min, v); }
void TVelkSlider::SetMax(int32_t v) { SetVisualInt(Max, v); }

void TVelkSlider::SetValue(int32_t v) {
  if (v == Value) return;
  const int32_t before = Layout().Offset;
  Value = v;
  if (Layout().Offset != before) Invalidate();
}

void TVelkSlider::ChangeValue(int64_t v) {
  const int32_t next = static_cast<int32_t>(std::clamp<int64_t>(v, std::min(Min, Max), std::max(Min, Max)));
  if (next == Value) return;
  SetValue(next);
  QueueOwnEvent(PR_ONNOTIFY, {std::to_string(next)}, false);
}

void TVelkSlider::AutoSize() {
  const TLayout l = Layout();
  const int32_t bw = Vertical() ? l.BarCell.Width() : l.Length, bh = Vertical() ? l.Length : l.BarCell.Height();
  const int32_t tw = l.ThumbCell.Width(), th = l.ThumbCell.Height();
  const int32_t aw = l.ArrowCell.Width(), ah = l.ArrowCell.Height();
  int64_t w = 0, h = 0;
  if (bw > 0 && bh > 0) {
    if (Vertical()) {
      w = std::max({bw, tw, aw});
      h = int64_t{bh} + th + 2 * int64_t{ah};
    } else {
      w = int64_t{bw} + tw + 2 * int64_t{aw};
      h = std::max({bh, th, ah});
    }
  }
  SetBounds(Left, Top, Clamp32(w), Clamp32(h));
}

TVelkSlider::TLayout TVelkSlider::Layout() const {
  TLayout l;
  l.BarCell = TRect{0, 0, PictureWidth(bar_) / 2, PictureHeight(bar_)};
  l.ThumbCell = TRect{0, 0, PictureWidth(thumb_) / 3, PictureHeight(thumb_)};
  l.ArrowCell = TRect{0, 0, PictureWidth(arrows_) / 6, PictureHeight(arrows_)};
  const int32_t along = Vertical() ? l.BarCell.Height() : l.BarCell.Width();
  l.Length = std::max(BarSize > 0 ? BarSize : along, 0);
  const int64_t range = int64_t{Max} - Min;
  if (range >= 1) {
    const double share = double(int64_t{Value} - Min) / double(range);
    // A value outside the range keeps the thumb on the bar.
    l.Offset = static_cast<int32_t>(std::clamp<double>(std::nearbyint(share * l.Length), 0, l.Length));
  }
  const int32_t x = ScreenLeft(), y = ScreenTop(), W = Width, H = Height;
  const int32_t tw = l.ThumbCell.Width(), th = l.ThumbCell.Height();
  const int32_t aw = l.ArrowCell.Width(), ah = l.ArrowCell.Height();
  if (Vertical()) {
    const int32_t bw = l.BarCell.Width(), bh = l.Length;
    l.Bar = Bounds(x + (W - bw) / 2, y + ah + th / 2, bw, bh);
    l.Thumb = Bounds(x + (W - tw) / 2, y + ah + bh - l.Offset, tw, th);
    l.First = Bounds(x + (W - aw) / 2, y, aw, ah);
    l.Second = Bounds(x + (W - aw) / 2, y + H - ah, aw, ah);
  } else {
    const int32_t bw = l.Length, bh = l.BarCell.Height();
    l.Bar = Bounds(x + aw + tw / 2, y + (H - bh) / 2, bw, bh);
    l.Thumb = Bounds(x + aw + l.Offset, y + (H - th) / 2, tw, th);
    l.First = Bounds(x, y + (H - ah) / 2, aw, ah);
    l.Second = Bounds(x + W - aw, y + (H - ah) / 2, aw, ah);
  }
  return l;
}

TVelkSlider::TPart TVelkSlider::PartAt(TPoint p) const {
  const TLayout l = Layout();
  if (HitsPart(l.First, l.ArrowCell, arrows_, p)) return TPart::FirstArrow;
  const TRect second{l.ArrowCell.Left + 3 * l.ArrowCell.Width(), 0, l.ArrowCell.Left + 4 * l.ArrowCell.Width(),
                     l.ArrowCell.Height()};
  if (HitsPart(l.Second, second, arrows_, p)) return TPart::SecondArrow;
  if (int64_t{Max} - Min >= 1 && HitsPart(l.Thumb, l.ThumbCell, thumb_, p)) return TPart::Thumb;
  if (HitsPart(l.Bar, l.BarCell, bar_, p)) return TPart::Bar;
  return TPart::None;
}

// ---- drawing ---------------------------------------------------------------------------------------------------

int32_t TVelkSlider::CellState(TPart part) const {
  if (pressed_ == part && (part == TPart::Thumb || hover_ == part)) return 2;
  return hover_ == part ? 1 : 0;
}

void TVelkSlider::Draw() {
  TCustomDIBX* target = Surface();
  if (target && Alpha >= 1 && Width > 0 && Height > 0) {
    const TLayout l = Layout();
    const int32_t cw = l.BarCell.Width(), p = l.Offset;
    const TRect before{cw, 0, 2 * cw, l.BarCell.Height()};
    if (Vertical()) {
      // The lowest p pixels show the second cell; the pattern is aligned to the bar's far end.
      const TRect& b = l.Bar;
      const int32_t split = b.Bottom - p;
      DrawCellTiles(*target, TRect{b.Left, split, b.Right, b.Bottom}, bar_.Surface(), bar_.Mask(), before, Alpha, false,
                    false, 0, split - b.Bottom);
      DrawCellTiles(*target, TRect{b.Left, b.Top, b.Right, split}, bar_.Surface(), bar_.Mask(), l.BarCell, Alpha, false,
                    false, 0, b.Top - b.Bottom);
    } else {
      const TRect& b = l.Bar;
      DrawCellTiles(*target, TRect{b.Left, b.Top, b.Left + p, b.Bottom}, bar_.Surface(), bar_.Mask(), before, Alpha,
                    false, false, 0, 0);
      DrawCellTiles(*target, TRect{b.Left + p, b.Top, b.Right, b.Bottom}, bar_.Surface(), bar_.Mask(), l.BarCell, Alpha,
                    false, false, p, 0);
    }
    const int32_t tw = l.ThumbCell.Width(), th = l.ThumbCell.Height();
    if (thumb_.Surface() && tw > 0 && th > 0 && int64_t{Max} - Min >= 1) {
      const TRect cell = Bounds(CellState(TPart::Thumb) * tw, 0, tw, th);
      DrawPictureAt(*target, l.Thumb.Left, l.Thumb.Top, thumb_.Surface(), cell, thumb_.Mask(), false, false, Alpha);
    }
    const int32_t aw = l.ArrowCell.Width(), ah = l.ArrowCell.Height();
    if (arrows_.Surface() && aw > 0 && ah > 0) {
      const TRect first = Bounds(CellState(TPart::FirstArrow) * aw, 0, aw, ah);
      const TRect second = Bounds((3 + CellState(TPart::SecondArrow)) * aw, 0, aw, ah);
      DrawPictureAt(*target, l.First.Left, l.First.Top, arrows_.Surface(), first, arrows_.Mask(), false, false, Alpha);
      DrawPictureAt(*target, l.Second.Left, l.Second.Top, arrows_.Surface(), second, arrows_.Mask(), false, false,
                    Alpha);
    }
  }
  DrawChildren();
}

TVelkControl* TVelkSlider::HitTest(TPoint p, TMouseAllowed allowed) {
  TVelkControl* hit = TVelkControl::HitTest(p, allowed);
  // With PR_CAPTUREMASK only the parts take the mouse.
  if (hit == this && CaptureMask && PartAt(p) == TPart::None) return nullptr;
  return hit;
}

// ---- mouse and keys --------------------------------------------------------------------------------------------

TPoint TVelkSlider::MousePos() const {
  const TVelkBase* base = Base();
  return base ? TPoint{base->MouseX, base->MouseY} : TPoint{};
}

void TVelkSlider::SetHover(TPart part) {
  if (part == hover_) return;
  hover_ = part;
  Invalidate();
}

void TVelkSlider::Step(TPart arrow) {
  // Horizontal: the first arrow lowers the value; vertical: the first (upper) arrow raises it.
  const bool up = (arrow == TPart::SecondArrow) != Vertical();
  ChangeValue(int64_t{Value} + (up ? int64_t{SmallChange} : -int64_t{SmallChange}));
}

int64_t TVelkSlider::ValueAt(TPoint p) const {
  const TLayout l = Layout();
  const double range = double(int64_t{Max} - Min);
  if (Vertical()) {
    const int32_t bh = l.Bar.Height();
    if (bh <= 0) return Value;
    return Min + std::llround(range / bh * (double(l.Bar.Top) + bh - p.Y - 1));
  }
  const int32_t bw = l.Bar.Width();
  if (bw <= 0) return Value;
  return Min + std::llround(range / bw * (double(p.X) - l.Bar.Left));
}

void TVelkSlider::StartDrag(TPoint p) {
  const TLayout l = Layout();
  pressed_ = TPart::Thumb;
  drag_offset_ = Vertical() ? p.Y - (l.Thumb.Top + l.Thumb.Height() / 2) : p.X - (l.Thumb.Left + l.Thumb.Width() / 2);
  Invalidate();
}

void TVelkSlider::PressBar(TPoint p) {
  ChangeValue(ValueAt(p));
  StartDrag(p);
}

void TVelkSlider::MouseMove() {
  SetHover(PartAt(MousePos()));
  TVelkControl::MouseMove();
}

void TVelkSlider::MouseOut(TVelkControl* new_target) {
  SetHover(TPart::None);
  TVelkControl::MouseOut(new_target);
}

void TVelkSlider::MouseLeftDown() {
  TVelkBase* base = Base();
  if (!base || Paused() || (IgnoreMouse != 0 && IgnoreMouse != 4)) {
    TVelkControl::MouseLeftDown();
    return;
  }
  base->LeftClick = false;
  base->Capture |= TVelkBase::kCaptureLeft;
  const TPoint p = MousePos();
  const TPart part = PartAt(p);
  hover_ = part;
  repeat_ms_ = kRepeatDelay;
  switch (part) {
    case TPart::FirstArrow:
    case TPart::SecondArrow:
      pressed_ = part;
      Invalidate();
      Step(part);
      break;
    case TPart::Thumb:
      QueueOwnEvent(PR_ONHOLD, {}, false);
      holding_ = true;
      StartDrag(p);
      break;
    case TPart::Bar: PressBar(p); break;
    case TPart::None: break;
  }
}

void TVelkSlider::MouseLeftUp() {
  if (TVelkBase* base = Base()) base->Capture &= static_cast<uint8_t>(~TVelkBase::kCaptureLeft);
  if (holding_) QueueOwnEvent(PR_ONRELEASE, {}, false);
  holding_ = false;
  pressed_ = TPart::None;
  hover_ = PartAt(MousePos());
  Invalidate();
}

void TVelkSlider::MouseCaptured() {
  const TPoint p = MousePos();
  const int32_t dt = Owner() ? Owner()->FrameMs() : 0;
  switch (pressed_) {
    case TPart::Thumb: {
      const TLayout l = Layout();
      const int64_t range = int64_t{Max} - Min;
      if (range < 1 || l.Length <= 0) break;
      // The thumb's centre (bar start + p across, bar end - p upwards) follows the mouse less the offset taken at
      // the press.
      const int64_t offset = Vertical() ? int64_t{l.Bar.Top} + l.Length - (int64_t{p.Y} - drag_offset_)
                                        : int64_t{p.X} - drag_offset_ - l.Bar.Left;
      ChangeValue(Min + std::llround(double(offset) * double(range) / l.Length));
      break;
    }
    case TPart::FirstArrow:
    case TPart::SecondArrow:
    case TPart::Bar:
      // Repeats while the part stays held and the mouse stays on it.
      if (PartAt(p) != pressed_ && pressed_ != TPart::Bar) {
        SetHover(PartAt(p));
        break;
      }
      repeat_ms_ -= dt;
      if (repeat_ms_ > 0) break;
      repeat_ms_ += kRepeatInterval;
      if (pressed_ == TPart::Bar) {
        RepeatBar(p);
      } else {
        Step(pressed_);
      }
      break;
    case TPart::None: break;
  }
}

void TVelkSlider::KeyRepeat() {
  if (TVelkBaseList* scene = Owner(); scene && !Paused()) {
    for (int32_t key : scene->KeysRepeated()) {
      // Left and Down lower the value, Right and Up raise it; Page Up and Page Down step by the page.
      if (key == 37 || key == 40) ChangeValue(int64_t{Value} - SmallChange);
      if (key == 39 || key == 38) ChangeValue(int64_t{Value} + SmallChange);
      if (key == 33 && PageStep() != 0) ChangeValue(int64_t{Value} + PageStep());
      if (key == 34 && PageStep() != 0) ChangeValue(int64_t{Value} - PageStep());
    }
  }
  TVelkControl::KeyRepeat();
}

// ---- save record -----------------------------------------------------------------------------------------------

void TVelkSlider::SaveOwnFields(TStream& s) const {
  WriteString(s, bar_.Source());
  WriteString(s, thumb_.Source());
  WriteString(s, arrows_.Source());
  WriteInt(s, Min);
  WriteInt(s, Max);
  WriteInt(s, Value);
  WriteInt(s, SmallChange);
  WriteInt(s, Alpha);
  WriteByte(s, PausedFlag);
  WriteByte(s, Orientation);
  WriteString(s, OnNotify);
  WriteString(s, OnHold);
  WriteString(s, OnRelease);
  WriteString(s, OnIdle);
  WriteByte(s, CaptureMask);
  WriteInt(s, BarSize);
}

void TVelkSlider::LoadOwnFields(TStream& s, int32_t) {
  const std::string bar = ReadString(s), thumb = ReadString(s), arrows = ReadString(s);
  Min = ReadInt(s);
  Max = ReadInt(s);
  Value = ReadInt(s);
  SmallChange = ReadInt(s);
  Alpha = ReadInt(s);
  PausedFlag = ReadByte(s) != 0;
  Orientation = ReadByte(s);
  OnNotify = ReadString(s);
  OnHold = ReadString(s);
  OnRelease = ReadString(s);
  OnIdle = ReadString(s);
  CaptureMask = ReadByte(s) != 0;
  BarSize = ReadInt(s);
  // The pictures load again; the stored size stays as the record has it.
  const int32_t w = Width, h = Height;
  bar_.Load(Owner(), bar, 255);
  thumb_.Load(Owner(), thumb, 255);
  arrows_.Load(Owner(), arrows, 255);
  Width = w;
  Height = h;
  pressed_ = hover_ = TPart::None;
  holding_ = false;
}

// ---- scroll bar ------------------------------------------------------------------------------------------------

bool TVelkScrollbar::GetProp(int32_t id, TPropValue& value) const {
  return kScrollbarProps.Get(*this, id, value) || TVelkSlider::GetProp(id, value);
}

bool TVelkScrollbar::SetProp(int32_t id, const TPropValue& value) {
  return kScrollbarProps.Set(*this, id, value) || TVelkSlider::SetProp(id, value);
}

void TVelkScrollbar::PageTowards(TPoint p) {
  const TLayout l = Layout();
  if (l.Thumb.Contains(p.X, p.Y)) return;
  // Vertically the thumb rises as the value grows: a press above it raises the value.
  const bool up = Vertical() ? p.Y < l.Thumb.Top + l.Thumb.Height() / 2 : p.X >= l.Thumb.Left + l.Thumb.Width() / 2;
  ChangeValue(int64_t{Value} + (up ? int64_t{LargeChange} : -int64_t{LargeChange}));
}

void TVelkScrollbar::PressBar(TPoint p) {
  pressed_ = TPart::Bar;
  Invalidate();
  PageTowards(p);
}

void TVelkScrollbar::RepeatBar(TPoint p) {
  if (PartAt(p) == TPart::Bar) PageTowards(p);
}

void TVelkScrollbar::SaveOwnFields(TStream& s) const {
  TVelkSlider::SaveOwnFields(s);
  WriteInt(s, LargeChange);
}

void TVelkScrollbar::LoadOwnFields(TStream& s, int32_t version) {
  TVelkSlider::LoadOwnFields(s, version);
  LargeChange = ReadInt(s);
}

}  // namespace velk
