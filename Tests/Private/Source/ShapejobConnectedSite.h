// A task connected to the CAD stand-in over a private ODBC configuration
// and a real SQLite design database, on either kind of server: the site of
// the in-process end-to-end tests of the drivers and the CAD operations.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "ConnectedTask.h"
#include "OdbcSandbox.h"
#include "ShapejobE2eSite.h"

using e2e::ReadFile;

// The sandbox comes first and goes last: a task still connected at the end
// of a test removes its data source from the sandbox as it goes.
struct SandboxFirst {
  OdbcSandbox odbc_;
};

class ConnectTest : protected SandboxFirst, public TaskTest {
 protected:
  ConnectTest() {
    database_ = odbc_.CreateDatabase("designs.sqlite", ReadFile(std::string(SHAPEJOB_SOURCE_DIR) +
                                                                "/examples/cad/database.sql"));
    defaults_ = odbc_.Folder().File("Defaults");
    std::filesystem::create_directories(defaults_);
    std::filesystem::copy_file(std::string(SHAPEJOB_SOURCE_DIR) + "/examples/cad/Defaults/boards.xml",
                               defaults_ + "/boards.xml");
    design_ = std::string(SHAPEJOB_SOURCE_DIR) + "/examples/cad/designs/tuck-end.kpx";
    Prepare(WithTaskId("task-1-2"));
  }

  static TW_TTaskSetup WithTaskId(const char* id) {
    TW_TTaskSetup setup;
    setup.taskId = id;
    return setup;
  }

  CadServerConfig Conventional(const char* name = "Local") const {
    CadServerConfig record = ConventionalServer(name, "localhost", database_);
    record.defaults = defaults_;
    return record;
  }

  CadServerConfig Enterprise(const char* password = "secret") const {
    return EnterpriseServer("Cloud", defaults_, "anna", password);
  }

  std::string database_;
  std::string defaults_;
  std::string design_;
};

// Both drivers drive the stand-in through the same operations.
class DriverEndToEndTest : public ConnectTest, public ::testing::WithParamInterface<bool> {
 protected:
  CAD::DRAVOInterface& Connected() {
    task.ConnectServer(GetParam() ? Enterprise() : Conventional());
    return *task.Driver();
  }
};
