// Loading a picture through the image cache: a 24-bit layered image with an alpha channel (as the game builder
// makes of an RGBA PNG) decoded into a 32-bit surface and an 8-bit mask, then released and freed, as scenes do with
// their backgrounds (1280 x 720) and characters (420 x 680). Reports ms_per_load and x_inflate: the load's time over
// the time to inflate the same pixel and alpha bytes (the decoder's floor), measured in the same run.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <random>
#include <vector>

#include "gfx/brix.h"
#include "gfx/brix_writer.h"
#include "gfx/dib_pixels.h"
#include "gfx/image_cache.h"
#include "vfs/stream.h"
#include "vfs/zlib_codec.h"

namespace {

using namespace velk;

// Soft gradients with a few specks, and an alpha channel opaque but for a soft-edged hole: compresses about
// as painted backgrounds do.
struct TPicture {
  std::vector<uint8_t> File, Pixels, Alpha;
  TPicture(int32_t w, int32_t h) {
    std::mt19937 rng(7);
    TBrixFrameList list;
    TBrixFrame& f = list.AddFrame();
    SetDibSize(f.Picture, w, h, 24);
    f.Picture.SetHasAlpha(true);
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) {
        const uint32_t noise = (rng() & 7) == 0 ? 1 : 0;
        SetDibPixel(f.Picture, x, y, (x / 5 + noise) | ((y / 3 + noise) & 0xFF) << 8 | ((x + y) / 8 & 0xFF) << 16);
        const int32_t dx = x - w / 2, dy = y - h / 2, d2 = dx * dx + dy * dy;  // a hole of radius 100
        f.Picture.AlphaLine(y)[x] = static_cast<uint8_t>(d2 < 10000 ? 0 : d2 < 12000 ? (d2 - 10000) / 8 : 255);
      }
    TMemoryStream s;
    WriteBrix(s, list, TBrixWriteOptions{});
    File = s.Bytes();
    Pixels = DeflateBytes(f.Picture.Bits(), f.Picture.ByteSize());
    Alpha = DeflateBytes(f.Picture.AlphaLine(0), static_cast<size_t>(w) * h);
  }
};

void BM_PictureLoad(benchmark::State& state) {
  const int32_t w = static_cast<int32_t>(state.range(0)), h = static_cast<int32_t>(state.range(1));
  const TPicture picture(w, h);
  TBrixCollection cache(
      [&picture](TStream& t, const std::string&) {
        t.WriteBuffer(picture.File.data(), static_cast<int32_t>(picture.File.size()));
      },
      0, 32);
  cache.SetMaxIdle(0);
  std::vector<uint8_t> pixels(static_cast<size_t>(w) * 3 * h), alpha(static_cast<size_t>(w) * h);
  int owner = 0;
  double load = 0, inflate = 0;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    TBrixItem* item = cache.Acquire(&owner, "bg.brx");
    benchmark::DoNotOptimize(item->Frame(0).Surface->DIB().Bits());
    cache.Release(item, &owner);
    const auto t1 = std::chrono::steady_clock::now();
    InflateInto(picture.Pixels.data(), picture.Pixels.size(), pixels.data(), pixels.size());
    InflateInto(picture.Alpha.data(), picture.Alpha.size(), alpha.data(), alpha.size());
    benchmark::DoNotOptimize(pixels.data());
    const auto t2 = std::chrono::steady_clock::now();
    load += std::chrono::duration<double, std::milli>(t1 - t0).count();
    inflate += std::chrono::duration<double, std::milli>(t2 - t1).count();
  }
  state.counters["ms_per_load"] = load / double(state.iterations());
  state.counters["x_inflate"] = load / inflate;
}
BENCHMARK(BM_PictureLoad)->Args({1280, 720})->Args({420, 680})->Unit(benchmark::kMillisecond)->Iterations(30);

}  // namespace

BENCHMARK_MAIN();
