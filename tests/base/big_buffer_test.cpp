#include "base/big_buffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
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

TEST(BigBuffer, FreedBlocksServeTheNextRequestOfTheirSizeWithinThePoolsBounds) {
  constexpr size_t kMiB = size_t{1} << 20;
  FreeBigBlockPool();
  auto state = [] {
    const TBigBlockPoolState s = BigBlockPoolState();
    return std::pair<size_t, size_t>{s.Blocks, s.Bytes};
  };
  ASSERT_EQ(state(), (std::pair<size_t, size_t>{0, 0}));

  // A block comes back for a request rounded to its size, and for no other.
  void* four = AllocateBigBlock(kBigBlockBytes + 1);
  void* six = AllocateBigBlock(3 * kBigBlockBytes);
  FreeBigBlock(four, kBigBlockBytes + 1);
  FreeBigBlock(six, 3 * kBigBlockBytes);
  EXPECT_EQ(state(), (std::pair<size_t, size_t>{2, 10 * kMiB}));
  void* two = AllocateBigBlock(kBigBlockBytes);
  EXPECT_NE(two, four);
  EXPECT_NE(two, six);
  void* again = AllocateBigBlock(2 * kBigBlockBytes);
  EXPECT_EQ(again, four);
  EXPECT_EQ(state(), (std::pair<size_t, size_t>{1, 6 * kMiB}));
  FreeBigBlock(two, kBigBlockBytes);
  FreeBigBlock(again, 2 * kBigBlockBytes);

  // No more blocks than the count allows...
  FreeBigBlockPool();
  std::vector<void*> blocks;
  for (size_t i = 0; i < kBigBlockPoolCount + 2; ++i) blocks.push_back(AllocateBigBlock(kBigBlockBytes));
  for (void* b : blocks) FreeBigBlock(b, kBigBlockBytes);
  EXPECT_EQ(state(), (std::pair<size_t, size_t>{kBigBlockPoolCount, kBigBlockPoolCount * kBigBlockBytes}));

  // ... nor more bytes than the cap.
  FreeBigBlockPool();
  const size_t over_half = kBigBlockPoolBytes / 2 + kBigBlockBytes;
  void* first = AllocateBigBlock(over_half);
  void* second = AllocateBigBlock(over_half);
  FreeBigBlock(first, over_half);
  FreeBigBlock(second, over_half);
  EXPECT_EQ(state(), (std::pair<size_t, size_t>{1, over_half}));
  FreeBigBlockPool();
  EXPECT_EQ(state(), (std::pair<size_t, size_t>{0, 0}));
}

TEST(BigBuffer, NewBlocksAreClearedWhetherFreshOrTakenFromThePool) {
  FreeBigBlockPool();
  const size_t bytes = kBigBlockBytes + 100;
  const auto zero = [bytes](const void* p) {
    const auto* b = static_cast<const uint8_t*>(p);
    return std::all_of(b, b + bytes, [](uint8_t v) { return v == 0; });
  };
  void* fresh = AllocateBigBlock(bytes);
  ClearNewBigBlock(fresh, bytes);
  EXPECT_TRUE(zero(fresh));
  std::memset(fresh, 0xAB, bytes);
  FreeBigBlock(fresh, bytes);
  void* reused = AllocateBigBlock(bytes);
  ASSERT_EQ(reused, fresh);
  ClearNewBigBlock(reused, bytes);
  EXPECT_TRUE(zero(reused));
  FreeBigBlock(reused, bytes);
  FreeBigBlockPool();
}

// The flags of the mapping that holds p, from /proc/self/smaps ("" when none does).
std::string MappingFlags(const void* p) {
  const auto at = reinterpret_cast<uintptr_t>(p);
  std::ifstream smaps("/proc/self/smaps");
  bool inside = false;
  for (std::string line; std::getline(smaps, line);) {
    uintptr_t start = 0, end = 0;
    char dash = 0;
    std::istringstream fields(line);
    if (fields >> std::hex >> start >> dash >> end && dash == '-' && line.find(':') > line.find(' ')) {
      inside = start <= at && at < end;
    } else if (inside && line.rfind("VmFlags:", 0) == 0) {
      return line;
    }
  }
  return "";
}

TEST(BigBuffer, HeapBuffersAfterTheReserveLieOnHugePages) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer has an allocator of its own";
#endif
  void* probe = AllocateBigBlock(kBigBlockBytes);
  const bool advised = MappingFlags(probe).find(" hg") != std::string::npos;
  FreeBigBlock(probe, kBigBlockBytes);
  if (!advised) GTEST_SKIP() << "this system has no huge pages to advise";
  ReserveHugePageHeap(size_t{8} << 20);
  // Below the block size and the C library's mapping threshold: from the heap, past the ordinary pages before the
  // reserve's first huge page.
  std::vector<uint8_t> buffer(size_t{256} << 10, 1);
  EXPECT_NE(MappingFlags(buffer.data()).find(" hg"), std::string::npos) << MappingFlags(buffer.data());
  std::vector<uint8_t> next(size_t{512} << 10, 2);
  EXPECT_NE(MappingFlags(next.data()).find(" hg"), std::string::npos);
}

}  // namespace
}  // namespace velk
