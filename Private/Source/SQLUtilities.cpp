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
#include "OdbcIniText.h"
#include "SQLUtilitiesChange.h"

namespace SQLUtilities {

namespace {

using Kind = odbc_ini::Edit::Kind;

// The installer's wide characters are 16-bit on every platform.
using InstallerChar = SQLWCHAR;
using InstallerText = std::vector<InstallerChar>;

// The ODBC installer library, bound on first use by function name. A
// library or function that cannot be bound leaves its pointer null.
struct Installer {
  Installer() {
    void* library = dlopen("libodbcinst.so.2", RTLD_NOW | RTLD_GLOBAL);
    if (library == nullptr) return;
    Bind(library, "SQLConfigDataSourceW", configDataSource);
    Bind(library, "SQLInstallerErrorW", installerError);
    Bind(library, "SQLSetConfigMode", setConfigMode);
    Bind(library, "SQLWritePrivateProfileString", writeProfileString);
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
  decltype(&::SQLWritePrivateProfileString) writeProfileString = nullptr;
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
  const char* set = std::getenv(userDataSource ? "ODBCINI" : "ODBCSYSINI");
  if (set != nullptr && *set != '\0') return std::string(set) + (userDataSource ? "" : "/odbc.ini");
  const char* home = std::getenv("HOME");
  return userDataSource ? std::string(home != nullptr ? home : "") + "/.odbc.ini" : "/etc/odbc.ini";
}

// `text` in UTF-16, followed by a NUL.
void AppendUtf16(InstallerText& out, const QK_TString& text) {
  for (wchar_t c : text.wc_str()) {
    auto code = static_cast<std::uint32_t>(c);
    if (code >= 0x10000) {
      code -= 0x10000;
      out.push_back(static_cast<InstallerChar>(0xD800 + (code >> 10)));
      code = 0xDC00 + (code & 0x3FF);
    }
    out.push_back(static_cast<InstallerChar>(code));
  }
  out.push_back(0);
}

// The attributes as key and value, as the driver-setup library reads them.
odbc_ini::Entries Entries(const std::vector<QK_TString>& attributes) {
  odbc_ini::Entries entries;
  for (const QK_TString& attribute : attributes) {
    const std::string& text = attribute.str();
    const std::size_t equals = text.find('=');
    entries.emplace_back(text.substr(0, equals), equals == std::string::npos ? std::string() : text.substr(equals + 1));
  }
  return entries;
}

// Each attribute ends with a NUL and the list with a further one.
InstallerText AttributeList(const std::vector<QK_TString>& attributes) {
  InstallerText list;
  for (const QK_TString& attribute : attributes) AppendUtf16(list, attribute);
  list.push_back(0);
  return list;
}

// The key of a task id in an owner mark; none for no task.
std::string TaskKey(const QK_TString& task) { return task.Empty() ? std::string() : TextKey(task.str()); }

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
  for (const char* reserved : kReservedNames) {
    if (strcasecmp(text.c_str(), reserved) == 0) {
      RefuseCreation("the data-source name is the name of a section that configures ODBC itself", name);
    }
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
  std::wstring wide;
  for (std::uint16_t i = 0; i < length && i < 512 && message[i] != 0; ++i) wide += static_cast<wchar_t>(message[i]);
  return QK_TString(wide);
}

bool ConfigDataSource(WORD request, const QK_TString& driver, const InstallerText& attributes) {
  const Installer& installer = TheInstaller();
  if (installer.configDataSource == nullptr) return false;
  InstallerText driverName;
  AppendUtf16(driverName, driver);
  const bool done = installer.configDataSource(nullptr, request, driverName.data(), attributes.data()) != 0;
  // The installer keeps what this process read of odbc.ini for up to 20 s
  // and forgets it only after a write of its own (the driver's setup
  // library writes the file itself). A write that changes nothing (removing
  // a section from /dev/null, which holds none) makes it forget, so that a
  // login right after a change sees the data source as it now is. Only
  // after a success: a failure's message is read afterwards.
  if (done && installer.writeProfileString != nullptr) {
    installer.writeProfileString("Shapejob", nullptr, nullptr, "/dev/null");
  }
  return done;
}

// The installer's configuration mode for the user's or the system's data
// sources while the object lives, then both again.
struct ConfigMode {
  ConfigMode(const Installer& installer, bool userDataSource) : installer(installer) {
    installer.setConfigMode(userDataSource ? ODBC_USER_DSN : ODBC_SYSTEM_DSN);
  }
  ~ConfigMode() { installer.setConfigMode(ODBC_BOTH_DSN); }
  const Installer& installer;
};

// Whose a section is.
struct Owner {
  enum Kind {
    kForeign,   // not this program's, or without its owner mark: never touched
    kSelf,      // made by this run
    kLive,      // made by a run known to run
    kUnknown,   // made by a run that cannot be checked from here: counts as running
    kLeftover,  // made by a run known to have ended
  };
  Kind kind = kForeign;
  std::string task;  // the key of its task; empty when it names none
};

Owner OwnerOf(const odbc_ini::Section& section, const OdbcIniChange& change) {
  Owner owner;
  OwnerMark mark;
  QK_TProcessId run;
  if (!ReadOwnerMark(odbc_ini::ValueOf(section, "DESCRIPTION"), mark) || !QK_TProcessId::Parse(mark.run, run)) {
    return owner;
  }
  owner.task = mark.task;
  const bool self = run == change.Run();
  const QK_TRunState state = self ? QK_TRunState::kRunning : change.StateOf(run);
  owner.kind = self                              ? Owner::kSelf
               : state == QK_TRunState::kRunning ? Owner::kLive
               : state == QK_TRunState::kEnded   ? Owner::kLeftover
                                                 : Owner::kUnknown;
  return owner;
}

// The ODBC driver that serves the record's database kind.
QK_TString DriverName(const CadServerConfig& record) {
  return record.dbms == CAD::Dbms::kSqlServer ? QK_TString("SQL Server") : QK_TString(record.driverName);
}

// Takes every data source of a run that ended out of odbc.ini, one by
// one, in file order, each by where it stands (a site's section may have
// the same name); each is reported once it is out.
void RemoveLeftovers(OdbcIniChange& change, const Report& report) {
  const odbc_ini::Text ini = odbc_ini::Parse(change.Text());
  std::size_t at = ini.preamble.size();
  for (const odbc_ini::Section& section : ini.sections) {
    const std::size_t before = change.Text().size();
    if (OwnerOf(section, change).kind == Owner::kLeftover) {
      change.Make(OdbcIniJournal::Change::kRemove, section.name,
                  odbc_ini::TakingOutRange(change.Text(), at, section.text.size()));
      if (report) {
        report(QK_TString::Format("Removed temporary ODBC Data Source %s left behind by a run that ended",
                                  section.name.c_str()));
      }
    }
    // A file written anew lost the section's bytes; one changed in place
    // kept them, blanked.
    at += section.text.size() - (before - change.Text().size());
  }
}

[[noreturn]] void RefuseTaken(const QK_TString& name, const char* why) {
  QK_THROW(QK_EException(QK_TString("Failed to create temporary ODBC Data Source"),
                         QK_TAny(QK_TString::Format("a data source named %s exists already%s", name.c_str(), why))));
}

// The name `name` with the suffix "_<number>", the name cut so that the
// whole fits in a data-source name.
QK_TString Suffixed(const QK_TString& name, int number) {
  const std::string suffix = "_" + std::to_string(number);
  return QK_TString(name.str().substr(0, kLongestName - suffix.size()) + suffix);
}

// Whether `section` is no more than what a create of it with `driver`
// left, stopped before its owner mark was whole (LeftOfWrite), past its
// header: so it stands where that change's journal cannot be seen.
bool IsCutCreate(const odbc_ini::Section& section, const std::string& driver) {
  const std::string mark = OwnerDescription(OwnerMark{});
  const std::vector<std::string> written = {"[" + section.name + "]", "Driver=" + driver,
                                            "DESCRIPTION=" + mark.substr(0, mark.size() - 1)};  // up to the run's id
  const std::vector<std::string> left = odbc_ini::LinesOf(section.text);
  // A whole header and nothing else is the site's own empty section.
  if (left.size() == 1 && left[0] == written[0]) return false;
  if (LeftOfWrite(left, written)) return true;
  // Cut inside the run's id.
  return left.size() == 3 && LeftOfWrite({left[0], left[1]}, written) &&
         odbc_ini::StartsWith(left[2], written[2]) && left[2].find(')') == std::string::npos;
}

// The name this run's data source takes in `ini`: `name` when it is free,
// this run's own, or no more than a stopped create of it left (then
// `tookOver` is set); else, when a running run of another task has it, or
// a run that cannot be checked, the first free one of its suffixed names.
QK_TString ChooseName(const odbc_ini::Text& ini, const QK_TString& name, const QK_TString& task,
                      const std::string& driver, const OdbcIniChange& change, const Report& report,
                      bool& tookOver) {
  const std::string taskKey = TaskKey(task);
  constexpr int kMostSuffixes = 1000;
  const char* whose = "";
  for (int number = 1; number <= kMostSuffixes; ++number) {
    const QK_TString candidate = number == 1 ? name : Suffixed(name, number);
    // The section of that name that decides: the first that is neither
    // this run's own nor, of the name asked for, a stopped create's (all
    // of those go before the create).
    const odbc_ini::Section* section = nullptr;
    Owner owner;
    bool cutCreate = false;
    for (const odbc_ini::Section& each : ini.sections) {
      if (!odbc_ini::SameName(each.name, candidate.str())) continue;
      owner = OwnerOf(each, change);
      const bool cut = number == 1 && owner.kind == Owner::kForeign && IsCutCreate(each, driver);
      cutCreate = cutCreate || cut;
      if (owner.kind == Owner::kSelf || cut) continue;
      section = &each;
      break;
    }
    tookOver = cutCreate && section == nullptr;
    if (section == nullptr) {
      if (number > 1 && report) {
        report(QK_TString::Format("%s has the ODBC Data Source %s: this run uses %s", whose, name.c_str(),
                                  candidate.c_str()));
      }
      return candidate;
    }
    const bool sameTask = !taskKey.empty() && owner.task == taskKey;
    if (owner.kind == Owner::kLive && sameTask) RefuseTaken(candidate, ": a run of that task is still going");
    if (owner.kind == Owner::kForeign) {
      // Whatever its entries, a section that is not this program's is
      // somebody else's: the installer would merge into it or replace it.
      if (number == 1) RefuseTaken(candidate, "");
      continue;
    }
    if (number == 1) {
      whose = owner.kind == Owner::kLive
                  ? "A running run of another task"
                  : "A run that cannot be checked from here (of another machine; of a machine without a machine "
                    "id, before its reboot; of another PID namespace, or hidden by /proc, with its life mark still "
                    "locked by someone; with an id that does not say where it holds; or with its life mark in a "
                    "folder that takes no locks)";
    }
  }
  RefuseTaken(name, ", and so does each of its suffixed names");
}

}  // namespace

void CreateTemporaryDataSource(const CadServerConfig& record, QK_TString& dataSourceName, const QK_TString& name,
                               bool userDataSource, const Report& report, const QK_TString& task) {
  if (record.dbms != CAD::Dbms::kSqlServer && record.dbms != CAD::Dbms::kOracle) return;
  RefuseUnsafeName(name);
  RefuseUnsafe("host", QK_TString(record.host));
  RefuseUnsafe("database", QK_TString(record.database));
  RefuseUnsafe("driver name", DriverName(record));

  std::vector<QK_TString> attributes = {
      QK_TString::Format("DSN=%s", name.c_str()),
      QK_TString("DESCRIPTION="),  // the owner mark, once the change has begun
      QK_TString::Format("SERVER=%s", record.host.c_str()),
  };
  if (record.dbms == CAD::Dbms::kSqlServer) {
    attributes.push_back(QK_TString::Format("DATABASE=%s", record.database.c_str()));
    attributes.push_back(QK_TString("TRUSTED_CONNECTION=no"));
  }
  const Installer& installer = TheInstaller();
  if (installer.setConfigMode == nullptr || installer.configDataSource == nullptr) {
    QK_THROW(QK_EException(QK_TString("Failed to create temporary ODBC Data Source"),
                           QK_TAny(QK_TString("the ODBC installer library cannot be loaded"))));
  }
  OdbcIniChange change(OdbcIniPath(userDataSource), report);
  const ConfigMode mode(installer, userDataSource);
  RemoveLeftovers(change, report);
  bool tookOver = false;
  const QK_TString chosen =
      ChooseName(odbc_ini::Parse(change.Text()), name, task, DriverName(record).str(), change, report, tookOver);
  // What stands of that name (this run's own, or a stopped create's) goes
  // first: the create only appends.
  for (odbc_ini::Edit out; (out = odbc_ini::TakingOut(change.Text(), chosen.str())).kind != Kind::kNone;) {
    change.Make(OdbcIniJournal::Change::kRemove, chosen.str(), out);
  }
  if (tookOver && report) {
    report(QK_TString::Format("Took over ODBC Data Source %s, no more than what a stopped create of it left",
                              chosen.c_str()));
  }
  attributes.front() = QK_TString::Format("DSN=%s", chosen.c_str());
  attributes[1] = QK_TString("DESCRIPTION=" + OwnerDescription(OwnerMark{change.Run().Text(), TaskKey(task)}));
  const WORD request = userDataSource ? ODBC_ADD_DSN : ODBC_ADD_SYS_DSN;
  const std::string section = odbc_ini::DataSourceSection(chosen.str(), DriverName(record).str(), Entries(attributes));
  if (!change.MakeThrough(OdbcIniJournal::Change::kCreate, chosen.str(), odbc_ini::Appending(change.Text(), section),
                          [&]() { return ConfigDataSource(request, DriverName(record), AttributeList(attributes)); })) {
    QK_THROW(QK_EException(QK_TString("Failed to create temporary ODBC Data Source"), QK_TAny(InstallerMessage())));
  }
  dataSourceName = chosen;
}

void RemoveTemporaryDataSource(const CadServerConfig& record, const QK_TString& name, bool userDataSource,
                               const Report& report) {
  if (name.Empty()) return;
  const WORD request = userDataSource ? ODBC_REMOVE_DSN : ODBC_REMOVE_SYS_DSN;
  bool removed = false;
  {
    OdbcIniChange change(OdbcIniPath(userDataSource), report);
    removed = change.MakeThrough(OdbcIniJournal::Change::kRemove, name.str(),
                                 odbc_ini::TakingOut(change.Text(), name.str()), [&]() {
                                   return ConfigDataSource(request, DriverName(record),
                                                           AttributeList({QK_TString("DSN=") + name}));
                                 });
  }
  if (!removed) {
    QK_THROW(QK_EException(QK_TString::Format("Failed to remove temporary ODBC Data Source %s", name.c_str()),
                           QK_TAny(InstallerMessage())));
  }
}

}  // namespace SQLUtilities
