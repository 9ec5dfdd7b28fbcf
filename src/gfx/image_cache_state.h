#pragma once
// The image cache's record in the status data: what of the cache outlives a run. Stream form (integers
// little-endian): int32 form version (1), int32 dither mode, int32 idle limit.
#include <cstdint>

namespace velk {

class TBrixCollection;
class TStream;

struct TBrixCacheState {
  static constexpr int32_t kFormVersion = 1;
  // The idle limit a record may ask for.
  static constexpr int32_t kMaxIdleLimit = 4096;

  int32_t DitherMode = 0;
  int32_t MaxIdle = 64;

  static TBrixCacheState Of(const TBrixCollection& cache);
  void ApplyTo(TBrixCollection& cache) const;
  void SaveToStream(TStream& s) const;
  // A form version other than 1, a dither mode outside 0 .. 255 or an idle limit outside 0 .. kMaxIdleLimit throws
  // EFormatError and leaves the state as it was.
  void LoadFromStream(TStream& s);
};

}  // namespace velk
