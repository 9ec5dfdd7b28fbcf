#pragma once
// Writes layered images (".brx") of every version from 99 to 106: palettes, layer flags, deflated, raw or JPEG
// colour data, deflated alpha, row and block scrambling, and block tables that store each distinct block once
// (copies from an earlier block of the same bitmap, or from the same place of a layer written before).
#include <cstdint>

#include "gfx/brix.h"

namespace velk {

class TStream;

struct TBrixWriteOptions {
  int32_t Version = kBrixVersion;
  // Compression and blocks apply from version 103; earlier versions always deflate and store rows.
  uint8_t Compression = kBrixDeflate;
  int32_t BlockWidth = 0;  // 0: rows, no blocks
  int32_t BlockHeight = 0;
  // The scrambling seed; 0 writes no scrambling (version 102 and earlier always permute with seed 0).
  int32_t Identification = 0;
  int32_t BackgroundColor = 0;
  bool LayerComposition = false;
  int32_t JpegQuality = 90;
};

// Writes the frames of the list with their layers. A frame without layers is written as one visible opaque layer
// holding its picture (alpha-enabled when the picture has alpha), so composed pictures, PNG and BMP frames can be
// written directly. Throws EVelkError for a frame whose depth the version cannot hold.
void WriteBrix(TStream& stream, TBrixFrameList& frames, const TBrixWriteOptions& options);

}  // namespace velk
