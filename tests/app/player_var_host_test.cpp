// The system variables that read the player itself, seen by a game the headless player runs: the game clock, the
// frame count and the title are live, writing the display variables switches the display, and the display modes
// and the fonts are filled.
#include "app/player_var_host.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "base/sjis.h"
#include "support/temp_dir.h"
#include "support/tools.h"

namespace velk {
namespace {

class PlayerVariables : public ::testing::Test {
 protected:
  void SetUp() override { setenv("XDG_RUNTIME_DIR", dir.Path().c_str(), 1); }

  // Builds a game of one page and plays it headless for the frames; returns the variable dump.
  std::string Play(const std::string& page, int frames, const std::string& vars) {
    test::WriteFile(dir / "game.vkp",
                    "title Clock Test\nscreen 160 120\nstart main.ksb\nsave off\n" + vars + "page main.vks\n");
    test::WriteFile(dir / "main.vks", page);
    test::BuildAndPlayHeadless(dir, "--frames " + std::to_string(frames) + " --dump-vars '" + (dir / "vars.tsv") + "'");
    return test::ReadFile(dir / "vars.tsv");
  }

  test::TempDir dir;
};

TEST_F(PlayerVariables, ClockFrameCountAndTitleAreLive) {
  // The usual waiting loop of a script ends once a second of game time has passed.
  const std::string vars =
      Play("@version 115\n"
           "calc start = @TickCount\n"
           "calc title = @Title\n"
           "label again\n"
           "while @TickCount - start < 1000; exit: @done\n"
           "  wait time: 15; continue: false\n"
           "  whileloop loop: @again\n"
           "label done\n"
           "calc waited = @TickCount - start\n"
           "calc frames = @UpdateCount\n"
           "calc done = 1\n",
           100, "var int start -1\nvar int waited 0\nvar int frames 0\nvar int done 0\nvar string title x\n");
  EXPECT_NE(vars.find("done\tint\t1\n"), std::string::npos) << vars;
  EXPECT_NE(vars.find("start\tint\t15\n"), std::string::npos) << vars;  // the first frame's tick
  // Each pass waits 15 ms, checked on the frame after: the loop ends at the first pass at or past 1000 ms, 1020.
  EXPECT_NE(vars.find("waited\tint\t1020\n"), std::string::npos) << vars;
  // That frame is the 69th (at 1035 ms); the frame count counts the frames finished before it.
  EXPECT_NE(vars.find("frames\tint\t68\n"), std::string::npos) << vars;
  EXPECT_NE(vars.find("title\tstring\tClock Test\n"), std::string::npos) << vars;
}

TEST_F(PlayerVariables, DisplayVariablesSwitchAndReportTheRealState) {
  const std::string vars =
      Play("@version 115\n"
           "calc modes = @DisplayModeCount\n"
           "calc @DisplayModeIndex = 1\n"
           "calc @FullScr = 1\n"
           "calc full = @FullScr\n"
           "calc mode = @DisplayModeIndex\n"
           "calc @DisplayModeIndex = 7\n"  // no such mode: nothing changes
           "calc kept = @DisplayModeIndex\n"
           "calc @FullScr = 0\n"
           "calc windowed = @FullScr\n"
           "calc @MouseX = 30\n"
           "calc @MouseY = 40\n"
           "calc x = @MouseX\n"
           "calc y = @MouseY\n"
           "calc fonts = @Fonts <> \"\"\n"
           "calc fixed = @FixedFonts <> \"\"\n",
           3,
           "var int modes 0\nvar flag full 0\nvar int mode 0\nvar int kept 0\nvar flag windowed 1\nvar int x 0\n"
           "var int y 0\nvar flag fonts 0\nvar flag fixed 0\n");
  EXPECT_NE(vars.find("modes\tint\t3\n"), std::string::npos) << vars;  // the headless screen's modes
  EXPECT_NE(vars.find("full\tflag\t1\n"), std::string::npos) << vars;
  EXPECT_NE(vars.find("mode\tint\t1\n"), std::string::npos) << vars;
  EXPECT_NE(vars.find("kept\tint\t1\n"), std::string::npos) << vars;
  EXPECT_NE(vars.find("windowed\tflag\t0\n"), std::string::npos) << vars;
  EXPECT_NE(vars.find("x\tint\t30\n"), std::string::npos) << vars;
  EXPECT_NE(vars.find("y\tint\t40\n"), std::string::npos) << vars;
  EXPECT_NE(vars.find("fonts\tflag\t1\n"), std::string::npos) << vars;
  EXPECT_NE(vars.find("fixed\tflag\t1\n"), std::string::npos) << vars;
}

TEST(InstalledFonts, OneSortedNamePerLine) {
  const std::string all = InstalledFontNames(false);
  const std::string fixed = InstalledFontNames(true);
  ASSERT_FALSE(all.empty());
  ASSERT_FALSE(fixed.empty());
  EXPECT_EQ(all.substr(all.size() - 2), "\r\n");
  // Every fixed-pitch family is one of all the families, and the list is sorted without repeats.
  std::string previous;
  for (size_t at = 0; at < fixed.size();) {
    const size_t end = fixed.find("\r\n", at);
    const std::string name = fixed.substr(at, end - at);
    EXPECT_NE(all.find(name + "\r\n"), std::string::npos) << name;
    EXPECT_LT(previous, name);
    previous = name;
    at = end + 2;
  }
}

}  // namespace
}  // namespace velk
