// Runs stopped at a chosen write of odbc.ini, or held alive at a chosen
// step, while the site's administrator, another account or a container
// goes on: the next run undoes exactly what the stopped run did, nothing
// that came later, and counts a run as running exactly while it runs.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "PausedChild.h"
#include "SQLUtilitiesChange.h"
#include "ShapejobStartedRuns.h"

namespace {

using namespace e2e;

const std::string kReport = "[sitereport]\nDriver=SQLite3\nDatabase=/srv/report.db\n\n";

class StoppedWritesTest : public RunsSite {
 protected:
  StoppedWritesTest() : ini_(site_ini::Path()) {}
  ~StoppedWritesTest() override { fs::remove(folder_.File("second-name.ini")); }

  // A second name makes every writer rewrite odbc.ini in place.
  void InPlace() const { ASSERT_EQ(link(ini_.c_str(), folder_.File("second-name.ini").c_str()), 0); }

  std::unique_ptr<StartedRun> Stopped(const std::string& id, const CutAt& cut,
                                      const std::vector<std::string>& launcher = {}) {
    auto run = Start("split", id, id, launcher, &cut);
    run->Finish();
    return run;
  }

  ::testing::AssertionResult Succeeds(const std::string& id, const std::vector<std::string>& launcher = {}) {
    auto run = Start("split", id, id, launcher);
    const ProgramRun& done = run->Finish();
    if (done.status == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << Printed(done);
  }

  odbc_ini::Text Now() const { return odbc_ini::Parse(site_ini::Read()); }

  // The journals kept beside odbc.ini as not used.
  std::vector<std::string> NotUsed() const {
    std::vector<std::string> kept;
    for (const auto& entry : fs::directory_iterator(fs::path(ini_).parent_path())) {
      if (entry.path().extension() == ".not-used") kept.push_back(entry.path());
    }
    return kept;
  }

  const std::string ini_;
};

// Killed between its write and the removal of its journal; the
// administrator then removes a data source: it stays removed.
TEST_F(StoppedWritesTest, WhatTheAdministratorRemovedAfterAKillStaysRemoved) {
  site_ini::Write(site_ini::kSections + kReport);
  Stopped("killed-run", CutAt{ini_, 1, "all", "kill"});
  ASSERT_NE(Now().Find("killedrun"), nullptr) << "killed after its data source was written";
  RemoveSiteDataSource("sitereport");
  EXPECT_TRUE(Succeeds("next-run"));
  EXPECT_EQ(site_ini::Read(), site_ini::kSections);
  EXPECT_EQ(NotUsed().size(), 1u) << "the journal is kept for the administrator";
}

// Killed inside its in-place create, after "[task]" and its driver; a data
// source added by hand after it: the retry of the task runs, and the
// added data source stays. Then the same, killed again inside the mending
// write itself: the run after it loses nothing either.
TEST_F(StoppedWritesTest, AHalfWrittenSectionGoesAndAKillInsideTheMendingLosesNothing) {
  const std::string site = site_ini::kSections + kReport;
  site_ini::Write(site);
  InPlace();
  const std::string opening = "[halfway]\nDriver=SQL Server\n";
  Stopped("halfway", CutAt{ini_, 1, std::to_string(opening.size()), "kill"});
  ASSERT_EQ(site_ini::Read(), site + opening);
  AddSiteDataSource("Added");
  EXPECT_TRUE(Succeeds("halfway")) << "the retry of the task is not refused";
  EXPECT_EQ(Now().Find("halfway"), nullptr);
  EXPECT_NE(Now().Find("Added"), nullptr);
  EXPECT_EQ(site_ini::Read().rfind(site, 0), 0u);

  site_ini::Write(site);
  Stopped("halfway", CutAt{ini_, 1, std::to_string(opening.size()), "kill"});
  AddSiteDataSource("Added");
  // The mending write is cut at its first step: the file then lacks what
  // was added after the first stop.
  Stopped("mender", CutAt{ini_, 1, "all", "kill"});
  EXPECT_TRUE(Succeeds("after-both"));
  EXPECT_NE(Now().Find("Added"), nullptr) << site_ini::Read();
  EXPECT_EQ(Now().Find("halfway"), nullptr);
  EXPECT_EQ(site_ini::Read().rfind(site, 0), 0u);
}

class AccountsTest : public StoppedWritesTest {
 protected:
  // odbc.ini the account's, in a folder of root's that it may not write:
  // root's journals stand beside it, the account's in the temporary folder.
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "running the program as another account needs root";
    ASSERT_EQ(chmod(TemporaryBase().c_str(), 0711), 0);
    for (const auto& entry : fs::recursive_directory_iterator(folder_.path())) {
      fs::permissions(entry.path(), fs::perms::all, fs::perm_options::add);
    }
    fs::permissions(folder_.path(), fs::perms::all, fs::perm_options::add);
    Own(fs::path(ini_).parent_path(), 0, 0755);
  }
  void TearDown() override { Own(fs::path(ini_).parent_path(), 0, 0700); }
};

// Root's run is killed inside an in-place write that takes a leftover out
// of the middle of the file. The account's next run finishes that write
// from root's journal, which it may read but not remove, and marks it as
// used; when the administrator has removed a data source meanwhile, root's
// next run does not use the journal again. Files that another account put
// where the account's journals go stop nothing.
TEST_F(AccountsTest, AJournalAnotherAccountMayNotRemoveIsUsedOnceAndPlantedNamesStopNothing) {
  PausedChild ended;
  const std::string leftover = "[ended]\nDriver=SQL Server\nDESCRIPTION=New Temporary DSN for Shapejob (run " +
                               ended.Id().Text() + ")\n\n";
  ended.Reap();
  site_ini::Write(site_ini::kSections + leftover + kReport);
  Own(ini_, kNobody, 0644);
  const std::string key = SQLUtilities::TextKey(ini_);
  fs::create_directory(TempBase() + "/shapejob-odbc-" + key + "-65534.journal");
  std::ofstream(TempBase() + "/shapejob-odbc-" + key + "-65534-Ab12Cd.journal") << "[Planted]\n\n";
  ASSERT_EQ(chown((TempBase() + "/shapejob-odbc-" + key + "-65534-Ab12Cd.journal").c_str(), 4242, 4242), 0);

  // Cut after the truncation and twenty bytes of what follows it.
  Stopped("root-run", CutAt{ini_, 2, "20", "kill"});
  ASSERT_EQ(site_ini::Read(), site_ini::kSections + kReport.substr(0, 21)) << "cut inside the section after it";
  EXPECT_TRUE(Succeeds("account-run", kAsNobody));
  EXPECT_EQ(site_ini::Read(), site_ini::kSections + kReport);
  RemoveSiteDataSource("sitereport");
  EXPECT_TRUE(Succeeds("root-again"));
  EXPECT_EQ(site_ini::Read(), site_ini::kSections);
  EXPECT_EQ(StatOf(ini_).st_uid, kNobody);
  for (const auto& entry : fs::directory_iterator(fs::path(ini_).parent_path())) {
    EXPECT_EQ(entry.path().filename().string().find("shapejob"), std::string::npos) << entry.path();
  }
}

// Root's run waits, its data source made, while a run of the account
// under a /proc that hides other accounts' processes (hidepid=2) runs:
// root's run is still running, and its data source stays.
TEST_F(AccountsTest, AProcessThatProcHidesStillRuns) {
  const std::string hidden = "mount -t proc -o hidepid=2 proc /proc && exec setpriv --reuid=65534 --regid=65534 "
                             "--clear-groups \"$@\"";
  const std::vector<std::string> launcher = {"unshare", "-m", "sh", "-c", hidden, "sh"};
  if (std::system("unshare -m sh -c 'mount -t proc -o hidepid=2 proc /proc' >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "no /proc of its own can be mounted here";
  }
  site_ini::Write(site_ini::kSections);
  Own(ini_, kNobody, 0644);
  const CutAt firstCall{folder_.File("root-live.journal"), 1, "all", "hold"};
  auto live = Start("split", "root-live", "root-live", {}, &firstCall);
  ASSERT_TRUE(WaitUntilHeld()) << Printed(live->Finish());
  ASSERT_NE(Now().Find("rootlive"), nullptr);
  EXPECT_TRUE(Succeeds("hidden-view", launcher));
  EXPECT_NE(Now().Find("rootlive"), nullptr) << "the live run's data source stays";
  Release();
  EXPECT_EQ(live->Finish().status, 0) << Printed(live->Finish());
  EXPECT_EQ(site_ini::Read(), site_ini::kSections);
}

// A run killed together with its container (a PID namespace of its own):
// the next run of the task, on the host, runs, and clears what it left.
TEST_F(StoppedWritesTest, ARunKilledWithItsContainerHasEnded) {
  if (std::system("unshare --pid --fork --mount-proc true >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "no PID namespace can be made here";
  }
  site_ini::Write(site_ini::kSections);
  const CutAt firstCall{folder_.File("boxed.journal"), 1, "all", "hold"};
  auto boxed = Start("split", "boxed", "boxed", {"unshare", "--pid", "--fork", "--mount-proc"}, &firstCall);
  ASSERT_TRUE(WaitUntilHeld()) << Printed(boxed->Finish());
  ASSERT_NE(Now().Find("boxed"), nullptr);
  // The container's first process is the run; unshare waits for it.
  std::string children;
  std::ifstream(fs::path("/proc") / std::to_string(boxed->Pid()) / "task" / std::to_string(boxed->Pid()) /
                "children") >>
      children;
  ASSERT_FALSE(children.empty());
  kill(std::stoi(children), SIGKILL);
  boxed->Finish();

  auto retry = Start("split", "boxed", "retry");
  const ProgramRun& done = retry->Finish();
  EXPECT_EQ(done.status, 0) << Printed(done);
  EXPECT_TRUE(InOrder(done, {"log \"Removed temporary ODBC Data Source boxed left behind by a run that ended\\n\""}));
  EXPECT_EQ(site_ini::Read(), site_ini::kSections);
  EXPECT_TRUE(TempBaseEmpty()) << "the killed run's temporary folder is gone";
}

}  // namespace
