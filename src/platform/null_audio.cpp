#include "platform/null_audio.h"

#include <chrono>
#include <vector>

namespace velk {

namespace {
// The sink pulls in blocks of about 10 ms, as a device with a short buffer would.
constexpr auto kPullPeriod = std::chrono::milliseconds(10);
// A stall (a suspended process) is not made up with a burst of more than this many frames.
constexpr size_t kMaxBlockFrames = kAudioRate / 4;
}  // namespace

TNullAudioOutput::~TNullAudioOutput() { Stop(); }

void TNullAudioOutput::Start(TAudioFill fill) {
  Stop();
  stopping_ = false;
  thread_ = std::thread([this, fill = std::move(fill)] { run(fill); });
}

void TNullAudioOutput::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void TNullAudioOutput::run(TAudioFill fill) {
  using clock = std::chrono::steady_clock;
  std::vector<int16_t> block;
  auto start = clock::now();
  uint64_t consumed = 0;  // frames pulled since start
  std::unique_lock<std::mutex> lock(mutex_);
  while (!wake_.wait_for(lock, kPullPeriod, [this] { return stopping_; })) {
    auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(clock::now() - start).count();
    uint64_t due = static_cast<uint64_t>(elapsed) * kAudioRate / 1000000;
    if (due <= consumed) continue;
    size_t frames = static_cast<size_t>(due - consumed);
    if (frames > kMaxBlockFrames) {
      consumed = due - kMaxBlockFrames;
      frames = kMaxBlockFrames;
    }
    block.assign(frames * kAudioChannels, 0);
    lock.unlock();
    if (fill) fill(block.data(), frames);
    lock.lock();
    consumed += frames;
  }
}

}  // namespace velk
