#include "scene/base_list.h"

#include <gtest/gtest.h>

#include "platform/headless/headless_cursors.h"
#include "scene/cabinet.h"
#include "vfs/stream_io.h"
#include "scene/scene_var_host.h"
#include "scene/velk_box.h"
#include "scene_test_support.h"
#include "support/cursor_bytes.h"

namespace velk {
namespace {

using test::Drain;
using Events = std::vector<std::string>;

struct TXywh {
  int32_t X = 0, Y = 0, W = 0, H = 0;
};

TVelkBox* NewBox(TVelkBaseList& scene, const std::string& name, TVelkControl* parent, TXywh r) {
  auto* box = scene.New<TVelkBox>();
  box->SetName(name);
  box->SetParent(parent);
  box->SetBounds(r.X, r.Y, r.W, r.H);
  return box;
}

TEST(BaseList, LookupReadsTheBaseNamesDifferently) {
  TVelkBaseList scene;
  TVelkBase* b0 = scene.BaseAt(0);
  TVelkBase* b1 = scene.BaseAt(1);
  EXPECT_EQ(scene.FindObject(""), b0);
  EXPECT_EQ(scene.FindObject("\x01"), b1);
  scene.Flip(1, 0, 0, true, 0, 0);
  EXPECT_EQ(scene.FindObject("\x01"
                             "BASE0"),
            b1);
  EXPECT_EQ(scene.FindObject("\x01"
                             "BASE1"),
            b0);
  EXPECT_EQ(scene.FindParent("\x01"
                             "BASE0"),
            b0);
  EXPECT_EQ(scene.FindParent(""), b1);
  EXPECT_EQ(scene.FindParent("\x01"), b0);
  auto* timer = scene.New<test::TCountingComponent>();
  timer->SetName("t");
  EXPECT_EQ(scene.FindObject("t"), timer);
  EXPECT_EQ(scene.FindParent("t"), nullptr);  // not a control
  EXPECT_EQ(scene.FindObject("T"), nullptr);

  auto* box = NewBox(scene, "box", b1, {});
  NewBox(scene, "other", b0, {});
  std::vector<std::string> names;
  EXPECT_EQ(scene.ListNames(names, VT_BOX, b1), 1);
  EXPECT_EQ(names, (std::vector<std::string>{"box"}));
  names.clear();
  EXPECT_EQ(scene.ListNames(names, 0, &scene), 3);
  EXPECT_EQ(names, (std::vector<std::string>{"t", "box", "other"}));
  EXPECT_EQ(scene.IndexOfName("box"), 1);
  scene.ScheduleDelete(box);
  EXPECT_EQ(scene.FindObject("box"), nullptr);
  EXPECT_EQ(scene.IndexOfName("box"), -1);
}

TEST(BaseList, ClicksOnEmptyBaseStayVisibleAndClicksOnControlsAreTaken) {
  TVelkBaseList scene;
  scene.SetSize(100, 100);
  TSceneVarHost vars(scene);
  auto* button = NewBox(scene, "btn", scene.ActiveBaseObject(), {10, 10, 20, 20});
  button->OnLBtnDown = "*down";
  scene.MouseMoveTo(50, 50);
  scene.MouseButtonDown(true);
  scene.ProcessInput(15);
  EXPECT_TRUE(vars.LClick());
  EXPECT_TRUE(vars.LPush());
  scene.MouseButtonUp();
  scene.ProcessInput(15);
  EXPECT_FALSE(vars.LClick());
  Drain(scene);

  scene.MouseMoveTo(13, 17);
  scene.MouseButtonDown(true);
  scene.ProcessInput(15);
  EXPECT_FALSE(vars.LClick());
  EXPECT_FALSE(vars.LPush());  // captured by the button
  EXPECT_EQ(vars.MouseX(), 13);
  EXPECT_EQ(Drain(scene), (Events{"36:btn(3,7)"}));
  // A control that takes only movement does not take the click either.
  scene.MouseButtonUp();
  scene.ProcessInput(15);
  button->IgnoreMouse = 2;
  scene.MouseButtonDown(true);
  scene.ProcessInput(15);
  EXPECT_TRUE(vars.LClick());
}

TEST(BaseList, MouseCaptureHandsTheReleaseToThePressedControl) {
  TVelkBaseList scene;
  scene.SetSize(100, 100);
  auto* base = scene.ActiveBaseObject();
  auto* a = NewBox(scene, "a", base, {0, 0, 20, 20});
  auto* b = NewBox(scene, "b", base, {50, 50, 20, 20});
  for (TVelkBox* box : {a, b}) {
    box->OnLBtnDown = "down";
    box->OnLBtnUp = "up";
    box->OnMouseIn = "in";
    box->OnMouseOut = "out";
    box->OnMouseMove = "move";
  }
  scene.MouseMoveTo(5, 5);
  scene.ProcessInput(15);
  EXPECT_EQ(Drain(scene), (Events{"103:a()", "34:a(5,5)"}));
  scene.MouseButtonDown(true);
  scene.ProcessInput(15);
  EXPECT_EQ(Drain(scene), (Events{"36:a(5,5)"}));
  EXPECT_EQ(base->Capture, TVelkBase::kCaptureLeft);
  // Dragging over b: no hit test while captured, a receives the moves.
  scene.MouseMoveTo(55, 60);
  scene.ProcessInput(15);
  EXPECT_EQ(Drain(scene), (Events{"34:a(55,60)"}));
  scene.MouseButtonUp();
  scene.ProcessInput(15);
  EXPECT_EQ(Drain(scene), (Events{"37:a(55,60)"}));
  EXPECT_EQ(base->Capture, 0);
  // The next step routes normally again: a is left, b entered.
  scene.ProcessInput(15);
  EXPECT_EQ(Drain(scene), (Events{"35:a()", "103:b()", "34:b(5,10)"}));
  // A capturing control destroyed mid-drag ends the capture.
  scene.MouseButtonDown(true);
  scene.ProcessInput(15);
  EXPECT_EQ(Drain(scene), (Events{"36:b(5,10)"}));
  scene.DestroyObject(b);
  scene.MouseMoveTo(5, 5);
  scene.ProcessInput(15);
  EXPECT_EQ(Drain(scene), (Events{"103:a()", "34:a(5,5)"}));
}

TEST(BaseList, CursorsOfControlsAndTheDefaultCursorReachTheWindow) {
  TVelkBaseList scene;
  scene.SetSize(100, 100);
  THeadlessCursors cursors;
  const std::vector<uint8_t> hand = test::TwoByTwoCursor();
  int32_t reads = 0;
  scene.Services.Cursors = &cursors;
  scene.Services.ReadFile = [&](TStream& target, const std::string& name) {
    ++reads;
    if (name == "broken.cur") target.WriteBuffer("junk", 4);
    if (name == "hand.cur") target.WriteBuffer(hand.data(), static_cast<int32_t>(hand.size()));
    target.SetPosition(0);
    return name != "missing.cur";
  };
  std::string default_cursor;
  scene.Services.DefaultCursor = [&] { return default_cursor; };
  auto* a = NewBox(scene, "a", scene.ActiveBaseObject(), {0, 0, 50, 50});
  a->Cursor = "hand.cur";
  NewBox(scene, "b", scene.ActiveBaseObject(), {50, 0, 50, 50});

  scene.MouseMoveTo(10, 10);
  scene.ProcessInput(15);
  EXPECT_TRUE(cursors.ShowsCustom);
  EXPECT_EQ(cursors.Custom.Width, 2);
  EXPECT_EQ(cursors.Custom.HotX, 1);
  EXPECT_EQ(scene.ActiveBaseObject()->CursorFile, "hand.cur");
  // Staying over the control loads nothing again.
  scene.MouseMoveTo(12, 10);
  scene.ProcessInput(15);
  EXPECT_EQ(cursors.CustomLoads, 1);
  EXPECT_EQ(reads, 1);

  // A control without a cursor, and no default cursor: the default arrow.
  scene.MouseMoveTo(60, 10);
  scene.ProcessInput(15);
  EXPECT_FALSE(cursors.ShowsCustom);
  EXPECT_EQ(cursors.DefaultShows, 1);
  // The default cursor file ("@Cursor") covers controls without their own.
  default_cursor = "hand.cur";
  scene.ProcessInput(15);
  EXPECT_TRUE(cursors.ShowsCustom);
  EXPECT_EQ(cursors.CustomLoads, 2);

  // Files that cannot be read leave the slot empty, which shows the default arrow, and are not read every frame.
  for (const char* bad : {"broken.cur", "missing.cur"}) {
    default_cursor = bad;
    const int32_t loads = cursors.CustomLoads;
    scene.ProcessInput(15);
    scene.ProcessInput(15);
    EXPECT_EQ(cursors.CustomLoads, loads + 1) << bad;
    EXPECT_TRUE(cursors.Custom.Empty()) << bad;
    EXPECT_FALSE(cursors.ShowsCustom) << bad;
  }
}

TEST(BaseList, WheelAndRightButtonEvents) {
  TVelkBaseList scene;
  scene.SetSize(100, 100);
  TSceneVarHost vars(scene);
  auto* box = NewBox(scene, "w", scene.ActiveBaseObject(), {0, 0, 50, 50});
  box->OnWheelDown = "wd";
  box->OnWheelUp = "wu";
  box->OnRBtnDown = "rd";
  box->OnRBtnUp = "ru";
  scene.MouseMoveTo(1, 2);
  scene.ProcessInput(15);
  scene.WheelStep(true);
  scene.ProcessInput(15);
  EXPECT_TRUE(vars.WheelDown());
  scene.WheelStep(false);
  scene.ProcessInput(15);
  EXPECT_TRUE(vars.WheelUp());
  EXPECT_EQ(Drain(scene), (Events{"40:w()", "41:w()"}));
  scene.MouseButtonDown(false);
  scene.ProcessInput(15);
  EXPECT_FALSE(vars.RClick());
  scene.MouseButtonUp();
  scene.ProcessInput(15);
  EXPECT_EQ(Drain(scene), (Events{"38:w(1,2)", "39:w(1,2)"}));
}

TEST(BaseList, KeyRepeatStartsAfter300MsThenEvery50) {
  TVelkBaseList scene;
  scene.SetSize(100, 100);
  TSceneVarHost vars(scene);
  auto* edit = NewBox(scene, "edit", scene.ActiveBaseObject(), {0, 0, 10, 10});
  edit->HandleKey = true;
  edit->OnKeyDown = "kd";
  edit->OnKeyUp = "ku";
  edit->OnKeyRepeat = "kr";
  scene.ProcessInput(15);
  ASSERT_EQ(scene.Focus(), edit);
  scene.SetKey(65, true);
  scene.SetKeyPressed(65, true);
  scene.SetKey(65, true);  // the platform's own repeats change nothing
  std::vector<int> repeat_frames;
  for (int frame = 1; frame <= 31; ++frame) {
    scene.ProcessInput(15);
    if (frame == 1) {
      EXPECT_TRUE(vars.KeyClick(65));
      EXPECT_TRUE(vars.KeyRepeat(65));
    }
    if (frame == 2) {
      EXPECT_FALSE(vars.KeyClick(65));
    }
    EXPECT_TRUE(vars.KeyPush(65));
    for (const std::string& e : Drain(scene)) {
      if (e == "146:edit(65)") {
        repeat_frames.push_back(frame);
      } else {
        EXPECT_EQ(e, "144:edit(65)");
        EXPECT_EQ(frame, 1);
      }
    }
  }
  EXPECT_EQ(repeat_frames, (std::vector<int>{1, 21, 25, 28, 31}));
  scene.SetKey(65, false);
  scene.ProcessInput(15);
  EXPECT_EQ(Drain(scene), (Events{"145:edit(65)"}));
  EXPECT_FALSE(vars.KeyPush(65));
  // Codes outside 0 .. 255 are ignored.
  scene.SetKey(300, true);
  scene.SetKey(-1, true);
  EXPECT_FALSE(scene.KeyIsDown(300));
  scene.SetKey(66, true);
  scene.ClearKeys();
  scene.ProcessInput(15);
  EXPECT_TRUE(Drain(scene).empty());
}

TEST(BaseList, OnePendingEventPerSenderAndId) {
  TVelkBaseList scene;
  auto* timer = scene.New<test::TCountingComponent>();
  timer->SetName("t");
  timer->on_idle = "idle";
  scene.UpdateAll();
  scene.UpdateAll();
  ASSERT_EQ(scene.Events.Count(), 1);
  EXPECT_EQ(scene.Events.FindPending(timer->Handle(), PR_ONIDLE), 0);
  // Taken by the interpreter: still pending while it runs, so still no second record.
  TTimerData* running = scene.Events.NextWaiting();
  running->State = 1;
  scene.UpdateAll();
  EXPECT_EQ(scene.Events.Count(), 1);
  EXPECT_EQ(scene.Events.NextWaiting(), nullptr);
  scene.Events.RemoveLevel(1);
  scene.UpdateAll();
  EXPECT_EQ(Drain(scene), (Events{"113:t()"}));
  // Objects in a cabinet are frozen: no idle event and no update.
  auto* cabinet = scene.New<TVelkCabinet>();
  auto* box = NewBox(scene, "b", cabinet, {});
  box->OnIdle = "idle";
  const int updates = timer->updates;
  scene.UpdateAll();
  EXPECT_EQ(Drain(scene), (Events{"113:t()"}));
  EXPECT_EQ(timer->updates, updates + 1);
  EXPECT_TRUE(box->InCabinet());
}

TEST(BaseList, DeletionDuringUpdateSkipsNoOtherObject) {
  TVelkBaseList scene;
  auto* first = scene.New<test::TCountingComponent>();
  auto* killer = scene.New<test::TCountingComponent>();
  auto* finisher = scene.New<test::TCountingComponent>();
  auto* last = scene.New<test::TCountingComponent>();
  auto* box = NewBox(scene, "parent", scene.ActiveBaseObject(), {});
  auto* child = NewBox(scene, "child", box, {});
  auto* after = scene.New<test::TCountingComponent>();
  const TObjectHandle first_h = first->Handle(), child_h = child->Handle(), finisher_h = finisher->Handle();
  // Destroys an object before it and a control with a child (both indices shift).
  killer->on_update = [&] {
    scene.DestroyObject(first);
    scene.DestroyObject(box);
  };
  finisher->finish = true;
  scene.UpdateAll();
  EXPECT_EQ(scene.Resolve(first_h), nullptr);
  EXPECT_EQ(scene.Resolve(child_h), nullptr);
  EXPECT_EQ(scene.Resolve(finisher_h), nullptr);
  EXPECT_EQ(last->updates, 1);
  EXPECT_EQ(after->updates, 1);
  EXPECT_EQ(scene.ObjectCount(), 3);
  killer->on_update = nullptr;
  scene.UpdateAll();
  EXPECT_EQ(last->updates, 2);
  EXPECT_EQ(killer->updates, 2);
}

TEST(BaseList, QueuedEventsSurviveTheirSender) {
  TVelkBaseList scene;
  auto* a = scene.New<test::TCountingComponent>();
  a->SetName("a");
  auto* b = scene.New<test::TCountingComponent>();
  b->SetName("b");
  a->on_idle = b->on_idle = "idle";
  scene.UpdateAll();
  ASSERT_EQ(scene.Events.Count(), 2);
  scene.Events.Item(0)->State = 1;  // a's handler is running
  scene.ScheduleDelete(a);
  scene.ScheduleDelete(b);
  // Until the end of the frame both records stay; the names are already gone.
  EXPECT_EQ(scene.Events.Count(), 2);
  TMemoryStream saved;
  scene.Events.SaveToStream(saved, scene);
  saved.SetPosition(0);
  ReadInt(saved);
  ReadString(saved);
  EXPECT_EQ(ReadString(saved), "");
  scene.UpdateAll();
  // The waiting record of b went with b; the running one of a stays, without a sender.
  ASSERT_EQ(scene.Events.Count(), 1);
  EXPECT_EQ(scene.Resolve(scene.Events.Item(0)->Sender), nullptr);
  EXPECT_EQ(scene.Events.Item(0)->State, 1);
  scene.Events.RemoveRunning();
  EXPECT_EQ(scene.Events.Count(), 0);
}

TEST(BaseList, FocusMovesWithClicksAndFlips) {
  TVelkBaseList scene;
  scene.SetSize(100, 100);
  auto* e1 = NewBox(scene, "e1", scene.ActiveBaseObject(), {0, 0, 10, 10});
  auto* e2 = NewBox(scene, "e2", scene.ActiveBaseObject(), {20, 0, 10, 10});
  for (auto* e : {e1, e2}) {
    e->HandleKey = true;
    e->OnFocusIn = "fi";
    e->OnFocusOut = "fo";
  }
  scene.ProcessInput(15);
  EXPECT_EQ(scene.Focus(), e2);  // the topmost
  EXPECT_EQ(Drain(scene), (Events{"148:e2()"}));
  scene.MouseMoveTo(5, 5);
  scene.MouseButtonDown(true);
  scene.ProcessInput(15);
  EXPECT_EQ(scene.Focus(), e1);
  EXPECT_EQ(Drain(scene), (Events{"149:e2()", "148:e1()"}));
  scene.MouseButtonUp();
  TSceneVarHost vars(scene);
  EXPECT_EQ(vars.ActiveCompo(), "e1");
  vars.SetActiveCompo("e2");
  EXPECT_EQ(scene.Focus(), e2);
  // A flip to the other base drops the focus without events.
  Drain(scene);
  scene.Flip(1, 0, 0, true, 0, 0);
  EXPECT_EQ(scene.Focus(), nullptr);
  EXPECT_TRUE(Drain(scene).empty());
  // Destroying the focused control drops the focus too.
  scene.Flip(0, 0, 0, true, 0, 0);
  scene.ProcessInput(15);
  ASSERT_NE(scene.Focus(), nullptr);
  scene.DestroyObject(scene.Focus());
  EXPECT_EQ(scene.Focus(), nullptr);
  EXPECT_TRUE(scene.FocusDirty());
}

TEST(BaseList, SoundSwitchTellsItsListener) {
  TVelkBaseList scene;
  std::vector<bool> told;
  scene.OnSoundSwitch = [&](bool on) { told.push_back(on); };
  TSceneVarHost vars(scene);
  EXPECT_TRUE(vars.SoundON());
  vars.SetSoundON(false);
  vars.SetSoundON(false);
  vars.SetSoundON(true);
  EXPECT_EQ(told, (std::vector<bool>{false, true}));
}

}  // namespace
}  // namespace velk

namespace velk {
namespace {

// A menu-like control that closes on a right click and counts the cabinet hooks.
class TCloser : public TVelkControl {
 public:
  explicit TCloser(TVelkBaseList* owner) : TVelkControl(owner) { owner->AddRightClickCloser(this); }
  bool GetProp(int32_t id, TPropValue& v) const override {
    if (id != PR_RCLICKSCRAP) return TVelkControl::GetProp(id, v);
    v.B = scrap;
    return true;
  }
  bool CloseOnRightClick() override {
    SetVisible(false);
    return true;
  }
  void EnteredCabinet() override { ++entered; }
  void LeftCabinet() override { ++left; }
  bool scrap = true;
  int entered = 0, left = 0;
};

TEST(BaseList, RightClickClosesTheFirstCloserInsteadOfReachingTheScript) {
  TVelkBaseList scene;
  scene.SetSize(100, 100);
  TSceneVarHost vars(scene);
  auto* under = NewBox(scene, "under", scene.ActiveBaseObject(), {0, 0, 50, 50});
  under->OnRBtnDown = "rd";
  auto* menu = scene.New<TCloser>();
  menu->SetParent(scene.ActiveBaseObject());
  menu->SetBounds(60, 60, 10, 10);
  menu->scrap = false;
  scene.MouseMoveTo(5, 5);
  scene.MouseButtonDown(false);
  scene.ProcessInput(15);
  EXPECT_EQ(Drain(scene), (Events{"38:under(5,5)"}));
  EXPECT_TRUE(menu->Visible);
  scene.MouseButtonUp();
  scene.ProcessInput(15);
  Drain(scene);
  menu->scrap = true;
  scene.MouseButtonDown(false);
  scene.ProcessInput(15);
  EXPECT_FALSE(menu->Visible);
  EXPECT_FALSE(vars.RClick());
  EXPECT_TRUE(Drain(scene).empty());
  // Invisible closers are passed over.
  scene.MouseButtonUp();
  scene.ProcessInput(15);
  scene.MouseButtonDown(false);
  scene.ProcessInput(15);
  EXPECT_EQ(Drain(scene), (Events{"38:under(5,5)"}));
}

TEST(BaseList, CabinetsFreezeWhatIsPutInThem) {
  TVelkBaseList scene;
  scene.SetSize(100, 100);
  auto* cabinet = scene.New<TVelkCabinet>();
  cabinet->SetParent(scene.ActiveBaseObject());
  cabinet->SetVisible(true);
  EXPECT_FALSE(cabinet->Visible);
  auto* c = scene.New<TCloser>();
  c->SetParent(scene.ActiveBaseObject());
  c->SetBounds(0, 0, 10, 10);
  c->OnLBtnDown = "down";
  c->SetParent(cabinet);
  EXPECT_EQ(c->entered, 1);
  EXPECT_TRUE(c->InCabinet());
  // Inside the (invisible) cabinet it is neither hit nor able to queue events.
  scene.MouseMoveTo(5, 5);
  scene.MouseButtonDown(true);
  scene.ProcessInput(15);
  EXPECT_TRUE(Drain(scene).empty());
  c->SetParent(scene.ActiveBaseObject());
  EXPECT_EQ(c->left, 1);
  EXPECT_FALSE(c->InCabinet());
}

}  // namespace
}  // namespace velk
