#pragma once
// The managers of the sound devices outside the media library: CD audio tracks and MIDI songs.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "media/media_managers.h"

namespace velk {

// A CD drive with its player and the mixer line of the CD audio.
class ICdAudio {
 public:
  virtual ~ICdAudio() = default;
  // Tracks on the disc in the chosen drive (0: no disc, no drive).
  virtual int32_t TrackCount() = 0;
  virtual int32_t TrackLengthMs(int32_t track) = 0;
  // Plays the track from a position within it (repeating it when asked).
  virtual void Play(int32_t track, int32_t from_ms, bool repeat) = 0;
  virtual void Stop() = 0;
  virtual bool IsPlaying() = 0;
  virtual int32_t PositionMs() = 0;
  // The CD line's left and right volumes of the audio mixer (0 .. 65535).
  virtual void GetLineVolume(int32_t& left, int32_t& right) = 0;
  virtual void SetLineVolume(int32_t left, int32_t right) = 0;
};

// The back end of a machine without CD audio: no disc.
class TNoCdAudio : public ICdAudio {
 public:
  int32_t TrackCount() override { return 0; }
  int32_t TrackLengthMs(int32_t) override { return 0; }
  void Play(int32_t, int32_t, bool) override {}
  void Stop() override {}
  bool IsPlaying() override { return false; }
  int32_t PositionMs() override { return 0; }
  void GetLineVolume(int32_t& left, int32_t& right) override { left = right = 0; }
  void SetLineVolume(int32_t, int32_t) override {}
};

class TCddaManager;

// A track: "CD_" followed by its number. A name whose number is not a number, or a track beyond the disc, plays
// nothing.
class TCddaItem : public TDMediaItem {
 public:
  TCddaItem(TCddaManager& manager, const std::string& file_name);
  ~TCddaItem() override;
  bool GetAutoRepeat() override { return repeat_; }
  void SetAutoRepeat(bool repeat) override { repeat_ = repeat; }
  int32_t GetVolume() override { return volume_; }
  void SetVolume(int32_t volume) override;
  int32_t GetPosition() override;
  void SetPosition(int32_t ms) override;
  int32_t GetLength() override { return length_; }
  bool IsEnd() override;
  bool IsPlaying() override;
  bool IsPaused() override { return paused_; }
  void Play() override;
  void Pause() override;

 private:
  bool current() const;

  TCddaManager& manager_;
  int32_t track_ = 0;
  bool repeat_ = false;
  int32_t volume_ = 0;
  int32_t length_ = 0;
  int32_t stored_ = -1;  // position to play on from, -1 none
  bool started_ = false;
  bool paused_ = false;
};

class TCddaManager : public TMediaManager {
 public:
  explicit TCddaManager(ICdAudio& cd) : cd_(cd) {}
  ~TCddaManager() override;
  // Puts the CD line's saved volumes back (deactivation) and reads them again (activation).
  void RestoreLineVolume();
  void ReadLineVolume();

 protected:
  std::unique_ptr<TDMediaItem> CreateItem(const std::string& file_name) override;

 private:
  friend class TCddaItem;
  // The saved line volumes, read on first need.
  void need_line();

  ICdAudio& cd_;
  TCddaItem* current_ = nullptr;
  bool line_read_ = false;
  int32_t saved_left_ = 0;
  int32_t saved_right_ = 0;
};

// The MIDI player as the MIDI manager drives it.
class IMidiSongPlayer {
 public:
  virtual ~IMidiSongPlayer() = default;
  // Loads a standard MIDI file; false when it is not one.
  virtual bool Load(const std::vector<uint8_t>& song) = 0;
  // Opens the output port (-1 the mapper, else the index of a device); false when it cannot be opened.
  virtual bool Open(int32_t port) = 0;
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
  virtual void Reset() = 0;
  virtual void Play(int32_t from_ms) = 0;
  virtual void Stop() = 0;
  virtual bool IsPlaying() const = 0;
  virtual int32_t PositionMs() const = 0;
  virtual int32_t LengthMs() const = 0;
  // The scale of channel volume (controller 7) on every channel, 0 .. 100 percent.
  virtual void SetVolumeScale(int32_t percent) = 0;
};

class TMidiManager;

class TMidiItem : public TDMediaItem {
 public:
  TMidiItem(TMidiManager& manager, std::string file_name) : manager_(manager), name_(std::move(file_name)) {}
  ~TMidiItem() override;
  int32_t GetVolume() override { return volume_; }
  // Channel volumes are scaled to v / 100 + 100 percent, held to 0 .. 100.
  void SetVolume(int32_t volume) override;
  int32_t GetPosition() override;
  void SetPosition(int32_t ms) override { position_ = std::max(ms, 0); }
  int32_t GetLength() override;
  bool IsEnd() override;
  bool IsPlaying() override;
  bool IsPaused() override { return paused_; }
  void Play() override;
  void Pause() override;

  const std::string& FileName() const { return name_; }

 private:
  bool current() const;

  TMidiManager& manager_;
  std::string name_;
  int32_t volume_ = 0;
  int32_t position_ = 0;
  int32_t length_ = -1;  // learnt once
  bool started_ = false;
  bool paused_ = false;
};

class TMidiManager : public TMediaManager {
 public:
  // read_file: the song's bytes (from disk for a disk name, else through the virtual file manager); empty when it
  // cannot be read. make_player makes the manager's player; lengths are read from the songs themselves.
  TMidiManager(std::function<std::vector<uint8_t>(const std::string&)> read_file,
               std::function<std::unique_ptr<IMidiSongPlayer>()> make_player, std::vector<std::string> device_names);
  ~TMidiManager() override;
  // "MIDIマッパー" then the output devices.
  const std::vector<std::string>& Ports() const { return ports_; }
  int32_t SelectedPort() const { return selected_; }
  // Selects a port (clamped to the list); a playing song moves to it and plays on from the same position.
  void SelectPort(int32_t index);
  void SelectPort(const std::string& name);
  IMidiSongPlayer& Player() { return *player_; }
  // Around a display-mode change: closes the open port, remembering whether and where the song played, and opens
  // it again, playing on from there.
  void ClosePort();
  void ReopenPort();

 protected:
  std::unique_ptr<TDMediaItem> CreateItem(const std::string& file_name) override;

 private:
  friend class TMidiItem;
  // Makes the item current: loads its song (an unreadable or empty file loads nothing).
  bool make_current(TMidiItem* item);

  std::function<std::vector<uint8_t>(const std::string&)> read_file_;
  std::function<std::unique_ptr<IMidiSongPlayer>()> make_player_;
  std::unique_ptr<IMidiSongPlayer> player_;
  std::vector<std::string> ports_;
  int32_t selected_ = 0;
  TMidiItem* current_ = nullptr;
  bool reopen_ = false;
  bool replay_ = false;
  int32_t replay_at_ = 0;
};

}  // namespace velk
