#include "base/paths.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velk {
namespace {

using Parts = std::vector<std::string>;

// "表" and "ソ" end in the byte 0x5C.
const std::string kHyo = "\x95\x5C";
const std::string kSo = "\x83\x5C";

TEST(Paths, SplitsIntoComponentsThatKeepTheirDelimiters) {
  EXPECT_EQ(SplitPath("C:\\games\\x\\file.txt"), (Parts{"C:\\", "games\\", "x\\", "file.txt"}));
  EXPECT_EQ(SplitPath("\\\\server\\share\\a\\"), (Parts{"\\\\server\\", "share\\", "a\\"}));
  EXPECT_EQ(SplitPath("\\\\server"), (Parts{"\\\\server"}));
  EXPECT_EQ(SplitPath("d:/a/b"), (Parts{"d:/", "a/", "b"}));
  EXPECT_EQ(SplitPath("C:rel\\x"), (Parts{"C:", "rel\\", "x"}));
  EXPECT_EQ(SplitPath("\\root\\x"), (Parts{"\\", "root\\", "x"}));
  EXPECT_EQ(SplitPath("data\\bgm\\"), (Parts{"data\\", "bgm\\"}));
  EXPECT_EQ(SplitPath(""), Parts{});
  // A trail byte 0x5C does not end a component.
  EXPECT_EQ(SplitPath("C:\\" + kHyo + "\\" + kSo + ".txt"), (Parts{"C:\\", kHyo + "\\", kSo + ".txt"}));
  EXPECT_EQ(SplitPath("\\\\" + kSo + "\\s"), (Parts{"\\\\" + kSo + "\\", "s"}));
}

TEST(Paths, ResolvesRelativeNamesAgainstABaseFolder) {
  EXPECT_EQ(ResolveRelativePath("C:\\games\\x\\", "a.txt"), "C:\\games\\x\\a.txt");
  EXPECT_EQ(ResolveRelativePath("C:\\games\\x\\", "..\\a.txt"), "C:\\games\\a.txt");
  EXPECT_EQ(ResolveRelativePath("C:\\games\\x\\", "..\\..\\sub\\a.txt"), "C:\\sub\\a.txt");
  EXPECT_EQ(ResolveRelativePath("C:\\games\\x", "../a.txt"), "C:\\games\\a.txt");
  EXPECT_EQ(ResolveRelativePath("C:\\games\\x\\", ".\\a.txt"), "C:\\games\\x\\a.txt");
  // Absolute names stay as they are.
  EXPECT_EQ(ResolveRelativePath("C:\\games\\", "\\movie\\a.kmt"), "\\movie\\a.kmt");
  EXPECT_EQ(ResolveRelativePath("C:\\games\\", "D:\\a.kmt"), "D:\\a.kmt");
  // No climbing above the prefix or above the start of a relative base.
  EXPECT_EQ(ResolveRelativePath("C:\\games\\", "..\\..\\..\\a"), "C:\\a");
  EXPECT_EQ(ResolveRelativePath("\\\\srv\\share\\", "..\\..\\a"), "\\\\srv\\a");
  EXPECT_EQ(ResolveRelativePath("data\\", "..\\..\\a"), "a");
  EXPECT_EQ(ResolveRelativePath("", "a\\b"), "a\\b");
  // A base whose last folder ends in a 0x5C trail byte: ".." removes the whole folder.
  EXPECT_EQ(ResolveRelativePath("C:\\" + kHyo + "\\" + kSo + "\\", "..\\a"), "C:\\" + kHyo + "\\a");
  // ".." in the middle of a name is left alone (only leading steps count).
  EXPECT_EQ(ResolveRelativePath("C:\\g\\", "a\\..\\b"), "C:\\g\\a\\..\\b");
  EXPECT_EQ(ResolveRelativePath("C:\\g\\", "..name"), "C:\\g\\..name");
}

TEST(Paths, ExtractsFolderNameAndExtension) {
  EXPECT_EQ(ExtractFilePath("C:\\games\\x\\file.txt"), "C:\\games\\x\\");
  EXPECT_EQ(ExtractFileName("C:\\games\\x\\file.txt"), "file.txt");
  EXPECT_EQ(ExtractFileExt("C:\\games\\x\\file.txt"), ".txt");
  EXPECT_EQ(ExtractFilePath("a/b/c.d"), "a/b/");
  EXPECT_EQ(ExtractFileName("a/b/c.d"), "c.d");
  EXPECT_EQ(ExtractFilePath("C:file"), "C:");
  EXPECT_EQ(ExtractFileName("C:file"), "file");
  EXPECT_EQ(ExtractFilePath("file"), "");
  EXPECT_EQ(ExtractFileExt("archive.tar.gz"), ".gz");
  EXPECT_EQ(ExtractFileExt("dir.d\\noext"), "");
  EXPECT_EQ(ExtractFileExt("name."), ".");
  // Trail bytes 0x5C are part of the name.
  EXPECT_EQ(ExtractFileName("C:\\" + kSo), kSo);
  EXPECT_EQ(ExtractFilePath("C:\\" + kSo), "C:\\");
  EXPECT_EQ(ExtractFilePath("d\\" + kHyo + kSo + ".ksb"), "d\\");
  EXPECT_EQ(ExtractFileExt("d\\" + kHyo + kSo + ".ksb"), ".ksb");
}

TEST(Paths, ChangesExtensionsAndAddsDelimiters) {
  EXPECT_EQ(ChangeFileExt("game.dat", ".ext"), "game.ext");
  EXPECT_EQ(ChangeFileExt("dir.x\\game", ".ext"), "dir.x\\game.ext");
  EXPECT_EQ(ChangeFileExt("a.b.c", ""), "a.b");
  EXPECT_EQ(ChangeFileExt(kSo + ".ksb", ".bak"), kSo + ".bak");
  EXPECT_EQ(IncludeTrailingPathDelimiter("C:\\games"), "C:\\games\\");
  EXPECT_EQ(IncludeTrailingPathDelimiter("C:\\games\\"), "C:\\games\\");
  EXPECT_EQ(IncludeTrailingPathDelimiter("a/"), "a/");
  EXPECT_EQ(IncludeTrailingPathDelimiter(""), "\\");
  // A name ending in a double-byte character with trail byte 0x5C still needs its delimiter.
  EXPECT_EQ(IncludeTrailingPathDelimiter("C:\\" + kSo), "C:\\" + kSo + "\\");
  EXPECT_TRUE(IsPathDelimiter("a\\b", 1));
  EXPECT_FALSE(IsPathDelimiter(kSo, 1));
  EXPECT_FALSE(IsPathDelimiter("a\\", 5));
  EXPECT_TRUE(IsAbsolutePath("\\\\srv\\x"));
  EXPECT_TRUE(IsAbsolutePath("c:x"));
  EXPECT_FALSE(IsAbsolutePath("x\\c:"));
  EXPECT_FALSE(IsAbsolutePath(kSo));
}

}  // namespace
}  // namespace velk
