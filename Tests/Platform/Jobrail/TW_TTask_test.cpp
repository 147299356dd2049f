#include "TW_TTask.h"

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "RegisteredTestTask.h"
#include "TempFolder.h"
#include "QK_TFile.h"

namespace {

// A task as a real program defines one: its own class object with a factory.
// Run reports a few events; the ticket parameter "fail" makes it throw.
constexpr char kJobrailTestTaskName[] = "JobrailTestTask";

class JobrailTestTask : public RegisteredTestTask<JobrailTestTask, kJobrailTestTaskName> {
 public:
  int Run(AT_TTicket& ticket) override {
    if (ticket.GetParameters().Has("fail")) QK_THROW(QK_EException("cannot go on"));
    SetStage("S_READ");
    SetProgress(40);
    AddMessage(1, "W_PAGES", ticket.GetActionName(), 3);
    Log("halfway");
    Finish();
    return 0;
  }
};

class Recorder : public TW_IEventSink {
 public:
  void Message(int severity, const QK_TString& key, const std::vector<QK_TAny>& arguments) override {
    events.push_back("message " + std::to_string(severity) + " " + key.str());
    lastArguments = arguments;
  }
  void Stage(const QK_TString& key) override { events.push_back("stage " + key.str()); }
  void Progress(unsigned int percent) override { events.push_back("progress " + std::to_string(percent)); }
  void Log(const QK_TString& text) override { events.push_back("log " + text.str()); }
  void Output(const QK_TString& context, const QK_TURL& file) override {
    events.push_back("output " + context.str() + " " + file.LocalName().str());
  }

  std::vector<std::string> events;
  std::vector<QK_TAny> lastArguments;
};

// Points $TMPDIR at a folder for the life of the object.
class ScopedTmpdir {
 public:
  explicit ScopedTmpdir(const QK_TURL& folder) {
    const char* old = std::getenv("TMPDIR");
    hadOld_ = old != nullptr;
    if (hadOld_) old_ = old;
    setenv("TMPDIR", folder.LocalName().c_str(), 1);
  }
  ~ScopedTmpdir() { hadOld_ ? setenv("TMPDIR", old_.c_str(), 1) : unsetenv("TMPDIR"); }

 private:
  bool hadOld_ = false;
  std::string old_;
};

class CapturedStdout {
 public:
  CapturedStdout() : old_(std::cout.rdbuf(text_.rdbuf())) {}
  ~CapturedStdout() { std::cout.rdbuf(old_); }
  std::string Text() const { return text_.str(); }

 private:
  std::ostringstream text_;
  std::streambuf* old_;
};

int CallInit(std::vector<std::string> arguments, TW_TTask::RequestHandler handler = nullptr) {
  arguments.insert(arguments.begin(), "shapejob");
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  return TW_TTask::Init(static_cast<int>(argv.size()), argv.data(), JobrailTestTask::QK_ClassObject(),
                        "Shapejob", false, 0, handler);
}

TEST(TaskObjectModelTest, TaskIsMadeThroughItsClassAndCastByName) {
  const QK_TClass* found = QK_TClass::Find(JobrailTestTask::QK_ClassObject().Name());
  ASSERT_NE(found, nullptr);
  EXPECT_TRUE(found->IsA("TW_TTask"));
  EXPECT_EQ(TW_TTask::QK_ClassObject().CreateObject(), nullptr);  // abstract
  std::unique_ptr<QK_TObject> object(found->CreateObject());
  TW_TTask* task = QK_DynamicCast<TW_TTask>(object.get());
  ASSERT_NE(task, nullptr);
  EXPECT_STREQ(task->ClassName(), "JobrailTestTask");
  EXPECT_EQ(object->QK_DynamicInfo("QK_TObject"), static_cast<QK_TObject*>(task));
  EXPECT_EQ(object->QK_DynamicInfo("NoSuchClass"), nullptr);
}

TEST(TaskReportingTest, RunReportsEventsInOrderAndFinishMarksTheTask) {
  Recorder recorder;
  JobrailTestTask task;
  task.Prepare(TW_TTaskSetup(), &recorder);
  AT_TTicket ticket("Shape", QK_TDict());
  EXPECT_EQ(task.Run(ticket), 0);
  EXPECT_EQ(recorder.events,
            (std::vector<std::string>{"stage S_READ", "progress 40", "message 1 W_PAGES", "log halfway"}));
  EXPECT_EQ(recorder.lastArguments, (std::vector<QK_TAny>{QK_TAny("Shape"), QK_TAny(3)}));
  EXPECT_TRUE(task.IsFinished());
}

TEST(TaskReportingTest, FinishAfterTheTaskIsGoneTouchesNothing) {
  auto task = std::make_unique<JobrailTestTask>();
  task->Prepare(TW_TTaskSetup(), nullptr);
  task.reset();
  TW_TTask::Finish();  // the sanitizer reports a use of the deleted task
  JobrailTestTask other;
  EXPECT_FALSE(other.IsFinished());
}

TEST(TaskReportingTest, MessagesKeepAtMostTenArguments) {
  Recorder recorder;
  JobrailTestTask task;
  task.Prepare(TW_TTaskSetup(), &recorder);
  std::vector<QK_TAny> twelve;
  for (int i = 0; i < 12; ++i) twelve.emplace_back(i);
  task.AddMessage(2, "E_MANY", twelve);
  ASSERT_EQ(recorder.lastArguments.size(), 10u);
  EXPECT_EQ(recorder.lastArguments.back(), QK_TAny(9));
}

TEST(TaskReportingTest, LoggedExceptionNamesClassMessageDataAndPlace) {
  Recorder recorder;
  JobrailTestTask task;
  task.Prepare(TW_TTaskSetup(), &recorder);
  try {
    QK_THROW(QK_EException("Disk full", QK_TAny("out.pdf")));
  } catch (const QK_EException& exception) {
    task.Log(exception);
  }
  ASSERT_EQ(recorder.events.size(), 1u);
  const std::string& line = recorder.events[0];
  EXPECT_EQ(line.rfind("log QK_EException: Disk full [out.pdf] (", 0), 0u) << line;
  EXPECT_NE(line.find("TW_TTask_test.cpp:"), std::string::npos) << line;
}

TEST(TaskSetupTest, TaskSeesItsSetup) {
  TW_TTaskSetup setup;
  setup.taskId = "job-7";
  setup.outputDir = QK_TURL("/jobs/out");
  setup.outputName = "proof";
  setup.inputs = {QK_TURL("/jobs/a.pdf"), QK_TURL("/jobs/b.pdf")};
  setup.names = {{"Customer", "ACME"}};
  JobrailTestTask task;
  task.Prepare(setup, nullptr);

  EXPECT_EQ(task.GetTaskID(), "job-7");
  EXPECT_EQ(task.OutputName(), "proof");
  ASSERT_EQ(task.NumberTaskInputs(), 2u);
  EXPECT_EQ(task.GetTaskInputContext(1).InputFile(), QK_TURL("/jobs/b.pdf"));
  EXPECT_THROW(task.GetTaskInputContext(2), QK_EException);
  task.SetOutputDirRaw(QK_TURL("/elsewhere"));
  EXPECT_EQ(task.OutputDir(), QK_TURL("/elsewhere"));
  QK_TString resolved;
  EXPECT_TRUE(task.GetTName().IsDefined("Customer"));
  EXPECT_TRUE(task.GetTName().Resolve("for <Customer/>", resolved));
  EXPECT_EQ(resolved, "for ACME");
}

TEST(TaskOutputTest, HandedOverContextsReportTheirFiles) {
  Recorder recorder;
  JobrailTestTask task;
  task.Prepare(TW_TTaskSetup(), &recorder);
  TW_TTaskOutput context("Proofs");
  context.AddOutputFile(QK_TURL("/out/p1.pdf"), "page 1");
  context.AddOutputFile(QK_TURL("/out/p2.pdf"), "page 2");
  task.AddTaskOutputContext(context);

  EXPECT_EQ(recorder.events,
            (std::vector<std::string>{"output Proofs /out/p1.pdf", "output Proofs /out/p2.pdf"}));
  ASSERT_EQ(task.HandedOverContexts().size(), 1u);
  EXPECT_EQ(task.HandedOverContexts()[0].Files()[1].label, "page 2");
}

TEST(TaskTempFilesTest, TempFilesShareOneFolderThatGoesWithTheTask) {
  TempFolder folder;
  ScopedTmpdir tmpdir(folder.Url());
  auto task = std::make_unique<JobrailTestTask>();
  TW_TTaskSetup setup;
  setup.taskId = "job42";
  task->Prepare(setup, nullptr);

  QK_TURL first = task->TempFile(".pdf");
  QK_TURL second = task->TempFile(".pdf");
  QK_TURL tempFolder = first.Parent();
  EXPECT_NE(first, second);
  EXPECT_EQ(second.Parent(), tempFolder);
  EXPECT_EQ(tempFolder.Parent(), folder.Url());
  EXPECT_TRUE(tempFolder.FileName().Contains("shapejob.")) << tempFolder.LocalName();
  EXPECT_TRUE(tempFolder.FileName().Contains("job42")) << tempFolder.LocalName();
  EXPECT_EQ(first.Extension(), ".pdf");
  EXPECT_FALSE(QK_TFileInfo::ExistsEx(first));

  QK_TFile::WriteAll(first, "scratch");
  QK_TURL registered = folder.WriteUrl("registered.tmp", "scratch");
  task->RegisterTempFile(registered);
  task.reset();
  EXPECT_FALSE(QK_TFileInfo::ExistsEx(tempFolder));
  EXPECT_FALSE(QK_TFileInfo::ExistsEx(registered));
}

TEST(TaskHostTest, TicketRunPrintsEventsAndResult) {
  TempFolder folder;
  QK_TURL ticket = folder.WriteUrl("t.xml", "<Ticket action='Shape' id='j1'><Input>a.pdf</Input></Ticket>");
  CapturedStdout out;
  EXPECT_EQ(CallInit({"--ticket", ticket.LocalName().str()}), 0);
  EXPECT_EQ(out.Text(),
            "stage S_READ\nprogress 40\nmessage 1 W_PAGES \"Shape\" \"3\"\nlog \"halfway\"\nresult 0\n");
}

TEST(TaskHostTest, RequestReplyIsPrinted) {
  TempFolder folder;
  QK_TURL request = folder.WriteUrl("r.xml", "<Request><Param key='what'>size</Param></Request>");
  CapturedStdout out;
  auto handler = [](const QK_TDict& request, QK_TAny& reply) {
    reply = QK_TAny(request.Get("what").AsString() + " \"A4\"");
  };
  EXPECT_EQ(CallInit({"--request", request.LocalName().str()}, handler), 0);
  EXPECT_EQ(CallInit({"--request", request.LocalName().str()}, [](const QK_TDict&, QK_TAny&) {}), 0);
  EXPECT_EQ(out.Text(), "reply \"size \\\"A4\\\"\"\nreply none\n");
}

TEST(TaskHostDeathTest, FailuresEndTheProcessWithTheirStatus) {
  TempFolder folder;
  QK_TURL failing = folder.WriteUrl("f.xml", "<Ticket action='Shape'><Param key='fail'/></Ticket>");
  std::string missing = folder.Url().Child("missing.xml").LocalName().str();
  EXPECT_EXIT(CallInit({"--ticket", missing}), ::testing::ExitedWithCode(3), "cannot read ticket");
  EXPECT_EXIT(CallInit({"--ticket", failing.LocalName().str()}), ::testing::ExitedWithCode(2), "");
  EXPECT_EXIT(CallInit({"--bogus"}), ::testing::ExitedWithCode(3), "unknown option --bogus");
}

}  // namespace
