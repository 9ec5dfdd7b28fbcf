#include "vfs/stream_io.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "base/error.h"
#include "support/temp_dir.h"
#include "vfs/stream.h"

namespace velk {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes bytes_of(const std::string& s) { return Bytes(s.begin(), s.end()); }

TMemoryStream stream_of(const Bytes& b) { return TMemoryStream(b); }

// A resource stream over the bytes: a byte stream that is not a memory stream.
TResourceStream resource_of(const Bytes& b) { return TResourceStream(std::make_shared<const Bytes>(b)); }

// A target that takes at most `capacity` bytes in all.
class TLimitedStream : public TStream {
 public:
  explicit TLimitedStream(int32_t capacity) : capacity_(capacity) {}
  int32_t Read(void*, int32_t) override { return 0; }
  int32_t Write(const void* buffer, int32_t count) override {
    int32_t n = std::max(0, std::min(count, capacity_ - static_cast<int32_t>(bytes.size())));
    bytes.insert(bytes.end(), static_cast<const uint8_t*>(buffer), static_cast<const uint8_t*>(buffer) + n);
    return n;
  }
  int32_t Seek(int32_t, int) override { return static_cast<int32_t>(bytes.size()); }
  Bytes bytes;

 private:
  int32_t capacity_;
};

TEST(StreamIo, IntegersAndBooleansAreLittleEndian) {
  TMemoryStream s;
  WriteInt(s, 0x12345678);
  WriteInt(s, -2);
  WriteInt64(s, 0x0102030405060708LL);
  WriteByte(s, 0xAB);
  WriteBool(s, true);
  WriteBool(s, false);
  EXPECT_EQ(s.Bytes(), (Bytes{0x78, 0x56, 0x34, 0x12, 0xFE, 0xFF, 0xFF, 0xFF, 0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02,
                              0x01, 0xAB, 0x01, 0x00}));

  TMemoryStream r = stream_of({0x78, 0x56, 0x34, 0x12, 0x00, 0x00, 0x00, 0x80, 0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02,
                               0x81, 0xAB, 0x02, 0x00});
  EXPECT_EQ(ReadInt(r), 0x12345678);
  EXPECT_EQ(ReadInt(r), INT32_MIN);
  EXPECT_EQ(ReadInt64(r), static_cast<int64_t>(0x8102030405060708ULL));
  EXPECT_EQ(ReadByte(r), 0xAB);
  EXPECT_TRUE(ReadBool(r));  // any non-zero byte is true
  EXPECT_FALSE(ReadBool(r));
  EXPECT_EQ(r.GetPosition(), 19);
}

TEST(StreamIo, TruncatedValuesReadAsZeroInTheirMissingBytes) {
  TMemoryStream r = stream_of({0x34, 0x12});
  EXPECT_EQ(ReadInt(r), 0x1234);
  EXPECT_EQ(ReadInt(r), 0);
  EXPECT_EQ(ReadByte(r), 0);
  EXPECT_FALSE(ReadBool(r));
  // 1.0 without the high byte of its exponent: the exponent becomes 0x00FF.
  TMemoryStream e = stream_of({0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF});
  const bool x87 = std::numeric_limits<long double>::digits == 64;
  EXPECT_EQ(ReadExtended(e), x87 ? std::ldexp(1.0L, 0xFF - 16383) : 0.0L);
  const uint8_t cut[10] = {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0};
  EXPECT_EQ(DecodeExtended(cut), 0.0);  // below the smallest double
  TMemoryStream l = stream_of({0x07, 0x00});
  EXPECT_EQ(ReadInt64(l), 7);
}

TEST(StreamIo, StringsAreALengthAndTheirBytes) {
  TMemoryStream s;
  WriteString(s, "");
  EXPECT_EQ(s.Bytes(), (Bytes{0, 0, 0, 0}));
  WriteString(s, "ab\x82\xA0");
  EXPECT_EQ(s.Bytes(), (Bytes{0, 0, 0, 0, 4, 0, 0, 0, 'a', 'b', 0x82, 0xA0}));
  s.SetPosition(0);
  EXPECT_EQ(ReadString(s), "");
  EXPECT_EQ(ReadString(s), "ab\x82\xA0");

  // A string may hold zero bytes.
  TMemoryStream z;
  WriteString(z, std::string("a\0b", 3));
  z.SetPosition(0);
  EXPECT_EQ(ReadString(z), std::string("a\0b", 3));

  // A negative length is the empty string and reads nothing more.
  TMemoryStream n = stream_of({0xFF, 0xFF, 0xFF, 0xFF, 'x'});
  EXPECT_EQ(ReadString(n), "");
  EXPECT_EQ(n.GetPosition(), 4);
  EXPECT_EQ(ReadByte(n), 'x');
}

TEST(StreamIo, LengthsBeyondTheStreamAreFormatErrors) {
  // 2^31 - 1 in a 10-byte stream: an error, not an allocation.
  TMemoryStream huge = stream_of({0xFF, 0xFF, 0xFF, 0x7F, 1, 2, 3, 4, 5, 6});
  EXPECT_THROW(ReadString(huge), EFormatError);
  // One byte short.
  TMemoryStream short_by_one = stream_of({4, 0, 0, 0, 'a', 'b', 'c'});
  EXPECT_THROW(ReadString(short_by_one), EFormatError);
  // The same through a stream that is not a memory stream.
  TResourceStream res = resource_of({4, 0, 0, 0, 'a', 'b', 'c'});
  EXPECT_THROW(ReadString(res), EFormatError);
  TResourceStream exact = resource_of({3, 0, 0, 0, 'a', 'b', 'c'});
  EXPECT_EQ(ReadString(exact), "abc");
}

TEST(StreamIo, ExtendedGoldenBytes) {
  struct Case {
    double value;
    Bytes bytes;
  };
  const double inf = std::numeric_limits<double>::infinity();
  const std::vector<Case> cases = {
      {1.0, {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}},
      {-2.5, {0, 0, 0, 0, 0, 0, 0, 0xA0, 0x00, 0xC0}},
      {0.0, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {-0.0, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0x80}},
      {inf, {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x7F}},
      {-inf, {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0xFF}},
      // The smallest denormal double, 2^-1074, is a normal extended value: exponent 16383 - 1074 = 0x3BCD.
      {std::ldexp(1.0, -1074), {0, 0, 0, 0, 0, 0, 0, 0x80, 0xCD, 0x3B}},
      // The largest double: exponent 16383 + 1023 = 0x43FE, 53 mantissa bits set.
      {std::numeric_limits<double>::max(), {0, 0xF8, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0x43}},
      {0.1, {0, 0xD0, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xFB, 0x3F}},
  };
  for (const Case& c : cases) {
    uint8_t out[10];
    EncodeExtended(c.value, out);
    EXPECT_EQ(Bytes(out, out + 10), c.bytes) << c.value;
    double back = DecodeExtended(c.bytes.data());
    EXPECT_EQ(back, c.value) << c.value;
    EXPECT_EQ(std::signbit(back), std::signbit(c.value)) << c.value;

    TMemoryStream s;
    WriteExtended(s, c.value);
    EXPECT_EQ(s.Bytes(), c.bytes) << c.value;
    s.SetPosition(0);
    EXPECT_EQ(static_cast<double>(ReadExtended(s)), c.value) << c.value;
  }
  uint8_t nan[10];
  EncodeExtended(std::numeric_limits<double>::quiet_NaN(), nan);
  EXPECT_EQ(nan[9] & 0x7F, 0x7F);
  EXPECT_EQ(nan[8], 0xFF);
  EXPECT_NE(nan[7] & 0x40, 0);  // quiet
  EXPECT_TRUE(std::isnan(DecodeExtended(nan)));
}

TEST(StreamIo, DecodesExtendedValuesBeyondDouble) {
  // pi with 64 mantissa bits rounds to the double nearest pi.
  const uint8_t pi[10] = {0x35, 0xC2, 0x68, 0x21, 0xA2, 0xDA, 0x0F, 0xC9, 0x00, 0x40};
  EXPECT_EQ(DecodeExtended(pi), 3.141592653589793);
  // Larger than the largest double: infinity; smaller than the smallest: zero with its sign.
  const uint8_t big[10] = {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFE, 0x7F};
  EXPECT_EQ(DecodeExtended(big), std::numeric_limits<double>::infinity());
  const uint8_t tiny[10] = {0, 0, 0, 0, 0, 0, 0, 0x80, 0x01, 0x80};
  EXPECT_EQ(DecodeExtended(tiny), 0.0);
  EXPECT_TRUE(std::signbit(DecodeExtended(tiny)));
  // An extended denormal (exponent 0) and an extended NaN with a payload.
  const uint8_t denormal[10] = {1, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(DecodeExtended(denormal), 0.0);
  const uint8_t signalling[10] = {1, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x7F};
  EXPECT_TRUE(std::isnan(DecodeExtended(signalling)));
  // Every double in a sweep of magnitudes and signs survives the round trip.
  for (int e = -1074; e <= 1023; e += 7) {
    for (double m : {1.0, -1.0, 1.5, -1.999999999}) {
      double v = std::ldexp(m, e);
      uint8_t b[10];
      EncodeExtended(v, b);
      ASSERT_EQ(DecodeExtended(b), v) << e;
    }
  }
}

TEST(StreamIo, ExtendedKeepsFullPrecisionOnTheHost) {
  if (std::numeric_limits<long double>::digits != 64) GTEST_SKIP() << "long double is not 80-bit here";
  long double v = 1.0L + std::ldexp(1.0L, -62);  // not representable as a double
  TMemoryStream s;
  WriteExtended(s, v);
  EXPECT_EQ(s.Bytes(), (Bytes{2, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}));
  s.SetPosition(0);
  EXPECT_EQ(ReadExtended(s), v);
}

TEST(StreamIo, StringListsAndArrays) {
  TMemoryStream s;
  WriteStrings(s, {"a", "", "bc"});
  EXPECT_EQ(s.Bytes(), (Bytes{3, 0, 0, 0, 1, 0, 0, 0, 'a', 0, 0, 0, 0, 2, 0, 0, 0, 'b', 'c'}));
  WriteIntArray(s, {1, -1});
  WriteExtendedArray(s, {1.0L});
  WriteByteArray(s, {9, 8, 7});
  WriteByteArray(s, {});
  const Bytes tail = {2, 0, 0, 0, 1,    0,    0,    0, 0xFF, 0xFF, 0xFF, 0xFF, 1, 0, 0, 0, 0, 0, 0,
                      0, 0, 0, 0, 0x80, 0xFF, 0x3F, 3, 0,    0,    0,    9,    8, 7, 0, 0, 0, 0};
  EXPECT_EQ(Bytes(s.Bytes().begin() + 19, s.Bytes().end()), tail);
  s.SetPosition(0);
  EXPECT_EQ(ReadStrings(s), (std::vector<std::string>{"a", "", "bc"}));
  EXPECT_EQ(ReadIntArray(s), (std::vector<int32_t>{1, -1}));
  EXPECT_EQ(ReadExtendedArray(s), std::vector<long double>{1.0L});
  EXPECT_EQ(ReadByteArray(s), (Bytes{9, 8, 7}));
  EXPECT_EQ(ReadByteArray(s), Bytes{});
  EXPECT_EQ(s.Remaining(), 0);

  // TArrayString stores exactly the string list.
  TArrayString a;
  a.Add("x");
  a.Add("yz");
  TMemoryStream t;
  a.SaveToStream(t);
  EXPECT_EQ(t.Bytes(), (Bytes{2, 0, 0, 0, 1, 0, 0, 0, 'x', 2, 0, 0, 0, 'y', 'z'}));
  TArrayString b;
  b.Add("old");
  t.SetPosition(0);
  b.LoadFromStream(t);
  EXPECT_EQ(b.Items(), a.Items());
  TArrayString c;
  c.Assign(b);
  EXPECT_EQ(c.Count(), 2);
  EXPECT_EQ(c[1], "yz");
  c.Clear();
  EXPECT_EQ(c.Count(), 0);
}

TEST(StreamIo, CountsOfListsAndArraysAreChecked) {
  // Negative and zero counts are empty lists.
  TMemoryStream neg = stream_of({0xFF, 0xFF, 0xFF, 0xFF});
  EXPECT_TRUE(ReadStrings(neg).empty());
  // Counts larger than what the bytes left could hold.
  TMemoryStream strings = stream_of({2, 0, 0, 0, 0, 0, 0, 0});  // room for one length only
  EXPECT_THROW(ReadStrings(strings), EFormatError);
  TMemoryStream ints = stream_of({3, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0});
  EXPECT_THROW(ReadIntArray(ints), EFormatError);
  TMemoryStream exts = stream_of({1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  EXPECT_THROW(ReadExtendedArray(exts), EFormatError);
  TMemoryStream bytes = stream_of({0xFF, 0xFF, 0xFF, 0x7F, 1});
  EXPECT_THROW(ReadByteArray(bytes), EFormatError);
  // A list whose count fits but whose second string is too long.
  TMemoryStream inner = stream_of({2, 0, 0, 0, 0, 0, 0, 0, 9, 0, 0, 0, 'a'});
  EXPECT_THROW(ReadStrings(inner), EFormatError);

  TMemoryStream four = stream_of({1, 2, 3, 4});
  EXPECT_NO_THROW(CheckCount(four, 1, 4));
  EXPECT_THROW(CheckCount(four, 2, 2 + 1), EFormatError);
  EXPECT_THROW(CheckCount(four, -1, 1), EFormatError);
  EXPECT_THROW(CheckCount(four, INT64_MAX, 10), EFormatError);
  EXPECT_NO_THROW(CheckCount(four, 0, 10));
}

TEST(StreamIo, CopyStreamCountZeroCopiesTheWholeSource) {
  // From a memory stream positioned at its end.
  TMemoryStream src = stream_of(bytes_of("hello"));
  src.Seek(0, soEnd);
  TMemoryStream dst;
  EXPECT_EQ(CopyStream(dst, src, 0), 5);
  EXPECT_EQ(dst.Bytes(), bytes_of("hello"));
  EXPECT_EQ(src.GetPosition(), 5);
  // From a stream that is not a memory stream, positioned in the middle.
  TResourceStream res = resource_of(bytes_of("abcdef"));
  res.SetPosition(3);
  TMemoryStream dst2;
  EXPECT_EQ(CopyStream(dst2, res, 0), 6);
  EXPECT_EQ(dst2.Bytes(), bytes_of("abcdef"));
  // An empty source copies nothing.
  TMemoryStream empty;
  TMemoryStream dst3;
  EXPECT_EQ(CopyStream(dst3, empty, 0), 0);
  EXPECT_TRUE(dst3.Bytes().empty());
}

TEST(StreamIo, CopyStreamCopiesFromThePositionAndReportsShortCopies) {
  TMemoryStream src = stream_of(bytes_of("0123456789"));
  src.SetPosition(2);
  TMemoryStream dst;
  EXPECT_EQ(CopyStream(dst, src, 3), 3);
  EXPECT_EQ(dst.Bytes(), bytes_of("234"));
  EXPECT_EQ(src.GetPosition(), 5);
  // Asking for more than is left copies what is left and says so.
  EXPECT_EQ(CopyStream(dst, src, 100), 5);
  EXPECT_EQ(dst.Bytes(), bytes_of("23456789"));
  EXPECT_EQ(CopyStream(dst, src, 1), 0);
  EXPECT_EQ(CopyStream(dst, src, -4), 0);

  TResourceStream res = resource_of(bytes_of("abcdef"));
  res.SetPosition(4);
  TMemoryStream dst2;
  EXPECT_EQ(CopyStream(dst2, res, 10), 2);
  EXPECT_EQ(dst2.Bytes(), bytes_of("ef"));

  // A target that takes fewer bytes: the count reports what it took, from both kinds of source.
  TLimitedStream small(4);
  TMemoryStream msrc = stream_of(bytes_of("abcdefgh"));
  EXPECT_EQ(CopyStream(small, msrc, 8), 4);
  EXPECT_EQ(small.bytes, bytes_of("abcd"));
  EXPECT_EQ(msrc.GetPosition(), 4);
  TLimitedStream small2(3);
  TResourceStream rsrc = resource_of(bytes_of("abcdefgh"));
  EXPECT_EQ(CopyStream(small2, rsrc, 0), 3);
  EXPECT_EQ(small2.bytes, bytes_of("abc"));

  // Larger than one copy buffer (10 MiB), through a source that is not a memory stream.
  Bytes big(10 * 1048576 + 123);
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(i * 7 + (i >> 13));
  TResourceStream bsrc = resource_of(big);
  TMemoryStream bdst;
  EXPECT_EQ(CopyStream(bdst, bsrc, 0), static_cast<int64_t>(big.size()));
  EXPECT_TRUE(bdst.Bytes() == big);
}

TEST(Stream, MemoryStreamSeeksReadsAndWrites) {
  TMemoryStream m;
  EXPECT_EQ(m.Write("abc", 3), 3);
  EXPECT_EQ(m.GetSize(), 3);
  EXPECT_EQ(m.Seek(-10, soBeginning), 0);  // negative positions clamp
  EXPECT_EQ(m.Seek(-1, soEnd), 2);
  EXPECT_EQ(m.Seek(-1, soCurrent), 1);
  char buf[8] = {};
  EXPECT_EQ(m.Read(buf, 8), 2);
  EXPECT_EQ(std::string(buf, 2), "bc");
  EXPECT_EQ(m.Read(buf, 8), 0);
  EXPECT_EQ(m.Remaining(), 0);
  // Past the end: a write fills the gap with zeros.
  m.SetPosition(5);
  EXPECT_EQ(m.Write("z", 1), 1);
  EXPECT_EQ(m.Bytes(), (Bytes{'a', 'b', 'c', 0, 0, 'z'}));
  m.SetSize(2);
  EXPECT_EQ(m.GetPosition(), 2);
  EXPECT_EQ(m.Bytes(), bytes_of("ab"));
  EXPECT_EQ(m.Memory()[1], 'b');
  EXPECT_THROW(m.ReadBuffer(buf, 1), EStreamError);
  m.Clear();
  EXPECT_EQ(m.GetSize(), 0);
  EXPECT_EQ(m.GetPosition(), 0);
  TSaveMemoryStream save;
  TStream& as_stream = save;
  EXPECT_EQ(as_stream.AsMemory(), &save);
  TResourceStream res = resource_of({1});
  EXPECT_EQ(static_cast<TStream&>(res).AsMemory(), nullptr);
}

TEST(Stream, FileStreamModes) {
  test::TempDir dir;
  const std::string path = dir / "f.bin";
  {
    TFileStream create(path, fmCreate);
    create.WriteBuffer("hello", 5);
    EXPECT_EQ(create.FileName(), path);
  }
  EXPECT_TRUE(FileExists(path));
  EXPECT_FALSE(FileExists(dir.Path()));
  EXPECT_TRUE(DirectoryExists(dir.Path()));
  {
    TFileStream read(path, fmOpenRead | fmShareDenyWrite);
    EXPECT_EQ(read.GetSize(), 5);
    char buf[5];
    read.ReadBuffer(buf, 5);
    EXPECT_EQ(std::string(buf, 5), "hello");
    EXPECT_THROW(read.WriteBuffer("x", 1), EStreamError);  // read-only
  }
  {
    TFileStream rw(path, fmOpenReadWrite);
    rw.Seek(0, soEnd);
    rw.WriteBuffer("!", 1);
    rw.SetPosition(0);
    EXPECT_EQ(ReadByte(rw), 'h');
    rw.SetSize(3);
    rw.SetPosition(1);
    EXPECT_EQ(rw.GetSize(), 3);
    EXPECT_EQ(rw.GetPosition(), 1);
    // Positions before the start clamp to 0 from every origin, as in memory streams.
    rw.SetPosition(2);
    EXPECT_EQ(rw.Seek(-10, soBeginning), 0);
    EXPECT_EQ(rw.Seek(-10, soEnd), 0);
    rw.SetPosition(2);
    EXPECT_EQ(rw.Seek(-5, soCurrent), 0);
    EXPECT_EQ(rw.Seek(-1, soEnd), 2);
  }
  EXPECT_EQ(test::ReadFile(path), "hel");
  {
    TFileStream write(path, fmOpenWrite);
    write.WriteBuffer("J", 1);  // overwrites in place, keeps the rest
  }
  EXPECT_EQ(test::ReadFile(path), "Jel");
  {
    TFileStream again(path, fmCreate);  // create truncates
    EXPECT_EQ(again.GetSize(), 0);
  }
  // Missing files and folders cannot be opened; the error names the file.
  try {
    TFileStream missing(dir / "missing.bin", fmOpenRead);
    FAIL() << "opened a missing file";
  } catch (const EStreamError& e) {
    EXPECT_EQ(e.FileName(), dir / "missing.bin");
  }
  EXPECT_THROW(TFileStream(dir.Path(), fmOpenRead), EStreamError);
  EXPECT_EQ(TFileStream::OpenHandle(dir / "missing.bin", fmOpenRead), -1);
  // A stream over an invalid handle fails on use.
  THandleStream invalid(-1, false);
  EXPECT_FALSE(invalid.Valid());
  char c;
  EXPECT_THROW(invalid.Read(&c, 1), EStreamError);
  EXPECT_THROW(invalid.GetSize(), EStreamError);
  // Memory streams save to and load from files.
  TMemoryStream m = stream_of(bytes_of("data"));
  m.SaveToFile(path);
  TMemoryStream loaded;
  loaded.LoadFromFile(path);
  EXPECT_EQ(loaded.Bytes(), bytes_of("data"));
}

TEST(Stream, ResourceStreamIsReadOnly) {
  TResourceStream r = resource_of(bytes_of("resource"));
  EXPECT_EQ(r.GetSize(), 8);
  EXPECT_EQ(r.Seek(100, soBeginning), 8);  // clamped to the size
  EXPECT_EQ(r.Seek(-100, soCurrent), 0);
  EXPECT_THROW(r.Write("x", 1), EStreamError);
  EXPECT_THROW(r.SetSize(2), EStreamError);
  r.SetPosition(4);
  EXPECT_THROW(ReadString(r), EFormatError);  // "urce" read as a length is far beyond the stream
  r.SetPosition(2);
  char buf[6];
  EXPECT_EQ(r.Read(buf, 10), 6);
  EXPECT_EQ(std::string(buf, 6), "source");
}

}  // namespace
}  // namespace velk
