#include "app/message_loop.h"

#include "app/fast_forward.h"
#include "app/form_view.h"
#include "app/loop_thread.h"
#include "platform/stop_request.h"

namespace velk {

void RunWindowMessageLoop(TFormView& form, IWindow& window, IClock& clock, const std::function<bool()>& stop,
                          TSpeedClock* speed) {
  TTickGate gate;
  gate.SetWake([&window] { window.Wake(); });
  TLoopThread loop(clock, gate);
  form.SetTickSource(&loop);
  loop.Start();
  auto run_tick = [&form, speed](const TTick& tick) { form.Tick(speed != nullptr ? speed->Scale(tick) : tick); };
  TInputEvent event;
  while (!form.CloseRequested() && !StopRequested()) {
    if (window.WaitEvent(event, 15)) {
      form.HandleEvent(event);
      form.PumpEvents();
    }
    gate.RunPending(run_tick);
    if (stop && stop()) break;
  }
  // Stopping the thread first releases it from a hand-off the main thread will never run.
  loop.Terminate();
  form.SetTickSource(nullptr);
}

}  // namespace velk
