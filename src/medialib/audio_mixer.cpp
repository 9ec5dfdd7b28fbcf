#include "medialib/audio_mixer.h"

#include <algorithm>
#include <cmath>

namespace velk {

namespace {
// The mix is produced in blocks of at most this many frames, so the sum buffer stays small.
constexpr size_t kBlockFrames = 4096;
}  // namespace

float TAudioMixer::GainOf(int32_t hundredths_db) {
  if (hundredths_db <= -10000) return 0.0f;
  if (hundredths_db >= 0) return 1.0f;
  return static_cast<float>(std::pow(10.0, hundredths_db / 2000.0));
}

void TAudioMixer::AddSource(IPcmSource* source) {
  std::lock_guard<std::mutex> lock(lock_);
  if (std::find(sources_.begin(), sources_.end(), source) == sources_.end()) sources_.push_back(source);
}

void TAudioMixer::RemoveSource(IPcmSource* source) {
  std::lock_guard<std::mutex> lock(lock_);
  sources_.erase(std::remove(sources_.begin(), sources_.end(), source), sources_.end());
}

void TAudioMixer::SetWaitForSources(bool wait) {
  std::lock_guard<std::mutex> lock(lock_);
  wait_ = wait;
}

bool TAudioMixer::WaitsForSources() const {
  std::lock_guard<std::mutex> lock(lock_);
  return wait_;
}

void TAudioMixer::SetMasterVolume(int32_t hundredths_db) {
  std::lock_guard<std::mutex> lock(lock_);
  master_ = GainOf(hundredths_db);
}

void TAudioMixer::SetMuted(bool muted) {
  std::lock_guard<std::mutex> lock(lock_);
  muted_ = muted;
}

int64_t TAudioMixer::FramesMixed() const {
  std::lock_guard<std::mutex> lock(lock_);
  return frames_mixed_;
}

void TAudioMixer::Fill(int16_t* out, size_t frames) {
  std::lock_guard<std::mutex> lock(lock_);
  const float gain = muted_ ? 0.0f : master_;
  while (frames > 0) {
    const size_t n = std::min(frames, kBlockFrames);
    sum_.assign(n * kAudioChannels, 0);
    // Muted sources still run, so items keep their time and end as they would.
    for (IPcmSource* s : sources_) s->MixInto(sum_.data(), n, wait_);
    for (size_t i = 0; i < n * kAudioChannels; ++i) {
      const float v = static_cast<float>(sum_[i]) * gain;
      out[i] = static_cast<int16_t>(std::clamp(v, -32768.0f, 32767.0f));
    }
    out += n * kAudioChannels;
    frames -= n;
    frames_mixed_ += static_cast<int64_t>(n);
  }
}

}  // namespace velk
