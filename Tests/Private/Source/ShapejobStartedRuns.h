// Test helper for end-to-end tests of runs at once and runs stopped at a
// chosen point: the program started in a process of its own (another
// account's or another PID namespace's through a launcher), its output
// read while it runs, and a site whose odbc.ini holds sections of its own.
// A run can be made to stop, or to wait, at a chosen write of a file (the
// preloaded library Tests/Support/WriteCut.cpp), so that a kill or a live
// run is placed by its step, never by timing.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "OdbcIniText.h"
#include "ShapejobE2eSite.h"
#include "ShapejobSiteOdbcIni.h"

namespace e2e {

namespace fs = std::filesystem;

// Where a run stops: at the `at`th call that changes `file` (a write,
// truncation or rename onto it), after `bytes` of it ("all": the whole
// call), by being killed ("kill") or by waiting until released ("hold").
struct CutAt {
  std::string file;
  int at = 1;
  std::string bytes = "all";
  std::string action = "kill";
};

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

class RunsSite : public Site {
 protected:
  // The configuration folder is the process's for every test: what a
  // test's runs left beside odbc.ini (journals kept as not used) goes.
  ~RunsSite() override {
    for (const auto& entry : fs::directory_iterator(fs::path(site_ini::Path()).parent_path())) {
      if (entry.path().filename().string().rfind("odbc.ini.", 0) == 0) fs::remove(entry.path());
    }
  }

  RunsSite() {
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

  // The .MFG files a layout wrote into `output`.
  int LayoutFiles(const std::string& output) const {
    int count = 0;
    for (const auto& entry : fs::directory_iterator(folder_.File(output + "/mfg"))) {
      count += entry.path().extension() == ".MFG" ? 1 : 0;
    }
    return count;
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


// Adds a data source to the site as its administrator does, with the
// installer's own command.
inline void AddSiteDataSource(const std::string& name) {
  const std::string templateFile = std::string(std::getenv("ODBCSYSINI")) + "/added.template";
  std::ofstream(templateFile) << "[" << name << "]\nDriver=SQLite3\nDatabase=/srv/" << name << ".db\n";
  const std::string command = "odbcinst -i -s -l -f '" + templateFile + "' >/dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

// Removes a data source of the site as its administrator does.
inline void RemoveSiteDataSource(const std::string& name) {
  const std::string command = "odbcinst -u -s -l -n '" + name + "' >/dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

// The account a workflow server runs its tasks as, as a run gets it.
inline const std::vector<std::string> kAsNobody = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
constexpr uid_t kNobody = 65534;

inline void Own(const std::string& path, uid_t owner, mode_t mode) {
  ASSERT_EQ(chown(path.c_str(), owner, owner), 0) << path;
  ASSERT_EQ(chmod(path.c_str(), mode), 0) << path;
}

inline struct stat StatOf(const std::string& path) {
  struct stat info {};
  stat(path.c_str(), &info);
  return info;
}

}  // namespace e2e
