#include "app/headless_runner.h"

#include "app/fast_forward.h"
#include "app/form_view.h"
#include "app/loop_thread.h"
#include "platform/stop_request.h"

namespace velk {

THeadlessRunner::THeadlessRunner(THeadlessWindow& window, THeadlessMessageBoxes& boxes, IClock& clock,
                                 const TInputScript& script, int32_t frames, bool virtual_clock)
    : window_(window), boxes_(boxes), clock_(clock), script_(script), frames_(frames), virtual_clock_(virtual_clock) {}

void THeadlessRunner::deliver(const TScriptEvent& e, TPoint panel_origin) {
  TInputEvent ev;
  ev.X = mouse_.X;
  ev.Y = mouse_.Y;
  ev.Button = e.Button;
  switch (e.Kind) {
    case TScriptKind::Move:
      // Scene coordinates: the panel's place in the client area is added.
      mouse_ = {e.X + panel_origin.X, e.Y + panel_origin.Y};
      ev.Kind = TInputKind::MouseMove;
      ev.X = mouse_.X;
      ev.Y = mouse_.Y;
      window_.WarpCursor(mouse_.X, mouse_.Y);
      break;
    case TScriptKind::Down: ev.Kind = TInputKind::MouseDown; break;
    case TScriptKind::Up: ev.Kind = TInputKind::MouseUp; break;
    case TScriptKind::Wheel:
      ev.Kind = TInputKind::Wheel;
      ev.WheelDown = e.WheelDown;
      break;
    case TScriptKind::KeyDown:
    case TScriptKind::KeyUp:
      ev.Kind = e.Kind == TScriptKind::KeyDown ? TInputKind::KeyDown : TInputKind::KeyUp;
      ev.Key = e.Key;
      break;
    case TScriptKind::Text:
      ev.Kind = TInputKind::Text;
      ev.Text = e.Text;
      break;
    case TScriptKind::Answer:
      if (!(start_up_answers_queued_ && e.Frame <= 0)) boxes_.QueueAnswer(e.Answer);
      return;
    case TScriptKind::Quit: ev.Kind = TInputKind::Close; break;
    case TScriptKind::Choose:
      if (shell_ != nullptr) shell_->QueueChoice(e.Text.empty() ? std::nullopt : std::optional<std::string>(e.Text));
      return;
  }
  window_.Push(ev);
}

void THeadlessRunner::QueueStartUpAnswers() {
  for (const TScriptEvent& e : script_.Events()) {
    if (e.Kind == TScriptKind::Answer && e.Frame <= 0) boxes_.QueueAnswer(e.Answer);
  }
  start_up_answers_queued_ = true;
}

void THeadlessRunner::QueueConfigEvents() {
  for (const TScriptEvent& e : script_.Events()) {
    if (e.Kind == TScriptKind::Answer && start_up_answers_queued_ && e.Frame <= 0) continue;
    deliver(e, {0, 0});
  }
}

void THeadlessRunner::Run(TFormView& form) {
  TTickCounter counter(clock_.Milliseconds());
  const std::vector<TScriptEvent>& events = script_.Events();
  size_t next = 0;
  while (!form.CloseRequested() && !StopRequested() && (frames_ < 0 || frames_run_ < frames_)) {
    while (next < events.size() && events[next].Frame <= frames_run_)
      deliver(events[next++], {form.PanelBounds().Left, form.PanelBounds().Top});
    form.PumpEvents();
    if (form.CloseRequested()) break;
    clock_.Sleep(virtual_clock_ ? static_cast<uint32_t>(kTickPeriod) : counter.Wait(clock_.Milliseconds()));
    std::optional<TTick> tick = counter.Tick(clock_.Milliseconds());
    if (!tick) continue;
    boxes_.FrameStarted();
    form.Tick(speed_ != nullptr ? speed_->Scale(*tick) : *tick);
    ++frames_run_;
  }
}

}  // namespace velk
