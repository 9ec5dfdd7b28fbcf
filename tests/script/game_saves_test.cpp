#include "script/game_saves.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <random>

#include "base/error.h"
#include "base/process_values.h"
#include "base/sjis.h"
#include "expr/db_table.h"
#include "expr/param_collection.h"
#include "scene/base_list.h"
#include "script/call_man.h"
#include "script/project.h"
#include "support/temp_dir.h"
#include "vfs/archive.h"
#include "vfs/big_stream.h"
#include "vfs/file_manager.h"
#include "vfs/safe_file.h"
#include "vfs/stream_io.h"
#include "folder_host.h"

namespace velk {
namespace {

class CountingBoxes : public IMessageBoxes {
 public:
  int32_t Show(const std::string& text, const std::string&, uint32_t) override {
    shown.push_back(Cp932ToUtf8(text));
    return IDOK;
  }
  std::vector<std::string> shown;
};

// A running game as far as its save data goes: variables, tables, scene, interpreter and the project's titles.
struct Rig {
  test::TempDir dir;
  CountingBoxes boxes;
  TProcessValues process;
  TParamCollection vars;
  test::TFolderHost host;
  TVelkBaseList scene;
  std::unique_ptr<TCallMan> calls;
  TDBManager tables;
  std::unique_ptr<TVrFileManager> files;
  std::unique_ptr<TProject> project;
  std::unique_ptr<TGameSaves> saves;
  int closes = 0;

  // started: the project has read the status data, as every game does at its start.
  explicit Rig(bool started = true) {
    host.Root = dir.Path() + "/";
    TCallManServices cs;
    cs.Vars = &vars;
    cs.Process = &process;
    cs.Host = &host;
    calls = std::make_unique<TCallMan>(cs);
    TPlatform platform;
    files = std::make_unique<TVrFileManager>(platform, std::vector<std::string>{});
    files->Mount("");
    TProjectServices ps;
    ps.Files = files.get();
    ps.Vars = &vars;
    ps.Process = &process;
    project = std::make_unique<TProject>(ps);
    scene.SetSize(64, 48);
    saves = make_saves();
    if (started) saves->RestoreStatus(*project);
  }
  std::unique_ptr<TGameSaves> make_saves() {
    TSavePlace place;
    place.SaveDir = dir / "saves";
    auto s = std::make_unique<TGameSaves>(place);
    TSaveParts& p = s->Parts();
    p.Scene = &scene;
    p.Vars = &vars;
    p.Calls = calls.get();
    p.Tables = &tables;
    p.Files = files.get();
    p.Process = &process;
    p.MessageBoxes = &boxes;
    p.CloseWindow = [this] { ++closes; };
    return s;
  }
  std::string path() const { return dir / "saves/save.dat"; }
  void set(const std::string& name, int32_t value, int32_t scope = kScopeGlobal) {
    TParamCollectionItem* item = vars.NewVariable(name, PT_INT, scope);
    if (item != nullptr) item->Value()->SetInt(value);
  }
  void set_str(const std::string& name, const std::string& value) {
    vars.NewVariable(name, PT_STR, kScopeGlobal)->Value()->SetStr(value);
  }
  int32_t get(const std::string& name) const {
    TParamCollectionItem* item = vars.FindVariable(name);
    return item != nullptr ? item->Value()->GetInt() : -1;
  }
  void save(int32_t slot, const std::string& title) {
    project->PendingTitle = title;
    saves->SaveSlot(*project, slot);
  }
  std::string title(int32_t slot) {
    for (const TSaveTitle& t : saves->ReadSaveTitles(*project))
      if (t.Slot == slot) return t.Title;
    return "(none)";
  }
};

TEST(GameSaves, ARoundTripRestoresVariablesTablesSceneAndTitles) {
  Rig rig;
  rig.set("x", 42);
  rig.set("kept", 5, kScopeStatus);
  rig.tables.CreateTable("game", 0);
  rig.tables.CreateTable("lasting", 1);
  rig.save(2, "first");
  EXPECT_EQ(rig.project->SaveTitle(2), "first");

  rig.set("x", 1);
  rig.tables.DeleteTable("game");
  rig.scene.SetSize(32, 32);
  rig.saves->LoadSlot(*rig.project, 2);
  EXPECT_FALSE(rig.process.QuitFlag);
  EXPECT_EQ(rig.get("x"), 42);
  EXPECT_GE(rig.tables.FindTable("game"), 0);
  EXPECT_EQ(rig.scene.Width(), 64);
  EXPECT_EQ(rig.scene.Height(), 48);

  // A second save to the slot replaces it; a slot never saved loads nothing.
  rig.save(2, "second");
  rig.save(7, "");
  std::vector<TSaveTitle> titles = rig.saves->ReadSaveTitles(*rig.project);
  ASSERT_EQ(titles.size(), 1u);
  EXPECT_EQ(titles[0].Title, "second");
  rig.set("x", 3);
  rig.saves->LoadSlot(*rig.project, 9);
  EXPECT_EQ(rig.get("x"), 3);
  EXPECT_TRUE(rig.boxes.shown.empty());

  // The status data comes back in the next run: status variables and status tables, not the game's.
  Rig next;
  std::filesystem::create_directories(next.dir / "saves");
  std::filesystem::copy_file(rig.path(), next.path());
  next.saves->RestoreStatus(*next.project);
  EXPECT_EQ(next.get("kept"), 5);
  EXPECT_EQ(next.get("x"), -1);
  EXPECT_GE(next.tables.FindTable("lasting"), 0);
  EXPECT_LT(next.tables.FindTable("game"), 0);
}

TEST(GameSaves, ALoadThatFailsHalfWayLeavesTheGameAsItWas) {
  Rig rig;
  rig.set("x", 42);
  rig.tables.CreateTable("game", 0);
  rig.save(3, "whole");
  // The record loses its last bytes (inside the tables, after scene and variables have loaded).
  TVrFileCollection file;
  file.Open(rig.path(), true);
  TMemoryStream record;
  file.ReadEntry(record, GameSaveEntryName(3));
  TVrFileCollection broken;
  broken.AddMemoryEntry(GameSaveEntryName(3))
      .WriteBuffer(record.Memory(), record.GetSize() - 6);
  TBigMemoryStream bytes;
  broken.SaveArchive(bytes);
  WriteFileSafely(rig.path(), bytes.Memory().Bytes());

  rig.set("x", 1);
  rig.tables.DeleteTable("game");
  rig.scene.SetSize(32, 32);
  rig.saves->LoadSlot(*rig.project, 3);
  EXPECT_EQ(rig.get("x"), 1);
  EXPECT_LT(rig.tables.FindTable("game"), 0);
  EXPECT_EQ(rig.scene.Width(), 32);
  EXPECT_TRUE(rig.process.QuitFlag);
  EXPECT_EQ(rig.closes, 1);
  ASSERT_EQ(rig.boxes.shown.size(), 1u);
  EXPECT_EQ(rig.boxes.shown[0], "このセーブデータは使用できません\r\n終了してください");
}

// The status data is written only by a game that has read it, and only while saving is enabled; game saves are
// written either way.
TEST(GameSaves, StatusDataNeedsTheRunToHaveReadItAndSavingEnabled) {
  Rig rig(false);
  rig.set("kept", 5, kScopeStatus);
  std::filesystem::create_directories(rig.dir / "saves");
  rig.saves->WriteStatus(*rig.project);
  EXPECT_FALSE(std::filesystem::exists(rig.path()));
  rig.saves->RestoreStatus(*rig.project);
  rig.project->SaveEnabled = false;
  rig.save(1, "one");
  TVrFileCollection file;
  file.Open(rig.path(), true);
  EXPECT_NE(file.FindEntry(GameSaveEntryName(1)), nullptr);
  EXPECT_EQ(file.FindEntry("STATUSSAVEDATA"), nullptr);
  rig.project->SaveEnabled = true;
  rig.saves->WriteStatus(*rig.project);
  file.Open(rig.path(), true);
  EXPECT_NE(file.FindEntry("STATUSSAVEDATA"), nullptr);
  EXPECT_NE(file.FindEntry(GameSaveEntryName(1)), nullptr);
  // A game save replaces the file once, with the record and the status data together.
  int writes = 0;
  rig.saves->WriteProbe = [&writes](int32_t step) { writes += step == 0; };
  rig.vars.FindVariable("kept")->Value()->SetInt(6);
  rig.save(2, "two");
  EXPECT_EQ(writes, 1);
  Rig next;
  std::filesystem::create_directories(next.dir / "saves");
  std::filesystem::copy_file(rig.path(), next.path());
  next.saves->RestoreStatus(*next.project);
  EXPECT_EQ(next.get("kept"), 6);
  EXPECT_EQ(next.title(2), "two");
}

TEST(GameSaves, ADamagedStatusRecordChangesNothing) {
  Rig rig;
  rig.set("kept", 5, kScopeStatus);
  TMemoryStream good;
  rig.saves->WriteStatusRecord(good);
  for (const int32_t cut : {12, 40}) {
    TVrFileCollection file;
    file.AddMemoryEntry("STATUSSAVEDATA").WriteBuffer(good.Memory(), good.GetSize() - cut);
    file.AddMemoryEntry("save:kept.txt").WriteBuffer("abc", 3);
    TBigMemoryStream bytes;
    file.SaveArchive(bytes);
    Rig next;
    std::filesystem::create_directories(next.dir / "saves");
    WriteFileSafely(next.path(), bytes.Memory().Bytes());
    next.saves->RestoreStatus(*next.project);
    EXPECT_EQ(next.get("kept"), -1) << cut;
    // The scripts' files come back all the same.
    EXPECT_TRUE(next.files->Exists("save:kept.txt"));
  }
}

TEST(GameSaves, AnUnreadableSaveFileIsNeverReplaced) {
  Rig rig;
  std::filesystem::create_directories(rig.dir / "saves");
  const std::string junk(5000, 'q');
  test::WriteFile(rig.path(), junk);
  rig.set("x", 42);
  rig.save(1, "lost");
  rig.saves->WriteStatus(*rig.project);
  EXPECT_EQ(test::ReadFile(rig.path()), junk);
  EXPECT_EQ(rig.project->SaveTitle(1), "");
  EXPECT_EQ(rig.boxes.shown.size(), 1u);
  EXPECT_TRUE(rig.saves->ReadSaveTitles(*rig.project).empty());
  EXPECT_FALSE(std::filesystem::exists(SafeWriteTempName(rig.path())));
}

// The writer is killed at every step of a save's write (the game save with the status data): the file left is
// always the old save or the new one, whole.
TEST(GameSaves, AWriterKilledAtAnyStepLeavesTheOldOrTheNewSave) {
  Rig rig;
  std::mt19937 random(7);
  std::string noise;
  for (int i = 0; i < 30000; ++i) noise += static_cast<char>('a' + random() % 26);
  rig.set_str("noise", noise);
  rig.save(1, "old");
  rig.set_str("noise", noise + noise);
  int finished_at = -1;
  for (int kill_at = 0; kill_at < 400 && finished_at < 0; ++kill_at) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      int calls = 0;
      rig.saves->WriteProbe = [&calls, kill_at](int32_t) {
        if (calls++ == kill_at) _exit(0);
      };
      rig.save(1, "new");
      _exit(3);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 3) finished_at = kill_at;
    Rig reader;
    std::filesystem::create_directories(reader.dir / "saves");
    std::filesystem::copy_file(rig.path(), reader.path());
    const std::string title = reader.title(1);
    ASSERT_TRUE(title == "old" || title == "new") << "killed at step " << kill_at << ": " << title;
    reader.saves->LoadSlot(*reader.project, 1);
    ASSERT_FALSE(reader.process.QuitFlag) << "killed at step " << kill_at;
    const TParamCollectionItem* loaded = reader.vars.FindVariable("noise");
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->Value()->GetStr(), title == "old" ? noise : noise + noise);
  }
  // The write has several blocks, and every step was tried.
  EXPECT_GT(finished_at, 5);
}

// Records of versions 113 to 134 carry three older history settings or the six layout settings of the default
// format in the variable block; both load, and the variables read which.
TEST(GameSaves, OlderRecordsCarryThreeOrSixHistorySettings) {
  for (const int32_t count : {3, 6}) {
    Rig rig;
    rig.saves->Parts().History.Load = [](TStream&, int32_t) {};
    rig.tables.CreateTable("game", 0);
    TMemoryStream record;
    WriteInt(record, 130);
    WriteString(record, "old");
    WriteString(record, {});
    WriteInt(record, 0);
    rig.scene.SaveToStream(record);
    rig.calls->SaveToStream(record);
    WriteInt(record, 0);  // no variables
    WriteInt(record, 40);
    WriteString(record, {});
    WriteString(record, "sel");
    WriteInt(record, 2);
    for (int32_t i = 0; i < count; ++i) WriteInt(record, 11 + i);
    WriteString(record, "tmp");
    rig.tables.SaveTables(record, 0);
    rig.tables.DeleteTable("game");
    record.SetPosition(0);
    ASSERT_NO_THROW(rig.saves->ReadRecord(record)) << count;
    EXPECT_EQ(rig.vars.OldHistoryCount, count);
    EXPECT_EQ(rig.vars.OldHistorySettings[static_cast<size_t>(count - 1)], 10 + count);
    EXPECT_EQ(rig.vars.TempName, "tmp");
    EXPECT_GE(rig.tables.FindTable("game"), 0);
  }
}

TEST(SavePath, TheFolderComesFromTheOptionTheArgumentTheExecutableOrTheUserData) {
  test::TempDir dir;
  TSavePlace place;
  place.ExecutableFolder = dir / "exe";
  place.DataHome = dir / "data";
  place.GameName = Utf8ToCp932("My:Game/../x");
  // The executable's folder does not exist, so is not writable: the per-user folder named after the game.
  EXPECT_EQ(FindSavePath(place), dir / "data/My_Game_.._x/save.dat");
  EXPECT_TRUE(std::filesystem::is_directory(dir / "data/My_Game_.._x"));
  std::filesystem::create_directories(dir / "exe");
  EXPECT_EQ(FindSavePath(place), dir / "exe/save.dat");
  EXPECT_FALSE(std::filesystem::exists(dir / "exe/save.dat.$$$"));
  place.ArgumentFolder = dir / "game";
  EXPECT_EQ(FindSavePath(place), dir / "game/save.dat");
  place.SaveDir = dir / "chosen/deeper";
  EXPECT_EQ(FindSavePath(place), dir / "chosen/deeper/save.dat");

  EXPECT_EQ(SaveFolderName(".."), "_..");
  EXPECT_EQ(SaveFolderName(""), "_");
  EXPECT_EQ(SaveFolderName("a\\b*c?d\"e<f>g|h,i;j"), "a_b_c_d_e_f_g_h_i_j");
  TSavePlace nowhere;
  nowhere.ExecutableFolder = dir / "missing";
  EXPECT_THROW(FindSavePath(nowhere), EVelkError);
}

}  // namespace
}  // namespace velk
