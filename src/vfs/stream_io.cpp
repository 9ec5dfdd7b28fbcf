#include "vfs/stream_io.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

#include "base/error.h"
#include "base/sjis.h"

namespace velk {

namespace {

// Reads n bytes; bytes past the end of the stream read as zero.
void read_or_zero(TStream& s, void* buffer, int32_t n) {
  int32_t got = s.Read(buffer, n);
  if (got < n)
    std::memset(static_cast<uint8_t*>(buffer) + std::max(got, 0), 0, static_cast<size_t>(n - std::max(got, 0)));
}

template <class T> T read_le(TStream& s) {
  uint8_t b[sizeof(T)];
  read_or_zero(s, b, sizeof(T));
  std::make_unsigned_t<T> v = 0;
  for (size_t i = 0; i < sizeof(T); ++i) v |= static_cast<std::make_unsigned_t<T>>(b[i]) << (8 * i);
  return static_cast<T>(v);
}

template <class T> void write_le(TStream& s, T value) {
  uint8_t b[sizeof(T)];
  auto v = static_cast<std::make_unsigned_t<T>>(value);
  for (size_t i = 0; i < sizeof(T); ++i) b[i] = static_cast<uint8_t>(v >> (8 * i));
  s.WriteBuffer(b, sizeof(T));
}

constexpr bool kHostExtendedIsX87 = std::numeric_limits<long double>::digits == 64 && LDBL_MAX_EXP == 16384;

}  // namespace

void CheckCount(TStream& s, int64_t count, int64_t element_size) {
  if (count < 0 || (element_size > 0 && count > static_cast<int64_t>(s.Remaining()) / element_size)) {
    throw EFormatError(Utf8ToCp932("データが壊れています (件数 " + std::to_string(count) + ")"));
  }
}

void WriteInt(TStream& s, int32_t value) { write_le<int32_t>(s, value); }
int32_t ReadInt(TStream& s) { return read_le<int32_t>(s); }
void WriteInt64(TStream& s, int64_t value) { write_le<int64_t>(s, value); }
int64_t ReadInt64(TStream& s) { return read_le<int64_t>(s); }
void WriteByte(TStream& s, uint8_t value) { s.WriteBuffer(&value, 1); }
uint8_t ReadByte(TStream& s) { return read_le<uint8_t>(s); }
void WriteBool(TStream& s, bool value) { WriteByte(s, value ? 1 : 0); }
bool ReadBool(TStream& s) { return ReadByte(s) != 0; }

void WriteString(TStream& s, const std::string& value) {
  if (value.size() > static_cast<size_t>(INT32_MAX)) throw EStreamError(Utf8ToCp932("文字列が長すぎます"));
  WriteInt(s, static_cast<int32_t>(value.size()));
  s.WriteBuffer(value.data(), static_cast<int32_t>(value.size()));
}

std::string ReadString(TStream& s) {
  int32_t n = ReadInt(s);
  if (n <= 0) return {};
  CheckCount(s, n, 1);
  std::string out(static_cast<size_t>(n), '\0');
  s.ReadBuffer(out.data(), n);
  return out;
}

void EncodeExtended(double value, uint8_t out[10]) {
  std::memset(out, 0, 10);
  uint16_t sign = std::signbit(value) ? 0x8000 : 0;
  uint16_t exponent = 0;
  uint64_t mantissa = 0;
  if (std::isnan(value)) {
    exponent = 0x7FFF;
    mantissa = 0xC000000000000000ull;
  } else if (std::isinf(value)) {
    exponent = 0x7FFF;
    mantissa = 0x8000000000000000ull;
  } else if (value != 0) {
    int e = 0;
    double m = std::frexp(std::fabs(value), &e);  // m in [0.5, 1)
    // Every double, denormals included, is a normal extended value.
    mantissa = static_cast<uint64_t>(std::ldexp(m, 64));
    exponent = static_cast<uint16_t>(e - 1 + 16383);
  }
  for (int i = 0; i < 8; ++i) out[i] = static_cast<uint8_t>(mantissa >> (8 * i));
  uint16_t se = sign | exponent;
  out[8] = static_cast<uint8_t>(se);
  out[9] = static_cast<uint8_t>(se >> 8);
}

double DecodeExtended(const uint8_t in[10]) {
  uint64_t mantissa = 0;
  for (int i = 0; i < 8; ++i) mantissa |= static_cast<uint64_t>(in[i]) << (8 * i);
  uint16_t se = static_cast<uint16_t>(in[8] | (in[9] << 8));
  bool negative = (se & 0x8000) != 0;
  int exponent = se & 0x7FFF;
  double v;
  if (exponent == 0x7FFF) {
    v = (mantissa << 1) == 0 ? std::numeric_limits<double>::infinity() : std::numeric_limits<double>::quiet_NaN();
  } else if (mantissa == 0) {
    v = 0.0;
  } else {
    // value = mantissa * 2^(exponent - 16383 - 63); denormal extended values have exponent 0 and scale as 1.
    int e = (exponent == 0 ? 1 : exponent) - 16383 - 63;
    v = std::ldexp(static_cast<double>(mantissa), e);
  }
  return negative ? -v : v;
}

void WriteExtended(TStream& s, long double value) {
  uint8_t b[10];
  if constexpr (kHostExtendedIsX87) {
    std::memcpy(b, &value, 10);
  } else {
    EncodeExtended(static_cast<double>(value), b);
  }
  s.WriteBuffer(b, 10);
}

long double ReadExtended(TStream& s) {
  uint8_t b[10];
  read_or_zero(s, b, 10);
  if constexpr (kHostExtendedIsX87) {
    long double v = 0;
    std::memcpy(&v, b, 10);
    return v;
  } else {
    return DecodeExtended(b);
  }
}

void WriteStrings(TStream& s, const std::vector<std::string>& values) {
  WriteInt(s, static_cast<int32_t>(values.size()));
  for (const auto& v : values) WriteString(s, v);
}

std::vector<std::string> ReadStrings(TStream& s) {
  int32_t c = ReadInt(s);
  std::vector<std::string> out;
  if (c <= 0) return out;
  CheckCount(s, c, 4);  // every string takes at least its length field
  out.reserve(static_cast<size_t>(c));
  for (int32_t i = 0; i < c; ++i) out.push_back(ReadString(s));
  return out;
}

void WriteIntArray(TStream& s, const std::vector<int32_t>& values) {
  WriteInt(s, static_cast<int32_t>(values.size()));
  for (int32_t v : values) WriteInt(s, v);
}

std::vector<int32_t> ReadIntArray(TStream& s) {
  int32_t c = ReadInt(s);
  if (c <= 0) return {};
  CheckCount(s, c, 4);
  std::vector<int32_t> out(static_cast<size_t>(c));
  for (auto& v : out) v = ReadInt(s);
  return out;
}

void WriteExtendedArray(TStream& s, const std::vector<long double>& values) {
  WriteInt(s, static_cast<int32_t>(values.size()));
  for (long double v : values) WriteExtended(s, v);
}

std::vector<long double> ReadExtendedArray(TStream& s) {
  int32_t c = ReadInt(s);
  if (c <= 0) return {};
  CheckCount(s, c, 10);
  std::vector<long double> out(static_cast<size_t>(c));
  for (auto& v : out) v = ReadExtended(s);
  return out;
}

void WriteByteArray(TStream& s, const std::vector<uint8_t>& values) {
  WriteInt(s, static_cast<int32_t>(values.size()));
  s.WriteBuffer(values.data(), static_cast<int32_t>(values.size()));
}

std::vector<uint8_t> ReadByteArray(TStream& s) {
  int32_t c = ReadInt(s);
  if (c <= 0) return {};
  CheckCount(s, c, 1);
  std::vector<uint8_t> out(static_cast<size_t>(c));
  s.ReadBuffer(out.data(), c);
  return out;
}

int64_t CopyStream(TStream& target, TStream& source, int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.GetSize();
  }
  if (count <= 0) return 0;
  if (TMemoryStream* mem = source.AsMemory()) {
    // Straight from the source's memory; never past its end.
    int64_t pos = mem->GetPosition();
    int64_t n = std::min<int64_t>(count, std::max<int64_t>(mem->GetSize() - pos, 0));
    int32_t written = n > 0 ? target.Write(mem->Memory() + pos, static_cast<int32_t>(n)) : 0;
    mem->SetPosition(static_cast<int32_t>(pos + written));
    return written;
  }
  constexpr int64_t kMaxBuffer = 10485760;  // 10 MiB
  constexpr int64_t kStep = 1048576;        // shrink by 1 MiB when memory is short
  int64_t size = std::min(count, kMaxBuffer);
  std::unique_ptr<uint8_t[]> buffer;
  while (!buffer) {
    buffer.reset(new (std::nothrow) uint8_t[static_cast<size_t>(size)]);
    if (buffer) break;
    size -= kStep;
    if (size <= 0) throw std::bad_alloc();
  }
  int64_t copied = 0;
  while (count > 0) {
    auto k = static_cast<int32_t>(std::min(size, count));
    k = source.Read(buffer.get(), k);
    if (k <= 0) break;
    int32_t w = target.Write(buffer.get(), k);
    copied += w;
    count -= k;
    if (w < k) break;
  }
  return copied;
}

}  // namespace velk
