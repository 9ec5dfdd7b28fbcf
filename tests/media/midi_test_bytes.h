#pragma once
// Hand-written Standard MIDI File bytes for the tests of the song model and the player.
#include <cstdint>
#include <string>
#include <vector>

namespace velk::midi_test {

inline std::vector<uint8_t> VarLen(uint32_t v) {
  std::vector<uint8_t> out{static_cast<uint8_t>(v & 0x7F)};
  while ((v >>= 7) != 0) out.insert(out.begin(), static_cast<uint8_t>(0x80 | (v & 0x7F)));
  return out;
}

inline void BigEndian(std::vector<uint8_t>& out, uint32_t v, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

inline std::vector<uint8_t> Chunk(const std::string& type, const std::vector<uint8_t>& body) {
  std::vector<uint8_t> out(type.begin(), type.end());
  BigEndian(out, static_cast<uint32_t>(body.size()), 4);
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

// A file of the given format and division with one MTrk chunk per track body (delta-time and event bytes).
inline std::vector<uint8_t> Smf(uint16_t format, uint16_t division, const std::vector<std::vector<uint8_t>>& tracks,
                                int header_extra = 0) {
  std::vector<uint8_t> header;
  BigEndian(header, format, 2);
  BigEndian(header, static_cast<uint32_t>(tracks.size()), 2);
  BigEndian(header, division, 2);
  header.insert(header.end(), static_cast<size_t>(header_extra), 0xEE);
  std::vector<uint8_t> out = Chunk("MThd", header);
  for (const auto& t : tracks) {
    auto c = Chunk("MTrk", t);
    out.insert(out.end(), c.begin(), c.end());
  }
  return out;
}

}  // namespace velk::midi_test
