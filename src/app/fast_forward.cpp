#include "app/fast_forward.h"

#include <algorithm>

namespace velk {

uint32_t TSpeedClock::Milliseconds() {
  std::lock_guard<std::mutex> lock(mutex_);
  const uint32_t now = base_.Milliseconds();
  if (!anchored_) {
    anchored_ = true;
    anchor_base_ = now;
    anchor_ = now;
  }
  // Modulo 2^32 like the clock itself.
  return anchor_ + (now - anchor_base_) * static_cast<uint32_t>(factor_.load());
}

void TSpeedClock::SetFactor(int32_t factor) {
  const uint32_t now = Milliseconds();
  std::lock_guard<std::mutex> lock(mutex_);
  anchor_ = now;
  anchor_base_ = base_.Milliseconds();
  factor_ = std::clamp(factor, 1, kMaxSpeed);
}

TTick TSpeedClock::Scale(const TTick& tick) { return TTick{tick.Delta * Factor(), Milliseconds()}; }

void TSpeedAudioFill::operator()(int16_t* samples, size_t frames) {
  const auto factor = static_cast<size_t>(speed_.Factor());
  if (factor <= 1) {
    inner_(samples, frames);
    return;
  }
  // Grows once to the largest block asked for; the device asks for blocks of one size.
  block_.resize(std::max(block_.size(), frames * factor * kAudioChannels));
  inner_(block_.data(), frames * factor);
  for (size_t i = 0; i < frames; ++i) {
    samples[i * kAudioChannels] = block_[i * factor * kAudioChannels];
    samples[i * kAudioChannels + 1] = block_[i * factor * kAudioChannels + 1];
  }
}

}  // namespace velk
