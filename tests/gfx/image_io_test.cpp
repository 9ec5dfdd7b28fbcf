// BMP and PNG reading on files the tests write: every BMP header kind and depth from hand-made bytes, PNG colour
// types through libpng's writer; damaged and oversized files; sniffing, loading and saving through surfaces.
#include <gtest/gtest.h>
#include <png.h>

#include <random>

#include "base/error.h"
#include "gfx/bmp_image.h"
#include "gfx/brix_writer.h"
#include "gfx/dib_pixels.h"
#include "gfx/dibx.h"
#include "gfx/png_image.h"
#include "support/temp_dir.h"
#include "vfs/stream.h"

namespace velk {
namespace {

void Put16(std::vector<uint8_t>& b, size_t o, uint32_t v) {
  b[o] = static_cast<uint8_t>(v), b[o + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(std::vector<uint8_t>& b, size_t o, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.at(o + i) = static_cast<uint8_t>(v >> (8 * i));
}

struct BmpLayout {
  uint32_t header = 40;  // 12, 16, 40, 52, 56, 64, 108, 124
  int depth = 24;
  int32_t width = 5, height = 3;  // negative height: top-down
  uint32_t compression = 0;
  std::vector<uint32_t> masks;  // red, green, blue (bit fields)
};

// An image of random pixels and the BMP bytes that hold it; colours are 0x00BBGGRR.
struct BmpCase {
  std::vector<uint8_t> bytes;
  std::vector<uint32_t> colors;
  std::vector<uint8_t> indices;
};

uint32_t Expand(uint32_t v, uint32_t mask) {
  int shift = 0, bits = 0;
  while (!((mask >> shift) & 1)) ++shift;
  while (shift + bits < 32 && ((mask >> (shift + bits)) & 1)) ++bits;
  const uint32_t c = (v & mask) >> shift;
  return bits >= 8 ? c >> (bits - 8) : c << (8 - bits);
}

BmpCase MakeBmp(const BmpLayout& layout, std::mt19937& rng) {
  BmpCase out;
  const int32_t w = layout.width, h = layout.height < 0 ? -layout.height : layout.height;
  const bool core = layout.header == 12;
  const int entry = core ? 3 : 4;
  const int colors = layout.depth <= 8 ? 1 << layout.depth : 0;
  const bool inline_masks = layout.compression == 3 && layout.header == 40;
  const size_t palette_at = 14 + layout.header + (inline_masks ? 12 : 0);
  const size_t bits_at = palette_at + static_cast<size_t>(colors) * entry + 2;  // two spare bytes before the pixels
  const size_t stride = ((static_cast<size_t>(w) * layout.depth + 31) / 32) * 4;
  std::vector<uint8_t>& b = out.bytes;
  b.assign(bits_at + stride * h, 0);
  b[0] = 'B', b[1] = 'M';
  Put32(b, 2, static_cast<uint32_t>(b.size()));
  Put32(b, 10, static_cast<uint32_t>(bits_at));
  Put32(b, 14, layout.header);
  if (core) {
    Put16(b, 18, w), Put16(b, 20, h), Put16(b, 22, 1), Put16(b, 24, layout.depth);
  } else {
    Put32(b, 18, w), Put32(b, 22, static_cast<uint32_t>(layout.height)), Put16(b, 26, 1), Put16(b, 28, layout.depth);
    if (layout.header >= 20) Put32(b, 30, layout.compression);
    if (layout.compression == 3)
      for (int i = 0; i < 3; ++i) Put32(b, 54 + 4 * i, layout.masks[i]);
  }
  std::vector<uint32_t> palette(colors);
  for (int i = 0; i < colors; ++i) {
    palette[i] = rng() & 0xFFFFFF;
    uint8_t* e = &b[palette_at + static_cast<size_t>(i) * entry];
    e[0] = static_cast<uint8_t>(palette[i] >> 16), e[1] = static_cast<uint8_t>(palette[i] >> 8);
    e[2] = static_cast<uint8_t>(palette[i]);  // stored blue, green, red
  }
  const std::vector<uint32_t> masks = layout.compression == 3 ? layout.masks
                                      : layout.depth == 16    ? std::vector<uint32_t>{0x7C00, 0x3E0, 0x1F}
                                                            : std::vector<uint32_t>{0xFF0000, 0xFF00, 0xFF};
  for (int32_t y = 0; y < h; ++y) {
    const int32_t file_row = layout.height < 0 ? y : h - 1 - y;
    uint8_t* line = &b[bits_at + stride * file_row];
    for (int32_t x = 0; x < w; ++x) {
      if (layout.depth <= 8) {
        const uint32_t index = rng() % colors;
        const int bit = x * layout.depth;
        line[bit / 8] |= static_cast<uint8_t>(index << (8 - layout.depth - bit % 8));
        out.indices.push_back(static_cast<uint8_t>(index));
        out.colors.push_back(palette[index]);
      } else {
        const uint32_t v = rng();
        for (int k = 0; k < layout.depth / 8; ++k) line[x * (layout.depth / 8) + k] = static_cast<uint8_t>(v >> (8 * k));
        out.colors.push_back(Expand(v, masks[0]) | Expand(v, masks[1]) << 8 | Expand(v, masks[2]) << 16);
      }
    }
  }
  return out;
}

TEST(BmpImage, ReadsEveryHeaderKindAndDepth) {
  std::mt19937 rng(61);
  for (uint32_t header : {12u, 16u, 40u, 52u, 56u, 64u, 108u, 124u}) {
    for (int depth : {1, 4, 8, 16, 24, 32}) {
      for (int32_t height : {3, -3}) {
        if (header == 12 && height < 0) continue;  // the core header has unsigned sizes
        BmpLayout layout{header, depth, 7, height, 0, {}};
        const BmpCase c = MakeBmp(layout, rng);
        const TDecodedImage img = DecodeBmp(c.bytes.data(), c.bytes.size(), "x.bmp");
        SCOPED_TRACE(testing::Message() << "header " << header << " depth " << depth << " height " << height);
        EXPECT_EQ(img.Width, 7);
        EXPECT_EQ(img.Height, 3);
        EXPECT_EQ(img.BitCount, depth);
        EXPECT_EQ(img.Colors, c.colors);
        EXPECT_EQ(img.Indices, c.indices);
        EXPECT_EQ(img.Alpha.size(), depth == 32 ? 21u : 0u);
      }
    }
  }
  // Bit fields, in the 40-byte header's trailing masks and in the larger headers.
  for (uint32_t header : {40u, 52u, 108u, 124u}) {
    BmpLayout s16{header, 16, 6, 4, 3, {0xF800, 0x07E0, 0x001F}};
    BmpLayout s32{header, 32, 6, -4, 3, {0x0000FF00, 0x00FF0000, 0xFF000000}};
    for (const BmpLayout& layout : {s16, s32}) {
      const BmpCase c = MakeBmp(layout, rng);
      EXPECT_EQ(DecodeBmp(c.bytes.data(), c.bytes.size(), "x.bmp").Colors, c.colors) << header << " " << layout.depth;
    }
  }
}

TEST(BmpImage, ReadsRunLengthEncodedPictures) {
  // 8-bit: 4 x 2, bottom row first: a run of 3 of index 1, an absolute run of 1; end of line; delta; end of bitmap.
  std::vector<uint8_t> b(14 + 40 + 4 * 256, 0);
  b[0] = 'B', b[1] = 'M';
  Put32(b, 10, static_cast<uint32_t>(b.size()));
  Put32(b, 14, 40), Put32(b, 18, 4), Put32(b, 22, 2), Put16(b, 26, 1), Put16(b, 28, 8), Put32(b, 30, 1);
  for (int i = 0; i < 256; ++i) b[54 + 4 * i + 2] = static_cast<uint8_t>(i);  // red = index
  const uint8_t rle[] = {3, 1, 0, 3, 2, 3, 4, 0, 0, 0, 0, 2, 1, 0, 1, 7, 0, 1};
  b.insert(b.end(), std::begin(rle), std::end(rle));
  const TDecodedImage img = DecodeBmp(b.data(), b.size(), "rle8.bmp");
  // Absolute run "2 3 4" is padded; delta (1, 0) then one pixel of 7 on the top row.
  const std::vector<uint8_t> expected = {0, 7, 0, 0, 1, 1, 1, 2};
  EXPECT_EQ(img.Indices, expected);

  // 4-bit: 5 x 1: a run of 5 alternating 0xA, 0xB.
  std::vector<uint8_t> c(14 + 40 + 4 * 16, 0);
  c[0] = 'B', c[1] = 'M';
  Put32(c, 10, static_cast<uint32_t>(c.size()));
  Put32(c, 14, 40), Put32(c, 18, 5), Put32(c, 22, 1), Put16(c, 26, 1), Put16(c, 28, 4), Put32(c, 30, 2);
  const uint8_t rle4[] = {5, 0xAB, 0, 1};
  c.insert(c.end(), std::begin(rle4), std::end(rle4));
  EXPECT_EQ(DecodeBmp(c.data(), c.size(), "rle4.bmp").Indices, (std::vector<uint8_t>{10, 11, 10, 11, 10}));
}

TEST(BmpImage, DamagedAndOversizedFilesFailClearly) {
  std::mt19937 rng(63);
  const BmpCase good = MakeBmp(BmpLayout{}, rng);
  auto fails = [](std::vector<uint8_t> b) {
    try {
      DecodeBmp(b.data(), b.size(), "bad.bmp");
    } catch (const EFormatError& e) {
      return e.FileName() == "bad.bmp";
    }
    return false;
  };
  EXPECT_TRUE(fails(std::vector<uint8_t>(good.bytes.begin(), good.bytes.end() - 1)));  // pixels cut short
  EXPECT_TRUE(fails(std::vector<uint8_t>(good.bytes.begin(), good.bytes.begin() + 20)));
  std::vector<uint8_t> b = good.bytes;
  Put32(b, 18, 100000);  // too wide
  EXPECT_TRUE(fails(b));
  b = good.bytes;
  Put32(b, 18, 16000), Put32(b, 22, 16000);  // each side allowed, the product is not
  EXPECT_TRUE(fails(b));
  b = good.bytes;
  Put32(b, 22, 0x80000000u);  // the most negative height
  EXPECT_TRUE(fails(b));
  b = good.bytes;
  Put16(b, 28, 7);  // no such depth
  EXPECT_TRUE(fails(b));
  b = good.bytes;
  Put32(b, 14, 0xFFFFFFF0u);  // header size
  EXPECT_TRUE(fails(b));
  b = good.bytes;
  Put32(b, 10, 0xFFFFFFF0u);  // pixel offset
  EXPECT_TRUE(fails(b));
}

// ---- PNG ----

struct PngLayout {
  int color_type;
  int bit_depth;
  bool interlaced = false;
};

// Writes a 6 x 5 PNG with libpng; the samples are given per pixel as 16-bit channel values.
std::vector<uint8_t> WritePng(const PngLayout& layout, const std::vector<std::vector<uint16_t>>& pixels,
                              const std::vector<png_color>& palette = {}, const std::vector<uint8_t>& trns = {},
                              const png_color_16* trns_color = nullptr) {
  std::vector<uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(
      png, &out,
      [](png_structp p, png_bytep data, png_size_t n) {
        auto* v = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(p));
        v->insert(v->end(), data, data + n);
      },
      nullptr);
  png_set_IHDR(png, info, 6, 5, layout.bit_depth, layout.color_type,
               layout.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (!palette.empty()) png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
  if (!trns.empty() || trns_color)
    png_set_tRNS(png, info, trns.empty() ? nullptr : trns.data(), static_cast<int>(trns.size()), trns_color);
  png_write_info(png, info);
  const int channels = png_get_channels(png, info);
  std::vector<std::vector<uint8_t>> rows(5, std::vector<uint8_t>(6 * channels * 2 + 8, 0));
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 6; ++x)
      for (int c = 0; c < channels; ++c) {
        const uint16_t v = pixels[y * 6 + x][c];
        const int sample = x * channels + c;
        if (layout.bit_depth == 16) {
          rows[y][2 * sample] = static_cast<uint8_t>(v >> 8), rows[y][2 * sample + 1] = static_cast<uint8_t>(v);
        } else if (layout.bit_depth == 8) {
          rows[y][sample] = static_cast<uint8_t>(v);
        } else {
          const int bit = sample * layout.bit_depth;
          rows[y][bit / 8] |= static_cast<uint8_t>(v << (8 - layout.bit_depth - bit % 8));
        }
      }
  std::vector<png_bytep> pointers;
  for (auto& r : rows) pointers.push_back(r.data());
  png_write_image(png, pointers.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

TEST(PngImage, DecodesEveryColourTypeWithoutGamma) {
  std::mt19937 rng(65);
  auto random_pixels = [&](int channels, uint32_t max) {
    std::vector<std::vector<uint16_t>> p(30, std::vector<uint16_t>(channels));
    for (auto& px : p)
      for (auto& v : px) v = static_cast<uint16_t>(rng() % (max + 1));
    return p;
  };
  auto rgb = [](uint32_t r, uint32_t g, uint32_t b) { return r | g << 8 | b << 16; };
  for (bool interlaced : {false, true}) {
    // RGB 8 and 16 bits (16 reduced to the high byte).
    for (int depth : {8, 16}) {
      const auto px = random_pixels(3, depth == 8 ? 255 : 65535);
      const auto bytes = WritePng({PNG_COLOR_TYPE_RGB, depth, interlaced}, px);
      const TDecodedImage img = DecodePng(bytes.data(), bytes.size(), "a.png");
      ASSERT_EQ(img.Colors.size(), 30u);
      EXPECT_TRUE(img.Alpha.empty());
      const int sh = depth == 16 ? 8 : 0;
      for (int i = 0; i < 30; ++i) EXPECT_EQ(img.Colors[i], rgb(px[i][0] >> sh, px[i][1] >> sh, px[i][2] >> sh));
    }
    // RGBA and grey with alpha.
    {
      const auto px = random_pixels(4, 255);
      const auto bytes = WritePng({PNG_COLOR_TYPE_RGBA, 8, interlaced}, px);
      const TDecodedImage img = DecodePng(bytes.data(), bytes.size(), "a.png");
      for (int i = 0; i < 30; ++i) {
        EXPECT_EQ(img.Colors[i], rgb(px[i][0], px[i][1], px[i][2]));
        EXPECT_EQ(img.Alpha[i], px[i][3]);
      }
    }
    {
      const auto px = random_pixels(2, 65535);
      const auto bytes = WritePng({PNG_COLOR_TYPE_GRAY_ALPHA, 16, interlaced}, px);
      const TDecodedImage img = DecodePng(bytes.data(), bytes.size(), "a.png");
      for (int i = 0; i < 30; ++i) {
        const uint32_t g = px[i][0] >> 8;
        EXPECT_EQ(img.Colors[i], rgb(g, g, g));
        EXPECT_EQ(img.Alpha[i], px[i][1] >> 8);
      }
    }
    // Grey of 2 and 8 bits, with a transparent grey.
    for (int depth : {2, 8}) {
      const uint32_t max = (1u << depth) - 1;
      const auto px = random_pixels(1, max);
      png_color_16 t{};
      t.gray = static_cast<png_uint_16>(px[0][0]);
      const auto bytes = WritePng({PNG_COLOR_TYPE_GRAY, depth, interlaced}, px, {}, {}, &t);
      const TDecodedImage img = DecodePng(bytes.data(), bytes.size(), "a.png");
      for (int i = 0; i < 30; ++i) {
        const uint32_t g = px[i][0] * 255 / max;
        EXPECT_EQ(img.Colors[i], rgb(g, g, g));
      }
      EXPECT_TRUE(img.HasTransparentColor);
      EXPECT_EQ(img.TransparentColor, img.Colors[0]);
    }
    // Palette of 4 bits with one fully transparent entry.
    {
      std::vector<png_color> palette(16);
      for (auto& c : palette)
        c = png_color{static_cast<png_byte>(rng()), static_cast<png_byte>(rng()), static_cast<png_byte>(rng())};
      const std::vector<uint8_t> trns = {255, 255, 0, 128};
      const auto px = random_pixels(1, 15);
      const auto bytes = WritePng({PNG_COLOR_TYPE_PALETTE, 4, interlaced}, px, palette, trns);
      const TDecodedImage img = DecodePng(bytes.data(), bytes.size(), "a.png");
      EXPECT_EQ(img.BitCount, 4);
      ASSERT_EQ(img.Palette.size(), 16u);
      for (int i = 0; i < 30; ++i) {
        const png_color& c = palette[px[i][0]];
        EXPECT_EQ(img.Colors[i], rgb(c.red, c.green, c.blue));
        EXPECT_EQ(img.Alpha[i], px[i][0] < 4 ? trns[px[i][0]] : 255);
      }
      EXPECT_TRUE(img.HasTransparentColor);
      EXPECT_EQ(img.TransparentColor, 0x01000002u);  // names the palette index
    }
  }
}

TEST(PngImage, DamagedAndOversizedFilesFailClearly) {
  std::vector<std::vector<uint16_t>> px(30, std::vector<uint16_t>(3, 7));
  const auto good = WritePng({PNG_COLOR_TYPE_RGB, 8}, px);
  auto fails = [](std::vector<uint8_t> b) {
    try {
      DecodePng(b.data(), b.size(), "bad.png");
    } catch (const EFormatError& e) {
      return e.FileName() == "bad.png";
    }
    return false;
  };
  EXPECT_TRUE(fails(std::vector<uint8_t>(good.begin(), good.end() - 20)));
  EXPECT_TRUE(fails(std::vector<uint8_t>(good.begin(), good.begin() + 30)));
  std::vector<uint8_t> big = good;
  // Width 100000 in the header (its CRC then fails too; either way a clear error).
  big[16] = 0, big[17] = 1, big[18] = 0x86, big[19] = 0xA0;
  EXPECT_TRUE(fails(big));
}

// ---- through surfaces ----

TEST(DIBXImages, LoadFromStreamSniffsBmpAndPng) {
  std::mt19937 rng(67);
  const BmpCase bmp = MakeBmp(BmpLayout{40, 24, 5, 3, 0, {}}, rng);
  TDIBX s;
  s.SetSize(1, 1, 16);
  TMemoryStream bs(bmp.bytes);
  bs.SetPosition(10);  // sniffing starts at the stream's start
  s.LoadFromStream(&bs, 0);
  ASSERT_EQ(s.Width(), 5);
  EXPECT_EQ(s.BitCount(), 16);  // keeps its own depth
  for (int i = 0; i < 15; ++i)
    EXPECT_EQ(s.GetPixel(i % 5, i / 5), static_cast<uint32_t>(s.ColorToPixel(static_cast<int32_t>(bmp.colors[i]))));

  std::vector<std::vector<uint16_t>> px(30, std::vector<uint16_t>{10, 20, 30, 40});
  TMemoryStream ps(WritePng({PNG_COLOR_TYPE_RGBA, 8}, px));
  s.SetSize(1, 1, 32);
  s.LoadFromStream(&ps, 0);
  EXPECT_EQ(s.Width(), 6);
  EXPECT_EQ(s.GetPixel(3, 3), 0x000A141Eu);
  ASSERT_TRUE(s.DIB().HasAlpha());
  EXPECT_EQ(s.DIB().AlphaLine(4)[5], 40);

  // Anything else, or no stream, leaves the surface alone.
  TMemoryStream other(std::vector<uint8_t>{'G', 'I', 'F', '8', '9', 'a'});
  s.LoadFromStream(&other, 0);
  s.LoadFromStream(nullptr, 0);
  EXPECT_EQ(s.Width(), 6);
}

TEST(DIBXImages, LoadFromStreamTakesTheFirstFrameOfALayeredImage) {
  TBrixFrameList list;
  for (int f = 0; f < 2; ++f) {
    TBrixFrame& frame = list.AddFrame();
    SetDibSize(frame.Picture, 4 + f, 3, 32);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 4 + f; ++x) SetDibPixel(frame.Picture, x, y, 0x00102030u + 0x10101u * (x + 4 * y + f));
    frame.ContentRects = {TRect{0, 0, 2, 3}};
    frame.ExtraRects = {TRect{1, 1, 2, 2}, TRect{3, 0, 4, 1}};
  }
  TMemoryStream stream;
  WriteBrix(stream, list, TBrixWriteOptions{});
  TDIBX s;
  s.SetSize(1, 1, 32);
  s.LoadFromStream(&stream, 0);
  ASSERT_EQ(s.Width(), 4);  // the first frame only
  EXPECT_EQ(s.BitCount(), 32);
  EXPECT_EQ(s.GetPixel(3, 2), 0x00102030u + 0x10101u * 11);
  EXPECT_EQ(s.ContentRects, (std::vector<TRect>{TRect{0, 0, 2, 3}}));
  EXPECT_EQ(s.ExtraRects.size(), 2u);
}

TEST(DIBXImages, SaveAndLoadFilesByExtension) {
  test::TempDir dir;
  std::mt19937 rng(69);
  TDIBX s;
  s.SetSize(7, 4, 16);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 7; ++x) s.SetPixel(x, y, rng() & 0xFFFF);
  s.SaveToFile(dir / "out.BMP");
  s.SaveToFile(dir / "out.png");  // not a BMP name: nothing written
  EXPECT_FALSE(FileExists(dir / "out.png"));
  const TDecodedImage img = [&] {
    TFileStream f(dir / "out.BMP", fmOpenRead);
    return ReadBmp(f, "out.BMP");
  }();
  EXPECT_EQ(img.BitCount, 24);
  TDIBX t;
  t.SetSize(1, 1, 16);
  t.LoadFromFile(dir / "out.BMP");
  ASSERT_EQ(t.Width(), 7);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 7; ++x) EXPECT_EQ(t.GetPixel(x, y), s.GetPixel(x, y));  // 5-6-5 survives the round trip
  t.LoadFromFile(dir / "missing.bmp");
  test::WriteFile(dir / "pic.png", std::string(100, 'x'));
  t.LoadFromFile(dir / "pic.png");
  EXPECT_EQ(t.Width(), 7);
}

}  // namespace
}  // namespace velk
