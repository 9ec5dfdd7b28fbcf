#include "expr/build_parser.h"

#include <gtest/gtest.h>

#include <chrono>

#include "base/error.h"
#include "base/sjis.h"
#include "expr/velk_parser.h"
#include "test_funcs.h"
#include "vfs/stream_io.h"

namespace velk {
namespace {

// One line per operation: name, target, operands separated by spaces.
std::string compiled(const std::string& text) {
  TBuildVelkParser b;
  b.Compile(text);
  std::string out;
  for (const TBuildOpeData& op : b.Opes()) {
    out += OpeCodeName(op.Code) + std::string(" ") + op.Target;
    for (const std::string& o : op.Operands) out += " " + o;
    out += "\n";
  }
  return out;
}

std::string compile_error(const std::string& text) {
  try {
    compiled(text);
  } catch (const EVelkError& e) {
    return Cp932ToUtf8(e.Message());
  }
  return "(no error)";
}

TEST(BuildParser, PrecedenceAndAssociativity) {
  EXPECT_EQ(compiled("1 + 2 * 3"), "ocMul ____0 2 3\nocPlus ____1 1 ____0\nocTo ____arg ____1\n");
  EXPECT_EQ(compiled("(1 + 2) * 3"), "ocPlus ____1 1 2\nocMul ____2 ____1 3\nocTo ____arg ____2\n");
  EXPECT_EQ(compiled("10 - 4 - 3"), "ocMinus ____0 10 4\nocMinus ____1 ____0 3\nocTo ____arg ____1\n");
  EXPECT_EQ(compiled("1 == 1 ++ 2"), "ocEqual ____0 1 1\nocComboStr ____1 ____0 2\nocTo ____arg ____1\n");
  EXPECT_EQ(compiled("(a + b * 2 > c) & f"),
            "ocMul ____1 b 2\nocPlus ____2 a ____1\nocBig ____3 ____2 c\nocAnd ____4 ____3 f\nocTo ____arg ____4\n");
  EXPECT_EQ(compiled("a | b ^ c & d"),
            "ocAnd ____0 c d\nocXor ____1 b ____0\nocOr ____2 a ____1\nocTo ____arg ____2\n");
  EXPECT_EQ(compiled("1 << 2 + 3 <> 4"),
            "ocPlus ____0 2 3\nocShiftL ____1 1 ____0\nocNEqual ____2 ____1 4\nocTo ____arg ____2\n");
  EXPECT_EQ(compiled("a>=b"), "ocEBig ____0 a b\nocTo ____arg ____0\n");
}

TEST(BuildParser, UnarySignsAndAssignment) {
  EXPECT_EQ(compiled("-5 + 3"), "ocMinus ____0 0 5\nocPlus ____1 ____0 3\nocTo ____arg ____1\n");
  EXPECT_EQ(compiled("2 * -3"), "ocMinus ____0 0 3\nocMul ____1 2 ____0\nocTo ____arg ____1\n");
  EXPECT_EQ(compiled("2 * +3"), "ocMul ____0 2 3\nocTo ____arg ____0\n");
  EXPECT_EQ(compiled("a = 3"), "ocTo a 3\n");
  EXPECT_EQ(compiled("x = y + 1"), "ocPlus ____0 y 1\nocTo x ____0\n");
  EXPECT_EQ(compiled("abc"), "ocTo ____arg abc\n");
  EXPECT_EQ(compiled(""), "ocTo ____arg \n");
}

TEST(BuildParser, LiteralsCallsAndElements) {
  EXPECT_EQ(compiled("\"a\\\"b\""), "ocTo ____0 \"a\"b\"\nocTo ____arg ____0\n");
  EXPECT_EQ(compiled("\"x\\ny\\\\\""), "ocTo ____0 \"x\r\ny\\\"\nocTo ____arg ____0\n");
  EXPECT_EQ(compiled("Max(Min(1, 2), 3)"), "ocFunc ____0 Min 1 2\nocFunc ____1 Max ____0 3\nocTo ____arg ____1\n");
  EXPECT_EQ(compiled("f(a + 1, , (b))"), "ocPlus ____2 a 1\nocFunc ____0 f ____2  b\nocTo ____arg ____0\n");
  EXPECT_EQ(compiled("PopVar()"), "ocFunc ____0 PopVar\nocTo ____arg ____0\n");
  EXPECT_EQ(compiled("a[1] = 5"), "ocDimTo ____d_0 a 1\nocTo ____d_0 5\n");
  EXPECT_EQ(compiled("m[i + 1, 2]"), "ocPlus ____2 i 1\nocDimTo ____d_0 m ____2 2\nocTo ____arg ____d_0\n");
  EXPECT_EQ(compiled("f(a[1,2])"),
            "ocDimTo ____d_2 a 1 2\nocTo ____1 ____d_2\nocFunc ____0 f ____1\nocTo ____arg ____0\n");
  // A double-byte character whose trail byte is a backslash or a bracket code is one character.
  std::string name = "\x95\x5C";  // a kanji with trail byte 0x5C
  EXPECT_EQ(compiled("\"" + name + "\""), "ocTo ____0 \"" + name + "\"\nocTo ____arg ____0\n");
  std::string bracket = "\x83\x5B";  // a katakana with trail byte 0x5B
  EXPECT_EQ(compiled(bracket + " + 1"), "ocPlus ____0 " + bracket + " 1\nocTo ____arg ____0\n");
}

TEST(BuildParser, SyntaxErrors) {
  EXPECT_EQ(compile_error("a = b = 1"), "構文エラー");
  EXPECT_EQ(compile_error("(1 + 2"), "構文エラー");
  EXPECT_EQ(compile_error("1 + 2)"), "構文エラー");
  EXPECT_EQ(compile_error("a[1"), "構文エラー");
  EXPECT_EQ(compile_error("+[1]"), "構文エラー");
  EXPECT_EQ(compile_error("* 2"), "構文エラー");
  EXPECT_EQ(compile_error("1 * * 2"), "構文エラー");
  EXPECT_EQ(compile_error("1 +"), "構文エラー");
  EXPECT_EQ(compile_error("a = 1 2"), "(no error)");  // "1 2" is one token
  EXPECT_EQ(compile_error("\"open"), "構文エラー");
  EXPECT_EQ(compile_error("a[]"), "配列の添え字が不正です");
  EXPECT_EQ(compile_error("a[1,]"), "配列の添え字が不正です");
  EXPECT_EQ(compile_error("f(a[1)]"), "構文エラー");
}

TEST(BuildParser, LongInputCompilesInLinearTimeAndDeepNestingIsRefused) {
  // 100,000 terms; with a pass per operator this took minutes.
  std::string sum = "a";
  for (int i = 1; i < 100000; ++i) sum += i % 3 == 0 ? " * b" : " + a";
  const auto start = std::chrono::steady_clock::now();
  TBuildVelkParser b;
  b.Compile(sum);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(b.Opes().size(), 100000u);  // 99,999 operations and the result
  EXPECT_EQ(b.Opes().back().Target, kResultTemp);
  EXPECT_LT(seconds, 20.0);  // generous, for the sanitizer build; about 0.1 s in the normal build

  // Nesting within the bound compiles; beyond it, and at 100,000 levels, the text is refused at once.
  EXPECT_EQ(compile_error(std::string(256, '(') + "1" + std::string(256, ')')), "(no error)");
  EXPECT_EQ(compile_error(std::string(257, '(') + "1" + std::string(257, ')')), "式の括弧が深すぎます");
  EXPECT_EQ(compile_error(std::string(100000, '[') + "1"), "式の括弧が深すぎます");
  EXPECT_EQ(compile_error("\"" + std::string(1000, '(') + "\""), "(no error)");  // inside a literal
}

TEST(BuildParser, WritesClassifiedOperandsInStoredForm) {
  TParamCollection store;
  test::TestFuncs funcs(store);
  TBuildVelkParser b;
  b.Compile("x = Min(\"s\", 1.5) + $10 ++ TRUE ++ true");
  TMemoryStream m;
  b.WriteTo(m, &funcs);
  m.SetPosition(0);
  auto op = [&](uint8_t code, const std::string& target, int32_t n) {
    EXPECT_EQ(ReadByte(m), code);
    EXPECT_EQ(ReadString(m), target);
    EXPECT_EQ(ReadInt(m), n);
  };
  // ocTo ____0 "s"; ocFunc ____1 Min ____0 1.5; ocPlus ____2 ____1 $10; ocComboStr ...; ocTo x
  EXPECT_EQ(ReadInt(m), 6);
  op(ocTo, "____0", 1);
  EXPECT_EQ(ReadByte(m), PT_STR);
  EXPECT_EQ(ReadString(m), "s");
  op(ocFunc, "____1", 2);
  EXPECT_EQ(ReadByte(m), 126);  // the function number
  EXPECT_EQ(ReadByte(m), PT_NONE);
  EXPECT_EQ(ReadString(m), "____0");
  EXPECT_EQ(ReadByte(m), PT_FLOAT);
  EXPECT_EQ(ReadExtended(m), 1.5L);
  op(ocPlus, "____2", 2);
  EXPECT_EQ(ReadByte(m), PT_NONE);
  EXPECT_EQ(ReadString(m), "____1");
  EXPECT_EQ(ReadByte(m), PT_INT);
  EXPECT_EQ(ReadInt(m), 16);
  op(ocComboStr, "____3", 2);
  EXPECT_EQ(ReadByte(m), PT_NONE);
  EXPECT_EQ(ReadString(m), "____2");
  EXPECT_EQ(ReadByte(m), PT_BOOL);
  EXPECT_EQ(ReadByte(m), 1);
  op(ocComboStr, "____4", 2);
  EXPECT_EQ(ReadByte(m), PT_NONE);
  EXPECT_EQ(ReadString(m), "____3");
  EXPECT_EQ(ReadByte(m), PT_NONE);  // "true" is a variable name
  EXPECT_EQ(ReadString(m), "true");
  op(ocTo, "x", 1);
  EXPECT_EQ(ReadByte(m), PT_NONE);
  EXPECT_EQ(ReadString(m), "____4");
  EXPECT_EQ(m.Remaining(), 0);
}

TEST(BuildParser, WriteChecksFunctionNamesAndArgumentCounts) {
  TParamCollection store;
  test::TestFuncs funcs(store);
  auto write_error = [&](const std::string& text) -> std::string {
    TBuildVelkParser b;
    b.Compile(text);
    TMemoryStream m;
    try {
      b.WriteTo(m, &funcs);
    } catch (const EVelkError& e) {
      return Cp932ToUtf8(e.Message());
    }
    return "(no error)";
  };
  EXPECT_EQ(write_error("Min(1)"), "Min 引数の数が不正です");
  EXPECT_EQ(write_error("Min(1, 2, 3)"), "Min 引数の数が不正です");
  EXPECT_EQ(write_error("min(1, 2)"), "(no error)");
  EXPECT_EQ(write_error("Nothing(1)"), "\"Nothing\" 関数名がありません");
  EXPECT_EQ(write_error("DBInsert(1, 2, 3, 4, 5)"), "(no error)");  // no upper bound
  EXPECT_EQ(write_error("PushVar()"), "PushVar 引数の数が不正です");
}

}  // namespace
}  // namespace velk
