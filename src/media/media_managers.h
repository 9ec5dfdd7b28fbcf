#pragma once
// The media managers: each owns a list of items and pauses or mutes them as a group. Sound on and off (the
// sound-on system variable) enables and disables the sound managers; application deactivation suspends them.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "media/media_item.h"
#include "medialib/velk_media.h"
#include "vfs/stream.h"

namespace velk {

class TVrFileManager;

// Which manager a sound source goes to, from its name.
enum class TSoundKind { None, Midi, Wmp, Ogg, Cdda };
// ".mid", ".sgt" MIDI; ".wma", ".asf", ".wmv" WMP; ".ogg", ".wav" Ogg; a name beginning "CD_" CD audio (letter case
// ignored); anything else nothing.
TSoundKind SoundKindOf(const std::string& name);
// A name that starts with a path delimiter or has ":" as its second character is a disk name.
bool IsDiskName(const std::string& name);

class TMediaManager {
 public:
  virtual ~TMediaManager() = default;
  // A new item for the file, appended to the list. May throw (the component's creation fails).
  TDMediaItem* Add(const std::string& file_name);
  // Frees the item if it is listed.
  void Remove(TDMediaItem* item);
  void Suspend();
  void Resume();
  void SetEnabled(bool enabled);
  bool Enabled() const { return enabled_; }
  bool Suspended() const { return suspended_; }
  size_t Count() const { return items_.size(); }

 protected:
  virtual std::unique_ptr<TDMediaItem> CreateItem(const std::string& file_name) = 0;
  // Frees every item; managers whose items reach into them call it first in their destructor.
  void ClearItems() { items_.clear(); }

 private:
  std::vector<std::unique_ptr<TDMediaItem>> items_;
  bool enabled_ = true;
  bool suspended_ = false;
};

// An item of the media library (WMP or Ogg kind): every operation maps to the library's entry of its kind. Play
// while the manager is disabled only sets the mark.
class TLibMediaItem : public TDMediaItem {
 public:
  TLibMediaItem(TMediaManager& manager, IVelkMedia& lib, IVelkItemEntries& entries)
      : manager_(manager), lib_(lib), entries_(entries) {}
  bool GetAutoRepeat() override { return entries_.GetAutoRepeat(handle_) != 0; }
  void SetAutoRepeat(bool repeat) override { entries_.SetAutoRepeat(handle_, repeat ? -1 : 0); }
  int32_t GetPan() override { return entries_.GetPan(handle_); }
  int32_t GetVolume() override { return entries_.GetVol(handle_); }
  void SetPan(int32_t pan) override { entries_.SetPan(handle_, pan); }
  void SetVolume(int32_t volume) override { entries_.SetVol(handle_, volume); }
  int32_t GetPosition() override { return entries_.GetPosition(handle_); }
  void SetPosition(int32_t ms) override { entries_.SetPosition(handle_, ms); }
  int32_t GetLength() override { return entries_.GetLen(handle_); }
  bool IsEnd() override { return entries_.IsEnd(handle_) != 0; }
  bool IsPlaying() override { return entries_.IsPlaying(handle_) != 0; }
  bool IsPaused() override { return entries_.IsPaused(handle_) != 0; }
  void Play() override;
  void Pause() override { entries_.Pause(handle_); }
  VelkHandle Handle() const { return handle_; }

 protected:
  TMediaManager& manager_;
  IVelkMedia& lib_;
  IVelkItemEntries& entries_;
  VelkHandle handle_ = 0;
};

class TWmpItem : public TLibMediaItem {
 public:
  // Reads the whole file and hands its bytes to the library; a file that cannot be read leaves the item without
  // a handle (the library's answers for it decide).
  TWmpItem(TMediaManager& manager, IVelkMedia& lib, TVrFileManager& files, const std::string& file_name);
  ~TWmpItem() override;
  // True only once: at the first call after the library reports the end.
  bool IsEnd() override;

 private:
  bool end_reported_ = false;
};

class TOggItem : public TLibMediaItem {
 public:
  // Throws "サウンドデータが不正です" when the library refuses the data.
  TOggItem(TMediaManager& manager, IVelkMedia& lib, TVrFileManager& files, const std::string& file_name);
  ~TOggItem() override;
  int32_t GetRepeatPos() override { return lib_.velkOggGetRepeatPos(handle_); }
  void SetRepeatPos(int32_t ms) override { lib_.velkOggSetRepeatPos(handle_, ms); }

 private:
  std::unique_ptr<TStream> stream_;
};

// Opens the stream of a sound or video file: a disk name from disk, else through the virtual file manager; both
// as range streams, so the decoders read the data in place.
std::unique_ptr<TStream> OpenMediaStream(TVrFileManager& files, const std::string& file_name);

// A read-only stream of decoded PCM over the library's decoding stream.
class TOggStream : public TStream {
 public:
  // Throws "サウンドデータが不正です" when the format cannot be read.
  TOggStream(IVelkMedia& lib, TStream* source, bool is_ogg);
  ~TOggStream() override;
  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void*, int32_t) override { return 0; }
  int32_t Seek(int32_t offset, int origin) override;
  int32_t GetSize() override { return lib_.velkOggStrGetSize(handle_); }
  const TVelkWaveFormat& Format() const { return format_; }

 private:
  IVelkMedia& lib_;
  VelkHandle handle_ = 0;
  TVelkWaveFormat format_;
};

class TWmpManager : public TMediaManager {
 public:
  TWmpManager(IVelkMedia& lib, TVrFileManager& files) : lib_(lib), files_(files) {}
  void Restore() { lib_.velkWmpmanRestore(); }

 protected:
  std::unique_ptr<TDMediaItem> CreateItem(const std::string& file_name) override;

 private:
  IVelkMedia& lib_;
  TVrFileManager& files_;
};

// The wave output as the Ogg manager uses it when sound does not go through the library's own output: buffers
// that play a PCM stream. The software wave output implements it.
class IWaveBuffer {
 public:
  virtual ~IWaveBuffer() = default;
  virtual void Play() = 0;
  virtual void Stop() = 0;
  virtual bool Playing() const = 0;
  // Played to the end (and not looping).
  virtual bool Done() const = 0;
  // Bytes of the stream.
  virtual int32_t ReadPosition() const = 0;
  virtual void SetReadPosition(int32_t position) = 0;
  // 0 silent .. 256 full.
  virtual void SetVolume(int32_t volume) = 0;
  virtual void SetLoop(bool loop, int32_t loop_start) = 0;
};
class IWaveOutput {
 public:
  virtual ~IWaveOutput() = default;
  // Opens the output if it is not open yet.
  virtual void Open() = 0;
  virtual std::unique_ptr<IWaveBuffer> AddBuffer(const TVelkWaveFormat& format, TStream* stream) = 0;
};

// An Ogg or wave sound played through the wave output: the decoded stream is a buffer of it.
class TOggWaveItem : public TDMediaItem {
 public:
  TOggWaveItem(TMediaManager& manager, IVelkMedia& lib, TVrFileManager& files, IWaveOutput& output,
               const std::string& file_name);
  bool GetAutoRepeat() override { return repeat_; }
  void SetAutoRepeat(bool repeat) override;
  int32_t GetRepeatPos() override { return repeat_pos_; }
  void SetRepeatPos(int32_t ms) override;
  int32_t GetVolume() override { return volume_; }
  // The buffer's 0..256 scale follows the item's decibels as an amplitude.
  void SetVolume(int32_t volume) override;
  int32_t GetPosition() override;
  void SetPosition(int32_t ms) override;
  int32_t GetLength() override;
  bool IsEnd() override { return buffer_->Done(); }
  bool IsPlaying() override { return buffer_->Playing() && !buffer_->Done(); }
  bool IsPaused() override { return paused_; }
  void Play() override;
  void Pause() override;

 private:
  int32_t bytes_of_ms(int32_t ms) const;

  TMediaManager& manager_;
  std::unique_ptr<TStream> source_;
  std::unique_ptr<TOggStream> pcm_;
  std::unique_ptr<IWaveBuffer> buffer_;
  bool repeat_ = false;
  int32_t repeat_pos_ = 0;
  int32_t volume_ = 0;
  bool paused_ = false;
};

class TOggManager : public TMediaManager {
 public:
  // wave_output: the output used when sound does not go through the library's own output (null: always the
  // library).
  TOggManager(IVelkMedia& lib, TVrFileManager& files, IWaveOutput* wave_output)
      : lib_(lib), files_(files), wave_output_(wave_output) {}
  void Restore() { lib_.velkOggmanRestore(); }

 protected:
  std::unique_ptr<TDMediaItem> CreateItem(const std::string& file_name) override;

 private:
  IVelkMedia& lib_;
  TVrFileManager& files_;
  IWaveOutput* wave_output_;
};

}  // namespace velk
