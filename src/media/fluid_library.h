#pragma once
// FluidSynth, loaded when the first synthesiser is built rather than when the player starts: linked, it and the
// sound servers and helpers it brings would be mapped and relocated on every start, headless runs and games without
// MIDI included. The soname of the headers compiled against is opened, and every function the synthesiser port
// calls is looked up once; the header still gives the types.
#include <fluidsynth.h>

namespace velk {

class TFluidLibrary {
 public:
  decltype(&::fluid_set_log_function) fluid_set_log_function = nullptr;
  decltype(&::new_fluid_settings) new_fluid_settings = nullptr;
  decltype(&::delete_fluid_settings) delete_fluid_settings = nullptr;
  decltype(&::fluid_settings_setnum) fluid_settings_setnum = nullptr;
  decltype(&::fluid_settings_setint) fluid_settings_setint = nullptr;
  decltype(&::new_fluid_synth) new_fluid_synth = nullptr;
  decltype(&::delete_fluid_synth) delete_fluid_synth = nullptr;
  decltype(&::fluid_synth_sfload) fluid_synth_sfload = nullptr;
  decltype(&::fluid_synth_system_reset) fluid_synth_system_reset = nullptr;
  decltype(&::fluid_synth_noteoff) fluid_synth_noteoff = nullptr;
  decltype(&::fluid_synth_noteon) fluid_synth_noteon = nullptr;
  decltype(&::fluid_synth_key_pressure) fluid_synth_key_pressure = nullptr;
  decltype(&::fluid_synth_cc) fluid_synth_cc = nullptr;
  decltype(&::fluid_synth_program_change) fluid_synth_program_change = nullptr;
  decltype(&::fluid_synth_channel_pressure) fluid_synth_channel_pressure = nullptr;
  decltype(&::fluid_synth_pitch_bend) fluid_synth_pitch_bend = nullptr;
  decltype(&::fluid_synth_sysex) fluid_synth_sysex = nullptr;
  decltype(&::fluid_synth_write_s16) fluid_synth_write_s16 = nullptr;

  // Loaded on the first call from any thread; null when the library or one of the functions is missing.
  static const TFluidLibrary* Get();
};

}  // namespace velk
