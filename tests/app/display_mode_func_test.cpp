#include <gtest/gtest.h>

#include "app/shell_func_host.h"
#include "expr/param.h"
#include "expr/param_collection.h"

namespace velk {
namespace {

// GetDisplayMode(n, width, height, bits, refresh): the offered mode n into the variables, and whether it exists.
TEST(DisplayModeFunc, ReportsOfferedModesIntoVariables) {
  TParamCollection vars;
  for (const char* name : {"w", "h", "b", "r"}) vars.NewVariable(name, PT_INT, kScopeGlobal);
  TParamVar w("w"), h("h"), b("b"), r("r");
  for (TParamVar* v : {&w, &h, &b, &r}) v->Resolve(vars);
  TShellFuncHost host(nullptr, TPlatform{}, nullptr, "/nowhere/");
  host.SetDisplayModes([] { return std::vector<TDisplayMode>{{800, 600, 32, 60}, {1280, 720, 16, 75}}; });

  TParamInt index;
  TCustomParam* args[] = {&index, &w, &h, &b, &r};
  auto found = NewParam(PT_BOOL);
  index.SetInt(1);
  ASSERT_TRUE(host.Call(sf::GetDisplayMode, *found, args));
  EXPECT_TRUE(found->GetBool());
  EXPECT_EQ(vars.FindVariable("w")->Value()->GetInt(), 1280);
  EXPECT_EQ(vars.FindVariable("h")->Value()->GetInt(), 720);
  EXPECT_EQ(vars.FindVariable("b")->Value()->GetInt(), 16);
  EXPECT_EQ(vars.FindVariable("r")->Value()->GetInt(), 75);

  // Past the end and below 0 no mode exists and the variables keep their values.
  for (int32_t n : {2, -1}) {
    index.SetInt(n);
    ASSERT_TRUE(host.Call(sf::GetDisplayMode, *found, args));
    EXPECT_FALSE(found->GetBool()) << n;
    EXPECT_EQ(vars.FindVariable("w")->Value()->GetInt(), 1280);
  }
}

}  // namespace
}  // namespace velk
