#include "SQLUtilitiesChange.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#include "QK_EException.h"
#include "TW_TCancel.h"

namespace SQLUtilities {

namespace {

// How often a waiting change tries the lock again.
constexpr std::chrono::milliseconds kLockRetry{10};

[[noreturn]] void Refuse(const std::string& file, const std::string& reason) {
  QK_THROW(QK_EException(QK_TString::Format("Cannot change the ODBC configuration %s", file.c_str()),
                         QK_TAny(QK_TString(reason))));
}

std::string SystemReason(const char* what, const std::string& path) {
  return std::string(what) + " " + path + ": " + std::strerror(errno);
}

std::string ReadWhole(int fd) {
  std::string text;
  char buffer[65536];
  for (;;) {
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return got < 0 ? std::string() : text;
    text.append(buffer, static_cast<std::size_t>(got));
  }
}

// The file's bytes; false with errno set when it cannot be read. A missing
// file reads as empty: the installer treats both alike.
bool ReadFile(const std::string& path, std::string& text, bool& exists) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  exists = fd >= 0;
  text.clear();
  if (fd < 0) return errno == ENOENT;
  errno = 0;
  text = ReadWhole(fd);
  const bool good = errno == 0;
  close(fd);
  return good;
}

bool WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t wrote = write(fd, text.data() + done, text.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    // A write that takes nothing sets no errno of its own.
    if (wrote == 0) errno = EIO;
    if (wrote <= 0) return false;
    done += static_cast<std::size_t>(wrote);
  }
  return true;
}

// Puts `text` at `path` in one step: a new file beside it, written and
// synced, renamed over it, so that a reader sees the old bytes or the new
// ones, never a part. The new file keeps `mode`.
void ReplaceFile(const std::string& file, const std::string& path, const std::string& text, mode_t mode) {
  const std::string fresh = path + ".new";
  const int fd = open(fresh.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
  if (fd < 0) Refuse(file, SystemReason("cannot create", fresh));
  fchmod(fd, mode);
  const bool written = WriteAll(fd, text) && fsync(fd) == 0;
  std::string reason = written ? std::string() : SystemReason("cannot write", fresh);
  if (close(fd) != 0 && reason.empty()) reason = SystemReason("cannot write", fresh);
  if (reason.empty() && rename(fresh.c_str(), path.c_str()) != 0) reason = SystemReason("cannot replace", path);
  if (reason.empty()) return;
  unlink(fresh.c_str());
  Refuse(file, reason);
}

// The permission bits of `path`, or `fallback` when it does not exist.
mode_t ModeOf(const std::string& path, mode_t fallback) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : fallback;
}

// The file the name leads to: a change rewrites the file itself, not a
// link to it.
std::string Resolved(const std::string& path) {
  std::error_code error;
  const std::filesystem::path target = std::filesystem::weakly_canonical(path, error);
  return error ? path : target.string();
}

}  // namespace

OdbcIniChange::OdbcIniChange(const std::string& odbcIni, const Report& report, std::chrono::milliseconds wait)
    : file_(Resolved(odbcIni)) {
  Lock(wait);
  hold_ = std::make_unique<TW_TStopSignalHold>();
  try {
    RestoreLeftBackup(report);
    MakeBackup();
  } catch (...) {
    hold_.reset();
    close(lock_);
    throw;
  }
}

OdbcIniChange::~OdbcIniChange() {
  unlink(BackupPath(file_).c_str());
  hold_.reset();
  close(lock_);
}

void OdbcIniChange::Lock(std::chrono::milliseconds wait) {
  const std::string path = LockPath(file_);
  lock_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (lock_ < 0) Refuse(file_, SystemReason("cannot open the lock file", path));
  const auto deadline = std::chrono::steady_clock::now() + wait;
  while (flock(lock_, LOCK_EX | LOCK_NB) != 0) {
    if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() >= deadline) {
      const bool busy = errno == EWOULDBLOCK || errno == EINTR;
      const std::string reason =
          busy ? QK_TString::Format("another process held its lock %s for more than %lld ms", path.c_str(),
                                    static_cast<long long>(wait.count()))
                     .str()
               : SystemReason("cannot lock", path);
      close(lock_);
      Refuse(file_, reason);
    }
    std::this_thread::sleep_for(kLockRetry);
  }
}

void OdbcIniChange::RestoreLeftBackup(const Report& report) {
  const std::string backup = BackupPath(file_);
  std::string text;
  bool exists = false;
  if (!ReadFile(backup, text, exists)) Refuse(file_, SystemReason("cannot read", backup));
  if (!exists) return;
  ReplaceFile(file_, file_, text, ModeOf(file_, ModeOf(backup, 0644)));
  if (report) {
    report(QK_TString::Format("Restored %s from %s, the copy that a run stopped during a change left behind",
                              file_.c_str(), backup.c_str()));
  }
}

void OdbcIniChange::MakeBackup() {
  std::string text;
  bool exists = false;
  if (!ReadFile(file_, text, exists)) Refuse(file_, SystemReason("cannot read", file_));
  ReplaceFile(file_, BackupPath(file_), text, ModeOf(file_, 0644));
}

}  // namespace SQLUtilities
