// The component commands run by the interpreter on pages the game builder makes: creation with the property order
// and defaults, parents and names, flips with carrying, cabinets, media stop, property motions and the text
// commands without message windows.
#include "script/component_exec.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "base/process_values.h"
#include "expr/param_collection.h"
#include "gfx/dibx.h"
#include "scene/base_list.h"
#include "scene/cabinet.h"
#include "scene/velk_box.h"
#include "scene/velk_prop_motion.h"
#include "script/call_host.h"
#include "script/call_man.h"
#include "script/call_scene.h"
#include "script/call_var_host.h"
#include "script/component_commands.h"
#include "support/temp_dir.h"
#include "support/tools.h"
#include "script/folder_host.h"
#include "vfs/stream.h"

namespace velk {
namespace {

namespace fs = std::filesystem;

std::string builder_path() { return test::ToolPath("velk-build"); }

using test::TFolderHost;

// Stands for the component classes: records what the commands do to it, in order.
class TRecorder : public TVelkControl {
 public:
  TRecorder(TVelkBaseList* owner, uint8_t code, std::vector<std::string>* log)
      : TVelkControl(owner), code_(code), log_(log) {}
  uint8_t ComponentType() const override { return code_; }
  bool GetProp(int32_t id, TPropValue& v) const override {
    if (id == PR_SOURCE) v.S = Source;
    if (id == PR_DELAY) v.I = Delay;
    return id == PR_SOURCE || id == PR_DELAY || TVelkControl::GetProp(id, v);
  }
  bool SetProp(int32_t id, const TPropValue& v) override {
    std::string text;
    switch (PropInfo(id).Type) {
      case TPropType::Int: text = std::to_string(v.I); break;
      case TPropType::Str: text = v.S; break;
      case TPropType::Bool: text = v.B ? "T" : "F"; break;
      case TPropType::Float: text = std::to_string(static_cast<double>(v.F)); break;
    }
    log_->push_back(std::to_string(id) + "=" + text);
    if (id == PR_DELAY) Delay = v.I;
    if (id == PR_SOURCE) Source = v.S;
    return TVelkControl::SetProp(id, v);
  }
  void SetParent(TVelkControl* parent) override {
    log_->push_back("parent=" + (parent ? parent->Name() : std::string("-")));
    TVelkControl::SetParent(parent);
  }
  void TakeSizeFromSource() override { log_->push_back("size"); }
  void TakeCreationExpressions(const TCreationExpressions& e) override {
    log_->push_back(std::string("exprs:") + (e.AppearX ? "x" : "") + (e.AppearY ? "y" : "") + (e.Delay ? "d" : ""));
  }
  int32_t PlayState() const override { return State; }
  void SetPlayState(int32_t state) override {
    log_->push_back("state=" + std::to_string(state));
    State = state;
    // A vanishing sound hides under an internal name and ends after its fade.
    if (state == 3) AssignName(*this, "\x01SCRAP_" + Name());
  }
  void Play() override { log_->push_back("play"); }
  bool Update() override { return State == 3 && --FadeFrames <= 0; }

  std::string Source;
  int32_t Delay = 0;
  int32_t State = 0;
  int32_t FadeFrames = 3;

 private:
  uint8_t code_;
  std::vector<std::string>* log_;
};

// The scene view whose factory makes recorders for the chosen type codes.
class TRecordingScene : public TSceneCalls {
 public:
  using TSceneCalls::TSceneCalls;
  TVelkObject* CreateComponent(uint8_t code) override {
    if (!Fakes.contains(code)) return TSceneCalls::CreateComponent(code);
    Log.push_back("create " + std::to_string(code));
    return List().Adopt(std::make_unique<TRecorder>(&List(), code, &Log));
  }
  std::set<uint8_t> Fakes;
  std::vector<std::string> Log;
};

class ComponentExec : public ::testing::Test {
 protected:
  ComponentExec() { scene.SetSize(64, 48); }

  // Builds the pages (the first is started) and starts the interpreter.
  void Run(const std::vector<std::pair<std::string, std::string>>& pages) {
    std::string project = "version 115\nstart " + ksb(pages.front().first) + "\n";
    for (const auto& [file, text] : pages) {
      test::WriteFile(dir / file, text);
      project += "page " + file + "\n";
    }
    test::WriteFile(dir / "game.vkp", project);
    const std::string log = dir / "build.log";
    const std::string command =
        "'" + builder_path() + "' '" + (dir / "game.vkp") + "' --out '" + (dir / "out") + "' > '" + log + "' 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << test::ReadFile(log);
    host.Root = dir / "out/";
    TCallManServices s;
    s.Vars = &vars;
    s.Process = &process;
    s.Host = &host;
    s.Scene = &scene_calls;
    calls = std::make_unique<TCallMan>(s);
    var_host.SetCalls(calls.get());
    calls->Start(ksb(pages.front().first));
  }
  static std::string ksb(const std::string& file) { return file.substr(0, file.size() - 3) + "ksb"; }

  // Frames of 15 ms, each with the scene's update step after the interpreter.
  void Frames(int32_t n) {
    for (int32_t i = 0; i < n; ++i) {
      process.FrameDelta = 15;
      process.GameClock += 15;
      scene.ProcessInput(15);
      calls->RunFrame();
      scene.UpdateAll();
    }
  }

  TVelkBox* Box(const std::string& name, TVelkControl* parent) {
    auto* box = scene.New<TVelkBox>();
    box->SetName(name);
    box->SetParent(parent);
    return box;
  }
  TVelkControl* Control(const std::string& name) {
    TVelkObject* o = scene.FindObject(name);
    return o ? o->AsControl() : nullptr;
  }
  // The names of a control's children, in child order.
  std::vector<std::string> Children(const TVelkControl* c) {
    std::vector<std::string> names;
    for (const TVelkControl* child : c->Children()) names.push_back(child->Name());
    std::sort(names.begin(), names.end());
    return names;
  }
  int32_t Int(const std::string& name) {
    TParamCollectionItem* item = vars.FindVariable(name);
    return item && item->Value() ? item->Value()->GetInt() : INT32_MIN;
  }

  test::TempDir dir;
  TVelkBaseList scene;
  TRecordingScene scene_calls{scene};
  TCallVarHost var_host{scene};
  TParamCollection vars{&var_host};
  TProcessValues process;
  TFolderHost host;
  std::unique_ptr<TCallMan> calls;
};

using TStrings = std::vector<std::string>;

// Every property in the order a creation command applies them.
const int32_t kOrder[] = {0,   1,   2,   7,   132, 100, 5,   6,   3,   4,   8,   157, 9,   10,  11,  12,  13,  14,  159,
                          160, 15,  16,  17,  18,  19,  20,  21,  22,  23,  24,  153, 154, 155, 156, 25,  26,  27,  28,
                          29,  162, 30,  31,  32,  33,  34,  35,  36,  37,  38,  39,  40,  41,  42,  43,  44,  45,  46,
                          47,  48,  49,  50,  51,  52,  53,  54,  55,  56,  57,  58,  59,  60,  61,  62,  63,  64,  65,
                          66,  67,  68,  69,  70,  71,  72,  73,  74,  75,  76,  77,  78,  79,  161, 80,  81,  82,  83,
                          84,  85,  86,  87,  88,  89,  90,  91,  92,  93,  94,  95,  96,  97,  98,  99,  101, 102, 103,
                          104, 105, 106, 107, 108, 109, 110, 111, 112, 113, 114, 115, 116, 117, 118, 119, 120, 121, 122,
                          123, 124, 125, 126, 127, 128, 129, 130, 131, 133, 134, 135, 136, 137, 138, 139, 140, 141, 142,
                          143, 144, 145, 146, 147, 148, 149, 150, 151, 152, 158, 163, 164};

std::string lower_name(int32_t id) {
  std::string name = PropInfo(id).Name + 3;
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return name;
}

TEST_F(ComponentExec, AppliesEveryStoredPropertyInTheFixedOrderWithTheCreationDefaults) {
  ASSERT_EQ(std::size(kOrder), size_t{kPropCount});
  ASSERT_EQ(std::set<int32_t>(std::begin(kOrder), std::end(kOrder)).size(), size_t{kPropCount});
  scene_calls.Fakes = {VT_BOX};
  // Every property named without a value: each takes its default when the command runs.
  std::string all = "boxnew ";
  for (int32_t id = 0; id < kPropCount; ++id) all += (id ? "; " : "") + lower_name(id) + ":";
  Run({{"main.vks", all + "\nboxnew name: \"b\"; left: 3 + 4; alpha: 9; visible: 0; appearx: 5; plusx: 2\n"}});
  Frames(1);

  TStrings expected = {"create 2"};
  const std::set<int32_t> skipped = {PR_NAME,    PR_CARETX,    PR_CARETY, PR_APPEARX, PR_APPEARY,
                                     PR_PLAYING, PR_COMPOTYPE, PR_PLUSX,  PR_PLUSY,   PR_CARETHEIGHT};
  const std::map<int32_t, std::string> defaults = {{7, "256"}, {82, "256"}, {132, "256"}, {8, "-1"},    {10, "-1"},
                                                   {24, "-1"}, {11, "255"}, {16, "16"},   {28, "1000"}, {108, "100"},
                                                   {48, "1"},  {49, "1"},   {107, "1"},   {127, "1"},   {128, "1"},
                                                   {130, "1"}, {131, "1"},  {47, "T"},    {150, "T"}};
  for (const int32_t id : kOrder) {
    if (skipped.contains(id)) continue;
    if (id == PR_PARENT) {
      expected.push_back("parent=" + scene.ActiveBaseObject()->Name());
      continue;
    }
    if (id == PR_LEFT) expected.push_back("size");
    std::string value;
    if (defaults.contains(id)) {
      value = defaults.at(id);
    } else if (PropInfo(id).Type == TPropType::Int) {
      value = "0";
    } else if (PropInfo(id).Type == TPropType::Bool) {
      value = "F";
    } else if (PropInfo(id).Type == TPropType::Float) {
      value = "0.000000";
    }
    expected.push_back(std::to_string(id) + "=" + value);
  }
  // The second command of the page carries the same slots; only the ones it names yield values.
  TStrings log = scene_calls.Log;
  ASSERT_GE(log.size(), expected.size());
  EXPECT_EQ(TStrings(log.begin(), log.begin() + static_cast<ptrdiff_t>(expected.size())), expected);
  const TStrings second(log.begin() + static_cast<ptrdiff_t>(expected.size()), log.end());
  auto has = [&](const std::string& entry) { return std::find(second.begin(), second.end(), entry) != second.end(); };
  EXPECT_EQ(second.front(), "create 2");
  EXPECT_TRUE(has("0=b"));
  EXPECT_TRUE(has("3=7"));
  EXPECT_TRUE(has("11=9"));
  EXPECT_TRUE(has("47=F"));
  EXPECT_FALSE(has("92=5"));
  EXPECT_FALSE(has("159=2"));
  EXPECT_NE(scene.FindObject("b"), nullptr);
}

TEST_F(ComponentExec, EachClassTakesItsOwnStep) {
  scene_calls.Fakes = {VT_IMAGES, VT_PARTICLE, VT_VIDEO, VT_SOUND, VT_MENU};
  Run({{"main.vks", "imgnew name: \"i\"; delay: 40\n"
                    "particlenew name: \"p\"; appearx: 1; appeary: 2; delay: 3\n"
                    "movie name: \"v\"; delay: 300\n"
                    "sound name: \"s\"\n"
                    "menu name: \"m\"\n"
                    "editnew name: \"f\"\n"
                    "calc done = 1\n"}});
  vars.NewVariable("done", PT_INT, 1);
  Frames(1);
  const std::string base = "parent=\x01"
                           "BASE0";
  EXPECT_EQ(scene_calls.Log, (TStrings{"create 8",  "exprs:d",   base,  "0=i",     "26=40",    //
                                       "create 14", "exprs:xyd", base,  "0=p",     "26=3",     //
                                       "create 16", base,        "0=v", "26=300",  "state=1",  //
                                       "create 17", base,        "0=s", "state=0",             //
                                       "create 12", base,        "0=m", "state=1"}));
  auto* menu = dynamic_cast<TComMenu*>(calls->CurrentPage()->Commands.Item(4));
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->CreatedMenu, "m");
  // A class without a fake is made by the scene itself.
  EXPECT_NE(scene.FindObject("f"), nullptr);
  EXPECT_EQ(Int("done"), 1);
}

TEST_F(ComponentExec, ParentDefaultsToTheActiveBaseAndEmptyNamesKeepTheAutomaticOne) {
  Run({{"main.vks", "boxnew name: \"a\"\nboxnew name: \"\"\njump page: p.ksb; target: 0\n"},
       {"p.vks", "boxnew name: \"p\"; parent: \"nobody\"\nboxnew name: \"c\"; parent: \"p\"\n"
                 "boxnew name: \"d\"; parent: \"\"\n"}});
  scene.Flip(1, 0, 0, true, 0, 0);
  Frames(1);
  TVelkBase* active = scene.ActiveBaseObject();
  ASSERT_NE(Control("a"), nullptr);
  EXPECT_EQ(Control("a")->Parent(), active);
  // The unnamed box keeps the name it was registered with.
  ASSERT_NE(Control("object0"), nullptr);
  EXPECT_EQ(Control("object0")->Parent(), active);
  EXPECT_EQ(Control("object0")->ComponentType(), VT_BOX);
  ASSERT_NE(Control("p"), nullptr);
  ASSERT_NE(Control("c"), nullptr);
  ASSERT_NE(Control("d"), nullptr);
  EXPECT_EQ(Control("p")->Parent(), active);
  EXPECT_EQ(Control("c")->Parent(), Control("p"));
  EXPECT_EQ(Control("d")->Parent(), active);
}

TEST_F(ComponentExec, FlipWithoutTimeSwitchesAtOnceAndCarriesTheUnlistedOnes) {
  Run({{"main.vks", "flip time: 0; carry: 0; names: \"stay\"\ncalc done = 1\n"}});
  vars.NewVariable("done", PT_INT, 1);
  Box("go", scene.ActiveBaseObject());
  Box("stay", scene.ActiveBaseObject());
  Box("back", scene.InactiveBaseObject());
  Frames(1);
  EXPECT_EQ(scene.ActiveBase, 1);
  EXPECT_EQ(Children(scene.BaseAt(1)), (TStrings{"back", "go"}));
  EXPECT_EQ(Children(scene.BaseAt(0)), (TStrings{"stay"}));
  EXPECT_EQ(scene.FindObject("\x01\x01"), nullptr);
  // It did not yield: the next command ran in the same frame.
  EXPECT_EQ(Int("done"), 1);
}

TEST_F(ComponentExec, FlipCarriesExactlyTheNamesOnTheLinesOfItsExpressions) {
  Run({{"main.vks", "flip time: 0; carry: 1; names: \"a\\nb\"; names: \"x\"\n"}});
  for (const char* name : {"a", "b", "c", "ab", "x"}) Box(name, scene.ActiveBaseObject());
  Frames(1);
  EXPECT_EQ(Children(scene.ActiveBaseObject()), (TStrings{"a", "b", "x"}));
  EXPECT_EQ(Children(scene.InactiveBaseObject()), (TStrings{"ab", "c"}));
}

TEST_F(ComponentExec, FlipWithTimeShowsASnapshotUntilItEndsAndClearsTheOldBase) {
  Run({{"main.vks", "flip type: 5; time: 300; carry: 0; names: \"old\\ncab\"; clear: 1\ncalc done = 1\n"}});
  vars.NewVariable("done", PT_INT, 1);
  TVelkBox* red = Box("red", scene.ActiveBaseObject());
  red->SetBounds(0, 0, 64, 48);
  red->SetColor(0x0000FF);
  Box("old", scene.ActiveBaseObject());
  auto* cabinet = scene.CreateComponent(VT_CABINET)->AsControl();
  cabinet->SetName("cab");
  cabinet->SetParent(scene.ActiveBaseObject());
  Frames(1);
  // The flip has begun: the screen's picture covers the active base while the carried box waits on the other.
  EXPECT_EQ(scene.ActiveBase, 0);
  EXPECT_EQ(scene.TransitionType, 5);
  TVelkControl* snapshot = Control("\x01\x01");
  ASSERT_NE(snapshot, nullptr);
  EXPECT_EQ(snapshot->Parent(), scene.ActiveBaseObject());
  EXPECT_EQ(snapshot->Width, 64);
  ASSERT_NE(snapshot->ImageSurface(), nullptr);
  TCustomDIBX* picture = snapshot->ImageSurface();
  EXPECT_EQ(picture->GetPixel(10, 10), static_cast<uint32_t>(picture->ColorToPixel(0x0000FF)));
  EXPECT_EQ(red->Parent(), scene.InactiveBaseObject());
  // The screen still shows the red box, through the snapshot.
  scene.DrawAll();
  TDIBX* screen = scene.PresentationSurface();
  EXPECT_EQ(screen->GetPixel(30, 20), static_cast<uint32_t>(screen->ColorToPixel(0x0000FF)));
  EXPECT_EQ(Int("done"), 0);
  // The clock starts in the next frame; the transition runs until 300 ms (20 frames of 15 ms) have passed.
  Frames(20);
  EXPECT_EQ(scene.ActiveBase, 0);
  EXPECT_TRUE(scene.TransitionRunning());
  Frames(1);
  EXPECT_FALSE(scene.TransitionRunning());
  EXPECT_EQ(scene.ActiveBase, 1);
  EXPECT_EQ(scene.FindObject("\x01\x01"), nullptr);
  EXPECT_EQ(red->Parent(), scene.ActiveBaseObject());
  // The old base lost what was left on it, except the cabinet.
  EXPECT_EQ(scene.FindObject("old"), nullptr);
  EXPECT_EQ(Children(scene.InactiveBaseObject()), (TStrings{"cab"}));
  EXPECT_EQ(Int("done"), 1);
}

TEST_F(ComponentExec, FinishEndsARunningFlipAtOnce) {
  Run({{"main.vks", "flip type: 3; time: 300; carry: 1; names: \"a\"; clear: 1\n"}});
  Box("a", scene.ActiveBaseObject());
  Box("b", scene.ActiveBaseObject());
  Frames(1);
  ASSERT_NE(scene.FindObject("\x01\x01"), nullptr);
  calls->CurrentPage()->Commands.Item(0)->Finish();
  EXPECT_EQ(scene.ActiveBase, 1);
  EXPECT_EQ(scene.FindObject("\x01\x01"), nullptr);
  EXPECT_EQ(Children(scene.ActiveBaseObject()), (TStrings{"a"}));
  EXPECT_EQ(scene.FindObject("b"), nullptr);
}

TEST_F(ComponentExec, FlipTypesOutsideTheTableMeanNone) {
  Run({{"main.vks", "flip type: -1; time: 30\nflip type: 39; time: 30\nflip type: 38; time: 30\n"}});
  const uint8_t expected[] = {0, 0, 38};
  // Each flip waits a frame and starts its clock the next; without a transition it ends in the third, where the
  // next one begins, and a transition of 30 ms ends once 30 ms have passed, in the fourth.
  Frames(1);
  for (const uint8_t type : expected) {
    EXPECT_EQ(scene.TransitionType, type);
    Frames(type == 0 ? 2 : 3);
  }
  EXPECT_EQ(scene.TransitionType, 0);
  EXPECT_EQ(scene.ActiveBase, 1);
}

TEST_F(ComponentExec, FlipStateKeepsItsFlags) {
  TComFlip flip(nullptr);
  flip.NoEventsValue = true;
  flip.ClearOldValue = true;
  TMemoryStream s;
  flip.SaveState(s);
  TComFlip restored(nullptr);
  s.SetPosition(0);
  restored.RestoreState(s);
  EXPECT_TRUE(restored.NoEventsValue);
  EXPECT_TRUE(restored.ClearOldValue);
  EXPECT_TRUE(restored.BlocksEvents());
}

TEST_F(ComponentExec, CabinetsTakeAndGiveBackTheSelectedChildrenOfTheInactiveBase) {
  Run({{"main.vks", "cabinetsave name: \"cab\"; continue: false\n"
                    "cabinetload name: \"cab\"; mode: 1; names: \"a\"; names: \"b\"; continue: false\n"
                    "cabinetload name: \"cab\"; continue: false\n"
                    "cabinetsave name: \"none\"; mode: 1; names: \"zz\"; continue: false\n"}});
  for (const char* name : {"a", "b", "c"}) Box(name, scene.InactiveBaseObject());
  Box("shown", scene.ActiveBaseObject());
  Frames(1);
  TVelkControl* cab = Control("cab");
  ASSERT_NE(cab, nullptr);
  EXPECT_EQ(cab->ComponentType(), VT_CABINET);
  EXPECT_EQ(cab->Parent(), scene.BaseAt(0));
  EXPECT_EQ(Children(cab), (TStrings{"a", "b", "c"}));
  EXPECT_TRUE(Control("a")->InCabinet());
  EXPECT_EQ(Children(scene.InactiveBaseObject()), TStrings{});
  Frames(1);
  EXPECT_EQ(Children(cab), (TStrings{"c"}));
  EXPECT_EQ(Children(scene.InactiveBaseObject()), (TStrings{"a", "b"}));
  Frames(1);
  // Emptied: the cabinet is gone.
  EXPECT_EQ(scene.FindObject("cab"), nullptr);
  EXPECT_EQ(Children(scene.InactiveBaseObject()), (TStrings{"a", "b", "c"}));
  Frames(1);
  EXPECT_EQ(scene.FindObject("none"), nullptr);
  EXPECT_EQ(Children(scene.InactiveBaseObject()), (TStrings{"a", "b", "c"}));
  EXPECT_EQ(Children(scene.ActiveBaseObject()), (TStrings{"shown"}));
}

TEST_F(ComponentExec, StopDeletesAtOnceOrWaitsForTheFadedSoundToGo) {
  scene.Services.Exists = [](const std::string& name) { return name == "bgm.ogg"; };
  Run({{"main.vks", "moviestop \"s1\"\n"
                    "moviestop object: \"lost\"; fade: 500; wait: 1\n"
                    "moviestop object: \"s2\"; fade: 500; wait: 1\n"
                    "calc done = 1\n"}});
  vars.NewVariable("done", PT_INT, 1);
  auto sound = [&](const std::string& name, const std::string& source) {
    auto* s = new TRecorder(&scene, VT_SOUND, &scene_calls.Log);
    scene.Adopt(std::unique_ptr<TVelkObject>(s));
    s->SetName(name);
    s->Source = source;
    return s->Handle();
  };
  const TObjectHandle s1 = sound("s1", "bgm.ogg");
  sound("lost", "gone.ogg");
  const TObjectHandle s2 = sound("s2", "bgm.ogg");
  Frames(1);
  EXPECT_EQ(scene.Resolve(s1), nullptr);
  EXPECT_EQ(scene_calls.Log, (TStrings{"state=2", "26=500", "state=3"}));
  EXPECT_NE(scene.FindObject("lost"), nullptr);
  // s2 fades for three updates; the command waits until it has deleted itself.
  EXPECT_NE(scene.Resolve(s2), nullptr);
  EXPECT_EQ(Int("done"), 0);
  Frames(2);
  EXPECT_EQ(scene.Resolve(s2), nullptr);
  EXPECT_EQ(Int("done"), 0);
  Frames(1);
  EXPECT_EQ(Int("done"), 1);
}

TEST_F(ComponentExec, PropertyMotionNeedsAPropertyAndTakesTheRestFromItsExpressions) {
  Run({{"main.vks", "propmotion name: \"m\"; object: \"a\"\n"},
       {"ok.vks", "propmotion name: \"m\"; object: \"a\"; "
                  "property: 11; value: 2.5; duration: 900; "
                  "curve: 2; paused: 1\n"
                  "propmotion property: 400\n"}});
  Frames(2);
  // The missing property raised: the command runs again, nothing was made.
  EXPECT_EQ(calls->CurrentIndex(), 0);
  EXPECT_EQ(scene.FindObject("m"), nullptr);

  calls->Start("ok.ksb");
  Frames(1);
  auto* m = dynamic_cast<TVelkPropMotion*>(scene.FindObject("m"));
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->Target, "a");
  EXPECT_EQ(m->PropId, PR_ALPHA);
  EXPECT_DOUBLE_EQ(static_cast<double>(m->EndValue), 2.5);
  EXPECT_EQ(m->Duration, 900);
  EXPECT_EQ(m->Easing, TVelkPropMotion::kSlowEnd);
  EXPECT_TRUE(m->PausedFlag);
  std::vector<std::string> motions;
  EXPECT_EQ(scene.ListNames(motions, VT_PROPMOTION, &scene), 1);
}

TEST_F(ComponentExec, MediaMenuAndTextCommandsReachTheirObjects) {
  scene_calls.Fakes = {VT_SOUND, VT_MENU};
  host.TraceOn = true;
  Run({{"main.vks", "sound name: \"s\"\nmenu name: \"m\"\nmediaplay \"s\"\nmenuclose \"m\"\nmediaplay \"\"\n"
                    "textclr \"w\"\ntextins window: \"w\"; wait: 1\ncalc done = 1\n"}});
  vars.NewVariable("done", PT_INT, 1);
  Frames(1);
  const TStrings& log = scene_calls.Log;
  EXPECT_EQ(TStrings(log.end() - 2, log.end()), (TStrings{"play", "state=3"}));
  // Text commands that name no message window do nothing, and the script goes on.
  EXPECT_EQ(Int("done"), 1);
}

}  // namespace
}  // namespace velk
