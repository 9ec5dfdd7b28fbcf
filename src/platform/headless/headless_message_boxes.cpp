#include "platform/headless/headless_message_boxes.h"

#include <algorithm>

#include "base/sjis.h"
#include "platform/stop_request.h"

namespace velk {

int32_t THeadlessMessageBoxes::Show(const std::string& text, const std::string& caption, uint32_t style) {
  std::vector<int32_t> buttons = MessageBoxButtons(style);
  int32_t number = 1;
  if (!answers_.empty()) {
    number = answers_.front();
    answers_.pop_front();
  } else if (StopRequested() || (buttons.size() > 1 && (give_up_ || ++unanswered_in_frame_ > kMaxUnansweredInFrame))) {
    if (log_ != nullptr) {
      std::fprintf(log_, "[%s] %s\n(no answer given: the player gives up)\n", Cp932ToUtf8(caption).c_str(),
                   Cp932ToUtf8(text).c_str());
      std::fflush(log_);
    }
    shown_.push_back({text, caption, style, 0});
    throw EBoxAbandoned{};
  }
  number = std::clamp<int32_t>(number, 1, static_cast<int32_t>(buttons.size()));
  int32_t answer = buttons[static_cast<size_t>(number - 1)];
  shown_.push_back({text, caption, style, answer});
  if (log_ != nullptr) {
    std::fprintf(log_, "[%s] %s\n", Cp932ToUtf8(caption).c_str(), Cp932ToUtf8(text).c_str());
    std::fflush(log_);
  }
  return answer;
}

}  // namespace velk
