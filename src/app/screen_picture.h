#pragma once
// The picture SaveScreen stores: the game's screen at a size of the game's choosing (each pixel the average of the
// screen pixels it covers), turned by quarter turns, as a one-frame layered image.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/window.h"

namespace velk {

class TStream;

// Sides beyond this are refused: a thumbnail or a full screen never needs more, and the bound keeps the picture's
// allocation small whatever a script asks.
constexpr int32_t kMaxScreenPictureSide = 4096;

// The screen as 0x00RRGGBB pixels, width x height (<= 0: the screen's own), turned clockwise by rotate degrees
// (a multiple of 90; other values leave it upright). False when the screen is empty or a side is too large.
bool MakeScreenPicture(const TFrameView& screen, int32_t width, int32_t height, int32_t rotate,
                       std::vector<uint32_t>& pixels, int32_t& out_width, int32_t& out_height);

// Writes the pixels as a one-frame 24-bit layered image.
void WriteScreenBrix(TStream& stream, const std::vector<uint32_t>& pixels, int32_t width, int32_t height);

}  // namespace velk
