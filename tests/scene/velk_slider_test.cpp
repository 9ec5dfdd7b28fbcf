#include "scene/velk_slider.h"

#include <gtest/gtest.h>

#include "scene/picture_test_support.h"
#include "scene/scene_test_support.h"
#include "vfs/stream.h"

namespace velk {
namespace {

using test::Drain;
using test::TPictureWorld;

// Bar cells 50 x 4, thumb cells 4 x 8, arrow cells 6 x 8: a horizontal slider is 66 x 8 with the bar at x 8 .. 58
// and the thumb at x 6 + p.
struct TSliderWorld : TPictureWorld {
  TSliderWorld() : TPictureWorld(100, 60) {
    Files["bar.brx"] = test::MakeBrix({{.W = 100, .H = 4}});
    Files["thumb.brx"] = test::MakeBrix({{.W = 12, .H = 8}});
    Files["arrows.brx"] = test::MakeBrix({{.W = 36, .H = 8}});
  }
  template <class T> T* Slider(const std::string& name) {
    auto* s = Scene.New<T>();
    s->SetName(name);
    s->SetParent(Base());
    test::Set(*s, PR_SOURCE, "bar.brx");
    test::Set(*s, PR_THUMBSOURCE, "thumb.brx");
    test::Set(*s, PR_BUTTONSOURCE, "arrows.brx");
    test::SetInt(*s, PR_MAX, 10);
    test::Set(*s, PR_ONNOTIFY, "*n");
    return s;
  }
  void At(int32_t x, int32_t y) {
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

TEST(VelkSlider, SizesItselfFromPicturesAndOrientation) {
  TSliderWorld w;
  TVelkSlider* s = w.Slider<TVelkSlider>("s");
  EXPECT_EQ(s->Width, 66);
  EXPECT_EQ(s->Height, 8);
  test::SetInt(*s, PR_VALUE, 4);
  EXPECT_EQ(s->Layout().Thumb, Bounds(26, 0, 4, 8));
  // Turning it upright recomputes the size: (max(50, 4, 6), 4 + 8 + 2 x 8).
  test::SetInt(*s, PR_ORIENTATION, 1);
  EXPECT_EQ(s->Width, 50);
  EXPECT_EQ(s->Height, 28);
  test::SetInt(*s, PR_BARSIZE, 40);
  EXPECT_EQ(s->Height, 64);
  // The thumb rises with the value: p = 16 from the bar's bottom.
  EXPECT_EQ(s->Layout().Thumb.Top, 8 + 40 - 16);
  // A value outside the range keeps the thumb on the bar.
  test::SetInt(*s, PR_VALUE, 99);
  EXPECT_EQ(s->Layout().Offset, 40);
}

TEST(VelkSlider, BarShowsTheSecondCellUpToTheThumb) {
  // Bar cells of 10 x 10: the first red, the second transparent; no thumb and no arrows.
  TPictureWorld w(64, 48);
  w.Files["half.brx"] = test::MakeBrix({{.W = 20, .H = 10, .Colour = 0x0000FF, .AlphaSplit = true}});
  auto* s = w.Scene.New<TVelkSlider>();
  s->SetParent(w.Base());
  test::Set(*s, PR_SOURCE, "half.brx");
  test::SetInt(*s, PR_MAX, 10);
  test::SetInt(*s, PR_VALUE, 5);
  test::SetInt(*s, PR_BARSIZE, 40);
  const uint32_t red = w.Native(0x0000FF);
  // Across: the first p = 20 pixels show the second cell.
  w.Scene.DrawAll();
  EXPECT_EQ(s->Width, 40);
  EXPECT_NE(w.Pixel(19, 5), red);
  EXPECT_EQ(w.Pixel(20, 5), red);
  EXPECT_EQ(w.Pixel(39, 5), red);
  // Upright: the lowest p pixels.
  test::SetInt(*s, PR_ORIENTATION, 1);
  w.Scene.DrawAll();
  EXPECT_EQ(s->Height, 40);
  EXPECT_EQ(w.Pixel(5, 0), red);
  EXPECT_EQ(w.Pixel(5, 19), red);
  EXPECT_NE(w.Pixel(5, 20), red);
  EXPECT_NE(w.Pixel(5, 39), red);
}

TEST(VelkSlider, HeldArrowRepeatsAndNotifiesOnlyOnChange) {
  TSliderWorld w;
  TVelkSlider* s = w.Slider<TVelkSlider>("s");
  test::SetInt(*s, PR_SMALLCHANGE, 3);
  w.At(2, 4);  // the first arrow at value 0: clamped, no change, no event
  w.Press();
  EXPECT_EQ(s->Value, 0);
  w.Release();
  EXPECT_TRUE(Drain(w.Scene).empty());
  EXPECT_FALSE(w.Base()->LeftClick);

  w.At(63, 4);  // the second arrow
  w.Press();
  EXPECT_EQ(s->Value, 3);
  EXPECT_EQ(Drain(w.Scene), std::vector<std::string>{"33:s(3)"});
  w.Frames(19, 15);  // 285 ms: still within the repeat delay
  EXPECT_EQ(s->Value, 3);
  w.Frame(15);  // 300 ms
  EXPECT_EQ(s->Value, 6);
  w.Frames(3, 15);
  EXPECT_EQ(s->Value, 6);
  w.Frame(15);  // 50 ms later
  EXPECT_EQ(s->Value, 9);
  w.Frames(20, 15);
  EXPECT_EQ(s->Value, 10);
  EXPECT_EQ(Drain(w.Scene), (std::vector<std::string>{"33:s(6)", "33:s(9)", "33:s(10)"}));
  // Moving off the arrow stops the repeat; the release ends the capture.
  w.Release();
  EXPECT_EQ(w.Base()->Capture, 0);
}

TEST(VelkSlider, ThumbDragHoldsAndReleases) {
  TSliderWorld w;
  TVelkSlider* s = w.Slider<TVelkSlider>("s");
  test::Set(*s, PR_ONHOLD, "*hold");
  test::Set(*s, PR_ONRELEASE, "*rel");
  test::SetInt(*s, PR_VALUE, 4);
  w.At(28, 4);  // the thumb's centre
  w.Press();
  EXPECT_EQ(Drain(w.Scene), std::vector<std::string>{"135:s()"});
  w.At(38, 30);  // 10 pixels along: 2 steps of the range
  EXPECT_EQ(s->Value, 6);
  w.At(500, 4);
  EXPECT_EQ(s->Value, 10);
  w.Release();
  EXPECT_EQ(Drain(w.Scene), (std::vector<std::string>{"33:s(6)", "33:s(10)", "136:s()"}));
  // A press on the bar jumps there: round(10 / 50 x (18 - 8)) = 2.
  w.At(18, 4);
  w.Press();
  EXPECT_EQ(s->Value, 2);
  w.Release();
}

TEST(VelkScrollbar, BarPressPagesTowardsThePressWhileHeld) {
  TSliderWorld w;
  auto* s = w.Slider<TVelkScrollbar>("sb");
  test::SetInt(*s, PR_MAX, 20);
  test::SetInt(*s, PR_LARGECHANGE, 4);
  w.At(50, 4);  // right of the thumb (at p 0)
  w.Press();
  EXPECT_EQ(s->Value, 4);
  w.Frames(20, 15);
  EXPECT_EQ(s->Value, 8);
  // The thumb (at 6 + 2.5 x value) reaches the mouse and stops there.
  w.Frames(40, 15);
  EXPECT_EQ(s->Value, 16);
  w.Release();
}

TEST(VelkSlider, SaveRecordsOfSliderAndScrollbar) {
  TSliderWorld w;
  TVelkSlider* s = w.Slider<TVelkSlider>("s");
  test::SetInt(*s, PR_MIN, -5);
  test::SetInt(*s, PR_VALUE, 7);
  test::SetInt(*s, PR_ORIENTATION, 1);
  test::Set(*s, PR_ONRELEASE, "*rel");
  auto* sb = w.Slider<TVelkScrollbar>("sb");
  test::SetInt(*sb, PR_LARGECHANGE, 9);
  test::Set(*sb, PR_CAPTUREMASK, "TRUE");
  TMemoryStream m;
  w.Scene.SaveToStream(m);
  m.SetPosition(0);
  TSliderWorld other;
  other.Scene.LoadFromStream(m, 140);
  EXPECT_EQ(m.GetPosition(), m.GetSize());
  auto* s2 = dynamic_cast<TVelkSlider*>(other.Scene.FindObject("s"));
  auto* sb2 = dynamic_cast<TVelkScrollbar*>(other.Scene.FindObject("sb"));
  ASSERT_TRUE(s2 && sb2);
  EXPECT_EQ(s2->ComponentType(), VT_SLIDER);
  EXPECT_EQ(sb2->ComponentType(), VT_SCROLLBAR);
  EXPECT_EQ(s2->Source(), "bar.brx");
  EXPECT_EQ(s2->ThumbSource(), "thumb.brx");
  EXPECT_EQ(s2->ButtonSource(), "arrows.brx");
  EXPECT_EQ(s2->Min, -5);
  EXPECT_EQ(s2->Max, 10);
  EXPECT_EQ(s2->Value, 7);
  EXPECT_EQ(s2->Orientation, 1);
  EXPECT_EQ(s2->OnRelease, "*rel");
  EXPECT_EQ(s2->Width, 50);
  EXPECT_EQ(s2->Height, 28);
  EXPECT_EQ(sb2->LargeChange, 9);
  EXPECT_TRUE(sb2->CaptureMask);
  EXPECT_EQ(sb2->OnNotify, "*n");
}

}  // namespace
}  // namespace velk
