#include "platform/stop_request.h"

#include <signal.h>
#include <unistd.h>

namespace velk {

namespace {

// Written by the signal handler: the only values a handler may touch.
volatile sig_atomic_t g_stop = 0;
volatile sig_atomic_t g_blocking = 0;

void on_stop_signal(int signal_number) {
  g_stop = 1;
  if (g_blocking != 0) _exit(128 + signal_number);
}

}  // namespace

void InstallStopSignals() {
  struct sigaction action {};
  action.sa_handler = on_stop_signal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
}

bool StopRequested() { return g_stop != 0; }

void RequestStop() { g_stop = 1; }

TBlockingCall::TBlockingCall() { g_blocking = 1; }

TBlockingCall::~TBlockingCall() { g_blocking = 0; }

}  // namespace velk
