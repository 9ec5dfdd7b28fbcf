#include "base/hash_collection.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

TEST(HashCollection, HashFollowsTheNameRule) {
  // "ab": length 2 -> 32, plus 'a' (second-to-last) and 'a' (first): 32 + 97 + 97 = 226.
  EXPECT_EQ(THashCollection::Hash("ab"), 226);
  EXPECT_EQ(THashCollection::Hash("AB"), 226);
  EXPECT_EQ(THashCollection::Hash("a"), 16);
  EXPECT_EQ(THashCollection::Hash(""), 0);
}

}  // namespace
}  // namespace velk
