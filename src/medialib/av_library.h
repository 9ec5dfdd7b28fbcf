#pragma once
// FFmpeg's libraries, loaded when a sound or film first needs them rather than when the player starts: linked, they
// and the hundred-odd libraries they bring would be mapped and relocated on every start, for games that may never
// play anything but plain waves. The exact sonames of the headers compiled against are opened, and every function
// the media library calls is looked up once; the headers still give the types.
//
// Two groups load separately: the sample converter (libswresample over libavutil), which every decoder uses to turn
// its sound into the mixer's format, and the demuxers, codecs and picture scaler of the general decoder. A group that
// cannot be loaded, or lacks a function, is null: the media that need it do not open, as undecodable data does not.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace velk {

class TAvLibrary {
 public:
  struct TConverter {
    decltype(&::av_channel_layout_default) av_channel_layout_default = nullptr;
    decltype(&::av_channel_layout_uninit) av_channel_layout_uninit = nullptr;
    decltype(&::swr_alloc_set_opts2) swr_alloc_set_opts2 = nullptr;
    decltype(&::swr_init) swr_init = nullptr;
    decltype(&::swr_close) swr_close = nullptr;
    decltype(&::swr_free) swr_free = nullptr;
    decltype(&::swr_get_out_samples) swr_get_out_samples = nullptr;
    decltype(&::swr_convert) swr_convert = nullptr;
  };

  struct TDecoders {
    // libavutil
    decltype(&::av_malloc) av_malloc = nullptr;
    decltype(&::av_free) av_free = nullptr;
    decltype(&::av_freep) av_freep = nullptr;
    decltype(&::av_strdup) av_strdup = nullptr;
    decltype(&::av_dict_set) av_dict_set = nullptr;
    decltype(&::av_dict_free) av_dict_free = nullptr;
    decltype(&::av_frame_alloc) av_frame_alloc = nullptr;
    decltype(&::av_frame_free) av_frame_free = nullptr;
    decltype(&::av_frame_unref) av_frame_unref = nullptr;
    decltype(&::av_log_set_level) av_log_set_level = nullptr;
    decltype(&::av_rescale_q) av_rescale_q = nullptr;
    // libavcodec
    decltype(&::avcodec_alloc_context3) avcodec_alloc_context3 = nullptr;
    decltype(&::avcodec_free_context) avcodec_free_context = nullptr;
    decltype(&::avcodec_parameters_to_context) avcodec_parameters_to_context = nullptr;
    decltype(&::avcodec_open2) avcodec_open2 = nullptr;
    decltype(&::avcodec_send_packet) avcodec_send_packet = nullptr;
    decltype(&::avcodec_receive_frame) avcodec_receive_frame = nullptr;
    decltype(&::avcodec_flush_buffers) avcodec_flush_buffers = nullptr;
    decltype(&::av_packet_alloc) av_packet_alloc = nullptr;
    decltype(&::av_packet_free) av_packet_free = nullptr;
    decltype(&::av_packet_unref) av_packet_unref = nullptr;
    // libavformat
    decltype(&::avio_alloc_context) avio_alloc_context = nullptr;
    decltype(&::avio_context_free) avio_context_free = nullptr;
    decltype(&::avformat_alloc_context) avformat_alloc_context = nullptr;
    decltype(&::avformat_open_input) avformat_open_input = nullptr;
    decltype(&::avformat_find_stream_info) avformat_find_stream_info = nullptr;
    decltype(&::avformat_close_input) avformat_close_input = nullptr;
    decltype(&::av_find_best_stream) av_find_best_stream = nullptr;
    decltype(&::av_read_frame) av_read_frame = nullptr;
    decltype(&::av_seek_frame) av_seek_frame = nullptr;
    // libswscale
    decltype(&::sws_getCachedContext) sws_getCachedContext = nullptr;
    decltype(&::sws_scale) sws_scale = nullptr;
    decltype(&::sws_freeContext) sws_freeContext = nullptr;
  };

  // Loaded on the first call from any thread; null when the libraries or one of the functions are missing.
  static const TConverter* Converter();
  static const TDecoders* Decoders();
};

}  // namespace velk
