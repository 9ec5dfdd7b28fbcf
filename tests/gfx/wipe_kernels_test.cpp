#include "gfx/wipe_kernels.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace velk {
namespace {

// The ripple kernel of every set against the scalar one: runs of every length up to a few registers, both
// directions through the quadrant tables, every mirroring, with samples inside and outside the picture and waves
// of both signs.
TEST(WipeKernels, RippleMatchesTheScalarKernel) {
  std::vector<const TWipeKernels*> sets = {&ActiveWipeKernels()};
  if (const TWipeKernels* wide = Avx512WipeKernels()) sets.push_back(wide);
  std::mt19937 rng(11);
  constexpr int32_t kW = 37, kH = 23, kMaxRun = 53;
  std::vector<uint32_t> picture(static_cast<size_t>(kW) * kH), fallback(kMaxRun);
  for (uint32_t& p : picture) p = rng();
  for (uint32_t& p : fallback) p = rng();
  std::vector<int32_t> waves(128);
  for (int32_t& v : waves) v = static_cast<int32_t>(rng() % 17) - 8;
  for (const TWipeKernels* set : sets) {
    for (int32_t n = 1; n <= kMaxRun; ++n) {
      for (int variant = 0; variant < 8; ++variant) {
        // Exactly n entries, so a backward run starts at the last one and ends at the first word of the table.
        std::vector<int32_t> distance(static_cast<size_t>(n)), cosine(distance.size()), sine(distance.size());
        for (size_t i = 0; i < distance.size(); ++i) {
          distance[i] = static_cast<int32_t>(rng() % 60);
          cosine[i] = static_cast<int32_t>(rng() % 131073) - 65536;
          sine[i] = static_cast<int32_t>(rng() % 131073) - 65536;
        }
        TRippleRun run{};
        run.Fallback = fallback.data();
        run.Source = reinterpret_cast<const uint8_t*>(picture.data());
        run.Pitch = kW * 4;
        run.Backward = (variant & 1) != 0;
        const size_t first = run.Backward ? distance.size() - 1 : 0;
        run.Distance = &distance[first];
        run.Cos = &cosine[first];
        run.Sin = &sine[first];
        run.Waves = waves.data();
        run.Shift = static_cast<int32_t>(rng() % 60);
        run.Cx = kW / 2;
        run.Cy = kH / 2;
        run.W = kW;
        run.H = kH;
        run.FlipX = (variant & 2) != 0;
        run.FlipY = (variant & 4) != 0;
        run.Narrow = true;
        run.N = n;
        std::vector<uint32_t> want(static_cast<size_t>(n) + 1, 0x5A5A5A5A), got = want;
        run.Dest = want.data();
        RippleRunScalar<uint32_t>(run);
        run.Dest = got.data();
        set->Ripple32(run);
        ASSERT_EQ(got, want) << set->Name << " run of " << n << " variant " << variant;
      }
    }
  }
}

}  // namespace
}  // namespace velk
