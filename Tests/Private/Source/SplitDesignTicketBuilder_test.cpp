// The split-design ticket builder: the design to open by server and
// selection, the command script, the print items and the design's people,
// with their value messages in order; unreadable tickets fail with the
// split-design classes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BuilderTestBase.h"
#include "ShapejobCodes.h"
#include "SplitDesignTicketBuilder.h"

namespace {

class SplitDesignTicketBuilderTest : public BuilderTestBase {
 protected:
  SplitDesignTicketBuilderTest() {
    WriteInput("job.xml", "<job><design path=' designs/carton.kpx '/><owner>Plant 2</owner></job>");
    TW_TTaskSetup setup;
    setup.names = {{"item", "Lid"}};
    Prepare(setup);
    Set({{"SELECT_DESIGN", "path"}, {"COMMAND_SCRIPT", ""}, {"PRINT_ITEM", "Base"}});
  }

  void Build(const char* databaseKind = CAD::kConventionalKind) {
    BuildRecord<CAD::SplitDesignTicketBuilder>("splitdesign", databaseKind, record);
  }
  std::string Failure(const char* databaseKind = CAD::kConventionalKind) {
    return FailureOf([&] { Build(databaseKind); });
  }

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
  const std::vector<ServerCase> cases = {
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
  for (const ServerCase& c : cases) {
    SCOPED_TRACE(c.log);
    WithParameters(c.parameters, [&] { Build(c.databaseKind); });
    EXPECT_EQ(record.designPath, QK_TString(c.expected));
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
  WriteInput("job.txt", "design=carton\n");
  EXPECT_EQ(Failure().rfind("NonWellformedXMLException2: Error at line 1 column ", 0), 0u) << Failure();
}

}  // namespace
