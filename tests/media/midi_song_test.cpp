#include "media/midi_song.h"

#include <gtest/gtest.h>

#include "base/error.h"
#include "media/midi_test_bytes.h"

namespace velk {
namespace {

using midi_test::Chunk;
using midi_test::Smf;
using midi_test::VarLen;

struct TSeen {
  int32_t Tick, Time, Kind, Track;
  bool operator==(const TSeen&) const = default;
};
std::ostream& operator<<(std::ostream& os, const TSeen& s) {
  return os << "{" << s.Tick << ", " << s.Time << ", " << s.Kind << ", " << s.Track << "}";
}

std::vector<TSeen> Seen(const TMidiV& song) {
  std::vector<TSeen> v;
  for (const auto& e : song.Events()) v.push_back({e.Tick, e.Time, e.Kind, e.Track});
  return v;
}

TMidiV Read(const std::vector<uint8_t>& bytes) {
  TMidiV song;
  TMemoryStream stream(bytes);
  song.LoadFromStream(stream);
  return song;
}

TEST(MidiSong, ReadsEventsInTimeOrderWithTempoChanges) {
  std::vector<uint8_t> text(200, 'a');  // a meta event longer than 127 bytes: a two-byte length
  std::vector<uint8_t> meta{0x00, 0xFF, 0x01};
  auto len = VarLen(200);
  meta.insert(meta.end(), len.begin(), len.end());
  meta.insert(meta.end(), text.begin(), text.end());
  std::vector<uint8_t> first = meta;
  for (uint8_t b : std::vector<uint8_t>{0x00, 0xC0, 0x05,        // program change
                                        0x00, 0x90, 0x3C, 0x40,  // note on
                                        0x83, 0x60, 0x3C, 0x00,  // +480, running status: note on velocity 0 = note off
                                        0x83, 0x60, 0xFF, 0x51, 0x03, 0x03, 0xD0, 0x90,  // +480 = 960: tempo 250000
                                        0x83, 0x60, 0xB0, 0x07, 0x64,                    // 1440: control change
                                        0x00, 0xFF, 0x2F, 0x00,                          // end of track
                                        0x00, 0x90, 0x01, 0x01})                         // after the end: never read
    first.push_back(b);
  std::vector<uint8_t> second{0x00, 0xF0, 0x0A, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7,  // GS
                              0x87, 0x40, 0xA1, 0x3C, 0x10,  // 960: key pressure, after the tempo event
                              0x00, 0xE1, 0x00, 0x40};       // pitch bend
  std::vector<uint8_t> bytes = Smf(0, 480, {first, second}, /*header_extra=*/2);
  // A chunk of another type before the tracks is skipped.
  auto junk = Chunk("XFIH", {1, 2, 3});
  bytes.insert(bytes.begin() + 16, junk.begin(), junk.end());
  bytes[11] = 3;  // it counts as one of the tracks
  TMidiV song = Read(bytes);
  EXPECT_EQ(song.Format(), 0);
  EXPECT_EQ(song.TrackCount(), 3);
  EXPECT_EQ(song.Division(), 480);
  EXPECT_EQ(Seen(song), (std::vector<TSeen>{{0, 0, 11, 1},
                                            {0, 0, mkProgramChange, 1},
                                            {0, 0, mkNoteOn, 1},
                                            {0, 0, mkGsReset, 2},
                                            {480, 500, mkNoteOff, 1},
                                            {960, 1000, mkTempo, 1},
                                            {960, 1000, mkKeyPressure, 2},
                                            {960, 1000, mkPitchBend, 2},
                                            {1440, 1250, mkControlChange, 1},
                                            {1440, 1250, mkEndOfTrack, 1}}));
  EXPECT_EQ(song.Length(), 1250);
  EXPECT_EQ(song.Tempo(), 250000);
  EXPECT_EQ(song.Events()[0].Bytes.size(), 202u);  // FF, type and the text, without the length
  EXPECT_EQ(song.Events()[3].Bytes.size(), 11u);
  EXPECT_EQ(song.Events()[4].Bytes, (std::vector<uint8_t>{0x90, 0x3C, 0x00}));
  EXPECT_EQ(song.Events()[4].Delta, 480);
  EXPECT_EQ(song.Events()[6].Order, 8);
}

TEST(MidiSong, TimesDoNotAccumulateRoundingAndSmpteDivisionsCountTicksPerSecond) {
  // Division 3 at 500000 µs: 166.67 ms per tick. Ten ticks of 1 are 1666.67 ms, not ten rounded steps.
  std::vector<uint8_t> track;
  for (int i = 0; i < 10; ++i) track.insert(track.end(), {0x01, 0x90, 0x3C, 0x40});
  TMidiV song = Read(Smf(0, 3, {track}));
  ASSERT_EQ(song.Events().size(), 10u);
  EXPECT_EQ(song.Events()[0].Time, 167);
  EXPECT_EQ(song.Events()[2].Time, 500);
  EXPECT_EQ(song.Events()[9].Time, 1667);

  // 25 frames of 40 ticks: 1000 ticks a second.
  std::vector<uint8_t> smpte{0x8B, 0x5C, 0x90, 0x3C, 0x40};  // tick 1500
  EXPECT_EQ(Read(Smf(0, 0xE728, {smpte})).Events()[0].Time, 1500);
  // 29.97 frames of 100 ticks: 2997 ticks a second.
  std::vector<uint8_t> drop{0x97, 0x35, 0x90, 0x3C, 0x40};  // tick 2997
  EXPECT_EQ(Read(Smf(0, 0xE364, {drop})).Events()[0].Time, 1000);
}

TEST(MidiSong, RefusesDamagedFiles) {
  std::vector<uint8_t> ok{0x00, 0x90, 0x3C, 0x40};
  struct TCase {
    const char* what;
    std::vector<uint8_t> bytes;
  };
  std::vector<uint8_t> not_smf = Smf(0, 480, {ok});
  not_smf[0] = 'R';
  std::vector<uint8_t> huge_ticks;
  for (int i = 0; i < 9; ++i) huge_ticks.insert(huge_ticks.end(), {0xFF, 0xFF, 0xFF, 0x7F, 0x90, 0x3C, 0x40});
  std::vector<uint8_t> short_header = Smf(0, 480, {ok});
  short_header[7] = 5;
  for (const TCase& c : std::vector<TCase>{
           {"not a MIDI file", not_smf},
           {"empty", {}},
           {"a header shorter than six bytes", short_header},
           {"division 0", Smf(0, 0, {ok})},
           {"SMPTE with 0 ticks per frame", Smf(0, 0xE700, {ok})},
           {"running status at the start", Smf(0, 480, {{0x00, 0x3C, 0x40}})},
           {"a five-byte length", Smf(0, 480, {{0x00, 0xF0, 0x81, 0x80, 0x80, 0x80, 0x00}})},
           {"a huge length", Smf(0, 480, {{0x00, 0xFF, 0x01, 0xFF, 0xFF, 0xFF, 0x7F, 'a'}})},
           {"an event cut by the chunk's end", Smf(0, 480, {{0x00, 0x90, 0x3C}})},
           {"ticks beyond 32 bits", Smf(0, 480, {huge_ticks})},
       }) {
    SCOPED_TRACE(c.what);
    TMidiV song;
    TMemoryStream stream(c.bytes);
    EXPECT_THROW(song.LoadFromStream(stream), EFormatError);
    EXPECT_TRUE(song.Events().empty());
  }
  // A track chunk that claims more than the file holds is read up to the end of the file.
  std::vector<uint8_t> long_chunk = Smf(0, 480, {ok});
  long_chunk[long_chunk.size() - ok.size() - 1] = 0x40;
  EXPECT_EQ(Read(long_chunk).Events().size(), 1u);
}

}  // namespace
}  // namespace velk
