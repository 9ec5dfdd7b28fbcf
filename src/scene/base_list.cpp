#include "scene/base_list.h"

#include <algorithm>
#include <new>

#include "base/error.h"
#include "gfx/cursor_file.h"
#include "gfx/dibx.h"
#include "gfx/image_cache.h"
#include "platform/platform.h"
#include "scene/component_factory.h"
#include "vfs/stream_io.h"

namespace velk {

namespace {

const char kBase0Name[] = "\x01"
                          "BASE0";
const char kBase1Name[] = "\x01"
                          "BASE1";

bool ValidKey(int32_t code) { return code >= 0 && code < 256; }

}  // namespace

TVelkBaseList::TVelkBaseList() : TVelkComponent(nullptr), surface_(std::make_unique<TDIBX>()) {
  surface_->SetSize(1, 1, 32);
  CreateBases();
}

// The objects go while the registry still answers: a cinema's film removes the objects it placed in this scene.
TVelkBaseList::~TVelkBaseList() { DestroyAllObjects(); }

void TVelkBaseList::DestroyAllObjects() {
  while (!objects_.empty()) {
    TVelkObject* o = objects_.back().get();
    if (o) {
      DestroyObject(o);
    } else {
      objects_.pop_back();
    }
  }
}

void TVelkBaseList::CreateBases() {
  base0_ = std::make_unique<TVelkBase>(this, kBase0Name);
  base1_ = std::make_unique<TVelkBase>(this, kBase1Name);
  for (TVelkBase* base : {base0_.get(), base1_.get()}) {
    registry_[base->handle_.Serial] = base;
    base->Resize(width_, height_);
  }
}

// ---- registration and deletion ---------------------------------------------------------------------------------

TVelkObject* TVelkBaseList::Adopt(std::unique_ptr<TVelkObject> object) {
  if (!object) return nullptr;
  TVelkObject* o = object.get();
  if (o->owner_ != this || !o->handle_) {
    o->owner_ = this;
    o->handle_ = TakeSerial();
  }
  if (o->AutoName()) AssignName(*o, UniqueName("object"));
  registry_[o->handle_.Serial] = o;
  objects_.push_back(std::move(object));
  if (o->AsControl() && !Focus()) focus_dirty_ = true;
  return o;
}

TVelkObject* TVelkBaseList::CreateComponent(uint8_t code) {
  std::unique_ptr<TVelkObject> object = NewComponent(static_cast<uint8_t>(code & 0x7F), this);
  return object ? Adopt(std::move(object)) : nullptr;
}

TVelkObject* TVelkBaseList::Resolve(TObjectHandle handle) const {
  if (!handle) return nullptr;
  auto it = registry_.find(handle.Serial);
  return it == registry_.end() ? nullptr : it->second;
}

void TVelkBaseList::UnregisterTree(TVelkObject* object) {
  if (TVelkControl* c = object->AsControl()) {
    const std::vector<TVelkControl*> children = c->Children();
    for (TVelkControl* child : children) DestroyObject(child);
    c->Invalidate();
    if (c->parent_) c->parent_->RemoveChildEntry(c);
    c->parent_ = nullptr;
  }
  const TObjectHandle h = object->Handle();
  if (focus_ == h) {
    focus_ = {};
    focus_dirty_ = true;
  }
  for (TVelkBase* base : {base0_.get(), base1_.get()}) {
    if (base && base->MouseTarget == h) {
      base->MouseTarget = {};
      base->Capture = 0;
    }
  }
  Events.RemoveWaitingOf(h);
  std::erase(right_click_closers_, h);
  std::erase(pending_delete_, h);
  registry_.erase(h.Serial);
}

std::unique_ptr<TVelkObject> TVelkBaseList::TakeObject(TVelkObject* object) {
  auto it = std::find_if(objects_.begin(), objects_.end(), [object](const auto& p) { return p.get() == object; });
  if (it == objects_.end()) return nullptr;
  std::unique_ptr<TVelkObject> taken = std::move(*it);
  // While the update step walks the list the slot stays empty, so that no index moves under the walk.
  if (!updating_) objects_.erase(it);
  return taken;
}

void TVelkBaseList::DestroyObject(TVelkObject* object) {
  if (!IsRegistered(object) || object->AsBase()) return;
  UnregisterTree(object);
  TakeObject(object).reset();
}

void TVelkBaseList::ScheduleDelete(TVelkObject* object) {
  if (!IsRegistered(object) || object->AsBase() || object->pending_delete_) return;
  object->pending_delete_ = true;
  AssignName(*object, std::string());
  pending_delete_.push_back(object->Handle());
}

// ---- lookup ----------------------------------------------------------------------------------------------------

TVelkObject* TVelkBaseList::ObjectAt(int32_t i) const {
  if (i < 0 || i >= ObjectCount()) return nullptr;
  return objects_[static_cast<size_t>(i)].get();
}

int32_t TVelkBaseList::IndexOfName(const std::string& name) const {
  for (size_t i = 0; i < objects_.size(); ++i) {
    if (objects_[i] && objects_[i]->Name() == name) return static_cast<int32_t>(i);
  }
  return -1;
}

TVelkObject* TVelkBaseList::FindObject(const std::string& name) const {
  if (name.empty() || name == kBase0Name) return ActiveBaseObject();
  if (name == "\x01" || name == kBase1Name) return InactiveBaseObject();
  for (const auto& o : objects_) {
    if (o && !o->IsPendingDelete() && o->Name() == name) return o.get();
  }
  return nullptr;
}

TVelkControl* TVelkBaseList::FindParent(const std::string& name) const {
  if (name.empty()) return ActiveBaseObject();
  if (name == "\x01") return InactiveBaseObject();
  if (name == kBase0Name) return base0_.get();
  if (name == kBase1Name) return base1_.get();
  for (const auto& o : objects_) {
    if (o && o->AsControl() && !o->IsPendingDelete() && o->Name() == name) return o->AsControl();
  }
  return nullptr;
}

std::string TVelkBaseList::UniqueName(const std::string& prefix) const {
  for (int64_t n = 0;; ++n) {
    std::string name = prefix + std::to_string(n);
    if (IndexOfName(name) < 0) return name;
  }
}

int32_t TVelkBaseList::ListNames(std::vector<std::string>& list, uint8_t code, const TVelkObject* parent) const {
  int32_t count = 0;
  for (const auto& o : objects_) {
    if (!o || (code != 0 && o->ComponentType() != code)) continue;
    const TVelkControl* c = o->AsControl();
    const TVelkObject* p = c ? c->Parent() : nullptr;
    if (parent != this && p != parent) continue;
    list.push_back(o->Name());
    ++count;
  }
  return count;
}

// ---- size and surfaces -----------------------------------------------------------------------------------------

void TVelkBaseList::SetSize(int32_t width, int32_t height) {
  // A transition's tables belong to the screen it started on.
  if (width != width_ || height != height_) transition_.reset();
  width_ = width;
  height_ = height;
  if (width_ > 0 && height_ > 0) surface_->SetSize(width_, height_, 32);
  base0_->Resize(width_, height_);
  base1_->Resize(width_, height_);
}

void TVelkBaseList::ReleaseSurfaces() {
  transition_.reset();
  surface_->Clear();
  base0_->ReleaseSurfaces();
  base1_->ReleaseSurfaces();
  for (const auto& o : objects_) {
    if (o) o->ReleaseSurfaces();
  }
}

void TVelkBaseList::RestoreSurfaces() {
  if (width_ > 0 && height_ > 0) surface_->SetSize(width_, height_, 32);
  base0_->RestoreSurfaces();
  base1_->RestoreSurfaces();
  for (const auto& o : objects_) {
    if (o) o->RestoreSurfaces();
  }
  base0_->AddWholeRect();
  base1_->AddWholeRect();
}

void TVelkBaseList::SetDitherMode(int32_t mode) {
  if (mode == dither_mode_) return;
  dither_mode_ = mode;
  TBrixCollection* cache = Services.Images;
  if (cache == nullptr || cache->DitherMode() == mode) return;
  // Controls let go of the cached frames before they are decoded again and take the new ones afterwards, so none
  // is left drawing a freed surface.
  ReleaseSurfaces();
  cache->SetDitherMode(mode);
  RestoreSurfaces();
}

void TVelkBaseList::ShowCursorOf(TVelkBase& base, const TVelkControl& target) {
  ICursors* cursors = Services.Cursors;
  if (cursors == nullptr) return;
  std::string file = target.CursorFile();
  if (file.empty() && Services.DefaultCursor) file = Services.DefaultCursor();
  if (file.empty()) {
    if (custom_cursor_) cursors->ShowDefault();
    custom_cursor_ = false;
    return;
  }
  if (file == base.CursorFile && custom_cursor_) return;
  TCursorImage image;
  try {
    TMemoryStream m;
    if (Services.ReadFile && Services.ReadFile(m, file)) {
      image = ReadCursorFile(m.Memory(), m.Bytes().size(), file);
    }
  } catch (const EVelkError&) {
    // A cursor file that cannot be read leaves the slot empty, which shows the default arrow (never no cursor).
  }
  cursors->ShowCustom(image);
  base.CursorFile = file;
  custom_cursor_ = true;
}

// ---- the per-frame steps ---------------------------------------------------------------------------------------

void TVelkBaseList::ProcessInput(int32_t elapsed_ms) {
  frame_ms_ = elapsed_ms;
  if (focus_dirty_) {
    SetFocus(ActiveBaseObject()->FirstFocusable());
    focus_dirty_ = false;
  }
  key_pressed_prev_ = key_pressed_;
  key_pressed_.fill(0);
  key_repeated_prev_ = key_repeated_;
  RouteMouse(*ActiveBaseObject());
  if (TVelkControl* focus = Focus(); focus && focus->HandleKey) {
    const TObjectHandle h = focus->Handle();
    if (key_down_flag_) focus->KeyDown();
    if (key_repeat_flag_ && Resolve(h)) focus->KeyRepeat();
    if (key_up_flag_ && Resolve(h)) focus->KeyUp();
  }
  key_down_flag_ = key_up_flag_ = key_repeat_flag_ = false;
  keys_down_.clear();
  keys_up_.clear();
  keys_repeated_.clear();
  for (int32_t i = 0; i < 256; ++i) {
    if (!key_held_[i]) continue;
    repeat_timer_[i] -= elapsed_ms;
    key_repeated_[i] = repeat_timer_[i] <= 0;
    if (key_repeated_[i]) {
      repeat_timer_[i] += 50;
      key_repeat_flag_ = true;
      keys_repeated_.push_back(i);
    }
  }
}

void TVelkBaseList::RouteMouse(TVelkBase& base) {
  base.LeftClick = base.LeftPress;
  base.RightClick = base.RightPress;
  base.WheelDown = base.WheelDownPress;
  base.WheelUp = base.WheelUpPress;
  base.LeftPress = base.RightPress = base.WheelDownPress = base.WheelUpPress = false;

  if (base.RightClick) {
    const std::vector<TObjectHandle> closers = right_click_closers_;
    for (TObjectHandle h : closers) {
      TVelkObject* o = Resolve(h);
      TVelkControl* c = o ? o->AsControl() : nullptr;
      if (!c) continue;
      TPropValue scrap;
      if (!c->GetProp(PR_RCLICKSCRAP, scrap) || !scrap.B) continue;
      if (!c->Visible || c->Base() != &base || c->Paused() || c->InCabinet()) continue;
      if (c->IgnoreMouse != 0 && c->IgnoreMouse != 3) continue;
      if (c->CloseOnRightClick()) {
        base.RightClick = false;
        break;
      }
    }
  }

  if (base.Capture != 0) {
    if (TVelkObject* o = Resolve(base.MouseTarget); o && o->AsControl()) {
      TVelkControl* t = o->AsControl();
      const TObjectHandle h = t->Handle();
      if ((base.Capture & TVelkBase::kCaptureLeft) && !base.LeftHeld) {
        t->MouseLeftUp();
      } else if ((base.Capture & TVelkBase::kCaptureRight) && !base.RightHeld) {
        t->MouseRightUp();
      }
      if (base.Moved && Resolve(h)) t->MouseMove();
      if (Resolve(h)) t->MouseCaptured();
      base.Moved = false;
      return;
    }
  }

  const TMouseAllowed allowed = base.LeftClick    ? TMouseAllowed::LeftPress()
                                : base.RightClick ? TMouseAllowed::RightPress()
                                                  : TMouseAllowed::Movement();
  TVelkControl* target = base.HitTest(TPoint{base.MouseX, base.MouseY}, allowed);
  base.Capture = 0;
  const auto alive = [this](TVelkControl*& c) {
    if (c && !IsRegistered(c)) c = nullptr;
  };

  if (target) {
    ShowCursorOf(base, *target);
    if (base.LeftClick) {
      target->MouseLeftDown();
      alive(target);
      if (target && !target->Paused() && target->HandleKey) SetFocus(target);
    } else if (base.RightClick) {
      target->MouseRightDown();
      alive(target);
    } else if (base.WheelDown || base.WheelUp) {
      target->WheelEvent(base.WheelDown);
    }
  }

  TVelkObject* old_object = Resolve(base.MouseTarget);
  TVelkControl* old = old_object ? old_object->AsControl() : nullptr;
  if (old && old != target) {
    old->MouseOut(target);
    alive(target);
    alive(old);
  }
  if (target && (base.Moved || target->Handle() != base.MouseTarget)) {
    if (target->Handle() != base.MouseTarget) {
      target->MouseIn(old);
      alive(target);
    }
    if (target) target->MouseMove();
    alive(target);
  }
  base.MouseTarget = target ? target->Handle() : TObjectHandle{};
  base.Moved = false;
}

void TVelkBaseList::UpdateAll() {
  updating_ = true;
  base0_->Update();
  base1_->Update();
  for (update_index_ = 0; update_index_ < ObjectCount(); ++update_index_) {
    TVelkObject* o = objects_[static_cast<size_t>(update_index_)].get();
    if (!o) continue;
    const TObjectHandle h = o->Handle();
    o->QueueOwnEvent(PR_ONIDLE, {}, true);
    if (o->Paused() || o->IsPendingDelete() || o->InCabinet()) continue;
    if (o->Update() && Resolve(h) == o) DestroyObject(o);
  }
  const std::vector<TObjectHandle> pending = std::move(pending_delete_);
  pending_delete_.clear();
  for (TObjectHandle h : pending) DestroyObject(Resolve(h));
  updating_ = false;
  std::erase(objects_, nullptr);
}

void TVelkBaseList::DrawAll() {
  transition_rect_ = TRect{};
  base0_->Draw();
  base1_->Draw();
  if (!transition_) return;
  transition_rect_ = transition_->Area();
  // Once its time is over the transition draws nothing more and the screen holds the new picture until the flip
  // that ends it.
  if (transition_->Step()) surface_->Assign(InactiveBaseObject()->BaseSurface());
}

std::vector<TRect> TVelkBaseList::ChangedRects() const {
  if (!transition_rect_.IsEmpty()) return {transition_rect_};
  return ActiveBaseObject()->DirtyRects.Rects();
}

void TVelkBaseList::ClearDirty() {
  base0_->DirtyRects.Clear();
  base1_->DirtyRects.Clear();
}

void TVelkBaseList::Flip(int32_t active, uint8_t type, int32_t option, bool reset, int32_t elapsed, int32_t duration) {
  ActiveBase = active != 0 ? 1 : 0;
  if (reset || (type != 0 && !TransitionRunning())) {
    transition_.reset();
    base0_->AddWholeRect();
    base1_->AddWholeRect();
    if (type != 0) StartTransition(type, option, duration);
    TVelkControl* focus = Focus();
    if (!focus || focus->Base() != ActiveBaseObject()) {
      focus_ = {};
      focus_dirty_ = true;
    }
  }
  TransitionType = type;
  if (transition_) transition_->Position = elapsed;
}

void TVelkBaseList::StartTransition(uint8_t type, int32_t option, int32_t duration) {
  TVelkBase* from = ActiveBaseObject();
  TVelkBase* to = InactiveBaseObject();
  // The active base has been painting straight into the screen: its picture becomes its own first.
  if (from->Surface() != from->BaseSurface()) from->BaseSurface()->Assign(surface_.get());
  TWipeServices services = Wipes;
  if (!services.LoadRule) services.LoadRule = [this](const std::string& name) { return LoadRuleImage(name); };
  transition_ = CreateWipe(type, surface_.get(), from->BaseSurface(), to->BaseSurface(), services);
  if (!transition_) return;
  transition_->Duration = duration;
  transition_->SetReverse(option != 0);
}

void TVelkBaseList::SetTransitionElapsed(int32_t elapsed) {
  if (transition_) transition_->Position = elapsed;
}

std::unique_ptr<TDIBX> TVelkBaseList::LoadRuleImage(const std::string& name) {
  if (!Services.Images || !Services.FileExists(name)) return nullptr;
  TBrixItem* item = Services.Images->Acquire(this, name);
  std::unique_ptr<TDIBX> copy;
  if (item && item->Count() > 0 && item->Frame(0).Surface) {
    TDIBX* frame = item->Frame(0).Surface.get();
    copy = std::make_unique<TDIBX>();
    copy->SetSize(frame->Width(), frame->Height(), frame->BitCount());
    copy->Assign(frame);
  }
  Services.Images->Release(item, this);
  return copy;
}

void TVelkBaseList::Reset() {
  transition_.reset();
  const int32_t w = width_, h = height_;
  const TPoint mouse{base0_->MouseX, base0_->MouseY};
  Events.Clear();
  DestroyAllObjects();
  pending_delete_.clear();
  registry_.clear();
  focus_ = {};
  CreateBases();
  SetSize(8, 8);
  SetSize(w, h);
  for (TVelkBase* base : {base0_.get(), base1_.get()}) {
    base->MouseX = mouse.X;
    base->MouseY = mouse.Y;
  }
}

// ---- window input ----------------------------------------------------------------------------------------------

void TVelkBaseList::MouseMoveTo(int32_t x, int32_t y) {
  for (TVelkBase* base : {base0_.get(), base1_.get()}) {
    if (base->MouseX != x || base->MouseY != y) base->Moved = true;
    base->MouseX = x;
    base->MouseY = y;
  }
}

void TVelkBaseList::MouseButtonDown(bool left) {
  for (TVelkBase* base : {base0_.get(), base1_.get()}) (left ? base->LeftHeld : base->RightHeld) = true;
  (left ? ActiveBaseObject()->LeftPress : ActiveBaseObject()->RightPress) = true;
}

void TVelkBaseList::MouseButtonUp() {
  for (TVelkBase* base : {base0_.get(), base1_.get()}) base->LeftHeld = base->RightHeld = false;
}

void TVelkBaseList::WheelStep(bool down) {
  (down ? ActiveBaseObject()->WheelDownPress : ActiveBaseObject()->WheelUpPress) = true;
}

// ---- keys and focus --------------------------------------------------------------------------------------------

void TVelkBaseList::SetKey(int32_t code, bool down) {
  if (!ValidKey(code) || (key_held_[code] != 0) == down) return;
  key_held_[code] = down;
  key_repeated_[code] = down;
  if (down) {
    repeat_timer_[code] = 300;
    key_down_flag_ = key_repeat_flag_ = true;
    keys_down_.push_back(code);
    keys_repeated_.push_back(code);
  } else {
    key_up_flag_ = true;
    keys_up_.push_back(code);
  }
}

void TVelkBaseList::SetKeyPressed(int32_t code, bool value) {
  if (ValidKey(code)) key_pressed_[code] = value;
}

bool TVelkBaseList::KeyIsDown(int32_t code) const { return ValidKey(code) && key_held_[code]; }
bool TVelkBaseList::KeyWasPressed(int32_t code) const { return ValidKey(code) && key_pressed_prev_[code]; }
bool TVelkBaseList::KeyWasRepeated(int32_t code) const { return ValidKey(code) && key_repeated_prev_[code]; }

void TVelkBaseList::ClearKeys() {
  key_held_.fill(0);
  key_pressed_.fill(0);
  key_repeated_.fill(0);
  repeat_timer_.fill(0);
  key_down_flag_ = key_up_flag_ = key_repeat_flag_ = false;
  keys_down_.clear();
  keys_up_.clear();
  keys_repeated_.clear();
}

TVelkControl* TVelkBaseList::Focus() const {
  TVelkObject* o = Resolve(focus_);
  return o ? o->AsControl() : nullptr;
}

void TVelkBaseList::TextInput(const std::string& text) {
  if (TVelkControl* focus = Focus()) focus->TextInput(text);
}

void TVelkBaseList::SetFocus(TVelkControl* control) {
  if (control && !IsRegistered(control)) return;
  TVelkControl* old = Focus();
  if (old == control) return;
  if (old && !old->OnFocusOut.empty() && !old->Name().empty()) {
    static_cast<TVelkObject*>(old)->QueueOwnEvent(PR_ONFOCUSOUT, {}, false);
  }
  focus_ = control ? control->Handle() : TObjectHandle{};
  if (control) static_cast<TVelkObject*>(control)->QueueOwnEvent(PR_ONFOCUSIN, {}, false);
  focus_dirty_ = false;
  if (control) control->FocusGained();
}

void TVelkBaseList::SetSoundOn(bool on) {
  if (on == sound_on_) return;
  sound_on_ = on;
  if (OnSoundSwitch) OnSoundSwitch(on);
}

void TVelkBaseList::AddRightClickCloser(TVelkControl* control) {
  if (control && std::find(right_click_closers_.begin(), right_click_closers_.end(), control->Handle()) ==
                     right_click_closers_.end()) {
    right_click_closers_.push_back(control->Handle());
  }
}

void TVelkBaseList::RemoveRightClickCloser(TVelkControl* control) {
  if (control) std::erase(right_click_closers_, control->Handle());
}

// ---- save record -----------------------------------------------------------------------------------------------

void TVelkBaseList::SaveToStream(TStream& s) const {
  WriteInt(s, width_);
  WriteInt(s, height_);
  WriteInt(s, ActiveBase);
  base0_->SaveToStream(s);
  base1_->SaveToStream(s);
  std::vector<const TVelkObject*> saved;
  for (const auto& o : objects_) {
    if (o && !o->AsControl() && !o->IsPendingDelete() && o->ComponentType() != VT_NONE && !IsInternalName(o->Name())) {
      saved.push_back(o.get());
    }
  }
  WriteInt(s, static_cast<int32_t>(saved.size()));
  for (const TVelkObject* o : saved) {
    WriteByte(s, o->ComponentType());
    o->SaveToStream(s);
  }
  Events.SaveToStream(s, *this);
  const TVelkControl* focus = Focus();
  WriteString(s, focus ? focus->Name() : std::string());
}

void TVelkBaseList::LoadFromStream(TStream& s, int32_t version, int32_t /*depth*/) try {
  Reset();
  SetSize(8, 8);
  const int32_t w = ReadInt(s);
  const int32_t h = ReadInt(s);
  if (w < 1 || h < 1 || w > kMaxScreenSide || h > kMaxScreenSide) {
    throw EFormatError("scene data: screen size " + std::to_string(w) + " x " + std::to_string(h));
  }
  SetSize(w, h);
  const int32_t active = ReadInt(s);
  if (active != 0 && active != 1) throw EFormatError("scene data: active base " + std::to_string(active));
  ActiveBase = active;
  for (TVelkBase* base : {base0_.get(), base1_.get()}) {
    base->LoadFromStream(s, version, 1);
    // A base always covers the screen, whatever size its record claims.
    base->Resize(width_, height_);
  }
  const int32_t count = ReadInt(s);
  CheckCount(s, count, 9);
  for (int32_t i = 0; i < count; ++i) {
    const uint8_t code = ReadByte(s) & 0x7F;
    TVelkObject* o = CreateComponent(code);
    if (!o || o->AsControl()) {
      DestroyObject(o);
      throw EFormatError("scene data: no component of type " + std::to_string(code));
    }
    o->LoadFromStream(s, version, 1);
  }
  Events.LoadFromStream(s, version, *this);
  if (version > 118) {
    const std::string focus = ReadString(s);
    TVelkControl* c = focus.empty() ? nullptr : FindParent(focus);
    if (c) {
      focus_ = c->Handle();
      c->FocusGained();
      focus_dirty_ = false;
    }
  }
} catch (const std::bad_alloc&) {
  // Counts in the data asked for more memory than there is: the data is damaged.
  throw EFormatError("scene data: too large to hold in memory");
}

}  // namespace velk
