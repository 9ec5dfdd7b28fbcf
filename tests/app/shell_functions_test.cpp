// The dialog and desktop functions in a game played headless: the file and folder dialogs take the input script's
// choices, web addresses open, folders outside the game do not, copies into "save:" and "mem:" names become memory
// entries the game reads back, and game files are extracted below the game's folder or into a folder the user picks.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/screen_picture.h"
#include "app/shell_func_host.h"
#include "gfx/brix.h"
#include "vfs/stream.h"
#include "support/temp_dir.h"
#include "support/tools.h"

namespace velk {
namespace {

TEST(ShellFunctions, WildcardsCountDoubleByteCharactersAsOne) {
  EXPECT_TRUE(MatchesWildcard("data.txt", "*.TXT"));
  EXPECT_TRUE(MatchesWildcard("data.txt", "d?ta.*"));
  EXPECT_TRUE(MatchesWildcard("a.b.c", "*.c"));
  EXPECT_FALSE(MatchesWildcard("data.txt", "*.tx"));
  EXPECT_FALSE(MatchesWildcard("data", "data?"));
  EXPECT_TRUE(MatchesWildcard("", "*"));
  // "表" is 0x95 0x5C: its second byte is a backslash, and "?" takes the whole character.
  const std::string omote = "\x95\x5C.txt";
  EXPECT_TRUE(MatchesWildcard(omote, "?.txt"));
  EXPECT_FALSE(MatchesWildcard(omote, "??.txt"));
  // Double-byte characters never match ignoring case: 0x82 0x60 and 0x82 0x41 differ only in a letter's case.
  EXPECT_FALSE(MatchesWildcard("\x82\x60", "\x82\x41"));
}

TEST(ShellFunctions, DialogsTakeScriptedChoicesAndCopiesStayInsideTheGame) {
  test::TempDir dir;
  setenv("XDG_RUNTIME_DIR", dir.Path().c_str(), 1);
  setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
  test::WriteFile(dir / "game.vkp",
                  "version 115\nscreen 64 48\nstart main.ksb\nsave off\nvar string f \"\"\nvar string s \"keep\"\n"
                  "var string d \"\"\nvar flag ok1 0\nvar flag ok2 1\nvar flag ok3 0\nvar flag url 0\nvar flag out 1\n"
                  "var flag copied 0\nvar flag escape 1\nvar flag read 0\nvar string lines \"\"\nvar flag wall 0\n"
                  "var flag ext1 0\nvar flag ext2 1\nvar flag ext3 0\nvar flag ext4 1\nvar flag ext5 0\n"
                  "page main.vks\nasset data.txt\n");
  test::WriteFile(dir / "data.txt", "first\r\nsecond\r\n");
  test::WriteFile(dir / "main.vks", "@version 115\n"
                                    "calc ok1 = SelectOpenFile(f, \"Text|*.txt\")\n"
                                    "calc ok2 = SelectSaveFile(s)\n"
                                    "calc ok3 = SelectDirectory(d)\n"
                                    "calc url = OpenUrl(\"http://example.com/\")\n"
                                    "calc out = OpenUrl(\"..\\\\..\")\n"
                                    "calc copied = CopyFile(\"data.txt\", \"save:copy.txt\")\n"
                                    "calc escape = CopyFile(\"..\\\\secret.txt\", \"mem:x.txt\")\n"
                                    "calc read = LoadTextFile(\"save:copy.txt\", lines)\n"
                                    "calc wall = SetWallPaper(\"data.txt\", 1)\n"
                                    "calc ext1 = ExtractFile(\"*.TXT\", \"out\")\n"
                                    "calc ext2 = ExtractFile(\"data.txt\", \"out\")\n"
                                    "calc ext3 = ExtractFile(\"d?ta.*\", \"out\", TRUE)\n"
                                    "calc ext4 = ExtractFile(\"*.txt\", \"..\\\\up\")\n"
                                    "calc ext5 = ExtractFile(\"*\")\n"
                                    "label idle\nwait time: 1000\njump page: main.ksb; target: @idle\n");
  test::WriteFile(dir / "input.txt", "0 choose /home/u/ゲーム.txt\n0 choose\n0 choose /home/u/folder\n0 choose " +
                                         (dir / "picked") + "\n0 answer 2\n");
  test::BuildAndPlayHeadless(dir, "--frames 5 --input '" + (dir / "input.txt") + "' --dump-vars '" +
                                      (dir / "vars.tsv") + "'");
  const std::string vars = test::ReadFile(dir / "vars.tsv");
  for (const char* line :
       {"f\tstring\t/home/u/ゲーム.txt\n", "ok1\tflag\t1\n", "s\tstring\tkeep\n", "ok2\tflag\t0\n",
        "d\tstring\t/home/u/folder\n", "ok3\tflag\t1\n", "url\tflag\t1\n", "out\tflag\t0\n", "copied\tflag\t1\n",
        "escape\tflag\t0\n", "read\tflag\t1\n", "wall\tflag\t1\n", "ext1\tflag\t1\n", "ext2\tflag\t0\n",
        "ext3\tflag\t1\n", "ext4\tflag\t0\n", "ext5\tflag\t1\n"}) {
    EXPECT_NE(vars.find(line), std::string::npos) << line << "\n" << vars;
  }
  // Extracted below the game's folder, and into the folder the user picked (every file of the game's root).
  EXPECT_EQ(test::ReadFile(dir / "game/out/data.txt"), "first\r\nsecond\r\n");
  EXPECT_EQ(test::ReadFile(dir / "picked/data.txt"), "first\r\nsecond\r\n");
  EXPECT_FALSE(std::filesystem::exists(dir / "up"));
  // The wallpaper is a copy of the game's file in the user's folder.
  EXPECT_EQ(test::ReadFile(dir / "data/velkplayer/wallpaper.txt"), "first\r\nsecond\r\n");
  unsetenv("XDG_DATA_HOME");
}

TEST(ShellFunctions, ScreenPicturesAverageAndTurn) {
  // 4 x 2: a red left half, a blue right half, one white pixel at the top right.
  std::vector<uint32_t> screen = {0xFF0000, 0xFF0000, 0x0000FF, 0xFFFFFF, 0xFF0000, 0xFF0000, 0x0000FF, 0x0000FF};
  const TFrameView view{screen.data(), 4, 2, 4};
  std::vector<uint32_t> out;
  int32_t w = 0, h = 0;
  ASSERT_TRUE(MakeScreenPicture(view, 2, 1, 0, out, w, h));
  EXPECT_EQ(w, 2);
  EXPECT_EQ(h, 1);
  // Each pixel the rounded average of the 2 x 2 it covers: white adds a quarter of red and green.
  EXPECT_EQ(out, (std::vector<uint32_t>{0xFF0000, 0x4040FF}));
  ASSERT_TRUE(MakeScreenPicture(view, 0, 0, 90, out, w, h));
  EXPECT_EQ(w, 2);
  EXPECT_EQ(h, 4);
  // Turned clockwise: the bottom-left pixel goes to the top-left, the top-right white one to the bottom-right.
  EXPECT_EQ(out,
            (std::vector<uint32_t>{0xFF0000, 0xFF0000, 0xFF0000, 0xFF0000, 0x0000FF, 0x0000FF, 0x0000FF, 0xFFFFFF}));
  ASSERT_TRUE(MakeScreenPicture(view, 0, 0, -90, out, w, h));
  EXPECT_EQ(out.front(), 0xFFFFFFu);
  ASSERT_TRUE(MakeScreenPicture(view, 0, 0, 45, out, w, h));
  EXPECT_EQ(out, screen);
  EXPECT_FALSE(MakeScreenPicture(view, kMaxScreenPictureSide + 1, 1, 0, out, w, h));
  EXPECT_FALSE(MakeScreenPicture(TFrameView{}, 1, 1, 0, out, w, h));
}

TEST(ShellFunctions, SaveScreenWritesLayeredPicturesInsideTheGame) {
  test::TempDir dir;
  setenv("XDG_RUNTIME_DIR", dir.Path().c_str(), 1);
  test::WriteFile(dir / "game.vkp",
                  "version 115\nscreen 64 48\nstart main.ksb\nsave off\nvar flag mem 0\nvar flag there 0\n"
                  "var flag disk 0\nvar flag png 1\nvar flag up 1\nvar flag nofolder 1\npage main.vks\n");
  test::WriteFile(dir / "main.vks", "@version 115\n"
                                    "boxnew name: \"back\"; left: 0; top: 0; width: 64; height: 48; color: 0x3060C0\n"
                                    "wait time: 45\n"
                                    "calc mem = SaveScreen(\"mem:thumb.brx\", 16, 12)\n"
                                    "calc there = FileExists(\"mem:thumb.brx\")\n"
                                    "calc disk = SaveScreen(\"snap.brx\", 8, 6, 90)\n"
                                    "calc png = SaveScreen(\"snap.png\")\n"
                                    "calc up = SaveScreen(\"..\\\\snap.brx\")\n"
                                    "calc nofolder = SaveScreen(\"none\\\\snap.brx\")\n"
                                    "label idle\nwait time: 1000\njump page: main.ksb; target: @idle\n");
  test::BuildAndPlayHeadless(dir, "--frames 8 --dump-vars '" + (dir / "vars.tsv") + "'");
  const std::string vars = test::ReadFile(dir / "vars.tsv");
  for (const char* line : {"mem\tflag\t1\n", "there\tflag\t1\n", "disk\tflag\t1\n", "png\tflag\t0\n", "up\tflag\t0\n",
                           "nofolder\tflag\t0\n"}) {
    EXPECT_NE(vars.find(line), std::string::npos) << line << "\n" << vars;
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "snap.brx"));
  // The picture on disk: the box's colour (scripts write 0x00BBGGRR), turned to 6 x 8.
  TFileStream in(dir / "game/snap.brx", fmOpenRead);
  TBrixFrameList list;
  list.LoadFromStream(in, true, false, false, "snap.brx");
  ASSERT_EQ(list.Count(), 1);
  const TDIBSurface& picture = list.Frame(0).Picture;
  ASSERT_EQ(picture.Width(), 6);
  ASSERT_EQ(picture.Height(), 8);
  ASSERT_EQ(picture.StorageBits(), 24);
  for (int32_t y = 0; y < 8; ++y) {
    for (int32_t x = 0; x < 6; ++x) {
      const uint8_t* p = picture.ScanLine(y) + 3 * x;
      ASSERT_EQ(uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0], 0xC06030u) << x << ", " << y;
    }
  }
}

}  // namespace
}  // namespace velk
