// Media decoding speed in multiples of real time (Ogg music, 640x480 video), and the processor time one playing
// music stream costs the player. The baseline is a plain copy of the same amount of PCM, measured in the same run.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <ctime>
#include <thread>

#include "media/media_lib.h"
#include "medialib/audio_mixer.h"
#include "medialib/media_decoder.h"
#include "medialib/velk_media_lib.h"
#include "platform/null_audio.h"
#include "support/test_media.h"
#include "vfs/stream.h"

namespace velk {
namespace {

constexpr int32_t kMusicMs = 10000;
constexpr int32_t kVideoMs = 4000;

const std::vector<uint8_t>& music() {
  static const std::vector<uint8_t> bytes = test::MakeOgg(kMusicMs);
  return bytes;
}

const std::vector<uint8_t>& film() {
  static const std::vector<uint8_t> bytes = test::MakeAvMedia(test::TAvKind::Mpeg, kVideoMs, 640, 480);
  return bytes;
}

void BM_PcmCopyBaseline(benchmark::State& state) {
  std::vector<int16_t> pcm(static_cast<size_t>(kMusicMs) * 441 / 10 * 2, 1), out(pcm.size());
  for (auto _ : state) {
    std::memcpy(out.data(), pcm.data(), pcm.size() * sizeof(int16_t));
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["x_realtime"] = benchmark::Counter(kMusicMs / 1000.0, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_PcmCopyBaseline);

void BM_OggDecode(benchmark::State& state) {
  for (auto _ : state) {
    auto d = OpenVorbisDecoder(std::make_unique<TMemorySource>(music()));
    TDecodedPiece p;
    while (d->Decode(p)) benchmark::DoNotOptimize(p.Pcm.data());
  }
  state.counters["x_realtime"] = benchmark::Counter(kMusicMs / 1000.0, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_OggDecode)->Unit(benchmark::kMillisecond);

void BM_Video640x480Decode(benchmark::State& state) {
  for (auto _ : state) {
    auto d = OpenAvDecoder(std::make_unique<TMemorySource>(film()), true, true);
    TDecodedPiece p;
    while (d->Decode(p)) benchmark::DoNotOptimize(p.Pictures.data());
  }
  state.counters["x_realtime"] = benchmark::Counter(kVideoMs / 1000.0, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_Video640x480Decode)->Unit(benchmark::kMillisecond);

double process_cpu_seconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// One music stream playing through the library, the mixer and a real-time sink for two seconds of wall time: the
// processor time spent, in percent of one core.
void BM_MusicStreamCpu(benchmark::State& state) {
  for (auto _ : state) {
    TAudioMixer mixer;
    TNullAudioOutput out;
    out.Start(mixer.Filler());
    TVelkLib binding;
    TVelkMediaLibrary lib(mixer);
    TVelkInitParams params;
    params.Streams = binding.StreamCallbacks();
    lib.velkInit(params);
    TMemoryStream stream(music());
    VelkHandle h = lib.velkOggmanAdd(&stream, -1);
    lib.Ogg().SetAutoRepeat(h, -1);
    lib.Ogg().Play(h);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the decoder's first fill
    const double cpu0 = process_cpu_seconds();
    const auto wall0 = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const double cpu = process_cpu_seconds() - cpu0;
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
    state.counters["cpu_percent_of_one_core"] = 100.0 * cpu / wall;
    lib.velkFinal();
    out.Stop();
  }
}
BENCHMARK(BM_MusicStreamCpu)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace velk

BENCHMARK_MAIN();
