#include "TW_TCancel.h"

#include <unistd.h>

#include <atomic>
#include <csignal>

namespace {

// Lock-free atomics only: they are touched from the signal handler.
std::atomic<bool> pending{false};
std::atomic<bool> requested{false};
std::atomic<int> signals{0};
std::atomic<int> holds{0};
// The signal whose immediate exit waits for the last hold to go; 0: none.
std::atomic<int> heldExit{0};

// The exit status of a process ended by a signal, as a shell reports it.
constexpr int kSignalExitBase = 128;

void OnStopSignal(int signal) {
  if (signals.fetch_add(1) == 0) {
    TW_RequestCancel();
    return;
  }
  if (holds.load() > 0) {
    heldExit.store(signal);
    // The last hold may have gone between the two loads without seeing
    // the signal: then nothing holds it any more.
    if (holds.load() > 0) return;
  }
  _exit(kSignalExitBase + signal);
}

}  // namespace

void TW_InstallStopSignals() {
  // A new installation starts a new run: nothing asked for before counts.
  signals = 0;
  heldExit = 0;
  pending = false;
  requested = false;
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

TW_TStopSignalHold::TW_TStopSignalHold() { holds.fetch_add(1); }

TW_TStopSignalHold::~TW_TStopSignalHold() {
  if (holds.fetch_sub(1) != 1) return;
  const int signal = heldExit.load();
  if (signal != 0) _exit(kSignalExitBase + signal);
}
