// A game with sound, video and a timer, built with the builder and played headless on the virtual clock: the
// script observes the end of a sound in game time, a faded stop it waits for, a timer that scraps itself after its
// first event, and a frame of a video in the screenshot.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "gfx/png_image.h"
#include "support/temp_dir.h"
#include "support/test_media.h"
#include "support/tools.h"

namespace velk {
namespace {

// The int variables of a variable dump.
std::map<std::string, int> int_vars(const std::string& dump) {
  std::map<std::string, int> vars;
  std::istringstream in(dump);
  std::string name, type, value;
  while (std::getline(in, name, '\t') && std::getline(in, type, '\t') && std::getline(in, value)) {
    if (type == "int") vars[name] = std::atoi(value.c_str());
  }
  return vars;
}

void write_bytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  test::WriteFile(path, std::string(bytes.begin(), bytes.end()));
}

TEST(PlayedMedia, SoundEndsInGameTimeTimerScrapsItselfAndVideoFrameIsShown) {
  test::TempDir dir;
  setenv("XDG_RUNTIME_DIR", dir.Path().c_str(), 1);
  write_bytes(dir / "beep.ogg", test::MakeOgg(400));
  // Red for its first second, blue after; it repeats, so it never ends within the run.
  write_bytes(dir / "clip.mpg", test::MakeAvMedia(test::TAvKind::Mpeg, 2000, 64, 48));
  test::WriteFile(dir / "game.vkp", "version 115\nscreen 160 120\nstart main.ksb\nsave off\n"
                                    "var int ended 0\nvar int endtick 0\nvar int ticks 0\nvar int starttick 0\n"
                                    "var int fadestart 0\nvar int faded 0\n"
                                    "page main.vks\npage events.vks\nasset beep.ogg\nasset clip.mpg\n");
  test::WriteFile(dir / "main.vks",
                  "@version 115\n"
                  "boxnew name: \"back\"; left: 0; top: 0; width: 160; height: 120; color: 0x00FF00\n"
                  "calc starttick = @TickCount\n"
                  "sound name: \"se\"; source: \"beep.ogg\"; onplayend: \"events.ksb:ended\"\n"
                  "movie name: \"mv\"; source: \"clip.mpg\"; left: 40; top: 30; repeat: 1; priority: 1\n"
                  "timer name: \"t\"; delay: 100; autoscrap: 1; onnotify: \"events.ksb:tick\"\n"
                  "sound name: \"bgm\"; source: \"beep.ogg\"; repeat: 1; volume: 500\n"
                  "wait time: 150\n"
                  "calc fadestart = @TickCount\n"
                  "moviestop object: \"bgm\"; fade: 300; wait: 1\n"
                  "calc faded = @TickCount\n"
                  "label idle\nwait time: 1000\njump page: main.ksb; target: @idle\n");
  test::WriteFile(dir / "events.vks", "@version 115\n"
                                      "label ended\ncalc ended = ended + 1\ncalc endtick = @TickCount\nexit\n"
                                      "label tick\ncalc ticks = ticks + 1\nexit\n");
  // 60 frames of 15 ms: 900 ms of game time.
  test::BuildAndPlayHeadless(dir, "--frames 60 --screenshot '" + (dir / "shot.png") + "' --dump-vars '" +
                                      (dir / "vars.tsv") + "'");
  const std::string dump = test::ReadFile(dir / "vars.tsv");
  std::map<std::string, int> vars = int_vars(dump);
  EXPECT_EQ(vars["ended"], 1) << dump;
  // The sound of 400 ms ended after 400 ms of game time, within a few frames of buffering.
  const int played = vars["endtick"] - vars["starttick"];
  EXPECT_GE(played, 400) << dump;
  EXPECT_LE(played, 400 + 6 * 15) << dump;
  // Stopping the looping music with a fade of 300 ms waited until the faded sound had gone.
  EXPECT_GT(vars["fadestart"], 0) << dump;
  const int fade = vars["faded"] - vars["fadestart"];
  EXPECT_GE(fade, 300) << dump;
  EXPECT_LE(fade, 300 + 3 * 15) << dump;
  // Eight intervals passed, but the timer scrapped itself after its first event.
  EXPECT_EQ(vars["ticks"], 1) << dump;

  const std::string png = test::ReadFile(dir / "shot.png");
  const TDecodedImage shot = DecodePng(reinterpret_cast<const uint8_t*>(png.data()), png.size(), "shot.png");
  ASSERT_EQ(shot.Width, 160);
  auto rgb = [&](int x, int y) {
    const uint32_t c = shot.Colors[size_t(y) * 160 + size_t(x)];  // 0x00BBGGRR
    return std::vector<int>{int(c & 0xFF), int(c >> 8 & 0xFF), int(c >> 16 & 0xFF)};
  };
  // 900 ms into a film that is red for its first second: the film's picture (64 x 48 at 40, 30) is red, the
  // backdrop around it green.
  for (const auto& [x, y] : std::vector<std::pair<int, int>>{{50, 40}, {72, 54}, {100, 74}}) {
    const std::vector<int> c = rgb(x, y);
    EXPECT_GT(c[0], 180) << x << "," << y;
    EXPECT_LT(c[1], 80) << x << "," << y;
    EXPECT_LT(c[2], 80) << x << "," << y;
  }
  EXPECT_EQ(rgb(20, 20), (std::vector<int>{0, 255, 0}));
  EXPECT_EQ(rgb(110, 80), (std::vector<int>{0, 255, 0}));
}

}  // namespace
}  // namespace velk
