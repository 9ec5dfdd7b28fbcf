#pragma once
// Converts decoded sound of any rate, channel count and sample format to the mixer's 44.1 kHz 16-bit stereo.
#include <cstdint>
#include <vector>

#include "medialib/av_library.h"

namespace velk {

class TPcmResampler {
 public:
  TPcmResampler() = default;
  ~TPcmResampler();
  TPcmResampler(const TPcmResampler&) = delete;
  TPcmResampler& operator=(const TPcmResampler&) = delete;

  // Sets up the input side (an FFmpeg sample format code); false when the input cannot be converted. Repeating
  // the same configuration keeps the converter.
  bool Configure(int32_t channels, int32_t rate, int32_t sample_format);
  // Appends the converted frames of count input samples (per channel) to out.
  void Convert(const uint8_t* const* data, int32_t count, std::vector<int16_t>& out);
  // Appends what the converter still holds (at the end of the data).
  void Flush(std::vector<int16_t>& out);
  // Drops what it holds (after a seek).
  void Reset();

 private:
  const TAvLibrary::TConverter* api_ = nullptr;  // set with the first converter (swr_ is null until then)
  SwrContext* swr_ = nullptr;
  int32_t channels_ = 0;
  int32_t rate_ = 0;
  int32_t format_ = -1;
};

}  // namespace velk
