#include "platform/sdl/sdl_clipboard.h"

#include <SDL.h>

namespace velk {

std::string TSdlClipboard::Text() {
  if (SDL_WasInit(SDL_INIT_VIDEO) == 0 || !SDL_HasClipboardText()) return {};
  char* text = SDL_GetClipboardText();
  if (text == nullptr) return {};
  std::string out(text);
  SDL_free(text);
  return out;
}

void TSdlClipboard::SetText(const std::string& utf8) {
  if (SDL_WasInit(SDL_INIT_VIDEO) != 0) SDL_SetClipboardText(utf8.c_str());
}

}  // namespace velk
