#pragma once
// The wave output: the software mixer used when sound does not go through the media library. It owns the wave
// device, opened once in one fixed format (44.1 kHz, 16-bit, stereo), and a worker that every quarter of the sound
// delay mixes all sources into blocks of the delay's length and keeps at most two blocks queued on the device. The
// sources read raw PCM from their streams in one of eight formats and widen it in place.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "medialib/audio_mixer.h"
#include "platform/audio.h"
#include "platform/null_audio.h"
#include "platform/platform.h"
#include "vfs/stream.h"

namespace velk {

constexpr uint16_t WAVE_FORMAT_PCM = 1;

// The wave format record (18 bytes as stored).
struct TWaveFormat {
  uint16_t FormatTag = WAVE_FORMAT_PCM;
  uint16_t Channels = 2;
  uint32_t SamplesPerSec = 44100;
  uint32_t AvgBytesPerSec = 176400;
  uint16_t BlockAlign = 4;
  uint16_t BitsPerSample = 16;
  uint16_t Size = 0;
};

// A PCM format record filled from its three defining values.
TWaveFormat MakePcmFormat(uint16_t channels, uint32_t samples_per_sec, uint16_t bits_per_sample);

// Flags of a block header: the device has played the block; the device has accepted it.
constexpr uint32_t WHDR_DONE = 1;
constexpr uint32_t WHDR_PREPARED = 2;

// The header of one block handed to the device. The device sets WHDR_DONE from its own thread.
struct TWavHeader {
  uint8_t* Data = nullptr;
  uint32_t BufferLength = 0;
  std::atomic<uint32_t> Flags{0};
  uint32_t Loops = 1;
};

// The wave device: opened in the output format, fed blocks, reporting each block done through its header's flags.
class IWavDevice {
 public:
  virtual ~IWavDevice() = default;
  // Opens the device in the output format; false when there is none.
  virtual bool Open() = 0;
  // Queues a block to be played after the blocks queued before it. false: refused (the block is never played and
  // never marked done).
  virtual bool Write(TWavHeader& header) = 0;
  // Stops playing, marks every queued block done and closes the device. Returns at once.
  virtual void Close() = 0;
};

// The wave device over the player's audio: a source of the one mixer in front of the platform's output (whose owner
// starts it once), or over an output of its own that it starts itself (the null sink that stands in when no device
// opens). Either way the queued blocks are played in order and silence when none is queued.
class TAudioWavDevice : public IWavDevice, public IPcmSource {
 public:
  explicit TAudioWavDevice(IAudioOutput& output) : output_(&output) {}
  explicit TAudioWavDevice(TAudioMixer& mixer) : mixer_(&mixer) {}
  ~TAudioWavDevice() override;
  TAudioWavDevice(const TAudioWavDevice&) = delete;
  TAudioWavDevice& operator=(const TAudioWavDevice&) = delete;

  bool Open() override;
  bool Write(TWavHeader& header) override;
  void Close() override;
  // Writes the next frames of the queued blocks (silence after them) and marks every block it finishes done.
  void Fill(int16_t* samples, size_t frames);
  // IPcmSource: adds the next frames of the queued blocks to the mix.
  void MixInto(int32_t* mix, size_t frames, bool wait) override;

 private:
  IAudioOutput* output_ = nullptr;
  TAudioMixer* mixer_ = nullptr;
  std::mutex mutex_;
  std::vector<TWavHeader*> queue_;
  size_t offset_ = 0;  // bytes of the first queued block already played
  bool open_ = false;
  std::vector<int16_t> scratch_;  // the mixer's thread only
};

class TWavOut;

// One source of the wave output.
class TWavBuffer {
 public:
  ~TWavBuffer();
  TWavBuffer(const TWavBuffer&) = delete;
  TWavBuffer& operator=(const TWavBuffer&) = delete;

  // Makes the source active; the read position stays where it is.
  void Play();
  // Makes the source stopped and inactive.
  void Stop();
  // Bytes into the stream, moved down to a whole sample frame. Seeking does not clear Finished.
  void SetReadPosition(int32_t position);
  // 0 .. 256 (held to that range); 255 and 256 leave the samples as they are.
  void SetVolume(int32_t volume);
  // Finished and the last mix pass lies more than 2 × DelayTime + 10 ms back.
  bool IsDone() const;
  // An estimate of the byte position being heard.
  int32_t PlayPosition() const;

  int32_t ReadPosition() const;
  int32_t Volume() const;
  bool Finished() const { return finished_; }
  const TWaveFormat& Format() const { return format_; }
  // Bytes per second of the source format, and positions in milliseconds converted to whole sample frames.
  double BytesPerSecond() const;
  int32_t BytesFromMs(int32_t ms) const;

  // Set by Play, never cleared; set by Stop, cleared by Play. Read and written by the owning item.
  std::atomic<bool> Playing{false};
  std::atomic<bool> Stopped{false};
  // When looping, reading goes on at LoopStart (bytes) after the end of the stream. Written without the lock.
  std::atomic<bool> Loop{false};
  std::atomic<int32_t> LoopStart{0};

 private:
  friend class TWavOut;
  TWavBuffer(TWavOut& owner, const TWaveFormat& format, TStream* stream);

  // Mixes the next block of the source into block (block size bytes); false when the source gave nothing. Called
  // under the owner's lock.
  bool MixInto(int16_t* block);
  int32_t ReadSource(uint8_t* target, int32_t wanted);
  int32_t FrameBytes() const;
  int64_t BytesOfMs(int64_t ms) const;

  TWavOut& owner_;
  TWaveFormat format_;
  TStream* stream_;
  std::vector<int16_t> mix_;  // block size bytes
  std::atomic<bool> finished_{false};
  std::atomic<uint32_t> last_mix_time_{0};
  std::atomic<bool> mixed_{false};  // a mix pass has run since creation
  int32_t read_position_ = 0;
  int32_t volume_ = 256;
};

// One pool entry: the memory of a block header and of the block data, reused while the output lives.
struct TMemData {
  TWavHeader Header;
  std::vector<int16_t> Data;
  const void* Owner = nullptr;
};

// The pool of block memory, in creation order.
class TMemList {
 public:
  explicit TMemList(int32_t block_size) : block_size_(block_size) {}
  // The first entry without an owner, now owned; a new entry when all are owned.
  TMemData* Acquire(const void* owner);
  void Release(const void* owner);
  // Creates entries until there are count.
  void Reserve(size_t count);
  size_t Count() const { return entries_.size(); }

 private:
  int32_t block_size_;
  std::vector<std::unique_ptr<TMemData>> entries_;
};

// One block queued on the device.
class TWavPrimary {
 public:
  explicit TWavPrimary(TMemList& pool);
  ~TWavPrimary();
  TWavPrimary(const TWavPrimary&) = delete;
  TWavPrimary& operator=(const TWavPrimary&) = delete;

  TWavHeader& Header() { return entry_->Header; }
  int16_t* Samples() { return entry_->Data.data(); }
  bool Done() const { return (entry_->Header.Flags & WHDR_DONE) != 0; }

 private:
  TMemList& pool_;
  TMemData* entry_;
};

using TWavPrimaryList = std::vector<std::unique_ptr<TWavPrimary>>;

class TWavOut {
 public:
  // delay_time: the sound delay in ms, a multiple of 100 from 100 to 500 (other values are brought there as the
  // settings file's reader does).
  TWavOut(IWavDevice& device, IClock& clock, int32_t delay_time);
  ~TWavOut();
  TWavOut(const TWavOut&) = delete;
  TWavOut& operator=(const TWavOut&) = delete;

  // Opens the device (already open: false). A device that does not open is replaced by a null sink that consumes
  // the blocks in real time, so that sounds still end. Starts the worker unless told not to (then Pump is the
  // caller's).
  bool Open(bool run_worker = true);
  // Stops the worker, frees every source, drops the queued blocks and closes the device.
  void Close();
  bool IsOpen() const;

  TWavBuffer* AddBuffer(const TWaveFormat& format, TStream* stream);
  void RemoveBuffer(TWavBuffer* source);

  // One pass of the worker: drops the blocks the device has played, then mixes and queues up to two blocks.
  void Pump();

  int32_t DelayTime() const { return delay_time_; }
  int32_t BlockSize() const { return block_size_; }
  size_t QueuedBlocks() const;
  size_t PoolEntries() const;
  // True when the device in use is the null sink that replaced a device that did not open.
  bool UsesNullSink() const;

 private:
  friend class TWavBuffer;
  void Purge();
  void StopWorker();
  void RunWorker();

  IWavDevice& device_;
  IClock& clock_;
  int32_t delay_time_;
  int32_t block_size_;
  mutable std::mutex mutex_;
  IWavDevice* open_device_ = nullptr;  // the device in use, none while closed
  std::vector<std::unique_ptr<TWavBuffer>> sources_;
  std::vector<TWavBuffer*> active_;
  TMemList pool_;
  TWavPrimaryList queued_;
  // The stand-in when the device does not open.
  TNullAudioOutput null_output_;
  TAudioWavDevice null_device_{null_output_};
  // The worker.
  std::thread worker_;
  std::mutex worker_mutex_;
  std::condition_variable worker_wake_;
  bool worker_stop_ = false;
};

}  // namespace velk
