#pragma once
// Row kernels of the blending operations: one function per operation and pixel width, working on a run of n
// pixels. The scalar kernels state the formulas; the SSE2, AVX2 and AVX-512 kernels give exactly the same bytes and are
// chosen at run time from what the processor offers (AVX-512 kernels need its byte/word and doubleword/quadword
// instructions). VELK_SCALAR=1 in the environment forces the scalar kernels.
//
// Blend(d, s, a) per channel M: ((d & M) * (255 - a) + (s & M) * a) >> 8, masked with M (the divisor is 256).
// Add(d, s, k) per channel M: (d & M) + (((s & M) * k) >> 8 & M), M when the sum exceeds M.
#include <cstdint>

#include "gfx/pixel_format.h"

namespace velk {

enum class TRowOp : int {
  CopyTransparent,  // s unless s is the transparent value
  Alpha,            // Blend(d, s, a); transparent sources and s == d leave d
  Add,              // Add(d, s, a); the transparent value (when set) leaves d
  Mask,             // m = 255 copies s, m = 0 leaves d, else Blend(d, s, m)
  AlphaMask,        // m != 0: Blend(d, s, (a * m) >> 8)
  AddMask,          // m != 0: Add(d, s, m == 255 ? a : (m * a) >> 8)
  FillAlpha,        // Blend(d, c, a) unless d == c
  FillAdd,          // per channel (d & M) + (c & M), M when above
  FillSub,          // per channel (d & M) - (c & M), 0 when below
  ColorMask,        // m != 0 and d != c: Blend(d, c, a == 255 ? m : (a * m) >> 8)
  AddGrey,          // FillAdd with c the native grey of level m, per pixel
  SubGrey,          // FillSub with c the native grey of level m, per pixel
  Count
};
constexpr int kRowOpCount = static_cast<int>(TRowOp::Count);

struct TKernelParams {
  TPixelMasks Masks;
  uint32_t Alpha = 255;  // alpha or amount, 0..255
  uint32_t Color = 0;    // native colour of the fills and the colour mask
  bool HasTransparent = false;
  uint32_t Transparent = 0;  // compared at the pixel's width
};

// d: destination row, s: source row (unused by fills), m: 8-bit mask row (only the mask operations read it).
using TRowKernel = void (*)(void* d, const void* s, const uint8_t* m, int n, const TKernelParams& p);

struct TRowKernels {
  const char* Name;
  TRowKernel Row16[kRowOpCount];  // 15 and 16-bit pixels
  TRowKernel Row32[kRowOpCount];  // 32-bit pixels
  TRowKernel Kernel(TRowOp op, int storage_bits) const {
    return storage_bits == 32 ? Row32[static_cast<int>(op)] : Row16[static_cast<int>(op)];
  }
};

const TRowKernels& ScalarKernels();
// The SIMD kernel sets, or null when the processor lacks the instructions. Operations a set has no kernel for
// fall back to the scalar ones.
const TRowKernels* Sse2Kernels();
const TRowKernels* Avx2Kernels();
const TRowKernels* Avx512Kernels();
// The set the drawing operations use: the widest the processor supports, unless VELK_SCALAR=1.
const TRowKernels& ActiveKernels();

// The per-pixel formulas, shared by the scalar kernels and the per-pixel draws.
inline uint32_t BlendChannel(uint32_t d, uint32_t s, uint32_t a, uint32_t mask) {
  return (((d & mask) * (255 - a) + (s & mask) * a) >> 8) & mask;
}
inline uint32_t BlendPixel(uint32_t d, uint32_t s, uint32_t a, const TPixelMasks& m) {
  return BlendChannel(d, s, a, m.Red) | BlendChannel(d, s, a, m.Green) | BlendChannel(d, s, a, m.Blue);
}
inline uint32_t AddChannel(uint32_t d, uint32_t s, uint32_t k, uint32_t mask) {
  uint32_t sum = (d & mask) + ((((s & mask) * k) >> 8) & mask);
  return sum > mask ? mask : sum;
}
inline uint32_t AddPixel(uint32_t d, uint32_t s, uint32_t k, const TPixelMasks& m) {
  return AddChannel(d, s, k, m.Red) | AddChannel(d, s, k, m.Green) | AddChannel(d, s, k, m.Blue);
}
inline uint32_t AddColorChannel(uint32_t d, uint32_t c, uint32_t mask) {
  uint32_t sum = (d & mask) + (c & mask);
  return sum > mask ? mask : sum;
}
inline uint32_t SubColorChannel(uint32_t d, uint32_t c, uint32_t mask) {
  return (d & mask) > (c & mask) ? (d & mask) - (c & mask) : 0;
}
inline uint32_t AddColorPixel(uint32_t d, uint32_t c, const TPixelMasks& m) {
  return AddColorChannel(d, c, m.Red) | AddColorChannel(d, c, m.Green) | AddColorChannel(d, c, m.Blue);
}
inline uint32_t SubColorPixel(uint32_t d, uint32_t c, const TPixelMasks& m) {
  return SubColorChannel(d, c, m.Red) | SubColorChannel(d, c, m.Green) | SubColorChannel(d, c, m.Blue);
}
// The native value of grey level v (0..255).
constexpr uint32_t GreyToNative(uint32_t v, const TPixelMasks& m) { return ColorToNative(v * 0x010101u, m); }

}  // namespace velk
