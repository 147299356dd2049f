// The program as a person runs it: the command line, the event lines on
// standard output and the exit status.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ConnectedTask.h"
#include "OdbcSandbox.h"
#include "ProgramRun.h"
#include "TempFolder.h"

namespace {

std::string Example(const std::string& relative) { return std::string(SHAPEJOB_SOURCE_DIR) + "/examples/" + relative; }

TEST(ProgramTest, RunsTheExampleTicketAgainstTheExampleSite) {
  ProgramRun outcome = RunProgram("--ticket " + Example("tickets/run-standard.xml"),
                               "QK_SERVER=" + Example("site/configuration.xml"));
  EXPECT_EQ(outcome.status, 0);
  EXPECT_EQ(outcome.lines, (std::vector<std::string>{
                               "message 0 shapejobs.stage.initializing",
                               "progress 10",
                               "stage shapejobs.stage.runstandard",
                               "message 0 shapejobs.message.ticketdone",
                               "stage shapejobs.stage.ticketsuccess",
                               "progress 100",
                               "result 0",
                           }));
}

TEST(ProgramTest, FailedTicketEndsWithStatusTwo) {
  TempFolder folder;
  std::string ticket = folder.Write("t.xml",
                                    "<Ticket action='runstandard' id='t1'><Input>box.kpx</Input>"
                                    "<Param key='SERVER'>Nowhere</Param></Ticket>");
  ProgramRun outcome = RunProgram("--ticket " + ticket, "QK_SERVER=" + Example("site/configuration.xml"));
  EXPECT_EQ(outcome.status, 2);
  ASSERT_FALSE(outcome.lines.empty());
  EXPECT_EQ(outcome.lines.back(), "result 2");
  bool reported = false;
  for (const std::string& line : outcome.lines) {
    reported = reported || line == "message 2 shapejobs.error.cadservernotfound \"Nowhere\"";
  }
  EXPECT_TRUE(reported);
}

TEST(ProgramTest, UnreadableTicketIsStatusThree) {
  TempFolder folder;
  EXPECT_EQ(RunProgram("--ticket " + folder.File("missing.xml")).status, 3);
  std::string broken = folder.Write("broken.xml", "<Ticket action='x'>");
  EXPECT_EQ(RunProgram("--ticket " + broken).status, 3);
  EXPECT_EQ(RunProgram("--bogus").status, 3);
}

TEST(ProgramTest, HelpExplainsTicketsAndRequests) {
  ProgramRun outcome = RunProgram("--help");
  EXPECT_EQ(outcome.status, 0);
  std::string text;
  for (const std::string& line : outcome.lines) text += line + "\n";
  for (const char* word : {"--ticket", "--request", "QK_SERVER", "result N", "progress N"}) {
    EXPECT_NE(text.find(word), std::string::npos) << word;
  }
}

// The connection test, answered by the program: the design database of
// the example site is a SQLite file behind the "SQL Server" driver name.
class TestConnectionTest : public ::testing::Test {
 protected:
  std::string Request(const std::string& serverTree, const std::string& systemTree = "") {
    return odbc_.Folder().Write("request-" + std::to_string(++count_) + ".xml",
                                "<Request><Param key='M'>TestConnection</Param><Param key='P1'>check</Param>"
                                "<Tree key='P2'>" + serverTree + "</Tree><Tree key='P3'>" + systemTree +
                                    "</Tree></Request>");
  }
  std::string Conventional(const std::string& database) {
    return "<Value key='Type'>Conventional</Value><Value key='dbms'>MSSQLServer</Value>"
           "<Value key='host'>localhost</Value><Value key='port'>1433</Value><Value key='database'>" +
           database + "</Value>";
  }

  OdbcSandbox odbc_;
  int count_ = 0;
};

std::string NameIn(const std::vector<std::string>& lines, const std::string& prefix) {
  for (const std::string& line : lines) {
    if (line.compare(0, prefix.size(), prefix) == 0) return line.substr(prefix.size());
  }
  return "";
}

TEST_F(TestConnectionTest, GoodDatabaseAnswersTrueWithTheLabelledSteps) {
  const std::string database = odbc_.CreateDatabase("designs.sqlite", "CREATE TABLE companies (id INTEGER)");
  ProgramRun outcome = RunProgram("--request " + Request(Conventional(database)));
  EXPECT_EQ(outcome.status, 0);
  const std::string name = NameIn(outcome.lines, "[check] - Created temporary ODBC Data Source  ");
  ASSERT_EQ(name.size(), 32u);
  EXPECT_EQ(name.find_first_not_of("0123456789abcdef"), std::string::npos);
  EXPECT_EQ(outcome.lines, (std::vector<std::string>{
                               "[check] - Host localhost",
                               "[check] - Database " + database,
                               "[check] - Port 1433",
                               "[check] - Creating temporary ODBC Data Source ",
                               "[check] - Created temporary ODBC Data Source  " + name,
                               "[check] - Login Success ",
                               "[check] - Removing temporary ODBC Data Source " + name,
                               "[check] - Removed temporary ODBC Data Source " + name,
                               "reply true",
                           }));
  EXPECT_TRUE(odbc_.DataSources().empty());

  ProgramRun again = RunProgram("--request " + Request(Conventional(database)));
  EXPECT_NE(NameIn(again.lines, "[check] - Created temporary ODBC Data Source  "), name) << "a new name each time";
}

TEST_F(TestConnectionTest, BadDatabaseAnswersFalseAndLeavesNoDataSource) {
  ProgramRun outcome = RunProgram("--request " + Request(Conventional(odbc_.Folder().File("missing/designs.sqlite"))));
  EXPECT_EQ(outcome.status, 0);
  ASSERT_FALSE(outcome.lines.empty());
  EXPECT_EQ(outcome.lines.back(), "reply false");
  EXPECT_NE(std::find(outcome.lines.begin(), outcome.lines.end(), "[check] - Login Failed "), outcome.lines.end());
  EXPECT_TRUE(odbc_.DataSources().empty());
}

TEST_F(TestConnectionTest, EnterpriseServerAnswersFalseWithoutLogin) {
  ProgramRun outcome = RunProgram(
      "--request " + Request("<Value key='Type'>Enterprise</Value><Value key='dbms'>MSSQLServer</Value>"
                             "<Value key='host'>h</Value><Value key='database'>d</Value>"));
  EXPECT_EQ(outcome.lines.back(), "reply false");
  for (const std::string& line : outcome.lines) EXPECT_EQ(line.find("Login"), std::string::npos) << line;
  EXPECT_TRUE(odbc_.DataSources().empty()) << "its data source is removed too";
}

TEST_F(TestConnectionTest, SystemConfigurationProvidesTheDatabaseAndOtherRequestsAreIgnored) {
  ProgramRun outcome = RunProgram("--request " + Request("<Value key='Type'>Conventional</Value>",
                                                      "<Value key='SystemConfig'>1</Value><Value key='host'>sys-host"
                                                      "</Value><Value key='port'>99</Value>"));
  EXPECT_EQ(outcome.lines, (std::vector<std::string>{"[check] - Host sys-host", "[check] - Database ",
                                                     "[check] - Port 99", "[check] - Login Failed ",
                                                     "reply false"}))
      << "no database kind: no data source, a login with an empty name";

  std::string other = odbc_.Folder().Write("other.xml", "<Request><Param key='M'>Other</Param></Request>");
  EXPECT_EQ(RunProgram("--request " + other).lines, std::vector<std::string>{"reply none"});
}

// A whole ticket with an input, through the program: the server is
// connected (CAD application stand-in, design database behind a temporary
// data source), the ticket is read into its record, and the operation's
// failure is reported by the worker.
TEST(ProgramTest, RunStandardTicketGoesFromConnectionToTheWorker) {
  OdbcSandbox odbc;
  const TempFolder& folder = odbc.Folder();
  const std::string database = odbc.CreateDatabase("designs.sqlite", "CREATE TABLE companies (id INTEGER)");
  std::filesystem::create_directories(folder.File("Defaults"));
  const std::string site = folder.Write(
      "site.xml", SiteConfiguration(ConventionalEntry("Local", "localhost", database, "",
                                                      "<Value key='Defaults'>" + folder.File("Defaults") +
                                                          "</Value><Value key='dbms'>MSSQLServer</Value>")));
  folder.Write("job.xml", "<job><board>FBB-350</board></job>");
  const std::string ticket = folder.Write(
      "ticket.xml",
      "<Ticket action='runstandard' id='e2e-run-1' outputName='carton'><Input>job.xml</Input>"
      "<Param key='SERVER'>Local</Param><Param key='STYLE_CATALOG'>nonStyleCatalog</Param>"
      "<Param key='STANDARD_PATH'>standards/tuck-end.ard</Param><Param key='BOARD_CODE'>xpath:/job/board</Param>"
      "<Param key='BOARD_DESC'></Param><Param key='UNITS'>mm</Param><Param key='GRAIN_DIRECTION'>Vertical</Param>"
      "<Param key='PRINT_SIDE'>Outside</Param><Param key='COMMAND_SCRIPT'></Param>"
      "<Param key='selectType'>list</Param><Param key='STANDARD_VARIABLES'><Array/></Param></Ticket>");

  ProgramRun outcome = RunProgram("--ticket " + ticket, "QK_SERVER=" + site);
  EXPECT_EQ(outcome.status, 2);
  auto has = [&](const std::string& line) {
    return std::find(outcome.lines.begin(), outcome.lines.end(), line) != outcome.lines.end();
  };
  EXPECT_TRUE(has("message 0 shapejobs.message.dravostarting"));
  EXPECT_TRUE(has("message 0 shapejobs.info.databaseloginsuccess"));
  EXPECT_TRUE(has("message 0 shapejobs.info.UsingDefaults \"" + folder.File("Defaults") + "\""));
  EXPECT_TRUE(has("message 0 shapejobs.boardcode.value \"FBB-350\""));
  EXPECT_TRUE(has("message 0 shapejobs.message.generatingdesignfromstandard \"Local\""));
  EXPECT_TRUE(has("progress 82"));
  // The standard the ticket names does not exist: the operation fails at
  // opening it, and the worker reports that.
  EXPECT_TRUE(has("message 2 shapejobs.message.standardnotfound \"standards/tuck-end.ard\""));
  EXPECT_TRUE(has("stage shapejobs.stage.ticketfail"));
  EXPECT_EQ(outcome.lines.back(), "result 2");
  EXPECT_TRUE(odbc.DataSources().empty()) << "the task's data source is gone when it ends";
}

}  // namespace
