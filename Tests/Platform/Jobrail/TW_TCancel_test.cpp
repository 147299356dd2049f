// A stop signal becomes the task's cancellation: raised once, at the task's
// next framework call, and a second signal ends the process at once, or
// when a change that holds the signals is done.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "TW_TCancel.h"
#include "TW_TTask.h"

namespace {

class WorkingTask : public TW_TTask {
 public:
  int Run(AT_TTicket&) override { return 0; }
};

TEST(TaskCancelTest, AStopSignalCancelsAtTheNextFrameworkCallOnce) {
  WorkingTask task;
  task.Prepare(TW_TTaskSetup(), nullptr);
  TW_InstallStopSignals();
  task.AddMessage(0, "before");  // nothing asked yet
  std::raise(SIGTERM);
  EXPECT_TRUE(TW_CancelWasRequested());
  EXPECT_THROW(task.AddMessage(0, "working"), TW_ETaskCanceled);
  // The clean-up after the cancellation still reports.
  EXPECT_NO_THROW(task.SetStage("failed"));
  EXPECT_NO_THROW(task.AddMessage(2, "cleaned up"));

  TW_RequestCancel();
  EXPECT_THROW(task.SetProgress(50), TW_ETaskCanceled);
}

TEST(TaskCancelDeathTest, ASecondSignalEndsTheProcessAtOnce) {
  EXPECT_EXIT(
      {
        TW_InstallStopSignals();
        std::raise(SIGINT);
        std::fputs("still running\n", stderr);
        std::raise(SIGINT);
        std::_Exit(0);
      },
      ::testing::ExitedWithCode(128 + SIGINT), "still running");
}

TEST(TaskCancelDeathTest, ASecondSignalDuringAHeldChangeEndsTheProcessWhenTheChangeEnds) {
  EXPECT_EXIT(
      {
        TW_InstallStopSignals();
        {
          TW_TStopSignalHold change;
          std::raise(SIGTERM);
          std::raise(SIGTERM);
          {
            TW_TStopSignalHold nested;
          }
          std::fputs("change finished\n", stderr);
        }
        std::fputs("after the change\n", stderr);
        std::_Exit(0);
      },
      ::testing::ExitedWithCode(128 + SIGTERM), "change finished");
}

TEST(TaskCancelDeathTest, OneSignalDuringAHeldChangeOnlyCancels) {
  EXPECT_EXIT(
      {
        TW_InstallStopSignals();
        {
          TW_TStopSignalHold change;
          std::raise(SIGTERM);
        }
        std::_Exit(TW_CancelWasRequested() ? 7 : 0);
      },
      ::testing::ExitedWithCode(7), "");
}

}  // namespace
