// Connecting the ticket's CAD server: the driver, the temporary ODBC data
// source of a conventional server's design database, the login check, and
// the CAD application's Defaults folder.
#include <memory>

#include "AfxDisp.h"
#include "DRAVOWrapper.h"
#include "DRAVOWrapperCommon.h"
#include "DRAVOWrapperDispatch.h"
#include "DravoException.h"
#include "EDRAVOWrapper.h"
#include "QK_TFile.h"
#include "QK_TThread.h"
#include "SQLUtilities.h"
#include "Shapejob.h"
#include "TaskError.h"

namespace CAD {

namespace {

// "domain\user", or the user alone where there is no domain.
QK_TString CurrentUser() {
  QK_TString domain;
  QK_TString user;
  QK_TThread::CurrentUser(domain, user);
  return domain.Empty() ? user : domain + "\\" + user;
}

}  // namespace

void Task::ValidateServerConfig(const CadServerConfig& record) {
  const char* missing = nullptr;
  if (record.type != 1) {
    if (record.database.empty()) {
      missing = "shapejobs.error.MissingDatabaseName";
    } else if (record.host.empty()) {
      missing = "shapejobs.error.MissingDatabaseHost";
    } else if (record.dbms == 2 && record.driverName.empty()) {
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
    AddMessage(2, missing);
    QK_THROW(TaskError());
  }
}

void Task::ConnectServer(const CadServerConfig& record) {
  ValidateServerConfig(record);
  // A task without a driver is not connected, whatever server it names.
  if (driver && record.name == currentServer.name) return;

  // Leave the previous server: its driver and its data source go, so that
  // nothing of it is inherited by the next one.
  driver.reset();
  RemoveDataSource();
  dataSourceName = QK_TString();
  currentServer = CadServerConfig();

  if (record.type != 0) {
    try {
      driver = std::make_unique<EDRAVOWrapper>(this, QK_TString(record.location), QK_TString(record.userName),
                                               QK_TString(record.password));
    } catch (const LoginFailed& e) {
      Log(e);
      AddMessage(2, "shapejobs.message.dravologinerror", QK_TAny(e.QK_Message()));
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
    driver.reset();
    RemoveDataSource();
    dataSourceName = QK_TString();
    currentServer = CadServerConfig();
    throw;
  }
}

void Task::SetUpDataSource() {
  if (currentServer.dbms != 3) {
    Log(QK_TString("Creating temporary ODBC Data Source\n"));
    const QK_TString name = GetTaskID().Replace("-", "");
    SQLUtilities::CreateTemporaryDataSource(currentServer, dataSourceName, name, false);
    Log(QK_TString("Created temporary ODBC Data Source ") + dataSourceName + "\n");
  }
  CheckDataSourceLogin();
  if (dataSourceName.Empty() || dataSourceName == "FolvaneCAD") return;
  try {
    Log(QK_TString("Changing FolvaneCad Data Source to ") + dataSourceName + "\n");
    driver->SwitchDataSource(dataSourceName);
    Log(QK_TString("Changed FolvaneCad Data Source to ") + dataSourceName + "\n");
    AddMessage(0, "shapejobs.info.UsingDatabase", QK_TAny(QK_TString(currentServer.host)),
               QK_TAny(QK_TString(currentServer.database)));
  } catch (const DravoError& e) {
    Log(QK_TString("Failed to change the FolvaneCad Data Source to ") + dataSourceName + "\n");
    Log(e);
    AddMessage(2, "shapejobs.error.FailedToSetFolvaneCadDataSource", QK_TAny(dataSourceName), e.QK_Data());
    QK_THROW(TaskError());
  }
}

void Task::CheckDataSourceLogin() {
  ComApartment apartment;
  apartment.Enter();
  std::int32_t result = 0;
  try {
    ConnectionDispatch connection;
    CreateDispatchOrThrow(connection, L"Quillmarsh.Connection.1");
    result = connection.Login(dataSourceName);
  } catch (COleDispatchException* caught) {
    // Framework exceptions must not travel on as pointers: they become the
    // program's own, which the run logs and reports.
    QK_THROW(DravoRuntimeExceptionFromDispatch("Failed to initialize DravoConnection", caught));
  } catch (CException* caught) {
    QK_THROW(DravoRuntimeExceptionFromOle("Failed to initialize DravoConnection", caught));
  }
  if (result != 0) {
    AddMessage(2, "shapejobs.error.invalidserverconfiguration");
    QK_THROW(TaskError());
  }
}

void Task::ChangeDefaultsLocation(const std::string& location) {
  const QK_TString folder(location);
  try {
    if (QK_TFileInfo(QK_TURL::FromLocalPath(folder)).Type() != 0) {
      AddMessage(2, "shapejobs.error.DefaultsMustBeFolder", QK_TAny(folder));
      QK_THROW(TaskError());
    }
  } catch (const QK_ECouldNotGetFileInfo& e) {
    Log(QK_TString("Invalid FolvaneCAD Defaults location:"));
    Log(e);
    AddMessage(2, "shapejobs.error.InvalidDefaults", QK_TAny(folder), QK_TAny(CurrentUser()));
    QK_THROW(TaskError());
  }
  try {
    Log(QK_TString::Format("Changing location of the FolvaneCad Defaults to %s\n", location.c_str()));
    driver->SetDefaultsLocation(folder);
    Log(QK_TString::Format("Changed location of the FolvaneCad Defaults to %s\n", location.c_str()));
    AddMessage(0, "shapejobs.info.UsingDefaults", QK_TAny(folder));
  } catch (const DravoError& e) {
    Log(QK_TString::Format("Failed to set FolvaneCAD Defaults location to %s\n", location.c_str()));
    Log(QK_TString::Format("Make sure the user %s has access to %s/<FolvaneCadVersion>/ServerLib/sysdflt.adf\n",
                           CurrentUser().c_str(), location.c_str()));
    Log(e);
    AddMessage(2, "shapejobs.error.FailedToSetDefaultsPath", QK_TAny(folder), e.QK_Data());
    QK_THROW(TaskError());
  }
}

void Task::RemoveDataSource() {
  if (dataSourceName.Empty()) return;
  try {
    Log(QK_TString("Removing temporary ODBC Data Source ") + dataSourceName + "\n");
    SQLUtilities::RemoveTemporaryDataSource(currentServer, dataSourceName, false);
    Log(QK_TString("Removed temporary ODBC Data Source ") + dataSourceName + "\n");
    dataSourceName = QK_TString();
  } catch (const QK_EException& e) {
    Log(e);
    Log(QK_TString("Please try to remove the temporary ODBC Data Source ") + dataSourceName +
        " with: odbcinst -u -s -n " + dataSourceName + "\n");
    AddMessage(1, "shapejobs.warning.FailedToRemoveODBCDataSource");
  }
}

}  // namespace CAD
