#include "platform/sdl/sdl_clipboard.h"

#include "platform/sdl/sdl_library.h"

namespace velk {

std::string TSdlClipboard::Text() {
  const TSdlLibrary* sdl = TSdlLibrary::Get();
  if (sdl == nullptr || sdl->SDL_WasInit(SDL_INIT_VIDEO) == 0 || !sdl->SDL_HasClipboardText()) return {};
  char* text = sdl->SDL_GetClipboardText();
  if (text == nullptr) return {};
  std::string out(text);
  sdl->SDL_free(text);
  return out;
}

void TSdlClipboard::SetText(const std::string& utf8) {
  const TSdlLibrary* sdl = TSdlLibrary::Get();
  if (sdl != nullptr && sdl->SDL_WasInit(SDL_INIT_VIDEO) != 0) sdl->SDL_SetClipboardText(utf8.c_str());
}

}  // namespace velk
