// What the benchmarks against the CAD application stand-in share: a
// temporary data folder with a user, a task whose events are counted
// rather than printed, and an enterprise driver logged in to the stand-in.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "EDRAVOWrapper.h"
#include "Shapejob.h"
#include "TemporaryFolder.h"

class QuietSink : public TW_IEventSink {
 public:
  void Message(int, const QK_TString&, const std::vector<QK_TAny>&) override { ++messages; }
  void Stage(const QK_TString&) override {}
  void Progress(unsigned int) override {}
  void Log(const QK_TString&) override {}
  void Output(const QK_TString&, const QK_TURL&) override {}
  int messages = 0;
};

class StandInBench {
 public:
  // The folder is /tmp/shapejob-<name>-XXXXXX, removed again at the end.
  explicit StandInBench(const std::string& name) : folder("/tmp/shapejob-" + name + "-") {
    if (folder.path().empty()) QK_THROW(QK_EException(QK_TString("No temporary folder: ") + folder.Error()));
    folder.Write("users.xml", "<Users><User name='bench' password='bench'/></Users>");
    task.Prepare(TW_TTaskSetup(), &sink);
    driver = std::make_unique<CAD::EDRAVOWrapper>(&task, QK_TString(folder.path()), "bench", "bench");
  }
  StandInBench(const StandInBench&) = delete;
  StandInBench& operator=(const StandInBench&) = delete;

  TemporaryFolder folder;
  QuietSink sink;
  CAD::Task task;
  // Declared last, so gone first: it may still write into the folder.
  std::unique_ptr<CAD::EDRAVOWrapper> driver;
};

// The benchmark's exit status; a failure is printed.
template <class Run>
int RunBenchmark(Run run) {
  try {
    run();
    return 0;
  } catch (const QK_EException& e) {
    std::fprintf(stderr, "%s\n", e.Describe().c_str());
    return 1;
  }
}
