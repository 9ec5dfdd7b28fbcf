#include "medialib/audio_mixer.h"

#include <gtest/gtest.h>

#include "platform/headless/clock_audio.h"
#include "platform/headless/headless_clock.h"

namespace velk {
namespace {

// A source that adds a constant to both channels and counts the frames asked of it.
class TConstSource : public IPcmSource {
 public:
  explicit TConstSource(int32_t value) : value_(value) {}
  void MixInto(int32_t* mix, size_t frames, bool wait) override {
    for (size_t i = 0; i < frames * 2; ++i) mix[i] += value_;
    frames_ += static_cast<int64_t>(frames);
    waited_ = wait;
  }
  int64_t frames_ = 0;
  bool waited_ = false;

 private:
  int32_t value_;
};

TEST(AudioMixer, SumsSourcesWithMasterVolumeMuteAndClipping) {
  TAudioMixer mixer;
  TConstSource a(1000), b(20000), c(20000);
  mixer.AddSource(&a);
  mixer.AddSource(&a);  // once only
  std::vector<int16_t> out(10000 * 2);
  mixer.Fill(out.data(), 10000);  // more than one block
  EXPECT_EQ(out.front(), 1000);
  EXPECT_EQ(out.back(), 1000);
  EXPECT_EQ(a.frames_, 10000);
  mixer.AddSource(&b);
  mixer.AddSource(&c);
  mixer.Fill(out.data(), 4);
  EXPECT_EQ(out[0], 32767);  // saturates
  mixer.RemoveSource(&c);
  mixer.SetMasterVolume(-2000);  // -20 dB: a tenth
  mixer.Fill(out.data(), 4);
  EXPECT_EQ(out[1], 2100);
  // Muted, the sources still run (items keep their time) but nothing is heard.
  mixer.SetMuted(true);
  mixer.Fill(out.data(), 4);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(b.frames_, 12);
  EXPECT_EQ(c.frames_, 4);
  EXPECT_EQ(mixer.FramesMixed(), 10012);

  EXPECT_FLOAT_EQ(TAudioMixer::GainOf(0), 1.0f);
  EXPECT_FLOAT_EQ(TAudioMixer::GainOf(-10000), 0.0f);
  EXPECT_NEAR(TAudioMixer::GainOf(-600), 0.501f, 0.001f);
  EXPECT_FLOAT_EQ(TAudioMixer::GainOf(500), 1.0f);
}

TEST(ClockAudioOutput, ConsumesWhatTheClockIsDueAndTellsSourcesToWait) {
  TVirtualClock clock;
  clock.Advance(1000);  // the clock's start is not due
  TAudioMixer mixer;
  mixer.SetWaitForSources(true);
  TConstSource s(1);
  mixer.AddSource(&s);
  TClockAudioOutput out(clock);
  out.Pump();  // not started: nothing
  out.Start(mixer.Filler());
  for (int i = 0; i < 100; ++i) {
    clock.Advance(15);
    out.Pump();
    out.Pump();  // a second pump in the same tick finds nothing due
  }
  EXPECT_EQ(s.frames_, 1500 * 441 / 10);
  EXPECT_TRUE(s.waited_);
  // A long stall is not made up with more than a second.
  clock.Advance(60000);
  out.Pump();
  EXPECT_EQ(s.frames_, 1500 * 441 / 10 + 44100);
  out.Stop();
  clock.Advance(15);
  out.Pump();
  EXPECT_EQ(s.frames_, 1500 * 441 / 10 + 44100);
}

}  // namespace
}  // namespace velk
