// The shared image cache: use counts per owner, idle items and their trimming, the "?m" and "?t" variants,
// surfaces at the screen depth, and re-decoding on dither-mode and display changes.
#include "gfx/image_cache.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "base/error.h"
#include "gfx/brix_writer.h"
#include "gfx/dib_pixels.h"
#include "vfs/stream.h"

namespace velk {
namespace {

// A one-frame 24-bit layered image of 4 x 3: pixel (x, y) has colour 0x00BBGGRR = x * 0x40 red, y * 0x50 green;
// colour 0 (the transparent one) everywhere in column 0 and row 2.
std::vector<uint8_t> Picture(int32_t display_time = 120, bool alpha = false) {
  TBrixFrameList list;
  TBrixFrame& f = list.AddFrame();
  SetDibSize(f.Picture, 4, 3, 24);
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 4; ++x) {
      const uint32_t c = x == 0 || y == 2 ? 0 : uint32_t(x * 0x40) | uint32_t(y * 0x50) << 8;
      SetDibPixel(f.Picture, x, y, DibColorToNative(f.Picture, c));
    }
  f.TransparentValue = 0;
  f.DisplayTime = display_time;
  f.ContentRects = {TRect{0, 0, 4, 3}};
  if (alpha) {
    f.Picture.SetHasAlpha(true);
    f.Picture.AlphaLine(1)[1] = 200;
  }
  TMemoryStream s;
  WriteBrix(s, list, TBrixWriteOptions{.Identification = 4711});
  return s.Bytes();
}

struct Files {
  std::map<std::string, std::vector<uint8_t>> bytes;
  int reads = 0;
  TBrixCollection::TReadFile Reader() {
    return [this](TStream& t, const std::string& name) {
      ++reads;
      auto it = bytes.find(name);
      if (it == bytes.end()) throw EStreamError("missing", name);
      t.WriteBuffer(it->second.data(), static_cast<int32_t>(it->second.size()));
    };
  }
};

TEST(ImageCache, CountsUsersPerOwnerAndKeepsIdleItemsUntilTrimmed) {
  Files files;
  files.bytes = {{"a.brx", Picture()}, {"b.brx", Picture()}, {"c.brx", Picture()}};
  TBrixCollection cache(files.Reader(), 4711);
  int owner1, owner2;
  TBrixItem* a = cache.Acquire(&owner1, "a.brx");
  EXPECT_EQ(cache.Acquire(&owner2, "A.BRX"), a);  // names ignore case
  EXPECT_EQ(files.reads, 1);
  EXPECT_EQ(a->UseCount(), 2);
  cache.Release(a, &owner1);
  cache.Release(a, &owner1);  // owner 1 holds nothing any more: no change
  EXPECT_EQ(a->UseCount(), 1);
  EXPECT_EQ(cache.IdleCount(), 0);
  cache.Release(a, &owner2);
  EXPECT_EQ(a->UseCount(), 0);
  EXPECT_EQ(cache.IdleCount(), 1);
  EXPECT_EQ(cache.Count(), 1);
  // Acquiring an idle item takes it off the idle list without reading the file again.
  EXPECT_EQ(cache.Acquire(&owner1, "a.brx"), a);
  EXPECT_EQ(cache.IdleCount(), 0);
  EXPECT_EQ(files.reads, 1);

  // Only idle items are trimmed, oldest first.
  cache.SetMaxIdle(1);
  TBrixItem* b = cache.Acquire(&owner1, "b.brx");
  TBrixItem* c = cache.Acquire(&owner1, "c.brx");
  cache.Release(b, &owner1);
  cache.Release(c, &owner1);
  EXPECT_EQ(cache.Count(), 2);
  EXPECT_EQ(cache.Find("b.brx"), nullptr);
  EXPECT_EQ(cache.Find("c.brx"), c);
  EXPECT_EQ(cache.Find("a.brx"), a);  // in use
  cache.FreeIdle();
  EXPECT_EQ(cache.Count(), 1);
  EXPECT_EQ(cache.Find("a.brx")->Frame(0).Surface->Width(), 4);
  cache.Release(a, &owner1);
  EXPECT_EQ(cache.Count(), 1);  // one idle item is allowed
  cache.SetMaxIdle(0);
  EXPECT_EQ(cache.Count(), 0);
}

TEST(ImageCache, FailedLoadsCacheNothing) {
  Files files;
  TBrixCollection cache(files.Reader(), 0);
  int owner;
  EXPECT_THROW(cache.Acquire(&owner, "gone.brx"), EStreamError);
  files.bytes["bad.brx"] = {'B', 'r', 'i', 'x', '1', '0', '6', 40};
  EXPECT_THROW(cache.Acquire(&owner, "bad.brx"), EVelkError);
  EXPECT_EQ(cache.Count(), 0);
  // Another extension loads no frames, which is no error.
  files.bytes["x.txt"] = {1, 2, 3};
  EXPECT_EQ(cache.Acquire(&owner, "x.txt")->Count(), 0);
}

TEST(ImageCache, MakesSurfacesAtTheScreenDepthWithTheirTransparentValueAndRectangles) {
  Files files;
  files.bytes = {{"p.brx", Picture(120, true)}};
  for (int depth : {32, 16, 15}) {
    SCOPED_TRACE(depth);
    TBrixCollection cache(files.Reader(), 4711, depth);
    int owner;
    TBrixItem* item = cache.Acquire(&owner, "p.brx");
    ASSERT_EQ(item->Count(), 1);
    TBrixItemFrame& f = item->Frame(0);
    EXPECT_EQ(f.DisplayTime, 120);
    EXPECT_EQ(f.Surface->BitCount(), depth);
    EXPECT_EQ(f.Surface->TransparentValue, 0);
    // 24-bit blue, green, red become 0x00RRGGBB at 32 bits; 5-6-5 and 5-5-5 keep the high bits of each channel.
    const uint32_t r = 3 * 0x40, g = 0x50;
    const uint32_t expected = depth == 32   ? r << 16 | g << 8
                              : depth == 16 ? (r >> 3) << 11 | (g >> 2) << 5
                                            : (r >> 3) << 10 | (g >> 3) << 5;
    EXPECT_EQ(f.Surface->GetPixel(3, 1), expected);
    EXPECT_EQ(f.Surface->ContentRects, (std::vector<TRect>{TRect{0, 0, 4, 3}}));
    EXPECT_EQ(f.ContentRects, f.Surface->ContentRects);
    ASSERT_NE(f.Mask, nullptr);  // the frame has alpha
    EXPECT_EQ(f.Mask->BitCount(), 8);
    EXPECT_EQ(f.Mask->GetPixel(1, 1), 200u);
  }
}

TEST(ImageCache, MaskAndTrimVariantsAreSeparateItems) {
  Files files;
  files.bytes = {{"p.brx", Picture()}};
  TBrixCollection cache(files.Reader(), 4711);
  int owner;
  TBrixItem* plain = cache.Acquire(&owner, "p.brx");
  TBrixItem* masked = cache.Acquire(&owner, "p.brx", false, true);
  TBrixItem* trimmed = cache.Acquire(&owner, "p.brx?t");
  EXPECT_EQ(cache.Acquire(&owner, "p.brx?m"), masked);
  EXPECT_EQ(cache.Acquire(&owner, "P.brx", true, false), trimmed);
  EXPECT_EQ(cache.Count(), 3);
  EXPECT_EQ(masked->Name(), "p.brx?m");
  EXPECT_EQ(trimmed->Name(), "p.brx?t");
  EXPECT_EQ(cache.Acquire(&owner, "p.brx?m?t")->Name(), "p.brx?m?t");

  EXPECT_EQ(plain->Frame(0).Mask, nullptr);
  ASSERT_NE(masked->Frame(0).Mask, nullptr);
  EXPECT_EQ(masked->Frame(0).Mask->GetPixel(0, 0), 0u);  // the transparent colour
  EXPECT_EQ(masked->Frame(0).Mask->GetPixel(1, 1), 255u);
  // Column 0 and row 2 hold the transparent colour: the trimmed picture is (1, 0) - (4, 2).
  EXPECT_EQ(trimmed->Frame(0).Offset, (TPoint{1, 0}));
  EXPECT_EQ(trimmed->Frame(0).Surface->Width(), 3);
  EXPECT_EQ(trimmed->Frame(0).Surface->Height(), 2);
  EXPECT_EQ(trimmed->Frame(0).ContentRects, (std::vector<TRect>{TRect{0, 0, 3, 2}}));
  EXPECT_EQ(plain->Frame(0).Offset, (TPoint{0, 0}));
}

TEST(ImageCache, DitherModeAndDisplayChangesDecodeEveryItemAgain) {
  Files files;
  files.bytes = {{"p.brx", Picture(120)}};
  TBrixCollection cache(files.Reader(), 4711);
  int owner;
  TBrixItem* item = cache.Acquire(&owner, "p.brx");
  EXPECT_EQ(files.reads, 1);
  cache.SetDitherMode(0);  // unchanged
  EXPECT_EQ(files.reads, 1);
  files.bytes["p.brx"] = Picture(333);
  cache.SetDitherMode(1);
  EXPECT_EQ(cache.DitherMode(), 1);
  EXPECT_EQ(files.reads, 2);
  EXPECT_EQ(item->Frame(0).DisplayTime, 333);

  cache.ReleaseSurfaces();
  EXPECT_EQ(item->Count(), 0);
  cache.RestoreSurfaces(16);
  ASSERT_EQ(item->Count(), 1);
  EXPECT_EQ(item->Frame(0).Surface->BitCount(), 16);
  EXPECT_EQ(item->UseCount(), 1);
}

}  // namespace
}  // namespace velk
