#include "app/config_dialog_view.h"

#include <algorithm>

#include "base/sjis.h"
#include "platform/stop_request.h"

namespace velk {

namespace {

constexpr uint32_t kFace = 0xF0F0F0;
constexpr uint32_t kText = 0x000000;
constexpr uint32_t kDisabledText = 0xA0A0A0;
constexpr uint32_t kEdge = 0xA0A0A0;
constexpr uint32_t kWhite = 0xFFFFFF;
// Virtual-key codes the dialog answers.
constexpr uint32_t kVkReturn = 0x0D, kVkEscape = 0x1B, kVkSpace = 0x20, kVkLeft = 0x25, kVkRight = 0x27;
constexpr uint32_t kVkS = 0x53;
// The track bar's channel runs between these client x positions.
constexpr int32_t kTrackLeft = TConfigDialogView::kTrackBar.Left + 12;
constexpr int32_t kTrackRight = TConfigDialogView::kTrackBar.Right - 12;

void outline(TPixelBuffer& p, const TRect& r, uint32_t colour) {
  p.FillRect(TRect{r.Left, r.Top, r.Right, r.Top + 1}, colour);
  p.FillRect(TRect{r.Left, r.Bottom - 1, r.Right, r.Bottom}, colour);
  p.FillRect(TRect{r.Left, r.Top, r.Left + 1, r.Bottom}, colour);
  p.FillRect(TRect{r.Right - 1, r.Top, r.Right, r.Bottom}, colour);
}

// Draws a caption with its "&" accelerator letter underlined.
void draw_caption(TStripFont& font, TPixelBuffer& p, int32_t x, int32_t y, const std::string& caption, uint32_t colour,
                  const TRect& clip) {
  size_t amp = caption.find('&');
  if (amp == std::string::npos || amp + 1 >= caption.size()) {
    font.Draw(p, x, y, caption, colour, clip);
    return;
  }
  std::string before = caption.substr(0, amp);
  std::string letter = caption.substr(amp + 1, 1);
  int32_t at = x + font.Draw(p, x, y, before, colour, clip);
  int32_t w = font.Draw(p, at, y, letter, colour, clip);
  p.FillRect(Intersect(TRect{at, y + font.PixelSize(), at + w, y + font.PixelSize() + 1}, clip), colour);
  font.Draw(p, at + w, y, caption.substr(amp + 2), colour, clip);
}

int32_t tick_x(int32_t position) {
  return kTrackLeft + (kTrackRight - kTrackLeft) * (position - TFormConfig::kMinPosition) /
                          (TFormConfig::kMaxPosition - TFormConfig::kMinPosition);
}

}  // namespace

TConfigDialogView::TConfigDialogView(TFormConfig& form, IWindow& window, IMessageBoxes* boxes)
    : form_(form), window_(window), boxes_(boxes) {
  pixels_.Resize(kClientWidth, kClientHeight, kFace);
}

int32_t TConfigDialogView::PositionAt(int32_t x) {
  int32_t span = kTrackRight - kTrackLeft;
  int32_t steps = TFormConfig::kMaxPosition - TFormConfig::kMinPosition;
  int32_t rel = std::clamp(x - kTrackLeft, 0, span);
  return TFormConfig::kMinPosition + (rel * steps + span / 2) / span;
}

void TConfigDialogView::Paint() {
  pixels_.FillRect(pixels_.Bounds(), kFace);
  outline(pixels_, kFrame, kEdge);
  // Check box.
  TRect box = Bounds(kCheckBox.Left, kCheckBox.Top + 2, 13, 13);
  pixels_.FillRect(box, kWhite);
  outline(pixels_, box, kText);
  if (form_.DirectSound()) pixels_.FillRect(TRect{box.Left + 3, box.Top + 3, box.Right - 3, box.Bottom - 3}, kText);
  draw_caption(font_, pixels_, box.Right + 4, kCheckBox.Top + 2, TFormConfig::kDirectSoundCaption, kText, kCheckBox);
  uint32_t delay_text = form_.DelayEnabled() ? kText : kDisabledText;
  draw_caption(font_, pixels_, kDelayLabel.Left, kDelayLabel.Top, TFormConfig::kDelayCaption, delay_text, kDelayLabel);
  std::string value = form_.ValueLabel();
  int32_t w = font_.TextWidth(value);
  font_.Draw(pixels_, kValueLabelRight - w, kDelayLabel.Top, value, delay_text, pixels_.Bounds());
  // Track bar: channel, thumb, ticks below.
  int32_t mid = kTrackBar.Top + 10;
  pixels_.FillRect(TRect{kTrackLeft, mid - 2, kTrackRight, mid + 2}, kWhite);
  outline(pixels_, TRect{kTrackLeft, mid - 2, kTrackRight, mid + 2}, kEdge);
  for (int32_t p = TFormConfig::kMinPosition; p <= TFormConfig::kMaxPosition; ++p) {
    pixels_.FillRect(Bounds(tick_x(p), kTrackBar.Top + 22, 1, 4), delay_text);
  }
  TRect thumb = Bounds(tick_x(form_.Position()) - 5, kTrackBar.Top + 2, 11, 17);
  pixels_.FillRect(thumb, form_.DelayEnabled() ? 0xD8D8D8 : kFace);
  outline(pixels_, thumb, delay_text);
  // Buttons; OK is the default button (a darker edge).
  for (const auto& [rect, caption, is_default] : {std::tuple{kOkButton, TFormConfig::kOkCaption, true},
                                                  std::tuple{kCancelButton, TFormConfig::kCancelCaption, false}}) {
    pixels_.FillRect(rect, 0xE1E1E1);
    outline(pixels_, rect, is_default ? 0x0078D7 : kEdge);
    int32_t tw = font_.TextWidth(caption);
    font_.Draw(pixels_, rect.Left + (rect.Width() - tw) / 2, rect.Top + (rect.Height() - font_.PixelSize()) / 2,
               caption, kText, rect);
  }
  window_.Present(pixels_.View(), {pixels_.Bounds()});
}

void TConfigDialogView::HandleEvent(const TInputEvent& e) {
  switch (e.Kind) {
    case TInputKind::MouseDown:
      if (e.Button != TMouseButton::Left) return;
      if (kCheckBox.Contains(e.X, e.Y)) form_.ClickDirectSound();
      if (form_.DelayEnabled() && kTrackBar.Contains(e.X, e.Y)) {
        dragging_ = true;
        form_.SetPosition(PositionAt(e.X));
      }
      break;
    case TInputKind::MouseMove:
      if (!dragging_) return;
      form_.SetPosition(PositionAt(e.X));
      break;
    case TInputKind::MouseUp:
      dragging_ = false;
      if (kOkButton.Contains(e.X, e.Y)) ok();
      if (kCancelButton.Contains(e.X, e.Y)) form_.Cancel();
      break;
    case TInputKind::KeyDown:
      if (e.Key == kVkReturn) ok();
      if (e.Key == kVkEscape) form_.Cancel();
      if (e.Key == kVkSpace || (e.Alt && e.Key == kVkS)) form_.ClickDirectSound();
      if (form_.DelayEnabled() && e.Key == kVkLeft) form_.SetPosition(form_.Position() - 1);
      if (form_.DelayEnabled() && e.Key == kVkRight) form_.SetPosition(form_.Position() + 1);
      break;
    case TInputKind::Close: form_.Cancel(); break;
    default: return;
  }
  if (form_.Running()) Paint();
}

void TConfigDialogView::ok() {
  if (form_.Ok() || boxes_ == nullptr) return;
  try {
    boxes_->Show(Utf8ToCp932(form_.IniPath() + "\r\n設定を保存できません"), Utf8ToCp932(TFormConfig::kCaption),
                 MB_OK | MB_ICONWARNING);
  } catch (const EBoxAbandoned&) {
    // Stopped while showing it: the dialog is closing anyway.
  }
}

void TConfigDialogView::Run(bool end_when_idle) {
  window_.Create(TFormConfig::kCaption, kClientWidth, kClientHeight);
  TRect work = window_.WorkArea();
  TPoint outer = window_.OuterSize();
  window_.SetPosition(work.Left + (work.Width() - outer.X) / 2, work.Top + (work.Height() - outer.Y) / 2);
  Paint();
  TInputEvent event;
  while (form_.Running() && !StopRequested()) {
    if (window_.WaitEvent(event, 100)) {
      HandleEvent(event);
    } else if (end_when_idle) {
      form_.Cancel();
    }
  }
}

}  // namespace velk
