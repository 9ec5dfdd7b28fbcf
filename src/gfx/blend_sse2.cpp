// SSE2 row kernels. The target is switched for this file only, so the core still builds for any x86-64.
#include <cstring>
#include <type_traits>

#include "gfx/blend_kernels.h"

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("sse2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("sse2")
#endif

#include <emmintrin.h>

namespace velk {
namespace {

struct Sse2 {
  using R = __m128i;
  static constexpr int kBytes = 16;
  static constexpr bool kMulAddBytes = false;  // the multiply-add of bytes came with SSSE3
  static R Load(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }
  static void Store(void* p, R v) { _mm_storeu_si128(static_cast<__m128i*>(p), v); }
  static R Set32(uint32_t x) { return _mm_set1_epi32(static_cast<int>(x)); }
  static R Set16(uint16_t x) { return _mm_set1_epi16(static_cast<short>(x)); }
  static R Set64(uint64_t x) { return _mm_set1_epi64x(static_cast<long long>(x)); }
  static R Zero() { return _mm_setzero_si128(); }
  static R And(R a, R b) { return _mm_and_si128(a, b); }
  static R Or(R a, R b) { return _mm_or_si128(a, b); }
  static R AndNot(R a, R b) { return _mm_andnot_si128(a, b); }
  static R Xor(R a, R b) { return _mm_xor_si128(a, b); }
  // a where keep is set, else b.
  static R Select(R keep, R a, R b) { return Or(And(keep, a), AndNot(keep, b)); }
  static R Eq32(R a, R b) { return _mm_cmpeq_epi32(a, b); }
  // Whether every bit of a is set.
  static bool AllOnes(R a) { return _mm_movemask_epi8(a) == 0xFFFF; }
  static R Eq16(R a, R b) { return _mm_cmpeq_epi16(a, b); }
  // a where the 32-bit lanes of x and y are equal, else b.
  static R SelectEq32(R x, R y, R a, R b) { return Select(Eq32(x, y), a, b); }
  static R Lo8(R a, R z) { return _mm_unpacklo_epi8(a, z); }
  static R Hi8(R a, R z) { return _mm_unpackhi_epi8(a, z); }
  static R Pack16(R lo, R hi) { return _mm_packus_epi16(lo, hi); }
  static R PackS16(R lo, R hi) { return _mm_packs_epi16(lo, hi); }
  static R Mul16(R a, R b) { return _mm_mullo_epi16(a, b); }
  static R Add16(R a, R b) { return _mm_add_epi16(a, b); }
  static R Sub16(R a, R b) { return _mm_sub_epi16(a, b); }
  static R Min16(R a, R b) { return _mm_min_epi16(a, b); }
  static R SubsU16(R a, R b) { return _mm_subs_epu16(a, b); }
  static R Srl16_8(R a) { return _mm_srli_epi16(a, 8); }
  static R Sra16_8(R a) { return _mm_srai_epi16(a, 8); }
  static R Srl16(R a, int n) { return _mm_srl_epi16(a, _mm_cvtsi32_si128(n)); }
  static R Sll16(R a, int n) { return _mm_sll_epi16(a, _mm_cvtsi32_si128(n)); }
  static R Srl32_8(R a) { return _mm_srli_epi32(a, 8); }
  static R Sll32_8(R a) { return _mm_slli_epi32(a, 8); }
  static R Sll32_16(R a) { return _mm_slli_epi32(a, 16); }
  static R Add8(R a, R b) { return _mm_add_epi8(a, b); }
  static R AddsU8(R a, R b) { return _mm_adds_epu8(a, b); }
  static R SubsU8(R a, R b) { return _mm_subs_epu8(a, b); }
  // Four mask bytes, one per 32-bit lane.
  static R LoadMask32(const uint8_t* m) {
    int32_t v;
    std::memcpy(&v, m, 4);
    R z = Zero();
    return _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(v), z), z);
  }
  // Eight mask bytes, one per 16-bit lane.
  static R LoadMask16(const uint8_t* m) {
    return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(m)), Zero());
  }
};

#include "gfx/blend_simd_body.h"

}  // namespace

void FillSse2Kernels(TRowKernels& k) { SimdKernels<Sse2>::Fill(k); }

}  // namespace velk

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
