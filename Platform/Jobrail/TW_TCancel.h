// Stopping a run from outside. SIGTERM and SIGINT ask the running task to
// stop: the task framework raises TW_ETaskCanceled at the task's next
// framework call (a message, a stage, progress), once, so that the task's
// own clean-up afterwards can still report and remove what it made. A
// second signal ends the process at once, unless a change that must not be
// cut off half-way is under way (TW_TStopSignalHold): then it ends the
// process as soon as that change is done.
#pragma once

// Routes SIGTERM and SIGINT to the cancellation; the next signal is the
// first again, and no request made before counts.
void TW_InstallStopSignals();

// Asks the running task to stop, as the first signal does.
void TW_RequestCancel();
// True once after a request: the caller raises the cancellation.
bool TW_TakeCancelRequest();
// True when a cancellation was asked for during this process.
bool TW_CancelWasRequested();

// While one of these lives (on any thread), a stop signal does not end the
// process: the first still asks the task to stop, and a further one ends
// the process when the last hold goes. Holds nest.
class TW_TStopSignalHold {
 public:
  TW_TStopSignalHold();
  ~TW_TStopSignalHold();
  TW_TStopSignalHold(const TW_TStopSignalHold&) = delete;
  TW_TStopSignalHold& operator=(const TW_TStopSignalHold&) = delete;
};
