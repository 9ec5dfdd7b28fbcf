#pragma once
// An audio output that consumes the stream by a clock instead of a device: each Pump pulls the frames that the
// clock's time since Start is due. On the virtual clock of headless runs sound therefore lasts as long in game time
// as it would in real time, however fast the frames run.
#include <cstdint>
#include <vector>

#include "platform/audio.h"
#include "platform/platform.h"

namespace velk {

class TClockAudioOutput : public IAudioOutput {
 public:
  explicit TClockAudioOutput(IClock& clock) : clock_(clock) {}

  void Start(TAudioFill fill) override;
  void Stop() override { fill_ = nullptr; }
  bool HasDevice() const override { return false; }
  // Pulls what is due; called once per frame on the thread that advances the clock.
  void Pump();

 private:
  IClock& clock_;
  TAudioFill fill_;
  uint32_t start_ms_ = 0;
  uint64_t consumed_ = 0;  // frames pulled since Start
  std::vector<int16_t> block_;
};

}  // namespace velk
