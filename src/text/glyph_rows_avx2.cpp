// The AVX2 glyph row kernel. The target is switched for this file only, so the core still builds for any x86-64.
#include <algorithm>
#include <cstring>

#include "text/glyph_rows.h"

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

#include <immintrin.h>

namespace velk {

// Eight pixels a step; a step without coverage touches nothing. Channels are mixed in 16-bit lanes:
// value * m + d * (256 - m) never exceeds 255 * 256, so the sum cannot wrap.
void PaintGlyphRowAvx2(uint8_t* color, uint8_t* mask, const uint8_t* coverage, int n, const TGlyphRowParams& p) {
  if (p.Bits != 32 || !(p.Masks == kMasks888)) return PaintGlyphRowScalar(color, mask, coverage, n, p);
  const __m256i zero = _mm256_setzero_si256();
  const __m256i value = _mm256_set1_epi32(static_cast<int>(p.Value));
  const __m256i value16 = _mm256_unpacklo_epi8(value, zero);
  const __m256i channels = _mm256_set1_epi32(0x00FFFFFF);
  const __m256i k256 = _mm256_set1_epi16(256);
  const __m256i k255 = _mm256_set1_epi32(255);
  const bool solid = !p.Blended, full_mask = p.Framed || !p.Blended;
  for (int i = 0; i < n; i += 8) {
    // The last step of a run shorter than eight reads and writes only the run's pixels.
    const int count = std::min(8, n - i);
    uint64_t bytes = 0;
    std::memcpy(&bytes, coverage + i, static_cast<size_t>(count));
    if (bytes == 0) continue;
    const __m128i m8 = _mm_cvtsi64_si128(static_cast<long long>(bytes));
    const __m128i none8 = _mm_cmpeq_epi8(m8, _mm_setzero_si128());
    const __m128i covered = full_mask ? _mm_andnot_si128(none8, _mm_set1_epi8(-1)) : m8;
    uint64_t old_mask = 0, new_mask = 0;
    std::memcpy(&old_mask, mask + i, static_cast<size_t>(count));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(&new_mask),
                     _mm_max_epu8(_mm_cvtsi64_si128(static_cast<long long>(old_mask)), covered));
    std::memcpy(mask + i, &new_mask, static_cast<size_t>(count));

    int* crow = reinterpret_cast<int*>(color + 4 * i);
    const __m256i lanes = _mm256_cmpgt_epi32(_mm256_set1_epi32(count), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
    const __m256i d = _mm256_maskload_epi32(crow, lanes);
    const __m256i m32 = _mm256_cvtepu8_epi32(m8);
    const __m256i none = _mm256_cmpeq_epi32(m32, zero);
    __m256i out;
    if (solid) {
      out = _mm256_blendv_epi8(value, d, none);
    } else {
      const __m256i m16 = _mm256_or_si256(m32, _mm256_slli_epi32(m32, 16));
      const __m256i mlo = _mm256_unpacklo_epi32(m16, m16), mhi = _mm256_unpackhi_epi32(m16, m16);
      const __m256i dlo = _mm256_unpacklo_epi8(d, zero), dhi = _mm256_unpackhi_epi8(d, zero);
      const __m256i lo = _mm256_srli_epi16(
          _mm256_add_epi16(_mm256_mullo_epi16(value16, mlo), _mm256_mullo_epi16(dlo, _mm256_sub_epi16(k256, mlo))), 8);
      const __m256i hi = _mm256_srli_epi16(
          _mm256_add_epi16(_mm256_mullo_epi16(value16, mhi), _mm256_mullo_epi16(dhi, _mm256_sub_epi16(k256, mhi))), 8);
      const __m256i mix = _mm256_and_si256(_mm256_packus_epi16(lo, hi), channels);
      out = _mm256_blendv_epi8(mix, value, _mm256_cmpeq_epi32(m32, k255));
      out = _mm256_blendv_epi8(out, d, none);
    }
    _mm256_maskstore_epi32(crow, lanes, out);
  }
}

}  // namespace velk

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
