#include "media/midi_synth.h"

#include <filesystem>

#include "media/fluid_library.h"

namespace velk {
namespace {

// The synthesiser's own messages would go to the standard error stream; the player keeps quiet.
void QuietLog(int, const char*, void*) {}

}  // namespace

std::string TSynthMidiOut::FindSoundFont() {
  for (const char* path : kSoundFontPaths) {
    std::error_code ec;
    if (std::filesystem::is_regular_file(path, ec)) return path;
  }
  return {};
}

TSynthMidiOut::TSynthMidiOut(TAudioMixer* mixer, const std::string& sound_font, bool silent)
    : mixer_(silent ? nullptr : mixer), silent_(silent) {
  if (silent_) return;
  fluid_ = TFluidLibrary::Get();
  if (fluid_ == nullptr) return;  // no synthesiser: the port does not open
  for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
    fluid_->fluid_set_log_function(level, QuietLog, nullptr);
  settings_ = fluid_->new_fluid_settings();
  if (settings_ == nullptr) return;
  fluid_->fluid_settings_setnum(settings_, "synth.sample-rate", kAudioRate);
  // The player locks around every call itself.
  fluid_->fluid_settings_setint(settings_, "synth.threadsafe-api", 0);
  // The sound font's samples are read when a program first needs them, and not locked into memory: the same sound
  // from a start that reads and pins only what the songs use.
  fluid_->fluid_settings_setint(settings_, "synth.lock-memory", 0);
  fluid_->fluid_settings_setint(settings_, "synth.dynamic-sample-loading", 1);
  synth_ = fluid_->new_fluid_synth(settings_);
  if (synth_ == nullptr) return;
  std::string path = sound_font.empty() ? FindSoundFont() : sound_font;
  if (!path.empty()) {
    int id = fluid_->fluid_synth_sfload(synth_, path.c_str(), 1);
    sound_font_id_ = id == FLUID_FAILED ? -1 : id;
  }
}

TSynthMidiOut::~TSynthMidiOut() {
  Close();
  if (synth_ != nullptr) fluid_->delete_fluid_synth(synth_);
  if (settings_ != nullptr) fluid_->delete_fluid_settings(settings_);
}

TMidiDevice TSynthMidiOut::Device() {
  TMidiDevice d;
  d.DriverVersion = "01.00";
  d.Name = "Software Synthesizer";
  d.Technology = 7;  // software synthesiser
  d.Voices = 256;
  d.Notes = 256;
  d.ChannelMask = 0xFFFF;
  return d;
}

bool TSynthMidiOut::Open(int32_t port, TMidiLongDone done) {
  if (port < -1 || port > 0) return false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (synth_ == nullptr && !silent_) return false;
    if (open_) return true;
    done_ = std::move(done);
    open_ = true;
  }
  if (mixer_ != nullptr) mixer_->AddSource(this);
  return true;
}

void TSynthMidiOut::Reset() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (synth_ != nullptr) fluid_->fluid_synth_system_reset(synth_);
}

void TSynthMidiOut::Close() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!open_) return;
  }
  // The mixer renders under the lock: it lets go of the port first, without the lock.
  if (mixer_ != nullptr) mixer_->RemoveSource(this);
  std::lock_guard<std::mutex> lock(mutex_);
  if (synth_ != nullptr) fluid_->fluid_synth_system_reset(synth_);
  done_ = nullptr;
  open_ = false;
}

void TSynthMidiOut::ShortMsg(uint32_t message) {
  const int status = message & 0xFF, channel = status & 0x0F;
  const int data1 = (message >> 8) & 0x7F, data2 = (message >> 16) & 0x7F;
  std::lock_guard<std::mutex> lock(mutex_);
  if (!open_ || synth_ == nullptr) return;
  switch (status & 0xF0) {
    case 0x80: fluid_->fluid_synth_noteoff(synth_, channel, data1); break;
    case 0x90: fluid_->fluid_synth_noteon(synth_, channel, data1, data2); break;
    case 0xA0: fluid_->fluid_synth_key_pressure(synth_, channel, data1, data2); break;
    case 0xB0: fluid_->fluid_synth_cc(synth_, channel, data1, data2); break;
    case 0xC0: fluid_->fluid_synth_program_change(synth_, channel, data1); break;
    case 0xD0: fluid_->fluid_synth_channel_pressure(synth_, channel, data1); break;
    case 0xE0: fluid_->fluid_synth_pitch_bend(synth_, channel, data1 | data2 << 7); break;
    default: break;
  }
}

void TSynthMidiOut::LongMsg(uint32_t id, const std::vector<uint8_t>& bytes) {
  TMidiLongDone done;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!open_) return;
    // The synthesiser takes the message without its framing bytes F0 and F7.
    size_t begin = !bytes.empty() && bytes.front() == 0xF0 ? 1 : 0;
    size_t end = bytes.size() > begin && bytes.back() == 0xF7 ? bytes.size() - 1 : bytes.size();
    if (end > begin && synth_ != nullptr)
      fluid_->fluid_synth_sysex(synth_, reinterpret_cast<const char*>(bytes.data() + begin), static_cast<int>(end - begin),
                        nullptr, nullptr, nullptr, 0);
    done = done_;
  }
  // Reported outside the lock: the player takes its own lock to take the message off its list.
  if (done) done(id);
}

void TSynthMidiOut::Render(int16_t* samples, size_t frames) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (synth_ == nullptr) {
    std::fill(samples, samples + frames * kAudioChannels, int16_t{0});
    return;
  }
  fluid_->fluid_synth_write_s16(synth_, static_cast<int>(frames), samples, 0, 2, samples, 1, 2);
}

void TSynthMidiOut::MixInto(int32_t* mix, size_t frames, bool) {
  scratch_.resize(frames * kAudioChannels);
  Render(scratch_.data(), frames);
  for (size_t i = 0; i < scratch_.size(); ++i) mix[i] += scratch_[i];
}

}  // namespace velk
