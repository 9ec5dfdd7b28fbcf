// AVX2 row kernels. The target is switched for this file only, so the core still builds for any x86-64.
#include <cstring>
#include <type_traits>

#include "gfx/blend_kernels.h"

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

#include <immintrin.h>

namespace velk {
namespace {

struct Avx2 {
  using R = __m256i;
  static constexpr int kBytes = 32;
  static constexpr bool kMulAddBytes = true;
  static R Load(const void* p) { return _mm256_loadu_si256(static_cast<const __m256i*>(p)); }
  static void Store(void* p, R v) { _mm256_storeu_si256(static_cast<__m256i*>(p), v); }
  static R Set32(uint32_t x) { return _mm256_set1_epi32(static_cast<int>(x)); }
  static R Set16(uint16_t x) { return _mm256_set1_epi16(static_cast<short>(x)); }
  static R Set64(uint64_t x) { return _mm256_set1_epi64x(static_cast<long long>(x)); }
  static R Zero() { return _mm256_setzero_si256(); }
  static R And(R a, R b) { return _mm256_and_si256(a, b); }
  static R Or(R a, R b) { return _mm256_or_si256(a, b); }
  static R AndNot(R a, R b) { return _mm256_andnot_si256(a, b); }
  static R Xor(R a, R b) { return _mm256_xor_si256(a, b); }
  // a where keep is set, else b; keep is a comparison result, all ones or zeros per lane.
  static R Select(R keep, R a, R b) { return _mm256_blendv_epi8(b, a, keep); }
  static R Eq32(R a, R b) { return _mm256_cmpeq_epi32(a, b); }
  // Whether every bit of a is set.
  static bool AllOnes(R a) { return _mm256_movemask_epi8(a) == -1; }
  static R Eq16(R a, R b) { return _mm256_cmpeq_epi16(a, b); }
  // a where the 32-bit lanes of x and y are equal, else b.
  static R SelectEq32(R x, R y, R a, R b) { return Select(Eq32(x, y), a, b); }
  // Unpacking and packing work within each 128-bit half; the pixels and their alphas are unpacked alike, so the
  // lanes still line up.
  static R Lo8(R a, R z) { return _mm256_unpacklo_epi8(a, z); }
  static R Hi8(R a, R z) { return _mm256_unpackhi_epi8(a, z); }
  static R Pack16(R lo, R hi) { return _mm256_packus_epi16(lo, hi); }
  static R PackS16(R lo, R hi) { return _mm256_packs_epi16(lo, hi); }
  static R Mul16(R a, R b) { return _mm256_mullo_epi16(a, b); }
  // Unsigned bytes of a times signed bytes of b, adjacent pairs summed into 16-bit lanes.
  static R MulAddBytes(R a, R b) { return _mm256_maddubs_epi16(a, b); }
  static R Add16(R a, R b) { return _mm256_add_epi16(a, b); }
  static R Sub16(R a, R b) { return _mm256_sub_epi16(a, b); }
  static R Min16(R a, R b) { return _mm256_min_epi16(a, b); }
  static R SubsU16(R a, R b) { return _mm256_subs_epu16(a, b); }
  static R Srl16_8(R a) { return _mm256_srli_epi16(a, 8); }
  static R Sra16_8(R a) { return _mm256_srai_epi16(a, 8); }
  static R Srl16(R a, int n) { return _mm256_srl_epi16(a, _mm_cvtsi32_si128(n)); }
  static R Sll16(R a, int n) { return _mm256_sll_epi16(a, _mm_cvtsi32_si128(n)); }
  static R Srl32_8(R a) { return _mm256_srli_epi32(a, 8); }
  static R Sll32_8(R a) { return _mm256_slli_epi32(a, 8); }
  static R Sll32_16(R a) { return _mm256_slli_epi32(a, 16); }
  static R Add8(R a, R b) { return _mm256_add_epi8(a, b); }
  static R AddsU8(R a, R b) { return _mm256_adds_epu8(a, b); }
  static R SubsU8(R a, R b) { return _mm256_subs_epu8(a, b); }
  // Eight mask bytes, one per 32-bit lane.
  static R LoadMask32(const uint8_t* m) {
    return _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(m)));
  }
  // Sixteen mask bytes, one per 16-bit lane.
  static R LoadMask16(const uint8_t* m) {
    return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(m)));
  }
};

#include "gfx/blend_simd_body.h"

}  // namespace

void FillAvx2Kernels(TRowKernels& k) { SimdKernels<Avx2>::Fill(k); }

}  // namespace velk

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
