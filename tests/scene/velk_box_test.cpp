#include "scene/velk_box.h"

#include <gtest/gtest.h>

#include "gfx/dibx.h"
#include "scene/base_list.h"

namespace velk {
namespace {

// Expected pixels of a scene as 0x00BBGGRR colours, written from the drawing rules.
struct TPicture {
  int32_t w, h;
  std::vector<int32_t> c;
  TPicture(int32_t width, int32_t height, int32_t colour) : w(width), h(height), c(size_t(width * height), colour) {}
  void Fill(TRect r, int32_t colour) {
    r = Intersect(r, TRect{0, 0, w, h});
    for (int32_t y = r.Top; y < r.Bottom; ++y)
      for (int32_t x = r.Left; x < r.Right; ++x) c[size_t(y * w + x)] = colour;
  }
  int32_t At(int32_t x, int32_t y) const { return c[size_t(y * w + x)]; }
};

// Compares a surface with the expected picture and names the first differing pixel.
void ExpectPicture(TCustomDIBX& surface, const TPicture& expected) {
  ASSERT_EQ(surface.Width(), expected.w);
  ASSERT_EQ(surface.Height(), expected.h);
  for (int32_t y = 0; y < expected.h; ++y) {
    for (int32_t x = 0; x < expected.w; ++x) {
      const uint32_t want = static_cast<uint32_t>(surface.ColorToPixel(expected.At(x, y)));
      if (surface.GetPixel(x, y) != want) {
        ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << surface.GetPixel(x, y) << " != " << want;
        return;
      }
    }
  }
}

TVelkBox* NewBox(TVelkBaseList& scene, const std::string& name, TVelkControl* parent, int32_t x, int32_t y, int32_t w,
                 int32_t h, int32_t colour) {
  auto* box = scene.New<TVelkBox>();
  box->SetName(name);
  box->SetParent(parent);
  box->SetBounds(x, y, w, h);
  box->SetColor(colour);
  return box;
}

TEST(VelkBox, DrawsFillsFramesAndClipsChildren) {
  TVelkBaseList scene;
  scene.SetSize(40, 30);
  TVelkBase* base = scene.ActiveBaseObject();
  base->SetColor(0x102030);
  auto* panel = NewBox(scene, "panel", base, 5, 5, 20, 10, 0x0000FF);
  panel->BorderWidth = 2;
  panel->BorderColor = 0x00FF00;
  // A child sticking out of the panel is cut at the panel's rectangle.
  NewBox(scene, "child", panel, 15, 5, 20, 20, 0xFF0000);
  // A child with a clip window shows only that window.
  auto* clipped = NewBox(scene, "clipped", panel, 2, 2, 6, 6, 0xFFFFFF);
  clipped->ClipLeft = 1;
  clipped->ClipTop = 1;
  clipped->ClipWidth = 2;
  clipped->ClipHeight = 2;
  // Negative colours draw nothing; unnamed (deleted) controls are not drawn.
  NewBox(scene, "none", base, 30, 20, 5, 5, -1);
  auto* gone = NewBox(scene, "gone", base, 0, 20, 5, 5, 0x00FFFF);
  scene.ScheduleDelete(gone);
  scene.DrawAll();

  TPicture want(40, 30, 0x102030);
  want.Fill(Bounds(5, 5, 20, 10), 0x00FF00);
  want.Fill(Bounds(7, 7, 16, 6), 0x0000FF);
  want.Fill(TRect{20, 10, 25, 15}, 0xFF0000);
  want.Fill(Bounds(8, 8, 2, 2), 0xFFFFFF);
  ExpectPicture(*scene.PresentationSurface(), want);
  EXPECT_EQ(scene.ChangedRects(), (std::vector<TRect>{TRect{0, 0, 40, 30}}));
}

TEST(VelkBox, OpacityCodesBlendAndAdd) {
  TVelkBaseList scene;
  scene.SetSize(20, 10);
  TVelkBase* base = scene.ActiveBaseObject();
  base->SetColor(0x808080);
  auto* add = NewBox(scene, "add", base, 0, 0, 5, 5, 0x808080);
  add->Alpha = 384;
  auto* none = NewBox(scene, "none", base, 5, 0, 5, 5, 0xFFFFFF);
  none->Alpha = 0;
  auto* over = NewBox(scene, "over", base, 10, 0, 5, 5, 0xFFFFFF);
  over->Alpha = 512;
  auto* half = NewBox(scene, "half", base, 15, 0, 5, 5, 0x000000);
  half->Alpha = 128;
  scene.DrawAll();
  TCustomDIBX& s = *scene.PresentationSurface();
  EXPECT_EQ(s.GetPixel(1, 1), static_cast<uint32_t>(s.ColorToPixel(0xC0C0C0)));
  EXPECT_EQ(s.GetPixel(6, 1), static_cast<uint32_t>(s.ColorToPixel(0x808080)));
  EXPECT_EQ(s.GetPixel(11, 1), static_cast<uint32_t>(s.ColorToPixel(0x808080)));
  // Blending black over 0x80 with 128: (0x80 * (255 - 128) + 0 * 128) >> 8 = 0x3F per channel.
  EXPECT_EQ(s.GetPixel(16, 1), static_cast<uint32_t>(s.ColorToPixel(0x3F3F3F)));
}

TEST(VelkBox, OnlyChangedRectanglesAreRepaintedAndTheInactiveBaseDrawsOffScreen) {
  TVelkBaseList scene;
  scene.SetSize(30, 10);
  TVelkBase* front = scene.ActiveBaseObject();
  TVelkBase* back = scene.InactiveBaseObject();
  auto* box = NewBox(scene, "b", front, 0, 0, 5, 5, 0x0000FF);
  NewBox(scene, "hidden", back, 0, 0, 10, 10, 0x00FF00);
  scene.DrawAll();
  scene.ClearDirty();
  // Paint behind the scene's back: only the box's old and new areas are repainted.
  scene.PresentationSurface()->FillRect(TRect{20, 0, 30, 10},
                                        static_cast<uint32_t>(scene.PresentationSurface()->ColorToPixel(0xFFFFFF)));
  box->SetLeft(8);
  scene.DrawAll();
  TPicture want(30, 10, 0);
  want.Fill(TRect{20, 0, 30, 10}, 0xFFFFFF);
  want.Fill(Bounds(8, 0, 5, 5), 0x0000FF);
  ExpectPicture(*scene.PresentationSurface(), want);
  EXPECT_EQ(scene.ChangedRects(), (std::vector<TRect>{TRect{0, 0, 13, 5}}));
  // The inactive base keeps its own picture; after the flip it is shown whole.
  TPicture back_want(30, 10, 0);
  back_want.Fill(Bounds(0, 0, 10, 10), 0x00FF00);
  ExpectPicture(*back->BaseSurface(), back_want);
  scene.ClearDirty();
  scene.Flip(1, 0, 0, true, 0, 0);
  scene.DrawAll();
  ExpectPicture(*scene.PresentationSurface(), back_want);
}

}  // namespace
}  // namespace velk

namespace velk {
namespace {

TEST(VelkBox, MovingBoxLeavesFadingAfterimages) {
  TVelkBaseList scene;
  scene.SetSize(100, 100);
  auto* box = NewBox(scene, "b", scene.ActiveBaseObject(), 10, 10, 5, 5, 0xFF);
  box->SetPriority(4);
  box->BlurSpan = 30;
  box->BlurDelay = 100;
  const auto frame = [&] {
    scene.ProcessInput(15);
    scene.UpdateAll();
  };
  // A still box leaves none: the first afterimage compares with the box as it was when they were switched on.
  for (int i = 0; i < 4; ++i) frame();
  EXPECT_EQ(scene.FindObject("b0"), nullptr);
  box->SetLeft(11);
  frame();
  EXPECT_EQ(scene.FindObject("b0"), nullptr);  // 15 ms: not yet a span
  frame();
  auto* blur = dynamic_cast<TVelkBlurBox*>(scene.FindObject("b0"));
  ASSERT_NE(blur, nullptr);
  EXPECT_EQ(blur->ComponentType(), VT_BOX);
  EXPECT_EQ(blur->Parent(), box->Parent());
  EXPECT_EQ(blur->Priority(), 3);
  EXPECT_EQ(blur->ScreenRect(), box->ScreenRect());
  // Made during the update step, it takes its first step in the same pass: t = 15.
  EXPECT_EQ(blur->Alpha, 127 - 19);
  EXPECT_EQ(blur->Fade.Delay, 100);
  const TObjectHandle h = blur->Handle();
  // No change since the last afterimage: none is made.
  frame();
  frame();
  EXPECT_EQ(scene.FindObject("b1"), nullptr);
  // The afterimage fades over its delay: 127 - round(t / 100 * 127), then ends.
  EXPECT_EQ(blur->Alpha, 127 - 57);  // t = 45
  frame();
  frame();
  frame();
  EXPECT_EQ(blur->Alpha, 127 - 114);  // t = 90
  frame();
  EXPECT_EQ(scene.Resolve(h), nullptr);
  box->SetLeft(50);
  frame();
  frame();
  EXPECT_NE(scene.FindObject("b0"), nullptr);
}

}  // namespace
}  // namespace velk
