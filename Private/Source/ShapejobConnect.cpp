// Connecting the ticket's CAD server: the server list and the ticket's
// server in it, the driver, the temporary ODBC data source of a
// conventional server's design database, the login check, and the CAD
// application's Defaults folder.
#include <cstdlib>
#include <memory>

#include "DRAVOWrapper.h"
#include "DRAVOWrapperLogin.h"
#include "DravoException.h"
#include "EDRAVOWrapper.h"
#include "QK_TFile.h"
#include "QK_TThread.h"
#include "SQLUtilities.h"
#include "Shapejob.h"
#include "TaskError.h"
#include "cfs_tproxy.h"

namespace CAD {

namespace {

// QK_TFileInfo::Type of a folder.
constexpr int kFolderType = 0;

// "domain\user", or the user alone where there is no domain.
QK_TString CurrentUser() {
  QK_TString domain;
  QK_TString user;
  QK_TThread::CurrentUser(domain, user);
  return domain.Empty() ? user : domain + "\\" + user;
}

}  // namespace

SQLUtilities::Report Task::LogLines() {
  return [this](const QK_TString& line) { Log(line + "\n"); };
}

void Task::ValidateServerConfig(const CadServerConfig& record) {
  const char* missing = nullptr;
  if (!IsEnterpriseServer(record)) {
    if (record.database.empty()) {
      missing = "shapejobs.error.MissingDatabaseName";
    } else if (record.host.empty()) {
      missing = "shapejobs.error.MissingDatabaseHost";
    } else if (record.dbms == Dbms::kOracle && record.driverName.empty()) {
      missing = "shapejobs.error.MissingDriver";
    }
  } else {
    if (record.location.empty()) {
      missing = "shapejobs.error.MissingLocation";
    } else if (record.userName.empty()) {
      missing = "shapejobs.error.MissingUserName";
    } else if (record.password.empty()) {
      missing = "shapejobs.error.MissingPassword";
    }
  }
  if (missing != nullptr) {
    AddMessage(Severity::kError, missing);
    QK_THROW(TaskError());
  }
}

void Task::ReadServerConfigs(std::vector<CadServerConfig>& servers) {
  const char* address = std::getenv("QK_SERVER");
  CFS_TProxy client(address != nullptr ? address : "");
  try {
    servers = ReadCadServers(client, [this](const QK_TString& text) { Log(text); });
  } catch (const CFS_EConfigException& e) {
    // A path that leads nowhere, or a value that is not set.
    Log(e);
    AddMessage(Severity::kError, "shapejobs.error.NoCadServersConfigured");
  }
}

QK_TString Task::ResolveServerName(AT_TTicket& ticket) {
  QK_TString value = ticket.GetParameters().Get("SERVER").AsString();
  QK_TString resolved;
  if (!GetTName().Resolve(value, resolved)) {
    AddMessage(Severity::kError, "shapejobs.message.couldnotresolve", QK_TAny(value));
    QK_THROW(TaskError());
  }
  return resolved;
}

const CadServerConfig& Task::FindServerConfig(const std::vector<CadServerConfig>& servers,
                                              const std::string& name) {
  for (const CadServerConfig& config : servers) {
    if (config.name == name) return config;
  }
  AddMessage(Severity::kError, "shapejobs.error.cadservernotfound", QK_TAny(QK_TString(name)));
  QK_THROW(TaskError());
}

void Task::ConnectServer(const CadServerConfig& record) {
  ValidateServerConfig(record);
  // A task without a driver is not connected, whatever server it names.
  if (driver && record.name == currentServer.name) return;

  Disconnect();
  if (IsEnterpriseServer(record)) {
    try {
      driver = std::make_unique<EDRAVOWrapper>(this, QK_TString(record.location), QK_TString(record.userName),
                                               QK_TString(record.password));
    } catch (const LoginFailed& e) {
      Log(e);
      AddMessage(Severity::kError, "shapejobs.message.dravologinerror", QK_TAny(e.QK_Message()));
      QK_THROW(TaskError());
    }
    currentServer = record;
    return;
  }

  driver = std::make_unique<DRAVOWrapper>(this);
  currentServer = record;
  // The connection counts only once it is whole: a failure part-way leaves
  // the task unconnected and removes the data source it created.
  try {
    SetUpDataSource();
    driver->InitConnection(dataSourceName);
    if (!record.defaults.empty()) ChangeDefaultsLocation(record.defaults);
  } catch (...) {
    Disconnect();
    throw;
  }
}

void Task::Disconnect() {
  driver.reset();
  RemoveDataSource();
  dataSourceName = QK_TString();
  currentServer = CadServerConfig();
}

void Task::SetUpDataSource() {
  if (currentServer.dbms != Dbms::kNone) {
    Log(QK_TString("Creating temporary ODBC Data Source\n"));
    const QK_TString name = GetTaskID().Replace("-", "");
    // What runs that were killed left in odbc.ini is cleared on the way.
    SQLUtilities::CreateTemporaryDataSource(currentServer, dataSourceName, name, false, LogLines(), GetTaskID());
    Log(QK_TString("Created temporary ODBC Data Source ") + dataSourceName + "\n");
  }
  CheckDataSourceLogin();
  if (dataSourceName.Empty() || dataSourceName == "FolvaneCAD") return;
  try {
    Log(QK_TString("Changing FolvaneCad Data Source to ") + dataSourceName + "\n");
    driver->SwitchDataSource(dataSourceName);
    Log(QK_TString("Changed FolvaneCad Data Source to ") + dataSourceName + "\n");
    AddMessage(Severity::kInformation, "shapejobs.info.UsingDatabase", QK_TAny(QK_TString(currentServer.host)),
               QK_TAny(QK_TString(currentServer.database)));
  } catch (const DravoError& e) {
    Log(QK_TString("Failed to change the FolvaneCad Data Source to ") + dataSourceName + "\n");
    Log(e);
    AddMessage(Severity::kError, "shapejobs.error.FailedToSetFolvaneCadDataSource", QK_TAny(dataSourceName),
               e.QK_Data());
    QK_THROW(TaskError());
  }
}

void Task::CheckDataSourceLogin() {
  if (!LogInToDesignDatabase(dataSourceName, "Failed to initialize DravoConnection")) {
    AddMessage(Severity::kError, "shapejobs.error.invalidserverconfiguration");
    QK_THROW(TaskError());
  }
}

void Task::ChangeDefaultsLocation(const std::string& location) {
  const QK_TString folder(location);
  try {
    if (QK_TFileInfo(QK_TURL::FromLocalPath(folder)).Type() != kFolderType) {
      AddMessage(Severity::kError, "shapejobs.error.DefaultsMustBeFolder", QK_TAny(folder));
      QK_THROW(TaskError());
    }
  } catch (const QK_ECouldNotGetFileInfo& e) {
    Log(QK_TString("Invalid FolvaneCAD Defaults location:"));
    Log(e);
    AddMessage(Severity::kError, "shapejobs.error.InvalidDefaults", QK_TAny(folder), QK_TAny(CurrentUser()));
    QK_THROW(TaskError());
  }
  try {
    Log(QK_TString::Format("Changing location of the FolvaneCad Defaults to %s\n", location.c_str()));
    driver->SetDefaultsLocation(folder);
    Log(QK_TString::Format("Changed location of the FolvaneCad Defaults to %s\n", location.c_str()));
    AddMessage(Severity::kInformation, "shapejobs.info.UsingDefaults", QK_TAny(folder));
  } catch (const DravoError& e) {
    Log(QK_TString::Format("Failed to set FolvaneCAD Defaults location to %s\n", location.c_str()));
    Log(QK_TString::Format("Make sure the user %s has access to %s/<FolvaneCadVersion>/ServerLib/sysdflt.adf\n",
                           CurrentUser().c_str(), location.c_str()));
    Log(e);
    AddMessage(Severity::kError, "shapejobs.error.FailedToSetDefaultsPath", QK_TAny(folder), e.QK_Data());
    QK_THROW(TaskError());
  }
}

void Task::RemoveDataSource() {
  if (dataSourceName.Empty()) return;
  try {
    Log(QK_TString("Removing temporary ODBC Data Source ") + dataSourceName + "\n");
    SQLUtilities::RemoveTemporaryDataSource(currentServer, dataSourceName, false, LogLines());
    Log(QK_TString("Removed temporary ODBC Data Source ") + dataSourceName + "\n");
    dataSourceName = QK_TString();
  } catch (const QK_EException& e) {
    Log(e);
    Log(QK_TString("Please try to remove the temporary ODBC Data Source ") + dataSourceName +
        " with: odbcinst -u -s -n " + dataSourceName + "\n");
    AddMessage(Severity::kWarning, "shapejobs.warning.FailedToRemoveODBCDataSource");
  }
}

}  // namespace CAD
