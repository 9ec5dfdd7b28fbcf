#pragma once
// Running the project's command-line tools (velk-build, velkplayer, ...) from tests.
#include <string>
#include <vector>

namespace velk::test {

// The tool beside the test programs' folder: the tests live in <build>/tests, the tools in <build>.
std::string ToolPath(const char* tool);

struct TToolRun {
  int Status = -1;
  std::string Output;  // stdout and stderr together
};

// Runs the tool with the arguments (already quoted for the shell); the output goes through a log in dir.
TToolRun RunTool(const std::string& tool, const std::string& args, const std::string& dir);

class TempDir;
// Builds the game source game.vkp of dir into game/game.dat with velk-build, then plays that folder headless on the
// virtual clock with the player's further arguments (frames, input, screenshot, dump); both must succeed.
void BuildAndPlayHeadless(const TempDir& dir, const std::string& player_args);

// A --dump-vars dump (read with a newline in front) without the lines of the variables named.
std::string DumpWithout(std::string vars, const std::vector<std::string>& names);

}  // namespace velk::test
