#pragma once
// The request to stop the player from outside (SIGTERM, SIGINT): the loops of the player and its message boxes look
// at it, so that the player ends at any time, start-up included, through the exit steps that are safe.
namespace velk {

// Thrown by a message box that can no longer be answered: the player is being stopped, or a headless run's input
// script gives no answer to a box at start-up. It is no error of the game: no handler of game errors takes it.
struct EBoxAbandoned {};

// Installs the handlers of SIGTERM and SIGINT. While a box of a foreign toolkit blocks the main thread, a signal
// ends the process at once (the temporary files are the only thing lost).
void InstallStopSignals();
bool StopRequested();
void RequestStop();

// Marks a call that blocks the main thread without looking at the request (a toolkit's modal box).
class TBlockingCall {
 public:
  TBlockingCall();
  ~TBlockingCall();
  TBlockingCall(const TBlockingCall&) = delete;
  TBlockingCall& operator=(const TBlockingCall&) = delete;
};

}  // namespace velk
