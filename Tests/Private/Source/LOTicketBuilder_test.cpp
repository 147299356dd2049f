// The layout ticket builder: manufacturing-template records through the
// generated stylesheet, the task-wide layout settings, their log messages
// and failures, and the SAX pass over a template list.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "LOTickeException.h"
#include "LOTicketBuilder.h"
#include "LOTicketBuilderSaxHandler.h"
#include "BuilderTestBase.h"
#include "QK_TArray.h"
#include "ShapejobCodes.h"
#include "TaskError.h"

namespace {

const char kJobs[] = R"(<?xml version="1.0"?>
<Jobs design="boxes/tray.kpx" units="mm" empty="">
  <Job><Class> FC-1 </Class><Template>T1</Template><Sheet x="1000"/></Job>
  <Other><Class>not a job</Class></Other>
  <Job><Class>FC-2</Class><Template>T2 &amp; &lt;co&gt;</Template><Sheet x="1200"/></Job>
  <Var name="Depth" type="Numeric" expr=" D "/><Var name="Note" type="Text" expr="N"/>
</Jobs>)";

const char kSite[] = R"(<Configuration><Tree key="Resources"><Tree key="Workflows">
  <Value key="Proof">1</Value><Value key="Layout review">1</Value>
</Tree></Tree></Configuration>)";

QK_TDict Dict(std::initializer_list<std::pair<const char*, const char*>> values) {
  QK_TDict dict;
  for (const auto& [key, value] : values) dict.Set(key, QK_TAny(value));
  return dict;
}

QK_TArray List(std::initializer_list<QK_TDict> entries) {
  QK_TArray list;
  for (const QK_TDict& entry : entries) list.Append(QK_TAny(entry));
  return list;
}

QK_TDict Param(const char* name, const char* element, const char* fallback) {
  return Dict({{"LAYOUT_PARAM", name}, {"LAYOUT_PARAM_XML_ELEMENT", element}, {"LAYOUT_PARAM_DEFAULT_VALUE", fallback}});
}

// Reads a template list as the builder does: the layout handler behind the
// untrusted-XML reader.
std::string ReadTemplateListFile(const std::string& path, CAD::StringMapList& records) {
  CAD::InitializeXmlLibraries();
  CAD::LayoutSAXHandler handler(CAD::LayoutTemplateFieldNames(), "/MFGTemplateList/MFGTemplateItem");
  try {
    CAD::ParseUntrustedXml(QK_TURL::FromLocalPath(QK_TString(path)), {&handler},
                           &CAD::ThrowTicketException<CAD::LONonWellformedXMLException>, "LOTicketBuilder");
  } catch (const CAD::LONonWellformedXMLException& e) {
    return e.QK_Message().str();
  }
  records = handler.Records();
  return "";
}

class LOTicketBuilderTest : public BuilderTestBase {
 protected:
  void SetUp() override {
    const char* server = std::getenv("QK_SERVER");
    if (server != nullptr) savedServer = server;
    setenv("QK_SERVER", folder.Write("site.xml", kSite).c_str(), 1);
    WriteInput("jobs.xml", kJobs);
    TW_TTaskSetup setup;
    setup.taskId = "layout-test";
    setup.outputDir = folder.Url();
    setup.names = {{"site", "Plant 7"}};
    Prepare(setup);
    record.databaseKind = CAD::kConventionalKind;
    Set("XML_ELEMENT_NAME", "xpath:/Jobs/Job");
    Set("LAYOUT_XML_ELEMENT", List({Param("Format Class", "Class", "")}));
    Set("SELECT_DESIGN", "path");
    Set("STANDARD_PATH", "/designs/<site/>.kpx");
    Set("UNITS", "mm");
    Set("NESTING_TYPES", QK_TArray());
    Set("MFG_OUTPUT_FILE_NAME", " <site/>-sheet ");
    Set("MFG_OUTPUT_FOLDER", "/out/mfg");
    Set("XML_OUTPUT_FILE_NAME", "report");
    Set("XML_OUTPUT_FOLDER", QK_TString(folder.path() + "/reports"));
    Set("GENERATE_PREVIEW", false);
    Set("COMMAND_SCRIPT", "");
  }
  void TearDown() override {
    if (savedServer) {
      setenv("QK_SERVER", savedServer->c_str(), 1);
    } else {
      unsetenv("QK_SERVER");
    }
  }

  bool Build() {
    sink.events.clear();
    AT_TTicket ticket = Ticket("runlayout");
    return CAD::LOTicketBuilder(ticket, input, records, record, task).BuildTicketData();
  }

  // The message of the exception of class `Exception` that the build throws.
  template <class Exception>
  std::string Failure() {
    try {
      Build();
    } catch (const Exception& e) {
      return e.QK_Message().str();
    }
    ADD_FAILURE() << "the build did not throw the expected class";
    return "";
  }

  std::optional<std::string> savedServer;
  CAD::StringMapList records{{{"stale", "entry"}}};
  CAD::LOTicketParam record;
};

TEST_F(LOTicketBuilderTest, TemplatesComeFromXPathsAndDefaultsOfEveryRecord) {
  Set("LAYOUT_XML_ELEMENT",
             (List({Param("", "Class", "nameless"), Param("Format Class", "Class", "unused default"),
                           Param("Format Class", "Template", "a later entry loses"),
                           Param("MFG Template", "xpath:Template", ""), Param("Sheet Size X", "", "xpath:Sheet/@x"),
                           Param("Grain Direction", "", "x < y & \"z\" ]]> at <site/>"),
                           Param("Print Item", "Missing", "not used"), Param("Unknown", "Class", "")})));
  ASSERT_TRUE(Build());
  ASSERT_EQ(records.size(), 2u);
  for (const CAD::StringMap& entry : records) EXPECT_EQ(entry.size(), 21u);
  EXPECT_EQ(records[0].at("Format Class"), QK_TString("FC-1"));
  EXPECT_EQ(records[1].at("Format Class"), QK_TString("FC-2"));
  EXPECT_EQ(records[1].at("MFG Template"), QK_TString("T2 & <co>"));
  EXPECT_EQ(records[0].at("Sheet Size X"), QK_TString("1000"));
  EXPECT_EQ(records[1].at("Sheet Size X"), QK_TString("1200"));
  EXPECT_EQ(records[1].at("Grain Direction"), QK_TString("x < y & \"z\" ]]> at Plant 7"));
  EXPECT_EQ(records[0].at("Print Item"), QK_TString(""));
  EXPECT_EQ(records[0].at("Clip To Minimum"), QK_TString(""));
}

TEST_F(LOTicketBuilderTest, RecordXPathThatSelectsNothingGivesNoTemplates) {
  Set("XML_ELEMENT_NAME", " xpath:/Jobs/Missing ");
  ASSERT_TRUE(Build());
  EXPECT_TRUE(records.empty());
  EXPECT_EQ(sink.events.front(), "message 0 shapejobs.info.RootNode xpath:/Jobs/Missing");
}

TEST_F(LOTicketBuilderTest, TwoLayoutInputsInOneProcessBothWork) {
  ASSERT_TRUE(Build());
  ASSERT_EQ(records.size(), 2u);
  WriteInput("more.xml", "<Jobs><Job><Class>A</Class></Job><Job/><Job><Class>C</Class></Job></Jobs>");
  CAD::LOTicketParam second;
  second.databaseKind = "Conventional";
  AT_TTicket ticket = Ticket("runlayout");
  CAD::LOTicketBuilder builder(ticket, input, records, second, task);
  ASSERT_TRUE(builder.BuildTicketData());
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0].at("Format Class"), QK_TString("A"));
  EXPECT_EQ(records[1].at("Format Class"), QK_TString(""));
  EXPECT_EQ(records[2].at("Format Class"), QK_TString("C"));
}

TEST_F(LOTicketBuilderTest, ManyTemplatesAreAllRead) {
  std::string jobs = "<Jobs>";
  for (int i = 0; i < 1000; ++i) jobs += "<Job><Class>FC-" + std::to_string(i) + "</Class></Job>";
  WriteInput("many.xml", jobs + "</Jobs>");
  ASSERT_TRUE(Build());
  ASSERT_EQ(records.size(), 1000u);
  EXPECT_EQ(records[999].at("Format Class"), QK_TString("FC-999"));
}

TEST_F(LOTicketBuilderTest, InputFileIsParsedOnce) {
  RewriteOnLookup rewriter(input.LocalName().str(), R"(<Jobs units="inch"/>)");
  task.GetTName().SetLookupHandler("rewrite", &rewriter, true);
  Set("STANDARD_PATH", "xpath:/Jobs/@design");
  Set("UNITS", "<rewrite/>xpath:/Jobs/@units");
  ASSERT_TRUE(Build());
  EXPECT_EQ(record.designPath, QK_TString("boxes/tray.kpx"));
  EXPECT_EQ(record.units, QK_TString("mm"));  // not "inch" from the rewritten file
}

TEST_F(LOTicketBuilderTest, PlainTicketGivesSettingsAndLogsThemInOrder) {
  ASSERT_TRUE(Build());
  const std::string reports = folder.path() + "/reports";
  EXPECT_EQ(sink.events, (std::vector<std::string>{
                             "message 0 shapejobs.info.RootNode xpath:/Jobs/Job",
                             "message 0 shapejobs.designname.value /designs/Plant 7.kpx",
                             "message 0 shapejobs.units.value mm",
                             "message 0 shapejobs.reportname.value report",
                             "message 0 shapejobs.reportdirectory.value " + reports,
                             "message 0 shapejobs.position.value Center Bottom",
                             "message 0 shapejobs.designDescription.value ",
                             "message 0 shapejobs.customerName.value ",
                             "message 0 shapejobs.customerLocation.value ",
                             "message 0 shapejobs.ownerName.value ",
                             "message 0 shapejobs.ownerLocation.value ",
                             "message 0 shapejobs.salespersonFirstName.value ",
                             "message 0 shapejobs.salespersonLastName.value ",
                             "message 0 shapejobs.designerFirstName.value ",
                             "message 0 shapejobs.designerLastName.value ",
                             "message 0 shapejobs.crossgrain.value No",
                         }));
  EXPECT_EQ(record.designPath, QK_TString("/designs/Plant 7.kpx"));
  EXPECT_EQ(record.mfgOutputFileName, QK_TString("<site/>-sheet"));  // resolved per output later
  EXPECT_EQ(record.mfgOutputFolder, QK_TString("/out/mfg"));
  EXPECT_EQ(record.xmlOutputFolder.LocalName(), QK_TString(reports));
  EXPECT_EQ(task.OutputDir().LocalName(), QK_TString(reports));
  EXPECT_EQ(record.nestingTypes, (std::set<QK_TString>{"1"}));
  EXPECT_EQ(record.position, QK_TString("7"));
  EXPECT_EQ(record.commandScript, QK_TString(""));
  EXPECT_FALSE(record.generatePreview);
  EXPECT_FALSE(record.layoutForProduction);
}

TEST_F(LOTicketBuilderTest, EnterpriseDesignReference) {
  struct Case {
    const char* kind;
    const char* select;
    const char* version;
    const char* expected;
  };
  for (const Case& c : {Case{"Enterprise", "project", "", "@Cartons:Tray"},
                        Case{"enterprise", "Project", "0", "@Cartons:Tray"},
                        Case{"Enterprise", "project", " 3 ", "@Cartons:3:Tray"},
                        Case{"Enterprise", "path", "3", "/ent/tray.kpx"}}) {
    record = CAD::LOTicketParam();
    record.databaseKind = c.kind;
    Set("SELECT_DESIGN", c.select);
    Set("PROJECT_NAME", "Cartons");
    Set("ENT_STD_NAME", "Tray");
    Set("VERSION", c.version);
    Set("ENTERPRISE_PATH", "/ent/tray.kpx");
    ASSERT_TRUE(Build()) << c.select << " " << c.version;
    EXPECT_EQ(record.designPath, QK_TString(c.expected)) << c.select << " " << c.version;
  }
  Set("SELECT_DESIGN", "project");
  Set("VERSION", " 3x");
  ASSERT_TRUE(Build());
  EXPECT_EQ(record.version, 3) << "read up to the first character that is not a digit";
  Set("VERSION", "x3");
  EXPECT_EQ(Failure<TaskError>(), "");
  EXPECT_EQ(sink.Starting("message 2").back(), "message 2 shapejobs.message.invalidversion x3");
  Set("VERSION", "");
  Set("PROJECT_NAME", " ");
  ASSERT_TRUE(Build());
  EXPECT_EQ(record.designPath, QK_TString(""));
  EXPECT_EQ(sink.Starting("message 1"), (std::vector<std::string>{"message 1 shapejobs.warning.blankprojectordesignname"}));
}

TEST_F(LOTicketBuilderTest, NestingTypes) {
  struct Case {
    QK_TArray entries;
    std::set<QK_TString> expected;
  };
  for (const Case& c : {Case{List({Dict({{"NESTING_TYPE", "aLL"}})}), {"1", "2", "3", "4", "5"}},
                        Case{List({Dict({{"NESTING_TYPE", "Straight Nest"}}), Dict({{"NESTING_TYPE", " straight nest"}})}),
                             {"1"}},
                        Case{List({Dict({{"NESTING_TYPE", "Reverse 2nd Column Align Nest"}}),
                                   Dict({{"NESTING_TYPE", ""}}), Dict({{"NESTING_TYPE", "Spiral"}})}),
                             {"5", "Spiral"}}}) {
    Set("NESTING_TYPES", QK_TAny(c.entries));
    ASSERT_TRUE(Build());
    EXPECT_EQ(record.nestingTypes, c.expected);
  }
  EXPECT_EQ(sink.Starting("message 2"), (std::vector<std::string>{"message 2 shapejobs.error.invalidnesttypevalue Spiral"}));
}

TEST_F(LOTicketBuilderTest, PositionAndCrossGrain) {
  for (const auto& [position, code] : {std::pair{"left top", "0"}, std::pair{" Right Bottom ", "8"},
                                       std::pair{"  ", "7"}}) {
    Set("POSITION", position);
    Set("CROSS_GRAIN", "Yes");
    ASSERT_TRUE(Build());
    EXPECT_EQ(record.position, QK_TString(code)) << position;
    EXPECT_EQ(record.crossGrain, QK_TString("Yes"));
  }
  Set("CROSS_GRAIN", "   ");
  ASSERT_TRUE(Build());
  EXPECT_EQ(record.crossGrain, QK_TString("No"));
}

TEST_F(LOTicketBuilderTest, PreviewAndWorkflow) {
  // Without a preview nothing about it is read or checked.
  Set("IS_LAUNCH_WF", QK_TAny(true));
  Set("LAUNCH_WF", "No such workflow");
  ASSERT_TRUE(Build());
  EXPECT_TRUE(record.launchWorkflow.Empty());

  Set("GENERATE_PREVIEW", QK_TAny(true));
  Set("PREVIEW_OUTPUT_FOLDER", " /previews/<site/> ");
  Set("PREVIEW_FILE_FORMAT", "png");
  Set("LAUNCH_WF", "rizu/Layout review");
  ASSERT_TRUE(Build());
  EXPECT_EQ(record.previewOutputFolder, QK_TString("/previews/<site/>"));
  EXPECT_EQ(record.previewFileFormat, QK_TString("png"));
  EXPECT_EQ(record.launchWorkflow, QK_TString("rizu/Layout review"));
  EXPECT_EQ(sink.Starting("message 0 shapejobs.launchwf"),
            (std::vector<std::string>{"message 0 shapejobs.launchwf.value rizu/Layout review"}));
}

TEST_F(LOTicketBuilderTest, CustomVariables) {
  Set("EXPORT_CUSTOM_VARIABLES", QK_TAny(true));
  Set("selectType", "xpath");
  Set("VARIABLE_NAMES", "xpath://Var/@name");
  Set("VARIABLE_TYPES", "xpath://Var/@type");
  Set("VARIABLE_EXPRESSIONS", "xpath://Var/@expr");
  ASSERT_TRUE(Build());
  ASSERT_EQ(record.customVariables.size(), 2u);
  EXPECT_EQ(record.customVariables[0]->name, QK_TString("Depth"));
  EXPECT_EQ(record.customVariables[0]->expression, QK_TString("D"));
  EXPECT_EQ(record.customVariables[1]->type, QK_TString("Text"));

  Set("VARIABLE_TYPES", "xpath://Var[1]/@type");
  EXPECT_EQ(Failure<CAD::LOXpathVarResolveException>(),
            "Name : //Var/@name , Type : //Var[1]/@type, Expression : //Var/@expr");

  Set("VARIABLE_TYPES", "xpath://Var/@type");
  Set("VARIABLE_NAMES", "xpath://Var[");
  Failure<TaskError>();
  ASSERT_EQ(sink.Starting("message 2").size(), 1u);
  EXPECT_EQ(sink.Starting("message 2")[0].rfind("message 2 shapejobs.message.xalanxpathevaluatevariablesexception "
                                                "xpath://Var[ xpath://Var/@type xpath://Var/@expr -1 -1 ", 0),
            0u) << sink.Starting("message 2")[0];

  Set("VARIABLE_NAMES", "xpath://Var/@name");
  Set("VARIABLE_TYPES", "");
  ASSERT_TRUE(Build());
  EXPECT_EQ(sink.Starting("message 1"),
            (std::vector<std::string>{"message 1 StandardVariables.Type Names : %s , Type : %s, Expression : %s "
                                      "xpath://Var/@name  xpath://Var/@expr"}));

  Set("selectType", "veltrop");
  Set("CUSTOM_VARIABLES", (List({Dict({{"KEY", " <site/> "}, {"TYPE", "Text"}, {"EXPRESSION", "P"}})})));
  record.customVariables.clear();
  ASSERT_TRUE(Build());
  ASSERT_EQ(record.customVariables.size(), 1u);
  EXPECT_EQ(record.customVariables[0]->name, QK_TString("Plant 7"));
}

TEST_F(LOTicketBuilderTest, InvalidValuesFailWithTheirMessages) {
  struct Case {
    const char* key;
    const char* value;
    const char* message;  // the error reported before the failure
    const char* exceptionMessage;
  };
  Set("GENERATE_PREVIEW", QK_TAny(true));
  Set("IS_LAUNCH_WF", QK_TAny(true));
  Set("PREVIEW_OUTPUT_FOLDER", "/previews");
  Set("PREVIEW_FILE_FORMAT", "JPEG");
  Set("LAUNCH_WF", "Proof");
  for (const Case& c : {Case{"XML_ELEMENT_NAME", " ", "message 2 shapejobs.message.rootnodeempty", ""},
                        Case{"MFG_OUTPUT_FOLDER", "  ", "message 2 shapejobs.message.mfgpathempty", ""},
                        Case{"XML_OUTPUT_FOLDER", "", "message 2 shapejobs.message.reportpathempty", ""},
                        Case{"PREVIEW_OUTPUT_FOLDER", "", "message 2 shapejobs.message.previewfolderempty", ""},
                        Case{"PREVIEW_FILE_FORMAT", "gif", "message 2 shapejobs.message.invalidpreviewformat gif", ""},
                        Case{"LAUNCH_WF", "rizu/Draft", "message 2 shapejobs.error.workflowunavailable Draft", "Draft"},
                        Case{"POSITION", "xpath:/Jobs/@empty", "message 2 shapejobs.message.positionempty", ""},
                        Case{"POSITION", "Top", "message 2 shapejobs.error.invalidpositionvalue Top", ""}}) {
    const QK_TDict valid = parameters;
    Set(c.key, c.value);
    EXPECT_EQ(Failure<CAD::InvalidValueException>(), c.exceptionMessage) << c.key;
    EXPECT_EQ(sink.Starting("message 2"), (std::vector<std::string>{c.message})) << c.key;
    parameters = valid;
  }
}

TEST_F(LOTicketBuilderTest, BadXPathsAndInputs) {
  Set("XML_ELEMENT_NAME", "/Jobs/Job");
  EXPECT_EQ(Failure<CAD::LOInvalidXpathException>(), "Param Name : RootNode , Xpath : /Jobs/Job");
  Set("XML_ELEMENT_NAME", "xpath:document('/etc/hosts')/*");
  EXPECT_EQ(Failure<CAD::LOInvalidXpathException>(), "Param Name : RootNode , Xpath : document('/etc/hosts')/*");
  Set("XML_ELEMENT_NAME", "xpath:/Jobs/Job");
  Set("LAYOUT_XML_ELEMENT", (List({Param("Format Class", "", "xpath:document ('/etc/hosts')")})));
  EXPECT_EQ(Failure<CAD::LOInvalidXpathException>(), "Param Name : Format Class , Xpath : document ('/etc/hosts')");

  Set("LAYOUT_XML_ELEMENT", (List({Param("Format Class", "Class[", "")})));
  EXPECT_EQ(Failure<QK_EException>(), "Error in XML transformation");

  Set("LAYOUT_XML_ELEMENT", QK_TAny(QK_TArray()));
  Set("UNITS", "xpath:/Jobs/@unit/text()");
  EXPECT_EQ(Failure<CAD::LOInvalidXpathException>(), "Param Name : Units , Xpath : /Jobs/@unit");

  parameters.Remove("UNITS");
  EXPECT_EQ(Failure<QK_EException>(), "The ticket has no value for the mandatory parameter UNITS");

  WriteInput("scan.pdf", "%PDF-1.4 binary");
  EXPECT_EQ(Failure<CAD::LONonWellformedXMLException>().rfind("Error at line 1 column 1:", 0), 0u);
}

TEST(LayoutSAXHandlerTest, ReadsOneMapPerRecordWithItsFirstValues) {
  TempFolder folder;
  CAD::StringMapList records;
  const std::string path = folder.Write("list.xml", R"(<MFGTemplateList>
    <MFGTemplateItem>ignored text<FormatClass>  FC-1 </FormatClass><FormatClass>FC-9</FormatClass>
      <Shrink/><Other>x</Other></MFGTemplateItem>
    <MFGTemplateItem><Other>no known element</Other></MFGTemplateItem>
    <MFGTemplateItem><PrintItem>Lid</PrintItem></MFGTemplateItem>
  </MFGTemplateList>)");
  ASSERT_EQ(ReadTemplateListFile(path, records), "");
  EXPECT_EQ(records, (CAD::StringMapList{{{"Format Class", "FC-1"}, {"Shrink Sheet Size", ""}}, {{"Print Item", "Lid"}}}));
}

TEST(LayoutSAXHandlerTest, DocumentThatBreaksOffFails) {
  TempFolder folder;
  CAD::StringMapList records;
  const std::string path = folder.Write("list.xml", "<MFGTemplateList><MFGTemplateItem><FormatClass>A</FormatClass>"
                                                    "</MFGTemplateItem><MFGTemplateItem><FormatClass>B");
  EXPECT_EQ(ReadTemplateListFile(path, records).rfind("Error at line 1 column ", 0), 0u);
}

}  // namespace
