#pragma once
// The wave output as the Ogg manager sees it when sound does not go through the media library: each sound is a
// source of the software wave output, which the first sound opens.
#include <memory>

#include "media/media_managers.h"
#include "media/wav_out.h"

namespace velk {

class TWaveOutput : public IWaveOutput {
 public:
  explicit TWaveOutput(TWavOut& out) : out_(out) {}
  // Opens the wave output once; a device that does not open leaves the null sink in its place.
  void Open() override;
  std::unique_ptr<IWaveBuffer> AddBuffer(const TVelkWaveFormat& format, TStream* stream) override;

 private:
  TWavOut& out_;
};

}  // namespace velk
