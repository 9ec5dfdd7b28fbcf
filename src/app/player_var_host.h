#pragma once
// The system variables that read the player itself: the game clock and frame count, the project's title, the
// display (full screen, display modes, the system cursor) and the installed fonts. Writing "@FullScr",
// "@DisplayModeIndex", "@MouseX" or "@MouseY" switches the display or moves the cursor through the main window.
#include <cstdint>
#include <string>

#include "base/process_values.h"
#include "script/call_var_host.h"

namespace velk {

class TFormView;

class TPlayerVarHost : public TCallVarHost {
 public:
  TPlayerVarHost(TVelkBaseList& scene, const TProcessValues& values) : TCallVarHost(scene), values_(values) {}

  // The main window, while it exists (null: the display variables answer as a window that never switches).
  void SetForm(TFormView* form) { form_ = form; }
  // The project's title (code page 932), set when the project has been read.
  void SetTitle(const std::string& title) { title_ = title; }

  int32_t TickCount() override { return values_.GameClock; }
  int32_t UpdateCount() override { return values_.FrameCount; }
  std::string Title() override { return title_; }
  std::string Fonts() override;
  std::string FixedFonts() override;
  bool FullScr() override;
  void SetFullScr(bool b) override;
  int32_t DisplayModeCount() override;
  int32_t DisplayModeIndex() override;
  void SetDisplayModeIndex(int32_t i) override;
  void SetMouseX(int32_t x) override;
  void SetMouseY(int32_t y) override;

 private:
  const TProcessValues& values_;
  TFormView* form_ = nullptr;
  std::string title_;
};

// The font families fontconfig knows (all of them, or only the fixed-pitch ones), sorted, each followed by CR LF,
// in code page 932.
std::string InstalledFontNames(bool fixed_pitch_only);

}  // namespace velk
