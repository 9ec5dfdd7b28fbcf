#include "platform/sdl/sdl_clock.h"

#include <chrono>
#include <thread>

#include "platform/sdl/sdl_library.h"

namespace velk {

// The clock runs from SDL's start; without SDL (no window either) it stands still and sleeps as asked.
uint32_t TSdlClock::Milliseconds() {
  const TSdlLibrary* sdl = TSdlLibrary::Get();
  return sdl != nullptr ? sdl->SDL_GetTicks() : 0;
}

void TSdlClock::Sleep(uint32_t ms) {
  if (const TSdlLibrary* sdl = TSdlLibrary::Get()) {
    sdl->SDL_Delay(ms);
  } else {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  }
}

}  // namespace velk
