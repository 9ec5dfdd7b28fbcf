#include "app/fast_forward.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/headless/headless_clock.h"

namespace velk {
namespace {

TEST(SpeedClock, RunsFasterFromTheSwitchWithoutJumping) {
  TVirtualClock base;
  base.Advance(1000);
  TSpeedClock clock(base);
  EXPECT_EQ(clock.Milliseconds(), 1000u);
  base.Advance(100);
  EXPECT_EQ(clock.Milliseconds(), 1100u);
  clock.SetFactor(8);
  EXPECT_EQ(clock.Milliseconds(), 1100u);
  base.Advance(15);
  EXPECT_EQ(clock.Milliseconds(), 1220u);
  // A tick of the real loop counts eight times, stamped with the clock's time.
  const TTick tick = clock.Scale(TTick{15, 1115});
  EXPECT_EQ(tick.Delta, 120);
  EXPECT_EQ(tick.Time, 1220u);
  clock.SetFactor(1);
  base.Advance(10);
  EXPECT_EQ(clock.Milliseconds(), 1230u);
  // Sleeping waits real time.
  clock.Sleep(5);
  EXPECT_EQ(base.Milliseconds(), 1130u);
  clock.SetFactor(1000);
  EXPECT_EQ(clock.Factor(), kMaxSpeed);
  clock.SetFactor(0);
  EXPECT_EQ(clock.Factor(), 1);
}

TEST(SpeedAudioFill, KeepsEveryNthFrameOfNTimesTheSound) {
  TVirtualClock base;
  TSpeedClock clock(base);
  int64_t pulled = 0;
  // The mixed stream: frame k has k on the left and -k on the right.
  TSpeedAudioFill fill(
      [&pulled](int16_t* samples, size_t frames) {
        for (size_t i = 0; i < frames; ++i) {
          samples[2 * i] = static_cast<int16_t>(pulled);
          samples[2 * i + 1] = static_cast<int16_t>(-pulled);
          ++pulled;
        }
      },
      clock);
  std::vector<int16_t> out(8);
  fill(out.data(), 4);
  EXPECT_EQ(out, (std::vector<int16_t>{0, 0, 1, -1, 2, -2, 3, -3}));
  clock.SetFactor(3);
  fill(out.data(), 4);
  EXPECT_EQ(out, (std::vector<int16_t>{4, -4, 7, -7, 10, -10, 13, -13}));
  EXPECT_EQ(pulled, 4 + 12);
}

}  // namespace
}  // namespace velk
