// Opens arbitrary bytes as an archive (from a resource, and as an appended archive of an executable file) and reads
// every entry. Any exception of the player's hierarchy is a clean rejection; anything else is a finding.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "base/error.h"
#include "platform/platform.h"
#include "vfs/archive.h"

namespace {

class OneResource : public velk::IResources {
 public:
  std::shared_ptr<const std::vector<uint8_t>> bytes;
  std::shared_ptr<const std::vector<uint8_t>> Find(const std::string&, const std::string&,
                                                   const std::string&) override {
    return bytes;
  }
};

void read_all(velk::TVrFileCollection& c) {
  for (int32_t i = 0; i < c.Count(); ++i) {
    const std::string name = c.Item(i)->Name();
    try {
      velk::TMemoryStream m;
      c.ReadEntry(m, name);
      if (auto range = c.OpenRange(name)) {
        uint8_t buffer[256];
        while (range->Read(buffer, sizeof buffer) > 0) {
        }
      }
    } catch (const velk::EVelkError&) {
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  OneResource res;
  res.bytes = std::make_shared<const std::vector<uint8_t>>(data, data + size);
  try {
    velk::TVrFileCollection c;
    c.OpenResource(&res, "", "DUMMY", "BINTYPE");
    read_all(c);
  } catch (const velk::EVelkError&) {
  }

  // The same bytes appended to an executable, found through the trailer.
  static const std::string path = "/tmp/archive_fuzz_" + std::to_string(::getpid()) + ".exe";
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite("MZ", 1, 2, f);
    std::fwrite(data, 1, size, f);
    const uint8_t trailer[6] = {2, 0, 0, 0, 'v', 'k'};
    std::fwrite(trailer, 1, 6, f);
    std::fclose(f);
    try {
      velk::TVrFileCollection c;
      c.Open(path);
      read_all(c);
    } catch (const velk::EVelkError&) {
    }
  }
  return 0;
}
