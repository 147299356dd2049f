// The design-information operations over a CAD application that answers
// as a test says: the calls made, the messages, the document written and
// the files registered.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "DRAVOInterfaceDesignInfoFixture.h"
#include "DravoException.h"
#include "ShopCardTicketBuilder.h"
#include "TaskError.h"
#include "XUtilityText.h"

namespace {

using CAD::DRAVOInterface;
using CAD::JoinVariableFields;
using ::testing::_;
using ::testing::AnyNumber;
using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Invoke;
using ::testing::Not;
using ::testing::Return;

constexpr std::int32_t kPrintItems = 1;

std::shared_ptr<CAD::CustomVariable> Numeric(const char* name, const char* expression) {
  auto variable = std::make_shared<CAD::CustomVariable>();
  variable->name = name;
  variable->type = "Numeric";
  variable->expression = expression;
  return variable;
}

// A design with the print items `items`, whose document XML (with its own
// declaration, as the CAD application writes it) names the design opened
// last.
class ExportTest : public DesignInfoTest {
 protected:
  ExportTest() {
    record.designPath = folder.path();
    record.designName = "tuck-end.kpx";
    ON_CALL(cad, OpenDesign(_)).WillByDefault(Invoke([this](const QK_TString& design) { opened = design; }));
    ON_CALL(cad, GetDocROMDXml(_)).WillByDefault(Invoke([this](QK_TString& xml) {
      xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<DESIGN name=\"" +
            DRAVOInterface::FileNameOfPath(opened).str() + "\"><Board code=\"FBB\"/></DESIGN>";
    }));
    ON_CALL(cad, GetPrintItemCount(kPrintItems)).WillByDefault(Invoke([this](std::int32_t) {
      return static_cast<std::int32_t>(items.size());
    }));
    ON_CALL(cad, GetPrintItemName(_, _)).WillByDefault(Invoke([this](std::int32_t kind, std::int32_t index) {
      return kind == kPrintItems ? QK_TString(items.at(index - 1)) : QK_TString("Base");
    }));
    ON_CALL(cad, GetUnit()).WillByDefault(Return(CAD::UnitCode::kMillimetres));
    ON_CALL(cad, EvaluateStringExpression(_)).WillByDefault(Invoke([](const QK_TString& expression) {
      return expression == "#GRAIN$" ? QK_TString("Corrugated") : QK_TString("text of ") + expression;
    }));
  }

  QK_TString Reference(const char* name) const { return QK_TString(folder.path()) + "\\" + name; }
  std::string OutputFile(const char* name) const { return folder.File(name); }
  int Export() { return cad.GenerateDesignInfo(record, text, output); }
  int ExportList() { return cad.GenerateDesignInfoWithVariables(record, designs, text, output); }

  // The keys of the messages, with their severity, in order.
  std::vector<std::string> MessageKeys() const {
    std::vector<std::string> keys;
    for (const std::string& line : task.Messages()) {
      const std::size_t key = line.find(' ', sizeof("message"));
      keys.push_back(line.substr(sizeof("message"), line.find(' ', key + 1) - sizeof("message")));
    }
    return keys;
  }
  std::vector<std::string> Outputs() const { return task.sink.Starting("output "); }

  CAD::ShopCardTicketData record;
  CAD::StringMapList designs;
  QK_TString text;
  QK_TURL output = QK_TURL::FromLocalPath(QK_TString(folder.File("card.xml")));
  QK_TString opened;
  std::vector<std::string> items;
};

TEST_F(ExportTest, OnlyTheImagesThatWereWrittenAreRegistered) {
  items = {"Front", "Back"};
  record.exportThumbnail = true;
  EXPECT_CALL(cad, ExportImage(_, _, _, _, _, _, _, _, _)).Times(AnyNumber());
  EXPECT_CALL(cad, ExportImage(_, QK_TString(OutputFile("card.JPG")), _, _, _, _, _, _, _))
      .WillOnce(Return(4));
  EXPECT_CALL(cad, ExportImage(_, QK_TString(OutputFile("card_Back.JPG")), _, _, _, _, _, _, _))
      .WillOnce(Return(4));
  ON_CALL(cad, GetErrorString()).WillByDefault(Return(QK_TString("no room")));

  EXPECT_EQ(Export(), 1);
  EXPECT_EQ(Outputs(), (std::vector<std::string>{"output Warning " + OutputFile("card.xml"),
                                                 "output Thumbnail " + OutputFile("card_Front.JPG")}));
  EXPECT_THAT(task.Messages(), Contains("message 1 shapejobs.message.exportthumbnailfailed no room " +
                                        OutputFile("card.JPG")));
  EXPECT_THAT(task.Messages(), Contains("message 1 shapejobs.warning.blankwidthvalue "));
  EXPECT_THAT(task.Messages(), Contains("message 1 shapejobs.warning.blankqualityvalue "));
  EXPECT_THAT(XmlFileText(OutputFile("card.xml")), HasSubstr("<Thumbnail><Path/></Thumbnail>"));
}

TEST_F(ExportTest, ADesignNeedsAName) {
  record.designName = QK_TString();
  EXPECT_CALL(cad, OpenDesign(_)).Times(0);
  try {
    Export();
    FAIL() << "no failure";
  } catch (const CAD::EmptyDesignNameException& e) {
    EXPECT_EQ(e.QK_Message(), QK_TString("The Design Name is empty"));
  }
  EXPECT_FALSE(std::filesystem::exists(OutputFile("card.xml")));
}

TEST_F(ExportTest, AFailingScriptIsAWarning) {
  record.commandScript = "EXE /scripts/prepare.cmd";
  EXPECT_CALL(cad, RunCommand(QK_TString("EXE /scripts/prepare.cmd"))).WillOnce(Return(3));
  ON_CALL(cad, GetErrorString()).WillByDefault(Return(QK_TString("script missing")));
  EXPECT_EQ(Export(), 1);
  EXPECT_THAT(task.Messages(), Contains("message 1 shapejobs.message.dravoerrorstring script missing"));
  EXPECT_EQ(Outputs(), (std::vector<std::string>{"output Warning " + OutputFile("card.xml")}));
  EXPECT_THAT(text.str(), HasSubstr("<DESIGN name=\"tuck-end.kpx\">")) << "the caller gets the document XML";
}

TEST_F(ExportTest, MenusPrintItemsAndDocumentPlots) {
  items = {"Front"};
  record.exportMenuVariables = true;
  record.exportDocPlots = true;
  record.thumbnailWidth = "640";
  record.thumbnailHeight = "480";
  ON_CALL(cad, GetUnit()).WillByDefault(Return(CAD::UnitCode::kInches));
  ::testing::InSequence order;
  EXPECT_CALL(cad, OpenStandard(Reference("tuck-end.kpx"), 0, CAD::UnitCode::kInches, QK_TString(),
                                QK_TString("Corrugated - inches - Single design parameters")));
  EXPECT_CALL(cad, GenerateDocPlots(QK_TString("tuck-end.kpx"), output, _, 640, 480, _))
      .WillOnce(
          Invoke([this](const QK_TString&, const QK_TURL&, CAD::PlotList& plots, auto&&...) {
            plots.emplace_back(
                "Style", QK_TURL::FromLocalPath(QK_TString(OutputFile("tuck-end_Style.JPG"))).ToString());
            return 0;
          }));
  EXPECT_CALL(cad, OpenStandard(Reference("tuck-end.kpx"), 0, 0, QK_TString(),
                                QK_TString("Corrugated - Inch - Single design parameters")));
  EXPECT_CALL(cad, GetMenuXml(_, 2, 0, 0, 0))
      .WillOnce(
          Invoke([](const QK_TString& path, std::int16_t, std::int16_t, std::int16_t, std::int16_t) {
            std::ofstream(path.str())
                << "<Menus><Menu name=\"Text\" type=\"2\"><Variables><Variable name=\"CODE$\"/>"
                   "</Variables></Menu></Menus>";
            return CAD::Status::kDone;
          }));
  EXPECT_CALL(cad, GetVariableValue(QK_TString("CODE$"))).WillOnce(Return(QK_TString("A1")));
  EXPECT_CALL(cad, CloseDesign());

  EXPECT_EQ(Export(), 0);
  EXPECT_THAT(MessageKeys(), Contains("0 shapejobs.message.exportingprintitems"));
  EXPECT_THAT(task.Messages(),
              Contains("message 0 shapejobs.message.openstandard " + Reference("tuck-end.kpx").str()));
  EXPECT_THAT(MessageKeys(), Contains("0 shapejobs.message.creatingdocplots"));
  EXPECT_THAT(MessageKeys(), Not(Contains("0 shapejobs.message.creatingthumbnail")));
  EXPECT_EQ(XmlFileText(OutputFile("card.xml")),
            "<DESIGN name=\"tuck-end.kpx\"><Board code=\"FBB\"/><Extra><Menus><Menu name=\"Text\" "
            "type=\"Variable\">"
            "<CODE__TXT>A1</CODE__TXT></Menu></Menus><PrintItems><Item Id=\"1\" Name=\"Front\">"
            "<Layer Id=\"0\" Name=\"Base\"/></Item></PrintItems><Docplots><Menu Name=\"Style\" URL=\"" +
                OutputFile("tuck-end_Style.JPG") + "\"/></Docplots></Extra></DESIGN>");
  EXPECT_EQ(Outputs(), (std::vector<std::string>{"output XML " + OutputFile("card.xml"),
                                                 "output Thumbnail " + OutputFile("tuck-end_Style.JPG")}));
}

TEST_F(ExportTest, ALayoutListsItsEmbeddedDesignsAndCustomValues) {
  record.designName = "sheet.MFG";
  record.exportCustomVariables = true;
  record.customVariables = {Numeric("Length", "#MANSIZEX")};
  ON_CALL(cad, EvaluateNumericExpression(_)).WillByDefault(Invoke([](const QK_TString& expression) {
    return expression == "#NDESIGNSA" ? 1.0 : expression == "#NITEMS" ? 0.0 : 250.0;
  }));
  EXPECT_CALL(cad, GetPrintItemCount(_)).Times(0);

  EXPECT_EQ(Export(), 0);
  EXPECT_THAT(MessageKeys(), Contains("0 shapejobs.info.embeddeddesigninfo"));
  EXPECT_EQ(
      XmlFileText(OutputFile("card.xml")),
      "<DESIGN name=\"sheet.MFG\"><Board code=\"FBB\"/><Extra><Custom><Length>250.000000</Length></Custom>"
      "<EmbeddedDesigns><Design Name=\"text of #W$\"><Variable Name=\"BLANK_HEIGHT\" Value=\"250.000000\"/>"
      "<Variable Name=\"BLANK_LENGTH\" Value=\"250.000000\"/>"
      "<Variable Name=\"GRAIN_DIRECTION\" Value=\"Corrugated\"/>"
      "<Variable Name=\"NO_OF_UPS\" Value=\"text of #NUPD\"/></Design></EmbeddedDesigns></Extra></DESIGN>");
}

TEST_F(ExportTest, TheDocumentTellsTheKindOfADesignWhoseNameDoesNot) {
  record.designName = "sheet.layout";
  ON_CALL(cad, GetDocROMDXml(_)).WillByDefault(Invoke([](QK_TString& xml) { xml = "<LAYOUT/>"; }));
  ON_CALL(cad, EvaluateNumericExpression(_)).WillByDefault(Return(0.0));
  EXPECT_CALL(cad, GetPrintItemCount(_)).Times(0);
  EXPECT_EQ(Export(), 0);
  EXPECT_EQ(XmlFileText(OutputFile("card.xml")), "<LAYOUT><Extra><EmbeddedDesigns/></Extra></LAYOUT>");
}

TEST_F(ExportTest, AnExpressionThatIsNoNumberEndsTheExport) {
  record.designName = "sheet.MFG";
  record.exportCustomVariables = true;
  record.customVariables = {Numeric("Ups", "@Design:two:#NUPD")};
  EXPECT_THROW(Export(), CAD::DravoError);
  EXPECT_THAT(task.Messages(), Contains("message 2 shapejobs.message.lexicalcastexception Invalid value"));
  EXPECT_FALSE(std::filesystem::exists(OutputFile("card.xml")));
}

// ---- a list of designs ----

class ExportListTest : public ExportTest {
 protected:
  ExportListTest() {
    record.exportThumbnail = true;
    record.exportCustomVariables = true;
    ON_CALL(cad, EvaluateNumericExpression(_)).WillByDefault(Return(7.0));
  }
  // The expressions evaluated, in order.
  void RecordEvaluations() {
    ON_CALL(cad, EvaluateNumericExpression(_)).WillByDefault(Invoke([this](const QK_TString& expression) {
      evaluated.push_back(expression.str());
      return 7.0;
    }));
  }
  CAD::StringMap Design(const char* name) const { return {{"Name", name}, {"Path", folder.path()}}; }

  std::vector<std::string> evaluated;
};

TEST_F(ExportListTest, EachDesignWithItsOwnVariablesInOneResultsDocument) {
  items = {"Front"};
  CAD::StringMap first = Design("a.kpx");
  first["width"] = "100";
  first["Variable1"] =
      JoinVariableFields({"name", "Longest", "type", "Numeric", "expression", "MAX(L,W)"});
  first["Variable2"] =
      JoinVariableFields({"name", "Depth", "type", "Numeric", "expression", "D"});
  CAD::StringMap second = Design("b.kpx");
  second["CommandScript"] = "file:/scripts/b.cmd";
  second["Variable3"] =
      JoinVariableFields({"name", "Height", "type", "Numeric", "expression", "H"});
  designs = {first, {}, second};
  record.customVariables = {Numeric("longest", "IGNORED"), Numeric("Area", "#AREA")};
  RecordEvaluations();
  EXPECT_CALL(cad, RunCommand(QK_TString("EXE /scripts/b.cmd"))).WillOnce(Return(CAD::Status::kDone));
  EXPECT_CALL(cad, ExportImage(_, QK_TString(OutputFile("a_Thumbnail_1.JPG")), 100, 200, _, _, _, _, _));
  EXPECT_CALL(cad,
              ExportImage(_, QK_TString(OutputFile("a_PrintItem_Front_1.JPG")), 100, 200, _, _, _, _, _));
  EXPECT_CALL(cad, ExportImage(_, QK_TString(OutputFile("b_Thumbnail_3.JPG")), 200, 200, _, _, _, _, _));
  EXPECT_CALL(cad,
              ExportImage(_, QK_TString(OutputFile("b_PrintItem_Front_3.JPG")), 200, 200, _, _, _, _, _));

  EXPECT_EQ(ExportList(), 1) << "the design without a reference is a warning";
  EXPECT_THAT(task.Messages(), Contains("message 0 shapejobs.message.designpathnotfound "));
  EXPECT_EQ(evaluated, (std::vector<std::string>{"MAX(L,W)", "D", "#AREA", "H", "IGNORED", "#AREA"}))
      << "an expression with a comma arrives whole; the ticket adds what a design lacks";
  const std::string results = XmlFileText(OutputFile("card.xml"));
  EXPECT_THAT(results, HasSubstr("<Results><DESIGN name=\"a.kpx\">"));
  EXPECT_THAT(results, HasSubstr("<Custom><Longest>7.000000</Longest><Depth>7.000000</Depth>"
                                 "<Area>7.000000</Area></Custom>"));
  EXPECT_THAT(results, HasSubstr("</DESIGN><DESIGN name=\"b.kpx\">"));
  EXPECT_THAT(results, HasSubstr("<Custom><Height>7.000000</Height><longest>7.000000</longest>"
                                 "<Area>7.000000</Area></Custom>"));
  EXPECT_EQ(Outputs(),
            (std::vector<std::string>{"output Warning " + OutputFile("card.xml"),
                                      "output Thumbnail " + OutputFile("a_Thumbnail_1.JPG"),
                                      "output Thumbnail " + OutputFile("a_PrintItem_Front_1.JPG"),
                                      "output Thumbnail " + OutputFile("b_Thumbnail_3.JPG"),
                                      "output Thumbnail " + OutputFile("b_PrintItem_Front_3.JPG")}));
}

TEST_F(ExportListTest, AnExpressionOfTheExportFileArrivesWhole) {
  const QK_TURL exportFile = folder.WriteUrl(
      "export.xml",
      "<Designs><Design Name=\"a.kpx\" Path=\"" + folder.path() +
          "\"><Variable name=\"Longest\" type=\"Numeric\" expression=\"MAX(L,W)\"/></Design>"
          "<Design Name=\"b.kpx\" Path=\"" +
          folder.path() +
          "\"><Variable name=\"Path\" type=\"Text\" expression=\"C:\\x,y\"/></Design></Designs>");
  AT_TTicket ticket("exportdesigninfo", QK_TDict());
  CAD::ShopCardTicketData built;
  CAD::ShopCardTicketBuilder(ticket, exportFile, built, task).BuildTicketData("exportCadDesign", designs);
  ASSERT_EQ(designs.size(), 2u);
  RecordEvaluations();
  std::vector<std::string> texts;
  ON_CALL(cad, EvaluateStringExpression(_)).WillByDefault(Invoke([&texts](const QK_TString& expression) {
    texts.push_back(expression.str());
    return QK_TString("text");
  }));
  EXPECT_EQ(ExportList(), 0);
  EXPECT_EQ(evaluated, (std::vector<std::string>{"MAX(L,W)"}));
  EXPECT_THAT(texts, Contains("C:\\x,y"));
}

TEST_F(ExportListTest, ASecondExportKeepsNothingOfTheFirst) {
  CAD::StringMap design = Design("a.kpx");
  design["Variable7"] =
      JoinVariableFields({"name", "W", "type", "Numeric", "expression", "W"});
  designs = {design};
  RecordEvaluations();
  EXPECT_EQ(ExportList(), 0);
  EXPECT_EQ(ExportList(), 0);
  EXPECT_EQ(evaluated, (std::vector<std::string>{"W", "W"}));
  EXPECT_EQ(XmlFileText(OutputFile("card.xml")).find("<DESIGN", 1), std::string("<Results>").size())
      << "one design document, not two";
  EXPECT_EQ(XmlFileText(OutputFile("card.xml")).rfind("<DESIGN"), std::string("<Results>").size());
}

TEST_F(ExportListTest, EachDesignListsItsOwnPlotsAndTheExportRegistersAll) {
  record.exportThumbnail = false;
  record.exportCustomVariables = false;
  record.exportDocPlots = true;
  designs = {Design("a.kpx"), Design("b.kpx")};
  EXPECT_CALL(cad, GenerateDocPlots(_, _, _, _, _, _))
      .Times(2)
      .WillRepeatedly(Invoke(
          [this](const QK_TString& name, const QK_TURL&, CAD::PlotList& plots, auto&&...) {
            const std::string file =
                OutputFile((DRAVOInterface::FileNameOfPath(name).str() + "_Style.JPG").c_str());
            plots.emplace_back("Style", QK_TURL::FromLocalPath(QK_TString(file)).ToString());
            return 0;
          }));
  EXPECT_EQ(ExportList(), 0);
  const std::string results = XmlFileText(OutputFile("card.xml"));
  EXPECT_THAT(results,
              HasSubstr("<DESIGN name=\"a.kpx\"><Board code=\"FBB\"/><Extra><Docplots><Menu Name=\"Style\" "
                        "URL=\"" +
                        OutputFile("a.kpx_Style.JPG") + "\"/></Docplots></Extra></DESIGN>"));
  EXPECT_THAT(results,
              HasSubstr("<DESIGN name=\"b.kpx\"><Board code=\"FBB\"/><Extra><Docplots><Menu Name=\"Style\" "
                        "URL=\"" +
                        OutputFile("b.kpx_Style.JPG") + "\"/></Docplots></Extra></DESIGN>"));
  EXPECT_EQ(Outputs(), (std::vector<std::string>{"output XML " + OutputFile("card.xml"),
                                                 "output Thumbnail " + OutputFile("a.kpx_Style.JPG"),
                                                 "output Thumbnail " + OutputFile("b.kpx_Style.JPG")}));
}

TEST_F(ExportListTest, NothingToExportIsAFailure) {
  EXPECT_THROW(ExportList(), CAD::NoDesignInfoExportedException);
  designs = {{}, {{"Name", "lost.kpx"}}};
  EXPECT_CALL(cad, OpenDesign(_)).Times(0);
  EXPECT_THROW(ExportList(), CAD::NoDesignInfoExportedException);
  EXPECT_TRUE(Outputs().empty());
}

TEST_F(ExportListTest, AVariableNameThatIsNoXmlNameRemovesTheExport) {
  designs = {Design("a.kpx"), Design("b.kpx")};
  designs[1]["Variable1"] = "name,Area$,type,Numeric,expression,#AREA";
  EXPECT_THROW(ExportList(), TaskError);
  EXPECT_FALSE(std::filesystem::exists(OutputFile("card.xml")));
  EXPECT_THAT(task.Messages(), Contains("message 2 shapejobs.error.addcustomvariabletoxmlfail"));
  EXPECT_TRUE(Outputs().empty());
}

}  // namespace
