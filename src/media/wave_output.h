#pragma once
// The wave output as the Ogg manager sees it when sound does not go through the media library: each sound is a
// source of the software wave output, which the first sound opens.
#include <memory>

#include "media/media_managers.h"
#include "media/wav_out.h"

namespace velk {

class TWaveOutput : public IWaveOutput {
 public:
  // run_worker false: the output's owner pumps it (once per frame on the game clock) instead of its worker.
  explicit TWaveOutput(TWavOut& out, bool run_worker = true) : out_(out), run_worker_(run_worker) {}
  // Opens the wave output once; a device that does not open leaves the null sink in its place.
  void Open() override;
  std::unique_ptr<IWaveBuffer> AddBuffer(const TVelkWaveFormat& format, TStream* stream) override;

 private:
  TWavOut& out_;
  bool run_worker_;
};

}  // namespace velk
