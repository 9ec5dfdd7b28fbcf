#include "expr/velk_parser.h"

#include <gtest/gtest.h>

#include "base/error.h"
#include "base/sjis.h"
#include "expr/build_parser.h"
#include "expr/param_collection.h"
#include "expr/system_var.h"
#include "test_funcs.h"
#include "vfs/stream_io.h"

namespace velk {
namespace {

using test::Eval;

TParamCollectionItem* add(TParamCollection& c, const std::string& name, uint8_t type) {
  TParamCollectionItem* item = c.AddVariable(type);
  item->SetVarName(name);
  return item;
}

TEST(VelkParser, EvaluatesTheLanguageEdgeCases) {
  TParamCollection c;
  EXPECT_EQ(Eval(c, "1 + 2 * 3"), "int:7");
  EXPECT_EQ(Eval(c, "(1 + 2) * 3"), "int:9");
  EXPECT_EQ(Eval(c, "10 - 4 - 3"), "int:3");
  EXPECT_EQ(Eval(c, "1 == 1 ++ 2"), "str:TRUE2");
  EXPECT_EQ(Eval(c, "-5 + 3"), "int:-2");
  EXPECT_EQ(Eval(c, "2 * -3"), "int:-6");
  EXPECT_EQ(Eval(c, "7 / 2"), "int:3");
  EXPECT_EQ(Eval(c, "-7 / 2"), "int:-3");
  EXPECT_EQ(Eval(c, "7.0 / 2"), "float:3.5");
  EXPECT_EQ(Eval(c, "1 / 0"), "none");
  EXPECT_EQ(Eval(c, "7 % 3"), "int:1");
  EXPECT_EQ(Eval(c, "-7 % 3"), "int:-1");
  EXPECT_EQ(Eval(c, "6 | 9"), "int:15");
  EXPECT_EQ(Eval(c, "6 & 3"), "int:2");
  EXPECT_EQ(Eval(c, "6 ^ 3"), "int:5");
  EXPECT_EQ(Eval(c, "1 << 33"), "int:2");
  EXPECT_EQ(Eval(c, "-1 >> 28"), "int:15");  // logical shift
  EXPECT_EQ(Eval(c, "2147483647 + 1"), "int:-2147483648");
  EXPECT_EQ(Eval(c, "\"abc\" < \"abd\""), "flag:TRUE");
  EXPECT_EQ(Eval(c, "\"B\" < \"a\""), "flag:TRUE");
  EXPECT_EQ(Eval(c, "\"ab\" < \"abc\""), "flag:TRUE");
  EXPECT_EQ(Eval(c, "\"\x82\xa0\" > \"z\""), "flag:TRUE");  // bytes compare unsigned
  EXPECT_EQ(Eval(c, "\"a\" == \"A\""), "flag:FALSE");
  EXPECT_EQ(Eval(c, "1.5 > 1"), "flag:TRUE");
  EXPECT_EQ(Eval(c, "1 > 1.5"), "flag:FALSE");  // by the left operand's type: 1 > 1
  EXPECT_EQ(Eval(c, "1 >= 1.5"), "flag:TRUE");
  EXPECT_EQ(Eval(c, "TRUE > FALSE"), "flag:TRUE");
  EXPECT_EQ(Eval(c, "3 <> 4"), "flag:TRUE");
  EXPECT_EQ(Eval(c, "\"a\\\"b\""), "str:a\"b");
  EXPECT_EQ(Eval(c, "\"a\\nb\""), "str:a\r\nb");
  EXPECT_EQ(Eval(c, "$10 + x10"), "int:32");
  EXPECT_EQ(Eval(c, "1.5 + 1"), "float:2.5");
  EXPECT_EQ(Eval(c, "TRUE"), "flag:TRUE");  // a flag constant, the shortest operand, ends the stored form
}

TEST(VelkParser, VariablesAndTheirTypes) {
  TParamCollection c;
  add(c, "a", PT_STR)->Value()->SetStr("x");
  add(c, "b", PT_INT)->Value()->SetInt(1);
  EXPECT_EQ(Eval(c, "a ++ b"), "str:x1");
  c.FindVariable("a")->Value()->SetStr("5");
  EXPECT_EQ(Eval(c, "a + b"), "str:6");  // the plus adds integers into a string temporary
  EXPECT_EQ(Eval(c, "b + a"), "int:6");
  EXPECT_EQ(Eval(c, "a = 3"), "none");
  EXPECT_EQ(c.FindVariable("a")->Value()->GetStr(), "3");
  EXPECT_EQ(Eval(c, "b = 2.9"), "none");
  EXPECT_EQ(c.FindVariable("b")->Value()->GetInt(), 2);
  EXPECT_EQ(Eval(c, "missing + 1"), "none");
  EXPECT_EQ(Eval(c, "missing = 1"), "none");
  EXPECT_EQ(c.FindVariable("missing"), nullptr);
  EXPECT_EQ(Eval(c, "@ScrWidth / 2"), "int:320");
  EXPECT_EQ(Eval(c, "@Pi"), "float:3.14159265358979");
}

TEST(VelkParser, DivisionFaultsEndTheRun) {
  TParamCollection c;
  add(c, "r", PT_INT)->Value()->SetInt(5);
  EXPECT_EQ(Eval(c, "-2147483647 - 1"), "int:-2147483648");
  EXPECT_EQ(Eval(c, "(-2147483647 - 1) / -1"), "none");
  EXPECT_EQ(Eval(c, "(-2147483647 - 1) % -1"), "none");
  EXPECT_EQ(Eval(c, "5 % 0"), "none");
  EXPECT_EQ(Eval(c, "5.0 / 0"), "none");
  EXPECT_EQ(Eval(c, "r = 1 / 0"), "none");
  EXPECT_EQ(c.FindVariable("r")->Value()->GetInt(), 5);  // the assignment after the failure did not run
  EXPECT_EQ(c.Count(), kSystemVarCount + 1);             // and no temporary is left
}

TEST(VelkParser, ElementReferencesReadAndWriteThroughArrays) {
  TParamCollection c;
  TCustomParam& a = *add(c, "a", PT_INT)->Value();
  a.SetDims({2, 3});
  add(c, "i", PT_INT)->Value()->SetInt(1);
  EXPECT_EQ(Eval(c, "a[1, 2] = 7"), "none");
  EXPECT_EQ(a.GetIntAt(5), 7);
  EXPECT_EQ(Eval(c, "a[i, i + 1] + 1"), "int:8");
  EXPECT_EQ(Eval(c, "a[0, i] = a[1, 2] * 2"), "none");
  EXPECT_EQ(a.GetIntAt(1), 14);
  EXPECT_EQ(Eval(c, "a[2, 0]"), "none");  // beyond the elements
  EXPECT_EQ(Eval(c, "a[1]"), "none");     // wrong number of indices
  EXPECT_EQ(Eval(c, "a[0, -1]"), "none");
  EXPECT_EQ(Eval(c, "a[0, 3]"), "int:0");  // row-major: element 3 is [1, 0]
  TCustomParam& s = *add(c, "s", PT_STR)->Value();
  s.SetDims({3});
  EXPECT_EQ(Eval(c, "s[2] = \"z\""), "none");
  EXPECT_EQ(s.GetStrAt(2), "z");
  EXPECT_EQ(Eval(c, "s[2] ++ s[0] ++ \"!\""), "str:z!");
  EXPECT_EQ(Eval(c, "@KeyPush[13]"), "flag:FALSE");
  EXPECT_EQ(c.Count(), kSystemVarCount + 3);
}

TEST(VelkParser, RunFailureTexts) {
  TParamCollection c;
  test::TestFuncs funcs(c);
  add(c, "a", PT_INT)->Value()->SetDims({2, 3});
  auto error_of = [&](const std::string& text) {
    TVelkParser p;
    test::Load(text, &funcs, p);
    p.Execute(c, &funcs);
    EXPECT_EQ(p.Result(), nullptr) << text;
    return Cp932ToUtf8(p.LastError());
  };
  EXPECT_EQ(error_of("a[1, 3]"), "a[1,3]\r\n要素数を超えています");
  EXPECT_EQ(error_of("a[-1, 0]"), "a[-1,0]\r\n要素数を超えています");
  EXPECT_EQ(error_of("a[1]"), "a[1]\r\n添え字が不正です");
  EXPECT_EQ(error_of("b + 1"), "\"b\" 変数がありません");
  EXPECT_EQ(error_of("GetProp(1, 200)"), "GetPropの引数が違います");

  TMemoryStream m;
  WriteInt(m, 1);
  WriteByte(m, 25);
  WriteString(m, "____0");
  WriteInt(m, 2);
  WriteOperand(m, TParamVar("a"));
  TParamStr s;
  s.SetStr("k");
  WriteOperand(m, s);
  m.SetPosition(0);
  TVelkParser p;
  p.LoadFromStream(m);
  p.Execute(c, &funcs);
  EXPECT_EQ(Cp932ToUtf8(p.LastError()), "不正な式\r\n\r\n代入先:____0演算タイプ:\r\n0\r\nk");
  EXPECT_EQ(c.Count(), kSystemVarCount + 1);
}

TEST(VelkParser, LoadsAndRunsHandMadeStoredBytes) {
  // ocPlus ____0 (int 2) (variable "v"); ocTo ____arg (variable "____0").
  std::vector<uint8_t> bytes{2, 0, 0, 0,                                              // two operations
                             2, 5, 0, 0, 0, '_', '_', '_', '_', '0', 2,   0,   0, 0,  // ocPlus ____0, 2 operands
                             1, 2, 0, 0, 0,                                           // int 2
                             0, 1, 0, 0, 0, 'v',                                      // variable v
                             1, 7, 0, 0, 0, '_', '_', '_', '_', 'a', 'r', 'g', 1, 0,
                             0, 0, 9, 5, 0, 0,   0,   '_', '_', '_', '_', '0'};  // type 9: also a variable name
  TMemoryStream m(bytes);
  TVelkParser p;
  p.LoadFromStream(m);
  ASSERT_EQ(p.Count(), 2);
  EXPECT_EQ(p.Ope(0).Code, ocPlus);
  TParamCollection c;
  add(c, "v", PT_FLOAT)->Value()->SetFloat(0.5L);
  p.Execute(c, nullptr);
  ASSERT_NE(p.Result(), nullptr);
  EXPECT_EQ(p.Result()->GetType(), PT_FLOAT);
  EXPECT_EQ(p.Result()->GetStr(), "2.5");

  // Saving writes the same bytes, but a variable operand always with type 0.
  TMemoryStream out;
  p.SaveToStream(out);
  std::vector<uint8_t> expected = bytes;
  expected[expected.size() - 10] = 0;
  EXPECT_EQ(out.Bytes(), expected);

  TVelkParser copy;
  copy.Assign(p);
  copy.Execute(c, nullptr);
  ASSERT_NE(copy.Result(), nullptr);
  EXPECT_EQ(copy.Result()->GetStr(), "2.5");

  // A float constant and a flag constant in their stored sizes.
  TMemoryStream f;
  WriteInt(f, 1);
  WriteByte(f, ocTo);
  WriteString(f, "____arg");
  WriteInt(f, 1);
  WriteByte(f, PT_FLOAT);
  WriteExtended(f, -0.25L);
  EXPECT_EQ(f.GetSize(), 4 + 1 + 11 + 4 + 1 + 10);
  f.SetPosition(0);
  p.LoadFromStream(f);
  p.Execute(c, nullptr);
  EXPECT_EQ(p.Result()->GetStr(), "-0.25");
}

TEST(VelkParser, RefusesHostileStoredBytes) {
  TVelkParser p;
  TMemoryStream huge(std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0x7F});
  EXPECT_THROW(p.LoadFromStream(huge), EFormatError);
  TMemoryStream operands(std::vector<uint8_t>{1, 0, 0, 0, 1, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F});
  EXPECT_THROW(p.LoadFromStream(operands), EFormatError);
  TMemoryStream negative(std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF});
  EXPECT_THROW(p.LoadFromStream(negative), EFormatError);
  EXPECT_EQ(p.Count(), 0);

  // Operations of unknown codes or without their operands end the run without a result.
  TParamCollection c;
  for (uint8_t code : {ocNone, uint8_t{21}, ocPlus, ocDimTo}) {
    TMemoryStream m;
    WriteInt(m, 2);
    WriteByte(m, code);
    WriteString(m, "____0");
    WriteInt(m, 0);
    WriteByte(m, ocTo);
    WriteString(m, "____arg");
    WriteInt(m, 1);
    WriteOperand(m, TParamVar("____0"));
    m.SetPosition(0);
    p.LoadFromStream(m);
    p.Execute(c, nullptr);
    EXPECT_EQ(p.Result(), nullptr) << int(code);
  }
  EXPECT_EQ(c.Count(), kSystemVarCount);
}

TEST(VelkParser, CallsSystemFunctionsWithTargetAndArguments) {
  TParamCollection c;
  test::TestFuncs funcs(c);
  add(c, "n", PT_INT)->Value()->SetInt(4);
  EXPECT_EQ(Eval(c, "Max(Min(1, 2), 3)", &funcs), "int:3");
  ASSERT_EQ(funcs.calls.size(), 2u);
  EXPECT_EQ(funcs.calls[0].number, 126);  // Min first
  EXPECT_EQ(funcs.calls[0].args, (std::vector<std::string>{"1", "2"}));
  EXPECT_EQ(funcs.calls[1].number, 127);
  EXPECT_EQ(funcs.calls[1].args, (std::vector<std::string>{"____0=1", "3"}));
  funcs.calls.clear();
  EXPECT_EQ(Eval(c, "IntToStr(n * 2) ++ Length(\"abc\")", &funcs), "str:83");
  ASSERT_EQ(funcs.calls.size(), 2u);  // the right-most call first
  EXPECT_EQ(funcs.calls[0].target_type, PT_INT);
  EXPECT_EQ(funcs.calls[0].args, (std::vector<std::string>{"____0=abc"}));
  EXPECT_EQ(funcs.calls[1].target_type, PT_STR);
  EXPECT_EQ(funcs.calls[1].args, (std::vector<std::string>{"____4=8"}));
  // GetProp's temporary takes the type of the property.
  funcs.calls.clear();
  EXPECT_EQ(Eval(c, "GetProp(\"x\", 5)", &funcs), "int:0");  // "prop5" written into an int
  EXPECT_EQ(Eval(c, "GetProp(\"x\", 6)", &funcs), "str:prop6");
  EXPECT_EQ(Eval(c, "GetProp(\"x\", 165)", &funcs), "none");
  EXPECT_EQ(Eval(c, "GetProp(\"x\", -1)", &funcs), "none");
  EXPECT_EQ(funcs.calls.size(), 2u);
  // A failing function ends the run.
  EXPECT_EQ(Eval(c, "n = Fail()", &funcs), "none");
  EXPECT_EQ(c.FindVariable("n")->Value()->GetInt(), 4);
  EXPECT_EQ(c.Count(), kSystemVarCount + 1);
}

TEST(VelkParser, NestedRunsKeepTheirOwnTemporaries) {
  TParamCollection c;
  test::TestFuncs funcs(c);
  // Both runs use ____0, ____1 ...: the inner one must not overwrite the outer one's.
  EXPECT_EQ(Eval(c, "(1 + 2) * 10 + Calc(\"(3 + 4) * 100\") + (5 + 6)", &funcs), "int:741");
  EXPECT_EQ(Eval(c, "\"a\" ++ Calc(\"\\\"b\\\" ++ Calc(\\\"\\\\\\\"c\\\\\\\"\\\")\") ++ \"d\"", &funcs), "str:abcd");
  // A failing inner run frees its temporaries and leaves the outer run intact.
  EXPECT_EQ(Eval(c, "(1 + 2) ++ Calc(\"(1 + 2) / 0\") ++ (3 + 4)", &funcs), "str:37");
  EXPECT_EQ(Eval(c, "Calc(\"1 +\")", &funcs), "str:");
  EXPECT_EQ(c.Count(), kSystemVarCount);
}

TEST(VelkParser, CompileAndRunReportsCompileFailures) {
  TParamCollection c;
  test::TestFuncs funcs(c);
  TVelkParser p;
  EXPECT_FALSE(CompileAndRun("   ", c, &funcs, p));
  EXPECT_FALSE(CompileAndRun("(1", c, &funcs, p));
  EXPECT_FALSE(CompileAndRun("Nothing()", c, &funcs, p));
  EXPECT_TRUE(CompileAndRun(" 1 / 0 ", c, &funcs, p));
  EXPECT_EQ(p.Result(), nullptr);
  EXPECT_TRUE(CompileAndRun("2 + 2", c, &funcs, p));
  ASSERT_NE(p.Result(), nullptr);
  EXPECT_EQ(p.Result()->GetInt(), 4);
}

TEST(VelkParser, PushAndPopThroughFunctions) {
  TParamCollection c;
  test::TestFuncs funcs(c);
  add(c, "x", PT_INT)->Value()->SetInt(1);
  add(c, "y", PT_STR)->Value()->SetStr("a");
  EXPECT_EQ(Eval(c, "PushVar(x, y)", &funcs), "flag:TRUE");
  EXPECT_EQ(Eval(c, "PushVar(3)", &funcs), "none");  // a constant is not a variable
  EXPECT_EQ(Eval(c, "x = 9", &funcs), "none");
  c.DeleteVariable("y");
  add(c, "y", PT_FLOAT);
  EXPECT_EQ(Eval(c, "PopVar()", &funcs), "flag:TRUE");
  EXPECT_EQ(c.FindVariable("x")->Value()->GetInt(), 1);
  EXPECT_EQ(c.FindVariable("y")->TypeCode(), PT_STR);  // a variable of another type is replaced
  EXPECT_EQ(c.FindVariable("y")->Value()->GetStr(), "a");
  EXPECT_EQ(c.StackDepth(), 0);
}

}  // namespace
}  // namespace velk
