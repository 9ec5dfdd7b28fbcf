#pragma once
// SDL scancodes to the Windows virtual-key codes the scripts expect (by key position, so the keyboard layout does not
// change what a script sees).
#include <SDL.h>

#include <cstdint>

namespace velk {

// 0 for a key without a virtual-key code.
uint32_t VirtualKeyOfScancode(SDL_Scancode scancode);

}  // namespace velk
