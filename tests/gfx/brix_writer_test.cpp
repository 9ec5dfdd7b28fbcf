// The layered image writer read back by the reader: every version, compression, scrambling and block layout over
// every depth, with layers, alpha, flags and several frames whose blocks repeat within and across frames.
#include "gfx/brix_writer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "base/error.h"
#include "gfx/bmp_image.h"
#include "gfx/dib_pixels.h"
#include "vfs/stream.h"

namespace velk {
namespace {

uint32_t ValueMask(int depth) {
  switch (depth) {
    case 1: return 1;
    case 4: return 15;
    case 8: return 255;
    case 15: return 0x7FFF;
    case 16: return 0xFFFF;
    default: return 0xFFFFFF;
  }
}

// Pictures with repeating tiles (so blocks are shared) and a few unique pixels.
void Paint(TDIBSurface& d, int depth, std::mt19937& rng, int variant) {
  const uint32_t mask = ValueMask(depth);
  std::vector<uint32_t> tile(16);
  for (auto& v : tile) v = rng() & mask;
  for (int32_t y = 0; y < d.Height(); ++y)
    for (int32_t x = 0; x < d.Width(); ++x) SetDibPixel(d, x, y, tile[(y % 4) * 4 + x % 4]);
  for (int i = 0; i < 3 + variant; ++i)
    SetDibPixel(d, static_cast<int32_t>(rng() % d.Width()), static_cast<int32_t>(rng() % d.Height()), rng() & mask);
}

// Three frames of two layers; frame 1 repeats frame 0's first layer; the second layer has alpha (when the version
// stores alpha) and a transparent value.
TBrixFrameList Source(int depth, int version, uint32_t seed) {
  std::mt19937 rng(seed);
  TBrixFrameList list;
  for (int f = 0; f < 3; ++f) {
    TBrixFrame& fr = list.AddFrame();
    fr.Name = "frame" + std::to_string(f);
    fr.DisplayTime = 40 + f;
    fr.Kept = static_cast<uint8_t>(f);
    fr.TransparentValue = f == 2 ? 1 : -1;
    SetDibSize(fr.Picture, 13, 11, depth);
    for (int i = 0; i < 256; ++i) fr.Picture.Palette[i] = rng() & 0xFFFFFF;
    if (version >= 104) {
      fr.ContentRects = {TRect{0, 0, 5, 5}, TRect{1, 2, 13, 11}};
      fr.ExtraRects = {TRect{3, 3, 4, 4}};
    }
    for (int l = 0; l < 2; ++l) {
      TBrixLayer& layer = fr.AddLayer();
      layer.Name = "layer" + std::to_string(l);
      layer.Visible = !(f == 1 && l == 0);
      layer.Opacity = l == 0 ? 255 : 100 + f;
      layer.TransparentValue = l == 1 ? 0 : -1;
      SetDibSize(layer.Picture, 13, 11, depth);
      layer.Picture.Palette = fr.Picture.Palette;
      if (f == 1 && l == 0) {
        std::memcpy(layer.Picture.Bits(), list.Frame(0).Layer(0).Picture.Bits(), layer.Picture.ByteSize());
        SetDibPixel(layer.Picture, 12, 10, 1);
      } else {
        Paint(layer.Picture, depth, rng, f);
      }
      if (l == 1 && version > 99) {
        layer.AlphaEnabled = version > 100;
        layer.Picture.SetHasAlpha(true);
        for (int32_t y = 0; y < 11; ++y)
          for (int32_t x = 0; x < 13; ++x)
            layer.Picture.AlphaLine(y)[x] = static_cast<uint8_t>((x * 37 + y * 11) & 0xF0);
        if (version > 100) layer.TransparentValue = -1;  // the reader drops it for alpha-enabled layers
      }
    }
  }
  return list;
}

std::vector<uint8_t> Write(TBrixFrameList& list, const TBrixWriteOptions& o) {
  TMemoryStream s;
  WriteBrix(s, list, o);
  return s.Bytes();
}

TBrixFrameList Read(const std::vector<uint8_t>& bytes, int32_t id, bool keep_layers = true) {
  TBrixFrameList list(id);
  TMemoryStream s(bytes);
  list.LoadFromStream(s, false, false, keep_layers, "round.brx");
  EXPECT_EQ(s.GetPosition(), s.GetSize());
  return list;
}

::testing::AssertionResult SamePixels(const TDIBSurface& a, const TDIBSurface& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height() || DibDepth(a) != DibDepth(b))
    return ::testing::AssertionFailure() << "size or depth differs";
  for (int32_t y = 0; y < a.Height(); ++y)
    for (int32_t x = 0; x < a.Width(); ++x)
      if (GetDibPixel(a, x, y) != GetDibPixel(b, x, y))
        return ::testing::AssertionFailure()
               << "pixel " << x << "," << y << ": " << GetDibPixel(a, x, y) << " != " << GetDibPixel(b, x, y);
  if (a.HasAlpha() != b.HasAlpha()) return ::testing::AssertionFailure() << "alpha presence differs";
  if (a.HasAlpha())
    for (int32_t y = 0; y < a.Height(); ++y)
      if (std::memcmp(const_cast<TDIBSurface&>(a).AlphaLine(y), const_cast<TDIBSurface&>(b).AlphaLine(y), a.Width()))
        return ::testing::AssertionFailure() << "alpha row " << y << " differs";
  return ::testing::AssertionSuccess();
}

struct Case {
  int version;
  uint8_t compression;
  int32_t id;
  int32_t bw, bh;
};

TEST(BrixWriter, RoundTripsEveryVersionCompressionScramblingAndBlockLayout) {
  std::vector<Case> cases;
  for (int version : {99, 100, 101, 102})
    for (int32_t id : {0, 0x5EED1234}) cases.push_back({version, kBrixDeflate, id, 0, 0});
  for (int version : {103, 104, 105, 106})
    for (uint8_t compression : {kBrixDeflate, kBrixRaw})
      for (int32_t id : {0, 0x5EED1234, -7})
        for (auto [bw, bh] : {std::pair{0, 0}, {4, 4}, {3, 5}, {16, 16}})
          cases.push_back({version, compression, id, bw, bh});
  int checked = 0;
  for (const Case& c : cases) {
    for (int depth : {1, 4, 8, 15, 16, 24, 32}) {
      SCOPED_TRACE(::testing::Message() << "version " << c.version << " compression " << int(c.compression) << " id "
                                        << c.id << " blocks " << c.bw << "x" << c.bh << " depth " << depth);
      TBrixFrameList src = Source(depth, c.version, static_cast<uint32_t>(depth * 1000 + c.version));
      TBrixWriteOptions o;
      o.Version = c.version;
      o.Compression = c.compression;
      o.Identification = c.id;
      o.BlockWidth = c.bw;
      o.BlockHeight = c.bh;
      o.BackgroundColor = 0x102030;
      o.LayerComposition = c.version >= 105;
      const std::vector<uint8_t> bytes = Write(src, o);
      TBrixFrameList got = Read(bytes, c.id);
      // Without kept layers a first layer copied whole hands its pixels over: the frames come out the same.
      TBrixFrameList handed = Read(bytes, c.id, false);
      ASSERT_EQ(handed.Count(), 3);
      for (int f = 0; f < 3; ++f)
        EXPECT_TRUE(SamePixels(handed.Frame(f).Picture, got.Frame(f).Picture)) << "frame " << f << " of layers freed";
      EXPECT_EQ(got.Version, c.version);
      EXPECT_EQ(got.BackgroundColor, c.version > 101 ? 0x102030 : 0);
      EXPECT_EQ(got.LayerComposition, c.version >= 105);
      ASSERT_EQ(got.Count(), 3);
      for (int f = 0; f < 3; ++f) {
        TBrixFrame& a = src.Frame(f);
        TBrixFrame& b = got.Frame(f);
        EXPECT_EQ(b.Name, a.Name);
        EXPECT_EQ(b.DisplayTime, a.DisplayTime);
        EXPECT_EQ(b.Kept, a.Kept);
        EXPECT_EQ(b.TransparentValue, a.TransparentValue);
        EXPECT_EQ(b.ContentRects, a.ContentRects);
        EXPECT_EQ(b.ExtraRects, a.ExtraRects);
        ASSERT_EQ(b.Count(), 2);
        for (int l = 0; l < 2; ++l) {
          EXPECT_EQ(b.Layer(l).Name, a.Layer(l).Name);
          EXPECT_EQ(b.Layer(l).Visible, a.Layer(l).Visible);
          EXPECT_EQ(b.Layer(l).Opacity, a.Layer(l).Opacity);
          EXPECT_EQ(b.Layer(l).TransparentValue, a.Layer(l).TransparentValue);
          EXPECT_EQ(b.Layer(l).AlphaEnabled, a.Layer(l).AlphaEnabled);
          EXPECT_TRUE(SamePixels(b.Layer(l).Picture, a.Layer(l).Picture)) << "frame " << f << " layer " << l;
        }
        // The composed picture is that of the source layers over the background.
        TBrixFrame expected;
        expected.Picture = b.Picture;
        const uint32_t bg = DibColorToNative(expected.Picture, got.BackgroundColor);
        expected.Picture.SetHasAlpha(false);
        for (int32_t y = 0; y < 11; ++y)
          for (int32_t x = 0; x < 13; ++x) SetDibPixel(expected.Picture, x, y, bg);
        for (int l = 0; l < 2; ++l) {
          TBrixLayer& copy = expected.AddLayer();
          copy = a.Layer(l);
        }
        expected.Compose(got.LayerComposition);
        EXPECT_TRUE(SamePixels(b.Picture, expected.Picture)) << "composed frame " << f;
      }
      ++checked;
    }
  }
  EXPECT_EQ(checked, static_cast<int>(cases.size()) * 7);
}

TEST(BrixWriter, StoresRepeatedBlocksOnceAndScramblesOnlyWithACode) {
  // Two 64 x 64 frames of one 4 x 4 tile, the second with one changed pixel.
  TBrixFrameList src;
  for (int f = 0; f < 2; ++f) {
    TBrixLayer& layer = src.AddFrame().AddLayer();
    SetDibSize(src.Frame(f).Picture, 64, 64, 32);
    SetDibSize(layer.Picture, 64, 64, 32);
    for (int32_t y = 0; y < 64; ++y)
      for (int32_t x = 0; x < 64; ++x)
        SetDibPixel(layer.Picture, x, y, uint32_t(x % 4) * 0x123457 + uint32_t(y % 4) * 77);
    if (f == 1) SetDibPixel(layer.Picture, 9, 9, 1);
  }
  TBrixWriteOptions rows;
  rows.Compression = kBrixRaw;
  TBrixWriteOptions blocks = rows;
  blocks.BlockWidth = blocks.BlockHeight = 4;
  const std::vector<uint8_t> plain = Write(src, rows), deduplicated = Write(src, blocks);
  // The block tables (8 bytes a block) are most of what remains.
  EXPECT_LT(deduplicated.size() * 5, plain.size());
  // Version 106 stores the 40-byte header; scrambled only with a code.
  EXPECT_EQ(plain[7], 40);
  EXPECT_EQ(plain[7 + 4 + 21], 0);
  TBrixWriteOptions scrambled = blocks;
  scrambled.Identification = 12345;
  const std::vector<uint8_t> s = Write(src, scrambled);
  EXPECT_EQ(s[7 + 4 + 21], 1);
  // The right code reads the pictures back, a wrong one reads shuffled blocks without an error.
  EXPECT_TRUE(SamePixels(Read(s, 12345).Frame(0).Layer(0).Picture, src.Frame(0).Layer(0).Picture));
  TBrixFrameList wrong(54321);
  TMemoryStream m(s);
  try {
    wrong.LoadFromStream(m, false, false, true);
    EXPECT_FALSE(SamePixels(wrong.Frame(0).Layer(0).Picture, src.Frame(0).Layer(0).Picture));
  } catch (const EFormatError&) {
    // A permuted table may name a block not yet decoded: the file is then rejected, never misread unsafely.
  }
}

TEST(BrixWriter, WritesJpegColourWithDeflatedAlpha) {
  TBrixFrameList src;
  TBrixFrame& fr = src.AddFrame();
  SetDibSize(fr.Picture, 24, 16, 32);
  for (int32_t y = 0; y < 16; ++y)
    for (int32_t x = 0; x < 24; ++x)
      SetDibPixel(fr.Picture, x, y, uint32_t(x * 10) << 16 | uint32_t(y * 15) << 8 | 0x80);
  fr.Picture.SetHasAlpha(true);
  for (int32_t y = 0; y < 16; ++y)
    for (int32_t x = 0; x < 24; ++x) fr.Picture.AlphaLine(y)[x] = static_cast<uint8_t>(x * 10 + y);
  TBrixWriteOptions o;
  o.Compression = kBrixJpeg;
  o.JpegQuality = 95;
  o.BlockWidth = o.BlockHeight = 8;  // JPEG colour data never uses blocks; alpha data does
  TBrixFrameList got = Read(Write(src, o), 0, false);
  EXPECT_EQ(got.Compression, kBrixJpeg);
  EXPECT_EQ(got.JpegQuality, 95);
  TDIBSurface& p = got.Frame(0).Picture;
  ASSERT_TRUE(p.HasAlpha());
  int worst = 0;
  for (int32_t y = 0; y < 16; ++y)
    for (int32_t x = 0; x < 24; ++x) {
      EXPECT_EQ(p.AlphaLine(y)[x], fr.Picture.AlphaLine(y)[x]);
      const uint32_t a = GetDibPixel(p, x, y), b = GetDibPixel(fr.Picture, x, y);
      for (int sh = 0; sh < 24; sh += 8) worst = std::max(worst, std::abs(int((a >> sh) & 255) - int((b >> sh) & 255)));
    }
  EXPECT_LE(worst, 12);
}

TEST(BrixWriter, WritesOneFrameImagesAsASingleLayer) {
  // The path of the asset builder: a BMP (or PNG) frame with alpha written as a layered image.
  TMemoryStream bmp;
  WriteBmp24(bmp, 3, 2, {0x0000FF, 0x00FF00, 0xFF0000, 0x000000, 0xFFFFFF, 0x808080});
  TBrixFrameList one;
  one.LoadBmp(bmp.Memory(), bmp.Bytes().size(), "a.bmp");
  one.Frame(0).Picture.SetHasAlpha(true);
  one.Frame(0).Picture.AlphaLine(1)[2] = 77;
  one.Frame(0).TransparentValue = 0;
  TBrixFrameList got = Read(Write(one, TBrixWriteOptions{}), 0, false);
  ASSERT_EQ(got.Count(), 1);
  EXPECT_EQ(got.Frame(0).BitCount(), 24);
  EXPECT_TRUE(SamePixels(got.Frame(0).Picture, one.Frame(0).Picture));
  EXPECT_EQ(got.Frame(0).TransparentColor, 0);
  EXPECT_THROW(Write(one, TBrixWriteOptions{.Version = 98}), EVelkError);
  // Layers take the size and depth of their frame.
  SetDibSize(one.Frame(0).AddLayer().Picture, 3, 2, 32);
  EXPECT_THROW(Write(one, TBrixWriteOptions{}), EVelkError);
}

}  // namespace
}  // namespace velk
