// Start-up and shutdown of the assembled player, run as a process: prompts at start-up take the input script's
// answers or give up, and a signal ends the player through its exit steps.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "base/sjis.h"
#include "support/temp_dir.h"
#include "support/tools.h"
#include "vfs/install_set.h"

namespace velk {
namespace {

class PlayerStartUp : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("XDG_RUNTIME_DIR", dir.Path().c_str(), 1);
    test::WriteFile(dir / "game.vkp",
                    "title Disc Game\nscreen 160 120\nstart main.ksb\nsave off\nvar int frames 0\npage main.vks\n");
    test::WriteFile(dir / "main.vks",
                    "@version 115\nlabel again\ncalc frames = frames + 1\nwait time: 15; continue: false\n"
                    "jump page: main.ksb; target: @again\n");
    const test::TToolRun build =
        test::RunTool(test::ToolPath("velk-build"),
                      "'" + (dir / "game.vkp") + "' --archive '" + (dir / "game/game.dat") + "'", dir.Path());
    ASSERT_EQ(build.Status, 0) << build.Output;
    std::filesystem::copy_file(test::ToolPath("velkplayer"), dir / "game/velkplayer");
  }

  // Plays the game beside the player, started without arguments, for at most 20 s.
  test::TToolRun Play(const std::string& options, const std::string& input = {}) {
    test::WriteFile(dir / "input.txt", input);
    return test::RunTool("/usr/bin/timeout",
                         "-s KILL 20 '" + (dir / "game/velkplayer") + "' --headless --clock virtual --input '" +
                             (dir / "input.txt") + "' " + options,
                         dir.Path());
  }

  test::TempDir dir;
};

TEST_F(PlayerStartUp, DiscPromptTakesTheScriptsAnswersOrGivesUp) {
  // Installed for play from the disc: the game data must be found on a disc, and none is inserted.
  TVelkInstallSet install;
  install.Title = Utf8ToCp932("Disc Game");
  install.FullInstall = false;
  install.SaveToFile(dir / "game/install.dat");

  // No answer in the input script: the player asks once and gives up instead of asking for ever.
  test::TToolRun run = Play("--frames 5");
  EXPECT_EQ(run.Status, 1) << run.Output;
  EXPECT_NE(run.Output.find("[情報] ディスクを入れてください\n(no answer given: the player gives up)"),
            std::string::npos)
      << run.Output;
  EXPECT_EQ(run.Output.find("ディスクを入れてください", run.Output.find("ディスク") + 1), std::string::npos)
      << run.Output;

  // Answered: OK searches again, Cancel then OK on the quit text ends the player (the title is not read yet).
  run = Play("--frames 5", "0 answer 1\n0 answer 2\n0 answer 1\n");
  EXPECT_EQ(run.Status, 1) << run.Output;
  EXPECT_EQ(run.Output.find("gives up"), std::string::npos) << run.Output;
  size_t prompts = 0;
  for (size_t at = run.Output.find("ディスクを入れてください"); at != std::string::npos;
       at = run.Output.find("ディスクを入れてください", at + 1)) {
    ++prompts;
  }
  EXPECT_EQ(prompts, 2u) << run.Output;
  EXPECT_NE(run.Output.find("[情報] 終了します"), std::string::npos) << run.Output;
}

TEST_F(PlayerStartUp, SigtermEndsARunningGameThroughItsExitSteps) {
  TVelkInstallSet install;
  install.Title = Utf8ToCp932("Disc Game");
  install.FullInstall = true;
  install.SaveToFile(dir / "game/install.dat");
  // A game that never ends, stopped after a second; its variables are still written at exit.
  const test::TToolRun run = test::RunTool(
      "/usr/bin/timeout",
      "-s TERM 1 '" + (dir / "game/velkplayer") + "' --headless --dump-vars '" + (dir / "vars.tsv") + "'", dir.Path());
  EXPECT_EQ(run.Status, 124) << run.Output;  // timeout's own status: the player ended on its signal
  ASSERT_TRUE(std::filesystem::exists(dir / "vars.tsv")) << run.Output;
  EXPECT_NE(test::ReadFile(dir / "vars.tsv").find("frames\tint\t"), std::string::npos);
}

}  // namespace
}  // namespace velk

namespace velk {
namespace {

TEST(PlayerConfig, HeadlessDialogRunsOnTheInputScriptAndReportsAFailedSave) {
  test::TempDir dir;
  setenv("XDG_RUNTIME_DIR", dir.Path().c_str(), 1);
  // (Not named velkplayer: the instance guards live in a folder of that name in the runtime folder.)
  std::filesystem::copy_file(test::ToolPath("velkplayer"), dir / "player");
  // Space unticks DirectSound, Right moves the delay (from 500, the end) nowhere, Left to 400, Enter is OK.
  test::WriteFile(dir / "input.txt", "0 key 0x20\n0 key 0x25\n0 key 0x0D\n");
  const std::string player = "'" + (dir / "player") + "' --headless --input '" + (dir / "input.txt") + "' /config";
  test::TToolRun run = test::RunTool("/usr/bin/timeout", "-s KILL 20 " + player, dir.Path());
  EXPECT_EQ(run.Status, 0) << run.Output;
  const std::string ini = test::ReadFile(dir / "game.ini");
  EXPECT_NE(ini.find("DirectSound=0"), std::string::npos) << ini;
  EXPECT_NE(ini.find("DelayTime=400"), std::string::npos) << ini;

  // game.ini cannot be written (a folder of that name): OK says so in the dialog's box.
  std::filesystem::remove(dir / "game.ini");
  std::filesystem::create_directory(dir / "game.ini");
  run = test::RunTool("/usr/bin/timeout", "-s KILL 20 " + player, dir.Path());
  EXPECT_EQ(run.Status, 0) << run.Output;
  EXPECT_NE(run.Output.find("[動作設定] " + (dir / "game.ini") + "\r\n設定を保存できません"), std::string::npos)
      << run.Output;

  // Without events the dialog closes as cancelled, writing nothing.
  std::filesystem::remove(dir / "game.ini");
  test::WriteFile(dir / "input.txt", "");
  run = test::RunTool("/usr/bin/timeout", "-s KILL 20 " + player, dir.Path());
  EXPECT_EQ(run.Status, 0) << run.Output;
  EXPECT_FALSE(std::filesystem::exists(dir / "game.ini"));
}

}  // namespace
}  // namespace velk

namespace velk {
namespace {

TEST(PlayerDiscPrompt, UnansweredDuringTheGameGivesUpInsteadOfAskingForEver) {
  test::TempDir dir;
  setenv("XDG_RUNTIME_DIR", dir.Path().c_str(), 1);
  // The page the game jumps to lies on disc 2, which never appears; the run has no answers for the prompt.
  test::WriteFile(dir / "game.vkp",
                  "title D\nscreen 64 48\nstart main.ksb\nsave off\nvar int n 0\ndisc s 2\npage main.vks\n");
  test::WriteFile(dir / "main.vks", "@version 115\ncalc n = 1\njump page: \"s\\\\x.ksb\"; target: 0\ncalc n = 2\n");
  const test::TToolRun build =
      test::RunTool(test::ToolPath("velk-build"),
                    "'" + (dir / "game.vkp") + "' --archive '" + (dir / "game/game.dat") + "'", dir.Path());
  ASSERT_EQ(build.Status, 0) << build.Output;
  const test::TToolRun run = test::RunTool("/usr/bin/timeout",
                                           "-s KILL 20 '" + test::ToolPath("velkplayer") +
                                               "' --headless --clock virtual --frames 50 --dump-vars '" +
                                               (dir / "vars.tsv") + "' '" + (dir / "game") + "'",
                                           dir.Path());
  EXPECT_EQ(run.Status, 0) << run.Output.substr(0, 2000);
  EXPECT_NE(run.Output.find("(no answer given: the player gives up)"), std::string::npos);
  EXPECT_LT(run.Output.size(), 20000u);  // about a hundred prompts, not millions
  EXPECT_EQ(test::ReadFile(dir / "vars.tsv"), "n\tint\t1\n");
}

}  // namespace
}  // namespace velk
