#pragma once
// The configuration dialog in a window: a frame with the DirectSound check box, the delay label, track bar and value
// label; below it a frame with the player's audio settings (the mute check box, the volume label, track bar and value
// label); and the OK and Cancel buttons, at the dialog's own positions. Mouse and keyboard drive the TFormConfig.
#include "app/form_config.h"
#include "app/pixel_buffer.h"
#include "app/strip_font.h"
#include "platform/platform.h"
#include "platform/window.h"

namespace velk {

class TConfigDialogView {
 public:
  static constexpr int32_t kClientWidth = 270;
  static constexpr int32_t kClientHeight = 291;
  static constexpr TRect kFrame{8, 8, 8 + 253, 8 + 113};
  static constexpr TRect kCheckBox{28, 24, 28 + 200, 24 + 17};
  static constexpr TRect kDelayLabel{28, 56, 28 + 145, 56 + 16};
  static constexpr int32_t kValueLabelRight = 173 + 76;  // the value label is right-aligned, starting at 173
  static constexpr TRect kTrackBar{28, 72, 28 + 221, 72 + 32};
  static constexpr TRect kAudioFrame{8, 129, 8 + 253, 129 + 104};
  static constexpr TRect kMuteBox{28, 145, 28 + 200, 145 + 17};
  static constexpr TRect kVolumeLabel{28, 177, 28 + 145, 177 + 16};
  static constexpr TRect kVolumeBar{28, 193, 28 + 221, 193 + 32};
  static constexpr TRect kOkButton{100, 252, 100 + 75, 252 + 25};
  static constexpr TRect kCancelButton{180, 252, 180 + 75, 252 + 25};

  // boxes (may be null) reports a failed save.
  TConfigDialogView(TFormConfig& form, IWindow& window, IMessageBoxes* boxes = nullptr);

  // Shows the dialog and handles events until it closes or the player is stopped. end_when_idle: a window whose
  // events are all queued beforehand (headless runs) closes the dialog as cancelled once they are used up.
  void Run(bool end_when_idle = false);
  // One event (Run's loop; tests call it directly).
  void HandleEvent(const TInputEvent& event);
  void Paint();
  // OK: saves; a file that cannot be written is reported in the dialog's own box.
  void ok();
  const TPixelBuffer& Pixels() const { return pixels_; }
  // The track-bar position under a client x.
  static int32_t PositionAt(int32_t x);
  // The volume (percent, in steps) under a client x of the volume track bar.
  static int32_t VolumeAt(int32_t x);

 private:
  TFormConfig& form_;
  IWindow& window_;
  IMessageBoxes* boxes_;
  TStripFont font_;
  TPixelBuffer pixels_;
  bool dragging_ = false;
  bool dragging_volume_ = false;
};

}  // namespace velk
