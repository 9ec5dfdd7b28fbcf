#include "platform/sdl/sdl_clock.h"

#include <SDL.h>

namespace velk {

uint32_t TSdlClock::Milliseconds() { return SDL_GetTicks(); }
void TSdlClock::Sleep(uint32_t ms) { SDL_Delay(ms); }

}  // namespace velk
