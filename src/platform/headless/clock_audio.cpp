#include "platform/headless/clock_audio.h"

namespace velk {

namespace {
// A long pause of the clock (a debugger, a suspended process) is not made up with more than a second of sound.
constexpr uint64_t kMaxPumpFrames = kAudioRate;
}  // namespace

void TClockAudioOutput::Start(TAudioFill fill) {
  fill_ = std::move(fill);
  start_ms_ = clock_.Milliseconds();
  consumed_ = 0;
}

void TClockAudioOutput::Pump() {
  if (!fill_) return;
  const uint64_t elapsed = static_cast<uint32_t>(clock_.Milliseconds() - start_ms_);
  const uint64_t due = elapsed * kAudioRate / 1000;
  if (due <= consumed_) return;
  uint64_t frames = due - consumed_;
  if (frames > kMaxPumpFrames) {
    consumed_ = due - kMaxPumpFrames;
    frames = kMaxPumpFrames;
  }
  block_.assign(static_cast<size_t>(frames) * kAudioChannels, 0);
  fill_(block_.data(), static_cast<size_t>(frames));
  consumed_ += frames;
}

}  // namespace velk
