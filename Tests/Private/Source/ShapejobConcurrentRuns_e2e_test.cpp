// Runs at once, and runs stopped at the worst moment, against one site's
// odbc.ini that holds sections of the site's own: the program, run as the
// workflow server runs it, never loses the site's sections, never takes a
// running run's data source, and the next run clears what a killed run
// left (its data source and its temporary folder).
//
// Rounds are few by default; SHAPEJOB_SOAK_ROUNDS sets more.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "ShapejobStartedRuns.h"

namespace {

using namespace e2e;

using ConcurrentRunsTest = RunsSite;

int Rounds(int fallback) {
  const char* rounds = std::getenv("SHAPEJOB_SOAK_ROUNDS");
  return rounds != nullptr && std::atoi(rounds) > 0 ? std::atoi(rounds) : fallback;
}

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
// it began to create, or to remove, its data source; then the administrator
// adds a data source, and the next run keeps it.
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
          AddSiteDataSource("Added");
          auto next = Start("split", "next-run", "n" + tag);
          EXPECT_EQ(next->Finish().status, 0) << Printed(next->Finish());
          odbc_ini::Text now = odbc_ini::Parse(site_ini::Read());
          EXPECT_NE(now.Find("Added"), nullptr) << "what the administrator added later stays";
          now.Remove("Added");
          site_ini::Write(now.Joined());
          EXPECT_TRUE(SiteWhole()) << moment << " +" << delay << "us, " << (doubleTerm ? "TERM TERM" : "KILL");
          EXPECT_TRUE(TempBaseEmpty()) << "the killed run's temporary folder is gone";
        }
      }
    }
  }
}


// A site of hundreds of data sources: each change reads and writes the file
// once, so four runs at once each get the lock in time.
TEST_F(ConcurrentRunsTest, ASiteOfManyDataSourcesTakesRunsAtOnce) {
  std::string many = site_ini::kSections;
  for (int i = 0; i < 600; ++i) {
    many += "[site" + std::to_string(i) + "]\nDriver=SQL Server\nSERVER=host" + std::to_string(i) + "\n\n";
  }
  site_ini::Write(many);
  std::vector<std::unique_ptr<StartedRun>> runs;
  for (const char* kind : {"split", "info", "card", "standard"}) {
    runs.push_back(Start(kind, std::string("many-") + kind, std::string("many-") + kind));
  }
  for (auto& run : runs) EXPECT_LE(run->Finish().status, 1) << Printed(run->Finish());
  EXPECT_EQ(site_ini::Read(), many);
}


// Runs of other accounts against one site's odbc.ini: the workflow
// server's account, and root trying a ticket by hand. No run shuts out
// another, the file stays what it is, and a file the account may not write
// is left as it was.
TEST_F(ConcurrentRunsTest, RunsOfOtherAccountsNeverShutEachOtherOut) {
  if (geteuid() != 0) GTEST_SKIP() << "running the program as another account needs root";
  // Everything the runs read and write, open to the account.
  ASSERT_EQ(chmod(TemporaryBase().c_str(), 0711), 0);
  for (const auto& entry : fs::recursive_directory_iterator(folder_.path())) {
    fs::permissions(entry.path(), fs::perms::all, fs::perm_options::add);
  }
  fs::permissions(folder_.path(), fs::perms::all, fs::perm_options::add);
  const std::string ini = site_ini::Path();
  const std::string configuration = fs::path(ini).parent_path();
  fs::permissions(configuration, fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
  site_ini::Write(site_ini::kSections);

  // odbc.ini the account's, in a folder of root's that it may not write.
  Own(configuration, 0, 0755);
  Own(ini, kNobody, 0644);
  auto standard = Start("standard", "account-1", "acc1", kAsNobody);
  EXPECT_LE(standard->Finish().status, 1) << Printed(standard->Finish());
  auto layout = Launch(LayoutTicket("account-2", "acc2", 2), "acc2", kAsNobody);
  EXPECT_EQ(layout->Finish().status, 0) << Printed(layout->Finish());
  EXPECT_TRUE(SiteWhole());

  // Root runs a ticket by hand, then the account runs two.
  Own(configuration, kNobody, 0755);
  for (const auto& launcher : {std::vector<std::string>{}, kAsNobody, kAsNobody}) {
    const std::string output = "by" + std::to_string(launcher.size()) + std::to_string(StatOf(ini).st_size);
    auto run = Start("split", "account-3", output, launcher);
    EXPECT_EQ(run->Finish().status, 0) << Printed(run->Finish());
  }
  EXPECT_EQ(StatOf(ini).st_uid, kNobody) << "odbc.ini is still the account's";
  EXPECT_TRUE(SiteWhole());

  // Root's odbc.ini, read-only to the account, in the account's folder.
  Own(ini, 0, 0644);
  const struct stat before = StatOf(ini);
  auto refused = Start("split", "account-4", "acc4", kAsNobody);
  const ProgramRun& done = refused->Finish();
  EXPECT_TRUE(e2e::Failed(done)) << Printed(done);
  EXPECT_NE(Printed(done).find("Permission denied"), std::string::npos) << Printed(done);
  const struct stat after = StatOf(ini);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(after.st_uid, 0u);
  EXPECT_EQ(after.st_mode, before.st_mode);
  EXPECT_TRUE(SiteWhole());
  for (const auto& entry : fs::directory_iterator(configuration)) {
    EXPECT_EQ(entry.path().filename().string().rfind("odbc.ini.", 0), std::string::npos) << entry.path();
  }
  Own(configuration, 0, 0700);
}

// A run in a PID namespace of its own (a container sharing the site's ODBC
// and temporary folders) cannot tell whether a run of this namespace still
// runs: it leaves that run's data source and temporary folder alone.
TEST_F(ConcurrentRunsTest, ARunInAnotherPidNamespaceNeverTakesALiveRunsWork) {
  const std::vector<std::string> ownNamespace = {"unshare", "--pid", "--fork", "--mount-proc"};
  if (std::system("unshare --pid --fork --mount-proc true >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "no PID namespace can be made here";
  }
  site_ini::Write(site_ini::kSections);
  // The layout waits, its data source made, at its first call of the CAD
  // application, until the other run has ended.
  const CutAt firstCall{folder_.File("wide.journal"), 1, "all", "hold"};
  auto layout = Launch(LayoutTicket("wide-layout", "wide", 40), "wide", {}, &firstCall);
  ASSERT_TRUE(WaitUntilHeld()) << Printed(layout->Finish());
  auto other = Start("standard", "other-namespace", "ns", ownNamespace);
  EXPECT_LE(other->Finish().status, 1) << Printed(other->Finish());
  EXPECT_NE(odbc_ini::Parse(site_ini::Read()).Find("widelayout"), nullptr) << "the live run's data source stays";
  Release();
  const ProgramRun& done = layout->Finish();
  EXPECT_EQ(done.status, 0) << Printed(done);
  EXPECT_EQ(LayoutFiles("wide"), 40);
  EXPECT_TRUE(SiteWhole());
  EXPECT_TRUE(TempBaseEmpty());
}

}  // namespace
