#pragma once
// Audio output: a 44.1 kHz 16-bit stereo stream that the mixers fill. When no device opens, a null sink consumes the
// stream in real time, so that everything that waits for sound to be played still makes progress.
#include <cstddef>
#include <cstdint>
#include <functional>

namespace velk {

constexpr int32_t kAudioRate = 44100;
constexpr int32_t kAudioChannels = 2;

// Fills frames stereo frames (2 * frames samples) of interleaved 16-bit samples.
using TAudioFill = std::function<void(int16_t* samples, size_t frames)>;

class IAudioOutput {
 public:
  virtual ~IAudioOutput() = default;
  // Starts pulling the stream from fill (on a thread of the output). Never fails: without a device the stream is
  // consumed by a null sink.
  virtual void Start(TAudioFill fill) = 0;
  // Stops pulling; fill is not called after this returns.
  virtual void Stop() = 0;
  // True when a real device plays the stream.
  virtual bool HasDevice() const = 0;
};

}  // namespace velk
