#include "medialib/av_library.h"

#include <string>

#include "platform/shared_library.h"

namespace velk {

namespace {

std::string soname(const char* name, int major) { return "lib" + std::string(name) + ".so." + std::to_string(major); }

bool load_converter(TAvLibrary::TConverter& f) {
  TSharedLibrary util, swr;
  if (!util.Open(soname("avutil", LIBAVUTIL_VERSION_MAJOR)) ||
      !swr.Open(soname("swresample", LIBSWRESAMPLE_VERSION_MAJOR)))
    return false;
  return VELK_FIND(util, f, av_channel_layout_default) && VELK_FIND(util, f, av_channel_layout_uninit) &&
         VELK_FIND(swr, f, swr_alloc_set_opts2) && VELK_FIND(swr, f, swr_init) && VELK_FIND(swr, f, swr_close) &&
         VELK_FIND(swr, f, swr_free) && VELK_FIND(swr, f, swr_get_out_samples) && VELK_FIND(swr, f, swr_convert);
}

bool load_decoders(TAvLibrary::TDecoders& f) {
  TSharedLibrary util, codec, format, sws;
  if (!util.Open(soname("avutil", LIBAVUTIL_VERSION_MAJOR)) ||
      !codec.Open(soname("avcodec", LIBAVCODEC_VERSION_MAJOR)) ||
      !format.Open(soname("avformat", LIBAVFORMAT_VERSION_MAJOR)) ||
      !sws.Open(soname("swscale", LIBSWSCALE_VERSION_MAJOR)))
    return false;
  const bool found = VELK_FIND(util, f, av_malloc) && VELK_FIND(util, f, av_free) && VELK_FIND(util, f, av_freep) &&
                     VELK_FIND(util, f, av_strdup) && VELK_FIND(util, f, av_dict_set) &&
                     VELK_FIND(util, f, av_dict_free) && VELK_FIND(util, f, av_frame_alloc) &&
                     VELK_FIND(util, f, av_frame_free) && VELK_FIND(util, f, av_frame_unref) &&
                     VELK_FIND(util, f, av_log_set_level) && VELK_FIND(util, f, av_rescale_q) &&
                     VELK_FIND(codec, f, avcodec_alloc_context3) && VELK_FIND(codec, f, avcodec_free_context) &&
                     VELK_FIND(codec, f, avcodec_parameters_to_context) && VELK_FIND(codec, f, avcodec_open2) &&
                     VELK_FIND(codec, f, avcodec_send_packet) && VELK_FIND(codec, f, avcodec_receive_frame) &&
                     VELK_FIND(codec, f, avcodec_flush_buffers) && VELK_FIND(codec, f, av_packet_alloc) &&
                     VELK_FIND(codec, f, av_packet_free) && VELK_FIND(codec, f, av_packet_unref) &&
                     VELK_FIND(format, f, avio_alloc_context) && VELK_FIND(format, f, avio_context_free) &&
                     VELK_FIND(format, f, avformat_alloc_context) && VELK_FIND(format, f, avformat_open_input) &&
                     VELK_FIND(format, f, avformat_find_stream_info) && VELK_FIND(format, f, avformat_close_input) &&
                     VELK_FIND(format, f, av_find_best_stream) && VELK_FIND(format, f, av_read_frame) &&
                     VELK_FIND(format, f, av_seek_frame) && VELK_FIND(sws, f, sws_getCachedContext) &&
                     VELK_FIND(sws, f, sws_scale) && VELK_FIND(sws, f, sws_freeContext);
  // Damaged data is expected and handled; the decoders' own complaints are not shown.
  if (found) f.av_log_set_level(AV_LOG_QUIET);
  return found;
}

}  // namespace

const TAvLibrary::TConverter* TAvLibrary::Converter() { return LoadedOnce<TConverter, load_converter>(); }

const TAvLibrary::TDecoders* TAvLibrary::Decoders() { return LoadedOnce<TDecoders, load_decoders>(); }

}  // namespace velk
