#include "platform/sdl/sdl_cursors.h"

#include <SDL.h>

namespace velk {

TSdlCursors::~TSdlCursors() {
  if (custom_ != nullptr) SDL_FreeCursor(custom_);
}

void TSdlCursors::ShowCustom(const TCursorImage& image) {
  if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return;
  SDL_Cursor* made = nullptr;
  if (!image.Empty() && image.Pixels.size() == static_cast<size_t>(image.Width) * image.Height) {
    SDL_Surface* surface =
        SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(image.Pixels.data()), image.Width, image.Height, 32,
                                           image.Width * 4, SDL_PIXELFORMAT_ARGB8888);
    if (surface != nullptr) {
      made = SDL_CreateColorCursor(surface, image.HotX, image.HotY);
      SDL_FreeSurface(surface);
    }
  }
  // A picture SDL cannot take leaves the default arrow, never an invisible cursor.
  SDL_SetCursor(made != nullptr ? made : SDL_GetDefaultCursor());
  if (custom_ != nullptr) SDL_FreeCursor(custom_);
  custom_ = made;
}

void TSdlCursors::ShowDefault() {
  if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return;
  SDL_SetCursor(SDL_GetDefaultCursor());
}

}  // namespace velk
