#include "script/project_setting.h"

#include <gtest/gtest.h>

#include "base/error.h"
#include "base/sjis.h"
#include "script/test_bytes.h"

namespace velk {
namespace {

using test::Bytes;

// The fields common to every version, up to the start page.
Bytes head(int32_t version) {
  Bytes b;
  b.i32(version).str("Game").i32(800).i32(600).i32(1024).i32(768).str("s\\start.ksb");
  return b;
}

TEST(ProjectSetting, ReadsHandMadeVersion103WithDefaults) {
  Bytes b = head(103);
  b.str("Velk\\Game").i32(1234).str("disc %d").str("quit");
  b.i32(2).u8(1).str("n").i32(-7).u8(4).str("s").str("abc");
  b.i32(1).str("bgm").i32(2);
  auto s = b.stream();
  TProjectSetting p;
  p.LoadFromStream(s);
  EXPECT_EQ(p.Version, 103);
  EXPECT_EQ(p.Title, "Game");
  EXPECT_EQ(p.ScreenWidth, 800);
  EXPECT_EQ(p.ScreenHeight, 600);
  EXPECT_EQ(p.FullScreenWidth, 1024);
  EXPECT_EQ(p.FullScreenHeight, 768);
  EXPECT_EQ(p.StartPage, "s\\start.ksb");
  EXPECT_EQ(p.ExitPage, "");
  EXPECT_EQ(p.RegistryKey, "Velk\\Game");
  EXPECT_EQ(p.IdCode, 1234);
  EXPECT_TRUE(p.SaveEnabled);
  EXPECT_EQ(p.IdleFlag, 0);
  EXPECT_EQ(p.MediaExtensions, ".wav.wma.ogg.mid");
  EXPECT_FALSE(p.PauseWhenInactive);
  EXPECT_EQ(p.ReservedFlag, 0);
  EXPECT_EQ(p.DiscPrompt, "disc %d");
  EXPECT_EQ(p.QuitText, "quit");
  ASSERT_EQ(p.Variables.size(), 2u);
  EXPECT_EQ(p.Variables[0].Type, 1);
  EXPECT_EQ(p.Variables[0].Name, "n");
  EXPECT_EQ(p.Variables[0].IntValue, -7);
  EXPECT_EQ(p.Variables[1].StrValue, "abc");
  ASSERT_EQ(p.DiscMap.Items.size(), 1u);
  EXPECT_EQ(p.DiscMap.Items[0].Folder, "bgm");
  EXPECT_EQ(p.DiscMap.Items[0].Disc, 2);
  EXPECT_EQ(s.Remaining(), 0);
}

TEST(ProjectSetting, ReadsHandMadeVersion115WithEveryField) {
  Bytes b = head(115);
  b.str("s\\exit.ksb").str("Key").i32(5).u8(0).u8(1).str(".ogg").u8(1).u8(1).str("p").str("q");
  b.i32(2).u8(2).str("f").ext_one_and_half().u8(3).str("b").u8(1);
  b.i32(0);
  auto s = b.stream();
  TProjectSetting p;
  p.LoadFromStream(s);
  EXPECT_EQ(p.ExitPage, "s\\exit.ksb");
  EXPECT_FALSE(p.SaveEnabled);
  EXPECT_EQ(p.IdleFlag, 1);
  EXPECT_EQ(p.MediaExtensions, ".ogg");
  EXPECT_TRUE(p.PauseWhenInactive);
  EXPECT_EQ(p.ReservedFlag, 1);
  ASSERT_EQ(p.Variables.size(), 2u);
  EXPECT_EQ(p.Variables[0].FloatValue, 1.5L);
  EXPECT_TRUE(p.Variables[1].BoolValue);
  EXPECT_EQ(s.Remaining(), 0);
}

TEST(ProjectSetting, EachVersionThresholdAddsItsField) {
  // version -> expected size of the written file beyond version 103's size.
  struct Row {
    int32_t version;
    size_t extra;
  };
  // exit page string (4 + 4), save byte, idle byte, extensions string (4 + 4), pause byte, reserved byte.
  const Row rows[] = {{103, 0},  {104, 1},  {105, 1},  {106, 2},  {108, 2}, {109, 10},
                      {110, 18}, {112, 18}, {113, 19}, {114, 20}, {115, 20}};
  size_t base_size = 0;
  for (const Row& row : rows) {
    TProjectSetting p;
    p.Version = row.version;
    p.Title = "T";
    p.ExitPage = "exit";
    p.MediaExtensions = ".ogg";
    p.SaveEnabled = false;
    p.IdleFlag = 1;
    p.PauseWhenInactive = true;
    p.ReservedFlag = 1;
    p.Variables.push_back({1, "a", 3, 0, false, ""});
    p.DiscMap.Add("bgm", 2);
    TMemoryStream m;
    p.SaveToStream(m);
    if (row.version == 103) base_size = m.Bytes().size();
    EXPECT_EQ(m.Bytes().size(), base_size + row.extra) << row.version;
    m.SetPosition(0);
    TProjectSetting q;
    q.LoadFromStream(m);
    EXPECT_EQ(q.ExitPage, row.version >= 110 ? "exit" : "") << row.version;
    EXPECT_EQ(q.SaveEnabled, row.version < 104) << row.version;
    EXPECT_EQ(q.IdleFlag, row.version >= 106 ? 1 : 0) << row.version;
    EXPECT_EQ(q.MediaExtensions, row.version >= 109 ? ".ogg" : ".wav.wma.ogg.mid") << row.version;
    EXPECT_EQ(q.PauseWhenInactive, row.version >= 113) << row.version;
    EXPECT_EQ(q.ReservedFlag, row.version >= 114 ? 1 : 0) << row.version;
    ASSERT_EQ(q.Variables.size(), 1u);
    EXPECT_EQ(q.Variables[0].IntValue, 3);
    EXPECT_EQ(q.DiscMap.Items.size(), 1u);
    EXPECT_EQ(m.Remaining(), 0);
  }
}

TEST(ProjectSetting, RefusesNewerVersionsAndDamagedFiles) {
  {
    auto s = head(116).stream();
    TProjectSetting p;
    try {
      p.LoadFromStream(s);
      FAIL();
    } catch (const EVelkError& e) {
      EXPECT_EQ(e.Message(), Utf8ToCp932("このバージョンには対応していません"));
    }
  }
  // Every truncation of a valid file is a clear error, except inside the last disc number, which the shared stream
  // primitives read as zero in its missing bytes.
  Bytes full = head(115);
  full.str("x").str("k").i32(1).u8(1).u8(0).str(".ogg").u8(0).u8(0).str("p").str("q");
  full.i32(1).u8(2).str("f").ext_one_and_half().i32(1).str("bgm").i32(2);
  for (size_t n = 0; n + 3 < full.size(); ++n) {
    auto s = full.prefix(n);
    TProjectSetting p;
    EXPECT_THROW(p.LoadFromStream(s), EFormatError) << n;
  }
  // A hostile variable count is refused before anything is allocated.
  Bytes hostile = head(103);
  hostile.str("k").i32(0).str("p").str("q").i32(0x7FFFFFFF);
  auto s = hostile.stream();
  TProjectSetting p;
  EXPECT_THROW(p.LoadFromStream(s), EFormatError);
}

TEST(ProjectSetting, SkipsVariablesOfUnknownType) {
  Bytes b = head(103);
  b.str("k").i32(0).str("p").str("q");
  b.i32(3).u8(1).str("a").i32(1).u8(9).str("odd").u8(3).str("c").u8(1);
  b.i32(0);
  auto s = b.stream();
  TProjectSetting p;
  p.LoadFromStream(s);
  ASSERT_EQ(p.Variables.size(), 2u);
  EXPECT_EQ(p.Variables[0].Name, "a");
  EXPECT_EQ(p.Variables[1].Name, "c");
  EXPECT_TRUE(p.Variables[1].BoolValue);
}

}  // namespace
}  // namespace velk
