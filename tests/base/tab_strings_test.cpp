#include "base/tab_strings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velk {
namespace {

using Fields = std::vector<std::string>;

TEST(TabStrings, SplitsAtTabsKeepingEmptyFields) {
  EXPECT_EQ(TTabStrings("a\tb\tc").Fields(), (Fields{"a", "b", "c"}));
  EXPECT_EQ(TTabStrings("a\t\tc").Fields(), (Fields{"a", "", "c"}));
  EXPECT_EQ(TTabStrings("\ta\t").Fields(), (Fields{"", "a", ""}));
  EXPECT_EQ(TTabStrings("one").Fields(), Fields{"one"});
  EXPECT_EQ(TTabStrings("").Fields(), Fields{""});
  EXPECT_EQ(TTabStrings("a b\tc d").Fields(), (Fields{"a b", "c d"}));
}

TEST(TabStrings, DoesNotSplitDoubleByteCharacters) {
  // A lead byte followed by a tab forms one (invalid) character: the tab does not count.
  TTabStrings t("\x82\ta\t\x82\xA0");
  EXPECT_EQ(t.Fields(), (Fields{"\x82\ta", "\x82\xA0"}));
  EXPECT_EQ(t.Count(), 2);
  EXPECT_EQ(t[1], "\x82\xA0");
  EXPECT_EQ(t[2], "");
  EXPECT_EQ(t[-1], "");
  t.SetText("x\ty");
  EXPECT_EQ(t.Fields(), (Fields{"x", "y"}));
}

}  // namespace
}  // namespace velk
