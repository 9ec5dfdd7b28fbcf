// Feeds arbitrary bytes to the message markup tokenizer and composer, then lays the glyphs out and types the first
// page to its end. An A tag without HREF is an expected failure; crashes, hangs, sanitizer reports and oversized
// allocations are not.
#include <cstdint>
#include <string>

#include "base/error.h"
#include "text/font_pixel.h"
#include "text/word_composer.h"
#include "text/word_markup.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace velk;
  const std::string text(reinterpret_cast<const char*>(data), size);
  for (const TWordToken& token : TokenizeMarkup(text)) {
    if (token.Tag) ParseTag(token.Text);
  }
  static TFontPixelManager glyphs;
  TWordComposer composer(glyphs);
  composer.Settings.MaxWidth = 200;
  composer.Settings.PageHeight = 100;
  composer.Substitutions = {{"v", "x\x01y"}};
  try {
    composer.Compose(text);
  } catch (const EVelkError&) {
    return 0;
  }
  if (composer.PageCount() == 0) return 0;
  TWdPage& page = *composer.Page(0);
  page.ResetTyping();
  bool completed = false;
  std::string typed;
  for (int i = 0; i < 64 && !completed; ++i) page.Step(1000, completed, typed);
  return 0;
}
