#include "app/player_var_host.h"

#include <set>

#include "app/form_view.h"
#include "base/sjis.h"
#include "text/font_config.h"

namespace velk {

std::string InstalledFontNames(bool fixed_pitch_only) {
  std::set<std::string> names;
  FcConfig* config = FontConfig();
  if (config == nullptr) return {};
  FcPattern* pattern = FcPatternCreate();
  if (fixed_pitch_only) FcPatternAddInteger(pattern, FC_SPACING, FC_MONO);
  FcObjectSet* fields = FcObjectSetBuild(FC_FAMILY, nullptr);
  if (FcFontSet* fonts = FcFontList(config, pattern, fields)) {
    for (int i = 0; i < fonts->nfont; ++i) {
      FcChar8* family = nullptr;
      // A font may carry its family in several languages; the first one is its own name.
      if (FcPatternGetString(fonts->fonts[i], FC_FAMILY, 0, &family) == FcResultMatch && family != nullptr) {
        names.insert(Utf8ToCp932(reinterpret_cast<const char*>(family)));
      }
    }
    FcFontSetDestroy(fonts);
  }
  FcObjectSetDestroy(fields);
  FcPatternDestroy(pattern);
  std::string text;
  for (const std::string& name : names) text += name + "\r\n";
  return text;
}

std::string TPlayerVarHost::Fonts() { return InstalledFontNames(false); }

std::string TPlayerVarHost::FixedFonts() { return InstalledFontNames(true); }

bool TPlayerVarHost::FullScr() { return form_ != nullptr && form_->FullScreen(); }

void TPlayerVarHost::SetFullScr(bool b) {
  if (form_ != nullptr) form_->SetFullScreen(b);
}

int32_t TPlayerVarHost::DisplayModeCount() { return form_ != nullptr ? form_->DisplayModeCount() : 0; }

int32_t TPlayerVarHost::DisplayModeIndex() { return form_ != nullptr ? form_->ChosenMode() : kDesktopMode; }

void TPlayerVarHost::SetDisplayModeIndex(int32_t i) {
  if (form_ == nullptr || i < 0 || i >= form_->DisplayModeCount()) return;
  form_->SetChosenMode(i);
  form_->ReapplyDisplayMode();
}

void TPlayerVarHost::SetMouseX(int32_t x) {
  TCallVarHost::SetMouseX(x);
  if (form_ != nullptr) form_->SetCursorX(x);
}

void TPlayerVarHost::SetMouseY(int32_t y) {
  TCallVarHost::SetMouseY(y);
  if (form_ != nullptr) form_->SetCursorY(y);
}

}  // namespace velk
