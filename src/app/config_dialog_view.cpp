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
constexpr uint32_t kVkUp = 0x26, kVkDown = 0x28;
constexpr uint32_t kVkM = 0x4D, kVkS = 0x53;
constexpr int32_t kVolumeSteps = 100 / TFormConfig::kVolumeStep;
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

// The x of a tick of a track bar from min to max (both bars share their left and right).
int32_t tick_x(int32_t position, int32_t min = TFormConfig::kMinPosition, int32_t max = TFormConfig::kMaxPosition) {
  return kTrackLeft + (kTrackRight - kTrackLeft) * (position - min) / (max - min);
}

// The step of a track bar from 0 to steps under a client x.
int32_t step_at(int32_t x, int32_t steps) {
  int32_t span = kTrackRight - kTrackLeft;
  int32_t rel = std::clamp(x - kTrackLeft, 0, span);
  return (rel * steps + span / 2) / span;
}

void draw_check_box(TStripFont& font, TPixelBuffer& p, const TRect& area, bool checked, const char* caption) {
  TRect box = Bounds(area.Left, area.Top + 2, 13, 13);
  p.FillRect(box, kWhite);
  outline(p, box, kText);
  if (checked) p.FillRect(TRect{box.Left + 3, box.Top + 3, box.Right - 3, box.Bottom - 3}, kText);
  draw_caption(font, p, box.Right + 4, area.Top + 2, caption, kText, area);
}

// A track bar: channel, thumb at position, ticks below.
void draw_track_bar(TPixelBuffer& p, const TRect& bar, int32_t position, int32_t min, int32_t max, bool enabled) {
  const uint32_t colour = enabled ? kText : kDisabledText;
  int32_t mid = bar.Top + 10;
  p.FillRect(TRect{kTrackLeft, mid - 2, kTrackRight, mid + 2}, kWhite);
  outline(p, TRect{kTrackLeft, mid - 2, kTrackRight, mid + 2}, kEdge);
  for (int32_t t = min; t <= max; ++t) p.FillRect(Bounds(tick_x(t, min, max), bar.Top + 22, 1, 4), colour);
  TRect thumb = Bounds(tick_x(position, min, max) - 5, bar.Top + 2, 11, 17);
  p.FillRect(thumb, enabled ? 0xD8D8D8 : kFace);
  outline(p, thumb, colour);
}

}  // namespace

TConfigDialogView::TConfigDialogView(TFormConfig& form, IWindow& window, IMessageBoxes* boxes)
    : form_(form), window_(window), boxes_(boxes) {
  pixels_.Resize(kClientWidth, kClientHeight, kFace);
}

int32_t TConfigDialogView::PositionAt(int32_t x) {
  return TFormConfig::kMinPosition + step_at(x, TFormConfig::kMaxPosition - TFormConfig::kMinPosition);
}

int32_t TConfigDialogView::VolumeAt(int32_t x) { return step_at(x, kVolumeSteps) * TFormConfig::kVolumeStep; }

void TConfigDialogView::Paint() {
  pixels_.FillRect(pixels_.Bounds(), kFace);
  outline(pixels_, kFrame, kEdge);
  draw_check_box(font_, pixels_, kCheckBox, form_.DirectSound(), TFormConfig::kDirectSoundCaption);
  uint32_t delay_text = form_.DelayEnabled() ? kText : kDisabledText;
  draw_caption(font_, pixels_, kDelayLabel.Left, kDelayLabel.Top, TFormConfig::kDelayCaption, delay_text, kDelayLabel);
  std::string value = form_.ValueLabel();
  int32_t w = font_.TextWidth(value);
  font_.Draw(pixels_, kValueLabelRight - w, kDelayLabel.Top, value, delay_text, pixels_.Bounds());
  draw_track_bar(pixels_, kTrackBar, form_.Position(), TFormConfig::kMinPosition, TFormConfig::kMaxPosition,
                 form_.DelayEnabled());
  // The player's audio settings.
  outline(pixels_, kAudioFrame, kEdge);
  draw_check_box(font_, pixels_, kMuteBox, form_.MuteWhenInactive(), TFormConfig::kMuteCaption);
  draw_caption(font_, pixels_, kVolumeLabel.Left, kVolumeLabel.Top, TFormConfig::kVolumeCaption, kText, kVolumeLabel);
  std::string volume = form_.VolumeLabel();
  font_.Draw(pixels_, kValueLabelRight - font_.TextWidth(volume), kVolumeLabel.Top, volume, kText, pixels_.Bounds());
  draw_track_bar(pixels_, kVolumeBar, form_.Volume() / TFormConfig::kVolumeStep, 0, kVolumeSteps, true);
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
      if (kMuteBox.Contains(e.X, e.Y)) form_.ClickMuteWhenInactive();
      if (kVolumeBar.Contains(e.X, e.Y)) {
        dragging_volume_ = true;
        form_.SetVolume(VolumeAt(e.X));
      }
      break;
    case TInputKind::MouseMove:
      if (dragging_) form_.SetPosition(PositionAt(e.X));
      if (dragging_volume_) form_.SetVolume(VolumeAt(e.X));
      if (!dragging_ && !dragging_volume_) return;
      break;
    case TInputKind::MouseUp:
      dragging_ = false;
      dragging_volume_ = false;
      if (kOkButton.Contains(e.X, e.Y)) ok();
      if (kCancelButton.Contains(e.X, e.Y)) form_.Cancel();
      break;
    case TInputKind::KeyDown:
      if (e.Key == kVkReturn) ok();
      if (e.Key == kVkEscape) form_.Cancel();
      if (e.Key == kVkSpace || (e.Alt && e.Key == kVkS)) form_.ClickDirectSound();
      if (form_.DelayEnabled() && e.Key == kVkLeft) form_.SetPosition(form_.Position() - 1);
      if (form_.DelayEnabled() && e.Key == kVkRight) form_.SetPosition(form_.Position() + 1);
      if (e.Alt && e.Key == kVkM) form_.ClickMuteWhenInactive();
      if (e.Key == kVkUp) form_.SetVolume(form_.Volume() + TFormConfig::kVolumeStep);
      if (e.Key == kVkDown) form_.SetVolume(form_.Volume() - TFormConfig::kVolumeStep);
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
