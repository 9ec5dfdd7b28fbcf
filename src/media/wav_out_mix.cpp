#include "media/wav_out_mix.h"

#include <cstdlib>
#include <cstring>

namespace velk {
namespace {

void MixScalar(int16_t* dst, const int16_t* src, size_t n, int32_t volume) {
  if (volume < kWavFullVolume) {
    for (size_t i = 0; i < n; ++i) dst[i] = AddWavSamples(dst[i], ScaleWavSample(src[i], volume));
  } else {
    for (size_t i = 0; i < n; ++i) dst[i] = AddWavSamples(dst[i], src[i]);
  }
}

bool ScalarForced() {
  const char* v = std::getenv("VELK_SCALAR");
  return v != nullptr && std::strcmp(v, "1") == 0;
}

}  // namespace

// Defined by the SIMD kernel files.
void MixWavSse2(int16_t* dst, const int16_t* src, size_t n, int32_t volume);
void MixWavAvx2(int16_t* dst, const int16_t* src, size_t n, int32_t volume);

// The SIMD kernels finish a run that does not fill a register with the scalar one.
void MixWavTail(int16_t* dst, const int16_t* src, size_t n, int32_t volume) { MixScalar(dst, src, n, volume); }

const TWavMixKernels& ScalarWavMix() {
  static const TWavMixKernels k{"scalar", MixScalar};
  return k;
}

const TWavMixKernels* Sse2WavMix() {
  static const TWavMixKernels k{"sse2", MixWavSse2};
  return __builtin_cpu_supports("sse2") ? &k : nullptr;
}

const TWavMixKernels* Avx2WavMix() {
  static const TWavMixKernels k{"avx2", MixWavAvx2};
  return __builtin_cpu_supports("avx2") ? &k : nullptr;
}

const TWavMixKernels& ActiveWavMix() {
  static const TWavMixKernels* k = [] {
    if (ScalarForced()) return &ScalarWavMix();
    if (const TWavMixKernels* a = Avx2WavMix()) return a;
    if (const TWavMixKernels* s = Sse2WavMix()) return s;
    return &ScalarWavMix();
  }();
  return *k;
}

}  // namespace velk
