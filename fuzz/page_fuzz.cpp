// Feeds arbitrary bytes to the page file reader, and the composed-text reader to the message text of every text
// command it finds. A page that reads must write back to bytes that read again and write the same bytes. Format
// errors are expected; crashes, sanitizer reports, oversized allocations and mismatches are not.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "base/error.h"
#include "script/component_commands.h"
#include "script/page.h"
#include "text/composed_text.h"
#include "vfs/stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace velk;
  TMemoryStream input(std::vector<uint8_t>(data, data + size));
  TPage page;
  try {
    if (page.LoadFromStream(input) != TPage::TParse::Loaded) return 0;
  } catch (const EVelkError&) {
    return 0;
  }
  for (int32_t i = 0; i < page.Commands.Count(); ++i) {
    auto* text = dynamic_cast<TComTextIns*>(page.Commands.Item(i));
    if (text == nullptr) continue;
    TMemoryStream bytes(std::vector<uint8_t>(text->Text.begin(), text->Text.end()));
    TComposedText composed;
    try {
      composed.LoadFromStream(bytes);
    } catch (const EVelkError&) {
    }
  }
  TMemoryStream first;
  page.SaveToStream(first);
  first.SetPosition(0);
  TPage again;
  again.LoadFromStream(first);
  TMemoryStream second;
  again.SaveToStream(second);
  if (first.Bytes() != second.Bytes()) std::abort();
  return 0;
}
