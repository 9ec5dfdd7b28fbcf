#include "scene/scene_func_host.h"

#include <gtest/gtest.h>

#include "expr/param_collection.h"
#include "expr/test_funcs.h"
#include "scene/base_list.h"
#include "scene/cabinet.h"
#include "scene/props.h"
#include "scene/velk_box.h"

namespace velk {
namespace {

TEST(SceneFuncHost, PropertiesCoordinatesAndBasesOfTheCurrentScene) {
  TVelkBaseList scene;
  scene.SetSize(100, 80);
  TVelkBase* base = scene.ActiveBaseObject();
  auto* panel = scene.New<TVelkBox>();
  panel->SetName("panel");
  panel->SetParent(base);
  panel->SetBounds(10, 20, 30, 30);
  auto* cabinet = scene.New<TVelkCabinet>();
  cabinet->SetName("cab");
  cabinet->SetParent(base);
  auto* kept = scene.New<TVelkBox>();
  kept->SetName("kept");
  kept->SetParent(cabinet);

  TParamCollection vars;
  TSysFuncMan man(vars);
  TSceneFuncHost host(&scene);
  man.SetHost(&host);
  auto eval = [&](const std::string& text) { return test::Eval(vars, text, &man); };

  EXPECT_EQ(PropertyValueType(PR_LEFT), PT_INT);
  EXPECT_EQ(PropertyValueType(PR_VISIBLE), PT_BOOL);
  EXPECT_EQ(PropertyValueType(PR_NAME), PT_STR);
  EXPECT_EQ(eval("GetProp(\"panel\", 3)"), "int:10");  // the result takes the property's type
  EXPECT_EQ(eval("SetProp(\"panel\", 3, 15)"), "str:");
  EXPECT_EQ(panel->Left, 15);
  EXPECT_EQ(eval("GetProp(\"nothing\", 3)"), "int:0");  // a missing component leaves the target as it was
  EXPECT_EQ(eval("Exists(\"panel\") ++ Exists(\"nothing\")"), "str:TRUEFALSE");
  EXPECT_EQ(eval("ToScreenX(\"panel\", 5) ++ \",\" ++ ToScreenY(\"panel\", 5)"), "str:20,25");
  EXPECT_EQ(eval("ToClientX(\"panel\", 20) ++ \",\" ++ ToClientY(\"panel\", 25)"), "str:5,5");
  EXPECT_EQ(eval("InCabinet(\"kept\") ++ InCabinet(\"panel\")"), "str:TRUEFALSE");
  EXPECT_EQ(eval("InPrimary(\"" + base->Name() + "\") ++ InPrimary(\"" + scene.InactiveBaseObject()->Name() + "\")"),
            "str:TRUEFALSE");
  vars.AddVariable(PT_INT)->SetVarName("names");
  EXPECT_EQ(eval("ListCompo(names, 0, \"cab\")"), "int:1");
  EXPECT_EQ(vars.FindVariable("names")->Value()->GetStr(), "kept");
  EXPECT_EQ(eval("ListCompo(names, " + std::to_string(VT_CABINET) + ")"), "int:1");
  EXPECT_EQ(eval("ListCompo(names)"), "int:3");
  EXPECT_EQ(vars.FindVariable("names")->Value()->GetCount(), 3);
  // Functions of components that do not exist yet leave their target unchanged.
  EXPECT_EQ(eval("GetCheck(\"panel\", 0)"), "flag:FALSE");
}

}  // namespace
}  // namespace velk
