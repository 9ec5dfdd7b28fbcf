#include "app/var_dump.h"

#include <gtest/gtest.h>

#include "base/sjis.h"
#include "expr/param.h"
#include "expr/param_collection.h"

namespace velk {
namespace {

TEST(VarDump, OneLinePerVariableSortedWithoutSystemVariables) {
  TParamCollection vars;
  vars.NewVariable("zeta", PT_INT, kScopeGlobal)->Value()->SetInt(-42);
  vars.NewVariable("alpha", PT_FLOAT, kScopeGlobal)->Value()->SetFloat(1.0L / 3);
  vars.NewVariable("flag", PT_BOOL, kScopeGlobal)->Value()->SetBool(true);
  vars.NewVariable(Utf8ToCp932("名前"), PT_STR, kScopeGlobal)->Value()->SetStr(Utf8ToCp932("a\tb\nc\\d 表"));
  TCustomParam* grid = vars.NewVariable("grid", PT_INT, kScopeGlobal)->Value();
  grid->SetDims({2, 3});
  for (int32_t i = 0; i < 6; ++i) grid->SetIntAt(i, i * 10);
  TParamCollectionItem* ref = vars.AddVariable(PT_NONE);
  ref->SetVarName("link");
  static_cast<TParamVar*>(ref->Value())->SetTargetName("zeta");
  vars.NewVariable("half", PT_FLOAT, kScopeGlobal)->Value()->SetFloat(2.5L);
  vars.NewVariable("no", PT_BOOL, kScopeGlobal)->Value()->SetBool(false);

  EXPECT_EQ(DumpVariables(vars), "alpha\tfloat\t0.33333333333333333\n"
                                 "flag\tflag\t1\n"
                                 "grid[0,0]\tint\t0\n"
                                 "grid[0,1]\tint\t10\n"
                                 "grid[0,2]\tint\t20\n"
                                 "grid[1,0]\tint\t30\n"
                                 "grid[1,1]\tint\t40\n"
                                 "grid[1,2]\tint\t50\n"
                                 "half\tfloat\t2.5\n"
                                 "link\tref\tzeta\n"
                                 "no\tflag\t0\n"
                                 "zeta\tint\t-42\n"
                                 "名前\tstring\ta\\tb\\nc\\\\d 表\n");
}

}  // namespace
}  // namespace velk
