#include "scene/velk_menu.h"

#include <algorithm>

#include "scene/base_list.h"
#include "scene/prop_table.h"
#include "vfs/stream_io.h"

namespace velk {

namespace {

using M = TVelkMenu;
using P = TProps<M>;

const TPropTable<M> kMenuProps = {
    P::Plain<&M::Delay>(PR_DELAY),
    P::Visual<&M::HoverColorValue>(PR_HOVERCOLOR),
    P::Plain<&M::AutoScrap>(PR_AUTOSCRAP),
    P::Plain<&M::RClickScrap>(PR_RCLICKSCRAP),
    P::Plain<&M::OnOpening>(PR_ONOPENING),
    P::Plain<&M::OnOpened>(PR_ONOPENED),
    P::Plain<&M::OnClosing>(PR_ONCLOSING),
    P::Plain<&M::OnClosed>(PR_ONCLOSED),
    // The hovered item's own colour and style (list boxes take them from the item font).
    {PR_FONTHOVERCOLOR, [](const M& m, TPropValue& v) { v.I = m.Hovers().TextColor; },
     [](M& m, const TPropValue& v) {
       m.Hovers().TextColor = v.I;
       m.SettingsChanged();
     }},
    {PR_FONTHOVERSTYLE, [](const M& m, TPropValue& v) { v.I = m.Hovers().Style; },
     [](M& m, const TPropValue& v) {
       m.Hovers().Style = static_cast<uint8_t>(v.I & 0x0F);
       m.SettingsChanged();
     }},
    // The height the menu has when fully open.
    {PR_ORIGHEIGHT, [](const M& m, TPropValue& v) { v.I = m.FullHeight(); }, nullptr},
};

}  // namespace

TVelkMenu::TVelkMenu(TVelkBaseList* owner) : TVelkCustomListBox(owner) {
  if (owner) owner->AddRightClickCloser(this);
}

// The right-click list holds handles: a destroyed menu's entry resolves to nothing.
TVelkMenu::~TVelkMenu() = default;

bool TVelkMenu::GetProp(int32_t id, TPropValue& value) const {
  return kMenuProps.Get(*this, id, value) || TVelkCustomListBox::GetProp(id, value);
}

bool TVelkMenu::SetProp(int32_t id, const TPropValue& value) {
  return kMenuProps.Set(*this, id, value) || TVelkCustomListBox::SetProp(id, value);
}

int32_t TVelkMenu::AnimatedHeight() const {
  const int64_t full = AutoHeight();
  if (anim_ == 0) return open_ ? AutoHeight() : 0;
  if (Delay <= 0) return anim_ == 1 ? AutoHeight() : 0;
  const int64_t e = std::clamp(elapsed_, 0, Delay);
  const int64_t shown = anim_ == 1 ? full * e / Delay : full - full * e / Delay;
  return static_cast<int32_t>(shown);
}

void TVelkMenu::TakeAutoSize(int32_t width, int32_t /*height*/) { SetBounds(Left, Top, width, AnimatedHeight()); }

int32_t TVelkMenu::AnimationState() const {
  if (anim_ == 0) return 0;
  return anim_ | std::clamp(elapsed_, 0, INT32_MAX >> 2) << 2;
}

void TVelkMenu::SetAnimationState(int32_t state) {
  const int32_t direction = state < 0 ? 0 : state & 3;
  anim_ = direction == 1 || direction == 2 ? direction : 0;
  elapsed_ = anim_ == 0 ? 0 : state >> 2;
}

void TVelkMenu::SetOpenState(int32_t type) {
  if (type < 0 || type > 3) return;
  // Opening with and without animation count as opening; the same for closing.
  const bool opening = type == 0 || type == 1;
  if (opening == open_) return;
  UpdateAutoSize();
  if (opening) {
    open_ = true;
    QueueOwnEvent(PR_ONOPENING, {}, false);
    if (type == 1 && Delay > 0) {
      anim_ = 1;
      elapsed_ = 0;
      SetBounds(Left, Top, Width, AnimatedHeight());
    } else {
      FinishOpening();
    }
    return;
  }
  QueueOwnEvent(PR_ONCLOSING, {}, false);
  open_ = false;
  if (TVelkBaseList* scene = Owner(); scene && scene->Focus() == this) scene->MarkFocusDirty();
  if (type == 3 && Delay > 0) {
    anim_ = 2;
    elapsed_ = 0;
    SetBounds(Left, Top, Width, AnimatedHeight());
  } else {
    FinishClosing();
  }
}

void TVelkMenu::FinishOpening() {
  anim_ = 0;
  SetBounds(Left, Top, Width, AutoHeight());
  QueueOwnEvent(PR_ONOPENED, {}, false);
}

void TVelkMenu::FinishClosing() {
  anim_ = 0;
  SetBounds(Left, Top, Width, 0);
  QueueClosed();
}

void TVelkMenu::QueueClosed() {
  TVelkBaseList* scene = Owner();
  if (!scene || OnClosed.empty() || InCabinet()) return;
  // The menu's events are blocked once it closes; its closed event is the last it raises. A menu that ends itself
  // is destroyed at the next update, which would drop an event it sent: that one has no sender.
  const std::vector<std::string> none;
  scene->Events.Queue(AutoScrap ? TObjectHandle{} : Handle(), OnClosed, &none, static_cast<uint8_t>(PR_ONCLOSED));
}

bool TVelkMenu::CloseOnRightClick() {
  if (!RClickScrap || !open_) return false;
  SetOpenState(3);
  return true;
}

bool TVelkMenu::Update() {
  const bool done = TVelkCustomListBox::Update();
  if (anim_ != 0) {
    elapsed_ += Owner() ? Owner()->FrameMs() : 0;
    if (elapsed_ >= Delay) {
      if (anim_ == 1) {
        FinishOpening();
      } else {
        FinishClosing();
      }
    } else {
      SetBounds(Left, Top, Width, AnimatedHeight());
    }
  }
  if (done) return true;
  return AutoScrap && !open_ && anim_ == 0;
}

void TVelkMenu::SaveOwnFields(TStream& s) const {
  TVelkCustomListBox::SaveOwnFields(s);
  WriteInt(s, Delay);
  WriteInt(s, HoverColorValue);
  WriteByte(s, AutoScrap);
  WriteByte(s, RClickScrap);
  WriteByte(s, open_);
  WriteString(s, OnOpening);
  WriteString(s, OnOpened);
  WriteString(s, OnClosing);
  WriteString(s, OnClosed);
}

void TVelkMenu::LoadOwnFields(TStream& s, int32_t version) {
  TVelkCustomListBox::LoadOwnFields(s, version);
  Delay = ReadInt(s);
  HoverColorValue = ReadInt(s);
  AutoScrap = ReadByte(s) != 0;
  RClickScrap = ReadByte(s) != 0;
  open_ = ReadByte(s) != 0;
  OnOpening = ReadString(s);
  OnOpened = ReadString(s);
  OnClosing = ReadString(s);
  OnClosed = ReadString(s);
  // An animation in progress goes on from where it was; one of the wrong direction is over.
  if ((anim_ == 1 && !open_) || (anim_ == 2 && open_)) anim_ = 0;
}

}  // namespace velk
