#pragma once
// Audio output through an SDL device; when no device opens, the null sink consumes the stream instead.
#include <SDL.h>

#include "platform/audio.h"
#include "platform/null_audio.h"
#include "platform/sdl/sdl_library.h"

namespace velk {

class TSdlAudioOutput : public IAudioOutput {
 public:
  TSdlAudioOutput() = default;
  ~TSdlAudioOutput() override;
  TSdlAudioOutput(const TSdlAudioOutput&) = delete;
  TSdlAudioOutput& operator=(const TSdlAudioOutput&) = delete;

  void Start(TAudioFill fill) override;
  void Stop() override;
  bool HasDevice() const override { return device_ != 0; }

 private:
  static void callback(void* self, Uint8* stream, int len);

  SDL_AudioDeviceID device_ = 0;
  const TSdlLibrary* sdl_ = nullptr;  // set by Start; null when SDL cannot be loaded (the null sink plays)
  bool subsystem_ = false;
  TAudioFill fill_;
  TNullAudioOutput null_sink_;
};

}  // namespace velk
