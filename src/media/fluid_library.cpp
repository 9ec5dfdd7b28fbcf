#include "media/fluid_library.h"

#include <string>

#include "platform/shared_library.h"

namespace velk {

namespace {

// The library's soname is not its package version: the 2.2 series began soname 3, the 2.0 series soname 2.
constexpr int kSoname = FLUIDSYNTH_VERSION_MAJOR == 2 && FLUIDSYNTH_VERSION_MINOR < 2 ? 2
                        : FLUIDSYNTH_VERSION_MAJOR == 2                               ? 3
                                                                                      : FLUIDSYNTH_VERSION_MAJOR;

bool load(TFluidLibrary& f) {
  TSharedLibrary lib;
  return lib.Open("libfluidsynth.so." + std::to_string(kSoname)) &&
         lib.Find("fluid_set_log_function", f.fluid_set_log_function) &&
         lib.Find("new_fluid_settings", f.new_fluid_settings) &&
         lib.Find("delete_fluid_settings", f.delete_fluid_settings) &&
         lib.Find("fluid_settings_setnum", f.fluid_settings_setnum) &&
         lib.Find("fluid_settings_setint", f.fluid_settings_setint) && lib.Find("new_fluid_synth", f.new_fluid_synth) &&
         lib.Find("delete_fluid_synth", f.delete_fluid_synth) && lib.Find("fluid_synth_sfload", f.fluid_synth_sfload) &&
         lib.Find("fluid_synth_system_reset", f.fluid_synth_system_reset) &&
         lib.Find("fluid_synth_noteoff", f.fluid_synth_noteoff) &&
         lib.Find("fluid_synth_noteon", f.fluid_synth_noteon) &&
         lib.Find("fluid_synth_key_pressure", f.fluid_synth_key_pressure) &&
         lib.Find("fluid_synth_cc", f.fluid_synth_cc) &&
         lib.Find("fluid_synth_program_change", f.fluid_synth_program_change) &&
         lib.Find("fluid_synth_channel_pressure", f.fluid_synth_channel_pressure) &&
         lib.Find("fluid_synth_pitch_bend", f.fluid_synth_pitch_bend) &&
         lib.Find("fluid_synth_sysex", f.fluid_synth_sysex) &&
         lib.Find("fluid_synth_write_s16", f.fluid_synth_write_s16);
}

}  // namespace

const TFluidLibrary* TFluidLibrary::Get() { return LoadedOnce<TFluidLibrary, load>(); }

}  // namespace velk
