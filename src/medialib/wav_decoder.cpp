// Plain PCM waves (RIFF "WAVE" with 8- or 16-bit integer samples, format tag 1 or the extensible form with the PCM
// sub-format) read without the general decoder, whose libraries then need not load for the sound effects most games
// use. Every other wave (compressed, float, 24-bit, big-endian, an unusual block layout) goes to the general
// decoder. The pieces, their positions, the length and the seek positions are those the general decoder gives for
// the same file, so a wave plays the same whichever decoder reads it: mono or stereo at 44.1 or 22.05 kHz is
// converted here with the converter's own arithmetic, other rates and channel counts go through the converter.
#include <algorithm>
#include <array>
#include <cstring>

#include "medialib/media_decoder.h"
#include "medialib/pcm_doubler.h"
#include "medialib/pcm_resampler.h"
#include "platform/audio.h"

namespace velk {

namespace {

constexpr int32_t kMaxChannels = 8;
constexpr int32_t kMaxRate = 384000;
// Bytes of sample data per piece, rounded down to whole frames (as the general decoder's packets are).
constexpr int32_t kPacketBytes = 4096;
// Chunks looked at for the format and the data; a file of countless tiny chunks is left to the general decoder.
constexpr int kMaxChunks = 1024;
// Seek targets beyond any wave (over two weeks at 44.1 kHz) are taken as this, which keeps the arithmetic in range.
constexpr int64_t kMaxSeekFrame = int64_t{1} << 36;
// Pieces read for one call before it answers even with nothing converted yet.
constexpr int kMaxPacketsPerPiece = 64;
constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatExtensible = 0xFFFE;
// The PCM sub-format of the extensible form: format tag 1 followed by the fixed tail of the wave GUIDs.
constexpr std::array<uint8_t, 16> kPcmSubFormat = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                                   0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t le32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

// Reads count bytes (fewer only at the end of the data).
int32_t read_full(IByteSource& s, uint8_t* buffer, int32_t count) {
  int32_t done = 0;
  while (done < count) {
    const int32_t n = s.Read(buffer + done, count - done);
    if (n <= 0) break;
    done += n;
  }
  return done;
}

// a * b / c rounded to the nearest, halves away from zero (how the general decoder rescales its time stamps).
int64_t rescale(int64_t a, int64_t b, int64_t c) { return (a * b + c / 2) / c; }

struct TWavFormat {
  int32_t Channels = 0;
  int32_t Rate = 0;
  int32_t Bits = 0;
  int64_t DataOffset = 0;
  int64_t DataBytes = 0;   // what the file holds of the data chunk
  bool DataToEnd = false;  // the chunk's size was left open (0 or all ones) or runs past the end of the file
  int32_t BlockAlign() const { return Channels * Bits / 8; }
};

enum class TProbe { Other, Broken, Pcm };

// Reads the format chunk's fields; Other for anything but 8- or 16-bit integer PCM in its plain block layout.
TProbe read_format(const uint8_t* f, uint32_t size, TWavFormat& w) {
  if (size < 16) return TProbe::Other;
  const uint16_t tag = le16(f);
  if (tag == kFormatExtensible) {
    if (size < 40 || le16(f + 16) < 22 || std::memcmp(f + 24, kPcmSubFormat.data(), kPcmSubFormat.size()) != 0)
      return TProbe::Other;
  } else if (tag != kFormatPcm) {
    return TProbe::Other;
  }
  w.Channels = le16(f + 2);
  const uint32_t rate = le32(f + 4), byte_rate = le32(f + 8);
  const uint16_t block_align = le16(f + 12);
  w.Bits = le16(f + 14);
  if (w.Bits != 8 && w.Bits != 16) return TProbe::Other;
  if (w.Channels < 1 || w.Channels > kMaxChannels || rate < 1 || rate > static_cast<uint32_t>(kMaxRate))
    return TProbe::Broken;
  w.Rate = static_cast<int32_t>(rate);
  // Other layouts read and seek by their own rules: the general decoder's.
  if (block_align != w.BlockAlign() || byte_rate != rate * block_align) return TProbe::Other;
  return TProbe::Pcm;
}

// Walks the chunks for the format and the data. Other when the data is no plain PCM wave; Broken when it is one
// that cannot play (no channels, no rate, no data chunk).
TProbe probe(IByteSource& s, TWavFormat& w) {
  const int64_t size = s.Size();
  s.Seek(0);
  uint8_t head[12];
  if (read_full(s, head, 12) != 12 || std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0)
    return TProbe::Other;
  bool have_format = false, have_data = false;
  TProbe format = TProbe::Other;
  int chunks = 0;
  for (int64_t at = 12; at + 8 <= size && !(have_format && have_data) && chunks < kMaxChunks; ++chunks) {
    uint8_t chunk[8];
    s.Seek(at);
    if (read_full(s, chunk, 8) != 8) break;
    const uint32_t length = le32(chunk + 4);
    const int64_t body = at + 8, left = size - body;
    if (std::memcmp(chunk, "fmt ", 4) == 0 && !have_format) {
      uint8_t f[40] = {};
      const int32_t want = static_cast<int32_t>(std::min<int64_t>({length, left, sizeof f}));
      if (read_full(s, f, want) != want) break;
      format = read_format(f, static_cast<uint32_t>(want), w);
      if (format == TProbe::Other) return TProbe::Other;
      have_format = true;
    } else if (std::memcmp(chunk, "data", 4) == 0 && !have_data) {
      have_data = true;
      w.DataOffset = body;
      w.DataToEnd = length == 0 || length == 0xFFFFFFFFu || length > left;
      w.DataBytes = w.DataToEnd ? left : length;
      if (w.DataToEnd) break;  // nothing follows an open data chunk
    }
    if (length > left) break;
    at = body + length + (length & 1);  // chunks are padded to even sizes
  }
  if (!have_format) return TProbe::Other;
  return format == TProbe::Pcm && have_data ? TProbe::Pcm : TProbe::Broken;
}

class TWavDecoder : public IMediaDecoder {
 public:
  TWavDecoder(std::unique_ptr<IByteSource> source, const TWavFormat& format)
      : source_(std::move(source)), w_(format), block_(format.BlockAlign()),
        packet_bytes_(std::max(kPacketBytes / block_ * block_, block_)), packet_(static_cast<size_t>(packet_bytes_)),
        doubler_(format.Channels) {
    // The length the general decoder reports: the frames of the data chunk, or when that chunk is open or cut
    // short, the bytes to the end of the file over the byte rate, rounded.
    const int64_t byte_rate = int64_t{w_.Rate} * block_;
    const int64_t samples = w_.DataToEnd ? rescale(w_.DataBytes, w_.Rate, byte_rate) : w_.DataBytes / block_;
    length_ = MsToFrames(rescale(samples, 1000000, w_.Rate) / 1000);
    // Mono and stereo at the mixer's rate and at half of it are converted here as the converter would; other
    // rates and channel counts go to the converter.
    if (w_.Channels <= 2 && w_.Rate == kAudioRate) {
      mode_ = TMode::Direct;
    } else if (w_.Channels <= 2 && w_.Rate * 2 == kAudioRate) {
      mode_ = TMode::Doubled;
    }
  }

  bool Decode(TDecodedPiece& out) override {
    out.Clear();
    out.PcmStart = next_frame_;
    pcm_start_set_ = false;
    if (ended_) return false;
    for (int packets = 0; packets < kMaxPacketsPerPiece && out.Pcm.empty(); ++packets) {
      const int64_t sample = position_ / block_;
      const int32_t frames = read_packet();
      if (frames < 0) {
        finish(out);
        return false;
      }
      if (frames > 0) take_audio(sample, frames, out);
    }
    return true;
  }

  void Seek(int64_t frame) override {
    frame = std::clamp<int64_t>(frame, 0, kMaxSeekFrame);
    position_ = rescale(FramesToMs(frame) * 1000, w_.Rate, 1000000) * block_;
    resampler_.Reset();
    doubler_.Reset();
    next_frame_ = frame;
    skip_before_ = frame;
    ended_ = false;
  }

  int64_t LengthFrames() const override { return length_; }
  bool HasAudio() const override { return true; }

 private:
  // Reads the next piece of sample data; answers its whole frames, or -1 at the end of the data.
  int32_t read_packet() {
    const int64_t left = w_.DataBytes - position_;
    if (left <= 0) return -1;
    const int32_t want = static_cast<int32_t>(std::min<int64_t>(left, packet_bytes_));
    source_->Seek(w_.DataOffset + position_);
    const int32_t got = read_full(*source_, packet_.data(), want);
    if (got <= 0) return -1;
    position_ += got;
    return got / block_;  // a last partial frame is not played
  }

  void take_audio(int64_t sample, int32_t frames, TDecodedPiece& out) {
    const int64_t at = MsToFrames(rescale(sample, 1000, w_.Rate));
    if (at + int64_t{frames} * kAudioRate / w_.Rate <= skip_before_) return;  // before the position sought
    if (!pcm_start_set_ && out.Pcm.empty()) {
      out.PcmStart = std::max(at, skip_before_);
      pcm_start_set_ = true;
    }
    if (mode_ == TMode::Converted) {
      if (!resampler_.Configure(w_.Channels, w_.Rate, w_.Bits == 8 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16)) return;
      const uint8_t* planes[1] = {packet_.data()};
      resampler_.Convert(planes, frames, out.Pcm);
    } else {
      const size_t count = static_cast<size_t>(frames) * static_cast<size_t>(w_.Channels);
      samples_.resize(count);
      const uint8_t* src = packet_.data();
      for (size_t i = 0; i < count; ++i) {
        // 8-bit samples are unsigned around 128.
        samples_[i] =
            w_.Bits == 8 ? static_cast<int16_t>((src[i] - 128) * 256) : static_cast<int16_t>(le16(src + 2 * i));
      }
      if (mode_ == TMode::Doubled) {
        doubler_.Convert(samples_.data(), frames, out.Pcm);
      } else if (w_.Channels == 1) {
        for (int16_t v : samples_) out.Pcm.insert(out.Pcm.end(), 2, MonoToSide(v));
      } else {
        out.Pcm.insert(out.Pcm.end(), samples_.begin(), samples_.end());
      }
    }
    next_frame_ = out.PcmStart + static_cast<int64_t>(out.Pcm.size() / 2);
  }

  void finish(TDecodedPiece& out) {
    ended_ = true;
    if (mode_ == TMode::Converted) resampler_.Flush(out.Pcm);
    if (mode_ == TMode::Doubled) doubler_.Flush(out.Pcm);
    next_frame_ = out.PcmStart + static_cast<int64_t>(out.Pcm.size() / 2);
  }

  std::unique_ptr<IByteSource> source_;
  TWavFormat w_;
  int32_t block_;
  int32_t packet_bytes_;
  std::vector<uint8_t> packet_;
  enum class TMode { Direct, Doubled, Converted };
  TMode mode_ = TMode::Converted;
  std::vector<int16_t> samples_;  // one piece as 16-bit samples
  TPcmResampler resampler_;
  TPcmDoubler doubler_;
  int64_t length_ = 0;
  int64_t position_ = 0;  // bytes into the data chunk
  int64_t next_frame_ = 0;
  int64_t skip_before_ = 0;
  bool pcm_start_set_ = false;
  bool ended_ = false;
};

}  // namespace

std::unique_ptr<IMediaDecoder> OpenWavDecoder(std::unique_ptr<IByteSource>& source) {
  if (!source) return nullptr;
  TWavFormat format;
  const TProbe kind = probe(*source, format);
  if (kind == TProbe::Other) {
    source->Seek(0);
    return nullptr;
  }
  std::unique_ptr<IByteSource> taken = std::move(source);
  if (kind == TProbe::Broken) return nullptr;
  return std::make_unique<TWavDecoder>(std::move(taken), format);
}

std::unique_ptr<IMediaDecoder> OpenSoundDecoder(std::unique_ptr<IByteSource> source) {
  auto wav = OpenWavDecoder(source);
  if (!source) return wav;  // a plain wave, played or refused
  return OpenAvDecoder(std::move(source), true, false);
}

}  // namespace velk
