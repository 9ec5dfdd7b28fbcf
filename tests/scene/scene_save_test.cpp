#include <gtest/gtest.h>

#include "base/error.h"
#include "scene/base_list.h"
#include "scene/velk_box.h"
#include "scene_test_support.h"
#include "vfs/stream.h"
#include "vfs/stream_io.h"

namespace velk {
namespace {

using test::Drain;

using test::TBytes;

// A control record of version 103: no motion priority, tag, motion and plus offsets, clip window, key handlers;
// the mouse-in handler is there (above 101).
void Control103(TBytes& o, const std::string& name, int32_t priority, TRect bounds, int32_t color,
                const std::string& on_lbtn_down, int32_t children) {
  o.str(name).i32(priority);
  o.i32(bounds.Left).i32(bounds.Top).i32(bounds.Right).i32(bounds.Bottom).i32(0).i32(0);
  o.u8(0);  // PosZoomed
  o.u8(1);  // Visible
  o.i32(color);
  o.i32(0).i32(0).i32(1).i32(1);  // SpareRect
  o.u8(0).str("");                // IgnoreMouse, Cursor
  o.str("").str("");              // OnMouseMove, OnMouseIn
  o.str("").str(on_lbtn_down).str("").str("").str("").str("").str("");
  o.i32(children);
}

TVelkBox* NewBox(TVelkBaseList& scene, const std::string& name, TVelkControl* parent) {
  auto* box = scene.New<TVelkBox>();
  box->SetName(name);
  box->SetParent(parent);
  return box;
}

std::vector<std::string> ChildNames(const TVelkControl& c) {
  std::vector<std::string> names;
  for (const TVelkControl* ch : c.Children()) names.push_back(ch->Name());
  return names;
}

std::vector<uint8_t> Save(const TVelkBaseList& scene) {
  TMemoryStream s;
  scene.SaveToStream(s);
  return s.Bytes();
}

TEST(SceneSave, RoundTripKeepsTreeFocusAndEvents) {
  TVelkBaseList scene;
  scene.SetSize(64, 48);
  auto* panel = NewBox(scene, "panel", scene.BaseAt(0));
  panel->SetBounds(1, 2, 30, 40);
  panel->Tag = "tagged";
  panel->SetPriority(3);
  panel->SetMotionPriority(-1);
  panel->PlusX = 5;
  panel->ClipWidth = 9;
  panel->OnMouseIn = "in";
  panel->OnKeyUp = "ku";
  panel->BorderWidth = 2;
  panel->BorderColor = 0x123456;
  panel->Alpha = 300;
  panel->Source = "m.kmt";
  panel->BlurSpan = 7;
  for (const char* n : {"c3", "c1", "\x01hidden", "c2"}) NewBox(scene, n, panel);
  NewBox(scene, "gone", panel);
  scene.ScheduleDelete(scene.FindObject("gone"));
  auto* edit1 = NewBox(scene, "edit1", scene.BaseAt(1));
  edit1->HandleKey = true;
  edit1->OnFocusIn = "fi";
  scene.SetFocus(edit1);
  scene.Events.Clear();
  const std::vector<std::string> args{"1", "two"};
  scene.Events.Queue(panel->Handle(), "*handler", &args, PR_ONLBTNDOWN);
  scene.Events.Queue(TObjectHandle{}, "*orphan", nullptr, PR_ONIDLE);
  scene.Events.Item(1)->State = 2;
  scene.ActiveBase = 1;
  TMemoryStream saved(Save(scene));

  TVelkBaseList loaded;
  loaded.LoadFromStream(saved, 140);
  EXPECT_EQ(saved.Remaining(), 0);
  EXPECT_EQ(loaded.Width(), 64);
  EXPECT_EQ(loaded.ActiveBase, 1);
  auto* p = dynamic_cast<TVelkBox*>(loaded.FindObject("panel"));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->Parent(), loaded.BaseAt(0));
  EXPECT_EQ(ChildNames(*p), (std::vector<std::string>{"c1", "c2", "c3"}));
  EXPECT_EQ(p->Tag, "tagged");
  EXPECT_EQ(p->Priority(), 3);
  EXPECT_EQ(p->MotionPriority(), -1);
  EXPECT_EQ(p->ScreenRect(), Bounds(6, 2, 30, 40));
  EXPECT_EQ(p->ClipWidth, 9);
  EXPECT_EQ(p->OnMouseIn, "in");
  EXPECT_EQ(p->OnKeyUp, "ku");
  EXPECT_EQ(p->BorderColor, 0x123456);
  EXPECT_EQ(p->Alpha, 300);
  EXPECT_EQ(p->Source, "m.kmt");
  EXPECT_EQ(p->BlurSpan, 7);
  EXPECT_EQ(loaded.BaseAt(0)->Name(), "\x01"
                                      "BASE0");
  // The focus comes back without a focus event; the events keep their senders, states and arguments.
  ASSERT_NE(loaded.Focus(), nullptr);
  EXPECT_EQ(loaded.Focus()->Name(), "edit1");
  EXPECT_FALSE(loaded.FocusDirty());
  ASSERT_EQ(loaded.Events.Count(), 2);
  EXPECT_EQ(test::Describe(loaded, *loaded.Events.Item(0)), "36:panel(1,two)");
  EXPECT_EQ(loaded.Events.Item(0)->Handler, "*handler");
  EXPECT_EQ(test::Describe(loaded, *loaded.Events.Item(1)), "113:-()");
  EXPECT_EQ(loaded.Events.Item(1)->State, 2);
  // Saving again gives the same bytes.
  EXPECT_EQ(Save(loaded), saved.Bytes());
  // Loading resets what was there.
  TMemoryStream again(Save(scene));
  loaded.LoadFromStream(again, 140);
  EXPECT_EQ(loaded.ObjectCount(), 5);
}

TEST(SceneSave, ReadsHandWrittenOldVersions) {
  TBytes o;
  o.i32(32).i32(16).i32(0);
  Control103(o,
             "\x01"
             "BASE0",
             0, {0, 0, 32, 16}, 0, "", 1);
  o.u8(VT_BOX | 0x80);  // the reader masks the high bit
  Control103(o, "box", 4, {3, 4, 5, 6}, 0xFF, "*click", 0);
  o.i32(1).i32(0xFF).i32(128);  // frame width, frame colour, opacity
  Control103(o,
             "\x01"
             "BASE1",
             0, {0, 0, 32, 16}, 0, "", 0);
  o.i32(0);  // no components
  o.i32(1).str("*h").str("box").u8(PR_ONLBTNDOWN).u8(7).i32(1).str("arg");
  TMemoryStream s(o.b);
  TVelkBaseList scene;
  scene.LoadFromStream(s, 103);
  EXPECT_EQ(s.Remaining(), 0);
  auto* box = dynamic_cast<TVelkBox*>(scene.FindObject("box"));
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->ScreenRect(), Bounds(3, 4, 5, 6));
  EXPECT_EQ(box->Priority(), 4);
  EXPECT_EQ(box->OnLBtnDown, "*click");
  EXPECT_EQ(box->Color, 0xFF);
  EXPECT_EQ(box->Alpha, 128);
  EXPECT_EQ(box->BorderWidth, 1);
  EXPECT_EQ(box->Tag, "");
  // An old one-byte state becomes 1.
  ASSERT_EQ(scene.Events.Count(), 1);
  EXPECT_EQ(scene.Events.Item(0)->State, 1);
  EXPECT_EQ(test::Describe(scene, *scene.Events.Item(0)), "36:box(arg)");
}

TEST(SceneSave, RefusesDamagedData) {
  TVelkBaseList good;
  good.SetSize(16, 16);
  NewBox(good, "a", good.BaseAt(0));
  const std::vector<uint8_t> bytes = Save(good);
  // Every cut of a valid record loads or fails cleanly.
  for (size_t n = 0; n < bytes.size(); ++n) {
    TMemoryStream s(std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n)));
    TVelkBaseList scene;
    try {
      scene.LoadFromStream(s, 140);
    } catch (const EVelkError&) {
    }
  }
  const auto refuses = [](const TBytes& o, int32_t version) {
    TMemoryStream s(o.b);
    TVelkBaseList scene;
    EXPECT_THROW(scene.LoadFromStream(s, version), EFormatError);
  };
  refuses(TBytes().i32(0).i32(16).i32(0), 140);
  refuses(TBytes().i32(100000).i32(16).i32(0), 140);
  refuses(TBytes().i32(16).i32(16).i32(2), 140);
  TBytes huge;
  huge.i32(16).i32(16).i32(0);
  Control103(huge, "b", 0, {}, 0, "", 0x7FFFFFFF);
  refuses(huge, 103);
  TBytes unknown;
  unknown.i32(16).i32(16).i32(0);
  Control103(unknown, "b", 0, {}, 0, "", 1);
  unknown.u8(99);
  Control103(unknown, "x", 0, {}, 0, "", 0);
  refuses(unknown, 103);
  // A deep nest of controls is refused before the stack runs out.
  TBytes deep;
  deep.i32(16).i32(16).i32(0);
  Control103(deep, "b", 0, {}, 0, "", 1);
  for (int i = 0; i < 200; ++i) {
    deep.u8(VT_CABINET);
    Control103(deep, "n" + std::to_string(i), 0, {}, 0, "", 1);
  }
  refuses(deep, 103);
  TBytes events;
  events.i32(16).i32(16).i32(0);
  Control103(events, "b", 0, {}, 0, "", 0);
  Control103(events, "c", 0, {}, 0, "", 0);
  events.i32(0).i32(0x10000000);
  refuses(events, 103);
}

}  // namespace
}  // namespace velk
