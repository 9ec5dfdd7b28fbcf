#pragma once
// The MIDI output port of this player: a software synthesiser (FluidSynth) with a General MIDI sound font, rendering
// 44.1 kHz 16-bit stereo as a source of the player's one audio mixer. Without a sound font the port still opens and takes every
// message, and plays silence. A silent port (for an output nobody hears) builds no synthesiser at all: it opens,
// takes every message, answers long messages and plays nothing.
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "media/midi_output.h"
#include "medialib/audio_mixer.h"
#include "platform/audio.h"

extern "C" {
struct _fluid_hashtable_t;
struct _fluid_synth_t;
}

namespace velk {

class TFluidLibrary;

class TSynthMidiOut : public IMidiOut, public IPcmSource {
 public:
  // The sound fonts looked for when none is named, in order: the small General MIDI font, then the system's
  // default one.
  static constexpr const char* kSoundFontPaths[] = {"/usr/share/sounds/sf2/TimGM6mb.sf2",
                                                    "/usr/share/sounds/sf2/default-GM.sf2"};

  // mixer: the mixer the open port is a source of (null: the caller renders with Render). sound_font: a path, or
  // empty for the first of kSoundFontPaths that exists. silent: no synthesiser, no sound font, nothing mixed.
  explicit TSynthMidiOut(TAudioMixer* mixer, const std::string& sound_font = {}, bool silent = false);
  ~TSynthMidiOut() override;
  TSynthMidiOut(const TSynthMidiOut&) = delete;
  TSynthMidiOut& operator=(const TSynthMidiOut&) = delete;

  // The one device: the synthesiser.
  static TMidiDevice Device();
  std::vector<TMidiDevice> Devices() override { return {Device()}; }
  // Port -1 or 0 opens the synthesiser; other ports do not exist.
  bool Open(int32_t port, TMidiLongDone done) override;
  void Reset() override;
  void Close() override;
  void ShortMsg(uint32_t message) override;
  void LongMsg(uint32_t id, const std::vector<uint8_t>& bytes) override;

  // Renders frames stereo frames (interleaved 16-bit samples).
  void Render(int16_t* samples, size_t frames);
  // IPcmSource: adds the next frames of the synthesiser to the mix.
  void MixInto(int32_t* mix, size_t frames, bool wait) override;
  bool HasSoundFont() const { return sound_font_id_ >= 0; }
  bool IsSilent() const { return silent_; }
  static std::string FindSoundFont();

 private:
  std::mutex mutex_;
  const TFluidLibrary* fluid_ = nullptr;  // null for a silent port, and where the library cannot be loaded
  _fluid_hashtable_t* settings_ = nullptr;
  _fluid_synth_t* synth_ = nullptr;
  int sound_font_id_ = -1;
  TAudioMixer* mixer_;
  bool silent_;
  std::vector<int16_t> scratch_;  // the mixer's thread only
  TMidiLongDone done_;
  bool open_ = false;
};

}  // namespace velk
