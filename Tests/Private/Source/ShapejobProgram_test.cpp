// The program as a person runs it: the command line, the event lines on
// standard output and the exit status.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "TempFolder.h"

namespace {

struct Outcome {
  int status = -1;
  std::vector<std::string> lines;
};

Outcome RunProgram(const std::string& arguments, const std::string& environment = "") {
  std::string command = environment + " " + SHAPEJOB_BINARY + " " + arguments + " 2>/dev/null";
  Outcome outcome;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return outcome;
  std::array<char, 4096> buffer{};
  std::string text;
  while (fgets(buffer.data(), buffer.size(), pipe) != nullptr) text += buffer.data();
  int raw = pclose(pipe);
  outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) outcome.lines.push_back(line);
  return outcome;
}

std::string Example(const std::string& relative) { return std::string(SHAPEJOB_SOURCE_DIR) + "/examples/" + relative; }

TEST(ProgramTest, RunsTheExampleTicketAgainstTheExampleSite) {
  Outcome outcome = RunProgram("--ticket " + Example("tickets/run-standard.xml"),
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
  Outcome outcome = RunProgram("--ticket " + ticket, "QK_SERVER=" + Example("site/configuration.xml"));
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
  Outcome outcome = RunProgram("--help");
  EXPECT_EQ(outcome.status, 0);
  std::string text;
  for (const std::string& line : outcome.lines) text += line + "\n";
  EXPECT_NE(text.find("--ticket"), std::string::npos);
  EXPECT_NE(text.find("--request"), std::string::npos);
  EXPECT_NE(text.find("QK_SERVER"), std::string::npos);
}

}  // namespace
