// The layered image reader against hand-made bytes: every header kind and version threshold, row and block
// layouts with their scrambling, block sources, composition, trimming, one-frame images, and hostile files.
#include "gfx/brix.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <map>
#include <numeric>
#include <string>
#include <vector>

#include "base/error.h"
#include "base/random.h"
#include "gfx/bmp_image.h"
#include "gfx/decoded_image.h"
#include "vfs/stream.h"

namespace velk {
namespace {

// File bytes written by hand, field by field.
struct Bytes {
  std::vector<uint8_t> b;
  Bytes& i32(int32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i)));
    return *this;
  }
  Bytes& u8(uint8_t v) {
    b.push_back(v);
    return *this;
  }
  Bytes& str(const std::string& s) {
    i32(static_cast<int32_t>(s.size()));
    b.insert(b.end(), s.begin(), s.end());
    return *this;
  }
  Bytes& raw(const std::vector<uint8_t>& v) {
    b.insert(b.end(), v.begin(), v.end());
    return *this;
  }
  Bytes& data(const std::vector<uint8_t>& v) { return i32(static_cast<int32_t>(v.size())).raw(v); }
  Bytes& sig(int version) {
    b.insert(b.end(), {'B', 'r', 'i', 'x', static_cast<uint8_t>('0' + version / 100),
                       static_cast<uint8_t>('0' + version / 10 % 10), static_cast<uint8_t>('0' + version % 10)});
    return *this;
  }
};

std::vector<uint8_t> Zip(const std::vector<uint8_t>& v) {
  uLongf n = compressBound(static_cast<uLong>(v.size()));
  std::vector<uint8_t> out(n);
  compress(out.data(), &n, v.data(), static_cast<uLong>(v.size()));
  out.resize(n);
  return out;
}

// The 40-byte header of version 103 and later.
Bytes& Header(Bytes& f, int version, int32_t frames, uint8_t scrambled, uint8_t compression, int32_t bg = 0,
              int32_t bw = 0, int32_t bh = 0, uint8_t composition = 0) {
  f.sig(version).i32(40).i32(version).i32(0).i32(0).i32(0).i32(frames).u8(1).u8(scrambled).u8(compression).u8(0);
  return f.i32(bg).i32(bw).i32(bh).u8(composition).u8(80).u8(0).u8(0);
}

Bytes& FrameHead(Bytes& f, int32_t layers, int32_t w, int32_t h, int32_t bits, int32_t transparent = -1,
                 const std::string& name = "f") {
  return f.str(name).i32(transparent).i32(100).u8(0).i32(0).i32(layers).i32(w).i32(h).i32(bits);
}

// A layer of version 101 and later, without alpha data.
Bytes& Layer(Bytes& f, const std::vector<uint8_t>& color, int32_t transparent = -1, int32_t opacity = 255,
             uint8_t visible = 1) {
  return f.i32(0).i32(0).u8(visible).i32(transparent).i32(opacity).u8(0).str("L").data(color).i32(0);
}

// The order an independent generator gives: state := state * 5 + increment, pick state mod values left.
std::vector<int32_t> Permutation(uint32_t increment, int32_t n) {
  std::vector<int32_t> left(static_cast<size_t>(n));
  std::iota(left.begin(), left.end(), 0);
  std::vector<int32_t> out;
  uint32_t state = 0;
  while (!left.empty()) {
    state = state * 5 + increment;
    const size_t i = state % left.size();
    out.push_back(left[i]);
    left.erase(left.begin() + static_cast<std::ptrdiff_t>(i));
  }
  return out;
}

uint32_t Px32(TDIBSurface& d, int x, int y) {
  const uint8_t* p = d.ScanLine(y) + 4 * x;
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

TBrixFrameList Load(const std::vector<uint8_t>& bytes, int32_t id = 0, bool keep_layers = false,
                    bool first_only = false) {
  TBrixFrameList list(id);
  TMemoryStream s(bytes);
  list.LoadFromStream(s, first_only, false, keep_layers, "test.brx");
  return list;
}

// 8-bit rows of a w x h picture, bottom row first and padded to 4 bytes, of values v(x, y).
template <class F> std::vector<uint8_t> Rows8(int w, int h, F v) {
  const int line = (w + 3) / 4 * 4;
  std::vector<uint8_t> out(static_cast<size_t>(line * h), 0xEE);
  for (int r = 0; r < h; ++r)
    for (int x = 0; x < w; ++x) out[r * line + x] = static_cast<uint8_t>(v(x, h - 1 - r));
  return out;
}

Bytes& Palette(Bytes& f, int entries) {
  for (int i = 0; i < entries; ++i)
    f.u8(static_cast<uint8_t>(i)).u8(static_cast<uint8_t>(i * 2)).u8(static_cast<uint8_t>(i * 3)).u8(0);
  return f;
}

TEST(BrixReader, ReadsVersion106RowsBottomRowFirstWithEveryFrameField) {
  // 2 x 3 at 32 bits, raw: stored rows run from the bottom row of the picture up.
  std::vector<uint8_t> rows;
  for (int r = 0; r < 3; ++r)
    for (int x = 0; x < 2; ++x) {
      const int y = 2 - r;
      rows.insert(rows.end(), {static_cast<uint8_t>(0x10 * y + x), 0x22, 0x33, 0x00});
    }
  Bytes f;
  Header(f, 106, 1, 0, 1, 0x123456, 0, 0, 0);
  f.str("cel").i32(-1).i32(250).u8(7).i32(0).i32(1).i32(2).i32(3).i32(32);
  f.i32(0).i32(0).u8(1).i32(-1).i32(255).u8(0).str("layer one").data(rows).i32(0);
  f.i32(1).i32(0).i32(0).i32(2).i32(1).i32(-1);

  TBrixFrameList list = Load(f.b, 0, true);
  EXPECT_EQ(list.Version, 106);
  EXPECT_EQ(list.BackgroundColor, 0x123456);
  EXPECT_EQ(list.Compression, kBrixRaw);
  EXPECT_EQ(list.JpegQuality, 80);
  ASSERT_EQ(list.Count(), 1);
  TBrixFrame& fr = list.Frame(0);
  EXPECT_EQ(fr.Name, "cel");
  EXPECT_EQ(fr.DisplayTime, 250);
  EXPECT_EQ(fr.Kept, 7);
  EXPECT_EQ(fr.TransparentColor, -1);
  EXPECT_EQ(fr.BitCount(), 32);
  ASSERT_EQ(fr.ContentRects.size(), 1u);
  EXPECT_EQ(fr.ContentRects[0], (TRect{0, 0, 2, 1}));
  EXPECT_TRUE(fr.ExtraRects.empty());
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 2; ++x) EXPECT_EQ(Px32(fr.Picture, x, y), 0x00332200u | (0x10 * y + x)) << x << "," << y;
  ASSERT_EQ(fr.Count(), 1);
  EXPECT_EQ(fr.Layer(0).Name, "layer one");
  EXPECT_TRUE(fr.Layer(0).Visible);
  EXPECT_EQ(fr.Layer(0).Frame, &fr);

  // Without keep layers only the composed frames remain.
  EXPECT_EQ(Load(f.b).Frame(0).Count(), 0);
}

TEST(BrixReader, DeflatedRowsLandTopRowFirstWithClearPaddingWhetherLayersAreKeptOrNot) {
  const int w = 3, h = 5;
  const auto v = [](int x, int y) { return 10 * y + x + 1; };
  Bytes f;
  Header(f, 106, 2, 0, kBrixDeflate, 0x050A0F);  // the background is palette entry 5
  FrameHead(f, 1, w, h, 8);
  Palette(f, 256);
  // Alpha data that is not enabled: the frame takes the colours only.
  f.i32(0).i32(0).u8(1).i32(-1).i32(255).u8(0).str("L").data(Zip(Rows8(w, h, v)));
  f.data(Zip(Rows8(w, h, [](int, int) { return 200; }))).i32(-1).i32(-1);
  // A frame whose only layer is invisible shows the background.
  FrameHead(f, 1, w, h, 8);
  Palette(f, 256);
  Layer(f, Zip(Rows8(w, h, v)), -1, 255, 0).i32(-1).i32(-1);
  for (bool keep : {false, true}) {
    SCOPED_TRACE(keep);
    TBrixFrameList list = Load(f.b, 0, keep);
    ASSERT_EQ(list.Count(), 2);
    TDIBSurface& first = list.Frame(0).Picture;
    EXPECT_FALSE(list.Frame(0).HasAlpha());
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) EXPECT_EQ(first.ScanLine(y)[x], v(x, y)) << x << "," << y;
      EXPECT_EQ(first.ScanLine(y)[w], 0) << "padding of row " << y;
      for (int x = 0; x <= w; ++x) EXPECT_EQ(list.Frame(1).Picture.ScanLine(y)[x], x < w ? 5 : 0) << x << "," << y;
    }
    if (keep) {
      EXPECT_EQ(list.Frame(0).Layer(0).Picture.ScanLine(h - 1)[0], v(0, h - 1));
    }
  }
}

TEST(BrixReader, ScrambledRowsGoWhereTheGeneratorSeededWithTheCodeSays) {
  const int w = 3, h = 7;
  const uint32_t id = 0x1234567;
  const std::vector<int32_t> perm = Permutation(id, h);
  // Stored row i holds memory row perm[i]; memory row r is picture row h - 1 - r.
  std::vector<uint8_t> rows;
  for (int i = 0; i < h; ++i)
    for (int x = 0; x < 4; ++x) rows.push_back(x < w ? static_cast<uint8_t>(16 * (h - 1 - perm[i]) + x) : 0);
  Bytes f;
  Header(f, 106, 1, 1, 0);
  Palette(FrameHead(f, 1, w, h, 8), 256);
  Layer(f, Zip(rows));
  f.i32(-1).i32(-1);

  TBrixFrameList list = Load(f.b, static_cast<int32_t>(id));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) EXPECT_EQ(list.Frame(0).Picture.ScanLine(y)[x], 16 * y + x);
  // The wrong code reads without error into shuffled rows.
  TBrixFrameList wrong = Load(f.b, 99);
  EXPECT_NE(std::memcmp(wrong.Frame(0).Picture.Bits(), list.Frame(0).Picture.Bits(), list.Frame(0).Picture.ByteSize()),
            0);
}

TEST(BrixReader, OldVersionsReadTheirOwnFieldsAndPermuteWithSeedZero) {
  // Version 0 has no signature; 99 has no alpha data; 100 no alpha-enabled flag; 101 no background; 102 has one.
  for (int version : {0, 99, 100, 101, 102}) {
    SCOPED_TRACE(version);
    Bytes f;
    if (version) f.sig(version);
    f.i32(1).u8(0);
    if (version > 101) f.i32(0x00FF00);
    Palette(FrameHead(f, 1, 2, 3, 8, 5), 256);
    f.i32(0).i32(0).u8(1).i32(-1).i32(255);
    if (version > 100) f.u8(0);
    // A seed of 0 keeps the generator's state at 0: the pool gives back the rows in order.
    f.str("L").data(Zip(Rows8(2, 3, [](int x, int y) { return 10 * y + x; })));
    if (version > 99) f.i32(0);
    TMemoryStream s(f.b);
    TBrixFrameList list;
    list.LoadFromStream(s, false, false, false);
    EXPECT_EQ(s.GetPosition(), s.GetSize());
    EXPECT_EQ(list.Version, version);
    EXPECT_EQ(list.BackgroundColor, version > 101 ? 0x00FF00 : 0);
    TBrixFrame& fr = list.Frame(0);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 2; ++x) EXPECT_EQ(fr.Picture.ScanLine(y)[x], 10 * y + x);
    // Transparent value 5 names palette entry 5: blue 5, green 10, red 15.
    EXPECT_EQ(fr.TransparentColor, 15 | 10 << 8 | 5 << 16);
  }
}

// 5 x 3 at 8 bits in 2 x 2 blocks: 3 columns, 2 rows, the last column 1 wide and the last row 1 high.
std::vector<uint8_t> BlockData(const std::vector<std::pair<int32_t, int32_t>>& table,
                               const std::vector<uint8_t>& pixels) {
  Bytes d;
  for (auto [s, i] : table) d.i32(s).i32(i);
  return d.raw(pixels).b;
}

TEST(BrixReader, BlocksComeFromTheStreamFromEarlierBlocksAndFromEarlierLayers) {
  const std::vector<std::pair<int32_t, int32_t>> table = {{-1, 0}, {-2, 0}, {-1, 0}, {-1, 0}, {-2, 3}, {-1, 0}};
  // Block 0 (2 x 2): 1 2 / 3 4; block 2 (1 x 2): 5 / 6; block 3 (2 x 1): 7 8; block 5 (1 x 1): 9.
  const std::vector<uint8_t> pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  const uint8_t expected[3][5] = {{1, 2, 1, 2, 5}, {3, 4, 3, 4, 6}, {7, 8, 7, 8, 9}};
  for (bool scrambled : {false, true}) {
    SCOPED_TRACE(scrambled);
    const uint32_t id = 0xBEEF;
    auto stored = table;
    if (scrambled) {
      const std::vector<int32_t> perm = Permutation(id, 6);
      for (int i = 0; i < 6; ++i) stored[i] = table[perm[i]];
    }
    Bytes f;
    Header(f, 106, 2, scrambled, 1, 0, 2, 2);
    Palette(FrameHead(f, 1, 5, 3, 8), 256);
    Layer(f, BlockData(stored, pixels));
    f.i32(-1).i32(-1);
    // Frame 1 takes every block from frame 0, layer 0, except block 5, which it stores.
    std::vector<std::pair<int32_t, int32_t>> second(6, {0, 0});
    second[5] = {-1, 0};
    if (scrambled) {
      const std::vector<int32_t> perm = Permutation(id, 6);
      auto t = second;
      for (int i = 0; i < 6; ++i) second[i] = t[perm[i]];
    }
    Palette(FrameHead(f, 1, 5, 3, 8), 256);
    Layer(f, BlockData(second, {42}));
    f.i32(-1).i32(-1);

    TBrixFrameList list = Load(f.b, static_cast<int32_t>(id));
    ASSERT_EQ(list.Count(), 2);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x) {
        EXPECT_EQ(list.Frame(0).Picture.ScanLine(y)[x], expected[y][x]) << x << "," << y;
        EXPECT_EQ(list.Frame(1).Picture.ScanLine(y)[x], x == 4 && y == 2 ? 42 : expected[y][x]) << x << "," << y;
      }
  }
}

TEST(BrixReader, PacksOneAndFourBitBlockRowsAndPalettes) {
  // 10 x 2 at 4 bits in 3 x 2 blocks: block rows take (4 * 3 + 7) / 8 = 2 bytes, the cut last block 1 byte.
  Bytes f;
  Header(f, 106, 1, 0, 1, 0, 3, 2);
  Palette(FrameHead(f, 1, 10, 2, 4), 16);
  Bytes d;
  for (int i = 0; i < 4; ++i) d.i32(-1).i32(0);
  // Block rows hold pixels most significant nibble first; pixel value = (x + y) & 15.
  for (int b = 0; b < 4; ++b) {
    const int cw = b < 3 ? 3 : 1;
    for (int y = 0; y < 2; ++y) {
      uint8_t row[2] = {0, 0};
      for (int i = 0; i < cw; ++i) row[i / 2] |= static_cast<uint8_t>(((3 * b + i + y) & 15) << (i % 2 ? 0 : 4));
      d.u8(row[0]);
      if (cw > 1) d.u8(row[1]);
    }
  }
  Layer(f, d.b);
  f.i32(-1).i32(-1);
  TBrixFrameList list = Load(f.b);
  TDIBSurface& p = list.Frame(0).Picture;
  EXPECT_EQ(list.Frame(0).BitCount(), 4);
  EXPECT_EQ(p.Palette[3], 3u | 6u << 8 | 9u << 16);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 10; ++x) EXPECT_EQ((p.ScanLine(y)[x / 2] >> (x % 2 ? 0 : 4)) & 15, (x + y) & 15) << x;

  // 1 bit, 9 x 1, rows: two bytes of bits padded to 4, leftmost pixel in the top bit.
  Bytes g;
  Header(g, 106, 1, 0, 1);
  Palette(FrameHead(g, 1, 9, 1, 1), 2);
  Layer(g, {0b10110000, 0b10000000, 0, 0});
  g.i32(-1).i32(-1);
  TBrixFrameList one = Load(g.b);
  EXPECT_EQ(one.Frame(0).Picture.ScanLine(0)[0], 0b10110000);
  EXPECT_EQ(one.Frame(0).Picture.ScanLine(0)[1] & 0x80, 0x80);
}

uint32_t BlendRef(uint32_t d, uint32_t s, uint32_t a) {
  uint32_t out = 0;
  for (int sh = 0; sh < 24; sh += 8) out |= ((((d >> sh) & 255) * (255 - a) + ((s >> sh) & 255) * a) >> 8) << sh;
  return out;
}

std::vector<uint8_t> Row32(const std::vector<uint32_t>& px) {
  std::vector<uint8_t> out;
  for (uint32_t v : px) out.insert(out.end(), {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)});
  return out;
}

TEST(BrixReader, ComposesLayersByVisibilityOpacityTransparencyAndAlpha) {
  const std::vector<uint32_t> a = {0x102030, 0x405060, 0x708090, 0xA0B0C0};
  const std::vector<uint32_t> b = {0, 0xFFFFFF, 0, 0x00FF00};
  const std::vector<uint32_t> c = {0x111111, 0x222222, 0x333333, 0x444444};
  Bytes f;
  Header(f, 106, 1, 0, 1, 0x0000FF);
  FrameHead(f, 4, 4, 1, 32);
  Layer(f, Row32(a));              // opaque: copied whole
  Layer(f, Row32(b), 0, 128);      // half-blended except where it holds 0
  Layer(f, Row32(c), -1, 255, 0);  // invisible
  // An alpha-enabled layer above index 0 composites per pixel; its opacity does not matter.
  f.i32(0).i32(0).u8(1).i32(0x222222).i32(7).u8(1).str("A").data(Row32(c)).data({0, 255, 128, 0});
  f.i32(-1).i32(-1);
  TBrixFrameList list = Load(f.b);
  TDIBSurface& p = list.Frame(0).Picture;
  EXPECT_FALSE(list.Frame(0).HasAlpha());
  uint32_t expected[4] = {a[0], BlendRef(a[1], b[1], 128), a[2], BlendRef(a[3], b[3], 128)};
  expected[1] = c[1];
  expected[2] = BlendRef(expected[2], c[2], 128);
  for (int x = 0; x < 4; ++x) EXPECT_EQ(Px32(p, x, 0) & 0xFFFFFF, expected[x]) << x;
}

TEST(BrixReader, FirstVisibleLayerGivesAlphaAndTheCompositionFlagIgnoresItsTransparency) {
  const std::vector<uint32_t> a = {0x010101, 0x020202, 0x030303};
  for (uint8_t flag : {0, 1}) {
    SCOPED_TRACE(int(flag));
    Bytes f;
    Header(f, 106, 1, 0, 1, 0x0000FF, 0, 0, flag);
    FrameHead(f, 2, 3, 1, 32);
    Layer(f, Row32(a), -1, 255, 0);  // invisible: the next layer is the first visible one
    f.i32(0).i32(0).u8(1).i32(0x020202).i32(255).u8(0).str("B").data(Row32(a)).i32(0);
    f.i32(-1).i32(-1);
    TBrixFrameList list = Load(f.b);
    // Background red is 0x00FF0000 at 32 bits. Without the flag the transparent pixel keeps it.
    EXPECT_EQ(Px32(list.Frame(0).Picture, 1, 0) & 0xFFFFFF, flag ? 0x020202u : 0xFF0000u);
    EXPECT_EQ(Px32(list.Frame(0).Picture, 0, 0) & 0xFFFFFF, 0x010101u);
  }
  // An alpha-enabled first layer: its alpha becomes the frame's, its transparent value is dropped, it is copied.
  Bytes g;
  Header(g, 106, 1, 0, 1);
  FrameHead(g, 1, 3, 1, 32);
  g.i32(0).i32(0).u8(1).i32(0x010101).i32(255).u8(1).str("A").data(Row32(a)).data({9, 0, 255, 0});
  g.i32(-1).i32(-1);
  TBrixFrameList list = Load(g.b, 0, true);
  ASSERT_TRUE(list.Frame(0).HasAlpha());
  EXPECT_EQ(list.Frame(0).Layer(0).TransparentValue, -1);
  EXPECT_EQ(list.Frame(0).Picture.AlphaLine(0)[0], 9);
  EXPECT_EQ(list.Frame(0).Picture.AlphaLine(0)[2], 255);
  EXPECT_EQ(Px32(list.Frame(0).Picture, 0, 0) & 0xFFFFFF, 0x010101u);
}

TEST(BrixReader, IndexedPicturesDitherTheirOpacityInSixteenLevels) {
  auto drawn = [](int32_t opacity) {
    Bytes f;
    Header(f, 106, 1, 0, 1, 0);
    Palette(FrameHead(f, 2, 4, 4, 8), 256);
    Layer(f, Rows8(4, 4, [](int, int) { return 1; }));
    Layer(f, Rows8(4, 4, [](int, int) { return 2; }), -1, opacity);
    f.i32(-1).i32(-1);
    TBrixFrameList list = Load(f.b);
    int n = 0;
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 4; ++x) n += list.Frame(0).Picture.ScanLine(y)[x] == 2;
    return n;
  };
  EXPECT_EQ(drawn(0), 0);
  EXPECT_EQ(drawn(15), 0);
  EXPECT_EQ(drawn(128), 8);
  EXPECT_EQ(drawn(64), 4);
  EXPECT_EQ(drawn(240), 16);
  EXPECT_EQ(drawn(255), 16);
}

TEST(BrixReader, FirstFrameOnlyLeavesTheRestOfTheStreamUnread) {
  Bytes f;
  Header(f, 106, 10, 0, 1);
  size_t end_of_first = 0;
  for (int i = 0; i < 10; ++i) {
    FrameHead(f, 1, 1, 1, 32, -1, "f" + std::to_string(i));
    Layer(f, Row32({static_cast<uint32_t>(i)}));
    f.i32(-1).i32(-1);
    if (i == 0) end_of_first = f.b.size();
  }
  TMemoryStream s(f.b);
  TBrixFrameList list;
  list.LoadFromStream(s, true, false, false);
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(s.GetPosition(), static_cast<int32_t>(end_of_first));
  EXPECT_EQ(Load(f.b).Count(), 10);
  EXPECT_EQ(Load(f.b).Frame(9).Name, "f9");
}

TEST(BrixReader, PicturesAreCappedByPixelsAndMemoryNotBySide) {
  // A credit roll far taller than any screen loads.
  const int32_t w = 640, h = 20000;
  Bytes roll;
  Header(roll, 106, 1, 0, 1);
  Palette(FrameHead(roll, 1, w, h, 8), 256);
  std::vector<uint8_t> rows(static_cast<size_t>(w) * h, 3);
  rows[static_cast<size_t>(w) * (h - 1)] = 9;  // the first pixel of the bottom row comes first
  Layer(roll, rows).i32(-1).i32(-1);
  const TBrixFrameList list = Load(roll.b);
  TBrixFrameList& frames = const_cast<TBrixFrameList&>(list);
  ASSERT_EQ(frames.Count(), 1);
  EXPECT_EQ(frames.Frame(0).Picture.Width(), w);
  EXPECT_EQ(frames.Frame(0).Picture.Height(), h);
  EXPECT_EQ(frames.Frame(0).Picture.ScanLine(0)[0], 9);
  EXPECT_EQ(frames.Frame(0).Picture.ScanLine(h - 1)[w - 1], 3);
  EXPECT_NO_THROW(CheckImageSize(1, int64_t{1} << 25, "tall.png"));
  EXPECT_THROW(CheckImageSize(8193, 4096, "big.png"), EFormatError);
  EXPECT_THROW(CheckImageSize(2, int64_t{1} << 25, "big.png"), EFormatError);
}

TEST(BrixReader, AnimationsFreeEachFramesLayersAfterTheFrame) {
  // Twelve frames of 64 x 64 at 32 bits, one layer each: the budget holds the composed frames and one frame's
  // layer, not every layer of every frame.
  const int32_t frames = 12, side = 64;
  const int64_t picture = int64_t{side} * side * 4;
  Bytes f;
  Header(f, 106, frames, 0, 1);
  for (int i = 0; i < frames; ++i) {
    FrameHead(f, 1, side, side, 32);
    Layer(f, std::vector<uint8_t>(static_cast<size_t>(picture), static_cast<uint8_t>(i))).i32(-1).i32(-1);
  }
  TBrixFrameList list;
  list.MaxBytes = picture * (frames + 1);
  TMemoryStream s(f.b);
  ASSERT_NO_THROW(list.LoadFromStream(s, false, false, false));
  ASSERT_EQ(list.Count(), frames);
  EXPECT_EQ(list.Frame(11).Count(), 0);
  EXPECT_EQ(list.Frame(11).Picture.ScanLine(0)[0], 11);
  // Keeping the layers needs them all.
  TBrixFrameList kept;
  kept.MaxBytes = picture * (frames + 1);
  TMemoryStream again(f.b);
  EXPECT_THROW(kept.LoadFromStream(again, false, false, true), EFormatError);
}

TEST(BrixReader, TransparentColoursComeFromTheFrameFormat) {
  auto colour = [](int bits, int32_t value) {
    Bytes f;
    Header(f, 106, 1, 0, 1);
    FrameHead(f, 0, 1, 1, bits, value);
    if (bits <= 8) Palette(f, 1 << bits);
    f.i32(-1).i32(-1);
    return Load(f.b).Frame(0).TransparentColor;
  };
  EXPECT_EQ(colour(16, 0xF800), 0x0000F8);
  EXPECT_EQ(colour(15, 0x03E0), 0x00F800);
  EXPECT_EQ(colour(32, 0x0000FF), 0xFF0000);
  EXPECT_EQ(colour(24, 0x0000FF), 0xFF0000);
  EXPECT_EQ(colour(8, 4), 12 | 8 << 8 | 4 << 16);
  EXPECT_EQ(colour(4, 16), -1);  // no such palette entry
  EXPECT_EQ(colour(32, -1), -1);
}

TEST(BrixFrame, TrimCropsToVisiblePixelsAndCutsTheRectangleLists) {
  Bytes f;
  Header(f, 106, 1, 0, 1);
  Palette(FrameHead(f, 1, 6, 5, 8, 0), 256);
  // Non-zero pixels at (2, 1) and (4, 3): the box is (2, 1) - (5, 4).
  Layer(f, Rows8(6, 5, [](int x, int y) { return (x == 2 && y == 1) || (x == 4 && y == 3) ? 7 : 0; }));
  f.i32(2).i32(0).i32(0).i32(3).i32(2).i32(5).i32(4).i32(6).i32(5).i32(0);
  TBrixFrameList list = Load(f.b);
  TBrixFrame& fr = list.Frame(0);
  EXPECT_EQ(fr.Trim(), (TPoint{2, 1}));
  EXPECT_EQ(fr.Picture.Width(), 3);
  EXPECT_EQ(fr.Picture.Height(), 3);
  EXPECT_EQ(fr.Picture.ScanLine(0)[0], 7);
  EXPECT_EQ(fr.Picture.ScanLine(2)[2], 7);
  ASSERT_EQ(fr.ContentRects.size(), 1u);  // (5, 4) - (6, 5) lies outside and is removed
  EXPECT_EQ(fr.ContentRects[0], (TRect{0, 0, 1, 1}));
  // Already tight: nothing changes.
  EXPECT_EQ(fr.Trim(), (TPoint{0, 0}));
  EXPECT_EQ(fr.Picture.Width(), 3);

  fr.MakeMaskFromTransparent();
  ASSERT_TRUE(fr.HasAlpha());
  EXPECT_EQ(fr.Picture.AlphaLine(0)[0], 255);
  EXPECT_EQ(fr.Picture.AlphaLine(0)[1], 0);
}

std::function<void(TStream&, const std::string&)> FilesFrom(const std::map<std::string, std::vector<uint8_t>>& m) {
  return [m](TStream& t, const std::string& name) {
    const auto& bytes = m.at(name);
    t.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  };
}

TEST(BrixReader, LoadsFilesByExtensionIncludingBmpAsOneFrame) {
  TMemoryStream bmp;
  WriteBmp24(bmp, 2, 1, {0x0000FF, 0x00FF00});
  // A 32-bit bitmap: its fourth bytes become the alpha bitmap, the picture becomes 24 bits.
  Bytes b32;
  b32.u8('B').u8('M').i32(54 + 8).i32(0).i32(54).i32(40).i32(2).i32(1).u8(1).u8(0).u8(32).u8(0).i32(0).i32(8);
  b32.i32(0).i32(0).i32(0).i32(0).raw({1, 2, 3, 200, 4, 5, 6, 0});
  Bytes brx;
  Header(brx, 106, 1, 0, 1);
  FrameHead(brx, 0, 1, 1, 32);
  brx.i32(-1).i32(-1);
  auto files = FilesFrom({{"a.bmp", bmp.Bytes()}, {"b.DIB", b32.b}, {"c.BRX", brx.b}, {"d.txt", brx.b}});

  TBrixFrameList list;
  list.LoadFromFile(files, "a.bmp", false, false, false);
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Frame(0).BitCount(), 24);
  const uint8_t* row = list.Frame(0).Picture.ScanLine(0);
  EXPECT_EQ(std::vector<uint8_t>(row, row + 6), (std::vector<uint8_t>{0, 0, 255, 0, 255, 0}));

  list.LoadFromFile(files, "b.DIB", false, false, false);
  ASSERT_TRUE(list.Frame(0).HasAlpha());
  EXPECT_EQ(list.Frame(0).BitCount(), 24);
  EXPECT_EQ(list.Frame(0).Picture.AlphaLine(0)[0], 200);
  EXPECT_EQ(list.Frame(0).Picture.AlphaLine(0)[1], 0);
  EXPECT_EQ(list.Frame(0).Picture.ScanLine(0)[3], 4);

  list.LoadFromFile(files, "c.BRX", false, false, false);
  EXPECT_EQ(list.Version, 106);
  TBrixFrameList none;
  none.LoadFromFile(files, "d.txt", false, false, false);
  EXPECT_EQ(none.Count(), 0);
}

// A PNG file of one IDAT chunk, rows with filter type 0.
struct Png {
  std::vector<uint8_t> b = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  void chunk(const char* type, const std::vector<uint8_t>& data) {
    Bytes len;
    for (int i = 3; i >= 0; --i) len.u8(static_cast<uint8_t>(data.size() >> (8 * i)));
    std::vector<uint8_t> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    const uint32_t crc = static_cast<uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size())));
    b.insert(b.end(), len.b.begin(), len.b.end());
    b.insert(b.end(), body.begin(), body.end());
    for (int i = 3; i >= 0; --i) b.push_back(static_cast<uint8_t>(crc >> (8 * i)));
  }
  Png(uint8_t w, uint8_t colour_type, const std::vector<uint8_t>& row,
      const std::vector<std::pair<std::string, std::vector<uint8_t>>>& extra) {
    chunk("IHDR", {0, 0, 0, w, 0, 0, 0, 1, 8, colour_type, 0, 0, 0});
    for (auto& [type, data] : extra) chunk(type.c_str(), data);
    std::vector<uint8_t> raw = {0};
    raw.insert(raw.end(), row.begin(), row.end());
    chunk("IDAT", Zip(raw));
    chunk("IEND", {});
  }
};

TEST(BrixReader, LoadsPngAsOneFrameWithAlphaAndTransparentColour) {
  auto files = FilesFrom({
      {"rgba.png", Png(2, 6, {10, 20, 30, 255, 40, 50, 60, 7}, {}).b},
      {"key.png", Png(2, 2, {10, 20, 30, 40, 50, 60}, {{"tRNS", {0, 40, 0, 50, 0, 60}}}).b},
      {"pal.png", Png(2, 3, {0, 1}, {{"PLTE", {1, 2, 3, 4, 5, 6}}, {"tRNS", {255, 0}}}).b},
  });
  TBrixFrameList list;
  list.LoadFromFile(files, "rgba.png", false, false, false);
  ASSERT_EQ(list.Count(), 1);
  TBrixFrame& f = list.Frame(0);
  EXPECT_EQ(f.BitCount(), 24);
  ASSERT_TRUE(f.HasAlpha());
  EXPECT_EQ(f.Picture.AlphaLine(0)[0], 255);
  EXPECT_EQ(f.Picture.AlphaLine(0)[1], 7);
  const uint8_t* row = f.Picture.ScanLine(0);
  EXPECT_EQ(std::vector<uint8_t>(row, row + 6), (std::vector<uint8_t>{30, 20, 10, 60, 50, 40}));
  EXPECT_EQ(f.TransparentValue, -1);

  list.LoadFromFile(files, "key.png", false, false, false);
  EXPECT_FALSE(list.Frame(0).HasAlpha());
  EXPECT_EQ(list.Frame(0).TransparentColor, 40 | 50 << 8 | 60 << 16);
  EXPECT_EQ(list.Frame(0).TransparentValue, 60 | 50 << 8 | 40 << 16);  // blue, green, red bytes

  // A palette picture (decoded to colours): the transparent entry is named by its index.
  list.LoadFromFile(files, "pal.png", false, false, false);
  EXPECT_EQ(list.Frame(0).BitCount(), 24);
  EXPECT_EQ(list.Frame(0).TransparentColor, 4 | 5 << 8 | 6 << 16);
  EXPECT_EQ(list.Frame(0).TransparentValue, 6 | 5 << 8 | 4 << 16);
  EXPECT_EQ(list.Frame(0).Picture.ScanLine(0)[3], 6);
  ASSERT_TRUE(list.Frame(0).HasAlpha());
  EXPECT_EQ(list.Frame(0).Picture.AlphaLine(0)[1], 0);
}

// Block files to break: version 106, raw, 4 x 2 frames of 8 bits in 2 x 2 blocks. Frame 0 stores both blocks of
// its colour and of its alpha.
Bytes BlockFile(int32_t frames) {
  Bytes f;
  Header(f, 106, frames, 0, 1, 0, 2, 2);
  Palette(FrameHead(f, 1, 4, 2, 8), 256);
  f.i32(0).i32(0).u8(1).i32(-1).i32(255).u8(0).str("L").data(BlockData({{-1, 0}, {-1, 0}}, {1, 2, 3, 4, 5, 6, 7, 8}));
  f.data(BlockData({{-1, 0}, {-1, 0}}, {9, 9, 9, 9, 9, 9, 9, 9}));
  return f.i32(-1).i32(-1);
}

Bytes GoodBlocks(const std::vector<std::pair<int32_t, int32_t>>& second) {
  Bytes f = BlockFile(2);
  Palette(FrameHead(f, 1, 4, 2, 8), 256);
  std::vector<uint8_t> stored;
  for (auto& e : second)
    if (e.first == -1) stored.insert(stored.end(), {1, 1, 1, 1});
  Layer(f, BlockData(second, stored));
  return f.i32(-1).i32(-1);
}

TEST(BrixReader, RejectsBlocksWhoseSourceIsMissingUndecodedOrOutside) {
  EXPECT_NO_THROW(Load(GoodBlocks({{0, 0}, {-2, 0}}).b));
  EXPECT_NO_THROW(Load(GoodBlocks({{-1, 0}, {-1, 0}}).b));
  for (auto bad : std::vector<std::vector<std::pair<int32_t, int32_t>>>{
           {{-2, 0}, {-1, 0}},   // copies itself: not yet decoded
           {{-1, 0}, {-2, 1}},   // copies itself
           {{-1, 0}, {-2, 5}},   // no such block
           {{-1, 0}, {-2, -1}},  // negative index
           {{1, 0}, {-1, 0}},    // its own frame's layer 0 is the one being decoded
           {{2, 0}, {-1, 0}},    // a frame not read yet
           {{0, 1}, {-1, 0}},    // frame 0 has one layer
           {{0, -1}, {-1, 0}},
           {{-3, 0}, {-1, 0}},  // unknown source kind
       }) {
    EXPECT_THROW(Load(GoodBlocks(bad).b), EFormatError) << bad[0].first << " " << bad[0].second;
  }
}

TEST(BrixReader, RejectsCopiesReachingOutsideTheirSource) {
  // 3 x 2 in 2 x 1 blocks: blocks 1 and 3 are cut to 1 x 1; block 2 copying block 1 at its own size reaches out.
  Bytes f;
  Header(f, 106, 1, 0, 1, 0, 2, 1);
  Palette(FrameHead(f, 1, 3, 2, 8), 256);
  Layer(f, BlockData({{-1, 0}, {-1, 0}, {-2, 1}, {-1, 0}}, {1, 2, 3, 4}));
  f.i32(-1).i32(-1);
  EXPECT_THROW(Load(f.b), EFormatError);

  // Frame 1 (4 x 4) copying block 2 from frame 0 (4 x 2) reaches below that picture.
  Bytes g = BlockFile(2);
  Palette(FrameHead(g, 1, 4, 4, 8), 256);
  Layer(g, BlockData({{-1, 0}, {-1, 0}, {0, 0}, {-1, 0}}, std::vector<uint8_t>(12, 1)));
  g.i32(-1).i32(-1);
  EXPECT_THROW(Load(g.b), EFormatError);

  // Alpha blocks copy alpha: from frame 0's layer, which has it, and not from a layer without it.
  auto alpha_copy = [](int32_t layers, int32_t source_frame) {
    Bytes a = BlockFile(2);
    Palette(FrameHead(a, layers, 4, 2, 8), 256);
    if (layers == 2) Layer(a, BlockData({{-1, 0}, {-1, 0}}, {1, 2, 3, 4, 5, 6, 7, 8}));
    a.i32(0).i32(0).u8(1).i32(-1).i32(255).u8(0).str("L").data(BlockData({{0, 0}, {0, 0}}, {}));
    a.data(BlockData({{source_frame, 0}, {source_frame, 0}}, {}));
    return a.i32(-1).i32(-1);
  };
  EXPECT_NO_THROW(Load(alpha_copy(1, 0).b));
  EXPECT_THROW(Load(alpha_copy(2, 1).b), EFormatError);
  TBrixFrameList list = Load(alpha_copy(1, 0).b, 0, true);
  EXPECT_EQ(list.Frame(1).Layer(0).Picture.AlphaLine(1)[3], 9);
  EXPECT_EQ(list.Frame(1).Picture.ScanLine(1)[3], 8);
}

TEST(BrixReader, RejectsHostileCountsSizesAndTruncation) {
  const std::vector<uint8_t> good = GoodBlocks({{0, 0}, {-2, 0}}).b;
  EXPECT_NO_THROW(Load(good));
  // Every cut of a good file fails cleanly.
  for (size_t n = 0; n < good.size(); ++n) {
    std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
    EXPECT_THROW(Load(cut), EVelkError) << n;
  }
  auto with_frame = [](int32_t layers, int32_t w, int32_t h, int32_t bits, int32_t frames = 1) {
    Bytes f;
    Header(f, 106, frames, 0, 1);
    FrameHead(f, layers, w, h, bits);
    return f.i32(-1).i32(-1).b;
  };
  EXPECT_NO_THROW(Load(with_frame(0, 5, 5, 32)));
  EXPECT_THROW(Load(with_frame(0, 5, 5, 7)), EFormatError);
  EXPECT_THROW(Load(with_frame(0, 0, 5, 32)), EFormatError);
  EXPECT_THROW(Load(with_frame(0, -5, 5, 32)), EFormatError);
  EXPECT_THROW(Load(with_frame(0, 1 << 20, 1 << 20, 32)), EFormatError);
  EXPECT_THROW(Load(with_frame(-1, 5, 5, 32)), EFormatError);
  EXPECT_THROW(Load(with_frame(1 << 30, 5, 5, 32)), EFormatError);
  EXPECT_THROW(Load(with_frame(0, 5, 5, 32, 1 << 30)), EFormatError);
  EXPECT_THROW(Load(with_frame(0, 5, 5, 32, -1)), EFormatError);

  // Many empty frames of a large size pass the stream checks but not the byte budget.
  Bytes many;
  Header(many, 106, 64, 0, 1);
  for (int i = 0; i < 64; ++i) FrameHead(many, 0, 1024, 1024, 32).i32(-1).i32(-1);
  TBrixFrameList capped;
  capped.MaxBytes = int64_t{16} << 20;
  TMemoryStream ms(many.b);
  EXPECT_THROW(capped.LoadFromStream(ms, false, false, false), EFormatError);

  // Scrambled rows beyond what the generator can place fail before any data is looked at (given enough data,
  // the rows after the last place would have been written past the picture).
  Bytes tall;
  Header(tall, 106, 1, 1, 1);
  FrameHead(tall, 1, 1, TRandomGenerator::kMaxPool + 1, 32);
  Layer(tall, std::vector<uint8_t>(8, 0));
  tall.i32(-1).i32(-1);
  try {
    Load(tall.b);
    ADD_FAILURE() << "loaded";
  } catch (const EFormatError& e) {
    EXPECT_NE(std::string(e.what()).find("too many rows"), std::string::npos) << e.what();
  }

  // Deflated data that inflates beyond what the picture can use.
  Bytes bomb;
  Header(bomb, 106, 1, 0, 0);
  FrameHead(bomb, 1, 4, 4, 32);
  Layer(bomb, Zip(std::vector<uint8_t>(1 << 20, 0)));
  bomb.i32(-1).i32(-1);
  EXPECT_THROW(Load(bomb.b), EFormatError);
  // Too little pixel data.
  Bytes shortrows;
  Header(shortrows, 106, 1, 0, 1);
  FrameHead(shortrows, 1, 4, 4, 32);
  Layer(shortrows, std::vector<uint8_t>(63, 0));
  shortrows.i32(-1).i32(-1);
  EXPECT_THROW(Load(shortrows.b), EFormatError);

  Bytes comp;
  Header(comp, 106, 0, 0, 3);
  EXPECT_THROW(Load(comp.b), EFormatError);
  std::vector<uint8_t> digits = {'B', 'r', 'i', 'x', '1', 'x', '6'};
  EXPECT_THROW(Load(digits), EFormatError);
  Bytes negative_header;
  negative_header.sig(106).i32(-4);
  EXPECT_THROW(Load(negative_header.b), EFormatError);
  Bytes bad_name;
  Header(bad_name, 106, 1, 0, 1).i32(1 << 30);
  EXPECT_THROW(Load(bad_name.b), EFormatError);
}

}  // namespace
}  // namespace velk
