#include "vfs/zlib_codec.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>

#include "base/error.h"

namespace velk {
namespace {

TEST(ZlibCodec, InflatesWithinItsCapAndChecksums) {
  std::string data(300000, 'a');
  auto packed = DeflateBytes(reinterpret_cast<const uint8_t*>(data.data()), data.size());
  EXPECT_EQ(packed[0], 0x78);  // a zlib header
  EXPECT_EQ(packed[1], 0x01);  // level 1
  // The same bytes as zlib's one-call compression at level 1, however many streams came before.
  std::vector<uint8_t> reference(compressBound(data.size()));
  uLongf reference_size = reference.size();
  ASSERT_EQ(compress2(reference.data(), &reference_size, reinterpret_cast<const uint8_t*>(data.data()), data.size(), 1),
            Z_OK);
  reference.resize(reference_size);
  EXPECT_EQ(packed, reference);
  EXPECT_EQ(DeflateBytes(reinterpret_cast<const uint8_t*>(data.data()), data.size()), reference);
  auto back = InflateBytes(packed.data(), packed.size(), data.size());
  EXPECT_EQ(std::string(back.begin(), back.end()), data);
  // A size hint that is too small only costs another pass; without a hint the buffer grows from a guess.
  back = InflateBytes(packed.data(), packed.size(), kMaxInflatedSize, 1000);
  EXPECT_EQ(std::string(back.begin(), back.end()), data);
  back = InflateBytes(packed.data(), packed.size());
  EXPECT_EQ(back.size(), data.size());
  // One byte over the cap: a bomb fails instead of growing without bound.
  EXPECT_THROW(InflateBytes(packed.data(), packed.size(), data.size() - 1), EFormatError);
  EXPECT_THROW(InflateBytes(packed.data(), 0), EFormatError);

  TMemoryStream m(std::vector<uint8_t>(packed.begin(), packed.end() - 1));  // the trailer cut off
  EXPECT_THROW(InflateInPlace(m), EFormatError);
  EXPECT_EQ(m.GetSize(), static_cast<int32_t>(packed.size() - 1));  // left as it was

  // The check value of ISO 3309 for "123456789".
  const std::string check = "123456789";
  EXPECT_EQ(Crc32(reinterpret_cast<const uint8_t*>(check.data()), check.size()), 0xCBF43926u);
  TMemoryStream s(std::vector<uint8_t>(check.begin(), check.end()));
  s.SetPosition(5);
  EXPECT_EQ(StreamCrc32(s), 0xCBF43926u);
}

}  // namespace
}  // namespace velk
