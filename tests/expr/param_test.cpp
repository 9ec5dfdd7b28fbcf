#include "expr/param.h"

#include <gtest/gtest.h>

#include <functional>

#include "base/error.h"
#include "base/sjis.h"
#include "vfs/stream_io.h"

namespace velk {
namespace {

std::string message_of(const std::function<void()>& f) {
  try {
    f();
  } catch (const EVelkError& e) {
    return Cp932ToUtf8(e.Message());
  }
  return "(no error)";
}

TEST(Param, ConversionTableOfEveryElementType) {
  TParamInt i;
  EXPECT_EQ(i.GetInt(), 0);
  EXPECT_EQ(i.GetStr(), "0");
  EXPECT_FALSE(i.GetBool());
  i.SetInt(-7);
  EXPECT_EQ(i.GetFloat(), -7.0L);
  EXPECT_TRUE(i.GetBool());
  EXPECT_EQ(i.GetStr(), "-7");
  i.SetFloat(-2.7L);
  EXPECT_EQ(i.GetInt(), -2);
  i.SetStr("$10");
  EXPECT_EQ(i.GetInt(), 16);
  i.SetStr("zz");
  EXPECT_EQ(i.GetInt(), 0);
  i.SetBool(true);
  EXPECT_EQ(i.GetInt(), 1);

  TParamFloat f;
  f.SetFloat(-2.7L);
  EXPECT_EQ(f.GetInt(), -2);
  EXPECT_EQ(f.GetStr(), "-2.7");
  EXPECT_TRUE(f.GetBool());
  f.SetStr("1.5e1");
  EXPECT_EQ(f.GetFloat(), 15.0L);
  f.SetStr("x");
  EXPECT_EQ(f.GetFloat(), 0.0L);

  TParamFlag b;
  EXPECT_EQ(b.GetStr(), "FALSE");
  b.SetStr("true");
  EXPECT_FALSE(b.GetBool());
  b.SetStr("TRUE");
  EXPECT_TRUE(b.GetBool());
  EXPECT_EQ(b.GetInt(), 1);
  EXPECT_EQ(b.GetFloat(), 1.0L);
  b.SetStr("1");
  EXPECT_FALSE(b.GetBool());
  b.SetInt(5);
  EXPECT_TRUE(b.GetBool());
  b.SetFloat(0.0L);
  EXPECT_FALSE(b.GetBool());

  TParamStr s;
  EXPECT_EQ(s.GetStr(), "");
  s.SetStr("true");
  EXPECT_FALSE(s.GetBool());
  s.SetStr("TRUE");
  EXPECT_TRUE(s.GetBool());
  s.SetStr(" 12");
  EXPECT_EQ(s.GetInt(), 12);
  s.SetFloat(0.5L);
  EXPECT_EQ(s.GetStr(), "0.5");
  s.SetBool(false);
  EXPECT_EQ(s.GetStr(), "FALSE");
}

TEST(Param, ArraysIndexRowMajorAndCheckIndices) {
  TParamInt a;
  a.SetDims({2, 3});
  EXPECT_EQ(a.GetCount(), 6);
  EXPECT_EQ(a.GetDimCount(), 2);
  EXPECT_EQ(a.GetDim(0), 2);
  EXPECT_EQ(a.GetDim(1), 3);
  EXPECT_EQ(a.GetDim(2), 1);
  a.SetIntAt(5, 7);
  EXPECT_EQ(a.GetIntAt(5), 7);
  EXPECT_EQ(message_of([&] { a.SetIntAt(6, 7); }), "[6]:配列の添字が不正です");
  EXPECT_EQ(message_of([&] { a.GetStrAt(-1); }), "[-1]:配列の添字が不正です");
  // Growing keeps the elements in linear order and zeroes the new ones.
  a.SetDims({4, 3});
  EXPECT_EQ(a.GetIntAt(5), 7);
  EXPECT_EQ(a.GetIntAt(11), 0);
  // A scalar write turns the array into a scalar.
  a.SetInt(1);
  EXPECT_EQ(a.GetCount(), 1);
  EXPECT_EQ(a.GetDimCount(), 1);
  EXPECT_TRUE(a.Dims().empty());
  EXPECT_EQ(a.GetInt(), 1);
}

TEST(Param, RefusesBadDimensionsAndOverflowingProducts) {
  TParamStr s;
  EXPECT_EQ(message_of([&] { s.SetDims({2, 0}); }), "配列の要素数[2,0]が不正です");
  EXPECT_EQ(message_of([&] { s.SetDims({-1}); }), "配列の要素数[-1]が不正です");
  EXPECT_EQ(message_of([&] { s.SetDims({65536, 65536, 65536}); }), "配列の要素数[65536,65536,65536]が不正です");
  EXPECT_EQ(message_of([&] { s.SetDims({static_cast<int32_t>(kMaxParamElements) + 1}); }),
            "配列の要素数[" + std::to_string(kMaxParamElements + 1) + "]が不正です");
  EXPECT_EQ(s.GetCount(), 1);  // unchanged after the failures
}

TEST(Param, FillCopyMemIndexOf) {
  TParamStr s;
  s.SetDims({3});
  s.FillStr("a");
  s.SetStrAt(1, "Hello");
  s.SetStrAt(2, "World");
  EXPECT_EQ(s.GetStrAt(0), "a");
  EXPECT_EQ(s.IndexOf("hello", false, false), 1);
  EXPECT_EQ(s.IndexOf("hello", true, false), -1);
  EXPECT_EQ(s.IndexOf("Hello", true, false), 1);
  EXPECT_EQ(s.IndexOf("OR", false, true), 2);
  EXPECT_EQ(s.IndexOf("OR", true, true), -1);
  EXPECT_EQ(s.IndexOf("x", false, true), -1);

  TParamStr copy;
  copy.CopyMem(s);
  EXPECT_EQ(copy.GetCount(), 3);
  EXPECT_EQ(copy.GetStrAt(2), "World");
  TParamInt i;
  EXPECT_EQ(message_of([&] { i.CopyMem(s); }), "CopyMem:変数の型があいません");

  TParamFloat f;
  AssignConverting(f, s);  // dimensions from the source, elements converted
  EXPECT_EQ(f.GetCount(), 3);
  EXPECT_EQ(f.GetDimCount(), 1);
}

TEST(Param, LoadsHandMadeBytesAndChecksCounts) {
  // int array of dimensions [2]: dims count 1, size 2, element count 2, elements 5 and -1.
  TMemoryStream m(std::vector<uint8_t>{1, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 5, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF});
  TParamInt a;
  a.LoadFromStream(m);
  EXPECT_EQ(a.GetCount(), 2);
  EXPECT_EQ(a.GetIntAt(0), 5);
  EXPECT_EQ(a.GetIntAt(1), -1);

  // Scalar flag: no dimensions, one byte.
  TMemoryStream mb(std::vector<uint8_t>{0, 0, 0, 0, 1, 0, 0, 0, 1});
  TParamFlag b;
  b.LoadFromStream(mb);
  EXPECT_TRUE(b.GetBool());

  // Scalar string "ab".
  TMemoryStream ms(std::vector<uint8_t>{0, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 'a', 'b'});
  TParamStr s;
  s.LoadFromStream(ms);
  EXPECT_EQ(s.GetStr(), "ab");

  // An element count that differs from the dimensions is refused.
  TMemoryStream bad(std::vector<uint8_t>{1, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 5, 0, 0, 0, 6, 0, 0, 0});
  EXPECT_THROW(a.LoadFromStream(bad), EFormatError);
  // A huge count with no bytes behind it is refused before allocating.
  TMemoryStream huge(std::vector<uint8_t>{0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F});
  EXPECT_THROW(s.LoadFromStream(huge), EFormatError);
  // Dimensions whose product overflows.
  TMemoryStream overflow(std::vector<uint8_t>{2, 0, 0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 0, 0, 0});
  EXPECT_THROW(a.LoadFromStream(overflow), EFormatError);
  // A zero dimension.
  TMemoryStream zero(std::vector<uint8_t>{1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  EXPECT_THROW(a.LoadFromStream(zero), EFormatError);
}

TEST(Param, SavesEveryClassAndLoadsItBack) {
  TParamFloat f;
  f.SetDims({2, 2});
  f.SetFloatAt(3, -2.5L);
  TMemoryStream m;
  f.SaveToStream(m);
  // dims (4 + 8), count 4, four 10-byte extended values.
  EXPECT_EQ(m.GetSize(), 12 + 4 + 40);
  m.SetPosition(0);
  TParamFloat g;
  g.LoadFromStream(m);
  EXPECT_EQ(g.Dims(), (std::vector<int32_t>{2, 2}));
  EXPECT_EQ(g.GetFloatAt(3), -2.5L);

  TParamVar r("target");
  r.SetElementIndex(3);
  TMemoryStream mr;
  r.SaveToStream(mr);
  const std::vector<uint8_t> expected{0, 0, 0, 0, 6, 0, 0, 0, 't', 'a', 'r', 'g', 'e', 't', 0, 0, 0, 0, 0, 3, 0, 0, 0};
  EXPECT_EQ(mr.Bytes(), expected);
  mr.SetPosition(0);
  TParamVar r2;
  r2.LoadFromStream(mr);
  EXPECT_EQ(r2.TargetName(), "target");
  EXPECT_EQ(r2.ElementIndex(), 3);
  EXPECT_EQ(r2.GetType(), PT_NONE);  // unresolved
  EXPECT_EQ(r2.GetInt(), 0);
}

}  // namespace
}  // namespace velk
