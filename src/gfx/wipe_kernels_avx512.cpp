// AVX-512 point kernels of the transitions: sixteen pixels at a time, the table entries and the samples fetched
// with gathers. The target is switched for this file only, so the core still builds for any x86-64.
#include <cstdint>
#include <type_traits>

#include "gfx/wipe_kernels.h"

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx512f,avx512bw,avx512dq"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx512f,avx512bw,avx512dq")
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
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

void Twist32(const TTwistRun& r) {
  if (!r.Narrow) {
    TwistRunScalar<uint32_t>(r);
    return;
  }
  auto* d = static_cast<uint32_t*>(r.Dest);
  const __m512i y = Set(r.Y), old_pitch = Set(static_cast<int32_t>(r.OldPitch / 4)),
                new_pitch = Set(static_cast<int32_t>(r.NewPitch / 4));
  const __m512i lane = _mm512_set_epi32(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
  for (int32_t i = 0; i < r.N; i += 16) {
    const __mmask16 lanes = FirstLanes(r.N - i);
    const __m512i k = _mm512_sub_epi32(y, _mm512_maskz_loadu_epi32(lanes, r.From + i));
    const __mmask16 inside = _mm512_mask_cmplt_epu32_mask(lanes, k, _mm512_maskz_loadu_epi32(lanes, r.Wide + i));
    // (k x step) >> 16 as k x whole + (k x fraction) >> 16: both products fit 32 bits for columns this short.
    const __m512i row = _mm512_add_epi32(
        _mm512_mullo_epi32(k, _mm512_maskz_loadu_epi32(lanes, r.StepWhole + i)),
        _mm512_srli_epi32(_mm512_mullo_epi32(k, _mm512_maskz_loadu_epi32(lanes, r.StepFraction + i)), 16));
    const __m512i flag = _mm512_maskz_loadu_epi32(lanes, r.FromNew + i);
    const __mmask16 from_new = _mm512_test_epi32_mask(flag, flag);
    const __m512i column = _mm512_add_epi32(lane, Set(i));
    __m512i px = _mm512_setzero_si512();
    if (inside & ~from_new)
      px = _mm512_mask_i32gather_epi32(px, inside & ~from_new,
                                       _mm512_add_epi32(_mm512_mullo_epi32(row, old_pitch), column), r.Old, 4);
    if (inside & from_new)
      px = _mm512_mask_i32gather_epi32(px, inside & from_new,
                                       _mm512_add_epi32(_mm512_mullo_epi32(row, new_pitch), column), r.New, 4);
    _mm512_mask_storeu_epi32(d + i, lanes, px);
  }
}

// Blend(o, n, a) of sixteen pixels with the multiply-add of unsigned bytes by signed ones: the bytes of o and n
// are interleaved and weighted in one step. o x (255 - a) + n x a is 256 x o + (n x a - o x (a + 1)), and also
// 256 x n + (o x (255 - a) - n x (256 - a)); the first form has weights that fit signed bytes for a < 128, the
// second for a >= 128, and the bracket fits 16 bits either way. In both the weight bytes are 255 - a and a; read
// as signed they are the two forms' weights. The bracket shifted by 8 (arithmetically) is a signed byte that,
// added to o (a < 128) or n, gives the blended byte. weights_lo and weights_hi hold the pair (255 - a, a) for
// each byte of the pixels that unpacking puts in the low and high halves of each 128-bit quarter; the reserved
// byte is cleared at the end as in the scalar formula.
__m512i Blend(__m512i o, __m512i n, __m512i weights_lo, __m512i weights_hi, __m512i base) {
  const __m512i lo = _mm512_srai_epi16(_mm512_maddubs_epi16(_mm512_unpacklo_epi8(o, n), weights_lo), 8);
  const __m512i hi = _mm512_srai_epi16(_mm512_maddubs_epi16(_mm512_unpackhi_epi8(o, n), weights_hi), 8);
  return _mm512_and_si512(_mm512_add_epi8(base, _mm512_packs_epi16(lo, hi)), Set(0x00FFFFFF));
}
// The weight pair of alpha a in both 16-bit halves of a 32-bit lane.
__m512i WeightPairs(__m512i a) {
  const __m512i pair = _mm512_or_si512(_mm512_xor_si512(a, Set(255)), _mm512_slli_epi32(a, 8));
  return _mm512_or_si512(pair, _mm512_slli_epi32(pair, 16));
}

// Sixteen pixels, or the first `lanes` of them at the end of a row: full registers take plain loads and stores,
// which are faster than masked ones.
template <class Fn> void ForRegisters(int32_t count, Fn fn) {
  int32_t i = 0;
  for (; i + 16 <= count; i += 16) fn(i, std::true_type{}, static_cast<__mmask16>(0xFFFF));
  if (i < count) fn(i, std::false_type{}, FirstLanes(count - i));
}
template <bool kFull> __m512i LoadPixels(const uint32_t* p, __mmask16 lanes) {
  if constexpr (kFull) return _mm512_loadu_si512(p);
  return _mm512_maskz_loadu_epi32(lanes, p);
}
template <bool kFull> void StorePixels(uint32_t* p, __mmask16 lanes, __m512i v) {
  if constexpr (kFull)
    _mm512_storeu_si512(p, v);
  else
    _mm512_mask_storeu_epi32(p, lanes, v);
}
template <bool kFull> __m512i LoadMaskBytes(const uint8_t* m, __mmask16 lanes) {
  if constexpr (kFull) return _mm512_cvtepu8_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(m)));
  return _mm512_cvtepu8_epi32(_mm512_castsi512_si128(_mm512_maskz_loadu_epi8(lanes, m)));
}

void Fade32(uint32_t* d, const uint32_t* o, const uint32_t* n, int32_t count, uint32_t alpha) {
  const __m512i weights = WeightPairs(Set(static_cast<int32_t>(alpha)));
  const bool from_new = alpha >= 128;
  ForRegisters(count, [&](int32_t i, auto full, __mmask16 lanes) {
    constexpr bool kFull = decltype(full)::value;
    const __m512i x = LoadPixels<kFull>(o + i, lanes), y = LoadPixels<kFull>(n + i, lanes);
    const __m512i mixed = Blend(x, y, weights, weights, from_new ? y : x);
    StorePixels<kFull>(d + i, lanes, _mm512_mask_blend_epi32(_mm512_cmpeq_epi32_mask(x, y), mixed, x));
  });
}

// The mask mix with the mask bytes of each register given by mask(i, full register, lanes).
template <class MaskFn> void MixWith(uint32_t* d, const uint32_t* o, const uint32_t* n, int32_t count, MaskFn mask) {
  const __m512i full = Set(255);
  ForRegisters(count, [&](int32_t i, auto full_register, __mmask16 lanes) {
    constexpr bool kFull = decltype(full_register)::value;
    const __m512i mm = mask(i, full_register, lanes);
    const __mmask16 none = _mm512_testn_epi32_mask(mm, mm) & lanes, whole = _mm512_cmpeq_epi32_mask(mm, full) & lanes;
    // Registers wholly old or wholly new read one picture only.
    if (none == lanes) return StorePixels<kFull>(d + i, lanes, LoadPixels<kFull>(o + i, lanes));
    if (whole == lanes) return StorePixels<kFull>(d + i, lanes, LoadPixels<kFull>(n + i, lanes));
    const __m512i x = LoadPixels<kFull>(o + i, lanes), y = LoadPixels<kFull>(n + i, lanes);
    // A register of 0s and 255s only (a dither, the edges of blocks) needs no blend.
    if ((none | whole) == lanes) return StorePixels<kFull>(d + i, lanes, _mm512_mask_blend_epi32(whole, x, y));
    const __m512i weights = WeightPairs(mm);
    const __m512i base = _mm512_mask_blend_epi32(_mm512_cmpge_epu32_mask(mm, Set(128)), x, y);
    const __m512i r =
        Blend(x, y, _mm512_unpacklo_epi32(weights, weights), _mm512_unpackhi_epi32(weights, weights), base);
    StorePixels<kFull>(d + i, lanes, _mm512_mask_blend_epi32(whole, _mm512_mask_blend_epi32(none, r, x), y));
  });
}

void Mix32(uint32_t* d, const uint32_t* o, const uint32_t* n, const uint8_t* m, int32_t count) {
  MixWith(d, o, n, count, [m](int32_t i, auto full_register, __mmask16 lanes) {
    return LoadMaskBytes<decltype(full_register)::value>(m + i, lanes);
  });
}

// The mask bytes made on the way: a saturating add of the shift to the greys, or a saturating subtraction of its
// negation.
void LevelMix32(uint32_t* d, const uint32_t* o, const uint32_t* n, const uint8_t* g, int32_t count, int32_t shift) {
  const __m128i amount = _mm_set1_epi8(static_cast<char>(shift < 0 ? -shift : shift));
  const bool lower = shift < 0;
  MixWith(d, o, n, count, [&](int32_t i, auto full_register, __mmask16 lanes) {
    const __m128i v = decltype(full_register)::value
                          ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(g + i))
                          : _mm512_castsi512_si128(_mm512_maskz_loadu_epi8(lanes, g + i));
    return _mm512_cvtepu8_epi32(lower ? _mm_subs_epu8(v, amount) : _mm_adds_epu8(v, amount));
  });
}

// Sixty-four bytes at a time: a saturating add of the shift, or a saturating subtraction of its negation.
void Level(uint8_t* m, const uint8_t* g, int32_t count, int32_t shift) {
  const __m512i amount = _mm512_set1_epi8(static_cast<char>(shift < 0 ? -shift : shift));
  for (int32_t i = 0; i < count; i += 64) {
    const int32_t left = count - i;
    const __mmask64 lanes = left >= 64 ? ~__mmask64{0} : (__mmask64{1} << left) - 1;
    const __m512i v = _mm512_maskz_loadu_epi8(lanes, g + i);
    _mm512_mask_storeu_epi8(m + i, lanes, shift < 0 ? _mm512_subs_epu8(v, amount) : _mm512_adds_epu8(v, amount));
  }
}

// Sixteen pixels at a time: each picture is read only in the lanes that show it.
void Flash32(uint32_t* d, const uint32_t* o, const uint32_t* n, const uint8_t* g, int32_t count, int32_t shift,
             bool subtract) {
  const __m512i amount = Set(shift), top = Set(511), half = Set(255), rgb = Set(0x00FFFFFF),
                spread = Set(0x00010101);
  ForRegisters(count, [&](int32_t i, auto full, __mmask16 lanes) {
    constexpr bool kFull = decltype(full)::value;
    const __m512i l = _mm512_min_epi32(
        _mm512_max_epi32(_mm512_add_epi32(LoadMaskBytes<kFull>(g + i, lanes), amount), _mm512_setzero_si512()), top);
    const __mmask16 from_new = _mm512_cmpgt_epi32_mask(l, half) & lanes;
    const __mmask16 from_old = static_cast<__mmask16>(~from_new & lanes);
    __m512i pixel = _mm512_setzero_si512();
    if (from_old) pixel = kFull && from_old == lanes ? _mm512_loadu_si512(o + i) : _mm512_mask_loadu_epi32(pixel, from_old, o + i);
    if (from_new) pixel = kFull && from_new == lanes ? _mm512_loadu_si512(n + i) : _mm512_mask_loadu_epi32(pixel, from_new, n + i);
    const __m512i grey = _mm512_mullo_epi32(_mm512_mask_sub_epi32(l, from_new, top, l), spread);
    const __m512i out = subtract ? _mm512_subs_epu8(pixel, grey) : _mm512_adds_epu8(pixel, grey);
    StorePixels<kFull>(d + i, lanes, _mm512_and_si512(out, rgb));
  });
}

}  // namespace

void FillAvx512WipeKernels(TWipeKernels& k) {
  k.Ripple32 = Ripple32;
  k.Twist32 = Twist32;
  k.Fade32 = Fade32;
  k.Mix32 = Mix32;
  k.Level = Level;
  k.Flash32 = Flash32;
  k.LevelMix32 = LevelMix32;
}

}  // namespace velk

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC diagnostic pop
#pragma GCC pop_options
#endif
