#include "scene/velk_label.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "base/sjis.h"
#include "gfx/dibx.h"
#include "scene/base_list.h"
#include "scene/velk_film.h"
#include "scene_test_support.h"
#include "text/font_face.h"
#include "vfs/stream.h"

namespace velk {
namespace {

const std::string kGothic = Utf8ToCp932("ＭＳ ゴシック");

// A label in the fixed-pitch gothic face: full-width characters are as wide as the font height.
TVelkLabel* NewLabel(TVelkBaseList& scene, const std::string& utf8_text, int32_t height = 16) {
  auto* label = scene.New<TVelkLabel>();
  label->SetName("label");
  label->SetParent(scene.ActiveBaseObject());
  label->SetFontName(kGothic);
  label->SetFontHeight(height);
  label->SetText(Utf8ToCp932(utf8_text));
  return label;
}

// The leftmost covered column among the rows [top, bottom) of the label's coverage, -1 when none.
int32_t LeftmostInk(const TVelkLabel& l, int32_t top, int32_t bottom) {
  for (int32_t x = 0; x < l.BlockWidth(); ++x)
    for (int32_t y = top; y < bottom; ++y)
      if (l.Coverage()->GetPixel(x, y)) return x;
  return -1;
}

std::vector<uint32_t> CoveragePixels(const TVelkLabel& l) {
  std::vector<uint32_t> v;
  for (int32_t y = 0; y < l.BlockHeight(); ++y)
    for (int32_t x = 0; x < l.BlockWidth(); ++x) v.push_back(l.Coverage()->GetPixel(x, y));
  return v;
}

TEST(VelkLabel, TextSplitsAtLineBreaksDroppingAFinalEmptyLine) {
  EXPECT_EQ(SplitLines("a\r\nb\r\n"), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(SplitLines("a\n\nb"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(SplitLines("a\rb"), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(SplitLines("\r\n"), (std::vector<std::string>{""}));
  EXPECT_TRUE(SplitLines("").empty());
  // A double-byte character stays whole.
  const std::string kana = Utf8ToCp932("ソ\nA");
  EXPECT_EQ(SplitLines(kana), (std::vector<std::string>{Utf8ToCp932("ソ"), "A"}));
}

TEST(VelkLabel, DefaultsAndPropertyAccess) {
  TVelkBaseList scene;
  auto* label = scene.New<TVelkLabel>();
  EXPECT_EQ(label->ComponentType(), VT_LABEL);
  EXPECT_EQ(label->FontName(), Utf8ToCp932("ＭＳ Ｐゴシック"));
  EXPECT_EQ(label->FontHeight(), 12);
  EXPECT_EQ(test::Prop(*label, PR_ALPHA), "255");
  EXPECT_EQ(test::Prop(*label, PR_ZOOMX), "256");
  EXPECT_EQ(test::Prop(*label, PR_ZOOMY), "256");
  test::SetInt(*label, PR_FONTSTYLE, 19);
  EXPECT_EQ(test::Prop(*label, PR_FONTSTYLE), "3");
  test::Set(*label, PR_TEXT, "one\ntwo\r\n");
  EXPECT_EQ(test::Prop(*label, PR_TEXT), "one\r\ntwo");
  test::SetInt(*label, PR_ZOOMX, 0);
  EXPECT_EQ(test::Prop(*label, PR_ZOOMX), "1");
}

TEST(VelkLabel, SizeFollowsTextLineSpaceAndZoom) {
  TVelkBaseList scene;
  scene.SetSize(200, 100);
  TVelkLabel* label = NewLabel(scene, "ab\r\nあいう");
  label->SetBounds(7, 9, 1, 1);
  label->SetText(Utf8ToCp932("ab\r\nあいう"));
  EXPECT_EQ(label->BlockWidth(), 48);
  EXPECT_EQ(label->BlockHeight(), 32);
  EXPECT_EQ(label->Width, 48);
  EXPECT_EQ(label->Height, 32);
  label->SetLineSpace(4);
  EXPECT_EQ(label->Height, 40);
  label->SetZoomX(512);
  label->SetZoomY(128);
  EXPECT_EQ(label->Width, 96);
  EXPECT_EQ(label->Height, 20);
  EXPECT_EQ(label->Left, 7);
  EXPECT_EQ(label->Top, 9);
  label->SetText("");
  EXPECT_EQ(label->Width, 0);
  EXPECT_EQ(label->Height, 0);
  // Sizes no screen could show are cut, not allocated.
  label->SetZoomX(256);
  label->SetZoomY(256);
  label->SetLineSpace(1 << 30);
  label->SetText("a\nb\nc");
  EXPECT_EQ(label->BlockHeight(), kMaxLabelSide);
}

TEST(VelkLabel, EmptyFontNameUsesTheGothicFace) {
  TVelkBaseList scene;
  TVelkLabel* named = NewLabel(scene, "字あ", 20);
  auto* unnamed = scene.New<TVelkLabel>();
  unnamed->SetFontName("");
  unnamed->SetFontHeight(20);
  unnamed->SetText(Utf8ToCp932("字あ"));
  EXPECT_EQ(CoveragePixels(*unnamed), CoveragePixels(*named));
  unnamed->SetFontName(Utf8ToCp932("ＭＳ 明朝"));
  EXPECT_NE(CoveragePixels(*unnamed), CoveragePixels(*named));
}

TEST(VelkLabel, LinesAlignLeftCentreAndRight) {
  TVelkBaseList scene;
  TVelkLabel* label = NewLabel(scene, "あ\nあああ");
  const int32_t left = LeftmostInk(*label, 0, 16);
  ASSERT_GE(left, 0);
  EXPECT_EQ(LeftmostInk(*label, 16, 32), left);
  label->SetHAlign(1);
  EXPECT_EQ(LeftmostInk(*label, 0, 16), left + 16);
  label->SetHAlign(2);
  EXPECT_EQ(LeftmostInk(*label, 0, 16), left + 32);
  label->SetHAlign(7);
  EXPECT_EQ(LeftmostInk(*label, 0, 16), left + 32);
  EXPECT_EQ(LeftmostInk(*label, 16, 32), left);
}

TEST(VelkLabel, AntiAliasChoosesSmoothCoverage) {
  TVelkBaseList scene;
  TVelkLabel* label = NewLabel(scene, "あ", 24);
  for (uint32_t v : CoveragePixels(*label)) ASSERT_TRUE(v == 0 || v == 255) << v;
  label->SetAntiAlias(true);
  bool partial = false;
  for (uint32_t v : CoveragePixels(*label)) partial |= v != 0 && v != 255;
  EXPECT_TRUE(partial);
}

// Draws the label on a black screen and checks every pixel against the coverage mapped by `map`.
// Full coverage through the colour-through-coverage draw blends by 255/256; the scaled draws copy the colour.
int32_t Blend255(int32_t c) {
  int32_t v = 0;
  for (int shift : {0, 8, 16}) v |= (((c >> shift) & 0xFF) * 255 >> 8) << shift;
  return v;
}

template <class Map> void ExpectDrawn(TVelkBaseList& scene, int32_t colour, Map map) {
  scene.DrawAll();
  TDIBX* screen = scene.PresentationSurface();
  const auto ink = static_cast<uint32_t>(screen->ColorToPixel(colour));
  const auto black = static_cast<uint32_t>(screen->ColorToPixel(0));
  int drawn = 0;
  for (int32_t y = 0; y < screen->Height(); ++y) {
    for (int32_t x = 0; x < screen->Width(); ++x) {
      const uint32_t want = map(x, y) ? ink : black;
      drawn += want == ink;
      ASSERT_EQ(screen->GetPixel(x, y), want) << x << "," << y;
    }
  }
  EXPECT_GT(drawn, 20);
}

TEST(VelkLabel, DrawsTheFontColourThroughItsCoverage) {
  TVelkBaseList scene;
  scene.SetSize(80, 40);
  scene.ActiveBaseObject()->SetColor(0);
  TVelkLabel* label = NewLabel(scene, "Aあ\nx");
  label->SetBounds(5, 3, 0, 0);
  label->SetText(Utf8ToCp932("Aあ\nx"));
  label->SetVisualInt(label->FontColor, 0x30C0F0);
  const auto covered = [&](int32_t x, int32_t y) { return label->Coverage()->GetPixel(x, y) == 255; };
  const int32_t w = label->BlockWidth(), h = label->BlockHeight();
  ExpectDrawn(scene, Blend255(0x30C0F0), [&](int32_t x, int32_t y) {
    return x >= 5 && y >= 3 && x < 5 + w && y < 3 + h && covered(x - 5, y - 3);
  });
  // A mirrored control mirrors its anchor too: with OffsetX 0 the right edge stays at Left.
  label->SetBounds(30, 3, w, h);
  label->SetFlipH(true);
  const int32_t left = label->ScreenLeft();
  EXPECT_EQ(left, 30 - (w - 1));
  ExpectDrawn(scene, Blend255(0x30C0F0), [&](int32_t x, int32_t y) {
    return x >= left && y >= 3 && x < left + w && y < 3 + h && covered(w - 1 - (x - left), y - 3);
  });
  label->SetFlipH(false);
  label->SetBounds(5, 3, w, h);
  label->SetZoomX(512);
  label->SetZoomY(512);
  ExpectDrawn(scene, 0x30C0F0, [&](int32_t x, int32_t y) {
    return x >= 5 && y >= 3 && x < 5 + 2 * w && y < 3 + 2 * h && covered((x - 5) / 2, (y - 3) / 2);
  });
}

TEST(VelkLabel, OpacityCodesBlendAddAndHide) {
  TVelkBaseList scene;
  scene.SetSize(40, 20);
  scene.ActiveBaseObject()->SetColor(0x202020);
  TVelkLabel* label = NewLabel(scene, "■");
  label->SetVisualInt(label->FontColor, 0xFFFFFF);
  TDIBX* screen = scene.PresentationSurface();
  const auto at_ink = [&] {
    scene.DrawAll();
    for (int32_t y = 0; y < label->BlockHeight(); ++y)
      for (int32_t x = 0; x < label->BlockWidth(); ++x)
        if (label->Coverage()->GetPixel(x, y) == 255) return screen->GetPixel(x, y);
    return 0u;
  };
  const auto grey = [&](int32_t v) { return static_cast<uint32_t>(screen->ColorToPixel(v * 0x010101)); };
  EXPECT_EQ(at_ink(), grey(0xFE));
  label->SetVisualInt(label->Alpha, 0);
  EXPECT_EQ(at_ink(), grey(0x20));
  label->SetVisualInt(label->Alpha, 384);  // adds half the white
  EXPECT_EQ(at_ink(), grey(0x20 + 0x7F));
  label->SetVisualInt(label->Alpha, 128);
  const uint32_t half = at_ink();
  EXPECT_NE(half, grey(0x20));
  EXPECT_NE(half, grey(0xFF));
}

TEST(VelkLabel, RotationTurnsTheDirtyAreaAndTheInk) {
  TVelkBaseList scene;
  scene.SetSize(100, 100);
  scene.ActiveBaseObject()->SetColor(0);
  TVelkLabel* label = NewLabel(scene, "ああああ");  // 64 × 16
  label->SetBounds(50, 50, 0, 0);
  label->SetText(Utf8ToCp932("ああああ"));
  label->SetVisualInt(label->FontColor, 0xFFFFFF);
  test::SetInt(*label, PR_ANGLE, 64);  // a quarter turn clockwise around the top-left corner
  const TRect r = label->ScreenRect();
  EXPECT_EQ(r.Width(), 17);
  EXPECT_EQ(r.Height(), 65);
  EXPECT_LE(r.Left, 35);
  EXPECT_GE(r.Top, 49);
  scene.DrawAll();
  TDIBX* screen = scene.PresentationSurface();
  const auto white = static_cast<uint32_t>(screen->ColorToPixel(0xFFFFFF));
  int inside = 0, outside = 0;
  for (int32_t y = 0; y < 100; ++y)
    for (int32_t x = 0; x < 100; ++x)
      if (screen->GetPixel(x, y) == white) (r.Contains(x, y) ? inside : outside)++;
  EXPECT_GT(inside, 40);
  EXPECT_EQ(outside, 0);
  test::SetInt(*label, PR_ANGLE, 256);
  EXPECT_EQ(label->ScreenRect(), (TRect{50, 50, 114, 66}));
}

// A motion of `length` ticks that moves its control 10 pixels right per tick.
class TFakeMotionFilm : public IVelkFilm {
 public:
  TFakeMotionFilm(TVelkControl& target, int32_t length) : target_(target), length_(length) {}
  int32_t Length() const override { return length_; }
  int32_t LoopStart() const override { return 0; }
  void MoveTo(int32_t tick) override {
    tick_ = tick;
    target_.MotionX = 10 * tick;
  }
  int32_t CurrentTick() const override { return tick_; }
  bool Relative() const override { return false; }
  void SetOrigin(int32_t, int32_t) override {}
  void SetBasePriority(int32_t) override {}
  bool HasOwnScene() const override { return false; }
  void SetScene(TVelkBaseList*) override {}
  int32_t Width() const override { return 0; }
  int32_t Height() const override { return 0; }
  void SetPlaying(bool) override {}
  void SetVolume(int32_t) override {}

 private:
  TVelkControl& target_;
  int32_t length_;
  int32_t tick_ = 0;
};

TEST(VelkLabel, MotionSourceDrivesThePositionAndEndsTheRun) {
  TVelkBaseList scene;
  scene.SetSize(100, 50);
  scene.Services.LoadFilm = [](TVelkControl& target, const std::string& name) -> std::unique_ptr<IVelkFilm> {
    if (name != "walk.KMT") return nullptr;
    return std::make_unique<TFakeMotionFilm>(target, 3);
  };
  TVelkLabel* label = NewLabel(scene, "a");
  label->OnPlayEnd = "ended";
  test::Set(*label, PR_SOURCE, "walk.png");
  EXPECT_FALSE(label->MotionAttached());
  test::Set(*label, PR_SOURCE, "walk.KMT");
  ASSERT_TRUE(label->MotionAttached());
  EXPECT_EQ(test::Prop(*label, PR_SOURCE), "walk.KMT");
  std::vector<std::string> events;
  for (int i = 0; i < 12; ++i) {
    scene.ProcessInput(17);
    EXPECT_FALSE(label->Update());
    for (const std::string& e : test::Drain(scene)) events.push_back(e);
  }
  EXPECT_EQ(label->MotionX, 20);
  EXPECT_EQ(label->ScreenLeft(), 20);
  EXPECT_EQ(events, (std::vector<std::string>{"43:label()"}));
  // Another source detaches the motion and puts the label back.
  label->SetSource("");
  EXPECT_FALSE(label->MotionAttached());
  EXPECT_EQ(label->MotionX, 0);
  // With PR_AUTOSCRAP the label ends itself with its motion.
  label->AutoScrap = true;
  label->SetSource("walk.KMT");
  bool ended = false;
  for (int i = 0; i < 12 && !ended; ++i) {
    scene.ProcessInput(17);
    ended = label->Update();
  }
  EXPECT_TRUE(ended);
}

TEST(VelkLabel, SaveRecordRoundTrips) {
  TVelkBaseList scene;
  TVelkLabel* label = NewLabel(scene, "一行目\n2");
  label->SetLineSpace(3);
  label->SetFontStyle(kFontBold);
  label->SetHAlign(2);
  label->SetAntiAlias(true);
  label->SetFlipV(true);
  label->SetZoomX(300);
  label->SetZoomY(200);
  label->Alpha = 200;
  label->FontColor = 0x123456;
  label->Angle = 5;
  label->OnIdle = "idle";
  label->SetSource("m.kmt");
  label->Repeat = true;
  label->OnPlayEnd = "end";
  label->PausedFlag = true;
  TMemoryStream s;
  label->SaveToStream(s);
  s.SetPosition(0);
  TVelkBaseList other;
  auto* copy = other.New<TVelkLabel>();
  copy->LoadFromStream(s, 140);
  EXPECT_EQ(s.Remaining(), 0);
  for (int32_t id :
       {PR_NAME,   PR_TEXT,   PR_FONTNAME,  PR_FONTHEIGHT, PR_LINESPACE, PR_FONTSTYLE, PR_HALIGN, PR_ANTIALIAS,
        PR_FLIPH,  PR_FLIPV,  PR_ZOOMX,     PR_ZOOMY,      PR_ALPHA,     PR_FONTCOLOR, PR_ANGLE,  PR_ONIDLE,
        PR_SOURCE, PR_REPEAT, PR_AUTOSCRAP, PR_ONPLAYEND,  PR_PAUSED,    PR_WIDTH,     PR_HEIGHT}) {
    EXPECT_EQ(test::Prop(*copy, id), test::Prop(*label, id)) << PropInfo(id).Name;
  }
  EXPECT_EQ(CoveragePixels(*copy), CoveragePixels(*label));
}

// A new zoom moves the anchor: the area the label covered before is redrawn too, not only the new one.
TEST(VelkLabel, ZoomRedrawsTheOldAndTheNewArea) {
  TVelkBaseList scene;
  scene.SetSize(300, 100);
  TVelkLabel* label = NewLabel(scene, "あいう");
  label->SetLeft(150);
  label->SetTop(10);
  test::SetInt(*label, PR_OFFSETX, 100);
  scene.DrawAll();
  scene.ClearDirty();
  const TRect before = label->ScreenRect();
  test::SetInt(*label, PR_ZOOMX, 64);
  const TRect after = label->ScreenRect();
  ASSERT_NE(before, after);
  const std::vector<TRect> changed = scene.ChangedRects();
  const auto covered = [&](const TRect& r) {
    return std::any_of(changed.begin(), changed.end(), [&](const TRect& d) { return d.Contains(r); });
  };
  EXPECT_TRUE(covered(before));
  EXPECT_TRUE(covered(after));
}

}  // namespace
}  // namespace velk
