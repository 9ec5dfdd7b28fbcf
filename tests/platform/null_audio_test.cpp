#include "platform/null_audio.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace velk {
namespace {

TEST(NullAudioOutput, ConsumesTheStreamInRealTimeAndStopsPromptly) {
  TNullAudioOutput out;
  EXPECT_FALSE(out.HasDevice());
  std::atomic<uint64_t> frames{0};
  std::atomic<bool> silent_buffer{true};
  auto start = std::chrono::steady_clock::now();
  out.Start([&](int16_t* samples, size_t n) {
    for (size_t i = 0; i < n * kAudioChannels; ++i) {
      if (samples[i] != 0) silent_buffer = false;
      samples[i] = 1;  // the sink throws whatever it gets away
    }
    frames += n;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  auto stop_at = std::chrono::steady_clock::now();
  out.Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - stop_at, std::chrono::milliseconds(200));
  double seconds = std::chrono::duration<double>(stop_at - start).count();
  double expected = seconds * kAudioRate;
  // About real time: never ahead of the clock, and not far behind it.
  EXPECT_LE(static_cast<double>(frames.load()), expected + kAudioRate * 0.02);
  EXPECT_GE(static_cast<double>(frames.load()), expected * 0.5);
  EXPECT_TRUE(silent_buffer.load());
  uint64_t after = frames.load();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(frames.load(), after);
  // Restartable.
  out.Start([&](int16_t*, size_t n) { frames += n; });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  out.Stop();
  EXPECT_GT(frames.load(), after);
}

}  // namespace
}  // namespace velk
