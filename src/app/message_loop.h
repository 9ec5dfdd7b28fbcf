#pragma once
// The message loop of the windowed player: the loop thread ticks, the main thread handles window events and runs the
// ticks handed to it, until the window closes.
#include "platform/platform.h"
#include "platform/window.h"

namespace velk {

class TFormView;

void RunWindowMessageLoop(TFormView& form, IWindow& window, IClock& clock);

}  // namespace velk
