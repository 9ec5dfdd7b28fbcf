#pragma once
// Pixel kernels of the transitions: the ripple's ring and the vertical twist's squeezed columns, which resample a
// picture point by point, and the one-pass mixes of the old and new pictures (the cross-fade and the mask mix). The
// scalar kernels state the formulas; the AVX-512 ones give exactly the same pixels and are chosen with the row kernels
// (the widest set the processor offers; VELK_SCALAR=1 forces the scalar ones). Only 32-bit pixels have SIMD kernels; 15
// and 16-bit screens always take the scalar ones.
#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace velk {

struct TRowKernels;

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

// Row Y of a run of N squeezed columns of the vertical twist. Column i samples row (k x step) >> 16 of its picture,
// k = Y - From[i], while k < Wide[i], and is black elsewhere; the step is a 16.16 value held as its whole and
// fraction parts, the picture the new one where FromNew[i] is not 0.
struct TTwistRun {
  void* Dest;          // the first column's pixel of the destination row
  const uint8_t* Old;  // the first column's pixel of row 0 in each picture
  const uint8_t* New;
  ptrdiff_t OldPitch, NewPitch;  // in bytes
  const int32_t* From;
  const uint32_t* Wide;
  const uint32_t* StepWhole;
  const uint32_t* StepFraction;
  const int32_t* FromNew;
  int32_t Y, N;
  // The columns are shorter than 65536 pixels and every source offset fits 32 bits: the SIMD kernel needs it and
  // takes the scalar path otherwise.
  bool Narrow;
};

template <class P> void TwistRunScalar(const TTwistRun& r) {
  P* d = static_cast<P*>(r.Dest);
  for (int32_t i = 0; i < r.N; ++i) {
    const auto k = static_cast<uint32_t>(r.Y - r.From[i]);
    if (k >= r.Wide[i]) {
      d[i] = 0;
      continue;
    }
    const int64_t step = int64_t{r.StepWhole[i]} << 16 | r.StepFraction[i];
    const int64_t row = (int64_t{k} * step) >> 16;
    const uint8_t* source = r.FromNew[i] ? r.New + row * r.NewPitch : r.Old + row * r.OldPitch;
    d[i] = reinterpret_cast<const P*>(source)[i];
  }
}

using TTwistKernel = void (*)(const TTwistRun& run);

// The mixes of the two pictures in one pass, for 32-bit pixels of 8-bit channels (masks 0xFF0000, 0xFF00, 0xFF):
// the destination pixel is computed from the old and the new one without a copy first. Blend(o, n, a) is the
// row kernels' formula, per channel ((o & M) x (255 - a) + (n & M) x a) >> 8; the reserved byte becomes 0.
// Fade: Blend(o, n, alpha) where the two differ, o where they are equal (alpha 1 .. 255).
using TFadeKernel = void (*)(uint32_t* d, const uint32_t* o, const uint32_t* n, int32_t count, uint32_t alpha);
// Mask: m = 0 gives o, m = 255 gives n, other values Blend(o, n, m).
using TMixKernel = void (*)(uint32_t* d, const uint32_t* o, const uint32_t* n, const uint8_t* m, int32_t count);

inline uint32_t BlendRgb32(uint32_t o, uint32_t n, uint32_t a) {
  const uint32_t even = (((o & 0x00FF00FF) * (255 - a) + (n & 0x00FF00FF) * a) >> 8) & 0x00FF00FF;
  const uint32_t odd = ((((o >> 8) & 0x00FF00FF) * (255 - a) + ((n >> 8) & 0x00FF00FF) * a)) & 0x0000FF00;
  return even | odd;
}
inline void FadeRowScalar(uint32_t* d, const uint32_t* o, const uint32_t* n, int32_t count, uint32_t alpha) {
  for (int32_t i = 0; i < count; ++i) d[i] = o[i] == n[i] ? o[i] : BlendRgb32(o[i], n[i], alpha);
}
inline void MixRowScalar(uint32_t* d, const uint32_t* o, const uint32_t* n, const uint8_t* m, int32_t count) {
  for (int32_t i = 0; i < count; ++i) d[i] = m[i] == 0 ? o[i] : m[i] == 255 ? n[i] : BlendRgb32(o[i], n[i], m[i]);
}

// The rule image's mask: each byte clamp(g + shift, 0, 255), shift in -255 .. 255.
using TLevelKernel = void (*)(uint8_t* m, const uint8_t* g, int32_t count, int32_t shift);
inline void LevelRowScalar(uint8_t* m, const uint8_t* g, int32_t count, int32_t shift) {
  for (int32_t i = 0; i < count; ++i) {
    const int32_t v = g[i] + shift;
    m[i] = static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
  }
}

// The rule image's flash to white (or black): per pixel l = clamp(g + shift, 0, 511), shift in -256 .. 511; up to
// 255 the old pixel plus the grey l, above it the new pixel plus the grey 511 - l, each channel saturating (minus,
// saturating at 0, when subtracting); the reserved byte becomes 0.
using TFlashKernel = void (*)(uint32_t* d, const uint32_t* o, const uint32_t* n, const uint8_t* g, int32_t count,
                              int32_t shift, bool subtract);
inline void FlashRowScalar(uint32_t* d, const uint32_t* o, const uint32_t* n, const uint8_t* g, int32_t count,
                           int32_t shift, bool subtract) {
  for (int32_t i = 0; i < count; ++i) {
    const int32_t l = std::clamp(g[i] + shift, 0, 511);
    const uint32_t pixel = l > 255 ? n[i] : o[i];
    const int32_t grey = l > 255 ? 511 - l : l;
    uint32_t out = 0;
    for (int shift_bits = 0; shift_bits < 24; shift_bits += 8) {
      const int32_t c = static_cast<int32_t>((pixel >> shift_bits) & 0xFF);
      out |= static_cast<uint32_t>(std::clamp(subtract ? c - grey : c + grey, 0, 255)) << shift_bits;
    }
    d[i] = out;
  }
}

// The rule image's mask mix without the mask: per pixel the mask mix with m = clamp(g + shift, 0, 255), shift in
// -255 .. 255.
using TLevelMixKernel = void (*)(uint32_t* d, const uint32_t* o, const uint32_t* n, const uint8_t* g, int32_t count,
                                 int32_t shift);
inline void LevelMixRowScalar(uint32_t* d, const uint32_t* o, const uint32_t* n, const uint8_t* g, int32_t count,
                              int32_t shift) {
  for (int32_t i = 0; i < count; ++i) {
    uint8_t m;
    LevelRowScalar(&m, g + i, 1, shift);
    MixRowScalar(d + i, o + i, n + i, &m, 1);
  }
}

struct TWipeKernels {
  const char* Name;
  TRippleKernel Ripple32;
  TTwistKernel Twist32;
  TFadeKernel Fade32;
  TMixKernel Mix32;
  TLevelKernel Level;
  TFlashKernel Flash32;
  TLevelMixKernel LevelMix32;
};

const TWipeKernels& ScalarWipeKernels();
// Null when the processor lacks AVX-512 (foundation, byte/word and doubleword/quadword instructions).
const TWipeKernels* Avx512WipeKernels();
// The AVX-512 kernels when the row kernels are the AVX-512 ones, else the scalar kernels.
const TWipeKernels& ActiveWipeKernels();
// The set that goes with a set of row kernels: AVX-512 with the AVX-512 row kernels, else scalar.
const TWipeKernels& WipeKernelsFor(const TRowKernels& row_kernels);

}  // namespace velk
