// The AVX2 glyph row kernel. The target is switched for this file only, so the core still builds for any x86-64.
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
namespace {

struct TAvx2Paint {
  __m256i Value, Value16, Channels, K256, K255;
  bool Solid, FullMask;
  explicit TAvx2Paint(const TGlyphRowParams& p)
      : Value(_mm256_set1_epi32(static_cast<int>(p.Value))),
        Value16(_mm256_unpacklo_epi8(Value, _mm256_setzero_si256())), Channels(_mm256_set1_epi32(0x00FFFFFF)),
        K256(_mm256_set1_epi16(256)), K255(_mm256_set1_epi32(255)), Solid(!p.Blended),
        FullMask(p.Framed || !p.Blended) {}

  // Eight pixels: coverage and mask bytes in the low half of a register, colours d; answers the new mask bytes
  // and sets d to the new colours.
  __m128i Step(__m128i m8, __m128i mask8, __m256i& d) const {
    const __m256i zero = _mm256_setzero_si256();
    const __m128i none8 = _mm_cmpeq_epi8(m8, _mm_setzero_si128());
    const __m128i covered = FullMask ? _mm_andnot_si128(none8, _mm_set1_epi8(-1)) : m8;
    const __m256i m32 = _mm256_cvtepu8_epi32(m8);
    const __m256i none = _mm256_cmpeq_epi32(m32, zero);
    if (Solid) {
      d = _mm256_blendv_epi8(Value, d, none);
    } else {
      // Channels are mixed in 16-bit lanes: value * m + d * (256 - m) never exceeds 255 * 256, so it cannot wrap.
      const __m256i m16 = _mm256_or_si256(m32, _mm256_slli_epi32(m32, 16));
      const __m256i mlo = _mm256_unpacklo_epi32(m16, m16), mhi = _mm256_unpackhi_epi32(m16, m16);
      const __m256i dlo = _mm256_unpacklo_epi8(d, zero), dhi = _mm256_unpackhi_epi8(d, zero);
      const __m256i lo = _mm256_srli_epi16(
          _mm256_add_epi16(_mm256_mullo_epi16(Value16, mlo), _mm256_mullo_epi16(dlo, _mm256_sub_epi16(K256, mlo))), 8);
      const __m256i hi = _mm256_srli_epi16(
          _mm256_add_epi16(_mm256_mullo_epi16(Value16, mhi), _mm256_mullo_epi16(dhi, _mm256_sub_epi16(K256, mhi))), 8);
      const __m256i mix = _mm256_and_si256(_mm256_packus_epi16(lo, hi), Channels);
      d = _mm256_blendv_epi8(_mm256_blendv_epi8(mix, Value, _mm256_cmpeq_epi32(m32, K255)), d, none);
    }
    return _mm_max_epu8(mask8, covered);
  }
};

// The first count (< 8) bytes at p, in a register (gathered in registers: a narrow copy through memory would stall
// the wide load that follows it).
uint64_t LoadBytes(const uint8_t* p, int count) {
  uint64_t v = 0;
  for (int k = 0; k < count; ++k) v |= uint64_t{p[k]} << (8 * k);
  return v;
}

// Eight pixels a step; a step without coverage touches nothing. The last step of a run that is not a multiple of
// eight takes eight pixels when the rows have room for them (the pixels past the run have no coverage, so they are
// written back as they were), else only the run's pixels.
void PaintRow(uint8_t* color, uint8_t* mask, const uint8_t* coverage, int n, int room, const TAvx2Paint& paint) {
  for (int i = 0; i < n; i += 8) {
    const int count = n - i;
    uint64_t bytes;
    if (count >= 8) {
      std::memcpy(&bytes, coverage + i, 8);
    } else {
      bytes = LoadBytes(coverage + i, count);
    }
    if (bytes == 0) continue;
    const __m128i m8 = _mm_cvtsi64_si128(static_cast<long long>(bytes));
    if (count >= 8 || room - i >= 8) {
      auto* crow = reinterpret_cast<__m256i*>(color + 4 * i);
      auto* mrow = reinterpret_cast<__m128i*>(mask + i);
      __m256i d = _mm256_loadu_si256(crow);
      const __m128i m = paint.Step(m8, _mm_loadl_epi64(mrow), d);
      _mm256_storeu_si256(crow, d);
      _mm_storel_epi64(mrow, m);
      continue;
    }
    int* crow = reinterpret_cast<int*>(color + 4 * i);
    const __m256i lanes = _mm256_cmpgt_epi32(_mm256_set1_epi32(count), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
    __m256i d = _mm256_maskload_epi32(crow, lanes);
    const __m128i m = paint.Step(m8, _mm_cvtsi64_si128(static_cast<long long>(LoadBytes(mask + i, count))), d);
    _mm256_maskstore_epi32(crow, lanes, d);
    const auto out = static_cast<uint64_t>(_mm_cvtsi128_si64(m));
    for (int k = 0; k < count; ++k) mask[i + k] = static_cast<uint8_t>(out >> (8 * k));
  }
}

}  // namespace

void PaintGlyphRowAvx2(const TGlyphBlock& block, const TGlyphRowParams& p) {
  if (p.Bits != 32 || !(p.Masks == kMasks888)) return PaintGlyphRowScalar(block, p);
  const TAvx2Paint paint(p);
  for (int r = 0; r < block.Rows; ++r) {
    PaintRow(block.Color + r * block.ColorPitch, block.Mask + r * block.MaskPitch,
             block.Coverage + r * block.CoveragePitch, block.Width, block.Room, paint);
  }
}

}  // namespace velk

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
