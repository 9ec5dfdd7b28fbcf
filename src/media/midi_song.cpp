#include "media/midi_song.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "base/error.h"

namespace velk {
namespace {

constexpr uint8_t kGsReset[] = {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7};
constexpr int32_t kDefaultTempo = 500000;

[[noreturn]] void Fail(const std::string& what) { throw EFormatError("damaged MIDI file: " + what); }

// Big-endian reading within [pos, end) of the file's bytes; running past the end throws.
struct TSmfReader {
  const uint8_t* data;
  size_t pos;
  size_t end;

  size_t Left() const { return end - pos; }
  void Need(size_t n, const char* what) const {
    if (n > Left()) Fail(std::string(what) + " runs past the end");
  }
  uint8_t Byte() {
    Need(1, "an event");
    return data[pos++];
  }
  uint32_t BigEndian(int bytes) {
    Need(static_cast<size_t>(bytes), "a header");
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v = v << 8 | data[pos++];
    return v;
  }
  // A variable-length quantity: at most four bytes of seven bits each.
  uint32_t VarLen() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
      uint8_t b = Byte();
      v = v << 7 | (b & 0x7F);
      if ((b & 0x80) == 0) return v;
    }
    Fail("a variable-length number longer than four bytes");
  }
};

// Round to nearest, ties to even, of num / den (both positive).
int64_t RoundDivEven(int64_t num, int64_t den) {
  int64_t q = num / den, r = num % den;
  if (2 * r > den || (2 * r == den && (q & 1) != 0)) ++q;
  return q;
}

}  // namespace

uint8_t MidiEventKind(uint8_t event_class, const std::vector<uint8_t>& b) {
  if (b.empty()) return mkOther;
  uint8_t status = b[0];
  if (event_class == kMidiMetaEvent) {
    if (b.size() < 2) return mkOther;
    uint8_t type = b[1];
    if (type <= 0x07) return static_cast<uint8_t>(mkSequenceNumber + type);
    switch (type) {
      case 0x51: return mkTempo;
      case 0x2F: return mkEndOfTrack;
      case 0x52: return mkSmpteOffset;
      case 0x58: return mkTimeSignature;
      case 0x59: return mkKeySignature;
      default: return mkOther;
    }
  }
  if (event_class == kMidiSystemExclusive) {
    bool reset = b.size() == sizeof(kGsReset) && std::memcmp(b.data(), kGsReset, sizeof(kGsReset)) == 0;
    return reset ? mkGsReset : mkOther;
  }
  switch (status & 0xF0) {
    case 0x90: return b.size() >= 3 && b[2] > 0 ? mkNoteOn : mkNoteOff;
    case 0x80: return mkNoteOff;
    case 0xA0: return mkKeyPressure;
    case 0xB0: return mkControlChange;
    case 0xC0: return mkProgramChange;
    case 0xD0: return mkChannelPressure;
    case 0xE0: return mkPitchBend;
    default: return mkOther;
  }
}

void TMidiV::Clear() {
  events_.clear();
  format_ = track_count_ = division_ = 0;
  tempo_ = kDefaultTempo;
  length_ = 0;
}

void TMidiV::LoadFromStream(TStream& stream) {
  std::vector<uint8_t> bytes(static_cast<size_t>(stream.Remaining()));
  if (!bytes.empty()) stream.ReadBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  LoadFromBytes(bytes.data(), bytes.size());
}

void TMidiV::LoadFromBytes(const uint8_t* data, size_t size) {
  Clear();
  try {
    TSmfReader r{data, 0, size};
    if (size < 4 || std::memcmp(data, "MThd", 4) != 0) Fail("no MThd header");
    r.pos = 4;
    uint32_t header_length = r.BigEndian(4);
    if (header_length < 6) Fail("a header shorter than six bytes");
    r.Need(header_length, "the header");
    size_t after_header = r.pos + header_length;
    format_ = static_cast<int32_t>(r.BigEndian(2));
    track_count_ = static_cast<int32_t>(r.BigEndian(2));
    division_ = static_cast<int16_t>(r.BigEndian(2));
    r.pos = after_header;
    if (division_ == 0) Fail("a division of 0 ticks");
    if (division_ < 0 && (division_ & 0xFF) == 0) Fail("an SMPTE division of 0 ticks per frame");

    int32_t order = 0;
    for (int32_t track = 0; track < track_count_ && r.Left() >= 8; ++track) {
      bool is_track = std::memcmp(data + r.pos, "MTrk", 4) == 0;
      r.pos += 4;
      uint32_t length = r.BigEndian(4);
      // A chunk that claims more than the file holds is read up to the end of the file.
      TSmfReader t{data, r.pos, r.pos + std::min<size_t>(length, r.Left())};
      r.pos = t.end;
      if (!is_track) continue;
      int64_t tick = 0;
      uint8_t running = 0;  // the last channel status of this track
      while (t.Left() > 0) {
        TMidiMsgEvent e;
        uint32_t delta = t.VarLen();
        tick += delta;
        if (tick > INT32_MAX) Fail("a tick beyond the 32-bit range");
        uint8_t status = t.Byte();
        if (status < 0x80) {
          if (running == 0) Fail("running status without a status byte");
          --t.pos;  // the byte is the first data byte
          status = running;
        }
        e.Bytes.push_back(status);
        if (status < 0xF0) {
          running = status;
          e.Class = kMidiChannelMessage;
          int data_bytes = (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 1 : 2;
          for (int i = 0; i < data_bytes; ++i) e.Bytes.push_back(t.Byte());
        } else {
          if (status == 0xFF) e.Bytes.push_back(t.Byte());
          uint32_t n = t.VarLen();
          t.Need(n, "an event's data");
          e.Bytes.insert(e.Bytes.end(), data + t.pos, data + t.pos + n);
          t.pos += n;
          e.Class = status == 0xFF ? kMidiMetaEvent : kMidiSystemExclusive;
        }
        e.Kind = MidiEventKind(e.Class, e.Bytes);
        e.Tick = static_cast<int32_t>(tick);
        e.Delta = static_cast<int32_t>(delta);
        e.Order = order++;
        e.Track = track;
        if (events_.size() >= kMaxEvents) Fail("more than " + std::to_string(kMaxEvents) + " events");
        bool end = e.Kind == mkEndOfTrack;
        events_.push_back(std::move(e));
        if (end) break;
      }
    }
    std::stable_sort(events_.begin(), events_.end(), [](const TMidiMsgEvent& a, const TMidiMsgEvent& b) {
      return a.Tick != b.Tick ? a.Tick < b.Tick : a.Order < b.Order;
    });
    ComputeTimes();
  } catch (...) {
    Clear();
    throw;
  }
}

// Times are computed from the tick offset since the last tempo change, so rounding never accumulates: the time of
// an event is the time of that change plus the rounded time of the ticks after it. An SMPTE division counts ticks
// per second and ignores the tempo.
void TMidiV::ComputeTimes() {
  int64_t tempo = kDefaultTempo;
  int64_t base_tick = 0, base_time = 0;
  int64_t ticks_per_second_x100 = 0;  // SMPTE: frames per second × ticks per frame × 100
  if (division_ < 0) {
    int32_t fps = -(division_ >> 8);
    int64_t per_frame = division_ & 0xFF;
    ticks_per_second_x100 = (fps == 29 ? 2997 : fps * 100) * per_frame;
  }
  for (TMidiMsgEvent& e : events_) {
    int64_t offset = e.Tick - base_tick;
    int64_t time = division_ > 0 ? base_time + RoundDivEven(tempo * offset, int64_t{division_} * 1000)
                                 : RoundDivEven(int64_t{e.Tick} * 100000, ticks_per_second_x100);
    if (time > INT32_MAX) Fail("a song longer than the 32-bit millisecond range");
    e.Time = static_cast<int32_t>(time);
    if (e.Kind == mkTempo && e.Bytes.size() == 5) {
      base_tick = e.Tick;
      base_time = time;
      tempo = e.Bytes[2] << 16 | e.Bytes[3] << 8 | e.Bytes[4];
    }
  }
  tempo_ = static_cast<int32_t>(tempo);
  length_ = events_.empty() ? 0 : events_.back().Time;
}

}  // namespace velk
