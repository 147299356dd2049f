// Test double for the CAD interface's own operations: MockDriver stands in
// for the task operations too, this one keeps their real bodies, so a test
// runs an operation over mocked automation calls. ReportingTask is a task
// whose messages a RecordingSink receives.
//
//   ReportingTask task;
//   testing::NiceMock<OperationDriver> cad(&task);
//   EXPECT_CALL(cad, OpenDesign(QK_TString("box.kpx")));
//   cad.GenerateShopCard(record);
//   EXPECT_THAT(task.sink.events, testing::Contains("message 0 shapejobs.message.shopcarddesign box.kpx"));
#pragma once

#include <gtest/gtest.h>

#include "MockDriver.h"
#include "RecordingSink.h"
#include "TW_TTask.h"
#include "TempFolder.h"

class OperationDriver : public MockDriver {
 public:
  using MockDriver::MockDriver;

  int GenerateDesignFromStandard(CAD::RunStandardTicketData& record) override {
    return DRAVOInterface::GenerateDesignFromStandard(record);
  }
  int GenerateDesignInfo(CAD::ShopCardTicketData& record, QK_TString& text,
                         QK_TURL& outputLocation) override {
    return DRAVOInterface::GenerateDesignInfo(record, text, outputLocation);
  }
  int GenerateDesignInfoWithVariables(CAD::ShopCardTicketData& record, CAD::StringMapList& exportedDesigns,
                                      QK_TString& text, QK_TURL& outputLocation) override {
    return DRAVOInterface::GenerateDesignInfoWithVariables(record, exportedDesigns, text, outputLocation);
  }
  int GenerateShopCard(CAD::ShopCardTicketData& record) override {
    return DRAVOInterface::GenerateShopCard(record);
  }
  int SplitDesign(CAD::SplitDesignTicketData& record) override { return DRAVOInterface::SplitDesign(record); }
  int GenerateLayout(CAD::StringMapList& entries, CAD::LOTicketParam& record) override {
    return DRAVOInterface::GenerateLayout(entries, record);
  }
};

// A task that only reports: its events go to `sink`, its temporary files
// to `folder`.
class ReportingTask : public TW_TTask {
 public:
  ReportingTask() {
    TW_TTaskSetup setup;
    setup.taskId = "operation-test";
    setup.outputDir = folder.Url();
    setup.outputName = "job";
    Prepare(setup, &sink);
  }
  int Run(AT_TTicket&) override { return 0; }

  // The message lines (without the stage, progress and log events).
  std::vector<std::string> Messages() const { return sink.Starting("message "); }

  TempFolder folder;
  RecordingSink sink;
};

// A test of the interface's operations: a reporting task and the double
// that reports to it.
class OperationTest : public ::testing::Test {
 protected:
  ReportingTask task;
  ::testing::NiceMock<OperationDriver> cad{&task};
};
