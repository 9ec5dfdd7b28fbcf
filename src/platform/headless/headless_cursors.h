#pragma once
// The mouse cursor without a screen: every change is recorded, so that tests and headless runs can see which
// cursor the game showed.
#include "platform/platform.h"

namespace velk {

class THeadlessCursors : public ICursors {
 public:
  void ShowCustom(const TCursorImage& image) override {
    Custom = image;
    ShowsCustom = !image.Empty();
    ++CustomLoads;
  }
  void ShowDefault() override {
    ShowsCustom = false;
    ++DefaultShows;
  }

  // The picture last loaded into the custom slot; whether it is shown now; how often each call came.
  TCursorImage Custom;
  bool ShowsCustom = false;
  int32_t CustomLoads = 0;
  int32_t DefaultShows = 0;
};

}  // namespace velk
