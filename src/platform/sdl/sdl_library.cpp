#include "platform/sdl/sdl_library.h"

#include <string>

#include "platform/shared_library.h"

namespace velk {

namespace {

bool load(TSdlLibrary& f) {
  TSharedLibrary lib;
  // The soname of every SDL 2 release.
  if (!lib.Open("libSDL" + std::to_string(SDL_MAJOR_VERSION) + "-2.0.so.0")) return false;
  const bool found = lib.Find("SDL_InitSubSystem", f.SDL_InitSubSystem) && lib.Find("SDL_QuitSubSystem", f.SDL_QuitSubSystem) &&
         lib.Find("SDL_WasInit", f.SDL_WasInit) && lib.Find("SDL_SetHint", f.SDL_SetHint) &&
         lib.Find("SDL_GetCurrentVideoDriver", f.SDL_GetCurrentVideoDriver) &&
         lib.Find("SDL_GetTicks", f.SDL_GetTicks) && lib.Find("SDL_Delay", f.SDL_Delay) &&
         lib.Find("SDL_free", f.SDL_free) && lib.Find("SDL_IntersectRect", f.SDL_IntersectRect) &&
         lib.Find("SDL_RegisterEvents", f.SDL_RegisterEvents) && lib.Find("SDL_PushEvent", f.SDL_PushEvent) &&
         lib.Find("SDL_PollEvent", f.SDL_PollEvent) && lib.Find("SDL_WaitEventTimeout", f.SDL_WaitEventTimeout) &&
         lib.Find("SDL_GetMouseState", f.SDL_GetMouseState) &&
         lib.Find("SDL_WarpMouseInWindow", f.SDL_WarpMouseInWindow) &&
         lib.Find("SDL_CreateWindow", f.SDL_CreateWindow) && lib.Find("SDL_DestroyWindow", f.SDL_DestroyWindow) &&
         lib.Find("SDL_SetWindowTitle", f.SDL_SetWindowTitle) && lib.Find("SDL_SetWindowSize", f.SDL_SetWindowSize) &&
         lib.Find("SDL_GetWindowSize", f.SDL_GetWindowSize) &&
         lib.Find("SDL_SetWindowPosition", f.SDL_SetWindowPosition) &&
         lib.Find("SDL_GetWindowPosition", f.SDL_GetWindowPosition) &&
         lib.Find("SDL_GetWindowBordersSize", f.SDL_GetWindowBordersSize) &&
         lib.Find("SDL_GetWindowDisplayIndex", f.SDL_GetWindowDisplayIndex) &&
         lib.Find("SDL_SetWindowFullscreen", f.SDL_SetWindowFullscreen) &&
         lib.Find("SDL_SetWindowDisplayMode", f.SDL_SetWindowDisplayMode) &&
         lib.Find("SDL_GetNumVideoDisplays", f.SDL_GetNumVideoDisplays) &&
         lib.Find("SDL_GetDisplayUsableBounds", f.SDL_GetDisplayUsableBounds) &&
         lib.Find("SDL_GetNumDisplayModes", f.SDL_GetNumDisplayModes) &&
         lib.Find("SDL_GetDisplayMode", f.SDL_GetDisplayMode) && lib.Find("SDL_CreateRenderer", f.SDL_CreateRenderer) &&
         lib.Find("SDL_DestroyRenderer", f.SDL_DestroyRenderer) &&
         lib.Find("SDL_GetRendererOutputSize", f.SDL_GetRendererOutputSize) &&
         lib.Find("SDL_SetRenderDrawColor", f.SDL_SetRenderDrawColor) &&
         lib.Find("SDL_RenderClear", f.SDL_RenderClear) && lib.Find("SDL_RenderCopy", f.SDL_RenderCopy) &&
         lib.Find("SDL_RenderPresent", f.SDL_RenderPresent) &&
         lib.Find("SDL_RenderReadPixels", f.SDL_RenderReadPixels) &&
         lib.Find("SDL_CreateTexture", f.SDL_CreateTexture) && lib.Find("SDL_DestroyTexture", f.SDL_DestroyTexture) &&
         lib.Find("SDL_UpdateTexture", f.SDL_UpdateTexture) &&
         lib.Find("SDL_SetTextureScaleMode", f.SDL_SetTextureScaleMode) &&
         lib.Find("SDL_CreateRGBSurfaceWithFormatFrom", f.SDL_CreateRGBSurfaceWithFormatFrom) &&
         lib.Find("SDL_FreeSurface", f.SDL_FreeSurface) && lib.Find("SDL_CreateColorCursor", f.SDL_CreateColorCursor) &&
         lib.Find("SDL_FreeCursor", f.SDL_FreeCursor) && lib.Find("SDL_SetCursor", f.SDL_SetCursor) &&
         lib.Find("SDL_GetDefaultCursor", f.SDL_GetDefaultCursor) &&
         lib.Find("SDL_ShowMessageBox", f.SDL_ShowMessageBox) &&
         lib.Find("SDL_HasClipboardText", f.SDL_HasClipboardText) &&
         lib.Find("SDL_GetClipboardText", f.SDL_GetClipboardText) &&
         lib.Find("SDL_SetClipboardText", f.SDL_SetClipboardText) &&
         lib.Find("SDL_OpenAudioDevice", f.SDL_OpenAudioDevice) &&
         lib.Find("SDL_PauseAudioDevice", f.SDL_PauseAudioDevice) &&
         lib.Find("SDL_CloseAudioDevice", f.SDL_CloseAudioDevice);
  // SIGTERM and SIGINT are the player's (platform/stop_request): SDL would turn them into a quit event nobody reads
  // during start-up. Set before any part of SDL starts.
  if (found) f.SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  return found;
}

}  // namespace

const TSdlLibrary* TSdlLibrary::Get() { return LoadedOnce<TSdlLibrary, load>(); }

}  // namespace velk
