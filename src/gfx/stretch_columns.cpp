#include "gfx/stretch_columns.h"

#include <immintrin.h>

#include "gfx/blend_kernels.h"

// GCC's own AVX-512 headers start many operations from an undefined register and then warn about it.
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

namespace velk {
namespace {

// Sixteen destination pixels from eight source pixels per step; the ends by masked loads and stores.
__attribute__((target("avx512f"))) void DoubleAvx512(uint32_t* out, const uint32_t* src, int32_t n) {
  const __m512i twice = _mm512_set_epi32(7, 7, 6, 6, 5, 5, 4, 4, 3, 3, 2, 2, 1, 1, 0, 0);
  int32_t k = 0;
  for (; k + 16 <= n; k += 16) {
    const __m512i v = _mm512_zextsi256_si512(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + k / 2)));
    _mm512_storeu_si512(out + k, _mm512_permutexvar_epi32(twice, v));
  }
  if (k < n) {
    const int32_t left = n - k;  // 1 .. 15 destination pixels from (left + 1) / 2 source pixels
    const auto load = static_cast<__mmask16>((1u << ((left + 1) / 2)) - 1);
    const __m512i v = _mm512_maskz_loadu_epi32(load, src + k / 2);
    _mm512_mask_storeu_epi32(out + k, static_cast<__mmask16>((1u << left) - 1), _mm512_permutexvar_epi32(twice, v));
  }
}

using TDoubleFn = void (*)(uint32_t*, const uint32_t*, int32_t);

TDoubleFn ChooseDouble() {
  // The kernels' choice holds here too: the plain loop when the scalar set is forced.
  if (&ActiveKernels() != &ScalarKernels() && __builtin_cpu_supports("avx512f")) return DoubleAvx512;
  return [](uint32_t* out, const uint32_t* src, int32_t n) { DoubleColumns32Scalar(out, src, n, 0); };
}

}  // namespace

TDoubledColumns FindDoubledColumns(const std::vector<int32_t>& index) {
  TDoubledColumns r;
  if (index.size() < 2 || index[0] < 0) return r;
  r.Phase = index[1] == index[0] ? 0 : 1;
  r.First = index[0];
  for (size_t k = 0; k < index.size(); ++k)
    if (index[k] != r.First + static_cast<int32_t>((k + static_cast<size_t>(r.Phase)) / 2)) return r;
  r.Doubled = true;
  return r;
}

void DoubleColumns32(uint32_t* out, const uint32_t* src, int32_t n, int phase) {
  static const TDoubleFn fn = ChooseDouble();
  if (n <= 0) return;
  if (phase == 1) {  // the second of a pair, then whole pairs from the next column on
    out[0] = src[0];
    ++out, ++src, --n;
  }
  fn(out, src, n);
}

void DoubleColumns32Scalar(uint32_t* out, const uint32_t* src, int32_t n, int phase) {
  for (int32_t k = 0; k < n; ++k) out[k] = src[(k + phase) / 2];
}

}  // namespace velk
