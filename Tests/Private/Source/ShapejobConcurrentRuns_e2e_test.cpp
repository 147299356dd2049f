// Runs at once, and runs stopped at the worst moment, against one site's
// odbc.ini that holds sections of the site's own: the program, run as the
// workflow server runs it, never loses the site's sections, never takes a
// running run's data source, and the next run clears what a killed run
// left (its data source and its temporary folder).
//
// Rounds are few by default; SHAPEJOB_SOAK_ROUNDS sets more.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "ShapejobE2eSite.h"
#include "ShapejobSiteOdbcIni.h"

namespace {

namespace fs = std::filesystem;

int Rounds(int fallback) {
  const char* rounds = std::getenv("SHAPEJOB_SOAK_ROUNDS");
  return rounds != nullptr && std::atoi(rounds) > 0 ? std::atoi(rounds) : fallback;
}

// The program started in a process of its own, its standard output read
// line by line while it runs.
class StartedRun {
 public:
  StartedRun(const std::string& ticket, const std::vector<std::string>& environment) {
    int out[2];
    if (pipe(out) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      for (const std::string& assignment : environment) putenv(const_cast<char*>(assignment.c_str()));
      dup2(out[1], STDOUT_FILENO);
      const int null = open("/dev/null", O_WRONLY);
      dup2(null, STDERR_FILENO);
      close(out[0]);
      execl(SHAPEJOB_BINARY, SHAPEJOB_BINARY, "--ticket", ticket.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    close(out[1]);
    out_ = out[0];
  }
  ~StartedRun() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      Finish();
    }
  }

  // Reads until a line that starts with `prefix` has come; false when the
  // output ended first.
  bool WaitFor(const std::string& prefix) {
    for (;;) {
      for (; seen_ < run_.lines.size(); ++seen_) {
        if (run_.lines[seen_].rfind(prefix, 0) == 0) {
          ++seen_;
          return true;
        }
      }
      if (!ReadMore()) return false;
    }
  }
  void Signal(int signal) const { kill(pid_, signal); }

  // Reads to the end and waits for the process; its status is -1 when a
  // signal ended it.
  const ProgramRun& Finish() {
    while (ReadMore()) {
    }
    if (pid_ > 0) {
      int raw = 0;
      waitpid(pid_, &raw, 0);
      run_.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
      pid_ = 0;
      close(out_);
    }
    return run_;
  }

 private:
  bool ReadMore() {
    if (pid_ <= 0) return false;
    char buffer[4096];
    const ssize_t got = read(out_, buffer, sizeof buffer);
    if (got <= 0) return false;
    partial_.append(buffer, static_cast<std::size_t>(got));
    for (std::size_t end; (end = partial_.find('\n')) != std::string::npos;) {
      run_.lines.push_back(partial_.substr(0, end));
      partial_.erase(0, end + 1);
    }
    return true;
  }

  pid_t pid_ = -1;
  int out_ = -1;
  std::string partial_;
  ProgramRun run_;
  std::size_t seen_ = 0;
};

class ConcurrentRunsTest : public e2e::Site {
 protected:
  ConcurrentRunsTest() {
    AddStandardsAndOrder();
    folder_.Write("card.xml", "<Design Name='tuck-end.kpx' Path='" + folder_.File("designs") +
                                  "'><Output Name='card' SampleType='1' Copies='1'/></Design>");
    fs::create_directories(TempBase());
  }

  // A ticket of `kind` ("split", "info", "card", "standard") with task id
  // `id`, its output in a folder of its own.
  std::string Ticket(const std::string& kind, const std::string& id, const std::string& output) {
    const auto start = [&](const char* action, const char* outputName) {
      return TicketXml(action, id).Attribute("outputDir", output).Attribute("outputName", outputName);
    };
    const auto ticketOf = [&]() {
      if (kind == "split") {
        return start("splitdesign", "OUT")
            .Input("job.xml")
            .Param("SELECT_DESIGN", "path")
            .Param("STANDARD_PATH", Design("gift-box.kpx"))
            .Param("COMMAND_SCRIPT", "")
            .Param("PRINT_ITEM", "front");
      }
      if (kind == "info") return start("exportdesigninfo", "info").Input(Design("tuck-end.kpx"));
      if (kind == "card") return start("createshopcard", "card.pdf").Input("card.xml");
      return start("runstandard", "carton")
          .Input("job.xml")
          .Param("STYLE_CATALOG", "nonStyleCatalog")
          .Param("STANDARD_PATH", folder_.File("standards/tuck-end.kpx"))
          .Param("BOARD_CODE", "xpath:/job/board/@code")
          .Param("BOARD_DESC", "xpath:/job/board")
          .Param("UNITS", "mm")
          .Param("GRAIN_DIRECTION", "Vertical")
          .Param("PRINT_SIDE", "Outside")
          .Param("COMMAND_SCRIPT", "")
          .Param("selectType", "list")
          .List("STANDARD_VARIABLES", {{{"KEY", "L"}, {"VALUE", "60"}}});
    };
    TicketXml ticket = ticketOf();
    ticket.Param("SERVER", "Local");
    return folder_.Write("ticket-" + output + ".xml", ticket.Xml());
  }

  std::unique_ptr<StartedRun> Start(const std::string& kind, const std::string& id, const std::string& output) {
    return std::make_unique<StartedRun>(
        Ticket(kind, id, output),
        std::vector<std::string>{"QK_SERVER=" + site_, "FOLVANECAD_JOURNAL=" + folder_.File(output + ".journal"),
                                 "ODBCSYSINI=" + std::string(std::getenv("ODBCSYSINI")), "TMPDIR=" + TempBase()});
  }

  std::string TempBase() const { return folder_.File("tmp"); }
  bool TempBaseEmpty() const { return fs::is_empty(TempBase()); }

  // The site's sections are as they were and no data source of a run is left.
  ::testing::AssertionResult SiteWhole() const {
    const std::string now = site_ini::Read();
    if (now == site_ini::kSections) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "odbc.ini holds:\n" << now;
  }
};

const char kExistsAlready[] = "a data source named ";

TEST_F(ConcurrentRunsTest, TicketsAtOnceLeaveTheSiteWholeAndNeverShareADataSource) {
  site_ini::Write(site_ini::kSections);
  for (int round = 0; round < Rounds(2); ++round) {
    const std::string r = std::to_string(round);
    {
      auto first = Start("split", "two-a", "a" + r);
      auto second = Start("split", "two-b", "b" + r);
      EXPECT_EQ(first->Finish().status, 0) << Printed(first->Finish());
      EXPECT_EQ(second->Finish().status, 0) << Printed(second->Finish());
      EXPECT_TRUE(SiteWhole()) << "two tickets, round " << round;
    }
    {
      // The same task twice: one run may find the other's data source;
      // then it fails at once and says why, and the other is not disturbed.
      auto first = Start("split", "same-id", "c" + r);
      auto second = Start("split", "same-id", "d" + r);
      int succeeded = 0;
      for (StartedRun* run : {first.get(), second.get()}) {
        const ProgramRun& done = run->Finish();
        if (done.status == 0) {
          ++succeeded;
          continue;
        }
        EXPECT_EQ(done.status, 2) << Printed(done);
        bool said = false;
        for (const std::string& line : done.lines) said = said || line.find(kExistsAlready) != std::string::npos;
        EXPECT_TRUE(said) << Printed(done);
      }
      EXPECT_GE(succeeded, 1);
      EXPECT_TRUE(SiteWhole()) << "the same ticket twice, round " << round;
    }
    {
      std::vector<std::unique_ptr<StartedRun>> runs;
      for (const char* kind : {"split", "info", "card", "standard"}) {
        runs.push_back(Start(kind, std::string("four-") + kind, std::string(kind) + r));
      }
      for (auto& run : runs) EXPECT_LE(run->Finish().status, 1) << Printed(run->Finish());
      EXPECT_TRUE(SiteWhole()) << "four kinds, round " << round;
    }
  }
  EXPECT_TRUE(TempBaseEmpty());
}

// A run killed (SIGKILL) or stopped twice (SIGTERM, SIGTERM) a moment after
// it began to create, or to remove, its data source.
TEST_F(ConcurrentRunsTest, AStopAtTheWorstMomentIsMendedByTheNextRun) {
  site_ini::Write(site_ini::kSections);
  const std::vector<std::string> moments = {"log \"Creating temporary ODBC Data Source",
                                            "log \"Removing temporary ODBC Data Source"};
  const std::vector<int> delaysMicroseconds = {0, 50, 100, 200, 1000};
  int attempt = 0;
  for (int round = 0; round < Rounds(1); ++round) {
    for (const std::string& moment : moments) {
      for (int delay : delaysMicroseconds) {
        for (bool doubleTerm : {false, true}) {
          const std::string tag = std::to_string(attempt++);
          {
            auto run = Start("split", "stopped", "s" + tag);
            ASSERT_TRUE(run->WaitFor(moment)) << Printed(run->Finish());
            std::this_thread::sleep_for(std::chrono::microseconds(delay));
            if (doubleTerm) {
              run->Signal(SIGTERM);
              run->Signal(SIGTERM);
            } else {
              run->Signal(SIGKILL);
            }
            run->Finish();
          }
          if (doubleTerm) {
            // Held until the change was done: the file is whole at once.
            const std::string now = site_ini::Read();
            EXPECT_EQ(now.find(site_ini::kSections), 0u) << moment << " +" << delay << "us: " << now;
          }
          auto next = Start("split", "next-run", "n" + tag);
          EXPECT_EQ(next->Finish().status, 0) << Printed(next->Finish());
          EXPECT_TRUE(SiteWhole()) << moment << " +" << delay << "us, " << (doubleTerm ? "TERM TERM" : "KILL");
          EXPECT_TRUE(TempBaseEmpty()) << "the killed run's temporary folder is gone";
        }
      }
    }
  }
}

}  // namespace
