#include "app/headless_runner.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include "app/form_view.h"
#include "app/minimal_scene.h"
#include "app/player_process.h"
#include "app/png_writer.h"
#include "base/error.h"
#include "expr/param_collection.h"
#include "gfx/png_image.h"
#include "medialib/null_media.h"
#include "platform/headless/headless_clock.h"
#include "platform/posix_files.h"
#include "support/temp_dir.h"

namespace velk {
namespace {

class TTestFiles : public TPosixFiles {
 public:
  std::string ExecutablePath() override { return exe; }
  DriveType GetDriveType(const std::string&) override { return DriveType::Fixed; }
  std::string exe;
};

// What the game saw in one frame.
struct TSeen {
  int32_t Clock;
  TPoint Mouse;
  bool LeftClicked;
  bool LeftHeld;
  bool KeyPressed;
  int32_t Answer;
};

class TProbeProject : public IFrameProject {
 public:
  TProbeProject(TPlayerProcess& process, std::vector<TSeen>& seen) : process_(process), seen_(seen) {}
  int32_t ScreenWidth() const override { return 40; }
  int32_t ScreenHeight() const override { return 30; }
  std::string Title() const override { return "probe"; }
  bool PauseWhenInactive() const override { return true; }
  void RunFrame() override {
    auto* scene = static_cast<TMinimalScene*>(process_.Scene());
    const TSceneInput& in = scene->Input();
    int32_t answer = 0;
    if (seen_.size() == 5) answer = process_.Host().Platform.MessageBoxes->Show("?", "probe", MB_YESNO);
    seen_.push_back({process_.Values().GameClock, in.Mouse, in.LeftClicked, in.LeftHeld, in.KeyPressed[0x41], answer});
  }
  bool ApplyPending() override { return false; }

 private:
  TPlayerProcess& process_;
  std::vector<TSeen>& seen_;
};

class HeadlessRunnerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("XDG_RUNTIME_DIR", runtime.Path().c_str(), 1);
    files.exe = dir / "velkplayer";
    ::mkdir((dir / "game").c_str(), 0755);
    test::WriteFile(dir / "game/velk.kpb", "");
  }

  int Run(const std::string& script_text, int32_t frames, bool full_screen = false) {
    TInputScript script = TInputScript::Parse(script_text, "in.txt");
    TPlayerHost host;
    host.Platform.Clock = &clock;
    host.Platform.MessageBoxes = &boxes;
    host.Platform.Files = &files;
    host.Platform.Resources = &resources;
    host.MediaLoader = [] { return std::make_unique<TNullVelkMedia>(); };
    host.Window = &window;
    host.FullScreen = full_screen;
    host.Scale = 3;
    host.LoadProject = [this](TPlayerProcess& p) { return std::make_unique<TProbeProject>(p, seen); };
    host.MessageLoop = [&](TFormView& form) {
      THeadlessRunner runner(window, boxes, clock, script, frames, true);
      runner.Run(form);
      frames_run = runner.FramesRun();
    };
    host.BeforeVarsFree = [this](const TParamCollection&) { ++dumps; };
    TPlayerProcess process(std::move(host));
    return process.Run({dir / "game"});
  }

  test::TempDir dir;
  test::TempDir runtime;
  TTestFiles files;
  TNoResources resources;
  TVirtualClock clock;
  THeadlessMessageBoxes boxes{nullptr};
  THeadlessWindow window;
  std::vector<TSeen> seen;
  int32_t frames_run = 0;
  int dumps = 0;
};

TEST_F(HeadlessRunnerTest, ScriptedInputReachesTheGameAtItsFrames) {
  EXPECT_EQ(Run("0 move 5 6\n2 click left 10 12\n4 key 0x41\n5 answer 2\n7 quit\n", -1), kExitNormal);
  EXPECT_EQ(frames_run, 7);
  ASSERT_EQ(seen.size(), 7u);
  for (size_t i = 0; i < seen.size(); ++i) EXPECT_EQ(seen[i].Clock, 15 * static_cast<int32_t>(i + 1)) << i;
  EXPECT_EQ(seen[0].Mouse, (TPoint{5, 6}));  // scene coordinates, below the dock
  EXPECT_FALSE(seen[1].LeftClicked);
  EXPECT_TRUE(seen[2].LeftClicked);
  EXPECT_TRUE(seen[2].LeftHeld);
  EXPECT_EQ(seen[2].Mouse, (TPoint{10, 12}));
  EXPECT_FALSE(seen[3].LeftHeld);
  EXPECT_TRUE(seen[4].KeyPressed);
  EXPECT_FALSE(seen[5].KeyPressed);
  EXPECT_EQ(seen[5].Answer, IDNO);
  EXPECT_EQ(dumps, 1);
}

TEST_F(HeadlessRunnerTest, StopsAfterTheFrameCountAndIsDeterministic) {
  EXPECT_EQ(Run("", 3), kExitNormal);
  EXPECT_EQ(frames_run, 3);
  EXPECT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen.back().Clock, 45);
  // The presented client holds the dock strip and the (black) scene.
  EXPECT_EQ(window.Width(), 40);
  EXPECT_EQ(window.Height(), 52);
}

TEST_F(HeadlessRunnerTest, StartsInFullScreenWhenAsked) {
  EXPECT_EQ(Run("", 2, true), kExitNormal);
  EXPECT_TRUE(window.FullScreen());
  EXPECT_EQ(window.Scale(), 3);
  EXPECT_EQ(window.Width(), 40);
  EXPECT_EQ(window.Height(), 30);
}

TEST(PngWriter, WritesTheFrameAsRgb) {
  test::TempDir dir;
  std::vector<uint32_t> pixels = {0x336699, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000};
  TFrameView frame{pixels.data(), 2, 3, 2};
  WritePngFile(dir / "a.png", frame);
  std::string bytes = test::ReadFile(dir / "a.png");
  TDecodedImage img = DecodePng(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), "a.png");
  EXPECT_EQ(img.Width, 2);
  EXPECT_EQ(img.Height, 3);
  // Decoded colours are 0x00BBGGRR.
  EXPECT_EQ(img.Colors, (std::vector<uint32_t>{0x996633, 0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF, 0x000000}));
  EXPECT_THROW(WritePngFile("/nonexistent/dir/a.png", frame), EVelkError);
}

}  // namespace
}  // namespace velk
