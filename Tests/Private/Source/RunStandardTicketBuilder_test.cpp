// The run-standard ticket builder: tickets (texts, names, "xpath:" values
// over an input file) give the expected record and value messages in order;
// every unreadable ticket fails with its own class and message.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BuilderTestBase.h"
#include "QK_TArray.h"
#include "RunStandardTicketBuilder.h"
#include "ShapejobCodes.h"
#include "TaskError.h"

namespace {

const char kJob[] = R"(<?xml version="1.0"?>
<job xmlns:p="urn:press">
  <board code="  FBB-350 ">Folding box board</board>
  <standard>  carton/tray  </standard>
  <noversion/>
  <vars><var name="Length" value=" 120 "/><var name="Width" value=""/><var name="Depth" value="40"/></vars>
  <p:grain>Vertical</p:grain>
  <note>Größé 𝄞</note>
</job>
)";

QK_TAny Variables(std::vector<std::pair<const char*, QK_TAny>> pairs) {
  QK_TArray list;
  for (auto& [key, value] : pairs) {
    QK_TDict entry;
    entry.Set("KEY", key);
    entry.Set("VALUE", value);
    list.Append(entry);
  }
  return QK_TAny(list);
}

class RunStandardTicketBuilderTest : public BuilderTestBase {
 protected:
  RunStandardTicketBuilderTest() {
    WriteInput("job.xml", kJob);
    TW_TTaskSetup setup;
    setup.names = {{"customer", "Acme"}, {"std", "carton"}};
    Prepare(setup);
    Set({{"STYLE_CATALOG", "nonStyleCatalog"}, {"BOARD_CODE", "FBB"}, {"BOARD_DESC", "board"}, {"UNITS", "mm"},
         {"GRAIN_DIRECTION", "Vertical"}, {"PRINT_SIDE", "Outside"}, {"COMMAND_SCRIPT", ""},
         {"selectType", "list"}, {"STANDARD_VARIABLES", Variables({})}});
  }

  // Builds a fresh record on a server of `databaseKind`.
  void Build(const char* databaseKind = CAD::kConventionalKind) {
    BuildRecord<CAD::RunStandardTicketBuilder>("runstandard", databaseKind, record);
  }
  std::string Failure(const char* databaseKind = CAD::kConventionalKind) {
    return FailureOf([&] { Build(databaseKind); });
  }

  std::string VariablePairs() const {
    std::string pairs;
    for (const auto& variable : record.variables) pairs += "[" + variable->Name.str() + "=" + variable->Value.str() + "]";
    return pairs;
  }

  CAD::RunStandardTicketData record;
};

TEST_F(RunStandardTicketBuilderTest, FullTicketFillsTheRecordAndLogsEveryValueInOrder) {
  Set({{"STANDARD_PATH", "  std/<std/>.ard "}, {"BOARD_CODE", "xpath:/job/board/@code"},
       {"BOARD_DESC", "xpath:/job/board"}, {"UNITS", " Inch "}, {"GRAIN_DIRECTION", "xpath:/job/p:grain"},
       {"COMMAND_SCRIPT", " file:/scripts/post.sh "},
       {"STANDARD_VARIABLES", Variables({{" L ", "<customer/> "}, {"", "kept"}})},
       {"DESIGN_DESC", "xpath:/job/note"}, {"CUSTOMER_NAME", "<customer/>"}, {"DESIGNER_LAST_NAME", "  Doe "}});
  Build();
  EXPECT_EQ(record.designName, QK_TString("std/carton.ard"));
  EXPECT_EQ(record.boardCode, QK_TString("FBB-350"));
  EXPECT_EQ(record.boardDescription, QK_TString("Folding box board"));
  EXPECT_EQ(record.units, QK_TString("Inch"));
  EXPECT_EQ(record.grainDirection, QK_TString("Vertical"));
  EXPECT_EQ(record.printSide, QK_TString("Outside"));
  EXPECT_EQ(record.commandScript, QK_TString("EXE /scripts/post.sh"));
  EXPECT_EQ(VariablePairs(), "[L=Acme][=kept]");
  EXPECT_EQ(record.dbInfo.designDescription, QK_TString("Größé 𝄞"));
  EXPECT_EQ(record.dbInfo.customerName, QK_TString("Acme"));
  EXPECT_EQ(record.dbInfo.designerLastName, QK_TString("Doe"));
  EXPECT_EQ(Log(),
            "message 0 DesignName.Value   std/carton.ard |standardname std/carton.ard|boardcode FBB-350|"
            "boardDescription Folding box board|units Inch|graindirection Vertical|printside Outside|"
            "commandscript file:/scripts/post.sh|designDescription Größé 𝄞|customerName Acme|customerLocation |"
            "ownerName |ownerLocation |salespersonFirstName |salespersonLastName |designerFirstName |"
            "designerLastName Doe");
}

TEST_F(RunStandardTicketBuilderTest, StandardFollowsServerAndCatalogue) {
  const Parameters enterprise = {{"STYLE_CATALOG", "nonStyleCatalog"}, {"PROJECT_NAME", " P "}, {"ENT_STD_NAME", "S"}};
  const std::vector<ServerCase> cases = {
      {"Enterprise", {{"VERSION", "3"}}, "@P:3:S", "projectname P|standardname S|version 3|boardcode"},
      {"Enterprise", {{"VERSION", " 7a"}}, "@P:7:S", "projectname P|standardname S|version 7a|boardcode"},
      {"Enterprise", {{"VERSION", "-2"}}, "@P:S", "projectname P|standardname S|version -2|boardcode"},
      {"Enterprise", {{"VERSION", ""}}, "@P:S", "projectname P|standardname S|boardcode"},
      // What an XPath finds is logged even when it is empty.
      {"Enterprise", {{"VERSION", "xpath:/job/noversion"}}, "@P:S", "projectname P|standardname S|version |boardcode"},
      {"Enterprise", {{"STYLE_CATALOG", "styleCatalog"}, {"ENTERPRISE_STYLE_CATALOG_NAME", "Trays"}}, "Trays",
       "message 0 DesignName.Value Trays|standardname Trays|boardcode"},
      {"Conventional", {{"STANDARD_PATH", "xpath:/job/standard"}}, "carton/tray",
       "message 0 DesignName.Value xpath:/job/standard|standardname carton/tray|boardcode"},
      {"Conventional", {{"STYLE_CATALOG", "styleCatalog"}, {"STANDARD_STYLE_CATALOG_NAME", "<std/> trays"}},
       "carton trays", "message 0 DesignName.Value carton trays|standardname carton trays|boardcode"},
      {"Conventional", {{"STYLE_CATALOG", "styleCatalog"}}, "",
       "message 0 DesignName.Value |standardname |boardcode"},
      {"Conventional", {{"STYLE_CATALOG", "Other"}, {"STANDARD_STYLE_CATALOG_NAME", "x"}}, "",
       "message 0 DesignName.Value |standardname |boardcode"},
  };
  for (const ServerCase& c : cases) {
    SCOPED_TRACE(c.log);
    WithParameters(enterprise, [&] {
      Set(c.parameters);
      Build(c.databaseKind);
    });
    EXPECT_EQ(record.designName, QK_TString(c.expected));
    EXPECT_EQ(Log("boardcode"), std::string(c.log) + " FBB");
  }
}

TEST_F(RunStandardTicketBuilderTest, XPathVariablesPairTextNodesInDocumentOrder) {
  Set({{"selectType", "xpath"}, {"VARIABLE_NAMES", "xpath://var/@name"}, {"VARIABLE_VALUES", "xpath://var/@value"}});
  Build();
  EXPECT_EQ(VariablePairs(), "[Length=120][Depth=40]");  // the pair with an empty value is left out

  Set({{"VARIABLE_NAMES", "xpath:count(//var)"}});
  EXPECT_THROW(Build(), TaskError);
  const std::vector<std::string> errors = sink.Starting("message 2 ");
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].rfind("message 2 shapejobs.message.xalanxpathevaluatevariablesexception xpath:count(//var) "
                            "xpath://var/@value -1 -1 ",
                            0),
            0u)
      << errors[0];
}

TEST_F(RunStandardTicketBuilderTest, UnreadableTicketsFailWithTheirClassAndMessage) {
  struct Case {
    const char* databaseKind;
    Parameters parameters;
    const char* failure;
  };
  const Parameters xpathVariables = {{"selectType", "xpath"}, {"VARIABLE_VALUES", "xpath://var/@value"}};
  const std::vector<Case> cases = {
      {"Enterprise", {{"PROJECT_NAME", ""}, {"ENT_STD_NAME", "Tray"}, {"VERSION", "2"}},
       "BlankProjectAndDesignName: Project Name: , Design Name:Tray"},
      {"Enterprise", {{"PROJECT_NAME", "P"}, {"ENT_STD_NAME", " "}, {"VERSION", "2"}},
       "BlankProjectAndDesignName: Project Name:P , Design Name:"},
      {"Enterprise", {{"PROJECT_NAME", "P"}, {"ENT_STD_NAME", "S"}, {"VERSION", "v7"}},
       "TaskError: "},
      {"Enterprise", {{"PROJECT_NAME", "P"}, {"ENT_STD_NAME", "S"}, {"VERSION", "99999999999"}},
       "TaskError: "},
      {"Conventional", {{"BOARD_CODE", "xpath:/job/nothing"}},
       "InvalidXpathException: Param Name : BoardCode , Xpath : /job/nothing"},
      {"Conventional", {{"VARIABLE_NAMES", "xpath://var/@name"}, {"VARIABLE_VALUES", "xpath://var[@value!='']/@value"}},
       "StdVariablesMismatchException: Variables name length : 3 , Variables value length : 2"},
      {"Conventional", {{"VARIABLE_NAMES", "xpath://missing/@name"}},
       "XpathVariableResolveException: Name : xpath://missing/@name , Value : xpath://var/@value"},
      {"Conventional", {{"VARIABLE_NAMES", "xpath:"}},
       "XpathVariableResolveException: Name : xpath: , Value : xpath://var/@value"},
      {"Conventional", {{"VARIABLE_NAMES", "//var/@name"}},
       "XpathVariableResolveException: Name : //var/@name , Value : xpath://var/@value"},
      {"Conventional", {{"VARIABLE_NAMES", "xpath:document('/etc/hosts')//text()"}},
       "XpathVariableResolveException: Name : xpath:document('/etc/hosts')//text() , Value : xpath://var/@value"},
      {"Conventional", {{"VARIABLE_NAMES", "<std/>"}, {"VARIABLE_VALUES", ""}},
       "StdVariablesEmptyException: Names : carton , Values : "},
      {"Conventional", {{"PRINT_SIDE", Variables({})}},
       "QK_EException: The ticket parameter PRINT_SIDE is a array, not a text"},
      {"Conventional", {{"selectType", "list"}, {"STANDARD_VARIABLES", Variables({{"L", 3}})}},
       "QK_EException: The VALUE of an entry of the ticket parameter STANDARD_VARIABLES is a int, not a text"},
  };
  for (const Case& c : cases) {
    WithParameters(xpathVariables, [&] {
      Set(c.parameters);
      EXPECT_EQ(Failure(c.databaseKind), c.failure);
    });
  }
  parameters.Remove("UNITS");
  EXPECT_EQ(Failure(), "QK_EException: The ticket has no value for the mandatory parameter UNITS");
  Set({{"BOARD_CODE", "xpath:/job/board/@code"}});
  WriteInput("job.pdf", "%PDF-1.4\n%\xe2\xe3\n1 0 obj\n");
  EXPECT_EQ(Failure().rfind("NonWellformedXMLException: Error at line 1 column ", 0), 0u) << Failure();
}

TEST_F(RunStandardTicketBuilderTest, InputFileIsParsedOnce) {
  RewriteOnLookup replace(input.LocalName().str(), "<job><board>replaced</board></job>");
  task.GetTName().SetLookupHandler("replace", &replace, true);
  Set({{"BOARD_CODE", "xpath:/job/board/@code"}, {"BOARD_DESC", "<replace/>xpath:/job/board"}});
  Build();
  task.GetTName().RemoveLookupHandler("replace");
  EXPECT_EQ(record.boardDescription, QK_TString("Folding box board"));
}

}  // namespace

namespace {

// The input file is untrusted: an external entity in it is never read.
TEST_F(RunStandardTicketBuilderTest, InputFilesThatNeedAnExternalEntityAreRefused) {
  const std::string secret = folder.Write("secret.txt", "top secret");
  WriteInput("order.xml", "<!DOCTYPE job [<!ENTITY s SYSTEM \"file://" + secret + "\">]><job><board>&s;</board></job>");
  Set({{"BOARD_CODE", "xpath:/job/board"}});
  const std::string failure = Failure();
  EXPECT_EQ(failure.rfind("NonWellformedXMLException: Error at line 1 column ", 0), 0u) << failure;
  EXPECT_NE(failure.find("external entity"), std::string::npos) << failure;
  EXPECT_EQ(failure.find("top secret"), std::string::npos);
}

}  // namespace
