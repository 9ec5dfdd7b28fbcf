#include "scene/velk_images.h"

#include <gtest/gtest.h>

#include "scene/blur_image.h"
#include "scene/picture_test_support.h"
#include "scene/scene_test_support.h"
#include "vfs/stream_io.h"

namespace velk {
namespace {

using test::TFrameSpec;
using test::TPictureWorld;

TVelkImages* NewImages(TPictureWorld& w, const std::string& name, const std::string& source) {
  auto* c = w.Scene.New<TVelkImages>();
  c->SetName(name);
  c->SetParent(w.Base());
  test::Set(*c, PR_SOURCE, source);
  return c;
}

// Three frames of 100 ms, each of its own size so that the shown frame can be told by the control's width.
std::vector<uint8_t> ThreeFrames() {
  return test::MakeBrix({{.W = 1, .H = 1, .Time = 100}, {.W = 2, .H = 1, .Time = 100}, {.W = 3, .H = 1, .Time = 100}});
}

TEST(VelkImages, AnimationReportsItsEndOnceAndANewRunReportsAgain) {
  TPictureWorld w;
  w.Files["a.brx"] = ThreeFrames();
  TVelkImages* img = NewImages(w, "img", "a.brx");
  test::Set(*img, PR_ONPLAYEND, "*end");
  EXPECT_EQ(test::Prop(*img, PR_INDEX), "0");
  EXPECT_EQ(test::Prop(*img, PR_COUNT), "3");
  EXPECT_EQ(img->FrameTime, 100);
  EXPECT_EQ(test::Prop(*img, PR_PLAYING), "TRUE");
  w.Frames(4, 25);
  EXPECT_EQ(img->Index, 1);
  EXPECT_EQ(img->Width, 2);  // the size follows the frame
  w.Frames(4, 25);
  EXPECT_EQ(img->Index, 2);
  EXPECT_TRUE(test::Drain(w.Scene).empty());
  // The last frame has been shown for its time: the event comes once, and the picture rests there.
  w.Frames(4, 25);
  EXPECT_EQ(test::Drain(w.Scene), std::vector<std::string>{"43:img()"});
  EXPECT_EQ(test::Prop(*img, PR_PLAYING), "FALSE");
  w.Frames(10, 25);
  EXPECT_TRUE(test::Drain(w.Scene).empty());
  EXPECT_EQ(img->Index, 2);
  // Setting the index starts a new run.
  test::SetInt(*img, PR_INDEX, 1);
  w.Frames(8, 25);
  EXPECT_EQ(test::Drain(w.Scene), std::vector<std::string>{"43:img()"});
}

TEST(VelkImages, RepeatLoopsPauseAndInvisibilityHoldAndAutoScrapEnds) {
  TPictureWorld w;
  w.Files["a.brx"] = ThreeFrames();
  TVelkImages* img = NewImages(w, "img", "a.brx");
  test::Set(*img, PR_REPEAT, "TRUE");
  w.Frames(3, 100);
  EXPECT_EQ(img->Index, 0);  // round again
  EXPECT_EQ(test::Prop(*img, PR_PLAYING), "TRUE");
  test::Set(*img, PR_PAUSED, "TRUE");
  EXPECT_EQ(img->FrameTime, 0);
  EXPECT_EQ(test::Prop(*img, PR_PLAYING), "FALSE");
  w.Frames(5, 100);
  EXPECT_EQ(img->Index, 0);
  test::Set(*img, PR_PAUSED, "FALSE");
  img->AniPaused = true;
  w.Frames(5, 100);
  EXPECT_EQ(img->Index, 0);
  img->AniPaused = false;
  img->SetVisible(false);
  w.Frames(5, 100);
  EXPECT_EQ(img->Index, 0);
  // Made visible, the frame time starts from 0: the next update moves on at once.
  img->SetVisible(true);
  EXPECT_EQ(img->FrameTime, 0);
  w.Frame(1);
  EXPECT_EQ(img->Index, 1);

  test::Set(*img, PR_REPEAT, "FALSE");
  test::Set(*img, PR_AUTOSCRAP, "TRUE");
  test::Set(*img, PR_ONPLAYEND, "*end");
  const TObjectHandle h = img->Handle();
  w.Frames(3, 100);
  EXPECT_EQ(w.Scene.Resolve(h), nullptr);
  EXPECT_TRUE(test::Drain(w.Scene).empty());  // ended instead of reporting
  // Its picture went back to the cache.
  EXPECT_EQ(w.Cache.Find("a.brx")->UseCount(), 0);
}

TEST(VelkImages, TheLastFrameWaitsTheValueOfItsExpressionLonger) {
  TPictureWorld w;
  w.Files["a.brx"] = ThreeFrames();
  TVelkImages* img = NewImages(w, "img", "a.brx");
  int evaluated = 0;
  w.Scene.Services.EvaluateInt = [&](TVelkParser&) { return ++evaluated, 250; };
  test::SetInt(*img, PR_INDEX, 1);
  EXPECT_EQ(evaluated, 0);  // no operations to run
  // One assignment of a constant: ____arg := 250.
  TMemoryStream code;
  WriteInt(code, 1);
  WriteByte(code, ocTo);
  WriteString(code, kResultTemp);
  WriteInt(code, 1);
  TParamInt value;
  value.SetInt(250);
  WriteOperand(code, value);
  code.SetPosition(0);
  img->LastFrameWait.LoadFromStream(code);
  ASSERT_EQ(img->LastFrameWait.Count(), 1);
  img->FrameTime = 0;
  test::SetInt(*img, PR_INDEX, 2);
  EXPECT_EQ(evaluated, 1);
  EXPECT_EQ(img->FrameTime, 100 + 250);
}

TEST(VelkImages, RebuiltDisplaySurfacesBringTheFramesBackAndAfterimagesLetGo) {
  TPictureWorld w(20, 4);
  w.Base()->SetColor(0);
  w.Files["p.brx"] = test::MakeBrix({{.W = 4, .H = 4, .Colour = 0xFF00FF}});
  TVelkImages* img = NewImages(w, "img", "p.brx");
  test::SetInt(*img, PR_BLURSPAN, 10);
  test::SetInt(*img, PR_BLURDELAY, 1000);
  w.Frame(10);
  img->SetLeft(10);
  w.Frame(10);
  auto* blur = dynamic_cast<TVelkBlurImage*>(w.Scene.FindObject("img0"));
  ASSERT_NE(blur, nullptr);
  w.Scene.ReleaseSurfaces();
  w.Cache.ReleaseSurfaces();
  EXPECT_EQ(img->ImageSurface(), nullptr);
  EXPECT_EQ(blur->ImageSurface(), nullptr);
  w.Cache.RestoreSurfaces(32);
  w.Scene.RestoreSurfaces();
  ASSERT_NE(img->ImageSurface(), nullptr);
  EXPECT_EQ(img->ImageSurface(), w.Cache.Find("p.brx")->Frame(0).Surface.get());
  EXPECT_EQ(blur->ImageSurface(), nullptr);
  EXPECT_EQ(w.Cache.Find("p.brx")->UseCount(), 1);  // the afterimage let its registration go
  w.Scene.DrawAll();
  EXPECT_EQ(w.Pixel(11, 1), w.Native(0xFF00FF));
  EXPECT_EQ(w.Pixel(1, 1), w.Native(0));
}

TEST(VelkImages, FramesWithoutTimeDoNotHangARepeatingPicture) {
  TPictureWorld w;
  w.Files["z.brx"] = test::MakeBrix({{.Time = 0}, {.Time = 0}, {.Time = 0}});
  TVelkImages* img = NewImages(w, "img", "z.brx");
  test::Set(*img, PR_REPEAT, "TRUE");
  w.Frames(3, 16);  // returns
  EXPECT_GE(img->Index, 0);
  EXPECT_LT(img->Index, 3);
}

TEST(VelkImages, SaveAndLoadRestoreThePictureAndItsFrame) {
  TPictureWorld w;
  w.Files["a.brx"] = ThreeFrames();
  TVelkImages* img = NewImages(w, "img", "a.brx");
  img->SetLeft(5);
  test::SetInt(*img, PR_ALPHA, 300);
  test::SetInt(*img, PR_ZOOMY, 512);
  test::SetInt(*img, PR_ANGLE, 3);
  test::Set(*img, PR_FLIPV, "TRUE");
  test::Set(*img, PR_CAPTUREMASK, "TRUE");
  test::Set(*img, PR_REPEAT, "TRUE");
  test::Set(*img, PR_ONPLAYEND, "*end");
  test::Set(*img, PR_ONIDLE, "*idle");
  test::SetInt(*img, PR_BLURSPAN, 40);
  test::SetInt(*img, PR_BLURDELAY, 90);
  test::SetInt(*img, PR_BRIGHTNESS, 128);
  test::SetInt(*img, PR_INDEX, 2);
  w.Frame(30);
  TMemoryStream saved;
  w.Scene.SaveToStream(saved);

  TPictureWorld w2;
  w2.Files = w.Files;
  saved.SetPosition(0);
  w2.Scene.LoadFromStream(saved, 140);
  EXPECT_EQ(saved.Remaining(), 0);
  auto* back = dynamic_cast<TVelkImages*>(w2.Scene.FindObject("img"));
  ASSERT_NE(back, nullptr);
  for (int32_t id :
       {PR_LEFT, PR_ALPHA, PR_ZOOMX, PR_ZOOMY, PR_ANGLE, PR_FLIPH, PR_FLIPV, PR_CAPTUREMASK, PR_REPEAT, PR_ONPLAYEND,
        PR_ONIDLE, PR_BLURSPAN, PR_BLURDELAY, PR_BRIGHTNESS, PR_INDEX, PR_SOURCE, PR_AUTOSCRAP, PR_WIDTH, PR_HEIGHT}) {
    EXPECT_EQ(test::Prop(*back, id), test::Prop(*img, id)) << PropInfo(id).Name;
  }
  EXPECT_EQ(back->FrameTime, img->FrameTime);
  ASSERT_NE(back->ImageSurface(), nullptr);
  EXPECT_EQ(back->ImageSurface()->Width(), 3);
  // A record cut anywhere loads or fails cleanly.
  for (size_t n = 0; n + 1 < saved.Bytes().size(); ++n) {
    TPictureWorld w3;
    w3.Files = w.Files;
    TMemoryStream cut(std::vector<uint8_t>(saved.Bytes().begin(), saved.Bytes().begin() + std::ptrdiff_t(n)));
    try {
      w3.Scene.LoadFromStream(cut, 140);
    } catch (const EVelkError&) {
    }
  }
}

TEST(VelkImages, MovingPicturesLeaveFadingAfterimagesAndStillOnesNone) {
  TPictureWorld w(200, 50);
  w.Files["p.brx"] = test::MakeBrix({{.W = 4, .H = 4, .Colour = 0xFF0000}});
  TVelkImages* img = NewImages(w, "img", "p.brx");
  img->SetPriority(10);
  test::SetInt(*img, PR_BLURSPAN, 50);
  test::SetInt(*img, PR_BLURDELAY, 300);
  const auto afterimages = [&] {
    std::vector<TVelkBlurImage*> list;
    for (int32_t i = 0; i < w.Scene.ObjectCount(); ++i)
      if (auto* b = dynamic_cast<TVelkBlurImage*>(w.Scene.ObjectAt(i))) list.push_back(b);
    return list;
  };
  w.Frames(40, 10);
  EXPECT_TRUE(afterimages().empty());  // a still picture leaves none

  // Moving one pixel every 10 ms: one afterimage every 50 ms.
  for (int32_t i = 1; i <= 5; ++i) {
    img->SetLeft(img->Left + 1);
    w.Frame(10);
  }
  auto list = afterimages();
  ASSERT_EQ(list.size(), 1u);
  TVelkBlurImage* first = list[0];
  EXPECT_EQ(first->Parent(), img->Parent());
  EXPECT_EQ(first->Priority(), 9);
  EXPECT_EQ(first->Left, 5);
  EXPECT_EQ(first->SharedSurface, img->SharedSurface);
  EXPECT_EQ(first->ComponentType(), VT_NONE);
  // Half the source's opacity, aged by its first update (10 ms of 300): 127 - round(10 / 300 x 127).
  EXPECT_EQ(first->Fade.StartAlpha, 127);
  EXPECT_EQ(first->Alpha, 127 - 4);
  const TObjectHandle h = first->Handle();
  for (int32_t i = 0; i < 25; ++i) {
    img->SetLeft(img->Left + 1);
    w.Frame(10);
  }
  EXPECT_EQ(afterimages().size(), 6u);
  EXPECT_NE(w.Scene.Resolve(h), nullptr);
  EXPECT_EQ(first->Alpha, 127 - 110);  // t = 260
  w.Frames(4, 10);
  EXPECT_EQ(w.Scene.Resolve(h), nullptr);  // gone at t = 300
  // An additive source fades within its additive range: s = 256 + 127.
  test::SetInt(*img, PR_ALPHA, 511);
  img->SetLeft(img->Left + 7);
  w.Frames(5, 10);
  list = afterimages();
  ASSERT_FALSE(list.empty());
  EXPECT_EQ(list.back()->Fade.StartAlpha, 383);
}

TEST(VelkImages, AfterimagesKeepTheirPictureWhenTheSourceIsGone) {
  TPictureWorld w(40, 10);
  w.Base()->SetColor(0);
  w.Files["p.brx"] = test::MakeBrix({{.W = 4, .H = 4, .Colour = 0x00FF00}});
  w.Files["q.brx"] = test::MakeBrix({{.W = 4, .H = 4, .Colour = 0x0000FF}});
  TVelkImages* lent = NewImages(w, "lent", "p.brx");
  TVelkImages* own = NewImages(w, "own", "q.brx");
  own->SetTop(5);
  test::SetInt(*own, PR_BRIGHTNESS, 255 - 0x40);  // a darkened copy the control owns
  for (TVelkImages* c : {lent, own}) {
    test::SetInt(*c, PR_BLURSPAN, 20);
    test::SetInt(*c, PR_BLURDELAY, 1000);
  }
  w.Frame(10);
  lent->SetLeft(20);
  own->SetLeft(20);
  w.Frame(10);
  auto* a = dynamic_cast<TVelkBlurImage*>(w.Scene.FindObject("lent0"));
  auto* b = dynamic_cast<TVelkBlurImage*>(w.Scene.FindObject("own0"));
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_NE(b->ImageSurface(), own->ImageSurface());  // copied
  w.Scene.DestroyObject(lent);
  w.Scene.DestroyObject(own);
  // The cache keeps the lent picture for the afterimage, also through a trim of idle items.
  w.Cache.FreeIdle();
  TBrixItem* item = w.Cache.Find("p.brx");
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->UseCount(), 1);
  EXPECT_EQ(a->ImageSurface(), item->Frame(0).Surface.get());
  // Both still draw their pictures at their faded opacity (127 - round(20 / 1000 x 127) = 124 over black).
  a->Alpha = 255;
  b->Alpha = 255;
  w.Scene.DrawAll();
  EXPECT_EQ(w.Pixel(21, 1), w.Native(0x00FF00));
  EXPECT_EQ(w.Pixel(21, 6), w.Native(0x0000BF));
  const TObjectHandle ha = a->Handle();
  w.Frames(100, 10);
  EXPECT_EQ(w.Scene.Resolve(ha), nullptr);
  EXPECT_EQ(item->UseCount(), 0);
}

}  // namespace
}  // namespace velk
