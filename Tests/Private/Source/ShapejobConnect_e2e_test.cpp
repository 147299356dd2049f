// Connecting CAD servers end to end: the drivers against the CAD
// application stand-in, a private ODBC configuration and a real SQLite
// design database.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "AfxDisp.h"
#include "DravoException.h"
#include "OleAuto.h"
#include "ShapejobConnectedSite.h"
#include "TaskError.h"

namespace {

TEST_F(ConnectTest, ConventionalServerGetsADataSourceALoginAndItsDefaults) {
  const int apartments = OLE_ApartmentCount();
  {
    TestTask own;
    own.Prepare(WithTaskId("task-1-2"), &sink);
    own.ConnectServer(Conventional());
    ASSERT_NE(own.Driver(), nullptr);
    EXPECT_EQ(own.DataSource(), QK_TString("task12"));
    auto sources = odbc_.DataSources();
    ASSERT_EQ(sources.count("task12"), 1u) << "named after the task id without its dashes";
    EXPECT_EQ(sources["task12"][0], (std::pair<std::string, std::string>{"Driver", "SQL Server"}));

    EXPECT_EQ(sink.Starting("message 2"), std::vector<std::string>{});
    for (const char* expected : {"message 0 shapejobs.message.dravostarting", "message 0 shapejobs.message.dravostdstarting",
                                 "message 0 shapejobs.info.initconnection task12",
                                 "message 0 shapejobs.info.databaseloginsuccess"}) {
      EXPECT_EQ(sink.Starting(expected).size(), 1u) << expected;
    }
    EXPECT_EQ(sink.Starting("message 0 shapejobs.info.UsingDatabase"),
              std::vector<std::string>{"message 0 shapejobs.info.UsingDatabase localhost " + database_});
    EXPECT_EQ(sink.Starting("message 0 shapejobs.info.UsingDefaults"),
              std::vector<std::string>{"message 0 shapejobs.info.UsingDefaults " + defaults_});

    // The CAD application now works on the data source and the Defaults:
    // a board code of the Defaults' catalogue is known, another is not.
    CAD::DRAVOInterface& cad = *own.Driver();
    cad.OpenDesign(QK_TString(design_));
    cad.SetBoardCode("E-KRAFT");
    EXPECT_THROW(cad.SetBoardCode("NO-SUCH-BOARD"), CAD::InvalidBoardCode);
    cad.InitCompany();
    cad.InitPerson();
    EXPECT_EQ(cad.FindCompany("Harbour Foods", ""), QK_TString("102"));
    EXPECT_EQ(cad.FindCompany("Harbour Foods", "Bristol"), QK_TString("102"));
    EXPECT_EQ(cad.FindCompany("Harbour Foods", "Leeds"), QK_TString());
    EXPECT_EQ(cad.FindPerson("Ada", "Fold"), QK_TString("201"));
    EXPECT_EQ(cad.FindPerson("Ada", "Crease"), QK_TString());
    cad.OpenDesignRecord();
    EXPECT_EQ(cad.SetDesignCustomer(102, -1), 0);
    EXPECT_EQ(cad.SetDesignDesigner(201, -1), 0);
    const std::string saved = odbc_.Folder().File("with-people.kpx");
    EXPECT_EQ(cad.SaveDesign(QK_TString(saved)), 0);
    cad.ReleaseDesignRecord();
    cad.ReleasePerson();
    cad.ReleaseCompany();
    cad.CloseDesign();
    const std::string written = ReadFile(saved);
    EXPECT_NE(written.find("customerId=\"102\""), std::string::npos) << written.substr(0, 300);
    EXPECT_NE(written.find("designerId=\"201\""), std::string::npos);
  }
  EXPECT_EQ(odbc_.DataSources().count("task12"), 0u) << "removed with the task";
  EXPECT_EQ(OLE_ApartmentCount(), apartments);
  EXPECT_EQ(OLE_TDispatchBase::LiveObjectCount(), 0);
}

TEST_F(ConnectTest, SameServerKeepsItsDriverAnotherReplacesIt) {
  task.ConnectServer(Conventional());
  CAD::DRAVOInterface* first = task.Driver();
  task.ConnectServer(Conventional());
  EXPECT_EQ(task.Driver(), first);
  EXPECT_EQ(sink.Starting("message 0 shapejobs.message.dravostarting").size(), 1u);

  task.ConnectServer(Enterprise());
  EXPECT_EQ(task.Server().name, "Cloud");
  EXPECT_EQ(sink.Starting("message 0 shapejobs.message.dravostarting").size(), 2u);
  EXPECT_TRUE(task.DataSource().Empty()) << "the enterprise server inherits no data source";
  EXPECT_TRUE(odbc_.DataSources().empty()) << "the previous server's data source is gone";
}

TEST_F(ConnectTest, DefaultsThatAreAFileFailAndLeaveNothingBehind) {
  CadServerConfig record = Conventional();
  record.defaults = database_;  // a file
  EXPECT_THROW(task.ConnectServer(record), TaskError);
  EXPECT_EQ(sink.Starting("message 2"),
            std::vector<std::string>{"message 2 shapejobs.error.DefaultsMustBeFolder " + database_});
  EXPECT_EQ(task.Driver(), nullptr);
  EXPECT_TRUE(odbc_.DataSources().empty()) << "the data source of the failed set-up is removed";

  // Not connected: the next input on the same server connects again.
  task.ConnectServer(Conventional());
  EXPECT_NE(task.Driver(), nullptr);
}

TEST_F(ConnectTest, MissingDefaultsAreReportedWithTheUser) {
  CadServerConfig record = Conventional();
  record.defaults = odbc_.Folder().File("no-such-folder");
  EXPECT_THROW(task.ConnectServer(record), TaskError);
  const auto errors = sink.Starting("message 2 shapejobs.error.InvalidDefaults " + record.defaults + " ");
  EXPECT_EQ(errors.size(), 1u);
  EXPECT_EQ(task.Driver(), nullptr);
}

TEST_F(ConnectTest, DatabaseThatCannotBeOpenedFailsTheLoginCheck) {
  CadServerConfig record = Conventional();
  record.database = odbc_.Folder().File("missing-folder/designs.sqlite");
  EXPECT_THROW(task.ConnectServer(record), TaskError);
  EXPECT_EQ(sink.Starting("message 2"),
            std::vector<std::string>{"message 2 shapejobs.error.invalidserverconfiguration"});
  EXPECT_TRUE(odbc_.DataSources().empty());
}

TEST_F(ConnectTest, ServerWithoutDatabaseKindCreatesNoDataSource) {
  CadServerConfig record = Conventional();
  record.dbms = 3;
  EXPECT_THROW(task.ConnectServer(record), TaskError) << "the login without a data source fails";
  EXPECT_EQ(sink.Starting("message 2"),
            std::vector<std::string>{"message 2 shapejobs.error.invalidserverconfiguration"});
  EXPECT_TRUE(odbc_.DataSources().empty());
}

TEST_F(ConnectTest, IncompleteRecordsAreRefusedAndTheOldDriverStays) {
  task.ConnectServer(Conventional());
  CAD::DRAVOInterface* connected = task.Driver();
  EXPECT_THROW(task.ConnectServer(Enterprise("")), TaskError);
  EXPECT_EQ(task.Driver(), connected);
  CadServerConfig oracle = Conventional("Oracle");
  oracle.dbms = 2;
  EXPECT_THROW(task.ConnectServer(oracle), TaskError);
  EXPECT_EQ(sink.Starting("message 2"), (std::vector<std::string>{"message 2 shapejobs.error.MissingPassword",
                                                                  "message 2 shapejobs.error.MissingDriver"}));
}

TEST_F(ConnectTest, EnterpriseLoginRefusedOrAcceptedByTheUsersOfItsLocation) {
  std::ofstream(defaults_ + "/users.xml") << "<Users><User name=\"anna\" password=\"secret\"/></Users>";
  EXPECT_THROW(task.ConnectServer(Enterprise("wrong")), TaskError);
  EXPECT_EQ(task.Driver(), nullptr);
  ASSERT_EQ(sink.Starting("message 2").size(), 1u);
  EXPECT_EQ(sink.Starting("message 2")[0], "message 2 shapejobs.message.dravologinerror Login refused for user anna");

  task.ConnectServer(Enterprise("secret"));
  ASSERT_NE(task.Driver(), nullptr);
  // The refused login stopped at the main control; the accepted one also
  // logged the standards component in.
  EXPECT_EQ(sink.Starting("message 0 shapejobs.message.logindone").size(), 1u);
}

// Refusals of the CAD application, forced through a scenario file.
class RefusedConnectTest : public ConnectTest {
 protected:
  void Force(const std::string& line) {
    setenv("FOLVANECAD_SCENARIO", odbc_.Folder().Write("scenario.txt", line + "\n").c_str(), 1);
  }
  void TearDown() override { unsetenv("FOLVANECAD_SCENARIO"); }
};

TEST_F(RefusedConnectTest, RefusedSwitchOfTheDataSourceIsReportedWithTheApplicationsText) {
  Force("Connect status=2 error=The database is locked");
  EXPECT_THROW(task.ConnectServer(Conventional()), TaskError);
  EXPECT_EQ(sink.Starting("message 2"),
            std::vector<std::string>{"message 2 shapejobs.error.FailedToSetFolvaneCadDataSource task12 "
                                     "The database is locked"});
  EXPECT_EQ(task.Driver(), nullptr);
  EXPECT_TRUE(odbc_.DataSources().empty());
}

TEST_F(RefusedConnectTest, RefusedDefaultsAreReportedWithTheApplicationsText) {
  Force("SetDefaultsLocation status=2 error=No access to sysdflt.adf");
  EXPECT_THROW(task.ConnectServer(Conventional()), TaskError);
  EXPECT_EQ(sink.Starting("message 2"),
            std::vector<std::string>{"message 2 shapejobs.error.FailedToSetDefaultsPath " + defaults_ +
                                     " No access to sysdflt.adf"});
  EXPECT_TRUE(odbc_.DataSources().empty());
}

TEST_P(DriverEndToEndTest, OpensChangesSavesAndDescribesADesign) {
  CAD::DRAVOInterface& cad = Connected();
  cad.OpenDesign(QK_TString(design_));
  EXPECT_EQ(cad.GetVariableValue("L"), QK_TString("60.000000"));
  EXPECT_EQ(cad.GetVariableValue("CUSTOMER$"), QK_TString("Example Foods"));
  EXPECT_EQ(cad.SetNumericVariable("L", 75.5), 0);
  EXPECT_NE(cad.SetNumericVariable("NEWVAR", 1.0), 0) << "an unknown variable is not set";
  EXPECT_EQ(cad.AddNumericVariable("NEWVAR", 1.0), 0);
  EXPECT_EQ(cad.SetStringVariable("ARTICLE$", "Coffee"), 0);
  EXPECT_DOUBLE_EQ(cad.GetNumericVariable("L"), 75.5);
  EXPECT_DOUBLE_EQ(cad.EvaluateNumericExpression("L*2"), 151.0);
  EXPECT_THROW(cad.GetNumericVariable("NOPE"), CAD::DravoError);
  EXPECT_EQ(cad.SetLayer(2, 0), 0);
  EXPECT_EQ(cad.GetPrintItemCount(1), 2);
  EXPECT_EQ(cad.GetPrintItemName(1, 2), QK_TString("Back"));
  EXPECT_EQ(cad.SelectPrintItem(1, 1, 1), 0);
  EXPECT_EQ(cad.GetUnit(), 1);

  const std::string copy = odbc_.Folder().File("copy.kpx");
  EXPECT_EQ(cad.SaveDesign(QK_TString(copy)), 0);
  QK_TString xml;
  cad.GetDocROMDXml(xml);
  EXPECT_TRUE(xml.StartsWith("<DESIGN") || xml.Find("<DESIGN") != QK_TString::npos) << xml.c_str();
  cad.CloseDesign();

  cad.OpenDesign(QK_TString(copy));
  EXPECT_DOUBLE_EQ(cad.GetNumericVariable("L"), 75.5) << "the change was saved";
  EXPECT_EQ(cad.GetVariableValue("ARTICLE$"), QK_TString("Coffee"));
  cad.CloseDesign();
}

TEST_P(DriverEndToEndTest, MissingDesignAnswersTheApplicationsErrorText) {
  CAD::DRAVOInterface& cad = Connected();
  const std::string missing = odbc_.Folder().File("missing.kpx");
  try {
    cad.OpenDesign(QK_TString(missing));
    FAIL() << "opened a missing design";
  } catch (const CAD::DravoError& e) {
    EXPECT_EQ(e.QK_Message(), QK_TString("Open Design failed"));
    EXPECT_NE(e.QK_Data().ToText().Find(QK_TString(missing)), QK_TString::npos) << e.QK_Data().ToText().c_str();
    EXPECT_EQ(e.QK_ExceptionFile(), QK_TString(GetParam() ? "EDRAVOWrapper" : "DRAVOWrapper"));
  }
}

// A design to lay out, from a file and from the project database: its local
// file, industry and facts, read through the standards component and the
// main control of the stand-in.
TEST_P(DriverEndToEndTest, LayoutDesignsAreOpenedFromFilesAndFromTheDatabase) {
  std::filesystem::copy(std::string(SHAPEJOB_SOURCE_DIR) + "/examples/cad/Defaults/projects", defaults_ + "/projects",
                        std::filesystem::copy_options::recursive);
  CAD::DRAVOInterface& cad = Connected();
  std::int16_t industry = 0;
  std::int32_t warning = 0;
  QK_TString local;
  CAD::DesignInfo info;

  cad.OpenLayoutDesign(QK_TString("file:" + design_), industry, local, info, "mm", warning);
  EXPECT_EQ(local, QK_TString(design_));
  EXPECT_EQ(info.designName, QK_TString("tuck-end.kpx"));
  EXPECT_EQ(info.units, QK_TString("millimeters"));
  EXPECT_EQ(industry, info.industryCode);
  EXPECT_GT(info.productBlankArea, 0.0);
  EXPECT_GT(info.manufacturingSizeX, 0.0);
  EXPECT_EQ(warning, 0);

  // The same design read for an inch ticket is switched to inches first:
  // the blank area, in square centimetres, stays what it is.
  const CAD::DesignInfo inches = cad.ReadDesignInfo(QK_TString(design_), "tuck-end.kpx", "Inch");
  EXPECT_EQ(inches.units, QK_TString("inches"));
  EXPECT_NEAR(inches.productBlankArea, info.productBlankArea, info.productBlankArea * 0.001);

  cad.OpenLayoutDesign("@Cartons:2:rsc", industry, local, info, "mm", warning);
  EXPECT_EQ(info.designName, QK_TString("rsc"));
  EXPECT_EQ(industry, 1) << "the project standard is corrugated";
  EXPECT_EQ(std::filesystem::path(local.str()).filename(), "rsc") << "moved under the design's name";
  EXPECT_TRUE(std::filesystem::exists(local.str()));
}

INSTANTIATE_TEST_SUITE_P(BothDrivers, DriverEndToEndTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Enterprise" : "Conventional"; });

}  // namespace
