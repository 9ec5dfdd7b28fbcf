// velkplayer: plays a game in a window, or headless for tests and automation.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/player_process.h"
#include "medialib/null_media.h"
#include "platform/headless/headless_clock.h"
#include "platform/headless/headless_message_boxes.h"
#include "platform/posix_files.h"

#ifdef VELK_HAVE_SDL
#include "platform/sdl/sdl_clock.h"
#include "platform/sdl/sdl_message_boxes.h"
#endif

namespace {

const char kUsage[] =
    "usage: velkplayer [OPTIONS] [GAME_FOLDER [ARCHIVE...]]\n"
    "       velkplayer /config\n"
    "\n"
    "Plays the game in GAME_FOLDER (its game.dat, or the archives named after it). Without a folder the player\n"
    "looks beside its own executable: game.dat there, or an archive appended to the executable itself.\n"
    "\n"
    "options:\n"
    "  --headless   run without a window: message boxes go to stderr and are answered with their first button\n"
    "  --help       show this text\n"
    "  --version    show the version\n"
    "\n"
    "exit status: 0 normal end, 1 the game could not start (a message says why), 2 bad command line,\n"
    "             3 refused: another player runs this game folder, or the player runs from an optical disc\n";

}  // namespace

int main(int argc, char** argv) {
  bool headless = false;
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (a == "--version") {
      std::puts("velkplayer 0.1.0");
      return 0;
    }
    if (a == "--headless") {
      headless = true;
    } else if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
      std::fprintf(stderr, "velkplayer: unknown option %s\n%s", a.c_str(), kUsage);
      return 2;
    } else {
      args.push_back(a);
    }
  }

  velk::TPosixFiles files;
  velk::TNoResources resources;
  velk::TPlayerHost host;
  host.Platform.Files = &files;
  host.Platform.Resources = &resources;
  host.MediaLoader = [] { return std::make_unique<velk::TNullVelkMedia>(); };

  velk::TSteadyClock steady_clock;
  velk::THeadlessMessageBoxes headless_boxes;
#ifdef VELK_HAVE_SDL
  velk::TSdlClock sdl_clock;
  velk::TSdlMessageBoxes sdl_boxes;
  if (!headless) {
    host.Platform.Clock = &sdl_clock;
    host.Platform.MessageBoxes = &sdl_boxes;
  }
#else
  headless = true;
#endif
  if (headless) {
    host.Platform.Clock = &steady_clock;
    host.Platform.MessageBoxes = &headless_boxes;
  }
  velk::TPlayerProcess process(std::move(host));
  return process.Run(args);
}
