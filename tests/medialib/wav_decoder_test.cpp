// Plain PCM waves read natively give exactly what the general decoder gives for the same bytes (pieces, positions,
// length, seeks); waves of other kinds are left to the general decoder; damaged ones fail cleanly.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "medialib/media_decoder.h"
#include "support/test_media.h"

namespace velk {
namespace {

using test::Put16;
using test::Put32;
using test::PutTag;

struct TWavShape {
  uint16_t Tag = 1;  // 0xFFFE: the extensible form
  int32_t Channels = 2;
  int32_t Rate = 44100;
  int32_t Bits = 16;
  int32_t Frames = 1000;
  bool OddChunkFirst = false;   // an odd-sized chunk (and its pad byte) before the format
  int64_t DeclaredData = -1;    // the data chunk's stated size; -1: the real one
  int32_t CutBytes = 0;         // bytes cut off the end of the file
  bool ChunkAfterData = false;  // a chunk after the data, which is not sound
  bool FullScale = false;       // every sample at full scale, alternating in sign with a skip every 100 samples
};

std::vector<uint8_t> make_wav(const TWavShape& w) {
  const uint32_t block = static_cast<uint32_t>(w.Channels * w.Bits / 8);
  const uint32_t data = static_cast<uint32_t>(w.Frames) * block;
  std::vector<uint8_t> b;
  PutTag(b, "RIFF");
  Put32(b, 0);  // not read
  PutTag(b, "WAVE");
  if (w.OddChunkFirst) {
    PutTag(b, "note");
    Put32(b, 3);
    PutTag(b, "abc");  // three bytes and the pad
  }
  PutTag(b, "fmt ");
  Put32(b, w.Tag == 0xFFFE ? 40 : 16);
  Put16(b, w.Tag);
  Put16(b, static_cast<uint32_t>(w.Channels));
  Put32(b, static_cast<uint32_t>(w.Rate));
  Put32(b, static_cast<uint32_t>(w.Rate) * block);
  Put16(b, block);
  Put16(b, static_cast<uint32_t>(w.Bits));
  if (w.Tag == 0xFFFE) {
    Put16(b, 22);
    Put16(b, static_cast<uint32_t>(w.Bits));
    Put32(b, w.Channels == 1 ? 4 : 3);
    static const uint8_t kPcm[16] = {1, 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
    for (uint8_t byte : kPcm) b.push_back(byte);
  }
  PutTag(b, "data");
  Put32(b, w.DeclaredData >= 0 ? static_cast<uint32_t>(w.DeclaredData) : data);
  for (int32_t i = 0; i < w.Frames; ++i) {
    for (int32_t c = 0; c < w.Channels; ++c) {
      const double v = w.FullScale ? ((i + i / 100) % 2 == 0 ? 1.0 : -1.01)
                                   : 0.6 * std::sin(0.05 * i * (c + 1)) + 0.3 * std::sin(0.31 * i);
      if (w.Bits == 8) {
        b.push_back(static_cast<uint8_t>(std::clamp<long>(128 + std::lround(v * 127), 0, 255)));
      } else if (w.Bits == 32) {
        const float f = static_cast<float>(v);
        uint32_t u;
        std::memcpy(&u, &f, 4);
        Put32(b, u);
      } else {
        Put16(b, static_cast<uint16_t>(static_cast<int16_t>(std::clamp<long>(std::lround(v * 32767), -32768, 32767))));
      }
    }
  }
  if (w.ChunkAfterData) {
    PutTag(b, "LIST");
    Put32(b, 4);
    PutTag(b, "INFO");
  }
  b.resize(b.size() - static_cast<size_t>(w.CutBytes));
  return b;
}

std::unique_ptr<IByteSource> source_of(const std::vector<uint8_t>& bytes) {
  return std::make_unique<TMemorySource>(bytes);
}

// Every piece until the end: its position, then its samples.
std::vector<std::vector<int64_t>> pieces(IMediaDecoder& d) {
  std::vector<std::vector<int64_t>> out;
  TDecodedPiece piece;
  for (int i = 0; i < 10000; ++i) {
    const bool more = d.Decode(piece);
    std::vector<int64_t> p{piece.PcmStart};
    p.insert(p.end(), piece.Pcm.begin(), piece.Pcm.end());
    out.push_back(std::move(p));
    if (!more) break;
  }
  return out;
}

TEST(WavDecoder, GivesWhatTheGeneralDecoderGives) {
  const std::vector<std::pair<std::string, TWavShape>> cases = {
      {"stereo 16-bit at the mixer's rate", {.Frames = 5000}},
      {"stereo 8-bit at the mixer's rate", {.Bits = 8, .Frames = 5000}},
      {"mono 16-bit at half the rate", {.Channels = 1, .Rate = 22050, .Frames = 7001}},
      {"stereo 16-bit at half the rate", {.Rate = 22050, .Frames = 5000}},
      {"mono 8-bit at half the rate", {.Channels = 1, .Rate = 22050, .Bits = 8, .Frames = 4097}},
      {"full scale, the converter's sums overflowing", {.Rate = 22050, .Frames = 3000, .FullScale = true}},
      {"too short for the converter to give anything", {.Rate = 22050, .Frames = 32}},
      {"just long enough for it", {.Channels = 1, .Rate = 22050, .Frames = 33}},
      {"mono 16-bit at the mixer's rate", {.Channels = 1, .Frames = 3000}},
      {"mono 8-bit at the mixer's rate", {.Channels = 1, .Bits = 8, .Frames = 3000}},
      {"stereo 8-bit at a quarter of the rate", {.Rate = 11025, .Bits = 8, .Frames = 3000}},
      {"six channels at 48 kHz", {.Channels = 6, .Rate = 48000, .Frames = 2000}},
      {"the extensible form", {.Tag = 0xFFFE, .Frames = 4000}},
      {"an odd chunk before the format, a chunk after the data",
       {.Frames = 3000, .OddChunkFirst = true, .ChunkAfterData = true}},
      {"data cut short, partial last frame", {.Channels = 1, .Rate = 22050, .Frames = 3000, .CutBytes = 1001}},
      {"data size left open", {.Rate = 32000, .Frames = 3000, .DeclaredData = 0}},
      {"an odd data size", {.Channels = 1, .Bits = 8, .Frames = 2999}},
  };
  for (const auto& [name, shape] : cases) {
    SCOPED_TRACE(name);
    const std::vector<uint8_t> bytes = make_wav(shape);
    auto src = source_of(bytes);
    auto native = OpenWavDecoder(src);
    ASSERT_NE(native, nullptr);
    ASSERT_EQ(src, nullptr);
    auto general = OpenAvDecoder(source_of(bytes), true, false);
    ASSERT_NE(general, nullptr);
    EXPECT_EQ(native->LengthFrames(), general->LengthFrames());
    EXPECT_TRUE(native->HasAudio());
    const auto expected = pieces(*general);
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(pieces(*native), expected);
    // Seeks: into the middle, back to the start, and past the end.
    for (int64_t frame : {int64_t{2345}, int64_t{0}, general->LengthFrames() / 2 + 1, int64_t{1} << 30}) {
      SCOPED_TRACE(frame);
      native->Seek(frame);
      general->Seek(frame);
      EXPECT_EQ(pieces(*native), pieces(*general));
    }
  }
}

TEST(WavDecoder, LeavesOtherDataToTheGeneralDecoder) {
  std::vector<uint8_t> float_wav = make_wav({.Bits = 32, .Frames = 2000});
  float_wav[20] = 3;  // IEEE float samples
  std::vector<uint8_t> adpcm = make_wav({.Frames = 100});
  adpcm[20] = 2;
  std::vector<uint8_t> big_endian = make_wav({.Frames = 100});
  big_endian[3] = 'X';
  std::vector<uint8_t> extensible_float = make_wav({.Tag = 0xFFFE, .Frames = 100});
  extensible_float[44] = 3;
  std::vector<uint8_t> odd_block = make_wav({.Frames = 100});
  odd_block[32] = 6;
  for (const auto* bytes : {&float_wav, &adpcm, &big_endian, &extensible_float, &odd_block}) {
    auto src = source_of(*bytes);
    EXPECT_EQ(OpenWavDecoder(src), nullptr);
    ASSERT_NE(src, nullptr);
    EXPECT_EQ(src->Tell(), 0);
  }
  // The general decoder still plays the ones it knows.
  auto d = OpenSoundDecoder(source_of(float_wav));
  ASSERT_NE(d, nullptr);
  TDecodedPiece piece;
  d->Decode(piece);
  EXPECT_FALSE(piece.Pcm.empty());
}

TEST(WavDecoder, RefusesWavesThatCannotPlay) {
  std::vector<uint8_t> no_channels = make_wav({.Frames = 100});
  no_channels[22] = 0;
  std::vector<uint8_t> no_rate = make_wav({.Frames = 100});
  std::fill(no_rate.begin() + 24, no_rate.begin() + 28, 0);
  std::vector<uint8_t> too_many_channels = make_wav({.Channels = 9, .Frames = 10});
  std::vector<uint8_t> no_data = make_wav({.Frames = 100});
  no_data.resize(36);
  std::vector<uint8_t> chunk_past_end = make_wav({.Frames = 100, .OddChunkFirst = true});
  chunk_past_end[19] = 0x7F;  // the first chunk claims more than the file holds: no format is found
  for (const auto* bytes : {&no_channels, &no_rate, &too_many_channels, &no_data}) {
    auto src = source_of(*bytes);
    EXPECT_EQ(OpenWavDecoder(src), nullptr);
    EXPECT_EQ(src, nullptr);
    EXPECT_EQ(OpenSoundDecoder(source_of(*bytes)), nullptr);
  }
  EXPECT_EQ(OpenSoundDecoder(source_of(chunk_past_end)), nullptr);
  // Only the header of a data chunk: it opens and ends at once.
  auto empty = OpenSoundDecoder(source_of(make_wav({.Frames = 0})));
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty->LengthFrames(), 0);
  TDecodedPiece piece;
  EXPECT_FALSE(empty->Decode(piece));
  EXPECT_TRUE(piece.Pcm.empty());
}

}  // namespace
}  // namespace velk
