// AVX-512 row kernels (byte and word instructions). The target is switched for this file only, so the core still
// builds for any x86-64.
#include <cstring>
#include <type_traits>

#include "gfx/blend_kernels.h"

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx512f,avx512bw,avx512dq"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx512f,avx512bw,avx512dq")
// GCC's own AVX-512 headers start many operations from an undefined register and then warn about it.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include <immintrin.h>

namespace velk {
namespace {

struct Avx512 {
  using R = __m512i;
  static constexpr int kBytes = 64;
  static constexpr bool kMulAddBytes = true;
  static R Load(const void* p) { return _mm512_loadu_si512(p); }
  static void Store(void* p, R v) { _mm512_storeu_si512(p, v); }
  // Zero-masked broadcasts with every lane selected: GCC keeps these out of the loops, which it does not do for its
  // plain set1 forms (they start from an undefined register).
  static R Set32(uint32_t x) { return _mm512_maskz_set1_epi32(static_cast<__mmask16>(~0u), static_cast<int>(x)); }
  static R Set16(uint16_t x) { return _mm512_maskz_set1_epi16(~__mmask32{0}, static_cast<short>(x)); }
  static R Set64(uint64_t x) { return _mm512_maskz_set1_epi64(static_cast<__mmask8>(~0u), static_cast<long long>(x)); }
  static R Zero() { return _mm512_setzero_si512(); }
  static R And(R a, R b) { return _mm512_and_si512(a, b); }
  static R Or(R a, R b) { return _mm512_or_si512(a, b); }
  static R AndNot(R a, R b) { return _mm512_andnot_si512(a, b); }
  static R Xor(R a, R b) { return _mm512_xor_si512(a, b); }
  // a where keep is set, else b (bitwise: keep ? a : b).
  static R Select(R keep, R a, R b) { return _mm512_ternarylogic_epi32(keep, a, b, 0xCA); }
  // Comparisons give lanes of all ones or zeros, as in the narrower sets.
  static R Eq32(R a, R b) { return _mm512_movm_epi32(_mm512_cmpeq_epi32_mask(a, b)); }
  static R Eq16(R a, R b) { return _mm512_movm_epi16(_mm512_cmpeq_epi16_mask(a, b)); }
  // Whether every bit of a is set.
  static bool AllOnes(R a) { return _mm512_movepi32_mask(a) == 0xFFFF; }
  // a where the 32-bit lanes of x and y are equal, else b; straight from the comparison mask.
  static R SelectEq32(R x, R y, R a, R b) { return _mm512_mask_blend_epi32(_mm512_cmpeq_epi32_mask(x, y), b, a); }
  // Unpacking and packing work within each 128-bit quarter; the pixels and their weights line up as in AVX2.
  static R Lo8(R a, R z) { return _mm512_unpacklo_epi8(a, z); }
  static R Hi8(R a, R z) { return _mm512_unpackhi_epi8(a, z); }
  static R Pack16(R lo, R hi) { return _mm512_packus_epi16(lo, hi); }
  static R PackS16(R lo, R hi) { return _mm512_packs_epi16(lo, hi); }
  static R Mul16(R a, R b) { return _mm512_mullo_epi16(a, b); }
  static R MulAddBytes(R a, R b) { return _mm512_maddubs_epi16(a, b); }
  static R Add16(R a, R b) { return _mm512_add_epi16(a, b); }
  static R Sub16(R a, R b) { return _mm512_sub_epi16(a, b); }
  static R Min16(R a, R b) { return _mm512_min_epi16(a, b); }
  static R SubsU16(R a, R b) { return _mm512_subs_epu16(a, b); }
  static R Srl16_8(R a) { return _mm512_srli_epi16(a, 8); }
  static R Sra16_8(R a) { return _mm512_srai_epi16(a, 8); }
  static R Srl16(R a, int n) { return _mm512_srl_epi16(a, _mm_cvtsi32_si128(n)); }
  static R Sll16(R a, int n) { return _mm512_sll_epi16(a, _mm_cvtsi32_si128(n)); }
  static R Srl32_8(R a) { return _mm512_srli_epi32(a, 8); }
  static R Sll32_8(R a) { return _mm512_slli_epi32(a, 8); }
  static R Sll32_16(R a) { return _mm512_slli_epi32(a, 16); }
  static R Add8(R a, R b) { return _mm512_add_epi8(a, b); }
  static R AddsU8(R a, R b) { return _mm512_adds_epu8(a, b); }
  static R SubsU8(R a, R b) { return _mm512_subs_epu8(a, b); }
  // Sixteen mask bytes, one per 32-bit lane.
  static R LoadMask32(const uint8_t* m) {
    return _mm512_cvtepu8_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(m)));
  }
  // Thirty-two mask bytes, one per 16-bit lane.
  static R LoadMask16(const uint8_t* m) {
    return _mm512_cvtepu8_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(m)));
  }
};

#include "gfx/blend_simd_body.h"

}  // namespace

void FillAvx512Kernels(TRowKernels& k) { SimdKernels<Avx512>::Fill(k); }

}  // namespace velk

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC diagnostic pop
#pragma GCC pop_options
#endif
