// The run of a ticket as the framework sees it: stages, progress, messages,
// output contexts and the result; and the naming of outputs.
#include <gtest/gtest.h>

#include "ConnectedTask.h"

namespace {

class RunTest : public TaskTest {
 protected:
  RunTest() {
    UseSite(SiteConfiguration(ConventionalEntry("Local", "db-host", "designs", "SQL Server") +
                              ConventionalEntry("Incomplete", "", "")));
  }

  int Run(const char* action, std::vector<std::string> inputs = {}, const char* server = "Local") {
    QK_TDict parameters;
    parameters.Set("SERVER", QK_TAny(server));
    return TaskTest::Run(action, inputs, "job", parameters);
  }
};

TEST_F(RunTest, TicketWithoutInputsSucceedsAndHandsOverTheOkContext) {
  EXPECT_EQ(Run("runstandard_carton"), 0);
  EXPECT_EQ(sink.events, (std::vector<std::string>{
                             "message 0 shapejobs.stage.initializing",
                             "progress 10",
                             "stage shapejobs.stage.runstandard",
                             "message 0 shapejobs.message.ticketdone",
                             "stage shapejobs.stage.ticketsuccess",
                             "progress 100",
                         }));
  ASSERT_EQ(task.HandedOverContexts().size(), 1u);
  EXPECT_EQ(task.HandedOverContexts()[0].Name(), QK_TString("OK"));
  EXPECT_TRUE(task.IsFinished());
}

TEST_F(RunTest, LayoutTicketHandsOverNoContext) {
  EXPECT_EQ(Run("RunLayout"), 0);
  EXPECT_EQ(sink.Starting("stage"), (std::vector<std::string>{"stage shapejobs.stage.layoutoptimizer",
                                                               "stage shapejobs.stage.ticketsuccess"}));
  EXPECT_TRUE(task.HandedOverContexts().empty());
}

TEST_F(RunTest, UnsupportedActionOnlyFailsOnceThereIsAnInput) {
  EXPECT_EQ(Run("printsomething"), 0);
  EXPECT_EQ(sink.Starting("stage"), (std::vector<std::string>{"stage shapejobs.stage.ticketsuccess"}));
}

TEST_F(RunTest, UnsupportedActionFailsAtItsFirstInput) {
  // The server is connected before the action is looked at; without a CAD
  // application here the ticket fails at the connection already.
  EXPECT_EQ(Run("printsomething", {"/in/a.xml"}), 2);
  EXPECT_EQ(sink.Starting("stage"), (std::vector<std::string>{"stage shapejobs.stage.ticketfail"}));
}

TEST_F(RunTest, UnknownServerFailsTheTicketWithItsMessage) {
  EXPECT_EQ(Run("splitdesign", {"/in/box.kpx"}, "Elsewhere"), 2);
  EXPECT_EQ(sink.events, (std::vector<std::string>{
                             "message 0 shapejobs.stage.initializing",
                             "progress 10",
                             "stage shapejobs.stage.splitdesign",
                             "message 0 shapejobs.log.processing file:///in/box.kpx",
                             "message 2 shapejobs.error.cadservernotfound Elsewhere",
                             "stage shapejobs.stage.ticketfail",
                         }));
  EXPECT_TRUE(task.HandedOverContexts().empty());
  EXPECT_TRUE(task.IsFinished());
}

TEST_F(RunTest, MissingServerListIsReportedAndTheFirstInputFails) {
  UseSite("<Configuration/>", "empty.xml");
  EXPECT_EQ(Run("runstandard", {"/in/a.xml"}), 2);
  EXPECT_EQ(sink.Starting("message 2"),
            (std::vector<std::string>{"message 2 shapejobs.error.NoCadServersConfigured",
                                      "message 2 shapejobs.error.cadservernotfound Local"}));
}

TEST_F(RunTest, PlainExceptionsAreLoggedAndReportedAsException) {
  // This test program has no CAD application installed: starting the
  // driver fails with the program's own exception, which the run logs.
  EXPECT_EQ(Run("runstandard", {"/in/a.xml", "/in/b.xml"}), 2);
  EXPECT_EQ(sink.Starting("progress"), (std::vector<std::string>{"progress 5"}));
  EXPECT_EQ(sink.Starting("message 0 shapejobs.log.processing").size(), 1u) << "the second input is not processed";
  EXPECT_EQ(sink.Starting("message 2"), (std::vector<std::string>{"message 2 shapejobs.message.exception"}));
  ASSERT_EQ(sink.logs.size(), 1u);
  EXPECT_NE(sink.logs[0].find("DravoRuntimeException: Failed to initialize Dravo"), std::string::npos) << sink.logs[0];
  EXPECT_NE(sink.logs[0].find("DRAVOWrapper"), std::string::npos) << "the throw site is logged";
}

TEST_F(RunTest, IncompleteServerRecordIsReportedBeforeAnythingStarts) {
  EXPECT_EQ(Run("runstandard", {"/in/a.xml"}, "Incomplete"), 2);
  EXPECT_EQ(sink.Starting("message 2"), (std::vector<std::string>{"message 2 shapejobs.error.MissingDatabaseName"}));
}

TEST_F(RunTest, TheRunMutexIsFreeAfterEveryEnd) {
  Run("runstandard", {"/in/a.xml"});
  std::unique_lock<std::mutex> lock(CAD::RunMutex(), std::try_to_lock);
  EXPECT_TRUE(lock.owns_lock());
}

QK_TURL Changed(const char* name, const char* extension) {
  QK_TURL location = QK_TURL::FromLocalPath(QK_TString("/out/") + name);
  CAD::Task::ChangeOutputExtension(location, extension);
  return location;
}

TEST(OutputNamesTest, KnownExtensionsAreReplacedOthersKept) {
  EXPECT_EQ(Changed("job.kpx", ".xml").LocalName(), QK_TString("/out/job.xml"));
  EXPECT_EQ(Changed("job.MFG", ".kpx").LocalName(), QK_TString("/out/job.kpx"));
  EXPECT_EQ(Changed("job.xml", ".xml").LocalName(), QK_TString("/out/job.xml"));
  EXPECT_EQ(Changed("job.XML", ".xml").LocalName(), QK_TString("/out/job.xml"));
  EXPECT_EQ(Changed("job", ".kpx").LocalName(), QK_TString("/out/job.kpx"));
  EXPECT_EQ(Changed("job.old", ".kpx").LocalName(), QK_TString("/out/job.old.kpx"));
  EXPECT_EQ(Changed("order.pdf", ".xml").LocalName(), QK_TString("/out/order.pdf.xml"));
  EXPECT_EQ(Changed("plot.CFF2", ".xml").LocalName(), QK_TString("/out/plot.xml"));
}

TEST(OutputNamesTest, PrintItemListsAreSplitTrimmedAndWithoutEmptyPieces) {
  EXPECT_EQ(CAD::Task::SplitList("FRONT , ,BACK", ','), (std::vector<QK_TString>{"FRONT", "BACK"}));
  EXPECT_TRUE(CAD::Task::SplitList("", ',').empty());
  EXPECT_TRUE(CAD::Task::SplitList(",,,", ',').empty());
  EXPECT_EQ(CAD::Task::SplitList(" Lid ", ','), (std::vector<QK_TString>{"Lid"}));
}

TEST(TaskClassTest, RegistersAsTaskAndCreatesTasks) {
  const QK_TClass& classObject = CAD::Task::QK_ClassObject();
  EXPECT_EQ(&classObject, &CAD::Task::QK_ClassObject());
  EXPECT_STREQ(classObject.Name(), "Task");
  EXPECT_EQ(QK_TClass::Find("Task"), &classObject);
  EXPECT_EQ(classObject.Superclass(), &TW_TTask::QK_ClassObject());

  std::unique_ptr<QK_TObject> object(classObject.CreateObject());
  ASSERT_NE(object, nullptr);
  auto* task = static_cast<CAD::Task*>(object->QK_DynamicInfo("Task"));
  ASSERT_NE(task, nullptr);
  EXPECT_EQ(object->QK_DynamicInfo("TW_TTask"), static_cast<void*>(static_cast<TW_TTask*>(task)));
  EXPECT_EQ(object->QK_DynamicInfo("NotAClass"), nullptr);
  EXPECT_EQ(object->QK_DynamicInfo(nullptr), static_cast<const void*>(&classObject));
  EXPECT_TRUE(classObject.Announced());
}

TEST(ModuleInitialisationTest, SucceedsAndStaysSucceeded) {
  EXPECT_TRUE(__QK_INITIALIZATION_FUNCTION_Shapejob__());
  EXPECT_TRUE(__QK_INITIALIZATION_FUNCTION_Shapejob__());
}

}  // namespace
