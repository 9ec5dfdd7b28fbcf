#include "scene/velk_button.h"

#include <algorithm>

#include "scene/base_list.h"
#include "scene/prop_table.h"
#include "vfs/stream_io.h"

namespace velk {

namespace {

using B = TVelkButton;
using P = TProps<B>;

const TPropTable<B> kButtonProps = {
    {PR_HOVERSOURCE, P::GetField<&B::HoverSource>, [](B& b, const TPropValue& v) { b.SetStateSource(B::kHover, v.S); }},
    {PR_PRESSEDSOURCE, P::GetField<&B::PressedSource>,
     [](B& b, const TPropValue& v) { b.SetStateSource(B::kPressed, v.S); }},
    {PR_CLICKEDSOURCE, P::GetField<&B::ClickedSource>,
     [](B& b, const TPropValue& v) { b.SetStateSource(B::kClicked, v.S); }},
    P::Plain<&B::GroupIndex>(PR_GROUPINDEX),
    P::Custom<&B::SelectedFlag, &B::SetSelected>(PR_SELECTED),
    P::Custom<&B::AllowAllUp, &B::SetAllowAllUp>(PR_ALLOWALLUP),
    P::Plain<&B::OnNotify>(PR_ONNOTIFY),
    P::Custom<&B::Text, &B::SetText>(PR_TEXT),
    {PR_FONTNAME, [](const B& b, TPropValue& v) { v.S = b.Caption().FontName; }, P::CallSetter<&B::SetFontName>},
    {PR_FONTHEIGHT, [](const B& b, TPropValue& v) { v.I = b.Caption().FontHeight; }, P::CallSetter<&B::SetFontHeight>},
    {PR_FONTSTYLE, [](const B& b, TPropValue& v) { v.I = b.Caption().Style; }, P::CallSetter<&B::SetFontStyle>},
    {PR_FONTCOLOR, [](const B& b, TPropValue& v) { v.I = b.Caption().TextColor; }, P::CallSetter<&B::SetFontColor>},
    {PR_ANTIALIAS, [](const B& b, TPropValue& v) { v.B = b.Caption().Quality > 0; }, P::CallSetter<&B::SetAntiAlias>},
};

}  // namespace

TVelkButton::TVelkButton(TVelkBaseList* owner) : TVelkImages(owner, 4) {}
TVelkButton::~TVelkButton() = default;

bool TVelkButton::GetProp(int32_t id, TPropValue& value) const {
  return kButtonProps.Get(*this, id, value) || TVelkImages::GetProp(id, value);
}

bool TVelkButton::SetProp(int32_t id, const TPropValue& value) {
  return kButtonProps.Set(*this, id, value) || TVelkImages::SetProp(id, value);
}

// ---- states ----------------------------------------------------------------------------------------------------

void TVelkButton::ShowState() {
  const int32_t list = State > 0 ? State : 0;
  shown_list_ = Frames(list).Count() > 0 ? list : 0;
  FrameTime = 0;
  ResetRunEnd();
  if (FrameCount() > 0) {
    ShowFrame(0);
  } else {
    Invalidate();
  }
}

void TVelkButton::SetState(int32_t s) {
  if (State == kClicked) {
    StateAfterClick = s;
    return;
  }
  if (s == State || s < kNormal || s > kClicked || (s != kNormal && Frames(s).Count() == 0)) return;
  Invalidate();
  State = s;
  if (s == kClicked) StateAfterClick = kNormal;
  ShowState();
  RestartMotion();
}

void TVelkButton::SetSource(const std::string& name) {
  if (name == source_) return;
  TVelkImages::SetSource(name);
  // The new source dropped every list: the other state pictures load again.
  for (int32_t k = kHover; k <= kClicked; ++k) {
    if (!sources_[k].empty()) LoadFrames(k, sources_[k]);
  }
  if (State > kNormal) ShowState();
}

void TVelkButton::SetStateSource(int32_t state, const std::string& name) {
  if (name == sources_[state]) return;
  sources_[state] = name;
  LoadFrames(state, name);
  if (State == state) ShowState();
}

bool TVelkButton::AnimateState() {
  const int32_t count = FrameCount();
  if (MotionAttached() || Index < 0 || Index >= count || !Visible || PausedFlag || AniPaused) return false;
  if (FrameTime > 0) FrameTime -= Owner() ? Owner()->FrameMs() : 0;
  // Frames without display time would turn a repeating picture forever: one lap per update at most.
  for (int32_t steps = 0; FrameTime < 1 && steps <= count; ++steps) {
    if (Index < count - 1) {
      // As for images: with two frames or fewer the time left over is dropped.
      if (count <= 2) FrameTime = 0;
      ShowFrame(Index + 1);
    } else if (Repeat) {
      FrameTime = 0;
      ShowFrame(0);
    } else {
      if (State != kClicked) return false;
      // The clicked picture has been shown to its end.
      if (AutoScrap) return true;
      QueueOwnEvent(PR_ONPLAYEND, {}, false);
      State = -1;
      SetState(StateAfterClick);
      // A state asked for without a picture of its own falls back to the normal one.
      if (State == -1) SetState(kNormal);
      return false;
    }
  }
  return false;
}

bool TVelkButton::Update() {
  if (Pressing == -1) return true;
  UpdateSize();
  bool done = TVelkControl::Update();
  if (!MotionAttached()) done = AnimateState() || done;
  UpdateAfterimages();
  return done;
}

// ---- radio groups ----------------------------------------------------------------------------------------------

std::vector<TVelkButton*> TVelkButton::GroupMembers() const {
  std::vector<TVelkButton*> members;
  if (GroupIndex == 0 || !Parent()) {
    members.push_back(const_cast<TVelkButton*>(this));
    return members;
  }
  for (TVelkControl* child : Parent()->Children()) {
    auto* b = dynamic_cast<TVelkButton*>(child);
    if (b && b->GroupIndex == GroupIndex && !b->IsPendingDelete()) members.push_back(b);
  }
  return members;
}

void TVelkButton::RefreshGroup() {
  if (GroupIndex == 0) return;
  const std::vector<TVelkButton*> members = GroupMembers();
  if (members.empty()) return;
  // The changed button when it is down, else the first one down; with none down and all-up not allowed, the first.
  TVelkButton* chosen = SelectedFlag ? this : nullptr;
  for (TVelkButton* b : members) {
    if (!chosen && b->SelectedFlag) chosen = b;
  }
  if (!chosen && !AllowAllUp) chosen = members.front();
  for (TVelkButton* b : members) {
    const bool down = b == chosen;
    if (b->SelectedFlag == down) continue;
    b->SelectedFlag = down;
    b->SetState(down ? kPressed : kNormal);
  }
}

void TVelkButton::SetSelected(bool v) {
  if (v && GroupIndex == 0) return;
  if (v != SelectedFlag) {
    SelectedFlag = v;
    SetState(v ? kPressed : kNormal);
  }
  RefreshGroup();
}

void TVelkButton::SetAllowAllUp(bool v) {
  for (TVelkButton* b : GroupMembers()) b->AllowAllUp = v;
  RefreshGroup();
}

// ---- mouse -----------------------------------------------------------------------------------------------------

bool TVelkButton::MouseOver() const {
  const TVelkBase* base = Base();
  if (!base) return false;
  return const_cast<TVelkButton*>(this)->HitTest({base->MouseX, base->MouseY}, TMouseAllowed::LeftPress()) != nullptr;
}

void TVelkButton::MouseMove() {
  if (Pressing == 0) {
    SetState(SelectedFlag ? kPressed : Paused() ? kNormal : kHover);
    TVelkImages::MouseMove();
  } else {
    SetState(MouseOver() || SelectedFlag ? kPressed : kNormal);
  }
}

void TVelkButton::MouseOut(TVelkControl* new_target) {
  if (State != kClicked) SetState(SelectedFlag ? kPressed : kNormal);
  TVelkImages::MouseOut(new_target);
}

void TVelkButton::MouseLeftDown() {
  TVelkBase* base = Base();
  if (!base || (IgnoreMouse != 0 && IgnoreMouse != 4)) {
    TVelkImages::MouseLeftDown();
    return;
  }
  // The press is always taken: the script's click test does not see it.
  base->LeftClick = false;
  if (Paused() || State == kClicked) return;
  base->Capture |= TVelkBase::kCaptureLeft;
  SetState(kPressed);
  Pressing = 1;
}

void TVelkButton::MouseLeftUp() {
  if (TVelkBase* base = Base()) base->Capture &= static_cast<uint8_t>(~TVelkBase::kCaptureLeft);
  if (Pressing == 1 && MouseOver()) {
    Click();
    if (Pressing == -1) return;
  }
  Pressing = 0;
  if (GroupIndex == 0 && State != kClicked) SetState(kNormal);
}

void TVelkButton::Click() {
  QueueOwnEvent(PR_ONNOTIFY, {}, false);
  if (GroupIndex == 0) {
    SetState(kClicked);
    if (State != kClicked && AutoScrap) Pressing = -1;
  } else if (AllowAllUp || !SelectedFlag) {
    SetSelected(!SelectedFlag);
  }
}

// ---- caption ---------------------------------------------------------------------------------------------------

void TVelkButton::CaptionChanged() {
  measured_ = false;
  caption_.MarkAllDirty();
  Invalidate();
}

void TVelkButton::SetText(const std::string& text) {
  if (text == text_) return;
  text_ = text;
  if (caption_.Count() == 0) caption_.AddLabel();
  caption_.LabelAt(0)->SetCaption(text);
  CaptionChanged();
}

void TVelkButton::SetFontName(const std::string& v) {
  caption_.FontName = v;
  CaptionChanged();
}

void TVelkButton::SetFontHeight(int32_t v) {
  caption_.FontHeight = v;
  CaptionChanged();
}

void TVelkButton::SetFontStyle(int32_t v) {
  caption_.Style = static_cast<uint8_t>(v & 0x0F);
  CaptionChanged();
}

void TVelkButton::SetFontColor(int32_t v) {
  caption_.TextColor = v;
  CaptionChanged();
}

void TVelkButton::SetAntiAlias(bool v) {
  caption_.Quality = v ? 3 : 0;
  CaptionChanged();
}

void TVelkButton::Draw() {
  DrawPicture();
  TLabelDIB* label = caption_.LabelAt(0);
  TCustomDIBX* target = Surface();
  if (label && target && !text_.empty() && Width > 0 && Height > 0) {
    if (!measured_) {
      caption_.Measure();
      measured_ = true;
    }
    caption_.Target = target;
    // The caption is centred on the button.
    const TRect r = PictureRect();
    label->DrawLabel(r.Left + (r.Width() - label->Width()) / 2, r.Top + (r.Height() - label->Height()) / 2);
  }
  DrawChildren();
}

void TVelkButton::ReleaseSurfaces() {
  TVelkImages::ReleaseSurfaces();
  caption_.Target = nullptr;
  caption_.MarkAllDirty();
}

void TVelkButton::RestoreSurfaces() {
  TVelkImages::RestoreSurfaces();
  caption_.MarkAllDirty();
}

// ---- save record -----------------------------------------------------------------------------------------------

void TVelkButton::SaveOwnFields(TStream& s) const {
  TVelkImages::SaveOwnFields(s);
  WriteString(s, sources_[kHover]);
  WriteString(s, sources_[kPressed]);
  WriteInt(s, GroupIndex);
  WriteByte(s, SelectedFlag);
  WriteByte(s, AllowAllUp);
  WriteString(s, OnNotify);
  WriteString(s, OnIdle);
  WriteString(s, sources_[kClicked]);
  // The label list keeps the caption's font, not its text: a loaded button shows no text until the script gives
  // it again. The record ends here in every save already written, so nothing may follow it.
  caption_.SaveToStream(s);
}

void TVelkButton::LoadOwnFields(TStream& s, int32_t version) {
  TVelkImages::LoadOwnFields(s, version);
  const int32_t index = Index, frame_time = FrameTime;
  const std::string hover = ReadString(s), pressed = ReadString(s);
  GroupIndex = ReadInt(s);
  SelectedFlag = ReadByte(s) != 0;
  AllowAllUp = ReadByte(s) != 0;
  OnNotify = ReadString(s);
  OnIdle = ReadString(s);
  const std::string clicked = ReadString(s);
  caption_.LoadFromStream(s, version);
  SetStateSource(kHover, hover);
  SetStateSource(kPressed, pressed);
  SetStateSource(kClicked, clicked);
  text_.clear();
  SetText({});
  // A selected button shows its pressed picture; the normal one keeps its saved frame.
  Pressing = 0;
  if (SelectedFlag) {
    SetState(kPressed);
  } else if (index >= 0) {
    SetIndex(index);
    FrameTime = frame_time;
  }
}

}  // namespace velk
