#include "scene/list_box.h"

#include <algorithm>

#include "gfx/custom_dibx.h"
#include "scene/base_list.h"
#include "scene/cell_tiles.h"
#include "scene/prop_table.h"
#include "scene/velk_label.h"
#include "vfs/stream_io.h"

namespace velk {

namespace {

using LB = TVelkCustomListBox;
using P = TProps<LB>;

constexpr int32_t kKeyEnter = 13, kKeyPageUp = 33, kKeyPageDown = 34, kKeyUp = 38, kKeyDown = 40;
// The first repeat of a held scroll part comes after the key-repeat delay, the next ones every 50 ms.
constexpr int32_t kRepeatDelay = 300, kRepeatInterval = 50;
// The most items a list holds.
constexpr size_t kMaxItems = 10000;
// Sizes the list gives itself stay within what a surface can hold.
constexpr int64_t kMaxSide = 32767;
// The pieces whose picture is aligned in its stretch: 1, 4, 7 horizontally, 3, 4, 5 vertically.
constexpr int32_t kHAlignPiece[3] = {1, 4, 7};
constexpr int32_t kVAlignPiece[3] = {3, 4, 5};
// The cells of the scroll strip.
constexpr int32_t kCellUp = 0, kCellDown = 2, kCellTrack = 4, kCellThumb = 6;

int32_t Side(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, 0, kMaxSide)); }

// Setters of the label lists' look: the lists draw their labels again, the list sizes itself again.
template <int32_t TLabelDIBList::*Field> void SetItemsInt(LB& b, const TPropValue& v) {
  b.Items().*Field = v.I;
  b.SettingsChanged();
}
template <int32_t TLabelDIBList::*Field> void GetItemsInt(const LB& b, TPropValue& v) { v.I = b.Items().*Field; }
template <int32_t TLabelDIBList::*Field> void SetHoversInt(LB& b, const TPropValue& v) {
  b.Hovers().*Field = v.I;
  b.SettingsChanged();
}
template <int32_t TLabelDIBList::*Field> void GetHoversInt(const LB& b, TPropValue& v) { v.I = b.Hovers().*Field; }
// Settings both lists share.
template <int32_t TLabelDIBList::*Field> void SetBothInt(LB& b, const TPropValue& v) {
  b.Items().*Field = v.I;
  b.Hovers().*Field = v.I;
  b.SettingsChanged();
}

const TPropTable<LB> kListProps = {
    P::Custom<&LB::Text, &LB::SetText>(PR_TEXT),
    {PR_FONTNAME, [](const LB& b, TPropValue& v) { v.S = b.Items().FontName; },
     [](LB& b, const TPropValue& v) {
       b.Items().FontName = b.Hovers().FontName = v.S;
       b.SettingsChanged();
     }},
    {PR_FONTHEIGHT, GetItemsInt<&TLabelDIBList::FontHeight>, SetBothInt<&TLabelDIBList::FontHeight>},
    {PR_FONTSTYLE, [](const LB& b, TPropValue& v) { v.I = b.Items().Style; },
     [](LB& b, const TPropValue& v) {
       b.Items().Style = b.Hovers().Style = static_cast<uint8_t>(v.I & 0x0F);
       b.SettingsChanged();
     }},
    {PR_FONTCOLOR, GetItemsInt<&TLabelDIBList::TextColor>, SetBothInt<&TLabelDIBList::TextColor>},
    {PR_ANTIALIAS, [](const LB& b, TPropValue& v) { v.B = b.Items().Quality > 0; },
     [](LB& b, const TPropValue& v) {
       b.Items().Quality = b.Hovers().Quality = v.B ? 3 : 0;
       b.SettingsChanged();
     }},
    {PR_FONTBORDERCOLOR, GetItemsInt<&TLabelDIBList::BorderColor>, SetItemsInt<&TLabelDIBList::BorderColor>},
    {PR_FONTSHADOWCOLOR, GetItemsInt<&TLabelDIBList::ShadowColor>, SetItemsInt<&TLabelDIBList::ShadowColor>},
    {PR_FONTBORDER, GetItemsInt<&TLabelDIBList::BorderWidth>, SetItemsInt<&TLabelDIBList::BorderWidth>},
    {PR_FONTSHADOW, GetItemsInt<&TLabelDIBList::ShadowWidth>, SetItemsInt<&TLabelDIBList::ShadowWidth>},
    {PR_FONTHOVERBORDER, GetHoversInt<&TLabelDIBList::BorderWidth>, SetHoversInt<&TLabelDIBList::BorderWidth>},
    {PR_FONTHOVERBORDERCOLOR, GetHoversInt<&TLabelDIBList::BorderColor>, SetHoversInt<&TLabelDIBList::BorderColor>},
    {PR_FONTHOVERSHADOW, GetHoversInt<&TLabelDIBList::ShadowWidth>, SetHoversInt<&TLabelDIBList::ShadowWidth>},
    {PR_FONTHOVERSHADOWCOLOR, GetHoversInt<&TLabelDIBList::ShadowColor>, SetHoversInt<&TLabelDIBList::ShadowColor>},
    {PR_LINESPACE, [](const LB& b, TPropValue& v) { v.I = b.LineSpace; },
     [](LB& b, const TPropValue& v) {
       b.LineSpace = v.I;
       b.SettingsChanged();
     }},
    {PR_MARGINX, [](const LB& b, TPropValue& v) { v.I = b.MarginX; },
     [](LB& b, const TPropValue& v) {
       b.MarginX = v.I;
       b.SettingsChanged();
     }},
    {PR_MARGINY, [](const LB& b, TPropValue& v) { v.I = b.MarginY; },
     [](LB& b, const TPropValue& v) {
       b.MarginY = v.I;
       b.SettingsChanged();
     }},
    {PR_BORDERWIDTH, [](const LB& b, TPropValue& v) { v.I = b.BorderWidth; },
     [](LB& b, const TPropValue& v) {
       b.BorderWidth = v.I;
       b.SettingsChanged();
     }},
    {PR_ALPHA, [](const LB& b, TPropValue& v) { v.I = b.Alpha; },
     [](LB& b, const TPropValue& v) {
       b.Alpha = v.I;
       // Labels blend with the list's opacity; the additive codes draw them opaque.
       b.Items().Alpha = b.Hovers().Alpha = std::clamp(v.I, 0, 255);
       b.Invalidate();
     }},
    P::Visual<&LB::BorderColor>(PR_BORDERCOLOR),
    P::Custom<&LB::RowCount, &LB::SetRowCount>(PR_ROWCOUNT),
    P::Custom<&LB::TopIndex, &LB::SetTopIndex>(PR_TOPINDEX),
    P::Custom<&LB::ItemIndex, &LB::SetItemIndex>(PR_INDEX),
    P::ReadOnly<&LB::Count>(PR_COUNT),
    P::Visual<&LB::HAlign>(PR_HALIGN),
    P::Plain<&LB::OnSelect>(PR_ONSELECT),
    P::Plain<&LB::OnIdle>(PR_ONIDLE),
    P::Plain<&LB::OnMapIn>(PR_ONMAPIN),
    P::Plain<&LB::OnMapOut>(PR_ONMAPOUT),
    P::Plain<&LB::PausedFlag>(PR_PAUSED),
};

// The offset at which a picture of size w starts inside a stretch of size n: 0, centred (1) or at the far end (2);
// when the picture is smaller the pattern is shifted by the remainder instead. Divisions truncate toward zero.
int32_t AlignOffset(uint8_t align, int32_t n, int32_t w) {
  if (w <= 0) return 0;
  if (align == 1) return w < n ? -((n % w) / 2) : (n - w) / 2;
  if (align == 2) return w < n ? -(n % w) : n - w;
  return 0;
}

int32_t PieceWidth(const LB::TPiece& p) { return p.Picture.Surface() ? p.Picture.Surface()->Width() : 0; }
int32_t PieceHeight(const LB::TPiece& p) { return p.Picture.Surface() ? p.Picture.Surface()->Height() : 0; }

}  // namespace

TVelkCustomListBox::TVelkCustomListBox(TVelkBaseList* owner) : TVelkControl(owner) {}

TVelkCustomListBox::~TVelkCustomListBox() = default;

bool TVelkCustomListBox::GetProp(int32_t id, TPropValue& value) const {
  if (id >= PR_BORDERSOURCETL && id <= PR_BORDERSOURCEBR) {
    value.S = Pieces[static_cast<size_t>(id - PR_BORDERSOURCETL)].Picture.Source();
    return true;
  }
  if (id >= PR_BORDERHALIGNT && id <= PR_BORDERHALIGNB) {
    value.I = Pieces[static_cast<size_t>(kHAlignPiece[id - PR_BORDERHALIGNT])].HAlign;
    return true;
  }
  if (id >= PR_BORDERVALIGNL && id <= PR_BORDERVALIGNR) {
    value.I = Pieces[static_cast<size_t>(kVAlignPiece[id - PR_BORDERVALIGNL])].VAlign;
    return true;
  }
  if (id == PR_SCROLLSOURCE || id == PR_CHECKSOURCE) {
    value.S = (id == PR_SCROLLSOURCE ? scroll_ : check_).Source();
    return true;
  }
  return kListProps.Get(*this, id, value) || TVelkControl::GetProp(id, value);
}

bool TVelkCustomListBox::SetProp(int32_t id, const TPropValue& value) {
  if (id >= PR_BORDERSOURCETL && id <= PR_BORDERSOURCEBR) {
    LoadPiece(id - PR_BORDERSOURCETL, value.S);
    return true;
  }
  if (id >= PR_BORDERHALIGNT && id <= PR_BORDERHALIGNB) {
    Pieces[static_cast<size_t>(kHAlignPiece[id - PR_BORDERHALIGNT])].HAlign = static_cast<uint8_t>(value.I);
    Invalidate();
    return true;
  }
  if (id >= PR_BORDERVALIGNL && id <= PR_BORDERVALIGNR) {
    Pieces[static_cast<size_t>(kVAlignPiece[id - PR_BORDERVALIGNL])].VAlign = static_cast<uint8_t>(value.I);
    Invalidate();
    return true;
  }
  if (id == PR_SCROLLSOURCE) {
    SetScrollSource(value.S);
    return true;
  }
  if (id == PR_CHECKSOURCE) {
    SetCheckSource(value.S);
    return true;
  }
  return kListProps.Set(*this, id, value) || TVelkControl::SetProp(id, value);
}

// ---- items --------------------------------------------------------------------------------------------------------

void TVelkCustomListBox::SetText(const std::string& text) {
  text_ = text;
  items_text_ = SplitLines(text);
  // Every item has two labels: a script's text must not decide how many there are without bound.
  if (items_text_.size() > kMaxItems) items_text_.resize(kMaxItems);
  const int32_t n = Count();
  items_.SetCount(n);
  hovers_.SetCount(n);
  for (int32_t i = 0; i < n; ++i) {
    items_.LabelAt(i)->SetCaption(items_text_[static_cast<size_t>(i)]);
    hovers_.LabelAt(i)->SetCaption(items_text_[static_cast<size_t>(i)]);
  }
  checks_.resize(static_cast<size_t>(n), 0);
  if (hover_ >= n) hover_ = -1;
  if (index_ >= n) index_ = -1;
  SettingsChanged();
}

std::string TVelkCustomListBox::ItemText(int32_t i) const {
  return i >= 0 && i < Count() ? items_text_[static_cast<size_t>(i)] : std::string();
}

int32_t TVelkCustomListBox::IndexOfItem(const std::string& text) const {
  const auto it = std::find(items_text_.begin(), items_text_.end(), text);
  return it == items_text_.end() ? -1 : static_cast<int32_t>(it - items_text_.begin());
}

bool TVelkCustomListBox::Checked(int32_t i) const {
  return i >= 0 && i < static_cast<int32_t>(checks_.size()) && checks_[static_cast<size_t>(i)] != 0;
}

bool TVelkCustomListBox::SetChecked(int32_t i, bool checked) {
  if (i < 0 || i >= static_cast<int32_t>(checks_.size())) return false;
  checks_[static_cast<size_t>(i)] = checked ? 1 : 0;
  Invalidate();
  return true;
}

void TVelkCustomListBox::SettingsChanged() {
  items_.MarkAllDirty();
  hovers_.MarkAllDirty();
  layout_dirty_ = true;
  Invalidate();
}

void TVelkCustomListBox::QueueItemEvent(int32_t id, int32_t item, bool unique) {
  QueueOwnEvent(id, {ItemText(item), std::to_string(item)}, unique);
}

void TVelkCustomListBox::SetHoverIndex(int32_t i) {
  if (i < -1 || i >= Count()) i = -1;
  if (i == hover_) return;
  if (hover_ >= 0) QueueItemEvent(PR_ONMAPOUT, hover_, true);
  hover_ = i;
  index_ = -1;
  Invalidate();
  if (hover_ >= 0) QueueItemEvent(PR_ONMAPIN, hover_, true);
}

void TVelkCustomListBox::SelectHovered() {
  if (hover_ < 0 || hover_ >= Count()) return;
  index_ = hover_;
  TVelkBaseList* scene = Owner();
  if (scene && scene->Services.SetSelection) scene->Services.SetSelection(ItemText(hover_), hover_);
  QueueItemEvent(PR_ONSELECT, hover_, true);
}

void TVelkCustomListBox::SetItemIndex(int32_t i) {
  index_ = i >= 0 && i < Count() ? i : -1;
  Invalidate();
}

void TVelkCustomListBox::SetTopIndex(int32_t v) {
  // Not beyond the last page, not below the first item.
  v = std::min(v, Count() - row_count_);
  v = std::max(v, 0);
  if (v == top_) return;
  top_ = v;
  Invalidate();
}

void TVelkCustomListBox::SetRowCount(int32_t v) {
  row_count_ = std::max(v, 0);
  SettingsChanged();
}

// ---- pictures -----------------------------------------------------------------------------------------------------

void TVelkCustomListBox::LoadPiece(int32_t k, const std::string& name) {
  TFramePicture& p = Pieces[static_cast<size_t>(k)].Picture;
  if (name == p.Source()) return;
  p.Load(Owner(), name, 255);
  SettingsChanged();
}

void TVelkCustomListBox::SetScrollSource(const std::string& name) {
  if (name == scroll_.Source()) return;
  scroll_.Load(Owner(), name, 255);
  SettingsChanged();
}

void TVelkCustomListBox::SetCheckSource(const std::string& name) {
  if (name == check_.Source()) return;
  check_.Load(Owner(), name, 255);
  SettingsChanged();
}

void TVelkCustomListBox::ReleaseSurfaces() {
  items_.MarkAllDirty();
  hovers_.MarkAllDirty();
}

// ---- geometry -----------------------------------------------------------------------------------------------------

TVelkCustomListBox::TFrame TVelkCustomListBox::Frame() const {
  TFrame f;
  const auto w = [&](int32_t k) { return PieceWidth(Pieces[static_cast<size_t>(k)]); };
  const auto h = [&](int32_t k) { return PieceHeight(Pieces[static_cast<size_t>(k)]); };
  f.L = std::max({w(0), w(3), w(6)});
  f.R = std::max({w(2), w(5), w(8)});
  f.T = std::max({h(0), h(1), h(2)});
  f.B = std::max({h(6), h(7), h(8)});
  if (const TCustomDIBX* s = scroll_.Surface()) {
    f.sw = s->Width() / 7;
    f.sh = s->Height();
  }
  if (const TCustomDIBX* c = check_.Surface()) {
    f.cw = c->Width() / 2;
    f.ch = c->Height();
  }
  return f;
}

int32_t TVelkCustomListBox::RowHeight() const {
  const TLabelDIB* a = items_.LabelAt(0);
  const TLabelDIB* b = hovers_.LabelAt(0);
  return std::max(a ? a->Height() : 0, b ? b->Height() : 0);
}

TRect TVelkCustomListBox::Inner() const {
  const TRect o = ScreenRect();
  return TRect{o.Left + BorderWidth, o.Top + BorderWidth, o.Right - BorderWidth, o.Bottom - BorderWidth};
}

void TVelkCustomListBox::UpdateAutoSize() {
  if (!layout_dirty_) return;
  layout_dirty_ = false;
  items_.Measure();
  hovers_.Measure();
  const TFrame f = Frame();
  const int64_t n = std::min<int64_t>(row_count_, Count());
  // Rows are spaced by the row height the items are drawn and hit with, so that the size and the hit test agree.
  const int64_t rh = RowHeight();
  const int64_t width = int64_t{std::max(items_.MaxWidth(), hovers_.MaxWidth())} + 2 * int64_t{BorderWidth} + f.L +
                        f.R + 2 * int64_t{MarginX} + f.cw + (Scrolling() ? f.sw : 0);
  // No rows leave no gap between rows either.
  const int64_t height =
      n * rh + std::max<int64_t>(n - 1, 0) * LineSpace + 2 * int64_t{BorderWidth} + f.T + f.B + 2 * int64_t{MarginY};
  auto_height_ = Side(height);
  top_ = std::clamp(top_, 0, std::max(Count() - row_count_, 0));
  TakeAutoSize(Side(width), auto_height_);
}

int32_t TVelkCustomListBox::ItemAt(TPoint p) const {
  const TFrame f = Frame();
  const TRect in = Inner();
  const int32_t rh = RowHeight();
  const int32_t e = std::min(LineSpace / 2, MarginY);
  const int64_t right = int64_t{in.Right} - f.R - (Scrolling() ? f.sw : 0);
  const int64_t top = int64_t{in.Top} + f.T + MarginY - e, bottom = int64_t{in.Bottom} - f.B - MarginY + e;
  if (p.X < in.Left + f.L || p.X >= right || p.Y < top || p.Y >= bottom) return -1;
  const int64_t band = int64_t{rh} + LineSpace;
  if (band <= 0) return -1;
  const int64_t first = int64_t{in.Top} + f.T + MarginY - LineSpace / 2;
  const int64_t bands = p.Y < first ? 0 : std::min<int64_t>((p.Y - first) / band + 1, int64_t{row_count_} + 1);
  const int64_t item = top_ - 1 + bands;
  // Never an item above the top, below the shown rows or past the last item.
  if (item < top_ || item >= int64_t{top_} + row_count_ || item >= Count()) return -1;
  return static_cast<int32_t>(item);
}

TRect TVelkCustomListBox::UpArrow() const {
  const TFrame f = Frame();
  const TRect in = Inner();
  return Bounds(in.Right - f.R - f.sw, in.Top + f.T, f.sw, f.sh);
}

TRect TVelkCustomListBox::DownArrow() const {
  const TFrame f = Frame();
  const TRect in = Inner();
  return Bounds(in.Right - f.R - f.sw, in.Bottom - f.B - f.sh, f.sw, f.sh);
}

int32_t TVelkCustomListBox::ThumbTop() const {
  const TFrame f = Frame();
  const int64_t span = int64_t{Height} - 2 * int64_t{BorderWidth} - f.T - f.B - 3 * int64_t{f.sh};
  const int64_t pages = Count() - row_count_;
  const int64_t base = int64_t{ScreenTop()} + BorderWidth + f.T + f.sh;
  return static_cast<int32_t>(pages > 0 ? base + span * top_ / pages : base);
}

TVelkCustomListBox::TPart TVelkCustomListBox::PartAt(TPoint p) const {
  if (!Scrolling() || !AtRest() || !scroll_.Surface()) return TPart::List;
  const TFrame f = Frame();
  const TRect up = UpArrow(), down = DownArrow();
  if (p.X < up.Left || p.X >= up.Right) return TPart::List;
  if (up.Contains(p.X, p.Y)) return TPart::Up;
  if (down.Contains(p.X, p.Y)) return TPart::Down;
  const int32_t t = ThumbTop();
  if (p.Y >= t && p.Y < t + f.sh) return TPart::Thumb;
  if (p.Y >= up.Bottom && p.Y < t) return TPart::TrackAbove;
  if (p.Y >= t + f.sh && p.Y < down.Top) return TPart::TrackBelow;
  return TPart::List;
}

// ---- input --------------------------------------------------------------------------------------------------------

void TVelkCustomListBox::MouseMove() {
  const TVelkBase* base = Base();
  if (base && !EventsBlocked() && AtRest() && (held_ == TPart::None || held_ == TPart::List)) {
    SetHoverIndex(ItemAt({base->MouseX, base->MouseY}));
  }
  TVelkControl::MouseMove();
}

void TVelkCustomListBox::MouseLeftDown() {
  TVelkBase* base = Base();
  if (!base || Paused() || !(IgnoreMouse == 0 || IgnoreMouse == 4)) {
    TVelkControl::MouseLeftDown();
    return;
  }
  // The press is taken whatever part it meets.
  base->Capture |= TVelkBase::kCaptureLeft;
  base->LeftClick = false;
  const TPoint p{base->MouseX, base->MouseY};
  held_ = PartAt(p);
  repeat_left_ = kRepeatDelay;
  if (held_ == TPart::Thumb) {
    drag_offset_ = p.Y - (ThumbTop() + Frame().sh / 2);
  } else if (held_ != TPart::List) {
    StepHeldPart();
  }
  Invalidate();
}

void TVelkCustomListBox::MouseLeftUp() {
  if (held_ == TPart::List && !EventsBlocked() && hover_ >= 0) SelectHovered();
  held_ = TPart::None;
  Invalidate();
  TVelkControl::MouseLeftUp();
}

void TVelkCustomListBox::MouseCaptured() {
  if (held_ == TPart::Thumb) {
    DragThumb();
    return;
  }
  if (held_ == TPart::None || held_ == TPart::List) return;
  repeat_left_ -= Owner() ? Owner()->FrameMs() : 0;
  if (repeat_left_ > 0) return;
  repeat_left_ += kRepeatInterval;
  StepHeldPart();
}

void TVelkCustomListBox::ScrollBy(int32_t rows) {
  SetTopIndex(static_cast<int32_t>(std::clamp<int64_t>(int64_t{top_} + rows, INT32_MIN, INT32_MAX)));
}

// A held arrow or track part moves the list while the mouse stays on it.
void TVelkCustomListBox::StepHeldPart() {
  const TVelkBase* base = Base();
  if (!base || PartAt({base->MouseX, base->MouseY}) != held_) return;
  switch (held_) {
    case TPart::Up: ScrollBy(-1); break;
    case TPart::Down: ScrollBy(1); break;
    case TPart::TrackAbove: ScrollBy(-row_count_); break;
    case TPart::TrackBelow: ScrollBy(row_count_); break;
    default: break;
  }
}

// The thumb's centre follows the mouse less the offset of the press.
void TVelkCustomListBox::DragThumb() {
  const TVelkBase* base = Base();
  if (!base) return;
  const TFrame f = Frame();
  const int64_t span = int64_t{Height} - 2 * int64_t{BorderWidth} - f.T - f.B - 3 * int64_t{f.sh};
  const int64_t pages = Count() - row_count_;
  if (span <= 0 || pages <= 0) return;
  const int64_t base_y = int64_t{ScreenTop()} + BorderWidth + f.T + f.sh;
  const int64_t t = int64_t{base->MouseY} - drag_offset_ - f.sh / 2 - base_y;
  SetTopIndex(static_cast<int32_t>(std::clamp<int64_t>((t * pages + span / 2) / span, 0, pages)));
}

void TVelkCustomListBox::FollowHover() {
  if (hover_ < 0) return;
  if (hover_ < top_) {
    SetTopIndex(hover_);
  } else if (hover_ >= top_ + row_count_) {
    SetTopIndex(hover_ - row_count_ + 1);
  }
}

void TVelkCustomListBox::KeyRepeat() {
  TVelkControl::KeyRepeat();
  const TVelkBaseList* scene = Owner();
  if (!scene || Paused() || EventsBlocked() || !AtRest()) return;
  const int32_t last = Count() - 1;
  if (last < 0) return;
  const TObjectHandle self = Handle();
  for (const int32_t code : scene->KeysRepeated()) {
    const int32_t old = hover_;
    int32_t next = hover_;
    switch (code) {
      case kKeyUp: next = hover_ < 0 ? last : std::max(hover_ - 1, 0); break;
      case kKeyDown: next = hover_ < 0 ? 0 : std::min(hover_ + 1, last); break;
      case kKeyPageUp: next = hover_ < 0 ? last : std::max(hover_ - row_count_, 0); break;
      case kKeyPageDown: next = hover_ < 0 ? 0 : std::min(hover_ + row_count_, last); break;
      default: continue;
    }
    SetHoverIndex(next);
    if (hover_ != old) FollowHover();
    if (!scene->Resolve(self)) return;
  }
}

void TVelkCustomListBox::KeyDown() {
  TVelkControl::KeyDown();
  const TVelkBaseList* scene = Owner();
  if (!scene || Paused() || EventsBlocked() || !AtRest() || hover_ < 0) return;
  // Enter chooses the hovered item, as a click on it does.
  for (const int32_t code : scene->KeysDown()) {
    if (code == kKeyEnter) {
      SelectHovered();
      return;
    }
  }
}

bool TVelkCustomListBox::Update() {
  const bool done = TVelkControl::Update();
  UpdateAutoSize();
  if (!PausedFlag && !AniPaused) {
    const int32_t ms = Owner() ? Owner()->FrameMs() : 0;
    bool moved = false;
    for (TPiece& piece : Pieces) moved = piece.Picture.Advance(ms) || moved;
    if (moved) Invalidate();
  }
  return done;
}

// ---- drawing ------------------------------------------------------------------------------------------------------

void TVelkCustomListBox::Draw() {
  TCustomDIBX* target = Surface();
  const TRect o = ScreenRect();
  if (target && Visible && Alpha > 0 && Width > 0 && Height > 0 && !o.IsEmpty() &&
      !Intersect(o, target->ClipBounds()).IsEmpty()) {
    const TRect in = Inner();
    const int32_t op = std::min(Alpha, 511);
    const auto pixel = [&](int32_t color) {
      if (op >= 256) {
        const auto c = static_cast<uint32_t>(color), a = static_cast<uint32_t>(op - 256);
        color = static_cast<int32_t>((c & 0xFF) * a / 256 | ((c >> 8) & 0xFF) * a / 256 << 8 |
                                     ((c >> 16) & 0xFF) * a / 256 << 16);
      }
      return static_cast<uint32_t>(target->ColorToPixel(color));
    };
    if (BorderWidth > 0 && BorderColor != -1 && o.Height() >= BorderWidth) {
      if (op >= 256) {
        target->FrameRectAdd(o, BorderWidth, pixel(BorderColor));
      } else if (op == 255) {
        target->FrameRect(o, BorderWidth, pixel(BorderColor));
      } else {
        target->FrameRectAlpha(o, BorderWidth, pixel(BorderColor), op);
      }
    }
    if (!in.IsEmpty()) {
      if (Color != -1) {
        if (op >= 256) {
          target->FillRectAdd(in, pixel(Color));
        } else if (op == 255) {
          target->FillRect(in, pixel(Color));
        } else {
          target->FillRectAlpha(in, pixel(Color), op);
        }
      }
      const TFrame f = Frame();
      DrawFrame(*target, in, f);
      if (AtRest()) {
        DrawScrollStrip(*target, in, f);
        DrawItems(*target, in, f);
      }
    }
  }
  DrawChildren();
}

void TVelkCustomListBox::DrawFrame(TCustomDIBX& target, const TRect& in, const TFrame& f) {
  const bool scrolling = Scrolling() && AtRest();
  for (int32_t k = 0; k < 9; ++k) {
    const TPiece& piece = Pieces[static_cast<size_t>(k)];
    TCustomDIBX* picture = piece.Picture.Surface();
    if (!picture) continue;
    const int32_t w = picture->Width(), h = picture->Height();
    const int32_t col = k % 3, row = k / 3;
    TRect r;
    r.Left = col == 0 ? in.Left + f.L - w : col == 1 ? in.Left + f.L : in.Right - f.R;
    r.Right = col == 0 ? in.Left + f.L : col == 1 ? in.Right - f.R : in.Right - f.R + w;
    r.Top = row == 0 ? in.Top + f.T - h : row == 1 ? in.Top + f.T : in.Bottom - f.B;
    r.Bottom = row == 0 ? in.Top + f.T : row == 1 ? in.Bottom - f.B : in.Bottom - f.B + h;
    if (row == 2 && in.Height() < f.T) r.Bottom = r.Top;
    r.Top = std::max(r.Top, in.Top);
    r.Bottom = std::min(r.Bottom, in.Bottom);
    if (k == 4 && scrolling) r.Right -= f.sw;
    if (r.IsEmpty()) continue;
    const int32_t x0 = col == 1 ? AlignOffset(piece.HAlign, r.Width(), w) : 0;
    const int32_t y0 = row == 1 ? AlignOffset(piece.VAlign, r.Height(), h) : 0;
    TCustomDIBX* mask = piece.Picture.Mask();
    // The picture starts at (x0, y0) inside its rectangle: the pattern at the corner is the opposite offset.
    if (mask) {
      target.ScrollTileScaledMask(r, 256, 256, picture, -x0, -y0, false, false, mask, Alpha);
    } else if (Alpha == 255 && picture->TransparentValue == -1) {
      target.ScrollTile(r, picture, -x0, -y0, false, false);
    } else {
      target.ScrollTileScaled(r, 256, 256, picture, -x0, -y0, true, false, false, Alpha);
    }
  }
}

void TVelkCustomListBox::DrawScrollStrip(TCustomDIBX& target, const TRect& in, const TFrame& f) {
  TCustomDIBX* picture = scroll_.Surface();
  if (!Scrolling() || !picture || f.sw <= 0 || f.sh <= 0) return;
  TCustomDIBX* mask = scroll_.Mask();
  const TVelkBase* base = Base();
  const TPoint mouse = base ? TPoint{base->MouseX, base->MouseY} : TPoint{INT32_MIN, INT32_MIN};
  const bool pressed_here = PartAt(mouse) == held_;
  const auto cell = [&](int32_t i) { return StripCell(picture->Width(), picture->Height(), 7, i); };
  const TRect up = UpArrow(), down = DownArrow();
  const int32_t t = ThumbTop();
  const int32_t x = in.Right - f.R - f.sw;
  DrawCellTiles(target, up, picture, mask, cell(kCellUp + (held_ == TPart::Up && pressed_here)), Alpha, false, false, 0,
                0);
  DrawCellTiles(target, down, picture, mask, cell(kCellDown + (held_ == TPart::Down && pressed_here)), Alpha, false,
                false, 0, 0);
  const TRect above{x, up.Bottom, x + f.sw, t};
  const TRect below{x, t + f.sh, x + f.sw, down.Top};
  DrawCellTiles(target, above, picture, mask, cell(kCellTrack + (held_ == TPart::TrackAbove && pressed_here)), Alpha,
                false, false, 0, 0);
  // The pattern runs on through the thumb.
  const int32_t run = static_cast<int32_t>((int64_t{below.Top} - above.Top) % f.sh);
  DrawCellTiles(target, below, picture, mask, cell(kCellTrack + (held_ == TPart::TrackBelow && pressed_here)), Alpha,
                false, false, 0, run);
  DrawCellTiles(target, Bounds(x, t, f.sw, f.sh), picture, mask, cell(kCellThumb), Alpha, false, false, 0, 0);
}

void TVelkCustomListBox::DrawItems(TCustomDIBX& target, const TRect& in, const TFrame& f) {
  items_.Target = hovers_.Target = &target;
  const bool scrolling = Scrolling();
  const int32_t rh = RowHeight();
  const int32_t x0 = in.Left + f.L + MarginX + f.cw;
  const int32_t w = in.Right - f.R - MarginX - x0 - (scrolling ? f.sw : 0);
  int32_t y = in.Top + f.T + MarginY;
  const int32_t end = static_cast<int32_t>(std::min<int64_t>(int64_t{top_} + row_count_, Count()));
  TCustomDIBX* check = check_.Surface();
  for (int32_t i = std::max(top_, 0); i < end; ++i) {
    const bool hovered = i == hover_;
    if (hovered && HoverColor() != -1) {
      const int32_t e = std::min(LineSpace / 2, MarginY);
      target.FillRect(Bounds(in.Left + f.L + 1, y - e, 2 * MarginX + w + f.cw - 2, rh + 2 * e),
                      static_cast<uint32_t>(target.ColorToPixel(HoverColor())));
    }
    TLabelDIB* label = (hovered ? hovers_ : items_).LabelAt(i);
    if (label) {
      if (label->Dirty()) label->RenderLabel();
      const int32_t x = HAlign == 1 ? x0 + (w - label->Width()) / 2 : HAlign == 2 ? x0 + w - label->Width() : x0;
      label->DrawLabel(x, y);
    }
    if (Checked(i) && check) {
      const TRect c = StripCell(check->Width(), check->Height(), 2, hovered ? 1 : 0);
      const int32_t cy = y + (rh - f.ch) / 2;
      if (TCustomDIBX* mask = check_.Mask()) {
        target.DrawMask(x0 - f.cw, cy, check, c, false, false, mask);
      } else {
        target.Draw(x0 - f.cw, cy, check, c, true, false, false);
      }
    }
    y += rh + LineSpace;
  }
}

// ---- save record --------------------------------------------------------------------------------------------------

void TVelkCustomListBox::SaveOwnFields(TStream& s) const {
  items_.SaveToStream(s);
  hovers_.SaveToStream(s);
  WriteString(s, text_);
  WriteInt(s, LineSpace);
  WriteInt(s, Alpha);
  WriteInt(s, MarginX);
  WriteInt(s, MarginY);
  WriteInt(s, BorderWidth);
  WriteInt(s, BorderColor);
  WriteInt(s, row_count_);
  for (const TPiece& piece : Pieces) {
    WriteString(s, piece.Picture.Source());
    WriteByte(s, piece.HAlign);
    WriteByte(s, piece.VAlign);
  }
  WriteString(s, scroll_.Source());
  WriteString(s, check_.Source());
  WriteInt(s, top_);
  WriteByte(s, HAlign);
  for (const uint8_t c : checks_) WriteByte(s, c);
  WriteString(s, OnSelect);
  WriteByte(s, PausedFlag);
  WriteInt(s, index_);
  WriteInt(s, AnimationState());
  WriteString(s, OnIdle);
  WriteString(s, OnMapIn);
  WriteString(s, OnMapOut);
}

void TVelkCustomListBox::LoadOwnFields(TStream& s, int32_t version) {
  items_.LoadFromStream(s, version);
  hovers_.LoadFromStream(s, version);
  const std::string text = ReadString(s);
  LineSpace = ReadInt(s);
  Alpha = ReadInt(s);
  MarginX = ReadInt(s);
  MarginY = ReadInt(s);
  BorderWidth = ReadInt(s);
  BorderColor = ReadInt(s);
  row_count_ = std::max(ReadInt(s), 0);
  for (int32_t k = 0; k < 9; ++k) {
    const std::string name = ReadString(s);
    TPiece& piece = Pieces[static_cast<size_t>(k)];
    piece.HAlign = ReadByte(s);
    piece.VAlign = ReadByte(s);
    LoadPiece(k, name);
  }
  SetScrollSource(ReadString(s));
  SetCheckSource(ReadString(s));
  const int32_t top = ReadInt(s);
  HAlign = ReadByte(s);
  // One check byte per item: the count comes from the text read above, which the stream itself bounded.
  SetText(text);
  for (uint8_t& c : checks_) c = ReadByte(s) != 0 ? 1 : 0;
  OnSelect = ReadString(s);
  PausedFlag = ReadByte(s) != 0;
  const int32_t index = ReadInt(s);
  SetAnimationState(ReadInt(s));
  OnIdle = ReadString(s);
  OnMapIn = ReadString(s);
  OnMapOut = ReadString(s);
  top_ = std::clamp(top, 0, std::max(Count() - row_count_, 0));
  index_ = index >= 0 && index < Count() ? index : -1;
  hover_ = -1;
}

}  // namespace velk
