#pragma once
// Cursor files written by hand, field by field: a directory with one entry, a bitmap header, the colour rows and
// the AND mask, both bottom row first and padded to four bytes.
#include <cstdint>
#include <string>
#include <vector>

namespace velk::test {

struct TCursorBytes {
  std::vector<uint8_t> b;
  TCursorBytes& u8(uint8_t v) {
    b.push_back(v);
    return *this;
  }
  TCursorBytes& u16(uint16_t v) { return u8(static_cast<uint8_t>(v)).u8(static_cast<uint8_t>(v >> 8)); }
  TCursorBytes& u32(uint32_t v) { return u16(static_cast<uint16_t>(v)).u16(static_cast<uint16_t>(v >> 16)); }
  TCursorBytes& raw(const std::string& s) {
    b.insert(b.end(), s.begin(), s.end());
    return *this;
  }
  TCursorBytes& raw(const std::vector<uint8_t>& v) {
    b.insert(b.end(), v.begin(), v.end());
    return *this;
  }
};

// A 2 x 2 cursor at 32 bits with its hot spot at (1, 0): top row red (opaque) and half-transparent green, bottom
// row blue and a pixel with alpha 0.
inline std::vector<uint8_t> TwoByTwoCursor() {
  TCursorBytes f;
  f.u16(0).u16(2).u16(1);
  const uint32_t bytes = 40 + 2 * 2 * 4 + 2 * 4;
  f.u8(2).u8(2).u8(0).u8(0).u16(1).u16(0).u32(bytes).u32(6 + 16);
  f.u32(40).u32(2).u32(4).u16(1).u16(32).u32(0).u32(0).u32(0).u32(0).u32(0).u32(0);
  // Bottom row first, BGRA.
  f.u8(0xFF).u8(0).u8(0).u8(0xFF).u8(9).u8(9).u8(9).u8(0);
  f.u8(0).u8(0).u8(0xFF).u8(0xFF).u8(0).u8(0xFF).u8(0).u8(0x80);
  f.u32(0).u32(0);
  return f.b;
}

}  // namespace velk::test
