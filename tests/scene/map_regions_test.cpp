#include "scene/map_regions.h"

#include <gtest/gtest.h>

#include "base/error.h"
#include "scene/scene_test_support.h"
#include "vfs/stream.h"

namespace velk {
namespace {

// Region files are written by hand, so that the reader is checked against the format itself.
using test::TBytes;

TMapRegions Load(const TBytes& bytes) {
  TMemoryStream s(bytes.b);
  TMapRegions regions;
  regions.LoadFromStream(s);
  return regions;
}

// Which points of a w x h area a region takes, one row per string, '#' taken.
std::vector<std::string> Raster(const TMapRegion& r, int32_t w, int32_t h) {
  std::vector<std::string> rows;
  for (int32_t y = 0; y < h; ++y) {
    std::string row;
    for (int32_t x = 0; x < w; ++x) row += r.Contains(x, y) ? '#' : '.';
    rows.push_back(row);
  }
  return rows;
}

TEST(MapRegions, ReadsShapesInFileOrderWithInclusiveEdges) {
  TBytes f;
  f.i32(4);
  f.str("rect").u8(0).i32(0).i32(0).i32(9).i32(9);
  f.str("oval").u8(1).i32(20).i32(0).i32(29).i32(9);
  f.str("tri").u8(7).i32(3).i32(40).i32(0).i32(50).i32(10).i32(40).i32(10);
  f.str("over").u8(0).i32(5).i32(5).i32(25).i32(6);
  const TMapRegions regions = Load(f);
  ASSERT_EQ(regions.Count(), 4);
  EXPECT_EQ(regions.Region(0).Name, "rect");
  EXPECT_EQ(regions.Region(2).Shape(), TMapRegion::TShape::Polygon);
  EXPECT_EQ(regions.Region(2).Points.size(), 3u);

  // A rectangle (0, 0, 9, 9) takes its right column and bottom row, and nothing beyond.
  EXPECT_EQ(regions.RegionAt(9, 9), 0);
  EXPECT_EQ(regions.RegionAt(0, 0), 0);
  EXPECT_EQ(regions.RegionAt(10, 9), -1);
  EXPECT_EQ(regions.RegionAt(9, 10), -1);
  EXPECT_EQ(regions.RegionAt(-1, 0), -1);
  // Where regions overlap the lowest number wins: "over" only shows outside "rect" and "oval".
  EXPECT_EQ(regions.RegionAt(7, 5), 0);
  EXPECT_EQ(regions.RegionAt(15, 5), 3);
  EXPECT_EQ(regions.RegionAt(24, 5), 1);
  EXPECT_EQ(regions.RegionAt(19, 6), 3);
  EXPECT_EQ(regions.RegionAt(29, 9), -1);  // the oval's corner

  EXPECT_EQ(regions.BoundingBox(0), (TRect{0, 0, 10, 10}));
  EXPECT_EQ(regions.BoundingBox(1), (TRect{20, 0, 30, 10}));
  EXPECT_EQ(regions.BoundingBox(2), (TRect{40, 0, 51, 11}));
  EXPECT_EQ(regions.BoundingBox(4), TRect{});
  EXPECT_EQ(regions.BoundingBox(-1), TRect{});
}

TEST(MapRegions, EllipseTouchesTheMiddleOfEachEdgeButNotTheCorners) {
  TMapRegion oval;
  oval.ShapeCode = 1;
  oval.Right = 9;
  oval.Bottom = 5;
  const std::vector<std::string> want = {
      "..######..",  //
      ".########.",  //
      "##########",  //
      "##########",  //
      ".########.",  //
      "..######..",
  };
  EXPECT_EQ(Raster(oval, 10, 6), want);
  // A one-cell ellipse is that cell.
  TMapRegion dot;
  dot.ShapeCode = 1;
  dot.Left = dot.Right = 2;
  dot.Top = dot.Bottom = 1;
  EXPECT_EQ(Raster(dot, 4, 3), (std::vector<std::string>{"....", "..#.", "...."}));
}

TEST(MapRegions, PolygonsFillWithTheWindingRule) {
  // A pentagram: its edges cross, and the winding rule fills the inner pentagon that the even-odd rule leaves open.
  TMapRegion star;
  star.ShapeCode = 2;
  star.Points = {{10, 0}, {16, 19}, {0, 7}, {20, 7}, {4, 19}};
  EXPECT_TRUE(star.Contains(10, 10));   // inside the inner pentagon, wound twice
  EXPECT_TRUE(star.Contains(10, 3));    // the top point, wound once
  EXPECT_FALSE(star.Contains(10, 17));  // between the two lower points
  EXPECT_FALSE(star.Contains(0, 0));
  // A square traced twice in the same direction is filled; left and top edges in, right and bottom out.
  TMapRegion twice;
  twice.ShapeCode = 255;
  twice.Points = {{1, 1}, {4, 1}, {4, 3}, {1, 3}, {1, 1}, {4, 1}, {4, 3}, {1, 3}};
  EXPECT_EQ(Raster(twice, 5, 4), (std::vector<std::string>{".....", ".###.", ".###.", "....."}));
  // Fewer than three vertices enclose nothing.
  TMapRegion line;
  line.ShapeCode = 2;
  line.Points = {{0, 0}, {5, 5}};
  EXPECT_EQ(Raster(line, 6, 6), std::vector<std::string>(6, "......"));
  EXPECT_EQ(line.BoundingBox(), TRect{});
}

TEST(MapRegions, ExtremeCoordinatesNeitherOverflowNorCrash) {
  constexpr int32_t kMax = 2147483647, kMin = -2147483647 - 1;
  TMapRegion all;
  all.Left = kMin;
  all.Top = kMin;
  all.Right = kMax;
  all.Bottom = kMax;
  EXPECT_TRUE(all.Contains(kMax, kMax));
  EXPECT_EQ(all.BoundingBox(), (TRect{kMin, kMin, kMax, kMax}));
  all.ShapeCode = 1;
  EXPECT_TRUE(all.Contains(0, 0));
  TMapRegion huge;
  huge.ShapeCode = 2;
  huge.Points = {{kMin, kMin}, {kMax, kMin}, {kMax, kMax}, {kMin, kMax}};
  EXPECT_TRUE(huge.Contains(0, 0));
  EXPECT_TRUE(huge.Contains(kMin, kMin));
  // An inverted rectangle covers nothing.
  TMapRegion inverted;
  inverted.Left = 5;
  inverted.Right = 1;
  inverted.Bottom = 3;
  EXPECT_FALSE(inverted.Contains(3, 1));
  EXPECT_EQ(inverted.BoundingBox(), TRect{});
}

TEST(MapRegions, DamagedFilesAreRefusedAndLeaveNoRegions) {
  const auto refused = [](const TBytes& f) {
    TMemoryStream s(f.b);
    TMapRegions regions;
    TMapRegion old;
    old.Name = "old";
    regions.Add(old);
    EXPECT_THROW(regions.LoadFromStream(s), EFormatError);
    EXPECT_EQ(regions.Count(), 0);
  };
  refused(TBytes{}.i32(-1));
  refused(TBytes{}.i32(1000000));                                           // more regions than bytes
  refused(TBytes{}.i32(1).str("a").u8(0).i32(1).i32(2));                    // rectangle cut short
  refused(TBytes{}.i32(1).str("a").u8(5).i32(100000).i32(1).i32(1));        // more vertices than bytes
  refused(TBytes{}.i32(1).str("a").u8(5).i32(-3));                          // negative vertex count
  refused(TBytes{}.i32(1).i32(1 << 30).u8(0).i32(0).i32(0).i32(0).i32(0));  // name longer than the file
  refused(TBytes{}.i32(2).str("a").u8(2).i32(0).str("b").u8(0).i32(0));     // second region cut short
  // An empty region list and a polygon without vertices are well-formed.
  EXPECT_EQ(Load(TBytes{}.i32(0)).Count(), 0);
  EXPECT_EQ(Load(TBytes{}.i32(1).str("").u8(9).i32(0)).Count(), 1);
}

TEST(MapRegions, WriterAndReaderAgree) {
  TMapRegions regions;
  TMapRegion a;
  a.Name = "\x83\x41";  // a double-byte name
  a.Left = 1;
  a.Top = 2;
  a.Right = 3;
  a.Bottom = 4;
  TMapRegion b;
  b.Name = "poly";
  b.ShapeCode = 3;
  b.Points = {{0, 0}, {5, 0}, {0, 5}};
  regions.Add(a);
  regions.Add(b);
  TMemoryStream s;
  regions.SaveToStream(s);
  s.SetPosition(0);
  TMapRegions back;
  back.LoadFromStream(s);
  ASSERT_EQ(back.Count(), 2);
  EXPECT_EQ(back.Region(0).Name, a.Name);
  EXPECT_EQ(back.BoundingBox(0), (TRect{1, 2, 4, 5}));
  EXPECT_EQ(back.Region(1).ShapeCode, 3);
  EXPECT_EQ(back.Region(1).Points, b.Points);
  EXPECT_EQ(s.GetPosition(), s.GetSize());
}

}  // namespace
}  // namespace velk
