#include "scene/velk_edit.h"

#include <algorithm>

#include "base/sjis.h"
#include "gfx/custom_dibx.h"
#include "scene/base_list.h"
#include "scene/prop_table.h"
#include "vfs/stream_io.h"

namespace velk {

namespace {

using E = TVelkEdit;
using P = TProps<E>;

constexpr int32_t kKeyBack = 8, kKeyEnter = 13, kKeyShift = 16, kKeyControl = 17, kKeyEnd = 35, kKeyHome = 36,
                  kKeyLeft = 37, kKeyUp = 38, kKeyRight = 39, kKeyDown = 40, kKeyInsert = 45, kKeyDelete = 46,
                  kKeyA = 65, kKeyC = 67, kKeyV = 86, kKeyX = 88;
// The space between the box's edge and its text.
constexpr int32_t kPadding = 2;
// The colours of a box without a colour of its own, and of the selection (0x00BBGGRR).
constexpr int32_t kWindowColor = 0xFFFFFF, kHighlightColor = 0xD77800;

const TPropTable<E> kEditProps = {
    P::Custom<&E::Text, &E::SetText>(PR_TEXT),
    P::Custom<&E::FontName, &E::SetFontName>(PR_FONTNAME),
    P::Custom<&E::FontHeight, &E::SetFontHeight>(PR_FONTHEIGHT),
    P::Custom<&E::FontStyle, &E::SetFontStyle>(PR_FONTSTYLE),
    P::Custom<&E::FontColor, &E::SetFontColor>(PR_FONTCOLOR),
    P::Custom<&E::PausedFlag, &E::SetPausedFlag>(PR_PAUSED),
    P::Plain<&E::ReadOnly>(PR_READONLY),
    P::Plain<&E::OnNotify>(PR_ONNOTIFY),
};

// The memo's alignment; a one-line box has none.
const TPropTable<E> kMemoProps = {
    P::Visual<&E::HAlign>(PR_HALIGN),
};

// The code of the character that ends a text, as a key code: the byte, or lead byte × 256 + trail byte.
int32_t LastCharCode(const std::string& s) {
  size_t last = 0;
  for (size_t i = 0; i < s.size(); i += CharLength(s, i)) last = i;
  if (s.empty()) return 0;
  const auto lead = static_cast<uint8_t>(s[last]);
  return CharLength(s, last) == 2 ? lead << 8 | static_cast<uint8_t>(s[last + 1]) : lead;
}

}  // namespace

TVelkEdit::TVelkEdit(TVelkBaseList* owner, bool multi_line)
    : TVelkControl(owner), multi_line_(multi_line), text_(multi_line) {
  // The box takes the keyboard focus when clicked.
  HandleKey = true;
  font_.Quality = 3;
  font_.TextColor = 0;
}

TVelkEdit::~TVelkEdit() = default;

bool TVelkEdit::GetProp(int32_t id, TPropValue& value) const {
  if (multi_line_ && kMemoProps.Get(*this, id, value)) return true;
  return kEditProps.Get(*this, id, value) || TVelkControl::GetProp(id, value);
}

bool TVelkEdit::SetProp(int32_t id, const TPropValue& value) {
  if (multi_line_ && kMemoProps.Set(*this, id, value)) return true;
  return kEditProps.Set(*this, id, value) || TVelkControl::SetProp(id, value);
}

void TVelkEdit::SetText(const std::string& text) {
  text_.SetText(text);
  scroll_x_ = first_line_ = 0;
  layout_dirty_ = true;
  Invalidate();
}

void TVelkEdit::SetFontName(const std::string& v) {
  font_.FontName = v;
  layout_dirty_ = true;
  Invalidate();
}

void TVelkEdit::SetFontHeight(int32_t v) {
  font_.FontHeight = v;
  layout_dirty_ = true;
  Invalidate();
}

void TVelkEdit::SetFontStyle(uint8_t v) {
  font_.Style = static_cast<uint8_t>(v & 0x0F);
  layout_dirty_ = true;
  Invalidate();
}

void TVelkEdit::SetFontColor(int32_t v) {
  font_.TextColor = v;
  font_.MarkAllDirty();
  Invalidate();
}

void TVelkEdit::SetPausedFlag(bool v) {
  if (v == PausedFlag) return;
  PausedFlag = v;
  // A paused box hides and gives up the focus.
  if (TVelkBaseList* scene = Owner(); v && scene && scene->Focus() == this) scene->MarkFocusDirty();
  Invalidate();
}

bool TVelkEdit::HasFocus() const {
  const TVelkBaseList* scene = Owner();
  return scene && scene->Focus() == this && !PausedFlag && Visible;
}

// ---- layout -------------------------------------------------------------------------------------------------------

void TVelkEdit::Layout() {
  if (!layout_dirty_) return;
  layout_dirty_ = false;
  const int32_t n = text_.LineCount();
  font_.SetCount(n);
  for (int32_t i = 0; i < n; ++i) font_.LabelAt(i)->SetCaption(text_.Line(i));
  font_.Measure();
}

int32_t TVelkEdit::LineX(int32_t line) {
  const TRect r = ScreenRect();
  const TLabelDIB* label = font_.LabelAt(line);
  const int32_t w = label ? label->Width() : 0, room = r.Width() - 2 * kPadding;
  if (multi_line_ && HAlign == 1) return r.Left + kPadding + (room - w) / 2;
  if (multi_line_ && HAlign == 2) return r.Left + kPadding + room - w;
  return r.Left + kPadding - scroll_x_;
}

int32_t TVelkEdit::XOf(int32_t line, size_t pos) {
  Layout();
  const TLabelDIB* label = font_.LabelAt(line);
  if (!label) return 0;
  const std::string& s = text_.Text();
  int64_t x = 0;
  size_t k = 0;
  for (size_t i = text_.LineStart(line); i < pos && i < s.size() && k < label->Advances().size();
       i += CharLength(s, i), ++k) {
    x += label->Advances()[k];
  }
  return static_cast<int32_t>(std::min<int64_t>(x, INT32_MAX));
}

size_t TVelkEdit::PositionAt(TPoint p) {
  Layout();
  const TRect r = ScreenRect();
  const int32_t lh = std::max(font_.LabelAt(0) ? font_.LabelAt(0)->Height() : 0, 1);
  int32_t line = 0;
  if (multi_line_) {
    line = std::clamp(first_line_ + (p.Y - r.Top - kPadding) / lh, 0, text_.LineCount() - 1);
    if (p.Y < r.Top + kPadding) line = std::max(first_line_ - 1, 0);
  }
  const TLabelDIB* label = font_.LabelAt(line);
  const std::string& s = text_.Text();
  size_t i = text_.LineStart(line);
  const size_t end = text_.LineEnd(line);
  if (!label) return i;
  int64_t x = LineX(line);
  for (size_t k = 0; i < end && k < label->Advances().size(); i += CharLength(s, i), ++k) {
    const int32_t a = label->Advances()[k];
    if (p.X < x + a / 2) return i;
    x += a;
  }
  return i;
}

void TVelkEdit::ScrollToCaret() {
  Layout();
  const TRect r = ScreenRect();
  const int32_t line = text_.LineOf(text_.Caret());
  if (multi_line_) {
    const int32_t lh = std::max(font_.LabelAt(0) ? font_.LabelAt(0)->Height() : 0, 1);
    const int32_t rows = std::max((r.Height() - 2 * kPadding) / lh, 1);
    if (line < first_line_) first_line_ = line;
    if (line >= first_line_ + rows) first_line_ = line - rows + 1;
    return;
  }
  const int32_t x = XOf(line, text_.Caret());
  const int32_t room = std::max(r.Width() - 2 * kPadding - 1, 0);
  if (x - scroll_x_ > room) scroll_x_ = x - room;
  if (x < scroll_x_) scroll_x_ = x;
}

TRect TVelkEdit::CaretRect() {
  Layout();
  const TRect r = ScreenRect();
  const int32_t lh = font_.LabelAt(0) ? font_.LabelAt(0)->Height() : 0;
  const int32_t line = text_.LineOf(text_.Caret());
  const int32_t y = multi_line_ ? r.Top + kPadding + (line - first_line_) * lh : r.Top + (r.Height() - lh) / 2;
  return Bounds(LineX(line) + XOf(line, text_.Caret()), y, 1, lh);
}

// ---- input --------------------------------------------------------------------------------------------------------

void TVelkEdit::Changed(int32_t key) {
  layout_dirty_ = true;
  ScrollToCaret();
  Invalidate();
  QueueOwnEvent(PR_ONNOTIFY, {std::to_string(key), text_.Text()}, false);
}

void TVelkEdit::TextInput(const std::string& cp932) {
  // Typed text ends a composition.
  TextComposition({});
  if (PausedFlag || ReadOnly || cp932.empty()) return;
  if (text_.Insert(cp932)) Changed(LastCharCode(cp932));
}

void TVelkEdit::TextComposition(const std::string& cp932) {
  const std::string shown = PausedFlag || ReadOnly ? std::string() : cp932;
  if (shown == composition_) return;
  composition_ = shown;
  composing_.SetCount(composition_.empty() ? 0 : 1);
  if (!composition_.empty()) composing_.LabelAt(0)->SetCaption(composition_);
  Invalidate();
}

void TVelkEdit::MouseLeftDown() {
  TVelkControl::MouseLeftDown();
  const TVelkBase* base = Base();
  const TVelkBaseList* scene = Owner();
  if (!base || !scene || PausedFlag) return;
  text_.SetCaret(PositionAt({base->MouseX, base->MouseY}), scene->KeyIsDown(kKeyShift));
  Invalidate();
}

void TVelkEdit::MouseMove() {
  const TVelkBase* base = Base();
  // Dragging with the left button held selects.
  if (base && !PausedFlag && base->LeftHeld && (base->Capture & TVelkBase::kCaptureLeft)) {
    const size_t old = text_.Caret();
    text_.SetCaret(PositionAt({base->MouseX, base->MouseY}), true);
    if (text_.Caret() != old) {
      ScrollToCaret();
      Invalidate();
    }
  }
  TVelkControl::MouseMove();
}

void TVelkEdit::Copy() {
  if (!text_.HasSelection()) return;
  TVelkBaseList* scene = Owner();
  if (!scene) return;
  if (scene->Services.SetClipboard) {
    scene->Services.SetClipboard(text_.Selected());
  } else {
    scene->Services.LocalClipboard = text_.Selected();
  }
}

void TVelkEdit::Paste() {
  TVelkBaseList* scene = Owner();
  if (!scene) return;
  const std::string text =
      scene->Services.GetClipboard ? scene->Services.GetClipboard() : scene->Services.LocalClipboard;
  text_.Insert(text);
}

void TVelkEdit::KeyDown() { TVelkControl::KeyDown(); }

void TVelkEdit::KeyRepeat() {
  TVelkControl::KeyRepeat();
  TVelkBaseList* scene = Owner();
  if (!scene || PausedFlag) return;
  const bool shift = scene->KeyIsDown(kKeyShift), ctrl = scene->KeyIsDown(kKeyControl);
  const TObjectHandle self = Handle();
  // The codes are copied: a handler cannot run in between, but the list belongs to the scene.
  const std::vector<int32_t> codes = scene->KeysRepeated();
  for (const int32_t code : codes) {
    if (!scene->Resolve(self)) return;
    const bool writable = !ReadOnly;
    switch (code) {
      case kKeyLeft: text_.MoveLeft(shift); break;
      case kKeyRight: text_.MoveRight(shift); break;
      case kKeyHome: text_.Home(shift); break;
      case kKeyEnd: text_.End(shift); break;
      case kKeyUp:
        if (multi_line_) text_.MoveUp(shift);
        break;
      case kKeyDown:
        if (multi_line_) text_.MoveDown(shift);
        break;
      case kKeyBack:
        if (writable) text_.Backspace();
        break;
      case kKeyDelete:
        if (shift) Copy();
        if (writable) text_.Delete();
        break;
      case kKeyEnter:
        if (multi_line_ && writable) text_.Insert("\r\n");
        break;
      case kKeyInsert:
        if (ctrl) Copy();
        if (shift && writable) Paste();
        break;
      case kKeyA:
        if (ctrl) text_.SelectAll();
        break;
      case kKeyC:
        if (ctrl) Copy();
        break;
      case kKeyX:
        if (ctrl) Copy();
        if (ctrl && writable) text_.Insert({});
        break;
      case kKeyV:
        if (ctrl && writable) Paste();
        break;
      default: break;
    }
    Changed(code);
  }
}

// ---- drawing ------------------------------------------------------------------------------------------------------

void TVelkEdit::Draw() {
  TCustomDIBX* target = Surface();
  const TRect r = ScreenRect();
  const TRect clip = target ? Intersect(r, target->ClipBounds()) : TRect{};
  if (target && Visible && !PausedFlag && !clip.IsEmpty()) {
    Layout();
    font_.Target = target;
    target->FillRect(r, static_cast<uint32_t>(target->ColorToPixel(Color == -1 ? kWindowColor : Color)));
    const TRect saved = target->ClipRect;
    target->ClipRect = Intersect(clip, TRect{r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1});
    if (!target->ClipRect.IsEmpty()) {
      const int32_t lh = font_.LabelAt(0) ? font_.LabelAt(0)->Height() : 0;
      const int32_t n = text_.LineCount();
      const size_t s0 = text_.SelStart(), s1 = text_.SelEnd();
      for (int32_t line = multi_line_ ? first_line_ : 0; line < n; ++line) {
        const int32_t y = multi_line_ ? r.Top + kPadding + (line - first_line_) * lh : r.Top + (r.Height() - lh) / 2;
        if (y >= r.Bottom) break;
        const int32_t x = LineX(line);
        const size_t a = std::max(s0, text_.LineStart(line)), b = std::min(s1, text_.LineEnd(line));
        if (text_.HasSelection() && a < b) {
          const int32_t x1 = x + XOf(line, a), x2 = x + XOf(line, b);
          target->FillRect(TRect{x1, y, x2, y + lh}, static_cast<uint32_t>(target->ColorToPixel(kHighlightColor)));
        }
        if (TLabelDIB* label = font_.LabelAt(line)) label->DrawLabel(x, y);
        if (!multi_line_) break;
      }
      if (HasFocus()) DrawCaret(*target);
    }
    target->ClipRect = saved;
  }
  DrawChildren();
}

// The caret, or the text being composed at the caret: on the box's colour, underlined.
void TVelkEdit::DrawCaret(TCustomDIBX& target) {
  const TRect caret = CaretRect();
  const auto ink = static_cast<uint32_t>(target.ColorToPixel(font_.TextColor));
  TLabelDIB* label = composing_.LabelAt(0);
  if (!label) {
    target.FillRect(caret, ink);
    return;
  }
  composing_.FontName = font_.FontName;
  composing_.FontHeight = font_.FontHeight;
  composing_.Style = font_.Style;
  composing_.TextColor = font_.TextColor;
  composing_.Quality = font_.Quality;
  composing_.Target = &target;
  composing_.Measure();
  label->MarkDirty();
  const TRect r = Bounds(caret.Left, caret.Top, label->Width(), caret.Height());
  target.FillRect(r, static_cast<uint32_t>(target.ColorToPixel(Color == -1 ? kWindowColor : Color)));
  label->DrawLabel(r.Left, r.Top);
  target.FillRect(TRect{r.Left, r.Bottom - 1, r.Right, r.Bottom}, ink);
  target.FillRect(Bounds(r.Right, r.Top, 1, r.Height()), ink);
}

// ---- save record --------------------------------------------------------------------------------------------------

void TVelkEdit::SaveOwnFields(TStream& s) const {
  WriteByte(s, PausedFlag);
  WriteString(s, text_.Text());
  WriteString(s, font_.FontName);
  WriteInt(s, font_.FontHeight);
  WriteByte(s, font_.Style);
  WriteInt(s, font_.TextColor);
  WriteInt(s, Color);
  WriteByte(s, ReadOnly);
  if (multi_line_) WriteByte(s, HAlign);
  WriteString(s, OnNotify);
}

void TVelkEdit::LoadOwnFields(TStream& s, int32_t /*version*/) {
  PausedFlag = ReadByte(s) != 0;
  // The text is held to the box's bound, however long the stored one is.
  SetText(ReadString(s));
  font_.FontName = ReadString(s);
  font_.FontHeight = ReadInt(s);
  font_.Style = ReadByte(s) & 0x0F;
  font_.TextColor = ReadInt(s);
  Color = ReadInt(s);
  ReadOnly = ReadByte(s) != 0;
  if (multi_line_) HAlign = ReadByte(s);
  OnNotify = ReadString(s);
  layout_dirty_ = true;
}

}  // namespace velk
