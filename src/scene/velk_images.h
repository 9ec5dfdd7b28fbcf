#pragma once
// The script's image control: a picture with frames or a motion, which can repeat, end itself at the end of its
// run, or report the end once per run.
#include <string>

#include "scene/custom_images.h"

namespace velk {

class TVelkImages : public TVelkCustomImages {
 public:
  explicit TVelkImages(TVelkBaseList* owner, int32_t states = 1) : TVelkCustomImages(owner, states) {}

  uint8_t ComponentType() const override { return VT_IMAGES; }
  bool GetProp(int32_t id, TPropValue& value) const override;
  bool SetProp(int32_t id, const TPropValue& value) override;
  bool Repeats() const override { return Repeat; }
  bool CoversOpaquely(const TRect& area) const override { return PictureCoversOpaquely(area); }
  bool AutoScraps() const override { return AutoScrap; }
  // The creating command's PR_DELAY expression becomes the wait added to the last frame.
  void TakeCreationExpressions(const TCreationExpressions& e) override {
    if (e.Delay != nullptr) LastFrameWait.Assign(*e.Delay);
  }

  bool Repeat = false;
  bool AutoScrap = false;
  std::string OnPlayEnd;
  std::string OnIdle;

 protected:
  void SaveOwnFields(TStream& s) const override;
  void LoadOwnFields(TStream& s, int32_t version) override;
};

}  // namespace velk
