// Process ids: the text form and its refusals, and whether a process still
// runs — told by its pid and start time in this namespace, only ever
// "ended" by its life mark elsewhere, and not at all for what cannot be
// checked from here.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <gtest/gtest.h>

#include <string>

#include "PausedChild.h"
#include "QK_TProcess.h"
#include "TempFolder.h"

namespace {

const std::string kBoot(32, 'a');
const std::string kMachine(32, 'b');

TEST(ProcessIdTest, EveryTextFormReadsBackAndOtherTextsAreRefused) {
  const std::string longForm = "4711.123456." + kBoot + ".4026531836." + kMachine;
  for (const std::string& text : {std::string("4711.123456"), longForm, longForm + "+00000000000000ff",
                                  "4711.123456." + kBoot + ".4026531836.0"}) {
    QK_TProcessId id;
    ASSERT_TRUE(QK_TProcessId::Parse(text, id)) << text;
    EXPECT_EQ(id.Text(), text);
    EXPECT_EQ(id.pid, 4711);
    EXPECT_EQ(id.startTime, 123456u);
  }
  QK_TProcessId marked;
  ASSERT_TRUE(QK_TProcessId::Parse(longForm + "+00000000000000ff", marked));
  EXPECT_EQ(marked.boot + " " + std::to_string(marked.pidNamespace) + " " + marked.machine,
            kBoot + " 4026531836 " + kMachine);
  EXPECT_EQ(marked.life, 0xffu);

  for (const std::string& text :
       {std::string("4711"), std::string("4711."), std::string("0.5"), std::string("4711.5.6"),
        "4711.5." + kBoot.substr(1) + ".1." + kMachine, "4711.5." + kBoot + ".0." + kMachine,
        "4711.5." + kBoot + ".1.xyz", std::string("4711.5+00000000000000ff"), longForm + "+ff", longForm + "+",
        longForm + "+0000000000000000", longForm + "+4000000000000000", longForm + "+00000000000000fg"}) {
    QK_TProcessId id;
    EXPECT_FALSE(QK_TProcessId::Parse(text, id)) << text;
  }
}

// A run of this namespace is judged by its pid, whatever lock is held on
// its life mark: any account that may read the folder can take one. One
// of another namespace (a container) is not known to run while the byte
// is held, and has ended once nobody holds it.
TEST(ProcessIdTest, ALockOnTheLifeMarkNeverOutvotesThePid) {
  TempFolder folder;
  TempFolder elsewhere;
  const QK_TProcessId self = QK_TProcessId::MarkLifeIn(folder.path());
  EXPECT_EQ(self.life, self.LifeKey());
  EXPECT_NE(self.life, 0u);
  EXPECT_LT(self.life, 1ULL << 62);
  EXPECT_EQ(QK_TProcessId::MarkLifeIn(folder.path()).Text(), self.Text()) << "marking again changes nothing";
  EXPECT_EQ(self.StateIn(folder.path()), QK_TRunState::kRunning);

  PausedChild child(folder.path());
  QK_TProcessId inContainer = child.Id();
  ASSERT_NE(inContainer.life, 0u);
  inContainer.pidNamespace += 1;
  EXPECT_EQ(child.Id().StateIn(folder.path()), QK_TRunState::kRunning);
  EXPECT_EQ(child.Id().StateIn(elsewhere.path()), QK_TRunState::kRunning) << "its pid runs";
  EXPECT_EQ(inContainer.StateIn(folder.path()), QK_TRunState::kUnknown);
  EXPECT_EQ(inContainer.StateIn(elsewhere.path()), QK_TRunState::kEnded);
  EXPECT_EQ(inContainer.StateIn(folder.File("no-such-folder")), QK_TRunState::kUnknown);

  // Another open of the folder holds a read lock on every byte of it.
  const int holder = open(folder.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  struct flock everyByte {};
  everyByte.l_type = F_RDLCK;
  everyByte.l_whence = SEEK_SET;
  ASSERT_EQ(fcntl(holder, F_OFD_SETLK, &everyByte), 0);
  child.Reap();
  EXPECT_EQ(child.Id().StateIn(folder.path()), QK_TRunState::kEnded);
  EXPECT_EQ(inContainer.StateIn(folder.path()), QK_TRunState::kUnknown);
  close(holder);
  EXPECT_EQ(inContainer.StateIn(folder.path()), QK_TRunState::kEnded);
}

// Ids without a life mark, as a former version wrote them.
TEST(ProcessIdTest, WithoutALifeMarkOnlyThisNamespaceAndEarlierBootsCanBeJudged) {
  TempFolder folder;
  const QK_TProcessId self = QK_TProcessId::Self();
  ASSERT_FALSE(self.boot.empty()) << "this machine tells its boot";
  EXPECT_EQ(self.StateIn(folder.path()), QK_TRunState::kRunning);

  PausedChild child;
  const QK_TProcessId id = QK_TProcessId::Of(child.Pid());
  EXPECT_GE(id.startTime, self.startTime) << "the child started after this process";
  EXPECT_EQ(id.StateIn(folder.path()), QK_TRunState::kRunning);
  QK_TProcessId reused = id;
  ++reused.startTime;
  EXPECT_EQ(reused.StateIn(folder.path()), QK_TRunState::kEnded) << "the same pid, a later process";
  QK_TProcessId otherNamespace = id;
  otherNamespace.pidNamespace += 1;
  EXPECT_EQ(otherNamespace.StateIn(folder.path()), QK_TRunState::kUnknown);

  QK_TProcessId earlierBoot = id;
  earlierBoot.boot = std::string(32, 'f');
  earlierBoot.machine = self.machine == "0" ? kMachine : self.machine;
  EXPECT_EQ(earlierBoot.StateIn(folder.path()),
            self.machine == "0" ? QK_TRunState::kUnknown : QK_TRunState::kEnded);
  QK_TProcessId noMachineId = earlierBoot;
  noMachineId.machine = "0";
  EXPECT_EQ(noMachineId.StateIn(folder.path()), QK_TRunState::kUnknown) << "maybe another machine";
  QK_TProcessId otherMachine = earlierBoot;
  otherMachine.machine = std::string(32, 'e');
  EXPECT_EQ(otherMachine.StateIn(folder.path()), QK_TRunState::kUnknown);
  QK_TProcessId unplaced;
  ASSERT_TRUE(QK_TProcessId::Parse(std::to_string(id.pid) + "." + std::to_string(id.startTime), unplaced));
  EXPECT_EQ(unplaced.StateIn(folder.path()), QK_TRunState::kUnknown);

  // Ended, and not yet reaped: it has ended all the same.
  kill(child.Pid(), SIGKILL);
  siginfo_t info{};
  ASSERT_EQ(waitid(P_PID, static_cast<id_t>(child.Pid()), &info, WEXITED | WNOWAIT), 0);
  EXPECT_EQ(id.StateIn(folder.path()), QK_TRunState::kEnded);
  EXPECT_EQ(QK_TProcessId::Of(id.pid).startTime, 0u);
  child.Reap();
  EXPECT_EQ(id.StateIn(folder.path()), QK_TRunState::kEnded);
}

}  // namespace
