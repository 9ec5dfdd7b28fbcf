#pragma once
// Decoders of the media library: compressed data in, 44.1 kHz 16-bit stereo PCM and 32-bit pictures out. Each
// decoder is used by one thread at a time (an item's decoding thread, or the caller of a decoding stream).
#include <cstdint>
#include <memory>
#include <vector>

#include "medialib/byte_source.h"

namespace velk {

constexpr int32_t kMaxVideoSide = 4096;

// One decoded picture: Width x Height pixels of 0x00RRGGBB, shown from PtsMs on.
struct TVideoPicture {
  int64_t PtsMs = 0;
  std::vector<uint32_t> Pixels;
};

struct TDecodedPiece {
  std::vector<int16_t> Pcm;  // interleaved stereo frames at 44.1 kHz
  int64_t PcmStart = 0;      // media position of the first frame, in 44.1 kHz frames
  std::vector<TVideoPicture> Pictures;
  void Clear() {
    Pcm.clear();
    Pictures.clear();
  }
};

class IMediaDecoder {
 public:
  virtual ~IMediaDecoder() = default;
  // Decodes the next piece into out (cleared first). False at the end of the data (out may still hold its last
  // piece); damaged data ends the decoding as the end would.
  virtual bool Decode(TDecodedPiece& out) = 0;
  // Moves to a media position in 44.1 kHz frames; data before it is not delivered.
  virtual void Seek(int64_t frame) = 0;
  virtual int64_t LengthFrames() const = 0;
  virtual bool HasAudio() const = 0;
  virtual bool HasVideo() const { return false; }
  virtual int32_t Width() const { return 0; }
  virtual int32_t Height() const { return 0; }
};

// Ogg Vorbis; null when the data is not a readable Vorbis stream.
std::unique_ptr<IMediaDecoder> OpenVorbisDecoder(std::unique_ptr<IByteSource> source);
// Plain PCM waves (RIFF with 8- or 16-bit integer samples) without the general decoder. Takes the source when the
// data is such a wave, answering its decoder, or null when the wave cannot play (no channels, no rate, no data);
// leaves the source (at its start) and answers null when the data is anything else.
std::unique_ptr<IMediaDecoder> OpenWavDecoder(std::unique_ptr<IByteSource>& source);
// Sound other than Ogg Vorbis: plain PCM waves by OpenWavDecoder, everything else by the general decoder.
std::unique_ptr<IMediaDecoder> OpenSoundDecoder(std::unique_ptr<IByteSource> source);
// Any container and codec of the general decoder (ASF with Windows Media audio and video, MPEG, AVI, wave). With
// want_video false the pictures are not decoded; with want_audio false the sound is not. Null when the data has
// nothing playable.
std::unique_ptr<IMediaDecoder> OpenAvDecoder(std::unique_ptr<IByteSource> source, bool want_audio, bool want_video);

inline int64_t FramesToMs(int64_t frames) { return frames * 1000 / 44100; }
inline int64_t MsToFrames(int64_t ms) { return ms * 44100 / 1000; }

}  // namespace velk
