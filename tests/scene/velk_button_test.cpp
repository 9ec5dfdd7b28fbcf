#include "scene/velk_button.h"

#include <gtest/gtest.h>

#include "base/sjis.h"

#include "scene/picture_test_support.h"
#include "scene/scene_test_support.h"
#include "vfs/stream.h"

namespace velk {
namespace {

using test::Drain;
using test::TPictureWorld;

constexpr uint32_t kGrey = 0x808080, kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000;

// A world with a 10 x 10 picture per state, each of its own colour; the clicked picture has two frames.
struct TButtonWorld : TPictureWorld {
  TButtonWorld() {
    Files["n.brx"] = test::MakeBrix({{.W = 10, .H = 10, .Colour = kGrey}});
    Files["h.brx"] = test::MakeBrix({{.W = 10, .H = 10, .Colour = kRed}});
    Files["p.brx"] = test::MakeBrix({{.W = 10, .H = 10, .Colour = kGreen}});
    Files["c.brx"] =
        test::MakeBrix({{.W = 10, .H = 10, .Colour = kBlue, .Time = 100}, {.W = 10, .H = 10, .Time = 100}});
  }
  TVelkButton* Button(const std::string& name, int32_t left, bool clicked_picture = false) {
    auto* b = Scene.New<TVelkButton>();
    b->SetName(name);
    b->SetParent(Base());
    test::Set(*b, PR_SOURCE, "n.brx");
    test::Set(*b, PR_HOVERSOURCE, "h.brx");
    test::Set(*b, PR_PRESSEDSOURCE, "p.brx");
    if (clicked_picture) test::Set(*b, PR_CLICKEDSOURCE, "c.brx");
    test::Set(*b, PR_ONNOTIFY, "*" + name);
    b->SetLeft(left);
    return b;
  }
  // Moves the mouse and runs a frame of 15 ms.
  void MoveTo(int32_t x, int32_t y) {
    Scene.MouseMoveTo(x, y);
    Frame(15);
  }
  void Press() {
    Scene.MouseButtonDown(true);
    Frame(15);
  }
  void Release() {
    Scene.MouseButtonUp();
    Frame(15);
  }
};

TEST(VelkButton, ClickMovesThroughTheStatesAndNotifiesOnce) {
  TButtonWorld w;
  TVelkButton* b = w.Button("ok", 0);
  EXPECT_EQ(b->Width, 10);
  w.MoveTo(5, 5);
  EXPECT_EQ(b->State, TVelkButton::kHover);
  EXPECT_EQ(b->ImageSurface()->GetPixel(0, 0), w.Native(kRed));
  w.Press();
  EXPECT_EQ(b->State, TVelkButton::kPressed);
  EXPECT_EQ(b->Pressing, 1);
  EXPECT_FALSE(w.Base()->LeftClick);  // the press is taken from the script's click test
  EXPECT_TRUE(Drain(w.Scene).empty());
  w.Release();
  EXPECT_EQ(Drain(w.Scene), std::vector<std::string>{"33:ok()"});
  EXPECT_EQ(b->Pressing, 0);
  EXPECT_EQ(b->State, TVelkButton::kNormal);
  EXPECT_EQ(w.Base()->Capture, 0);
}

TEST(VelkButton, ReleaseAfterMovingOffGivesNoClick) {
  TButtonWorld w;
  TVelkButton* b = w.Button("ok", 0);
  w.MoveTo(5, 5);
  w.Press();
  w.MoveTo(30, 30);  // captured: the button still hears the move
  EXPECT_EQ(b->State, TVelkButton::kNormal);
  w.MoveTo(6, 6);
  EXPECT_EQ(b->State, TVelkButton::kPressed);
  w.MoveTo(30, 30);
  w.Release();
  EXPECT_TRUE(Drain(w.Scene).empty());
  EXPECT_EQ(b->Pressing, 0);
  EXPECT_EQ(w.Base()->Capture, 0);
}

TEST(VelkButton, AutoScrapEndsAtOnceWithoutClickedPictureElseAfterIt) {
  TButtonWorld w;
  TVelkButton* plain = w.Button("plain", 0);
  test::Set(*plain, PR_AUTOSCRAP, "TRUE");
  w.MoveTo(5, 5);
  w.Press();
  // The click marks it; the interpreter takes the event before the same frame's update ends the button.
  w.Scene.MouseButtonUp();
  w.Scene.ProcessInput(15);
  EXPECT_EQ(Drain(w.Scene), std::vector<std::string>{"33:plain()"});
  w.Scene.UpdateAll();
  EXPECT_EQ(w.Scene.FindObject("plain"), nullptr);

  TVelkButton* anim = w.Button("anim", 20, true);
  test::Set(*anim, PR_AUTOSCRAP, "TRUE");
  w.MoveTo(25, 5);
  w.Press();
  w.Release();
  ASSERT_EQ(w.Scene.FindObject("anim"), anim);
  EXPECT_EQ(anim->State, TVelkButton::kClicked);
  EXPECT_EQ(anim->ImageSurface()->GetPixel(0, 0), w.Native(kBlue));
  w.Frames(10, 15);  // 150 ms: the second clicked frame shows
  ASSERT_EQ(w.Scene.FindObject("anim"), anim);
  w.Frames(5, 15);
  EXPECT_EQ(w.Scene.FindObject("anim"), nullptr);
}

TEST(VelkButton, ClickedPictureEndsWithPlayEndAndTheStateAskedMeanwhile) {
  TButtonWorld w;
  TVelkButton* b = w.Button("b", 0, true);
  test::Set(*b, PR_ONPLAYEND, "*end");
  w.MoveTo(5, 5);
  w.Press();
  w.Release();
  Drain(w.Scene);
  w.MoveTo(6, 6);  // hover asked while clicked: remembered
  EXPECT_EQ(b->State, TVelkButton::kClicked);
  EXPECT_EQ(b->StateAfterClick, TVelkButton::kHover);
  w.Frames(20, 15);
  EXPECT_EQ(b->State, TVelkButton::kHover);
  EXPECT_EQ(Drain(w.Scene), std::vector<std::string>{"43:b()"});
}

TEST(VelkButton, RadioGroupKeepsOneDown) {
  TButtonWorld w;
  TVelkButton* a = w.Button("a", 0);
  TVelkButton* b = w.Button("b", 20);
  TVelkButton* c = w.Button("c", 40);
  for (TVelkButton* x : {a, b, c}) test::SetInt(*x, PR_GROUPINDEX, 1);
  // Refreshing a group with none down and all-up not allowed selects the first.
  test::Set(*c, PR_SELECTED, "FALSE");
  EXPECT_TRUE(a->SelectedFlag);
  EXPECT_EQ(a->State, TVelkButton::kPressed);
  EXPECT_FALSE(b->SelectedFlag || c->SelectedFlag);
  // Clicking the second selects it and releases the first.
  w.MoveTo(25, 5);
  w.Press();
  w.Release();
  EXPECT_FALSE(a->SelectedFlag);
  EXPECT_EQ(a->State, TVelkButton::kNormal);
  EXPECT_TRUE(b->SelectedFlag);
  EXPECT_EQ(b->State, TVelkButton::kPressed);
  EXPECT_EQ(Drain(w.Scene), std::vector<std::string>{"33:b()"});
  // A second click on a selected button keeps it down unless all may be up.
  w.Press();
  w.Release();
  EXPECT_TRUE(b->SelectedFlag);
  test::Set(*a, PR_ALLOWALLUP, "TRUE");
  EXPECT_TRUE(b->AllowAllUp && c->AllowAllUp);
  w.Press();
  w.Release();
  EXPECT_FALSE(a->SelectedFlag || b->SelectedFlag || c->SelectedFlag);
  // Selection without a group is refused.
  TVelkButton* lone = w.Button("lone", 60);
  test::Set(*lone, PR_SELECTED, "TRUE");
  EXPECT_FALSE(lone->SelectedFlag);
}

TEST(VelkButton, CaptionIsDrawnCentredOverThePicture) {
  TPictureWorld w(80, 40);
  w.Files["wide.brx"] = test::MakeBrix({{.W = 60, .H = 24, .Colour = kGrey}});
  auto* b = w.Scene.New<TVelkButton>();
  b->SetParent(w.Base());
  test::Set(*b, PR_SOURCE, "wide.brx");
  b->SetLeft(10);
  b->SetTop(8);
  test::Set(*b, PR_FONTNAME, Utf8ToCp932("ＭＳ ゴシック"));
  test::SetInt(*b, PR_FONTHEIGHT, 16);
  test::SetInt(*b, PR_FONTCOLOR, int32_t(kRed));
  test::Set(*b, PR_TEXT, Utf8ToCp932("■"));
  w.Scene.DrawAll();
  // The ink's box: inside the button, its centre on the button's centre (40, 20) within the glyph's bearings.
  int32_t left = 80, right = -1, top = 40, bottom = -1;
  for (int32_t y = 0; y < 40; ++y) {
    for (int32_t x = 0; x < 80; ++x) {
      // Ink in the font colour (coverage may round the channel down by one).
      const uint32_t p = w.Pixel(x, y), red = w.Native(kRed);
      if ((p & red) < (red & 0xF0F0F0) || (p & ~red & 0xFFFFFF) != 0) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  ASSERT_GE(right, left);
  EXPECT_GE(left, 10);
  EXPECT_LT(right, 70);
  EXPECT_GE(top, 8);
  EXPECT_LT(bottom, 32);
  EXPECT_NEAR((left + right + 1) / 2.0, 40, 3);
  EXPECT_NEAR((top + bottom + 1) / 2.0, 20, 3);
  EXPECT_EQ(w.Pixel(12, 10), w.Native(kGrey));
}

TEST(VelkButton, SaveRecordBringsBackPicturesGroupAndCaptionFont) {
  TButtonWorld w;
  TVelkButton* b = w.Button("b", 3, true);
  test::SetInt(*b, PR_GROUPINDEX, 2);
  test::Set(*b, PR_SELECTED, "TRUE");
  test::Set(*b, PR_TEXT, "OK");
  test::SetInt(*b, PR_FONTHEIGHT, 14);
  test::SetInt(*b, PR_FONTCOLOR, 0x123456);
  TMemoryStream s;
  w.Scene.SaveToStream(s);
  s.SetPosition(0);
  TPictureWorld other;
  other.Files = w.Files;
  other.Scene.LoadFromStream(s, 140);
  EXPECT_EQ(s.GetPosition(), s.GetSize());
  auto* c = dynamic_cast<TVelkButton*>(other.Scene.FindObject("b"));
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->Left, 3);
  EXPECT_EQ(c->HoverSource(), "h.brx");
  EXPECT_EQ(c->PressedSource(), "p.brx");
  EXPECT_EQ(c->ClickedSource(), "c.brx");
  EXPECT_EQ(c->OnNotify, "*b");
  EXPECT_EQ(c->GroupIndex, 2);
  EXPECT_TRUE(c->SelectedFlag);
  EXPECT_EQ(c->State, TVelkButton::kPressed);
  EXPECT_EQ(c->ImageSurface()->GetPixel(0, 0), other.Native(kGreen));
  // The record holds the caption's font but not its text.
  EXPECT_EQ(test::Prop(*c, PR_TEXT), "");
  EXPECT_EQ(test::Prop(*c, PR_FONTHEIGHT), "14");
  EXPECT_EQ(test::Prop(*c, PR_FONTCOLOR), std::to_string(0x123456));
}

}  // namespace
}  // namespace velk
