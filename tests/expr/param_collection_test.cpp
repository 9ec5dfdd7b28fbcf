#include "expr/param_collection.h"

#include <gtest/gtest.h>

#include <functional>

#include "base/error.h"
#include "base/sjis.h"
#include "expr/system_var.h"
#include "expr/var_host.h"
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

TParamCollectionItem* add(TParamCollection& c, const std::string& name, uint8_t type, int32_t value) {
  TParamCollectionItem* item = c.AddVariable(type);
  item->SetVarName(name);
  item->Value()->SetInt(value);
  return item;
}

TEST(ParamCollection, CreatesTheSystemVariablesFirst) {
  TParamCollection c;
  ASSERT_EQ(c.Count(), kSystemVarCount);
  EXPECT_EQ(c.Var(0)->Name(), "@Result");
  EXPECT_EQ(c.Var(27)->Name(), "@Cursor");
  EXPECT_EQ(c.Var(44)->Name(), "@Temp");
  EXPECT_EQ(c.Var(50)->Name(), "@StackCount");
  EXPECT_EQ(c.FindVariable("@mousex"), c.Var(5));
}

TEST(ParamCollection, LookupRulesAcrossScopesAndFrames) {
  TParamCollection c;
  TParamCollectionItem* first = add(c, "a", PT_INT, 1);
  add(c, "A", PT_INT, 2);
  EXPECT_EQ(c.FindVariable("a"), first);  // the oldest non-local wins

  c.CurrentFrame = 1;
  TParamCollectionItem* local = c.NewVariable("a", PT_INT, kScopeLocal);
  ASSERT_NE(local, nullptr);
  EXPECT_NE(local, first);
  local->Value()->SetInt(10);
  EXPECT_EQ(c.FindVariable("a")->Value()->GetInt(), 10);
  c.CurrentFrame = 2;
  EXPECT_EQ(c.FindVariable("a"), first);  // local of another frame is invisible
  EXPECT_EQ(c.FindForCreate("a", true), nullptr);
  c.CurrentFrame = 1;
  EXPECT_EQ(c.FindForCreate("a", true), local);
  EXPECT_EQ(c.FindForCreate("a", false)->Value()->GetInt(), 2);  // the first non-local in the chain

  TParamCollectionItem* automatic = c.NewVariable("auto", PT_STR, kScopeAutoDispose);
  EXPECT_EQ(automatic->FrameId, 1);
  EXPECT_FALSE(automatic->Local);
  c.CurrentFrame = 0;
  EXPECT_NE(c.FindVariable("auto"), nullptr);  // auto-dispose variables are visible everywhere
  c.FreeFrame(1);
  EXPECT_EQ(c.FindVariable("auto"), nullptr);
  c.CurrentFrame = 1;
  EXPECT_EQ(c.FindVariable("a"), first);
}

TEST(ParamCollection, VariableCreationKeepsStatusVariables) {
  TParamCollection c;
  TParamCollectionItem* s = c.NewVariable("st", PT_INT, kScopeStatus);
  ASSERT_NE(s, nullptr);
  EXPECT_TRUE(s->Status);
  s->Value()->SetInt(9);
  EXPECT_EQ(c.NewVariable("st", PT_INT, kScopeGlobal), nullptr);  // the initial value is not written
  EXPECT_EQ(c.FindVariable("st")->Value()->GetInt(), 9);
  TParamCollectionItem* g = c.NewVariable("g", PT_INT, kScopeGlobal);
  EXPECT_EQ(c.NewVariable("g", PT_FLOAT, kScopeGlobal), g);  // an existing variable is written again
}

TEST(ParamCollection, RefusesInvalidNames) {
  TParamCollection c;
  EXPECT_EQ(message_of([&] { c.NewVariable("1x", PT_INT, 0); }), "\"1x\"：変数名が不正です");
  EXPECT_EQ(message_of([&] { c.NewVariable("a b", PT_INT, 0); }), "\"a b\"：変数名が不正です");
  EXPECT_EQ(message_of([&] { c.NewVariable("", PT_INT, 0); }), "\"\"：変数名が不正です");
  EXPECT_EQ(c.Count(), kSystemVarCount);  // nothing was left behind
}

TEST(ParamCollection, CopyValueAndDelete) {
  TParamCollection c;
  TParamCollectionItem* a = add(c, "a", PT_INT, 0);
  a->Value()->SetDims({3});
  a->Value()->SetIntAt(2, 8);
  auto copy = c.CopyValue("A");
  EXPECT_EQ(copy->GetCount(), 3);
  EXPECT_EQ(copy->GetIntAt(2), 8);
  TParamCollectionItem* r = c.AddVariable(PT_NONE);
  r->SetVarName("r");
  EXPECT_EQ(message_of([&] { c.CopyValue("r"); }), "r:不正な変数です");
  EXPECT_EQ(message_of([&] { c.CopyValue("none"); }), "none:不正な変数です");
  c.DeleteVariable("a");
  EXPECT_EQ(c.FindVariable("a"), nullptr);
  c.DeleteVariable("@MouseX");  // system variables stay
  EXPECT_NE(c.FindVariable("@MouseX"), nullptr);
}

TEST(ParamCollection, ReferencesForwardAndForgetFreedTargets) {
  TParamCollection c;
  TParamCollectionItem* a = add(c, "a", PT_INT, 0);
  a->Value()->SetDims({4});
  TParamVar r("a");
  r.Resolve(c);
  r.SetElementIndex(2);
  r.SetInt(5);
  EXPECT_EQ(a->Value()->GetIntAt(2), 5);
  EXPECT_EQ(r.GetType(), PT_INT);
  EXPECT_EQ(r.GetStr(), "5");
  EXPECT_EQ(r.GetCount(), 4);
  EXPECT_EQ(message_of([&] { r.SetIntAt(4, 1); }), "[4]:配列の添字が不正です");
  c.DeleteVariable("a");
  EXPECT_EQ(r.TargetItem(), nullptr);  // no dangling target
  EXPECT_EQ(r.GetType(), PT_NONE);
  EXPECT_EQ(r.GetInt(), 0);
  EXPECT_EQ(message_of([&] { r.Resolve(c); }), "\"a\" 変数がありません");

  // A reference to a reference takes over its target and element index; a cycle is a missing variable.
  TParamCollectionItem* b = add(c, "b", PT_STR, 0);
  b->Value()->SetDims({3});
  TParamCollectionItem* rb = c.AddVariable(PT_NONE);
  rb->SetVarName("rb");
  auto* rbv = static_cast<TParamVar*>(rb->Value());
  rbv->SetTargetName("b");
  rbv->Resolve(c);
  rbv->SetElementIndex(1);
  TParamVar via("rb");
  via.Resolve(c);
  EXPECT_EQ(via.TargetItem(), b);
  via.SetStr("x");
  EXPECT_EQ(b->Value()->GetStrAt(1), "x");

  TParamCollectionItem* p = c.AddVariable(PT_NONE);
  p->SetVarName("p");
  TParamCollectionItem* q = c.AddVariable(PT_NONE);
  q->SetVarName("q");
  static_cast<TParamVar*>(p->Value())->SetTargetName("q");
  static_cast<TParamVar*>(q->Value())->SetTargetName("p");
  TParamVar loop("p");
  EXPECT_EQ(message_of([&] { loop.Resolve(c); }), "\"p\" 変数がありません");
}

TEST(ParamCollection, SystemVariablesConvertAndForward) {
  TParamCollection c;
  TCustomParam& sound = *c.FindVariable("@SoundON")->Value();
  EXPECT_EQ(sound.GetType(), PT_BOOL);
  sound.SetStr("0");
  EXPECT_FALSE(sound.GetBool());
  sound.SetStr("1");  // a flag system variable takes the integer value of a string
  EXPECT_TRUE(sound.GetBool());
  EXPECT_EQ(sound.GetStr(), "TRUE");

  TCustomParam& cursor = *c.FindVariable("@Cursor")->Value();
  EXPECT_FALSE(cursor.GetBool());
  cursor.SetStr("hand");
  EXPECT_EQ(c.Cursor, "hand");
  EXPECT_TRUE(cursor.GetBool());  // a string system variable read as a flag: not empty

  TCustomParam& delay = *c.FindVariable("@TextDelay")->Value();
  EXPECT_EQ(delay.GetInt(), 50);
  delay.SetFloat(12.9L);
  EXPECT_EQ(c.TextDelay, 12);
  TCustomParam& width = *c.FindVariable("@ScrWidth")->Value();
  width.SetInt(1);  // read-only: ignored
  EXPECT_EQ(width.GetInt(), 640);
  EXPECT_EQ(c.FindVariable("@Pi")->Value()->GetStr(), "3.14159265358979");
  EXPECT_EQ(c.FindVariable("@1Hour")->Value()->GetFloat(), 1.0L / 24);
  EXPECT_FALSE(c.FindVariable("@IsDebug")->Value()->GetBool());

  TCustomParam& keys = *c.FindVariable("@KeyPush")->Value();
  EXPECT_EQ(keys.GetCount(), 258);
  EXPECT_FALSE(keys.GetBoolAt(257));
  EXPECT_EQ(message_of([&] { keys.GetBoolAt(258); }), "[258]:配列の添字が不正です");
  EXPECT_EQ(message_of([&] { width.SetDims({2}); }), "内部エラー");
  EXPECT_EQ(message_of([&] {
              TMemoryStream m;
              width.SaveToStream(m);
            }),
            "内部エラー");

  // "@Temp" stands for the variable named by the temp-variable name.
  TCustomParam& temp = *c.FindVariable("@Temp")->Value();
  EXPECT_EQ(temp.GetInt(), 0);
  temp.SetInt(3);  // nothing to write to
  add(c, "t", PT_INT, 4);
  c.TempName = "t";
  EXPECT_EQ(temp.GetType(), PT_INT);
  EXPECT_EQ(temp.GetInt(), 4);
  temp.SetStr("8");
  EXPECT_EQ(c.FindVariable("t")->Value()->GetInt(), 8);
  // "@Temp" standing for itself, or for a reference back to itself, reads as missing.
  c.TempName = "@Temp";
  EXPECT_EQ(temp.GetInt(), 0);
  TParamCollectionItem* back = c.AddVariable(PT_NONE);
  back->SetVarName("back");
  static_cast<TParamVar*>(back->Value())->SetTargetName("@Temp");
  static_cast<TParamVar*>(back->Value())->Resolve(c);
  c.TempName = "back";
  EXPECT_EQ(temp.GetStr(), "");
  EXPECT_EQ(temp.GetType(), PT_NONE);
}

TEST(ParamCollection, HostSuppliesWhatLaterLayersOwn) {
  struct Host : TVarHost {
    int32_t MouseX() override { return 33; }
    bool KeyPush(int32_t key) override { return key == 13; }
    int32_t ParamCount() override { return 2; }
    std::string ParamStr(int32_t i) override { return i == 0 ? "one" : "two"; }
    TParamInt result;
    TCustomParam* ResultValue() override { return &result; }
  } host;
  TParamCollection c(&host);
  EXPECT_EQ(c.FindVariable("@MouseX")->Value()->GetInt(), 33);
  EXPECT_TRUE(c.FindVariable("@KeyPush")->Value()->GetBoolAt(13));
  EXPECT_FALSE(c.FindVariable("@KeyPush")->Value()->GetBool());  // scalar read
  TCustomParam& params = *c.FindVariable("@ParamStr")->Value();
  EXPECT_EQ(params.GetStr(), "");
  EXPECT_EQ(params.GetStrAt(1), "two");
  EXPECT_EQ(params.IndexOf("ONE", false, false), 0);
  c.FindVariable("@Result")->Value()->SetStr("41");
  EXPECT_EQ(host.result.GetInt(), 41);
}

TEST(ParamCollection, GameVariablesRoundTripWithReferencesAndStack) {
  TParamCollection c;
  TParamCollectionItem* r = c.AddVariable(PT_NONE);  // created before its target: saved after it
  r->SetVarName("r");
  TParamCollectionItem* a = add(c, "a", PT_INT, 0);
  a->Value()->SetDims({3});
  a->Value()->SetIntAt(1, 11);
  auto* rv = static_cast<TParamVar*>(r->Value());
  rv->SetTargetName("a");
  rv->Resolve(c);
  rv->SetElementIndex(1);
  TParamCollectionItem* st = c.NewVariable("st", PT_STR, kScopeStatus);
  st->Value()->SetStr("kept");
  c.NewVariable("f", PT_FLOAT, kScopeAutoDispose)->Value()->SetFloat(0.25L);
  c.TextDelay = 20;
  c.Cursor = "cur";
  c.SelStr = "sel";
  c.SelIndex = 4;
  c.TempName = "a";
  c.PushVar({"a", "f", "r", "missing"});
  TMemoryStream m;
  c.SaveGameVars(m);

  TParamCollection d;
  d.NewVariable("st", PT_STR, kScopeStatus)->Value()->SetStr("other");
  add(d, "gone", PT_INT, 1);
  m.SetPosition(0);
  d.LoadGameVars(m, 140);
  EXPECT_EQ(m.Remaining(), 0);
  EXPECT_EQ(d.FindVariable("gone"), nullptr);
  EXPECT_EQ(d.FindVariable("st")->Value()->GetStr(), "other");  // status variables survive
  ASSERT_NE(d.FindVariable("r"), nullptr);
  EXPECT_EQ(d.FindVariable("r")->TypeCode(), PT_NONE);
  EXPECT_EQ(d.FindVariable("r")->Value()->GetInt(), 11);  // the reference is resolved again
  EXPECT_EQ(d.FindVariable("f")->FrameId, 0);
  EXPECT_EQ(d.FindVariable("f")->Value()->GetFloat(), 0.25L);
  EXPECT_EQ(d.TextDelay, 20);
  EXPECT_EQ(d.Cursor, "cur");
  EXPECT_EQ(d.SelStr, "sel");
  EXPECT_EQ(d.SelIndex, 4);
  EXPECT_EQ(d.TempName, "a");
  EXPECT_EQ(d.StackDepth(), 1);
  d.FindVariable("a")->Value()->SetInt(0);
  d.PopVar();
  EXPECT_EQ(d.FindVariable("a")->Value()->GetCount(), 3);
  EXPECT_EQ(d.FindVariable("a")->Value()->GetIntAt(1), 11);
}

TEST(ParamCollection, SaveEndsForReferencesWhoseTargetIsNeverWritten) {
  TParamCollection c;
  TParamCollectionItem* st = c.NewVariable("st", PT_INT, kScopeStatus);
  st->Value()->SetInt(1);
  TParamCollectionItem* r = c.AddVariable(PT_NONE);
  r->SetVarName("r");
  static_cast<TParamVar*>(r->Value())->SetTargetName("st");
  static_cast<TParamVar*>(r->Value())->Resolve(c);  // its target is a status variable
  TParamCollectionItem* m1 = c.AddVariable(PT_NONE);
  m1->SetVarName("m");
  static_cast<TParamVar*>(m1->Value())->SetTargetName("@MouseX");
  static_cast<TParamVar*>(m1->Value())->Resolve(c);  // and a system variable
  TMemoryStream m;
  c.SaveGameVars(m);
  m.SetPosition(0);
  EXPECT_EQ(ReadInt(m), 2);
}

TEST(ParamCollection, LoadsHandMadeGameRecords) {
  // Version 102: count 1, an int variable "n" holding 7, then the text delay and the cursor text only.
  std::vector<uint8_t> bytes{1,  0, 0,    0,                                   // count
                             1,  1, 0,    0,    0,    'n',                     // type int, name
                             0,  0, 0,    0,    1,    0,    0, 0, 7, 0, 0, 0,  // no dims, 1 element: 7
                             0,  0, 0xFF, 0xFF, 0xFF, 0xFF, 0,                 // status, reserved, frame -1, local
                             30, 0, 0,    0,                                   // text delay
                             1,  0, 0,    0,    'c'};                          // cursor
  TParamCollection c;
  TMemoryStream m(bytes);
  c.LoadGameVars(m, 102);
  ASSERT_NE(c.FindVariable("n"), nullptr);
  EXPECT_EQ(c.FindVariable("n")->Value()->GetInt(), 7);
  EXPECT_EQ(c.FindVariable("n")->FrameId, -1);
  EXPECT_EQ(c.TextDelay, 30);
  EXPECT_EQ(c.Cursor, "c");
  EXPECT_EQ(m.Remaining(), 0);

  // Version 120 carries the selection and the three older history settings but no temp name.
  std::vector<uint8_t> v120{0, 0, 0, 0, 50,  0, 0, 0, 0, 0, 0, 0,   // no records, delay, empty cursor
                            1, 0, 0, 0, 's', 2, 0, 0, 0,            // selected string and index
                            1, 0, 0, 0, 2,   0, 0, 0, 3, 0, 0, 0};  // history settings
  TMemoryStream m120(v120);
  c.LoadGameVars(m120, 120);
  EXPECT_EQ(c.FindVariable("n"), nullptr);
  EXPECT_EQ(c.SelStr, "s");
  EXPECT_EQ(c.SelIndex, 2);
  EXPECT_EQ(c.OldHistorySettings, (std::array<int32_t, 6>{1, 2, 3, 0, 0, 0}));
  EXPECT_EQ(c.OldHistoryCount, 3);
  EXPECT_EQ(m120.Remaining(), 0);

  // A record count far beyond the bytes, and an unknown type code, are refused.
  TMemoryStream huge(std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0x7F});
  EXPECT_THROW(c.LoadGameVars(huge, 140), EFormatError);
  std::vector<uint8_t> badtype = bytes;
  badtype[4] = 9;
  TMemoryStream mb(badtype);
  EXPECT_THROW(c.LoadGameVars(mb, 102), EFormatError);
}

TEST(ParamCollection, StatusVariablesAndClear) {
  TParamCollection c;
  c.NewVariable("st", PT_BOOL, kScopeStatus)->Value()->SetBool(true);
  add(c, "g", PT_INT, 5);
  c.TextDelay = 10;
  c.Cursor = "x";
  TMemoryStream status;
  c.SaveStatusVars(status);
  c.ClearVars();
  EXPECT_EQ(c.FindVariable("g"), nullptr);
  EXPECT_NE(c.FindVariable("st"), nullptr);
  EXPECT_EQ(c.TextDelay, 50);
  EXPECT_EQ(c.Cursor, "");

  TParamCollection d;
  add(d, "g", PT_INT, 5);
  status.SetPosition(0);
  d.LoadStatusVars(status, 140);
  EXPECT_NE(d.FindVariable("g"), nullptr);  // nothing is freed first
  ASSERT_NE(d.FindVariable("st"), nullptr);
  EXPECT_TRUE(d.FindVariable("st")->Status);
  EXPECT_TRUE(d.FindVariable("st")->Value()->GetBool());
}

}  // namespace
}  // namespace velk
