// Process ids: the text form, and whether a process named by its id and
// start time still runs — a reaped process, and a process id that now
// belongs to another start time, do not.
#include <unistd.h>


#include <gtest/gtest.h>

#include "PausedChild.h"
#include "QK_TProcess.h"

namespace {

TEST(ProcessIdTest, TheTextFormReadsBackAndOtherTextsAreRefused) {
  QK_TProcessId id;
  ASSERT_TRUE(QK_TProcessId::Parse("4711.123456", id));
  EXPECT_EQ(id.pid, 4711);
  EXPECT_EQ(id.startTime, 123456u);
  EXPECT_EQ(id.Text(), "4711.123456");

  QK_TProcessId self;
  ASSERT_TRUE(QK_TProcessId::Parse(QK_TProcessId::Self().Text(), self));
  EXPECT_TRUE(self == QK_TProcessId::Self());

  for (const char* text : {"", "4711", "4711.", ".5", "0.5", "-1.5", "47 11.5", "4711.5.6", "4711.x",
                           "99999999999.5"}) {
    EXPECT_FALSE(QK_TProcessId::Parse(text, id)) << text;
  }
}

TEST(ProcessIdTest, ARunningProcessRunsUnderItsOwnStartTimeOnly) {
  const QK_TProcessId self = QK_TProcessId::Self();
  EXPECT_EQ(self.pid, getpid());
  EXPECT_NE(self.startTime, 0u);
  EXPECT_TRUE(self.IsRunning());

  PausedChild child;
  const QK_TProcessId id = QK_TProcessId::Of(child.Pid());
  EXPECT_GE(id.startTime, self.startTime) << "the child started after this process";
  EXPECT_TRUE(id.IsRunning());
  QK_TProcessId reused = id;
  ++reused.startTime;
  EXPECT_FALSE(reused.IsRunning()) << "the same pid with another start time is another process";

  child.Reap();
  EXPECT_FALSE(id.IsRunning());
  EXPECT_EQ(QK_TProcessId::Of(id.pid).startTime, 0u);
}

}  // namespace
