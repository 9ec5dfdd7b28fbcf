#include "script/project.h"

#include <gtest/gtest.h>

#include <deque>

#include "base/error.h"
#include "base/process_values.h"
#include "base/sjis.h"
#include "expr/param_collection.h"
#include "support/temp_dir.h"
#include "vfs/archive.h"
#include "vfs/big_stream.h"
#include "vfs/file_manager.h"
#include "vfs/install_set.h"

namespace velk {
namespace {

struct Box {
  std::string Text, Caption;
  uint32_t Style;
};

class FakeBoxes : public IMessageBoxes {
 public:
  int32_t Show(const std::string& text, const std::string& caption, uint32_t style) override {
    shown.push_back({text, caption, style});
    if (answers.empty()) return IDCANCEL;
    const int32_t a = answers.front();
    answers.pop_front();
    return a;
  }
  std::vector<Box> shown;
  std::deque<int32_t> answers;
};

class FakeCalls : public ICallManager {
 public:
  explicit FakeCalls(std::vector<std::string>& log) : log_(log) {}
  void Start(const std::string& page) override { log_.push_back("start " + page); }
  void RunFrame() override { log_.push_back("run"); }

 private:
  std::vector<std::string>& log_;
};

class FakeWindow : public IProjectWindow {
 public:
  void SetTitle(const std::string& t) override { title = t; }
  void SetTransitionCentre(int32_t x, int32_t y) override { centre = {x, y}; }
  void Close() override { log.push_back("close"); }
  std::unique_ptr<ICallManager> CreateCallManager(TProject&) override { return std::make_unique<FakeCalls>(log); }
  std::string title;
  std::pair<int32_t, int32_t> centre{-1, -1};
  std::vector<std::string> log;
};

class FakeSaves : public IGameSaves {
 public:
  explicit FakeSaves(TParamCollection& vars) : vars_(vars) {}
  void RestoreStatus(TProject&) override {
    // A status variable restored from the save file.
    auto* item = vars_.AddVariable(1);
    item->SetVarName("score");
    item->Value()->SetInt(99);
    log.push_back("restore");
  }
  std::vector<TSaveTitle> ReadSaveTitles(TProject&) override { return {{3, "three"}}; }
  void WriteStatus(TProject&) override { log.push_back("write"); }
  void LoadSlot(TProject&, int32_t slot) override { log.push_back("load " + std::to_string(slot)); }
  void SaveSlot(TProject&, int32_t slot) override { log.push_back("save " + std::to_string(slot)); }
  std::vector<std::string> log;

 private:
  TParamCollection& vars_;
};

TProjectSetting setting() {
  TProjectSetting p;
  p.Title = "Game";
  p.ScreenWidth = 641;
  p.ScreenHeight = 479;
  p.StartPage = "main.ksb";
  p.ExitPage = "bye.ksb";
  p.DiscPrompt = "insert %d";
  p.QuitText = "give up";
  p.Variables.push_back({1, "score", 5, 0, false, ""});
  p.Variables.push_back({4, "name", 0, 0, false, "abc"});
  p.Variables.push_back({2, "rate", 0, 2.5L, false, ""});
  p.DiscMap.Add("bgm", 2);
  p.DiscMap.Add("s", 2);
  return p;
}

struct Rig {
  test::TempDir dir;
  FakeBoxes boxes;
  TProcessValues process;
  TParamCollection vars;
  FakeWindow window;
  FakeSaves saves{vars};
  std::unique_ptr<TVrFileManager> files;

  Rig() {
    TPlatform platform;
    platform.MessageBoxes = &boxes;
    files = std::make_unique<TVrFileManager>(platform, std::vector<std::string>{});
    files->Mount("");
    files->SetBaseFolder(dir.Path());
  }
  void write_project(const TProjectSetting& p) {
    TMemoryStream m;
    p.SaveToStream(m);
    test::WriteFile(dir / "velk.kpb", std::string(m.Bytes().begin(), m.Bytes().end()));
  }
  TProjectServices services() {
    TProjectServices s;
    s.Platform.MessageBoxes = &boxes;
    s.Files = files.get();
    s.Vars = &vars;
    s.Process = &process;
    s.Window = &window;
    s.Saves = &saves;
    s.ExecutableFolder = dir.Path();
    return s;
  }
};

TEST(Project, CreatesFromTheProjectFileAndStartsTheStartPage) {
  Rig rig;
  rig.write_project(setting());
  test::WriteFile(rig.dir / "main.ksb", "x");
  {
    TProject project(rig.services());
    EXPECT_EQ(project.Title, Utf8ToCp932("情報"));
    project.Create();
    EXPECT_FALSE(rig.process.QuitFlag);
    EXPECT_TRUE(rig.boxes.shown.empty());
    EXPECT_EQ(project.Title, "Game");
    EXPECT_EQ(rig.window.title, "Game");
    EXPECT_EQ(rig.window.centre, std::make_pair(320, 239));
    EXPECT_EQ(project.ExitPage, "bye.ksb");
    EXPECT_EQ(project.DiscPrompt, "insert %d");
    EXPECT_EQ(rig.files->DiscTexts.DiscPrompt, "insert %d");
    EXPECT_EQ(project.DiscMap.Items.size(), 2u);
    // The restored score keeps its value; the other definitions make status variables.
    EXPECT_EQ(rig.vars.FindVariable("score")->Value()->GetInt(), 99);
    auto* name = rig.vars.FindVariable("name");
    ASSERT_NE(name, nullptr);
    EXPECT_TRUE(name->Status);
    EXPECT_EQ(name->Value()->GetStr(), "abc");
    EXPECT_EQ(rig.vars.FindVariable("rate")->Value()->GetFloat(), 2.5L);
    EXPECT_EQ(project.SaveTitle(3), "three");
    EXPECT_EQ(project.SaveTitle(4), "");
    project.SetSaveTitle(4, "four");
    project.SetSaveTitle(3, "new");
    EXPECT_EQ(project.SaveTitle(3), "new");
    EXPECT_EQ(project.SaveTitle(4), "four");
    EXPECT_EQ(rig.window.log, std::vector<std::string>{"start main.ksb"});
    project.RunFrame();

    project.PendingLoadSlot = 2;
    project.PendingSaveSlot = 5;
    EXPECT_TRUE(project.ApplyPending());
    EXPECT_EQ(project.PendingLoadSlot, -1);
    EXPECT_EQ(project.PendingSaveSlot, -1);
    EXPECT_FALSE(project.ApplyPending());
  }
  // Destroy ran the exit page once and wrote the status data; the quit flag is set again.
  EXPECT_EQ(rig.window.log, (std::vector<std::string>{"start main.ksb", "run", "start bye.ksb", "run"}));
  EXPECT_EQ(rig.saves.log, (std::vector<std::string>{"restore", "load 2", "save 5", "write"}));
  EXPECT_TRUE(rig.process.QuitFlag);
}

TEST(Project, StopsOnMissingEmptyOrNewerProjectsAndMissingStartPages) {
  {
    Rig rig;  // no velk.kpb at all: nothing is shown
    TProject project(rig.services());
    project.Create();
    EXPECT_TRUE(rig.process.QuitFlag);
    EXPECT_TRUE(rig.boxes.shown.empty());
  }
  {
    Rig rig;
    test::WriteFile(rig.dir / "velk.kpb", "");
    TProject project(rig.services());
    project.Create();
    EXPECT_TRUE(rig.process.QuitFlag);
    ASSERT_EQ(rig.boxes.shown.size(), 1u);
    EXPECT_EQ(rig.boxes.shown[0].Text, Utf8ToCp932("プロジェクトがありません"));
    EXPECT_EQ(rig.boxes.shown[0].Caption, Utf8ToCp932("警告"));
    EXPECT_EQ(rig.boxes.shown[0].Style, MB_OK | MB_ICONWARNING);
  }
  {
    Rig rig;
    TProjectSetting p = setting();
    p.Version = 116;
    rig.write_project(p);
    TProject project(rig.services());
    EXPECT_THROW(project.Create(), EVelkError);
    EXPECT_TRUE(rig.process.QuitFlag);
  }
  {
    Rig rig;
    rig.write_project(setting());
    TProject project(rig.services());
    project.Create();
    EXPECT_TRUE(rig.process.QuitFlag);
    ASSERT_EQ(rig.boxes.shown.size(), 1u);
    EXPECT_EQ(rig.boxes.shown[0].Text, Utf8ToCp932("スタートページがありません"));
  }
}

TEST(Project, LocatingTheGameDataNeedsInstallDat) {
  Rig rig;
  rig.write_project(setting());
  TProjectServices services = rig.services();
  services.LocateGameData = true;
  services.ExecutableFolder = rig.dir / "elsewhere/";
  rig.files->SetBaseFolder("");
  TProject project(services);
  project.Create();
  EXPECT_TRUE(rig.process.QuitFlag);
  ASSERT_EQ(rig.boxes.shown.size(), 1u);
  EXPECT_EQ(rig.boxes.shown[0].Text, Utf8ToCp932("インストールし直してください"));
  EXPECT_EQ(rig.boxes.shown[0].Caption, Utf8ToCp932("情報"));
  EXPECT_EQ(rig.window.log.size(), 0u);
}

TEST(Project, WithoutGameDatAFullInstallSearchesTheDiscs) {
  Rig rig;
  rig.write_project(setting());
  test::WriteFile(rig.dir / "main.ksb", "x");
  TVelkInstallSet install;
  install.Version = TVelkInstallSet::kVersion;
  install.Title = "Game";
  install.FullInstall = true;
  install.SaveToFile(rig.dir / "install.dat");
  TProjectServices services = rig.services();
  services.LocateGameData = true;
  rig.files->SetBaseFolder("");
  TProject project(services);
  // Without game.dat and without a mounted archive the discs are searched; the user gives up.
  rig.boxes.answers = {IDCANCEL, IDOK};
  project.Create();
  EXPECT_TRUE(rig.process.QuitFlag);
  ASSERT_EQ(rig.boxes.shown.size(), 2u);
  EXPECT_EQ(rig.boxes.shown[0].Text, Utf8ToCp932("ディスクを入れてください"));
  EXPECT_EQ(rig.boxes.shown[0].Style, MB_OKCANCEL | MB_ICONINFORMATION);
  EXPECT_EQ(rig.boxes.shown[1].Text, Utf8ToCp932("終了します"));
  EXPECT_EQ(rig.files->BaseFolder(), rig.dir.Path());
}

TEST(Project, FullInstallMountsGameDatBesideTheExecutable) {
  Rig rig;
  {
    TVrFileCollection archive;
    TMemoryStream kpb;
    setting().SaveToStream(kpb);
    archive.AddMemoryEntry("velk.kpb").WriteBuffer(kpb.Memory(), kpb.GetSize());
    archive.AddMemoryEntry("main.ksb").WriteBuffer("x", 1);
    TBigFileStream target(rig.dir / "game.dat", fmCreate);
    archive.SaveArchive(target);
  }
  TVelkInstallSet install;
  install.Version = TVelkInstallSet::kVersion;
  install.Title = "Game";
  install.FullInstall = true;
  install.SaveToFile(rig.dir / "install.dat");
  TProjectServices services = rig.services();
  services.LocateGameData = true;
  rig.files->SetBaseFolder("");
  TProject project(services);
  project.Create();
  EXPECT_FALSE(rig.process.QuitFlag);
  EXPECT_TRUE(rig.boxes.shown.empty());
  EXPECT_EQ(project.StartPage, "main.ksb");
  EXPECT_EQ(rig.window.log, std::vector<std::string>{"start main.ksb"});
}

TEST(Project, LoadsPagesAndAsksForARebuildOfOldOnes) {
  Rig rig;
  rig.write_project(setting());
  test::WriteFile(rig.dir / "main.ksb", std::string("\x73\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 17));
  test::WriteFile(rig.dir / "old.ksb", std::string("\x66\0\0\0", 4));
  test::WriteFile(rig.dir / "bad.ksb", std::string("\x73\0\0\0\0\x01\0\0\0\xFF\xFF\xFF\xFF", 13));
  TProject project(rig.services());
  project.Create();
  ASSERT_FALSE(rig.process.QuitFlag);
  TPage page(&rig.vars);
  page.Load("main.ksb", project);
  EXPECT_EQ(page.Name, "main.ksb");
  EXPECT_EQ(page.Version, 115);
  EXPECT_TRUE(rig.boxes.shown.empty());
  try {
    page.Load("bad.ksb", project);
    FAIL();
  } catch (const EFormatError& e) {
    EXPECT_EQ(e.FileName(), "bad.ksb");
  }
  EXPECT_THROW(page.Load("none.ksb", project), EVelkError);
  page.Load("old.ksb", project);
  EXPECT_TRUE(rig.process.QuitFlag);
  ASSERT_EQ(rig.boxes.shown.size(), 1u);
  EXPECT_EQ(rig.boxes.shown[0].Text, "old.ksb\r\n" + Utf8ToCp932("リビルドしてください"));
  EXPECT_EQ(rig.boxes.shown[0].Caption, Utf8ToCp932("警告"));
  EXPECT_EQ(rig.window.log.back(), "close");
}

TEST(Page, DestroyFreesThePerPageVariable) {
  TParamCollection vars;
  {
    TPage page(&vars);
    page.Name = "p.ksb";
    auto* item = vars.AddVariable(1);
    item->SetVarName(std::string(1, '\x01') + "p.ksb");
    auto* other = vars.AddVariable(1);
    other->SetVarName("keep");
    EXPECT_NE(vars.FindVariable("\x01p.ksb"), nullptr);
  }
  EXPECT_EQ(vars.FindVariable("\x01p.ksb"), nullptr);
  EXPECT_NE(vars.FindVariable("keep"), nullptr);
}

TEST(Project, PageExistsAsksForDiscsOnlyForNonMediaFiles) {
  Rig rig;
  TProjectSetting p = setting();
  p.MediaExtensions = ".wav.wma.ogg.mid";
  rig.write_project(p);
  test::WriteFile(rig.dir / "main.ksb", "x");
  TProject project(rig.services());
  project.Create();
  ASSERT_FALSE(rig.process.QuitFlag);
  EXPECT_TRUE(project.PageExists("main.ksb"));
  EXPECT_FALSE(project.PageExists(""));
  EXPECT_FALSE(project.PageExists("other\\x.ksb"));  // not mapped: disc 0
  EXPECT_FALSE(project.PageExists("bgm\\a.ogg"));
  EXPECT_FALSE(project.PageExists("BGM\\A.OGG"));
  EXPECT_TRUE(rig.boxes.shown.empty());
  // A mapped page asks for its disc; the user gives up.
  rig.boxes.answers = {IDCANCEL, IDOK};
  EXPECT_FALSE(project.PageExists("s\\b.ksb"));
  ASSERT_EQ(rig.boxes.shown.size(), 2u);
  EXPECT_EQ(rig.boxes.shown[0].Text, "insert 2");
  EXPECT_EQ(rig.boxes.shown[1].Text, "give up");
  // The prompt is no format string beyond its one number.
  project.DiscPrompt = "%s %x %d %%";
  rig.files->DiscTexts.DiscPrompt = project.DiscPrompt;
  rig.boxes.answers = {IDCANCEL, IDOK};
  EXPECT_FALSE(project.PageExists("s\\c.ksb"));
  ASSERT_EQ(rig.boxes.shown.size(), 4u);
  EXPECT_EQ(rig.boxes.shown[2].Text, "%s %x 2 %");
  // The project's own default extensions carry their leading dots, so that the rule above can match them.
  TProject fresh(rig.services());
  EXPECT_EQ(fresh.MediaExtensions, ".wav.wma.ogg");
}

}  // namespace
}  // namespace velk
