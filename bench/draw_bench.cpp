// Throughput of the drawing operations on a 1280 x 720 32-bit frame, against memcpy of the same frame and SDL2's
// blended SDL_BlitSurface of the same pixels, both measured in this run. Each benchmark reports Gpx/s and the
// ratios x_memcpy and x_SDL.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <memory>
#include <random>

#include "gfx/blend_kernels.h"
#include "gfx/dibx.h"

namespace {

using velk::TDIBX;
using velk::TRect;

constexpr int kW = 1280, kH = 720;
constexpr double kPixels = double(kW) * kH;

// Our draws work on dst; memcpy and SDL write frames of their own, so that no draw meets a destination that
// already equals its source (the blends skip such pixels).
struct Frames {
  TDIBX dst, src, mask, edge_mask, copy, sdl_dst;
  Frames() {
    std::mt19937 rng(1);
    dst.SetSize(kW, kH, 32);
    src.SetSize(kW, kH, 32);
    mask.SetSize(kW, kH, 8);
    edge_mask.SetSize(kW, kH, 8);
    copy.SetSize(kW, kH, 32);
    sdl_dst.SetSize(kW, kH, 32);
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) {
        dst.SetPixel(x, y, rng() & 0x00FFFFFF);
        src.SetPixel(x, y, rng() & 0x00FFFFFF);
        const uint32_t m = rng() % 3;
        mask.SetPixel(x, y, m == 0 ? 0 : m == 1 ? 255 : rng() & 0xFF);
      }
    sdl_dst.Assign(&dst);
    // A picture's alpha channel: discs, each opaque inside and clear outside, with a soft edge 3 pixels wide.
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) {
        const double dx = x % 160 - 80.0, dy = y % 180 - 90.0;
        const double inside = 70.0 - std::sqrt(dx * dx + dy * dy);
        edge_mask.SetPixel(x, y, static_cast<uint32_t>(std::clamp(inside * 85.0, 0.0, 255.0)));
      }
  }
};

Frames& Shared() {
  static Frames f;
  return f;
}

// Pixels per second of fn, timed over at least 0.3 s.
template <class Fn> double Rate(Fn fn) {
  using clock = std::chrono::steady_clock;
  fn();
  int64_t n = 0;
  const auto start = clock::now();
  double elapsed = 0;
  do {
    fn();
    ++n;
    elapsed = std::chrono::duration<double>(clock::now() - start).count();
  } while (elapsed < 0.2);
  return n * kPixels / elapsed;
}

void Memcpy() {
  Frames& f = Shared();
  std::memcpy(f.copy.DIB().Bits(), f.src.DIB().Bits(), f.copy.DIB().ByteSize());
}

struct SdlBlit {
  SDL_Surface* src;
  SDL_Surface* dst;
  SdlBlit() {
    Frames& f = Shared();
    src = SDL_CreateRGBSurfaceWithFormatFrom(f.src.DIB().Bits(), kW, kH, 32, f.src.Pitch(), SDL_PIXELFORMAT_RGB888);
    dst = SDL_CreateRGBSurfaceWithFormatFrom(f.sdl_dst.DIB().Bits(), kW, kH, 32, f.sdl_dst.Pitch(),
                                             SDL_PIXELFORMAT_RGB888);
    SDL_SetSurfaceBlendMode(src, SDL_BLENDMODE_BLEND);
    SDL_SetSurfaceAlphaMod(src, 128);
  }
  ~SdlBlit() {
    SDL_FreeSurface(src);
    SDL_FreeSurface(dst);
  }
  void operator()() const {
    SDL_Rect r{0, 0, kW, kH};
    SDL_BlitSurface(src, &r, dst, &r);
  }
};

SdlBlit& Sdl() {
  static SdlBlit s;
  return s;
}

// The baselines are measured again right after each benchmark, so that the ratios hold on a busy machine too.
template <class Fn> void Run(benchmark::State& state, Fn fn) {
  Shared();
  Sdl();
  using clock = std::chrono::steady_clock;
  const auto start = clock::now();
  int64_t n = 0;
  for (auto _ : state) {
    fn();
    benchmark::ClobberMemory();
    ++n;
  }
  const double rate = n * kPixels / std::chrono::duration<double>(clock::now() - start).count();
  const double memcpy_rate = Rate(Memcpy), sdl_rate = Rate([] { Sdl()(); });
  state.counters["Gpx/s"] = rate / 1e9;
  state.counters["x_memcpy"] = rate / memcpy_rate;
  state.counters["x_SDL"] = rate / sdl_rate;
  state.SetLabel(velk::ActiveKernels().Name);
}

const TRect kFull{0, 0, kW, kH};

void BM_Memcpy(benchmark::State& s) { Run(s, Memcpy); }
void BM_SdlBlitBlend(benchmark::State& s) {
  Run(s, [] { Sdl()(); });
}
void BM_DrawAlpha(benchmark::State& s) {
  Run(s, [] { Shared().dst.DrawAlpha(0, 0, &Shared().src, kFull, false, false, false, 128); });
}
void BM_DrawAdd(benchmark::State& s) {
  Run(s, [] { Shared().dst.DrawAdd(0, 0, &Shared().src, kFull, false, false, false, 200); });
}
void BM_DrawMask(benchmark::State& s) {
  Run(s, [] { Shared().dst.DrawMask(0, 0, &Shared().src, kFull, false, false, &Shared().mask); });
}
// The same draw through a mask as pictures have it: mostly covered or uncovered, soft only at the edges.
void BM_DrawMaskEdges(benchmark::State& s) {
  Run(s, [] { Shared().dst.DrawMask(0, 0, &Shared().src, kFull, false, false, &Shared().edge_mask); });
}
void BM_StretchDraw2x(benchmark::State& s) {
  Run(s, [] { Shared().dst.StretchDraw(kFull, &Shared().src, TRect{0, 0, kW / 2, kH / 2}, false, false, false, 255); });
}
// Turned by 10/256 of a full turn; the argument variants by an eighth and a quarter (a column walk).
void BM_DrawRotate(benchmark::State& s) {
  const auto angle = static_cast<int32_t>(s.range(0));
  Run(s, [angle] {
    Shared().dst.DrawRotate(kW / 2, kH / 2, 256, 256, &Shared().src, kFull, kW / 2, kH / 2, angle, false, false, false,
                            255);
  });
}

BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SdlBlitBlend)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawAlpha)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawAdd)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawMask)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawMaskEdges)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StretchDraw2x)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawRotate)->Arg(10)->Arg(32)->Arg(64)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
