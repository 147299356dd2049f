// The names the task framework supplies by itself: the input's name and the
// task's counter, unless the ticket defines them.
#include <gtest/gtest.h>

#include "TW_TTask.h"

namespace {

class NamesTask : public TW_TTask {
 public:
  int Run(AT_TTicket&) override { return 0; }
};

QK_TString Resolved(TW_TTask& task, const char* text) {
  QK_TString value("(unresolved)");
  task.GetTName().Resolve(text, value);
  return value;
}

TEST(TaskNamesTest, FileIsTheStemOfTheInputLastHandedOut) {
  NamesTask task;
  TW_TTaskSetup setup;
  setup.inputs = {QK_TURL::FromLocalPath("/in/order-7.xml"), QK_TURL::FromLocalPath("/in/archive.tar.gz")};
  task.Prepare(setup, nullptr);
  EXPECT_EQ(Resolved(task, "<<file/>>"), QK_TString("(unresolved)")) << "no input handed out yet";
  task.GetTaskInputContext(0);
  EXPECT_EQ(Resolved(task, "/<<file/>>.MFG"), QK_TString("/order-7.MFG"));
  task.GetTaskInputContext(1);
  EXPECT_EQ(Resolved(task, "<<file/>>"), QK_TString("archive.tar"));
}

TEST(TaskNamesTest, TheCounterGrowsPerResolutionWithTheAskedDigits) {
  NamesTask task;
  task.Prepare(TW_TTaskSetup(), nullptr);
  EXPECT_EQ(Resolved(task, "a_<<autonr1/>>"), QK_TString("a_1"));
  EXPECT_EQ(Resolved(task, "<<autonr1/>>-<<autonr3/>>"), QK_TString("2-003"));
  EXPECT_EQ(Resolved(task, "<<autonr/>>"), QK_TString("(unresolved)"));
  EXPECT_EQ(Resolved(task, "<<autonrx/>>"), QK_TString("(unresolved)"));
}

TEST(TaskNamesTest, TheTicketsOwnValuesWin) {
  NamesTask task;
  TW_TTaskSetup setup;
  setup.inputs = {QK_TURL::FromLocalPath("/in/order-7.xml")};
  setup.names = {{"file", "given"}, {"autonr1", "0042"}};
  task.Prepare(setup, nullptr);
  task.GetTaskInputContext(0);
  EXPECT_EQ(Resolved(task, "<<file/>> <<autonr1/>> <<autonr1/>>"), QK_TString("given 0042 0042"));
}

}  // namespace
