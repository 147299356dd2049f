#include "QK_TProcess.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

// What /proc/<pid>/stat says of a process.
enum class Stat {
  kRunning,     // it runs (its pid and start time are read)
  kEnded,       // no such process, or it ended and waits only to be reaped
  kUnreadable,  // there may be one, but this process may not read its facts
};

// The pid (field 1) and start time (field 22) of a /proc/<pid>/stat. The
// command name (field 2) is in parentheses and may hold blanks and
// parentheses itself, so the fields are counted from its last ")".
Stat ReadStat(const std::string& path, pid_t& pid, unsigned long long& startTime) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT || errno == ESRCH ? Stat::kEnded : Stat::kUnreadable;
  char buffer[1024];
  const ssize_t got = read(fd, buffer, sizeof buffer - 1);
  close(fd);
  if (got <= 0) return got == 0 || errno == ESRCH ? Stat::kEnded : Stat::kUnreadable;
  const std::string text(buffer, static_cast<std::size_t>(got));
  const std::size_t name_end = text.rfind(')');
  if (name_end == std::string::npos) return Stat::kUnreadable;
  pid = static_cast<pid_t>(std::atoll(text.c_str()));
  std::istringstream fields(text.substr(name_end + 1));
  std::string field;
  if (!(fields >> field)) return Stat::kUnreadable;
  if (field == "Z" || field == "X") return Stat::kEnded;
  // Fields 4 to 21, then the start time.
  for (int number = 4; number <= 21; ++number) {
    if (!(fields >> field)) return Stat::kUnreadable;
  }
  return fields >> startTime ? Stat::kRunning : Stat::kUnreadable;
}

Stat StatOf(pid_t pid, unsigned long long& startTime) {
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

// The machine id as 32 hexadecimal digits; "0" when the machine has none.
std::string ReadMachineId() {
  for (const char* path : {"/etc/machine-id", "/var/lib/dbus/machine-id"}) {
    std::ifstream in(path);
    std::string text;
    std::getline(in, text);
    if (text.size() == 32 && IsHex(text)) return text;
  }
  return "0";
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
  std::string machine;
  unsigned long long startTime = 0;
};

Whereabouts ReadWhereabouts() {
  Whereabouts here;
  pid_t listed = 0;
  if (ReadStat("/proc/self/stat", listed, here.startTime) != Stat::kRunning || listed != getpid()) {
    return Whereabouts();
  }
  here.boot = ReadBootId();
  here.pidNamespace = ReadPidNamespace();
  here.machine = ReadMachineId();
  return here;
}

bool IsMachineId(const std::string& text) { return text == "0" || (text.size() == 32 && IsHex(text)); }

}  // namespace

QK_TProcessId QK_TProcessId::Of(pid_t pid) {
  const QK_TProcessId self = Self();
  QK_TProcessId id;
  id.pid = pid;
  id.boot = self.boot;
  id.pidNamespace = self.pidNamespace;
  id.machine = self.machine;
  if (StatOf(pid, id.startTime) != Stat::kRunning) id.startTime = 0;
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
    id.machine = here.machine;
    return id;
  };
  static const QK_TProcessId self = read();
  // A forked child keeps the static of its parent: it is a process of its own.
  return self.pid == getpid() ? self : read();
}

std::string QK_TProcessId::Text() const {
  std::string text = std::to_string(pid) + "." + std::to_string(startTime);
  if (!boot.empty() && pidNamespace != 0 && !machine.empty()) {
    text += "." + boot + "." + std::to_string(pidNamespace) + "." + machine;
  }
  return text;
}

bool QK_TProcessId::Parse(const std::string& text, QK_TProcessId& id) {
  std::vector<std::string> parts;
  std::istringstream in(text);
  for (std::string part; std::getline(in, part, '.');) parts.push_back(part);
  if (!text.empty() && text.back() == '.') return false;
  if (parts.size() != 2 && parts.size() != 5) return false;
  if (!IsDecimal(parts[0]) || !IsDecimal(parts[1]) || parts[0].size() > 10 || parts[1].size() > 19) return false;
  const unsigned long long pid = std::strtoull(parts[0].c_str(), nullptr, 10);
  if (pid == 0 || pid > 0x7fffffffULL) return false;
  QK_TProcessId parsed;
  parsed.pid = static_cast<pid_t>(pid);
  parsed.startTime = std::strtoull(parts[1].c_str(), nullptr, 10);
  if (parts.size() == 5) {
    if (parts[2].size() != 32 || !IsHex(parts[2]) || !IsDecimal(parts[3]) || parts[3].size() > 19 ||
        !IsMachineId(parts[4])) {
      return false;
    }
    parsed.boot = parts[2];
    parsed.pidNamespace = std::strtoull(parts[3].c_str(), nullptr, 10);
    parsed.machine = parts[4];
    if (parsed.pidNamespace == 0) return false;
  }
  id = parsed;
  return true;
}

bool QK_TProcessId::IsRunning() const {
  const QK_TProcessId self = Self();
  if (self.boot.empty() || self.pidNamespace == 0 || boot.empty()) return true;
  // An earlier boot of this machine: everything of it has ended.
  if (boot != self.boot) return machine == "0" || machine != self.machine;
  if (pidNamespace != self.pidNamespace) return true;
  if (pid <= 0) return false;
  if (kill(pid, 0) != 0 && errno == ESRCH) return false;
  unsigned long long actual = 0;
  switch (StatOf(pid, actual)) {
    case Stat::kEnded:
      return false;
    case Stat::kUnreadable:
      // /proc hides the processes of other accounts (hidepid): the one
      // that kill found stays running.
      return true;
    default:
      return actual == startTime;
  }
}
