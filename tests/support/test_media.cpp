#include "support/test_media.h"

#include <vorbis/vorbisenc.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <cstring>
#include <stdexcept>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
}

namespace velk::test {

namespace {

float tone(int64_t i, int32_t rate) { return 0.3f * static_cast<float>(std::sin(2.0 * M_PI * 440.0 * i / rate)); }

void need(bool ok, const char* what) {
  if (!ok) throw std::runtime_error(what);
}

}  // namespace

void Put16(std::vector<uint8_t>& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t>& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

void PutTag(std::vector<uint8_t>& b, const char* tag) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(tag[i]));
}

std::vector<uint8_t> MakeWav(int32_t ms, int32_t rate, int32_t channels) {
  const uint32_t frames = static_cast<uint32_t>(int64_t{ms} * rate / 1000);
  const uint32_t data = frames * static_cast<uint32_t>(channels) * 2;
  std::vector<uint8_t> b;
  PutTag(b, "RIFF");
  Put32(b, 36 + data);
  PutTag(b, "WAVE");
  PutTag(b, "fmt ");
  Put32(b, 16);
  Put16(b, 1);
  Put16(b, static_cast<uint32_t>(channels));
  Put32(b, static_cast<uint32_t>(rate));
  Put32(b, static_cast<uint32_t>(rate * channels * 2));
  Put16(b, static_cast<uint32_t>(channels * 2));
  Put16(b, 16);
  PutTag(b, "data");
  Put32(b, data);
  for (uint32_t i = 0; i < frames; ++i) {
    for (int32_t c = 0; c < channels; ++c) Put16(b, static_cast<uint16_t>(static_cast<int16_t>(tone(i, rate) * 32767)));
  }
  return b;
}

std::vector<uint8_t> MakeOgg(int32_t ms, int32_t rate, int32_t channels) {
  std::vector<uint8_t> out;
  vorbis_info vi;
  vorbis_info_init(&vi);
  need(vorbis_encode_init_vbr(&vi, channels, rate, 0.1f) == 0, "vorbis encoder");
  vorbis_comment vc;
  vorbis_comment_init(&vc);
  vorbis_dsp_state vd;
  vorbis_analysis_init(&vd, &vi);
  vorbis_block vb;
  vorbis_block_init(&vd, &vb);
  ogg_stream_state os;
  ogg_stream_init(&os, 1);
  ogg_packet header, comm, code;
  vorbis_analysis_headerout(&vd, &vc, &header, &comm, &code);
  ogg_stream_packetin(&os, &header);
  ogg_stream_packetin(&os, &comm);
  ogg_stream_packetin(&os, &code);
  ogg_page og;
  auto emit = [&] {
    out.insert(out.end(), og.header, og.header + og.header_len);
    out.insert(out.end(), og.body, og.body + og.body_len);
  };
  while (ogg_stream_flush(&os, &og) != 0) emit();
  const int64_t frames = int64_t{ms} * rate / 1000;
  int64_t done = 0;
  bool eos = false;
  while (!eos) {
    const int n = static_cast<int>(std::min<int64_t>(1024, frames - done));
    if (n <= 0) {
      vorbis_analysis_wrote(&vd, 0);
    } else {
      float** buf = vorbis_analysis_buffer(&vd, n);
      for (int i = 0; i < n; ++i) {
        for (int c = 0; c < channels; ++c) buf[c][i] = tone(done + i, rate);
      }
      vorbis_analysis_wrote(&vd, n);
      done += n;
    }
    while (vorbis_analysis_blockout(&vd, &vb) == 1) {
      vorbis_analysis(&vb, nullptr);
      vorbis_bitrate_addblock(&vb);
      ogg_packet op;
      while (vorbis_bitrate_flushpacket(&vd, &op) != 0) {
        ogg_stream_packetin(&os, &op);
        while (ogg_stream_pageout(&os, &og) != 0) {
          emit();
          if (ogg_page_eos(&og) != 0) eos = true;
        }
      }
    }
  }
  ogg_stream_clear(&os);
  vorbis_block_clear(&vb);
  vorbis_dsp_clear(&vd);
  vorbis_comment_clear(&vc);
  vorbis_info_clear(&vi);
  return out;
}

uint32_t TestVideoColour(int32_t ms, int32_t length_ms) { return ms < length_ms / 2 ? 0xFF0000u : 0x0000FFu; }

namespace {

struct TEncoder {
  AVCodecContext* ctx = nullptr;
  AVStream* stream = nullptr;
  ~TEncoder() { avcodec_free_context(&ctx); }
};

void open_encoder(AVFormatContext* fmt, TEncoder& e, AVCodecID id, bool video, int32_t width, int32_t height) {
  const AVCodec* codec = avcodec_find_encoder(id);
  need(codec != nullptr, "encoder");
  e.stream = avformat_new_stream(fmt, nullptr);
  e.ctx = avcodec_alloc_context3(codec);
  need(e.stream != nullptr && e.ctx != nullptr, "stream");
  if (video) {
    e.ctx->width = width;
    e.ctx->height = height;
    e.ctx->pix_fmt = AV_PIX_FMT_YUV420P;
    e.ctx->time_base = AVRational{1, 25};
    e.ctx->framerate = AVRational{25, 1};
    e.ctx->gop_size = 5;
    e.ctx->bit_rate = 400000;
  } else {
    e.ctx->sample_rate = 44100;
    av_channel_layout_default(&e.ctx->ch_layout, 2);
    e.ctx->sample_fmt = codec->sample_fmts != nullptr ? codec->sample_fmts[0] : AV_SAMPLE_FMT_S16;
    e.ctx->bit_rate = 128000;
    e.ctx->time_base = AVRational{1, 44100};
  }
  if ((fmt->oformat->flags & AVFMT_GLOBALHEADER) != 0) e.ctx->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  need(avcodec_open2(e.ctx, codec, nullptr) >= 0, "open encoder");
  need(avcodec_parameters_from_context(e.stream->codecpar, e.ctx) >= 0, "parameters");
  e.stream->time_base = e.ctx->time_base;
}

void drain(AVFormatContext* fmt, TEncoder& e, AVFrame* frame) {
  need(avcodec_send_frame(e.ctx, frame) >= 0, "encode");
  AVPacket* pkt = av_packet_alloc();
  while (avcodec_receive_packet(e.ctx, pkt) >= 0) {
    av_packet_rescale_ts(pkt, e.ctx->time_base, e.stream->time_base);
    pkt->stream_index = e.stream->index;
    need(av_interleaved_write_frame(fmt, pkt) >= 0, "write");
  }
  av_packet_free(&pkt);
}

void fill_picture(AVFrame* f, uint32_t rgb) {
  const int r = (rgb >> 16) & 255, g = (rgb >> 8) & 255, b = rgb & 255;
  const int y = (66 * r + 129 * g + 25 * b + 128) / 256 + 16;
  const int u = (-38 * r - 74 * g + 112 * b + 128) / 256 + 128;
  const int v = (112 * r - 94 * g - 18 * b + 128) / 256 + 128;
  for (int row = 0; row < f->height; ++row) std::memset(f->data[0] + row * f->linesize[0], y, f->width);
  for (int row = 0; row < f->height / 2; ++row) {
    std::memset(f->data[1] + row * f->linesize[1], u, f->width / 2);
    std::memset(f->data[2] + row * f->linesize[2], v, f->width / 2);
  }
}

}  // namespace

std::vector<uint8_t> MakeAvMedia(TAvKind kind, int32_t ms, int32_t width, int32_t height) {
  const char* format = kind == TAvKind::Mpeg ? "mpeg" : kind == TAvKind::Avi ? "avi" : "asf";
  AVFormatContext* fmt = nullptr;
  need(avformat_alloc_output_context2(&fmt, nullptr, format, nullptr) >= 0, "muxer");
  TEncoder video, audio;
  const bool has_video = kind != TAvKind::Wma;
  const bool has_audio = kind != TAvKind::Avi;
  if (has_video) {
    const AVCodecID id = kind == TAvKind::Wmv    ? AV_CODEC_ID_WMV2
                         : kind == TAvKind::Mpeg ? AV_CODEC_ID_MPEG1VIDEO
                                                 : AV_CODEC_ID_MPEG4;
    open_encoder(fmt, video, id, true, width, height);
  }
  if (has_audio) open_encoder(fmt, audio, kind == TAvKind::Mpeg ? AV_CODEC_ID_MP2 : AV_CODEC_ID_WMAV2, false, 0, 0);
  // Written to a real file: the containers fill in their lengths and indexes by seeking back.
  char path[] = "/tmp/velk-media-XXXXXX";
  const int fd = mkstemp(path);
  need(fd >= 0, "temporary file");
  close(fd);
  need(avio_open(&fmt->pb, path, AVIO_FLAG_WRITE) >= 0, "output");
  need(avformat_write_header(fmt, nullptr) >= 0, "header");

  AVFrame* frame = av_frame_alloc();
  const int64_t total_samples = int64_t{ms} * 44100 / 1000;
  const int64_t total_pictures = int64_t{ms} * 25 / 1000;
  int64_t samples = 0, pictures = 0;
  while ((has_audio && samples < total_samples) || (has_video && pictures < total_pictures)) {
    // Whichever stream is behind in time goes next, so the file is interleaved.
    const bool audio_next = has_audio && samples < total_samples &&
                            (!has_video || pictures >= total_pictures || samples * 25 <= pictures * 44100);
    av_frame_unref(frame);
    if (audio_next) {
      const int n = audio.ctx->frame_size > 0 ? audio.ctx->frame_size : 1024;
      frame->nb_samples = n;
      frame->format = audio.ctx->sample_fmt;
      frame->sample_rate = 44100;
      av_channel_layout_copy(&frame->ch_layout, &audio.ctx->ch_layout);
      need(av_frame_get_buffer(frame, 0) >= 0, "audio frame");
      for (int i = 0; i < n; ++i) {
        const float s = samples + i < total_samples ? tone(samples + i, 44100) : 0.0f;
        for (int c = 0; c < 2; ++c) {
          if (frame->format == AV_SAMPLE_FMT_FLTP) {
            reinterpret_cast<float*>(frame->extended_data[c])[i] = s;
          } else if (frame->format == AV_SAMPLE_FMT_S16P) {
            reinterpret_cast<int16_t*>(frame->extended_data[c])[i] = static_cast<int16_t>(s * 32767);
          } else {
            reinterpret_cast<int16_t*>(frame->data[0])[2 * i + c] = static_cast<int16_t>(s * 32767);
          }
        }
      }
      frame->pts = samples;
      samples += n;
      drain(fmt, audio, frame);
    } else {
      frame->width = width;
      frame->height = height;
      frame->format = AV_PIX_FMT_YUV420P;
      need(av_frame_get_buffer(frame, 0) >= 0, "picture");
      fill_picture(frame, TestVideoColour(static_cast<int32_t>(pictures * 40), ms));
      frame->pts = pictures;
      ++pictures;
      drain(fmt, video, frame);
    }
  }
  if (has_audio) drain(fmt, audio, nullptr);
  if (has_video) drain(fmt, video, nullptr);
  need(av_write_trailer(fmt) >= 0, "trailer");
  av_frame_free(&frame);
  avio_closep(&fmt->pb);
  avformat_free_context(fmt);
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> out((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::remove(path);
  return out;
}

}  // namespace velk::test
