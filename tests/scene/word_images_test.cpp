#include "scene/word_images.h"

#include <gtest/gtest.h>

#include "base/sjis.h"
#include "gfx/image_cache.h"
#include "scene/picture_test_support.h"
#include "scene/scene_test_support.h"
#include "scene/velk_mes.h"
#include "text/word_composer.h"
#include "text/word_page.h"

namespace velk {
namespace {

// Inline pictures come from the image cache, animate by their frames' display times and go back to the cache with
// their glyphs.
TEST(WordImages, PicturesComeFromTheCacheAndAnimateByTheirTimes) {
  test::TPictureWorld w;
  w.Files["pic.brx"] = test::MakeBrix({{.W = 10, .H = 30, .Colour = 0x0000FF, .Time = 50},
                                       {.W = 10, .H = 30, .Colour = 0x00FF00, .Time = 20}});
  TSceneWordImages source(&w.Cache);
  EXPECT_EQ(source.LoadImage("missing.brx"), nullptr);
  {
    std::unique_ptr<IWordImage> image = source.LoadImage("pic.brx");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->Width(), 10);
    EXPECT_EQ(image->Height(), 30);
    EXPECT_TRUE(image->Animated());
    TCustomDIBX* first = image->Surface();
    EXPECT_FALSE(image->Advance(49));
    EXPECT_TRUE(image->Advance(1));
    EXPECT_NE(image->Surface(), first);
    // 20 ms of the second frame and 50 of the first: a whole lap ends on the frame it began with.
    EXPECT_FALSE(image->Advance(70));
    EXPECT_NE(image->Surface(), first);
    EXPECT_TRUE(image->Advance(20));
    EXPECT_EQ(image->Surface(), first);
    EXPECT_EQ(w.Cache.Find("pic.brx?m")->UseCount(), 1);
  }
  EXPECT_EQ(w.Cache.Find("pic.brx?m")->UseCount(), 0);

  // A message window lays out the picture of an IMG tag at its size.
  auto* mes = w.Scene.New<TVelkMes>();
  mes->SetParent(w.Base());
  mes->SetBounds(0, 0, 60, 40);
  test::Set(*mes, PR_TEXT, "<IMG SRC=\"pic.brx\">");
  ASSERT_GE(mes->Composer().PageCount(), 1);
  const TWdPage* page = mes->Composer().Page(0);
  ASSERT_FALSE(page->Rows.empty());
  ASSERT_FALSE(page->Rows[0]->Glyphs.empty());
  EXPECT_EQ(page->Rows[0]->Glyphs[0]->Width, 10);
  EXPECT_EQ(page->Rows[0]->Glyphs[0]->Height, 30);
}

}  // namespace
}  // namespace velk
