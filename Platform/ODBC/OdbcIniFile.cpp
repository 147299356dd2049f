#include "OdbcIniFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

#include "OdbcIniText.h"

namespace odbc_ini {

std::string Reason(const char* what, const std::string& path) {
  return std::string(what) + " " + path + ": " + std::strerror(errno);
}

namespace {

// Writes `bytes` at `at` of the file `fd`, all of them.
bool WriteAt(int fd, std::size_t at, const std::string& bytes) {
  for (std::size_t done = 0; done < bytes.size();) {
    const ssize_t wrote = pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(at + done));
    if (wrote < 0 && errno == EINTR) continue;
    // A write that takes nothing sets no errno of its own.
    if (wrote == 0) errno = EIO;
    if (wrote <= 0) return false;
    done += static_cast<std::size_t>(wrote);
  }
  return true;
}

// A new file beside `path` with the bytes and `mode`, renamed over it; its
// group is `*group` when given, else what the folder gives. Returns "" on
// success, else why not, having changed nothing.
std::string ReplaceByRename(const std::string& path, const std::string& bytes, mode_t mode, const gid_t* group) {
  std::string fresh = path + ".new-XXXXXX";
  std::string reason = PutUniqueFile(fresh, 0, bytes, mode, group);
  if (reason.empty() && rename(fresh.c_str(), path.c_str()) != 0) {
    reason = Reason("cannot replace", path);
    unlink(fresh.c_str());
  }
  return reason;
}

// True when a new file of this account may be given the group `group`.
bool MayGiveGroup(gid_t group) {
  if (geteuid() == 0 || group == getegid()) return true;
  std::vector<gid_t> groups(static_cast<std::size_t>(std::max(getgroups(0, nullptr), 0)));
  groups.resize(static_cast<std::size_t>(std::max(getgroups(static_cast<int>(groups.size()), groups.data()), 0)));
  return std::find(groups.begin(), groups.end(), group) != groups.end();
}

// Makes `edit` in the file itself: only the edit's range is written.
std::string ChangeInPlace(const std::string& path, const Edit& edit) {
  const int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) return Reason("cannot write", path);
  bool done = true;
  if (edit.kind == Edit::Kind::kAppend) {
    done = WriteAt(fd, edit.at, edit.bytes);
    // A part-written section goes again at once (a full disk).
    if (!done) {
      const int failure = errno;
      ftruncate(fd, static_cast<off_t>(edit.at));
      errno = failure;
    }
  } else if (edit.kind == Edit::Kind::kTruncate) {
    done = ftruncate(fd, static_cast<off_t>(edit.at)) == 0;
  } else if (edit.kind == Edit::Kind::kBlank) {
    for (const Step& step : BlankingSteps(edit.bytes)) done = done && WriteAt(fd, edit.at + step.at, step.bytes);
  }
  std::string reason = done && fsync(fd) == 0 ? std::string() : Reason("cannot write", path);
  if (close(fd) != 0 && reason.empty()) reason = Reason("cannot write", path);
  return reason;
}

// The permissions a new file of this process gets: 0644 less the umask.
mode_t NewFileMode() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("Umask:", 0) == 0) return 0644 & ~static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
  }
  return 0644 & ~static_cast<mode_t>(022);
}

}  // namespace

std::string PutUniqueFile(std::string& path, int suffixLength, const std::string& bytes, unsigned mode,
                          const gid_t* group) {
  const int fd = mkostemps(path.data(), suffixLength, O_CLOEXEC);
  if (fd < 0) return Reason("cannot create", path);
  std::string reason;
  if ((group != nullptr && fchown(fd, static_cast<uid_t>(-1), *group) != 0) ||
      fchmod(fd, static_cast<mode_t>(mode)) != 0 || !WriteAt(fd, 0, bytes) || fsync(fd) != 0) {
    reason = Reason("cannot write", path);
  }
  if (close(fd) != 0 && reason.empty()) reason = Reason("cannot write", path);
  if (!reason.empty()) unlink(path.c_str());
  return reason;
}

WriteMethod WriteMethodFor(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return WriteMethod::kRename;
  const bool keepsEverything = S_ISREG(info.st_mode) && info.st_uid == geteuid() && info.st_nlink == 1 &&
                               FolderWritable(FolderOf(path)) && MayGiveGroup(info.st_gid);
  return keepsEverything ? WriteMethod::kRename : WriteMethod::kInPlace;
}

std::string FileBehind(const std::string& path) {
  // As many links as the system itself follows before it gives up.
  constexpr int kMostLinks = 40;
  std::string file = path;
  for (int followed = 0; followed < kMostLinks; ++followed) {
    std::vector<char> target(PATH_MAX + 1, '\0');
    const ssize_t length = readlink(file.c_str(), target.data(), PATH_MAX);
    if (length < 0) return file;
    const std::string next(target.data(), static_cast<std::size_t>(length));
    file = next.front() == '/' ? next : FolderOf(file) + "/" + next;
  }
  return path;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

bool FolderWritable(const std::string& folder) {
  return faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

std::string ReadFrom(int fd, const std::string& path, std::string& bytes) {
  bytes.clear();
  char buffer[65536];
  for (ssize_t got; (got = read(fd, buffer, sizeof buffer)) != 0;) {
    if (got < 0 && errno != EINTR) return Reason("cannot read", path);
    if (got > 0) bytes.append(buffer, static_cast<std::size_t>(got));
  }
  return std::string();
}

std::string Read(const std::string& path, std::string& bytes) {
  bytes.clear();  // a missing file
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? std::string() : Reason("cannot read", path);
  const std::string reason = ReadFrom(fd, path, bytes);
  close(fd);
  return reason;
}

std::string Change(const std::string& path, const std::string& old, const Edit& edit) {
  if (edit.kind == Edit::Kind::kNone) return std::string();
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    if (errno != ENOENT) return Reason("cannot write", path);
    // A new file gets what the account's new files get.
    return ReplaceByRename(path, Applied(old, edit, false), NewFileMode(), nullptr);
  }
  // The file's own permission decides, not the folder's; a file nobody may
  // write stays so for root too.
  if ((info.st_mode & 0222) == 0) {
    errno = EACCES;
    return Reason("cannot write", path);
  }
  if (faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) return Reason("cannot write", path);
  // In place unless a new file keeps its owner, group and links.
  if (WriteMethodFor(path) == WriteMethod::kInPlace) return ChangeInPlace(path, edit);
  return ReplaceByRename(path, Applied(old, edit, false), info.st_mode & 07777, &info.st_gid);
}

}  // namespace odbc_ini
