// Opens the player's real window on the X display, lets the loop thread run frames of a one-colour game at scale 2,
// closes it through the quit button's confirmation (drawn in the window; its screenshot is written beside the
// window's), and checks a screenshot of the window; then a scale too large for the screen shrinks to fit, and the
// screen fitted into a wide window is letterboxed (its screenshot too). Exit status 77: no display.
#include <sys/stat.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "app/form_view.h"
#include "app/message_loop.h"
#include "app/minimal_scene.h"
#include "app/player_process.h"
#include "app/png_writer.h"
#include "app/window_message_boxes.h"
#include "medialib/null_media.h"
#include "platform/posix_files.h"
#include "platform/sdl/sdl_clock.h"
#include "platform/sdl/sdl_window.h"

namespace {

constexpr int32_t kWidth = 160;
constexpr int32_t kHeight = 120;
constexpr int32_t kScale = 2;
constexpr uint32_t kColour = 0x2080C0;
// The window the fitted screen is letterboxed in: twice the frame's height, four times its width.
constexpr int32_t kWideWidth = 640;
constexpr int32_t kWideHeight = 284;

// The fallback before the window shows the game: never asked in this run.
class TYesBoxes : public velk::IMessageBoxes {
 public:
  int32_t Show(const std::string&, const std::string&, uint32_t) override {
    ++shown;
    return velk::IDYES;
  }
  int shown = 0;
};

// The window as the drawn boxes see it: once a box has been presented, the window's pixels are read (what the user
// sees) and the box is answered with Enter (its first button, Yes).
class TBoxWindow : public velk::IWindow {
 public:
  explicit TBoxWindow(velk::TSdlWindow& w) : w_(w) {}
  void Create(const std::string& c, int32_t x, int32_t y) override { w_.Create(c, x, y); }
  void SetCaption(const std::string& c) override { w_.SetCaption(c); }
  void SetClientSize(int32_t x, int32_t y) override { w_.SetClientSize(x, y); }
  void SetPosition(int32_t x, int32_t y) override { w_.SetPosition(x, y); }
  velk::TPoint Position() override { return w_.Position(); }
  velk::TRect WorkArea() override { return w_.WorkArea(); }
  velk::TPoint OuterSize() override { return w_.OuterSize(); }
  void SetScale(int32_t s) override { w_.SetScale(s); }
  std::vector<velk::TDisplayMode> DisplayModes() override { return w_.DisplayModes(); }
  int32_t CurrentModeIndex() override { return w_.CurrentModeIndex(); }
  bool SetFullScreen(bool on, int32_t i) override { return w_.SetFullScreen(on, i); }
  void Present(const velk::TFrameView& f, const std::vector<velk::TRect>& c) override {
    w_.Present(f, c);
    ++presents;
  }
  bool PollEvent(velk::TInputEvent& e) override { return w_.PollEvent(e); }
  bool WaitEvent(velk::TInputEvent& e, uint32_t) override {
    if (pixels.empty()) pixels = w_.ReadWindowPixels(width, height);
    e = velk::TInputEvent{};
    e.Kind = velk::TInputKind::KeyDown;
    e.Key = 0x0D;
    return true;
  }
  void Wake() override { w_.Wake(); }
  void WarpCursor(int32_t x, int32_t y) override { w_.WarpCursor(x, y); }
  velk::TPoint CursorPosition() override { return w_.CursorPosition(); }

  int presents = 0;
  std::vector<uint32_t> pixels;
  int32_t width = 0, height = 0;

 private:
  velk::TSdlWindow& w_;
};

class TSmokeProject : public velk::IFrameProject {
 public:
  TSmokeProject(velk::TPlayerProcess& p, std::atomic<int>& frames) : frames(frames), process_(p) {}
  int32_t ScreenWidth() const override { return kWidth; }
  int32_t ScreenHeight() const override { return kHeight; }
  std::string Title() const override { return "smoke"; }
  bool PauseWhenInactive() const override { return false; }
  void RunFrame() override {
    ++frames;
    if (frames == 1) static_cast<velk::TMinimalScene*>(process_.Scene())->SetColour(kColour);
  }
  bool ApplyPending() override { return false; }
  std::atomic<int>& frames;

 private:
  velk::TPlayerProcess& process_;
};

int fail(const char* what) {
  std::fprintf(stderr, "window_smoke: %s\n", what);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return fail("usage: window_smoke SCREENSHOT.png WORK_FOLDER");
  std::string shot = argv[1];
  std::string work = std::string(argv[2]) + "/";
  ::mkdir(work.c_str(), 0755);
  ::mkdir((work + "game").c_str(), 0755);
  std::FILE* kpb = std::fopen((work + "game/velk.kpb").c_str(), "wb");
  if (kpb == nullptr) return fail("cannot write the game folder");
  std::fclose(kpb);
  setenv("XDG_RUNTIME_DIR", work.c_str(), 1);

  velk::TSdlWindow window;
  if (!window.Available()) {
    std::puts("window_smoke: no display, skipped");
    return 77;
  }
  velk::TSdlClock clock;
  TYesBoxes fallback;
  velk::TWindowMessageBoxes boxes(fallback);
  TBoxWindow box_window(window);
  velk::TPosixFiles files;
  velk::TNoResources resources;
  velk::TPlayerHost host;
  host.Platform = {&clock, &boxes, &files, &resources};
  host.MediaLoader = [] { return std::make_unique<velk::TNullVelkMedia>(); };
  host.Window = &window;
  host.Scale = kScale;
  std::atomic<int> frames{0};
  host.LoadProject = [&](velk::TPlayerProcess& p) { return std::make_unique<TSmokeProject>(p, frames); };
  std::vector<uint32_t> pixels;
  int32_t width = 0, height = 0;
  int32_t game_clock = 0;
  int32_t fitted_scale = 0;
  velk::TRect fitted_bounds;
  std::vector<uint32_t> wide;
  int32_t wide_width = 0, wide_height = 0;
  host.MessageLoop = [&](velk::TFormView& form) {
    boxes.SetWindow(&box_window, &form.Client());
    // The quit button is pressed by a click on the toolbar once the loop thread has run some frames.
    std::thread clicker([&] {
      for (int i = 0; i < 500 && frames.load() < 30; ++i) SDL_Delay(10);
      for (velk::TInputKind kind : {velk::TInputKind::MouseDown, velk::TInputKind::MouseUp}) {
        SDL_Event e{};
        e.type = kind == velk::TInputKind::MouseDown ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        e.button.windowID = SDL_GetWindowID(window.Handle());
        e.button.button = SDL_BUTTON_LEFT;
        e.button.x = 10 * kScale;
        e.button.y = 5 * kScale;
        SDL_PushEvent(&e);
      }
    });
    velk::RunWindowMessageLoop(form, window, clock);
    clicker.join();
    boxes.SetWindow(nullptr, nullptr);
    pixels = window.ReadWindowPixels(width, height);
    // A scale too large for the screen shrinks to the largest that fits.
    window.SetScale(16);
    fitted_scale = window.EffectiveScale();
    fitted_bounds = window.WindowBounds();
    // Fitted into a wide window: the screen keeps its aspect ratio, with black bars left and right.
    window.SetScale(velk::kScaleFit);
    SDL_SetWindowSize(window.Handle(), kWideWidth, kWideHeight);
    for (int i = 0; i < 100; ++i) {
      SDL_PumpEvents();
      int w = 0, h = 0;
      SDL_GetRendererOutputSize(SDL_GetRenderer(window.Handle()), &w, &h);
      if (w == kWideWidth && h == kWideHeight) break;
      SDL_Delay(10);
    }
    wide = window.ReadWindowPixels(wide_width, wide_height);
  };
  velk::TPlayerProcess process(std::move(host));
  int status = process.Run({work + "game"});
  game_clock = process.Values().GameClock;
  if (status != 0) return fail("the player did not end normally");
  if (fallback.shown != 0 || box_window.presents != 2 || box_window.pixels.empty()) {
    return fail("the quit confirmation was not drawn in the window once");
  }
  if (frames.load() < 30) return fail("the loop thread ran too few frames");
  if (game_clock <= 0) return fail("the game clock did not advance");
  if (width != kWidth * kScale || height != (kHeight + 22) * kScale) return fail("the window has the wrong size");
  velk::WritePngFile(shot, velk::TFrameView{pixels.data(), width, height, width});
  // The box, drawn over the game's screen: its face colour at the window's centre.
  const std::string box_shot = shot.substr(0, shot.size() - 4) + "_box.png";
  velk::WritePngFile(box_shot,
                     velk::TFrameView{box_window.pixels.data(), box_window.width, box_window.height, box_window.width});
  if (box_window.pixels[static_cast<size_t>(box_window.height / 2 + 20) * static_cast<size_t>(box_window.width) +
                        static_cast<size_t>(8)] != 0xF0F0F0) {
    return fail("the quit confirmation is not on the screen");
  }
  auto at = [&](int32_t x, int32_t y) { return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + x]; };
  if (at(5, (22 + 5) * kScale) != kColour || at(width - 1, height - 1) != kColour) {
    return fail("the scene's colour is not on the screen");
  }
  if (at(width - 4, 4) != 0xF0F0F0) return fail("the toolbar strip is missing");
  // The screen is 800 x 600: 16 times 160 x 142 does not fit, 4 times does.
  if (fitted_scale != 4 || fitted_bounds.Width() != kWidth * 4 || fitted_bounds.Height() != (kHeight + 22) * 4) {
    return fail("a scale too large for the screen was not shrunk to fit");
  }
  if (wide_width != kWideWidth || wide_height != kWideHeight) return fail("the wide window has the wrong size");
  velk::WritePngFile(shot.substr(0, shot.size() - 4) + "_wide.png",
                     velk::TFrameView{wide.data(), wide_width, wide_height, wide_width});
  // 160 x 142 fitted into 640 x 284: 320 x 284 in the middle, bars of 160 on either side.
  auto wide_at = [&](int32_t x, int32_t y) {
    return wide[static_cast<size_t>(y) * static_cast<size_t>(wide_width) + x];
  };
  for (int32_t y : {0, kWideHeight / 2, kWideHeight - 1}) {
    if (wide_at(0, y) != 0 || wide_at(159, y) != 0 || wide_at(480, y) != 0 || wide_at(kWideWidth - 1, y) != 0) {
      return fail("the letterbox bars are not black");
    }
  }
  if (wide_at(160, kWideHeight - 1) != kColour || wide_at(479, kWideHeight / 2) != kColour ||
      wide_at(kWideWidth / 2, 2) != 0xF0F0F0) {
    return fail("the fitted screen is not in the middle of the wide window");
  }
  std::printf("window_smoke: %d frames, game clock %d ms, screenshot %s\n", frames.load(), game_clock, shot.c_str());
  return 0;
}
