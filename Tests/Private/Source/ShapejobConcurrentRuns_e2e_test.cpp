// Runs at once, and runs stopped at the worst moment, against one site's
// odbc.ini that holds sections of the site's own: the program, run as the
// workflow server runs it, never loses the site's sections, never takes a
// running run's data source, and the next run clears what a killed run
// left (its data source and its temporary folder). A run can be made to
// stop, or to wait, at a chosen write of a file (the preloaded
// Tests/Support/WriteCut.cpp), so that a kill or a live run is placed by
// its step, never by timing.
//
// Rounds are few by default; SHAPEJOB_SOAK_ROUNDS sets more.
#include <fcntl.h>
#include <grp.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "OdbcIniText.h"
#include "PausedChild.h"
#include "SQLUtilitiesChange.h"
#include "ShapejobE2eSite.h"
#include "ShapejobSiteOdbcIni.h"

namespace {

namespace fs = std::filesystem;

int Rounds(int fallback) {
  const char* rounds = std::getenv("SHAPEJOB_SOAK_ROUNDS");
  return rounds != nullptr && std::atoi(rounds) > 0 ? std::atoi(rounds) : fallback;
}

// The program started in a process of its own, its standard output read
// line by line while it runs; `launcher` (another account's, another PID
// namespace's) runs it when given.
class StartedRun {
 public:
  StartedRun(const std::string& ticket, const std::vector<std::string>& environment,
             const std::vector<std::string>& launcher = {}) {
    int out[2];
    if (pipe(out) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      for (const std::string& assignment : environment) putenv(const_cast<char*>(assignment.c_str()));
      dup2(out[1], STDOUT_FILENO);
      const int null = open("/dev/null", O_WRONLY);
      dup2(null, STDERR_FILENO);
      close(out[0]);
      std::vector<std::string> words = launcher;
      for (const char* word : {SHAPEJOB_BINARY, "--ticket"}) words.emplace_back(word);
      words.push_back(ticket);
      std::vector<char*> argv;
      for (std::string& word : words) argv.push_back(word.data());
      argv.push_back(nullptr);
      execvp(argv[0], argv.data());
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
  pid_t Pid() const { return pid_; }

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

// Where a run stops: at the `at`th call that changes `file` (a write,
// truncation or rename onto it), after `bytes` of it ("all": the whole
// call), by being killed ("kill") or by waiting until released ("hold").
struct CutAt {
  std::string file;
  int at = 1;
  std::string bytes = "all";
  std::string action = "kill";
  bool noUnnamedFiles = false;  // the file system makes no O_TMPFILE files
};

class ConcurrentRunsTest : public e2e::Site {
 protected:
  // The configuration folder is the process's for every test: what a
  // test's runs left beside odbc.ini (journals kept as not used) goes.
  ~ConcurrentRunsTest() override { RemoveWhatRunsLeftBeside(); }
  // What a test gave another account goes back to root as the site had
  // it: a later test of the process would otherwise write odbc.ini in
  // place without knowing it.
  void TearDown() override {
    const std::string ini = site_ini::Path();
    if (geteuid() != 0 || chown(ini.c_str(), 0, 0) != 0 || chmod(ini.c_str(), 0644) != 0) return;
    chown(fs::path(ini).parent_path().c_str(), 0, 0);
    chmod(fs::path(ini).parent_path().c_str(), 0700);
  }
  void RemoveWhatRunsLeftBeside() const {
    for (const auto& entry : fs::directory_iterator(fs::path(site_ini::Path()).parent_path())) {
      if (entry.path().filename().string().rfind("odbc.ini.", 0) == 0) fs::remove(entry.path());
    }
  }

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

  // A layout of the example design on `templates` sheets, one layout each.
  std::string LayoutTicket(const std::string& id, const std::string& output, int templates) {
    std::string list = "<Templates>";
    for (int i = 0; i < templates; ++i) {
      list += "<Item><FormatClass>FC-" + std::to_string(i) + "</FormatClass><Template>" SHAPEJOB_SOURCE_DIR
              "/examples/cad/templates/sheet-1020x720.MFG</Template><Grain>Vertical</Grain><Fill>YES</Fill>"
              "<Shrink>Both</Shrink></Item>";
    }
    folder_.Write(output + "-templates.xml", list + "</Templates>");
    std::vector<TicketXml::Dict> fields;
    for (const auto& [name, element] : std::vector<std::pair<std::string, std::string>>{
             {"Format Class", "FormatClass"}, {"MFG Template", "Template"}, {"Grain Direction", "Grain"},
             {"Fill Sheet", "Fill"}, {"Shrink Sheet Size", "Shrink"}}) {
      fields.push_back(
          {{"LAYOUT_PARAM", name}, {"LAYOUT_PARAM_XML_ELEMENT", element}, {"LAYOUT_PARAM_DEFAULT_VALUE", ""}});
    }
    TicketXml ticket("runlayout", id);
    ticket.Attribute("outputDir", output)
        .Attribute("outputName", "OUT")
        .Input(output + "-templates.xml")
        .Param("SERVER", "Local")
        .Param("XML_ELEMENT_NAME", "xpath:/Templates/Item")
        .List("LAYOUT_XML_ELEMENT", fields)
        .List("NESTING_TYPES", {{{"NESTING_TYPE", "Straight Nest"}}})
        .Param("SELECT_DESIGN", "path")
        .Param("STANDARD_PATH", Design("tuck-end.kpx"))
        .Param("UNITS", "mm")
        .Param("MFG_OUTPUT_FILE_NAME", "sheet")
        .Param("MFG_OUTPUT_FOLDER", folder_.File(output + "/mfg"))
        .Param("XML_OUTPUT_FILE_NAME", "report")
        .Param("XML_OUTPUT_FOLDER", folder_.File(output + "/reports"))
        .Switch("GENERATE_PREVIEW", "false")
        .Param("COMMAND_SCRIPT", "")
        .Param("CROSS_GRAIN", "No")
        .Switch("IS_LAYOUT_FOR_PRODUCTION", "false");
    return folder_.Write("ticket-" + output + ".xml", ticket.Xml());
  }

  std::unique_ptr<StartedRun> Start(const std::string& kind, const std::string& id, const std::string& output,
                                    const std::vector<std::string>& launcher = {}, const CutAt* cut = nullptr) {
    return Launch(Ticket(kind, id, output), output, launcher, cut);
  }

  std::unique_ptr<StartedRun> Launch(const std::string& ticket, const std::string& output,
                                     const std::vector<std::string>& launcher = {}, const CutAt* cut = nullptr) {
    std::vector<std::string> environment = {
        "QK_SERVER=" + site_, "FOLVANECAD_JOURNAL=" + folder_.File(output + ".journal"),
        "ODBCSYSINI=" + std::string(std::getenv("ODBCSYSINI")), "TMPDIR=" + TempBase()};
    if (cut != nullptr) {
      const char* asan = std::getenv("ASAN_OPTIONS");
      environment.insert(environment.end(),
                         {std::string("LD_PRELOAD=") + SHAPEJOB_WRITE_CUT, "SHAPEJOB_CUT_FILE=" + cut->file,
                          "SHAPEJOB_CUT_AT=" + std::to_string(cut->at), "SHAPEJOB_CUT_BYTES=" + cut->bytes,
                          "SHAPEJOB_CUT_ACTION=" + cut->action, "SHAPEJOB_CUT_SIGNAL=" + HeldSignal(),
                          std::string("ASAN_OPTIONS=") + (asan != nullptr ? asan : "") + ":verify_asan_link_order=0"});
      if (cut->noUnnamedFiles) environment.push_back("SHAPEJOB_CUT_NO_TMPFILE=1");
      fs::remove(HeldSignal());
      fs::remove(HeldSignal() + ".go");
    }
    return std::make_unique<StartedRun>(ticket, environment, launcher);
  }

  // Waits until a run started with a "hold" cut waits at its point (a
  // minute at most); true when it does.
  bool WaitUntilHeld() const {
    for (int tries = 0; tries < 6000 && !fs::exists(HeldSignal()); ++tries) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return fs::exists(HeldSignal());
  }
  // Lets the held run go on.
  void Release() const { std::ofstream(HeldSignal() + ".go") << "go\n"; }
  std::string HeldSignal() const { return folder_.File("held"); }

  // Everything the runs read and write open to the account `kNobody`;
  // odbc.ini in a folder of root's that it may not write (root's journals
  // stand beside it, the account's in the temporary folder). False when
  // this process may not run the program as another account.
  bool OpenToTheAccount() {
    if (geteuid() != 0) return false;
    chmod(TemporaryBase().c_str(), 0711);
    for (const auto& entry : fs::recursive_directory_iterator(folder_.path())) {
      fs::permissions(entry.path(), fs::perms::all, fs::perm_options::add);
    }
    fs::permissions(folder_.path(), fs::perms::all, fs::perm_options::add);
    chmod(fs::path(site_ini::Path()).parent_path().c_str(), 0755);
    return true;
  }

  // A split ticket of task `id` stopped at `cut`, or run to its end.
  void Stopped(const std::string& id, const CutAt& cut, const std::vector<std::string>& launcher = {}) {
    Start("split", id, id, launcher, &cut)->Finish();
  }
  ::testing::AssertionResult Succeeds(const std::string& id, const std::vector<std::string>& launcher = {}) {
    auto run = Start("split", id, id, launcher);
    if (run->Finish().status == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << Printed(run->Finish());
  }
  static odbc_ini::Text Now() { return odbc_ini::Parse(site_ini::Read()); }
  // A data source "[ended]" that a run left which has ended.
  static std::string EndedRunsSection() {
    PausedChild ended;
    ended.Reap();
    return "[ended]\nDriver=SQL Server\nDESCRIPTION=New Temporary DSN for Shapejob (run " + ended.Id().Text() +
           ")\n\n";
  }

  // The .MFG files a layout wrote into `output`.
  int LayoutFiles(const std::string& output) const {
    int count = 0;
    for (const auto& entry : fs::directory_iterator(folder_.File(output + "/mfg"))) {
      count += entry.path().extension() == ".MFG" ? 1 : 0;
    }
    return count;
  }

  // Gives odbc.ini a second name, so that every change makes it in
  // place; false when it cannot.
  bool WrittenInPlace() const { return link(site_ini::Path().c_str(), folder_.File("second-name.ini").c_str()) == 0; }

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

// Adds a data source to the site as its administrator does, with the
// installer's own command.
void AddSiteDataSource(const std::string& name) {
  const std::string templateFile = std::string(std::getenv("ODBCSYSINI")) + "/added.template";
  std::ofstream(templateFile) << "[" << name << "]\nDriver=SQLite3\nDatabase=/srv/" << name << ".db\n";
  const std::string command = "odbcinst -i -s -l -f '" + templateFile + "' >/dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

// Removes a data source of the site as its administrator does.
void RemoveSiteDataSource(const std::string& name) {
  const std::string command = "odbcinst -u -s -l -n '" + name + "' >/dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
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
          const std::string now = site_ini::Read();
          EXPECT_NE(odbc_ini::Parse(now).Find("Added"), nullptr) << "what the administrator added later stays";
          site_ini::Write(odbc_ini::Applied(now, odbc_ini::TakingOut(now, "Added"), false));
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

// Runs of other tasks that save the same output at once (a workflow that
// resubmits an order under a new task id), the first held just before it
// puts its file in place: each ends as the ticket run alone does, and what
// is left is one whole design, with nothing half-written beside it.
TEST_F(ConcurrentRunsTest, RunsThatSaveTheSameOutputAtOnceEndAsOneRunAlone) {
  const ProgramRun alone = Start("split", "alone", "alone")->Finish();
  ASSERT_EQ(alone.Starting("output "), std::vector<std::string>{"output OK " + folder_.File("alone/OUT.kpx")});
  const CutAt held{folder_.File("shared/OUT.kpx"), 1, "0", "hold"};
  std::vector<std::unique_ptr<StartedRun>> runs;
  for (int i = 0; i < 8; ++i) {
    const std::string id = "order" + std::to_string(i);  // Ticket() names its file after the output folder
    const std::string ticket = folder_.Write(id + ".xml", e2e::ReadFile(Ticket("split", id, "shared")));
    runs.push_back(Launch(ticket, id, {}, i == 0 ? &held : nullptr));
    if (i == 0) {
      ASSERT_TRUE(WaitUntilHeld()) << Printed(runs[0]->Finish());
    }
  }
  for (int i = 1; i < 8; ++i) runs[i]->Finish();
  Release();
  for (auto& run : runs) {
    const ProgramRun& done = run->Finish();
    EXPECT_EQ(done.Starting("stage "), alone.Starting("stage ")) << Printed(done);
    EXPECT_EQ(done.Starting("output "), std::vector<std::string>{"output OK " + folder_.File("shared/OUT.kpx")});
    EXPECT_EQ(done.status, alone.status);
  }
  EXPECT_EQ(e2e::ReadFile(folder_.File("shared/OUT.kpx")), e2e::ReadFile(folder_.File("alone/OUT.kpx")));
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_.File("shared")), fs::directory_iterator()), 1);
}

// The account a workflow server runs its tasks as, as a run gets it.
const std::vector<std::string> kAsNobody = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
constexpr uid_t kNobody = 65534;

void Own(const std::string& path, uid_t owner, mode_t mode) {
  ASSERT_EQ(chown(path.c_str(), owner, owner), 0) << path;
  ASSERT_EQ(chmod(path.c_str(), mode), 0) << path;
}

struct stat StatOf(const std::string& path) {
  struct stat info {};
  stat(path.c_str(), &info);
  return info;
}

// Runs of other accounts against one site's odbc.ini: the workflow
// server's account, and root trying a ticket by hand. No run shuts out
// another, the file stays what it is, and a file the account may not write
// is left as it was.
TEST_F(ConcurrentRunsTest, RunsOfOtherAccountsNeverShutEachOtherOut) {
  if (!OpenToTheAccount()) GTEST_SKIP() << "running the program as another account needs root";
  const std::string ini = site_ini::Path();
  const std::string configuration = fs::path(ini).parent_path();
  site_ini::Write(site_ini::kSections);
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

const std::string kReport = "[sitereport]\nDriver=SQLite3\nDatabase=/srv/report.db\n\n";

// Killed once its data source was written, its journal still there; the
// administrator then removes a data source, which moves the section the
// journal guards: it stays removed, and the killed run's section, whole
// with its owner mark, goes with the next run.
TEST_F(ConcurrentRunsTest, WhatTheAdministratorRemovedAfterAKillStaysRemoved) {
  site_ini::Write(site_ini::kSections + kReport);
  ASSERT_TRUE(WrittenInPlace());
  Stopped("killed-run", CutAt{site_ini::Path(), 1, "all", "kill"});
  ASSERT_NE(Now().Find("killedrun"), nullptr);
  RemoveSiteDataSource("sitereport");
  EXPECT_TRUE(Succeeds("next-run"));
  EXPECT_EQ(site_ini::Read(), site_ini::kSections);
  for (const auto& entry : fs::directory_iterator(fs::path(site_ini::Path()).parent_path())) {
    EXPECT_EQ(entry.path().filename().string().find("shapejob"), std::string::npos) << entry.path();
  }
}

// Root's run is killed inside its in-place blanking of a leftover in the
// middle. The account's next run finishes it from root's journal, which
// it may read but not remove (it says so); the administrator then
// removes a data source, and root's next run removes its journal without
// using it again. Files another account put where the account's journals
// go stop nothing.
TEST_F(ConcurrentRunsTest, AJournalAnotherAccountMayNotRemoveIsUsedOnceAndPlantedNamesStopNothing) {
  if (!OpenToTheAccount()) GTEST_SKIP() << "running the program as another account needs root";
  const std::string ini = site_ini::Path();
  const std::string leftover = EndedRunsSection();
  site_ini::Write(site_ini::kSections + leftover + kReport);
  Own(ini, kNobody, 0644);
  const std::string planted = TempBase() + "/shapejob-odbc-" + SQLUtilities::TextKey(ini) + "-65534";
  fs::create_directory(planted + ".journal");
  std::ofstream(planted + "-Ab12Cd.journal") << "[Planted]\n\n";
  ASSERT_EQ(chown((planted + "-Ab12Cd.journal").c_str(), 4242, 4242), 0);

  Stopped("root-run", CutAt{ini, 2, "5", "kill"});  // 5 blanks into its owner mark's line
  const std::string left = site_ini::Read();
  ASSERT_NE(left, site_ini::kSections + leftover + kReport);
  ASSERT_EQ(left.substr(left.size() - kReport.size()), kReport);
  auto account = Start("split", "account-run", "account-run", kAsNobody);
  const ProgramRun& done = account->Finish();
  EXPECT_EQ(done.status, 0) << Printed(done);
  EXPECT_NE(Printed(done).find("the journal stays"), std::string::npos) << Printed(done);
  EXPECT_EQ(site_ini::Read(), site_ini::kSections + std::string(leftover.size() - 1, ' ') + "\n" + kReport);
  RemoveSiteDataSource("sitereport");
  EXPECT_TRUE(Succeeds("root-again"));
  EXPECT_EQ(site_ini::Read(), site_ini::kSections);
  EXPECT_EQ(StatOf(ini).st_uid, kNobody);
  for (const auto& entry : fs::directory_iterator(fs::path(ini).parent_path())) {
    EXPECT_EQ(entry.path().filename().string().find("shapejob"), std::string::npos) << entry.path();
  }
}

// The site of the tests below: one section in the middle, one last.
const std::string kEditedSite = std::string(site_ini::kSections) +
                                "[Middle]\nDriver=SQLite3\nDatabase=/srv/middle.db\n\n[Last]\nDriver=SQLite3\n"
                                "Database=/srv/last.db\n\n";

// `text` with its entries laid out as a person may ("Key = Value").
std::string ByHand(std::string text) {
  for (std::size_t at = 0; (at = text.find('=', at)) != std::string::npos; at += 3) text.replace(at, 1, " = ");
  return text;
}

// `text` with "\r\n" line ends.
std::string Crlf(std::string text) {
  for (std::size_t at = 0; (at = text.find('\n', at)) != std::string::npos; at += 2) text.replace(at, 1, "\r\n");
  return text;
}

// `text` with `to` put in place of `from`, as an edit of a value by hand.
std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

// odbc.ini whatever its layout: each section with its entries, and each
// line that is no header, entry, comment or blank.
std::string Shape(const std::string& text) {
  std::string shape;
  for (const odbc_ini::Section& section : odbc_ini::Parse(text).sections) {
    shape += "[" + section.name + "]";
    for (const auto& [key, value] : odbc_ini::EntriesOf(section)) shape += " " + key + "=" + value;
    shape += "\n";
  }
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    const std::string content = odbc_ini::Trimmed(line);
    if (content.find_first_of("[=;") != 0 && content.find('=') == std::string::npos && !content.empty()) {
      shape += content + "?\n";
    }
  }
  return shape;
}

// The data sources the installer's own command lists, one line each.
std::string Listed() {
  std::string listed;
  FILE* out = popen("odbcinst -q -s 2>/dev/null", "r");
  for (int c; out != nullptr && (c = fgetc(out)) != EOF;) listed += static_cast<char>(c);
  if (out != nullptr) pclose(out);
  return listed;
}

// Every section of `site` is in `now`, whole: the same entries, as the
// installer reads them.
::testing::AssertionResult SiteSectionsWhole(const std::string& site, const std::string& now) {
  const odbc_ini::Text read = odbc_ini::Parse(now);
  for (const odbc_ini::Section& section : odbc_ini::Parse(site).sections) {
    const odbc_ini::Section* found = read.Find(section.name);
    if (found == nullptr || odbc_ini::EntriesOf(*found) != odbc_ini::EntriesOf(section)) {
      return ::testing::AssertionFailure() << "[" << section.name << "] is not whole in:\n" << now;
    }
  }
  return ::testing::AssertionSuccess();
}

// What the site's administrator does after a kill, and the site it means.
struct SiteEdit {
  const char* name;
  std::function<void()> make;
  std::string site;
};
// An edit by hand: `from` replaced by `to`, or `to` appended on a line of
// its own when `from` is empty.
std::function<void()> EditByHand(const std::string& from, const std::string& to) {
  return [from, to] {
    const std::string now = site_ini::Read();
    site_ini::Write(from.empty() ? now + (now.empty() || now.back() == '\n' ? "" : "\n") + to
                                 : Replaced(now, from, to));
  };
}
const std::string kAddedSection = "[Added]\nDriver=SQLite3\nDatabase=/srv/Added.db\n";
const std::string kLast = "[Last]\nDriver=SQLite3\nDatabase=/srv/last.db\n\n";

// Each moves what a kill left of a section after [Middle], or lays the
// file out anew.
const SiteEdit kSiteEdits[] = {
    {"NoEdit", [] {}, kEditedSite},
    {"ALongerValueAbove", EditByHand("prod-host", "prod-host-2"), Replaced(kEditedSite, "prod-host", "prod-host-2")},
    {"OdbcinstAdds", [] { AddSiteDataSource("Added"); }, kEditedSite + kAddedSection},
    {"OdbcinstRemovesOneAbove", [] { RemoveSiteDataSource("Middle"); },
     Replaced(kEditedSite, "[Middle]\nDriver=SQLite3\nDatabase=/srv/middle.db\n\n", "")},
};

// A takeover killed before its cut leaves its journal; a run that may not
// remove it (another account) or does not see it (another temporary
// folder) creates the same data source at that offset and waits: a third
// run that sees the journal leaves that data source whole.
TEST_F(ConcurrentRunsTest, AJournalSeenAgainNeverTakesALaterRunsDataSource) {
  const std::string ini = site_ini::Path();
  const auto asNobodyIn = [&](const std::string& folder) {
    fs::create_directories(folder_.File(folder));
    std::vector<std::string> launcher = {"env", "TMPDIR=" + folder_.File(folder)};
    launcher.insert(launcher.end(), kAsNobody.begin(), kAsNobody.end());
    return launcher;
  };
  for (bool otherAccount : {true, false}) {
    SCOPED_TRACE(otherAccount ? "another account" : "another temporary folder");
    const std::vector<std::string> first = asNobodyIn("first"), hidden = asNobodyIn("hidden");
    const std::vector<std::string> second = otherAccount ? kAsNobody : asNobodyIn("second");
    if (!OpenToTheAccount()) GTEST_SKIP() << "running the program as another account needs root";
    site_ini::Write(kEditedSite);
    Own(ini, kNobody, 0644);
    const CutAt insideItsEntries{ini, 1, "30"}, beforeItsCut{ini, 1, "0"};
    Start("split", "twice", "r0", hidden, &insideItsEntries)->Finish();
    Start("split", "twice", "r1", otherAccount ? std::vector<std::string>{} : first, &beforeItsCut)->Finish();
    ASSERT_NE(Now().Find("twice"), nullptr);
    const CutAt madeItsDataSource{folder_.File("r2.journal"), 1, "all", "hold"};
    auto waiting = Start("split", "twice", "r2", second, &madeItsDataSource);
    ASSERT_TRUE(WaitUntilHeld()) << Printed(waiting->Finish());
    const std::string made = Now().Find("twice")->text;
    EXPECT_TRUE(Succeeds("third", otherAccount ? std::vector<std::string>{} : first));
    ASSERT_NE(Now().Find("twice"), nullptr) << site_ini::Read();
    EXPECT_EQ(Now().Find("twice")->text, made);
    EXPECT_TRUE(SiteSectionsWhole(kEditedSite, site_ini::Read()));
    Release();
    EXPECT_EQ(waiting->Finish().status, 0) << Printed(waiting->Finish());
    EXPECT_EQ(Shape(site_ini::Read()), Shape(kEditedSite));
  }
}

// Runs killed inside an in-place write of odbc.ini, which has a second name.
class KilledRunsTest : public ConcurrentRunsTest {
 protected:
  void SetUp() override { ASSERT_TRUE(WrittenInPlace()); }

  // The site's sections `site` in odbc.ini `file`; a run of task "cut-run"
  // killed at `cut`: right after the kill every site section is whole.
  // Then `edit`. The next run of another task and the killed task's retry
  // run, the file reads as the edit's site whatever its layout, the
  // installer lists its data sources, and nothing of the runs is left in
  // the temporary folder. Returns what the kill left.
  std::string KillEditAndRetry(const std::string& file, const std::string& site, const CutAt& cut,
                               const SiteEdit& edit) {
    RemoveWhatRunsLeftBeside();
    site_ini::Write(file);
    EXPECT_EQ(Start("split", "cut-run", "cut-run", {}, &cut)->Finish().status, -1) << "killed at its step";
    const std::string left = site_ini::Read();
    EXPECT_TRUE(SiteSectionsWhole(site, left)) << "right after the kill";
    edit.make();
    EXPECT_TRUE(Succeeds("other-run")) << left;
    EXPECT_TRUE(Succeeds("cut-run")) << left;
    EXPECT_EQ(Shape(site_ini::Read()), Shape(edit.site)) << left;
    std::string listed;
    for (const odbc_ini::Section& section : odbc_ini::Parse(edit.site).sections) {
      if (section.name != "ODBC Data Sources") listed += "[" + section.name + "]\n";
    }
    EXPECT_EQ(Listed(), listed) << left;
    EXPECT_TRUE(TempBaseEmpty());
    return left;
  }
};

// The layouts a site's odbc.ini comes in: the installer's own (which the
// sites below are in), by hand ("Key = Value"), and with "\r\n" line ends.
struct Layout {
  const char* name;
  std::function<std::string(const std::string&)> of;
};
const Layout kLayouts[] = {{"OdbcinstLayout", [](const std::string& text) { return text; }},
                           {"ByHand", ByHand},
                           {"CrlfLineEnds", Crlf}};

void PrintTo(const Layout& layout, std::ostream* out) { *out << layout.name; }
void PrintTo(const SiteEdit& edit, std::ostream* out) { *out << edit.name; }

// Each instance takes one in kShares of the cut points, so that they run
// side by side.
constexpr int kShares = 4;

class AKillAtAnyByte : public KilledRunsTest,
                       public ::testing::WithParamInterface<std::tuple<Layout, SiteEdit, int>> {};

// A run killed after any byte of a write it makes to odbc.ini, the site in
// each layout, then each edit: right after the kill every site section is
// whole; the next run of another task and the killed task's retry end 0,
// the site is as the edit left it, and nothing of the runs is left. The
// writes: its create, its removal's cut before and after, and its sweep of
// an ended run's section that stands before [Last]. Without an edit a live
// run's section follows; once that run has ended, odbc.ini is byte for
// byte the site's.
TEST_P(AKillAtAnyByte, LeavesEverySiteSectionWholeAndTheNextRunsClearIt) {
  const auto& [layout, edit, share] = GetParam();
  const std::string ini = site_ini::Path();
  const std::string site = layout.of(kEditedSite);
  for (std::size_t bytes = share; !HasFailure(); bytes += kShares) {
    SCOPED_TRACE("create killed after " + std::to_string(bytes) + " bytes");
    const std::string left = KillEditAndRetry(site, site, CutAt{ini, 1, std::to_string(bytes)}, edit);
    if (left.size() - site.size() < bytes) break;  // killed after the whole of it
  }
  if (share == 0) {
    for (const char* bytes : {"0", "all"}) KillEditAndRetry(site, site, CutAt{ini, 2, bytes}, edit);
  }
  const std::string leftover = layout.of(EndedRunsSection());
  const std::string last = layout.of(kLast);
  const std::string file = Replaced(site, last, leftover + last);
  const std::vector<odbc_ini::Step> steps = odbc_ini::BlankingSteps(leftover);
  int point = 0;
  for (std::size_t step = 0; step < steps.size(); ++step) {
    for (std::size_t bytes = 0; bytes < steps[step].bytes.size() && !HasFailure(); ++bytes) {
      if (point++ % kShares != share) continue;
      SCOPED_TRACE("sweep killed in its write " + std::to_string(step + 1) + " after " + std::to_string(bytes));
      const CutAt cut{ini, static_cast<int>(step) + 1, std::to_string(bytes)};
      if (std::string(edit.name) != "NoEdit") {
        KillEditAndRetry(file, site, cut, edit);
        continue;
      }
      site_ini::Write(site);
      const CutAt madeItsDataSource{folder_.File("live-run.journal"), 1, "all", "hold"};
      auto live = Start("split", "live-run", "live-run", {}, &madeItsDataSource);
      ASSERT_TRUE(WaitUntilHeld()) << Printed(live->Finish());
      const SiteEdit liveRunEnds{"the live run ends",
                                 [&] {
                                   Release();
                                   EXPECT_EQ(live->Finish().status, 0) << Printed(live->Finish());
                                   EXPECT_EQ(site_ini::Read(), site);
                                 },
                                 site};
      KillEditAndRetry(site + leftover + site_ini::Read().substr(site.size()), site, cut, liveRunEnds);
      EXPECT_EQ(site_ini::Read(), site);
    }
  }
}

std::string AnyByteName(const ::testing::TestParamInfo<std::tuple<Layout, SiteEdit, int>>& info) {
  return std::string(std::get<0>(info.param).name) + std::get<1>(info.param).name +
         std::to_string(std::get<2>(info.param));
}

INSTANTIATE_TEST_SUITE_P(ConcurrentRuns, AKillAtAnyByte,
                         ::testing::Combine(::testing::ValuesIn(kLayouts), ::testing::ValuesIn(kSiteEdits),
                                            ::testing::Range(0, kShares)),
                         AnyByteName);

// A create killed right after its journal, odbc.ini untouched; then the
// site adds, or has re-laid, a section whose name begins the data
// source's, not where the create began: the next run keeps it as the site
// has it.
TEST_F(ConcurrentRunsTest, ASectionTheStoppedCreateNeverWroteStays) {
  const std::string ini = site_ini::Path();
  ASSERT_TRUE(WrittenInPlace());
  const struct {
    const char* what;
    std::string site;
    std::function<void()> edit;
    std::string kept;
  } cases[] = {
      {"an empty one appended by hand after another", kEditedSite, EditByHand("", kAddedSection + "[cutr]\n"),
       "[cutr]"},
      {"the site's, its comment dropped by odbcinst -i", kEditedSite + "[cutr]\n; the site's\n",
       [] { AddSiteDataSource("Added"); }, "[cutr]"},
      {"one of its very name appended by hand", kEditedSite, EditByHand("", "[cutrun]\nDriver = SQL Server\n"),
       "[cutrun] Driver=SQL Server"},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.what);
    RemoveWhatRunsLeftBeside();
    site_ini::Write(test.site);
    const CutAt afterItsJournal{ini, 1, "0", "kill"};
    EXPECT_EQ(Start("split", "cut-run", "cut-run", {}, &afterItsJournal)->Finish().status, -1);
    ASSERT_EQ(site_ini::Read(), test.site);
    test.edit();
    EXPECT_TRUE(Succeeds("other-run")) << site_ini::Read();
    EXPECT_NE(Shape(site_ini::Read()).find(test.kept + "\n"), std::string::npos) << site_ini::Read();
  }
}

// Root's run waits, its data source made, while the account runs under a
// /proc that hides other accounts' processes (hidepid=2): root's run is
// still running and its data source stays.
TEST_F(ConcurrentRunsTest, AProcessThatProcHidesStillRuns) {
  if (std::system("unshare -m sh -c 'mount -t proc -o hidepid=2 proc /proc' >/dev/null 2>&1") != 0 ||
      !OpenToTheAccount()) {
    GTEST_SKIP() << "no /proc of its own can be mounted here";
  }
  const std::vector<std::string> hidden = {
      "unshare", "-m", "sh", "-c",
      "mount -t proc -o hidepid=2 proc /proc && exec setpriv --reuid=65534 --regid=65534 --clear-groups \"$@\"",
      "sh"};
  site_ini::Write(site_ini::kSections);
  Own(site_ini::Path(), kNobody, 0644);
  const CutAt firstCall{folder_.File("root-live.journal"), 1, "all", "hold"};
  auto live = Start("split", "root-live", "root-live", {}, &firstCall);
  ASSERT_TRUE(WaitUntilHeld()) << Printed(live->Finish());
  EXPECT_TRUE(Succeeds("hidden-view", hidden));
  EXPECT_NE(Now().Find("rootlive"), nullptr) << "the live run's data source stays";
  Release();
  EXPECT_EQ(live->Finish().status, 0) << Printed(live->Finish());
  EXPECT_TRUE(SiteWhole());
}

// A run killed together with its container (a PID namespace of its own):
// the next run of the task, on the host, runs and clears what it left.
TEST_F(ConcurrentRunsTest, ARunKilledWithItsContainerHasEnded) {
  if (std::system("unshare --pid --fork --mount-proc true >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "no PID namespace can be made here";
  }
  site_ini::Write(site_ini::kSections);
  const CutAt firstCall{folder_.File("boxed.journal"), 1, "all", "hold"};
  auto boxed = Start("split", "boxed", "boxed", {"unshare", "--pid", "--fork", "--mount-proc"}, &firstCall);
  ASSERT_TRUE(WaitUntilHeld()) << Printed(boxed->Finish());
  // The container's first process is the run; unshare waits for it.
  const std::string pid = std::to_string(boxed->Pid());
  std::string child;
  std::ifstream("/proc/" + pid + "/task/" + pid + "/children") >> child;
  ASSERT_EQ(kill(std::stoi(child), SIGKILL), 0);
  boxed->Finish();
  auto retry = Start("split", "boxed", "retry");
  EXPECT_EQ(retry->Finish().status, 0) << Printed(retry->Finish());
  EXPECT_TRUE(retry->Finish().Has("log \"Removed temporary ODBC Data Source boxed left behind by a run that ended\\n\""));
  EXPECT_TRUE(SiteWhole());
  EXPECT_TRUE(TempBaseEmpty()) << "the killed run's temporary folder is gone";
}

// Another account holds a read lock on every byte of the ODBC and the
// temporary folders, and so on the life mark of a layout that is killed,
// its data source and temporary folder made, while they hold: the lock
// does not keep that run alive. The retry of its task runs and clears
// what it left.
TEST_F(ConcurrentRunsTest, ALockAnotherAccountHoldsNeverKeepsAKilledRunAlive) {
  if (!OpenToTheAccount()) GTEST_SKIP() << "running as another account needs root";
  site_ini::Write(site_ini::kSections);
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t holder = fork();
  if (holder == 0) {
    struct flock everyByte {};
    everyByte.l_type = F_RDLCK;
    // Ends with the test, even one that fails half-way.
    bool locked = setgroups(0, nullptr) == 0 && setresgid(kNobody, kNobody, kNobody) == 0 &&
                  setresuid(kNobody, kNobody, kNobody) == 0 && prctl(PR_SET_PDEATHSIG, SIGKILL) == 0;
    for (const std::string& folder : {fs::path(site_ini::Path()).parent_path().string(), TempBase()}) {
      locked = locked && fcntl(open(folder.c_str(), O_RDONLY | O_DIRECTORY), F_OFD_SETLK, &everyByte) == 0;
    }
    if (locked && write(ready[1], "+", 1) == 1) pause();
    _exit(1);
  }
  close(ready[1]);
  char locked = 0;
  ASSERT_EQ(read(ready[0], &locked, 1), 1) << "the account locks both folders";
  close(ready[0]);
  const CutAt firstCall{folder_.File("locked-out.journal"), 1, "all", "hold"};
  auto killed = Launch(LayoutTicket("locked-out", "locked-out", 1), "locked-out", {}, &firstCall);
  EXPECT_TRUE(WaitUntilHeld());
  killed->Signal(SIGKILL);
  killed->Finish();
  EXPECT_NE(Now().Find("lockedout"), nullptr);
  EXPECT_FALSE(TempBaseEmpty());
  auto retry = Launch(LayoutTicket("locked-out", "retry", 1), "retry");
  EXPECT_EQ(retry->Finish().status, 0) << Printed(retry->Finish());
  EXPECT_TRUE(
      retry->Finish().Has("log \"Removed temporary ODBC Data Source lockedout left behind by a run that ended\\n\""));
  EXPECT_TRUE(SiteWhole());
  EXPECT_TRUE(TempBaseEmpty()) << "the killed run's temporary folder is gone";
  kill(holder, SIGKILL);
  waitpid(holder, nullptr, 0);
}

// Saves of one output killed in mid-write, through an unnamed file and,
// on a file system that makes none, through a file named after its
// writer: nothing named is left beside the output, or what is left goes
// with the next save; the retry saves the output alone.
TEST_F(ConcurrentRunsTest, ASaveKilledInMidWriteLeavesNothingBesideTheOutput) {
  for (bool unnamed : {true, false}) {
    const std::string output = unnamed ? "unnamed" : "named";
    const std::string ticket = Ticket("split", "save-" + output, output);
    fs::create_directories(folder_.File(output));
    for (int kill = 0; kill < 3; ++kill) {
      CutAt inMidWrite{folder_.File(output) + "/", 1, "10", "kill"};
      inMidWrite.noUnnamedFiles = !unnamed;
      EXPECT_EQ(Launch(ticket, output, {}, &inMidWrite)->Finish().status, -1) << output;
      const auto left = std::distance(fs::directory_iterator(folder_.File(output)), fs::directory_iterator());
      EXPECT_EQ(left, unnamed ? 0 : 1) << output << ": a killed save left " << left << " files";
    }
    const ProgramRun retry = Launch(ticket, output)->Finish();
    EXPECT_EQ(retry.status, 0) << Printed(retry);
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_.File(output))) names.push_back(entry.path().filename());
    EXPECT_EQ(names, std::vector<std::string>{"OUT.kpx"}) << output;
  }
}

}  // namespace
