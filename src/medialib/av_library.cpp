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
  return util.Find("av_channel_layout_default", f.av_channel_layout_default) &&
         util.Find("av_channel_layout_uninit", f.av_channel_layout_uninit) &&
         swr.Find("swr_alloc_set_opts2", f.swr_alloc_set_opts2) && swr.Find("swr_init", f.swr_init) &&
         swr.Find("swr_close", f.swr_close) && swr.Find("swr_free", f.swr_free) &&
         swr.Find("swr_get_out_samples", f.swr_get_out_samples) && swr.Find("swr_convert", f.swr_convert);
}

bool load_decoders(TAvLibrary::TDecoders& f) {
  TSharedLibrary util, codec, format, sws;
  if (!util.Open(soname("avutil", LIBAVUTIL_VERSION_MAJOR)) ||
      !codec.Open(soname("avcodec", LIBAVCODEC_VERSION_MAJOR)) ||
      !format.Open(soname("avformat", LIBAVFORMAT_VERSION_MAJOR)) ||
      !sws.Open(soname("swscale", LIBSWSCALE_VERSION_MAJOR)))
    return false;
  const bool found = util.Find("av_malloc", f.av_malloc) && util.Find("av_free", f.av_free) && util.Find("av_freep", f.av_freep) &&
         util.Find("av_strdup", f.av_strdup) && util.Find("av_dict_set", f.av_dict_set) &&
         util.Find("av_dict_free", f.av_dict_free) && util.Find("av_frame_alloc", f.av_frame_alloc) &&
         util.Find("av_frame_free", f.av_frame_free) && util.Find("av_frame_unref", f.av_frame_unref) &&
         util.Find("av_log_set_level", f.av_log_set_level) && util.Find("av_rescale_q", f.av_rescale_q) &&
         codec.Find("avcodec_alloc_context3", f.avcodec_alloc_context3) &&
         codec.Find("avcodec_free_context", f.avcodec_free_context) &&
         codec.Find("avcodec_parameters_to_context", f.avcodec_parameters_to_context) &&
         codec.Find("avcodec_open2", f.avcodec_open2) && codec.Find("avcodec_send_packet", f.avcodec_send_packet) &&
         codec.Find("avcodec_receive_frame", f.avcodec_receive_frame) &&
         codec.Find("avcodec_flush_buffers", f.avcodec_flush_buffers) &&
         codec.Find("av_packet_alloc", f.av_packet_alloc) && codec.Find("av_packet_free", f.av_packet_free) &&
         codec.Find("av_packet_unref", f.av_packet_unref) && format.Find("avio_alloc_context", f.avio_alloc_context) &&
         format.Find("avio_context_free", f.avio_context_free) &&
         format.Find("avformat_alloc_context", f.avformat_alloc_context) &&
         format.Find("avformat_open_input", f.avformat_open_input) &&
         format.Find("avformat_find_stream_info", f.avformat_find_stream_info) &&
         format.Find("avformat_close_input", f.avformat_close_input) &&
         format.Find("av_find_best_stream", f.av_find_best_stream) && format.Find("av_read_frame", f.av_read_frame) &&
         format.Find("av_seek_frame", f.av_seek_frame) && sws.Find("sws_getCachedContext", f.sws_getCachedContext) &&
         sws.Find("sws_scale", f.sws_scale) && sws.Find("sws_freeContext", f.sws_freeContext);
  // Damaged data is expected and handled; the decoders' own complaints are not shown.
  if (found) f.av_log_set_level(AV_LOG_QUIET);
  return found;
}

}  // namespace

const TAvLibrary::TConverter* TAvLibrary::Converter() { return LoadedOnce<TConverter, load_converter>(); }

const TAvLibrary::TDecoders* TAvLibrary::Decoders() { return LoadedOnce<TDecoders, load_decoders>(); }

}  // namespace velk
