// Test helper for end-to-end tickets: a site of its own (a conventional CAD
// server "Local" with the example design database behind a temporary data
// source, an enterprise server "Cloud", the example Defaults folder and
// designs), a ticket (TicketXml.h) written and run through the program with
// the stand-in's scenario and journal files, and what to check of its run.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ConnectedTask.h"
#include "OdbcSandbox.h"
#include "ProgramRun.h"
#include "TempFolder.h"
#include "TicketXml.h"

namespace e2e {

inline std::string Example(const std::string& relative) {
  return std::string(SHAPEJOB_SOURCE_DIR) + "/examples/" + relative;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The lines of a text file, without their line ends.
inline std::vector<std::string> ReadLines(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// `run` has every line of `expected`, in that order (other lines between).
inline ::testing::AssertionResult InOrder(const ProgramRun& run, const std::vector<std::string>& expected) {
  std::size_t next = 0;
  for (const std::string& line : run.lines) {
    if (next < expected.size() && line == expected[next]) ++next;
  }
  if (next == expected.size()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "missing (in order): " << expected[next] << "\nprinted:\n"
                                       << Printed(run);
}

// The run failed: result 2, exit status 2 and no output registered.
inline ::testing::AssertionResult Failed(const ProgramRun& run) {
  if (run.status == 2 && !run.lines.empty() && run.lines.back() == "result 2" &&
      run.Starting("output ").empty()) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "exit status " << run.status << ", printed:\n" << Printed(run);
}

// Every line of `run` is an event: it begins with an event's word, the one
// "result" line is the last, and the exit status is its number. A forged
// line of the same words is for the caller to look for.
inline ::testing::AssertionResult OnlyRealEvents(const ProgramRun& run) {
  static const char* const kEvents[] = {"message ", "stage ", "progress ", "log ", "output ", "result "};
  std::string problem;
  for (const std::string& line : run.lines) {
    bool known = false;
    for (const char* event : kEvents) known = known || line.rfind(event, 0) == 0;
    if (!known) problem = "no event: " + line;
  }
  const std::vector<std::string> results = run.Starting("result ");
  if (results.size() != 1 || run.lines.back() != results.front()) problem = "not one result line, the last";
  if (results.size() == 1 && results.front() != "result " + std::to_string(run.status)) {
    problem = "exit status " + std::to_string(run.status) + " after " + results.front();
  }
  if (problem.empty()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << problem << "\nprinted:\n" << Printed(run);
}

class Site : public ::testing::Test {
 protected:
  Site() : folder_(odbc_.Folder()) {
    std::filesystem::copy(Example("cad/Defaults"), folder_.File("Defaults"),
                          std::filesystem::copy_options::recursive);
    std::filesystem::copy(Example("cad/designs"), folder_.File("designs"),
                          std::filesystem::copy_options::recursive);
    const std::string database =
        odbc_.CreateDatabase("designs.sqlite", ReadFile(Example("cad/database.sql")));
    folder_.Write("Defaults/users.xml", "<Users><User name=\"designer\" password=\"secret\"/></Users>");
    site_ = folder_.Write(
        "site.xml",
        "<Configuration><Tree key='Resources'><Tree key='CAD'><Tree key='Servers'>" +
            ConventionalEntry("Local", "localhost", database, "",
                              "<Value key='Defaults'>" + folder_.File("Defaults") +
                                  "</Value><Value key='dbms'>MSSQLServer</Value>") +
            "<Tree key='Cloud'><Value key='Type'>Enterprise</Value></Tree></Tree></Tree>"
            "<Tree key='DatabasesExternal'/><Tree key='Internet'><Tree key='Servers'><Tree key='Cloud'>"
            "<Value key='URL'>" +
            folder_.File("Defaults") +
            "</Value><Value key='UserName'>designer</Value>"
            // "secret", scrambled the way the site stores passwords
            "<Value key='Password'>0FC94337C354</Value></Tree></Tree></Tree></Tree></Configuration>");
  }

  // Writes `ticket` and runs it with `scenario` as the stand-in's scenario
  // file; the stand-in keeps its journal in Journal().
  ProgramRun RunTicket(const std::string& ticket, const std::string& scenario = "") {
    std::filesystem::remove(Journal());
    std::string environment = "QK_SERVER='" + site_ + "' FOLVANECAD_JOURNAL='" + Journal() + "'";
    if (!scenario.empty())
      environment += " FOLVANECAD_SCENARIO='" + folder_.Write("scenario.txt", scenario) + "'";
    return RunProgram("--ticket '" + folder_.Write("ticket.xml", ticket) + "'", environment);
  }

  // The example standards under "standards" and the example order as
  // "job.xml", for the tickets that run a standard.
  void AddStandardsAndOrder() const {
    std::filesystem::copy(Example("cad/standards"), folder_.File("standards"),
                          std::filesystem::copy_options::recursive);
    folder_.Write("job.xml", ReadFile(Example("tickets/job.xml")));
  }

  std::string Design(const std::string& name) const { return folder_.File("designs/" + name); }
  std::string Journal() const { return folder_.File("journal.txt"); }
  std::vector<std::string> JournalLines(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const std::string& line : ReadLines(Journal())) {
      if (line.rfind(prefix, 0) == 0) found.push_back(line);
    }
    return found;
  }

  OdbcSandbox odbc_;
  const TempFolder& folder_;
  std::string site_;
};

}  // namespace e2e
