// Base library process facts: who a process is, and whether it still runs.
//
// A process id alone is reused by the system once its process ended, and
// it means something only inside one PID namespace of one running kernel.
// So a process is named by its id and its start time (in clock ticks since
// the machine started, as /proc/<pid>/stat gives it), and by the kernel's
// boot id (/proc/sys/kernel/random/boot_id, without its dashes) and the
// PID namespace (the inode number of /proc/self/ns/pid) in which that id
// holds. Text form: "<pid>.<start>.<boot>.<namespace>"; an id written
// without the last two ("<pid>.<start>") does not say where it holds.
//
// Whether a process still runs can be checked only for an id of this boot
// and this namespace. Any other id (another machine or container, an
// earlier boot, an id that does not say where it holds, or any id at all
// when this process cannot tell its own boot and namespace) counts as
// running, so that nothing of a running process is ever taken for a dead
// one's.
#pragma once

#include <string>

#include <sys/types.h>

struct QK_TProcessId {
  pid_t pid = 0;
  unsigned long long startTime = 0;
  std::string boot;                     // 32 hexadecimal digits; empty: not known
  unsigned long long pidNamespace = 0;  // 0: not known

  // This process.
  static QK_TProcessId Self();
  // The process `pid` of this namespace as it runs now; its start time is
  // 0 when it does not run (or has ended and waits to be reaped).
  static QK_TProcessId Of(pid_t pid);
  // The text form; Parse takes either form, true when it was one.
  std::string Text() const;
  static bool Parse(const std::string& text, QK_TProcessId& id);

  // True when the id's boot and namespace are this process's own, so that
  // IsRunning can tell.
  bool IsCheckable() const;
  // True while the process named runs, or when that cannot be checked;
  // false once it ended, or its id belongs to a later process.
  bool IsRunning() const;

  bool operator==(const QK_TProcessId& other) const {
    return pid == other.pid && startTime == other.startTime && boot == other.boot &&
           pidNamespace == other.pidNamespace;
  }
};
