// The masked blend of 32-bit pixels (every picture with an alpha channel goes through it) with AVX-512: sixteen
// pixels per step, each channel's destination and source bytes interleaved as a pair and weighted by the pixel's
// (255 - a, a) in one multiply-add of bytes, and the covered and uncovered pixels handled by the comparison masks.
// Blocks of 64 pixels that are all covered or uncovered (most of a picture) do no arithmetic and do not read the
// destination. The target is switched for this file only, so the core still builds for any x86-64.
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

// The weights of a step come from the 64 mask bytes of its block: the byte unpacks of ~m and m give one word
// (255 - a, a) per pixel, words 8q .. 8q + 7 of quarter q being pixels 16q .. 16q + 7 in the first vector (A) and
// 16q + 8 .. 16q + 15 in the second (B). A step's channels are laid out as the byte unpacks of its pixels leave them:
// quarter q of the low unpack holds pixels 4q and 4q + 1 (four channel words each), of the high unpack 4q + 2 and
// 4q + 3. Lo[k] and Hi[k] pick, for step k of the block, each channel word's pixel from A (indices 0 .. 31) or B.
struct TWeightIndex {
  alignas(64) uint16_t Lo[4][32];
  alignas(64) uint16_t Hi[4][32];
};

constexpr TWeightIndex MakeWeightIndex() {
  TWeightIndex t{};
  auto word_of = [](int p) { return p % 16 < 8 ? 8 * (p / 16) + p % 16 : 32 + 8 * (p / 16) + p % 16 - 8; };
  for (int k = 0; k < 4; ++k)
    for (int w = 0; w < 32; ++w) {
      const int pixel = 16 * k + 4 * (w / 8) + (w % 8) / 4;
      t.Lo[k][w] = static_cast<uint16_t>(word_of(pixel));
      t.Hi[k][w] = static_cast<uint16_t>(word_of(pixel + 2));
    }
  return t;
}

constexpr TWeightIndex kWeightIndex = MakeWeightIndex();

// The blend of one step: ((d & M) * (255 - a) + (s & M) * a) >> 8 per channel M, the reserved byte cleared. With
// their top bits flipped, d and s are the signed bytes d - 128 and s - 128, and the multiply-add of unsigned by
// signed bytes gives (d - 128) * (255 - a) + (s - 128) * a, within +-128 * 255 so never saturated; adding
// 128 * 255 makes it d * (255 - a) + s * a, which fits 16 unsigned bits. Its high byte is the blended channel; the
// pack of the two halves' high bytes undoes the unpacks.
inline __m512i Blend(__m512i d, __m512i s, __m512i wa, __m512i wb, int step, __mmask64 rgb) {
  const __m512i flip = _mm512_set1_epi8(static_cast<char>(0x80)), bias = _mm512_set1_epi16(128 * 255);
  const __m512i df = _mm512_xor_si512(d, flip), sf = _mm512_xor_si512(s, flip);
  const __m512i wlo = _mm512_permutex2var_epi16(wa, _mm512_load_si512(kWeightIndex.Lo[step]), wb);
  const __m512i whi = _mm512_permutex2var_epi16(wa, _mm512_load_si512(kWeightIndex.Hi[step]), wb);
  const __m512i lo = _mm512_add_epi16(_mm512_maddubs_epi16(wlo, _mm512_unpacklo_epi8(df, sf)), bias);
  const __m512i hi = _mm512_add_epi16(_mm512_maddubs_epi16(whi, _mm512_unpackhi_epi8(df, sf)), bias);
  return _mm512_maskz_packus_epi16(rgb, _mm512_srli_epi16(lo, 8), _mm512_srli_epi16(hi, 8));
}

void Mask32(void* dv, const void* sv, const uint8_t* m, int n, const TKernelParams&) {
  auto* d = static_cast<uint32_t*>(dv);
  auto* s = static_cast<const uint32_t*>(sv);
  const __mmask64 rgb = 0x7777777777777777;  // the channel bytes of each pixel
  const __m128i full = _mm_set1_epi8(static_cast<char>(0xFF));
  if (n <= 0) return;
  // Sixteen pixels (fewer at the ends of the run: `live`) with mask bytes mm: the covered ones (255) take the source,
  // the soft ones the blend, the uncovered ones (0) are not stored.
  auto blend = [&](uint32_t* dp, __m128i mm, __m512i x, __m512i y, __m512i wa, __m512i wb, int step) {
    const __m512i r = _mm512_mask_mov_epi32(Blend(y, x, wa, wb, step, rgb), _mm_cmpeq_epi8_mask(mm, full), x);
    _mm512_mask_storeu_epi32(dp, _mm_test_epi8_mask(mm, mm), r);
  };
  auto weights = [](__m512i mask, __m512i& wa, __m512i& wb) {
    const __m512i inverse = _mm512_ternarylogic_epi32(mask, mask, mask, 0x55);
    wa = _mm512_unpacklo_epi8(inverse, mask);
    wb = _mm512_unpackhi_epi8(inverse, mask);
  };
  auto step = [&](uint32_t* dp, const uint32_t* sp, const uint8_t* mp, __mmask16 live) {
    const __m512i mask = _mm512_maskz_loadu_epi8(live, mp);  // 0 past the end: not stored
    __m512i wa, wb;
    weights(mask, wa, wb);
    blend(dp, _mm512_castsi512_si128(mask), _mm512_maskz_loadu_epi32(live, sp), _mm512_maskz_loadu_epi32(live, dp), wa,
          wb, 0);
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
    __m512i wa, wb;
    weights(mask, wa, wb);
#pragma GCC unroll 4
    for (int q = 0; q < 4; ++q) {
      uint32_t* dp = d + i + 16 * q;
      blend(dp, _mm_loadu_si128(reinterpret_cast<const __m128i*>(m + i + 16 * q)), _mm512_loadu_si512(s + i + 16 * q),
            _mm512_loadu_si512(dp), wa, wb, q);
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
