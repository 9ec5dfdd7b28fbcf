#pragma once
// The one interface through which components drive sound, music, CD audio and video: a media item. The base does
// nothing and answers 0 or false. Volumes are in hundredths of a decibel (0 full, -10000 silent), positions and
// lengths in milliseconds.
#include <cstdint>

namespace velk {

class TDMediaItem {
 public:
  virtual ~TDMediaItem() = default;
  virtual bool GetAutoRepeat() { return false; }
  virtual void SetAutoRepeat(bool) {}
  virtual int32_t GetRepeatPos() { return 0; }
  virtual void SetRepeatPos(int32_t) {}
  virtual int32_t GetPan() { return 0; }
  virtual int32_t GetVolume() { return 0; }
  virtual void SetPan(int32_t) {}
  virtual void SetVolume(int32_t) {}
  virtual int32_t GetPosition() { return 0; }
  virtual void SetPosition(int32_t) {}
  virtual int32_t GetLength() { return 0; }
  virtual bool IsEnd() { return false; }
  virtual bool IsPlaying() { return false; }
  virtual bool IsPaused() { return false; }
  virtual void Play() {}
  virtual void Pause() {}

  // The resume mark: set by the manager for items it paused, and by Play while the manager is disabled.
  bool Mark = false;
};

}  // namespace velk
