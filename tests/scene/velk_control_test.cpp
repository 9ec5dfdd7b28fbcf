#include "scene/velk_control.h"

#include <gtest/gtest.h>

#include "gfx/dibx.h"
#include "scene/base_list.h"
#include "scene/velk_box.h"
#include "scene_test_support.h"

namespace velk {
namespace {

using test::Prop;
using test::Set;

// A control with the picture-side geometry: zoom, mirroring, scroll and an image surface.
class TZoomed : public TVelkControl {
 public:
  explicit TZoomed(TVelkBaseList* owner) : TVelkControl(owner) {}
  int32_t ZoomX() const override { return zoom_x; }
  int32_t ZoomY() const override { return zoom_y; }
  bool FlipH() const override { return flip_h; }
  int32_t ScrollX() const override { return scroll_x; }
  TCustomDIBX* ImageSurface() const override { return image.IsEmpty() ? nullptr : const_cast<TDIBX*>(&image); }
  int32_t zoom_x = 256, zoom_y = 256, scroll_x = 0;
  bool flip_h = false;
  TDIBX image;
};

TVelkBox* NewBox(TVelkBaseList& scene, const std::string& name, TVelkControl* parent, TRect r) {
  auto* box = scene.New<TVelkBox>();
  box->SetName(name);
  box->SetParent(parent);
  box->SetBounds(r.Left, r.Top, r.Width(), r.Height());
  return box;
}

TEST(VelkControl, AutomaticNamesTakeTheSmallestFreeNumber) {
  TVelkBaseList scene;
  auto* a = scene.New<TVelkBox>();
  auto* b = scene.New<TVelkBox>();
  auto* c = scene.New<TVelkBox>();
  EXPECT_EQ(a->Name(), "object0");
  EXPECT_EQ(b->Name(), "object1");
  EXPECT_EQ(c->Name(), "object2");
  scene.DestroyObject(b);
  EXPECT_EQ(scene.New<TVelkBox>()->Name(), "object1");
  EXPECT_EQ(scene.UniqueName("pic"), "pic0");
}

TEST(VelkControl, RenameConflictsMoveTheOtherControlAside) {
  TVelkBaseList scene;
  auto* base = scene.ActiveBaseObject();
  auto* other = NewBox(scene, "pic_5", base, {});
  NewBox(scene, "pic_6", base, {});
  auto* me = NewBox(scene, "me", base, {});
  Set(*me, PR_NAME, "pic_5");
  EXPECT_EQ(me->Name(), "pic_5");
  EXPECT_EQ(other->Name(), "pic_7");

  auto* btn = NewBox(scene, "btn", base, {});
  Set(*me, PR_NAME, "btn");
  EXPECT_EQ(btn->Name(), "btn_2");

  auto* a1 = NewBox(scene, "a_1", base, {});
  Set(*me, PR_NAME, "a_1");
  EXPECT_EQ(a1->Name(), "a_1_2");
  // A trailing number that is not above 1, or not a number, is part of the name.
  auto* x = NewBox(scene, "x_y", base, {});
  Set(*me, PR_NAME, "x_y");
  EXPECT_EQ(x->Name(), "x_y_2");
  EXPECT_EQ(scene.FindObject("x_y"), me);
  // Byte-wise, case-sensitive comparison: no conflict.
  Set(*me, PR_NAME, "BTN");
  EXPECT_EQ(btn->Name(), "btn_2");
  EXPECT_EQ(scene.ObjectCount(), 6);
}

TEST(VelkControl, RenameOfAComponentDeletesTheOtherAtTheEndOfTheFrame) {
  TVelkBaseList scene;
  auto* sound = scene.New<test::TCountingComponent>();
  sound->SetName("bgm");
  auto* timer = scene.New<test::TCountingComponent>();
  timer->SetName("tick");
  const TObjectHandle h = sound->Handle();
  Set(*timer, PR_NAME, "bgm");
  EXPECT_EQ(timer->Name(), "bgm");
  EXPECT_EQ(sound->Name(), "");
  EXPECT_TRUE(sound->IsPendingDelete());
  EXPECT_EQ(scene.FindObject("bgm"), timer);
  EXPECT_NE(scene.Resolve(h), nullptr);
  scene.UpdateAll();
  EXPECT_EQ(scene.Resolve(h), nullptr);
  EXPECT_EQ(scene.ObjectCount(), 1);
}

TEST(VelkControl, RenamesNeverTouchBasesOrInternalObjects) {
  TVelkBaseList scene;
  auto* flip = NewBox(scene, "\x01\x01", scene.ActiveBaseObject(), {});
  auto* timer = scene.New<test::TCountingComponent>();
  auto* box = NewBox(scene, "b", scene.ActiveBaseObject(), {});
  Set(*timer, PR_NAME, "\x01\x01");
  Set(*box, PR_NAME, "\x01\x01");
  EXPECT_EQ(flip->Name(), "\x01\x01");
  EXPECT_FALSE(flip->IsPendingDelete());
  EXPECT_EQ(box->Name(), "b");
  // A control named like a base does not make the base move aside, and lookups still find the bases.
  Set(*box, PR_NAME,
      "\x01"
      "BASE0");
  EXPECT_EQ(scene.BaseAt(0)->Name(), "\x01"
                                     "BASE0");
  EXPECT_EQ(scene.FindObject("\x01"
                             "BASE0"),
            scene.BaseAt(0));
  EXPECT_EQ(scene.FindParent("\x01"
                             "BASE1"),
            scene.BaseAt(1));
  scene.DestroyObject(scene.BaseAt(0));
  scene.ScheduleDelete(scene.BaseAt(1));
  scene.UpdateAll();
  EXPECT_TRUE(scene.IsRegistered(scene.BaseAt(0)));
  EXPECT_TRUE(scene.IsRegistered(scene.BaseAt(1)));
}

TEST(VelkControl, ScreenPositionFollowsAnchorParentsAndOffsets) {
  TVelkBaseList scene;
  scene.SetSize(200, 100);
  auto* parent = NewBox(scene, "p", scene.ActiveBaseObject(), {10, 20, 110, 80});
  auto* child = NewBox(scene, "c", parent, {5, 6, 25, 36});
  child->OffsetX = 3;
  child->OffsetY = 4;
  child->PlusX = 100;
  child->PlusY = -1;
  EXPECT_EQ(child->ScreenLeft(), 10 + 5 - 3 + 100);
  EXPECT_EQ(child->ScreenTop(), 20 + 6 - 4 - 1);
  EXPECT_EQ(child->LocalLeft(), 5 - 3 + 100);
  EXPECT_EQ(child->ScreenOrigin(), (TPoint{10 + 5 + 100, 20 + 6 - 1}));
  EXPECT_EQ(child->ScreenRect(), Bounds(112, 21, 20, 30));
  EXPECT_EQ(child->ScreenToClient({112, 21}), (TPoint{0, 0}));
  // The clip window is relative to the screen position and absent below 1 pixel.
  child->ClipLeft = 2;
  child->ClipWidth = 5;
  EXPECT_TRUE(child->ClipScreenRect().IsEmpty());
  child->ClipHeight = 7;
  EXPECT_EQ(child->ClipScreenRect(), Bounds(114, 21, 5, 7));
}

TEST(VelkControl, ZoomFlipAndScrollOfTheGeometry) {
  TVelkBaseList scene;
  scene.SetSize(200, 100);
  auto* parent = scene.New<TZoomed>();
  parent->SetParent(scene.ActiveBaseObject());
  parent->SetBounds(10, 0, 100, 50);
  parent->scroll_x = 7;
  auto* c = scene.New<TZoomed>();
  c->SetParent(parent);
  c->SetBounds(40, 0, 20, 10);
  c->OffsetX = 8;
  c->zoom_x = 128;
  // Anchor scaled by the zoom; the parent's scroll moves the child.
  EXPECT_EQ(c->ScreenLeft(), 40 + 10 - 7 - 4);
  c->PosZoomed = true;
  EXPECT_EQ(c->ScreenLeft(), 20 + 10 - 7 - 4);
  c->PosZoomed = false;
  c->flip_h = true;
  EXPECT_EQ(c->ScreenLeft(), 40 + 10 - 7 - (20 - 4 - 1));
  c->zoom_x = 256;
  EXPECT_EQ(c->ScreenLeft(), 40 + 10 - 7 - (20 - 8 - 1));
  // Truncation towards zero of the scaled anchor.
  c->flip_h = false;
  c->zoom_x = 100;
  c->OffsetX = -3;
  EXPECT_EQ(c->LocalLeft(), 40 - (100 * -3 / 256));

  // A zoomed child of a zoomed picture follows the picture's scale: image 200 wide shown 100 wide.
  parent->image.SetSize(200, 10, 32);
  c->image.SetSize(20, 10, 32);
  c->zoom_x = 256;
  c->OffsetX = 0;
  c->PosZoomed = true;
  c->Left = 41;
  EXPECT_EQ(c->ScreenLeft(), 21 + 10 - 7);  // 41 / 2 = 20.5 rounds up
  c->Left = 40;
  c->flip_h = true;
  EXPECT_EQ(c->ScreenLeft(), (200 - 40 - 20) / 2 + 10 - 7);
  // A parent without a width has no scale: the plain rule applies instead of a division by zero.
  parent->Width = 0;
  c->flip_h = false;
  EXPECT_EQ(c->ScreenLeft(), 40 + 10 - 7);
  parent->Width = -5;
  EXPECT_EQ(c->ScreenLeft(), 40 + 10 - 7);
}

TEST(VelkControl, ParentChangesAreRefusedInsideItselfAndChildrenSort) {
  TVelkBaseList scene;
  auto* base = scene.ActiveBaseObject();
  auto* a = NewBox(scene, "a", base, {});
  auto* b = NewBox(scene, "b", a, {});
  auto* c = NewBox(scene, "c", b, {});
  a->SetParent(c);
  a->SetParent(a);
  EXPECT_EQ(a->Parent(), base);
  EXPECT_EQ(c->Parent(), b);
  EXPECT_TRUE(a->Contains(c));
  EXPECT_FALSE(c->Contains(a));

  auto* z = NewBox(scene, "z", base, {});
  auto* y = NewBox(scene, "y", base, {});
  auto* hidden = NewBox(scene, "\x01hid", base, {});
  auto* last = NewBox(scene, "\x01\x01", base, {});
  const auto names = [&] {
    std::string s;
    for (auto* ch : base->Children()) s += (IsInternalName(ch->Name()) ? "#" + ch->Name().substr(1) : ch->Name()) + " ";
    return s;
  };
  EXPECT_EQ(names(), "#hid a y z #\x01 ");
  z->SetPriority(-1);
  EXPECT_EQ(names(), "#hid z a y #\x01 ");
  y->SetMotionPriority(-2);
  EXPECT_EQ(names(), "#hid y z a #\x01 ");
  y->SetPriority(-2);  // setting the priority resets the motion priority
  EXPECT_EQ(y->MotionPriority(), 0);
  hidden->SetPriority(100);
  last->SetPriority(-100);
  EXPECT_EQ(names(), "#hid y z a #\x01 ");
  EXPECT_EQ(base->ChildAt(5), nullptr);
  EXPECT_EQ(base->ChildAt(-1), nullptr);
}

TEST(VelkControl, HitTestTakesTheTopmostControlThatAcceptsTheInput) {
  TVelkBaseList scene;
  scene.SetSize(100, 100);
  auto* base = scene.ActiveBaseObject();
  auto* low = NewBox(scene, "low", base, {0, 0, 50, 50});
  auto* high = NewBox(scene, "high", base, {20, 20, 70, 70});
  high->SetPriority(1);
  auto* inner = NewBox(scene, "inner", low, {0, 0, 10, 10});
  const TMouseAllowed left = TMouseAllowed::LeftPress(), right = TMouseAllowed::RightPress(),
                      move = TMouseAllowed::Movement();
  EXPECT_EQ(base->HitTest({25, 25}, left), high);
  EXPECT_EQ(base->HitTest({5, 5}, left), inner);
  EXPECT_EQ(base->HitTest({15, 15}, left), low);
  EXPECT_EQ(base->HitTest({90, 90}, left), base);
  EXPECT_EQ(base->HitTest({100, 5}, left), nullptr);  // the right edge is outside
  // 1 lets everything pass through; 2 takes only movement; 3 movement and right; 4 movement and left.
  high->IgnoreMouse = 1;
  EXPECT_EQ(base->HitTest({25, 25}, move), low);
  high->IgnoreMouse = 2;
  EXPECT_EQ(base->HitTest({25, 25}, move), high);
  EXPECT_EQ(base->HitTest({25, 25}, left), low);
  high->IgnoreMouse = 3;
  EXPECT_EQ(base->HitTest({25, 25}, right), high);
  EXPECT_EQ(base->HitTest({25, 25}, left), low);
  high->IgnoreMouse = 4;
  EXPECT_EQ(base->HitTest({25, 25}, left), high);
  EXPECT_EQ(base->HitTest({25, 25}, right), low);
  // A control that takes nothing can still hold children that are hit; an invisible one hides its children.
  low->IgnoreMouse = 1;
  EXPECT_EQ(base->HitTest({5, 5}, left), inner);
  EXPECT_EQ(base->HitTest({15, 15}, left), base);
  low->SetVisible(false);
  EXPECT_EQ(base->HitTest({5, 5}, left), base);
  // A zero-size control is never hit.
  auto* empty = NewBox(scene, "empty", base, {60, 60, 60, 60});
  empty->SetPriority(5);
  EXPECT_EQ(base->HitTest({60, 60}, left), high);
}

TEST(VelkControl, SettersInvalidateTheOldAndTheNewArea) {
  TVelkBaseList scene;
  scene.SetSize(300, 200);
  auto* base = scene.ActiveBaseObject();
  auto* box = NewBox(scene, "b", base, {10, 10, 20, 20});
  scene.ClearDirty();
  box->SetLeft(200);
  EXPECT_EQ(base->DirtyRects.Rects(), (std::vector<TRect>{Bounds(10, 10, 10, 10), Bounds(200, 10, 10, 10)}));
  scene.ClearDirty();
  box->SetLeft(200);  // unchanged: nothing to redraw
  EXPECT_EQ(base->DirtyRects.Count(), 0);
  box->MotionX = 9;
  box->SetLeft(200);
  EXPECT_EQ(box->MotionX, 0);
  // A child is cut at its parent's rectangle and at its clip window.
  auto* child = NewBox(scene, "c", box, {5, 5, 40, 40});
  scene.ClearDirty();
  child->SetColor(123);
  EXPECT_EQ(base->DirtyRects.Rects(), (std::vector<TRect>{Bounds(205, 15, 5, 5)}));
  scene.ClearDirty();
  child->ClipWidth = child->ClipHeight = 2;
  child->SetColor(5);
  EXPECT_EQ(base->DirtyRects.Rects(), (std::vector<TRect>{Bounds(205, 15, 2, 2)}));
  // Invisible controls, controls off any base and areas outside the base add nothing.
  scene.ClearDirty();
  box->SetVisible(false);
  EXPECT_EQ(base->DirtyRects.Count(), 1);
  scene.ClearDirty();
  auto* loose = scene.New<TVelkBox>();
  loose->SetBounds(0, 0, 10, 10);
  loose->SetColor(1);
  auto* outside = NewBox(scene, "o", base, {400, 0, 10, 10});
  outside->SetColor(1);
  EXPECT_EQ(base->DirtyRects.Count(), 0);
}

TEST(VelkControl, ChangedRectanglesMergeWithin20Pixels) {
  TVelkBaseList scene;
  scene.SetSize(300, 200);
  auto* base = scene.ActiveBaseObject();
  scene.ClearDirty();
  base->AddDirtyRect(Bounds(0, 0, 10, 10));
  base->AddDirtyRect(Bounds(25, 0, 10, 10));  // 15 pixels apart
  EXPECT_EQ(base->DirtyRects.Rects(), (std::vector<TRect>{Bounds(0, 0, 35, 10)}));
  base->AddDirtyRect(Bounds(60, 0, 10, 10));  // 25 pixels apart
  EXPECT_EQ(base->DirtyRects.Count(), 2);
  base->AddDirtyRect(Bounds(2, 2, 3, 3));
  EXPECT_EQ(base->DirtyRects.Count(), 2);
  // Clamped to the base; outside or empty is dropped.
  base->AddDirtyRect(TRect{290, 190, 400, 400});
  EXPECT_EQ(base->DirtyRects.Rects().back(), (TRect{290, 190, 300, 200}));
  base->AddDirtyRect(TRect{-50, -50, -10, -10});
  base->AddDirtyRect(TRect{100, 100, 100, 150});
  EXPECT_EQ(base->DirtyRects.Count(), 3);
  // Merging repeats: a rectangle bridging two entries unites all three.
  base->AddDirtyRect(Bounds(30, 0, 35, 5));
  EXPECT_EQ(base->DirtyRects.Rects(), (std::vector<TRect>{TRect{290, 190, 300, 200}, TRect{0, 0, 70, 10}}));
}

TEST(VelkControl, VisibilityAndParentChangesRechooseTheFocus) {
  TVelkBaseList scene;
  scene.SetSize(100, 100);
  auto* edit = NewBox(scene, "edit", scene.ActiveBaseObject(), {0, 0, 10, 10});
  edit->HandleKey = true;
  edit->OnFocusOut = "out";
  scene.ProcessInput(15);
  EXPECT_EQ(scene.Focus(), edit);
  edit->SetVisible(false);
  EXPECT_EQ(scene.Focus(), nullptr);
  EXPECT_TRUE(scene.FocusDirty());
  EXPECT_EQ(test::Drain(scene), (std::vector<std::string>{"149:edit()"}));
  scene.ProcessInput(15);
  EXPECT_EQ(scene.Focus(), nullptr);  // an invisible control is never chosen
  edit->SetVisible(true);
  scene.ProcessInput(15);
  EXPECT_EQ(scene.Focus(), edit);
  edit->SetParent(scene.InactiveBaseObject());
  EXPECT_EQ(scene.Focus(), nullptr);
}

}  // namespace
}  // namespace velk
