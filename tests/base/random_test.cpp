#include "base/random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <vector>

namespace velk {
namespace {

TEST(RandomGenerator, NextFollowsTheLinearRule) {
  TRandomGenerator g(0x5A3C96E1u);
  EXPECT_EQ(g.Next(), 0x5A3C96E1u);
  EXPECT_EQ(g.Next(), 0x1D6B8946u);
  EXPECT_EQ(g.Next(), 0xED56453Fu);
  // Independent check of the wrap-around arithmetic.
  uint64_t state = 0xED56453Fu;
  for (int i = 0; i < 100; ++i) {
    state = (state * 5 + 0x5A3C96E1u) % 0x100000000ull;
    ASSERT_EQ(g.Next(), static_cast<uint32_t>(state));
  }
}

// The pool as a plain list, exactly as the rule reads: remove the value at state mod (values left).
std::vector<int32_t> reference_pool(uint32_t increment, int32_t n) {
  std::vector<int32_t> pool(static_cast<size_t>(n));
  std::iota(pool.begin(), pool.end(), 0);
  uint32_t state = 0;
  std::vector<int32_t> out;
  while (!pool.empty()) {
    state = state * 5u + increment;
    size_t index = state % static_cast<uint32_t>(pool.size());
    out.push_back(pool[index]);
    pool.erase(pool.begin() + static_cast<std::ptrdiff_t>(index));
  }
  return out;
}

TEST(RandomGenerator, PoolDrawsAPermutationInTheListOrder) {
  {
    // Worked by hand: states 0x5A3C96E1 (mod 4 = 1), 0x1D6B8946 (mod 3 = 1), 0xED56453F (mod 2 = 1), then 0.
    TRandomGenerator g(0x5A3C96E1u);
    g.ResetPool(4);
    EXPECT_EQ(g.TakeFromPool(), 1);  // from 0 1 2 3
    EXPECT_EQ(g.TakeFromPool(), 2);  // from 0 2 3
    EXPECT_EQ(g.TakeFromPool(), 3);  // from 0 3
    EXPECT_EQ(g.TakeFromPool(), 0);
    EXPECT_EQ(g.PoolSize(), 0);
  }
  for (auto [increment, n] : {std::pair<uint32_t, int32_t>{12341u, 4096}, {0x5A3C96E1u, 1000}, {0u, 37}, {7u, 1}}) {
    TRandomGenerator g(increment);
    g.ResetPool(n);
    std::vector<int32_t> got;
    for (int32_t i = 0; i < n; ++i) got.push_back(g.TakeFromPool());
    EXPECT_EQ(got, reference_pool(increment, n)) << "increment " << increment << " n " << n;
    std::vector<int32_t> sorted = got;
    std::sort(sorted.begin(), sorted.end());
    std::vector<int32_t> all(static_cast<size_t>(n));
    std::iota(all.begin(), all.end(), 0);
    EXPECT_EQ(sorted, all);
  }
}

TEST(RandomGenerator, PoolSharesTheStateAndIsBounded) {
  TRandomGenerator g(0x5A3C96E1u);
  g.Next();
  g.ResetPool(3);  // the pool does not reset the state: 0x1D6B8946 mod 3 = 1
  EXPECT_EQ(g.TakeFromPool(), 1);
  EXPECT_EQ(g.Next(), 0xED56453Fu);

  g.ResetPool(-5);
  EXPECT_EQ(g.PoolSize(), 0);
  EXPECT_EQ(g.TakeFromPool(), -1);
  g.ResetPool(2);
  g.TakeFromPool();
  g.TakeFromPool();
  EXPECT_EQ(g.TakeFromPool(), -1);  // exhausted
  g.ResetPool(INT32_MAX);
  EXPECT_EQ(g.PoolSize(), TRandomGenerator::kMaxPool);
}

}  // namespace
}  // namespace velk
