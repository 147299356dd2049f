#include "QK_TProcess.h"

#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

// The start time of `pid`, field 22 of /proc/<pid>/stat; false when the
// process does not exist or has ended and waits only to be reaped (state
// "Z" or "X"). The command name (field 2) is in parentheses and may hold
// blanks and parentheses itself, so the fields are counted from its last
// ")".
bool StartTimeOf(pid_t pid, unsigned long long& startTime) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string text;
  if (!std::getline(in, text)) return false;
  const std::size_t name_end = text.rfind(')');
  if (name_end == std::string::npos) return false;
  std::istringstream fields(text.substr(name_end + 1));
  std::string field;
  if (!(fields >> field) || field == "Z" || field == "X") return false;
  // Fields 4 to 21, then the start time.
  for (int number = 4; number <= 21; ++number) {
    if (!(fields >> field)) return false;
  }
  return static_cast<bool>(fields >> startTime);
}

}  // namespace

QK_TProcessId QK_TProcessId::Of(pid_t pid) {
  QK_TProcessId id;
  id.pid = pid;
  if (!StartTimeOf(pid, id.startTime)) id.startTime = 0;
  return id;
}

QK_TProcessId QK_TProcessId::Self() {
  static const QK_TProcessId self = Of(getpid());
  // A forked child keeps the static of its parent: it is a process of its own.
  return self.pid == getpid() ? self : Of(getpid());
}

std::string QK_TProcessId::Text() const { return std::to_string(pid) + "." + std::to_string(startTime); }

bool QK_TProcessId::Parse(const std::string& text, QK_TProcessId& id) {
  const std::size_t dot = text.find('.');
  if (dot == 0 || dot == std::string::npos || dot + 1 == text.size()) return false;
  if (text.find_first_not_of("0123456789.") != std::string::npos || text.find('.', dot + 1) != std::string::npos) {
    return false;
  }
  errno = 0;
  const unsigned long long pid = std::strtoull(text.c_str(), nullptr, 10);
  const unsigned long long start = std::strtoull(text.c_str() + dot + 1, nullptr, 10);
  if (errno != 0 || pid == 0 || pid > 0x7fffffffULL) return false;
  id.pid = static_cast<pid_t>(pid);
  id.startTime = start;
  return true;
}

bool QK_TProcessId::IsRunning() const {
  if (pid <= 0) return false;
  if (kill(pid, 0) != 0 && errno == ESRCH) return false;
  // Without /proc nothing more can be told: the process counts as running.
  if (access("/proc/self/stat", R_OK) != 0) return true;
  unsigned long long actual = 0;
  return StartTimeOf(pid, actual) && actual == startTime;
}
