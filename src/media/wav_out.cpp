#include "media/wav_out.h"

#include <algorithm>
#include <cstring>

#include "media/wav_out_mix.h"

namespace velk {
namespace {

constexpr uint32_t kOutputBytesPerSec = 176400;
// Blocks the pool holds once the device is open.
constexpr size_t kReservedBlocks = 4;

// The source formats the mixer takes: how much of the block's size it reads, and how the samples are widened.
struct TWavConversion {
  uint16_t Channels;
  uint32_t SamplesPerSec;
  uint16_t BitsPerSample;
  int32_t Divisor;  // bytes read = block size / Divisor
};
constexpr TWavConversion kConversions[] = {
    {2, 44100, 16, 1}, {1, 44100, 16, 2}, {2, 22050, 16, 2}, {2, 44100, 8, 2},
    {1, 44100, 8, 4},  {2, 22050, 8, 4},  {1, 22050, 16, 4}, {1, 22050, 8, 8},
};

const TWavConversion* FindConversion(const TWaveFormat& f) {
  for (const TWavConversion& c : kConversions)
    if (c.Channels == f.Channels && c.SamplesPerSec == f.SamplesPerSec && c.BitsPerSample == f.BitsPerSample) return &c;
  return nullptr;
}

// Widens count bytes read into the start of buffer (capacity: the block) to 16-bit stereo at 44.1 kHz, in place and
// from the end backwards, so that no sample is overwritten before it is used. Returns the samples produced.
size_t WidenInPlace(int16_t* buffer, size_t count, const TWavConversion& c) {
  size_t n;
  if (c.BitsPerSample == 8) {
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(buffer);
    n = count;
    for (size_t i = n; i-- > 0;) {
      int32_t b = bytes[i];
      buffer[i] = static_cast<int16_t>((b - 128) * 256);
    }
  } else {
    n = count / 2;
  }
  if (c.Channels == 1) {
    for (size_t i = n; i-- > 0;) {
      int16_t s = buffer[i];
      buffer[2 * i] = s;
      buffer[2 * i + 1] = s;
    }
    n *= 2;
  }
  if (c.SamplesPerSec == 22050) {
    size_t frames = n / 2;
    for (size_t f = frames; f-- > 0;) {
      int16_t left = buffer[2 * f], right = buffer[2 * f + 1];
      buffer[4 * f] = left;
      buffer[4 * f + 1] = right;
      buffer[4 * f + 2] = left;
      buffer[4 * f + 3] = right;
    }
    n = frames * 4;
  }
  return n;
}

// The sound delay as the settings file's reader keeps it: whole hundreds of ms from 100 to 500.
int32_t NormalDelay(int32_t ms) { return std::clamp(ms / 100 * 100, 100, 500); }

}  // namespace

TWaveFormat MakePcmFormat(uint16_t channels, uint32_t samples_per_sec, uint16_t bits_per_sample) {
  TWaveFormat f;
  f.FormatTag = WAVE_FORMAT_PCM;
  f.Channels = channels;
  f.SamplesPerSec = samples_per_sec;
  f.BitsPerSample = bits_per_sample;
  f.BlockAlign = static_cast<uint16_t>(channels * bits_per_sample / 8);
  f.AvgBytesPerSec = samples_per_sec * f.BlockAlign;
  f.Size = 0;
  return f;
}

// ---- TAudioWavDevice ----

TAudioWavDevice::~TAudioWavDevice() { Close(); }

bool TAudioWavDevice::Open() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (open_) return true;
    open_ = true;
  }
  if (mixer_ != nullptr) {
    mixer_->AddSource(this);
  } else {
    output_->Start([this](int16_t* samples, size_t frames) { Fill(samples, frames); });
  }
  return true;
}

bool TAudioWavDevice::Write(TWavHeader& header) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!open_) return false;
  header.Flags |= WHDR_PREPARED;
  queue_.push_back(&header);
  return true;
}

void TAudioWavDevice::Close() {
  // The output's thread takes the lock in Fill, so it is stopped (or the mixer let go of) first, without the lock.
  if (mixer_ != nullptr) {
    mixer_->RemoveSource(this);
  } else {
    output_->Stop();
  }
  std::lock_guard<std::mutex> lock(mutex_);
  for (TWavHeader* h : queue_) h->Flags |= WHDR_DONE;
  queue_.clear();
  offset_ = 0;
  open_ = false;
}

void TAudioWavDevice::Fill(int16_t* samples, size_t frames) {
  std::lock_guard<std::mutex> lock(mutex_);
  uint8_t* out = reinterpret_cast<uint8_t*>(samples);
  size_t wanted = frames * kAudioChannels * sizeof(int16_t);
  size_t done = 0;
  size_t finished = 0;
  while (done < wanted && finished < queue_.size()) {
    TWavHeader* h = queue_[finished];
    size_t take = std::min<size_t>(wanted - done, h->BufferLength - offset_);
    std::memcpy(out + done, h->Data + offset_, take);
    done += take;
    offset_ += take;
    if (offset_ >= h->BufferLength) {
      h->Flags |= WHDR_DONE;
      offset_ = 0;
      ++finished;
    }
  }
  queue_.erase(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(finished));
  std::memset(out + done, 0, wanted - done);
}

void TAudioWavDevice::MixInto(int32_t* mix, size_t frames, bool) {
  scratch_.resize(frames * kAudioChannels);
  Fill(scratch_.data(), frames);
  for (size_t i = 0; i < scratch_.size(); ++i) mix[i] += scratch_[i];
}

// ---- TWavBuffer ----

TWavBuffer::TWavBuffer(TWavOut& owner, const TWaveFormat& format, TStream* stream)
    : owner_(owner), format_(format), stream_(stream), mix_(static_cast<size_t>(owner.block_size_) / 2) {}

TWavBuffer::~TWavBuffer() = default;

void TWavBuffer::Play() {
  std::lock_guard<std::mutex> lock(owner_.mutex_);
  Playing = true;
  Stopped = false;
  finished_ = false;
  auto& active = owner_.active_;
  if (std::find(active.begin(), active.end(), this) == active.end()) active.push_back(this);
}

void TWavBuffer::Stop() {
  std::lock_guard<std::mutex> lock(owner_.mutex_);
  Stopped = true;
  auto& active = owner_.active_;
  active.erase(std::remove(active.begin(), active.end(), this), active.end());
}

void TWavBuffer::SetReadPosition(int32_t position) {
  std::lock_guard<std::mutex> lock(owner_.mutex_);
  position = std::max(position, 0);
  read_position_ = position - position % FrameBytes();
}

void TWavBuffer::SetVolume(int32_t volume) {
  std::lock_guard<std::mutex> lock(owner_.mutex_);
  volume_ = std::clamp(volume, 0, 256);
}

int32_t TWavBuffer::ReadPosition() const {
  std::lock_guard<std::mutex> lock(owner_.mutex_);
  return read_position_;
}

int32_t TWavBuffer::Volume() const {
  std::lock_guard<std::mutex> lock(owner_.mutex_);
  return volume_;
}

bool TWavBuffer::IsDone() const {
  uint32_t since = owner_.clock_.Milliseconds() - last_mix_time_;
  return finished_ && since > static_cast<uint32_t>(2 * owner_.delay_time_ + 10);
}

int32_t TWavBuffer::FrameBytes() const { return std::max(1, format_.Channels * format_.BitsPerSample / 8); }

int64_t TWavBuffer::BytesOfMs(int64_t ms) const {
  // round(bits × t × channels × rate / 8000), for t >= 0
  int64_t scaled = static_cast<int64_t>(format_.BitsPerSample) * ms * format_.Channels * format_.SamplesPerSec;
  return (scaled + 4000) / 8000;
}

double TWavBuffer::BytesPerSecond() const {
  return static_cast<double>(format_.BitsPerSample) * format_.Channels * format_.SamplesPerSec / 8.0;
}

int32_t TWavBuffer::BytesFromMs(int32_t ms) const {
  int64_t bytes = BytesOfMs(std::max(ms, 0));
  bytes -= bytes % FrameBytes();
  return static_cast<int32_t>(std::min<int64_t>(bytes, INT32_MAX));
}

int32_t TWavBuffer::PlayPosition() const {
  std::lock_guard<std::mutex> lock(owner_.mutex_);
  if (!mixed_) return read_position_;
  int32_t elapsed = static_cast<int32_t>(owner_.clock_.Milliseconds() - last_mix_time_);
  elapsed = std::max(elapsed, 0);
  if (elapsed > 2 * owner_.delay_time_) return read_position_;
  int64_t position = read_position_ - BytesOfMs(owner_.delay_time_) + BytesOfMs(elapsed);
  position = std::clamp<int64_t>(position, 0, std::max(stream_->GetSize(), 0));
  return static_cast<int32_t>(position - position % FrameBytes());
}

int32_t TWavBuffer::ReadSource(uint8_t* target, int32_t wanted) {
  const int32_t size = stream_->GetSize();
  stream_->SetPosition(read_position_);
  int32_t total = 0;
  while (wanted > 0) {
    if (stream_->GetPosition() >= size) {
      if (!Loop) break;
      int32_t start = std::max<int32_t>(LoopStart, 0);
      stream_->SetPosition(start - start % FrameBytes());
    }
    int32_t got = stream_->Read(target + total, wanted);
    if (got <= 0) break;
    total += got;
    wanted -= got;
  }
  read_position_ = stream_->GetPosition();
  return total;
}

bool TWavBuffer::MixInto(int16_t* block) {
  const int32_t size = stream_->GetSize();
  if (size <= 0 || finished_ || Stopped) return false;
  const TWavConversion* conversion = FindConversion(format_);
  if (conversion == nullptr) return false;
  int32_t got = ReadSource(reinterpret_cast<uint8_t*>(mix_.data()), owner_.block_size_ / conversion->Divisor);
  size_t n = std::min(WidenInPlace(mix_.data(), static_cast<size_t>(got), *conversion), mix_.size());
  if (n > 0) ActiveWavMix().Mix(block, mix_.data(), n, volume_);
  // A looping source whose read ended exactly at the end of the stream goes on at its loop start next time: it
  // is not finished (that would leave a gap of silence until the owner noticed and played it again).
  const bool loops_on = Loop && LoopStart < size;
  finished_ = read_position_ >= size && !loops_on;
  last_mix_time_ = owner_.clock_.Milliseconds();
  mixed_ = true;
  return true;
}

// ---- pool and blocks ----

TMemData* TMemList::Acquire(const void* owner) {
  for (auto& e : entries_) {
    if (e->Owner == nullptr) {
      e->Owner = owner;
      return e.get();
    }
  }
  Reserve(entries_.size() + 1);
  entries_.back()->Owner = owner;
  return entries_.back().get();
}

void TMemList::Release(const void* owner) {
  for (auto& e : entries_)
    if (e->Owner == owner) e->Owner = nullptr;
}

void TMemList::Reserve(size_t count) {
  while (entries_.size() < count) {
    auto e = std::make_unique<TMemData>();
    e->Data.assign(static_cast<size_t>(block_size_) / 2, 0);
    entries_.push_back(std::move(e));
  }
}

TWavPrimary::TWavPrimary(TMemList& pool) : pool_(pool), entry_(pool.Acquire(this)) {
  TWavHeader& h = entry_->Header;
  h.Data = reinterpret_cast<uint8_t*>(entry_->Data.data());
  h.BufferLength = static_cast<uint32_t>(entry_->Data.size() * sizeof(int16_t));
  h.Flags = 0;
  h.Loops = 1;
}

TWavPrimary::~TWavPrimary() { pool_.Release(this); }

// ---- TWavOut ----

TWavOut::TWavOut(IWavDevice& device, IClock& clock, int32_t delay_time)
    : device_(device), clock_(clock), delay_time_(NormalDelay(delay_time)),
      block_size_(static_cast<int32_t>(static_cast<uint32_t>(delay_time_) * kOutputBytesPerSec / 1000)),
      pool_(block_size_) {}

TWavOut::~TWavOut() { Close(); }

bool TWavOut::Open(bool run_worker) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (open_device_ != nullptr) return false;
    if (device_.Open()) {
      open_device_ = &device_;
    } else {
      null_device_.Open();
      open_device_ = &null_device_;
    }
    pool_.Reserve(kReservedBlocks);
  }
  if (run_worker) {
    std::lock_guard<std::mutex> lock(worker_mutex_);
    worker_stop_ = false;
    worker_ = std::thread([this] { RunWorker(); });
  }
  return true;
}

bool TWavOut::IsOpen() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return open_device_ != nullptr;
}

bool TWavOut::UsesNullSink() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return open_device_ == &null_device_;
}

void TWavOut::RunWorker() {
  const auto period = std::chrono::milliseconds(delay_time_ / 4);
  std::unique_lock<std::mutex> lock(worker_mutex_);
  while (!worker_wake_.wait_for(lock, period, [this] { return worker_stop_; })) {
    lock.unlock();
    Pump();
    lock.lock();
  }
}

void TWavOut::StopWorker() {
  {
    std::lock_guard<std::mutex> lock(worker_mutex_);
    worker_stop_ = true;
  }
  worker_wake_.notify_all();
  if (worker_.joinable()) worker_.join();
}

void TWavOut::Close() {
  // The worker's pass takes the output's lock: it is stopped before the lock is taken here.
  StopWorker();
  std::lock_guard<std::mutex> lock(mutex_);
  // Closing the device marks every queued block done, so the queue empties without waiting.
  if (open_device_ != nullptr) open_device_->Close();
  active_.clear();
  sources_.clear();
  Purge();
  queued_.clear();
  open_device_ = nullptr;
}

TWavBuffer* TWavOut::AddBuffer(const TWaveFormat& format, TStream* stream) {
  std::lock_guard<std::mutex> lock(mutex_);
  sources_.push_back(std::unique_ptr<TWavBuffer>(new TWavBuffer(*this, format, stream)));
  return sources_.back().get();
}

void TWavOut::RemoveBuffer(TWavBuffer* source) {
  std::lock_guard<std::mutex> lock(mutex_);
  active_.erase(std::remove(active_.begin(), active_.end(), source), active_.end());
  sources_.erase(std::remove_if(sources_.begin(), sources_.end(), [&](const auto& s) { return s.get() == source; }),
                 sources_.end());
}

void TWavOut::Purge() {
  for (size_t i = queued_.size(); i-- > 0;)
    if (queued_[i]->Done()) queued_.erase(queued_.begin() + static_cast<std::ptrdiff_t>(i));
}

void TWavOut::Pump() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (open_device_ == nullptr) return;
  Purge();
  for (int pass = 0; pass < 2; ++pass) {
    if (queued_.size() > 1 || active_.empty()) return;
    auto block = std::make_unique<TWavPrimary>(pool_);
    int16_t* samples = block->Samples();
    std::memset(samples, 0, static_cast<size_t>(block_size_));
    bool mixed = false;
    // A source that was added but never played is not heard.
    for (auto& s : sources_)
      if (s->Playing && s->MixInto(samples)) mixed = true;
    // A block the device refuses would never be marked done: it is dropped at once instead of being queued.
    if (mixed && open_device_->Write(block->Header())) queued_.push_back(std::move(block));
  }
}

size_t TWavOut::QueuedBlocks() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return queued_.size();
}

size_t TWavOut::PoolEntries() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return pool_.Count();
}

}  // namespace velk
