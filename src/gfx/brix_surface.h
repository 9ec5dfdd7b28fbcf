#pragma once
// Frames of layered images as drawing surfaces: the picture converted to the surface's depth, the transparent
// colour as the surface's transparent value, the rectangle lists copied; the alpha bitmap as an 8-bit mask.
#include <cstdint>
#include <memory>

#include "gfx/brix.h"
#include "gfx/dibx.h"

namespace velk {

class TStream;

// Resizes the surface to the frame at the surface's own depth and puts the composed picture in: 24 and 32-bit
// frames into 32-bit surfaces byte for byte (the top byte cleared), every other pair through the colours.
void FrameToSurface(const TBrixFrame& frame, TDIBX& surface);
// An 8-bit surface holding the frame's alpha bitmap (grey palette); the frame must have alpha, and may lose it.
std::unique_ptr<TDIBX> FrameAlphaToMask(TBrixFrame& frame);
// A surface's load of a layered image stream: the first frame only, read with the identification code.
void LoadBrixFirstFrame(TDIBX& surface, TStream& stream, int32_t identification);

}  // namespace velk
