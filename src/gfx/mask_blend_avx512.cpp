// The masked blend of 32-bit pixels (every picture with an alpha channel goes through it) with AVX-512: sixteen
// pixels per step, each channel's destination and source bytes interleaved as a pair and weighted by the pixel's
// (255 - a, a) in one multiply-add of bytes (the weights and the results placed by byte permutes, which need the
// byte-permute extension), and the covered and uncovered pixels handled by the comparison masks.
// Blocks of 64 pixels that are all covered or uncovered (most of a picture) do no arithmetic and do not read the
// destination. The target is switched for this file only, so the core still builds for any x86-64.
#include <algorithm>
#include <cstdint>

#include "gfx/blend_kernels.h"

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx512f,avx512bw,avx512dq,avx512vl,avx512vbmi"))),                 \
                             apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx512f,avx512bw,avx512dq,avx512vl,avx512vbmi")
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include <immintrin.h>

namespace velk {
namespace {

// A step's channels are laid out as the byte unpacks of its pixels leave them: quarter q of the low unpack holds the
// channel words of pixels 4q and 4q + 1, of the high unpack those of 4q + 2 and 4q + 3. Lo[k] and Hi[k] pick, for
// step k of a block of 64 pixels, each channel word's weights (255 - a, a) from the bytes of the block's ~m (indices
// 64 .. 127) and m (0 .. 63); Out gathers the high bytes of the blended words back into pixel order.
struct TByteIndex {
  alignas(64) uint8_t Lo[4][64];
  alignas(64) uint8_t Hi[4][64];
  alignas(64) uint8_t Out[64];
};

constexpr TByteIndex MakeByteIndex() {
  TByteIndex t{};
  for (int k = 0; k < 4; ++k)
    for (int b = 0; b < 64; ++b) {
      const int pixel = 16 * k + 4 * (b / 16) + (b % 16) / 8, inverse = b % 2 == 0 ? 64 : 0;
      t.Lo[k][b] = static_cast<uint8_t>(inverse + pixel);
      t.Hi[k][b] = static_cast<uint8_t>(inverse + pixel + 2);
    }
  for (int b = 0; b < 64; ++b) {
    const int pixel = b / 4, word = 8 * (pixel / 4) + 4 * (pixel % 2) + b % 4;
    t.Out[b] = static_cast<uint8_t>((pixel % 4 < 2 ? 0 : 64) + 2 * word + 1);
  }
  return t;
}

constexpr TByteIndex kByteIndex = MakeByteIndex();

// The blend of one step: ((d & M) * (255 - a) + (s & M) * a) >> 8 per channel M, the reserved byte cleared. With
// their top bits flipped, d and s are the signed bytes d - 128 and s - 128, and the multiply-add of unsigned by
// signed bytes gives (d - 128) * (255 - a) + (s - 128) * a, within +-128 * 255 so never saturated; adding
// 128 * 255 makes it d * (255 - a) + s * a, which fits 16 unsigned bits and whose high byte is the blended channel.
// `mask` and `inverse` are the block's m and ~m, `step` the step's place in the block, `out` the index Out; `flip`
// holds 0x80 in every byte, `bias` 128 * 255 in every word.
inline __m512i Blend(__m512i d, __m512i s, __m512i mask, __m512i inverse, const TByteIndex& index, int step,
                     __m512i out, __m512i flip, __m512i bias, __mmask64 rgb) {
  const __m512i df = _mm512_xor_si512(d, flip), sf = _mm512_xor_si512(s, flip);
  const __m512i wlo = _mm512_permutex2var_epi8(mask, _mm512_load_si512(index.Lo[step]), inverse);
  const __m512i whi = _mm512_permutex2var_epi8(mask, _mm512_load_si512(index.Hi[step]), inverse);
  const __m512i lo = _mm512_add_epi16(_mm512_maddubs_epi16(wlo, _mm512_unpacklo_epi8(df, sf)), bias);
  const __m512i hi = _mm512_add_epi16(_mm512_maddubs_epi16(whi, _mm512_unpackhi_epi8(df, sf)), bias);
  return _mm512_maskz_permutex2var_epi8(rgb, lo, out, hi);
}

void Mask32(void* dv, const void* sv, const uint8_t* m, int n, const TKernelParams&) {
  auto* d = static_cast<uint32_t*>(dv);
  auto* s = static_cast<const uint32_t*>(sv);
  const __mmask64 rgb = 0x7777777777777777;  // the channel bytes of each pixel
  const __m128i full = _mm_set1_epi8(static_cast<char>(0xFF));
  const __m512i flip = _mm512_set1_epi8(static_cast<char>(0x80)), bias = _mm512_set1_epi16(128 * 255);
  // The weight permutes overwrite their index: read through a pointer the compiler does not follow, each is loaded
  // where it is used, instead of all eight kept in registers and copied (which crowds out the other constants).
  const TByteIndex* index = &kByteIndex;
  asm("" : "+r"(index));
  const __m512i out = _mm512_load_si512(index->Out);
  if (n <= 0) return;
  // Sixteen pixels (fewer at the ends of the run: `live`) with mask bytes mm: the covered ones (255) take the source,
  // the soft ones the blend, the uncovered ones (0) are not stored.
  auto blend = [&](uint32_t* dp, __m128i mm, __m512i x, __m512i y, __m512i mask, __m512i inverse, int step) {
    const __m512i r = _mm512_mask_mov_epi32(Blend(y, x, mask, inverse, *index, step, out, flip, bias, rgb),
                                            _mm_cmpeq_epi8_mask(mm, full), x);
    _mm512_mask_storeu_epi32(dp, _mm_test_epi8_mask(mm, mm), r);
  };
  auto step = [&](uint32_t* dp, const uint32_t* sp, const uint8_t* mp, __mmask16 live) {
    const __m512i mask = _mm512_maskz_loadu_epi8(live, mp);  // 0 past the end: not stored
    blend(dp, _mm512_castsi512_si128(mask), _mm512_maskz_loadu_epi32(live, sp), _mm512_maskz_loadu_epi32(live, dp),
          mask, _mm512_ternarylogic_epi32(mask, mask, mask, 0x55), 0);
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
    const __m512i mask = _mm512_loadu_si512(m + i);
    // m + 1 wraps 255 to 0: at least 2 exactly for the soft values 1 .. 254.
    const __mmask64 soft = _mm512_cmpge_epu8_mask(_mm512_add_epi8(mask, one), two);
    if (soft == 0) {
      for (int q = 0; q < 4; ++q) {
        const __m128i mm = _mm_loadu_si128(reinterpret_cast<const __m128i*>(m + i + 16 * q));
        const __mmask16 c = _mm_cmpeq_epi8_mask(mm, full);
        if (c != 0) _mm512_mask_storeu_epi32(d + i + 16 * q, c, _mm512_loadu_si512(s + i + 16 * q));
      }
      continue;
    }
    const __m512i inverse = _mm512_ternarylogic_epi32(mask, mask, mask, 0x55);
#pragma GCC unroll 4
    for (int q = 0; q < 4; ++q) {
      uint32_t* dp = d + i + 16 * q;
      blend(dp, _mm_loadu_si128(reinterpret_cast<const __m128i*>(m + i + 16 * q)), _mm512_loadu_si512(s + i + 16 * q),
            _mm512_loadu_si512(dp), mask, inverse, q);
    }
  }
  for (; i < n; i += 16) step(d + i, s + i, m + i, static_cast<__mmask16>((1u << std::min(16, n - i)) - 1));
}

}  // namespace

void FillAvx512MaskKernels(TRowKernels& k) {
  if (!__builtin_cpu_supports("avx512vl") || !__builtin_cpu_supports("avx512vbmi")) return;
  k.Row32[static_cast<int>(TRowOp::Mask)] = Mask32;
}

}  // namespace velk

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC diagnostic pop
#pragma GCC pop_options
#endif
