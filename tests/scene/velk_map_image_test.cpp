#include "scene/velk_map_image.h"

#include <gtest/gtest.h>

#include <map>

#include "base/error.h"
#include "gfx/brix_writer.h"
#include "gfx/dib_pixels.h"
#include "gfx/image_cache.h"
#include "scene/base_list.h"
#include "scene_test_support.h"
#include "vfs/stream.h"

namespace velk {
namespace {

using test::Drain;

constexpr int32_t kBlue = 0xFF0000, kGreen = 0x00FF00;

// A one-colour layered image with the given frame colours.
std::vector<uint8_t> Solid(int32_t w, int32_t h, std::vector<int32_t> colours, int32_t display_time = 100) {
  TBrixFrameList list;
  for (int32_t colour : colours) {
    TBrixFrame& f = list.AddFrame();
    SetDibSize(f.Picture, w, h, 24);
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) SetDibPixel(f.Picture, x, y, DibColorToNative(f.Picture, uint32_t(colour)));
    f.DisplayTime = display_time;
  }
  TMemoryStream s;
  WriteBrix(s, list, TBrixWriteOptions{});
  return s.Bytes();
}

// Regions "a" = rectangle (0, 0, 4, 4) and "b" = rectangle (10, 0, 14, 9).
std::vector<uint8_t> TwoRegions() {
  TMapRegions regions;
  TMapRegion a;
  a.Name = "a";
  a.Right = a.Bottom = 4;
  TMapRegion b;
  b.Name = "b";
  b.Left = 10;
  b.Right = 14;
  b.Bottom = 9;
  regions.Add(a);
  regions.Add(b);
  TMemoryStream s;
  regions.SaveToStream(s);
  return s.Bytes();
}

struct TMapScene {
  std::map<std::string, std::vector<uint8_t>> files;
  TBrixCollection cache{[this](TStream& t, const std::string& name) {
                          auto it = files.find(name);
                          if (it == files.end()) throw EStreamError("missing", name);
                          t.WriteBuffer(it->second.data(), static_cast<int32_t>(it->second.size()));
                        },
                        0};
  TVelkBaseList scene;
  std::vector<std::pair<std::string, int32_t>> selections;
  TVelkMapImage* map = nullptr;

  TMapScene() {
    files["map.brx"] = Solid(20, 10, {kBlue});
    files["hover.brx"] = Solid(20, 10, {kGreen});
    files["map.dat"] = TwoRegions();
    scene.Services.Images = &cache;
    scene.Services.ReadFile = [this](TStream& s, const std::string& name) {
      auto it = files.find(name);
      if (it == files.end()) return false;
      s.WriteBuffer(it->second.data(), static_cast<int32_t>(it->second.size()));
      s.SetPosition(0);
      return true;
    };
    scene.Services.SetSelection = [this](const std::string& name, int32_t index) {
      selections.emplace_back(name, index);
    };
    scene.SetSize(30, 12);
    scene.ActiveBaseObject()->SetColor(0);
    map = scene.New<TVelkMapImage>();
    map->SetName("map");
    map->SetParent(scene.ActiveBaseObject());
    test::Set(*map, PR_SOURCE, "map.brx");
    test::Set(*map, PR_HOVERSOURCE, "hover.brx");
    test::Set(*map, PR_MAPSOURCE, "map.dat");
    map->OnMapIn = "in";
    map->OnMapOut = "out";
    map->OnSelect = "sel";
  }
  void MoveTo(int32_t x, int32_t y) {
    scene.MouseMoveTo(x, y);
    scene.ProcessInput(15);
  }
  // Presses a button for one input step; answers whether the click is still there for the script.
  bool Click(bool left) {
    scene.MouseButtonDown(left);
    scene.ProcessInput(15);
    const TVelkBase* base = scene.ActiveBaseObject();
    const bool clicked = left ? base->LeftClick : base->RightClick;
    scene.MouseButtonUp();
    scene.ProcessInput(15);
    return clicked;
  }
  void Key(int32_t code) {
    scene.SetKey(code, true);
    scene.ProcessInput(15);
    scene.SetKey(code, false);
    scene.ProcessInput(15);
  }
  uint32_t Pixel(int32_t x, int32_t y) { return scene.PresentationSurface()->GetPixel(x, y); }
  uint32_t Native(int32_t colour) { return uint32_t(scene.PresentationSurface()->ColorToPixel(colour)); }
};

TEST(VelkMapImage, MouseMovesBetweenRegionsRaiseOutAndInAndShowTheHoverInside) {
  TMapScene t;
  EXPECT_EQ(t.map->Width, 20);
  EXPECT_EQ(t.map->Regions().Count(), 2);
  t.MoveTo(4, 4);  // the inclusive corner of "a"
  EXPECT_EQ(t.map->CurrentRegion(), 0);
  EXPECT_EQ(Drain(t.scene), (std::vector<std::string>{"104:map(a,0)"}));
  t.MoveTo(5, 4);
  EXPECT_EQ(t.map->CurrentRegion(), -1);
  EXPECT_EQ(Drain(t.scene), (std::vector<std::string>{"105:map(a,0)"}));
  t.MoveTo(12, 5);
  EXPECT_EQ(Drain(t.scene), (std::vector<std::string>{"104:map(b,1)"}));
  t.scene.DrawAll();
  EXPECT_EQ(t.Pixel(12, 5), t.Native(kGreen));
  EXPECT_EQ(t.Pixel(14, 9), t.Native(kGreen));
  EXPECT_EQ(t.Pixel(15, 9), t.Native(kBlue));
  EXPECT_EQ(t.Pixel(2, 2), t.Native(kBlue));
  EXPECT_EQ(t.Pixel(25, 2), t.Native(0));
  // Leaving the region redraws its box only.
  t.scene.ClearDirty();
  t.MoveTo(17, 5);
  EXPECT_EQ(t.scene.ChangedRects(), (std::vector<TRect>{TRect{10, 0, 15, 10}}));
  t.scene.DrawAll();
  EXPECT_EQ(t.Pixel(12, 5), t.Native(kBlue));
  // Without handlers nothing is queued, but the region still follows the mouse.
  t.map->OnMapIn.clear();
  t.map->OnMapOut.clear();
  Drain(t.scene);
  t.MoveTo(1, 1);
  EXPECT_EQ(t.map->CurrentRegion(), 0);
  EXPECT_TRUE(Drain(t.scene).empty());
}

TEST(VelkMapImage, LeftClickSelectsAndAutoScrapClosesOverTwoFrames) {
  TMapScene t;
  t.MoveTo(7, 7);
  t.Click(true);  // outside every region
  EXPECT_TRUE(t.selections.empty());
  t.MoveTo(11, 8);
  Drain(t.scene);
  t.map->AutoScrap = true;
  t.Click(true);
  EXPECT_EQ(t.selections, (std::vector<std::pair<std::string, int32_t>>{{"b", 1}}));
  EXPECT_EQ(Drain(t.scene), (std::vector<std::string>{"72:map(b,1)"}));
  EXPECT_EQ(t.map->ClosingState(), 1);
  EXPECT_FALSE(t.map->EventsBlocked());
  t.scene.UpdateAll();
  EXPECT_TRUE(t.map->EventsBlocked());
  t.MoveTo(2, 2);  // blocked: no region change, no events
  EXPECT_EQ(t.map->CurrentRegion(), 1);
  EXPECT_TRUE(Drain(t.scene).empty());
  t.scene.UpdateAll();
  EXPECT_EQ(t.scene.FindObject("map"), nullptr);
}

TEST(VelkMapImage, KeysWalkTheRegionsSelectAndCancel) {
  TMapScene t;
  t.MoveTo(25, 11);  // off the map: the mouse picks no region
  t.map->HandleKey = true;
  t.scene.SetFocus(t.map);
  Drain(t.scene);
  t.Key(40);  // none -> first
  EXPECT_EQ(t.map->CurrentRegion(), 0);
  t.Key(39);
  EXPECT_EQ(t.map->CurrentRegion(), 1);
  t.Key(40);  // last -> first
  EXPECT_EQ(t.map->CurrentRegion(), 0);
  t.Key(38);  // first -> last
  EXPECT_EQ(t.map->CurrentRegion(), 1);
  t.Key(37);
  EXPECT_EQ(t.map->CurrentRegion(), 0);
  EXPECT_EQ(Drain(t.scene),
            (std::vector<std::string>{"104:map(a,0)", "105:map(a,0)", "104:map(b,1)", "105:map(b,1)", "104:map(a,0)",
                                      "105:map(a,0)", "104:map(b,1)", "105:map(b,1)", "104:map(a,0)"}));
  t.Key(13);
  t.Key(32);
  EXPECT_EQ(t.selections, (std::vector<std::pair<std::string, int32_t>>{{"a", 0}, {"a", 0}}));
  // A second PR_ONSELECT is not queued while the first waits.
  EXPECT_EQ(Drain(t.scene), (std::vector<std::string>{"72:map(a,0)"}));
  EXPECT_EQ(t.map->ClosingState(), 0);
  // Escape cancels only with PR_RCLICKSCRAP.
  t.Key(27);
  EXPECT_EQ(t.map->ClosingState(), 0);
  test::Set(*t.map, PR_RCLICKSCRAP, "TRUE");
  t.Key(27);
  EXPECT_EQ(t.selections.back(), (std::pair<std::string, int32_t>{"", -1}));
  EXPECT_EQ(t.map->ClosingState(), 1);
}

TEST(VelkMapImage, RightClickCancelsThroughTheRightClickList) {
  TMapScene t;
  t.MoveTo(2, 2);
  t.Click(false);
  EXPECT_TRUE(t.selections.empty());  // not without PR_RCLICKSCRAP
  EXPECT_EQ(t.map->ClosingState(), 0);
  t.map->RClickScrap = true;
  EXPECT_FALSE(t.Click(false));
  EXPECT_EQ(t.selections, (std::vector<std::pair<std::string, int32_t>>{{"", -1}}));
  EXPECT_EQ(t.map->ClosingState(), 1);
  t.scene.UpdateAll();
  t.scene.UpdateAll();
  EXPECT_EQ(t.scene.FindObject("map"), nullptr);
  // The destroyed map image's entry is skipped: the next right click reaches the script.
  EXPECT_TRUE(t.Click(false));
}

TEST(VelkMapImage, MissingOrDamagedRegionFilesGiveNoRegions) {
  TMapScene t;
  t.MoveTo(2, 2);
  test::Set(*t.map, PR_MAPSOURCE, "none.dat");
  EXPECT_EQ(t.map->Regions().Count(), 0);
  EXPECT_EQ(t.map->CurrentRegion(), -1);
  t.files["bad.dat"] = {5, 0, 0, 0, 1, 0, 0, 0, 'x'};
  test::Set(*t.map, PR_MAPSOURCE, "bad.dat");
  EXPECT_EQ(t.map->Regions().Count(), 0);
  EXPECT_EQ(t.map->MapSource(), "bad.dat");
  t.MoveTo(3, 3);
  t.Click(true);
  t.Key(40);
  EXPECT_TRUE(t.selections.empty());
  // A missing picture leaves the map image empty.
  test::Set(*t.map, PR_SOURCE, "none.brx");
  EXPECT_EQ(t.map->Width, 0);
  t.scene.DrawAll();
}

TEST(VelkMapImage, AnimatedHoverRestartsOnEveryRegionChange) {
  TMapScene t;
  t.files["anim.brx"] = Solid(20, 10, {kGreen, 0x0000FF}, 30);
  test::Set(*t.map, PR_HOVERSOURCE, "anim.brx");
  t.MoveTo(2, 2);
  t.scene.ProcessInput(20);
  t.scene.UpdateAll();
  t.scene.DrawAll();
  EXPECT_EQ(t.Pixel(2, 2), t.Native(kGreen));
  t.scene.ClearDirty();
  t.scene.ProcessInput(20);
  t.scene.UpdateAll();  // 40 ms: the second frame
  EXPECT_EQ(t.scene.ChangedRects(), (std::vector<TRect>{TRect{0, 0, 5, 5}}));
  t.scene.DrawAll();
  EXPECT_EQ(t.Pixel(2, 2), t.Native(0x0000FF));
  t.MoveTo(12, 2);
  t.scene.DrawAll();
  EXPECT_EQ(t.Pixel(12, 2), t.Native(kGreen));
}

TEST(VelkMapImage, SaveRecordRoundTrips) {
  TMapScene t;
  t.map->AutoScrap = true;
  t.map->RClickScrap = true;
  t.map->OnIdle = "idle";
  t.map->Alpha = 300;
  t.map->Select(1);
  TMemoryStream s;
  t.map->SaveToStream(s);
  s.SetPosition(0);
  auto* back = t.scene.New<TVelkMapImage>();
  back->LoadFromStream(s, 140);
  EXPECT_EQ(s.GetPosition(), s.GetSize());
  EXPECT_EQ(back->Source(), "map.brx");
  EXPECT_EQ(back->HoverSource(), "hover.brx");
  EXPECT_EQ(back->Regions().Count(), 2);
  EXPECT_EQ(back->Width, 20);
  EXPECT_EQ(back->Alpha, 300);
  EXPECT_EQ(back->OnMapIn, "in");
  EXPECT_EQ(back->OnMapOut, "out");
  EXPECT_EQ(back->OnSelect, "sel");
  EXPECT_EQ(back->OnIdle, "idle");
  EXPECT_TRUE(back->AutoScrap);
  EXPECT_TRUE(back->RClickScrap);
  EXPECT_EQ(back->ClosingState(), 1);
  EXPECT_EQ(test::Prop(*back, PR_COMPOTYPE), "18");
}

}  // namespace
}  // namespace velk
