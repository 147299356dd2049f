// The sections of the design-information document, the shop card's output
// rows, the "Results" document, and the small steps around them.
#include <gtest/gtest.h>

#include <filesystem>

#include "DRAVOInterfaceDesignInfoFixture.h"
#include "TaskError.h"
#include "XUtilityText.h"

namespace {

using CAD::DRAVOInterface;
using CAD::JoinVariableFields;
using CAD::SplitVariableFields;
using ::testing::_;
using ::testing::Invoke;
using ::testing::Return;

TEST(DesignInfoElementsTest, CustomValuesBecomeElementsNamedByTheirVariables) {
  ExtraElement extra;
  DRAVOInterface::AppendCustomElement(extra.document(), extra.element(),
                                      {{{"Width", "120.000000"}}, {{"Label", "Tuck end"}}, {}});
  EXPECT_EQ(extra.Text(), "<Extra><Custom><Width>120.000000</Width><Label>Tuck end</Label></Custom></Extra>");

  ExtraElement empty;
  DRAVOInterface::AppendCustomElement(empty.document(), empty.element(), {});
  EXPECT_EQ(empty.Text(), "<Extra><Custom/></Extra>");

  ExtraElement invalid;
  EXPECT_THROW(DRAVOInterface::AppendCustomElement(invalid.document(), invalid.element(), {{{"Name$", "x"}}}),
               xercesc::DOMException)
      << "a name that is no XML name is the caller's failure";
}

TEST_F(DesignInfoTest, CustomValuesThatCannotBeWrittenRemoveWhatTheExportWrote) {
  const std::string plot = folder.Write("box_Style.JPG", "jpeg");
  const std::string thumbnail = folder.Write("box_Thumbnail_1.JPG", "jpeg");
  const std::string results = folder.Write("job.xml", "<Results/>");
  const CAD::PlotList plots{{"Style", QK_TURL::FromLocalPath(QK_TString(plot)).ToString()}};
  const std::vector<QK_TURL> thumbnails{QK_TURL::FromLocalPath(QK_TString(thumbnail)),
                                        QK_TURL::FromLocalPath(QK_TString(folder.File("never-written.JPG")))};

  ExtraElement extra;
  EXPECT_THROW(
      cad.AppendCustomElementWithCleanup(extra.document(), extra.element(), {{{"Area$", "1"}}}, thumbnails,
                                         plots, QK_TURL::FromLocalPath(QK_TString(results))),
      TaskError);
  EXPECT_FALSE(std::filesystem::exists(plot));
  EXPECT_FALSE(std::filesystem::exists(thumbnail));
  EXPECT_FALSE(std::filesystem::exists(results));
  EXPECT_EQ(task.Messages(),
            (std::vector<std::string>{"message 2 shapejobs.error.addcustomvariabletoxmlfail"}));

  ExtraElement fine;
  cad.AppendCustomElementWithCleanup(fine.document(), fine.element(), {{{"Area", "1"}}}, {}, {},
                                     QK_TURL::FromLocalPath(QK_TString(results)));
  EXPECT_EQ(fine.Text(), "<Extra><Custom><Area>1</Area></Custom></Extra>");
}

TEST(DesignInfoElementsTest, MenusNameTextParametersWithoutTheirDollar) {
  ExtraElement extra;
  DRAVOInterface::AppendMenusElement(extra.document(), extra.element(),
                                     {{{{"L", "200"}}, {{"STYLE$", "Tuck"}}}, {}},
                                     {{"Sizes", "Variable"}, {"Closure", "Style Choice"}});
  EXPECT_EQ(
      extra.Text(),
      "<Extra><Menus><Menu name=\"Sizes\" type=\"Variable\"><L>200</L><STYLE__TXT>Tuck</STYLE__TXT></Menu>"
      "<Menu name=\"Closure\" type=\"Style Choice\"/></Menus></Extra>");

  ExtraElement none;
  DRAVOInterface::AppendMenusElement(none.document(), none.element(), {}, {});
  EXPECT_EQ(none.Text(), "<Extra><Menus/></Extra>");
}

TEST(DesignInfoElementsTest, DocplotsThumbnailAndOutputRows) {
  ExtraElement extra;
  DRAVOInterface::AppendDocplotsElement(extra.document(), extra.element(), {});
  EXPECT_EQ(extra.Text(), "<Extra/>") << "no plots, no element";
  DRAVOInterface::AppendDocplotsElement(extra.document(), extra.element(),
                                        {{"Style", "file:///out/box%20one_Style.JPG"}});
  DRAVOInterface::AppendThumbnailElement(extra.document(), extra.element(),
                                         QK_TURL::FromLocalPath("/out/job.JPG"), CAD::Status::kDone);
  DRAVOInterface::AppendThumbnailElement(extra.document(), extra.element(),
                                         QK_TURL::FromLocalPath("/out/job.JPG"), 3);
  CAD::OutputsInfo output;
  output.Name = "Sample";
  output.Copies = 2;
  DRAVOInterface::AppendOutputRow(extra.document(), extra.element(), output, QK_TString());
  DRAVOInterface::AppendOutputRow(extra.document(), extra.element(), output, "/out/sheet_Front.pdf");
  EXPECT_EQ(extra.Text(),
            "<Extra><Docplots><Menu Name=\"Style\" URL=\"/out/box one_Style.JPG\"/></Docplots>"
            "<Thumbnail><Path>/out/job.JPG</Path></Thumbnail><Thumbnail><Path/></Thumbnail>"
            "<Output Copies=\"2\" Name=\"Sample\" Result=\"Success\"/>"
            "<Output Name=\"Sample\" OutputPathName=\"/out/sheet_Front.pdf\" Result=\"Success\"/></Extra>");
}

TEST(DesignInfoElementsTest, EmbeddedDesignsListTheirPrintItemsAndValues) {
  ExtraElement extra;
  DRAVOInterface::AppendEmbeddedDesignsElement(
      extra.document(), extra.element(),
      {{"Tray", {{"all_print_items", "P:2,Q,,R:4"}, {"NO_OF_UPS", "6"}}}, {"Lid", {{"NO_OF_UPS", "1"}}}});
  EXPECT_EQ(extra.Text(),
            "<Extra><EmbeddedDesigns><Design Name=\"Lid\"><Variable Name=\"NO_OF_UPS\" Value=\"1\"/></Design>"
            "<Design Name=\"Tray\"><Variable Name=\"NO_OF_UPS\" Value=\"6\"/><PrintItemList>"
            "<Item Name=\"P\" No_Of_UPs=\"2\"/><Item Name=\"R\" No_Of_UPs=\"4\"/></PrintItemList></Design>"
            "</EmbeddedDesigns></Extra>");

  ExtraElement none;
  DRAVOInterface::AppendEmbeddedDesignsElement(none.document(), none.element(), {});
  EXPECT_EQ(none.Text(), "<Extra><EmbeddedDesigns/></Extra>");
}

TEST(DesignInfoElementsTest, PrintItemsLeaveOutWhatTheyDoNotHave) {
  DRAVOInterface::PrintItemInfo front;
  front.name = "Front";
  front.id = "1";
  front.address = QK_TURL::FromLocalPath("/out/job_Front.JPG");
  front.layers = {{"0", "Base"}, {"10", "Varnish"}, {"2", "Print"}};
  DRAVOInterface::PrintItemInfo unnamed;
  ExtraElement extra;
  DRAVOInterface::AppendPrintItemsElement(extra.document(), extra.element(), {front, unnamed});
  EXPECT_EQ(
      extra.Text(),
      "<Extra><PrintItems><Item Id=\"1\" Name=\"Front\" URL=\"/out/job_Front.JPG\">"
      "<Layer Id=\"0\" Name=\"Base\"/><Layer Id=\"10\" Name=\"Varnish\"/><Layer Id=\"2\" Name=\"Print\"/>"
      "</Item><Item/></PrintItems></Extra>");
}

TEST(DesignInfoElementsTest, DesignFactsForTheLayoutReport) {
  CAD::DesignInfo design;
  design.designName = "box.kpx";
  design.boardCode = "FBB";
  design.boardDescription = "folding board";
  design.units = "millimeters";
  design.productBlankArea = 12.5;
  design.values = {{"W", "80"}, {"L", "120"}};
  ExtraElement extra;
  DRAVOInterface::AppendDesignElement(extra.document(), extra.element(), design);
  EXPECT_EQ(extra.Text(),
            "<Extra><Design><DesignName>box.kpx</DesignName><BoardCode>FBB</BoardCode>"
            "<BoardDesc>folding board</BoardDesc><Units>millimeters</Units>"
            "<ProdBlankAreaInCM2>12.500000</ProdBlankAreaInCM2>"
            "<Variable name=\"L\" value=\"120\"/><Variable name=\"W\" value=\"80\"/></Design></Extra>");
}

TEST(ResultsDocumentTest, EachExportStartsItsOwnResultsDocument) {
  TempFolder folder;
  const QK_TURL results = folder.WriteUrl("job.xml", "<Results><DESIGN name=\"stale\"/></Results>");
  const QK_TURL first = folder.WriteUrl("one.xml", "<DESIGN name=\"one\"/>");
  const QK_TURL second = folder.WriteUrl("two.xml", "<LAYOUT name=\"two\"/>");

  std::uint32_t appended = 0;
  EXPECT_EQ(DRAVOInterface::AppendToResultsDocument(results, first, appended), 1u);
  EXPECT_EQ(XmlFileText(results.LocalName().str()), "<Results><DESIGN name=\"one\"/></Results>");
  EXPECT_EQ(DRAVOInterface::AppendToResultsDocument(results, second, appended), 2u);
  EXPECT_EQ(XmlFileText(results.LocalName().str()),
            "<Results><DESIGN name=\"one\"/><LAYOUT name=\"two\"/></Results>");

  std::uint32_t nextExport = 0;
  EXPECT_EQ(DRAVOInterface::AppendToResultsDocument(results, second, nextExport), 1u);
  EXPECT_EQ(XmlFileText(results.LocalName().str()), "<Results><LAYOUT name=\"two\"/></Results>");
}

TEST_F(DesignInfoTest, OnlyADatabaseDesignIsCopiedToALocalFile) {
  std::int32_t warning = 0;
  QK_TString design = "/designs/box.kpx";
  EXPECT_CALL(cad, OpenDesign(_)).Times(0);
  EXPECT_CALL(cad, SaveDesign(_)).Times(0);
  cad.SaveReferencedDesignLocally(design, warning);
  EXPECT_EQ(design, QK_TString("/designs/box.kpx"));
  ::testing::Mock::VerifyAndClearExpectations(&cad);

  design = "@Cartons:2:Tray";
  QK_TString saved;
  EXPECT_CALL(cad, OpenDesign(QK_TString("@Cartons:2:Tray")));
  EXPECT_CALL(cad, SaveDesign(_)).WillOnce(Invoke([&saved](const QK_TString& path) {
    saved = path;
    return CAD::Status::kDoneWithRemarks;
  }));
  cad.SaveReferencedDesignLocally(design, warning);
  EXPECT_EQ(design, saved);
  EXPECT_TRUE(design.EndsWith(".kpx"));
  EXPECT_EQ(warning, 1) << "a save with remarks is a warning";
  EXPECT_EQ(task.Messages(),
            (std::vector<std::string>{"message 0 shapejobs.message.opendesignfromwcr @Cartons:2:Tray"}));
}

std::shared_ptr<CAD::CustomVariable> Custom(const char* name) {
  auto variable = std::make_shared<CAD::CustomVariable>();
  variable->name = name;
  return variable;
}

TEST(MergeCustomVariablesTest, TicketVariablesJoinUnlessTheDesignHasTheirName) {
  CAD::ShopCardTicketData record;
  record.customVariables = {Custom("Area"), nullptr, Custom("Depth"), Custom("AREA"), Custom("depth")};
  CAD::CustomVariableList design{Custom("area")};
  DRAVOInterface::MergeCustomVariables(record, design);
  ASSERT_EQ(design.size(), 2u);
  EXPECT_EQ(design[0]->name, QK_TString("area"));
  EXPECT_EQ(design[1], record.customVariables[2]) << "the ticket's own variable, not a copy";
}

TEST(VariableFieldsTest, CommasAndBackslashesWithinAFieldSurvive) {
  const std::vector<QK_TString> fields{"name", "Longest", "expression", "MAX(L,W)", "path", "C:\\x,\\"};
  const QK_TString joined = JoinVariableFields(fields);
  EXPECT_EQ(joined, QK_TString("name,Longest,expression,MAX(L\\,W),path,C:\\\\x\\,\\\\"));
  EXPECT_EQ(SplitVariableFields(joined), fields);
  EXPECT_EQ(SplitVariableFields("name,W"), (std::vector<QK_TString>{"name", "W"}));
  EXPECT_EQ(SplitVariableFields("a,,"), (std::vector<QK_TString>{"a", "", ""}));
  EXPECT_TRUE(SplitVariableFields("").empty());
}

TEST_F(DesignInfoTest, AnXmlTextThatDeclaresItselfIsWrittenAsItIs) {
  const QK_TURL declared = QK_TURL::FromLocalPath(QK_TString(folder.File("declared.xml")));
  cad.WriteXMLText("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<DESIGN/>", declared);
  EXPECT_EQ(XmlFileText(declared.LocalName().str()), "<DESIGN/>");
  const QK_TURL bare = QK_TURL::FromLocalPath(QK_TString(folder.File("bare.xml")));
  cad.WriteXMLText("<DESIGN/>", bare);
  EXPECT_EQ(FileText(bare.LocalName().str()), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<DESIGN/>");
}

}  // namespace
