// Test helper: the program's task as its tests need it, with its connection
// open to inspection, and a fixture that gives it a folder, a recording sink
// and a site configuration.
//
//   class RunTest : public TaskTest {};
//   TEST_F(RunTest, ...) {
//     UseSite(SiteConfiguration(ConventionalEntry("Local", "db-host", "designs")));
//     MockDriver& cad = task.ConnectMock(ConventionalServer("Local"));
//     EXPECT_CALL(cad, ...);
//     EXPECT_EQ(Run("runstandard", {folder.Write("in.xml", "<job/>")}), 0);
//   }
//
// Header only: the test executables that use it link the program's code,
// the others do not. Nothing here starts the CAD application; a test that
// connects through the real drivers links the stand-in itself (the
// *_e2e_test.cpp executables).
#pragma once

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MockDriver.h"
#include "QK_TArray.h"
#include "RecordingSink.h"
#include "Shapejob.h"
#include "TempFolder.h"

// A task whose connection a test can set and look at.
class TestTask : public CAD::Task {
 public:
  CAD::DRAVOInterface* Driver() const { return driver.get(); }
  const CadServerConfig& Server() const { return currentServer; }
  const QK_TString& DataSource() const { return dataSourceName; }

  // Connects `server` through a mock driver without starting anything: a
  // run whose ticket names the same server keeps it.
  MockDriver& ConnectMock(const CadServerConfig& server) {
    auto mock = std::make_unique<MockDriver>(this);
    MockDriver& handle = *mock;
    driver = std::move(mock);
    currentServer = server;
    return handle;
  }
  // Only the server record, without a driver: what the builder calls read.
  void UseServer(const CadServerConfig& server) { currentServer = server; }
};

// Server records as the site configuration would give them.
inline CadServerConfig ConventionalServer(const std::string& name, const std::string& host = "",
                                          const std::string& database = "") {
  CadServerConfig record;
  record.name = name;
  record.type = CAD::ServerType::kConventional;
  record.dbms = CAD::Dbms::kSqlServer;
  record.host = host;
  record.database = database;
  return record;
}

inline CadServerConfig EnterpriseServer(const std::string& name, const std::string& location = "",
                                        const std::string& userName = "", const std::string& password = "") {
  CadServerConfig record;
  record.name = name;
  record.type = CAD::ServerType::kEnterprise;
  record.location = location;
  record.userName = userName;
  record.password = password;
  return record;
}

// A site configuration with `servers` (the <Tree> entries under
// /Resources/CAD/Servers), no external databases and no enterprise logins.
inline std::string SiteConfiguration(const std::string& servers) {
  return "<Configuration><Tree key=\"Resources\"><Tree key=\"CAD\"><Tree key=\"Servers\">" + servers +
         "</Tree></Tree><Tree key=\"DatabasesExternal\"/>"
         "<Tree key=\"Internet\"><Tree key=\"Servers\"/></Tree></Tree></Configuration>";
}

// The entry of a conventional server; `extra` holds further <Value>s.
inline std::string ConventionalEntry(const std::string& name, const std::string& host,
                                     const std::string& database, const std::string& driverName = "",
                                     const std::string& extra = "") {
  return "<Tree key=\"" + name + "\"><Value key=\"Type\">Conventional</Value><Value key=\"DriverName\">" +
         driverName + "</Value><Value key=\"host\">" + host + "</Value><Value key=\"database\">" + database +
         "</Value>" + extra + "</Tree>";
}

// The parameters of a run-standard ticket of `standardPath` with fixed
// board, units, grain and print side, and no variables.
inline void SetRunStandardParameters(QK_TDict& parameters, const char* standardPath) {
  for (const auto& [key, value] : std::vector<std::pair<const char*, const char*>>{
           {"STYLE_CATALOG", "nonStyleCatalog"}, {"STANDARD_PATH", standardPath}, {"BOARD_CODE", "FBB"},
           {"BOARD_DESC", "board"}, {"UNITS", "mm"}, {"GRAIN_DIRECTION", "Vertical"}, {"PRINT_SIDE", "Outside"},
           {"COMMAND_SCRIPT", ""}, {"selectType", "list"}}) {
    parameters.Set(key, QK_TAny(value));
  }
  parameters.Set("STANDARD_VARIABLES", QK_TAny(QK_TArray()));
}

// A task, prepared with a default setup, whose events go to `sink`; files
// go to `folder`.
class TaskTest : public ::testing::Test {
 protected:
  TaskTest() { Prepare(TW_TTaskSetup()); }
  ~TaskTest() override {
    if (siteInUse_) unsetenv("QK_SERVER");
  }

  // Writes `configuration` into the folder and points QK_SERVER at it until
  // the test ends.
  void UseSite(const std::string& configuration, const std::string& fileName = "site.xml") {
    setenv("QK_SERVER", folder.Write(fileName, configuration).c_str(), 1);
    siteInUse_ = true;
  }

  void Prepare(const TW_TTaskSetup& setup) { task.Prepare(setup, &sink); }

  // Runs a ticket of `action` with `parameters` over `inputs` (paths), its
  // outputs named `outputName` in the folder.
  int Run(const char* action, const std::vector<std::string>& inputs, const char* outputName = "job",
          const QK_TDict& parameters = QK_TDict()) {
    TW_TTaskSetup setup;
    setup.taskId = "run-test";
    setup.outputDir = folder.Url();
    setup.outputName = outputName;
    for (const std::string& input : inputs) setup.inputs.push_back(QK_TURL::FromLocalPath(QK_TString(input)));
    Prepare(setup);
    AT_TTicket ticket(action, parameters);
    return task.Run(ticket);
  }

  TempFolder folder;
  RecordingSink sink;
  TestTask task;

 private:
  bool siteInUse_ = false;
};
