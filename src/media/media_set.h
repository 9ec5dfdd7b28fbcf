#pragma once
// The media managers of a running game, made at media start-up in their fixed order (the screen manager when the
// project has a screen, then video, WMP, Ogg, CD audio and MIDI) and driven as a group: suspended and resumed in
// that order, sound switched on and off, the library's buffers restored.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "media/device_managers.h"
#include "media/media_managers.h"
#include "media/screen_manager.h"
#include "media/video_manager.h"

namespace velk {

// The MIDI player of a machine without one: no song loads, so MIDI items play nothing.
class TNoMidiPlayer : public IMidiSongPlayer {
 public:
  bool Load(const std::vector<uint8_t>&) override { return false; }
  bool Open(int32_t) override { return false; }
  void Close() override {}
  bool IsOpen() const override { return false; }
  void Reset() override {}
  void Play(int32_t) override {}
  void Stop() override {}
  bool IsPlaying() const override { return false; }
  int32_t PositionMs() const override { return 0; }
  int32_t LengthMs() const override { return 0; }
  void SetVolumeScale(int32_t) override {}
};

struct TMediaSetup {
  IVelkMedia* Lib = nullptr;
  TVrFileManager* Files = nullptr;
  TVelkInitParams Init;     // the handles and callbacks velkInit receives
  bool UseWmp = false;      // the settings' video path
  bool DirectSound = true;  // the settings' sound path: false plays Ogg and wave through WaveOutput
  IWaveOutput* WaveOutput = nullptr;
  ICdAudio* Cd = nullptr;                                            // null: no CD audio
  std::function<std::unique_ptr<IMidiSongPlayer>()> MakeMidiPlayer;  // empty: no MIDI
  std::vector<std::string> MidiDevices;
  // The screen manager, made when the project's screen is larger than 0 x 0.
  IWindow* Window = nullptr;
  int32_t ScreenWidth = 0;
  int32_t ScreenHeight = 0;
  int32_t PreferredWidth = 0;
  int32_t PreferredHeight = 0;
  int32_t DesktopBits = 32;
  std::function<void(const char*)> Trace;
};

class TMediaSet {
 public:
  explicit TMediaSet(const TMediaSetup& setup);
  ~TMediaSet();
  TMediaSet(const TMediaSet&) = delete;
  TMediaSet& operator=(const TMediaSet&) = delete;

  // The manager a sound file goes to; null for a name no manager plays.
  TMediaManager* ManagerFor(const std::string& file_name);
  void Suspend();
  void Resume();
  // Sound on and off (the sound-on system variable): every sound manager.
  void SetSoundEnabled(bool enabled);
  void RestoreSound();
  // Frees one manager at shutdown by its name ("ScreenMan.Free", "VideoMan.Free", "WmpMan.Free", "OggMan.Free",
  // "CddaMan.Free", "MidiMan.Free"); true when it existed. The set is not driven any more once one is freed.
  bool FreePart(const std::string& name);

  TScreenManager* Screen() { return screen_.get(); }
  TVideoManager& Video() { return *video_; }
  TWmpManager& Wmp() { return *wmp_; }
  TOggManager& Ogg() { return *ogg_; }
  TCddaManager& Cdda() { return *cdda_; }
  TMidiManager& Midi() { return *midi_; }

 private:
  IVelkMedia& lib_;
  TNoCdAudio no_cd_;
  std::unique_ptr<TScreenManager> screen_;
  std::unique_ptr<TVideoManager> video_;
  std::unique_ptr<TWmpManager> wmp_;
  std::unique_ptr<TOggManager> ogg_;
  std::unique_ptr<TCddaManager> cdda_;
  std::unique_ptr<TMidiManager> midi_;
};

}  // namespace velk
