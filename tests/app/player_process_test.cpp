#include "app/player_process.h"

#include "app/form_view.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "base/sjis.h"
#include "medialib/null_media.h"
#include "platform/headless/headless_clock.h"
#include "platform/headless/headless_message_boxes.h"
#include "platform/headless/memory_resources.h"
#include "platform/posix_files.h"
#include "support/temp_dir.h"
#include "vfs/stream.h"

namespace velk {
namespace {

// The real file services, with the executable placed in a test folder and a settable drive type.
class TTestFiles : public TPosixFiles {
 public:
  std::string ExecutablePath() override { return exe; }
  DriveType GetDriveType(const std::string&) override { return drive; }
  std::string exe;
  DriveType drive = DriveType::Fixed;
};

class PlayerProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Guard files go to a folder of this test, so runs never meet a real player.
    setenv("XDG_RUNTIME_DIR", runtime.Path().c_str(), 1);
    files.exe = dir / "velkplayer";
    test::WriteFile(files.exe, "ELF");
    host.Platform.Clock = &clock;
    host.Platform.MessageBoxes = &boxes;
    host.Platform.Files = &files;
    host.Platform.Resources = &resources;
    host.MediaLoader = [] { return std::make_unique<TNullVelkMedia>(); };
  }

  // Runs a process and records its trace.
  int Run(const std::vector<std::string>& args) {
    TPlayerProcess process(host);
    process.Trace().SetObserver([this](const std::string& t, int32_t) { trace.push_back(t); });
    int status = process.Run(args);
    mounted = process.Mounted();
    return status;
  }

  test::TempDir dir;
  test::TempDir runtime;
  TVirtualClock clock;
  THeadlessMessageBoxes boxes{nullptr};
  TTestFiles files;
  TMemoryResources resources;
  TPlayerHost host;
  std::vector<std::string> trace;
  std::vector<std::string> mounted;
};

TEST(PlayerProcess, InstanceGuardNameFollowsTheFolderRule) {
  EXPECT_EQ(TPlayerProcess::InstanceGuardName("c:\\games\\x"), "C:-GAMES-X-");
  EXPECT_EQ(TPlayerProcess::InstanceGuardName("C:\\GAMES\\X\\"), "C:-GAMES-X-");
  EXPECT_EQ(TPlayerProcess::InstanceGuardName("/home/a/Game"), "-HOME-A-GAME-");
  // A trail byte 0x5C is part of its character, not a delimiter; trail bytes are never upper-cased.
  EXPECT_EQ(TPlayerProcess::InstanceGuardName("d:\\\x95\x5C\x83\x61"), "D:-\x95\x5C\x83\x61-");
}

TEST_F(PlayerProcessTest, WithoutAGameEndsInOrderTracingWhatItFrees) {
  test::WriteFile(dir / "velkplay.log", "stale");
  // A folder without a project file: the player says so in one line, and shows no box.
  EXPECT_EQ(Run({dir.Path()}), kExitNotStarted);
  EXPECT_TRUE(boxes.Shown().empty());
  EXPECT_FALSE(FileExists(dir / "velkplay.log"));
  // Every part is traced when it is really gone: the scene at "Bases.Free", the variables after "ParamMan.Free".
  std::vector<std::string> expected = {"FormCreate",    "TBasePanel.Create", "DXSound.Initialize", "VelkInitialize",
                                       "TProject.Create", "Project.Free",    "SysFuncMan.Free",    "ParamMan.Free",
                                       "VelkFinalize",    "Bases.Free",      "TextRead.Free",      "MediaFinal",
                                       "velkFinal",       "FormClose"};
  host.FreePart = [](const std::string& name) { return name == "TextRead.Free"; };
  trace.clear();
  TPlayerProcess process(host);
  std::vector<std::string> gone;
  process.Trace().SetObserver([&](const std::string& t, int32_t) {
    trace.push_back(t);
    if (t == "Bases.Free" && process.Scene() == nullptr && process.Vars() == nullptr) gone.push_back(t);
  });
  EXPECT_EQ(process.Run({dir.Path()}), kExitNotStarted);
  // Freed in the order of shutdown: the read-message list before the scene.
  std::swap(expected[9], expected[10]);
  EXPECT_EQ(trace, expected);
  EXPECT_EQ(gone, std::vector<std::string>{"Bases.Free"});
}

TEST_F(PlayerProcessTest, QuitFlagDuringCreationSkipsTheMessageLoop) {
  bool loop_ran = false;
  host.MessageLoop = [&](TFormView&) { loop_ran = true; };
  EXPECT_EQ(Run({dir.Path()}), kExitNotStarted);
  EXPECT_FALSE(loop_ran);
}

TEST_F(PlayerProcessTest, SecondInstanceForTheSameFolderEndsSilently) {
  TPosixFiles other;
  auto held = other.AcquireInstanceGuard(TPlayerProcess::InstanceGuardName(dir.Path()));
  ASSERT_NE(held, nullptr);
  test::WriteFile(dir / "velkplay.log", "stale");
  EXPECT_EQ(Run({dir.Path()}), kExitRefused);
  EXPECT_TRUE(boxes.Shown().empty());
  EXPECT_TRUE(trace.empty());
  EXPECT_TRUE(FileExists(dir / "velkplay.log"));  // nothing at all ran

  // Another folder is another game: that copy runs (and finds no game there).
  test::TempDir elsewhere;
  trace.clear();
  EXPECT_EQ(Run({elsewhere.Path()}), kExitNotStarted);
  EXPECT_FALSE(trace.empty());
  held.reset();
  // Once the first copy has ended, the folder can be played again.
  EXPECT_EQ(Run({dir.Path()}), kExitNotStarted);
}

TEST_F(PlayerProcessTest, OpticalDriveEndsSilently) {
  files.drive = DriveType::CdRom;
  EXPECT_EQ(Run({}), kExitRefused);
  EXPECT_TRUE(boxes.Shown().empty());
  EXPECT_TRUE(trace.empty());
}

TEST_F(PlayerProcessTest, ConfigArgumentOpensOnlyTheDialog) {
  int dialogs = 0;
  host.ConfigDialog = [&](const std::string&) { ++dialogs; };
  for (const char* arg : {"/config", "/CONFIG"}) {
    trace.clear();
    EXPECT_EQ(Run({arg}), kExitNormal);
    EXPECT_TRUE(trace.empty()) << arg;  // no window, no project
  }
  EXPECT_EQ(dialogs, 2);
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(PlayerProcessTest, MediaLibraryMissingOrOfAnotherVersionEndsWithItsMessage) {
  host.MediaLoader = [] { return std::unique_ptr<IVelkMedia>(); };
  EXPECT_EQ(Run({}), kExitNotStarted);
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(Cp932ToUtf8(boxes.Shown()[0].Text), "velk.dll\r\nファイルがありません");
  EXPECT_EQ(boxes.Shown()[0].Caption, "Error");

  struct TOldMedia : TNullVelkMedia {
    int32_t velkVersion() override { return 107; }
  };
  host.MediaLoader = [] { return std::make_unique<TOldMedia>(); };
  EXPECT_EQ(Run({}), kExitNotStarted);
  ASSERT_EQ(boxes.Shown().size(), 2u);
  EXPECT_EQ(Cp932ToUtf8(boxes.Shown()[1].Text), "velk.dllのバージョンがあいません");
  EXPECT_EQ(boxes.Shown()[1].Style, MB_OK | MB_ICONWARNING);
  EXPECT_TRUE(trace.empty());
}

TEST_F(PlayerProcessTest, GameDataIsFoundWhereTheRulesSay) {
  // Without arguments: an appended archive (trailer "vk") on the executable, and a resource ending in "vf".
  test::WriteFile(files.exe, std::string("ELF....\x10\0\0\0vk", 13));
  resources.Add("", "BINTYPE", "DUMMY", {'x', 'v', 'f'});
  Run({});
  EXPECT_EQ(mounted, (std::vector<std::string>{"resource:DUMMY", files.exe}));

  // With arguments: game.dat of the folder, then every argument that is an archive.
  test::TempDir game;
  test::WriteFile(game / "game.dat", "vf");
  test::WriteFile(game / "extra.bin", "....vk");
  test::WriteFile(game / "plain.bin", "nothing");
  Run({game.Path(), game / "extra.bin", game / "plain.bin"});
  EXPECT_EQ(mounted, (std::vector<std::string>{game / "game.dat", game / "extra.bin"}));
}

}  // namespace
}  // namespace velk
