// The interpreter, run on pages the game builder makes from sources: control flow, calls, waits, events and their
// nesting, the page cache, the error rule, the trace and the saved state.
#include "script/call_man.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "base/error.h"
#include "base/process_values.h"
#include "expr/param_collection.h"
#include "scene/base_list.h"
#include "scene/props.h"
#include "scene/velk_box.h"
#include "script/call_host.h"
#include "script/call_scene.h"
#include "script/call_var_host.h"
#include "script/control_commands.h"
#include "script/page.h"
#include "script/test_bytes.h"
#include "support/temp_dir.h"
#include "support/tools.h"
#include "script/folder_host.h"

namespace velk {
namespace {

namespace fs = std::filesystem;

std::string builder_path() { return test::ToolPath("velk-build"); }

using test::TFolderHost;

class CallMan : public ::testing::Test {
 protected:
  // Writes the page sources (path relative to the game folder, text), builds them and makes the interpreter. The
  // first page is the start page.
  void Build(const std::vector<std::pair<std::string, std::string>>& pages) {
    std::string project = "version 115\nstart " + archive_name(pages.front().first) + "\n";
    for (const auto& [file, text] : pages) {
      fs::create_directories(fs::path(dir / file).parent_path());
      test::WriteFile(dir / file, text);
      project += "page " + file + "\n";
    }
    test::WriteFile(dir / "game.vkp", project);
    const std::string log = dir / "build.log";
    const std::string command =
        "'" + builder_path() + "' '" + (dir / "game.vkp") + "' --out '" + (dir / "out") + "' > '" + log + "' 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << test::ReadFile(log);
    host.Root = dir / "out/";
    calls = std::make_unique<TCallMan>(services());
    var_host.SetCalls(calls.get());
  }

  TCallManServices services() {
    TCallManServices s;
    s.Vars = &vars;
    s.Process = &process;
    s.Host = &host;
    s.Scene = &scene_calls;
    return s;
  }

  static std::string archive_name(const std::string& file) {
    std::string name = file.substr(0, file.size() - 3) + "ksb";
    for (char& c : name)
      if (c == '/') c = '\\';
    return name;
  }

  void Start() { calls->Start(archive_name(first_)); }

  // Frames of 15 ms.
  void Frames(int32_t n) {
    for (int32_t i = 0; i < n; ++i) {
      process.FrameDelta = 15;
      process.GameClock += 15;
      calls->RunFrame();
    }
  }

  TCustomParam* Var(const std::string& name) {
    TParamCollectionItem* item = vars.FindVariable(name);
    return item != nullptr ? item->Value() : nullptr;
  }
  int32_t Int(const std::string& name) {
    TCustomParam* v = Var(name);
    EXPECT_NE(v, nullptr) << name;
    return v != nullptr ? v->GetInt() : INT32_MIN;
  }
  std::string Str(const std::string& name) {
    TCustomParam* v = Var(name);
    EXPECT_NE(v, nullptr) << name;
    return v != nullptr ? v->GetStr() : "<none>";
  }
  void SetFlag(const std::string& name, bool value) { Var(name)->SetBool(value); }

  TVelkBox* AddBox(const std::string& name) {
    TVelkBox* box = scene.New<TVelkBox>();
    box->SetName(name);
    return box;
  }
  void QueueEvent(const std::string& target, TVelkObject* sender = nullptr, std::vector<std::string> args = {}) {
    scene.Events.Queue(sender != nullptr ? sender->Handle() : TObjectHandle{}, target, &args, 37);
  }
  int32_t Pending() const {
    int32_t n = 0;
    for (int32_t i = 0; i < scene.Events.Count(); ++i) n += scene.Events.Item(i)->State == 0 ? 1 : 0;
    return n;
  }

  test::TempDir dir;
  TVelkBaseList scene;
  TSceneCalls scene_calls{scene};
  TCallVarHost var_host{scene};
  TParamCollection vars{&var_host};
  TProcessValues process;
  TFolderHost host;
  std::unique_ptr<TCallMan> calls;
  std::string first_ = "main.vks";
};

const char kMainFlow[] = R"(varnew name: n; type: int; value: 0
varnew name: log; type: string; value: ""
if n > 0
  calc log = log ++ "a"
elseif n == 0
  calc log = log ++ "b"
  if n == 1
    calc log = log ++ "x"
else
  calc log = log ++ "c"
calc log = log ++ "d"
if n == 5
  calc log = log ++ "e"
calc log = log ++ "f"
whileinit n = 0
label again
while n < 10; exit: @done
  calc log = log ++ "["
  continue n == 2; target: @step
  break n == 4; target: @done
  calc log = log ++ n
  label step
  whileloop n = n + 1; loop: @again
label done
calc log = log ++ "|"
comment passed over
calc log = log ++ "s"; skip: true
exit n == 4
calc log = log ++ "never"
)";

TEST_F(CallMan, ControlFlowRunsBranchesLoopsBreakContinueAndExit) {
  Build({{"main.vks", kMainFlow},
         {"brk.vks", "varnew name: b; type: string; value: \"1\"\nbreak 1; target: -1\ncalc b = \"2\"\n"}});
  Start();
  Frames(1);
  EXPECT_EQ(Str("log"), "bdf[0[1[[3[|");
  EXPECT_EQ(Int("n"), 4);
  // The ended page stays ended: later frames change nothing.
  Frames(3);
  EXPECT_EQ(Str("log"), "bdf[0[1[[3[|");

  // A break with target -1 ends the page like an exit.
  calls->Start("brk.ksb");
  Frames(1);
  EXPECT_EQ(Str("b"), "1");
}

TEST_F(CallMan, IfChainsReachTheirElseAfterFalseElseifs) {
  Build({{"main.vks", R"(varnew name: n; type: int; value: 0
varnew name: log; type: string; value: ""
if n == 1
  calc log = log ++ "one"
elseif n == 2
  calc log = log ++ "two"
else
  calc log = log ++ "other"
calc log = log ++ ";"
whileinit n = 1
label again
while n <= 15; exit: @done
  if n % 15 == 0
    calc log = log ++ "FizzBuzz"
  elseif n % 3 == 0
    calc log = log ++ "Fizz"
  elseif n % 5 == 0
    calc log = log ++ "Buzz"
  else
    calc log = log ++ n
  calc log = log ++ ","
  whileloop n = n + 1; loop: @again
label done
)"}});
  Start();
  Frames(1);
  EXPECT_EQ(Str("log"), "other;1,2,Fizz,4,Buzz,Fizz,7,8,Fizz,Buzz,11,Fizz,13,14,FizzBuzz,");
}

TEST_F(CallMan, CallsPassArgumentsAndStoreTheReturnValue) {
  Build({{"main.vks", R"(varnew name: r1; type: float; value: 0
varnew name: cnt; type: int; value: 0
varnew name: seen; type: string; value: ""
call page: s\sub.ksb; target: @entry; result: r1; args: 21; args: "two"; condition: 1
call page: s\sub.ksb; target: @entry; result: created; args: 5; args: nosuchvar; condition: 1
call page: nothere.ksb; target: 0; result: r1; condition: 1
calc cnt = cnt + 1
varnew name: depth; type: int; value: @StackCount
)"},
         {"s/sub.vks", R"(@result int
calc cnt = cnt + 100
label entry
varnew name: tmp; type: int; value: 1; scope: auto
varnew name: inner; type: int; value: @StackCount
calc seen = seen ++ @ParamCount ++ ","
calc seen = seen ++ @ParamStr[0] ++ @ParamStr[1] ++ ";"
calc @Result = @ParamStr[0] * 2
)"}});
  Start();
  Frames(1);
  EXPECT_EQ(Var("r1")->GetFloat(), 42);
  // The missing return variable is created holding the text form of the value.
  ASSERT_NE(Var("created"), nullptr);
  EXPECT_EQ(Var("created")->GetType(), PT_STR);
  EXPECT_EQ(Str("created"), "10");
  // Arguments without a value are left out (the second call has one argument, so its second one cannot be read).
  EXPECT_EQ(Str("seen"), "2,21two;1,");
  // The call starts at its target; a call of a missing page does nothing.
  EXPECT_EQ(Int("cnt"), 1);
  EXPECT_EQ(Int("inner"), 1);
  EXPECT_EQ(Int("depth"), 0);
  // Auto-dispose variables of the called page go with its frame.
  EXPECT_EQ(Var("tmp"), nullptr);
}

TEST_F(CallMan, ReturnValueWithQuotesIsStoredAsItIs) {
  Build({{"main.vks", "call page: q.ksb; target: 0; result: quoted; condition: 1\n"},
         {"q.vks", "@result string\ncalc @Result = \"say \\\"hi\\\" \\\\ \"\n"}});
  Start();
  Frames(1);
  EXPECT_EQ(Str("quoted"), "say \"hi\" \\ ");
}

TEST_F(CallMan, WaitCountsFrameTimeAfterItsFirstFrameAndEndsOnItsCondition) {
  Build({{"main.vks", R"(varnew name: t; type: int; value: 0
varnew name: hold; type: flag; value: 1
wait time: 100
calc t = 1
wait hold
calc t = 2
)"}});
  Start();
  Frames(7);
  EXPECT_EQ(Int("t"), 0);
  Frames(1);
  EXPECT_EQ(Int("t"), 1);
  Frames(5);
  EXPECT_EQ(Int("t"), 1);
  SetFlag("hold", false);
  Frames(1);
  EXPECT_EQ(Int("t"), 2);
}

const char kWaitingMain[] = R"(varnew name: log; type: string; value: ""
varnew name: hold; type: flag; value: 1
wait hold
calc log = log ++ "M"
)";

const char kHandlers[] = R"(label inner
calc log = log ++ "i" ++ @ParamStr[0]
exit 1
label outer
calc log = log ++ "o" ++ @ParamStr[0] ++ @Sender
wait time: 30
calc log = log ++ "O"
)";

TEST_F(CallMan, NestedEventsRunUnderAWaitingHandlerAndReturnToTheScript) {
  Build({{"main.vks", kWaitingMain}, {"h.vks", kHandlers}});
  TVelkBox* box = AddBox("btn");
  Start();
  Frames(1);
  QueueEvent("h.xyz:outer", box, {"7"});
  Frames(1);
  EXPECT_EQ(Str("log"), "o7btn");
  EXPECT_EQ(calls->State(), 2);
  EXPECT_EQ(calls->SenderName(), "btn");
  EXPECT_EQ(calls->StackCount(), 1);

  // The handler waits; a nested event runs to its end in the next frame, then the handler waits on.
  QueueEvent("h.xyz:inner", nullptr, {"8"});
  Frames(1);
  EXPECT_EQ(Str("log"), "o7btni8");
  EXPECT_EQ(calls->EventLevel(), 2);
  EXPECT_EQ(scene.Events.Count(), 1);

  Frames(1);
  EXPECT_EQ(Str("log"), "o7btni8");
  Frames(1);
  EXPECT_EQ(Str("log"), "o7btni8O");
  EXPECT_EQ(calls->State(), 0);
  EXPECT_EQ(calls->StackCount(), 0);
  EXPECT_EQ(scene.Events.Count(), 0);
  EXPECT_EQ(calls->SenderName(), "");

  SetFlag("hold", false);
  Frames(1);
  EXPECT_EQ(Str("log"), "o7btni8OM");
}

TEST_F(CallMan, HandlerThatNeverYieldsRunsToItsEndInItsFirstFrame) {
  Build({{"main.vks", kWaitingMain}, {"h.vks", kHandlers}});
  Start();
  Frames(1);
  QueueEvent("h.xyz:inner", nullptr, {"1"});
  QueueEvent("h.xyz:inner", nullptr, {"2"});
  Frames(1);
  EXPECT_EQ(Str("log"), "i1i2");
  EXPECT_EQ(calls->State(), 0);
  EXPECT_EQ(scene.Events.Count(), 0);
}

TEST_F(CallMan, WaitWithoutEventsKeepsEventsPendingUntilItEnds) {
  Build({{"main.vks", R"(varnew name: log; type: string; value: ""
wait time: 45; noevents: 1
calc log = log ++ "W"
wait 1
)"},
         {"e.vks", "calc log = log ++ \"E\"\n"}});
  Start();
  Frames(1);
  QueueEvent("e.xyz");
  Frames(2);
  EXPECT_EQ(Str("log"), "");
  EXPECT_EQ(Pending(), 1);
  // The wait ends within the frame; the event starts before the next command.
  Frames(1);
  EXPECT_EQ(Str("log"), "EW");
  EXPECT_EQ(scene.Events.Count(), 0);
}

TEST_F(CallMan, EventWithAMissingPageStaysFirstAndLaterEventsWaitBehindIt) {
  Build(
      {{"main.vks", "varnew name: log; type: string; value: \"\"\nwait 1\n"}, {"e.vks", "calc log = log ++ \"E\"\n"}});
  Start();
  Frames(1);
  const int32_t index = calls->CurrentIndex();
  QueueEvent("missing.xyz");
  QueueEvent("e.xyz");
  Frames(3);
  // The missing page may lie on a disc not inserted yet: its event is retried and holds up the queue.
  EXPECT_EQ(Str("log"), "");
  ASSERT_EQ(scene.Events.Count(), 2);
  EXPECT_EQ(scene.Events.Item(0)->Handler, "missing.xyz");
  EXPECT_EQ(Pending(), 2);
  EXPECT_EQ(calls->StackCount(), 0);
  EXPECT_EQ(calls->CurrentIndex(), index);

  // Once the page is there, both run in queue order.
  test::WriteFile(host.Root + "missing.ksb", test::ReadFile(host.Root + "e.ksb"));
  Frames(1);
  EXPECT_EQ(Str("log"), "EE");
  EXPECT_EQ(scene.Events.Count(), 0);

  // A page that exists but cannot be read holds up the queue in the same way, leaving the script's context alone.
  test::Bytes cut;
  cut.i32(115).u8(0).i32(61).i32(21);
  test::WriteFile(host.Root + "bad.ksb", std::string(cut.data().begin(), cut.data().end()));
  QueueEvent("bad.xyz");
  QueueEvent("e.xyz");
  Frames(2);
  EXPECT_EQ(Str("log"), "EE");
  EXPECT_EQ(Pending(), 2);
  EXPECT_EQ(calls->StackCount(), 0);
  EXPECT_EQ(calls->CurrentIndex(), index);
}

TEST_F(CallMan, PageCacheKeepsTenPagesAndNeverDropsTheCurrentOne) {
  std::vector<std::pair<std::string, std::string>> pages;
  for (int i = 0; i <= 11; ++i) pages.push_back({"p" + std::to_string(i) + ".vks", "label x\n"});
  Build(pages);
  for (int i = 1; i <= 11; ++i) calls->LoadPage("p" + std::to_string(i) + ".ksb", true);
  EXPECT_EQ(calls->CachedPageCount(), 10);
  EXPECT_FALSE(calls->IsCached("p1.ksb"));
  EXPECT_EQ(host.Reads, 11);
  // A cached page is not read again; a dropped one is.
  calls->LoadPage("p5.ksb", true);
  EXPECT_EQ(host.Reads, 11);
  calls->LoadPage("p1.ksb", true);
  EXPECT_EQ(host.Reads, 12);
  EXPECT_FALSE(calls->IsCached("p2.ksb"));

  // The current page stays however many others come after it.
  calls->Start("p0.ksb");
  for (int i = 1; i <= 11; ++i) calls->LoadPage("p" + std::to_string(i) + ".ksb", true);
  EXPECT_TRUE(calls->IsCached("p0.ksb"));
  ASSERT_NE(calls->CurrentPage(), nullptr);
  EXPECT_EQ(calls->CurrentPage()->Name, "p0.ksb");
}

TEST_F(CallMan, FailingCommandEndsTheFrameAndRunsAgainInTheNext) {
  Build({{"main.vks", R"(varnew name: n; type: int; value: 0
calc n = n + 1
getprop object: "btn"; property: pid; variable: got
calc n = n + 100
wait 1
)"},
         {"h.vks", "calc n = n + 1000\ngetprop object: \"btn\"; property: pid; variable: got\ncalc n = n + 5\n"}});
  TVelkBox* box = AddBox("btn");
  Start();
  Frames(1);
  EXPECT_EQ(Int("n"), 1);
  Frames(2);
  EXPECT_EQ(Int("n"), 1);
  EXPECT_EQ(calls->CurrentIndex(), 2);

  TParamCollectionItem* pid = vars.NewVariable("pid", PT_INT, kScopeGlobal);
  pid->Value()->SetInt(PR_LEFT);
  vars.NewVariable("got", PT_INT, kScopeGlobal);
  TParamInt left;
  left.SetInt(42);
  SetProperty(*box, PR_LEFT, left);
  Frames(1);
  EXPECT_EQ(Int("got"), 42);
  EXPECT_EQ(Int("n"), 101);

  // Inside an event handler the failing command also ends the frame, and the handler goes on once it succeeds.
  vars.DeleteVariable("pid");
  QueueEvent("h.xyz", box);
  Frames(3);
  EXPECT_EQ(Int("n"), 1101);
  EXPECT_EQ(calls->State(), 1);
  pid = vars.NewVariable("pid", PT_INT, kScopeGlobal);
  pid->Value()->SetInt(PR_LEFT);
  Frames(1);
  EXPECT_EQ(Int("n"), 1106);
  EXPECT_EQ(calls->State(), 0);
}

TEST_F(CallMan, StateSavedDuringAWaitRestoresIntoANewInterpreter) {
  Build({{"main.vks", R"(varnew name: t; type: int; value: 0
wait time: 100
calc t = 1
)"},
         {"h.vks", "calc t = t - 10\nwait time: 30\ncalc t = t + 10\n"}});
  TVelkBox* box = AddBox("btn");
  Start();
  Frames(2);
  QueueEvent("h.xyz", box, {"a"});
  Frames(1);
  ASSERT_EQ(calls->State(), 2);
  ASSERT_EQ(Int("t"), -10);

  TMemoryStream saved;
  calls->SaveToStream(saved);
  calls = std::make_unique<TCallMan>(services());
  var_host.SetCalls(calls.get());
  saved.SetPosition(0);
  calls->LoadFromStream(saved, 116);
  EXPECT_EQ(saved.Remaining(), 0);
  EXPECT_EQ(calls->State(), 2);
  EXPECT_EQ(calls->StackCount(), 1);
  EXPECT_EQ(calls->SenderName(), "btn");
  EXPECT_EQ(calls->Argument(0), "a");

  // The handler's wait goes on where it was, then the script's own wait (85 ms left when the handler started).
  Frames(2);
  EXPECT_EQ(Int("t"), -10);
  Frames(1);
  EXPECT_EQ(Int("t"), 0);
  EXPECT_EQ(calls->State(), 0);
  Frames(4);
  EXPECT_EQ(Int("t"), 0);
  Frames(1);
  EXPECT_EQ(Int("t"), 1);
}

TEST_F(CallMan, ReadsHandWrittenStateOfAnOlderSave) {
  Build({{"main.vks", "varnew name: a; type: int; value: 1\nvarnew name: b; type: int; value: 2\n"}});
  test::Bytes b;
  b.str("main.ksb").i32(1).u8(1).u8(0).i32(0).str("").i32(1).str("x");
  // The spare context, then one saved context with an int return value.
  b.str("").i32(0).u8(0).u8(0).str("").i32(0).str("").i32(0).u8(0);
  b.i32(1).str("main.ksb").i32(0).u8(0).u8(1).str("r").i32(0).str("").i32(0).u8(PT_INT).i32(0).i32(1).i32(9);
  TMemoryStream s = b.stream();
  calls->LoadFromStream(s, 115);
  EXPECT_EQ(s.Remaining(), 0);
  EXPECT_EQ(calls->CurrentIndex(), 1);
  EXPECT_EQ(calls->EventLevel(), 2);
  EXPECT_EQ(calls->StackCount(), 1);
  ASSERT_NE(calls->ReturnValue(), nullptr);
  EXPECT_EQ(calls->ReturnValue()->GetInt(), 9);
  EXPECT_EQ(calls->Argument(0), "x");

  // Damaged: a count beyond the data, an unknown return type.
  test::Bytes bad;
  bad.str("main.ksb").i32(0).u8(0).u8(0).i32(0).str("").i32(0);
  bad.str("").i32(0).u8(0).u8(0).str("").i32(0).str("").i32(0).u8(0).i32(1000000);
  TMemoryStream bs = bad.stream();
  EXPECT_THROW(calls->LoadFromStream(bs, 116), EFormatError);
  test::Bytes type;
  type.str("").i32(0).u8(0).u8(0).i32(0).str("").i32(0);
  type.str("").i32(0).u8(0).u8(0).str("").i32(0).str("").i32(0).u8(9);
  TMemoryStream ts = type.stream();
  EXPECT_THROW(calls->LoadFromStream(ts, 116), EFormatError);
}

TEST_F(CallMan, TraceNamesEachNewCommandAndEveryEventStart) {
  Build({{"main.vks", "varnew name: x; type: int; value: 0\nwait 1\n"}, {"h.vks", "label go\ncalc x = 1\n"}});
  host.TraceOn = true;
  Start();
  Frames(2);
  ASSERT_EQ(host.Lines.size(), 2u);
  EXPECT_EQ(host.Lines[0], "0000000f : main.ksb(1)");
  EXPECT_EQ(host.Lines[1], "0000000f : main.ksb(2)");
  QueueEvent("h.xyz:go");
  Frames(1);
  ASSERT_GE(host.Lines.size(), 3u);
  EXPECT_EQ(host.Lines[2], "0000002d : <Event>h.ksb(1)");
}

TEST_F(CallMan, TerminateAndResetsOfTheScript) {
  Build({{"main.vks", R"(varnew name: n; type: int; value: 0
label restart
calc n = n + 1
wait 1
)"},
         {"h.vks", "call page: h2.ksb; target: 0; condition: 1\n"},
         {"h2.vks", "pcreset page: main.ksb; target: @restart; clearall: 1\n"},
         {"bye.vks", "terminate\nvarnew name: after; type: int; value: 1\n"},
         {"r.vks", "reset page: main.ksb; target: 0\n"}});
  Start();
  Frames(1);
  QueueEvent("h.xyz");
  QueueEvent("h.xyz");
  Frames(1);
  // Clearing everything drops the handler and its call, the queued events, and restarts at the label.
  EXPECT_EQ(Int("n"), 2);
  EXPECT_EQ(calls->StackCount(), 0);
  EXPECT_EQ(calls->State(), 0);
  EXPECT_EQ(scene.Events.Count(), 0);

  calls->Start("r.ksb");
  Frames(1);
  EXPECT_EQ(host.Resets, 1);
  EXPECT_EQ(Int("n"), 1);

  calls->Start("bye.ksb");
  Frames(1);
  EXPECT_TRUE(process.QuitFlag);
  EXPECT_EQ(host.Closes, 1);
  EXPECT_EQ(Var("after"), nullptr);
}

TEST_F(CallMan, ResetFromAHandlerRewritesTheScriptToResumeAtTheTarget) {
  Build({{"main.vks", R"(varnew name: n; type: int; value: 0
varnew name: gone; type: int; value: 0
vardel gone
label restart
calc n = n + 1
wait 1
)"},
         {"h.vks", "pcreset page: main.ksb; target: @restart; clearall: 0\ncalc n = n + 10\n"}});
  TVelkBox* box = AddBox("btn");
  Start();
  Frames(1);
  EXPECT_EQ(Var("gone"), nullptr);
  QueueEvent("h.xyz", box);
  Frames(1);
  // The handler goes on to its end, then the script resumes at the label instead of its wait; the handler's own
  // event is gone.
  EXPECT_EQ(Int("n"), 1 + 10 + 1);
  EXPECT_EQ(calls->State(), 0);
  EXPECT_EQ(calls->StackCount(), 0);
  EXPECT_EQ(scene.Events.Count(), 0);
}

TEST(EventTarget, SplitsAtTheLastColonAfterTheLastPointAndBackslash) {
  std::string page, label;
  SplitEventTarget("s\\main.xyz:start", page, label);
  EXPECT_EQ(page, "s\\main.ksb");
  EXPECT_EQ(label, "start");
  SplitEventTarget("dir.x\\p.xyz", page, label);
  EXPECT_EQ(page, "dir.x\\p.ksb");
  EXPECT_EQ(label, "");
  SplitEventTarget("a:b\\p.xyz", page, label);
  EXPECT_EQ(page, "a:b\\p.ksb");
  EXPECT_EQ(label, "");
  // The second byte of a double-byte character is no colon.
  SplitEventTarget("p.xyz\x81:", page, label);
  EXPECT_EQ(page, "p.xyksb");
  EXPECT_EQ(label, "");
  SplitEventTarget("p.ksb\x81::x", page, label);
  EXPECT_EQ(page, "p.ksksb");
  EXPECT_EQ(label, "x");
  SplitEventTarget("ab", page, label);
  EXPECT_EQ(page, "ksb");
}

}  // namespace
}  // namespace velk

namespace velk {
namespace {

// Removing a saved context drops that frame's variables, moves the later frames' down, and the call it belonged to
// never returns.
TEST_F(CallMan, DeleteStackRemovesOneFrameAndItsVariables) {
  Build({{"main.vks", "varnew name: a0; type: int; value: 0; scope: auto\ncall page: one.ksb\n"
                      "varnew name: back; type: int; value: 1\nlabel idle\nwait time: 1000\njump target: @idle\n"},
         {"one.vks", "varnew name: a1; type: int; value: 1; scope: auto\ncall page: two.ksb\n"
                     "varnew name: oneback; type: int; value: 1\nexit\n"},
         {"two.vks", "varnew name: a2; type: int; value: 2; scope: auto\nwait time: 60\nexit\n"}});
  Start();
  Frames(2);
  ASSERT_EQ(calls->StackCount(), 2);
  EXPECT_FALSE(calls->DeleteStack(2));
  EXPECT_FALSE(calls->DeleteStack(-1));
  EXPECT_TRUE(calls->DeleteStack(1));
  EXPECT_EQ(calls->StackCount(), 1);
  EXPECT_EQ(vars.FindVariable("a1"), nullptr);
  ASSERT_NE(vars.FindVariable("a2"), nullptr);
  EXPECT_EQ(vars.FindVariable("a2")->FrameId, 1);
  EXPECT_EQ(vars.FindVariable("a0")->FrameId, 0);
  Frames(10);
  EXPECT_EQ(calls->StackCount(), 0);
  EXPECT_EQ(Int("back"), 1);
  EXPECT_EQ(vars.FindVariable("oneback"), nullptr);
  EXPECT_EQ(vars.FindVariable("a2"), nullptr);
}

}  // namespace
}  // namespace velk
