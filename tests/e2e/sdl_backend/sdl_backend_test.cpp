#include <gtest/gtest.h>

#include <stdlib.h>

#include <sys/stat.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <chrono>
#include <thread>

#include "platform/sdl/sdl_audio.h"
#include "platform/sdl/sdl_keys.h"
#include "platform/sdl/sdl_shell.h"
#include "platform/sdl/sdl_window.h"

namespace velk {
namespace {

// These tests always run on SDL's dummy drivers, whatever the environment says: no display or device is needed.
const bool kDummyDrivers = [] {
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  return true;
}();

TEST(SdlShell, OpenDialogOffersTheFilesTheFilterMatches) {
  char pattern[] = "/tmp/velk-shell-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string folder = std::string(pattern) + "/";
  for (const char* name : {"b.TXT", "a.txt", "c.log", "d.png"}) {
    std::FILE* f = std::fopen((folder + name).c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
  }
  ASSERT_EQ(::mkdir((folder + "e.txt").c_str(), 0755), 0);
  EXPECT_EQ(MatchingFiles(folder, "Text|*.txt;*.log|All|*.*", 10),
            (std::vector<std::string>{"a.txt", "b.TXT", "c.log"}));
  EXPECT_EQ(MatchingFiles(folder, "", 2), (std::vector<std::string>{"a.txt", "b.TXT"}));
  EXPECT_EQ(MatchingFiles(folder, "All|*.*", 10).size(), 4u);
  EXPECT_TRUE(MatchingFiles(folder + "missing/", "", 10).empty());
  std::filesystem::remove_all(folder);
}

TEST(SdlKeys, ScancodesMapToVirtualKeys) {
  struct {
    SDL_Scancode scancode;
    uint32_t vk;
  } cases[] = {{SDL_SCANCODE_A, 0x41},      {SDL_SCANCODE_Z, 0x5A},     {SDL_SCANCODE_1, 0x31},
               {SDL_SCANCODE_9, 0x39},      {SDL_SCANCODE_0, 0x30},     {SDL_SCANCODE_RETURN, 0x0D},
               {SDL_SCANCODE_ESCAPE, 0x1B}, {SDL_SCANCODE_SPACE, 0x20}, {SDL_SCANCODE_LEFT, 0x25},
               {SDL_SCANCODE_DOWN, 0x28},   {SDL_SCANCODE_F1, 0x70},    {SDL_SCANCODE_F11, 0x7A},
               {SDL_SCANCODE_LSHIFT, 0x10}, {SDL_SCANCODE_RCTRL, 0x11}, {SDL_SCANCODE_KP_5, 0x65},
               {SDL_SCANCODE_COMMA, 0xBC},  {SDL_SCANCODE_UNKNOWN, 0}};
  for (const auto& c : cases) EXPECT_EQ(VirtualKeyOfScancode(c.scancode), c.vk) << c.scancode;
}

TEST(SdlAudioOutput, NeverFailsOrHangs) {
  TSdlAudioOutput out;
  std::atomic<uint64_t> frames{0};
  out.Start([&](int16_t*, size_t n) { frames += n; });
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  while (frames.load() == 0 && std::chrono::steady_clock::now() < until) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  auto before = std::chrono::steady_clock::now();
  out.Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(1));
  EXPECT_GT(frames.load(), 0u);
}

TEST(SdlWindow, UploadsChangedRectanglesAndScalesWithLetterbox) {
  TSdlWindow w;
  ASSERT_TRUE(w.Available());
  w.Create("test", 4, 2);
  ASSERT_NE(w.Handle(), nullptr);
  std::vector<uint32_t> frame = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x101010, 0x202020, 0x303030, 0x404040};
  w.Present(TFrameView{frame.data(), 4, 2, 4}, {TRect{0, 0, 4, 2}});
  int32_t width = 0, height = 0;
  std::vector<uint32_t> shown = w.ReadWindowPixels(width, height);
  ASSERT_EQ(width, 4);
  ASSERT_EQ(height, 2);
  EXPECT_EQ(shown, frame);

  // Only the changed rectangle is uploaded: a change outside it does not reach the window.
  std::vector<uint32_t> next = frame;
  next[0] = 0x0A0B0C;
  next[7] = 0x0D0E0F;
  w.Present(TFrameView{next.data(), 4, 2, 4}, {TRect{3, 1, 4, 2}});
  shown = w.ReadWindowPixels(width, height);
  EXPECT_EQ(shown[0], 0xFF0000u);
  EXPECT_EQ(shown[7], 0x0D0E0Fu);

  // Scale 2: every pixel becomes a 2 x 2 block.
  w.SetScale(2);
  shown = w.ReadWindowPixels(width, height);
  ASSERT_EQ(width, 8);
  ASSERT_EQ(height, 4);
  EXPECT_EQ(shown[0], 0xFF0000u);
  EXPECT_EQ(shown[1], 0xFF0000u);
  EXPECT_EQ(shown[8 + 1], 0xFF0000u);
  EXPECT_EQ(shown[2], 0x00FF00u);
  EXPECT_EQ(shown[3 * 8 + 7], 0x0D0E0Fu);

  // Fit: the frame keeps its aspect ratio, centred, black around it.
  w.SetScale(kScaleFit);
  SDL_SetWindowSize(w.Handle(), 16, 4);
  shown = w.ReadWindowPixels(width, height);
  ASSERT_EQ(width, 16);
  ASSERT_EQ(height, 4);
  SDL_Rect r = w.FrameRect();
  EXPECT_EQ(r.x, 4);
  EXPECT_EQ(r.w, 8);
  EXPECT_EQ(r.h, 4);
  EXPECT_EQ(shown[0], 0u);
  EXPECT_EQ(shown[15], 0u);
  EXPECT_EQ(shown[4], 0xFF0000u);
  // A mouse position in the window maps back to frame pixels.
  SDL_Event e{};
  e.type = SDL_MOUSEMOTION;
  e.motion.windowID = SDL_GetWindowID(w.Handle());
  e.motion.x = 4 + 6;
  e.motion.y = 3;
  SDL_PushEvent(&e);
  TInputEvent in;
  bool got = false;
  for (int i = 0; i < 10 && !got; ++i) got = w.PollEvent(in) && in.Kind == TInputKind::MouseMove;
  ASSERT_TRUE(got);
  EXPECT_EQ(in.X, 3);
  EXPECT_EQ(in.Y, 1);
}

TEST(SdlWindow, FullScreenFitsTheFrameToTheScreen) {
  TSdlWindow w;
  ASSERT_TRUE(w.Available());
  w.Create("test", 4, 2);
  ASSERT_FALSE(w.DisplayModes().empty());
  ASSERT_TRUE(w.SetFullScreen(true, -1));
  EXPECT_EQ(w.CurrentModeIndex(), -1);
  int32_t width = 0, height = 0;
  std::vector<uint32_t> frame(8, 0x00FF00);
  w.Present(TFrameView{frame.data(), 4, 2, 4}, {TRect{0, 0, 4, 2}});
  std::vector<uint32_t> shown = w.ReadWindowPixels(width, height);
  ASSERT_GT(width, 0);
  SDL_Rect r = w.FrameRect();
  // The aspect ratio is kept and the frame is centred, black bars around it.
  EXPECT_EQ(r.w * 2 / 4, r.h);
  EXPECT_TRUE(r.w == width || r.h == height);
  EXPECT_EQ(r.x, (width - r.w) / 2);
  EXPECT_EQ(r.y, (height - r.h) / 2);
  EXPECT_EQ(shown[static_cast<size_t>(r.y + r.h / 2) * width + r.x + r.w / 2], 0x00FF00u);
  if (r.y > 0) {
    EXPECT_EQ(shown[0], 0u);
  }
  ASSERT_TRUE(w.SetFullScreen(false, -1));
  shown = w.ReadWindowPixels(width, height);
  EXPECT_EQ(width, 4);
  EXPECT_EQ(height, 2);
}

TEST(SdlWindow, WakeEndsAWaitFromAnotherThread) {
  TSdlWindow w;
  ASSERT_TRUE(w.Available());
  w.Create("test", 2, 2);
  TInputEvent in;
  while (w.PollEvent(in)) {
  }
  std::thread waker([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    w.Wake();
  });
  auto before = std::chrono::steady_clock::now();
  w.WaitEvent(in, 5000);
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(2));
  waker.join();
}

}  // namespace
}  // namespace velk
