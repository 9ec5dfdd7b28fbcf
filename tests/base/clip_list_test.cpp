#include "base/clip_list.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace velk {
namespace {

std::vector<TRect> rects(const TClipList& l) { return std::vector<TRect>(l.begin(), l.end()); }

TEST(ClipList, KeepsDistantRectanglesApartAndIgnoresEmptyOnes) {
  TClipList l;
  l.Add(TRect{0, 0, 10, 10});
  l.Add(TRect{31, 0, 40, 10});   // 21 pixels to the right: apart
  l.Add(TRect{0, 31, 10, 40});   // 21 pixels below: apart
  l.Add(TRect{50, 50, 50, 60});  // empty
  l.Add(TRect{70, 70, 60, 80});  // inverted
  EXPECT_EQ(rects(l), (std::vector<TRect>{{0, 0, 10, 10}, {31, 0, 40, 10}, {0, 31, 10, 40}}));
  EXPECT_EQ(l.Count(), 3);
  EXPECT_EQ(l[1], (TRect{31, 0, 40, 10}));
  l.Clear();
  EXPECT_EQ(l.Count(), 0);
}

TEST(ClipList, MergesWithinTwentyPixels) {
  // Exactly 20 pixels apart on each side counts as near.
  for (TRect n : {TRect{30, 0, 40, 10}, TRect{0, 30, 10, 40}, TRect{-30, 0, -20, 10}, TRect{0, -30, 10, -20}}) {
    TClipList l;
    l.Add(TRect{0, 0, 10, 10});
    l.Add(n);
    EXPECT_EQ(rects(l), std::vector<TRect>{Union(TRect{0, 0, 10, 10}, n)}) << n.Left << "," << n.Top;
  }
  // Diagonally 20 pixels apart in both directions is near as well (each axis is tested alone).
  TClipList l;
  l.Add(TRect{0, 0, 10, 10});
  l.Add(TRect{30, 30, 40, 40});
  EXPECT_EQ(rects(l), std::vector<TRect>{(TRect{0, 0, 40, 40})});
}

TEST(ClipList, DropsRectanglesInsideAStoredOne) {
  TClipList l;
  l.Add(TRect{0, 0, 100, 100});
  l.Add(TRect{200, 0, 300, 100});
  l.Add(TRect{10, 10, 20, 20});
  l.Add(TRect{200, 0, 300, 100});  // equal counts as inside
  EXPECT_EQ(rects(l), (std::vector<TRect>{{0, 0, 100, 100}, {200, 0, 300, 100}}));
}

TEST(ClipList, MergingRepeatsWithTheUnion) {
  TClipList l;
  l.Add(TRect{0, 0, 10, 10});
  l.Add(TRect{100, 0, 110, 10});
  l.Add(TRect{200, 0, 210, 10});
  ASSERT_EQ(l.Count(), 3);
  // Near the first only; the union (0..60) is then near nothing else ...
  l.Add(TRect{25, 0, 60, 10});
  EXPECT_EQ(rects(l), (std::vector<TRect>{{100, 0, 110, 10}, {200, 0, 210, 10}, {0, 0, 60, 10}}));
  // ... but this one bridges all three: it is near the middle one, whose union reaches the others.
  l.Add(TRect{75, 0, 185, 10});
  EXPECT_EQ(rects(l), std::vector<TRect>{(TRect{0, 0, 210, 10})});
  // A rectangle inside the union is dropped after merging has happened.
  l.Add(TRect{5, 2, 8, 3});
  EXPECT_EQ(l.Count(), 1);
}

TEST(ClipList, ExtremeCoordinatesDoNotOverflow) {
  TClipList l;
  l.Add(TRect{INT32_MAX - 5, INT32_MAX - 5, INT32_MAX, INT32_MAX});
  l.Add(TRect{INT32_MIN, INT32_MIN, INT32_MIN + 5, INT32_MIN + 5});
  EXPECT_EQ(l.Count(), 2);
}

}  // namespace
}  // namespace velk
