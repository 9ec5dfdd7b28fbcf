#include "gfx/turn_rows.h"

#include <immintrin.h>

#include <cstring>
#include <type_traits>

#include "gfx/blend_kernels.h"

// GCC's own AVX-512 headers start many operations from an undefined register and then warn about it.
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

namespace velk {
namespace {

bool FitsLane(int64_t x) { return x >= INT32_MIN && x <= INT32_MAX; }

// Whether every offset of the walk (and each step of sixteen samples) fits a 32-bit lane.
bool FitsLanes(const TTurnWalk& w, int64_t u, int64_t v, int32_t count) {
  const int64_t last = count - 1;
  return w.Pitch % 4 == 0 && int64_t{w.Lines} * (w.Pitch / 4) <= INT32_MAX && FitsLane(u) && FitsLane(v) &&
         FitsLane(u + last * w.DuDx) && FitsLane(v + last * w.DvDx) && FitsLane(16 * w.DuDx) && FitsLane(16 * w.DvDx) &&
         FitsLane(w.ColBase) && FitsLane(w.LineBase);
}

// The lanes' sums wrap, as two's complement does; for the samples of the walk they stay in range, so they are the
// exact values (the lanes past the end of the walk are neither fetched nor stored).
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx512f"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx512f")
#endif
template <bool kMirrorCols, bool kMirrorLines>
void TurnAvx512(uint32_t* out, const TTurnWalk& w, int64_t u, int64_t v, int32_t count) {
  const __m512i lane = _mm512_set_epi32(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
  const auto du = static_cast<int32_t>(w.DuDx), dv = static_cast<int32_t>(w.DvDx);
  __m512i U =
      _mm512_add_epi32(_mm512_set1_epi32(static_cast<int32_t>(u)), _mm512_mullo_epi32(lane, _mm512_set1_epi32(du)));
  __m512i V =
      _mm512_add_epi32(_mm512_set1_epi32(static_cast<int32_t>(v)), _mm512_mullo_epi32(lane, _mm512_set1_epi32(dv)));
  const __m512i step_u = _mm512_set1_epi32(16 * du), step_v = _mm512_set1_epi32(16 * dv);
  const __m512i col_base = _mm512_set1_epi32(static_cast<int32_t>(w.ColBase));
  const __m512i line_base = _mm512_set1_epi32(static_cast<int32_t>(w.LineBase));
  const __m512i pitch = _mm512_set1_epi32(static_cast<int32_t>(w.Pitch / 4));
  auto offsets = [&] {
    const __m512i cu = _mm512_srai_epi32(U, 16), cv = _mm512_srai_epi32(V, 16);
    const __m512i col = kMirrorCols ? _mm512_sub_epi32(col_base, cu) : _mm512_add_epi32(col_base, cu);
    const __m512i line = kMirrorLines ? _mm512_sub_epi32(line_base, cv) : _mm512_add_epi32(line_base, cv);
    return _mm512_add_epi32(_mm512_mullo_epi32(line, pitch), col);
  };
  int32_t k = 0;
  for (; k + 16 <= count; k += 16) {
    _mm512_storeu_si512(out + k, _mm512_i32gather_epi32(offsets(), w.Origin, 4));
    U = _mm512_add_epi32(U, step_u);
    V = _mm512_add_epi32(V, step_v);
  }
  if (k < count) {
    const auto live = static_cast<__mmask16>((1u << (count - k)) - 1);
    const __m512i x = _mm512_mask_i32gather_epi32(_mm512_setzero_si512(), live, offsets(), w.Origin, 4);
    _mm512_mask_storeu_epi32(out + k, live, x);
  }
}
#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

}  // namespace

bool TurnRowsAreWide() {
  static const bool wide = &ActiveKernels() != &ScalarKernels() && __builtin_cpu_supports("avx512f");
  return wide;
}

void TurnRow32(uint32_t* out, const TTurnWalk& w, int64_t u, int64_t v, int32_t count) {
  if (count <= 0) return;
  if (!TurnRowsAreWide() || !FitsLanes(w, u, v, count) || (w.ColStep != 1 && w.ColStep != -1) ||
      (w.LineStep != 1 && w.LineStep != -1)) {
    TurnRow32Scalar(out, w, u, v, count);
    return;
  }
  const bool mc = w.ColStep < 0, ml = w.LineStep < 0;
  if (mc)
    ml ? TurnAvx512<true, true>(out, w, u, v, count) : TurnAvx512<true, false>(out, w, u, v, count);
  else
    ml ? TurnAvx512<false, true>(out, w, u, v, count) : TurnAvx512<false, false>(out, w, u, v, count);
}

void TurnRow32Scalar(uint32_t* out, const TTurnWalk& w, int64_t u, int64_t v, int32_t count) {
  for (int32_t k = 0; k < count; ++k, u += w.DuDx, v += w.DvDx) {
    const ptrdiff_t col = w.ColBase + w.ColStep * (u >> 16), line = w.LineBase + w.LineStep * (v >> 16);
    std::memcpy(out + k, w.Origin + line * w.Pitch + col * 4, 4);
  }
}

}  // namespace velk
