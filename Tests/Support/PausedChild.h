// Test helper: a child process that waits until it is reaped, so that a
// test can name a running process, and one that has ended. Given a
// folder, the child first marks its life there (QK_TProcess.h), as a run
// does, and Id() names it with its life key.
#pragma once

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <string>

#include "QK_TProcess.h"

class PausedChild {
 public:
  PausedChild() : pid_(fork()) {
    if (pid_ == 0) {
      pause();
      _exit(0);
    }
    id_ = QK_TProcessId::Of(pid_);
  }
  explicit PausedChild(const std::string& lifeFolder) {
    int ready[2];
    if (pipe(ready) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      const std::string text = QK_TProcessId::MarkLifeIn(lifeFolder).Text() + "\n";
      if (write(ready[1], text.data(), text.size()) < 0) _exit(1);
      pause();
      _exit(0);
    }
    close(ready[1]);
    std::string text;
    char c = 0;
    while (read(ready[0], &c, 1) == 1 && c != '\n') text += c;
    close(ready[0]);
    QK_TProcessId::Parse(text, id_);
  }
  ~PausedChild() { Reap(); }
  PausedChild(const PausedChild&) = delete;
  PausedChild& operator=(const PausedChild&) = delete;

  pid_t Pid() const { return pid_; }
  // The child as it named itself when it started.
  const QK_TProcessId& Id() const { return id_; }
  // Ends the child and waits for it: its pid names no running process.
  void Reap() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = 0;
  }

 private:
  pid_t pid_ = -1;
  QK_TProcessId id_;
};
