#include "app/player_options.h"

#include <gtest/gtest.h>

#include "base/error.h"

namespace velk {
namespace {

TEST(PlayerOptions, ParsesTheHeadlessRunnerAndWindowOptions) {
  TPlayerOptions o =
      ParsePlayerOptions({"--headless", "--frames", "120", "--clock", "virtual", "--input", "in.txt", "--screenshot",
                          "out.png", "--dump-vars", "vars.tsv", "--trace", "game", "extra.dat"});
  EXPECT_TRUE(o.Headless);
  EXPECT_EQ(o.Frames, 120);
  EXPECT_TRUE(o.VirtualClock);
  EXPECT_EQ(o.InputFile, "in.txt");
  EXPECT_EQ(o.Screenshot, "out.png");
  EXPECT_EQ(o.DumpVars, "vars.tsv");
  EXPECT_TRUE(o.Trace);
  EXPECT_EQ(o.Args, (std::vector<std::string>{"game", "extra.dat"}));

  TPlayerOptions w = ParsePlayerOptions({"--fullscreen", "--scale", "3", "/config"});
  EXPECT_FALSE(w.Headless);
  EXPECT_TRUE(w.FullScreen);
  EXPECT_EQ(w.Scale, 3);
  EXPECT_EQ(w.Args, (std::vector<std::string>{"/config"}));
  // A window run can stop after a number of frames and keep a screenshot of the window.
  TPlayerOptions shot = ParsePlayerOptions({"--frames", "90", "--screenshot", "win.png", "game"});
  EXPECT_FALSE(shot.Headless);
  EXPECT_EQ(shot.Frames, 90);
  EXPECT_EQ(shot.Screenshot, "win.png");
  EXPECT_EQ(ParsePlayerOptions({"--scale", "fit"}).Scale, 0);
  EXPECT_EQ(ParsePlayerOptions({}).Scale, 1);
  EXPECT_EQ(ParsePlayerOptions({}).Frames, -1);
  EXPECT_TRUE(ParsePlayerOptions({"--help"}).Help);
  EXPECT_TRUE(ParsePlayerOptions({"--version"}).Version);
  EXPECT_EQ(ParsePlayerOptions({"--save-dir", "saves", "game"}).SaveDir, "saves");
  EXPECT_EQ(ParsePlayerOptions({"game"}).SaveDir, "");
}

TEST(PlayerOptions, RefusesBadCommandLines) {
  struct {
    std::vector<std::string> argv;
    const char* message;
  } cases[] = {
      {{"--input", "in.txt", "g"}, "--input needs --headless"},
      {{"--headless", "--frames"}, "--frames needs a value"},
      {{"--headless", "--frames", "-3"}, "--frames: bad value \"-3\""},
      {{"--headless", "--frames", "1x"}, "--frames: bad value \"1x\""},
      {{"--headless", "--clock", "fast"}, "--clock: bad value \"fast\" (virtual or real)"},
      {{"--scale", "0"}, "--scale: bad value \"0\""},
      {{"--scale", "100"}, "--scale: bad value \"100\""},
      {{"--bogus"}, "unknown option --bogus"},
  };
  for (const auto& c : cases) {
    try {
      ParsePlayerOptions(c.argv);
      ADD_FAILURE() << c.message;
    } catch (const EVelkError& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
  }
}

}  // namespace
}  // namespace velk
