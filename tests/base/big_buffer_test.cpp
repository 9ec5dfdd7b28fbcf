#include "base/big_buffer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace velk {
namespace {

TEST(BigBuffer, LargeBuffersAreWholeHugePagesAndSmallOnesOrdinary) {
  using TBuffer = std::vector<uint8_t, TBigBufferAllocator<uint8_t>>;
  TBuffer big(kBigBlockBytes + 5, 7);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(big.data()) % kBigBlockBytes, 0u);
  EXPECT_EQ(big.front(), 7);
  EXPECT_EQ(big.back(), 7);
  TBuffer copy = big;
  big.assign(10, 3);  // kept capacity, then freed as the big block it is
  big.shrink_to_fit();
  EXPECT_EQ(big, TBuffer(10, 3));
  EXPECT_EQ(copy.size(), kBigBlockBytes + 5);
  EXPECT_EQ(copy[kBigBlockBytes], 7);
}

}  // namespace
}  // namespace velk
