#include "platform/sdl/sdl_message_boxes.h"

#include "platform/sdl/sdl_library.h"

#include <cstdio>

#include "base/sjis.h"
#include "platform/stop_request.h"

namespace velk {

namespace {

Uint32 icon_flags(uint32_t style) {
  switch (style & 0xF0) {
    case MB_ICONERROR: return SDL_MESSAGEBOX_ERROR;
    case MB_ICONWARNING: return SDL_MESSAGEBOX_WARNING;
    default: return SDL_MESSAGEBOX_INFORMATION;
  }
}

}  // namespace

int32_t TSdlMessageBoxes::Show(const std::string& text, const std::string& caption, uint32_t style) {
  std::vector<int32_t> ids = MessageBoxButtons(style);
  std::string utf8_text = Cp932ToUtf8(text);
  std::string utf8_caption = Cp932ToUtf8(caption);
  std::vector<SDL_MessageBoxButtonData> buttons;
  for (size_t i = 0; i < ids.size(); ++i) {
    Uint32 flags = 0;
    if (i == 0) flags |= SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
    if (ids[i] == IDCANCEL || ids[i] == IDNO) flags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
    buttons.push_back({flags, ids[i], MessageBoxButtonCaption(ids[i])});
  }
  SDL_MessageBoxData data{
      icon_flags(style), owner_, utf8_caption.c_str(), utf8_text.c_str(), static_cast<int>(buttons.size()),
      buttons.data(),    nullptr};
  if (StopRequested()) throw EBoxAbandoned{};
  int answer = 0;
  int shown = 0;
  {
    TBlockingCall blocking;
    const TSdlLibrary* sdl = TSdlLibrary::Get();
    shown = sdl != nullptr ? sdl->SDL_ShowMessageBox(&data, &answer) : -1;
  }
  if (shown != 0 || answer < 0) {
    std::fprintf(stderr, "[%s] %s\n", utf8_caption.c_str(), utf8_text.c_str());
    return ids.front();
  }
  return answer;
}

}  // namespace velk
