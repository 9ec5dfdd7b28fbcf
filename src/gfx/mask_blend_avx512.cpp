// The masked blend of 32-bit pixels (every picture with an alpha channel goes through it) with AVX-512: sixteen
// pixels per step, the per-pixel alpha spread by one byte shuffle, the pixels' bytes blended in 16-bit lanes in
// place (even bytes) and shifted down (odd bytes), and the covered and uncovered pixels handled by the comparison
// masks. Blocks of 64 pixels that are all covered or uncovered (most of a picture) do no arithmetic and do not read
// the destination. The target is switched for this file only, so the core still builds for any x86-64.
#include <algorithm>
#include <cstdint>
#include <type_traits>

#include "gfx/blend_kernels.h"

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx512f,avx512bw,avx512dq,avx512vl"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx512f,avx512bw,avx512dq,avx512vl")
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include <immintrin.h>

namespace velk {
namespace {

// The blend of one step: ((d & M) * (255 - a) + (s & M) * a) >> 8 per channel M, the reserved byte cleared.
// `even` holds 0x00FF00FF (the even bytes of each 16-bit lane), `green` 0x0000FF00 (the only odd byte that holds a
// channel), `spread` the shuffle that puts the mask byte of pixel p (of the sixteen, which the broadcast puts in
// each 128-bit quarter) into bytes 0 and 2 of the pixel: the alpha in both of its 16-bit lanes.
inline __m512i Blend(__m512i d, __m512i s, __m128i m, __m512i even, __m512i green, __mmask64 rgb, __m512i spread) {
  const __m512i a = _mm512_shuffle_epi8(_mm512_broadcast_i32x4(m), spread);
  // d * (255 - a) + s * a is 256 * d + t with t = (s - d) * a - d, so the blended byte is d plus the high byte of t:
  // t may not fit 16 bits, but its low 16 bits give that byte exactly (mod 256), since 256 * d adds no carry.
  const __m512i de = _mm512_and_si512(d, even), dh = _mm512_srli_epi16(d, 8);
  const __m512i te = _mm512_sub_epi16(_mm512_mullo_epi16(_mm512_sub_epi16(_mm512_and_si512(s, even), de), a), de);
  const __m512i th = _mm512_sub_epi16(_mm512_mullo_epi16(_mm512_sub_epi16(_mm512_srli_epi16(s, 8), dh), a), dh);
  const __m512i step = _mm512_ternarylogic_epi32(_mm512_srli_epi16(te, 8), th, green, 0xF8);  // te | (th & green)
  return _mm512_maskz_add_epi8(rgb, d, step);  // the reserved byte cleared
}

void Mask32(void* dv, const void* sv, const uint8_t* m, int n, const TKernelParams&) {
  auto* d = static_cast<uint32_t*>(dv);
  auto* s = static_cast<const uint32_t*>(sv);
  const __m512i even = _mm512_set1_epi32(0x00FF00FF), green = _mm512_set1_epi32(0x0000FF00);
  const __mmask64 rgb = 0x7777777777777777;  // the channel bytes of each pixel
  const __m512i spread =
      _mm512_set_epi32(static_cast<int>(0x800F800F), static_cast<int>(0x800E800E), static_cast<int>(0x800D800D),
                       static_cast<int>(0x800C800C), static_cast<int>(0x800B800B), static_cast<int>(0x800A800A),
                       static_cast<int>(0x80098009), static_cast<int>(0x80088008), static_cast<int>(0x80078007),
                       static_cast<int>(0x80068006), static_cast<int>(0x80058005), static_cast<int>(0x80048004),
                       static_cast<int>(0x80038003), static_cast<int>(0x80028002), static_cast<int>(0x80018001),
                       static_cast<int>(0x80008000));
  const __m128i full = _mm_set1_epi8(static_cast<char>(0xFF));
  if (n <= 0) return;
  // Sixteen pixels (fewer at the ends of the run: `live`) with mask bytes mm: the covered ones (255) take the source,
  // the soft ones the blend, the uncovered ones (0) are not stored.
  auto blend = [&](uint32_t* dp, const uint32_t* sp, __m128i mm, __m512i x, __m512i y) {
    const __m512i r =
        _mm512_mask_mov_epi32(Blend(y, x, mm, even, green, rgb, spread), _mm_cmpeq_epi8_mask(mm, full), x);
    _mm512_mask_storeu_epi32(dp, _mm_test_epi8_mask(mm, mm), r);
  };
  auto step = [&](uint32_t* dp, const uint32_t* sp, const uint8_t* mp, __mmask16 live) {
    const __m128i mm = _mm_maskz_loadu_epi8(live, mp);  // 0 past the end: not stored
    blend(dp, sp, mm, _mm512_maskz_loadu_epi32(live, sp), _mm512_maskz_loadu_epi32(live, dp));
  };
  int i = 0;
  // The first step ends where the destination reaches a 64-byte boundary, so the others store whole lines.
  const auto misalign = static_cast<int>(reinterpret_cast<uintptr_t>(d) & 63);
  if (misalign % 4 == 0 && misalign != 0) {
    const int head = std::min(n, (64 - misalign) / 4);
    step(d, s, m, static_cast<__mmask16>((1u << head) - 1));
    i = head;
  }
  // Sixty-four pixels per test of the mask: blocks without soft pixels (most of a picture) copy the covered pixels
  // and read nothing else; the others blend all four steps, keeping the destination where the mask is 0.
  const __m512i one = _mm512_set1_epi8(1), two = _mm512_set1_epi8(2);
  for (; i + 64 <= n; i += 64) {
    // m + 1 wraps 255 to 0: at least 2 exactly for the soft values 1 .. 254.
    const __mmask64 soft = _mm512_cmpge_epu8_mask(_mm512_add_epi8(_mm512_loadu_si512(m + i), one), two);
    if (soft == 0) {
      for (int q = 0; q < 4; ++q) {
        const __m128i mm = _mm_loadu_si128(reinterpret_cast<const __m128i*>(m + i + 16 * q));
        const __mmask16 c = _mm_cmpeq_epi8_mask(mm, full);
        if (c != 0) _mm512_mask_storeu_epi32(d + i + 16 * q, c, _mm512_loadu_si512(s + i + 16 * q));
      }
      continue;
    }
    for (int q = 0; q < 4; ++q) {
      uint32_t* dp = d + i + 16 * q;
      const uint32_t* sp = s + i + 16 * q;
      blend(dp, sp, _mm_loadu_si128(reinterpret_cast<const __m128i*>(m + i + 16 * q)), _mm512_loadu_si512(sp),
            _mm512_loadu_si512(dp));
    }
  }
  for (; i < n; i += 16) step(d + i, s + i, m + i, static_cast<__mmask16>((1u << std::min(16, n - i)) - 1));
}

}  // namespace

void FillAvx512MaskKernels(TRowKernels& k) {
  if (!__builtin_cpu_supports("avx512vl")) return;
  k.Row32[static_cast<int>(TRowOp::Mask)] = Mask32;
}

}  // namespace velk

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC diagnostic pop
#pragma GCC pop_options
#endif
