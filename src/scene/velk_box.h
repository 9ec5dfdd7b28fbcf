#pragma once
// A filled rectangle with an optional frame, drawn with an opacity code: 1 .. 254 blended, 255 opaque,
// 256 .. 511 additive with the colour scaled by (code - 256) / 256.
#include <array>
#include <memory>
#include <string>

#include "scene/velk_control.h"
#include "scene/velk_motion.h"

namespace velk {

class TVelkBox : public TVelkControl {
 public:
  explicit TVelkBox(TVelkBaseList* owner) : TVelkControl(owner) {}
  ~TVelkBox() override;

  uint8_t ComponentType() const override { return VT_BOX; }
  bool GetProp(int32_t id, TPropValue& value) const override;
  bool SetProp(int32_t id, const TPropValue& value) override;
  bool Paused() const override { return PausedFlag; }
  void Draw() override;
  // Steps a motion (ending the box with PR_AUTOSCRAP at its end) and leaves a fading afterimage every BlurSpan
  // milliseconds while the box moves or changes size.
  bool Update() override;
  bool MotionAttached() const override { return motion_ != nullptr; }
  TVelkMotion* Motion() const { return motion_.get(); }
  // A motion file (".kmt") animates the box; other names only are remembered.
  void SetSource(const std::string& name);
  // Setting it on a finished motion starts the motion again.
  void SetRepeat(bool v);

  int32_t BorderWidth = 0;
  int32_t BorderColor = -1;
  int32_t Alpha = 255;
  std::string Source;
  bool Repeat = false;
  bool AutoScrap = false;
  std::string OnPlayEnd;
  bool PausedFlag = false;
  std::string OnIdle;
  int32_t BlurSpan = 0;
  int32_t BlurDelay = 0;

 protected:
  void SaveOwnFields(TStream& s) const override;
  void LoadOwnFields(TStream& s, int32_t version) override;

 private:
  // The end of a motion run: true with PR_AUTOSCRAP, else PR_ONPLAYEND once per run.
  bool MotionEnded();
  void UpdateAfterimage();

  std::unique_ptr<TVelkMotion> motion_;
  bool end_reported_ = false;
  int32_t blur_timer_ = 0;
  std::array<int32_t, 5> blur_last_{};  // Left, Top, Width, Height, BorderWidth at the last afterimage
};

// The afterimage of a box: it fades from its start opacity to nothing in Delay milliseconds and then ends.
class TVelkBlurBox : public TVelkBox {
 public:
  explicit TVelkBlurBox(TVelkBaseList* owner) : TVelkBox(owner) {}
  bool GetProp(int32_t id, TPropValue& value) const override;
  bool SetProp(int32_t id, const TPropValue& value) override;
  bool Update() override;

  int32_t Delay = 0;
  int32_t StartAlpha = 0;
  int32_t Age = 0;
};

}  // namespace velk
