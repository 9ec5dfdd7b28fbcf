// AVX2 mixing kernel. The target is switched for this file only, so the core still builds for any x86-64.
#include <cstddef>
#include <cstdint>

#include "media/wav_out_mix.h"

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

#include <immintrin.h>

namespace velk {

void MixWavTail(int16_t* dst, const int16_t* src, size_t n, int32_t volume);

namespace {

struct Avx2 {
  using R = __m256i;
  static constexpr size_t kBytes = 32;
  static R Load(const int16_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
  static void Store(int16_t* p, R v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }
  static R Set16(int16_t x) { return _mm256_set1_epi16(x); }
  static R Or(R a, R b) { return _mm256_or_si256(a, b); }
  static R MulLo16(R a, R b) { return _mm256_mullo_epi16(a, b); }
  static R MulHi16(R a, R b) { return _mm256_mulhi_epi16(a, b); }
  static R Sll16_8(R a) { return _mm256_slli_epi16(a, 8); }
  static R Srl16_8(R a) { return _mm256_srli_epi16(a, 8); }
  static R AddS16(R a, R b) { return _mm256_adds_epi16(a, b); }
};

#include "media/wav_out_mix_body.h"

}  // namespace

void MixWavAvx2(int16_t* dst, const int16_t* src, size_t n, int32_t volume) { MixWavBody<Avx2>(dst, src, n, volume); }

}  // namespace velk

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
