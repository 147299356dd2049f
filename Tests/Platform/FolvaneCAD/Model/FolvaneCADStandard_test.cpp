// Parametric standards read and run by the model alone: defaults by
// parameter set, the checks of values and conditions, the final check and
// the produced design; the menu description and the style catalogue.
#include "Model/FolvaneCADStandardRun.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "Model/FolvaneCADStyleCatalogue.h"
#include "Output/FolvaneCADMenuXml.h"
#include "TempFolder.h"

namespace {

using namespace FolvaneCAD;

const char kTray[] = R"(<Design name="tray" industry="1" unit="mm" grain="1">
  <Variable name="FLUTE$" type="text" value="B"/>
  <Variable name="L" type="numeric" value="1"/>
  <Layer name="Print"/>
  <Line x1="0" y1="0" x2="1" y2="1" layer="1"/>
  <Standard>
    <ParameterSet name="Corrugated - Metric - Single design parameters">
      <Value item="L" value="300"/>
      <Value item="article$" value="Crate"/>
    </ParameterSet>
    <Menu title="Start" kind="1">
      <Condition test="W &lt;= 500" severity="error">No tray is wider than 500</Condition>
    </Menu>
    <Menu title="Sizes" kind="3">
      <Item name="L" type="numeric" default="200" min="50" max="1200"/>
      <Item name="W" default="150" min="50"/>
      <Condition test="L >= W" severity="warning">The length is less than the width</Condition>
      <Condition test="W + 10 &lt;&gt; L" severity="error">Width plus 10 must not be the length</Condition>
    </Menu>
    <Menu title="Texts" kind="2">
      <Item name="ARTICLE$" type="text" default="Tray"/>
    </Menu>
    <Outline>
      <Line x1="0" y1="0" x2="L" y2="0"/>
      <Line x1="L" y1="0" x2="L" y2="W / 2" layer="1"/>
    </Outline>
  </Standard>
</Design>
)";

Standard Read(const std::string& text) {
  Standard standard;
  QK_TString error;
  EXPECT_TRUE(ReadStandard(QK_TXml::ParseText(QK_TString(text), "test"), &standard, &error)) << error;
  return standard;
}

StandardRun Open(const char* parameterSet = "", Unit unit = Unit::kMillimetre) {
  return StandardRun(Read(kTray), unit, parameterSet);
}

const Variable* VariableOf(const Design& design, const char* name) { return design.FindVariable(name); }

TEST(StandardRunTest, DefaultsComeFromADeclaredParameterSetElseFromTheItems) {
  StandardRun declared = Open("corrugated - metric - single design parameters");
  ASSERT_EQ(declared.MenuCount(), 3);
  EXPECT_EQ(declared.Menu(2).kind, 3);
  EXPECT_EQ(declared.ItemDefault(2, 1), QK_TString("300"));
  EXPECT_EQ(declared.ItemValue(2, 1), QK_TString("300")) << "items start at their defaults";
  EXPECT_EQ(declared.ItemDefault(2, 2), QK_TString("150")) << "an item the set does not list keeps its own";
  EXPECT_EQ(declared.ItemDefault(3, 1), QK_TString("Crate"));

  for (const char* set : {"", "Folding Carton - Inch - Single design parameters"}) {
    StandardRun plain = Open(set);
    EXPECT_EQ(plain.ItemDefault(2, 1), QK_TString("200")) << set;
    EXPECT_EQ(plain.ItemDefault(3, 1), QK_TString("Tray")) << set;
  }
}

TEST(StandardRunTest, ValueCheckRefusesTextsAndNumbersOutsideTheirBounds) {
  StandardRun run = Open();
  QK_TString error;
  EXPECT_EQ(run.ValueCheck(2, &error), kCheckPassed);
  run.SetItemValue(2, 1, " 1200 ");
  EXPECT_EQ(run.ValueCheck(2, &error), kCheckPassed) << "the bounds belong to the range";
  run.SetItemValue(2, 1, "1200.5");
  EXPECT_EQ(run.ValueCheck(2, &error), kValueRefused);
  EXPECT_EQ(error, QK_TString("The value 1200.5 of L is outside 50 to 1200"));
  run.SetItemValue(2, 1, "300");
  run.SetItemValue(2, 2, "wide");
  EXPECT_EQ(run.ValueCheck(2, &error), kValueRefused);
  EXPECT_EQ(error, QK_TString("The value \"wide\" of W is not a number"));
  run.SetItemValue(3, 1, "12 x 7");
  EXPECT_EQ(run.ValueCheck(3, &error), kCheckPassed) << "text items take any text";
  EXPECT_EQ(run.ValueCheck(9, &error), kValueRefused);
}

TEST(StandardRunTest, ConditionsFailAsWarningsOrErrorsWithTheirText) {
  StandardRun run = Open();
  QK_TString error;
  EXPECT_EQ(run.ConditionCheck(2, &error), kCheckPassed);
  run.SetItemValue(2, 1, "100");
  EXPECT_EQ(run.ConditionCheck(2, &error), kConditionWarning);
  EXPECT_EQ(error, QK_TString("The length is less than the width"));
  run.SetItemValue(2, 1, "160");
  run.SetItemValue(2, 2, "150");
  EXPECT_EQ(run.ConditionCheck(2, &error), kConditionError);
  EXPECT_EQ(error, QK_TString("Width plus 10 must not be the length"));
  run.SetItemValue(2, 2, "abc");
  EXPECT_EQ(run.ConditionCheck(2, &error), kConditionError) << "a warning that cannot be judged fails the menu";
  EXPECT_EQ(error, QK_TString("texts can only be compared with = and <>"));
}

TEST(StandardRunTest, FinalCheckJudgesTheErrorConditionsOfMenusNotChecked) {
  StandardRun run = Open();
  QK_TString error;
  run.SetItemValue(2, 2, "600");
  EXPECT_EQ(run.FinalCheck(&error), kFinalCheckFailed) << "menu 1 was never checked";
  EXPECT_EQ(error, QK_TString("No tray is wider than 500"));
  EXPECT_EQ(run.ConditionCheck(1, &error), kConditionError);
  EXPECT_EQ(run.FinalCheck(&error), kCheckPassed) << "a checked menu is not judged again";
  run.SetItemValue(2, 2, "150");
  EXPECT_EQ(Open().FinalCheck(&error), kCheckPassed);
}

TEST(StandardRunTest, ProducedDesignHasTheUnitVariablesOutlineAndParameterSet) {
  StandardRun run = Open("Corrugated - Metric - Single design parameters", Unit::kInch);
  run.SetItemValue(2, 2, "120");
  run.SetItemValue(3, 1, "Egg tray");
  Design design;
  QK_TString error;
  ASSERT_TRUE(run.Produce(&design, &error)) << error;
  EXPECT_EQ(design.unit, Unit::kInch);
  EXPECT_EQ(design.grain, 1);
  ASSERT_EQ(design.variables.size(), 4u) << "FLUTE$, L (the item's), W, ARTICLE$";
  EXPECT_EQ(VariableOf(design, "FLUTE$")->value.text, QK_TString("B"));
  EXPECT_FALSE(VariableOf(design, "L")->value.isText);
  EXPECT_EQ(VariableOf(design, "L")->value.number, 300.0);
  EXPECT_EQ(VariableOf(design, "w")->value.number, 120.0);
  EXPECT_EQ(VariableOf(design, "ARTICLE$")->value.text, QK_TString("Egg tray"));
  ASSERT_EQ(design.lines().size(), 3u);
  EXPECT_EQ(design.lines()[0].x2, 1.0) << "the design's own line comes first";
  EXPECT_EQ(design.lines()[1].x2, 300.0);
  EXPECT_EQ(design.lines()[2].y2, 60.0);
  EXPECT_EQ(design.lines()[2].layer, 1);

  QK_TXmlElement element = DesignElement(design);
  ASSERT_NE(element.Attribute("parameterSet"), nullptr);
  EXPECT_EQ(*element.Attribute("parameterSet"), QK_TString("Corrugated - Metric - Single design parameters"));
  bool keptStandard = false;
  for (const QK_TXmlElement& child : element.children) keptStandard = keptStandard || child.name == "Standard";
  EXPECT_TRUE(keptStandard);

  run.SetItemValue(2, 1, "long");
  EXPECT_FALSE(run.Produce(&design, &error));
  EXPECT_NE(error.Find("Outline coordinate \"L\""), QK_TString::npos) << error;
}

TEST(StandardRunTest, ADesignWithoutStandardIsOneTextMenuOfItsVariables) {
  StandardRun run(Read("<Design><Variable name='L' value='60'/><Variable name='A$' value='x'/></Design>"),
                  Unit::kMillimetre, "");
  ASSERT_EQ(run.MenuCount(), 1);
  EXPECT_EQ(run.Menu(1).kind, static_cast<short>(MenuKind::kTextItems));
  ASSERT_EQ(run.Menu(1).items.size(), 2u);
  EXPECT_EQ(run.Item(1, 2).name, QK_TString("A$"));
  EXPECT_EQ(run.ItemDefault(1, 1), QK_TString("60"));
}

TEST(StandardFileTest, FaultyStandardsAreRefusedWithTheReason) {
  auto error = [](const std::string& standard) {
    Standard read;
    QK_TString reason;
    EXPECT_FALSE(ReadStandard(QK_TXml::ParseText(QK_TString("<Design><Standard>" + standard + "</Standard></Design>"),
                                                 "test"),
                              &read, &reason));
    return reason.str();
  };
  EXPECT_NE(error("<Menu><Item name='L'/><Item name='l'/></Menu>").find("item l is defined twice"), std::string::npos);
  EXPECT_NE(error("<Menu><Item name='L' max='big'/></Menu>").find("max=\"big\" is not a number"), std::string::npos);
  EXPECT_NE(error("<Menu><Condition test='L W'/></Menu>").find("a condition needs test="), std::string::npos);
  EXPECT_NE(error("<Menu><Condition test='L > W' severity='fatal'/></Menu>").find("fatal"), std::string::npos);
  EXPECT_NE(error("<Menu plot='maybe'/>").find("plot=\"maybe\" is not yes or no"), std::string::npos);
  EXPECT_NE(error("<Menu><Failure operation='Plot'/></Menu>").find("needs a status"), std::string::npos);
  EXPECT_NE(error("<Menu><Failure operation='Plot' status='0'/></Menu>").find("other than 0"),
            std::string::npos);
  EXPECT_NE(error("<Failure operation='Plot' status='2'/>").find("forces the operation MenuXml"),
            std::string::npos);
  Standard missing;
  QK_TString reason;
  EXPECT_FALSE(LoadStandard("/no/such/standard.kpx", &missing, &reason));
  EXPECT_EQ(reason, QK_TString("Standard file not found: /no/such/standard.kpx"));
}

TEST(StandardFileTest, FailuresAndPlotsAreReadPerMenu) {
  Standard standard = Read(
      "<Design><Standard><Failure operation='menuxml' status='3'>Locked</Failure>"
      "<Menu plot='NO'><Failure operation='Plot' status='-4'/></Menu><Menu/></Standard></Design>");
  ASSERT_EQ(standard.menus.size(), 2u);
  EXPECT_FALSE(standard.menus[0].plotted);
  EXPECT_TRUE(standard.menus[1].plotted);
  const ForcedFailure* plot = FindFailure(standard.menus[0].failures, kPlotOperation);
  ASSERT_NE(plot, nullptr);
  EXPECT_EQ(plot->status, -4);
  EXPECT_EQ(plot->message, QK_TString("Forced failure of Plot"));
  EXPECT_EQ(FindFailure(standard.menus[0].failures, kConditionCheckOperation), nullptr);
  ASSERT_NE(FindFailure(standard.failures, kMenuXmlOperation), nullptr);
  EXPECT_EQ(FindFailure(standard.failures, kMenuXmlOperation)->message, QK_TString("Locked"));
}

TEST(StandardFileTest, TheStandardsComponentOpensDesignsAndLayoutsWithoutMenus) {
  TempFolder folder;
  Standard standard;
  StandardSource source = StandardSource::kStandard;
  QK_TString error;
  std::string plain = folder.Write("plain.tmp", "<Design><Variable name='L' value='60'/></Design>");
  ASSERT_TRUE(LoadStandardSource(QK_TString(plain), &standard, &source, &error)) << error;
  EXPECT_EQ(source, StandardSource::kPlainDesign);
  EXPECT_TRUE(standard.menus.empty()) << "not the menu of variables that a style gets";
  ASSERT_NE(standard.design.FindVariable("L"), nullptr);
  std::string layout = folder.Write("sheet.MFG", "<Layout><Design name='A'/></Layout>");
  ASSERT_TRUE(LoadStandardSource(QK_TString(layout), &standard, &source, &error)) << error;
  EXPECT_EQ(source, StandardSource::kLayout);
  EXPECT_TRUE(standard.menus.empty());
  std::string tray = folder.Write("tray.kpx", kTray);
  ASSERT_TRUE(LoadStandardSource(QK_TString(tray), &standard, &source, &error)) << error;
  EXPECT_EQ(source, StandardSource::kStandard);
  EXPECT_EQ(standard.menus.size(), 3u);
  std::string broken = folder.Write("broken.MFG", "<Layout unit='furlong'/>");
  EXPECT_FALSE(LoadStandardSource(QK_TString(broken), &standard, &source, &error));
  EXPECT_NE(error.Find("furlong"), QK_TString::npos) << error;
}

TEST(MenuXmlTest, MenusListTheirItemsWithoutBlankNodes) {
  QK_TString xml = WriteXml(MenusElement(Read(kTray)), XmlLayout::kCompact);
  EXPECT_EQ(xml, QK_TString("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                            "<Menus><Menu name=\"Start\" type=\"1\"><Variables/></Menu>"
                            "<Menu name=\"Sizes\" type=\"3\"><Variables><StyleChoice variable=\"L\"/>"
                            "<StyleChoice variable=\"W\"/></Variables></Menu>"
                            "<Menu name=\"Texts\" type=\"2\"><Variables><Variable name=\"ARTICLE$\"/></Variables>"
                            "</Menu></Menus>"));
}

TEST(StyleCatalogueTest, EntriesAreFoundIgnoringCaseUnderTheDataRoot) {
  TempFolder folder;
  folder.Write("styles.xml", "<Styles><Style name='RSC' file='standards\\rsc.kpx'/><Style name='Bad'/></Styles>");
  QK_TString path;
  QK_TString error;
  EXPECT_EQ(LookUpStyle(QK_TString(folder.path()), " rsc", &path, &error), StyleLookup::kFound);
  EXPECT_EQ(path, QK_TString(folder.File("standards/rsc.kpx")));
  EXPECT_EQ(LookUpStyle(QK_TString(folder.path()), "FEFCO 0201", &path, &error), StyleLookup::kUnknown);
  EXPECT_EQ(error, QK_TString("Unknown style: FEFCO 0201"));
  EXPECT_EQ(LookUpStyle(QK_TString(folder.path()), "bad", &path, &error), StyleLookup::kUnreadable);
  folder.Write("styles.xml", "<Styles>");
  EXPECT_EQ(LookUpStyle(QK_TString(folder.path()), "RSC", &path, &error), StyleLookup::kUnreadable);
  EXPECT_EQ(LookUpStyle(QK_TString(folder.File("none")), "RSC", &path, &error), StyleLookup::kUnknown);
}

}  // namespace

namespace {

// Every example standard opens and produces its design from its defaults.
TEST(ExampleStandardsTest, RunFromTheirDefaults) {
  int standards = 0;
  for (const auto& entry :
       std::filesystem::recursive_directory_iterator(std::string(SHAPEJOB_SOURCE_DIR) + "/examples/cad")) {
    if (entry.path().extension() != ".kpx") continue;
    FolvaneCAD::Standard standard;
    QK_TString error;
    ASSERT_TRUE(FolvaneCAD::LoadStandard(QK_TString(entry.path().string()), &standard, &error)) << error;
    if (standard.outline.empty()) continue;
    ++standards;
    FolvaneCAD::StandardRun run(standard, FolvaneCAD::Unit::kMillimetre,
                                "Corrugated - Metric - Single design parameters");
    for (int menu = 1; menu <= run.MenuCount(); ++menu) {
      EXPECT_EQ(run.ValueCheck(menu, &error), FolvaneCAD::kCheckPassed) << entry.path() << ": " << error;
      EXPECT_EQ(run.ConditionCheck(menu, &error), FolvaneCAD::kCheckPassed) << entry.path() << ": " << error;
    }
    FolvaneCAD::Design design;
    EXPECT_TRUE(run.Produce(&design, &error)) << entry.path() << ": " << error;
  }
  EXPECT_GE(standards, 3);
}

}  // namespace
