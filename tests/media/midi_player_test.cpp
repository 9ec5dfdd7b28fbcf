#include "media/midi_player.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "base/error.h"
#include "media/midi_synth.h"
#include "medialib/audio_mixer.h"
#include "media/midi_test_bytes.h"
#include "platform/headless/headless_clock.h"

namespace velk {
namespace {

using midi_test::Smf;
using TBytes = std::vector<uint8_t>;

// Records what the player sends; long messages are reported done at once unless held.
class TRecordingMidiOut : public IMidiOut {
 public:
  bool Opens = true;
  bool HoldLong = false;

  std::vector<TMidiDevice> Devices() override { return {TMidiDevice{}}; }
  bool Open(int32_t, TMidiLongDone done) override {
    std::lock_guard<std::mutex> lock(mutex_);
    done_ = std::move(done);
    return Opens;
  }
  void Reset() override { Log({0xFF}); }
  void Close() override {}
  void ShortMsg(uint32_t m) override {
    uint8_t status = m & 0xFF;
    if ((status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0)
      Log({status, static_cast<uint8_t>(m >> 8)});
    else
      Log({status, static_cast<uint8_t>(m >> 8), static_cast<uint8_t>(m >> 16)});
  }
  void LongMsg(uint32_t id, const TBytes& bytes) override {
    Log(bytes);
    if (HoldLong) {
      std::lock_guard<std::mutex> lock(mutex_);
      held_.push_back(id);
    } else {
      done_(id);
    }
  }
  void ReleaseLong() {
    std::vector<uint32_t> ids;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ids.swap(held_);
    }
    for (uint32_t id : ids) done_(id);
  }
  std::vector<TBytes> Take() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<TBytes> out;
    out.swap(sent_);
    return out;
  }

 private:
  void Log(TBytes b) {
    std::lock_guard<std::mutex> lock(mutex_);
    sent_.push_back(std::move(b));
  }
  std::mutex mutex_;
  std::vector<TBytes> sent_;
  std::vector<uint32_t> held_;
  TMidiLongDone done_;
};

std::vector<TBytes> NotesOff() {
  std::vector<TBytes> v;
  for (uint8_t c = 0; c < 16; ++c) v.push_back({static_cast<uint8_t>(0xB0 + c), 123, 0});
  return v;
}

std::vector<TBytes> Join(std::vector<TBytes> a, const std::vector<TBytes>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Division 480 at 500000 µs: 480 ticks are 500 ms. A program change and a volume at 0, then a note every 500 ms
// on channel 1 from 0 to 9000 ms, its note off 250 ms later; the last event is the last note off.
TBytes Song() {
  TBytes t{0x00, 0xC1, 0x05, 0x00, 0xB1, 0x07, 0x64};
  for (int i = 0; i < 19; ++i) {
    TBytes on{0x00, 0x91, static_cast<uint8_t>(0x30 + i), 0x40};
    if (i > 0) on[0] = 0x81, on.insert(on.begin() + 1, 0x70);  // 240 ticks after the previous note off
    t.insert(t.end(), on.begin(), on.end());
    t.insert(t.end(), {0x81, 0x70, 0x81, static_cast<uint8_t>(0x30 + i), 0x00});  // +240
  }
  return Smf(0, 480, {t});
}

struct TPlayerFixture {
  TRecordingMidiOut out;
  TVirtualClock clock;
  TMidiPlayV player{out, clock, false};
  TPlayerFixture() {
    TMemoryStream s(Song());
    player.LoadFromStream(s);
    EXPECT_TRUE(player.Open(-1));
  }
  // Runs the timer's ticks for ms milliseconds of the clock.
  void Run(int ms) {
    for (int t = 0; t < ms; t += TMidiPlayV::kTimerInterval) {
      clock.Advance(TMidiPlayV::kTimerInterval);
      player.Tick();
    }
  }
};

TEST(MidiPlayer, SendsEachEventOnTheFirstTickPastItsTime) {
  TPlayerFixture f;
  EXPECT_EQ(f.player.Length(), 9250);
  f.player.PlayFrom(0);
  EXPECT_TRUE(f.player.IsPlaying());
  EXPECT_TRUE(f.out.Take().empty());  // at the cursor already: nothing to chase
  f.Run(10);
  EXPECT_EQ(f.out.Take(), (std::vector<TBytes>{{0xC1, 5}, {0xB1, 7, 100}, {0x91, 0x30, 0x40}}));
  f.Run(240);
  EXPECT_TRUE(f.out.Take().empty());
  f.Run(10);  // 260 ms: the note off at 250
  EXPECT_EQ(f.out.Take(), (std::vector<TBytes>{{0x81, 0x30, 0}}));
  EXPECT_EQ(f.player.Position(), 260);
  // A stall is not made up at once: one tick advances the song by at most a second.
  f.clock.Advance(5000);
  f.player.Tick();
  EXPECT_EQ(f.player.Position(), 1260);
  EXPECT_EQ(f.out.Take().size(), 4u);  // notes at 500 and 1000 with their note offs
  // The last event (a note off, no end of track) is sent too; then the song has ended.
  f.Run(7990);  // 9250 ms: the last event is at 9250 and not yet due
  EXPECT_FALSE(f.player.IsEnd());
  EXPECT_EQ(f.out.Take().size(), 31u);
  f.Run(10);
  auto last = f.out.Take();
  EXPECT_EQ(last, (std::vector<TBytes>{{0x81, 0x42, 0}}));
  EXPECT_TRUE(f.player.IsEnd());
  f.Run(1000);
  EXPECT_TRUE(f.out.Take().empty());

  f.player.Stop();
  EXPECT_FALSE(f.player.IsPlaying());
  EXPECT_EQ(f.out.Take(), NotesOff());
}

TEST(MidiPlayer, ChasesControllersAndProgramsToAPositionWithoutNotes) {
  TPlayerFixture f;
  f.player.PlayFrom(5000);
  // The note at 5000 is the target: everything before it is chased, notes left out, through the scales.
  EXPECT_EQ(f.out.Take(), Join(NotesOff(), {{0xC1, 5}, {0xB1, 7, 100}}));
  EXPECT_EQ(f.player.Position(), 4750);  // the time of the last chased event
  f.Run(250);
  EXPECT_TRUE(f.out.Take().empty());
  f.Run(10);
  EXPECT_EQ(f.out.Take(), (std::vector<TBytes>{{0x91, 0x3A, 0x40}}));

  // Between events: playing goes on from the last event before the position. Going back chases from the start.
  f.player.PlayFrom(1100);
  EXPECT_EQ(f.out.Take(), Join(NotesOff(), {{0xC1, 5}, {0xB1, 7, 100}}));
  EXPECT_EQ(f.player.Position(), 750);
  f.Run(260);
  EXPECT_EQ(f.out.Take(), (std::vector<TBytes>{{0x91, 0x32, 0x40}}));  // the note at 1000 (the target)
  // A position beyond every event plays from the start.
  f.player.PlayFrom(20000);
  EXPECT_EQ(f.out.Take(), NotesOff());
  EXPECT_EQ(f.player.Position(), 0);
}

TEST(MidiPlayer, ScalesControllersAndRepeats) {
  TPlayerFixture f;
  f.player.SetControllerScale(7, -5000 / 100 + 100);  // an item volume of -5000
  EXPECT_TRUE(f.out.Take().empty());                  // not playing: stored only
  f.player.PlayFrom(0);
  f.Run(10);
  EXPECT_EQ(f.out.Take()[1], (TBytes{0xB1, 7, 50}));  // the song's 100 at half
  EXPECT_EQ(f.player.ControllerValue(1, 7), 100);
  f.player.SetControllerScale(7, 50);
  std::vector<TBytes> expected;
  for (uint8_t c = 0; c < 16; ++c)
    expected.push_back({static_cast<uint8_t>(0xB0 + c), 7, static_cast<uint8_t>(c == 1 ? 50 : 63)});
  EXPECT_EQ(f.out.Take(), expected);  // 127 from loading, 127 * 50 / 100 = 63

  f.player.SetAutoRepeat(true);
  f.Run(9250);
  auto sent = f.out.Take();
  ASSERT_GE(sent.size(), 16u);
  EXPECT_EQ(std::vector<TBytes>(sent.end() - 16, sent.end()), NotesOff());
  EXPECT_EQ(sent[sent.size() - 17], (TBytes{0x81, 0x42, 0}));
  EXPECT_FALSE(f.player.IsEnd());
  EXPECT_EQ(f.player.Position(), 0);
  f.Run(10);
  EXPECT_EQ(f.out.Take(), (std::vector<TBytes>{{0xC1, 5}, {0xB1, 7, 50}, {0x91, 0x30, 0x40}}));
}

TEST(MidiPlayer, SendsSystemExclusiveAsLongMessagesAndWaitsForThem) {
  TRecordingMidiOut out;
  TVirtualClock clock;
  TMidiPlayV player(out, clock, false);
  TBytes gs{0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7};
  TBytes track{0x00, 0xF0, 0x0A};
  track.insert(track.end(), gs.begin() + 1, gs.end());
  track.insert(track.end(), {0x00, 0xC0, 0x07, 0x83, 0x60, 0x90, 0x3C, 0x40, 0x00, 0xFF, 0x2F, 0x00});
  TMemoryStream s(Smf(0, 480, {track}));
  player.LoadFromStream(s);
  // A closed port receives nothing, but the song still runs and ends.
  player.PlayFrom(0);
  for (int i = 0; i < 60; ++i) {
    clock.Advance(10);
    player.Tick();
  }
  EXPECT_TRUE(player.IsEnd());
  EXPECT_TRUE(out.Take().empty());

  ASSERT_TRUE(player.Open(-1));
  player.ResetDevice();
  EXPECT_EQ(out.Take(), (std::vector<TBytes>{{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}}));
  out.HoldLong = true;
  uint32_t before = clock.Milliseconds();
  player.PlayFrom(400);  // chases the GS reset (and lets it settle 10 ms); the program change is the target
  EXPECT_EQ(clock.Milliseconds() - before, 10u);
  EXPECT_EQ(out.Take(), Join(NotesOff(), {gs}));
  EXPECT_EQ(player.PendingLongMessages(), 1u);
  std::thread release([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    out.ReleaseLong();
  });
  player.Stop();  // waits for the port to finish the long message
  release.join();
  EXPECT_EQ(player.PendingLongMessages(), 0u);
  EXPECT_FALSE(player.IsPlaying());

  // A damaged file or a song without events fails to load.
  TMemoryStream bad(TBytes{'M', 'T', 'h', 'x'});
  EXPECT_THROW(player.LoadFromStream(bad), EFormatError);
  TMemoryStream empty(Smf(0, 480, {}));
  EXPECT_THROW(player.LoadFromStream(empty), EFormatError);
  EXPECT_TRUE(player.IsEnd());
}

// Runs on the real timer thread: the main thread changes scales, positions and the port while the timer sends.
// Built once with ThreadSanitizer to check the exclusive section.
TEST(MidiPlayer, TimerThreadPlaysToTheEndWhileTheMainThreadSteers) {
  TRecordingMidiOut out;
  TSteadyClock clock;
  TMidiPlayV player(out, clock);
  TBytes t;
  for (int i = 0; i < 20; ++i) t.insert(t.end(), {0x0A, 0xB0, 0x07, static_cast<uint8_t>(i)});  // every ~10 ms
  TMemoryStream s(Smf(0, 480, {t}));
  player.LoadFromStream(s);
  ASSERT_TRUE(player.Open(-1));
  player.PlayFrom(0);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  int steps = 0;
  while (!player.IsEnd() && std::chrono::steady_clock::now() < deadline) {
    player.SetControllerScale(7, 100);
    if (++steps == 3) player.PlayFrom(player.Position());
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  EXPECT_TRUE(player.IsEnd());
  EXPECT_EQ(player.ControllerValue(0, 7), 19);
  player.Close();
  EXPECT_FALSE(player.IsOpen());
}

TEST(MidiSynth, RendersSoundWhenASoundFontIsThere) {
  TSynthMidiOut synth(nullptr);
  ASSERT_EQ(synth.Devices().size(), 1u);
  EXPECT_FALSE(synth.Open(3, nullptr));
  uint32_t done_id = 0;
  ASSERT_TRUE(synth.Open(-1, [&](uint32_t id) { done_id = id; }));
  synth.LongMsg(9, {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7});
  EXPECT_EQ(done_id, 9u);
  synth.ShortMsg(0x7F3C90);  // note on, full velocity
  std::vector<int16_t> samples(2 * 4410);
  synth.Render(samples.data(), 4410);
  bool heard = std::any_of(samples.begin(), samples.end(), [](int16_t s) { return s != 0; });
  // Without a sound font the port takes every message and plays silence.
  EXPECT_EQ(heard, synth.HasSoundFont());
  synth.Close();
}

TEST(MidiSynth, ASilentPortTakesEveryMessageAndMixesNothing) {
  TAudioMixer mixer;
  TSynthMidiOut synth(&mixer, {}, true);
  EXPECT_FALSE(synth.HasSoundFont());
  EXPECT_FALSE(synth.Open(3, nullptr));
  uint32_t done_id = 0;
  ASSERT_TRUE(synth.Open(0, [&](uint32_t id) { done_id = id; }));
  synth.ShortMsg(0x0C0);  // program change
  synth.ShortMsg(0x7F3C90);
  synth.LongMsg(4, {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7});
  EXPECT_EQ(done_id, 4u);
  std::vector<int16_t> mixed(2 * 4410, 1), rendered(2 * 4410, 1);
  mixer.Fill(mixed.data(), 4410);
  synth.Render(rendered.data(), 4410);
  const auto silent = [](const std::vector<int16_t>& v) {
    return std::all_of(v.begin(), v.end(), [](int16_t s) { return s == 0; });
  };
  EXPECT_TRUE(silent(mixed));
  EXPECT_TRUE(silent(rendered));
  synth.Close();
}

}  // namespace
}  // namespace velk
