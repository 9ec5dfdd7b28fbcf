// The wave output and the MIDI synthesiser as sources of the player's one mixer: a wave sound and a MIDI song reach
// the mixer's output, the master volume scales it and muting silences it while the sources run on.
#include "media/wave_output.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "media/midi_song_player.h"
#include "media/midi_test_bytes.h"
#include "platform/headless/headless_clock.h"

namespace velk {
namespace {

bool AnySound(const std::vector<int16_t>& samples) {
  return std::any_of(samples.begin(), samples.end(), [](int16_t s) { return s != 0; });
}

TEST(WaveOutput, WaveSoundReachesTheMixerScaledMutedAndRemoved) {
  TAudioMixer mixer;
  TAudioWavDevice device(mixer);
  TVirtualClock clock;
  TWavOut out(device, clock, 100);  // blocks of 100 ms: 4410 frames
  ASSERT_TRUE(out.Open(false));     // the test pumps the output itself
  TWaveOutput output(out);
  output.Open();  // already open: stays as it is
  EXPECT_TRUE(out.IsOpen());

  // One second of stereo 16-bit samples, all 1000.
  std::vector<int16_t> pcm(2 * 44100, 1000);
  TMemoryStream stream(std::vector<uint8_t>(reinterpret_cast<uint8_t*>(pcm.data()),
                                            reinterpret_cast<uint8_t*>(pcm.data() + pcm.size())));
  TVelkWaveFormat format;
  format.Channels = 2;
  format.SamplesPerSec = 44100;
  format.BitsPerSample = 16;
  format.BlockAlign = 4;
  format.AvgBytesPerSec = 176400;
  auto buffer = output.AddBuffer(format, &stream);
  EXPECT_FALSE(buffer->Playing());
  buffer->Play();
  EXPECT_TRUE(buffer->Playing());
  out.Pump();

  std::vector<int16_t> mix(2 * 1000);
  mixer.Fill(mix.data(), 1000);
  EXPECT_EQ(mix.front(), 1000);
  EXPECT_EQ(mix.back(), 1000);
  // -20 dB of master volume is a tenth.
  mixer.SetMasterVolume(-2000);
  mixer.Fill(mix.data(), 1000);
  EXPECT_EQ(mix.front(), 100);
  mixer.SetMasterVolume(0);
  // Muted, the mix is silent but the sound plays on: the device goes on through its blocks.
  mixer.SetMuted(true);
  mixer.Fill(mix.data(), 1000);
  EXPECT_FALSE(AnySound(mix));
  mixer.SetMuted(false);
  mixer.Fill(mix.data(), 1000);
  EXPECT_EQ(mix.front(), 1000);
  EXPECT_EQ(mixer.FramesMixed(), 4000);
  EXPECT_GE(buffer->ReadPosition(), 4 * 4410);

  buffer->Stop();
  EXPECT_FALSE(buffer->Playing());
  buffer.reset();  // the source leaves the wave output
  out.Pump();
  out.Close();  // the device lets go of the mixer
  mixer.Fill(mix.data(), 1000);
  EXPECT_FALSE(AnySound(mix));
}

TEST(WaveOutput, OnTheGameClockTheOwnerPumpsAndASoundLastsItsLengthInGameTime) {
  TAudioMixer mixer;
  TAudioWavDevice device(mixer);
  TVirtualClock clock;
  TWavOut out(device, clock, 100);
  TWaveOutput output(out, false);
  output.Open();
  // 400 ms of stereo 16-bit samples.
  std::vector<int16_t> pcm(2 * 17640, 500);
  TMemoryStream stream(std::vector<uint8_t>(reinterpret_cast<uint8_t*>(pcm.data()),
                                            reinterpret_cast<uint8_t*>(pcm.data() + pcm.size())));
  TVelkWaveFormat format;
  format.Channels = 2;
  format.SamplesPerSec = 44100;
  format.BitsPerSample = 16;
  format.BlockAlign = 4;
  format.AvgBytesPerSec = 176400;
  auto buffer = output.AddBuffer(format, &stream);
  buffer->Play();
  // No worker mixes on its own, however much real time passes.
  std::this_thread::sleep_for(std::chrono::milliseconds(80));
  EXPECT_EQ(out.QueuedBlocks(), 0u);
  // Frames of 15 ms: the owner pumps, the output takes the frame's sound.
  std::vector<int16_t> mix(2 * 662);
  int32_t ms = 0;
  while (!buffer->Done() && ms < 5000) {
    clock.Advance(15);
    ms += 15;
    out.Pump();
    mixer.Fill(mix.data(), 661);
  }
  // The sound's 400 ms, then the delay the output keeps queued (two blocks and 10 ms).
  EXPECT_GE(ms, 400);
  EXPECT_LE(ms, 400 + 2 * 100 + 10 + 2 * 15);
  out.Close();
}

TEST(WaveOutput, MidiSongReachesTheMixerThroughTheSynthesiser) {
  TAudioMixer mixer;
  TVirtualClock clock;
  TSynthSongPlayer song(&mixer, clock, false);
  EXPECT_FALSE(song.Load({'M', 'T', 'h', 'd', 0, 0}));  // damaged: does not load
  // A note on at 0 on channel 0, off after 480 ticks (500 ms).
  ASSERT_TRUE(song.Load(midi_test::Smf(0, 480, {{0x00, 0x90, 0x3C, 0x7F, 0x83, 0x60, 0x80, 0x3C, 0x00}})));
  EXPECT_EQ(song.LengthMs(), 500);

  std::vector<int16_t> mix(2 * 4410);
  mixer.Fill(mix.data(), 4410);
  EXPECT_FALSE(AnySound(mix));  // the port is not open: not a source yet
  ASSERT_TRUE(song.Open(-1));
  song.Play(0);
  clock.Advance(TMidiPlayV::kTimerInterval);
  song.Player().Tick();
  EXPECT_TRUE(song.IsPlaying());
  mixer.Fill(mix.data(), 4410);
  EXPECT_TRUE(AnySound(mix));
  mixer.SetMuted(true);
  mixer.Fill(mix.data(), 4410);
  EXPECT_FALSE(AnySound(mix));
  mixer.SetMuted(false);
  // Closed, the synthesiser is no longer a source.
  song.Close();
  EXPECT_FALSE(song.IsOpen());
  mixer.Fill(mix.data(), 4410);
  EXPECT_FALSE(AnySound(mix));
}

}  // namespace
}  // namespace velk
