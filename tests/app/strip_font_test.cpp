// The player's own controls find their font through the process's one font configuration, which stays usable for
// everything else after they let go of their font.
#include "app/strip_font.h"

#include <gtest/gtest.h>

#include "app/player_var_host.h"

namespace velk {
namespace {

TEST(StripFont, SharesTheFontConfiguration) {
  const std::string fonts = InstalledFontNames(false);
  ASSERT_FALSE(fonts.empty());
  for (int i = 0; i < 2; ++i) {
    TStripFont font(12);
    EXPECT_TRUE(font.Loaded());
    EXPECT_GT(font.TextWidth("Aa"), 0);
  }
  EXPECT_EQ(InstalledFontNames(false), fonts);
}

}  // namespace
}  // namespace velk
