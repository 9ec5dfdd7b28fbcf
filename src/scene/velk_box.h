#pragma once
// A filled rectangle with an optional frame, drawn with an opacity code: 1 .. 254 blended, 255 opaque,
// 256 .. 511 additive with the colour scaled by (code - 256) / 256.
#include <string>

#include "scene/velk_control.h"

namespace velk {

class TVelkBox : public TVelkControl {
 public:
  explicit TVelkBox(TVelkBaseList* owner) : TVelkControl(owner) {}

  uint8_t ComponentType() const override { return VT_BOX; }
  bool GetProp(int32_t id, TPropValue& value) const override;
  bool SetProp(int32_t id, const TPropValue& value) override;
  bool Paused() const override { return PausedFlag; }
  void Draw() override;

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
};

}  // namespace velk
