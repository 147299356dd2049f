// Base library process facts: who a process is, and whether it still runs.
//
// A process id alone is reused by the system once its process ended, and
// it means something only inside one PID namespace of one running kernel.
// So a process is named by its id and its start time (in clock ticks since
// the machine started, as /proc/<pid>/stat gives it), by the kernel's boot
// id (/proc/sys/kernel/random/boot_id, without its dashes) and the PID
// namespace (the inode number of /proc/self/ns/pid) in which that id
// holds, and by the machine (/etc/machine-id; "0" when it has none).
//
// Whether it still runs is the kernel's answer. A process that leaves
// something behind in a folder (a file, a section of a shared file) first
// marks its life there (MarkLifeIn): it holds a shared lock (an
// open-file-description lock) on one byte of the folder, opened
// read-only, for as long as it lives. Its id then carries that byte, its
// life key. The kernel drops the lock when the process ends, however it
// ends (killed, or killed with its container), and any process of the
// same running kernel sees the lock, whatever its account, PID namespace
// or view of /proc. But any process that may read the folder can lock
// that byte too: a held lock proves nothing about the process, while a
// byte nobody locks proves that it has ended.
//
// Text form: "<pid>.<start>.<boot>.<namespace>.<machine>", followed by
// "+<life key>" (16 hexadecimal digits) for an id that marks its life.
// Former forms: without the life key, and "<pid>.<start>" alone, which
// does not say where it holds.
//
// What an id's state is (StateIn, asked of the folder where it was found):
// - this process runs;
// - an id of an earlier boot of this machine (same machine id, not "0")
//   has ended: the machine started again since; one of an earlier boot
//   of a machine without a machine id, or of another machine, and an id
//   that does not say where it holds (its boot is not known), cannot be
//   checked;
// - an id of this boot and PID namespace is judged by its pid, whatever
//   lock is held: no such process (ESRCH), a zombie, or a process with
//   another start time has ended; a process with its start time runs.
//   Only when its pid cannot be checked (kill answers EPERM and /proc
//   hides it, hidepid; or its stat cannot be read) is it judged as below;
// - an id of this boot in another PID namespace, or in one that cannot be
//   told, has ended when no process holds its life mark; it cannot be
//   checked while someone holds it, without a life key, or in a folder
//   that takes no locks.
// Only its pid ever makes a process known to run. A caller counts what
// cannot be checked as running, but knows that it is not known to run.
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
