#pragma once
// The mixing kernel of the wave output: one source's samples, scaled by its volume, are added to the block with
// 16-bit saturation. The scalar kernel states the formula; the SSE2 and AVX2 kernels give exactly the same samples
// and are chosen at run time from what the processor offers. VELK_SCALAR=1 in the environment forces the scalar
// kernel.
#include <cstddef>
#include <cstdint>

namespace velk {

// Volumes of 255 and above leave the samples as they are.
constexpr int32_t kWavFullVolume = 255;

// A sample at a volume below full: (s * volume) >> 8, an arithmetic shift with a 16-bit result.
inline int16_t ScaleWavSample(int16_t s, int32_t volume) {
  return static_cast<int16_t>((static_cast<int32_t>(s) * volume) >> 8);
}

// The sum of two samples held to -32768 .. 32767.
inline int16_t AddWavSamples(int16_t a, int16_t b) {
  int32_t sum = static_cast<int32_t>(a) + b;
  if (sum > 32767) return 32767;
  if (sum < -32768) return -32768;
  return static_cast<int16_t>(sum);
}

// Adds n samples of src, scaled when volume < kWavFullVolume, to dst with saturation. volume is 0 .. 256.
using TWavMixKernel = void (*)(int16_t* dst, const int16_t* src, size_t n, int32_t volume);

struct TWavMixKernels {
  const char* Name;
  TWavMixKernel Mix;
};

const TWavMixKernels& ScalarWavMix();
// The SIMD kernels, or null when the processor lacks the instructions.
const TWavMixKernels* Sse2WavMix();
const TWavMixKernels* Avx2WavMix();
// The kernel the wave output uses: the widest the processor supports, unless VELK_SCALAR=1.
const TWavMixKernels& ActiveWavMix();

}  // namespace velk
