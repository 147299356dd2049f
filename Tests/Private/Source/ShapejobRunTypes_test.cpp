// Whole runs of each task type with a connected (mock) CAD driver and the
// real ticket builders: output names and extensions, progress, results,
// output contexts, and how a failed input ends the ticket.
#include <gtest/gtest.h>

#include <cstdlib>

#include "DravoException.h"
#include "MockDriver.h"
#include "RecordingSink.h"
#include "Shapejob.h"
#include "TaskError.h"
#include "TempFolder.h"

namespace {

using ::testing::_;
using ::testing::Invoke;
using ::testing::Return;

const char* const kSite = R"(<Configuration><Tree key="Resources">
  <Tree key="CAD"><Tree key="Servers"><Tree key="Local">
    <Value key="Type">Conventional</Value><Value key="DriverName"></Value>
    <Value key="host">db-host</Value><Value key="database">designs</Value>
  </Tree></Tree></Tree>
  <Tree key="DatabasesExternal"/>
  <Tree key="Internet"><Tree key="Servers"/></Tree>
</Tree></Configuration>)";

// A task already connected to "Local" through a mock driver: the run keeps
// the driver, since the server does not change.
class ConnectedTask : public CAD::Task {
 public:
  MockDriver& Connect() {
    auto mock = std::make_unique<MockDriver>(this);
    MockDriver& handle = *mock;
    driver = std::move(mock);
    currentServer.name = "Local";
    currentServer.host = "db-host";
    currentServer.database = "designs";
    return handle;
  }
};

class RunTypesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("QK_SERVER", folder.Write("site.xml", kSite).c_str(), 1);
    cad = &task.Connect();
  }
  void TearDown() override { unsetenv("QK_SERVER"); }

  int Run(const char* action, const char* outputName, std::vector<std::string> inputs) {
    TW_TTaskSetup setup;
    setup.taskId = "run-types";
    setup.outputDir = QK_TURL::FromLocalPath(QK_TString(folder.path()));
    setup.outputName = outputName;
    for (const std::string& input : inputs) setup.inputs.push_back(QK_TURL::FromLocalPath(QK_TString(input)));
    task.Prepare(setup, &sink);
    AT_TTicket ticket(action, parameters);
    return task.Run(ticket);
  }

  std::string Out(const std::string& name) const { return folder.File(name); }

  // The outputs handed over, as "CONTEXT path".
  std::vector<std::string> Outputs() const { return sink.Starting("output"); }

  void RunStandardParameters() {
    for (const auto& [key, value] : std::vector<std::pair<const char*, const char*>>{
             {"STYLE_CATALOG", "nonStyleCatalog"}, {"STANDARD_PATH", "std/carton.ard"}, {"BOARD_CODE", "FBB"},
             {"BOARD_DESC", "board"}, {"UNITS", "mm"}, {"GRAIN_DIRECTION", "Vertical"}, {"PRINT_SIDE", "Outside"},
             {"COMMAND_SCRIPT", ""}, {"selectType", "list"}}) {
      parameters.Set(key, QK_TAny(value));
    }
    parameters.Set("STANDARD_VARIABLES", QK_TAny(QK_TArray()));
  }

  TempFolder folder;
  RecordingSink sink;
  ConnectedTask task;
  MockDriver* cad = nullptr;
  QK_TDict parameters;
};

TEST_F(RunTypesTest, OneRunStandardInputGoesThroughAllProgressStepsAndNamesItsOutput) {
  parameters.Set("SERVER", QK_TAny("Local"));
  RunStandardParameters();
  QK_TString seenPath;
  EXPECT_CALL(*cad, GenerateDesignFromStandard(_)).WillOnce(Invoke([&](CAD::RunStandardTicketData& record) {
    seenPath = record.outputPath;
    EXPECT_EQ(record.designName, QK_TString("std/carton.ard"));
    EXPECT_EQ(record.databaseKind, QK_TString("Conventional"));
    return 0;
  }));
  EXPECT_EQ(Run("runstandard", "job", {folder.Write("in.xml", "<job/>")}), 0);
  EXPECT_EQ(seenPath, QK_TString(Out("job.kpx")));
  EXPECT_EQ(sink.Starting("progress"), (std::vector<std::string>{"progress 10", "progress 28", "progress 46",
                                                                  "progress 82", "progress 100", "progress 100"}));
  EXPECT_EQ(Outputs(), std::vector<std::string>{"output OK " + Out("job.kpx")});
  EXPECT_EQ(sink.Starting("stage").back(), "stage shapejobs.stage.ticketsuccess");
}

TEST_F(RunTypesTest, KnownExtensionsOfTheOutputNameAreReplaced) {
  parameters.Set("SERVER", QK_TAny("Local"));
  RunStandardParameters();
  EXPECT_CALL(*cad, GenerateDesignFromStandard(_)).WillRepeatedly(Return(0));
  EXPECT_EQ(Run("runstandard", "job.mfg", {folder.Write("in.xml", "<job/>")}), 0);
  EXPECT_EQ(Outputs(), std::vector<std::string>{"output OK " + Out("job.kpx")});
}

TEST_F(RunTypesTest, WarningOfTheWorkerHandsOverTheWarningContext) {
  parameters.Set("SERVER", QK_TAny("Local"));
  RunStandardParameters();
  EXPECT_CALL(*cad, GenerateDesignFromStandard(_)).WillOnce(Return(5));
  EXPECT_EQ(Run("runstandard", "job.KPX", {folder.Write("in.xml", "<job/>")}), 1);
  EXPECT_EQ(Outputs(), std::vector<std::string>{"output Warning " + Out("job.KPX")});
}

TEST_F(RunTypesTest, InputsOfDifferentResultsLoseNoOutput) {
  parameters.Set("SERVER", QK_TAny("Local"));
  RunStandardParameters();
  EXPECT_CALL(*cad, GenerateDesignFromStandard(_)).WillOnce(Return(1)).WillOnce(Return(0));
  EXPECT_EQ(Run("runstandard", "job", {folder.Write("a.xml", "<a/>"), folder.Write("b.xml", "<b/>")}), 1);
  EXPECT_EQ(sink.Starting("progress"),
            (std::vector<std::string>{"progress 5", "progress 14", "progress 24", "progress 43", "progress 52",
                                      "progress 62", "progress 71", "progress 90", "progress 100", "progress 100"}));
  EXPECT_EQ(Outputs(), (std::vector<std::string>{"output Warning " + Out("job.kpx"), "output OK " + Out("job.kpx")}));
}

TEST_F(RunTypesTest, FailedSecondInputStopsTheTicketWithoutHandingOverOutputs) {
  parameters.Set("SERVER", QK_TAny("Local"));
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

TEST_F(RunTypesTest, ShopCardWithSeveralOutputsWritesAnXmlList) {
  parameters.Set("SERVER", QK_TAny("Local"));
  const std::string ticket = folder.Write("card.xml", R"(<Design Name="carton.kpx" Path="/d">
      <Output Name="A" Copies="1" OutputPathName="/o/a.pdf"/>
      <Output Name="B" Copies="1" OutputPathName="/o/b.pdf"/>
      <Output Name="C" Copies="1" OutputPathName="/o/c.pdf"/></Design>)");
  QK_TURL seen;
  EXPECT_CALL(*cad, GenerateShopCard(_)).WillOnce(Invoke([&](CAD::ShopCardTicketData& record) {
    seen = record.outputLocation;
    EXPECT_EQ(record.outputs.size(), 3u);
    return 0;
  }));
  EXPECT_EQ(Run("createshopcard", "order.pdf", {ticket}), 0);
  EXPECT_EQ(seen.LocalName(), QK_TString(Out("order.pdf.xml")));
}

TEST_F(RunTypesTest, ShopCardWithOneOutputOfSeveralPrintItemsOfADesignFileWritesAnXmlList) {
  parameters.Set("SERVER", QK_TAny("Local"));
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
    EXPECT_CALL(*cad, GenerateShopCard(_)).WillOnce(Return(0));
    EXPECT_EQ(Run("createshopcard", "job.kpx", {ticket}), 0) << c.design << " " << c.printItems;
    EXPECT_EQ(Outputs(), std::vector<std::string>{"output OK " + Out(c.expected)}) << c.design << " " << c.printItems;
  }
}

TEST_F(RunTypesTest, DesignInformationRefusesDrawingExchangeFiles) {
  parameters.Set("SERVER", QK_TAny("Local"));
  for (const char* input : {"box.dxf", "box"}) {
    sink.events.clear();
    EXPECT_EQ(Run("exportdesigninfo", "info", {folder.Write(input, "x")}), 2) << input;
    EXPECT_EQ(sink.Starting("message 2"),
              std::vector<std::string>{"message 2 shapejobs.error.wronginput " +
                                       QK_TURL::FromLocalPath(QK_TString(folder.File(input))).ToString().str()});
  }
}

TEST_F(RunTypesTest, LayoutRegistersNoOutputOfItsOwnInTheRun) {
  parameters.Set("SERVER", QK_TAny("Local"));
  // The layout builder refuses this ticket; what matters here is that the
  // run reports the builder's failure and registers nothing.
  EXPECT_EQ(Run("runlayout", "layout", {folder.Write("in.xml", "<job/>")}), 2);
  EXPECT_TRUE(Outputs().empty());
  EXPECT_EQ(sink.Starting("stage").front(), "stage shapejobs.stage.layoutoptimizer");
}

}  // namespace
