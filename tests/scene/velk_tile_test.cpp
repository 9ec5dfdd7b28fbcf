#include "scene/velk_tile.h"

#include <gtest/gtest.h>

#include "vfs/stream.h"

#include "scene/picture_test_support.h"
#include "scene/scene_test_support.h"
#include "scene/velk_box.h"

namespace velk {
namespace {

using test::TPictureWorld;

TVelkTile* NewTile(TPictureWorld& w, const std::string& source, TRect r) {
  auto* t = w.Scene.New<TVelkTile>();
  t->SetName("t");
  t->SetParent(w.Base());
  test::Set(*t, PR_SOURCE, source);
  t->SetBounds(r.Left, r.Top, r.Width(), r.Height());
  return t;
}

// One row of the presented screen as characters: '#' where the colour is, '.' elsewhere.
std::string Row(TPictureWorld& w, int32_t y, int32_t width, int32_t colour) {
  std::string s;
  for (int32_t x = 0; x < width; ++x) s += w.Pixel(x, y) == w.Native(colour) ? '#' : '.';
  return s;
}

TEST(VelkTile, PlacedByLeftAndTopAloneWithChildrenOnTheScrolledContent) {
  TPictureWorld w;
  w.Files["p.brx"] = test::MakeBrix({{.W = 4, .H = 4}});
  TVelkTile* t = NewTile(w, "p.brx", Bounds(10, 5, 30, 20));
  test::SetInt(*t, PR_OFFSETX, 3);
  test::SetInt(*t, PR_OFFSETY, 2);
  test::SetInt(*t, PR_ZOOMX, 512);
  test::Set(*t, PR_FLIPH, "TRUE");
  test::Set(*t, PR_POSZOOMED, "TRUE");
  w.Frame(16);
  EXPECT_EQ(t->ScreenLeft(), 10);
  EXPECT_EQ(t->ScreenTop(), 5);
  EXPECT_EQ(test::Prop(*t, PR_OFFSETX), "3");
  EXPECT_EQ(test::Prop(*t, PR_ZOOMX), "512");
  // The tile keeps the size it was given, also when a width is set.
  EXPECT_EQ(t->Width, 30);
  test::SetInt(*t, PR_WIDTH, 25);
  EXPECT_EQ(test::Prop(*t, PR_ZOOMX), "512");
  w.Frame(16);
  EXPECT_EQ(t->Width, 25);

  auto* child = w.Scene.New<TVelkBox>();
  child->SetParent(t);
  child->SetBounds(2, 3, 4, 4);
  test::SetInt(*t, PR_SCROLLX, 4);
  test::SetInt(*t, PR_SCROLLY, -1);
  EXPECT_EQ(child->ScreenLeft(), 10 + 2 - 4);
  EXPECT_EQ(child->ScreenTop(), 5 + 3 + 1);
}

TEST(VelkTile, RepeatsThePictureWithScrollMaskAndOpacity) {
  TPictureWorld w(16, 8);
  w.Base()->SetColor(0);
  w.Files["solid.brx"] = test::MakeBrix({{.W = 4, .H = 2, .Colour = 0x00FF00}});
  w.Files["half.brx"] = test::MakeBrix({{.W = 4, .H = 2, .Colour = 0x00FF00, .AlphaSplit = true}});
  TVelkTile* t = NewTile(w, "solid.brx", Bounds(0, 0, 12, 2));
  w.Scene.DrawAll();
  EXPECT_EQ(Row(w, 0, 16, 0x00FF00), "############....");
  // Through the mask: two of every four columns; the scroll picks the column at the left edge.
  test::Set(*t, PR_SOURCE, "half.brx");
  t->SetBounds(0, 0, 12, 2);
  w.Scene.DrawAll();
  EXPECT_EQ(Row(w, 0, 16, 0x00FF00), "##..##..##......");
  test::SetInt(*t, PR_SCROLLX, 1);
  w.Scene.DrawAll();
  EXPECT_EQ(Row(w, 0, 16, 0x00FF00), "#..##..##..#....");
  // Scaled twice across.
  test::SetInt(*t, PR_SCROLLX, 0);
  test::SetInt(*t, PR_ZOOMX, 512);
  w.Scene.DrawAll();
  EXPECT_EQ(Row(w, 0, 16, 0x00FF00), "####....####....");
  // Blended with the opacity code through the mask: a' = 128 x 255 >> 8 = 127, 255 x 127 >> 8 = 0x7E.
  test::SetInt(*t, PR_ZOOMX, 256);
  test::SetInt(*t, PR_ALPHA, 128);
  w.Scene.DrawAll();
  EXPECT_EQ(w.Pixel(0, 0), w.Native(0x007E00));
  EXPECT_EQ(w.Pixel(2, 0), w.Native(0));
}

TEST(VelkTile, DistancesWiderThanThePicturePlaceCopies) {
  TPictureWorld w(20, 8);
  w.Base()->SetColor(0);
  w.Files["solid.brx"] = test::MakeBrix({{.W = 4, .H = 2, .Colour = 0x0000FF}});
  TVelkTile* t = NewTile(w, "solid.brx", Bounds(0, 0, 16, 6));
  test::SetInt(*t, PR_DISTANCEX, 6);
  w.Scene.DrawAll();
  // Across every 6 pixels; down every picture height (a distance of 0 means the picture size).
  EXPECT_EQ(Row(w, 0, 20, 0x0000FF), "####..####..####....");
  EXPECT_EQ(Row(w, 3, 20, 0x0000FF), "####..####..####....");
  test::SetInt(*t, PR_SCROLLX, 1);
  test::SetInt(*t, PR_DISTANCEY, 3);
  w.Scene.DrawAll();
  EXPECT_EQ(Row(w, 0, 20, 0x0000FF), "###..####..####.....");
  EXPECT_EQ(Row(w, 2, 20, 0x0000FF), "....................");
  EXPECT_EQ(Row(w, 3, 20, 0x0000FF), "###..####..####.....");
  // Copies stop at the tile's edge, and a tile reaching far off the screen draws only what is on it.
  t->SetBounds(0, 0, 14, 6);
  w.Scene.DrawAll();
  EXPECT_EQ(Row(w, 0, 20, 0x0000FF), "###..####..###......");
  t->SetBounds(-2000000000, 0, 2000000015, 6);
  test::SetInt(*t, PR_SCROLLX, 0);
  test::SetInt(*t, PR_DISTANCEY, 0);
  w.Scene.DrawAll();
  // Copies every 6 from -2000000000, which is 4 modulo 6; the tile ends at 15.
  EXPECT_EQ(Row(w, 0, 20, 0x0000FF), "##..####..####......");
}

TEST(VelkTile, SaveAndLoadRestoreScrollDistancesAndPicture) {
  TPictureWorld w;
  w.Files["solid.brx"] = test::MakeBrix({{.W = 4, .H = 2}});
  TVelkTile* t = NewTile(w, "solid.brx", Bounds(3, 4, 20, 10));
  test::SetInt(*t, PR_SCROLLX, -7);
  test::SetInt(*t, PR_SCROLLY, 9);
  test::SetInt(*t, PR_DISTANCEX, 11);
  test::SetInt(*t, PR_DISTANCEY, 12);
  test::SetInt(*t, PR_ZOOMY, 300);
  test::SetInt(*t, PR_ALPHA, 77);
  test::Set(*t, PR_ONIDLE, "*idle");
  auto* child = w.Scene.New<TVelkBox>();
  child->SetName("c");
  child->SetParent(t);
  TMemoryStream saved;
  w.Scene.SaveToStream(saved);
  TPictureWorld w2;
  w2.Files = w.Files;
  saved.SetPosition(0);
  w2.Scene.LoadFromStream(saved, 140);
  EXPECT_EQ(saved.Remaining(), 0);
  auto* back = dynamic_cast<TVelkTile*>(w2.Scene.FindObject("t"));
  ASSERT_NE(back, nullptr);
  for (int32_t id : {PR_LEFT, PR_TOP, PR_WIDTH, PR_HEIGHT, PR_SCROLLX, PR_SCROLLY, PR_DISTANCEX, PR_DISTANCEY, PR_ZOOMY,
                     PR_ALPHA, PR_ONIDLE, PR_SOURCE, PR_ORIGWIDTH}) {
    EXPECT_EQ(test::Prop(*back, id), test::Prop(*t, id)) << PropInfo(id).Name;
  }
  EXPECT_EQ(back->ChildCount(), 1);
  EXPECT_EQ(back->ComponentType(), VT_TILE);
}

// The anchor a script gives is the control's own (saved and loaded with it); neither it nor the extra offset
// moves the tile.
TEST(VelkTile, AnchorIsAControlFieldAndNeitherItNorTheExtraOffsetPlacesTheTile) {
  TPictureWorld w;
  w.Files["p.brx"] = test::MakeBrix({{.W = 4, .H = 4}});
  TVelkTile* t = NewTile(w, "p.brx", Bounds(10, 5, 30, 20));
  test::SetInt(*t, PR_OFFSETX, 3);
  test::SetInt(*t, PR_OFFSETY, 2);
  test::SetInt(*t, PR_PLUSX, 7);
  test::SetInt(*t, PR_PLUSY, -4);
  EXPECT_EQ(t->OffsetX, 3);
  EXPECT_EQ(t->OffsetY, 2);
  EXPECT_EQ(t->ScreenLeft(), 10);
  EXPECT_EQ(t->ScreenTop(), 5);
  TMemoryStream s;
  t->SaveToStream(s);
  s.SetPosition(0);
  auto* copy = w.Scene.New<TVelkTile>();
  copy->LoadFromStream(s, 140);
  EXPECT_EQ(test::Prop(*copy, PR_OFFSETX), "3");
  EXPECT_EQ(test::Prop(*copy, PR_OFFSETY), "2");
}

}  // namespace
}  // namespace velk
