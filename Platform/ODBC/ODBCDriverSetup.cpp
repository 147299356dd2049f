// Driver-setup library for ODBC drivers that come without one.
//
// The ODBC installer adds and removes data sources through the "Setup"
// library that odbcinst.ini names for a driver. Debian's drivers ship none,
// so this library takes that role: it writes the data source's section into
// odbc.ini, and removes it again. Each change is one step: the whole file is
// written anew beside the old one and renamed over it, so that a program
// reading odbc.ini at that moment (a driver manager looking up a data
// source) sees the file before or after the change, never a part of it. The
// installer's own profile functions rewrite the file in place, several times
// for one data source. Lines of other sections stay byte for byte. Register
// it as the Setup of a driver:
//
//   [SQL Server]
//   Driver = /usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so
//   Setup  = /path/to/libshapejob-odbc-setup.so
#include <sql.h>
#include <odbcinst.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

using Attributes = std::vector<std::pair<std::string, std::string>>;

// "KEY=value\0KEY=value\0\0" into pairs, in order.
Attributes ParseAttributes(const char* list) {
  Attributes attributes;
  for (const char* entry = list; entry != nullptr && *entry != '\0'; entry += std::strlen(entry) + 1) {
    std::string text(entry);
    std::size_t equals = text.find('=');
    if (equals == std::string::npos) {
      attributes.emplace_back(text, "");
    } else {
      attributes.emplace_back(text.substr(0, equals), text.substr(equals + 1));
    }
  }
  return attributes;
}

bool EqualsIgnoreCase(const std::string& a, const char* b) {
  return strcasecmp(a.c_str(), b) == 0;
}

std::string DataSourceName(const Attributes& attributes) {
  for (const auto& [key, value] : attributes) {
    if (EqualsIgnoreCase(key, "DSN")) return value;
  }
  return std::string();
}

BOOL Fail(DWORD code, const std::string& message) {
  SQLPostInstallerError(code, message.c_str());
  return 0;
}

// The installer keeps a profile line in a buffer of 1,000 characters with
// its line end and terminator: a longer "key=value" comes back cut, or is
// read past the end of that buffer.
constexpr std::size_t kLongestProfileLine = 997;

bool HoldsLineBreak(const std::string& text) { return text.find_first_of("\r\n") != std::string::npos; }

// Why the installer could not keep the attribute as given, or "" when it
// can: a line break would start a line (or a section) of its own in
// odbc.ini, and an overlong line overruns the installer's buffers.
std::string Unkeepable(const std::string& key, const std::string& value) {
  if (key.empty()) return "an attribute without a keyword";
  const std::string named = "attribute " + key.substr(0, 32);
  if (HoldsLineBreak(key) || HoldsLineBreak(value)) return named + " holds a line break";
  if (key.size() + 1 + value.size() > kLongestProfileLine) {
    return named + " is longer than odbc.ini keeps (" + std::to_string(kLongestProfileLine) + " characters)";
  }
  return std::string();
}

// The installer's own answer to where odbc.ini is (ODBCSYSINI, ODBCINI, the
// defaults), for the system's or the user's data sources.
extern "C" int _odbcinst_SystemINI(char* path, int verify);
extern "C" int _odbcinst_UserINI(char* path, int verify);

std::string OdbcIniPath(WORD request) {
  UWORD mode = ODBC_BOTH_DSN;
  SQLGetConfigMode(&mode);
  const bool system =
      request == ODBC_ADD_SYS_DSN || request == ODBC_CONFIG_SYS_DSN || request == ODBC_REMOVE_SYS_DSN ||
      mode == ODBC_SYSTEM_DSN;
  std::string path(PATH_MAX + 1, '\0');
  if (!(system ? _odbcinst_SystemINI : _odbcinst_UserINI)(path.data(), 0)) return std::string();
  path.resize(std::strlen(path.c_str()));
  // A link is followed: the file it leads to is the one rewritten.
  char target[PATH_MAX];
  if (realpath(path.c_str(), target) != nullptr) path = target;
  return path;
}

std::string Trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// The section name of a "[name]" line; false for any other line.
bool SectionHeader(const std::string& line, std::string& name) {
  const std::string text = Trimmed(line);
  if (text.size() < 2 || text.front() != '[' || text.back() != ']') return false;
  name = Trimmed(text.substr(1, text.size() - 2));
  return true;
}

// `text` without the section `name` (compared without regard to case, as
// the installer does): its header and every line up to the next header.
std::string WithoutSection(const std::string& text, const std::string& name, bool& found) {
  std::istringstream lines(text);
  std::string kept;
  bool skipping = false;
  found = false;
  for (std::string line; std::getline(lines, line);) {
    std::string section;
    if (SectionHeader(line, section)) skipping = strcasecmp(section.c_str(), name.c_str()) == 0;
    found = found || skipping;
    if (!skipping) kept += line + "\n";
  }
  return kept;
}

bool ReadIni(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return errno == ENOENT;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  text = bytes.str();
  return !in.bad();
}

// Puts `text` in place of the file at `path` in one step, keeping its
// permissions; "" on success, else why not.
std::string ReplaceIni(const std::string& path, const std::string& text) {
  struct stat info {};
  const mode_t mode = stat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0644;
  const std::string fresh = path + ".setup-new";
  const int fd = open(fresh.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
  if (fd < 0) return "cannot create " + fresh + ": " + std::strerror(errno);
  fchmod(fd, mode);
  bool written = true;
  for (std::size_t done = 0; written && done < text.size();) {
    const ssize_t wrote = write(fd, text.data() + done, text.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    written = wrote > 0;
    // A write that takes nothing sets no errno of its own.
    if (wrote == 0) errno = EIO;
    if (written) done += static_cast<std::size_t>(wrote);
  }
  std::string failure;
  if (!written || fsync(fd) != 0) failure = std::strerror(errno);
  if (close(fd) != 0 && failure.empty()) failure = std::strerror(errno);
  if (failure.empty() && rename(fresh.c_str(), path.c_str()) != 0) failure = std::strerror(errno);
  if (failure.empty()) return std::string();
  unlink(fresh.c_str());
  return "cannot write " + path + ": " + failure;
}

BOOL AddDataSource(WORD request, LPCSTR driver, const Attributes& attributes) {
  const std::string name = DataSourceName(attributes);
  if (name.empty()) return Fail(ODBC_ERROR_INVALID_KEYWORD_VALUE, "no DSN attribute given");
  // Refused before anything is written: the earlier definition stays.
  for (const auto& [key, value] : attributes) {
    const std::string reason = Unkeepable(key, value);
    if (!reason.empty()) return Fail(ODBC_ERROR_INVALID_KEYWORD_VALUE, reason);
  }
  const std::string path = OdbcIniPath(request);
  std::string text;
  if (path.empty() || !ReadIni(path, text)) return Fail(ODBC_ERROR_REQUEST_FAILED, "cannot read odbc.ini " + path);
  // A data source of this name is replaced whole: no attribute of an
  // earlier definition survives. The new section goes at the end, in the
  // layout the installer writes.
  bool found = false;
  std::string section = "[" + name + "]\nDriver=" + std::string(driver != nullptr ? driver : "") + "\n";
  for (const auto& [key, value] : attributes) {
    if (!EqualsIgnoreCase(key, "DSN")) section += key + "=" + value + "\n";
  }
  const std::string failure = ReplaceIni(path, WithoutSection(text, name, found) + section + "\n");
  if (!failure.empty()) return Fail(ODBC_ERROR_REQUEST_FAILED, "could not write data source " + name + ": " + failure);
  return 1;
}

BOOL RemoveDataSource(WORD request, const Attributes& attributes) {
  const std::string name = DataSourceName(attributes);
  if (name.empty()) return Fail(ODBC_ERROR_INVALID_KEYWORD_VALUE, "no DSN attribute given");
  const std::string path = OdbcIniPath(request);
  std::string text;
  if (path.empty() || !ReadIni(path, text)) return Fail(ODBC_ERROR_REQUEST_FAILED, "cannot read odbc.ini " + path);
  bool found = false;
  const std::string rest = WithoutSection(text, name, found);
  if (!found) return 1;  // nothing to remove
  const std::string failure = ReplaceIni(path, rest);
  if (!failure.empty()) return Fail(ODBC_ERROR_REQUEST_FAILED, "could not remove " + name + ": " + failure);
  return 1;
}

}  // namespace

static BOOL Configure(WORD request, LPCSTR driver, LPCSTR attributeList) {
  const Attributes attributes = ParseAttributes(attributeList);
  switch (request) {
    case ODBC_ADD_DSN:
    case ODBC_ADD_SYS_DSN:
    case ODBC_CONFIG_DSN:
    case ODBC_CONFIG_SYS_DSN:
      return AddDataSource(request, driver, attributes);
    case ODBC_REMOVE_DSN:
    case ODBC_REMOVE_SYS_DSN:
      return RemoveDataSource(request, attributes);
    default:
      return Fail(ODBC_ERROR_INVALID_REQUEST_TYPE, "unsupported request " + std::to_string(request));
  }
}

// The installer's entry point: no C++ exception may leave it.
extern "C" BOOL ConfigDSN(HWND, WORD request, LPCSTR driver, LPCSTR attributeList) {
  try {
    return Configure(request, driver, attributeList);
  } catch (...) {
    SQLPostInstallerError(ODBC_ERROR_GENERAL_ERR, "internal error of the driver-setup library");
    return 0;
  }
}
