#include "QK_TProcess.h"

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

// The pid (field 1) and start time (field 22) of a /proc/<pid>/stat; false
// when the process does not exist or has ended and waits only to be reaped
// (state "Z" or "X"). The command name (field 2) is in parentheses and may
// hold blanks and parentheses itself, so the fields are counted from its
// last ")".
bool ReadStat(const std::string& path, pid_t& pid, unsigned long long& startTime) {
  std::ifstream in(path);
  std::string text;
  if (!std::getline(in, text)) return false;
  const std::size_t name_end = text.rfind(')');
  if (name_end == std::string::npos) return false;
  pid = static_cast<pid_t>(std::atoll(text.c_str()));
  std::istringstream fields(text.substr(name_end + 1));
  std::string field;
  if (!(fields >> field) || field == "Z" || field == "X") return false;
  // Fields 4 to 21, then the start time.
  for (int number = 4; number <= 21; ++number) {
    if (!(fields >> field)) return false;
  }
  return static_cast<bool>(fields >> startTime);
}

bool StartTimeOf(pid_t pid, unsigned long long& startTime) {
  pid_t listed = 0;
  return ReadStat("/proc/" + std::to_string(pid) + "/stat", listed, startTime);
}

bool IsHex(const std::string& text) {
  return !text.empty() && text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

bool IsDecimal(const std::string& text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// The running kernel's boot id as 32 hexadecimal digits; empty when it
// cannot be read.
std::string ReadBootId() {
  std::ifstream in("/proc/sys/kernel/random/boot_id");
  std::string text;
  std::getline(in, text);
  std::string digits;
  for (char c : text) {
    if (c != '-') digits += c;
  }
  return digits.size() == 32 && IsHex(digits) ? digits : std::string();
}

// The inode number of this process's PID namespace ("pid:[4026531836]");
// 0 when it cannot be read.
unsigned long long ReadPidNamespace() {
  char link[64] = {};
  const ssize_t length = readlink("/proc/self/ns/pid", link, sizeof link - 1);
  if (length <= 0) return 0;
  const std::string text(link, static_cast<std::size_t>(length));
  const std::size_t open = text.find('[');
  const std::size_t close = text.find(']');
  if (text.rfind("pid:", 0) != 0 || open == std::string::npos || close == std::string::npos || close < open) {
    return 0;
  }
  const std::string number = text.substr(open + 1, close - open - 1);
  return IsDecimal(number) ? std::strtoull(number.c_str(), nullptr, 10) : 0;
}

// Where this process's ids hold. A /proc that belongs to another PID
// namespace than this process's (its pid there is not getpid()) cannot
// check this namespace's processes: then neither is known.
struct Whereabouts {
  std::string boot;
  unsigned long long pidNamespace = 0;
  unsigned long long startTime = 0;
};

Whereabouts ReadWhereabouts() {
  Whereabouts here;
  pid_t listed = 0;
  if (!ReadStat("/proc/self/stat", listed, here.startTime) || listed != getpid()) return Whereabouts();
  here.boot = ReadBootId();
  here.pidNamespace = ReadPidNamespace();
  return here;
}

}  // namespace

QK_TProcessId QK_TProcessId::Of(pid_t pid) {
  const QK_TProcessId self = Self();
  QK_TProcessId id;
  id.pid = pid;
  id.boot = self.boot;
  id.pidNamespace = self.pidNamespace;
  if (!StartTimeOf(pid, id.startTime)) id.startTime = 0;
  return id;
}

QK_TProcessId QK_TProcessId::Self() {
  const auto read = []() {
    const Whereabouts here = ReadWhereabouts();
    QK_TProcessId id;
    id.pid = getpid();
    id.startTime = here.startTime;
    id.boot = here.boot;
    id.pidNamespace = here.pidNamespace;
    return id;
  };
  static const QK_TProcessId self = read();
  // A forked child keeps the static of its parent: it is a process of its own.
  return self.pid == getpid() ? self : read();
}

std::string QK_TProcessId::Text() const {
  std::string text = std::to_string(pid) + "." + std::to_string(startTime);
  if (!boot.empty() && pidNamespace != 0) text += "." + boot + "." + std::to_string(pidNamespace);
  return text;
}

bool QK_TProcessId::Parse(const std::string& text, QK_TProcessId& id) {
  std::vector<std::string> parts;
  std::istringstream in(text);
  for (std::string part; std::getline(in, part, '.');) parts.push_back(part);
  if (!text.empty() && text.back() == '.') return false;
  if (parts.size() != 2 && parts.size() != 4) return false;
  if (!IsDecimal(parts[0]) || !IsDecimal(parts[1]) || parts[0].size() > 10 || parts[1].size() > 19) return false;
  const unsigned long long pid = std::strtoull(parts[0].c_str(), nullptr, 10);
  if (pid == 0 || pid > 0x7fffffffULL) return false;
  QK_TProcessId parsed;
  parsed.pid = static_cast<pid_t>(pid);
  parsed.startTime = std::strtoull(parts[1].c_str(), nullptr, 10);
  if (parts.size() == 4) {
    if (parts[2].size() != 32 || !IsHex(parts[2]) || !IsDecimal(parts[3]) || parts[3].size() > 19) return false;
    parsed.boot = parts[2];
    parsed.pidNamespace = std::strtoull(parts[3].c_str(), nullptr, 10);
    if (parsed.pidNamespace == 0) return false;
  }
  id = parsed;
  return true;
}

bool QK_TProcessId::IsCheckable() const {
  const QK_TProcessId self = Self();
  return !self.boot.empty() && self.pidNamespace != 0 && boot == self.boot && pidNamespace == self.pidNamespace;
}

bool QK_TProcessId::IsRunning() const {
  if (!IsCheckable()) return true;
  if (pid <= 0) return false;
  if (kill(pid, 0) != 0 && errno == ESRCH) return false;
  unsigned long long actual = 0;
  return StartTimeOf(pid, actual) && actual == startTime;
}
