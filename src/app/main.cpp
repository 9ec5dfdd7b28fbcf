// velkplayer: plays a game in a window, or headless for tests and automation.
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "app/config_dialog_view.h"
#include "app/fast_forward.h"
#include "app/form_config.h"
#include "app/form_view.h"
#include "app/headless_runner.h"
#include "app/input_script.h"
#include "app/message_loop.h"
#include "app/player_options.h"
#include "app/game_session.h"
#include "app/player_keys.h"
#include "app/player_process.h"
#include "app/png_writer.h"
#include "app/toolbar.h"
#include "app/window_placement.h"
#include "app/var_dump.h"
#include "app/window_message_boxes.h"
#include "base/big_buffer.h"
#include "base/error.h"
#include "base/sjis.h"
#include "medialib/audio_mixer.h"
#include "medialib/velk_media_lib.h"
#include "platform/headless/clock_audio.h"
#include "platform/null_audio.h"
#include "platform/headless/headless_clock.h"
#include "platform/headless/headless_cursors.h"
#include "platform/headless/headless_message_boxes.h"
#include "platform/headless/headless_shell.h"
#include "platform/headless/headless_window.h"
#include "platform/posix_files.h"
#include "platform/stop_request.h"
#include "text/font_config.h"

#ifdef VELK_HAVE_SDL
#include "platform/sdl/sdl_audio.h"
#include "platform/sdl/sdl_clipboard.h"
#include "platform/sdl/sdl_clock.h"
#include "platform/sdl/sdl_cursors.h"
#include "platform/sdl/sdl_message_boxes.h"
#include "platform/sdl/sdl_shell.h"
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
    "  --scale N|fit       show the screen N times larger (less when that does not fit), or as large as fits\n"
    "  --filter nearest|smooth  sharp pixels (default) or smooth filtering when the screen is scaled\n"
    "  --speed N           the game clock runs N times faster (1 .. 16; Alt+F switches 8x on and off)\n"
    "  --mute-only-when-inactive  losing the focus only mutes the sound; the game never pauses for it\n"
    "  --help              show this text\n"
    "  --version           show the version\n"
    "  --trace             print the interpreter's trace lines to stderr\n"
    "  --save-dir DIR      keep save.dat in DIR (default: the game folder given, else beside the player when\n"
    "                      writable, else $XDG_DATA_HOME/<game>)\n"
    "  --print-text        print every message page as it is shown (UTF-8, one block per page) to stdout\n"
    "  --frames N          stop after N frames (default: when the game ends)\n"
    "  --screenshot FILE   write the screen (in a window: what the window shows) after the last frame as PNG\n"
    "headless runs (no window; message boxes go to stderr and are answered from the input script, else with\n"
    "their first button; a choice at start-up without an answer of frame 0 makes the player give up):\n"
    "  --headless          run without a window\n"
    "  --clock virtual     every tick takes exactly 15 ms of a virtual clock: runs are deterministic\n"
    "  --input FILE        scripted input, one event per line: <frame> move X Y | down left|right |\n"
    "                      up left|right | click left|right X Y | wheel up|down | keydown VK | keyup VK |\n"
    "                      key VK | text TEXT | answer N | choose [PATH] | quit   (# starts a comment;\n"
    "                      choose answers the next file or folder dialog, without a path it cancels)\n"
    "  --dump-vars FILE    write every variable at exit: name, type, value, tab-separated, sorted by name\n"
    "\n"
    "keys of the player (every other key belongs to the game): Print Screen saves the screen as PNG in\n"
    "$XDG_PICTURES_DIR (else ~/Pictures)/<game title>/; Alt+F fast-forward; Alt+Enter full screen\n"
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
  // The player keeps most of what it allocates (pictures, pages, the scene) until the game changes scene.
  velk::ReserveHugePageHeap(size_t{24} << 20);
  velk::InstallStopSignals();
  velk::TPlayerOptions options;
  try {
    options = velk::ParsePlayerOptions(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const velk::EVelkError& e) {
    std::fprintf(stderr, "velkplayer: %s (--help lists the options)\n", e.Utf8().c_str());
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
  // A game folder or archive that is not there: said plainly, before anything starts.
  for (const std::string& arg : options.Args) {
    struct stat st {};
    if (velk::SameText(arg, "/config") || ::stat(arg.c_str(), &st) == 0) continue;
    std::fprintf(stderr, "velkplayer: %s: not found\n", arg.c_str());
    return velk::kExitNotStarted;
  }
  // The font configuration takes a while to parse: it loads on a thread of its own while the game opens, and the
  // first font lookup waits for it (or, without a thread, loads it then).
  std::future<void> font_config;
  try {
    font_config = std::async(std::launch::async, [] { velk::FontConfig(); });
  } catch (const std::system_error&) {
  }

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
  host.MuteOnlyWhenInactive = options.MuteOnlyWhenInactive;
  // The process, once it exists: window runs with a frame limit read its frame count.
  velk::TPlayerProcess* running = nullptr;
  // The game's clock: the back end's, sped up while fast-forward is on.
  std::unique_ptr<velk::TSpeedClock> speed;
  // The player's keys while the window shows the game.
  auto use_player_keys = [&](velk::TFormView& form, velk::TPlayerKeys& keys) {
    form.SetKeyHook([&keys](const velk::TInputEvent& e) { return keys.HandleKey(e); });
    form.Window().SetCaption(keys.Caption());
  };
  // The game's title, or the name of its folder when it has none.
  auto game_title = [&] {
    std::string title;
    if (running != nullptr && running->Project() != nullptr) title = velk::Cp932ToUtf8(running->Project()->Title());
    if (title.empty() && running != nullptr) {
      std::string folder = running->BaseFolder();
      while (!folder.empty() && folder.back() == '/') folder.pop_back();
      title = folder.substr(folder.find_last_of('/') + 1);
    }
    return title;
  };

  velk::TSteadyClock steady_clock;
  velk::TVirtualClock virtual_clock;
  velk::THeadlessMessageBoxes headless_boxes;
  velk::THeadlessWindow headless_window;
  velk::THeadlessCursors headless_cursors;
  velk::THeadlessShell headless_shell;
  bool dump_failed = false;
  bool screenshot_failed = false;
#ifdef VELK_HAVE_SDL
  velk::TSdlClock sdl_clock;
  velk::TSdlMessageBoxes sdl_boxes;
  // Made with the window: headless runs have no use for its font.
  std::optional<velk::TWindowMessageBoxes> window_boxes;
  velk::TSdlCursors sdl_cursors;
  velk::TSdlShell sdl_shell;
  velk::TSdlClipboard sdl_clipboard;
  std::optional<velk::TSdlWindow> sdl_window;
  if (!options.Headless) {
    sdl_window.emplace();
    bool config = !options.Args.empty() && velk::SameText(options.Args[0], "/config");
    // SDL falls back to an invisible off-screen window when there is no display; a player nobody can see or close is
    // refused unless that driver was asked for.
    const char* driver = sdl_window->Available() ? velk::TSdlLibrary::Get()->SDL_GetCurrentVideoDriver() : nullptr;
    bool invisible =
        driver != nullptr && std::strcmp(driver, "offscreen") == 0 && std::getenv("SDL_VIDEODRIVER") == nullptr;
    if (!sdl_window->Available() || invisible) {
      std::fprintf(stderr, config ? "velkplayer: the configuration dialog needs a display; use --headless\n"
                                  : "velkplayer: no display to open the window on; use --headless\n");
      return velk::kExitNotStarted;
    }
    speed = std::make_unique<velk::TSpeedClock>(sdl_clock);
    host.Platform.Clock = speed.get();
    sdl_window->SetSmooth(options.Smooth);
    // Boxes are drawn in the window once it shows the game; SDL's own boxes only before that.
    window_boxes.emplace(sdl_boxes);
    host.Platform.MessageBoxes = &*window_boxes;
    host.Platform.Cursors = &sdl_cursors;
    host.Platform.Shell = &sdl_shell;
    host.Platform.Clipboard = &sdl_clipboard;
    host.Window = &*sdl_window;
    sdl_boxes.SetOwner(nullptr);
    host.MessageLoop = [&](velk::TFormView& form) {
      sdl_boxes.SetOwner(sdl_window->Handle());
      sdl_shell.SetOwner(sdl_window->Handle());
      window_boxes->SetWindow(&*sdl_window, &form.Client());
      velk::TPlayerKeys keys(form, *speed, options.Speed, game_title());
      use_player_keys(form, keys);
      const std::string placement_key = velk::PlacementKey(running->BaseFolder());
      const std::string placement_file = velk::PlacementFile();
      velk::TWindowPlacement placement;
      if (!form.FullScreen() && velk::LoadPlacement(placement_file, placement_key, placement)) {
        if (!options.ScaleSet) sdl_window->SetScale(placement.Scale);
        sdl_window->RestoreBounds(placement.Bounds);
      }
      // Asked after every event and tick: the title note expires, and a frame limit ends the run.
      std::function<bool()> stop = [&] {
        keys.Idle(sdl_clock.Milliseconds());
        return options.Frames >= 0 && running != nullptr && running->Values().FrameCount >= options.Frames;
      };
      velk::RunWindowMessageLoop(form, *sdl_window, sdl_clock, stop, speed.get());
      form.SetKeyHook(nullptr);
      if (!form.FullScreen()) {
        velk::SavePlacement(placement_file, placement_key, {sdl_window->WindowBounds(), sdl_window->Scale()});
      }
      window_boxes->SetWindow(nullptr, nullptr);
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
    speed = std::make_unique<velk::TSpeedClock>(options.VirtualClock ? static_cast<velk::IClock&>(virtual_clock)
                                                                     : steady_clock);
    host.Platform.Clock = speed.get();
    host.Deterministic = options.VirtualClock;
    host.Platform.MessageBoxes = &headless_boxes;
    host.Platform.Cursors = &headless_cursors;
    host.Platform.Shell = &headless_shell;
    host.Window = &headless_window;
    // Screenshots come from the scene itself: nothing reads the window's copy of the frame.
    headless_window.SetKeepsPixels(false);
    runner.emplace(headless_window, headless_boxes,
                   options.VirtualClock ? static_cast<velk::IClock&>(virtual_clock) : steady_clock, script,
                   options.Frames, options.VirtualClock);
    runner->SetSpeed(speed.get());
    runner->SetShell(&headless_shell);
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
      velk::TPlayerKeys keys(form, *speed, options.Speed, game_title());
      use_player_keys(form, keys);
      runner->Run(form);
      form.SetKeyHook(nullptr);
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
    auto out = std::make_unique<velk::TClockAudioOutput>(*speed);
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
  if (speed) speed->SetFactor(options.Speed);
  // Outputs that play in real time play faster with the game clock; the clock-driven one follows the clock itself.
  if (game_clock_audio != nullptr || !speed) {
    audio->Start(mixer.Filler());
  } else {
    audio->Start(velk::TSpeedAudioFill(mixer.Filler(), *speed));
  }
  velk::TGameSession session(host.Platform);
  session.SetMixer(&mixer);
  session.SetGameClockAudio(game_clock_audio != nullptr);
  session.SetAudioHeard(!options.Headless);
  session.SetSaveDir(options.SaveDir);
  if (options.PrintText) {
    session.SetTextHook([](const std::string& page) {
      std::string text = velk::Cp932ToUtf8(page);
      for (size_t i; (i = text.find("\r\n")) != std::string::npos;) text.erase(i, 1);
      std::fputs((text + "\n\n").c_str(), stdout);
      std::fflush(stdout);
    });
  }
  host.MediaLoader = [&] {
    std::function<void()> pump;
    // The wave output mixes its blocks first, then the output takes the frame's sound.
    if (game_clock_audio != nullptr)
      pump = [&] {
        session.PumpAudio();
        game_clock_audio->Pump();
      };
    return std::make_unique<velk::TVelkMediaLibrary>(mixer, pump);
  };
  session.Serve(host);
  velk::TPlayerProcess process(std::move(host));
  running = &process;
  int status = process.Run(options.Args);
  if (status == velk::kExitNormal && (dump_failed || screenshot_failed)) status = velk::kExitNotStarted;
  audio->Stop();
  return status;
}
