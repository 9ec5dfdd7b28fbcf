#pragma once
// Message boxes without a screen: each box is answered from a queue of scripted answers (the N-th button, 1-based),
// by default with its first button, and written to a log stream as UTF-8.
#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace velk {

class THeadlessMessageBoxes : public IMessageBoxes {
 public:
  struct TShownBox {
    std::string Text;     // code page 932
    std::string Caption;  // code page 932
    uint32_t Style;
    int32_t Answer;
  };

  // log may be null (no output).
  explicit THeadlessMessageBoxes(std::FILE* log = stderr) : log_(log) {}

  int32_t Show(const std::string& text, const std::string& caption, uint32_t style) override;
  // Queues the answer for the next box: its button_number-th button (1-based). Out-of-range numbers answer with
  // the last button.
  void QueueAnswer(int32_t button_number) { answers_.push_back(button_number); }
  // While set (at start-up), a box that offers a choice and has no queued answer is not answered with its first
  // button: the run gives up (EBoxAbandoned), as a user who closes the player would. Without it a prompt that
  // repeats until it is declined (a disc that never appears) would repeat for ever.
  void SetGiveUpWhenUnanswered(bool give_up) { give_up_ = give_up; }
  // A new frame begins. Within one frame, a choice asked again and again without an answer (a disc prompt that
  // repeats until it is declined) makes the run give up as well, after kMaxUnansweredInFrame boxes.
  void FrameStarted() { unanswered_in_frame_ = 0; }
  static constexpr int32_t kMaxUnansweredInFrame = 100;
  const std::vector<TShownBox>& Shown() const { return shown_; }

 private:
  std::FILE* log_;
  std::deque<int32_t> answers_;
  bool give_up_ = false;
  int32_t unanswered_in_frame_ = 0;
  std::vector<TShownBox> shown_;
};

}  // namespace velk
