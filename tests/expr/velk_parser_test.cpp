#include "expr/velk_parser.h"

#include <gtest/gtest.h>

#include <functional>

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


// A system-function table whose DBInsert runs the expression it is told about once more from inside its own run.
class ReenteringFuncs : public test::TestFuncs {
 public:
  explicit ReenteringFuncs(TParamCollection& store) : TestFuncs(store), store_(store) {}
  TVelkParser* parser = nullptr;
  void Call(TCustomParam& target, uint8_t number, std::span<TCustomParam* const> args) override {
    if (number != 91) return TestFuncs::Call(target, number, args);
    bool ran = depth_ == 0 && parser != nullptr;
    if (ran) {
      ++depth_;
      parser->Execute(store_, this);
      --depth_;
    }
    target.SetBool(ran && parser->Result() != nullptr);
  }

 private:
  TParamCollection& store_;
  int depth_ = 0;
};

// Every variable with its scope and elements (a reference as its target and index), one per line.
std::string dump(const TParamCollection& c) {
  std::string out;
  for (int32_t i = kSystemVarCount; i < c.Count(); ++i) {
    const TParamCollectionItem& v = *c.Var(i);
    out += v.Name() + " " + std::to_string(v.TypeCode()) + " " + std::to_string(v.FrameId) + (v.Local ? "L" : "") +
           (v.RunId != 0 ? " run" : "") + ":";
    if (v.IsReference()) {
      const auto& ref = static_cast<const TParamVar&>(*v.Value());
      out += ref.TargetName() + "->" + (ref.TargetItem() ? ref.TargetItem()->Name() : "") + "@" +
             std::to_string(ref.ElementIndex());
    } else {
      for (int32_t k = 0; k < v.Value()->GetCount(); ++k) out += " " + v.Value()->GetStrAt(k);
    }
    out += "\n";
  }
  return out;
}

// The same expressions run against two stores that see the same changes: once by parsers kept from run to run
// (which keep what their names found and their temporaries), once by a new parser for every run. Results, failures
// and the variables afterwards must agree after every change; some results are also checked by hand.
TEST(VelkParser, KeptParsersAgreeWithNewOnesAcrossStoreChanges) {
  const std::vector<std::string> texts{
      "a + b * 2",
      "(a + b * 2 > c) & f",
      "arr[i, j] = arr[i, j] + v",
      "s ++ Calc(\"a ++ s\") ++ (a + 1)",
      "r = a / z",
      "DBInsert() ++ (a * 2)",
      "p + 1",
      "arr[1, 0] ++ \":\" ++ p ++ (\"x\" ++ (1 + 2))",
      "(a + 1) + @Temp",  // "@Temp" names the temporary that holds a + 1
  };
  TParamCollection kept_store, new_store;
  ReenteringFuncs kept_funcs(kept_store), new_funcs(new_store);
  std::vector<std::unique_ptr<TVelkParser>> kept;
  for (const std::string& text : texts) {
    kept.push_back(std::make_unique<TVelkParser>());
    test::Load(text, &kept_funcs, *kept.back());
  }
  auto change = [&](const std::function<void(TParamCollection&)>& f) {
    f(kept_store);
    f(new_store);
  };
  int step = 0;
  // Runs every expression on both sides and returns the kept side's results, "none" for no result.
  auto run_all = [&]() {
    ++step;
    std::vector<std::string> results;
    for (size_t e = 0; e < texts.size(); ++e) {
      auto result_of = [](const TVelkParser& p) {
        const TCustomParam* r = p.Result();
        return r ? std::to_string(r->GetType()) + ":" + r->GetStr() : "none";
      };
      kept_funcs.parser = kept[e].get();
      kept[e]->Execute(kept_store, &kept_funcs);
      TVelkParser fresh;
      test::Load(texts[e], &new_funcs, fresh);
      new_funcs.parser = &fresh;
      fresh.Execute(new_store, &new_funcs);
      EXPECT_EQ(result_of(*kept[e]), result_of(fresh)) << "step " << step << ": " << texts[e];
      EXPECT_EQ(kept[e]->LastError(), fresh.LastError()) << "step " << step << ": " << texts[e];
      EXPECT_EQ(dump(kept_store), dump(new_store)) << "step " << step << ": " << texts[e];
      results.push_back(result_of(*kept[e]));
    }
    EXPECT_EQ(dump(kept_store).find(" run"), std::string::npos) << "a temporary outlived its run";
    return results;
  };

  change([](TParamCollection& c) {
    for (auto [name, n] : {std::pair{"a", 1}, {"b", 2}, {"c", 3}, {"z", 0}, {"i", 1}, {"j", 2}, {"v", 5}, {"r", 7}})
      c.NewVariable(name, PT_INT, kScopeGlobal)->Value()->SetInt(n);
    c.NewVariable("f", PT_BOOL, kScopeGlobal)->Value()->SetBool(true);
    c.NewVariable("s", PT_STR, kScopeGlobal)->Value()->SetStr("x");
    TParamCollectionItem* arr = c.NewVariable("arr", PT_INT, kScopeGlobal);
    arr->Value()->SetDims({2, 3});
    auto& p = static_cast<TParamVar&>(*c.NewVariable("p", PT_NONE, kScopeGlobal)->Value());
    p.SetTargetName("arr");
    p.SetTarget(c, arr);
    p.SetElementIndex(3);
    c.TempName = "____1";
  });
  auto r = run_all();
  EXPECT_EQ(r, (std::vector<std::string>{"1:5", "1:1", "none", "4:x1x2", "none", "4:TRUE2", "1:1", "4:0:0x3", "1:4"}));
  r = run_all();  // the same again with everything kept
  EXPECT_EQ(r[2], "none");
  EXPECT_EQ(kept_store.FindVariable("arr")->Value()->GetIntAt(5), 10);
  EXPECT_EQ(kept_store.FindVariable("r")->Value()->GetInt(), 7);  // the division failed half-way, twice

  change([](TParamCollection& c) {
    c.DeleteVariable("b");
    c.FindVariable("z")->Value()->SetInt(2);
  });
  r = run_all();
  EXPECT_EQ(r[0], "none");
  EXPECT_EQ(kept[0]->LastError(), "\"b\"" + Utf8ToCp932(" 変数がありません"));
  EXPECT_EQ(kept_store.FindVariable("r")->Value()->GetInt(), 0);

  change([](TParamCollection& c) { c.NewVariable("b", PT_FLOAT, kScopeGlobal)->Value()->SetFloat(0.25L); });
  r = run_all();
  EXPECT_EQ(r[0], "2:1.5");  // the temporaries take the float type now

  // Locals of one frame shadow the globals only there, also for the nested run.
  change([](TParamCollection& c) {
    c.CurrentFrame = 1;
    c.NewVariable("a", PT_INT, kScopeLocal)->Value()->SetInt(10);
    c.NewVariable("s", PT_STR, kScopeLocal)->Value()->SetStr("y");
  });
  r = run_all();
  EXPECT_EQ(r[0], "2:10.5");
  EXPECT_EQ(r[3], "4:y10y11");
  change([](TParamCollection& c) { c.CurrentFrame = 2; });
  r = run_all();
  EXPECT_EQ(r[0], "2:1.5");
  change([](TParamCollection& c) { c.CurrentFrame = 1; });
  EXPECT_EQ(run_all()[0], "2:10.5");
  change([](TParamCollection& c) {
    c.FreeFrame(1);
    c.CurrentFrame = 0;
  });
  EXPECT_EQ(run_all()[0], "2:1.5");

  // A stored variable with a temporary's name takes the place of that temporary.
  change([](TParamCollection& c) { c.NewVariable("____0", PT_STR, kScopeGlobal); });
  run_all();
  EXPECT_NE(kept_store.FindVariable("____0")->Value()->GetStr(), "");
  change([](TParamCollection& c) { c.DeleteVariable("____0"); });
  run_all();

  // Renaming, a changed array shape, and the array a reference variable points at freed and made again.
  change([](TParamCollection& c) { c.FindVariable("a")->SetVarName("aa"); });
  EXPECT_EQ(run_all()[0], "none");
  change([](TParamCollection& c) { c.FindVariable("aa")->SetVarName("a"); });
  EXPECT_EQ(run_all()[0], "2:1.5");
  change([](TParamCollection& c) { c.FindVariable("arr")->Value()->SetDims({6}); });
  r = run_all();
  EXPECT_EQ(r[2], "none");  // two indices into one dimension
  EXPECT_EQ(r[6], "1:1");  // the reference reads element 3 whatever the shape
  change([](TParamCollection& c) { c.DeleteVariable("arr"); });
  r = run_all();
  EXPECT_EQ(r[6], "none");
  change([](TParamCollection& c) {
    TCustomParam& arr = *c.NewVariable("arr", PT_STR, kScopeGlobal)->Value();
    arr.SetDims({2, 3});
    arr.SetStrAt(3, "5");
  });
  r = run_all();
  EXPECT_EQ(r[6], "4:6");  // found again by name: element 3 of the string array, "5", plus 1, as a string
}

}  // namespace
}  // namespace velk
