// The player's conveniences around a game, played headless: the screenshot key, fast-forward by --speed, and the
// keys that stay the game's.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/temp_dir.h"
#include "support/tools.h"

namespace velk {
namespace {

namespace fs = std::filesystem;

class PlayerConveniences : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("XDG_RUNTIME_DIR", dir.Path().c_str(), 1);
    setenv("XDG_PICTURES_DIR", (dir / "pictures").c_str(), 1);
  }
  void TearDown() override { unsetenv("XDG_PICTURES_DIR"); }

  // Plays the page for the frames with the input and further options; returns the variables dumped.
  std::string Play(const std::string& page, int frames, const std::string& input, const std::string& options = {}) {
    test::WriteFile(dir / "game.vkp",
                    "version 115\nscreen 160 120\ntitle \"Conv/Test\"\nstart main.ksb\nsave off\n"
                    "var int t0 0\nvar int waited 0\nvar int now 0\nvar flag f1 0\nvar flag f12 0\nvar flag tab 0\n"
                    "var flag snap 0\npage main.vks\n");
    test::WriteFile(dir / "main.vks", page);
    test::WriteFile(dir / "input.txt", input);
    test::BuildAndPlayHeadless(dir, "--frames " + std::to_string(frames) + " --input '" + (dir / "input.txt") +
                                        "' --screenshot '" + (dir / "shot.png") + "' --dump-vars '" +
                                        (dir / "vars.tsv") + "' " + options);
    return test::ReadFile(dir / "vars.tsv");
  }

  static int32_t IntVar(const std::string& vars, const std::string& name) {
    const std::string head = name + "\tint\t";
    const size_t at = vars.find(head);
    return at == std::string::npos ? -1 : std::atoi(vars.c_str() + at + head.size());
  }

  test::TempDir dir;
};

const char kBoxes[] = "@version 115\n"
                      "boxnew name: \"back\"; left: 0; top: 0; width: 160; height: 120; color: 0x808080\n"
                      "boxnew name: \"mark\"; left: 10; top: 20; width: 30; height: 40; color: 0x2060A0; priority: 1\n"
                      "label idle\n"
                      "calc f1 = @KeyPush[112]\n"
                      "calc f12 = @KeyPush[123]\n"
                      "calc tab = @KeyPush[9]\n"
                      "calc snap = @KeyPush[44]; continue: false\n"
                      "jump page: main.ksb; target: @idle\n";

TEST_F(PlayerConveniences, PrintScreenSavesTheScreenAndOtherKeysStayTheGames) {
  const std::string vars = Play(kBoxes, 12, "3 keydown 112\n3 keydown 123\n3 keydown 9\n4 keydown 0x2C\n");
  // F1, F12 and Tab reach the game's key variables; Print Screen is the player's.
  ASSERT_NE(vars.find("f1\tflag\t"), std::string::npos) << vars;
  for (const char* held : {"f1", "f12", "tab"}) {
    EXPECT_EQ(vars.find(std::string(held) + "\tflag\t0"), std::string::npos) << held << "\n" << vars;
  }
  EXPECT_NE(vars.find("snap\tflag\t0"), std::string::npos) << vars;
  // One picture in the game's folder of the pictures folder (its title made safe as a name), byte for byte the
  // picture --screenshot writes of the same unchanged screen.
  const fs::path folder = fs::path(dir / "pictures") / "Conv_Test";
  ASSERT_TRUE(fs::is_directory(folder));
  std::vector<fs::path> shots;
  for (const auto& entry : fs::directory_iterator(folder)) shots.push_back(entry.path());
  ASSERT_EQ(shots.size(), 1u);
  EXPECT_EQ(shots[0].extension(), ".png");
  EXPECT_EQ(shots[0].filename().string().rfind("Conv_Test ", 0), 0u) << shots[0];
  EXPECT_EQ(test::ReadFile(shots[0].string()), test::ReadFile(dir / "shot.png"));
}

const char kWait[] = "@version 115\n"
                     "calc t0 = @TickCount\n"
                     "wait time: 4000\n"
                     "calc waited = @TickCount - t0\n"
                     "label idle\n"
                     "calc now = @TickCount; continue: false\n"
                     "jump page: main.ksb; target: @idle\n";

const char kClock[] = "@version 115\n"
                      "label idle\n"
                      "calc now = @TickCount; continue: false\n"
                      "jump page: main.ksb; target: @idle\n";

TEST_F(PlayerConveniences, SpeedRunsTheGameClockFaster) {
  // 60 frames of 15 ms: 0.9 s, which at speed 8 is 7.2 s of game time, enough for the 4-second wait.
  const std::string fast = Play(kWait, 60, "", "--speed 8");
  const int32_t waited = IntVar(fast, "waited");
  EXPECT_GE(waited, 4000) << fast;
  EXPECT_LT(waited, 4000 + 8 * 15 * 2) << fast;
  EXPECT_GT(IntVar(fast, "now"), IntVar(fast, "t0") + waited) << fast;
  EXPECT_EQ(IntVar(Play(kWait, 60, ""), "waited"), 0);

  // The same frames show eight times the time.
  const int32_t normal_now = IntVar(Play(kClock, 40, ""), "now");
  ASSERT_GT(normal_now, 0);
  EXPECT_EQ(IntVar(Play(kClock, 40, "", "--speed 8"), "now"), 8 * normal_now);
}

TEST_F(PlayerConveniences, ASecondCopyOnTheSameGameSaysWhyItExits) {
  test::WriteFile(dir / "game.vkp", "version 115\nscreen 32 24\nstart main.ksb\nsave off\npage main.vks\n");
  test::WriteFile(dir / "main.vks", "@version 115\nlabel idle\nwait time: 1000\njump page: main.ksb; target: @idle\n");
  test::WriteFile(dir / "input.txt", "");
  test::BuildAndPlayHeadless(dir, "--frames 1");
  // The first copy plays for about three seconds of real time; it says when it has ended.
  const std::string first = "'" + test::ToolPath("velkplayer") + "' --headless --clock real --frames 200 '" +
                            (dir / "game") + "' > '" + (dir / "first.log") + "' 2>&1; touch '" +
                            (dir / "first.done") + "'";
  // A second copy started before the first holds the game takes it instead: then the first is the one refused and
  // the round starts again.
  bool refused = false;
  for (int round = 0; round < 5 && !refused; ++round) {
    fs::remove(dir / "first.done");
    ASSERT_EQ(std::system(("(" + first + ") &").c_str()), 0);
    usleep(300 * 1000);
    for (int attempt = 0; attempt < 40 && !refused && !fs::exists(dir / "first.done"); ++attempt) {
      const test::TToolRun second = test::RunTool(
          test::ToolPath("velkplayer"), "--headless --clock virtual --frames 1 '" + (dir / "game") + "'", dir.Path());
      refused = second.Status == 3;
      if (refused) {
        EXPECT_NE(second.Output.find("another player already runs"), std::string::npos) << second.Output;
      } else {
        usleep(100 * 1000);
      }
    }
    for (int i = 0; i < 200 && !refused && !fs::exists(dir / "first.done"); ++i) usleep(50 * 1000);
  }
  EXPECT_TRUE(refused) << test::ReadFile(dir / "first.log");
  for (int i = 0; i < 200 && !fs::exists(dir / "first.done"); ++i) usleep(50 * 1000);
}

}  // namespace
}  // namespace velk
