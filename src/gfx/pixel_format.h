#pragma once
// Native pixel formats of the drawing surfaces. Channels are handled in place: a channel value is the pixel and'ed
// with the channel's mask, never shifted down, so one formula serves 5-5-5, 5-6-5 and 8-8-8 pixels.
#include <bit>
#include <cstdint>

namespace velk {

struct TPixelMasks {
  uint32_t Red = 0x00FF0000;
  uint32_t Green = 0x0000FF00;
  uint32_t Blue = 0x000000FF;
  friend bool operator==(const TPixelMasks&, const TPixelMasks&) = default;
};

constexpr TPixelMasks kMasks555{0x7C00, 0x03E0, 0x001F};
constexpr TPixelMasks kMasks565{0xF800, 0x07E0, 0x001F};
constexpr TPixelMasks kMasks888{0x00FF0000, 0x0000FF00, 0x000000FF};

// The masks a surface of this depth gets: 15 the 5-5-5 masks, 16 the 5-6-5 masks, every other depth 8-8-8.
constexpr TPixelMasks MasksForDepth(int depth) { return depth == 15 ? kMasks555 : depth == 16 ? kMasks565 : kMasks888; }

// Bits a mask covers, and the position of its lowest bit (0 for an empty mask).
constexpr int MaskBits(uint32_t mask) { return std::popcount(mask); }
constexpr int MaskShift(uint32_t mask) { return mask == 0 ? 0 : std::countr_zero(mask); }

// A colour 0x00BBGGRR to the native value of a 15, 16 or 32-bit format: each channel keeps its high bits, the low
// bits are dropped, not rounded.
constexpr uint32_t ColorToNative(uint32_t color, const TPixelMasks& m) {
  uint32_t r = color & 0xFF, g = (color >> 8) & 0xFF, b = (color >> 16) & 0xFF;
  return ((r >> (8 - MaskBits(m.Red))) << MaskShift(m.Red)) | ((g >> (8 - MaskBits(m.Green))) << MaskShift(m.Green)) |
         (b >> (8 - MaskBits(m.Blue)));
}

// A native value back to a colour 0x00BBGGRR, each channel's bits placed at the top of its byte (the inverse of
// ColorToNative for the bits that survive it).
constexpr uint32_t NativeToColor(uint32_t value, const TPixelMasks& m) {
  auto channel = [value](uint32_t mask) -> uint32_t {
    if (mask == 0) return 0;
    return (((value & mask) >> MaskShift(mask)) << (8 - MaskBits(mask))) & 0xFF;
  };
  return channel(m.Red) | (channel(m.Green) << 8) | (channel(m.Blue) << 16);
}

}  // namespace velk
