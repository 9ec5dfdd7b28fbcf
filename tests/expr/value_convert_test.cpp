#include "expr/value_convert.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace velk {
namespace {

TEST(ValueConvert, ParsesIntegersWithSignsSpacesAndHexPrefixes) {
  struct Case {
    const char* text;
    bool ok;
    int32_t value;
  };
  const Case cases[] = {
      {"0", true, 0},
      {"  42", true, 42},
      {"-17", true, -17},
      {"+5", true, 5},
      {"$ff", true, 255},
      {"x10", true, 16},
      {"X1F", true, 31},
      {"0x7fffffff", true, INT32_MAX},
      {"$FFFFFFFF", true, -1},
      {"-$10", true, -16},
      {"2147483647", true, INT32_MAX},
      {"-2147483648", true, INT32_MIN},
      {"2147483648", false, 0},
      {"$100000000", false, 0},
      {"", false, 0},
      {"-", false, 0},
      {"12 ", false, 0},
      {"1.5", false, 0},
      {"abc", false, 0},
      {"$", false, 0},
      {"0x", false, 0},
      {"1e3", false, 0},
  };
  for (const Case& c : cases) {
    int32_t v = 12345;
    EXPECT_EQ(TryStrToInt(c.text, v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(v, c.value) << c.text;
    }
    EXPECT_EQ(StrToInt(c.text), c.value) << c.text;
  }
}

TEST(ValueConvert, ParsesFloatsWithPeriodAndExponent) {
  long double v = 0;
  EXPECT_TRUE(TryStrToFloat("3.5", v));
  EXPECT_EQ(v, 3.5L);
  EXPECT_TRUE(TryStrToFloat(" -2.5e2 ", v));
  EXPECT_EQ(v, -250.0L);
  EXPECT_TRUE(TryStrToFloat(".5", v));
  EXPECT_EQ(v, 0.5L);
  EXPECT_TRUE(TryStrToFloat("7.", v));
  EXPECT_EQ(v, 7.0L);
  for (const char* bad : {"", ".", "1,5", "1e", "e5", "abc", "1.5x", "nan", "inf", "1e99999"}) {
    EXPECT_FALSE(TryStrToFloat(bad, v)) << bad;
    EXPECT_EQ(StrToFloat(bad), 0.0L) << bad;
  }
}

TEST(ValueConvert, FormatsFloatsWithFifteenSignificantDigits) {
  EXPECT_EQ(FloatToStr(0), "0");
  EXPECT_EQ(FloatToStr(3.5L), "3.5");
  EXPECT_EQ(FloatToStr(-2.0L), "-2");
  EXPECT_EQ(FloatToStr(0.1L), "0.1");
  EXPECT_EQ(FloatToStr(1.0L / 3), "0.333333333333333");
  EXPECT_EQ(FloatToStr(2.0L / 3), "0.666666666666667");
  EXPECT_EQ(FloatToStr(123456789012345.0L), "123456789012345");
  EXPECT_EQ(FloatToStr(1234567890123456.0L), "1.23456789012346E15");
  EXPECT_EQ(FloatToStr(1e20L), "1E20");
  EXPECT_EQ(FloatToStr(0.0001L), "0.0001");
  EXPECT_EQ(FloatToStr(0.00001L), "1E-5");
  EXPECT_EQ(FloatToStr(-1.5e-7L), "-1.5E-7");
  EXPECT_EQ(FloatToStr(std::numeric_limits<long double>::infinity()), "INF");
  EXPECT_EQ(FloatToStr(std::nanl("")), "NAN");
}

TEST(ValueConvert, FloatToIntTruncatesAndIsDefinedEverywhere) {
  EXPECT_EQ(FloatToInt(-2.7L), -2);
  EXPECT_EQ(FloatToInt(2.7L), 2);
  EXPECT_EQ(FloatToInt(std::nanl("")), 0);
  EXPECT_EQ(FloatToInt(1e30L), INT32_MAX);
  EXPECT_EQ(FloatToInt(-1e30L), INT32_MIN);
  EXPECT_EQ(FloatToInt(std::numeric_limits<long double>::infinity()), INT32_MAX);
  EXPECT_EQ(FloatToInt(-2147483648.5L), INT32_MIN);
  EXPECT_EQ(FloatToInt(2147483647.9L), INT32_MAX);
}

TEST(ValueConvert, FlagAndIntegerTexts) {
  EXPECT_TRUE(StrToBool("TRUE"));
  EXPECT_FALSE(StrToBool("true"));
  EXPECT_FALSE(StrToBool("1"));
  EXPECT_EQ(BoolToStr(true), "TRUE");
  EXPECT_EQ(BoolToStr(false), "FALSE");
  EXPECT_EQ(IntToStr(INT32_MIN), "-2147483648");
}

}  // namespace
}  // namespace velk
