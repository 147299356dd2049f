// The split-design ticket builder: the design to open by server and
// selection, the command script, the print items and the design's people,
// with their value messages in order; unreadable tickets fail with the
// split-design classes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "RecordingSink.h"
#include "Shapejob.h"
#include "SplitDesignTicketBuilder.h"
#include "TempFolder.h"

namespace {

using Parameters = std::vector<std::pair<const char*, const char*>>;

class SplitDesignTicketBuilderTest : public ::testing::Test {
 protected:
  SplitDesignTicketBuilderTest() {
    input = QK_TURL::FromLocalPath(
        QK_TString(folder.Write("job.xml", "<job><design path=' designs/carton.kpx '/><owner>Plant 2</owner></job>")));
    TW_TTaskSetup setup;
    setup.names = {{"item", "Lid"}};
    task.Prepare(setup, &sink);
    Set({{"SELECT_DESIGN", "path"}, {"COMMAND_SCRIPT", ""}, {"PRINT_ITEM", "Base"}});
  }

  void Set(const Parameters& values) {
    for (const auto& [key, value] : values) parameters.Set(key, value);
  }

  void Build(const char* databaseKind = "Conventional") {
    sink.events.clear();
    record = CAD::SplitDesignTicketData();
    record.databaseKind = databaseKind;
    AT_TTicket ticket("splitdesign", parameters);
    CAD::SplitDesignTicketBuilder builder(ticket, input, record, task);
    EXPECT_TRUE(builder.BuildTicketData());
  }

  // "Class: message" of what Build throws.
  std::string Failure(const char* databaseKind = "Conventional") {
    try {
      Build(databaseKind);
    } catch (const QK_EException& e) {
      return std::string(e.ClassName()) + ": " + e.QK_Message().str();
    }
    return "nothing thrown";
  }

  // The value messages in short form ("printitem Base"), up to `last`.
  std::string Log(const std::string& last = "") const {
    std::string log;
    for (const std::string& event : sink.events) {
      std::string entry = event;
      const std::string value = "message 0 shapejobs.";
      const std::size_t end = entry.find(".value");
      if (entry.rfind(value, 0) == 0 && end != std::string::npos) {
        entry = entry.substr(value.size(), end - value.size()) + entry.substr(end + 6);
      }
      log += (log.empty() ? "" : "|") + entry;
      if (!last.empty() && entry.rfind(last + " ", 0) == 0) break;
    }
    return log;
  }

  TempFolder folder;
  QK_TURL input;
  RecordingSink sink;
  CAD::Task task;
  QK_TDict parameters;
  CAD::SplitDesignTicketData record;
};

TEST_F(SplitDesignTicketBuilderTest, FullTicketFillsTheRecordAndLogsEveryValueInOrder) {
  Set({{"SELECT_DESIGN", " project "}, {"STANDARD_PATH", "xpath:/job/design/@path"},
       {"COMMAND_SCRIPT", "EXE file:/s/split.sh"}, {"PRINT_ITEM", " <item/>,Base "},
       {"OWNER_LOCATION", "xpath:/job/owner"}});
  Build();
  EXPECT_EQ(record.selectDesign, QK_TString(" project "));
  EXPECT_EQ(record.designPath, QK_TString("designs/carton.kpx"));
  EXPECT_EQ(record.commandScript, QK_TString("EXE /s/split.sh"));
  EXPECT_EQ(record.printItem, QK_TString("Lid,Base"));
  EXPECT_EQ(record.dbInfo.ownerLocation, QK_TString("Plant 2"));
  EXPECT_EQ(Log(),
            "designname designs/carton.kpx|commandscript EXE file:/s/split.sh|printitem Lid,Base|designDescription |"
            "customerName |customerLocation |ownerName |ownerLocation Plant 2|salespersonFirstName |"
            "salespersonLastName |designerFirstName |designerLastName ");
}

TEST_F(SplitDesignTicketBuilderTest, DesignFollowsServerAndSelection) {
  struct Case {
    const char* databaseKind;
    Parameters parameters;
    const char* designPath;
    const char* log;
  };
  const std::vector<Case> cases = {
      {"Enterprise",
       {{"SELECT_DESIGN", "project"}, {"PROJECT_NAME", "Cartons"}, {"ENT_DESIGN_NAME", " Tray "}, {"VERSION", "2"}},
       "@Cartons:2:Tray", "projectname Cartons|designname Tray|version 2"},
      {"Enterprise",
       {{"SELECT_DESIGN", "project"}, {"PROJECT_NAME", "Cartons"}, {"ENT_DESIGN_NAME", "Tray"}, {"VERSION", ""}},
       "@Cartons:Tray", "projectname Cartons|designname Tray"},
      {"Enterprise", {{"ENTERPRISE_PATH", "@Cartons:Lid"}, {"STANDARD_PATH", "x"}}, "@Cartons:Lid",
       "designname @Cartons:Lid"},
      {"Enterprise", {{"SELECT_DESIGN", "both"}, {"ENTERPRISE_PATH", "x"}, {"STANDARD_PATH", "x"}}, "", "designname "},
      {"Conventional", {{"SELECT_DESIGN", "project"}, {"STANDARD_PATH", " designs/lid.kpx"}, {"PROJECT_NAME", "x"}},
       "designs/lid.kpx", "designname designs/lid.kpx"},
      {"Conventional", {}, "", "designname "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.log);
    const QK_TDict base = parameters;
    Set(c.parameters);
    Build(c.databaseKind);
    parameters = base;
    EXPECT_EQ(record.designPath, QK_TString(c.designPath));
    EXPECT_EQ(Log("commandscript"), std::string(c.log) + "|commandscript ");
  }
}

TEST_F(SplitDesignTicketBuilderTest, UnreadableTicketsFailWithTheirClassAndMessage) {
  const Parameters enterprise = {{"SELECT_DESIGN", "project"}, {"PROJECT_NAME", ""}, {"ENT_DESIGN_NAME", "Tray"},
                                 {"VERSION", ""}};
  Set(enterprise);
  EXPECT_EQ(Failure("Enterprise"), "BlankProjectAndDesignName2: Project Name:, Design Name:Tray");
  Set({{"PROJECT_NAME", "Cartons"}, {"VERSION", "latest"}});
  EXPECT_EQ(Failure("Enterprise"), "TaskError: ");
  EXPECT_EQ(sink.Starting("message 2").back(), "message 2 shapejobs.message.invalidversion latest");

  Set({{"STANDARD_PATH", "xpath:/job/nothing"}});
  EXPECT_EQ(Failure(), "InvalidXPathException2: Param Name : StandardName , Xpath : /job/nothing");
  Set({{"STANDARD_PATH", "designs/<unknown/>.kpx"}});
  EXPECT_EQ(Failure(), "QK_EException: Veltrop: designs/<unknown/>.kpx failed to resolved:");
  EXPECT_EQ(sink.Starting("message 2 "),
            std::vector<std::string>{"message 2 shapejobs.message.couldnotresolve designs/<unknown/>.kpx"});
  Set({{"STANDARD_PATH", "xpath:/job/design/@path"}});
  parameters.Remove("PRINT_ITEM");
  EXPECT_EQ(Failure(), "QK_EException: The ticket has no value for the mandatory parameter PRINT_ITEM");
  input = QK_TURL::FromLocalPath(QK_TString(folder.Write("job.txt", "design=carton\n")));
  EXPECT_EQ(Failure().rfind("NonWellformedXMLException2: Error at line 1 column ", 0), 0u) << Failure();
}

}  // namespace
