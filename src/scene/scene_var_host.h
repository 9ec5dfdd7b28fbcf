#pragma once
// The system variables that read the scene: mouse buttons, wheel, cursor position and keys of the active base,
// the sound switch, the dither mode, the screen size and the focused component. The rest falls back to TVarHost; a host
// of a later layer derives from this one.
#include "expr/var_host.h"

namespace velk {

class TVelkBaseList;

class TSceneVarHost : public TVarHost {
 public:
  explicit TSceneVarHost(TVelkBaseList& scene) : scene_(scene) {}

  bool LClick() override;
  void SetLClick(bool b) override;
  bool RClick() override;
  void SetRClick(bool b) override;
  // Held and not captured by a component.
  bool LPush() override;
  bool RPush() override;
  bool WheelDown() override;
  bool WheelUp() override;
  int32_t MouseX() override;
  int32_t MouseY() override;
  // Moves the scene's cursor position (the window moves the system cursor).
  void SetMouseX(int32_t x) override;
  void SetMouseY(int32_t y) override;
  bool KeyPush(int32_t key) override;
  bool KeyClick(int32_t key) override;
  bool KeyRepeat(int32_t key) override;
  int32_t ScrWidth() override;
  int32_t ScrHeight() override;
  bool SoundON() override;
  void SetSoundON(bool b) override;
  // The image cache's dither mode: a change decodes the cached pictures again and redraws both bases.
  bool CGDither() override;
  void SetCGDither(bool b) override;
  std::string ActiveCompo() override;
  // The default format's history: its entries and its capacity (without a history, the base's own value).
  int32_t HistoryCount() override;
  int32_t HistoryMaxCount() override;
  void SetHistoryMaxCount(int32_t n) override;
  // Focuses the named control when it exists, takes the keyboard and is visible and not paused.
  void SetActiveCompo(const std::string& name) override;

 private:
  TVelkBaseList& scene_;
};

}  // namespace velk
