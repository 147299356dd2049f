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
//   SHAPEJOB_CUT_THEN_FILE, SHAPEJOB_CUT_THEN_AT, SHAPEJOB_CUT_THEN_BYTES
//                        a second cut, which always kills, counting its
//                        own calls: so a run held at one step can be
//                        killed at a later one.
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

struct Cut {
  std::string file;
  long at = 0;
  long bytes = -1;  // -1: all
  bool hold = false;
};

struct Settings {
  Cut cuts[2];
  std::string signal;
  bool noTmpfile = false;
};

Cut ReadCut(const char* prefix) {
  Cut cut;
  const auto get = [prefix](const char* what) { return getenv((std::string(prefix) + what).c_str()); };
  const char* file = get("FILE");
  if (file == nullptr || *file == '\0') return cut;
  cut.file = file;
  const char* at = get("AT");
  cut.at = at != nullptr ? atol(at) : 1;
  const char* bytes = get("BYTES");
  cut.bytes = bytes == nullptr || strcmp(bytes, "all") == 0 ? -1 : atol(bytes);
  const char* action = get("ACTION");
  cut.hold = action != nullptr && strcmp(action, "hold") == 0;
  return cut;
}

const Settings& TheSettings() {
  static const Settings settings = [] {
    Settings read;
    read.noTmpfile = getenv("SHAPEJOB_CUT_NO_TMPFILE") != nullptr;
    read.cuts[0] = ReadCut("SHAPEJOB_CUT_");
    read.cuts[1] = ReadCut("SHAPEJOB_CUT_THEN_");
    read.cuts[1].hold = false;
    const char* signal = getenv("SHAPEJOB_CUT_SIGNAL");
    read.signal = signal != nullptr ? signal : "";
    return read;
  }();
  return settings;
}

std::atomic<long> counted[2] = {{0}, {0}};

template <typename Function>
Function Real(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

bool Watched(const Cut& cut, const std::string& path) {
  if (cut.file.empty()) return false;
  return cut.file.back() == '/' ? path.compare(0, cut.file.size(), cut.file) == 0 : path == cut.file;
}

std::string PathOf(int fd) {
  char link[64];
  snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  char target[PATH_MAX + 1];
  const ssize_t length = readlink(link, target, PATH_MAX);
  return length > 0 ? std::string(target, static_cast<std::size_t>(length)) : std::string();
}

// The cut that acts at this call that changes `path`, counted by each cut
// that watches it; null when none acts.
const Cut* Acting(const std::string& path) {
  const Cut* acting = nullptr;
  for (int i = 0; i < 2; ++i) {
    const Cut& cut = TheSettings().cuts[i];
    if (Watched(cut, path) && ++counted[i] == cut.at && acting == nullptr) acting = &cut;
  }
  return acting;
}

const Cut* ActingOn(int fd) {
  if (TheSettings().cuts[0].file.empty() && TheSettings().cuts[1].file.empty()) return nullptr;
  return Acting(PathOf(fd));
}

void Act(const Cut& cut) {
  if (!cut.hold) {
    kill(getpid(), SIGKILL);
    _exit(137);  // PID 1 of a namespace ignores the signals it sends itself
  }
  const std::string& signal = TheSettings().signal;
  close(open(signal.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
  const std::string go = signal + ".go";
  struct stat info;
  while (stat(go.c_str(), &info) != 0) usleep(10000);
}

// Calls `call` with `arguments`; when this call acts, it acts before the
// call if the bytes are "0" (truncations and renames), else after it.
template <typename Result, typename... Parameters>
Result CutCall(const Cut* cut, Result (*call)(Parameters...), Parameters... arguments) {
  if (cut == nullptr) return call(arguments...);
  if (cut->bytes == 0) Act(*cut);
  const Result result = call(arguments...);
  if (cut->bytes != 0) Act(*cut);
  return result;
}

// A write of `count` bytes by `real` (from `offset`) that acts after the
// cut's first bytes, then (held) writes the rest.
template <typename Write>
ssize_t CutWrite(const Cut* cut, const void* buffer, size_t count, Write real) {
  if (cut == nullptr) return real(buffer, count, 0);
  const size_t bytes = static_cast<size_t>(cut->bytes);
  const size_t first = cut->bytes < 0 || bytes > count ? count : bytes;
  const ssize_t wrote = first > 0 ? real(buffer, first, 0) : 0;
  if (wrote < 0 || static_cast<size_t>(wrote) < first) return wrote;
  Act(*cut);
  return first == count ? wrote : wrote + real(static_cast<const char*>(buffer) + first, count - first, first);
}

}  // namespace

extern "C" {

// The call that acts writes its first bytes, acts, then (held) the rest.
ssize_t write(int fd, const void* buffer, size_t count) {
  static const auto real = Real<ssize_t (*)(int, const void*, size_t)>("write");
  return CutWrite(ActingOn(fd), buffer, count,
                  [fd](const void* from, size_t size, size_t) { return real(fd, from, size); });
}

ssize_t pwrite(int fd, const void* buffer, size_t count, off_t offset) {
  static const auto real = Real<ssize_t (*)(int, const void*, size_t, off_t)>("pwrite");
  return CutWrite(ActingOn(fd), buffer, count, [fd, offset](const void* from, size_t size, size_t done) {
    return real(fd, from, size, offset + static_cast<off_t>(done));
  });
}

ssize_t pwrite64(int fd, const void* buffer, size_t count, off_t offset) { return pwrite(fd, buffer, count, offset); }

int ftruncate(int fd, off_t length) {
  static const auto real = Real<int (*)(int, off_t)>("ftruncate");
  return CutCall(ActingOn(fd), real, fd, length);
}

int rename(const char* oldpath, const char* newpath) {
  static const auto real = Real<int (*)(const char*, const char*)>("rename");
  return CutCall(Acting(newpath), real, oldpath, newpath);
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
