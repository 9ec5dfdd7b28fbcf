#pragma once
// The interpreter's host for tests: pages come from a folder the builder wrote; reads, closes and resets are
// counted and trace lines kept.
#include <filesystem>
#include <string>
#include <vector>

#include "script/call_host.h"
#include "support/temp_dir.h"
#include "vfs/stream.h"

namespace velk::test {

class TFolderHost : public ICallHost {
 public:
  std::string Root;
  int32_t Reads = 0;
  int32_t Closes = 0;
  int32_t Resets = 0;
  bool TraceOn = false;
  std::vector<std::string> Lines;

  std::string path(std::string name) const {
    for (char& c : name)
      if (c == '\\') c = '/';
    return Root + name;
  }
  void ReadPageFile(TStream& target, const std::string& name) override {
    ++Reads;
    const std::string bytes = ReadFile(path(name));
    target.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
    target.SetPosition(0);
  }
  void PageTooOld(const std::string&) override {}
  bool PageExists(const std::string& name) override { return std::filesystem::is_regular_file(path(name)); }
  void CloseMainWindow() override { ++Closes; }
  void ResetGameData() override { ++Resets; }
  bool Tracing() const override { return TraceOn; }
  void Trace(const std::string& line) override { Lines.push_back(line); }
};

}  // namespace velk::test
