// Feeds arbitrary bytes to the composed-text reader and lays out what it reads, as the text-insert command does,
// then writes the page state and reads it back. Format errors are expected; crashes, hangs, sanitizer reports and
// oversized allocations are not.
#include <cstdint>
#include <vector>

#include "base/error.h"
#include "text/composed_text.h"
#include "text/font_pixel.h"
#include "text/word_composer.h"
#include "vfs/stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace velk;
  TMemoryStream input(std::vector<uint8_t>(data, data + size));
  TComposedText composed;
  try {
    composed.LoadFromStream(input);
  } catch (const EVelkError&) {
    return 0;
  }
  static TFontPixelManager glyphs;
  TWordComposer composer(glyphs);
  composer.Settings.MaxWidth = 300;
  composer.Settings.PageHeight = 120;
  composer.AddComposedText(composed);
  composer.ExpandVars(true);
  composer.Layout();
  for (int32_t p = 0; p < composer.PageCount(); ++p) {
    TWdPage& page = *composer.Page(p);
    page.ResetTyping();
    bool completed = false;
    std::string typed;
    for (int i = 0; i < 8; ++i) page.Step(1000, completed, typed);
    TMemoryStream state;
    page.SaveState(state);
    state.SetPosition(0);
    page.LoadState(state);
  }
  return 0;
}
