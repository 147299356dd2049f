// Test helper, preloaded (LD_PRELOAD) into the program under test: stops
// the program, or makes it wait, at a chosen call that changes a chosen
// file, so that an end-to-end test places a kill or a live run by its
// step, never by timing.
//
// Environment, read at the first call:
//   SHAPEJOB_CUT_FILE    the file watched (an absolute path, links
//                        resolved); unset: every call passes through.
//   SHAPEJOB_CUT_AT      which call acts, from 1, counting the calls that
//                        change that file: write, pwrite, writev and
//                        ftruncate on a descriptor open on it, and rename
//                        onto it.
//   SHAPEJOB_CUT_BYTES   how much of that call is done first: for a write,
//                        that many bytes ("all": the whole call); for
//                        ftruncate and rename, "0" before the call, else
//                        after it.
//   SHAPEJOB_CUT_ACTION  "kill" (the default): the process ends there as if
//                        killed; "hold": it makes the file named by
//                        SHAPEJOB_CUT_SIGNAL (holding its pid), waits until
//                        "<that file>.go" exists, then finishes the call.
// A program built with AddressSanitizer wants its runtime first among its
// libraries: set ASAN_OPTIONS=verify_asan_link_order=0 along with this.
#include <dlfcn.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/uio.h>
#include <unistd.h>

#include <atomic>
#include <string>

namespace {

struct Settings {
  std::string file;
  long at = 0;
  long bytes = -1;  // -1: all
  bool hold = false;
  std::string signal;
};

const Settings& TheSettings() {
  static const Settings settings = [] {
    Settings read;
    const char* file = getenv("SHAPEJOB_CUT_FILE");
    if (file == nullptr || *file == '\0') return read;
    read.file = file;
    const char* at = getenv("SHAPEJOB_CUT_AT");
    read.at = at != nullptr ? atol(at) : 1;
    const char* bytes = getenv("SHAPEJOB_CUT_BYTES");
    read.bytes = bytes == nullptr || strcmp(bytes, "all") == 0 ? -1 : atol(bytes);
    const char* action = getenv("SHAPEJOB_CUT_ACTION");
    read.hold = action != nullptr && strcmp(action, "hold") == 0;
    const char* signal = getenv("SHAPEJOB_CUT_SIGNAL");
    read.signal = signal != nullptr ? signal : "";
    return read;
  }();
  return settings;
}

std::atomic<long> counted{0};

template <typename Function>
Function Real(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

bool Watched(const std::string& path) { return !TheSettings().file.empty() && path == TheSettings().file; }

bool WatchedDescriptor(int fd) {
  if (TheSettings().file.empty()) return false;
  char link[64];
  snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  char target[PATH_MAX + 1];
  const ssize_t length = readlink(link, target, PATH_MAX);
  return length > 0 && Watched(std::string(target, static_cast<std::size_t>(length)));
}

std::string Absolute(int dirfd, const char* path) {
  if (path[0] == '/') return path;
  char folder[PATH_MAX + 1] = {};
  if (dirfd == AT_FDCWD) {
    if (getcwd(folder, PATH_MAX) == nullptr) return path;
  } else {
    char link[64];
    snprintf(link, sizeof link, "/proc/self/fd/%d", dirfd);
    if (readlink(link, folder, PATH_MAX) < 0) return path;
  }
  return std::string(folder) + "/" + path;
}

// True when this counted call is the one that acts.
bool Acts() { return ++counted == TheSettings().at; }

void Act() {
  const Settings& settings = TheSettings();
  if (!settings.hold) {
    kill(getpid(), SIGKILL);
    _exit(137);  // PID 1 of a namespace ignores the signals it sends itself
  }
  const std::string fresh = settings.signal + ".new";
  FILE* out = fopen(fresh.c_str(), "w");
  if (out != nullptr) {
    fprintf(out, "%d\n", static_cast<int>(getpid()));
    fclose(out);
    rename(fresh.c_str(), settings.signal.c_str());
  }
  const std::string go = settings.signal + ".go";
  struct stat info;
  while (stat(go.c_str(), &info) != 0) usleep(10000);
}

// A write call that acts: its first bytes, the action, then (held) the rest.
template <typename Write>
ssize_t CutWrite(size_t count, Write write) {
  const long bytes = TheSettings().bytes;
  const size_t first = bytes < 0 || static_cast<size_t>(bytes) > count ? count : static_cast<size_t>(bytes);
  size_t done = 0;
  while (done < first) {
    const ssize_t wrote = write(done, first - done);
    if (wrote <= 0) return done > 0 ? static_cast<ssize_t>(done) : wrote;
    done += static_cast<size_t>(wrote);
  }
  Act();
  while (done < count) {
    const ssize_t wrote = write(done, count - done);
    if (wrote <= 0) return static_cast<ssize_t>(done);
    done += static_cast<size_t>(wrote);
  }
  return static_cast<ssize_t>(count);
}

}  // namespace

extern "C" {

ssize_t write(int fd, const void* buffer, size_t count) {
  static const auto real = Real<ssize_t (*)(int, const void*, size_t)>("write");
  if (!WatchedDescriptor(fd) || !Acts()) return real(fd, buffer, count);
  const char* bytes = static_cast<const char*>(buffer);
  return CutWrite(count, [&](size_t from, size_t size) { return real(fd, bytes + from, size); });
}

ssize_t pwrite64(int fd, const void* buffer, size_t count, off64_t offset) {
  static const auto real = Real<ssize_t (*)(int, const void*, size_t, off64_t)>("pwrite64");
  if (!WatchedDescriptor(fd) || !Acts()) return real(fd, buffer, count, offset);
  const char* bytes = static_cast<const char*>(buffer);
  return CutWrite(count, [&](size_t from, size_t size) { return real(fd, bytes + from, size, offset + from); });
}

ssize_t pwrite(int fd, const void* buffer, size_t count, off_t offset) { return pwrite64(fd, buffer, count, offset); }

ssize_t writev(int fd, const struct iovec* parts, int count) {
  static const auto real = Real<ssize_t (*)(int, const struct iovec*, int)>("writev");
  if (!WatchedDescriptor(fd) || !Acts()) return real(fd, parts, count);
  // Written piece by piece through write's cut.
  std::string joined;
  for (int i = 0; i < count; ++i) joined.append(static_cast<const char*>(parts[i].iov_base), parts[i].iov_len);
  static const auto plain = Real<ssize_t (*)(int, const void*, size_t)>("write");
  return CutWrite(joined.size(), [&](size_t from, size_t size) { return plain(fd, joined.data() + from, size); });
}

// Truncations and renames act before the call when the bytes are "0".
static int CutCall(bool acts, int (*call)()) {
  if (!acts) return call();
  if (TheSettings().bytes == 0) Act();
  const int result = call();
  if (TheSettings().bytes != 0) Act();
  return result;
}

int ftruncate64(int fd, off64_t length) {
  static const auto real = Real<int (*)(int, off64_t)>("ftruncate64");
  static thread_local int callFd;
  static thread_local off64_t callLength;
  callFd = fd;
  callLength = length;
  return CutCall(WatchedDescriptor(fd) && Acts(), [] { return real(callFd, callLength); });
}

int ftruncate(int fd, off_t length) { return ftruncate64(fd, length); }

int renameat(int olddirfd, const char* oldpath, int newdirfd, const char* newpath) {
  static const auto real = Real<int (*)(int, const char*, int, const char*)>("renameat");
  static thread_local int callOldDir, callNewDir;
  static thread_local const char *callOld, *callNew;
  callOldDir = olddirfd;
  callOld = oldpath;
  callNewDir = newdirfd;
  callNew = newpath;
  return CutCall(Watched(Absolute(newdirfd, newpath)) && Acts(),
                 [] { return real(callOldDir, callOld, callNewDir, callNew); });
}

int rename(const char* oldpath, const char* newpath) { return renameat(AT_FDCWD, oldpath, AT_FDCWD, newpath); }

}  // extern "C"
