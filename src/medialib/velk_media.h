#pragma once
// The media library's entry points: Ogg Vorbis, Windows Media audio and video items behind int32 handles. The
// player binds one implementation at start-up (the version must be 108) and drives every sound and film item
// through it. Streams handed to the library are opaque pointers that it reads back through the player's stream
// callbacks.
#include <cstdint>
#include <functional>

namespace velk {

using VelkHandle = int32_t;

// Stream callbacks: each takes the opaque stream pointer given to an "add" entry; a null stream answers 0.
// The library may call them from its own threads.
struct TVelkStreamCallbacks {
  std::function<int32_t(void* stream)> Size;
  std::function<int32_t(void* stream, void* buffer, int32_t count)> Read;
  std::function<int32_t(void* stream)> Position;
  std::function<int32_t(void* stream, int32_t position)> Seek;
};

// Saving and restoring the floating-point control state around the library's own arithmetic.
struct TVelkFpuCallbacks {
  std::function<void()> Save;
  std::function<void()> Restore;
};

// What velkInit receives. The handles are read through the pointers later, so the player can update them.
struct TVelkInitParams {
  void* const* MainWindow = nullptr;
  void* const* BasePanel = nullptr;
  void* Module = nullptr;
  void** DirectSound = nullptr;  // filled in by the library when its first WMP or Ogg item is made
  TVelkStreamCallbacks Streams;
  TVelkFpuCallbacks Fpu;
  int32_t UseWmp = 0;  // 0 or -1
};

// A window message passed on to the library (0x680..0x683, 0x7E).
struct TVelkMessage {
  void* Window = nullptr;
  uint32_t Message = 0;
  uintptr_t WParam = 0;
  intptr_t LParam = 0;
};

// The wave format of a decoded stream (the conventional wave-format record).
struct TVelkWaveFormat {
  uint16_t FormatTag = 1;
  uint16_t Channels = 0;
  uint32_t SamplesPerSec = 0;
  uint32_t AvgBytesPerSec = 0;
  uint16_t BlockAlign = 0;
  uint16_t BitsPerSample = 0;
};

// A video item's current picture (what velkVideoGetDC answers): Width x Height pixels of 0x00RRGGBB, rows top
// down; Serial changes whenever the picture does. Valid until the item's next call.
struct TVelkVideoFrame {
  int32_t Width = 0;
  int32_t Height = 0;
  const uint32_t* Pixels = nullptr;
  uint32_t Serial = 0;
};

// The per-item entries shared by the WMP, Ogg and video kinds (velkWmpPlay, velkOggPlay, velkVideoPlay, ...).
class IVelkItemEntries {
 public:
  virtual ~IVelkItemEntries() = default;
  virtual void Play(VelkHandle h) = 0;
  virtual void Pause(VelkHandle h) = 0;
  virtual int32_t IsPaused(VelkHandle h) = 0;
  virtual int32_t IsPlaying(VelkHandle h) = 0;
  virtual int32_t IsEnd(VelkHandle h) = 0;
  virtual int32_t GetLen(VelkHandle h) = 0;
  virtual int32_t GetPosition(VelkHandle h) = 0;
  virtual void SetPosition(VelkHandle h, int32_t position) = 0;
  virtual int32_t GetVol(VelkHandle h) = 0;
  virtual void SetVol(VelkHandle h, int32_t volume) = 0;
  virtual int32_t GetPan(VelkHandle h) = 0;
  virtual void SetPan(VelkHandle h, int32_t pan) = 0;
  virtual int32_t GetAutoRepeat(VelkHandle h) = 0;
  virtual void SetAutoRepeat(VelkHandle h, int32_t repeat) = 0;
};

class IVelkMedia {
 public:
  virtual ~IVelkMedia() = default;

  virtual int32_t velkVersion() = 0;
  virtual void velkInit(const TVelkInitParams& params) = 0;
  virtual void velkFinal() = 0;
  virtual void velkOggmanSetUseThread(int32_t use) = 0;
  virtual void velkOggmanUpdate() = 0;
  virtual void velkWmpmanProcessEvent(const TVelkMessage& message) = 0;
  virtual void velkVidmanProcessEvent(const TVelkMessage& message) = 0;
  virtual void velkWmpmanRestore() = 0;
  virtual void velkOggmanRestore() = 0;
  virtual void velkVidmanSuspend() = 0;
  virtual void velkVidmanResume() = 0;

  virtual VelkHandle velkWmpmanAdd(const void* bytes, int32_t size) = 0;
  virtual VelkHandle velkOggmanAdd(void* stream, int32_t is_ogg) = 0;
  virtual VelkHandle velkOggStrmanAdd(void* stream, int32_t is_ogg) = 0;
  virtual VelkHandle velkVidmanAdd(const char* file_name, void* stream, int32_t still_image) = 0;
  virtual void velkWmpmanDel(VelkHandle h) = 0;
  virtual void velkOggmanDel(VelkHandle h) = 0;
  virtual void velkOggStrmanDel(VelkHandle h) = 0;
  virtual void velkVidmanDel(VelkHandle h) = 0;

  // velkWmp*, velkOgg* and velkVideo* per-item entries.
  virtual IVelkItemEntries& Wmp() = 0;
  virtual IVelkItemEntries& Ogg() = 0;
  virtual IVelkItemEntries& Video() = 0;
  // The entries only the Ogg and video kinds have.
  virtual int32_t velkOggGetRepeatPos(VelkHandle h) = 0;
  virtual void velkOggSetRepeatPos(VelkHandle h, int32_t position) = 0;
  virtual void velkVideoSetRect(VelkHandle h, int32_t left_top, int32_t right_bottom) = 0;
  virtual int32_t velkVideoGetVisible(VelkHandle h) = 0;
  virtual void velkVideoSetVisible(VelkHandle h, int32_t visible) = 0;
  virtual int32_t velkVideoGetSourceWidth(VelkHandle h) = 0;
  virtual int32_t velkVideoGetSourceHeight(VelkHandle h) = 0;
  virtual void* velkVideoGetDC(VelkHandle h) = 0;
  virtual int32_t velkVideoNeedPaint(VelkHandle h) = 0;

  // Decoding streams.
  virtual int32_t velkOggStrGetFormat(VelkHandle h, TVelkWaveFormat& format) = 0;
  virtual int32_t velkOggStrRead(VelkHandle h, void* buffer, int32_t count) = 0;
  virtual int32_t velkOggStrGetPos(VelkHandle h) = 0;
  virtual void velkOggStrSetPos(VelkHandle h, int32_t position) = 0;
  virtual int32_t velkOggStrGetSize(VelkHandle h) = 0;
  virtual int32_t velkOggStrGetLen(VelkHandle h) = 0;
};

// The version the player requires.
constexpr int32_t kVelkMediaVersion = 108;

}  // namespace velk
