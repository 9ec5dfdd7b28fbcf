// velkplayer: plays a game in a window, or headless for tests and automation.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/config_dialog_view.h"
#include "app/form_config.h"
#include "app/form_view.h"
#include "app/headless_runner.h"
#include "app/input_script.h"
#include "app/message_loop.h"
#include "app/player_options.h"
#include "app/game_session.h"
#include "app/player_process.h"
#include "app/png_writer.h"
#include "app/toolbar.h"
#include "app/var_dump.h"
#include "app/window_message_boxes.h"
#include "base/error.h"
#include "base/sjis.h"
#include "medialib/audio_mixer.h"
#include "medialib/velk_media_lib.h"
#include "platform/headless/clock_audio.h"
#include "platform/null_audio.h"
#include "platform/headless/headless_clock.h"
#include "platform/headless/headless_cursors.h"
#include "platform/headless/headless_message_boxes.h"
#include "platform/headless/headless_window.h"
#include "platform/posix_files.h"
#include "platform/stop_request.h"

#ifdef VELK_HAVE_SDL
#include "platform/sdl/sdl_audio.h"
#include "platform/sdl/sdl_clipboard.h"
#include "platform/sdl/sdl_clock.h"
#include "platform/sdl/sdl_cursors.h"
#include "platform/sdl/sdl_message_boxes.h"
#include "platform/sdl/sdl_window.h"
#endif

namespace {

const char kUsage[] =
    "usage: velkplayer [OPTIONS] [GAME_FOLDER [ARCHIVE...]]\n"
    "       velkplayer /config\n"
    "       velkplayer --headless [--frames N] [--clock virtual] [--input FILE] [--screenshot FILE.png]\n"
    "                  [--dump-vars FILE] [--trace] GAME_FOLDER\n"
    "\n"
    "Plays the game in GAME_FOLDER (its game.dat, or the archives named after it). Without a folder the player\n"
    "looks beside its own executable: install.dat and game.dat there (velk-build --archive DIR/game.dat writes\n"
    "both; put the player in DIR), or a game appended to the executable itself (velk-build --exe).\n"
    "\n"
    "options:\n"
    "  --fullscreen        start in full screen (Alt+Enter toggles; F11 belongs to the game)\n"
    "  --scale N|fit       show the screen N times larger, or as large as fits (letterboxed)\n"
    "  --help              show this text\n"
    "  --version           show the version\n"
    "  --trace             print the interpreter's trace lines to stderr\n"
    "  --frames N          stop after N frames (default: when the game ends)\n"
    "  --screenshot FILE   write the screen (in a window: what the window shows) after the last frame as PNG\n"
    "headless runs (no window; message boxes go to stderr and are answered from the input script, else with\n"
    "their first button; a choice at start-up without an answer of frame 0 makes the player give up):\n"
    "  --headless          run without a window\n"
    "  --clock virtual     every tick takes exactly 15 ms of a virtual clock: runs are deterministic\n"
    "  --input FILE        scripted input, one event per line: <frame> move X Y | down left|right |\n"
    "                      up left|right | click left|right X Y | wheel up|down | keydown VK | keyup VK |\n"
    "                      key VK | text TEXT | answer N | quit   (# starts a comment)\n"
    "  --dump-vars FILE    write every variable at exit: name, type, value, tab-separated, sorted by name\n"
    "\n"
    "exit status: 0 normal end, 1 the game could not start (a message says why), 2 bad command line,\n"
    "             3 refused: another player runs this game folder, or the player runs from an optical disc\n";

bool write_text(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  velk::InstallStopSignals();
#ifdef VELK_HAVE_SDL
  // SIGTERM and SIGINT are the player's: SDL would turn them into a quit event nobody reads during start-up.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
#endif
  velk::TPlayerOptions options;
  try {
    options = velk::ParsePlayerOptions(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const velk::EVelkError& e) {
    std::fprintf(stderr, "velkplayer: %s\n%s", e.Utf8().c_str(), kUsage);
    return 2;
  }
  if (options.Help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (options.Version) {
    std::puts("velkplayer 0.1.0");
    return 0;
  }
#ifndef VELK_HAVE_SDL
  options.Headless = true;
#endif

  velk::TInputScript script;
  if (!options.InputFile.empty()) {
    try {
      script = velk::TInputScript::Load(options.InputFile);
    } catch (const velk::EVelkError& e) {
      std::fprintf(stderr, "velkplayer: %s\n", e.Utf8().c_str());
      return 2;
    }
  }

  velk::TPosixFiles files;
  velk::TNoResources resources;
  velk::TPlayerHost host;
  host.Platform.Files = &files;
  host.Platform.Resources = &resources;
  host.TraceToStderr = options.Trace;
  host.FullScreen = options.FullScreen;
  host.Scale = options.Scale;

  velk::TSteadyClock steady_clock;
  velk::TVirtualClock virtual_clock;
  velk::THeadlessMessageBoxes headless_boxes;
  velk::THeadlessWindow headless_window;
  velk::THeadlessCursors headless_cursors;
  bool dump_failed = false;
  bool screenshot_failed = false;
  // The process, once it exists: window runs with a frame limit read its frame count.
  [[maybe_unused]] velk::TPlayerProcess* running = nullptr;
#ifdef VELK_HAVE_SDL
  velk::TSdlClock sdl_clock;
  velk::TSdlMessageBoxes sdl_boxes;
  velk::TWindowMessageBoxes window_boxes(sdl_boxes);
  velk::TSdlCursors sdl_cursors;
  velk::TSdlClipboard sdl_clipboard;
  std::optional<velk::TSdlWindow> sdl_window;
  if (!options.Headless) {
    sdl_window.emplace();
    bool config = !options.Args.empty() && velk::SameText(options.Args[0], "/config");
    // SDL falls back to an invisible off-screen window when there is no display; a player nobody can see or close is
    // refused unless that driver was asked for.
    const char* driver = sdl_window->Available() ? SDL_GetCurrentVideoDriver() : nullptr;
    bool invisible =
        driver != nullptr && std::strcmp(driver, "offscreen") == 0 && std::getenv("SDL_VIDEODRIVER") == nullptr;
    if (!sdl_window->Available() || invisible) {
      std::fprintf(stderr, config ? "velkplayer: the configuration dialog needs a display; use --headless\n"
                                  : "velkplayer: no display to open the window on; use --headless\n");
      return velk::kExitNotStarted;
    }
    host.Platform.Clock = &sdl_clock;
    // Boxes are drawn in the window once it shows the game; SDL's own boxes only before that.
    host.Platform.MessageBoxes = &window_boxes;
    host.Platform.Cursors = &sdl_cursors;
    host.Platform.Clipboard = &sdl_clipboard;
    host.Window = &*sdl_window;
    sdl_boxes.SetOwner(nullptr);
    host.MessageLoop = [&](velk::TFormView& form) {
      sdl_boxes.SetOwner(sdl_window->Handle());
      window_boxes.SetWindow(&*sdl_window, &form.Client());
      std::function<bool()> stop;
      if (options.Frames >= 0) {
        stop = [&] { return running != nullptr && running->Values().FrameCount >= options.Frames; };
      }
      velk::RunWindowMessageLoop(form, *sdl_window, sdl_clock, stop);
      window_boxes.SetWindow(nullptr, nullptr);
      sdl_boxes.SetOwner(nullptr);
      if (!options.Screenshot.empty()) {
        int32_t width = 0, height = 0;
        std::vector<uint32_t> pixels = sdl_window->ReadFramePixels(width, height);
        // The window's frame holds the toolbar's dock above the game's screen; the screenshot is the screen.
        int32_t top = 0;
        if (form.ToolbarVisible() && form.Scene() != nullptr) {
          const int64_t screen = form.Scene()->Screen().Height;
          top = height - static_cast<int32_t>(height * screen / (screen + velk::TToolbar::kDockHeight));
        }
        try {
          velk::WritePngFile(options.Screenshot, velk::TFrameView{pixels.data() + static_cast<size_t>(top) * width,
                                                                  width, height - top, width});
        } catch (const velk::EVelkError& e) {
          std::fprintf(stderr, "velkplayer: %s\n", e.Utf8().c_str());
          screenshot_failed = true;
        }
      }
    };
    host.ConfigDialog = [&](const std::string& ini_path) {
      velk::TSdlWindow window;
      if (!window.Available()) {
        std::fprintf(stderr, "velkplayer: the configuration dialog needs a display\n");
        return;
      }
      velk::TFormConfig form(ini_path);
      velk::TConfigDialogView view(form, window, &sdl_boxes);
      view.Run();
    };
  }
#endif
  // The headless runner exists before start-up: the boxes of start-up take the input script's answers of frame 0.
  std::optional<velk::THeadlessRunner> runner;
  if (options.Headless) {
    host.Platform.Clock = options.VirtualClock ? static_cast<velk::IClock*>(&virtual_clock) : &steady_clock;
    host.Deterministic = options.VirtualClock;
    host.Platform.MessageBoxes = &headless_boxes;
    host.Platform.Cursors = &headless_cursors;
    host.Window = &headless_window;
    runner.emplace(headless_window, headless_boxes, *host.Platform.Clock, script, options.Frames, options.VirtualClock);
    runner->QueueStartUpAnswers();
    // The dialog runs on the input script's events, in order (their frames only order them), then closes.
    host.ConfigDialog = [&](const std::string& ini_path) {
      runner->QueueConfigEvents();
      velk::TFormConfig form(ini_path);
      velk::TConfigDialogView view(form, headless_window, &headless_boxes);
      view.Run(true);
    };
    headless_boxes.SetGiveUpWhenUnanswered(true);
    host.MessageLoop = [&](velk::TFormView& form) {
      headless_boxes.SetGiveUpWhenUnanswered(false);
      runner->Run(form);
      if (!options.Screenshot.empty() && form.Scene() != nullptr) {
        try {
          velk::WritePngFile(options.Screenshot, form.Scene()->Screen());
        } catch (const velk::EVelkError& e) {
          std::fprintf(stderr, "velkplayer: %s\n", e.Utf8().c_str());
          screenshot_failed = true;
        }
      }
    };
    if (!options.DumpVars.empty()) {
      host.BeforeVarsFree = [&](const velk::TParamCollection& vars) {
        if (!write_text(options.DumpVars, velk::DumpVariables(vars))) {
          std::fprintf(stderr, "velkplayer: %s: cannot write the variables\n", options.DumpVars.c_str());
          dump_failed = true;
        }
      };
    }
  }
  // The game's subsystems outlive the process object: the virtual file manager is freed (and its temporary files
  // deleted) after everything else.
  // Sound: every item of the media library is a source of one mixer, which feeds the window's audio device, a null
  // sink that consumes in real time, or, on the virtual clock, an output that consumes by the game clock and is
  // pumped in the frame's media update (so sounds last their length in game time, however fast frames run).
  velk::TAudioMixer mixer;
  std::unique_ptr<velk::IAudioOutput> audio;
  velk::TClockAudioOutput* game_clock_audio = nullptr;
  if (options.Headless && options.VirtualClock) {
    auto out = std::make_unique<velk::TClockAudioOutput>(virtual_clock);
    game_clock_audio = out.get();
    mixer.SetWaitForSources(true);
    audio = std::move(out);
  } else if (options.Headless) {
    audio = std::make_unique<velk::TNullAudioOutput>();
  }
#ifdef VELK_HAVE_SDL
  if (!audio) audio = std::make_unique<velk::TSdlAudioOutput>();
#endif
  if (!audio) audio = std::make_unique<velk::TNullAudioOutput>();
  audio->Start(mixer.Filler());
  host.MediaLoader = [&] {
    std::function<void()> pump;
    if (game_clock_audio != nullptr) pump = [&] { game_clock_audio->Pump(); };
    return std::make_unique<velk::TVelkMediaLibrary>(mixer, pump);
  };
  velk::TGameSession session(host.Platform);
  session.SetMixer(&mixer);
  session.Serve(host);
  velk::TPlayerProcess process(std::move(host));
  running = &process;
  int status = process.Run(options.Args);
  if (status == velk::kExitNormal && (dump_failed || screenshot_failed)) status = velk::kExitNotStarted;
  audio->Stop();
  return status;
}
