// Failures of the CAD application's standards component, forced through a
// scenario file of the stand-in, as the program reports them: a ticket run
// end to end (program, site configuration, enterprise server).
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "TempFolder.h"

namespace {

struct TicketRun {
  int status = -1;
  std::vector<std::string> lines;

  bool Has(const std::string& line) const { return std::find(lines.begin(), lines.end(), line) != lines.end(); }
  std::vector<std::string> Starting(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const std::string& line : lines) {
      if (line.compare(0, prefix.size(), prefix) == 0) found.push_back(line);
    }
    return found;
  }
};

class StandardsScenarioTest : public ::testing::Test {
 protected:
  StandardsScenarioTest() {
    location_ = folder_.File("server");
    folder_.Write("server/users.xml", "<Users><User name=\"designer\" password=\"secret\"/></Users>");
    site_ = folder_.Write(
        "site.xml",
        "<Configuration><Tree key='Resources'><Tree key='CAD'><Tree key='Servers'><Tree key='Cloud'>"
        "<Value key='Type'>Enterprise</Value></Tree></Tree></Tree><Tree key='DatabasesExternal'/>"
        "<Tree key='Internet'><Tree key='Servers'><Tree key='Cloud'><Value key='URL'>" + location_ +
        "</Value><Value key='UserName'>designer</Value>"
        // "secret", scrambled the way the site stores passwords
        "<Value key='Password'>0FC94337C354</Value></Tree></Tree></Tree></Tree></Configuration>");
    folder_.Write("job.xml", "<job><board>FBB-350</board></job>");
    ticket_ = folder_.Write(
        "ticket.xml",
        "<Ticket action='runstandard' id='e2e-standards-1' outputName='carton'><Input>job.xml</Input>"
        "<Param key='SERVER'>Cloud</Param><Param key='STYLE_CATALOG'>nonStyleCatalog</Param>"
        "<Param key='STANDARD_PATH'>standards/tuck-end.ard</Param><Param key='BOARD_CODE'>xpath:/job/board</Param>"
        "<Param key='BOARD_DESC'></Param><Param key='UNITS'>mm</Param><Param key='GRAIN_DIRECTION'>Vertical</Param>"
        "<Param key='PRINT_SIDE'>Outside</Param><Param key='COMMAND_SCRIPT'></Param>"
        "<Param key='selectType'>list</Param><Param key='STANDARD_VARIABLES'><Array/></Param></Ticket>");
  }

  // The ticket through the program, with `scenario` as the stand-in's
  // scenario file when it is not empty.
  TicketRun RunTicket(const std::string& scenario) {
    std::string environment = "QK_SERVER='" + site_ + "'";
    if (!scenario.empty()) environment += " FOLVANECAD_SCENARIO='" + folder_.Write("scenario.txt", scenario) + "'";
    std::string command = environment + " " + SHAPEJOB_BINARY + " --ticket '" + ticket_ + "' 2>/dev/null";
    TicketRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    std::array<char, 4096> buffer{};
    std::string text;
    while (fgets(buffer.data(), buffer.size(), pipe) != nullptr) text += buffer.data();
    int raw = pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) run.lines.push_back(line);
    return run;
  }

  TempFolder folder_;
  std::string location_;
  std::string site_;
  std::string ticket_;
};

TEST_F(StandardsScenarioTest, WithoutAScenarioBothLoginsSucceed) {
  TicketRun run = RunTicket("");
  EXPECT_TRUE(run.Has("message 0 shapejobs.message.logindone"));
  EXPECT_EQ(run.Starting("message 2 shapejobs.message.dravologinerror"), std::vector<std::string>{});
}

TEST_F(StandardsScenarioTest, RefusedStandardsLoginFailsTheTicket) {
  TicketRun run = RunTicket("Standard.Login status=1 error=No standards seat is free\n");
  EXPECT_TRUE(run.Has("message 0 shapejobs.message.dravostdstarting"));
  EXPECT_TRUE(run.Has("message 0 shapejobs.message.logindone")) << "reported before the status is looked at";
  // The refusal is reported with the main control's error text (the
  // driver reads GetErrorString after either login), which is empty after
  // its own login succeeded; the standards component's text is not read.
  EXPECT_EQ(run.Starting("message 2 shapejobs.message.dravologinerror"),
            std::vector<std::string>{"message 2 shapejobs.message.dravologinerror \"\""});
  EXPECT_TRUE(run.Has("stage shapejobs.stage.ticketfail"));
  ASSERT_FALSE(run.lines.empty());
  EXPECT_EQ(run.lines.back(), "result 2");
  EXPECT_EQ(run.status, 2);
}

}  // namespace
