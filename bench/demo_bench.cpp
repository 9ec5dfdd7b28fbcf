// Frame times of the bundled demo game at 1280 x 720, played by the player headless on the virtual clock (no
// waiting between frames), as a separate process like a user runs it. Needs the player and the demo's game.dat
// beside it in the build folder (this program lives in <build>/bench).
//   BM_DemoBusiestScene: the fade from the title into the first scene, Haru walking in and the message window
//   appearing; reports ms_per_frame of update + draw, less a run that stops before that scene (start-up and the
//   title), measured in the same iterations.
//   BM_DemoWhole: the whole demo from the title to the first ending; reports x_real_time, the game time played
//   (15 ms a frame) over the wall time taken, and x_real_time_played, the same less the start-up (a run of one
//   frame, measured in the same iterations).
// Times are the medians of the iterations' runs.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

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
  // Wall time of a headless run of the given frames, in ms; negative when the player failed. The player is started
  // directly (no shell in between), its output going nowhere.
  double Play(int frames) const {
    fs::remove_all(Work / "saves");
    const std::vector<std::string> args = {Player.string(),
                                           "--headless",
                                           "--clock",
                                           "virtual",
                                           "--frames",
                                           std::to_string(frames),
                                           "--save-dir",
                                           (Work / "saves").string(),
                                           "--input",
                                           (Work / "input.txt").string(),
                                           Player.parent_path().string()};
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    int status = -1;
    const bool started = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0;
    if (started) ::waitpid(pid, &status, 0);
    const auto end = std::chrono::steady_clock::now();
    posix_spawn_file_actions_destroy(&actions);
    const bool ok = started && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return ok ? std::chrono::duration<double, std::milli>(end - start).count() : -1.0;
  }
};

TDemo& Demo() {
  static TDemo demo;
  return demo;
}

// The median of the times: a run the machine slowed down now and then moves it little.
double Median(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  const size_t n = times.size();
  return n == 0 ? 0 : n % 2 == 1 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
}

void BM_DemoBusiestScene(benchmark::State& state) {
  if (!Demo().Ready()) return state.SkipWithError("the player or its game.dat is missing: build demo_game");
  constexpr int kBefore = 30, kScene = 100;
  std::vector<double> before, whole;
  for (auto _ : state) {
    before.push_back(Demo().Play(kBefore));
    whole.push_back(Demo().Play(kBefore + kScene));
    if (before.back() < 0 || whole.back() < 0) return state.SkipWithError("the player failed");
  }
  state.counters["ms_per_frame"] = (Median(whole) - Median(before)) / kScene;
}
BENCHMARK(BM_DemoBusiestScene)->Unit(benchmark::kMillisecond)->Iterations(9);

void BM_DemoWhole(benchmark::State& state) {
  if (!Demo().Ready()) return state.SkipWithError("the player or its game.dat is missing: build demo_game");
  constexpr int kFrames = 900;
  std::vector<double> wall, start;
  for (auto _ : state) {
    wall.push_back(Demo().Play(kFrames));
    start.push_back(Demo().Play(1));
    if (wall.back() < 0 || start.back() < 0) return state.SkipWithError("the player failed");
  }
  const double played = kFrames * kFrameMs;
  state.counters["x_real_time"] = played / Median(wall);
  state.counters["x_real_time_played"] = played / (Median(wall) - Median(start));
}
BENCHMARK(BM_DemoWhole)->Unit(benchmark::kMillisecond)->Iterations(9);

}  // namespace

BENCHMARK_MAIN();
