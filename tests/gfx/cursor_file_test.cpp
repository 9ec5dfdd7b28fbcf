// Cursor files against hand-made bytes: 32-bit pictures with alpha, palette pictures with their AND mask, the
// first frame of an animated cursor, and damaged files.
#include "gfx/cursor_file.h"

#include <gtest/gtest.h>

#include "base/error.h"
#include "support/cursor_bytes.h"

namespace velk {
namespace {

using test::TCursorBytes;

TCursorImage Read(const std::vector<uint8_t>& b) { return ReadCursorFile(b.data(), b.size(), "c.cur"); }

// A 3 x 2 cursor at 1 bit (palette black, white) with the hot spot at (2, 1): the top row is white, black, white;
// the bottom row white with its middle pixel masked out.
std::vector<uint8_t> OneBitCursor() {
  TCursorBytes f;
  f.u16(0).u16(2).u16(1);
  const uint32_t bytes = 40 + 8 + 2 * 4 + 2 * 4;
  f.u8(3).u8(2).u8(2).u8(0).u16(2).u16(1).u32(bytes).u32(6 + 16);
  f.u32(40).u32(3).u32(4).u16(1).u16(1).u32(0).u32(0).u32(0).u32(0).u32(0).u32(0);
  f.u32(0x000000).u32(0xFFFFFF);
  f.u8(0xE0).u8(0).u8(0).u8(0);  // bottom row: 1 1 1
  f.u8(0xA0).u8(0).u8(0).u8(0);  // top row: 1 0 1
  f.u8(0x40).u8(0).u8(0).u8(0);  // bottom mask: the middle pixel is transparent
  f.u8(0x00).u8(0).u8(0).u8(0);
  return f.b;
}

TEST(CursorFile, ReadsThirtyTwoBitAndPalettePicturesWithTheirHotSpot) {
  const TCursorImage c = Read(test::TwoByTwoCursor());
  EXPECT_EQ(c.Width, 2);
  EXPECT_EQ(c.Height, 2);
  EXPECT_EQ(c.HotX, 1);
  EXPECT_EQ(c.HotY, 0);
  EXPECT_EQ(c.Pixels, (std::vector<uint32_t>{0xFFFF0000, 0x8000FF00, 0xFF0000FF, 0x00090909}));

  const TCursorImage m = Read(OneBitCursor());
  EXPECT_EQ(m.Width, 3);
  EXPECT_EQ(m.HotX, 2);
  EXPECT_EQ(m.HotY, 1);
  EXPECT_EQ(m.Pixels, (std::vector<uint32_t>{0xFFFFFFFF, 0xFF000000, 0xFFFFFFFF, 0xFFFFFFFF, 0, 0xFFFFFFFF}));
}

TEST(CursorFile, AnimatedCursorsShowTheirFirstFrame) {
  const std::vector<uint8_t> first = OneBitCursor(), second = test::TwoByTwoCursor();
  TCursorBytes list;
  list.raw("fram");
  list.raw("icon").u32(static_cast<uint32_t>(first.size())).raw(first);
  if (first.size() % 2 != 0) list.u8(0);
  list.raw("icon").u32(static_cast<uint32_t>(second.size())).raw(second);
  TCursorBytes body;
  body.raw("ACON").raw("anih").u32(36);
  for (int i = 0; i < 9; ++i) body.u32(i == 0 ? 36 : 0);
  body.raw("LIST").u32(static_cast<uint32_t>(list.b.size())).raw(list.b);
  TCursorBytes file;
  file.raw("RIFF").u32(static_cast<uint32_t>(body.b.size())).raw(body.b);
  EXPECT_EQ(Read(file.b).Pixels, Read(first).Pixels);
}

TEST(CursorFile, DamagedFilesFailClearly) {
  const std::vector<uint8_t> good = test::TwoByTwoCursor();
  for (size_t n = 0; n < good.size(); ++n) {
    EXPECT_THROW(Read(std::vector<uint8_t>(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n))), EFormatError)
        << n;
  }
  auto changed = [&good](size_t at, uint8_t v) {
    std::vector<uint8_t> b = good;
    b[at] = v;
    return b;
  };
  EXPECT_THROW(Read(changed(2, 3)), EFormatError);      // neither a cursor nor an icon
  EXPECT_THROW(Read(changed(21, 0x40)), EFormatError);  // the picture lies past the end
  EXPECT_THROW(Read(changed(27, 0x10)), EFormatError);  // over 4000 pixels wide
  EXPECT_THROW(Read(changed(36, 7)), EFormatError);     // no such depth
  EXPECT_THROW(Read(changed(38, 1)), EFormatError);     // compressed
  try {
    Read(changed(2, 3));
  } catch (const EFormatError& e) {
    EXPECT_EQ(e.FileName(), "c.cur");
  }
}

}  // namespace
}  // namespace velk
