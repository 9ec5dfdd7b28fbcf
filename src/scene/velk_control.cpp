#include "scene/velk_control.h"

#include <algorithm>
#include <new>
#include <tuple>

#include "base/error.h"
#include "gfx/custom_dibx.h"
#include "scene/base_list.h"
#include "scene/prop_table.h"
#include "vfs/stream_io.h"

namespace velk {

namespace {

using C = TVelkControl;
using P = TProps<TVelkControl>;

// The parent as scripts name it: empty for the active base, the one-byte string 0x01 for the inactive one.
void GetParentName(const C& c, TPropValue& v) {
  const TVelkControl* p = c.Parent();
  const TVelkBaseList* scene = c.Owner();
  if (!p || (scene && p == scene->ActiveBaseObject())) {
    v.S.clear();
  } else if (scene && p == scene->InactiveBaseObject()) {
    v.S = "\x01";
  } else {
    v.S = p->Name();
  }
}

void SetParentName(C& c, const TPropValue& v) {
  if (!c.Owner()) return;
  if (TVelkControl* p = c.Owner()->FindParent(v.S)) c.SetParent(p);
}

const TPropTable<TVelkControl> kControlProps = {
    {PR_PARENT, GetParentName, SetParentName},
    P::Custom<&C::Left, &C::SetLeft>(PR_LEFT),
    P::Custom<&C::Top, &C::SetTop>(PR_TOP),
    P::Visual<&C::Width>(PR_WIDTH),
    P::Visual<&C::Height>(PR_HEIGHT),
    P::Visual<&C::Color>(PR_COLOR),
    P::Geometric<&C::OffsetX>(PR_OFFSETX),
    P::Geometric<&C::OffsetY>(PR_OFFSETY),
    P::Plain<&C::OnMouseMove>(PR_ONMOUSEMOVE),
    P::Plain<&C::OnMouseOut>(PR_ONMOUSEOUT),
    P::Plain<&C::OnLBtnDown>(PR_ONLBTNDOWN),
    P::Plain<&C::OnLBtnUp>(PR_ONLBTNUP),
    P::Plain<&C::OnRBtnDown>(PR_ONRBTNDOWN),
    P::Plain<&C::OnRBtnUp>(PR_ONRBTNUP),
    P::Plain<&C::OnWheelDown>(PR_ONWHEELDOWN),
    P::Plain<&C::OnWheelUp>(PR_ONWHEELUP),
    P::Custom<&C::Visible, &C::SetVisible>(PR_VISIBLE),
    P::Plain<&C::IgnoreMouse>(PR_IGNOREMOUSE),
    // Controls without a picture of their own answer their size.
    P::ReadOnly<&C::Width>(PR_ORIGWIDTH),
    P::ReadOnly<&C::Height>(PR_ORIGHEIGHT),
    P::Plain<&C::Cursor>(PR_CURSOR),
    P::Custom<&C::PosZoomed, &C::SetPosZoomed>(PR_POSZOOMED),
    P::Plain<&C::OnMouseIn>(PR_ONMOUSEIN),
    P::Custom<&C::ClipLeft, &C::SetClipLeft>(PR_CLIPLEFT),
    P::Custom<&C::ClipTop, &C::SetClipTop>(PR_CLIPTOP),
    P::Custom<&C::ClipWidth, &C::SetClipWidth>(PR_CLIPWIDTH),
    P::Custom<&C::ClipHeight, &C::SetClipHeight>(PR_CLIPHEIGHT),
    P::Plain<&C::AniPaused>(PR_ANIPAUSED),
    P::ReadOnly<&C::MotionPlaying>(PR_PLAYING),
    P::Plain<&C::OnKeyDown>(PR_ONKEYDOWN),
    P::Plain<&C::OnKeyUp>(PR_ONKEYUP),
    P::Plain<&C::OnKeyRepeat>(PR_ONKEYREPEAT),
    P::Plain<&C::HandleKey>(PR_HANDLEKEY),
    P::Plain<&C::OnFocusIn>(PR_ONFOCUSIN),
    P::Plain<&C::OnFocusOut>(PR_ONFOCUSOUT),
    P::Visual<&C::PlusX>(PR_PLUSX),
    P::Visual<&C::PlusY>(PR_PLUSY),
};

int32_t Trunc32(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v))); }

// Draw order rank: internal names first, the transient flip object after everything.
int DrawRank(const std::string& name) {
  if (name == "\x01\x01") return 2;
  return IsInternalName(name) ? 0 : 1;
}

}  // namespace

// The per-axis view of the geometry fields, so that the horizontal and vertical rules are written once.
struct TVelkControl::TAxis {
  int32_t Pos, Size, Offset, Motion, Plus, Zoom;
  bool Flip;
};

TVelkControl::TVelkControl(TVelkBaseList* owner) : TVelkComponent(owner) {}

TVelkControl::~TVelkControl() = default;

bool TVelkControl::GetProp(int32_t id, TPropValue& value) const {
  return kControlProps.Get(*this, id, value) || TVelkComponent::GetProp(id, value);
}

bool TVelkControl::SetProp(int32_t id, const TPropValue& value) {
  return kControlProps.Set(*this, id, value) || TVelkComponent::SetProp(id, value);
}

// ---- names and priority -------------------------------------------------------------------------------------

void TVelkControl::SetName(const std::string& name) {
  if (name == Name()) return;
  TVelkBaseList* scene = Owner();
  if (scene && !name.empty()) {
    TVelkObject* other = scene->ObjectAt(scene->IndexOfName(name));
    if (other && other != this) {
      // Internal objects keep their names; the rename is refused.
      if (IsInternalName(other->Name())) return;
      // The other object moves aside to name_N: a trailing _N with N > 1 continues from N, else counting starts
      // at 2.
      std::string stem = name;
      int64_t count = 2;
      for (size_t i = name.size(); i-- > 1;) {
        if (name[i] != '_') continue;
        const std::string digits = name.substr(i + 1);
        if (digits.empty() || digits.size() > 9 ||
            !std::all_of(digits.begin(), digits.end(), [](char ch) { return ch >= '0' && ch <= '9'; })) {
          continue;
        }
        const int64_t n = std::stoll(digits);
        if (n > 1) {
          stem = name.substr(0, i);
          count = n;
          break;
        }
      }
      std::string moved;
      do {
        moved = stem + "_" + std::to_string(count++);
      } while (scene->IndexOfName(moved) >= 0);
      AssignName(*other, moved);
      if (TVelkControl* oc = other->AsControl(); oc && oc->Parent()) oc->Parent()->SortChildren();
    }
  }
  AssignName(*this, name);
  if (parent_) parent_->SortChildren();
}

void TVelkControl::SetPriority(int32_t value) {
  if (value == Priority()) return;
  TVelkObject::SetPriority(value);
  if (parent_) parent_->SortChildren();
  Invalidate();
}

void TVelkControl::SetMotionPriority(int32_t value) {
  if (value == MotionPriority()) return;
  TVelkObject::SetMotionPriority(value);
  if (parent_) parent_->SortChildren();
  Invalidate();
}

// ---- tree ------------------------------------------------------------------------------------------------------

TVelkControl* TVelkControl::ChildAt(int32_t i) const {
  if (i < 0 || i >= ChildCount()) return nullptr;
  return children_[static_cast<size_t>(i)];
}

bool ControlDrawsBefore(const TVelkControl& a, const TVelkControl& b) {
  if (&a == &b) return false;
  // Afterimages of pictures: the fainter first, and every one before its source.
  const TObjectHandle source_a = a.AfterimageSource(), source_b = b.AfterimageSource();
  if (source_a && source_b) {
    const auto faint = [](const TVelkControl& c) {
      TPropValue alpha;
      c.GetProp(PR_ALPHA, alpha);
      return alpha.I & 0xFF;
    };
    if (faint(a) != faint(b)) return faint(a) < faint(b);
  }
  if (source_a == b.Handle() && source_a) return true;
  if (source_b == a.Handle() && source_b) return false;
  const auto key = [](const TVelkControl& c) {
    return std::make_tuple(DrawRank(c.Name()), int64_t{c.Priority()} + c.MotionPriority());
  };
  const auto ka = key(a), kb = key(b);
  if (ka != kb) return ka < kb;
  // Byte-wise comparison of the names.
  return std::lexicographical_compare(a.Name().begin(), a.Name().end(), b.Name().begin(), b.Name().end(),
                                      [](char x, char y) { return static_cast<uint8_t>(x) < static_cast<uint8_t>(y); });
}

void TVelkControl::SortChildren() {
  std::stable_sort(children_.begin(), children_.end(),
                   [](const TVelkControl* a, const TVelkControl* b) { return ControlDrawsBefore(*a, *b); });
}

bool TVelkControl::Contains(const TVelkControl* other) const {
  for (const TVelkControl* p = other ? other->parent_ : nullptr; p; p = p->parent_) {
    if (p == this) return true;
  }
  return false;
}

void TVelkControl::AddChildEntry(TVelkControl* child) {
  children_.push_back(child);
  SortChildren();
}

void TVelkControl::RemoveChildEntry(TVelkControl* child) { std::erase(children_, child); }

void TVelkControl::SetParent(TVelkControl* parent) {
  if (parent == parent_ || parent == this) return;
  if (parent && parent->Owner() != Owner()) return;
  for (const TVelkControl* p = parent; p; p = p->parent_) {
    if (p == this) return;
  }
  Invalidate();
  if (parent_) {
    parent_->RemoveChildEntry(this);
    if (parent_->ComponentType() == VT_CABINET) LeftCabinet();
  }
  parent_ = parent;
  if (parent_) {
    parent_->AddChildEntry(this);
    if (parent_->ComponentType() == VT_CABINET) EnteredCabinet();
  }
  Invalidate();
  RefocusAfterMove();
}

void TVelkControl::RefocusAfterMove() {
  TVelkBaseList* scene = Owner();
  if (!scene) return;
  TVelkControl* focus = scene->Focus();
  const bool on_active = Base() && Base() == scene->ActiveBaseObject();
  if ((focus && (focus == this || Contains(focus)) && !on_active) || (!focus && on_active)) {
    scene->SetFocus(nullptr);
    scene->MarkFocusDirty();
  }
}

TVelkBase* TVelkControl::Base() { return parent_ ? parent_->Base() : nullptr; }

TCustomDIBX* TVelkControl::Surface() { return parent_ ? parent_->Surface() : nullptr; }

bool TVelkControl::InCabinet() const {
  for (const TVelkControl* p = parent_; p; p = p->parent_) {
    if (p->ComponentType() == VT_CABINET) return true;
  }
  return false;
}

bool TVelkControl::ShownOnScreen() const {
  const TVelkBaseList* scene = Owner();
  if (!scene || Base() != scene->ActiveBaseObject()) return false;
  for (const TVelkControl* c = this; c; c = c->parent_) {
    if (!c->Visible) return false;
  }
  return true;
}

// ---- geometry --------------------------------------------------------------------------------------------------

TVelkControl::TAxis TVelkControl::AxisOf(bool vertical) const {
  if (PlacedByLeftTop()) {
    if (vertical) return {Top, Height, 0, MotionY, 0, 256, false};
    return {Left, Width, 0, MotionX, 0, 256, false};
  }
  if (vertical) return {Top, Height, OffsetY, MotionY, PlusY, ZoomY(), FlipV()};
  return {Left, Width, OffsetX, MotionX, PlusX, ZoomX(), FlipH()};
}

int32_t TVelkControl::Anchor(const TAxis& a) const {
  const int64_t z = a.Zoom;
  const int64_t scaled = z == 256 ? a.Offset : z * a.Offset / 256;
  return Trunc32(a.Flip ? int64_t{a.Size} - scaled - 1 : scaled);
}

int32_t TVelkControl::Position(const TAxis& a) const {
  if (MotionAttached()) return a.Motion;
  return PosZoomed ? Trunc32(int64_t{a.Zoom} * a.Pos / 256) : a.Pos;
}

int32_t TVelkControl::ScreenPos(bool vertical) const {
  const TAxis a = AxisOf(vertical);
  const TVelkControl* p = parent_;
  if (!p) return Trunc32(int64_t{Position(a)} - Anchor(a) + a.Plus);
  const int64_t parent_pos = p->ScreenPos(vertical);
  const int64_t parent_scroll = vertical ? p->ScrollY() : p->ScrollX();
  const TCustomDIBX* parent_image = p->ImageSurface();
  const TCustomDIBX* own_image = ImageSurface();
  const int32_t parent_size = vertical ? p->Height : p->Width;
  // A zoomed child of a zoomed picture follows the picture's scale in 16.16 fixed point. A parent without a size
  // has no scale: the plain rule applies then.
  if (PosZoomed && !PlacedByLeftTop() && !p->AsBase() && parent_image && own_image &&
      a.Zoom == (vertical ? p->ZoomY() : p->ZoomX()) && !MotionAttached() && parent_size >= 1) {
    const int64_t image_size = vertical ? parent_image->Height() : parent_image->Width();
    const int64_t own_size = vertical ? own_image->Height() : own_image->Width();
    const int64_t s = std::max<int64_t>(1, image_size * 65536 / parent_size);
    const int64_t x = a.Flip ? (image_size + a.Offset - a.Pos - own_size) * 65536 : (int64_t{a.Pos} - a.Offset) * 65536;
    int64_t e = x / s;
    if (x % s > 32767) ++e;
    return Trunc32(e + parent_pos + a.Plus - parent_scroll);
  }
  return Trunc32(int64_t{Position(a)} + parent_pos - parent_scroll - Anchor(a) + a.Plus);
}

int32_t TVelkControl::ScreenLeft() const { return ScreenPos(false); }
int32_t TVelkControl::ScreenTop() const { return ScreenPos(true); }

int32_t TVelkControl::LocalLeft() const {
  const TAxis a = AxisOf(false);
  return Trunc32(int64_t{Position(a)} - Anchor(a) + a.Plus);
}

int32_t TVelkControl::LocalTop() const {
  const TAxis a = AxisOf(true);
  return Trunc32(int64_t{Position(a)} - Anchor(a) + a.Plus);
}

TPoint TVelkControl::ScreenOrigin() const {
  TPoint r;
  for (bool vertical : {false, true}) {
    const TAxis a = AxisOf(vertical);
    int64_t v = Position(a) + int64_t{a.Plus};
    if (parent_) v += int64_t{parent_->ScreenPos(vertical)} - (vertical ? parent_->ScrollY() : parent_->ScrollX());
    (vertical ? r.Y : r.X) = Trunc32(v);
  }
  return r;
}

TRect TVelkControl::ScreenRect() const {
  const int32_t x = ScreenLeft(), y = ScreenTop();
  return TRect{x, y, Trunc32(int64_t{x} + Width), Trunc32(int64_t{y} + Height)};
}

TRect TVelkControl::ClipScreenRect() const {
  if (ClipWidth < 1 || ClipHeight < 1) return TRect{};
  const int64_t x = int64_t{ScreenLeft()} + ClipLeft, y = int64_t{ScreenTop()} + ClipTop;
  return TRect{Trunc32(x), Trunc32(y), Trunc32(x + ClipWidth), Trunc32(y + ClipHeight)};
}

bool TVelkControl::IntersectBounds(TRect& rect) const {
  rect = Intersect(rect, ScreenRect());
  return !rect.IsEmpty();
}

// ---- setters ---------------------------------------------------------------------------------------------------

void TVelkControl::SetVisualInt(int32_t& field, int32_t v) {
  if (field == v) return;
  Invalidate();
  field = v;
  Invalidate();
}

void TVelkControl::SetVisualBool(bool& field, bool v) {
  if (field == v) return;
  Invalidate();
  field = v;
  Invalidate();
}

void TVelkControl::SetLeft(int32_t v) {
  SetVisualInt(Left, v);
  MotionX = 0;
  GeometryChanged();
}

void TVelkControl::SetTop(int32_t v) {
  SetVisualInt(Top, v);
  MotionY = 0;
  GeometryChanged();
}

void TVelkControl::SetOffsetX(int32_t v) {
  SetVisualInt(OffsetX, v);
  GeometryChanged();
}

void TVelkControl::SetOffsetY(int32_t v) {
  SetVisualInt(OffsetY, v);
  GeometryChanged();
}

void TVelkControl::SetPosZoomed(bool v) { SetVisualBool(PosZoomed, v); }

void TVelkControl::SetClip(int32_t& field, int32_t v) {
  SetVisualInt(field, v);
  ClipChanged();
}

void TVelkControl::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
  Invalidate();
  Left = left;
  Top = top;
  Width = width;
  Height = height;
  Invalidate();
}

void TVelkControl::SetVisible(bool v) {
  if (v == Visible) return;
  TVelkBaseList* scene = Owner();
  if (!v) {
    Invalidate();
    Visible = false;
    if (scene) {
      TVelkControl* focus = scene->Focus();
      if (focus && (focus == this || Contains(focus))) {
        scene->SetFocus(nullptr);
        scene->MarkFocusDirty();
      }
    }
  } else {
    Visible = true;
    Invalidate();
    if (scene && !scene->Focus()) scene->MarkFocusDirty();
  }
}

void TVelkControl::GeometryChanged() {
  for (TVelkControl* child : children_) child->GeometryChanged();
}

// ---- redraw and drawing ----------------------------------------------------------------------------------------

void TVelkControl::Invalidate() {
  TVelkBase* base = Base();
  if (!Visible || !base) return;
  TRect r = ScreenRect();
  if (parent_) {
    r = Intersect(r, parent_->ScreenRect());
    if (r.IsEmpty()) return;
  }
  const TRect clip = ClipScreenRect();
  if (!clip.IsEmpty()) {
    r = Intersect(r, clip);
    if (r.IsEmpty()) return;
  }
  if (parent_) parent_->ChildInvalidated(r);
  base->AddDirtyRect(r);
}

void TVelkControl::ChildInvalidated(const TRect& rect) {
  if (parent_) parent_->ChildInvalidated(rect);
}

void TVelkControl::DrawChildren() {
  TCustomDIBX* surface = Surface();
  if (!surface) return;
  const TRect kept = surface->ClipRect;
  const TRect r = Intersect(ScreenRect(), surface->ClipBounds());
  if (!r.IsEmpty()) {
    // Drawing never changes the tree; the copy only keeps the walk safe should a class ever do so.
    const std::vector<TVelkControl*> children = children_;
    for (TVelkControl* child : children) {
      if (child->Name().empty() || !child->Visible) continue;
      const TRect c = child->ClipScreenRect();
      const TRect area = c.IsEmpty() ? r : Intersect(r, c);
      if (area.IsEmpty()) continue;
      surface->ResetClip();
      surface->AddClip(area);
      child->Draw();
    }
  }
  surface->ClipRect = kept;
}

bool TVelkControl::ChildCovers(const TRect& area) const {
  return std::any_of(children_.begin(), children_.end(), [&](const TVelkControl* child) {
    return !child->Name().empty() && child->Visible && child->CoversOpaquely(area);
  });
}

TVelkControl* TVelkControl::HitTest(TPoint p, TMouseAllowed allowed) {
  if (!Visible || !ScreenRect().Contains(p.X, p.Y)) return nullptr;
  for (auto it = children_.rbegin(); it != children_.rend(); ++it) {
    // An object waiting for deletion takes no input.
    if ((*it)->IsPendingDelete()) continue;
    if (TVelkControl* hit = (*it)->HitTest(p, allowed)) return hit;
  }
  return allowed.Has(IgnoreMouse) ? this : nullptr;
}

// ---- input -----------------------------------------------------------------------------------------------------

std::vector<std::string> TVelkControl::MouseArgs() const {
  const TVelkBase* base = Base();
  if (!base) return {"0", "0"};
  return {std::to_string(int64_t{base->MouseX} - ScreenLeft()), std::to_string(int64_t{base->MouseY} - ScreenTop())};
}

void TVelkControl::MouseDownCommon(bool left) {
  TVelkBase* base = Base();
  TVelkBaseList* scene = Owner();
  if (!base || !scene) return;
  const uint8_t taking = left ? 4 : 3;
  const int32_t id = left ? PR_ONLBTNDOWN : PR_ONRBTNDOWN;
  const bool takes = IgnoreMouse == 0 || IgnoreMouse == taking;
  bool& click = left ? base->LeftClick : base->RightClick;
  if (takes && !Paused() && scene->Events.FindPending(Handle(), static_cast<uint8_t>(id)) < 0 && !AsBase() &&
      !EventsBlocked()) {
    QueueOwnEvent(id, MouseArgs(), false);
    base->Capture |= left ? TVelkBase::kCaptureLeft : TVelkBase::kCaptureRight;
    click = false;
  } else if (!AsBase() && takes) {
    click = false;
  }
}

void TVelkControl::MouseUpCommon(bool left) {
  TVelkBase* base = Base();
  if (!EventsBlocked()) QueueOwnEvent(left ? PR_ONLBTNUP : PR_ONRBTNUP, MouseArgs(), false);
  // The capture ends with the release even while events are blocked, so that the mouse is never held captive.
  if (base) base->Capture &= static_cast<uint8_t>(~(left ? TVelkBase::kCaptureLeft : TVelkBase::kCaptureRight));
}

void TVelkControl::MouseLeftDown() { MouseDownCommon(true); }
void TVelkControl::MouseLeftUp() { MouseUpCommon(true); }
void TVelkControl::MouseRightDown() { MouseDownCommon(false); }
void TVelkControl::MouseRightUp() { MouseUpCommon(false); }
void TVelkControl::MouseMove() { QueueOwnEvent(PR_ONMOUSEMOVE, MouseArgs(), true); }
void TVelkControl::MouseOut(TVelkControl*) { QueueOwnEvent(PR_ONMOUSEOUT, {}, false); }
void TVelkControl::MouseIn(TVelkControl*) { QueueOwnEvent(PR_ONMOUSEIN, {}, false); }

void TVelkControl::KeyEvent(int32_t id, const std::vector<int32_t>& codes) {
  if (Paused() || AsBase()) return;
  std::vector<std::string> args;
  args.reserve(codes.size());
  for (int32_t code : codes) args.push_back(std::to_string(code));
  QueueOwnEvent(id, args, true);
}

void TVelkControl::KeyDown() {
  if (Owner()) KeyEvent(PR_ONKEYDOWN, Owner()->KeysDown());
}
void TVelkControl::KeyUp() {
  if (Owner()) KeyEvent(PR_ONKEYUP, Owner()->KeysUp());
}
void TVelkControl::KeyRepeat() {
  if (Owner()) KeyEvent(PR_ONKEYREPEAT, Owner()->KeysRepeated());
}

TVelkControl* TVelkControl::FirstFocusable() {
  if (!Visible) return nullptr;
  for (auto it = children_.rbegin(); it != children_.rend(); ++it) {
    if (TVelkControl* f = (*it)->FirstFocusable()) return f;
  }
  return HandleKey && !Paused() ? this : nullptr;
}

// ---- motion ------------------------------------------------------------------------------------------------------

void TVelkControl::LoadMotion(const std::string& file) {
  DetachMotion();
  ResetRunEnd();
  motion_ = TVelkMotion::Load(*this, file);
  if (motion_ && motion_->Step(0, Repeats())) scrap_pending_ = ReachedEnd();
}

void TVelkControl::DetachMotion() {
  if (!motion_) return;
  motion_.reset();
  TVelkMotion::ResetMotionValues(*this);
}

void TVelkControl::RestartMotion() {
  if (!motion_) return;
  motion_->Restart();
  ResetRunEnd();
}

bool TVelkControl::MotionPlaying() const { return motion_ && !motion_->Finished() && !Paused() && !AniPaused; }

bool TVelkControl::ReachedEnd() {
  if (AutoScraps()) return true;
  if (!end_reported_) {
    end_reported_ = true;
    QueueOwnEvent(PR_ONPLAYEND, {}, false);
  }
  return false;
}

bool TVelkControl::Update() {
  bool done = scrap_pending_;
  const TVelkBaseList* scene = Owner();
  if (motion_ && motion_->Step(scene ? scene->FrameMs() : 0, Repeats())) done = ReachedEnd() || done;
  return done;
}

// ---- save record -----------------------------------------------------------------------------------------------

void TVelkControl::SaveToStream(TStream& s) const {
  TVelkObject::SaveToStream(s);
  for (int32_t v : {Left, Top, Width, Height, OffsetX, OffsetY}) WriteInt(s, v);
  WriteByte(s, PosZoomed);
  for (int32_t v : {MotionX, MotionY, PlusX, PlusY, ClipLeft, ClipTop, ClipWidth, ClipHeight}) WriteInt(s, v);
  WriteByte(s, AniPaused);
  WriteByte(s, Visible);
  WriteInt(s, Color);
  for (int32_t v : {SpareRect.Left, SpareRect.Top, SpareRect.Right, SpareRect.Bottom}) WriteInt(s, v);
  WriteByte(s, IgnoreMouse);
  WriteString(s, Cursor);
  for (const std::string* h : {&OnMouseMove, &OnMouseIn, &OnMouseOut, &OnLBtnDown, &OnLBtnUp, &OnRBtnDown, &OnRBtnUp,
                               &OnWheelDown, &OnWheelUp}) {
    WriteString(s, *h);
  }
  WriteBool(s, HandleKey);
  for (const std::string* h : {&OnKeyDown, &OnKeyUp, &OnKeyRepeat, &OnFocusIn, &OnFocusOut}) WriteString(s, *h);
  std::vector<const TVelkControl*> saved;
  for (const TVelkControl* c : children_) {
    if (!c->IsPendingDelete() && c->ComponentType() != VT_NONE && !IsInternalName(c->Name()) && !c->IsAfterimage()) {
      saved.push_back(c);
    }
  }
  WriteInt(s, static_cast<int32_t>(saved.size()));
  for (const TVelkControl* c : saved) {
    WriteByte(s, c->ComponentType());
    c->SaveToStream(s);
  }
  SaveOwnFields(s);
}

void TVelkControl::LoadFromStream(TStream& s, int32_t version, int32_t depth) try {
  if (depth > kMaxSaveDepth) throw EFormatError("scene data: controls nested too deeply");
  TVelkObject::LoadFromStream(s, version, depth);
  for (int32_t* v : {&Left, &Top, &Width, &Height, &OffsetX, &OffsetY}) *v = ReadInt(s);
  PosZoomed = ReadByte(s) != 0;
  if (version >= 130) {
    for (int32_t* v : {&MotionX, &MotionY, &PlusX, &PlusY}) *v = ReadInt(s);
  }
  if (version > 103) {
    for (int32_t* v : {&ClipLeft, &ClipTop, &ClipWidth, &ClipHeight}) *v = ReadInt(s);
    AniPaused = ReadByte(s) != 0;
  }
  Visible = ReadByte(s) != 0;
  Color = ReadInt(s);
  for (int32_t* v : {&SpareRect.Left, &SpareRect.Top, &SpareRect.Right, &SpareRect.Bottom}) *v = ReadInt(s);
  IgnoreMouse = ReadByte(s);
  Cursor = ReadString(s);
  OnMouseMove = ReadString(s);
  if (version > 101) OnMouseIn = ReadString(s);
  for (std::string* h : {&OnMouseOut, &OnLBtnDown, &OnLBtnUp, &OnRBtnDown, &OnRBtnUp, &OnWheelDown, &OnWheelUp}) {
    *h = ReadString(s);
  }
  if (version > 117) {
    HandleKey = ReadBool(s);
    for (std::string* h : {&OnKeyDown, &OnKeyUp, &OnKeyRepeat, &OnFocusIn, &OnFocusOut}) *h = ReadString(s);
  }
  const int32_t count = ReadInt(s);
  // A child holds at least its type code, a name length and a priority.
  CheckCount(s, count, 9);
  TVelkBaseList* scene = Owner();
  for (int32_t i = 0; i < count; ++i) {
    const uint8_t code = ReadByte(s) & 0x7F;
    TVelkObject* object = scene ? scene->CreateComponent(code) : nullptr;
    TVelkControl* child = object ? object->AsControl() : nullptr;
    if (!child) {
      if (object) scene->DestroyObject(object);
      throw EFormatError("scene data: no control of type " + std::to_string(code));
    }
    child->SetParent(this);
    child->LoadFromStream(s, version, depth + 1);
  }
  SortChildren();
  LoadOwnFields(s, version);
} catch (const std::bad_alloc&) {
  // Counts in the data asked for more memory than there is: the data is damaged.
  throw EFormatError("scene data: a control too large to hold in memory");
}

}  // namespace velk
