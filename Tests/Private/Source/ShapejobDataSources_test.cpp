// Temporary data sources against a site's odbc.ini that holds sections of
// its own: names and values that odbc.ini cannot keep, sections that are
// somebody else's or a running run's, leftovers of runs that died, and a
// file that a writer left half-written. Whatever is refused, the site's
// sections stay byte for byte as they were.
#include <fcntl.h>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "OdbcIniText.h"
#include "OdbcSandbox.h"
#include "PausedChild.h"
#include "QK_EException.h"
#include "QK_TProcess.h"
#include "SQLUtilities.h"
#include "SQLUtilitiesChange.h"
#include "ShapejobServerConfig.h"
#include "ShapejobSiteOdbcIni.h"
#include "TW_TCancel.h"
#include "TW_TTaskIO.h"
#include "TempFolder.h"
#include "TemporaryFolder.h"
#include "cfs_tproxy.h"

namespace {

using CAD::Dbms::kSqlServer;
using Entries = OdbcSandbox::Entries;
using site_ini::kSections;

// A section with the fixed description but no owner mark: nobody can tell
// whose it is, so it is never touched.
const char kUnmarked[] =
    "[plain1]\n"
    "Driver=SQL Server\n"
    "DESCRIPTION=New Temporary DSN for Shapejob\n"
    "SERVER=old-host\n"
    "\n";

CadServerConfig Record(const std::string& host, const std::string& database) {
  CadServerConfig record;
  record.name = "Local";
  record.dbms = kSqlServer;
  record.host = host;
  record.database = database;
  return record;
}

class DataSourcesTest : public ::testing::Test {
 protected:
  DataSourcesTest() { site_ini::Write(kSections); }

  // The creation's refusal message; "" when it created the data source.
  static std::string Refusal(const CadServerConfig& record, const std::string& name,
                             const SQLUtilities::Report& report = {}) {
    QK_TString created;
    try {
      SQLUtilities::CreateTemporaryDataSource(record, created, QK_TString(name), false, report);
    } catch (const QK_EException& e) {
      EXPECT_TRUE(created.Empty()) << name;
      return e.QK_Message().str() + " | " + e.QK_Data().ToText().str();
    }
    return "";
  }

  OdbcSandbox odbc_;
};

TEST_F(DataSourcesTest, NamesThatOdbcIniCannotKeepAsADataSourceAreRefused) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {std::string(33, 'a'), "holds more characters (33) than an ODBC data-source name can carry (32)"},
      {"a[b", "holds a character that an ODBC data-source name cannot carry"},
      {"a]b", "holds a character that an ODBC data-source name cannot carry"},
      {"a=b", "holds a character that an ODBC data-source name cannot carry"},
      {"a\tb", "holds a character that an ODBC data-source name cannot carry"},
      {"trailing ", "begins or ends with a blank"},
      {"", "the data-source name is empty"},
      {"ODBC", "a section that configures ODBC itself"},
      {"default", "a section that configures ODBC itself"},
      {"odbc data sources", "a section that configures ODBC itself"},
  };
  for (const auto& [name, reason] : cases) {
    const std::string refusal = Refusal(Record("h", "d"), name);
    EXPECT_EQ(refusal.rfind("Failed to create temporary ODBC Data Source: the data-source name ", 0), 0u)
        << refusal;
    EXPECT_NE(refusal.find(reason), std::string::npos) << name << ": " << refusal;
  }
  EXPECT_EQ(site_ini::Read(), kSections);
}

TEST_F(DataSourcesTest, ValuesOverTwoHundredFiftyFiveCharactersCannotBeCarried) {
  const std::string overlong(256, 'x');
  const std::string host = Refusal(Record(overlong, "d"), "task1");
  EXPECT_NE(host.find("the host holds more characters (256) than an ODBC attribute can carry (255)"),
            std::string::npos)
      << host;
  const std::string database = Refusal(Record("h", overlong), "task1");
  EXPECT_NE(database.find("the database holds more characters (256)"), std::string::npos) << database;
  CadServerConfig oracle = Record("h", "d");
  oracle.dbms = CAD::Dbms::kOracle;
  oracle.driverName = overlong;
  EXPECT_NE(Refusal(oracle, "task1").find("the driver name holds more characters"), std::string::npos);
  EXPECT_EQ(site_ini::Read(), kSections);

  const std::string longest(255, 'y');
  EXPECT_EQ(Refusal(Record(longest, longest), "task1"), "");
  EXPECT_EQ(odbc_.DataSources()["task1"][2], (std::pair<std::string, std::string>{"SERVER", longest}));
  EXPECT_EQ(odbc_.DataSources()["task1"][3], (std::pair<std::string, std::string>{"DATABASE", longest}));
}

TEST_F(DataSourcesTest, ASectionOfTheNameIsNeverMergedIntoWhateverKeysItHas) {
  for (const char* name : {"Production", "production", "Empty", "NoDriver"}) {
    const std::string refusal = Refusal(Record("task-host", "task-db"), name);
    EXPECT_NE(refusal.find("exists already"), std::string::npos) << name << ": " << refusal;
  }
  EXPECT_EQ(site_ini::Read(), kSections);
  // A section of the site after a stopped create of that name, or one
  // added by hand after the run's own: each stays the site's.
  const std::string twin = "[TASK9]\nDriver=SQLite3\nDatabase=/srv/site.db\n\n";
  site_ini::Write(kSections + std::string("[task9]\nDriver=SQL Server\n\n") + twin);
  EXPECT_NE(Refusal(Record("h", "d"), "task9").find("exists already"), std::string::npos);
  site_ini::Write(kSections);
  QK_TString created;
  SQLUtilities::CreateTemporaryDataSource(Record("h", "d"), created, "task9", false);
  site_ini::Write(site_ini::Read() + twin);
  SQLUtilities::RemoveTemporaryDataSource(Record("h", "d"), created, false);
  EXPECT_EQ(site_ini::Read(), kSections + twin);
}

// The section a run left whose process is `run`.
std::string RunSection(const std::string& name, const QK_TProcessId& run) {
  return "[" + name + "]\nDriver=SQL Server\nDESCRIPTION=New Temporary DSN for Shapejob (run " + run.Text() +
         ")\nSERVER=old-host\n\n";
}

TEST_F(DataSourcesTest, ACreationRemovesOnlyTheDataSourcesOfEndedRunsOfThisNamespace) {
  PausedChild live;
  PausedChild ended;
  const QK_TProcessId endedRun = QK_TProcessId::Of(ended.Pid());
  ended.Reap();
  // The same ended run, but as another PID namespace or another machine
  // would have written it, or a former version without saying where: none
  // can be checked. A run of an earlier boot of this machine has ended.
  QK_TProcessId elsewhere = endedRun;
  elsewhere.pidNamespace += 1;
  QK_TProcessId otherMachine = endedRun;
  otherMachine.boot = std::string(32, 'f');
  otherMachine.machine = std::string(32, 'e');
  QK_TProcessId earlierBoot = endedRun;
  earlierBoot.boot = std::string(32, 'f');
  const std::string unplaced = "[unplaced]\nDriver=SQL Server\nDESCRIPTION=New Temporary DSN for Shapejob (run " +
                               std::to_string(endedRun.pid) + "." + std::to_string(endedRun.startTime) + ")\n\n";
  const std::string kept = std::string(kSections) + kUnmarked + RunSection("liverun", QK_TProcessId::Of(live.Pid())) +
                           RunSection("elsewhere", elsewhere) + RunSection("othermachine", otherMachine) + unplaced +
                           "[EndedRun]\nDriver=SQLite3\nDatabase=/srv/site.db\n\n";  // the site's, of a leftover's name
  site_ini::Write(kept + RunSection("earlierboot", earlierBoot) + RunSection("endedrun", endedRun));

  std::vector<std::string> reported;
  QK_TString created;
  SQLUtilities::CreateTemporaryDataSource(Record("h", "d"), created, "task7", false,
                                          [&reported](const QK_TString& line) { reported.push_back(line.str()); });
  EXPECT_EQ(created, "task7");
  EXPECT_EQ(reported, (std::vector<std::string>{
                          "Removed temporary ODBC Data Source earlierboot left behind by a run that ended",
                          "Removed temporary ODBC Data Source endedrun left behind by a run that ended"}));
  SQLUtilities::RemoveTemporaryDataSource(Record("h", "d"), "task7", false);
  EXPECT_EQ(site_ini::Read(), kept);
}

TEST_F(DataSourcesTest, ARunningRunOfTheSameTaskIsRefusedAndOneOfAnotherTaskMakesASuffix) {
  PausedChild live;
  const std::string section = "[ordera]\nDriver=SQL Server\nDESCRIPTION=New Temporary DSN for Shapejob (run " +
                              QK_TProcessId::Of(live.Pid()).Text() + " task " + SQLUtilities::TextKey("order-a") + ")\n\n";
  site_ini::Write(std::string(kSections) + section);

  QK_TString created;
  try {
    SQLUtilities::CreateTemporaryDataSource(Record("h", "d"), created, "ORDERA", false, {}, "order-a");
    ADD_FAILURE() << "a second run of the same task took a name";
  } catch (const QK_EException& e) {
    EXPECT_EQ(e.QK_Data().ToText().str(),
              "a data source named ORDERA exists already: a run of that task is still going");
  }
  std::vector<std::string> reported;
  SQLUtilities::CreateTemporaryDataSource(Record("h", "d"), created, "ordera", false,
                                          [&reported](const QK_TString& line) { reported.push_back(line.str()); },
                                          "ordera");
  EXPECT_EQ(created, "ordera_2");
  EXPECT_EQ(reported, (std::vector<std::string>{
                          "A running run of another task has the ODBC Data Source ordera: this run uses ordera_2"}));
  EXPECT_EQ(odbc_.DataSources()["ordera_2"][2], (std::pair<std::string, std::string>{"SERVER", "h"}));

  // A removal that failed leaves this run's own data source: the next
  // server of the same task takes it over.
  SQLUtilities::CreateTemporaryDataSource(Record("h2", "d"), created, "ordera", false, {}, "ordera");
  EXPECT_EQ(created, "ordera_2");
  EXPECT_EQ(odbc_.DataSources()["ordera_2"][2], (std::pair<std::string, std::string>{"SERVER", "h2"}));
  SQLUtilities::RemoveTemporaryDataSource(Record("h", "d"), created, false);
  EXPECT_EQ(site_ini::Read(), std::string(kSections) + section);

  // A run that cannot be checked (another machine, or this one before a
  // reboot when it has no machine id) is not known to run: the same task
  // takes a suffixed name and is not refused.
  const std::string unknown = "[orderb]\nDESCRIPTION=New Temporary DSN for Shapejob (run 7.8." + std::string(32, 'f') +
                              ".1.0 task " + SQLUtilities::TextKey("order-b") + ")\n\n";
  site_ini::Write(std::string(kSections) + unknown);
  SQLUtilities::CreateTemporaryDataSource(Record("h", "d"), created, "orderb", false, {}, "order-b");
  EXPECT_EQ(created, "orderb_2");
  SQLUtilities::RemoveTemporaryDataSource(Record("h", "d"), created, false);
  EXPECT_EQ(site_ini::Read(), std::string(kSections) + unknown);
}

// A task that connects a second server re-creates its data source under
// the same name: a login right after, in the same process, reaches the
// second server's database, not the first's that the driver manager read
// a moment before.
TEST_F(DataSourcesTest, ALoginRightAfterAChangeSeesTheDataSourceAsItNowIs) {
  const std::string first = odbc_.CreateDatabase("first.db", "CREATE TABLE first_table (x)");
  const std::string second = odbc_.CreateDatabase("second.db", "CREATE TABLE second_table (x)");
  const std::string query = "SELECT name FROM sqlite_master";
  QK_TString created;
  SQLUtilities::CreateTemporaryDataSource(Record("localhost", first), created, "task11", false);
  EXPECT_EQ(odbc_.FirstValue("task11", query), "first_table");
  SQLUtilities::RemoveTemporaryDataSource(Record("localhost", first), created, false);
  SQLUtilities::CreateTemporaryDataSource(Record("localhost", second), created, "task11", false);
  EXPECT_EQ(odbc_.FirstValue("task11", query), "second_table");
  SQLUtilities::RemoveTemporaryDataSource(Record("localhost", second), created, false);
}

// A journal of a create of `section`, cut or not, written beside `ini`
// as a run of this account names it, naming the file `file` (`ini` when
// empty) and its inode; returns its path.
std::string PutCreateJournal(const std::string& section, const std::string& file,
                             const std::string& ini = site_ini::Path()) {
  struct stat info {};
  stat(ini.c_str(), &info);
  SQLUtilities::OdbcIniJournal journal;
  journal.file = file.empty() ? ini : file;
  journal.inode = std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino);
  journal.change = SQLUtilities::OdbcIniJournal::Change::kCreate;
  journal.section = "task9";
  journal.edit = odbc_ini::Appending(kSections, section);
  const std::string copy = ini + ".shapejob-journal-" + std::to_string(geteuid()) + "-Ab12Cd";
  std::ofstream(copy, std::ios::binary) << journal.Serialized();
  return copy;
}

// What the change said, one line each.
std::vector<std::string> Said(const std::string& ini) {
  std::vector<std::string> reported;
  SQLUtilities::OdbcIniChange change(ini, [&reported](const QK_TString& line) { reported.push_back(line.str()); });
  return reported;
}

// The journal of a change that a writer stopped half-way left is used
// once, before anything else, found by the file's inode whatever name it
// gave the file; a journal of a former version is kept for the
// administrator, and the file stays as it is.
TEST_F(DataSourcesTest, AJournalThatAStoppedWriterLeftIsUsedOnceBeforeTheNextChange) {
  const std::string ini = site_ini::Path();
  const std::string own = RunSection("task9", QK_TProcessId::Of(getpid()));
  const std::string copy = PutCreateJournal(own, ini + "-by-another-name");
  const std::string former = ini + ".shapejob-backup";
  std::ofstream(former, std::ios::binary) << "[Former]\n\n";
  const std::string second = ini + ".shapejob-journal-0-Zz99Zz";
  std::ofstream(second, std::ios::binary) << "Shapejob odbc.ini journal 2\nfile " << ini << "\n\n" << kSections;
  site_ini::Write(std::string(kSections) + own.substr(0, 20));  // cut after 20 bytes of the section

  std::vector<std::string> reported = Said(ini);
  EXPECT_EQ(site_ini::Read(), kSections);
  EXPECT_FALSE(std::filesystem::exists(copy)) << "a journal goes once used";
  std::sort(reported.begin(), reported.end());
  ASSERT_EQ(reported.size(), 3u);
  for (const std::string& kept : {second, former}) {
    EXPECT_TRUE(std::filesystem::exists(kept + ".not-used"));
    EXPECT_NE(std::find(reported.begin(), reported.end(),
                        "Left " + ini + " as it is: " + kept + " is the journal of a former version, which is not "
                        "used; kept as " + kept + ".not-used"),
              reported.end());
    unlink((kept + ".not-used").c_str());
  }
  EXPECT_EQ(reported[2], "Mended " + ini + " from " + copy +
                             ", the journal of a change that a stopped run left: took out what it left of task9");
}

// A change that may not write odbc.ini (made read-only) neither finishes
// a stopped change nor removes a leftover: it says so, keeps the journal,
// and reports no removal. Once it may, the next change finishes it.
TEST_F(DataSourcesTest, AFinishingWriteRefusedKeepsTheJournalForTheNextChange) {
  const std::string ini = site_ini::Path();
  PausedChild ended;
  ended.Reap();
  const std::string leftover = RunSection("ended", ended.Id());
  const std::string own = RunSection("task9", QK_TProcessId::Of(getpid()));
  for (bool stopped : {true, false}) {
    const std::string copy = stopped ? PutCreateJournal(own, ini) : std::string();
    const std::string site = stopped ? kSections + own.substr(0, 30) : leftover + kSections;
    site_ini::Write(site);
    chmod(ini.c_str(), 0444);
    std::string reported;
    const std::string refusal =
        Refusal(Record("h", "d"), "task10", [&reported](const QK_TString& line) { reported += line.str(); });
    EXPECT_NE(refusal.find("Permission denied"), std::string::npos) << refusal;
    EXPECT_EQ(reported, "") << "nothing was mended or removed";
    EXPECT_EQ(site_ini::Read(), site);
    EXPECT_EQ(std::filesystem::exists(copy), stopped);
    chmod(ini.c_str(), 0644);
    { SQLUtilities::OdbcIniChange change(ini, SQLUtilities::Report()); }
    EXPECT_EQ(site_ini::Read(), stopped ? std::string(kSections) : site);
    EXPECT_FALSE(std::filesystem::exists(copy));
  }
}

// On a full disk a change by rename cannot write the file that finishes a
// stopped create: the journal stays, and once there is room the next
// change finishes it.
TEST_F(DataSourcesTest, AFinishingWriteOnAFullDiskKeepsTheJournalUntilThereIsRoom) {
  if (geteuid() != 0) GTEST_SKIP() << "mounting a small file system needs root";
  TempFolder folder;
  const std::string disk = folder.File("disk");
  const std::string own = RunSection("task9", QK_TProcessId::Of(getpid()));
  std::filesystem::create_directory(disk);
  const pid_t child = fork();
  if (child == 0) {
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=64k") != 0) {
      _exit(2);
    }
    const std::string ini = disk + "/odbc.ini";
    std::ofstream(ini) << kSections << own.substr(0, 30);
    const std::string copy = PutCreateJournal(own, "", ini);
    std::ofstream(disk + "/filler") << std::string(1 << 20, 'x');  // fills the disk
    bool kept = false;
    try {
      SQLUtilities::OdbcIniChange change(ini, SQLUtilities::Report());
    } catch (const QK_EException& e) {
      kept = e.QK_Data().ToText().str().find("No space left") != std::string::npos && std::filesystem::exists(copy);
    }
    std::filesystem::remove(disk + "/filler");
    { SQLUtilities::OdbcIniChange change(ini, SQLUtilities::Report()); }
    std::string now;
    std::getline(std::ifstream(ini), now, '\0');
    _exit(kept && now == kSections && !std::filesystem::exists(copy) ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  if (WIFEXITED(status) && WEXITSTATUS(status) == 2) GTEST_SKIP() << "no file system can be mounted here";
  EXPECT_EQ(status, 0) << "refused for a full disk, journal kept, then finished and gone";
}

// A create of the task's data source cut short before its owner mark, its
// journal out of sight (another temporary folder): the task's next run
// takes the name over. Laid out by hand, or bare, it is the site's.
TEST_F(DataSourcesTest, WhatAStoppedCreateLeftOfTheTasksNameNeverBlocksTheTask) {
  for (const std::string cut : {"[task9", "[task9]\nDriver=SQL", "[task9]\nDriver=SQL Server\nDESCRIPTION=New Temp",
                                "[task9]\nDriver=SQL Server\nDESCRIPTION=New Temporary DSN for Shapejob (run 7.8.1f"}) {
    site_ini::Write(kSections + cut + "\n");
    QK_TString created;
    std::string reported;
    SQLUtilities::CreateTemporaryDataSource(Record("h", "d"), created, "task9", false,
                                            [&reported](const QK_TString& line) { reported += line.str(); });
    EXPECT_EQ(created, QK_TString("task9")) << cut;
    EXPECT_NE(reported.find("Took over ODBC Data Source task9"), std::string::npos) << reported;
    EXPECT_NE(odbc_ini::ValueOf(*odbc_ini::Parse(site_ini::Read()).Find("task9"), "SERVER"), "") << cut;
  }
  for (const std::string site : {"[task9]\nDriver = SQL Server\n", "[task9]\n\n"}) {
    site_ini::Write(kSections + site);
    EXPECT_NE(Refusal(Record("h", "d"), "task9").find("exists already"), std::string::npos) << site;
  }
}

// What the next change says of a stopped change in place: "Mended" only
// where it changed the file, "Nothing to mend" where nothing was written,
// "Left ... as it is" where the file was edited there since.
TEST_F(DataSourcesTest, TheNextChangeSaysMendedOnlyWhereItChangedTheFile) {
  const std::string ini = site_ini::Path();
  const std::string own = RunSection("task9", QK_TProcessId::Of(getpid()));
  const std::string moved = std::string(kSections) + "; a comment\n";
  const struct {
    std::string now, said, text;
  } cases[] = {
      {kSections, "Nothing to mend in " + ini, kSections},
      {kSections + own.substr(0, 12), "Mended " + ini, kSections},
      {kSections + own, "Mended " + ini, kSections},
      {moved + own.substr(0, 12), "Mended " + ini, moved},
      {moved + own.substr(0, 12) + "\nExtra=1\n", "Left " + ini + " as it is", moved + own.substr(0, 12) + "\nExtra=1\n"},
  };
  for (const auto& test : cases) {
    const std::string copy = PutCreateJournal(own, ini);
    site_ini::Write(test.now);
    const std::vector<std::string> reported = Said(ini);
    ASSERT_EQ(reported.size(), 1u) << test.said;
    EXPECT_EQ(reported[0].rfind(test.said, 0), 0u) << reported[0];
    EXPECT_EQ(site_ini::Read(), test.text) << test.said;
    EXPECT_FALSE(std::filesystem::exists(copy)) << test.said;
  }
}

// What is no journal of a stopped change, or one this account must not
// trust, is never used: a journal cut short while it was written, a pipe,
// a file of another account in the temporary folder.
TEST_F(DataSourcesTest, OnlyJournalsOfTrustedAccountsAreUsed) {
  const std::string ini = site_ini::Path();
  const std::string halfWritten = ini + ".shapejob-journal-" + std::to_string(geteuid()) + "-Cd34Ef";
  std::ofstream(halfWritten) << "Shapejob odbc.ini journal 4\nfile " << ini;
  const std::string key = SQLUtilities::TextKey(ini);
  const std::string pipe = TemporaryBase() + "/shapejob-odbc-" + key + "-4242.journal";
  ASSERT_EQ(mkfifo(pipe.c_str(), 0666), 0);
  const std::string planted = TemporaryBase() + "/shapejob-odbc-" + key + "-65534-Ab12Cd.journal";
  std::ofstream(planted) << "[Planted]\nDriver=/tmp/evil.so\n\n";
  const bool root = geteuid() == 0;
  if (root) {
    ASSERT_EQ(chown(planted.c_str(), 65534, 65534), 0);
  }

  std::vector<std::string> reported;
  { SQLUtilities::OdbcIniChange change(ini, [&reported](const QK_TString& line) { reported.push_back(line.str()); }); }
  EXPECT_EQ(site_ini::Read(), kSections);
  EXPECT_FALSE(std::filesystem::exists(halfWritten)) << "a journal cut short while it was written goes";
  std::string said;
  for (const std::string& line : reported) said += line + "\n";
  EXPECT_NE(said.find("Left the journal " + pipe + " of a stopped change of " + ini + " alone: it is not a file"),
            std::string::npos)
      << said;
  if (root) {
    EXPECT_NE(said.find("Left the journal " + planted), std::string::npos) << said;
    EXPECT_NE(said.find("belongs to another account"), std::string::npos) << said;
  }
  unlink(pipe.c_str());
  unlink(planted.c_str());
}

// A journal this account may not read may guard the file: the change
// stops and names it. A former version's copy is never used, so one it
// may not read stops nothing.
TEST_F(DataSourcesTest, AJournalThisAccountMayNotReadStopsTheChangeButAFormerCopyDoesNot) {
  const std::string ini = site_ini::Path();
  // What a change says, made where `unreadable` may not be read: root
  // without its capabilities reads as any account does.
  const auto said = [&ini](const std::string& unreadable) {
    std::ofstream(unreadable) << "[Former]\n\n";
    chmod(unreadable.c_str(), 0);
    TempFolder out;
    if (fork() == 0) {
      __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
      __user_cap_data_struct none[2] = {};
      if (geteuid() == 0) syscall(SYS_capset, &header, none);
      std::ofstream text(out.File("said"));
      try {
        SQLUtilities::OdbcIniChange change(ini, [&text](const QK_TString& line) { text << line.str(); });
      } catch (const QK_EException& e) {
        text << "refused: " << e.QK_Message().str() << " | " << e.QK_Data().ToText().str();
      }
      text.close();
      _exit(0);
    }
    wait(nullptr);
    unlink(unreadable.c_str());
    std::ostringstream text;
    text << std::ifstream(out.File("said")).rdbuf();
    return text.str();
  };
  const std::string journal = ini + ".shapejob-journal-" + std::to_string(geteuid()) + "-Ab12Cd";
  const std::string stopped = said(journal);
  EXPECT_EQ(stopped.rfind("refused: Cannot change the ODBC configuration " + ini, 0), 0u) << stopped;
  EXPECT_NE(stopped.find(journal), std::string::npos) << stopped;
  const std::string former = ini + ".shapejob-backup";
  EXPECT_EQ(said(former), "Left the journal " + former + " of a stopped change of " + ini + " alone: cannot read " +
                              former + ": Permission denied");
  EXPECT_EQ(site_ini::Read(), kSections);
}

// odbc.ini as a link to a file not made yet: the link stays, and the file
// it leads to is made, as the installer itself would.
TEST_F(DataSourcesTest, ALinkToAFileNotMadeYetStaysALink) {
  const std::string ini = site_ini::Path();
  const std::string target = odbc_.Folder().File("site/odbc.ini");
  std::filesystem::create_directories(std::filesystem::path(target).parent_path());
  std::filesystem::remove(ini);
  std::filesystem::create_symlink(target, ini);
  QK_TString created;
  SQLUtilities::CreateTemporaryDataSource(Record("h", "d"), created, "task12", false);
  EXPECT_TRUE(std::filesystem::is_symlink(ini));
  EXPECT_EQ(odbc_.DataSources().count("task12"), 1u);
  SQLUtilities::RemoveTemporaryDataSource(Record("h", "d"), created, false);
  EXPECT_TRUE(std::filesystem::is_symlink(ini));
  EXPECT_TRUE(std::filesystem::exists(target));
  EXPECT_EQ(odbc_.DataSources().count("task12"), 0u);
  std::filesystem::remove(ini);
}

TEST_F(DataSourcesTest, AChangeWaitsForTheLockOnlySoLongOrUntilAStop) {
  const std::string ini = site_ini::Path();
  const int held = open(std::filesystem::path(ini).parent_path().c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(held, 0);
  ASSERT_EQ(flock(held, LOCK_EX), 0);
  try {
    SQLUtilities::OdbcIniChange change(ini, SQLUtilities::Report(), std::chrono::milliseconds(100));
    ADD_FAILURE() << "the change went ahead while another process held the lock";
  } catch (const QK_EException& e) {
    EXPECT_EQ(e.QK_Message().str(), "Cannot change the ODBC configuration " + ini);
    EXPECT_NE(e.QK_Data().ToText().str().find("for more than 100 ms"), std::string::npos) << e.Describe();
  }
  // A stop asked for while it waits ends the wait, long before the wait
  // would run out.
  std::thread stop([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    TW_RequestCancel();
  });
  EXPECT_THROW(SQLUtilities::OdbcIniChange(ini, SQLUtilities::Report(), std::chrono::seconds(60)), TW_ETaskCanceled);
  stop.join();
  close(held);
  { SQLUtilities::OdbcIniChange change(ini, SQLUtilities::Report(), std::chrono::milliseconds(100)); }
  EXPECT_EQ(site_ini::Read(), kSections);
}

// A server entry of the wrong shape, in the tree its kind of server reads.
TEST(MisshapenServerEntriesTest, AreLeftOutWithTheirPathLoggedAndTheOthersStay) {
  TempFolder folder;
  const std::string file = folder.Write("site.xml", R"(<Configuration><Tree key="Resources">
    <Tree key="CAD"><Tree key="Servers">
      <Value key="Flat">Conventional</Value>
      <Tree key="Good"><Value key="Type">Conventional</Value><Value key="host">h</Value></Tree>
      <Tree key="BadDatabase"><Value key="Type">Conventional</Value></Tree>
      <Tree key="BadLogin"><Value key="Type">Enterprise</Value></Tree>
    </Tree></Tree>
    <Tree key="DatabasesExternal"><Value key="BadDatabase">db</Value><Value key="BadLogin">db</Value></Tree>
    <Tree key="Internet"><Tree key="Servers"><Value key="BadLogin">https://x</Value>
      <Value key="Good">https://y</Value></Tree></Tree>
  </Tree></Configuration>)");
  CFS_TProxy client(file.c_str());
  std::vector<std::string> logged;
  const std::vector<CadServerConfig> servers =
      ReadCadServers(client, [&logged](const QK_TString& text) { logged.push_back(text.str()); });
  ASSERT_EQ(servers.size(), 1u);
  EXPECT_EQ(servers[0].name, "Good") << "a tree of the other kind of server is not read";
  EXPECT_EQ(servers[0].host, "h");
  ASSERT_EQ(logged.size(), 3u);
  EXPECT_EQ(
      logged[0],
      "Skipping the CAD server Flat: its entry /Resources/CAD/Servers/Flat is not a tree of settings\n");
  EXPECT_NE(logged[1].find(" /Resources/DatabasesExternal/BadDatabase is not a tree"), std::string::npos)
      << logged[1];
  EXPECT_NE(logged[2].find(" /Resources/Internet/Servers/BadLogin is not a tree"), std::string::npos)
      << logged[2];
}

}  // namespace
