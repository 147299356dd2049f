// Test helper: a child process that waits until it is reaped, so that a
// test can name a running process, and one that has ended.
#pragma once

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

class PausedChild {
 public:
  PausedChild() : pid_(fork()) {
    if (pid_ == 0) {
      pause();
      _exit(0);
    }
  }
  ~PausedChild() { Reap(); }
  PausedChild(const PausedChild&) = delete;
  PausedChild& operator=(const PausedChild&) = delete;

  pid_t Pid() const { return pid_; }
  // Ends the child and waits for it: its pid names no running process.
  void Reap() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = 0;
  }

 private:
  pid_t pid_;
};
