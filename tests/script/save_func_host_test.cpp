#include "script/save_func_host.h"

#include <gtest/gtest.h>

#include "base/process_values.h"
#include "expr/param.h"
#include "expr/param_collection.h"
#include "script/project.h"
#include "vfs/file_manager.h"

namespace velk {
namespace {

// The save slots' captions come from the project's titles; other functions go on to the next host.
TEST(SaveFuncHost, CaptionsOfSavedSlotsInSlotOrder) {
  TParamCollection vars;
  TProcessValues process;
  TVrFileManager files(TPlatform{}, {});
  TProjectServices services;
  services.Files = &files;
  services.Vars = &vars;
  services.Process = &process;
  TProject project(services);
  project.SetSaveTitle(3, "third");
  project.SetSaveTitle(1, "first");
  TSaveFuncHost host(nullptr);

  auto result = NewParam(PT_STR);
  TParamInt slot;
  slot.SetInt(1);
  TCustomParam* one[] = {&slot};
  EXPECT_FALSE(host.Call(sf::GetSaveCaption, *result, one));  // no project yet
  host.SetProject(&project);
  ASSERT_TRUE(host.Call(sf::GetSaveCaption, *result, one));
  EXPECT_EQ(result->GetStr(), "first");
  slot.SetInt(2);
  ASSERT_TRUE(host.Call(sf::GetSaveCaption, *result, one));
  EXPECT_EQ(result->GetStr(), "");

  vars.NewVariable("titles", PT_STR, kScopeGlobal);
  vars.NewVariable("slots", PT_INT, kScopeGlobal);
  TParamVar titles("titles"), slots("slots");
  titles.Resolve(vars);
  slots.Resolve(vars);
  TCustomParam* both[] = {&titles, &slots};
  auto count = NewParam(PT_INT);
  ASSERT_TRUE(host.Call(sf::ListSaveCaption, *count, both));
  EXPECT_EQ(count->GetInt(), 2);
  const TCustomParam* t = vars.FindVariable("titles")->Value();
  const TCustomParam* s = vars.FindVariable("slots")->Value();
  ASSERT_EQ(t->GetCount(), 2);
  EXPECT_EQ(t->GetStrAt(0), "first");
  EXPECT_EQ(t->GetStrAt(1), "third");
  ASSERT_EQ(s->GetCount(), 2);
  EXPECT_EQ(s->GetIntAt(0), 1);
  EXPECT_EQ(s->GetIntAt(1), 3);
  ASSERT_TRUE(host.Call(sf::ListSaveCaption, *count, {}));
  EXPECT_EQ(count->GetInt(), 2);

  // Without an interpreter there is no stack to delete from; unknown functions are not answered here.
  EXPECT_FALSE(host.Call(sf::DeleteStack, *count, one));
  EXPECT_FALSE(host.Call(sf::GetProp, *count, one));
}

}  // namespace
}  // namespace velk
