// Hand-made tickets, requests and site files against the program: task ids
// that cannot name a data source, a data source left by a killed run, a
// misshapen server entry, and connection tests that try to forge output
// lines or log in to a database that is not there.
// The site's own sections of odbc.ini stay byte for byte as they were.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "ShapejobE2eSite.h"
#include "ShapejobSiteOdbcIni.h"

namespace {

namespace fs = std::filesystem;
using e2e::ReadFile;
using site_ini::kSections;

// What the program wrote on standard error, and its exit status.
struct ErrorOutput {
  int status = -1;
  std::string text;
};

ErrorOutput RunForErrors(const std::string& arguments, const std::string& environment = "") {
  const std::string command = environment + " " + SHAPEJOB_BINARY + " " + arguments + " 2>&1 >/dev/null";
  ErrorOutput run;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[4096];
  for (std::size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.text.append(buffer, got);
  const int raw = pclose(pipe);
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return run;
}

class HostileSiteTest : public e2e::Site {
 protected:
  HostileSiteTest() {
    AddStandardsAndOrder();
    site_ini::Write(kSections);
  }

  // A run-standard ticket of the example standard on `server`.
  std::string Ticket(const std::string& id, const std::string& server = "Local",
                     const std::string& commandScript = "") const {
    return TicketXml("runstandard", id)
        .Attribute("outputDir", "out")
        .Attribute("outputName", "carton")
        .Input("job.xml")
        .Param("SERVER", server)
        .Param("STYLE_CATALOG", "nonStyleCatalog")
        .Param("STANDARD_PATH", folder_.File("standards/tuck-end.kpx"))
        .Param("BOARD_CODE", "FBB-350")
        .Param("BOARD_DESC", "board")
        .Param("UNITS", "mm")
        .Param("GRAIN_DIRECTION", "Vertical")
        .Param("PRINT_SIDE", "Outside")
        .Param("COMMAND_SCRIPT", commandScript)
        .Param("selectType", "list")
        .List("STANDARD_VARIABLES", {{{"KEY", "L"}, {"VALUE", "400"}}, {{"KEY", "W"}, {"VALUE", "300"}}})
        .Xml();
  }

  // The log lines of `run` that hold `text`.
  static std::vector<std::string> Logged(const ProgramRun& run, const std::string& text) {
    std::vector<std::string> found;
    for (const std::string& line : run.Starting("log ")) {
      if (line.find(text) != std::string::npos) found.push_back(line);
    }
    return found;
  }
};

TEST_F(HostileSiteTest, TaskIdsThatCannotNameADataSourceAreRefusedWhenTheTicketIsRead) {
  const std::map<std::string, std::string> refused = {
      {std::string(33, 'a'), "must be a UUID or 1 to 32 letters, digits and \"-\""},
      {"a[b]", "must be a UUID"},
      {"a=b", "must be a UUID"},
      {"trailing ", "must be a UUID"},
      {"ODBC Data Sources", "must be a UUID"},
      {"ODBC", "is a name that the ODBC configuration keeps for itself"},
      {"default", "is a name that the ODBC configuration keeps for itself"},
      {"0c7d2a51-1e4b-4c3a-9a7e-5f0b2c8d9e1Z", "must be a UUID"},
  };
  for (const auto& [id, reason] : refused) {
    const std::string ticket = folder_.Write("ticket.xml", Ticket(id));
    ErrorOutput run = RunForErrors("--ticket '" + ticket + "'", "QK_SERVER='" + site_ + "'");
    EXPECT_EQ(run.status, 3) << id;
    EXPECT_NE(run.text.find("the task id"), std::string::npos) << run.text;
    EXPECT_NE(run.text.find(reason), std::string::npos) << id << ": " << run.text;
    EXPECT_EQ(site_ini::Read(), kSections) << id;
  }
  // A UUID (the host's own kind of id) and a plain name of 32 are taken.
  for (const std::string& id : {std::string("0c7d2a51-1e4b-4c3a-9a7e-5f0b2c8d9e1f"), std::string(32, 'b')}) {
    ProgramRun run = RunTicket(Ticket(id));
    EXPECT_EQ(run.status, 0) << id << "\n" << Printed(run);
    EXPECT_EQ(site_ini::Read(), kSections) << id;
  }
}

TEST_F(HostileSiteTest, ALeftoverOfAKilledRunIsRemovedAndTheSameTicketRuns) {
  // The standard's post script is a pipe that nobody writes: the run waits
  // there, its data source made, until it is killed.
  const std::string script = folder_.File("post.txt");
  ASSERT_EQ(mkfifo(script.c_str(), 0600), 0);
  const std::string ticket = folder_.Write("ticket.xml", Ticket("retry-1", "Local", script));
  setenv("QK_SERVER", site_.c_str(), 1);
  const pid_t child = fork();
  if (child == 0) {
    const int nowhere = open("/dev/null", O_WRONLY);
    dup2(nowhere, 1);
    dup2(nowhere, 2);
    execl(SHAPEJOB_BINARY, SHAPEJOB_BINARY, "--ticket", ticket.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  unsetenv("QK_SERVER");
  ASSERT_GT(child, 0);
  // The run has reached the script once the pipe has a reader: its data
  // source is complete by then. The deadline only ends a run that never
  // gets there.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
  int writer = -1;
  while ((writer = open(script.c_str(), O_WRONLY | O_NONBLOCK)) < 0 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  kill(child, SIGKILL);
  if (writer >= 0) close(writer);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_EQ(odbc_.DataSources().count("retry1"), 1u) << "the killed run left its data source";

  fs::remove(script);
  ProgramRun retry = RunTicket(Ticket("retry-1"));
  EXPECT_EQ(retry.status, 0) << Printed(retry);
  EXPECT_EQ(Logged(retry, "Removed temporary ODBC Data Source retry1 left behind by a run that ended").size(),
            1u);
  EXPECT_EQ(retry.Starting("output OK ").size(), 1u);
  EXPECT_EQ(site_ini::Read(), kSections)
      << "the leftover and the retry's data source are gone, the rest stays";
}

TEST_F(HostileSiteTest, AMisshapenServerEntryFailsOnlyTheTicketThatNamesIt) {
  const std::string site = ReadFile(site_);
  const std::string servers = "<Tree key='Servers'>";
  ASSERT_NE(site.find(servers), std::string::npos);
  std::string broken = site;
  broken.insert(site.find(servers) + servers.size(), "<Value key='Broken'>Conventional</Value>");
  folder_.Write("site.xml", broken);

  ProgramRun good = RunTicket(Ticket("shape-1", "Local"));
  EXPECT_EQ(good.status, 0) << Printed(good);
  EXPECT_EQ(Logged(good, "/Resources/CAD/Servers/Broken is not a tree").size(), 1u);
  ProgramRun named = RunTicket(Ticket("shape-2", "Broken"));
  EXPECT_TRUE(e2e::Failed(named));
  EXPECT_TRUE(named.Has("message 2 shapejobs.error.cadservernotfound \"Broken\""));
  EXPECT_EQ(site_ini::Read(), kSections);
}

// Connection tests, answered by the program.
class HostileRequestTest : public HostileSiteTest {
 protected:
  std::string Request(const std::string& label, const std::string& host, const std::string& database) {
    return folder_.Write("request.xml", "<Request><Param key='M'>TestConnection</Param><Param key='P1'>" +
                                            label +
                                            "</Param><Tree key='P2'><Value key='Type'>Conventional</Value>"
                                            "<Value key='dbms'>MSSQLServer</Value><Value key='host'>" +
                                            host + "</Value><Value key='database'>" + database +
                                            "</Value></Tree>"
                                            "<Tree key='P3'/></Request>");
  }
};

TEST_F(HostileRequestTest, ADatabaseThatIsNotThereIsAFailedLoginAndNoFileAppears) {
  const std::string missing = folder_.File("no-such-designs.sqlite");
  ProgramRun run = RunProgram("--request '" + Request("check", "localhost", missing) + "'");
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(run.Has("[check] - Login Failed "));
  ASSERT_FALSE(run.lines.empty());
  EXPECT_EQ(run.lines.back(), "reply false");
  EXPECT_FALSE(fs::exists(missing)) << "the login made the database it was to find";
  EXPECT_EQ(site_ini::Read(), kSections);
}

TEST_F(HostileRequestTest, LineBreaksInLabelHostOrDatabaseCannotForgeALine) {
  ProgramRun run = RunProgram(
      "--request '" +
      Request("check&#10;reply true", "localhost&#13;&#10;reply true", "designs&#10;reply true&#9;") + "'");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.Starting("reply "), std::vector<std::string>{"reply false"})
      << "the one reply, the program's";
  ASSERT_FALSE(run.lines.empty());
  EXPECT_EQ(run.lines.back(), "reply false");
  for (std::size_t i = 0; i + 1 < run.lines.size(); ++i) {
    EXPECT_EQ(run.lines[i].rfind("[check\\nreply true] - ", 0), 0u) << run.lines[i];
  }
  EXPECT_TRUE(run.Has("[check\\nreply true] - Host localhost\\r\\nreply true"));
  EXPECT_TRUE(run.Has("[check\\nreply true] - Database designs\\nreply true\\t"));
  EXPECT_EQ(site_ini::Read(), kSections);
}

TEST_F(HostileRequestTest, ARequestWithoutEitherTreeSaysWhichIsMissing) {
  const std::map<std::string, std::string> requests = {
      {"<Tree key='P3'/>", "TestConnection request without P2 (the server's configuration tree)"},
      {"<Tree key='P2'/>", "TestConnection request without P3 (the system's configuration tree)"},
      {"<Param key='P2'>text</Param><Tree key='P3'/>", "TestConnection request with no tree as P2"},
  };
  for (const auto& [trees, message] : requests) {
    const std::string request = folder_.Write(
        "request.xml",
        "<Request><Param key='M'>TestConnection</Param><Param key='P1'>check</Param>" + trees + "</Request>");
    ErrorOutput run = RunForErrors("--request '" + request + "'");
    EXPECT_EQ(run.status, 2) << trees;
    EXPECT_NE(run.text.find(message), std::string::npos) << run.text;
    EXPECT_TRUE(RunProgram("--request '" + request + "'").Starting("reply ").empty())
        << "no answer is made up";
  }
  EXPECT_EQ(site_ini::Read(), kSections);
}

}  // namespace
