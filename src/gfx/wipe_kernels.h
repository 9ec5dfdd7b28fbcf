#pragma once
// Point kernels of the transitions that resample a picture pixel by pixel: the ripple's ring and the squeezed
// columns of the vertical twist. The scalar kernels state the formulas; the AVX-512 ones give exactly the same
// pixels and are chosen with the row kernels (the widest set the processor offers; VELK_SCALAR=1 forces the
// scalar ones). Only 32-bit pixels have SIMD kernels; 15 and 16-bit screens always take the scalar ones.
#include <cstddef>
#include <cstdint>

namespace velk {

// n pixels of one row of the ripple's ring, all in one quadrant of the screen. The quadrant tables hold, per pixel
// of the top-left quadrant, its distance to the centre and its direction (cos and sin x 65536); the other quadrants
// read them mirrored.
struct TRippleRun {
  void* Dest;               // the first pixel of the run in the destination
  const void* Fallback;     // the pixel at the same place in the new picture, shown where the sample leaves it
  const uint8_t* Source;    // row 0 of the new picture
  ptrdiff_t Pitch;          // of the new picture, in bytes
  const int32_t* Distance;  // the quadrant entries of the first pixel
  const int32_t* Cos;
  const int32_t* Sin;
  bool Backward;         // the entries run backwards as x grows (the right half of the screen)
  const int32_t* Waves;  // the wave table; a pixel at distance d takes entry d + Shift
  int32_t Shift;
  int32_t Cx, Cy, W, H;
  bool FlipX, FlipY;  // the sample is mirrored into the right (lower) half
  // Every sample offset and source index fits 32 bits: (distance + wave) x 65536 and H x pitch. The SIMD kernel
  // needs it and takes the scalar path otherwise.
  bool Narrow;
  int32_t N;
};

// Each pixel: r = d + Waves[d + Shift]; the sample (Cx + r x cos / 65536, Cy + r x sin / 65536), divisions truncating,
// mirrored as the run says; the new picture there, or Fallback's pixel when it lies outside W x H.
template <class P> void RippleRunScalar(const TRippleRun& r) {
  P* d = static_cast<P*>(r.Dest);
  const P* fallback = static_cast<const P*>(r.Fallback);
  const ptrdiff_t step = r.Backward ? -1 : 1;
  const int32_t *distance = r.Distance, *cosine = r.Cos, *sine = r.Sin;
  for (int32_t i = 0; i < r.N; ++i, distance += step, cosine += step, sine += step) {
    const int64_t dist = *distance;
    const int64_t radius = dist + r.Waves[dist + r.Shift];
    int64_t sx = r.Cx + radius * *cosine / 65536, sy = r.Cy + radius * *sine / 65536;
    if (r.FlipX) sx = r.W - 1 - sx;
    if (r.FlipY) sy = r.H - 1 - sy;
    if (sx >= 0 && sx < r.W && sy >= 0 && sy < r.H)
      d[i] = reinterpret_cast<const P*>(r.Source + sy * r.Pitch)[sx];
    else
      d[i] = fallback[i];
  }
}

using TRippleKernel = void (*)(const TRippleRun& run);

struct TWipeKernels {
  const char* Name;
  TRippleKernel Ripple32;
};

const TWipeKernels& ScalarWipeKernels();
// Null when the processor lacks AVX-512 (foundation, byte/word and doubleword/quadword instructions).
const TWipeKernels* Avx512WipeKernels();
// The AVX-512 kernels when the row kernels are the AVX-512 ones, else the scalar kernels.
const TWipeKernels& ActiveWipeKernels();

}  // namespace velk
