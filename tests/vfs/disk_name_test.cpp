#include "vfs/disk_name.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/sjis.h"
#include "support/temp_dir.h"

namespace velk {
namespace {

TEST(DiskName, MatchesEveryComponentIgnoringCase) {
  test::TempDir dir;
  std::filesystem::create_directories(dir / "Data/SUB");
  test::WriteFile(dir / "Data/SUB/File.Txt", "x");
  test::WriteFile(dir / "Data/SUB/表.txt", "y");
  EXPECT_EQ(FindDiskFile(dir.Path(), "data\\sub\\file.txt"), dir / "Data/SUB/File.Txt");
  EXPECT_EQ(FindDiskFile(dir.Path(), "DATA/Sub/FILE.TXT"), dir / "Data/SUB/File.Txt");
  // 0x5C is the trail byte of this character, not a folder separator.
  EXPECT_EQ(FindDiskFile(dir.Path(), "data\\sub\\" + Utf8ToCp932("表.txt")), dir / "Data/SUB/表.txt");
  EXPECT_EQ(FindDiskFile(dir.Path(), "data\\sub"), "");  // a folder is not a file
  EXPECT_EQ(FindDiskFile(dir.Path(), "data\\none.txt"), "");
  EXPECT_EQ(FindDiskFile(dir.Path(), ""), "");
  EXPECT_EQ(FindDiskFolder(dir.Path(), "DATA\\sub\\"), dir / "Data/SUB/");
  // Disk paths are UTF-8: a byte that would lead a double-byte character never hides a "/".
  EXPECT_EQ(DiskFileExt("/x/あ/game.dat"), ".dat");
  EXPECT_EQ(DiskFileExt("/x.y/game"), "");
  EXPECT_EQ(ChangeDiskFileExt("/x/あ.d/game.dat", ".ext"), "/x/あ.d/game.ext");
  EXPECT_EQ(SystemName("a/表/b"), "a\\" + Utf8ToCp932("表") + "\\b");
}

TEST(DiskName, ConfinesWrittenNamesToTheirFolder) {
  EXPECT_EQ(ConfinedDiskPath("/out", "a\\b.txt"), "/out/a/b.txt");
  EXPECT_EQ(ConfinedDiskPath("/out/", ".\\a\\\\b.txt"), "/out/a/b.txt");
  EXPECT_EQ(ConfinedDiskPath("/out/", "..\\x.txt"), "");
  EXPECT_EQ(ConfinedDiskPath("/out/", "a\\..\\..\\x.txt"), "");
  EXPECT_EQ(ConfinedDiskPath("/out/", "\\etc\\passwd"), "");
  EXPECT_EQ(ConfinedDiskPath("/out/", "/etc/passwd"), "");
  EXPECT_EQ(ConfinedDiskPath("/out/", "C:\\x.txt"), "");
  EXPECT_EQ(ConfinedDiskPath("/out/", "."), "");
}

}  // namespace
}  // namespace velk
