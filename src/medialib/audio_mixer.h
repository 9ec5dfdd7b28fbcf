#pragma once
// The one mixer in front of the platform's audio output: every playing sound (media-library items, the wave output,
// the MIDI synthesiser) is a PCM source of it. The output pulls the mix on its own thread, or, on a game clock, from
// the frame step.
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/audio.h"

namespace velk {

// A source of 44.1 kHz stereo audio.
class IPcmSource {
 public:
  virtual ~IPcmSource() = default;
  // Adds the next frames stereo frames into mix (interleaved left and right, 32-bit sums of 16-bit samples).
  // A source with nothing to play adds nothing. wait: the output runs on a game clock and must not run ahead of
  // the decoders, so a source whose data is still being decoded waits for it (never for longer than a bounded time).
  virtual void MixInto(int32_t* mix, size_t frames, bool wait) = 0;
};

class TAudioMixer {
 public:
  // Hundredths of a decibel: 0 full, -10000 silent.
  static float GainOf(int32_t hundredths_db);

  void AddSource(IPcmSource* source);
  // After this returns the source is never called again.
  void RemoveSource(IPcmSource* source);

  // Fills frames stereo frames of the mix (what IAudioOutput::Start pulls).
  void Fill(int16_t* out, size_t frames);
  // The fill function for the output, bound to this mixer.
  TAudioFill Filler() {
    return [this](int16_t* out, size_t frames) { Fill(out, frames); };
  }
  // Sources wait for decoded data (outputs that run on a game clock).
  void SetWaitForSources(bool wait);
  bool WaitsForSources() const;

  // The player's master volume (hundredths of a decibel) and mute (the window lost focus).
  void SetMasterVolume(int32_t hundredths_db);
  void SetMuted(bool muted);
  int64_t FramesMixed() const;

 private:
  mutable std::mutex lock_;
  std::vector<IPcmSource*> sources_;
  std::vector<int32_t> sum_;
  bool wait_ = false;
  float master_ = 1.0f;
  bool muted_ = false;
  int64_t frames_mixed_ = 0;
};

}  // namespace velk
