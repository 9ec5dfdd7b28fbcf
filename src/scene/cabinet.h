#pragma once
// An invisible container that freezes what is put in it: controls inside are not updated, queue no events and take
// no idle events. The script's cabinet commands keep components aside in it.
#include "scene/velk_control.h"

namespace velk {

class TVelkCabinet : public TVelkControl {
 public:
  explicit TVelkCabinet(TVelkBaseList* owner) : TVelkControl(owner) { Visible = false; }

  uint8_t ComponentType() const override { return VT_CABINET; }
  // Never visible, never drawn.
  void SetVisible(bool) override {}
  void Draw() override {}
  void LoadFromStream(TStream& s, int32_t version, int32_t depth = 0) override {
    TVelkControl::LoadFromStream(s, version, depth);
    Visible = false;
  }
};

}  // namespace velk
