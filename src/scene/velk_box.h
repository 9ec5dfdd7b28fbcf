#pragma once
// A filled rectangle with an optional frame, drawn with an opacity code: 1 .. 254 blended, 255 opaque,
// 256 .. 511 additive with the colour scaled by (code - 256) / 256.
#include <string>

#include "scene/afterimage.h"
#include "scene/velk_control.h"

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
  bool Repeats() const override { return Repeat; }
  bool AutoScraps() const override { return AutoScrap; }
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
  void UpdateAfterimage();

  TAfterimageClock blur_clock_;
};

// The afterimage of a box: it fades from its start opacity to nothing in Delay milliseconds and then ends.
class TVelkBlurBox : public TVelkBox {
 public:
  explicit TVelkBlurBox(TVelkBaseList* owner) : TVelkBox(owner) {}
  bool IsAfterimage() const override { return true; }
  bool GetProp(int32_t id, TPropValue& value) const override;
  bool SetProp(int32_t id, const TPropValue& value) override;
  bool Update() override;

  // Starts at half the source's opacity; PR_DELAY is the fade time.
  TAfterimageFade Fade;
};

}  // namespace velk
