// The wave output's mixer and the MIDI synthesiser, in multiples of real time (audio seconds made per second of
// running, the "x_realtime" counter). The mixer mixes eight looping sources of mixed formats into its blocks through
// a device that plays at once; its baseline in the same run is the same pass with the scalar kernel's cost alone
// (BM_WavMixKernel/scalar against the chosen kernel). Targets: 8 sources at 200 × real time or more on one core.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "media/midi_synth.h"
#include "media/wav_out.h"
#include "media/wav_out_mix.h"
#include "platform/headless/headless_clock.h"

namespace {

class TInstantDevice : public velk::IWavDevice {
 public:
  bool Open() override { return true; }
  bool Write(velk::TWavHeader& h) override {
    benchmark::DoNotOptimize(h.Data[0]);
    h.Flags |= velk::WHDR_DONE;
    return true;
  }
  void Close() override {}
};

std::vector<uint8_t> Noise(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> v(n);
  for (auto& b : v) b = static_cast<uint8_t>(rng());
  return v;
}

void BM_WavOutEightSources(benchmark::State& state) {
  TInstantDevice device;
  velk::TVirtualClock clock;
  velk::TWavOut out(device, clock, 500);
  out.Open(false);
  struct TFormat {
    uint16_t channels;
    uint32_t rate;
    uint16_t bits;
  };
  const TFormat formats[] = {{2, 44100, 16}, {2, 44100, 16}, {2, 44100, 16}, {1, 44100, 16},
                             {2, 22050, 16}, {1, 22050, 16}, {2, 44100, 8},  {1, 22050, 8}};
  std::vector<std::unique_ptr<velk::TMemoryStream>> streams;
  for (int i = 0; i < 8; ++i) {
    streams.push_back(std::make_unique<velk::TMemoryStream>(Noise(3 * 176400, static_cast<uint32_t>(i))));
    velk::TWavBuffer* s =
        out.AddBuffer(velk::MakePcmFormat(formats[i].channels, formats[i].rate, formats[i].bits), streams.back().get());
    s->Loop = true;
    s->SetVolume(i % 2 == 0 ? 256 : 200);
    s->Play();
  }
  for (auto _ : state) out.Pump();  // two blocks of 500 ms
  state.counters["x_realtime"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * 1.0, benchmark::Counter::kIsRate);
  state.SetLabel(velk::ActiveWavMix().Name);
  out.Close();
}
BENCHMARK(BM_WavOutEightSources)->Unit(benchmark::kMicrosecond);

// One source added to a block of one second (44100 stereo frames) by a kernel; arg 0 scalar, 1 the chosen kernel.
void BM_WavMixKernel(benchmark::State& state) {
  const velk::TWavMixKernels& k = state.range(0) == 0 ? velk::ScalarWavMix() : velk::ActiveWavMix();
  std::vector<int16_t> src(88200), dst(88200);
  auto bytes = Noise(src.size() * 2, 1);
  std::memcpy(src.data(), bytes.data(), bytes.size());
  for (auto _ : state) {
    k.Mix(dst.data(), src.data(), src.size(), 200);
    benchmark::DoNotOptimize(dst.data());
  }
  state.counters["x_realtime"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.SetLabel(k.Name);
}
BENCHMARK(BM_WavMixKernel)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The synthesiser playing a sixteen-voice chord on eight channels, rendered 100 ms at a time.
void BM_MidiSynthRender(benchmark::State& state) {
  velk::TSynthMidiOut synth(nullptr);
  synth.Open(-1, [](uint32_t) {});
  for (uint32_t ch = 0; ch < 8; ++ch) {
    synth.ShortMsg(0xC0 | ch | (ch * 8) << 8);
    synth.ShortMsg(0x90 | ch | (48 + ch * 3) << 8 | 100 << 16);
    synth.ShortMsg(0x90 | ch | (55 + ch * 3) << 8 | 90 << 16);
  }
  std::vector<int16_t> samples(2 * 4410);
  for (auto _ : state) {
    synth.Render(samples.data(), 4410);
    benchmark::DoNotOptimize(samples.data());
  }
  state.counters["x_realtime"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * 0.1, benchmark::Counter::kIsRate);
  state.SetLabel(synth.HasSoundFont() ? "sound font" : "no sound font");
  synth.Close();
}
BENCHMARK(BM_MidiSynthRender)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
