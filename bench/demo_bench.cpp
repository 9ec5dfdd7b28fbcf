// Frame times of the bundled demo game at 1280 x 720, played by the player headless on the virtual clock (no
// waiting between frames), as a separate process like a user runs it. Needs the player and the demo's game.dat
// beside it in the build folder (this program lives in <build>/bench).
//   BM_DemoBusiestScene: the fade from the title into the first scene, Haru walking in and the message window
//   appearing; reports ms_per_frame of update + draw, less a run that stops before that scene (start-up and the
//   title), measured in the same iteration.
//   BM_DemoWhole: the whole demo from the title to the first ending; reports x_real_time, the game time played
//   (15 ms a frame) over the wall time taken, and x_real_time_played, the same less the start-up (a run of one
//   frame, measured in the same iteration).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

constexpr double kFrameMs = 15.0;

struct TDemo {
  fs::path Player, Work;
  TDemo() {
    const fs::path build = fs::read_symlink("/proc/self/exe").parent_path().parent_path();
    Player = build / "velkplayer";
    Work = fs::temp_directory_path() / ("velk_demo_bench_" + std::to_string(::getpid()));
    fs::create_directories(Work / "run");
    setenv("XDG_RUNTIME_DIR", (Work / "run").c_str(), 1);
    // The start button at frame 30, then clicks on the story screen and the first answer.
    std::ofstream in(Work / "input.txt");
    in << "30 click left 640 318\n";
    for (int f = 60; f <= 240; f += 20) in << f << " click left 100 400\n";
    in << "310 click left 640 228\n";
    for (int f = 330; f <= 780; f += 20) in << f << " click left 100 400\n";
  }
  ~TDemo() {
    std::error_code ignored;
    fs::remove_all(Work, ignored);
  }
  bool Ready() const { return fs::exists(Player) && fs::exists(Player.parent_path() / "game.dat"); }
  // Wall time of a headless run of the given frames, in ms; negative when the player failed.
  double Play(int frames) const {
    fs::remove_all(Work / "saves");
    const std::string command = "'" + Player.string() + "' --headless --clock virtual --frames " +
                                std::to_string(frames) + " --save-dir '" + (Work / "saves").string() + "' --input '" +
                                (Work / "input.txt").string() + "' '" + Player.parent_path().string() +
                                "' >/dev/null 2>&1";
    const auto start = std::chrono::steady_clock::now();
    const int status = std::system(command.c_str());
    const auto end = std::chrono::steady_clock::now();
    return status == 0 ? std::chrono::duration<double, std::milli>(end - start).count() : -1.0;
  }
};

TDemo& Demo() {
  static TDemo demo;
  return demo;
}

void BM_DemoBusiestScene(benchmark::State& state) {
  if (!Demo().Ready()) return state.SkipWithError("the player or its game.dat is missing: build demo_game");
  constexpr int kBefore = 30, kScene = 100;
  double busy = 0;
  for (auto _ : state) {
    const double base = Demo().Play(kBefore), whole = Demo().Play(kBefore + kScene);
    if (base < 0 || whole < 0) return state.SkipWithError("the player failed");
    busy += whole - base;
  }
  state.counters["ms_per_frame"] = busy / double(state.iterations()) / kScene;
}
BENCHMARK(BM_DemoBusiestScene)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_DemoWhole(benchmark::State& state) {
  if (!Demo().Ready()) return state.SkipWithError("the player or its game.dat is missing: build demo_game");
  constexpr int kFrames = 900;
  double wall = 0, start = 0;
  for (auto _ : state) {
    const double ms = Demo().Play(kFrames), first = Demo().Play(1);
    if (ms < 0 || first < 0) return state.SkipWithError("the player failed");
    wall += ms;
    start += first;
  }
  const double played = kFrames * kFrameMs * double(state.iterations());
  state.counters["x_real_time"] = played / wall;
  state.counters["x_real_time_played"] = played / (wall - start);
}
BENCHMARK(BM_DemoWhole)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
