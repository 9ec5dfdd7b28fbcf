// The general decoder: FFmpeg's demuxers and codecs over the item's byte source through a custom I/O context. Sound
// is converted to the mixer's format, pictures to 32-bit pixels of their own size.
#include <algorithm>
#include <cstring>
#include <string_view>

#include "medialib/av_library.h"
#include "medialib/media_decoder.h"
#include "medialib/pcm_resampler.h"

namespace velk {

namespace {

constexpr int kIoBufferSize = 32768;
// Unreadable packets in a row before the data counts as ended.
constexpr int kMaxErrorsInRow = 64;
// Packets read for one piece before it is handed out even if it is still empty (streams of other kinds).
constexpr int kMaxPacketsPerPiece = 64;

int read_packet(void* opaque, uint8_t* buf, int size) {
  const int32_t n = static_cast<IByteSource*>(opaque)->Read(buf, size);
  return n > 0 ? n : AVERROR_EOF;
}

int64_t seek_packet(void* opaque, int64_t offset, int whence) {
  auto* s = static_cast<IByteSource*>(opaque);
  switch (whence & ~AVSEEK_FORCE) {
    case AVSEEK_SIZE: return s->Size();
    case SEEK_SET: break;
    case SEEK_CUR: offset += s->Tell(); break;
    case SEEK_END: offset += s->Size(); break;
    default: return -1;
  }
  if (offset < 0 || offset > s->Size()) return -1;
  return s->Seek(offset);
}

struct TCodec {
  int index = -1;
  AVCodecContext* ctx = nullptr;
  AVRational time_base{1, 1000};
};

// The containers of the sounds and films games ship (wave, Windows Media, MPEG, AVI, Ogg, MP3), and their codecs.
constexpr const char* kContainers = "wav,asf,mpeg,mpegvideo,avi,ogg,mp3";
constexpr const char* kCodecs =
    "pcm_u8,pcm_s16le,pcm_s16be,pcm_s24le,pcm_s32le,pcm_f32le,pcm_f64le,pcm_alaw,pcm_mulaw,adpcm_ms,adpcm_ima_wav,"
    "gsm_ms,wmav1,wmav2,wmapro,wmavoice,wmalossless,mp1,mp2,mp3,mp1float,mp2float,mp3float,vorbis,wmv1,wmv2,wmv3,"
    "vc1,mpeg1video,mpeg2video,mpeg4,msmpeg4v1,msmpeg4v2,msmpeg4,h264,cinepak,msvideo1,msrle,rawvideo,mjpeg,"
    "indeo3,indeo4,indeo5";

bool allowed_codec(const char* name) {
  const std::string_view list = kCodecs, wanted = name != nullptr ? name : "";
  for (size_t start = 0; start <= list.size();) {
    size_t end = list.find(',', start);
    if (end == std::string_view::npos) end = list.size();
    if (list.substr(start, end - start) == wanted) return true;
    start = end + 1;
  }
  return false;
}

class TAvDecoder : public IMediaDecoder {
 public:
  TAvDecoder(const TAvLibrary::TDecoders& av, std::unique_ptr<IByteSource> source)
      : av_(av), source_(std::move(source)) {}
  ~TAvDecoder() override {
    av_.avcodec_free_context(&audio_.ctx);
    av_.avcodec_free_context(&video_.ctx);
    av_.sws_freeContext(sws_);
    av_.av_frame_free(&frame_);
    av_.av_packet_free(&packet_);
    av_.avformat_close_input(&format_);
    if (io_ != nullptr) av_.av_freep(&io_->buffer);
    av_.avio_context_free(&io_);
  }
  TAvDecoder(const TAvDecoder&) = delete;
  TAvDecoder& operator=(const TAvDecoder&) = delete;

  bool Open(bool want_audio, bool want_video) {
    auto* buffer = static_cast<uint8_t*>(av_.av_malloc(kIoBufferSize));
    if (buffer == nullptr) return false;
    io_ = av_.avio_alloc_context(buffer, kIoBufferSize, 0, source_.get(), read_packet, nullptr, seek_packet);
    if (io_ == nullptr) {
      av_.av_free(buffer);
      return false;
    }
    format_ = av_.avformat_alloc_context();
    if (format_ == nullptr) return false;
    format_->pb = io_;
    format_->flags |= AVFMT_FLAG_CUSTOM_IO;
    // Only the containers and codecs that games ship are opened: the library knows many more (pictures among
    // them), and each one more is code that hostile bytes could reach.
    format_->codec_whitelist = av_.av_strdup(kCodecs);
    AVDictionary* options = nullptr;
    av_.av_dict_set(&options, "format_whitelist", kContainers, 0);
    const int opened = av_.avformat_open_input(&format_, nullptr, nullptr, &options);  // frees format_ on failure
    av_.av_dict_free(&options);
    if (opened < 0) return false;
    if (av_.avformat_find_stream_info(format_, nullptr) < 0) return false;
    if (want_audio) open_codec(AVMEDIA_TYPE_AUDIO, audio_);
    if (want_video) open_codec(AVMEDIA_TYPE_VIDEO, video_);
    if (video_.ctx != nullptr) {
      width_ = video_.ctx->width;
      height_ = video_.ctx->height;
      if (width_ <= 0 || height_ <= 0 || width_ > kMaxVideoSide || height_ > kMaxVideoSide) {
        av_.avcodec_free_context(&video_.ctx);
        video_.index = -1;
        width_ = height_ = 0;
      }
    }
    if (audio_.ctx == nullptr && video_.ctx == nullptr) return false;
    start_ms_ = format_->start_time != AV_NOPTS_VALUE ? format_->start_time / 1000 : 0;
    if (format_->duration != AV_NOPTS_VALUE && format_->duration > 0) length_ = MsToFrames(format_->duration / 1000);
    frame_ = av_.av_frame_alloc();
    packet_ = av_.av_packet_alloc();
    return frame_ != nullptr && packet_ != nullptr;
  }

  bool Decode(TDecodedPiece& out) override {
    out.Clear();
    out.PcmStart = next_frame_;
    pcm_start_set_ = false;
    if (ended_) return false;
    for (int packets = 0; packets < kMaxPacketsPerPiece && out.Pcm.empty() && out.Pictures.empty(); ++packets) {
      const int err = av_.av_read_frame(format_, packet_);
      if (err == AVERROR(EAGAIN)) continue;
      if (err < 0) {
        finish(out);
        return false;
      }
      TCodec* c = packet_->stream_index == audio_.index   ? &audio_
                  : packet_->stream_index == video_.index ? &video_
                                                          : nullptr;
      if (c != nullptr) {
        if (av_.avcodec_send_packet(c->ctx, packet_) < 0) {
          if (++errors_ >= kMaxErrorsInRow) {
            av_.av_packet_unref(packet_);
            finish(out);
            return false;
          }
        } else {
          errors_ = 0;
        }
        receive(*c, out);
      }
      av_.av_packet_unref(packet_);
    }
    return true;
  }

  void Seek(int64_t frame) override {
    frame = std::max<int64_t>(frame, 0);
    const int64_t ts = FramesToMs(frame) * 1000 + (format_->start_time != AV_NOPTS_VALUE ? format_->start_time : 0);
    av_.av_seek_frame(format_, -1, ts, AVSEEK_FLAG_BACKWARD);
    if (audio_.ctx != nullptr) av_.avcodec_flush_buffers(audio_.ctx);
    if (video_.ctx != nullptr) av_.avcodec_flush_buffers(video_.ctx);
    resampler_.Reset();
    next_frame_ = frame;
    skip_before_ = frame;
    ended_ = false;
    errors_ = 0;
  }

  int64_t LengthFrames() const override { return length_; }
  bool HasAudio() const override { return audio_.ctx != nullptr; }
  bool HasVideo() const override { return video_.ctx != nullptr; }
  int32_t Width() const override { return width_; }
  int32_t Height() const override { return height_; }

 private:
  void open_codec(AVMediaType type, TCodec& c) {
    const AVCodec* codec = nullptr;
    const int index = av_.av_find_best_stream(format_, type, -1, -1, &codec, 0);
    if (index < 0 || codec == nullptr || !allowed_codec(codec->name)) return;
    c.ctx = av_.avcodec_alloc_context3(codec);
    if (c.ctx == nullptr) return;
    AVStream* st = format_->streams[index];
    c.ctx->thread_count = 1;
    if (av_.avcodec_parameters_to_context(c.ctx, st->codecpar) < 0 || av_.avcodec_open2(c.ctx, codec, nullptr) < 0) {
      av_.avcodec_free_context(&c.ctx);
      return;
    }
    c.index = index;
    c.time_base = st->time_base;
  }

  // Drains the decoders and the converter at the end of the data.
  void finish(TDecodedPiece& out) {
    ended_ = true;
    if (audio_.ctx != nullptr && av_.avcodec_send_packet(audio_.ctx, nullptr) >= 0) receive(audio_, out);
    if (video_.ctx != nullptr && av_.avcodec_send_packet(video_.ctx, nullptr) >= 0) receive(video_, out);
    if (audio_.ctx != nullptr) resampler_.Flush(out.Pcm);
    next_frame_ = out.PcmStart + static_cast<int64_t>(out.Pcm.size() / 2);
  }

  int64_t pts_ms(const TCodec& c) const {
    const int64_t pts = frame_->best_effort_timestamp;
    if (pts == AV_NOPTS_VALUE) return -1;
    return av_.av_rescale_q(pts, c.time_base, AVRational{1, 1000}) - start_ms_;
  }

  void receive(TCodec& c, TDecodedPiece& out) {
    while (av_.avcodec_receive_frame(c.ctx, frame_) >= 0) {
      if (&c == &audio_) {
        take_audio(out);
      } else {
        take_picture(out);
      }
      av_.av_frame_unref(frame_);
    }
  }

  void take_audio(TDecodedPiece& out) {
    const int64_t pts = pts_ms(audio_);
    if (frame_->sample_rate > 0 && pts >= 0) {
      const int64_t end = MsToFrames(pts) + static_cast<int64_t>(frame_->nb_samples) * 44100 / frame_->sample_rate;
      if (end <= skip_before_) return;  // before the position sought
      if (!pcm_start_set_ && out.Pcm.empty()) {
        out.PcmStart = std::max(MsToFrames(pts), skip_before_);
        pcm_start_set_ = true;
      }
    }
    if (!resampler_.Configure(frame_->ch_layout.nb_channels, frame_->sample_rate, frame_->format)) return;
    resampler_.Convert(frame_->extended_data, frame_->nb_samples, out.Pcm);
    next_frame_ = out.PcmStart + static_cast<int64_t>(out.Pcm.size() / 2);
  }

  void take_picture(TDecodedPiece& out) {
    if (frame_->width != width_ || frame_->height != height_) return;  // a changed size mid-stream is not shown
    const int64_t pts = std::max<int64_t>(pts_ms(video_), 0);
    if (MsToFrames(pts) + MsToFrames(40) < skip_before_) return;
    sws_ = av_.sws_getCachedContext(sws_, width_, height_, static_cast<AVPixelFormat>(frame_->format), width_, height_,
                                    AV_PIX_FMT_BGR0, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (sws_ == nullptr) return;
    TVideoPicture p;
    p.PtsMs = pts;
    p.Pixels.resize(static_cast<size_t>(width_) * static_cast<size_t>(height_));
    uint8_t* dst[4] = {reinterpret_cast<uint8_t*>(p.Pixels.data()), nullptr, nullptr, nullptr};
    int dst_stride[4] = {width_ * 4, 0, 0, 0};
    av_.sws_scale(sws_, frame_->data, frame_->linesize, 0, height_, dst, dst_stride);
    // BGR0 leaves the fourth byte as it was; pictures are 0x00RRGGBB.
    for (uint32_t& px : p.Pixels) px &= 0x00FFFFFFu;
    out.Pictures.push_back(std::move(p));
  }

  const TAvLibrary::TDecoders& av_;
  std::unique_ptr<IByteSource> source_;
  AVIOContext* io_ = nullptr;
  AVFormatContext* format_ = nullptr;
  AVFrame* frame_ = nullptr;
  AVPacket* packet_ = nullptr;
  SwsContext* sws_ = nullptr;
  TCodec audio_;
  TCodec video_;
  TPcmResampler resampler_;
  int32_t width_ = 0;
  int32_t height_ = 0;
  int64_t start_ms_ = 0;
  int64_t length_ = 0;
  int64_t next_frame_ = 0;
  int64_t skip_before_ = 0;
  bool pcm_start_set_ = false;
  bool ended_ = false;
  int errors_ = 0;
};

}  // namespace

std::unique_ptr<IMediaDecoder> OpenAvDecoder(std::unique_ptr<IByteSource> source, bool want_audio, bool want_video) {
  const TAvLibrary::TDecoders* av = TAvLibrary::Decoders();
  if (!source || av == nullptr) return nullptr;
  auto d = std::make_unique<TAvDecoder>(*av, std::move(source));
  if (!d->Open(want_audio, want_video)) return nullptr;
  return d;
}

}  // namespace velk
