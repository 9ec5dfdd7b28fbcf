#include "base/hash_collection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velk {
namespace {

TEST(HashCollection, HashFollowsTheNameRule) {
  // "ab": length 2 -> 32, plus 'a' (second-to-last) and 'a' (first): 32 + 97 + 97 = 226.
  EXPECT_EQ(THashCollection::Hash("ab"), 226);
  EXPECT_EQ(THashCollection::Hash("AB"), 226);
  EXPECT_EQ(THashCollection::Hash("a"), 16);
  EXPECT_EQ(THashCollection::Hash(""), 0);
  // "Hello": 80 + 'l' (108) + 'h' (104) = 292 -> low 8 bits 36.
  EXPECT_EQ(THashCollection::Hash("Hello"), 36);
  // 20 characters: 320 + 'x' + 'x' = 560 -> 48.
  EXPECT_EQ(THashCollection::Hash(std::string(20, 'X')), 48);
  // A trail byte 0x41 is not lower-cased: "\x82\x41" hashes with 0x82 as both codes (32 + 130 + 130 = 292 -> 36).
  EXPECT_EQ(THashCollection::Hash("\x82\x41"), 36);
  EXPECT_EQ(THashCollection::Hash("\x82\x61"), 36);
}

std::vector<std::string> names_by_index(const THashCollection& c) {
  std::vector<std::string> out;
  for (int32_t i = 0; i < c.Count(); ++i) {
    EXPECT_EQ(c.Item(i)->Index(), i);
    EXPECT_EQ(c.Item(i)->Collection(), &c);
    out.push_back(c.Item(i)->Name());
  }
  return out;
}

TEST(HashCollection, FindIgnoresAsciiCaseAndReturnsTheNewest) {
  THashCollection c;
  THashCollectionItem* first = c.Add(std::make_unique<THashCollectionItem>("Alpha"));
  c.Add(std::make_unique<THashCollectionItem>("beta"));
  THashCollectionItem* second = c.Add(std::make_unique<THashCollectionItem>("ALPHA"));
  EXPECT_EQ(c.Find("alpha"), second);
  EXPECT_EQ(c.IndexOf("aLpHa"), 2);
  EXPECT_EQ(c.Find("BETA")->Index(), 1);
  EXPECT_EQ(c.Find("gamma"), nullptr);
  EXPECT_EQ(c.IndexOf("gamma"), -1);
  EXPECT_EQ(c.Find("alph"), nullptr);

  // Deleting the newest uncovers the older one; indexes after the deleted item move down.
  c.Delete(2);
  EXPECT_EQ(c.Find("alpha"), first);
  c.Delete(0);
  EXPECT_EQ(c.Find("alpha"), nullptr);
  EXPECT_EQ(names_by_index(c), std::vector<std::string>{"beta"});
  EXPECT_EQ(c.IndexOf("beta"), 0);
}

TEST(HashCollection, DoubleByteNamesCompareTrailBytesExactly) {
  THashCollection c;
  // Same lead byte; trail bytes 0x41 ('A') and 0x61 ('a') are different characters and must not fold.
  THashCollectionItem* upper_trail = c.Add(std::make_unique<THashCollectionItem>("x\x82\x41"));
  EXPECT_EQ(c.Find("x\x82\x61"), nullptr);
  EXPECT_EQ(c.Find("X\x82\x41"), upper_trail);
  THashCollectionItem* lower_trail = c.Add(std::make_unique<THashCollectionItem>("x\x82\x61"));
  EXPECT_EQ(c.Find("x\x82\x41"), upper_trail);
  EXPECT_EQ(c.Find("X\x82\x61"), lower_trail);
  // Letters after a double-byte character fold again.
  c.Add(std::make_unique<THashCollectionItem>("\x82\xA0Name"));
  EXPECT_NE(c.Find("\x82\xA0NAME"), nullptr);
}

TEST(HashCollection, IndexesStayCachedThroughDeletesAndExtracts) {
  THashCollection c;
  for (const char* n : {"a", "b", "c", "d", "e", "f"}) c.Add(std::make_unique<THashCollectionItem>(n));
  c.Delete(1);
  std::unique_ptr<THashCollectionItem> d = c.Extract(2);  // "d"
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->Name(), "d");
  EXPECT_EQ(d->Index(), -1);
  EXPECT_EQ(d->Collection(), nullptr);
  EXPECT_EQ(c.Find("d"), nullptr);
  EXPECT_EQ(names_by_index(c), (std::vector<std::string>{"a", "c", "e", "f"}));
  EXPECT_EQ(c.IndexOf("f"), 3);
  // Out-of-range indexes do nothing.
  EXPECT_EQ(c.Extract(-1), nullptr);
  EXPECT_EQ(c.Extract(4), nullptr);
  c.Delete(99);
  EXPECT_EQ(c.Item(-1), nullptr);
  EXPECT_EQ(c.Count(), 4);
  // An extracted item can join again and becomes the newest of its name.
  c.Add(std::move(d));
  EXPECT_EQ(c.IndexOf("D"), 4);
  c.Clear();
  EXPECT_EQ(c.Count(), 0);
  EXPECT_EQ(c.Find("a"), nullptr);
}

TEST(HashCollection, RenameMovesTheItemToItsNewChain) {
  THashCollection c;
  THashCollectionItem* a = c.Add(std::make_unique<THashCollectionItem>("one"));
  THashCollectionItem* b = c.Add(std::make_unique<THashCollectionItem>("two"));
  a->SetName("three");  // a different chain: 80 + 'e' + 't'
  EXPECT_EQ(c.Find("one"), nullptr);
  EXPECT_EQ(c.Find("THREE"), a);
  EXPECT_EQ(a->Index(), 0);
  // Renaming to a name already present makes the renamed item the one found.
  a->SetName("Two");
  EXPECT_EQ(c.Find("two"), a);
  c.Delete(0);
  EXPECT_EQ(c.Find("two"), b);
  EXPECT_EQ(b->Index(), 0);
  // A free item renames without a collection.
  THashCollectionItem free_item("x");
  free_item.SetName("y");
  EXPECT_EQ(free_item.Name(), "y");
}

TEST(HashCollection, ManyNamesInOneChain) {
  // Names of equal length, first and second-to-last character share a chain; all must stay findable.
  THashCollection c;
  std::vector<std::string> names;
  for (char m = 'a'; m <= 'z'; ++m) names.push_back(std::string("q") + m + "qz");
  for (const auto& n : names) c.Add(std::make_unique<THashCollectionItem>(n));
  for (size_t i = 0; i < names.size(); ++i) EXPECT_EQ(c.IndexOf(names[i]), static_cast<int32_t>(i)) << names[i];
  c.Delete(10);
  for (size_t i = 0; i < names.size(); ++i) {
    int32_t expected = i < 10 ? static_cast<int32_t>(i) : i == 10 ? -1 : static_cast<int32_t>(i) - 1;
    EXPECT_EQ(c.IndexOf(names[i]), expected) << names[i];
  }
}

}  // namespace
}  // namespace velk
