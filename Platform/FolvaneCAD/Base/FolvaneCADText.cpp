#include "Base/FolvaneCADText.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <utility>

#include "QK_TProcess.h"

namespace FolvaneCAD {

QK_TString FormatNumber(double value) {
  if (value == 0.0) return "0";  // also turns -0 into 0
  // 15 significant digits hide binary noise such as 0.30000000000000004.
  return QK_TString::Format("%.15g", value);
}

bool ParseNumber(const QK_TString& text, double* value) {
  std::string trimmed = text.Trim().str();
  const char* begin = trimmed.data();
  const char* end = begin + trimmed.size();
  if (begin != end && *begin == '+') ++begin;
  if (begin == end || (*begin == '-' && begin != trimmed.data())) return false;
  double parsed = 0.0;
  auto [stop, error] = std::from_chars(begin, end, parsed);
  if (error != std::errc() || stop != end || !std::isfinite(parsed)) return false;
  *value = parsed;
  return true;
}

bool ParseInteger(const QK_TString& text, long* value) {
  std::string trimmed = text.Trim().str();
  const char* begin = trimmed.data();
  const char* end = begin + trimmed.size();
  if (begin != end && *begin == '+') ++begin;
  if (begin == end || (*begin == '-' && begin != trimmed.data())) return false;
  long parsed = 0;
  auto [stop, error] = std::from_chars(begin, end, parsed);
  if (error != std::errc() || stop != end) return false;
  *value = parsed;
  return true;
}

QK_TString LocalPath(const QK_TString& path) { return path.ReplaceChars('\\', '/'); }

QK_TString BaseName(const QK_TString& path) {
  QK_TString local = LocalPath(path);
  std::size_t slash = local.FindLast('/');
  QK_TString name = slash == QK_TString::npos ? local : local.Substring(slash + 1);
  std::size_t dot = name.FindLast('.');
  return dot == QK_TString::npos || dot == 0 ? name : name.Substring(0, dot);
}

QK_TString LowerExtension(const QK_TString& path) {
  QK_TString local = LocalPath(path);
  std::size_t slash = local.FindLast('/');
  QK_TString name = slash == QK_TString::npos ? local : local.Substring(slash + 1);
  std::size_t dot = name.FindLast('.');
  return dot == QK_TString::npos ? QK_TString() : name.Substring(dot).ToLower();
}

namespace {

// The longest ending a writer's file name gets after the output's name:
// "." and 16 hexadecimal digits of key, ".writing-", the pid (10 digits at
// most), start time and PID namespace (20 each), three "-", six letters.
constexpr std::size_t kLongestEnding = 17 + 9 + 10 + 20 + 20 + 3 + 6;
// So much of the output's name is kept that any ending fits in NAME_MAX.
constexpr std::size_t kKeptOfName = NAME_MAX - kLongestEnding;
static_assert(kKeptOfName == 170, "FolvaneCADText.h tells callers how much of the name is kept");

// The folder of `path` with its "/" ("" for the current one), and the name.
std::pair<std::string, std::string> FolderAndName(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {std::string(), path};
  return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

// "<first bytes of name>.<key of name>.writing-": how the files of every
// writer of the output `name` are named. The cut name keeps the files
// recognisable; the key of the whole name tells apart outputs whose names
// share their beginning.
std::string WritersOpening(const std::string& name) {
  std::size_t kept = std::min(name.size(), kKeptOfName);
  // A cut inside a UTF-8 character makes a name some file systems refuse.
  while (kept > 0 && kept < name.size() && (static_cast<unsigned char>(name[kept]) & 0xC0) == 0x80) --kept;
  char key[17];
  std::snprintf(key, sizeof key, "%016llx", static_cast<unsigned long long>(QK_TString(name).StableKey()));
  return name.substr(0, kept) + "." + key + ".writing-";
}

// The path this process's files for `path` have before they are whole, up
// to their random letters.
std::string WriterOpening(const std::string& path, const QK_TProcessId& writer) {
  const auto [folder, name] = FolderAndName(path);
  return folder + WritersOpening(name) + std::to_string(writer.pid) + "-" + std::to_string(writer.startTime) + "-" +
         std::to_string(writer.pidNamespace) + "-";
}

// Whether the writer `pid` of this PID namespace that started at `start`
// has ended, as the kernel tells: no such process (or only its zombie),
// or one with another start time. One whose start time cannot be read,
// another account's under a /proc mounted with hidepid, may be writing
// still: it has not ended.
bool HasEnded(pid_t pid, unsigned long long start, const QK_TProcessId& self, const std::string& folder) {
  QK_TProcessId writer = self;
  writer.pid = pid;
  writer.startTime = start;
  return writer.StateIn(folder) == QK_TRunState::kEnded;
}

// Removes the files a writer of `path` of this PID namespace left when it
// was stopped half-way, once that writer has ended.
void RemoveEndedWritersFiles(const std::string& path, const QK_TProcessId& self) {
  const auto [folder, name] = FolderAndName(path);
  const std::string listed = folder.empty() ? "." : folder;
  const std::string opening = WritersOpening(name);
  DIR* listing = opendir(listed.c_str());
  if (listing == nullptr) return;
  while (const dirent* entry = readdir(listing)) {
    const std::string file = entry->d_name;
    long long pid = 0;
    unsigned long long start = 0, pidNamespace = 0;
    char letters[7] = {};
    int used = 0;
    if (file.compare(0, opening.size(), opening) != 0 ||
        std::sscanf(file.c_str() + opening.size(), "%lld-%llu-%llu-%6[A-Za-z0-9]%n", &pid, &start, &pidNamespace,
                    letters, &used) != 4 ||
        opening.size() + static_cast<std::size_t>(used) != file.size() || pidNamespace != self.pidNamespace ||
        pid <= 0 || pid > std::numeric_limits<pid_t>::max()) {
      continue;
    }
    if (HasEnded(static_cast<pid_t>(pid), start, self, listed)) unlink((folder + file).c_str());
  }
  closedir(listing);
}

// A name that begins with `opening`, followed by six random letters.
std::string RandomName(const std::string& opening) {
  static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device random;
  std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
  std::string name = opening;
  for (int i = 0; i < 6; ++i) name += kLetters[pick(random)];
  return name;
}

// Creates a file of a name of this call's own that begins with `opening`
// and sets `temporary` to it; -1 with errno when none can be made. The
// mode 0666 lets the umask (and a folder's default ACL) decide the
// permissions, as for any file this program creates.
int CreateNamed(const std::string& opening, std::string* temporary) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    *temporary = RandomName(opening);
    const int descriptor = open(temporary->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor >= 0 || errno != EEXIST) return descriptor;
  }
  return -1;
}

// Gives the unnamed file `descriptor` a name of this call's own that
// begins with `opening` and sets `temporary` to it; false with errno when
// it cannot. The link through /proc needs no privilege; an empty path,
// where no /proc is mounted, does.
bool Name(int descriptor, const std::string& opening, std::string* temporary) {
  const std::string self = "/proc/self/fd/" + std::to_string(descriptor);
  for (int attempt = 0; attempt < 100; ++attempt) {
    *temporary = RandomName(opening);
    int linked = linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temporary->c_str(), AT_SYMLINK_FOLLOW);
    if (linked != 0 && errno == ENOENT) linked = linkat(descriptor, "", AT_FDCWD, temporary->c_str(), AT_EMPTY_PATH);
    if (linked == 0) return true;
    if (errno != EEXIST) break;
  }
  temporary->clear();
  return false;
}

// Writes all of `content` to `descriptor`; false with errno when it cannot.
bool WriteAll(int descriptor, const std::string& content) {
  std::size_t done = 0;
  while (done < content.size()) {
    const ssize_t wrote = write(descriptor, content.data() + done, content.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote == 0) errno = EIO;  // a write that takes nothing sets no errno of its own
    if (wrote <= 0) return false;
    done += static_cast<std::size_t>(wrote);
  }
  return true;
}

}  // namespace

bool WriteWholeFile(const QK_TString& path, const std::string& content, QK_TString* error) {
  const QK_TProcessId self = QK_TProcessId::Self();
  RemoveEndedWritersFiles(path.str(), self);
  const std::string opening = WriterOpening(path.str(), self);
  const std::string folder = FolderAndName(path.str()).first;
  std::string temporary;
  int descriptor = open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
  const bool unnamed = descriptor >= 0;
  // A file system without unnamed files: the named file is written.
  if (!unnamed) descriptor = CreateNamed(opening, &temporary);
  if (descriptor < 0) {
    *error = QK_TString(std::strerror(errno));
    return false;
  }
  int failure = WriteAll(descriptor, content) ? 0 : errno;
  if (failure == 0 && unnamed && !Name(descriptor, opening, &temporary)) failure = errno;
  // A file system may report a failed write only when the file is closed.
  if (close(descriptor) != 0 && failure == 0) failure = errno;
  if (failure == 0 && std::rename(temporary.c_str(), path.c_str()) != 0) failure = errno;
  if (failure == 0) return true;
  *error = QK_TString(std::strerror(failure));
  if (!temporary.empty()) unlink(temporary.c_str());
  return false;
}

QK_TString QuotedText(const QK_TString& text) {
  std::string quoted = "\"";
  for (char c : text.str()) {
    switch (c) {
      case '"': quoted += "\\\""; break;
      case '\\': quoted += "\\\\"; break;
      case '\t': quoted += "\\t"; break;
      case '\n': quoted += "\\n"; break;
      case '\r': quoted += "\\r"; break;
      default: quoted += c;
    }
  }
  return QK_TString(quoted + "\"");
}

std::vector<QK_TString> Split(const QK_TString& text, char separator) {
  std::vector<QK_TString> pieces;
  std::string current;
  for (char c : text.str()) {
    if (c == separator) {
      pieces.emplace_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  pieces.emplace_back(current);
  return pieces;
}

QK_TString Join(const std::vector<QK_TString>& pieces, const QK_TString& separator) {
  QK_TString joined;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    if (i > 0) joined += separator;
    joined += pieces[i];
  }
  return joined;
}

}  // namespace FolvaneCAD
