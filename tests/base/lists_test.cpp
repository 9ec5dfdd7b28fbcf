#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/error.h"
#include "base/int_list.h"
#include "base/obj_list.h"

namespace velk {
namespace {

// Counts its live instances so that the test sees when the list frees them.
struct Tracked {
  explicit Tracked(int* live, int id) : live(live), id(id) { ++*live; }
  ~Tracked() { --*live; }
  int* live;
  int id;
};

TEST(ObjList, OwnsAndFreesItsObjects) {
  int live = 0;
  std::unique_ptr<Tracked> taken;
  {
    TObjList<Tracked> l;
    Tracked* a = l.Add(std::make_unique<Tracked>(&live, 1));
    l.Add(std::make_unique<Tracked>(&live, 2));
    l.Insert(0, std::make_unique<Tracked>(&live, 0));
    l.Insert(99, std::make_unique<Tracked>(&live, 3));
    EXPECT_EQ(live, 4);
    std::vector<int> ids;
    for (const auto& t : l) ids.push_back(t->id);
    EXPECT_EQ(ids, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(l.IndexOf(a), 1);
    EXPECT_EQ(l.Remove(a), 1);
    EXPECT_EQ(live, 3);
    EXPECT_EQ(l[1]->id, 2);
    taken = l.Extract(0);
    EXPECT_EQ(taken->id, 0);
    EXPECT_EQ(live, 3);  // extracted, not freed
    l.Delete(5);         // out of range: nothing
    EXPECT_EQ(l.Item(-1), nullptr);
    EXPECT_EQ(l.Count(), 2);
  }
  EXPECT_EQ(live, 1);  // the list freed its two; the extracted one lives on
  EXPECT_EQ(taken->id, 0);
}

TEST(IntList, GrowsWithZerosAndRejectsBadIndexes) {
  TIntList l;
  EXPECT_EQ(l.Add(7), 0);
  l.Set(4, 9);
  EXPECT_EQ(l.Items(), (std::vector<int32_t>{7, 0, 0, 0, 9}));
  EXPECT_EQ(l.Get(100), 0);  // beyond the end reads as zero and does not grow
  EXPECT_EQ(l.Count(), 5);
  EXPECT_EQ(l[4], 9);
  EXPECT_EQ(l.IndexOf(9), 4);
  EXPECT_EQ(l.IndexOf(5), -1);
  l.Delete(0);
  EXPECT_EQ(l.Items(), (std::vector<int32_t>{0, 0, 0, 9}));
  EXPECT_THROW(l.Get(-1), EVelkError);
  EXPECT_THROW(l.Set(-1, 1), EVelkError);
  EXPECT_THROW(l.Delete(4), EVelkError);
  EXPECT_THROW(l.Set(kMaxIntListCount, 1), EVelkError);
  EXPECT_THROW(l.Set(INT32_MAX, 1), EVelkError);
  EXPECT_EQ(l.Count(), 4);
  l.Clear();
  EXPECT_EQ(l.Count(), 0);
}

TEST(IntArray, IsBoundsCheckedAndGrowsOnRequest) {
  TIntArray a;
  a.SetLength(3);
  a.Set(2, 5);
  EXPECT_EQ(a.Items(), (std::vector<int32_t>{0, 0, 5}));
  EXPECT_EQ(a.Add(8), 3);
  EXPECT_EQ(a[3], 8);
  EXPECT_THROW(a.Get(4), EVelkError);
  EXPECT_THROW(a.Set(4, 1), EVelkError);
  EXPECT_THROW(a.Get(-1), EVelkError);
  EXPECT_THROW(a.SetLength(-1), EVelkError);
  EXPECT_THROW(a.SetLength(kMaxIntListCount + 1), EVelkError);
  a.SetLength(1);
  EXPECT_EQ(a.Items(), std::vector<int32_t>{0});
  a.SetLength(2);
  EXPECT_EQ(a.Items(), (std::vector<int32_t>{0, 0}));  // new slots are zero, old values gone
}

}  // namespace
}  // namespace velk
