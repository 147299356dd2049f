// The shop-card and design-information ticket builder: ticket parameters,
// the XML ticket's "Design" element and the export file's designs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BuilderTestBase.h"
#include "QK_TArray.h"
#include "ShopCardTicketBuilder.h"
#include "ShopCardTicketException.h"
#include "TaskError.h"

namespace {

using CAD::StringMap;
using CAD::StringMapList;

const char kJob[] = R"(<Job>
  <Size w="320"><h>  240  </h><q>80</q></Size>
  <Vars>
    <V n="Depth" t="Numeric" e="D"/><V n="Flap" t="Numeric" e="F"/><V n="Label" t="Text" e="L"/>
    <X e="extra1"/><X e="extra2"/>
  </Vars>
</Job>)";

// A CUSTOM_VARIABLES list of one entry.
QK_TArray OneCustomVariable(const char* key, const char* type, const char* expression) {
  QK_TDict entry;
  entry.Set("KEY", key);
  entry.Set("TYPE", type);
  entry.Set("EXPRESSION", expression);
  QK_TArray list;
  list.Append(entry);
  return list;
}

class ShopCardTicketBuilderTest : public BuilderTestBase {
 protected:
  void SetUp() override {
    TW_TTaskSetup setup;
    setup.taskId = "shop-card-test";
    setup.names = {{"width", "640"}, {"script", "/scripts/post.cmd"}};
    Prepare(setup);
  }

  void Build(const char* kind, const std::string& inputPath) {
    const QK_TURL inputFile = QK_TURL::FromLocalPath(QK_TString(inputPath));
    AT_TTicket ticket = Ticket(kind);
    CAD::ShopCardTicketBuilder(ticket, inputFile, record, task).BuildTicketData(kind, designs);
  }

  // The message of the `Exception` that building throws.
  template <class Exception>
  std::string Failure(const char* kind, const std::string& inputPath) {
    try {
      Build(kind, inputPath);
    } catch (const Exception& e) {
      return e.QK_Message().str();
    }
    ADD_FAILURE() << "no " << Exception::QK_ClassName() << " thrown";
    return std::string();
  }

  std::string XmlTicket(const std::string& design) { return folder.Write("ticket.xml", design); }

  CAD::ShopCardTicketData record;
  StringMapList designs;
};

// --- ticket parameters ---

TEST_F(ShopCardTicketBuilderTest, ThumbnailValuesAreReadOnlyForTheExportsThatUseThem) {
  struct Case {
    bool thumbnail, docPlots;
    const char *width, *height, *quality;
  } cases[] = {{false, false, "", "", ""}, {false, true, "640", "480", ""}, {true, false, "640", "480", "90"}};
  for (const Case& c : cases) {
    record = CAD::ShopCardTicketData();
    parameters = QK_TDict();
    Set("EXPORT_THUMBNAIL", c.thumbnail);
    Set("EXPORT_DOCPLOTS", c.docPlots);
    Set("THUMBNAIL_WIDTH", "<width/>");
    Set("THUMBNAIL_HEIGHT", " 480 ");
    Set("THUMBNAIL_QUALITY", "90");
    Build("exportCadDesign", "/designs/box.kpx");
    EXPECT_EQ(record.thumbnailWidth, QK_TString(c.width));
    EXPECT_EQ(record.thumbnailHeight, QK_TString(c.height));
    EXPECT_EQ(record.thumbnailQuality, QK_TString(c.quality));
    EXPECT_EQ(record.exportThumbnail, c.thumbnail);
    EXPECT_EQ(record.exportDocPlots, c.docPlots);
    EXPECT_FALSE(record.exportMenuVariables || record.exportCustomVariables);
  }
  EXPECT_TRUE(sink.events.empty());  // no value is logged
}

TEST_F(ShopCardTicketBuilderTest, DesignFileGivesNameAndFolderOnly) {
  Build("buildShopCard", "C:\\designs\\tray\\box.kpx");
  EXPECT_EQ(record.designName, QK_TString("box.kpx"));
  EXPECT_EQ(record.designPath, QK_TString("C:/designs/tray"));
  Build("buildShopCard", "box.xml.kpx");
  EXPECT_EQ(record.designName, QK_TString("box.xml.kpx"));
  EXPECT_EQ(record.designPath, QK_TString("box.xml.kpx"));
}

TEST_F(ShopCardTicketBuilderTest, XPathValuesReadTheInputFileOnce) {
  const std::string input = folder.Write("job.jdf", kJob);
  RewriteOnLookup replace(input, "<Job><Size><q>10</q></Size></Job>");
  task.GetTName().SetLookupHandler("replace", &replace, true);
  Set("EXPORT_THUMBNAIL", true);
  Set("THUMBNAIL_WIDTH", "xpath:/Job/Size/@w/text()");  // an attribute has no text node
  Set("THUMBNAIL_HEIGHT", "xpath:/Job/Size/h<replace/>");
  Set("THUMBNAIL_QUALITY", "xpath:/Job/Size/q");
  Build("exportCadDesign", input);
  EXPECT_EQ(record.thumbnailWidth, QK_TString("320"));
  EXPECT_EQ(record.thumbnailHeight, QK_TString("240"));
  EXPECT_EQ(record.thumbnailQuality, QK_TString("80"));
}

TEST_F(ShopCardTicketBuilderTest, BadParameterValuesFailWithTheirClass) {
  const std::string input = folder.Write("job.jdf", kJob);
  Set("EXPORT_THUMBNAIL", true);
  Set("THUMBNAIL_WIDTH", "xpath:/Job/Size/w/text()/text()");
  EXPECT_EQ(Failure<CAD::ShopCardInvalidXpathException>("exportCadDesign", input),
            "Param Name : Width , Xpath : /Job/Size/w");
  EXPECT_EQ(Failure<CAD::ShopCardNonWellformedXMLException>("exportCadDesign", folder.Write("bad.jdf", "<Job>"))
                .rfind("Error at line ", 0),
            0u);
  Set("EXPORT_THUMBNAIL", "yes");
  EXPECT_NE(Failure<QK_EException>("exportCadDesign", input).find("EXPORT_THUMBNAIL"), std::string::npos);
}

TEST_F(ShopCardTicketBuilderTest, OnlyAnExportReadsAndNormalisesItsCommandScript) {
  struct Case {
    const char *kind, *value, *stored;
  } cases[] = {{"exportCadDesign", "file:<script/>", "EXE /scripts/post.cmd"},
               {"exportCadDesign", "file:EXE file:/s/a.cmd", "EXE /s/a.cmd"},
               {"exportCadDesign", "EXE /s/b.cmd", "EXE /s/b.cmd"},
               {"exportCadDesign", "", ""},
               {"buildShopCard", "EXE /s/b.cmd", ""}};
  for (const Case& c : cases) {
    record = CAD::ShopCardTicketData();
    Set("COMMAND_SCRIPT", c.value);
    Build(c.kind, "/designs/box.kpx");
    EXPECT_EQ(record.commandScript, QK_TString(c.stored)) << c.kind << " " << c.value;
  }
}

TEST_F(ShopCardTicketBuilderTest, CustomVariablesFromXPathLists) {
  const std::string input = folder.Write("job.jdf", kJob);
  Set("EXPORT_CUSTOM_VARIABLES", true);
  Set("selectType", "xpath");
  Set("VARIABLE_NAMES", "xpath://V/@n");
  Set("VARIABLE_TYPES", "xpath://V/@t");
  Set("VARIABLE_EXPRESSIONS", "xpath://V/@e | //X/@e");  // two more than names: ignored
  Build("exportCadDesign", input);
  ASSERT_EQ(record.customVariables.size(), 3u);
  EXPECT_EQ(record.customVariables[2]->name, QK_TString("Label"));
  EXPECT_EQ(record.customVariables[2]->type, QK_TString("Text"));
  EXPECT_EQ(record.customVariables[2]->expression, QK_TString("L"));

  Set("VARIABLE_TYPES", "xpath://X/@e");  // fewer types than names
  EXPECT_EQ(Failure<CAD::XpathVarResolveException>("exportCadDesign", input),
            "Name : xpath://V/@n , Type : xpath://X/@e, Expression : xpath://V/@e | //X/@e");
  Set("VARIABLE_NAMES", "xpath://None/@n");
  EXPECT_FALSE(Failure<CAD::XpathVarResolveException>("exportCadDesign", input).empty());
  Set("VARIABLE_NAMES", "xpath:document('/etc/hosts')//@n");
  EXPECT_EQ(Failure<CAD::ShopCardInvalidXpathException>("exportCadDesign", input),
            "Param Name : VARIABLE_NAMES , Xpath : document('/etc/hosts')//@n");
  Set("VARIABLE_NAMES", "//V/@n");
  EXPECT_NE(Failure<QK_EException>("exportCadDesign", input).find("VARIABLE_NAMES"), std::string::npos);
  Set("VARIABLE_NAMES", "xpath://V[");
  Failure<TaskError>("exportCadDesign", input);
  ASSERT_EQ(sink.events.size(), 1u);
  EXPECT_EQ(sink.events[0].rfind("message 2 shapejobs.message.xalanxpathevaluatevariablesexception xpath://V[ ", 0),
            0u);
}

TEST_F(ShopCardTicketBuilderTest, IncompleteXPathListsOnlyWarn) {
  Set("EXPORT_CUSTOM_VARIABLES", true);
  Set("selectType", "xpath");
  Set("VARIABLE_NAMES", "xpath://V/@n");
  Set("VARIABLE_EXPRESSIONS", "xpath://V/@e");
  Build("exportCadDesign", folder.Write("job.jdf", kJob));
  EXPECT_TRUE(record.customVariables.empty());
  EXPECT_EQ(sink.events, (std::vector<std::string>{"message 1 StandardVariables.Type Names : %s , Type : %s, "
                                                   "Expression : %s xpath://V/@n  xpath://V/@e"}));
}

TEST_F(ShopCardTicketBuilderTest, CustomVariablesFromTheTicketList) {
  QK_TArray list = OneCustomVariable(" Width ", "Numeric", "<width/>");
  Set("EXPORT_CUSTOM_VARIABLES", true);
  Set("selectType", "veltrop");
  Set("CUSTOM_VARIABLES", list);
  Build("exportCadDesign", "/designs/box.kpx");
  ASSERT_EQ(record.customVariables.size(), 1u);
  EXPECT_EQ(record.customVariables[0]->name, QK_TString("Width"));
  EXPECT_EQ(record.customVariables[0]->expression, QK_TString("640"));

  list.Append(QK_TAny("not a dictionary"));
  Set("CUSTOM_VARIABLES", list);
  EXPECT_NE(Failure<QK_EException>("exportCadDesign", "/designs/box.kpx").find("CUSTOM_VARIABLES"),
            std::string::npos);
}

// --- the XML ticket ---

TEST_F(ShopCardTicketBuilderTest, ShopCardTicketFillsTheRecord) {
  Build("buildShopCard", XmlTicket(R"(<Design Name="box.kpx" Project="P1" Version="3" Path="/d" RebuildDesign="1"
      LayerClasses="cut,crease" DesignNotFoundPath="/missing">
    <Variables><Variable Name="L" Value="200"/><Variable Name="W"/></Variables>
    <CommandScript Name="a.cmd" RunAt="POST_OPEN"/><CommandScript Name="b.cmd" RunAt="PRE_OUTPUT"/>
    <CommandScript Name="c.cmd" RunAt="POST_OPEN"/>
    <Save Name="out.kpx" Path="/saved"/>
    <Output Name="Plot" Copies="2" PrintItem="" OutputPathName="file:///out/plot.pdf"/>
    <Output Name="Card" PrintItem="Lid,Base" SampleType="3" OutputPathName="/out/card.pdf"/>
  </Design>)"));
  EXPECT_EQ(record.designName, QK_TString("box.kpx"));
  EXPECT_EQ(record.project, QK_TString("P1"));
  EXPECT_EQ(record.version, 3);
  EXPECT_EQ(record.designPath, QK_TString("/d"));
  EXPECT_EQ(record.rebuildDesign, 1);
  EXPECT_EQ(record.layerClasses, QK_TString("cut,crease"));
  EXPECT_EQ(record.designNotFoundPath, QK_TString("/missing"));
  ASSERT_EQ(record.variables.size(), 2u);
  EXPECT_EQ(record.variables[1]->Name, QK_TString("W"));
  EXPECT_EQ(record.variables[1]->Value, QK_TString());
  EXPECT_EQ(record.GetCommandScript("POST_OPEN"), QK_TString("a.cmd"));
  EXPECT_EQ(record.GetCommandScript("PRE_OUTPUT"), QK_TString("b.cmd"));
  EXPECT_EQ(record.GetCommandScript("POST_REBUILD"), QK_TString());
  EXPECT_TRUE(record.hasSave);
  EXPECT_EQ(record.saveName, QK_TString("out.kpx"));
  EXPECT_EQ(record.savePath, QK_TString("/saved"));
  ASSERT_EQ(record.outputs.size(), 2u);
  EXPECT_EQ(record.outputs[0]->Copies, 2);
  EXPECT_EQ(record.outputs[0]->PrintItem, QK_TString());
  EXPECT_EQ(record.outputs[0]->SampleType, QK_TString("1"));
  EXPECT_EQ(record.outputs[0]->OutputPathName.LocalName(), QK_TString("/out/plot.pdf"));
  EXPECT_EQ(record.outputs[1]->Copies, 1);
  EXPECT_EQ(record.outputs[1]->PrintItem, QK_TString("Lid,Base"));
  EXPECT_EQ(record.outputs[1]->SampleType, QK_TString("3"));
}

TEST_F(ShopCardTicketBuilderTest, NestedDesignWithScriptContainer) {
  Build("buildShopCard", XmlTicket(R"(<Designs><Job><Design Name="first">
      <CommandScript><CommandScript Name="a.cmd" RunAt="PRE_REBUILD"/><CommandScript Name="b.cmd"
        RunAt="POST_OUTPUT"/></CommandScript>
      <Output Name="Only"/>
    </Design></Job><Design Name="second"/></Designs>)"));
  EXPECT_EQ(record.designName, QK_TString("first"));
  EXPECT_EQ(record.version, 0);
  EXPECT_EQ(record.commandScripts.size(), 2u);
  EXPECT_EQ(record.GetCommandScript("POST_OUTPUT"), QK_TString("b.cmd"));
  EXPECT_FALSE(record.hasSave);
  ASSERT_EQ(record.outputs.size(), 1u);  // one output needs neither Copies nor a path
  EXPECT_EQ(record.outputs[0]->Copies, 1);
}

TEST_F(ShopCardTicketBuilderTest, BadTicketsFailWithTheirClassAndMessage) {
  struct Case {
    const char *design, *message;
  } bad[] = {{R"(<Design Version=" 5"/>)", "Version "},
             {R"(<Design Version="3.0"/>)", "Version "},
             {R"(<Design RebuildDesign="yes"/>)", "RebuildDesign "},
             {R"(<Design><Output Copies="-1"/></Design>)", "Copies "},
             {R"(<Design><Output Copies="x"/></Design>)", "Copies "},
             {R"(<Design><Output Copies="70000"/></Design>)", "Copies "},
             {R"(<Design><Output Copies="65536"/></Design>)", "Copies "},
             {R"(<Design><Output Copies=""/></Design>)", "Copies "},
             {R"(<Design><Output Name="a"/><Output Copies="1"/></Design>)", "OutputPathName or Copies "},
             {R"(<Design><Output Copies="1"/><Output OutputPathName=""/></Design>)", "OutputPathName or Copies "}};
  for (const Case& c : bad) {
    EXPECT_EQ(Failure<CAD::BadArgumentsException>("buildShopCard", XmlTicket(c.design)), c.message) << c.design;
  }
  EXPECT_EQ(Failure<CAD::InvalidShopCardTicketException>("buildShopCard", XmlTicket("<Ticket><Designs/></Ticket>")),
            "shapejobs.message.ticketnodenotfound");
  EXPECT_EQ(Failure<CAD::NonWellFormedXMLException>("buildShopCard", XmlTicket("<Design>")).rfind("Error at line ", 0),
            0u);
}

TEST_F(ShopCardTicketBuilderTest, TicketsThatNeedAnExternalEntityAreRefused) {
  const std::string secret = folder.Write("secret.txt", "top secret");
  const std::string input = XmlTicket("<!DOCTYPE Designs [<!ENTITY s SYSTEM \"file://" + secret +
                                   "\">]><Designs><Design Name=\"a\"><CommandScript>&s;</CommandScript></Design>"
                                   "<Design Name=\"b\"/></Designs>");
  for (const char* kind : {"buildShopCard", "exportCadDesign"}) {
    const std::string message = Failure<CAD::NonWellFormedXMLException>(kind, input);
    EXPECT_NE(message.find("external entity"), std::string::npos) << message;
  }
  EXPECT_TRUE(designs.empty());
}

// --- the export file ---

TEST_F(ShopCardTicketBuilderTest, ExportOfOneDesignFillsTheRecord) {
  designs = {StringMap{{"Name", "earlier"}}};
  Set("EXPORT_CUSTOM_VARIABLES", true);
  Set("selectType", "veltrop");
  Set("CUSTOM_VARIABLES", OneCustomVariable("FromTicket", "Text", "T"));
  Build("exportCadDesign", XmlTicket(R"(<Designs><Design Name="box" Version="2">
      <Variables><Variable name="Depth" type="Numeric" expression="D"/></Variables>
    </Design></Designs>)"));
  EXPECT_EQ(designs, (StringMapList{StringMap{{"Name", "earlier"}}}));
  EXPECT_EQ(record.designName, QK_TString("box"));
  EXPECT_EQ(record.version, 2);
  ASSERT_EQ(record.customVariables.size(), 1u);
  EXPECT_EQ(record.customVariables[0]->expression, QK_TString("D"));
}

TEST_F(ShopCardTicketBuilderTest, ExportOfSeveralDesignsFillsTheList) {
  Build("exportCadDesign", XmlTicket(R"(<Designs>
    <Design Name="a" Project="P">
      <CommandScript>  run a.cmd  </CommandScript>
      <Thumbnail width="100" height="80"/><Thumbnail width="999" quality="70"/>
      <Variable name="L" type="Numeric" expression="200"/><Variable/><Variable name="W"/>
    </Design>
    <Design/>
    <Root><Design Name="ignored"><Variable name="lost"/></Design></Root>
    <Design Name="b"><Variable name="H"/></Design>
    <Design Name="c" Version="1"/>
  </Designs>)"));
  EXPECT_EQ(designs, (StringMapList{
                         StringMap{{"Name", "a"},
                                   {"Project", "P"},
                                   {"CommandScript", "run a.cmd"},
                                   {"width", "100"},
                                   {"height", "80"},
                                   {"quality", "70"},
                                   {"Variable1", "name,L,type,Numeric,expression,200"},
                                   {"Variable2", "name,W"}},
                         StringMap{{"Name", "b"}, {"Variable4", "name,H"}},
                         StringMap{{"Name", "c"}, {"Version", "1"}},
                     }));
  EXPECT_TRUE(record.designName.Empty());
}

TEST_F(ShopCardTicketBuilderTest, BrokenExportFileFailsInsteadOfShorteningTheList) {
  designs = {StringMap{{"Name", "earlier"}}};
  const std::string message = Failure<CAD::NonWellFormedXMLException>(
      "exportCadDesign",
      XmlTicket(R"(<Designs><Design Name="a"/><Design Name="b"/><Design Name="c"><Thumbnail width="1")"));
  EXPECT_EQ(message.rfind("Error at line 1 column ", 0), 0u) << message;
  EXPECT_EQ(designs, (StringMapList{StringMap{{"Name", "earlier"}}}));
}

}  // namespace
