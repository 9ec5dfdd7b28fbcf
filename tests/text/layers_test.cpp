// The layers of the player depend downwards only: no source file includes a header of a layer above its own.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <string>

namespace velk {
namespace {

// Rank of each folder; text, gfx and media share one rank and may use each other.
const std::map<std::string, int> kRanks = {{"base", 0}, {"vfs", 1},   {"expr", 2},  {"text", 3},
                                           {"gfx", 3},  {"media", 3}, {"scene", 4}, {"script", 5}};

TEST(Layers, NoSourceIncludesAHeaderOfAHigherLayer) {
  const std::filesystem::path src = std::filesystem::path(VELK_SOURCE_DIR) / "src";
  const std::regex include(R"(#include\s+"([a-z]+)/)");
  int checked = 0;
  for (const auto& [folder, rank] : kRanks) {
    for (const auto& entry : std::filesystem::directory_iterator(src / folder)) {
      std::ifstream in(entry.path());
      std::string line;
      while (std::getline(in, line)) {
        std::smatch m;
        if (!std::regex_search(line, m, include)) continue;
        const auto it = kRanks.find(m[1].str());
        const bool upward = m[1].str() == "app" || (it != kRanks.end() && it->second > rank);
        EXPECT_FALSE(upward) << entry.path().filename() << ": " << line;
        ++checked;
      }
    }
  }
  EXPECT_GT(checked, 100);
}

}  // namespace
}  // namespace velk
