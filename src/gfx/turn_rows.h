#pragma once
// The sample walk of a turned draw along one destination row: sample k lies at (u + k * du, v + k * dv) in 16.16
// source units, column ColBase + ColStep * (u >> 16) and line LineBase + LineStep * (v >> 16) of the source. The
// plain opaque turn of 32-bit pixels copies those samples straight into the row; with AVX-512 sixteen samples at a
// time are addressed in 32-bit lanes and fetched by one gather, where every offset of the walk fits them.
#include <cstddef>
#include <cstdint>

namespace velk {

struct TTurnWalk {
  const uint8_t* Origin = nullptr;  // line 0 of the source
  ptrdiff_t Pitch = 0;              // bytes from line to line
  int32_t Lines = 0;                // lines of the source
  int64_t ColBase = 0, ColStep = 1, LineBase = 0, LineStep = 1;
  int64_t DuDx = 0, DvDx = 0;
};

// out[k] = the 32-bit sample k of the walk from (u, v), for k in [0, count); every sample must lie in the source.
void TurnRow32(uint32_t* out, const TTurnWalk& w, int64_t u, int64_t v, int32_t count);
// Whether TurnRow32 fetches sixteen samples at a time (then the processor keeps enough loads in flight and asks for
// no hints).
bool TurnRowsAreWide();
// The same through the plain loop, as the reference of the wide one.
void TurnRow32Scalar(uint32_t* out, const TTurnWalk& w, int64_t u, int64_t v, int32_t count);

}  // namespace velk
