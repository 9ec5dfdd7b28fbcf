// AVX-512 point kernels of the transitions: sixteen pixels at a time, the table entries and the samples fetched
// with gathers. The target is switched for this file only, so the core still builds for any x86-64.
#include <cstdint>

#include "gfx/wipe_kernels.h"

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx512f,avx512bw,avx512dq"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx512f,avx512bw,avx512dq")
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include <immintrin.h>

namespace velk {
namespace {

__m512i Set(int32_t v) { return _mm512_maskz_set1_epi32(static_cast<__mmask16>(~0u), v); }

// Lanes 0 .. n - 1 of sixteen.
__mmask16 FirstLanes(int32_t n) {
  return n >= 16 ? static_cast<__mmask16>(0xFFFF) : static_cast<__mmask16>((1u << n) - 1);
}

// The sixteen entries p[0], p[step], ..., p[15 * step] for step +1 or -1, only the first n lanes read.
__m512i LoadEntries(const int32_t* p, bool backward, int32_t n) {
  if (!backward) return _mm512_maskz_loadu_epi32(FirstLanes(n), p);
  // Lane j is p[-j]: the sixteen words ending at p, read in reverse; lanes past n are never read, so nothing
  // before the table is touched.
  const __mmask16 k = static_cast<__mmask16>(FirstLanes(n) << (16 - (n >= 16 ? 16 : n)));
  const auto start = reinterpret_cast<uintptr_t>(p) - 15 * sizeof(int32_t);
  const __m512i reverse = _mm512_set_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  return _mm512_permutexvar_epi32(reverse, _mm512_maskz_loadu_epi32(k, reinterpret_cast<const void*>(start)));
}

// v / 65536 truncated toward zero, for the products that fit 32 bits.
__m512i DivideTruncating(__m512i v) {
  const __m512i bias = _mm512_and_si512(_mm512_srai_epi32(v, 31), Set(0xFFFF));
  return _mm512_srai_epi32(_mm512_add_epi32(v, bias), 16);
}

void Ripple32(const TRippleRun& r) {
  if (!r.Narrow) {
    RippleRunScalar<uint32_t>(r);
    return;
  }
  auto* d = static_cast<uint32_t*>(r.Dest);
  const auto* fallback = static_cast<const uint32_t*>(r.Fallback);
  const __m512i cx = Set(r.Cx), cy = Set(r.Cy), w = Set(r.W), h = Set(r.H), last_x = Set(r.W - 1),
                last_y = Set(r.H - 1), shift = Set(r.Shift), pitch = Set(static_cast<int32_t>(r.Pitch / 4));
  for (int32_t i = 0; i < r.N; i += 16) {
    const int32_t n = r.N - i;
    const ptrdiff_t entry = r.Backward ? -i : i;
    const int32_t *distance = r.Distance + entry, *cosine = r.Cos + entry, *sine = r.Sin + entry;
    const __mmask16 lanes = FirstLanes(n);
    const __m512i dist = LoadEntries(distance, r.Backward, n);
    const __m512i wave =
        _mm512_mask_i32gather_epi32(_mm512_setzero_si512(), lanes, _mm512_add_epi32(dist, shift), r.Waves, 4);
    const __m512i radius = _mm512_add_epi32(dist, wave);
    __m512i sx = _mm512_add_epi32(cx, DivideTruncating(_mm512_mullo_epi32(radius, LoadEntries(cosine, r.Backward, n))));
    __m512i sy = _mm512_add_epi32(cy, DivideTruncating(_mm512_mullo_epi32(radius, LoadEntries(sine, r.Backward, n))));
    if (r.FlipX) sx = _mm512_sub_epi32(last_x, sx);
    if (r.FlipY) sy = _mm512_sub_epi32(last_y, sy);
    // 0 <= sx < W and 0 <= sy < H in one unsigned comparison each.
    const __mmask16 inside = lanes & _mm512_cmplt_epu32_mask(sx, w) & _mm512_cmplt_epu32_mask(sy, h);
    const __m512i at = _mm512_add_epi32(_mm512_mullo_epi32(sy, pitch), sx);
    const __m512i out = _mm512_maskz_loadu_epi32(lanes, fallback + i);
    _mm512_mask_storeu_epi32(d + i, lanes, _mm512_mask_i32gather_epi32(out, inside, at, r.Source, 4));
  }
}

}  // namespace

void FillAvx512WipeKernels(TWipeKernels& k) { k.Ripple32 = Ripple32; }

}  // namespace velk

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC diagnostic pop
#pragma GCC pop_options
#endif
