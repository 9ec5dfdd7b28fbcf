#pragma once
// The null audio sink: a thread that pulls the stream at the rate a device would and throws the samples away.
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/audio.h"

namespace velk {

class TNullAudioOutput : public IAudioOutput {
 public:
  TNullAudioOutput() = default;
  ~TNullAudioOutput() override;
  TNullAudioOutput(const TNullAudioOutput&) = delete;
  TNullAudioOutput& operator=(const TNullAudioOutput&) = delete;

  void Start(TAudioFill fill) override;
  void Stop() override;
  bool HasDevice() const override { return false; }

 private:
  void run(TAudioFill fill);

  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace velk
