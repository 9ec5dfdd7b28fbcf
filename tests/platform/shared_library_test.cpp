// Libraries opened at run time: a soname that is not installed, or a function a library lacks, is a clear "no"
// that the media and window code turn into their own failures, never a call through a null pointer.
#include "platform/shared_library.h"

#include <gtest/gtest.h>

#include <cmath>

namespace velk {
namespace {

TEST(SharedLibrary, OpensBySonameAndFindsOnlyWhatIsThere) {
  TSharedLibrary missing;
  EXPECT_FALSE(missing.Open("libvelk-not-installed.so.0"));
  EXPECT_FALSE(missing.IsOpen());
  double (*fn)(double) = &std::cos;
  EXPECT_FALSE(missing.Find("cos", fn));
  EXPECT_EQ(fn, nullptr);

  TSharedLibrary libm;
  ASSERT_TRUE(libm.Open("libm.so.6"));
  ASSERT_TRUE(libm.Find("cos", fn));
  EXPECT_EQ(fn(0.0), 1.0);
  EXPECT_FALSE(libm.Find("velk_no_such_function", fn));
  EXPECT_EQ(fn, nullptr);
}

}  // namespace
}  // namespace velk
