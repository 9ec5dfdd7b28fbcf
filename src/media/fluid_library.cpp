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
  return lib.Open("libfluidsynth.so." + std::to_string(kSoname)) && VELK_FIND(lib, f, fluid_set_log_function) &&
         VELK_FIND(lib, f, new_fluid_settings) && VELK_FIND(lib, f, delete_fluid_settings) &&
         VELK_FIND(lib, f, fluid_settings_setnum) && VELK_FIND(lib, f, fluid_settings_setint) &&
         VELK_FIND(lib, f, new_fluid_synth) && VELK_FIND(lib, f, delete_fluid_synth) &&
         VELK_FIND(lib, f, fluid_synth_sfload) && VELK_FIND(lib, f, fluid_synth_system_reset) &&
         VELK_FIND(lib, f, fluid_synth_noteoff) && VELK_FIND(lib, f, fluid_synth_noteon) &&
         VELK_FIND(lib, f, fluid_synth_key_pressure) && VELK_FIND(lib, f, fluid_synth_cc) &&
         VELK_FIND(lib, f, fluid_synth_program_change) && VELK_FIND(lib, f, fluid_synth_channel_pressure) &&
         VELK_FIND(lib, f, fluid_synth_pitch_bend) && VELK_FIND(lib, f, fluid_synth_sysex) &&
         VELK_FIND(lib, f, fluid_synth_write_s16);
}

}  // namespace

const TFluidLibrary* TFluidLibrary::Get() { return LoadedOnce<TFluidLibrary, load>(); }

}  // namespace velk
