#include "QK_TProcess.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
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
  const std::string text(buffer, static_cast<std::size_t>(got));
  const std::size_t name_end = text.rfind(')');
  if (name_end == std::string::npos) return Stat::kUnreadable;
  pid = static_cast<pid_t>(std::atoll(text.c_str()));
  std::istringstream fields(text.substr(name_end + 1));
  std::string field;
  if (!(fields >> field)) return Stat::kUnreadable;
  if (field == "Z" || field == "X") return Stat::kZombie;
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

// The one byte a life mark locks.
struct flock LifeByte(short type, unsigned long long life) {
  struct flock byte {};
  byte.l_type = type;
  byte.l_whence = SEEK_SET;
  byte.l_start = static_cast<off_t>(life);
  byte.l_len = 1;
  return byte;
}

int OpenFolder(const std::string& folder) { return open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); }

// The folders this process marked its life in, by device and inode; the
// descriptors stay open, and so the locks held, until the process ends.
// A forked child inherits the descriptors but not the marks: its life key
// is its own.
class LifeMarks {
 public:
  static LifeMarks& Get() {
    static LifeMarks* marks = new LifeMarks;  // never destroyed: the locks outlive every static
    return *marks;
  }

  // "" when this process's life is marked in `folder`, else why not.
  std::string Mark(const std::string& folder, unsigned long long life) {
    const std::lock_guard<std::mutex> guard(mutex_);
    if (owner_ != getpid()) {
      held_.clear();
      owner_ = getpid();
    }
    const int fd = OpenFolder(folder);
    if (fd < 0) return Reason("cannot open the folder", folder);
    struct stat info {};
    if (fstat(fd, &info) != 0) return Closed(fd, Reason("cannot read the folder", folder));
    const auto key = std::make_pair(info.st_dev, info.st_ino);
    if (held_.count(key) != 0) return Closed(fd, std::string());
    struct flock byte = LifeByte(F_RDLCK, life);
    if (fcntl(fd, F_OFD_SETLK, &byte) != 0) return Closed(fd, Reason("cannot lock the folder", folder));
    held_.emplace(key, fd);
    return std::string();
  }

 private:
  static std::string Reason(const char* what, const std::string& folder) {
    return std::string(what) + " " + folder + ": " + std::strerror(errno);
  }
  static std::string Closed(int fd, const std::string& reason) {
    close(fd);
    return reason;
  }

  std::mutex mutex_;
  pid_t owner_ = 0;
  std::map<std::pair<dev_t, ino_t>, int> held_;
};

// Whether the life mark `life` in `folder` is gone: true only when the
// folder answered and no process holds its byte. A held byte proves
// nothing, for any account that may read the folder can lock it too.
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
  switch (StatOf(pid, actual)) {
    case Stat::kEnded:
      // /proc has no such process, yet kill found one: /proc hides it
      // (hidepid), and whether it is that run or a later one is not known.
      return kill(pid, 0) != 0 && errno == ESRCH ? QK_TRunState::kEnded : QK_TRunState::kUnknown;
    case Stat::kZombie:
      return QK_TRunState::kEnded;
    case Stat::kUnreadable:
      return QK_TRunState::kUnknown;
    default:
      return actual == startTime ? QK_TRunState::kRunning : QK_TRunState::kEnded;
  }
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
  const std::string failure = LifeMarks::Get().Mark(folder, self.LifeKey());
  if (reason != nullptr) *reason = failure;
  if (failure.empty()) self.life = self.LifeKey();
  return self;
}

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
    if (life != 0) {
      char key[20];
      std::snprintf(key, sizeof key, "+%016llx", life);
      text += key;
    }
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
  if (!where.empty() && where.back() == '.') return false;
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
  // Its pid cannot be checked from here. A live run always holds its life
  // mark, so a mark nobody holds has ended; a held one may be anyone's.
  return life != 0 && LifeMarkGone(folder, life) ? QK_TRunState::kEnded : QK_TRunState::kUnknown;
}
