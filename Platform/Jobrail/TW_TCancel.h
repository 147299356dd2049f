// Stopping a run from outside. SIGTERM and SIGINT ask the running task to
// stop: the task framework raises TW_ETaskCanceled at the task's next
// framework call (a message, a stage, progress), once, so that the task's
// own clean-up afterwards can still report and remove what it made. A
// second signal ends the process at once.
#pragma once

// Routes SIGTERM and SIGINT to the cancellation; the next signal is the
// first again.
void TW_InstallStopSignals();

// Asks the running task to stop, as the first signal does.
void TW_RequestCancel();
// True once after a request: the caller raises the cancellation.
bool TW_TakeCancelRequest();
// True when a cancellation was asked for during this process.
bool TW_CancelWasRequested();
