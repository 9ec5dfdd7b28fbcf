#include "app/window_placement.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "support/tools.h"

namespace velk {
namespace {

TEST(WindowPlacement, RemembersEachGameAndRefusesDamagedEntries) {
  test::TempDir dir;
  const std::string file = dir / "config/velkplayer/windows.ini";
  TWindowPlacement got;
  EXPECT_FALSE(LoadPlacement(file, "/games/a", got));
  ASSERT_TRUE(SavePlacement(file, "/games/a", {Bounds(-40, 30, 640, 480), 2}));
  ASSERT_TRUE(SavePlacement(file, "/games/b", {Bounds(10, 20, 320, 240), 0}));
  ASSERT_TRUE(SavePlacement(file, "/games/a", {Bounds(50, 60, 800, 600), 3}));
  ASSERT_TRUE(LoadPlacement(file, "/games/a", got));
  EXPECT_EQ(got.Bounds, Bounds(50, 60, 800, 600));
  EXPECT_EQ(got.Scale, 3);
  ASSERT_TRUE(LoadPlacement(file, "/games/b", got));
  EXPECT_EQ(got.Bounds, Bounds(10, 20, 320, 240));
  EXPECT_EQ(got.Scale, 0);

  test::WriteFile(file, "[/games/c]\nLeft=0\nTop=0\nWidth=99999999\nHeight=10\nScale=1\n"
                        "[/games/d]\nLeft=0\nTop=0\nWidth=100\nHeight=100\nScale=-3\n");
  EXPECT_FALSE(LoadPlacement(file, "/games/c", got));
  EXPECT_FALSE(LoadPlacement(file, "/games/d", got));
  // A folder whose name would end the section header early.
  EXPECT_EQ(PlacementKey("/no/such]folder"), "/no/such_folder");
}

}  // namespace
}  // namespace velk
