// Base library process facts: who a process is, and whether it still runs.
//
// A process id alone is reused by the system once its process ended, and
// it means something only inside one PID namespace of one running kernel.
// So a process is named by its id and its start time (in clock ticks since
// the machine started, as /proc/<pid>/stat gives it), by the kernel's boot
// id (/proc/sys/kernel/random/boot_id, without its dashes) and the PID
// namespace (the inode number of /proc/self/ns/pid) in which that id
// holds, and by the machine (/etc/machine-id; "0" when it has none).
// Text form: "<pid>.<start>.<boot>.<namespace>.<machine>"; an id written
// without the last three ("<pid>.<start>") does not say where it holds.
//
// Whether a process still runs can be told for an id of this boot and
// this namespace (by its pid and start time), and for an id of an earlier
// boot of this machine (it has ended: the machine started again since).
// Any other id (another machine or container, an id that does not say
// where it holds, any id at all when this process cannot tell its own
// boot and namespace) counts as running, and so does a process whose
// facts this process may not read, so that nothing of a running process
// is ever taken for a dead one's. Machines that share files must have
// machine ids of their own, as the system requires of them anyway.
#pragma once

#include <string>

#include <sys/types.h>

struct QK_TProcessId {
  pid_t pid = 0;
  unsigned long long startTime = 0;
  std::string boot;                     // 32 hexadecimal digits; empty: not known
  unsigned long long pidNamespace = 0;  // 0: not known
  std::string machine;                  // 32 hexadecimal digits; "0": none; empty: not known

  // This process.
  static QK_TProcessId Self();
  // The process `pid` of this namespace as it runs now; its start time is
  // 0 when it does not run (or has ended and waits to be reaped).
  static QK_TProcessId Of(pid_t pid);
  // The text form; Parse takes either form, true when it was one.
  std::string Text() const;
  static bool Parse(const std::string& text, QK_TProcessId& id);

  // True while the process named runs, or when that cannot be checked;
  // false once it ended, or its id belongs to a later process.
  bool IsRunning() const;

  bool operator==(const QK_TProcessId& other) const {
    return pid == other.pid && startTime == other.startTime && boot == other.boot &&
           pidNamespace == other.pidNamespace && machine == other.machine;
  }
};
