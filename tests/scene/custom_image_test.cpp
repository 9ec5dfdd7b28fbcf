#include "scene/custom_image.h"

#include <gtest/gtest.h>

#include "scene/picture_test_support.h"
#include "scene/scene_var_host.h"
#include "scene/scene_test_support.h"
#include "scene/velk_images.h"

namespace velk {
namespace {

using test::TPictureWorld;

TVelkImages* NewImages(TPictureWorld& w, const std::string& name, const std::string& source, int32_t x, int32_t y) {
  auto* c = w.Scene.New<TVelkImages>();
  c->SetName(name);
  c->SetParent(w.Base());
  c->SetLeft(x);
  c->SetTop(y);
  test::Set(*c, PR_SOURCE, source);
  return c;
}

TEST(CustomImage, ZoomSetsTheSizeAtTheNextUpdateAndAnExplicitSizeStretches) {
  TPictureWorld w(240, 20);
  w.Base()->SetColor(0);
  w.Files["p.brx"] = test::MakeBrix({{.W = 100, .H = 10, .Colour = 0x0000FF}});
  TVelkImages* img = NewImages(w, "img", "p.brx", 0, 0);
  EXPECT_EQ(img->Width, 100);
  EXPECT_EQ(test::Prop(*img, PR_ORIGWIDTH), "100");
  test::SetInt(*img, PR_ZOOMX, 512);
  EXPECT_EQ(img->Width, 100);  // not before the update
  w.Frame(16);
  EXPECT_EQ(img->Width, 200);
  EXPECT_EQ(img->Height, 10);
  w.Scene.DrawAll();
  EXPECT_EQ(w.Pixel(199, 5), w.Native(0x0000FF));
  EXPECT_EQ(w.Pixel(200, 5), w.Native(0));

  test::SetInt(*img, PR_WIDTH, 150);
  EXPECT_EQ(test::Prop(*img, PR_ZOOMX), "0");
  w.Frame(16);
  EXPECT_EQ(img->Width, 150);  // the explicit size stays
  w.Scene.DrawAll();
  EXPECT_EQ(w.Pixel(149, 5), w.Native(0x0000FF));
  EXPECT_EQ(w.Pixel(150, 5), w.Native(0));

  // Zooms of 0 or less are stored as 1.
  test::SetInt(*img, PR_ZOOMY, 0);
  EXPECT_EQ(test::Prop(*img, PR_ZOOMY), "1");
  test::SetInt(*img, PR_ZOOMX, -20);
  EXPECT_EQ(test::Prop(*img, PR_ZOOMX), "1");
  w.Frame(16);
  EXPECT_EQ(img->Width, 0);  // 100 x 1 / 256
}

// An opaque picture over the whole screen hides the base's colour, which is then not painted; as soon as the
// picture lets anything through (opacity, a clip, a move), the colour shows again instead of what was drawn before.
TEST(CustomImage, TheBaseColourShowsWhereverAPictureStopsCoveringIt) {
  TPictureWorld w(40, 20);
  w.Base()->SetColor(0);
  w.Files["p.brx"] = test::MakeBrix({{.W = 40, .H = 20, .Colour = 0x0000FF}});
  TVelkImages* img = NewImages(w, "img", "p.brx", 0, 0);
  w.Scene.DrawAll();
  EXPECT_EQ(w.Pixel(35, 5), w.Native(0x0000FF));
  test::SetInt(*img, PR_ALPHA, 128);
  w.Scene.DrawAll();
  EXPECT_EQ(w.Pixel(35, 5), w.Native(0x00007F));  // half of it over black
  test::SetInt(*img, PR_ALPHA, 255);
  test::SetInt(*img, PR_CLIPWIDTH, 30);
  test::SetInt(*img, PR_CLIPHEIGHT, 20);
  w.Scene.DrawAll();
  EXPECT_EQ(w.Pixel(29, 5), w.Native(0x0000FF));
  EXPECT_EQ(w.Pixel(35, 5), w.Native(0));
  test::SetInt(*img, PR_CLIPWIDTH, 0);
  img->SetLeft(-10);
  w.Scene.DrawAll();
  EXPECT_EQ(w.Pixel(29, 5), w.Native(0x0000FF));
  EXPECT_EQ(w.Pixel(35, 5), w.Native(0));
}

TEST(CustomImage, DitherChangeDecodesThePicturesAgainAndRedrawsBothBases) {
  TPictureWorld w(40, 20);
  w.Base()->SetColor(0);
  w.Files["p.brx"] = test::MakeBrix({{.W = 10, .H = 10, .Colour = 0x0000FF}});
  TVelkImages* img = NewImages(w, "img", "p.brx", 0, 0);
  w.Scene.DrawAll();
  w.Scene.ClearDirty();
  w.Scene.InactiveBaseObject()->DirtyRects.Clear();
  // The file changes under the cache, so that decoding it again shows.
  w.Files["p.brx"] = test::MakeBrix({{.W = 10, .H = 10, .Colour = 0x00FF00}});
  TSceneVarHost vars(w.Scene);
  vars.SetCGDither(true);
  EXPECT_TRUE(vars.CGDither());
  EXPECT_EQ(w.Cache.DitherMode(), 1);
  // The control draws the cache's new frame, never the freed one.
  TBrixItem* item = w.Cache.Find("p.brx");
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(img->ImageSurface(), item->Frame(0).Surface.get());
  EXPECT_EQ(w.Scene.ChangedRects(), (std::vector<TRect>{TRect{0, 0, 40, 20}}));
  EXPECT_EQ(w.Scene.InactiveBaseObject()->DirtyRects.Count(), 1);
  w.Scene.DrawAll();
  EXPECT_EQ(w.Pixel(5, 5), w.Native(0x00FF00));
  EXPECT_EQ(w.Pixel(15, 5), w.Native(0));
  // Writing the same value again changes nothing.
  w.Scene.ClearDirty();
  vars.SetCGDither(true);
  EXPECT_TRUE(w.Scene.ChangedRects().empty());
}

TEST(CustomImage, AngleTurnsByQuartersAndOnlyItsLowByteCounts) {
  TPictureWorld w(40, 40);
  w.Base()->SetColor(0);
  w.Files["p.brx"] = test::MakeBrix({{.W = 8, .H = 4, .Colour = 0x00FF00}});
  TVelkImages* img = NewImages(w, "img", "p.brx", 20, 10);
  const TRect plain = img->ScreenRect();
  EXPECT_EQ(plain, Bounds(20, 10, 8, 4));
  // A quarter turn clockwise around the anchor (the top-left corner here): the picture hangs down, left of it.
  test::SetInt(*img, PR_ANGLE, 64);
  const TRect turned = img->ScreenRect();
  EXPECT_LE(turned.Left, 17);
  EXPECT_GE(turned.Right, 20);
  EXPECT_LE(turned.Top, 10);
  EXPECT_GE(turned.Bottom, 18);
  w.Scene.DrawAll();
  EXPECT_EQ(w.Pixel(18, 14), w.Native(0x00FF00));
  EXPECT_EQ(w.Pixel(24, 11), w.Native(0));  // where the unturned picture lay
  // The turned picture takes the mouse where it is drawn, and its redraw covers the turned area.
  w.Scene.ClearDirty();
  img->SetLeft(21);
  const std::vector<TRect> dirty = w.Scene.ChangedRects();
  ASSERT_EQ(dirty.size(), 1u);
  EXPECT_TRUE(dirty[0].Contains(img->ScreenRect()));
  EXPECT_TRUE(dirty[0].Contains(turned));
  img->SetLeft(20);
  w.Scene.DrawAll();
  EXPECT_EQ(img->HitTest({18, 14}, TMouseAllowed::LeftPress()), img);
  EXPECT_EQ(img->HitTest({24, 11}, TMouseAllowed::LeftPress()), nullptr);

  // 256 steps make a full turn: the picture is drawn unturned again.
  test::SetInt(*img, PR_ANGLE, 256);
  EXPECT_EQ(img->ScreenRect(), plain);
  w.Scene.DrawAll();
  EXPECT_EQ(w.Pixel(24, 11), w.Native(0x00FF00));
  EXPECT_EQ(w.Pixel(18, 14), w.Native(0));
}

TEST(CustomImage, OpacityCodesChooseBlendPlainAndAdditiveDraws) {
  TPictureWorld w(40, 10);
  w.Base()->SetColor(0x808080);
  w.Files["p.brx"] = test::MakeBrix({{.W = 4, .H = 4, .Colour = 0x404040}});
  const int32_t codes[] = {128, 255, 384, 0};
  for (int32_t i = 0; i < 4; ++i) {
    TVelkImages* img = NewImages(w, "i" + std::to_string(i), "p.brx", i * 10, 0);
    test::SetInt(*img, PR_ALPHA, codes[i]);
  }
  w.Scene.DrawAll();
  // Blend: (0x80 x (255 - 128) + 0x40 x 128) >> 8 = 0x5F; add: 0x80 + (0x40 x 128 >> 8) = 0xA0; 0: nothing.
  EXPECT_EQ(w.Pixel(1, 1), w.Native(0x5F5F5F));
  EXPECT_EQ(w.Pixel(11, 1), w.Native(0x404040));
  EXPECT_EQ(w.Pixel(21, 1), w.Native(0xA0A0A0));
  EXPECT_EQ(w.Pixel(31, 1), w.Native(0x808080));
}

TEST(CustomImage, MaskedPicturesDrawAndTakeTheMouseOnlyWhereOpaque) {
  TPictureWorld w(40, 20);
  w.Base()->SetColor(0);
  w.Files["m.brx"] = test::MakeBrix({{.W = 10, .H = 4, .Colour = 0xFFFFFF, .AlphaSplit = true}});
  TVelkImages* img = NewImages(w, "img", "m.brx", 0, 0);
  ASSERT_NE(img->CurrentMask(), nullptr);
  w.Scene.DrawAll();
  EXPECT_EQ(w.Pixel(2, 1), w.Native(0xFFFFFF));
  EXPECT_EQ(w.Pixel(7, 1), w.Native(0));
  const auto hit = [&](int32_t x, int32_t y) { return img->HitTest({x, y}, TMouseAllowed::LeftPress()) == img; };
  // Without PR_CAPTUREMASK the whole rectangle takes the mouse.
  EXPECT_TRUE(hit(7, 1));
  test::Set(*img, PR_CAPTUREMASK, "TRUE");
  EXPECT_TRUE(hit(4, 1));
  EXPECT_FALSE(hit(5, 1));
  // Mirrored, the anchor is the right edge (the picture covers -9 .. 0) and the opaque half is on the right.
  test::Set(*img, PR_FLIPH, "TRUE");
  EXPECT_EQ(img->ScreenLeft(), -9);
  EXPECT_FALSE(hit(-5, 1));
  EXPECT_TRUE(hit(-4, 1));
  EXPECT_TRUE(hit(0, 1));
  test::Set(*img, PR_FLIPH, "FALSE");
  // Zoomed twice: picture x = (x - left) x 256 / 512.
  test::SetInt(*img, PR_ZOOMX, 512);
  w.Frame(16);
  EXPECT_TRUE(hit(9, 1));
  EXPECT_FALSE(hit(10, 1));
  // An explicit size leaves a zoom of 0: the point maps by the stretch instead of dividing by the zoom.
  test::SetInt(*img, PR_WIDTH, 30);
  ASSERT_EQ(test::Prop(*img, PR_ZOOMX), "0");
  EXPECT_TRUE(hit(14, 1));
  EXPECT_FALSE(hit(15, 1));
  EXPECT_FALSE(hit(29, 3));
  // IgnoreMouse 1 passes the mouse through.
  img->IgnoreMouse = 1;
  EXPECT_FALSE(hit(1, 1));
}

TEST(CustomImage, FramesWithContentRectanglesDrawOnlyThosePiecesMirroredWithTheFlips) {
  TPictureWorld w(20, 6);
  w.Base()->SetColor(0);
  w.Files["c.brx"] = test::MakeBrix({{.W = 8, .H = 2, .Colour = 0xFFFFFF, .Content = {TRect{0, 0, 3, 2}}}});
  TVelkImages* img = NewImages(w, "img", "c.brx", 0, 0);
  w.Scene.DrawAll();
  EXPECT_EQ(w.Pixel(2, 1), w.Native(0xFFFFFF));
  EXPECT_EQ(w.Pixel(3, 1), w.Native(0));
  // Mirrored, the piece lands at the other end: the picture covers -7 .. 0 with its anchor on the right edge.
  img->SetLeft(10);
  test::Set(*img, PR_FLIPH, "TRUE");
  w.Scene.DrawAll();
  EXPECT_EQ(img->ScreenLeft(), 3);
  EXPECT_EQ(w.Pixel(8, 1), w.Native(0xFFFFFF));
  EXPECT_EQ(w.Pixel(10, 1), w.Native(0xFFFFFF));
  EXPECT_EQ(w.Pixel(7, 1), w.Native(0));
  // Stretched, the whole picture is drawn.
  test::SetInt(*img, PR_WIDTH, 16);
  w.Scene.DrawAll();
  EXPECT_EQ(w.Pixel(5, 1), w.Native(0xFFFFFF));
}

TEST(CustomImage, MissingOrForeignSourcesLeaveAnEmptyControl) {
  TPictureWorld w;
  w.Files["p.brx"] = test::MakeBrix({{.W = 6, .H = 6}});
  w.Files["bad.brx"] = {1, 2, 3};
  TVelkImages* img = NewImages(w, "img", "p.brx", 0, 0);
  EXPECT_EQ(img->Width, 6);
  for (const char* name : {"gone.brx", "bad.brx", "notes.txt", ""}) {
    test::Set(*img, PR_SOURCE, name);
    EXPECT_EQ(img->Width, 0) << name;
    EXPECT_EQ(img->Height, 0) << name;
    EXPECT_EQ(img->ImageSurface(), nullptr) << name;
    EXPECT_EQ(test::Prop(*img, PR_INDEX), "-1") << name;
    test::Set(*img, PR_SOURCE, "p.brx");
    EXPECT_EQ(img->Width, 6);
  }
  // Drawing and hit testing an empty control is harmless.
  test::Set(*img, PR_SOURCE, "gone.brx");
  w.Scene.DrawAll();
  EXPECT_EQ(img->HitTest({0, 0}, TMouseAllowed::LeftPress()), nullptr);
}

TEST(VelkImage, CopiesItsPictureDarkensItAndRoundsZoomedSizesDown) {
  TPictureWorld w(20, 10);
  w.Files["p.png.brx"] = test::MakeBrix({{.W = 5, .H = 3, .Colour = 0x8040F0}});
  auto* img = w.Scene.New<TVelkImage>();
  img->SetParent(w.Base());
  img->SetSource("p.png.brx");
  ASSERT_NE(img->OwnSurface, nullptr);
  EXPECT_EQ(img->ImageSurface(), img->OwnSurface.get());
  EXPECT_EQ(img->Width, 5);
  EXPECT_EQ(img->Height, 3);
  // 255 - 200 = 55 is subtracted from every channel, saturating at 0.
  img->SetBrightness(200);
  const auto pixel = [&] { return img->OwnSurface->GetPixel(0, 0); };
  const auto native = [&](int32_t c) { return static_cast<uint32_t>(img->OwnSurface->ColorToPixel(c)); };
  EXPECT_EQ(pixel(), native(0x4909B9));
  img->SetBrightness(40);
  EXPECT_EQ(pixel(), native(0x000019));  // 0xF0 - 0xD7; green and blue saturate at 0
  img->SetBrightness(900);
  EXPECT_EQ(img->Brightness(), 255);
  EXPECT_EQ(pixel(), native(0x8040F0));
  img->SetBrightness(-4);
  EXPECT_EQ(img->Brightness(), 0);
  // The cache's frame stays unchanged for its other users.
  TBrixItem* item = w.Cache.Find("p.png.brx");
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->Frame(0).Surface->GetPixel(0, 0),
            static_cast<uint32_t>(item->Frame(0).Surface->ColorToPixel(0x8040F0)));
  img->SetZoomX(100);  // 5 x 100 / 256 = 1.95
  img->SetSource("");
  img->SetSource("p.png.brx");
  EXPECT_EQ(img->Width, 1);
  EXPECT_EQ(item->UseCount(), 1);
  w.Scene.DestroyObject(img);
  EXPECT_EQ(item->UseCount(), 0);
}

}  // namespace
}  // namespace velk
