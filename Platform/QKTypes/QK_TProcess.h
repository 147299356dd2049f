// Base library process facts: who a process is, and whether it still runs.
//
// A pid is reused once its process ended, and holds only inside one PID
// namespace of one running kernel. So a process is named by its pid and
// start time (clock ticks since boot, /proc/<pid>/stat), the boot id
// (/proc/sys/kernel/random/boot_id without dashes), the PID namespace (the
// inode of /proc/self/ns/pid) and the machine (/etc/machine-id; "0": none).
//
// A process that leaves something behind in a folder first marks its life
// there (MarkLifeIn): while it lives it holds a shared open-file-
// description lock on one byte of the folder, its life key, which its id
// carries. The kernel drops the lock however the process ends, and every
// process sees it, whatever its account, namespace or view of /proc. But
// anyone who may read the folder can lock that byte too: a held lock
// proves nothing, a free one that the process has ended.
//
// Text form: "<pid>.<start>.<boot>.<namespace>.<machine>", then
// "+<life key>" (16 hexadecimal digits) for an id that marks its life.
// Former forms: without the life key, and "<pid>.<start>" alone, which
// does not say where it holds.
//
// An id's state (StateIn, asked of the folder where it was found):
// - this process runs;
// - an id of an earlier boot of this machine (same machine id, not "0")
//   has ended; one of an earlier boot of another machine or of one without
//   a machine id, or one that does not say where it holds, cannot be
//   checked;
// - an id of this boot and PID namespace is judged by its pid, whatever
//   lock is held: no such process (ESRCH), a zombie, or another start time
//   has ended; its start time runs. Only where its pid cannot be checked
//   (EPERM and a /proc hiding it, an unreadable stat) is it judged as below;
// - an id of this boot in another or an unknown PID namespace has ended
//   when nobody holds its life mark; it cannot be checked while someone
//   does, without a life key, or in a folder that takes no locks.
// Only its pid makes a process known to run. A caller counts what cannot
// be checked as running, but knows that it is not known to run.
#pragma once

#include <string>

#include <sys/types.h>

enum class QK_TRunState {
  kRunning,  // known to run
  kEnded,    // known to have ended
  kUnknown,  // cannot be checked from here
};

struct QK_TProcessId {
  pid_t pid = 0;
  unsigned long long startTime = 0;
  std::string boot;                     // 32 hexadecimal digits; empty: not known
  unsigned long long pidNamespace = 0;  // 0: not known
  std::string machine;                  // 32 hexadecimal digits; "0": none; empty: not known
  unsigned long long life = 0;          // the byte its life is marked on; 0: none

  // This process (without a life key).
  static QK_TProcessId Self();
  // This process, its life marked in `folder` (held until the process
  // ends; marking a folder again does nothing). Without a life key when
  // the folder cannot be opened or locked; `reason` then says why.
  static QK_TProcessId MarkLifeIn(const std::string& folder, std::string* reason = nullptr);
  // The process `pid` of this namespace as it runs now; its start time is
  // 0 when it does not run (or has ended and waits to be reaped).
  static QK_TProcessId Of(pid_t pid);
  // The life key of this process: a key of its pid, start time, boot and
  // namespace, below 2^62 and never 0.
  unsigned long long LifeKey() const;

  // The text form; Parse takes every form above, true when it was one.
  std::string Text() const;
  static bool Parse(const std::string& text, QK_TProcessId& id);

  // As above; `folder` is where the id was found.
  QK_TRunState StateIn(const std::string& folder) const;

  // The same process: everything but the life key.
  bool operator==(const QK_TProcessId& other) const {
    return pid == other.pid && startTime == other.startTime && boot == other.boot &&
           pidNamespace == other.pidNamespace && machine == other.machine;
  }
};
