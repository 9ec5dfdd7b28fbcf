#include "scene/velk_prev_menu.h"

#include <algorithm>

#include "gfx/custom_dibx.h"
#include "scene/base_list.h"
#include "scene/custom_image.h"
#include "scene/prop_table.h"
#include "scene/velk_label.h"
#include "vfs/stream.h"
#include "vfs/stream_io.h"

namespace velk {

namespace {

using PM = TVelkPrevMenu;
using P = TProps<PM>;

// The most entries a menu holds: each one loads a picture.
constexpr size_t kMaxEntries = 1000;
// Disabled entries are drawn at this opacity.
constexpr int32_t kDisabledAlpha = 128;

const TPropTable<PM> kPrevMenuProps = {
    P::Custom<&PM::Source, &PM::SetSource>(PR_SOURCE),
    P::ReadOnly<&PM::Text>(PR_TEXT),
    P::ReadOnly<&PM::Count>(PR_COUNT),
    P::Plain<&PM::PausedFlag>(PR_PAUSED),
    P::Plain<&PM::AutoScrap>(PR_AUTOSCRAP),
    P::Plain<&PM::RClickScrap>(PR_RCLICKSCRAP),
    P::Plain<&PM::OnSelect>(PR_ONSELECT),
    P::Plain<&PM::OnIdle>(PR_ONIDLE),
    P::Plain<&PM::OnMapIn>(PR_ONMAPIN),
    P::Plain<&PM::OnMapOut>(PR_ONMAPOUT),
    P::Plain<&PM::OnPlayEnd>(PR_ONPLAYEND),
};

}  // namespace

TVelkPrevMenu::TVelkPrevMenu(TVelkBaseList* owner) : TVelkControl(owner) {
  if (owner) owner->AddRightClickCloser(this);
}

TVelkPrevMenu::~TVelkPrevMenu() = default;

bool TVelkPrevMenu::GetProp(int32_t id, TPropValue& value) const {
  return kPrevMenuProps.Get(*this, id, value) || TVelkControl::GetProp(id, value);
}

bool TVelkPrevMenu::SetProp(int32_t id, const TPropValue& value) {
  return kPrevMenuProps.Set(*this, id, value) || TVelkControl::SetProp(id, value);
}

void TVelkPrevMenu::SetSource(const std::string& source) {
  if (source == source_) return;
  Invalidate();
  source_ = source;
  std::vector<std::string> names = SplitLines(source);
  if (names.size() > kMaxEntries) names.resize(kMaxEntries);
  entries_.clear();
  entries_.resize(names.size());
  for (size_t i = 0; i < names.size(); ++i) {
    entries_[i].Name = names[i];
    entries_[i].Picture->Load(Owner(), names[i], 255);
  }
  // New entries are enabled, visible and not selected.
  flags_[kEnabled].assign(names.size(), 1);
  flags_[kVisible].assign(names.size(), 1);
  flags_[kSelected].assign(names.size(), 0);
  hover_ = -1;
  Layout();
}

std::string TVelkPrevMenu::Text() const {
  std::string text;
  for (size_t i = 0; i < entries_.size(); ++i) text += (i ? "\r\n" : "") + entries_[i].Name;
  return text;
}

std::string TVelkPrevMenu::EntryName(int32_t i) const {
  return i >= 0 && i < Count() ? entries_[static_cast<size_t>(i)].Name : std::string();
}

bool TVelkPrevMenu::Flag(int32_t i, TFlag flag) const {
  return i >= 0 && i < Count() && flags_[flag][static_cast<size_t>(i)] != 0;
}

bool TVelkPrevMenu::SetFlag(int32_t i, TFlag flag, bool value) {
  if (i < 0 || i >= Count()) return false;
  flags_[flag][static_cast<size_t>(i)] = value ? 1 : 0;
  if (flag == kVisible) {
    Layout();
  } else {
    Invalidate();
  }
  return true;
}

// The entries stand one below the other; hidden entries take no room.
TRect TVelkPrevMenu::EntryRect(int32_t i) const {
  int32_t y = ScreenTop();
  for (int32_t k = 0; k < Count(); ++k) {
    const TCustomDIBX* s = entries_[static_cast<size_t>(k)].Picture->Surface();
    const int32_t w = s ? s->Width() : 0, h = s && Flag(k, kVisible) ? s->Height() : 0;
    if (k == i) return Bounds(ScreenLeft(), y, w, h);
    y += h;
  }
  return {};
}

void TVelkPrevMenu::Layout() {
  int64_t w = 0, h = 0;
  for (int32_t k = 0; k < Count(); ++k) {
    const TCustomDIBX* s = entries_[static_cast<size_t>(k)].Picture->Surface();
    if (!s || !Flag(k, kVisible)) continue;
    w = std::max<int64_t>(w, s->Width());
    h += s->Height();
  }
  SetBounds(Left, Top, static_cast<int32_t>(std::min<int64_t>(w, 32767)),
            static_cast<int32_t>(std::min<int64_t>(h, 32767)));
}

int32_t TVelkPrevMenu::EntryAt(TPoint p) const {
  for (int32_t k = 0; k < Count(); ++k) {
    if (Flag(k, kVisible) && EntryRect(k).Contains(p.X, p.Y)) return k;
  }
  return -1;
}

void TVelkPrevMenu::SetHover(int32_t i) {
  if (i == hover_) return;
  if (hover_ >= 0) QueueOwnEvent(PR_ONMAPOUT, {EntryName(hover_), std::to_string(hover_)}, true);
  hover_ = i;
  Invalidate();
  if (hover_ >= 0) QueueOwnEvent(PR_ONMAPIN, {EntryName(hover_), std::to_string(hover_)}, true);
}

void TVelkPrevMenu::Select(int32_t i) {
  if (!Flag(i, kEnabled) || !Flag(i, kVisible)) return;
  TVelkBaseList* scene = Owner();
  if (scene && scene->Services.SetSelection) scene->Services.SetSelection(EntryName(i), i);
  QueueOwnEvent(PR_ONSELECT, {EntryName(i), std::to_string(i)}, true);
  if (AutoScrap) closing_ = true;
}

void TVelkPrevMenu::MouseMove() {
  const TVelkBase* base = Base();
  if (base && !EventsBlocked()) SetHover(EntryAt({base->MouseX, base->MouseY}));
  TVelkControl::MouseMove();
}

void TVelkPrevMenu::MouseLeftDown() {
  TVelkControl::MouseLeftDown();
  const TVelkBase* base = Base();
  if (!base || EventsBlocked() || Paused()) return;
  const int32_t i = EntryAt({base->MouseX, base->MouseY});
  if (i >= 0) Select(i);
}

bool TVelkPrevMenu::CloseOnRightClick() {
  if (!RClickScrap || closing_) return false;
  TVelkBaseList* scene = Owner();
  if (scene && scene->Services.SetSelection) scene->Services.SetSelection("", -1);
  closing_ = true;
  return true;
}

bool TVelkPrevMenu::Update() {
  if (closing_) return true;
  if (TVelkControl::Update()) return true;
  if (AniPaused) return false;
  const int32_t ms = Owner() ? Owner()->FrameMs() : 0;
  for (TEntry& e : entries_) {
    if (e.Picture->Advance(ms)) Invalidate();
  }
  return false;
}

void TVelkPrevMenu::Draw() {
  TCustomDIBX* target = Surface();
  if (target && Visible) {
    for (int32_t k = 0; k < Count(); ++k) {
      TFramePicture& p = *entries_[static_cast<size_t>(k)].Picture;
      TCustomDIBX* s = p.Surface();
      if (!s || !Flag(k, kVisible)) continue;
      const TRect r = EntryRect(k);
      DrawPictureAt(*target, r.Left, r.Top, s, TRect{0, 0, s->Width(), s->Height()}, p.Mask(), false, false,
                    Flag(k, kEnabled) ? 255 : kDisabledAlpha);
    }
  }
  DrawChildren();
}

void TVelkPrevMenu::SaveOwnFields(TStream& s) const {
  WriteString(s, source_);
  WriteByte(s, AutoScrap);
  WriteByte(s, RClickScrap);
  WriteByte(s, PausedFlag);
  WriteString(s, OnMapIn);
  WriteString(s, OnMapOut);
  WriteString(s, OnIdle);
  WriteString(s, OnSelect);
  WriteString(s, OnPlayEnd);
  for (const std::vector<uint8_t>& block : flags_) {
    WriteInt(s, static_cast<int32_t>(block.size()));
    if (!block.empty()) s.WriteBuffer(block.data(), static_cast<int32_t>(block.size()));
  }
}

void TVelkPrevMenu::LoadOwnFields(TStream& s, int32_t /*version*/) {
  SetSource(ReadString(s));
  AutoScrap = ReadByte(s) != 0;
  RClickScrap = ReadByte(s) != 0;
  PausedFlag = ReadByte(s) != 0;
  OnMapIn = ReadString(s);
  OnMapOut = ReadString(s);
  OnIdle = ReadString(s);
  OnSelect = ReadString(s);
  OnPlayEnd = ReadString(s);
  for (std::vector<uint8_t>& block : flags_) {
    const int32_t n = ReadInt(s);
    std::vector<uint8_t> bytes;
    if (n > 0) {
      CheckCount(s, n, 1);
      bytes.resize(static_cast<size_t>(n));
      s.ReadBuffer(bytes.data(), n);
    }
    // A block of another length than the entries keeps the defaults for the entries it does not cover.
    for (size_t i = 0; i < block.size() && i < bytes.size(); ++i) block[i] = bytes[i] != 0 ? 1 : 0;
  }
  Layout();
}

}  // namespace velk
