#include "gfx/wipe_kernels.h"

#include <gtest/gtest.h>

#include "gfx/blend_kernels.h"

#include <algorithm>
#include <random>
#include <vector>

namespace velk {
namespace {

std::vector<const TWipeKernels*> KernelSets() {
  std::vector<const TWipeKernels*> sets = {&ScalarWipeKernels(), &ActiveWipeKernels()};
  if (const TWipeKernels* wide = Avx512WipeKernels()) sets.push_back(wide);
  return sets;
}

// The one-pass fade and mask mix of every set against the row kernels' blend formula: every alpha, mask values
// leaning to 0, 255 and the two sides of 128, equal pixels, and runs of every length up to a few registers (the
// pixels past a run stay untouched).
TEST(WipeKernels, FadeAndMaskMixFollowTheBlendFormula) {
  std::mt19937 rng(3);
  constexpr int32_t kMaxRun = 70;
  std::vector<uint32_t> o(kMaxRun), n(kMaxRun);
  std::vector<uint8_t> m(kMaxRun);
  for (int32_t i = 0; i < kMaxRun; ++i) {
    o[i] = rng();
    n[i] = rng() % 5 == 0 ? o[i] : rng();
    const uint32_t kind = rng() % 6;
    m[i] = static_cast<uint8_t>(kind == 0 ? 0 : kind == 1 ? 255 : kind == 2 ? 127 + rng() % 2 : rng());
  }
  // Whole registers of 0 and of 255 too.
  std::fill(m.begin() + 16, m.begin() + 32, uint8_t{0});
  std::fill(m.begin() + 32, m.begin() + 48, uint8_t{255});
  for (size_t i = 48; i < 64; ++i) m[i] = i % 3 == 0 ? 255 : 0;  // and a register of both
  auto blend = [](uint32_t a, uint32_t b, uint32_t alpha) { return BlendPixel(a, b, alpha, kMasks888); };
  for (const TWipeKernels* set : KernelSets()) {
    for (int32_t count = 1; count <= kMaxRun; ++count) {
      std::vector<uint32_t> want(static_cast<size_t>(count) + 1, 0x5A5A5A5A), got = want;
      for (int32_t i = 0; i < count; ++i) want[i] = m[i] == 0 ? o[i] : m[i] == 255 ? n[i] : blend(o[i], n[i], m[i]);
      set->Mix32(got.data(), o.data(), n.data(), m.data(), count);
      ASSERT_EQ(got, want) << set->Name << " mask mix of " << count;
      for (uint32_t alpha = 1; alpha <= 255; alpha += count < 20 ? 1 : 37) {
        for (int32_t i = 0; i < count; ++i) want[i] = o[i] == n[i] ? o[i] : blend(o[i], n[i], alpha);
        std::fill(got.begin(), got.end(), 0x5A5A5A5A);
        set->Fade32(got.data(), o.data(), n.data(), count, alpha);
        ASSERT_EQ(got, want) << set->Name << " fade of " << count << " at alpha " << alpha;
      }
    }
  }
}

// The ripple kernel of every set against the scalar one: runs of every length up to a few registers, both
// directions through the quadrant tables, every mirroring, with samples inside and outside the picture and waves
// of both signs.
TEST(WipeKernels, RippleMatchesTheScalarKernel) {
  const std::vector<const TWipeKernels*> sets = KernelSets();
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

// The rule image's levels of every set against the plain clamp, for every shift and runs of every length up to a
// few registers.
TEST(WipeKernels, LevelsClampTheShiftedGreys) {
  std::vector<uint8_t> greys(150);
  for (size_t i = 0; i < greys.size(); ++i) greys[i] = static_cast<uint8_t>(i * 97 + 3);
  for (const TWipeKernels* set : KernelSets()) {
    for (int32_t shift = -255; shift <= 255; ++shift) {
      const auto count = static_cast<int32_t>(1 + (shift + 255) % 149);
      std::vector<uint8_t> want(static_cast<size_t>(count) + 1, 0x5A), got = want;
      for (int32_t i = 0; i < count; ++i) want[i] = static_cast<uint8_t>(std::clamp(greys[i] + shift, 0, 255));
      set->Level(got.data(), greys.data(), count, shift);
      ASSERT_EQ(got, want) << set->Name << " shift " << shift << " over " << count;
    }
  }
}

// The rule image's mix without a mask of every set against the mask mix through the clamped greys: every shift,
// greys of 0, 255 and between, runs of every length up to a few registers (the pixels past a run stay untouched).
TEST(WipeKernels, LevelMixEqualsTheMixThroughTheLevels) {
  std::mt19937 rng(7);
  constexpr int32_t kMaxRun = 70;
  std::vector<uint32_t> o(kMaxRun), n(kMaxRun);
  std::vector<uint8_t> greys(kMaxRun);
  for (int32_t i = 0; i < kMaxRun; ++i) {
    o[i] = rng();
    n[i] = rng() % 5 == 0 ? o[i] : rng();
    greys[i] = static_cast<uint8_t>(i < 16 ? 255 : i < 32 ? 0 : i < 40 ? 128 : rng());
  }
  for (const TWipeKernels* set : KernelSets()) {
    for (int32_t shift = -255; shift <= 255; ++shift) {
      const auto count = static_cast<int32_t>(1 + (shift + 255) % kMaxRun);
      std::vector<uint32_t> want(static_cast<size_t>(count) + 1, 0x5A5A5A5A), got = want;
      for (int32_t i = 0; i < count; ++i) {
        const auto m = static_cast<uint32_t>(std::clamp(greys[i] + shift, 0, 255));
        want[i] = m == 0 ? o[i] : m == 255 ? n[i] : BlendPixel(o[i], n[i], m, kMasks888);
      }
      set->LevelMix32(got.data(), o.data(), n.data(), greys.data(), count, shift);
      ASSERT_EQ(got, want) << set->Name << " shift " << shift << " over " << count;
    }
  }
}

// The rule image's flash of every set against the formula: every shift from all old to all new, both ways, runs of
// every length up to a few registers (the pixels past a run stay untouched), bright and dark pixels that saturate.
TEST(WipeKernels, FlashRaisesOrLowersThePickedPicture) {
  std::mt19937 rng(5);
  constexpr int32_t kMaxRun = 70;
  std::vector<uint32_t> o(kMaxRun), n(kMaxRun);
  std::vector<uint8_t> greys(kMaxRun);
  for (int32_t i = 0; i < kMaxRun; ++i) {
    o[i] = rng();
    n[i] = rng() % 4 == 0 ? 0xFFF0F00F : rng();
    greys[i] = static_cast<uint8_t>(i < 16 ? 255 : i < 32 ? 0 : rng());
  }
  auto channel = [](uint32_t p, int bits, int32_t v) {
    return static_cast<uint32_t>(std::clamp(static_cast<int32_t>((p >> bits) & 0xFF) + v, 0, 255)) << bits;
  };
  for (const TWipeKernels* set : KernelSets()) {
    for (int32_t shift = -256; shift <= 511; shift += 3) {
      for (bool subtract : {false, true}) {
        const auto count = static_cast<int32_t>(1 + (shift + 256) % kMaxRun);
        std::vector<uint32_t> want(static_cast<size_t>(count) + 1, 0x5A5A5A5A), got = want;
        for (int32_t i = 0; i < count; ++i) {
          const int32_t l = std::clamp(greys[i] + shift, 0, 511);
          const uint32_t p = l > 255 ? n[i] : o[i];
          const int32_t v = (l > 255 ? 511 - l : l) * (subtract ? -1 : 1);
          want[i] = channel(p, 0, v) | channel(p, 8, v) | channel(p, 16, v);
        }
        set->Flash32(got.data(), o.data(), n.data(), greys.data(), count, shift, subtract);
        ASSERT_EQ(got, want) << set->Name << " shift " << shift << (subtract ? " down" : " up") << " over " << count;
      }
    }
  }
}

// The vertical twist's kernel of every set against the scalar one: columns from either picture, rows inside and
// outside each column's range (negative offsets included), steps with and without fractions, runs of every length
// up to a few registers.
TEST(WipeKernels, TwistMatchesTheScalarKernel) {
  std::mt19937 rng(5);
  constexpr int32_t kW = 45, kH = 29;
  std::vector<uint32_t> old_picture(static_cast<size_t>(kW) * kH), new_picture(old_picture.size());
  for (uint32_t& p : old_picture) p = rng();
  for (uint32_t& p : new_picture) p = rng();
  for (const TWipeKernels* set : KernelSets()) {
    for (int32_t n = 1; n <= kW; ++n) {
      std::vector<int32_t> from(static_cast<size_t>(n)), from_new(from.size());
      std::vector<uint32_t> wide(from.size()), whole(from.size()), fraction(from.size());
      for (size_t i = 0; i < from.size(); ++i) {
        wide[i] = rng() % 4 == 0 ? 0 : 1 + rng() % kH;
        from[i] = (kH - static_cast<int32_t>(wide[i])) / 2;
        const int64_t step = wide[i] > 0 ? static_cast<int64_t>(double(kH) / wide[i] * 65536.0) : 0;
        whole[i] = static_cast<uint32_t>(step >> 16);
        fraction[i] = static_cast<uint32_t>(step & 0xFFFF);
        from_new[i] = static_cast<int32_t>(rng() % 2);
      }
      for (int32_t y = -2; y < kH + 2; y += 3) {
        TTwistRun run{};
        run.Old = reinterpret_cast<const uint8_t*>(old_picture.data());
        run.New = reinterpret_cast<const uint8_t*>(new_picture.data());
        run.OldPitch = run.NewPitch = kW * 4;
        run.From = from.data();
        run.Wide = wide.data();
        run.StepWhole = whole.data();
        run.StepFraction = fraction.data();
        run.FromNew = from_new.data();
        run.Y = y;
        run.N = n;
        run.Narrow = true;
        std::vector<uint32_t> want(static_cast<size_t>(n) + 1, 0x5A5A5A5A), got = want;
        run.Dest = want.data();
        TwistRunScalar<uint32_t>(run);
        run.Dest = got.data();
        set->Twist32(run);
        ASSERT_EQ(got, want) << set->Name << " run of " << n << " at row " << y;
      }
    }
  }
}

}  // namespace
}  // namespace velk
