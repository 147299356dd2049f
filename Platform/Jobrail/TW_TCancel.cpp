#include "TW_TCancel.h"

#include <unistd.h>

#include <atomic>
#include <csignal>

namespace {

// Lock-free atomics only: they are touched from the signal handler.
std::atomic<bool> pending{false};
std::atomic<bool> requested{false};
std::atomic<int> signals{0};

// The exit status of a process ended by a signal, as a shell reports it.
constexpr int kSignalExitBase = 128;

void OnStopSignal(int signal) {
  if (signals.fetch_add(1) > 0) _exit(kSignalExitBase + signal);
  TW_RequestCancel();
}

}  // namespace

void TW_InstallStopSignals() {
  signals = 0;
  struct sigaction action = {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
}

void TW_RequestCancel() {
  requested = true;
  pending = true;
}

bool TW_TakeCancelRequest() { return pending.exchange(false); }

bool TW_CancelWasRequested() { return requested; }
