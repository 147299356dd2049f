#include "SQLUtilities.h"

#include <dlfcn.h>
#include <odbcinst.h>
#include <strings.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "QK_EException.h"
#include "QK_TProcess.h"
#include "SQLUtilitiesChange.h"

namespace SQLUtilities {

namespace {

// The installer's wide characters are 16-bit on every platform.
using InstallerChar = SQLWCHAR;
using InstallerText = std::vector<InstallerChar>;

// Request codes and configuration modes of the installer.
constexpr WORD kAddUserDataSource = ODBC_ADD_DSN;
constexpr WORD kRemoveUserDataSource = ODBC_REMOVE_DSN;
constexpr WORD kAddSystemDataSource = ODBC_ADD_SYS_DSN;
constexpr WORD kRemoveSystemDataSource = ODBC_REMOVE_SYS_DSN;
constexpr UWORD kBothDataSources = ODBC_BOTH_DSN;
constexpr UWORD kUserDataSources = ODBC_USER_DSN;
constexpr UWORD kSystemDataSources = ODBC_SYSTEM_DSN;

// The ODBC installer library, bound on first use by function name. A
// library or function that cannot be bound leaves its pointer null.
struct Installer {
  Installer() {
    void* library = dlopen("libodbcinst.so.2", RTLD_NOW | RTLD_GLOBAL);
    if (library == nullptr) return;
    Bind(library, "SQLConfigDataSourceW", configDataSource);
    Bind(library, "SQLInstallerErrorW", installerError);
    Bind(library, "SQLSetConfigMode", setConfigMode);
    Bind(library, "SQLGetPrivateProfileString", getProfileString);
    Bind(library, "SQLRemoveDSNFromIni", removeSection);
    Bind(library, "_odbcinst_UserINI", userIni);
    Bind(library, "_odbcinst_SystemINI", systemIni);
  }
  template <typename Function>
  static void Bind(void* library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(dlsym(library, name));
  }
  // The installer's own declarations give the functions' types; the
  // library is loaded at run time all the same.
  decltype(&SQLConfigDataSourceW) configDataSource = nullptr;
  decltype(&SQLInstallerErrorW) installerError = nullptr;
  decltype(&SQLSetConfigMode) setConfigMode = nullptr;
  decltype(&::SQLGetPrivateProfileString) getProfileString = nullptr;
  decltype(&::SQLRemoveDSNFromIni) removeSection = nullptr;
  // Where the installer keeps the user's and the system's odbc.ini: its
  // private entry points (odbcinstext.h), which write the path into a
  // buffer of the caller's.
  using IniPathFunction = BOOL (*)(char* path, BOOL verify);
  IniPathFunction userIni = nullptr;
  IniPathFunction systemIni = nullptr;
};

const Installer& TheInstaller() {
  static const Installer installer;
  return installer;
}

// The odbc.ini of the user's or the system's data sources: the file the
// installer writes, as it names it, else found as it finds it (ODBCINI /
// ~/.odbc.ini; ODBCSYSINI / /etc).
std::string OdbcIniPath(bool userDataSource) {
  const Installer& installer = TheInstaller();
  const Installer::IniPathFunction path = userDataSource ? installer.userIni : installer.systemIni;
  std::vector<char> buffer(8192, '\0');
  if (path != nullptr && path(buffer.data(), 0)) return std::string(buffer.data());
  if (userDataSource) {
    const char* ini = std::getenv("ODBCINI");
    if (ini != nullptr && *ini != '\0') return ini;
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/.odbc.ini";
  }
  const char* folder = std::getenv("ODBCSYSINI");
  return std::string(folder != nullptr && *folder != '\0' ? folder : "/etc") + "/odbc.ini";
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

// The description that marks a data source as one of this program's own.
// The run that made it follows in parentheses, "(run <pid>.<start>)", so
// that a later run can tell a live run's data source from a dead one's; a
// description without it is an older run's, which is gone.
constexpr const char* kTemporaryDescription = "New Temporary DSN for Shapejob";
constexpr const char* kOwnerOpening = " (run ";

QK_TString OwnDescription() {
  return QK_TString(kTemporaryDescription) + kOwnerOpening + QK_TProcessId::Self().Text() + ")";
}

// The installer keeps a profile line in a buffer of 1,000 characters: a
// longer value comes back cut, or is read past the end of its buffer.
// Values stay well below that.
constexpr std::size_t kLongestValue = 255;

// The longest data-source name the driver manager takes.
constexpr std::size_t kLongestName = 32;

// Characters that the installer refuses in a data-source name.
constexpr const char* kNameRefusedCharacters = "[]{}(),;?*=!@\\";

// Sections of odbc.ini that configure the driver manager itself: no data
// source may take their names.
constexpr const char* kReservedNames[] = {"ODBC", "Default", "ODBC Data Sources"};

// Room for the list of section names, which the installer cuts to whole
// names that fit: with this much left over, no name (at most 1,000
// characters) was left out.
constexpr std::size_t kSectionListSlack = 1024;
constexpr std::size_t kSectionListStart = 64 * 1024;
constexpr std::size_t kSectionListLimit = 16 * 1024 * 1024;

[[noreturn]] void RefuseCreation(const QK_TString& reason, const QK_TString& value) {
  QK_THROW(
      QK_EException(QK_TString("Failed to create temporary ODBC Data Source: ") + reason, QK_TAny(value)));
}

// A value that would end its attribute early, end the list, or overrun the
// installer's buffers cannot be passed on.
void RefuseUnsafe(const char* what, const QK_TString& value) {
  for (char c : value.str()) {
    if (c == '\n' || c == '\0' || c == ';') {
      RefuseCreation(QK_TString::Format("the %s holds a character that an ODBC attribute cannot carry", what),
                     value);
    }
  }
  if (value.str().size() > kLongestValue) {
    RefuseCreation(
        QK_TString::Format("the %s holds more characters (%zu) than an ODBC attribute can carry (%zu)", what,
                           value.str().size(), kLongestValue),
        value);
  }
}

bool IsReservedName(const QK_TString& name) {
  for (const char* reserved : kReservedNames) {
    if (strcasecmp(name.c_str(), reserved) == 0) return true;
  }
  return false;
}

// A data-source name becomes a section of odbc.ini: it must be one that
// the installer writes as given and that names nothing but a data source.
void RefuseUnsafeName(const QK_TString& name) {
  RefuseUnsafe("data-source name", name);
  const std::string& text = name.str();
  if (text.empty()) RefuseCreation("the data-source name is empty", name);
  if (text.size() > kLongestName) {
    RefuseCreation(
        QK_TString::Format("the data-source name holds more characters (%zu) than an ODBC data-source "
                           "name can carry (%zu)",
                           text.size(), kLongestName),
        name);
  }
  for (char c : text) {
    const bool control = static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
    if (control || std::strchr(kNameRefusedCharacters, c) != nullptr) {
      RefuseCreation("the data-source name holds a character that an ODBC data-source name cannot carry",
                     name);
    }
  }
  if (text.front() == ' ' || text.back() == ' ') {
    RefuseCreation("the data-source name begins or ends with a blank, which odbc.ini does not keep", name);
  }
  if (IsReservedName(name)) {
    RefuseCreation("the data-source name is the name of a section that configures ODBC itself", name);
  }
}

// The installer's first error message, or the empty text.
QK_TString InstallerMessage() {
  const Installer& installer = TheInstaller();
  if (installer.installerError == nullptr) return QK_TString();
  DWORD code = 0;
  InstallerChar message[512] = {};
  WORD length = 0;
  installer.installerError(1, &code, message, 512, &length);
  if (length == 0) return QK_TString();
  std::wstring wide;
  for (std::uint16_t i = 0; i < length && i < 512 && message[i] != 0; ++i) wide += static_cast<wchar_t>(message[i]);
  return QK_TString(wide);
}

bool ConfigDataSource(WORD request, const QK_TString& driver, const InstallerText& attributes) {
  const Installer& installer = TheInstaller();
  if (installer.configDataSource == nullptr) return false;
  return installer.configDataSource(nullptr, request, Utf16(driver).data(), attributes.data()) != 0;
}

// The installer's configuration mode for the user's or the system's data
// sources while the object lives, then both again.
class ConfigMode {
 public:
  ConfigMode(const Installer& installer, bool userDataSource) : installer_(installer) {
    installer_.setConfigMode(userDataSource ? kUserDataSources : kSystemDataSources);
  }
  ~ConfigMode() { installer_.setConfigMode(kBothDataSources); }
  ConfigMode(const ConfigMode&) = delete;
  ConfigMode& operator=(const ConfigMode&) = delete;

 private:
  const Installer& installer_;
};

// What odbc.ini holds under a data-source name.
enum class Section {
  kAbsent,
  kForeign,   // somebody else's: never touched
  kLive,      // made by a run of this program that still runs (this one too)
  kLeftover,  // made by a run that ended without removing it
};

// Whose temporary data source a description names.
Section OwnerOf(const std::string& description) {
  const std::string prefix = kTemporaryDescription;
  if (description.compare(0, prefix.size(), prefix) != 0) return Section::kForeign;
  const std::string owner = description.substr(prefix.size());
  if (owner.empty()) return Section::kLeftover;
  const std::string opening = kOwnerOpening;
  QK_TProcessId run;
  if (owner.compare(0, opening.size(), opening) != 0 || owner.back() != ')' ||
      !QK_TProcessId::Parse(owner.substr(opening.size(), owner.size() - opening.size() - 1), run)) {
    return Section::kForeign;
  }
  return run == QK_TProcessId::Self() || run.IsRunning() ? Section::kLive : Section::kLeftover;
}

std::string ProfileValue(const Installer& installer, const std::string& section, const char* entry) {
  char text[kLongestValue + 1] = {};
  installer.getProfileString(section.c_str(), entry, "", text, sizeof text, "ODBC.INI");
  return text;
}

// Every section name of odbc.ini, in file order.
std::vector<std::string> SectionNames(const Installer& installer) {
  std::vector<char> names(kSectionListStart);
  std::size_t length = 0;
  for (;;) {
    const int got = installer.getProfileString(nullptr, nullptr, "", names.data(),
                                               static_cast<int>(names.size()), "ODBC.INI");
    length = got > 0 ? static_cast<std::size_t>(got) : 0;
    if (length + kSectionListSlack < names.size() || names.size() >= kSectionListLimit) break;
    names.assign(names.size() * 2, '\0');
  }
  std::vector<std::string> sections;
  for (std::size_t at = 0; at < length && names[at] != '\0'; at += std::strlen(&names[at]) + 1) {
    sections.emplace_back(&names[at]);
  }
  return sections;
}

// True when odbc.ini lists a section `name`, one without entries too. The
// installer compares section names without regard to case.
bool SectionListed(const Installer& installer, const QK_TString& name) {
  for (const std::string& section : SectionNames(installer)) {
    if (strcasecmp(section.c_str(), name.c_str()) == 0) return true;
  }
  return false;
}

// Whether a section `name` exists and, when it does, whose it is.
Section ExistingSection(const Installer& installer, const QK_TString& name) {
  // The names of the section's entries; a section without any is found in
  // the list of sections.
  if (ProfileValue(installer, name.str(), nullptr).empty() && !SectionListed(installer, name)) {
    return Section::kAbsent;
  }
  return OwnerOf(ProfileValue(installer, name.str(), "DESCRIPTION"));
}

// The ODBC driver that serves the record's database kind.
QK_TString DriverName(const CadServerConfig& record) {
  return record.dbms == CAD::Dbms::kSqlServer ? QK_TString("SQL Server") : QK_TString(record.driverName);
}

// Removes the section `name` through its driver's setup, as any data source
// is removed; a section whose driver cannot remove it is taken out of
// odbc.ini directly. False when neither did.
bool RemoveSection(const Installer& installer, const std::string& name, bool userDataSource) {
  const QK_TString driver(ProfileValue(installer, name, "Driver"));
  const WORD request = userDataSource ? kRemoveUserDataSource : kRemoveSystemDataSource;
  if (!driver.Empty() && ConfigDataSource(request, driver, AttributeList({QK_TString("DSN=") + QK_TString(name)}))) {
    return true;
  }
  return installer.removeSection != nullptr && installer.removeSection(name.c_str()) != 0;
}

// Removes every temporary data source whose run has ended, whatever its
// name; each one removed is reported. One that cannot be removed is
// reported and stays for a later run.
void RemoveLeftovers(const Installer& installer, bool userDataSource, const Report& report) {
  for (const std::string& section : SectionNames(installer)) {
    if (OwnerOf(ProfileValue(installer, section, "DESCRIPTION")) != Section::kLeftover) continue;
    const bool removed = RemoveSection(installer, section, userDataSource);
    if (!report) continue;
    report(removed ? QK_TString::Format("Removed temporary ODBC Data Source %s left behind by a run that ended",
                                        section.c_str())
                   : QK_TString::Format("Could not remove temporary ODBC Data Source %s left behind by a run "
                                        "that ended: %s",
                                        section.c_str(), InstallerMessage().c_str()));
  }
}

bool InstallerBound(const Installer& installer) {
  return installer.setConfigMode != nullptr && installer.getProfileString != nullptr;
}

}  // namespace

void CreateTemporaryDataSource(const CadServerConfig& record, QK_TString& dataSourceName, const QK_TString& name,
                               bool userDataSource, const Report& report) {
  if (record.dbms != CAD::Dbms::kSqlServer && record.dbms != CAD::Dbms::kOracle) return;
  RefuseUnsafeName(name);
  RefuseUnsafe("host", QK_TString(record.host));
  RefuseUnsafe("database", QK_TString(record.database));
  RefuseUnsafe("driver name", DriverName(record));

  std::vector<QK_TString> attributes = {
      QK_TString::Format("DSN=%s", name.c_str()),
      QK_TString("DESCRIPTION=") + OwnDescription(),
      QK_TString::Format("SERVER=%s", record.host.c_str()),
  };
  if (record.dbms == CAD::Dbms::kSqlServer) {
    attributes.push_back(QK_TString::Format("DATABASE=%s", record.database.c_str()));
    attributes.push_back(QK_TString("TRUSTED_CONNECTION=no"));
  }
  const Installer& installer = TheInstaller();
  if (!InstallerBound(installer)) {
    QK_THROW(QK_EException(QK_TString("Failed to create temporary ODBC Data Source"),
                           QK_TAny(QK_TString("the ODBC installer library cannot be loaded"))));
  }
  const OdbcIniChange change(OdbcIniPath(userDataSource), report);
  const ConfigMode mode(installer, userDataSource);
  RemoveLeftovers(installer, userDataSource, report);
  switch (ExistingSection(installer, name)) {
    case Section::kAbsent:
      break;
    case Section::kLive:
      QK_THROW(QK_EException(
          QK_TString("Failed to create temporary ODBC Data Source"),
          QK_TAny(QK_TString::Format("a data source named %s exists already: a run of that task is still going",
                                     name.c_str()))));
    default:
      // Whatever its entries, a section of that name is somebody else's:
      // the installer would merge into it or replace it.
      QK_THROW(QK_EException(QK_TString("Failed to create temporary ODBC Data Source"),
                             QK_TAny(QK_TString::Format("a data source named %s exists already", name.c_str()))));
  }
  const WORD request = userDataSource ? kAddUserDataSource : kAddSystemDataSource;
  if (!ConfigDataSource(request, DriverName(record), AttributeList(attributes))) {
    QK_THROW(QK_EException(QK_TString("Failed to create temporary ODBC Data Source"), QK_TAny(InstallerMessage())));
  }
  dataSourceName = name;
}

void RemoveTemporaryDataSource(const CadServerConfig& record, const QK_TString& name, bool userDataSource,
                               const Report& report) {
  if (name.Empty()) return;
  const WORD request = userDataSource ? kRemoveUserDataSource : kRemoveSystemDataSource;
  bool removed = false;
  {
    const OdbcIniChange change(OdbcIniPath(userDataSource), report);
    removed = ConfigDataSource(request, DriverName(record), AttributeList({QK_TString("DSN=") + name}));
  }
  if (!removed) {
    QK_THROW(QK_EException(QK_TString::Format("Failed to remove temporary ODBC Data Source %s", name.c_str()),
                           QK_TAny(InstallerMessage())));
  }
}

}  // namespace SQLUtilities
