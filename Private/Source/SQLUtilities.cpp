#include "SQLUtilities.h"

#include <dlfcn.h>

#include <cstdint>
#include <string>
#include <vector>

#include "QK_EException.h"

namespace SQLUtilities {

namespace {

// The installer's wide characters are 16-bit on every platform.
using InstallerChar = std::uint16_t;
using InstallerText = std::vector<InstallerChar>;

// Request codes of the installer.
constexpr std::uint16_t kAddUserDataSource = 1;
constexpr std::uint16_t kRemoveUserDataSource = 3;
constexpr std::uint16_t kAddSystemDataSource = 4;
constexpr std::uint16_t kRemoveSystemDataSource = 6;

using ConfigDataSourceFunction = int (*)(void* window, std::uint16_t request, const InstallerChar* driver,
                                         const InstallerChar* attributes);
using InstallerErrorFunction = short (*)(std::uint16_t index, std::uint32_t* code, InstallerChar* message,
                                         std::uint16_t size, std::uint16_t* length);
using SetConfigModeFunction = int (*)(std::uint16_t mode);
using GetProfileStringFunction = int (*)(const char* section, const char* entry, const char* fallback, char* buffer,
                                         int size, const char* file);

// Configuration modes of the installer.
constexpr std::uint16_t kBothDataSources = 0;
constexpr std::uint16_t kUserDataSources = 1;
constexpr std::uint16_t kSystemDataSources = 2;

// The ODBC installer library, bound on first use by function name. A
// library or function that cannot be bound leaves its pointer null.
struct Installer {
  Installer() {
    void* library = dlopen("libodbcinst.so.2", RTLD_NOW | RTLD_GLOBAL);
    if (library == nullptr) return;
    configDataSource = reinterpret_cast<ConfigDataSourceFunction>(dlsym(library, "SQLConfigDataSourceW"));
    installerError = reinterpret_cast<InstallerErrorFunction>(dlsym(library, "SQLInstallerErrorW"));
    setConfigMode = reinterpret_cast<SetConfigModeFunction>(dlsym(library, "SQLSetConfigMode"));
    getProfileString = reinterpret_cast<GetProfileStringFunction>(dlsym(library, "SQLGetPrivateProfileString"));
  }
  ConfigDataSourceFunction configDataSource = nullptr;
  InstallerErrorFunction installerError = nullptr;
  SetConfigModeFunction setConfigMode = nullptr;
  GetProfileStringFunction getProfileString = nullptr;
};

const Installer& TheInstaller() {
  static const Installer installer;
  return installer;
}

void AppendUtf16(InstallerText& out, const QK_TString& text) {
  for (wchar_t c : text.wc_str()) {
    auto code = static_cast<std::uint32_t>(c);
    if (code >= 0x10000) {
      code -= 0x10000;
      out.push_back(static_cast<InstallerChar>(0xD800 + (code >> 10)));
      out.push_back(static_cast<InstallerChar>(0xDC00 + (code & 0x3FF)));
    } else {
      out.push_back(static_cast<InstallerChar>(code));
    }
  }
}

InstallerText Utf16(const QK_TString& text) {
  InstallerText out;
  AppendUtf16(out, text);
  out.push_back(0);
  return out;
}

// Each attribute ends with a NUL and the list with a further one.
InstallerText AttributeList(const std::vector<QK_TString>& attributes) {
  InstallerText list;
  for (const QK_TString& attribute : attributes) {
    AppendUtf16(list, attribute);
    list.push_back(0);
  }
  list.push_back(0);
  return list;
}

// A value that would end its attribute early, or end the list, cannot be
// passed on.
void RefuseUnsafe(const char* what, const QK_TString& value) {
  for (char c : value.str()) {
    if (c == '\n' || c == '\0' || c == ';') {
      QK_THROW(QK_EException(
          QK_TString::Format("Failed to create temporary ODBC Data Source: the %s holds a character that an "
                             "ODBC attribute cannot carry",
                             what),
          QK_TAny(value)));
    }
  }
}

// The installer's first error message, or the empty text.
QK_TString InstallerMessage() {
  const Installer& installer = TheInstaller();
  if (installer.installerError == nullptr) return QK_TString();
  std::uint32_t code = 0;
  InstallerChar message[512] = {};
  std::uint16_t length = 0;
  installer.installerError(1, &code, message, 512, &length);
  if (length == 0) return QK_TString();
  std::wstring wide;
  for (std::uint16_t i = 0; i < length && i < 512 && message[i] != 0; ++i) wide += static_cast<wchar_t>(message[i]);
  return QK_TString(wide);
}

bool ConfigDataSource(std::uint16_t request, const QK_TString& driver, const InstallerText& attributes) {
  const Installer& installer = TheInstaller();
  if (installer.configDataSource == nullptr) return false;
  return installer.configDataSource(nullptr, request, Utf16(driver).data(), attributes.data()) != 0;
}

// True when a data source of this name is already configured: a temporary
// data source must never replace one that somebody else relies on.
bool DataSourceExists(const QK_TString& name, bool userDataSource) {
  const Installer& installer = TheInstaller();
  if (installer.setConfigMode == nullptr || installer.getProfileString == nullptr) return false;
  installer.setConfigMode(userDataSource ? kUserDataSources : kSystemDataSources);
  char driver[256] = {};
  installer.getProfileString(name.c_str(), "Driver", "", driver, sizeof driver, "ODBC.INI");
  installer.setConfigMode(kBothDataSources);
  return driver[0] != '\0';
}

// The ODBC driver that serves the record's database kind.
QK_TString DriverName(const CadServerConfig& record) {
  return record.dbms == CAD::Dbms::kSqlServer ? QK_TString("SQL Server") : QK_TString(record.driverName);
}

}  // namespace

void CreateTemporaryDataSource(const CadServerConfig& record, QK_TString& dataSourceName, const QK_TString& name,
                               bool userDataSource) {
  if (record.dbms != CAD::Dbms::kSqlServer && record.dbms != CAD::Dbms::kOracle) return;
  RefuseUnsafe("data-source name", name);
  RefuseUnsafe("host", QK_TString(record.host));
  RefuseUnsafe("database", QK_TString(record.database));

  std::vector<QK_TString> attributes = {
      QK_TString::Format("DSN=%s", name.c_str()),
      QK_TString("DESCRIPTION=New Temporary DSN for Shapejob"),
      QK_TString::Format("SERVER=%s", record.host.c_str()),
  };
  if (record.dbms == CAD::Dbms::kSqlServer) {
    attributes.push_back(QK_TString::Format("DATABASE=%s", record.database.c_str()));
    attributes.push_back(QK_TString("TRUSTED_CONNECTION=no"));
  }
  if (DataSourceExists(name, userDataSource)) {
    QK_THROW(QK_EException(QK_TString("Failed to create temporary ODBC Data Source"),
                           QK_TAny(QK_TString::Format("a data source named %s exists already", name.c_str()))));
  }
  const std::uint16_t request = userDataSource ? kAddUserDataSource : kAddSystemDataSource;
  if (!ConfigDataSource(request, DriverName(record), AttributeList(attributes))) {
    QK_THROW(QK_EException(QK_TString("Failed to create temporary ODBC Data Source"), QK_TAny(InstallerMessage())));
  }
  dataSourceName = name;
}

void RemoveTemporaryDataSource(const CadServerConfig& record, const QK_TString& name, bool userDataSource) {
  if (name.Empty()) return;
  const std::uint16_t request = userDataSource ? kRemoveUserDataSource : kRemoveSystemDataSource;
  if (!ConfigDataSource(request, DriverName(record), AttributeList({QK_TString("DSN=") + name}))) {
    QK_THROW(QK_EException(QK_TString::Format("Failed to remove temporary ODBC Data Source %s", name.c_str()),
                           QK_TAny(InstallerMessage())));
  }
}

}  // namespace SQLUtilities
