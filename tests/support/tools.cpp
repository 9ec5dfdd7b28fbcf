#include "support/tools.h"

#include <limits.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace velk::test {

namespace fs = std::filesystem;

std::string ToolPath(const char* tool) {
  char self[PATH_MAX] = {};
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return {};
  return (fs::path(std::string(self, static_cast<size_t>(n))).parent_path().parent_path() / tool).string();
}

TToolRun RunTool(const std::string& tool, const std::string& args, const std::string& dir) {
  TToolRun run;
  if (!fs::exists(tool)) {
    run.Output = "build the tool first: " + tool;
    return run;
  }
  const std::string log = (fs::path(dir) / "tool.log").string();
  const int status = std::system(("'" + tool + "' " + args + " > '" + log + "' 2>&1").c_str());
  run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.Output = fs::exists(log) ? ReadFile(log) : std::string();
  return run;
}

void BuildAndPlayHeadless(const TempDir& dir, const std::string& player_args) {
  const TToolRun build = RunTool(
      ToolPath("velk-build"), "'" + (dir / "game.vkp") + "' --archive '" + (dir / "game/game.dat") + "'", dir.Path());
  EXPECT_EQ(build.Status, 0) << build.Output;
  const TToolRun run = RunTool(ToolPath("velkplayer"),
                               "--headless --clock virtual " + player_args + " '" + (dir / "game") + "'", dir.Path());
  EXPECT_EQ(run.Status, 0) << run.Output;
}

std::string DumpWithout(std::string vars, const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    const size_t at = vars.find("\n" + name + "\t");
    if (at == std::string::npos) continue;
    vars.erase(at + 1, vars.find('\n', at + 1) - at);
  }
  return vars;
}

}  // namespace velk::test
