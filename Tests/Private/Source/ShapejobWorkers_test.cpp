// The workers: progress steps, the message naming the server, what they
// put into the record, and how each catch table turns the operation's
// failures into one message and a TaskError.
#include <gtest/gtest.h>

#include <functional>

#include "ConnectedTask.h"
#include "DravoException.h"
#include "TaskError.h"

namespace {

using ::testing::_;
using ::testing::Invoke;
using ::testing::Return;

// A task connected to "Local" through a mock driver.
class WorkerTest : public TaskTest {
 public:
  WorkerTest() : cad(&task.ConnectMock(ConventionalServer("Local"))) {}
  // For the rows of the catch tables.
  using TaskTest::task;
  using TaskTest::sink;
  MockDriver* cad;
  QK_TURL output = QK_TURL::FromLocalPath("/out/job.kpx");
};

TEST_F(WorkerTest, RunStandardReportsItsStepsAndHandsTheLocalOutputPath) {
  CAD::RunStandardTicketData record;
  EXPECT_CALL(*cad, GenerateDesignFromStandard(_)).WillOnce(Invoke([](CAD::RunStandardTicketData& seen) {
    EXPECT_EQ(seen.outputPath, QK_TString("/out/job.kpx"));
    return 5;
  }));
  EXPECT_EQ(task.ProcessRunStandard(record, output, 10.0, 90.0), 5) << "a warning result is passed on";
  EXPECT_EQ(sink.events, (std::vector<std::string>{"progress 28",
                                                   "message 0 shapejobs.message.generatingdesignfromstandard Local",
                                                   "progress 46", "progress 82"}));
}

TEST_F(WorkerTest, ShopCardHandsTheOutputLocationBeforeTheOperation) {
  CAD::ShopCardTicketData record;
  EXPECT_CALL(*cad, GenerateShopCard(_)).WillOnce(Invoke([this](CAD::ShopCardTicketData& seen) {
    EXPECT_EQ(seen.outputLocation, output);
    return 0;
  }));
  EXPECT_EQ(task.ProcessShopCard(record, output, 5.0, 47.5), 0);
  EXPECT_EQ(sink.Starting("progress"), (std::vector<std::string>{"progress 14", "progress 24", "progress 43"}));
}

TEST_F(WorkerTest, DesignInformationChoosesItsOperationByTheExportedList) {
  CAD::ShopCardTicketData record;
  CAD::StringMapList designs;
  EXPECT_CALL(*cad, GenerateDesignInfo(_, _, _)).WillOnce(Return(0));
  EXPECT_EQ(task.ProcessDesignInfo(record, designs, output, 10.0, 90.0), 0);
  EXPECT_EQ(sink.Starting("progress"), (std::vector<std::string>{"progress 28", "progress 46"}));

  designs.push_back({{"Name", "box.kpx"}});
  EXPECT_CALL(*cad, GenerateDesignInfoWithVariables(_, _, _, _)).WillOnce(Return(1));
  EXPECT_EQ(task.ProcessDesignInfo(record, designs, output, 10.0, 90.0), 1);
}

TEST_F(WorkerTest, SplitDesignAndLayoutCallTheirOperations) {
  CAD::SplitDesignTicketData split;
  EXPECT_CALL(*cad, SplitDesign(_)).WillOnce(Invoke([](CAD::SplitDesignTicketData& seen) {
    EXPECT_EQ(seen.outputPath, QK_TString("/out/job.kpx"));
    return 0;
  }));
  EXPECT_EQ(task.ProcessSplitDesign(split, output, 10.0, 90.0), 0);
  CAD::StringMapList entries;
  CAD::LOTicketParam layout;
  EXPECT_CALL(*cad, GenerateLayout(_, _)).WillOnce(Return(1));
  EXPECT_EQ(task.ProcessLayout(entries, layout, 10.0, 90.0), 1);
  EXPECT_EQ(sink.Starting("message 0"),
            (std::vector<std::string>{"message 0 shapejobs.message.splittingcaddesign Local",
                                      "message 0 shapejobs.message.generatinglayout Local"}));
}

// One row of a catch table: the worker, what its operation throws, and
// the one message (and log) the worker sends before its TaskError.
struct CatchRow {
  const char* name;
  std::function<void(WorkerTest&)> run;  // the worker, with its operation failing
  const char* message;  // empty: no message
  bool logged;
};

template <class Exception>
std::function<void()> Throws(const char* message = "message text", const char* data = "data text") {
  return [=] {
    Exception e{QK_TString(message)};
    e.QK_Data() = QK_TAny(data);
    QK_THROW(e);
  };
}

class CatchTableTest : public WorkerTest, public ::testing::WithParamInterface<CatchRow> {};

TEST_P(CatchTableTest, FailureBecomesOneMessageAndTaskError) {
  const CatchRow& row = GetParam();
  EXPECT_THROW(row.run(*this), TaskError);
  const std::vector<std::string> errors = sink.Starting("message 2");
  if (row.message[0] == '\0') {
    EXPECT_TRUE(errors.empty());
  } else {
    EXPECT_EQ(errors, std::vector<std::string>{row.message});
  }
  EXPECT_EQ(sink.logs.size(), row.logged ? 1u : 0u);
}

std::function<void(WorkerTest&)> RunStandardFailing(std::function<void()> fail) {
  return [fail](WorkerTest& t) {
    CAD::RunStandardTicketData record;
    EXPECT_CALL(*t.cad, GenerateDesignFromStandard(_)).WillOnce(Invoke([fail](auto&) -> int {
      fail();
      return 0;
    }));
    t.task.ProcessRunStandard(record, t.output, 10, 90);
  };
}
std::function<void(WorkerTest&)> SplitFailing(std::function<void()> fail) {
  return [fail](WorkerTest& t) {
    CAD::SplitDesignTicketData record;
    EXPECT_CALL(*t.cad, SplitDesign(_)).WillOnce(Invoke([fail](auto&) -> int {
      fail();
      return 0;
    }));
    t.task.ProcessSplitDesign(record, t.output, 10, 90);
  };
}
std::function<void(WorkerTest&)> ShopCardFailing(std::function<void()> fail) {
  return [fail](WorkerTest& t) {
    CAD::ShopCardTicketData record;
    EXPECT_CALL(*t.cad, GenerateShopCard(_)).WillOnce(Invoke([fail](auto&) -> int {
      fail();
      return 0;
    }));
    t.task.ProcessShopCard(record, t.output, 10, 90);
  };
}
std::function<void(WorkerTest&)> DesignInfoFailing(std::function<void()> fail) {
  return [fail](WorkerTest& t) {
    CAD::ShopCardTicketData record;
    CAD::StringMapList designs;
    EXPECT_CALL(*t.cad, GenerateDesignInfo(_, _, _)).WillOnce(Invoke([fail](auto&, auto&, auto&) -> int {
      fail();
      return 0;
    }));
    t.task.ProcessDesignInfo(record, designs, t.output, 10, 90);
  };
}
std::function<void(WorkerTest&)> LayoutFailing(std::function<void()> fail) {
  return [fail](WorkerTest& t) {
    CAD::StringMapList entries;
    CAD::LOTicketParam record;
    EXPECT_CALL(*t.cad, GenerateLayout(_, _)).WillOnce(Invoke([fail](auto&, auto&) -> int {
      fail();
      return 0;
    }));
    t.task.ProcessLayout(entries, record, 10, 90);
  };
}

const CatchRow kRows[] = {
    {"RunStandardNotFound", RunStandardFailing(Throws<CAD::StandardNotFoundException>()), "message 2 shapejobs.message.standardnotfound message text", true},
    {"RunStandardDravo", RunStandardFailing(Throws<CAD::DravoError>()), "message 2 shapejobs.message.dravoerrorstring data text", true},
    {"SplitNotOpen", SplitFailing(Throws<CAD::DesignNotOpenException>()), "message 2 shapejobs.message.designnotopen message text", true},
    {"SplitSave", SplitFailing(Throws<CAD::SaveDesignFailed>()), "message 2 shapejobs.message.savedesignfailed message text", true},
    {"SplitDravo", SplitFailing(Throws<CAD::DravoError>()), "message 2 shapejobs.message.dravoerrorstring data text", true},
    {"ShopCardNoDesign", ShopCardFailing(Throws<CAD::EmptyDesignNameException>()), "message 2 shapejobs.message.shopcardnodesign", true},
    {"ShopCardDravo", ShopCardFailing(Throws<CAD::DravoError>()), "message 2 shapejobs.message.dravoerrorstring data text", true},
    {"DesignInfoNothing", DesignInfoFailing(Throws<CAD::NoDesignInfoExportedException>()), "message 2 shapejobs.message.nodesigninfoexported", true},
    {"DesignInfoNoDesign", DesignInfoFailing(Throws<CAD::EmptyDesignNameException>()), "message 2 shapejobs.message.shopcardnodesign", true},
    {"DesignInfoDravo", DesignInfoFailing(Throws<CAD::DravoError>()), "message 2 shapejobs.message.dravoerrorstring data text", true},
    {"LayoutNoMfg", LayoutFailing(Throws<CAD::NOMFGGenerateException>()), "message 2 shapejobs.message.nomfggenerated", false},
    {"LayoutDravo", LayoutFailing(Throws<CAD::DravoError>()), "message 2 shapejobs.message.dravoerrorstring data text", true},
    {"LayoutGrain", LayoutFailing(Throws<CAD::InvalidGraindirectionException>()), "", false},
    {"LayoutUnit", LayoutFailing(Throws<CAD::InvalidUnitException>()), "", false},
    {"LayoutNoDesign", LayoutFailing(Throws<CAD::EmptyDesignNameException>()), "message 2 shapejobs.message.layoutnodesign", true},
    {"LayoutNotFound", LayoutFailing(Throws<CAD::StandardNotFoundException>()), "message 2 shapejobs.message.standardnotfound message text", true},
};

INSTANTIATE_TEST_SUITE_P(Workers, CatchTableTest, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(WorkerTest, FailuresNoTableNamesPassOnUnchanged) {
  CAD::ShopCardTicketData record;
  EXPECT_CALL(*cad, GenerateShopCard(_)).WillOnce(Invoke([](auto&) -> int {
    QK_THROW(CAD::StandardNotFoundException(QK_TString("std")));
  }));
  EXPECT_THROW(task.ProcessShopCard(record, output, 10, 90), CAD::StandardNotFoundException);
  EXPECT_TRUE(sink.Starting("message 2").empty());
}

class WorkerWithoutDriverTest : public TaskTest {};

TEST_F(WorkerWithoutDriverTest, RefusesToRunWithoutAConnectedServer) {
  CAD::RunStandardTicketData record;
  QK_TURL output = QK_TURL::FromLocalPath("/out/job.kpx");
  EXPECT_THROW(task.ProcessRunStandard(record, output, 10, 90), QK_EException);
}

}  // namespace
