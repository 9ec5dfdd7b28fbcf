#include "platform/platform.h"

namespace velk {

std::vector<int32_t> MessageBoxButtons(uint32_t style) {
  switch (style & 0x0F) {
    case MB_OKCANCEL: return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE: return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL: return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO: return {IDYES, IDNO};
    case MB_RETRYCANCEL: return {IDRETRY, IDCANCEL};
    default: return {IDOK};
  }
}

const char* MessageBoxButtonCaption(int32_t answer) {
  switch (answer) {
    case IDCANCEL: return "キャンセル";
    case IDABORT: return "中止";
    case IDRETRY: return "再試行";
    case IDIGNORE: return "無視";
    case IDYES: return "はい";
    case IDNO: return "いいえ";
    default: return "OK";
  }
}

int32_t MessageBoxEscapeAnswer(uint32_t style) {
  std::vector<int32_t> buttons = MessageBoxButtons(style);
  for (int32_t id : buttons) {
    if (id == IDCANCEL || id == IDNO) return id;
  }
  return buttons.back();
}

}  // namespace velk
