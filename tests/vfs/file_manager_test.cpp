#include "vfs/file_manager.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "base/error.h"
#include "base/sjis.h"
#include "support/temp_dir.h"
#include "map_resources.h"
#include "vfs/folder_disk_list.h"
#include "vfs/install_set.h"

namespace velk {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

class FakeFiles : public IFiles {
 public:
  explicit FakeFiles(std::string temp) : temp_(std::move(temp)) {}
  std::string TempFolder() override { return temp_; }
  std::string UserDataFolder() override { return temp_; }
  std::unique_ptr<IInstanceGuard> AcquireInstanceGuard(const std::string&) override { return nullptr; }
  DriveType GetDriveType(const std::string&) override { return DriveType::Fixed; }
  std::string ExecutablePath() override { return temp_ + "player"; }

 private:
  std::string temp_;
};

// Answers message boxes from a script; each answer may first change the world (insert a disc).
class ScriptedBoxes : public IMessageBoxes {
 public:
  struct Answer {
    int32_t id;
    std::function<void()> before;
  };
  std::deque<Answer> answers;
  std::vector<std::string> texts;
  int32_t Show(const std::string& text, const std::string& caption, uint32_t style) override {
    texts.push_back(text);
    EXPECT_EQ(style, MB_OKCANCEL);
    EXPECT_EQ(caption, "Title bar");
    if (answers.empty()) {
      ADD_FAILURE() << "unexpected box: " << Cp932ToUtf8(text);
      return IDCANCEL;
    }
    Answer a = answers.front();
    answers.pop_front();
    if (a.before) a.before();
    return a.id;
  }
};

// An archive packed from a folder of files (name -> bytes).
void Pack(const TempDir& dir, const std::string& archive, const std::map<std::string, std::string>& files) {
  const std::string src = dir / (archive + ".src/");
  TVrFileCollection c;
  c.Open(src);
  for (const auto& [name, bytes] : files) {
    std::string disk = name;
    std::replace(disk.begin(), disk.end(), '\\', '/');
    std::filesystem::create_directories(std::filesystem::path(src + disk).parent_path());
    WriteFile(src + disk, bytes);
    c.AddEntry(name);
  }
  TBigFileStream out(dir / archive, fmCreate);
  ASSERT_TRUE(c.SaveArchive(out));
}

std::string Read(TVrFileManager& m, const std::string& name) {
  TMemoryStream s;
  m.ReadFile(s, name);
  return std::string(s.Bytes().begin(), s.Bytes().end());
}

struct Fixture {
  TempDir dir;
  FakeFiles files{dir / "tmp/"};
  ScriptedBoxes boxes;
  TPlatform platform;
  Fixture() {
    std::filesystem::create_directories(dir / "tmp");
    platform.Files = &files;
    platform.MessageBoxes = &boxes;
  }
};

TEST(FileManager, LooksOnDiskThenInArchivesInMountOrderThenOnDiscs) {
  Fixture f;
  const auto& dir = f.dir;
  Pack(dir, "game.dat", {{"image\\a.bmp", "packed a"}, {"bgm\\silence.ogg", ""}, {"text.txt", "first"}});
  Pack(dir, "more.dat", {{"text.txt", "second"}, {"only.txt", "more"}});
  std::filesystem::create_directories(dir / "Image");
  WriteFile(dir / "Image/A.BMP", "loose a");
  std::filesystem::create_directories(dir / "cd/Movie");
  WriteFile(dir / "cd/Movie/intro.txt", "from the disc");

  TVrFileManager m(f.platform, {dir / "cd"});
  EXPECT_EQ(m.Mount(""), 0);
  EXPECT_EQ(m.Mount(""), -1);  // the memory collection once
  EXPECT_EQ(m.Mount(dir / "game.dat"), 1);
  EXPECT_EQ(m.Mount(dir / "more.dat"), 2);
  EXPECT_EQ(m.Mount(dir.Path()), -1);  // equals a mounted collection's base folder
  m.SetBaseFolder(dir.Path());

  EXPECT_EQ(Read(m, "image\\a.bmp"), "loose a");  // a loose file overrides the packed one
  EXPECT_TRUE(m.Exists("IMAGE\\A.bmp"));
  EXPECT_EQ(Read(m, "TEXT.txt"), "first");
  EXPECT_EQ(Read(m, "only.txt"), "more");
  EXPECT_EQ(Read(m, "bgm\\silence.ogg"), "");  // an empty entry is empty, not an error
  EXPECT_EQ(Read(m, "movie\\INTRO.txt"), "from the disc");
  EXPECT_TRUE(m.Exists("movie\\intro.txt"));
  EXPECT_FALSE(m.Exists(""));
  EXPECT_FALSE(m.Exists("none.txt"));
  try {
    Read(m, "none.txt");
    ADD_FAILURE();
  } catch (const EVelkError& e) {
    EXPECT_EQ(e.Message(), "none.txt" + Utf8ToCp932(":ファイルがありません"));
  }

  m.Collection(0).AddMemoryEntry("save:1").Write("saved", 5);
  EXPECT_EQ(Read(m, "save:1"), "saved");
  {
    TFileStream out(dir / "copy", fmCreate);
    m.ReadFile(out, "text.txt");
    EXPECT_EQ(out.GetPosition(), 0);
  }
  EXPECT_EQ(ReadFile(dir / "copy"), "first");

  m.SetBaseFolder("");
  EXPECT_EQ(Read(m, "image\\a.bmp"), "packed a");
  EXPECT_EQ(m.FindEntry("only.txt"), m.Collection(2).FindEntry("only.txt"));
  m.Unmount(1);
  EXPECT_EQ(Read(m, "text.txt"), "second");
}

std::string ReadRange(TStream& s) {
  std::string out(1000, '\0');
  out.resize(static_cast<size_t>(s.Read(out.data(), 1000)));
  return out;
}

TEST(FileManager, OpensRangesAndExtractsTemporaryFiles) {
  Fixture f;
  const auto& dir = f.dir;
  Pack(dir, "game.dat", {{"movie\\op.mpg", "mpeg bytes"}, {"a.txt", "deflated text"}});
  WriteFile(dir / "loose.wav", "RIFF");
  {
    TVrFileManager m(f.platform, {});
    m.Mount(dir / "game.dat");
    m.SetBaseFolder(dir.Path());
    EXPECT_EQ(ReadRange(*m.OpenRange("movie\\op.mpg")), "mpeg bytes");
    EXPECT_EQ(ReadRange(*m.OpenRange("LOOSE.WAV")), "RIFF");
    EXPECT_THROW(m.OpenRange("none.wav"), EVelkError);

    EXPECT_EQ(m.GetLocalFileName("loose.wav"), dir / "loose.wav");
    const std::string t1 = m.GetLocalFileName("movie\\op.mpg");
    EXPECT_EQ(std::filesystem::path(t1).filename(), "~vk00000000.mpg");
    EXPECT_EQ(std::filesystem::path(t1).parent_path().parent_path(), std::filesystem::path(dir / "tmp"));
    EXPECT_EQ((std::filesystem::status(std::filesystem::path(t1).parent_path()).permissions() &
               std::filesystem::perms::group_all),
              std::filesystem::perms::none);  // a private folder
    EXPECT_EQ(ReadFile(t1), "mpeg bytes");
    EXPECT_EQ(m.GetLocalFileName("movie\\op.mpg"), t1);
    EXPECT_EQ(m.LockList().Items[0]->UseCount, 2);
    const std::string t2 = m.GetLocalFileName("MOVIE\\op.mpg");  // another spelling: another copy
    EXPECT_EQ(std::filesystem::path(t2).filename(), "~vk00000001.mpg");
    EXPECT_EQ(ReadFile(m.GetLocalFileName("a.txt")), "deflated text");
    EXPECT_EQ(m.GetLocalFileName("image\\none.bmp"), "image/none.bmp");
    EXPECT_EQ(m.LockList().Items.size(), 3u);
  }
  // Every temporary file and the private folder are gone with the manager.
  EXPECT_TRUE(std::filesystem::is_empty(dir / "tmp"));
}

TEST(FileManager, AFailedExtractionLeavesNothing) {
  Fixture f;
  const auto& dir = f.dir;
  // A deflated entry whose zlib stream is damaged.
  Pack(dir, "game.dat", {{"bad.txt", std::string(4000, 'x')}});
  std::string bytes = ReadFile(dir / "game.dat");
  bytes[bytes.size() - 6] ^= 0x5A;
  WriteFile(dir / "game.dat", bytes);
  TVrFileManager m(f.platform, {});
  m.Mount(dir / "game.dat");
  EXPECT_THROW(m.GetLocalFileName("bad.txt"), EVelkError);
  EXPECT_TRUE(m.LockList().Items.empty());
  for (const auto& e : std::filesystem::recursive_directory_iterator(dir / "tmp")) {
    EXPECT_FALSE(e.is_regular_file()) << e.path();
  }
}

TEST(FileManager, ListsArchiveEntriesOnceAndDiskFilesAgain) {
  Fixture f;
  const auto& dir = f.dir;
  Pack(dir, "one.dat", {{"bgm\\a.ogg", "1"}, {"bgm\\b.ogg", "1"}, {"se\\x.wav", "1"}});
  Pack(dir, "two.dat", {{"BGM\\A.OGG", "2"}, {"bgm\\c.ogg", "2"}});
  std::filesystem::create_directories(dir / "base/Bgm");
  WriteFile(dir / "base/Bgm/a.ogg", "disk");
  std::filesystem::create_directories(dir / "base/Bgm/sub");
  TVrFileManager m(f.platform, {});
  m.Mount(dir / "one.dat");
  m.Mount(dir / "two.dat");
  m.SetBaseFolder(dir / "base");
  std::vector<std::string> list;
  m.ListFiles("bgm\\", list);
  EXPECT_EQ(list, (std::vector<std::string>{"bgm\\a.ogg", "bgm\\b.ogg", "bgm\\c.ogg", "bgm\\a.ogg"}));
  EXPECT_EQ(TVrFileManager::FolderOf("bgm\\sub\\a.ogg"), "bgm\\sub\\");
  EXPECT_EQ(TVrFileManager::FolderOf("a.ogg"), "");
}

TEST(FileManager, MapsFoldersToDiscs) {
  TFolderDiskList map;
  map.Add("bgm\\sub", 3);
  map.Add("BGM\\", 2);
  map.Add("movie\\", 1);
  EXPECT_EQ(map.DiscOf("bgm\\sub\\a.ogg"), 3);
  EXPECT_EQ(map.DiscOf("bgm\\other\\a.ogg"), 2);
  EXPECT_EQ(map.DiscOf("bgm"), 2);
  EXPECT_EQ(map.DiscOf("image\\a.bmp"), 0);
  EXPECT_EQ(map.DiscOf(""), 0);
  TMemoryStream s;
  map.SaveToStream(s);
  s.SetPosition(0);
  TFolderDiskList back;
  back.LoadFromStream(s);
  ASSERT_EQ(back.Items.size(), 3u);
  EXPECT_EQ(back.Items[1].Folder, "BGM\\");
  EXPECT_EQ(back.Items[1].Disc, 2);
  std::vector<uint8_t> hostile = {0xFF, 0xFF, 0xFF, 0x7F, 0, 0, 0, 0};
  TMemoryStream h(hostile);
  EXPECT_THROW(back.LoadFromStream(h), EFormatError);
}

TEST(FileManager, AsksForDiscsUntilFoundOrDeclined) {
  Fixture f;
  const auto& dir = f.dir;
  const std::string cd = dir / "cd/";
  std::filesystem::create_directories(cd);
  Pack(dir, "disc1.dat", {{"a.txt", "disc one"}});
  Pack(dir, "disc2.dat", {{"b.txt", "disc two"}});
  auto insert = [&](const std::string& archive, int32_t number, const std::string& title) {
    std::filesystem::copy_file(dir / archive, cd + "GAME.DAT", std::filesystem::copy_options::overwrite_existing);
    TVelkInstallSet set;
    set.Title = title;
    set.DiscNumber = number;
    set.SaveToFile(cd + "install.dat");
  };
  insert("disc1.dat", 0, "Game");

  TVrFileManager m(f.platform, {cd});
  m.DiscTexts.ApplicationTitle = "Title bar";
  m.DiscTexts.ProjectTitle = "Game";
  EXPECT_TRUE(m.MountDisc(0));
  EXPECT_EQ(Read(m, "a.txt"), "disc one");
  EXPECT_FALSE(m.MountDisc(1));

  int quits = 0;
  m.OnQuit = [&quits] { ++quits; };
  f.boxes.answers = {{IDOK, nullptr},                                        // still disc 1
                     {IDOK, [&] { insert("disc2.dat", 1, "Other game"); }},  // another game's disc
                     {IDOK, [&] { insert("disc2.dat", 1, "Game"); }}};
  EXPECT_TRUE(m.RequestDisc(2));
  const std::string prompt = Utf8ToCp932("ディスク2を入れてから[OK]をクリックしてください");
  EXPECT_EQ(f.boxes.texts, std::vector<std::string>(3, prompt));
  EXPECT_EQ(m.Count(), 1);  // disc 1 was unmounted first
  EXPECT_EQ(Read(m, "b.txt"), "disc two");
  EXPECT_FALSE(m.Exists("a.txt"));
  EXPECT_EQ(quits, 0);

  // Declining: the quit question, answered Cancel, asks for the disc again; OK quits.
  f.boxes.texts.clear();
  m.DiscTexts.DiscPrompt = "%s%n%x %d%% %d";  // game data: only the one number is formatted
  f.boxes.answers = {{IDCANCEL, nullptr}, {IDCANCEL, nullptr}, {IDCANCEL, nullptr}, {IDOK, nullptr}};
  EXPECT_FALSE(m.RequestDisc(3));
  EXPECT_EQ(quits, 1);
  const std::string quit = Utf8ToCp932("終了します");
  EXPECT_EQ(f.boxes.texts, (std::vector<std::string>{"%s%n%x 3% %d", quit, "%s%n%x 3% %d", quit}));
}

using test::MapResources;

TEST(FileManager, MountsAResourceArchive) {
  Fixture f;
  Pack(f.dir, "res.dat", {{"r.txt", "from the resource"}});
  MapResources res;
  res.items["|BINTYPE|DUMMY"] = ReadFile(f.dir / "res.dat");
  f.platform.Resources = &res;
  TVrFileManager m(f.platform, {});
  EXPECT_EQ(m.MountResource("", "DUMMY", "BINTYPE"), 0);
  EXPECT_EQ(Read(m, "r.txt"), "from the resource");
  EXPECT_EQ(ReadRange(*m.OpenRange("r.txt")).size(), m.FindEntry("r.txt")->Size);
}

}  // namespace
}  // namespace velk
