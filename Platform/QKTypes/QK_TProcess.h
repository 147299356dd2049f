// Base library process facts: who a process is, and whether it still runs.
//
// A process id alone is reused by the system once its process ended, so a
// process is named by its id and its start time (in clock ticks since the
// machine started, as /proc/<pid>/stat gives it). Text form: "<pid>.<start>".
#pragma once

#include <string>

#include <sys/types.h>

struct QK_TProcessId {
  pid_t pid = 0;
  unsigned long long startTime = 0;

  // This process.
  static QK_TProcessId Self();
  // The process `pid` as it runs now; its start time is 0 when it does not
  // run (or has ended and waits to be reaped).
  static QK_TProcessId Of(pid_t pid);
  // "<pid>.<start>"; Parse takes that text, true when it was one.
  std::string Text() const;
  static bool Parse(const std::string& text, QK_TProcessId& id);

  // True while the process named runs (or cannot be checked, so that
  // nothing of a running process is ever taken for a dead one's); false
  // once it ended, or its id belongs to a later process.
  bool IsRunning() const;

  bool operator==(const QK_TProcessId& other) const {
    return pid == other.pid && startTime == other.startTime;
  }
};
