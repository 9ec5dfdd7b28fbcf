#include "platform/sdl/sdl_audio.h"

#include <cstring>

#include "platform/sdl/sdl_library.h"

namespace velk {

TSdlAudioOutput::~TSdlAudioOutput() { Stop(); }

void TSdlAudioOutput::callback(void* self, Uint8* stream, int len) {
  auto* out = static_cast<TSdlAudioOutput*>(self);
  std::memset(stream, 0, static_cast<size_t>(len));
  if (out->fill_) {
    out->fill_(reinterpret_cast<int16_t*>(stream), static_cast<size_t>(len) / (sizeof(int16_t) * kAudioChannels));
  }
}

void TSdlAudioOutput::Start(TAudioFill fill) {
  Stop();
  sdl_ = TSdlLibrary::Get();
  subsystem_ = sdl_ != nullptr && sdl_->SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
  if (subsystem_) {
    fill_ = fill;
    SDL_AudioSpec want{};
    want.freq = kAudioRate;
    want.format = AUDIO_S16SYS;
    want.channels = kAudioChannels;
    want.samples = 1024;
    want.callback = &TSdlAudioOutput::callback;
    want.userdata = this;
    SDL_AudioSpec have{};
    device_ = sdl_->SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device_ != 0) {
      sdl_->SDL_PauseAudioDevice(device_, 0);
      return;
    }
  }
  null_sink_.Start(std::move(fill));
}

void TSdlAudioOutput::Stop() {
  if (device_ != 0) {
    sdl_->SDL_CloseAudioDevice(device_);
    device_ = 0;
  }
  null_sink_.Stop();
  fill_ = nullptr;
  if (subsystem_) {
    sdl_->SDL_QuitSubSystem(SDL_INIT_AUDIO);
    subsystem_ = false;
  }
}

}  // namespace velk
