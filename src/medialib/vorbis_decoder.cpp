// Ogg Vorbis through vorbisfile, reading the item's data through its byte source.
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cstring>

#include "medialib/media_decoder.h"
#include "medialib/pcm_resampler.h"

extern "C" {
#include <libavutil/samplefmt.h>
}

namespace velk {

namespace {

// Samples per channel asked of vorbisfile per piece.
constexpr int kPieceSamples = 4096;
// Holes and damaged packets in a row before the stream counts as ended.
constexpr int kMaxErrorsInRow = 16;

size_t read_cb(void* ptr, size_t size, size_t n, void* source) {
  const size_t bytes = std::min<size_t>(size * n, 1 << 30);
  if (size == 0) return 0;
  return static_cast<size_t>(static_cast<IByteSource*>(source)->Read(ptr, static_cast<int32_t>(bytes))) / size;
}

int seek_cb(void* source, ogg_int64_t offset, int whence) {
  auto* s = static_cast<IByteSource*>(source);
  int64_t target = offset;
  if (whence == SEEK_CUR) target += s->Tell();
  if (whence == SEEK_END) target += s->Size();
  if (target < 0) return -1;
  s->Seek(target);
  return 0;
}

long tell_cb(void* source) { return static_cast<long>(static_cast<IByteSource*>(source)->Tell()); }

class TVorbisDecoder : public IMediaDecoder {
 public:
  explicit TVorbisDecoder(std::unique_ptr<IByteSource> source) : source_(std::move(source)) {}
  ~TVorbisDecoder() override {
    if (open_) ov_clear(&file_);
  }
  TVorbisDecoder(const TVorbisDecoder&) = delete;
  TVorbisDecoder& operator=(const TVorbisDecoder&) = delete;

  bool Open() {
    ov_callbacks cb{read_cb, seek_cb, nullptr, tell_cb};
    if (ov_open_callbacks(source_.get(), &file_, nullptr, 0, cb) != 0) return false;
    open_ = true;
    vorbis_info* info = ov_info(&file_, -1);
    if (info == nullptr || !resampler_.Configure(info->channels, static_cast<int32_t>(info->rate), AV_SAMPLE_FMT_FLTP))
      return false;
    const ogg_int64_t total = ov_pcm_total(&file_, -1);
    rate_ = info->rate;
    length_ = total > 0 ? static_cast<int64_t>(total) * 44100 / rate_ : 0;
    return true;
  }

  bool Decode(TDecodedPiece& out) override {
    out.Clear();
    out.PcmStart = next_frame_;
    if (ended_) return false;
    for (int errors = 0; errors < kMaxErrorsInRow;) {
      float** pcm = nullptr;
      int section = 0;
      const long n = ov_read_float(&file_, &pcm, kPieceSamples, &section);
      if (n == OV_HOLE) {
        ++errors;
        continue;
      }
      if (n <= 0) break;  // the end, or a damaged stream
      vorbis_info* info = ov_info(&file_, section);
      if (info == nullptr ||
          !resampler_.Configure(info->channels, static_cast<int32_t>(info->rate), AV_SAMPLE_FMT_FLTP))
        break;
      resampler_.Convert(reinterpret_cast<const uint8_t* const*>(pcm), static_cast<int32_t>(n), out.Pcm);
      next_frame_ += static_cast<int64_t>(out.Pcm.size() / 2);
      if (!out.Pcm.empty()) return true;
      errors = 0;
    }
    ended_ = true;
    resampler_.Flush(out.Pcm);
    next_frame_ += static_cast<int64_t>(out.Pcm.size() / 2);
    return false;
  }

  void Seek(int64_t frame) override {
    frame = std::max<int64_t>(frame, 0);
    if (length_ > 0) frame = std::min(frame, length_);
    ended_ = ov_pcm_seek(&file_, static_cast<ogg_int64_t>(frame * rate_ / 44100)) != 0;
    resampler_.Reset();
    next_frame_ = frame;
  }

  int64_t LengthFrames() const override { return length_; }
  bool HasAudio() const override { return true; }

 private:
  std::unique_ptr<IByteSource> source_;
  OggVorbis_File file_{};
  bool open_ = false;
  bool ended_ = false;
  long rate_ = 44100;
  int64_t length_ = 0;
  int64_t next_frame_ = 0;
  TPcmResampler resampler_;
};

}  // namespace

std::unique_ptr<IMediaDecoder> OpenVorbisDecoder(std::unique_ptr<IByteSource> source) {
  if (!source) return nullptr;
  auto d = std::make_unique<TVorbisDecoder>(std::move(source));
  if (!d->Open()) return nullptr;
  return d;
}

}  // namespace velk
