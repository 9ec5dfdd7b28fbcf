// Throughput of every screen transition on a 1280 x 720 32-bit screen: one step per iteration at a position that
// changes every time (so mask types redraw their mask), against memcpy of the same frame measured in this run.
// Each benchmark reports Gpx/s and x_memcpy, both from the thread's processor time. The tables a transition
// prepares once are made before timing.
#include <benchmark/benchmark.h>

#include <cstring>
#include <ctime>
#include <memory>
#include <random>
#include <string>

#include "gfx/blend_kernels.h"
#include "gfx/custom_wipe.h"
#include "gfx/dibx.h"

namespace {

using velk::TDIBX;

constexpr int kW = 1280, kH = 720;
constexpr double kPixels = double(kW) * kH;
constexpr int32_t kDuration = 1000;

struct Screens {
  TDIBX dest, old_pic, new_pic, copy;
  Screens() {
    std::mt19937 rng(1);
    for (TDIBX* s : {&dest, &old_pic, &new_pic, &copy}) s->SetSize(kW, kH, 32);
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) {
        // Smooth pictures with some noise, as screens are.
        old_pic.SetPixel(x, y, ((x / 5) & 0xFF) | ((y / 3) & 0xFF) << 8 | (rng() & 0x1F) << 16);
        new_pic.SetPixel(x, y, ((y / 3) & 0xFF) << 16 | ((x / 5) & 0xFF) << 8 | (rng() & 0x1F));
      }
  }
};

Screens& Shared() {
  static Screens s;
  return s;
}

// Seconds of processor time this thread has used: on a machine shared with other work the rates count only the
// time the measured code ran.
double ThreadSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

double MemcpyRate() {
  Screens& s = Shared();
  int64_t n = 0;
  const double start = ThreadSeconds();
  double elapsed = 0;
  do {
    std::memcpy(s.copy.DIB().Bits(), s.old_pic.DIB().Bits(), s.copy.DIB().ByteSize());
    benchmark::ClobberMemory();
    ++n;
    elapsed = ThreadSeconds() - start;
  } while (elapsed < 0.1);
  return n * kPixels / elapsed;
}

void BM_Transition(benchmark::State& state) {
  Screens& s = Shared();
  const auto type = static_cast<int32_t>(state.range(0));
  velk::TWipeServices services;
  services.ZoomCentre = {kW / 2, kH / 2};
  std::unique_ptr<velk::TCustomWipe> wipe = velk::CreateWipe(type, &s.dest, &s.old_pic, &s.new_pic, services);
  if (!wipe) {
    state.SkipWithError("no transition");
    return;
  }
  wipe->Duration = kDuration;
  wipe->Prepare();
  wipe->Position = 1;
  wipe->Step();  // the blur makes its copies at the first step
  int32_t position = 1;
  int64_t n = 0;
  const double start = ThreadSeconds();
  for (auto _ : state) {
    position = position % (kDuration - 1) + 7;  // a new position every step
    wipe->Position = position;
    wipe->Step();
    benchmark::ClobberMemory();
    ++n;
  }
  const double rate = n * kPixels / (ThreadSeconds() - start);
  state.counters["Gpx/s"] = rate / 1e9;
  state.counters["x_memcpy"] = rate / MemcpyRate();
  state.SetLabel(std::string("type ") + std::to_string(type) + " " + velk::ActiveKernels().Name);
}

BENCHMARK(BM_Transition)->DenseRange(1, velk::kWipeTypeCount)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
