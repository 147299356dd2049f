#include "QK_TProcess.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>
#include <utility>
#include <vector>

#include "QK_TString.h"

namespace {

// What /proc/<pid>/stat says of a process.
enum class Stat {
  kRunning,     // it runs (its pid and start time are read)
  kEnded,       // no such process
  kZombie,      // it ended and waits only to be reaped
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
  buffer[got] = '\0';
  const char* nameEnd = std::strrchr(buffer, ')');
  char state = 0;
  if (nameEnd == nullptr || std::sscanf(nameEnd + 1, " %c", &state) != 1) return Stat::kUnreadable;
  if (state == 'Z' || state == 'X') return Stat::kZombie;
  pid = static_cast<pid_t>(std::atoll(buffer));
  // Fields 3 (the state) to 21 are skipped, then the start time.
  return std::sscanf(nameEnd + 1, " %*s%*s%*s%*s%*s%*s%*s%*s%*s%*s%*s%*s%*s%*s%*s%*s%*s%*s%*s%llu", &startTime) == 1
             ? Stat::kRunning
             : Stat::kUnreadable;
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

// The first line of the file at `path` without its dashes, when it is 32
// hexadecimal digits; else "".
std::string ReadId(const char* path, bool dashed = false) {
  std::ifstream in(path);
  std::string text;
  std::getline(in, text);
  if (dashed) text.erase(std::remove(text.begin(), text.end(), '-'), text.end());
  return text.size() == 32 && IsHex(text) ? text : std::string();
}

// The inode number of this process's PID namespace ("pid:[4026531836]");
// 0 when it cannot be read.
unsigned long long ReadPidNamespace() {
  char link[64] = {};
  unsigned long long number = 0;
  char close = 0;
  const bool read = readlink("/proc/self/ns/pid", link, sizeof link - 1) > 0 &&
                    std::sscanf(link, "pid:[%llu%c", &number, &close) == 2 && close == ']';
  return read ? number : 0;
}

// The one byte a life mark locks: type, whence, start, length, pid.
struct flock LifeByte(short type, unsigned long long life) { return {type, SEEK_SET, static_cast<off_t>(life), 1, 0}; }

int OpenFolder(const std::string& folder) { return open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); }

std::string Reason(const char* what, const std::string& folder) {
  return std::string(what) + " " + folder + ": " + std::strerror(errno);
}

// Marks this process's life in `folder`: "" when it is marked (now or
// before), else why not. The folders marked are kept by device and inode;
// their descriptors stay open, and so the locks held, until the process
// ends. A forked child inherits the descriptors but not the marks: its
// life key is its own.
std::string MarkLife(const std::string& folder, unsigned long long life) {
  static std::mutex mutex;
  static pid_t owner = 0;
  static auto* marked = new std::set<std::pair<dev_t, ino_t>>;  // never destroyed: the locks outlive every static
  const std::lock_guard<std::mutex> guard(mutex);
  if (owner != getpid()) {
    marked->clear();
    owner = getpid();
  }
  const int fd = OpenFolder(folder);
  if (fd < 0) return Reason("cannot open the folder", folder);
  struct stat info {};
  struct flock byte = LifeByte(F_RDLCK, life);
  std::string reason;
  if (fstat(fd, &info) != 0) {
    reason = Reason("cannot read the folder", folder);
  } else if (marked->count({info.st_dev, info.st_ino}) == 0) {
    if (fcntl(fd, F_OFD_SETLK, &byte) != 0) reason = Reason("cannot lock the folder", folder);
    if (reason.empty() && marked->insert({info.st_dev, info.st_ino}).second) return reason;
  }
  close(fd);
  return reason;
}

// Whether the life mark `life` in `folder` is gone: true only when the
// folder answered and no process holds its byte.
bool LifeMarkGone(const std::string& folder, unsigned long long life) {
  const int fd = OpenFolder(folder);
  if (fd < 0) return false;
  // Asked as for a write lock: any shared lock on the byte is in its way.
  struct flock byte = LifeByte(F_WRLCK, life);
  const bool asked = fcntl(fd, F_OFD_GETLK, &byte) == 0;
  close(fd);
  return asked && byte.l_type == F_UNLCK;
}

// A process of this boot and namespace named by its pid and start time;
// unknown when its pid cannot be checked from here.
QK_TRunState PidState(pid_t pid, unsigned long long startTime) {
  if (pid <= 0) return QK_TRunState::kEnded;
  // EPERM: a process of another account runs under that pid.
  if (kill(pid, 0) != 0 && errno == ESRCH) return QK_TRunState::kEnded;
  unsigned long long actual = 0;
  const Stat stat = StatOf(pid, actual);
  // /proc has no such process, yet kill found one: /proc hides it
  // (hidepid), and whether it is that run or a later one is not known.
  const bool gone = stat == Stat::kEnded && kill(pid, 0) != 0 && errno == ESRCH;
  if (stat == Stat::kEnded) return gone ? QK_TRunState::kEnded : QK_TRunState::kUnknown;
  if (stat == Stat::kUnreadable) return QK_TRunState::kUnknown;
  return stat == Stat::kZombie || actual != startTime ? QK_TRunState::kEnded : QK_TRunState::kRunning;
}

}  // namespace

unsigned long long QK_TProcessId::LifeKey() const {
  // Cut to a byte offset a lock can take.
  const QK_TString where = std::to_string(pid) + "." + std::to_string(startTime) + "." + boot + "." +
                           std::to_string(pidNamespace);
  return (where.StableKey() & ((1ULL << 62) - 1)) | 1;
}

QK_TProcessId QK_TProcessId::MarkLifeIn(const std::string& folder, std::string* reason) {
  QK_TProcessId self = Self();
  if (self.boot.empty() || self.pidNamespace == 0) {
    if (reason != nullptr) *reason = "this process cannot tell its boot and namespace";
    return self;
  }
  const std::string failure = MarkLife(folder, self.LifeKey());
  if (reason != nullptr) *reason = failure;
  if (failure.empty()) self.life = self.LifeKey();
  return self;
}

QK_TProcessId QK_TProcessId::Of(pid_t pid) {
  QK_TProcessId id = Self();  // its boot, namespace and machine; no life key
  id.pid = pid;
  if (StatOf(pid, id.startTime) != Stat::kRunning) id.startTime = 0;
  return id;
}

QK_TProcessId QK_TProcessId::Self() {
  // Where this process's ids hold. A /proc of another PID namespace than
  // this process's (its pid there is not getpid()) cannot check this
  // namespace's processes: then neither is known.
  const auto read = []() {
    QK_TProcessId id;
    id.pid = getpid();
    pid_t listed = 0;
    if (ReadStat("/proc/self/stat", listed, id.startTime) != Stat::kRunning || listed != id.pid) {
      id.startTime = 0;
      return id;
    }
    id.boot = ReadId("/proc/sys/kernel/random/boot_id", true);
    id.pidNamespace = ReadPidNamespace();
    // "0" for a machine without a machine id.
    id.machine = ReadId("/etc/machine-id");
    if (id.machine.empty()) id.machine = ReadId("/var/lib/dbus/machine-id");
    if (id.machine.empty()) id.machine = "0";
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
    char key[20];
    std::snprintf(key, sizeof key, "+%016llx", life);
    if (life != 0) text += key;
  }
  return text;
}

bool QK_TProcessId::Parse(const std::string& text, QK_TProcessId& id) {
  const std::size_t plus = text.find('+');
  const std::string where = text.substr(0, plus);
  const std::string life = plus == std::string::npos ? std::string() : text.substr(plus + 1);
  if (plus != std::string::npos && (life.size() != 16 || !IsHex(life))) return false;
  std::vector<std::string> parts;
  std::istringstream in(where);
  for (std::string part; std::getline(in, part, '.');) parts.push_back(part);
  if ((!where.empty() && where.back() == '.') || (parts.size() != 2 && parts.size() != 5)) return false;
  if (!IsDecimal(parts[0]) || !IsDecimal(parts[1]) || parts[0].size() > 10 || parts[1].size() > 19) return false;
  const unsigned long long pid = std::strtoull(parts[0].c_str(), nullptr, 10);
  if (pid == 0 || pid > 0x7fffffffULL) return false;
  QK_TProcessId parsed;
  parsed.pid = static_cast<pid_t>(pid);
  parsed.startTime = std::strtoull(parts[1].c_str(), nullptr, 10);
  if (parts.size() == 5) {
    parsed.boot = parts[2];
    parsed.pidNamespace = std::strtoull(parts[3].c_str(), nullptr, 10);
    parsed.machine = parts[4];
    if (parts[2].size() != 32 || !IsHex(parts[2]) || !IsDecimal(parts[3]) || parts[3].size() > 19 ||
        parsed.pidNamespace == 0 || (parts[4] != "0" && (parts[4].size() != 32 || !IsHex(parts[4])))) {
      return false;
    }
  }
  if (!life.empty()) {
    // A life key says where it holds: only the long form carries one.
    parsed.life = std::strtoull(life.c_str(), nullptr, 16);
    if (parts.size() != 5 || parsed.life == 0 || parsed.life >= (1ULL << 62)) return false;
  }
  id = parsed;
  return true;
}

QK_TRunState QK_TProcessId::StateIn(const std::string& folder) const {
  const QK_TProcessId self = Self();
  if (*this == self) return QK_TRunState::kRunning;
  if (self.boot.empty() || boot.empty()) return QK_TRunState::kUnknown;
  if (boot != self.boot) {
    // An earlier boot of this machine: everything of it has ended.
    const bool thisMachine = machine != "0" && machine == self.machine;
    return thisMachine ? QK_TRunState::kEnded : QK_TRunState::kUnknown;
  }
  if (self.pidNamespace != 0 && pidNamespace == self.pidNamespace) {
    const QK_TRunState byPid = PidState(pid, startTime);
    if (byPid != QK_TRunState::kUnknown) return byPid;
  }
  // Its pid cannot be checked from here; a live run holds its life mark.
  return life != 0 && LifeMarkGone(folder, life) ? QK_TRunState::kEnded : QK_TRunState::kUnknown;
}
