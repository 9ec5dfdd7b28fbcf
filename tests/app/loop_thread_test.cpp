#include "app/loop_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/headless/headless_clock.h"

namespace velk {
namespace {

// Drives the tick rule on a fake clock and applies accepted ticks.
struct TFakeLoop {
  TVirtualClock clock;
  TProcessValues values;
  TTickCounter counter{clock.Milliseconds()};
  int ticks = 0;

  void Wake(uint32_t after_ms) {
    clock.Advance(after_ms);
    if (auto tick = counter.Tick(clock.Milliseconds())) {
      ApplyTick(values, *tick);
      ++ticks;
    }
  }
};

TEST(TickCounter, AddsAcceptedIntervalsAndDropsStalls) {
  TFakeLoop loop;
  loop.Wake(15);
  loop.Wake(15);
  EXPECT_EQ(loop.values.GameClock, 30);
  EXPECT_EQ(loop.values.FrameDelta, 15);
  EXPECT_EQ(loop.values.LastTickTime, 30u);
  EXPECT_EQ(loop.ticks, 2);

  // A stall of 2 s (a modal dialog) adds nothing; the next tick adds only its own interval.
  loop.Wake(2000);
  EXPECT_EQ(loop.values.GameClock, 30);
  EXPECT_EQ(loop.values.FrameDelta, 15);
  EXPECT_EQ(loop.ticks, 2);
  EXPECT_EQ(loop.counter.Wait(loop.clock.Milliseconds()), 1u);
  loop.Wake(16);
  EXPECT_EQ(loop.values.GameClock, 46);
  EXPECT_EQ(loop.values.FrameDelta, 16);
  EXPECT_EQ(loop.values.LastTickTime, 2046u);

  // The bound: 299 ms still counts, 300 ms does not.
  loop.Wake(299);
  EXPECT_EQ(loop.values.GameClock, 345);
  loop.Wake(300);
  EXPECT_EQ(loop.values.GameClock, 345);
}

TEST(TickCounter, NextWaitIsWhatIsLeftOfFifteenAtLeastOne) {
  TVirtualClock clock;
  TTickCounter counter(clock.Milliseconds());
  EXPECT_EQ(counter.Wait(0), 1u);
  clock.Advance(15);
  counter.Tick(clock.Milliseconds());
  EXPECT_EQ(counter.Wait(15), 15u);
  EXPECT_EQ(counter.Wait(19), 11u);  // a frame of 4 ms ran since the tick
  EXPECT_EQ(counter.Wait(29), 1u);
  EXPECT_EQ(counter.Wait(40), 1u);
  clock.Advance(500);
  counter.Tick(clock.Milliseconds());
  EXPECT_EQ(counter.Wait(515), 1u);  // after a gap
  // The millisecond counter wraps around without a false stall.
  TVirtualClock late;
  late.Advance(0xFFFFFFF0u);
  TTickCounter wrap(late.Milliseconds());
  late.Advance(0x20);
  auto tick = wrap.Tick(late.Milliseconds());
  ASSERT_TRUE(tick.has_value());
  EXPECT_EQ(tick->Delta, 0x20);
}

TEST(LoopThread, HandsTicksToTheMainThreadAndStopsWithoutDeadlock) {
  TSteadyClock clock;
  TTickGate gate;
  std::atomic<int> wakes{0};
  gate.SetWake([&] { ++wakes; });
  TProcessValues values;
  int ran = 0;
  {
    TLoopThread loop(clock, gate);
    loop.Start();
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (ran < 5 && std::chrono::steady_clock::now() < until) {
      gate.RunPending([&](const TTick& t) {
        ApplyTick(values, t);
        ++ran;
      });
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(ran, 5);
    EXPECT_GE(wakes.load(), 5);
    // The main thread stops running ticks: the loop thread now waits in a hand-off. Destroying the loop must end it
    // anyway.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    auto before = std::chrono::steady_clock::now();
    loop.Terminate();
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(1));
  }
  EXPECT_TRUE(gate.Cancelled());
  EXPECT_FALSE(gate.RunOnMain(TTick{15, 0}));
  EXPECT_GT(values.GameClock, 0);
}

TEST(LoopThread, SuspendedThreadHandsNothingOver) {
  TSteadyClock clock;
  TTickGate gate;
  TLoopThread loop(clock, gate);
  loop.Suspend();
  loop.Start();
  std::this_thread::sleep_for(std::chrono::milliseconds(60));
  int ran = 0;
  auto count = [&](const TTick&) { ++ran; };
  for (int i = 0; i < 20; ++i) {
    gate.RunPending(count);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  EXPECT_EQ(ran, 0);
  loop.Resume();
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (ran == 0 && std::chrono::steady_clock::now() < until) {
    gate.RunPending(count);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_GT(ran, 0);
}

TEST(TickGate, ATickRunningIsNeverStartedAgainFromInside) {
  TTickGate gate;
  std::thread loop([&] { gate.RunOnMain(TTick{15, 15}); });
  int outer = 0, inner = 0;
  bool nested_ran = true;
  while (outer == 0) {
    gate.RunPending([&](const TTick&) {
      ++outer;
      // A modal loop inside the frame pumps the gate again.
      nested_ran = gate.RunPending([&](const TTick&) { ++inner; });
    });
  }
  loop.join();
  EXPECT_EQ(outer, 1);
  EXPECT_EQ(inner, 0);
  EXPECT_FALSE(nested_ran);
}

}  // namespace
}  // namespace velk
