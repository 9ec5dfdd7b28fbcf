#pragma once
// SDL, loaded when the windowed player first needs it rather than when any player starts: linked, it and the
// display, sound-server and codec libraries it brings would be mapped and relocated on every start, headless runs
// included. The soname of the headers compiled against is opened, and every function the back end calls is looked
// up once; the headers still give the types. Without it there is no display: the window reports that it is not
// available, sound goes to the null sink, and the other services answer as they do without a display.
#include <SDL.h>

namespace velk {

class TSdlLibrary {
 public:
  decltype(&::SDL_InitSubSystem) SDL_InitSubSystem = nullptr;
  decltype(&::SDL_QuitSubSystem) SDL_QuitSubSystem = nullptr;
  decltype(&::SDL_WasInit) SDL_WasInit = nullptr;
  decltype(&::SDL_SetHint) SDL_SetHint = nullptr;
  decltype(&::SDL_GetCurrentVideoDriver) SDL_GetCurrentVideoDriver = nullptr;
  decltype(&::SDL_GetTicks) SDL_GetTicks = nullptr;
  decltype(&::SDL_Delay) SDL_Delay = nullptr;
  decltype(&::SDL_free) SDL_free = nullptr;
  decltype(&::SDL_IntersectRect) SDL_IntersectRect = nullptr;
  decltype(&::SDL_RegisterEvents) SDL_RegisterEvents = nullptr;
  decltype(&::SDL_PushEvent) SDL_PushEvent = nullptr;
  decltype(&::SDL_PollEvent) SDL_PollEvent = nullptr;
  decltype(&::SDL_WaitEventTimeout) SDL_WaitEventTimeout = nullptr;
  decltype(&::SDL_GetMouseState) SDL_GetMouseState = nullptr;
  decltype(&::SDL_WarpMouseInWindow) SDL_WarpMouseInWindow = nullptr;
  decltype(&::SDL_CreateWindow) SDL_CreateWindow = nullptr;
  decltype(&::SDL_DestroyWindow) SDL_DestroyWindow = nullptr;
  decltype(&::SDL_SetWindowTitle) SDL_SetWindowTitle = nullptr;
  decltype(&::SDL_SetWindowSize) SDL_SetWindowSize = nullptr;
  decltype(&::SDL_GetWindowSize) SDL_GetWindowSize = nullptr;
  decltype(&::SDL_SetWindowPosition) SDL_SetWindowPosition = nullptr;
  decltype(&::SDL_GetWindowPosition) SDL_GetWindowPosition = nullptr;
  decltype(&::SDL_GetWindowBordersSize) SDL_GetWindowBordersSize = nullptr;
  decltype(&::SDL_GetWindowDisplayIndex) SDL_GetWindowDisplayIndex = nullptr;
  decltype(&::SDL_SetWindowFullscreen) SDL_SetWindowFullscreen = nullptr;
  decltype(&::SDL_SetWindowDisplayMode) SDL_SetWindowDisplayMode = nullptr;
  decltype(&::SDL_GetNumVideoDisplays) SDL_GetNumVideoDisplays = nullptr;
  decltype(&::SDL_GetDisplayUsableBounds) SDL_GetDisplayUsableBounds = nullptr;
  decltype(&::SDL_GetNumDisplayModes) SDL_GetNumDisplayModes = nullptr;
  decltype(&::SDL_GetDisplayMode) SDL_GetDisplayMode = nullptr;
  decltype(&::SDL_CreateRenderer) SDL_CreateRenderer = nullptr;
  decltype(&::SDL_DestroyRenderer) SDL_DestroyRenderer = nullptr;
  decltype(&::SDL_GetRendererOutputSize) SDL_GetRendererOutputSize = nullptr;
  decltype(&::SDL_SetRenderDrawColor) SDL_SetRenderDrawColor = nullptr;
  decltype(&::SDL_RenderClear) SDL_RenderClear = nullptr;
  decltype(&::SDL_RenderCopy) SDL_RenderCopy = nullptr;
  decltype(&::SDL_RenderPresent) SDL_RenderPresent = nullptr;
  decltype(&::SDL_RenderReadPixels) SDL_RenderReadPixels = nullptr;
  decltype(&::SDL_CreateTexture) SDL_CreateTexture = nullptr;
  decltype(&::SDL_DestroyTexture) SDL_DestroyTexture = nullptr;
  decltype(&::SDL_UpdateTexture) SDL_UpdateTexture = nullptr;
  decltype(&::SDL_SetTextureScaleMode) SDL_SetTextureScaleMode = nullptr;
  decltype(&::SDL_CreateRGBSurfaceWithFormatFrom) SDL_CreateRGBSurfaceWithFormatFrom = nullptr;
  decltype(&::SDL_FreeSurface) SDL_FreeSurface = nullptr;
  decltype(&::SDL_CreateColorCursor) SDL_CreateColorCursor = nullptr;
  decltype(&::SDL_FreeCursor) SDL_FreeCursor = nullptr;
  decltype(&::SDL_SetCursor) SDL_SetCursor = nullptr;
  decltype(&::SDL_GetDefaultCursor) SDL_GetDefaultCursor = nullptr;
  decltype(&::SDL_ShowMessageBox) SDL_ShowMessageBox = nullptr;
  decltype(&::SDL_HasClipboardText) SDL_HasClipboardText = nullptr;
  decltype(&::SDL_GetClipboardText) SDL_GetClipboardText = nullptr;
  decltype(&::SDL_SetClipboardText) SDL_SetClipboardText = nullptr;
  decltype(&::SDL_OpenAudioDevice) SDL_OpenAudioDevice = nullptr;
  decltype(&::SDL_PauseAudioDevice) SDL_PauseAudioDevice = nullptr;
  decltype(&::SDL_CloseAudioDevice) SDL_CloseAudioDevice = nullptr;

  // Loaded on the first call from any thread; null when the library or one of the functions is missing.
  static const TSdlLibrary* Get();
};

}  // namespace velk
