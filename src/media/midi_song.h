#pragma once
// The song model of the MIDI player: a Standard MIDI File read into one list of events in time order, each with
// its time in milliseconds from the start of the song.
#include <cstdint>
#include <vector>

#include "vfs/stream.h"

namespace velk {

// Event classes.
constexpr uint8_t kMidiChannelMessage = 0;
constexpr uint8_t kMidiSystemExclusive = 1;
constexpr uint8_t kMidiMetaEvent = 2;

// Event kinds.
enum : uint8_t {
  mkOther = 0,
  mkNoteOn = 1,
  mkNoteOff = 2,
  mkKeyPressure = 3,
  mkControlChange = 4,
  mkProgramChange = 5,
  mkChannelPressure = 6,
  mkPitchBend = 7,
  mkGsReset = 8,
  mkTempo = 9,
  mkSequenceNumber = 10,  // 10 .. 17: meta 0x00 .. 0x07
  mkEndOfTrack = 18,
  mkSmpteOffset = 19,  // meta 0x52 as the song stores it
  mkTimeSignature = 20,
  mkKeySignature = 21,
};

struct TMidiStdData {
  int32_t Tick = 0;   // absolute, in the file's ticks
  int32_t Time = 0;   // ms from the start of the song
  int32_t Delta = 0;  // ticks since the previous event of the same track
};

struct TMidiMsgEvent : TMidiStdData {
  int32_t Order = 0;  // reading order over the whole file; breaks ties of tick
  // The message as stored: a channel message is its status and data bytes; a meta event is 0xFF, its type and its
  // data; any other system event is its status byte followed by its data.
  std::vector<uint8_t> Bytes;
  uint8_t Class = kMidiChannelMessage;
  uint8_t Kind = mkOther;
  int32_t Track = 0;

  int32_t Size() const { return static_cast<int32_t>(Bytes.size()); }
  uint8_t Status() const { return Bytes.empty() ? 0 : Bytes[0]; }
  uint8_t Channel() const { return Status() & 0x0F; }
};

using TMidiMsgEvents = std::vector<TMidiMsgEvent>;

class TMidiV {
 public:
  // Reads a Standard MIDI File from the stream's position. A damaged file throws EFormatError and leaves the song
  // without events.
  void LoadFromStream(TStream& stream);
  // Reads the song from bytes in memory.
  void LoadFromBytes(const uint8_t* data, size_t size);
  void Clear();

  const TMidiMsgEvents& Events() const { return events_; }
  int32_t Format() const { return format_; }
  int32_t TrackCount() const { return track_count_; }
  // Ticks per quarter note; a negative value is an SMPTE division (frames per second, negated, in the high byte;
  // ticks per frame in the low byte).
  int32_t Division() const { return division_; }
  // The tempo in effect at the end of the song (µs per quarter note).
  int32_t Tempo() const { return tempo_; }
  // The time of the last event (ms).
  int32_t Length() const { return length_; }

  // The most events a song may hold; a file with more is refused.
  static constexpr size_t kMaxEvents = 1u << 20;

 private:
  void ComputeTimes();

  TMidiMsgEvents events_;
  int32_t format_ = 0;
  int32_t track_count_ = 0;
  int32_t division_ = 0;
  int32_t tempo_ = 500000;
  int32_t length_ = 0;
};

// The kind of a stored message (class and bytes as read).
uint8_t MidiEventKind(uint8_t event_class, const std::vector<uint8_t>& bytes);

}  // namespace velk
