// Test helper, preloaded (LD_PRELOAD) into the program under test: stops
// the program, or makes it wait, at a chosen call that changes a chosen
// file, so that an end-to-end test places a kill or a live run by its
// step, never by timing.
//
// Environment, read at the first call:
//   SHAPEJOB_CUT_FILE    the file watched (its absolute path, as the
//                        program names it), or, ending with "/", every
//                        file in that folder, unnamed ones (O_TMPFILE)
//                        too; unset: every call passes.
//   SHAPEJOB_CUT_AT      which call acts, from 1, counting the calls that
//                        change that file: write, pwrite and ftruncate on
//                        a descriptor open on it, and rename onto it.
//   SHAPEJOB_CUT_BYTES   how much of that call is done first: for a write,
//                        that many bytes ("all": the whole call); for
//                        ftruncate and rename, "0" before the call, else
//                        after it.
//   SHAPEJOB_CUT_ACTION  "kill" (the default): the process ends there as if
//                        killed; "hold": it makes the file named by
//                        SHAPEJOB_CUT_SIGNAL, waits until "<that file>.go"
//                        exists, then finishes the call.
//   SHAPEJOB_CUT_NO_TMPFILE  set: the file system makes no unnamed files
//                        (open with O_TMPFILE fails, EOPNOTSUPP).
// A program built with AddressSanitizer wants its runtime first among its
// libraries: set ASAN_OPTIONS=verify_asan_link_order=0 along with this.
#include <dlfcn.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <stdarg.h>
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/types.h>
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
  bool noTmpfile = false;
};

const Settings& TheSettings() {
  static const Settings settings = [] {
    Settings read;
    const char* file = getenv("SHAPEJOB_CUT_FILE");
    read.noTmpfile = getenv("SHAPEJOB_CUT_NO_TMPFILE") != nullptr;
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

bool Watched(const std::string& path) {
  const std::string& file = TheSettings().file;
  if (file.empty()) return false;
  return file.back() == '/' ? path.compare(0, file.size(), file) == 0 : path == file;
}

bool WatchedDescriptor(int fd) {
  if (TheSettings().file.empty()) return false;
  char link[64];
  snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  char target[PATH_MAX + 1];
  const ssize_t length = readlink(link, target, PATH_MAX);
  return length > 0 && Watched(std::string(target, static_cast<std::size_t>(length)));
}

// True when this counted call is the one that acts.
bool Acts() { return ++counted == TheSettings().at; }

void Act() {
  const Settings& settings = TheSettings();
  if (!settings.hold) {
    kill(getpid(), SIGKILL);
    _exit(137);  // PID 1 of a namespace ignores the signals it sends itself
  }
  close(open(settings.signal.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
  const std::string go = settings.signal + ".go";
  struct stat info;
  while (stat(go.c_str(), &info) != 0) usleep(10000);
}

// Calls `call` with `arguments`; when this call acts, it acts before the
// call if the bytes are "0" (truncations and renames), else after it.
template <typename Result, typename... Parameters>
Result CutCall(bool acts, Result (*call)(Parameters...), Parameters... arguments) {
  if (!acts) return call(arguments...);
  if (TheSettings().bytes == 0) Act();
  const Result result = call(arguments...);
  if (TheSettings().bytes != 0) Act();
  return result;
}

}  // namespace

extern "C" {

// The call that acts writes its first bytes, acts, then (held) the rest.
ssize_t write(int fd, const void* buffer, size_t count) {
  static const auto real = Real<ssize_t (*)(int, const void*, size_t)>("write");
  if (!WatchedDescriptor(fd) || !Acts()) return real(fd, buffer, count);
  const long bytes = TheSettings().bytes;
  const size_t first = bytes < 0 || static_cast<size_t>(bytes) > count ? count : static_cast<size_t>(bytes);
  const ssize_t wrote = first > 0 ? real(fd, buffer, first) : 0;
  if (wrote < 0 || static_cast<size_t>(wrote) < first) return wrote;
  Act();
  return first == count ? wrote : wrote + real(fd, static_cast<const char*>(buffer) + first, count - first);
}

ssize_t pwrite(int fd, const void* buffer, size_t count, off_t offset) {
  static const auto real = Real<ssize_t (*)(int, const void*, size_t, off_t)>("pwrite");
  if (!WatchedDescriptor(fd) || !Acts()) return real(fd, buffer, count, offset);
  const long bytes = TheSettings().bytes;
  const size_t first = bytes < 0 || static_cast<size_t>(bytes) > count ? count : static_cast<size_t>(bytes);
  const ssize_t wrote = first > 0 ? real(fd, buffer, first, offset) : 0;
  if (wrote < 0 || static_cast<size_t>(wrote) < first) return wrote;
  Act();
  if (first == count) return wrote;
  return wrote + real(fd, static_cast<const char*>(buffer) + first, count - first, offset + static_cast<off_t>(first));
}

ssize_t pwrite64(int fd, const void* buffer, size_t count, off_t offset) { return pwrite(fd, buffer, count, offset); }

int ftruncate(int fd, off_t length) {
  static const auto real = Real<int (*)(int, off_t)>("ftruncate");
  return CutCall(WatchedDescriptor(fd) && Acts(), real, fd, length);
}

int rename(const char* oldpath, const char* newpath) {
  static const auto real = Real<int (*)(const char*, const char*)>("rename");
  return CutCall(Watched(newpath) && Acts(), real, oldpath, newpath);
}

int open(const char* path, int flags, ...) {
  static const auto real = Real<int (*)(const char*, int, ...)>("open");
  mode_t mode = 0;
  if ((flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE) {
    va_list arguments;
    va_start(arguments, flags);
    mode = va_arg(arguments, mode_t);
    va_end(arguments);
  }
  if ((flags & O_TMPFILE) == O_TMPFILE && TheSettings().noTmpfile) {
    errno = EOPNOTSUPP;
    return -1;
  }
  return real(path, flags, mode);
}

}  // extern "C"
