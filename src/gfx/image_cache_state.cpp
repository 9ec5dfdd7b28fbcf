#include "gfx/image_cache_state.h"

#include "base/error.h"
#include "base/sjis.h"
#include "gfx/image_cache.h"
#include "vfs/stored_read.h"
#include "vfs/stream_io.h"

namespace velk {

TBrixCacheState TBrixCacheState::Of(const TBrixCollection& cache) {
  TBrixCacheState state;
  state.DitherMode = cache.DitherMode();
  state.MaxIdle = cache.MaxIdle();
  return state;
}

void TBrixCacheState::ApplyTo(TBrixCollection& cache) const {
  cache.SetMaxIdle(MaxIdle);
  cache.SetDitherMode(DitherMode);
}

void TBrixCacheState::SaveToStream(TStream& s) const {
  WriteInt(s, kFormVersion);
  WriteInt(s, DitherMode);
  WriteInt(s, MaxIdle);
}

void TBrixCacheState::LoadFromStream(TStream& s) {
  const int32_t version = ReadIntExact(s);
  const int32_t dither = ReadIntExact(s);
  const int32_t idle = ReadIntExact(s);
  if (version != kFormVersion || dither < 0 || dither > 255 || idle < 0 || idle > kMaxIdleLimit) {
    throw EFormatError(Utf8ToCp932("データが壊れています (画像キャッシュ)"));
  }
  DitherMode = dither;
  MaxIdle = idle;
}

}  // namespace velk
