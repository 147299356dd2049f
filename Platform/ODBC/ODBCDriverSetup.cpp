// Driver-setup library for ODBC drivers that come without one.
//
// The ODBC installer adds and removes data sources through the "Setup"
// library that odbcinst.ini names for a driver. Debian's drivers ship none,
// so this library takes that role: it writes the data source's section into
// odbc.ini, and removes it again. Each change is one step: the whole file is
// written anew beside the old one and renamed over it, so that a program
// reading odbc.ini at that moment (a driver manager looking up a data
// source) sees the file before or after the change, never a part of it;
// where that would take the file from its owner, its group or its other
// links, it is rewritten in place instead (OdbcIniFile.h). A file the
// account may not write is refused, untouched. The installer's own profile
// functions rewrite the file in place, several times for one data source.
// Lines of other sections stay byte for byte. Register it as the Setup of a
// driver:
//
//   [SQL Server]
//   Driver = /usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so
//   Setup  = /path/to/libshapejob-odbc-setup.so
#include <sql.h>
#include <odbcinst.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "OdbcIniFile.h"
#include "OdbcIniText.h"

namespace {

using Attributes = odbc_ini::Entries;

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

std::string DataSourceName(const Attributes& attributes) {
  for (const auto& [key, value] : attributes) {
    if (odbc_ini::SameName(key, "DSN")) return value;
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
  // A link is followed: the file it leads to is the one rewritten, made
  // when it does not exist yet.
  return odbc_ini::FileBehind(path);
}

// Reads odbc.ini for `request`; false (the error posted) when it cannot.
bool ReadOdbcIni(WORD request, std::string& path, std::string& text) {
  path = OdbcIniPath(request);
  if (path.empty()) return Fail(ODBC_ERROR_REQUEST_FAILED, "cannot tell where odbc.ini is");
  const std::string unread = odbc_ini::Read(path, text);
  return unread.empty() || Fail(ODBC_ERROR_REQUEST_FAILED, unread);
}

// Takes the data source `name` (the first section of that name, the one
// the installer reads) out of the file at `path`, which holds `text`, and
// reads the file again; "" on success, else why not.
std::string TakeOut(const std::string& path, std::string& text, const std::string& name) {
  const std::string failure = odbc_ini::Change(path, text, odbc_ini::TakingOut(text, name));
  return failure.empty() ? odbc_ini::Read(path, text) : failure;
}

BOOL AddDataSource(WORD request, LPCSTR driver, const Attributes& attributes) {
  const std::string name = DataSourceName(attributes);
  if (name.empty()) return Fail(ODBC_ERROR_INVALID_KEYWORD_VALUE, "no DSN attribute given");
  // Refused before anything is written: the earlier definition stays.
  for (const auto& [key, value] : attributes) {
    const std::string reason = Unkeepable(key, value);
    if (!reason.empty()) return Fail(ODBC_ERROR_INVALID_KEYWORD_VALUE, reason);
  }
  std::string path, text;
  if (!ReadOdbcIni(request, path, text)) return 0;
  // A data source of this name is replaced whole: no attribute of an
  // earlier definition survives.
  std::string failure = TakeOut(path, text, name);
  const std::string section = odbc_ini::DataSourceSection(name, driver != nullptr ? driver : "", attributes);
  if (failure.empty()) failure = odbc_ini::Change(path, text, odbc_ini::Appending(text, section));
  if (!failure.empty()) return Fail(ODBC_ERROR_REQUEST_FAILED, "could not write data source " + name + ": " + failure);
  return 1;
}

BOOL RemoveDataSource(WORD request, const Attributes& attributes) {
  const std::string name = DataSourceName(attributes);
  if (name.empty()) return Fail(ODBC_ERROR_INVALID_KEYWORD_VALUE, "no DSN attribute given");
  std::string path, text;
  if (!ReadOdbcIni(request, path, text)) return 0;
  const std::string failure = TakeOut(path, text, name);
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
