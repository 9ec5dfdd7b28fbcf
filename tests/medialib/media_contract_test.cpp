// One contract for both media libraries: the silent one (items of no length that end as soon as they play) and the
// real one (decoders on their own threads, played through the mixer by a game clock).
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

#include "media/media_lib.h"
#include "medialib/audio_mixer.h"
#include "medialib/null_media.h"
#include "medialib/velk_media_lib.h"
#include "platform/headless/clock_audio.h"
#include "platform/headless/headless_clock.h"
#include "platform/headless/headless_message_boxes.h"
#include "support/temp_dir.h"
#include "support/test_media.h"
#include "vfs/range_stream.h"

namespace velk {
namespace {

using test::TAvKind;

struct TBackEnd {
  const char* Name;
  bool Decodes;
};

class MediaContract : public ::testing::TestWithParam<TBackEnd> {
 protected:
  void SetUp() override {
    mixer_.SetWaitForSources(true);
    output_.Start(mixer_.Filler());
    if (GetParam().Decodes) {
      lib_ = std::make_unique<TVelkMediaLibrary>(mixer_);
    } else {
      lib_ = std::make_unique<TNullVelkMedia>();
    }
    TVelkInitParams p;
    p.Streams = binding_.StreamCallbacks();
    lib_->velkInit(p);
  }
  void TearDown() override {
    lib_->velkFinal();
    output_.Stop();
  }
  bool decodes() const { return GetParam().Decodes; }

  // Frames of 15 ms of the game clock, the sound consumed by it.
  void run_ms(int32_t ms) {
    for (int32_t t = 0; t < ms; t += 15) {
      clock_.Advance(15);
      output_.Pump();
    }
  }
  // Game time until the item ends (capped).
  int32_t ms_to_end(IVelkItemEntries& e, VelkHandle h, int32_t cap = 5000) {
    int32_t t = 0;
    while (e.IsEnd(h) == 0 && t < cap) {
      run_ms(15);
      t += 15;
    }
    return t;
  }
  // An item's data inside a larger file, as an archive entry is: read through a range stream over its window.
  TStream* entry_stream(const std::vector<uint8_t>& bytes) {
    std::string path = dir_ / ("entry" + std::to_string(streams_.size()));
    std::string file(100, 'x');
    file.append(bytes.begin(), bytes.end());
    file.append(50, 'y');
    test::WriteFile(path, file);
    streams_.push_back(std::make_unique<TFileRangeStream>(path, static_cast<int64_t>(bytes.size()), 100));
    return streams_.back().get();
  }
  VelkHandle add_ogg(const std::vector<uint8_t>& bytes, bool is_ogg = true) {
    return lib_->velkOggmanAdd(entry_stream(bytes), is_ogg ? -1 : 0);
  }

  test::TempDir dir_;
  TVirtualClock clock_;
  TAudioMixer mixer_;
  TClockAudioOutput output_{clock_};
  TVelkLib binding_;
  std::vector<std::unique_ptr<TStream>> streams_;
  std::unique_ptr<IVelkMedia> lib_;
};

TEST_P(MediaContract, SoundsPlayForTheirLengthOfGameTimeAndEnd) {
  struct TCase {
    const char* What;
    std::function<VelkHandle()> Add;
    IVelkItemEntries& Entries;
  };
  const auto ogg = test::MakeOgg(400);
  const auto wav = test::MakeWav(400, 22050, 1);
  const auto wma = test::MakeAvMedia(TAvKind::Wma, 400);
  TCase cases[] = {
      {"ogg", [&] { return add_ogg(ogg); }, lib_->Ogg()},
      {"wav", [&] { return add_ogg(wav, false); }, lib_->Ogg()},
      {"wma", [&] { return lib_->velkWmpmanAdd(wma.data(), static_cast<int32_t>(wma.size())); }, lib_->Wmp()},
  };
  for (TCase& c : cases) {
    SCOPED_TRACE(c.What);
    VelkHandle h = c.Add();
    ASSERT_NE(h, 0);
    EXPECT_EQ(c.Entries.IsEnd(h), 0);
    EXPECT_EQ(c.Entries.IsPlaying(h), 0);
    if (decodes()) {
      EXPECT_NEAR(c.Entries.GetLen(h), 400, 30);
    }
    c.Entries.Play(h);
    // However fast the frames run, a 0.4 s sound lasts 0.4 s of game time.
    const int32_t took = ms_to_end(c.Entries, h);
    if (decodes()) {
      EXPECT_GE(took, 360);
      EXPECT_LE(took, 480);
    } else {
      EXPECT_LE(took, 15);
    }
    EXPECT_NE(c.Entries.IsEnd(h), 0);
    EXPECT_EQ(c.Entries.IsPlaying(h), 0);
    // Playing again after the end starts from the beginning.
    c.Entries.Play(h);
    if (decodes()) {
      run_ms(100);
      EXPECT_EQ(c.Entries.IsEnd(h), 0);
      EXPECT_NEAR(c.Entries.GetPosition(h), 100, 40);
    }
    ms_to_end(c.Entries, h);
    EXPECT_NE(c.Entries.IsEnd(h), 0);
  }
}

TEST_P(MediaContract, PauseHoldsThePositionAndRepeatLoopsFromTheRepeatPosition) {
  const auto ogg = test::MakeOgg(400);
  IVelkItemEntries& e = lib_->Ogg();
  VelkHandle h = add_ogg(ogg);
  e.SetAutoRepeat(h, -1);
  EXPECT_NE(e.GetAutoRepeat(h), 0);
  lib_->velkOggSetRepeatPos(h, 100);
  EXPECT_EQ(lib_->velkOggGetRepeatPos(h), 100);
  e.Play(h);
  run_ms(150);
  e.Pause(h);
  EXPECT_NE(e.IsPaused(h), 0);
  EXPECT_EQ(e.IsPlaying(h), 0);
  const int32_t held = e.GetPosition(h);
  run_ms(300);
  EXPECT_EQ(e.GetPosition(h), held);
  if (decodes()) {
    EXPECT_NEAR(held, 150, 40);
  }
  e.Play(h);
  EXPECT_EQ(e.IsPaused(h), 0);
  EXPECT_NE(e.IsPlaying(h), 0);
  // Three passes and more: a repeating item never ends, and after its first pass stays within the repeated part.
  for (int i = 0; i < 80; ++i) {
    run_ms(15);
    ASSERT_EQ(e.IsEnd(h), 0);
    ASSERT_NE(e.IsPlaying(h), 0);
    if (decodes() && i > 30) {
      EXPECT_GE(e.GetPosition(h), 90);
      EXPECT_LE(e.GetPosition(h), 410);
    }
  }
  // Turning repeat off lets it end at the end of its data.
  e.SetAutoRepeat(h, 0);
  e.SetPosition(h, 0);
  EXPECT_LT(ms_to_end(e, h), 1500);
}

TEST_P(MediaContract, SeekVolumeAndPan) {
  const auto ogg = test::MakeOgg(400);
  IVelkItemEntries& e = lib_->Ogg();
  VelkHandle h = add_ogg(ogg);
  e.SetVol(h, -2500);
  e.SetPan(h, 3000);
  EXPECT_EQ(e.GetVol(h), -2500);
  EXPECT_EQ(e.GetPan(h), 3000);
  e.SetPosition(h, 300);
  if (decodes()) {
    EXPECT_NEAR(e.GetPosition(h), 300, 1);
  }
  e.Play(h);
  const int32_t took = ms_to_end(e, h);
  if (decodes()) {
    EXPECT_NEAR(took, 100, 45);
  }
}

TEST_P(MediaContract, InvalidAndTruncatedDataEndWithoutHanging) {
  std::vector<uint8_t> garbage(4000);
  for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<uint8_t>(i * 7919 >> 3);
  auto ogg = test::MakeOgg(600);
  auto wma = test::MakeAvMedia(TAvKind::Wma, 600);
  std::vector<uint8_t> half_ogg(ogg.begin(), ogg.begin() + static_cast<std::ptrdiff_t>(ogg.size() / 2));
  std::vector<uint8_t> half_wma(wma.begin(), wma.begin() + static_cast<std::ptrdiff_t>(wma.size() / 2));
  // Damage the middle of a whole file too.
  for (size_t i = ogg.size() / 2; i < ogg.size() / 2 + 200; ++i) ogg[i] ^= 0x5A;

  // Garbage is refused, or at least never plays.
  for (VelkHandle h : {add_ogg(garbage), add_ogg(garbage, false)}) {
    if (decodes()) {
      EXPECT_EQ(h, 0);
    }
    lib_->Ogg().Play(h);
    run_ms(15);
    EXPECT_NE(lib_->Ogg().IsEnd(h), 0);
    EXPECT_EQ(lib_->Ogg().IsPlaying(h), 0);
  }
  VelkHandle refused = lib_->velkWmpmanAdd(garbage.data(), static_cast<int32_t>(garbage.size()));
  if (decodes()) {
    EXPECT_EQ(refused, 0);
  }
  // A picture codestream (a format games never ship as sound or film) is not even opened.
  const uint8_t picture[] = {0xFF, 0x0A, 0xFF, 'A', '<', 'S', 'A', 'M', 'I', '>', 0x0A, 0xFF};
  refused = lib_->velkWmpmanAdd(picture, static_cast<int32_t>(sizeof picture));
  if (decodes()) {
    EXPECT_EQ(refused, 0);
  }
  // Truncated and damaged data play what they can and end.
  for (VelkHandle h : {add_ogg(half_ogg), add_ogg(ogg)}) {
    lib_->Ogg().Play(h);
    EXPECT_LT(ms_to_end(lib_->Ogg(), h), 1000);
  }
  VelkHandle w = lib_->velkWmpmanAdd(half_wma.data(), static_cast<int32_t>(half_wma.size()));
  lib_->Wmp().Play(w);
  EXPECT_LT(ms_to_end(lib_->Wmp(), w), 1000);
}

TEST_P(MediaContract, DecodingStreamsDeliverTheWholeSound) {
  const auto ogg = test::MakeOgg(500);
  VelkHandle h = lib_->velkOggStrmanAdd(entry_stream(ogg), -1);
  TVelkWaveFormat f;
  ASSERT_NE(lib_->velkOggStrGetFormat(h, f), 0);
  EXPECT_EQ(f.SamplesPerSec, 44100u);
  EXPECT_EQ(f.Channels, 2);
  EXPECT_EQ(f.BitsPerSample, 16);
  const int32_t size = lib_->velkOggStrGetSize(h);
  std::vector<uint8_t> all(static_cast<size_t>(size) + 100000);
  int32_t got = 0;
  for (int32_t n; (n = lib_->velkOggStrRead(h, all.data() + got, 4000)) > 0;) got += n;
  if (decodes()) {
    EXPECT_NEAR(lib_->velkOggStrGetLen(h), 500, 30);
    EXPECT_NEAR(size, 500 * 176.4, 176.4 * 30);
    EXPECT_NEAR(got, size, 176.4 * 30);
    lib_->velkOggStrSetPos(h, 44100);  // 250 ms
    EXPECT_EQ(lib_->velkOggStrGetPos(h), 44100);
    const int32_t rest = lib_->velkOggStrRead(h, all.data(), static_cast<int32_t>(all.size()));
    EXPECT_NEAR(rest, size - 44100, 176.4 * 30);
  } else {
    EXPECT_EQ(got, 0);
  }
  EXPECT_EQ(lib_->velkOggStrGetFormat(h + 100, f), 0);
  lib_->velkOggStrmanDel(h);
}

TEST_P(MediaContract, VideosShowTheirPicturesByTheGameClock) {
  for (TAvKind kind : {TAvKind::Wmv, TAvKind::Mpeg, TAvKind::Avi}) {
    SCOPED_TRACE(static_cast<int>(kind));
    const auto bytes = test::MakeAvMedia(kind, 800);
    VelkHandle h = lib_->velkVidmanAdd("movie", entry_stream(bytes), 0);
    ASSERT_NE(h, 0);
    IVelkItemEntries& e = lib_->Video();
    lib_->velkVideoSetVisible(h, -1);
    EXPECT_NE(lib_->velkVideoGetVisible(h), 0);
    if (!decodes()) {
      EXPECT_EQ(lib_->velkVideoGetSourceWidth(h), 0);
      EXPECT_EQ(lib_->velkVideoGetDC(h), nullptr);
      continue;
    }
    EXPECT_EQ(lib_->velkVideoGetSourceWidth(h), 160);
    EXPECT_EQ(lib_->velkVideoGetSourceHeight(h), 120);
    EXPECT_NEAR(e.GetLen(h), 800, 100);  // containers add their own start delays
    auto centre = [&] {
      EXPECT_NE(lib_->velkVideoNeedPaint(h), 0);
      auto* f = static_cast<TVelkVideoFrame*>(lib_->velkVideoGetDC(h));
      EXPECT_EQ(lib_->velkVideoNeedPaint(h), 0);
      return f == nullptr ? 0u : f->Pixels[60 * f->Width + 80];
    };
    auto near = [](uint32_t a, uint32_t b) {
      for (int s = 0; s < 24; s += 8) {
        if (std::abs(static_cast<int>((a >> s) & 255) - static_cast<int>((b >> s) & 255)) > 40) return false;
      }
      return true;
    };
    // Before it plays the first picture shows; by the middle of its time the second colour.
    EXPECT_TRUE(near(centre(), 0xFF0000u));
    e.Play(h);
    run_ms(600);
    EXPECT_TRUE(near(centre(), 0x0000FFu));
    const int32_t left = ms_to_end(e, h);
    EXPECT_LE(left, 350);
    lib_->velkVidmanDel(h);
  }
  // A still image shows its first picture and plays no sound.
  const auto bytes = test::MakeAvMedia(TAvKind::Wmv, 400);
  VelkHandle still = lib_->velkVidmanAdd("still", entry_stream(bytes), -1);
  if (decodes()) {
    EXPECT_NE(lib_->velkVideoNeedPaint(still), 0);
  }
}

TEST_P(MediaContract, ItemsDecodeWhileTheCallerDoesOtherWork) {
  if (!decodes()) GTEST_SKIP() << "the silent library decodes nothing";
  // A device-paced mixer (it never waits): sound is there as soon as the output asks, because the item's own thread
  // has decoded ahead while this thread slept.
  mixer_.SetWaitForSources(false);
  const auto ogg = test::MakeOgg(1000);
  VelkHandle h = add_ogg(ogg);
  lib_->Ogg().Play(h);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  std::vector<int16_t> out(4410 * 2);
  mixer_.Fill(out.data(), 4410);
  int peak = 0;
  for (int16_t s : out) peak = std::max(peak, std::abs(static_cast<int>(s)));
  EXPECT_GT(peak, 5000);
  EXPECT_NEAR(lib_->Ogg().GetPosition(h), 100, 2);
  // The volume scales what the mixer gets: -20 dB is a tenth.
  lib_->Ogg().SetVol(h, -2000);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  mixer_.Fill(out.data(), 4410);
  int quiet = 0;
  for (int16_t s : out) quiet = std::max(quiet, std::abs(static_cast<int>(s)));
  EXPECT_NEAR(quiet, peak / 10, peak / 40);
}

TEST(VelkMediaLibrary, TheFrameUpdatePumpsAGameClockOutput) {
  TVirtualClock clock;
  TAudioMixer mixer;
  mixer.SetWaitForSources(true);
  TClockAudioOutput output(clock);
  output.Start(mixer.Filler());
  TVelkMediaLibrary lib(mixer, [&] { output.Pump(); });
  TVelkLib binding;
  TVelkInitParams p;
  p.Streams = binding.StreamCallbacks();
  lib.velkInit(p);
  const auto wav = test::MakeWav(100);
  TMemoryStream s(wav);
  VelkHandle h = lib.velkOggmanAdd(&s, 0);
  lib.Ogg().Play(h);
  int frames = 0;
  while (lib.Ogg().IsEnd(h) == 0 && frames < 100) {
    clock.Advance(15);
    lib.velkOggmanUpdate();
    ++frames;
  }
  EXPECT_GE(frames, 6);
  EXPECT_LE(frames, 8);
}

INSTANTIATE_TEST_SUITE_P(BothLibraries, MediaContract,
                         ::testing::Values(TBackEnd{"Silent", false}, TBackEnd{"Real", true}),
                         [](const ::testing::TestParamInfo<TBackEnd>& info) { return info.param.Name; });

}  // namespace
}  // namespace velk
