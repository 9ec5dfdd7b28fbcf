#pragma once
// The message loop of headless runs: frames run one after the other, each tick takes exactly 15 ms of a virtual clock
// (or the measured time of the real one), and the input script's events reach the window at their frames.
#include <cstdint>

#include "app/input_script.h"
#include "platform/headless/headless_message_boxes.h"
#include "platform/headless/headless_shell.h"
#include "platform/headless/headless_window.h"
#include "platform/platform.h"

namespace velk {

class TFormView;
class TSpeedClock;

class THeadlessRunner {
 public:
  // frames < 0: until the game ends.
  THeadlessRunner(THeadlessWindow& window, THeadlessMessageBoxes& boxes, IClock& clock, const TInputScript& script,
                  int32_t frames, bool virtual_clock);

  // Runs frames until the window closes, the frame count is reached or the player is stopped from outside.
  void Run(TFormView& form);
  // Queues the answers of frame 0 and before for the boxes of start-up (before the window runs any frame); Run
  // then leaves them out.
  void QueueStartUpAnswers();
  // Queues every event of the script on the window at once, in script order (the configuration dialog runs no
  // frames); answers go to the boxes.
  void QueueConfigEvents();
  int32_t FramesRun() const { return frames_run_; }
  // Fast-forward: each tick of the (real or virtual) clock counts that many times for the game.
  void SetSpeed(TSpeedClock* speed) { speed_ = speed; }
  // The dialogs that take the script's choices (null: choices are dropped).
  void SetShell(THeadlessShell* shell) { shell_ = shell; }

 private:
  void deliver(const TScriptEvent& e, TPoint panel_origin);

  THeadlessWindow& window_;
  THeadlessMessageBoxes& boxes_;
  IClock& clock_;
  const TInputScript& script_;
  int32_t frames_;
  bool virtual_clock_;
  int32_t frames_run_ = 0;
  bool start_up_answers_queued_ = false;
  TPoint mouse_;  // client coordinates
  TSpeedClock* speed_ = nullptr;
  THeadlessShell* shell_ = nullptr;
};

}  // namespace velk
