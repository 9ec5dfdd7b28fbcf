#include "platform/sdl/sdl_cursors.h"

#include "platform/sdl/sdl_library.h"

namespace velk {

TSdlCursors::~TSdlCursors() {
  if (custom_ != nullptr) TSdlLibrary::Get()->SDL_FreeCursor(custom_);  // made by SDL: it is loaded
}

void TSdlCursors::ShowCustom(const TCursorImage& image) {
  const TSdlLibrary* sdl = TSdlLibrary::Get();
  if (sdl == nullptr || sdl->SDL_WasInit(SDL_INIT_VIDEO) == 0) return;
  SDL_Cursor* made = nullptr;
  if (!image.Empty() && image.Pixels.size() == static_cast<size_t>(image.Width) * image.Height) {
    SDL_Surface* surface =
        sdl->SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(image.Pixels.data()), image.Width, image.Height,
                                                32, image.Width * 4, SDL_PIXELFORMAT_ARGB8888);
    if (surface != nullptr) {
      made = sdl->SDL_CreateColorCursor(surface, image.HotX, image.HotY);
      sdl->SDL_FreeSurface(surface);
    }
  }
  // A picture SDL cannot take leaves the default arrow, never an invisible cursor.
  sdl->SDL_SetCursor(made != nullptr ? made : sdl->SDL_GetDefaultCursor());
  if (custom_ != nullptr) sdl->SDL_FreeCursor(custom_);
  custom_ = made;
}

void TSdlCursors::ShowDefault() {
  const TSdlLibrary* sdl = TSdlLibrary::Get();
  if (sdl == nullptr || sdl->SDL_WasInit(SDL_INIT_VIDEO) == 0) return;
  sdl->SDL_SetCursor(sdl->SDL_GetDefaultCursor());
}

}  // namespace velk
