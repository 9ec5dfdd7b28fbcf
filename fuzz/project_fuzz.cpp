// Feeds arbitrary bytes to the project file reader. A file that reads must write back to bytes that read to the same
// settings and write the same bytes again. Format errors are expected; crashes, sanitizer reports, oversized
// allocations and mismatches are not.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "base/error.h"
#include "script/project_setting.h"
#include "vfs/stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace velk;
  TMemoryStream input(std::vector<uint8_t>(data, data + size));
  TProjectSetting setting;
  try {
    setting.LoadFromStream(input);
  } catch (const EVelkError&) {
    return 0;
  }
  TMemoryStream first;
  setting.SaveToStream(first);
  first.SetPosition(0);
  TProjectSetting again;
  again.LoadFromStream(first);
  TMemoryStream second;
  again.SaveToStream(second);
  if (first.Bytes() != second.Bytes()) std::abort();
  return 0;
}
