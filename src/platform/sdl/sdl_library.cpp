#include "platform/sdl/sdl_library.h"

#include <string>

#include "platform/shared_library.h"

namespace velk {

namespace {

bool load(TSdlLibrary& f) {
  TSharedLibrary lib;
  // The soname of every SDL 2 release.
  if (!lib.Open("libSDL" + std::to_string(SDL_MAJOR_VERSION) + "-2.0.so.0")) return false;
  const bool found =
      VELK_FIND(lib, f, SDL_InitSubSystem) && VELK_FIND(lib, f, SDL_QuitSubSystem) && VELK_FIND(lib, f, SDL_WasInit) &&
      VELK_FIND(lib, f, SDL_SetHint) && VELK_FIND(lib, f, SDL_GetCurrentVideoDriver) &&
      VELK_FIND(lib, f, SDL_GetTicks) && VELK_FIND(lib, f, SDL_Delay) && VELK_FIND(lib, f, SDL_free) &&
      VELK_FIND(lib, f, SDL_IntersectRect) && VELK_FIND(lib, f, SDL_RegisterEvents) &&
      VELK_FIND(lib, f, SDL_PushEvent) && VELK_FIND(lib, f, SDL_PollEvent) && VELK_FIND(lib, f, SDL_WaitEventTimeout) &&
      VELK_FIND(lib, f, SDL_GetMouseState) && VELK_FIND(lib, f, SDL_WarpMouseInWindow) &&
      VELK_FIND(lib, f, SDL_CreateWindow) && VELK_FIND(lib, f, SDL_DestroyWindow) &&
      VELK_FIND(lib, f, SDL_SetWindowTitle) && VELK_FIND(lib, f, SDL_SetWindowSize) &&
      VELK_FIND(lib, f, SDL_GetWindowSize) && VELK_FIND(lib, f, SDL_SetWindowPosition) &&
      VELK_FIND(lib, f, SDL_GetWindowPosition) && VELK_FIND(lib, f, SDL_GetWindowBordersSize) &&
      VELK_FIND(lib, f, SDL_GetWindowDisplayIndex) && VELK_FIND(lib, f, SDL_SetWindowFullscreen) &&
      VELK_FIND(lib, f, SDL_SetWindowDisplayMode) && VELK_FIND(lib, f, SDL_GetNumVideoDisplays) &&
      VELK_FIND(lib, f, SDL_GetDisplayUsableBounds) && VELK_FIND(lib, f, SDL_GetNumDisplayModes) &&
      VELK_FIND(lib, f, SDL_GetDisplayMode) && VELK_FIND(lib, f, SDL_CreateRenderer) &&
      VELK_FIND(lib, f, SDL_DestroyRenderer) && VELK_FIND(lib, f, SDL_GetRendererOutputSize) &&
      VELK_FIND(lib, f, SDL_SetRenderDrawColor) && VELK_FIND(lib, f, SDL_RenderClear) &&
      VELK_FIND(lib, f, SDL_RenderCopy) && VELK_FIND(lib, f, SDL_RenderPresent) &&
      VELK_FIND(lib, f, SDL_RenderReadPixels) && VELK_FIND(lib, f, SDL_CreateTexture) &&
      VELK_FIND(lib, f, SDL_DestroyTexture) && VELK_FIND(lib, f, SDL_UpdateTexture) &&
      VELK_FIND(lib, f, SDL_SetTextureScaleMode) && VELK_FIND(lib, f, SDL_CreateRGBSurfaceWithFormatFrom) &&
      VELK_FIND(lib, f, SDL_FreeSurface) && VELK_FIND(lib, f, SDL_CreateColorCursor) &&
      VELK_FIND(lib, f, SDL_FreeCursor) && VELK_FIND(lib, f, SDL_SetCursor) &&
      VELK_FIND(lib, f, SDL_GetDefaultCursor) && VELK_FIND(lib, f, SDL_ShowMessageBox) &&
      VELK_FIND(lib, f, SDL_HasClipboardText) && VELK_FIND(lib, f, SDL_GetClipboardText) &&
      VELK_FIND(lib, f, SDL_SetClipboardText) && VELK_FIND(lib, f, SDL_OpenAudioDevice) &&
      VELK_FIND(lib, f, SDL_PauseAudioDevice) && VELK_FIND(lib, f, SDL_CloseAudioDevice);
  // SIGTERM and SIGINT are the player's (platform/stop_request): SDL would turn them into a quit event nobody reads
  // during start-up. Set before any part of SDL starts.
  if (found) f.SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  return found;
}

}  // namespace

const TSdlLibrary* TSdlLibrary::Get() { return LoadedOnce<TSdlLibrary, load>(); }

}  // namespace velk
