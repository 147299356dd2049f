// Whole runs of each task type with a connected (mock) CAD driver and the
// real ticket builders: output names and extensions, progress, results,
// output contexts, and how a failed input ends the ticket.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "AutomationCounts.h"
#include "ConnectedTask.h"
#include "DravoException.h"

namespace {

using ::testing::_;
using ::testing::Invoke;
using ::testing::Return;

// A task already connected to "Local" through a mock driver: the run keeps
// the driver, since the server does not change.
class RunTypesTest : public TaskTest {
 protected:
  RunTypesTest() : cad(&task.ConnectMock(ConventionalServer("Local", "db-host", "designs"))) {
    UseSite(SiteConfiguration(ConventionalEntry("Local", "db-host", "designs")));
    parameters.Set("SERVER", QK_TAny("Local"));
  }

  int Run(const char* action, const char* outputName, const std::vector<std::string>& inputs) {
    return TaskTest::Run(action, inputs, outputName, parameters);
  }

  std::string Out(const std::string& name) const { return folder.File(name); }

  // The outputs handed over, as "CONTEXT path".
  std::vector<std::string> Outputs() const { return sink.Starting("output"); }

  void RunStandardParameters() { SetRunStandardParameters(parameters, "std/carton.ard"); }

  // An operation's file written and added to the ticket's delivered files.
  static void WriteOutput(const QK_TString& path, CAD::DeliveredLocations& delivered) {
    std::ofstream(path.str()) << "output";
    delivered.Add(QK_TURL::FromLocalPath(path));
  }

  // A run-standard operation that writes its design and answers `result`.
  static auto MakesDesign(int result) {
    return Invoke([result](CAD::RunStandardTicketData& record) {
      WriteOutput(record.outputPath, *record.delivered);
      return result;
    });
  }

  MockDriver* cad;
  QK_TDict parameters;
};

TEST_F(RunTypesTest, OneRunStandardInputGoesThroughAllProgressStepsAndNamesItsOutput) {
  RunStandardParameters();
  QK_TString seenPath;
  EXPECT_CALL(*cad, GenerateDesignFromStandard(_)).WillOnce(Invoke([&](CAD::RunStandardTicketData& record) {
    seenPath = record.outputPath;
    EXPECT_EQ(record.designName, QK_TString("std/carton.ard"));
    EXPECT_EQ(record.databaseKind, QK_TString("Conventional"));
    WriteOutput(record.outputPath, *record.delivered);
    return 0;
  }));
  EXPECT_EQ(Run("runstandard", "job", {folder.Write("in.xml", "<job/>")}), 0);
  EXPECT_EQ(seenPath, QK_TString(Out("job.kpx")));
  EXPECT_EQ(sink.Starting("progress"), (std::vector<std::string>{"progress 10", "progress 28", "progress 46",
                                                                  "progress 82", "progress 100", "progress 100"}));
  EXPECT_EQ(Outputs(), std::vector<std::string>{"output OK " + Out("job.kpx")});
  EXPECT_EQ(sink.Starting("stage").back(), "stage shapejobs.stage.ticketsuccess");
}

TEST_F(RunTypesTest, WarningOfTheWorkerHandsOverTheWarningContext) {
  RunStandardParameters();
  EXPECT_CALL(*cad, GenerateDesignFromStandard(_)).WillOnce(MakesDesign(5));
  EXPECT_EQ(Run("runstandard", "job.KPX", {folder.Write("in.xml", "<job/>")}), 1);
  EXPECT_EQ(Outputs(), std::vector<std::string>{"output Warning " + Out("job.KPX")});
}

// The second input's design takes a name of its own rather than replace
// the first one's, and each is handed over under its own result.
TEST_F(RunTypesTest, InputsOfDifferentResultsLoseNoOutput) {
  RunStandardParameters();
  EXPECT_CALL(*cad, GenerateDesignFromStandard(_)).WillOnce(MakesDesign(1)).WillOnce(MakesDesign(0));
  EXPECT_EQ(Run("runstandard", "job", {folder.Write("a.xml", "<a/>"), folder.Write("b.xml", "<b/>")}), 1);
  EXPECT_EQ(sink.Starting("progress"),
            (std::vector<std::string>{"progress 5", "progress 14", "progress 24", "progress 43", "progress 52",
                                      "progress 62", "progress 71", "progress 90", "progress 100", "progress 100"}));
  EXPECT_EQ(Outputs(),
            (std::vector<std::string>{"output Warning " + Out("job.kpx"), "output OK " + Out("job_2.kpx")}));
  EXPECT_EQ(sink.logs, std::vector<std::string>{"An earlier input of the ticket delivered " + Out("job.kpx") +
                                                 ": this input's output is " + Out("job_2.kpx")});
}

// Only a file the operation wrote is an output: none when it wrote
// nothing, none when the file is as an earlier run left it, and the file
// it rewrote also when the rewrite keeps the earlier file's time.
TEST_F(RunTypesTest, WhatTheOperationWroteIsRegisteredWhateverTheFilesTime) {
  RunStandardParameters();
  EXPECT_CALL(*cad, GenerateDesignFromStandard(_)).Times(2).WillRepeatedly(Return(0));
  EXPECT_EQ(Run("runstandard", "job", {folder.Write("in.xml", "<job/>")}), 0);
  EXPECT_TRUE(Outputs().empty());
  folder.Write("job.kpx", "an earlier run's design");
  EXPECT_EQ(Run("runstandard", "job", {folder.Write("in.xml", "<job/>")}), 0);
  EXPECT_TRUE(Outputs().empty());
  const auto earlier = std::filesystem::last_write_time(Out("job.kpx"));
  EXPECT_CALL(*cad, GenerateDesignFromStandard(_)).WillOnce(Invoke([earlier](CAD::RunStandardTicketData& record) {
    WriteOutput(record.outputPath, *record.delivered);
    std::filesystem::last_write_time(record.outputPath.str(), earlier);
    return 0;
  }));
  EXPECT_EQ(Run("runstandard", "job", {folder.Write("in.xml", "<job/>")}), 0);
  EXPECT_EQ(Outputs(), std::vector<std::string>{"output OK " + Out("job.kpx")});
}

TEST_F(RunTypesTest, FailedSecondInputStopsTheTicketWithoutHandingOverOutputs) {
  RunStandardParameters();
  EXPECT_CALL(*cad, GenerateDesignFromStandard(_))
      .WillOnce(Return(0))
      .WillOnce(Invoke([](auto&) -> int { QK_THROW(CAD::SaveDesignFailed(QK_TString("/out/job.kpx"))); }));
  EXPECT_EQ(Run("runstandard", "job", {folder.Write("a.xml", "<a/>"), folder.Write("b.xml", "<b/>"),
                                        folder.Write("c.xml", "<c/>")}),
            2);
  EXPECT_EQ(sink.Starting("message 0 shapejobs.log.processing").size(), 2u);
  EXPECT_EQ(sink.Starting("message 2"),
            std::vector<std::string>{"message 2 shapejobs.message.savedesignfailed /out/job.kpx"});
  EXPECT_TRUE(Outputs().empty());
  EXPECT_EQ(sink.Starting("stage").back(), "stage shapejobs.stage.ticketfail");
}

TEST_F(RunTypesTest, StrayFrameworkExceptionIsFreedAndEndsTheTicketAsFatal) {
  RunStandardParameters();
  const AutomationCounts before;
  EXPECT_CALL(*cad, GenerateDesignFromStandard(_)).WillOnce(Invoke([](auto&) -> int {
    throw new COleDispatchException(1, L"Dravo", L"crashed", DISP_E_EXCEPTION);
  }));
  EXPECT_EQ(Run("runstandard", "job", {folder.Write("in.xml", "<job/>")}), 2);
  EXPECT_EQ(sink.Starting("message 2"), std::vector<std::string>{"message 2 shapejobs.message.fatalerror"});
  EXPECT_EQ(sink.logs.back(), "An unknown exception was caught, the task was aborted");
  EXPECT_EQ(sink.Starting("stage").back(), "stage shapejobs.stage.ticketfail");
  before.ExpectUnchanged();
}

TEST_F(RunTypesTest, ShopCardWithOneOutputOfSeveralPrintItemsOfADesignFileWritesAnXmlList) {
  struct Case {
    const char* design;
    const char* printItems;
    const char* expected;
  } cases[] = {{"carton.KPX", "front, back", "job.xml"},
               {"carton.kpx", "all", "job.xml"},
               {"carton.kpx", "front", "job.kpx"},
               {"carton.dxf", "front, back", "job.kpx"}};
  for (const Case& c : cases) {
    sink.events.clear();
    const std::string ticket =
        folder.Write("card.xml", std::string("<Design Name=\"") + c.design + "\" Path=\"/d\"><Output Name=\"A\" "
                                     "Copies=\"1\" PrintItem=\"" + c.printItems + "\" OutputPathName=\"/o/a\"/></Design>");
    EXPECT_CALL(*cad, GenerateShopCard(_)).WillOnce(Invoke([](CAD::ShopCardTicketData& record) {
      WriteOutput(record.outputLocation.LocalName(), *record.delivered);
      return 0;
    }));
    EXPECT_EQ(Run("createshopcard", "job.kpx", {ticket}), 0) << c.design << " " << c.printItems;
    EXPECT_EQ(Outputs(), std::vector<std::string>{"output OK " + Out(c.expected)}) << c.design << " " << c.printItems;
  }
}

TEST_F(RunTypesTest, DesignInformationRefusesDrawingExchangeFiles) {
  for (const char* input : {"box.dxf", "box"}) {
    sink.events.clear();
    EXPECT_EQ(Run("exportdesigninfo", "info", {folder.Write(input, "x")}), 2) << input;
    EXPECT_EQ(sink.Starting("message 2"),
              std::vector<std::string>{"message 2 shapejobs.error.wronginput " +
                                       QK_TURL::FromLocalPath(QK_TString(folder.File(input))).ToString().str()});
  }
}

TEST_F(RunTypesTest, LayoutRegistersNoOutputOfItsOwnInTheRun) {
  // The layout builder refuses this ticket; what matters here is that the
  // run reports the builder's failure and registers nothing.
  EXPECT_EQ(Run("runlayout", "layout", {folder.Write("in.xml", "<job/>")}), 2);
  EXPECT_TRUE(Outputs().empty());
  EXPECT_EQ(sink.Starting("stage").front(), "stage shapejobs.stage.layoutoptimizer");
}

}  // namespace
