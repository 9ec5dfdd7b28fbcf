#include "medialib/pcm_resampler.h"

#include "medialib/av_library.h"
#include "platform/audio.h"

namespace velk {

namespace {
// Channel counts beyond the usual surround layouts are refused.
constexpr int32_t kMaxChannels = 8;
constexpr int32_t kMaxRate = 384000;
}  // namespace

TPcmResampler::~TPcmResampler() {
  if (swr_ != nullptr) api_->swr_free(&swr_);
}

bool TPcmResampler::Configure(int32_t channels, int32_t rate, int32_t sample_format) {
  if (swr_ != nullptr && channels == channels_ && rate == rate_ && sample_format == format_) return true;
  if (swr_ != nullptr) api_->swr_free(&swr_);
  if (channels < 1 || channels > kMaxChannels || rate < 1 || rate > kMaxRate) return false;
  // The converter's libraries load with the first sound that needs them; without them nothing converts.
  if (api_ == nullptr) api_ = TAvLibrary::Converter();
  if (api_ == nullptr) return false;
  AVChannelLayout in_layout;
  api_->av_channel_layout_default(&in_layout, channels);
  AVChannelLayout out_layout;
  api_->av_channel_layout_default(&out_layout, kAudioChannels);
  int err = api_->swr_alloc_set_opts2(&swr_, &out_layout, AV_SAMPLE_FMT_S16, kAudioRate, &in_layout,
                                      static_cast<AVSampleFormat>(sample_format), rate, 0, nullptr);
  api_->av_channel_layout_uninit(&in_layout);
  api_->av_channel_layout_uninit(&out_layout);
  if (err < 0 || api_->swr_init(swr_) < 0) {
    api_->swr_free(&swr_);
    return false;
  }
  channels_ = channels;
  rate_ = rate;
  format_ = sample_format;
  return true;
}

void TPcmResampler::Convert(const uint8_t* const* data, int32_t count, std::vector<int16_t>& out) {
  if (swr_ == nullptr || count < 0) return;
  const int capacity = api_->swr_get_out_samples(swr_, count);
  if (capacity <= 0) return;
  const size_t old = out.size();
  out.resize(old + static_cast<size_t>(capacity) * kAudioChannels);
  uint8_t* dst = reinterpret_cast<uint8_t*>(out.data() + old);
  const int n = api_->swr_convert(swr_, &dst, capacity, const_cast<const uint8_t**>(data), count);
  out.resize(old + static_cast<size_t>(n > 0 ? n : 0) * kAudioChannels);
}

void TPcmResampler::Flush(std::vector<int16_t>& out) { Convert(nullptr, 0, out); }

void TPcmResampler::Reset() {
  if (swr_ == nullptr) return;
  api_->swr_close(swr_);
  if (api_->swr_init(swr_) < 0) api_->swr_free(&swr_);
}

}  // namespace velk
