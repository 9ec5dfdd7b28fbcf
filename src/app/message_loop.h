#pragma once
// The message loop of the windowed player: the loop thread ticks, the main thread handles window events and runs the
// ticks handed to it, until the window closes.
#include <functional>

#include "platform/platform.h"
#include "platform/window.h"

namespace velk {

class TFormView;
class TSpeedClock;

// stop, when given, is asked after every event and tick: true ends the loop with the window still open. clock is the
// real clock of the loop thread; speed, when given, scales each tick for the game (fast-forward).
void RunWindowMessageLoop(TFormView& form, IWindow& window, IClock& clock, const std::function<bool()>& stop = {},
                          TSpeedClock* speed = nullptr);

}  // namespace velk
