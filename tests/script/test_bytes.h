#pragma once
// Hand-written little-endian bytes for reader tests, independent of the writers under test.
#include <cstdint>
#include <string>
#include <vector>

#include "vfs/stream.h"

namespace velk::test {

class Bytes {
 public:
  Bytes& i32(int32_t v) {
    for (int i = 0; i < 4; ++i) b_.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i)));
    return *this;
  }
  Bytes& u8(uint8_t v) {
    b_.push_back(v);
    return *this;
  }
  Bytes& str(const std::string& s) {
    i32(static_cast<int32_t>(s.size()));
    return raw(s);
  }
  Bytes& raw(const std::string& s) {
    b_.insert(b_.end(), s.begin(), s.end());
    return *this;
  }
  Bytes& zeros(size_t n) {
    b_.insert(b_.end(), n, 0);
    return *this;
  }
  // 1.5 as a 10-byte extended value.
  Bytes& ext_one_and_half() {
    const uint8_t e[10] = {0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x3F};
    b_.insert(b_.end(), e, e + 10);
    return *this;
  }
  // An empty stored expression.
  Bytes& no_expr() { return i32(0); }
  // The stored expression "____arg = v" with an int constant.
  Bytes& int_expr(int32_t v) { return i32(1).u8(1).str("____arg").i32(1).u8(1).i32(v); }
  // The base fields of a command record.
  Bytes& base(int32_t level, bool skip, bool cont, int32_t line) {
    return i32(level).u8(skip ? 1 : 0).u8(cont ? 1 : 0).i32(line);
  }

  const std::vector<uint8_t>& data() const { return b_; }
  size_t size() const { return b_.size(); }
  TMemoryStream stream() const { return TMemoryStream(b_); }
  TMemoryStream prefix(size_t n) const { return TMemoryStream(std::vector<uint8_t>(b_.begin(), b_.begin() + n)); }

 private:
  std::vector<uint8_t> b_;
};

}  // namespace velk::test
