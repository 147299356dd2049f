// Driver-setup library for ODBC drivers that come without one.
//
// The ODBC installer adds and removes data sources through the "Setup"
// library that odbcinst.ini names for a driver. Debian's drivers ship none,
// so this library takes that role: it writes the data source's attributes
// into odbc.ini with the installer's own profile functions, and removes
// them again. Register it as the Setup of a driver:
//
//   [SQL Server]
//   Driver = /usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so
//   Setup  = /path/to/libshapejob-odbc-setup.so
#include <sql.h>
#include <odbcinst.h>

#include <cstring>
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

BOOL AddDataSource(LPCSTR driver, const Attributes& attributes) {
  const std::string name = DataSourceName(attributes);
  if (name.empty()) return Fail(ODBC_ERROR_INVALID_KEYWORD_VALUE, "no DSN attribute given");
  // Refused before anything is written: the earlier definition stays.
  for (const auto& [key, value] : attributes) {
    const std::string reason = Unkeepable(key, value);
    if (!reason.empty()) return Fail(ODBC_ERROR_INVALID_KEYWORD_VALUE, reason);
  }
  // A data source of this name is replaced whole: no attribute of an
  // earlier definition survives.
  SQLRemoveDSNFromIni(name.c_str());
  std::string failure;
  if (!SQLWriteDSNToIni(name.c_str(), driver)) failure = "could not write data source " + name;
  for (auto entry = attributes.begin(); failure.empty() && entry != attributes.end(); ++entry) {
    const auto& [key, value] = *entry;
    if (EqualsIgnoreCase(key, "DSN")) continue;
    if (!SQLWritePrivateProfileString(name.c_str(), key.c_str(), value.c_str(), "ODBC.INI")) {
      failure = "could not write attribute " + key + " of " + name;
    }
  }
  if (failure.empty()) return 1;
  // Half a data source would be taken for a whole one: it goes again.
  SQLRemoveDSNFromIni(name.c_str());
  return Fail(ODBC_ERROR_REQUEST_FAILED, failure);
}

BOOL RemoveDataSource(const Attributes& attributes) {
  const std::string name = DataSourceName(attributes);
  if (name.empty()) return Fail(ODBC_ERROR_INVALID_KEYWORD_VALUE, "no DSN attribute given");
  if (!SQLRemoveDSNFromIni(name.c_str())) return Fail(ODBC_ERROR_REQUEST_FAILED, "could not remove " + name);
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
      return AddDataSource(driver, attributes);
    case ODBC_REMOVE_DSN:
    case ODBC_REMOVE_SYS_DSN:
      return RemoveDataSource(attributes);
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
