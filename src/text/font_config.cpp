#include "text/font_config.h"

namespace velk {

FcConfig* FontConfig() {
  static FcConfig* const config = FcInitLoadConfigAndFonts();
  return config;
}

const std::string& JapaneseFontFile() {
  static const std::string file = [] {
    std::string path;
    FcConfig* config = FontConfig();
    if (config == nullptr) return path;
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif:lang=ja"));
    if (pattern == nullptr) return path;
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    if (FcPattern* match = FcFontMatch(config, pattern, &result)) {
      FcChar8* file_name = nullptr;
      if (FcPatternGetString(match, FC_FILE, 0, &file_name) == FcResultMatch && file_name != nullptr) {
        path = reinterpret_cast<const char*>(file_name);
      }
      FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return path;
  }();
  return file;
}

}  // namespace velk
