#pragma once
// A gauge: a bar that shows a value between PR_MIN and PR_MAX, measured from the minimum. When the value falls the
// bar drops at once and a trailing bar shows the lost part, held for PR_DURATION ms and then shrinking over
// PR_DELAY ms for the whole range; when it rises the bar grows at the same pace.
#include <cstdint>
#include <string>

#include "scene/frame_picture.h"
#include "scene/velk_control.h"

namespace velk {

class TVelkGauge : public TVelkControl {
 public:
  // The motion states.
  static constexpr int32_t kRest = 0, kFalling = 100, kRising = 200;

  explicit TVelkGauge(TVelkBaseList* owner);
  ~TVelkGauge() override;

  uint8_t ComponentType() const override { return VT_GAUGE; }
  bool GetProp(int32_t id, TPropValue& value) const override;
  bool SetProp(int32_t id, const TPropValue& value) override;
  bool Paused() const override { return PausedFlag; }

  int32_t Min = 0, Max = 0;
  int32_t Alpha = 255;
  bool PausedFlag = false;
  uint8_t Orientation = 0;  // 0 horizontal, 1 vertical
  int32_t Delay = 0;
  int32_t Duration = 0;
  bool Reverse = false;
  std::string OnIdle;
  int32_t BarSize = 0;

  const std::string& Source() const { return picture_.Source(); }
  void SetSource(const std::string& name);
  void SetBarSize(int32_t v);
  // A change of orientation sizes the gauge again, as a new picture does.
  void SetOrientation(int32_t v);
  void SetMin(int32_t v);
  void SetMax(int32_t v);
  void SetAlpha(int32_t v) { SetVisualInt(Alpha, v); }
  void SetReverse(bool v) { SetVisualBool(Reverse, v); }
  bool Vertical() const { return Orientation != 0; }

  // PR_VALUE reads back clamped to the range; a new value starts the fall or the rise.
  int32_t Value() const;
  void SetValue(int32_t v);
  // The shown value S, the trailing amount D and the motion state.
  int32_t Shown() const { return shown_; }
  int32_t Trailing() const { return trailing_; }
  int32_t MotionState() const { return state_; }
  // The bar and trailing lengths in pixels, within the gauge's length.
  int32_t BarLength() const;
  int32_t TrailLength() const;

  bool Update() override;
  void Draw() override;

 protected:
  void SaveOwnFields(TStream& s) const override;
  void LoadOwnFields(TStream& s, int32_t version) override;

 private:
  void AutoSize();
  void EndMotion();
  // Keeps S and D inside the range after a change of PR_MIN or PR_MAX.
  void KeepInRange();
  void SetShown(int32_t s, int32_t d);

  TFramePicture picture_;
  int32_t value_ = 0;
  int32_t shown_ = 0, trailing_ = 0;
  int32_t state_ = kRest;
  int32_t hold_ms_ = 0;
  // The trailing amount while falling, the shown position while rising.
  double amount_ = 0;
};

}  // namespace velk
