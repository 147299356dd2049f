// Nests of one manufacturing-template entry end to end: the nesting
// operations on both drivers against the CAD stand-in's layout object, from
// the template's parameters to a saved manufacturing file and its layout
// values.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>

#include "DravoException.h"
#include "LayoutNest.h"
#include "ShapejobConnectedSite.h"

namespace {

const char kTemplate[] = "/examples/cad/templates/sheet-1020x720.MFG";

double Number(const CAD::StringMap& values, const char* key) {
  auto found = values.find(key);
  if (found == values.end()) ADD_FAILURE() << "no value " << key;
  return found == values.end() ? 0.0 : std::stod(found->second.str());
}

// The grid of the one-up in a saved manufacturing file, rows x columns.
int PlacedUps(const std::string& mfg) {
  std::smatch match;
  const std::string text = ReadFile(mfg);
  static const std::regex grid("rows=\"(\\d+)\" columns=\"(\\d+)\"");
  if (!std::regex_search(text, match, grid)) {
    ADD_FAILURE() << mfg << " places no one-up";
    return 0;
  }
  return std::stoi(match[1]) * std::stoi(match[2]);
}

class LayoutNestingTest : public DriverEndToEndTest {
 protected:
  LayoutNestingTest() {
    versionFlag_ = CAD::DRAVOInterface::layoutVersionFlag;
    CAD::DRAVOInterface::layoutVersionFlag = true;
    tryFolder_ = odbc_.Folder().File("try");
    std::filesystem::create_directories(tryFolder_);
    entry_ = {{"Format Class", "FC-1"},
              {"MFG Template", QK_TString(std::string(SHAPEJOB_SOURCE_DIR) + kTemplate)},
              {"Grain Direction", "Both"},
              {"Design Name", ""},
              {"Print Item", ""},
              {"Sheet Size X", ""},
              {"Sheet Size Y", ""},
              {"Minimum Sheet Size X", ""},
              {"Minimum Sheet Size Y", ""},
              {"Left Margin", ""},
              {"Right Margin", ""},
              {"Top Margin", ""},
              {"Bottom Margin", ""},
              {"Gutter X", ""},
              {"Gutter Y", ""},
              {"Allocation Strategy", ""},
              {"Fill Sheet", "YES"},
              {"One Ups in X Direction", ""},
              {"One Ups in Y Direction", ""},
              {"Clip To Minimum", ""},
              {"Shrink Sheet Size", "Both"}};
  }
  ~LayoutNestingTest() override {
    CAD::DRAVOInterface::layoutVersionFlag = versionFlag_;
    unsetenv("FOLVANECAD_SCENARIO");
  }

  // The site of the entry on the connected driver, prepared; the ticket in
  // `units` lays out `design`.
  LayoutNestSite Site(const char* units = "mm", const std::string& design = std::string()) {
    CAD::DRAVOInterface& cad = Connected();
    LayoutNestSite site(cad);
    site.ticket.units = units;
    site.ticket.designPath = QK_TString("file://" + (design.empty() ? design_ : design));
    site.ticket.databaseKind = GetParam() ? "Enterprise" : "Conventional";
    site.ticket.selectDesign = "path";
    site.ticket.crossGrain = "No";
    site.entry = entry_;
    site.tryFolder = QK_TURL::FromLocalPath(QK_TString(tryFolder_));
    site.timeScript = cad.WriteTimeScript();
    site.Prepare();
    return site;
  }

  bool Seen(const std::string& event) const {
    return std::find(sink.events.begin(), sink.events.end(), event) != sink.events.end();
  }

  std::string Tried(const char* name) const { return tryFolder_ + "/" + name; }

  void Scenario(const std::string& lines) {
    setenv("FOLVANECAD_SCENARIO", odbc_.Folder().Write("layout-scenario.txt", lines + "\n").c_str(), 1);
  }

  CAD::StringMap entry_;
  std::string tryFolder_;
  bool versionFlag_ = false;
};

// The template is in millimetres: an inch ticket reads its sheet and
// margins divided by 25.4 and reports each value it took from the template.
TEST_P(LayoutNestingTest, AnInchTicketReadsTheMillimetreTemplateInInches) {
  LayoutNestSite site = Site("Inch");
  EXPECT_NEAR(site.record.sheetSizeX, 1020 / 25.4, 1e-9);
  EXPECT_NEAR(site.record.sheetSizeY, 720 / 25.4, 1e-9);
  EXPECT_NEAR(site.record.gutterX, 3 / 25.4, 1e-9);
  EXPECT_DOUBLE_EQ(site.record.sheetX, site.record.sheetSizeX);
  EXPECT_TRUE(Seen("message 0 shapejobs.message.sheetsizeX " + QK_TString::Format("%f", 1020 / 25.4).str()));
  EXPECT_TRUE(Seen("message 0 shapejobs.message.minsheetsizeY " + QK_TString::Format("%f", 400 / 25.4).str()));

  // Given values win without a message.
  entry_["Sheet Size X"] = "30";
  LayoutNestSite given = Site("Inch");
  EXPECT_DOUBLE_EQ(given.record.sheetSizeX, 30.0);
}

// Every nesting type and both rotations: one file per rotation in the try
// folder, its grid the one-ups the values count, the area figure from the
// sheet read back.
TEST_P(LayoutNestingTest, EachNestingTypeAndRotationSavesItsManufacturingFile) {
  LayoutNestSite site = Site();
  for (const char* code : {"1", "2", "3", "4", "5"}) {
    for (double rotation : {0.0, 180.0}) {
      SCOPED_TRACE(std::string("nesting type ") + code + " rotation " + std::to_string(rotation));
      const LayoutNestSite::Nest nest = site.Run(code, rotation, CAD::Orientation::kHorizontal);
      EXPECT_EQ(nest.passResult, CAD::NestPassResult::kClean);
      const std::string file = Tried(rotation == 0.0 ? "nest_0.MFG" : "nest_180.MFG");
      ASSERT_TRUE(std::filesystem::exists(file));
      EXPECT_EQ(nest.record.mfgFilePath, QK_TString(file));
      const int ups = PlacedUps(file);
      EXPECT_GT(ups, 1);
      EXPECT_EQ(nest.values.at("TotalOneUps"), QK_TString(std::to_string(ups)));
      EXPECT_NEAR(Number(nest.values, "m2Per1000Sheets"),
                  Number(nest.values, "SheetWidth") * Number(nest.values, "SheetLength") / 100, 1e-3);
      EXPECT_EQ(nest.values.at("FormatClass"), QK_TString("FC-1"));
      EXPECT_EQ(nest.values.at("Units"), QK_TString("millimeters"));
      std::filesystem::remove(file);
    }
  }
}

// A design that may lie into its neighbour's free corner (an allowance
// along the rows) fits more one-ups in a reversed second row than nested
// straight, with less scrap. Its blank, 215 x 210, is a body 215 x 130
// with a tab 107.5 x 80 above its left half, so a reversed row nests 80
// into it: the declared 100 would make the blanks overlap and is cut.
TEST_P(LayoutNestingTest, AnAllowanceMakesTheReverseNestBeatTheStraightOne) {
  const std::string design = odbc_.Folder().Write(
      "interlocking.kpx",
      "<Design name='interlocking' industry='2' unit='mm' nestY='100'>"
      "<Line x1='0' y1='0' x2='215' y2='0'/><Line x1='215' y1='0' x2='215' y2='130'/>"
      "<Line x1='215' y1='130' x2='107.5' y2='130'/><Line x1='107.5' y1='130' x2='107.5' y2='210'/>"
      "<Line x1='107.5' y1='210' x2='0' y2='210'/><Line x1='0' y1='210' x2='0' y2='0'/></Design>");
  LayoutNestSite site = Site("mm", design);
  const LayoutNestSite::Nest straight = site.Run("1", 0.0, CAD::Orientation::kHorizontal);
  const LayoutNestSite::Nest reverse = site.Run("2", 0.0, CAD::Orientation::kHorizontal);
  EXPECT_GT(Number(reverse.values, "TotalOneUps"), Number(straight.values, "TotalOneUps"));
  EXPECT_LT(Number(reverse.values, "ScrapPercent"), Number(straight.values, "ScrapPercent"));
}

// A failing command script is a warning; a failing time script, or a sheet
// that the clip step refuses, is result 2; only the refused sheet is not
// saved.
TEST_P(LayoutNestingTest, ScriptFailuresWarnAndARefusedSheetIsNotSaved) {
  LayoutNestSite site = Site();
  site.ticket.commandScript = QK_TString("EXE " + odbc_.Folder().File("no-such-script.txt"));
  LayoutNestSite::Nest nest = site.Run("1", 0.0, CAD::Orientation::kHorizontal);
  EXPECT_EQ(nest.passResult, CAD::NestPassResult::kWarning);
  EXPECT_FALSE(sink.Starting("message 0 shapejobs.message.runpostcommandscript").empty());
  EXPECT_FALSE(sink.Starting("message 2 shapejobs.message.dravoerrorstring").empty());
  EXPECT_TRUE(std::filesystem::exists(Tried("nest_0.MFG")));

  site.ticket.commandScript = "";
  site.timeScript = QK_TString("file://" + odbc_.Folder().File("no-such-time.txt"));
  nest = site.Run("1", 0.0, CAD::Orientation::kHorizontal);
  EXPECT_EQ(nest.passResult, CAD::NestPassResult::kNotSaved);

  // Strategy 1 with a minimum sheet larger than any the template allows,
  // and no clipping to it: refused.
  std::filesystem::remove(Tried("nest_0.MFG"));
  entry_["Allocation Strategy"] = "1";
  entry_["Minimum Sheet Size X"] = "2000";
  entry_["Clip To Minimum"] = "No";
  LayoutNestSite clipped = Site();
  nest = clipped.Run("1", 0.0, CAD::Orientation::kHorizontal);
  EXPECT_EQ(nest.passResult, CAD::NestPassResult::kNotSaved);
  EXPECT_FALSE(std::filesystem::exists(Tried("nest_0.MFG")));
  EXPECT_FALSE(sink.Starting("message 1 shapejobs.warning.belowMinsheetsizeX").empty());
}

// Each placing failure of the layout object, forced by a scenario line or
// by the entry, reaches the nest as one exception with a fixed text, after
// the message with the layout object's own text; the layout object is let
// go.
TEST_P(LayoutNestingTest, EachPlacingFailureIsReportedAndRaisedWithItsFixedText) {
  struct Case {
    const char* scenario;
    const char* key;
    const char* text;
    double rotation;
  };
  const Case cases[] = {
      {"Layout.SetSheetSize status=2 error=Sheet refused", "setsheetsizefail", "Failed in setting sheet size", 0},
      {"Layout.SetNestData status=2 error=Nest data refused", "setnestdatafailed", "Failed in setting nest data", 0},
      {"Layout.AddOneup status=0 error=One-up refused", "failtoaddoneup", "Failed in adding oneup on the sheet", 0},
      {"Layout.PlaceOneupGridAlt status=2 error=Grid refused", "nestingfailed", "Nesting failed", 0},
      {"Layout.SetLayoutOption status=2 error=Trim refused", "shrinksheetfailed", "Shrink sheet failed", 0},
      {"Layout.PositionOneups status=2 error=Position refused", "positionfailed", "Positioning failed", 0},
      {"Layout.SetRotation status=2 first=180 error=Rotation refused", "rotationfailed", "Rotation failed", 180},
  };
  LayoutNestSite site = Site();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scenario);
    Scenario(c.scenario);
    const std::string refusal = std::string(c.scenario).substr(std::string(c.scenario).find("error=") + 6);
    try {
      site.Run("1", c.rotation, CAD::Orientation::kHorizontal);
      ADD_FAILURE() << "the nest went through";
    } catch (const CAD::InvalidMandatoryParameterValueExceptionHandler& e) {
      EXPECT_EQ(e.QK_Message(), QK_TString(c.text));
    }
    EXPECT_TRUE(Seen(std::string("message 2 shapejobs.message.") + c.key + " " + refusal));
    EXPECT_ANY_THROW(site.cad.ResetLayout()) << "the layout object was let go";
  }
  // The same rotation failure leaves the unrotated nest alone.
  Scenario("Layout.SetRotation status=2 first=180");
  EXPECT_EQ(site.Run("1", 0.0, CAD::Orientation::kHorizontal).passResult, CAD::NestPassResult::kClean);

  // More one-ups asked for than fit: refused before anything is placed.
  unsetenv("FOLVANECAD_SCENARIO");
  entry_["Fill Sheet"] = "No";
  entry_["One Ups in X Direction"] = "50";
  entry_["One Ups in Y Direction"] = "1";
  LayoutNestSite tooMany = Site();
  EXPECT_THROW(tooMany.Run("1", 0.0, CAD::Orientation::kHorizontal),
               CAD::InvalidMandatoryParameterValueExceptionHandler);
  EXPECT_FALSE(sink.Starting("message 2 shapejobs.message.oneupsexceedmax").empty());
}

TEST_P(LayoutNestingTest, AnUnknownNestingTypeIsRefusedWithTheCodesThatExist) {
  LayoutNestSite site = Site();
  try {
    site.Run("7", 0.0, CAD::Orientation::kHorizontal);
    ADD_FAILURE() << "nesting type 7 was nested";
  } catch (const CAD::InvalidNestingTypeExceptionHandler& e) {
    const std::string text = e.QK_Message().str();
    EXPECT_EQ(text.rfind("Invalid Nesting Type: 7. ", 0), 0u) << text;
    EXPECT_EQ(text.substr(text.size() - 10), "or 'All'. ");
  }
  EXPECT_TRUE(Seen("message 2 shapejobs.error.invalidnestingtype 7"));
  EXPECT_FALSE(std::filesystem::exists(Tried("nest_0.MFG")));
}

// Strategy 0 starts from the minimum sheet and one one-up more, and grows
// the sheet by one-ups while the trimmed sheet is below the minimum.
TEST_P(LayoutNestingTest, StrategyZeroGrowsTheSheetToTheMinimum) {
  entry_["Allocation Strategy"] = "0";
  entry_["Minimum Sheet Size X"] = "455";
  entry_["Clip To Minimum"] = "No";
  LayoutNestSite site = Site();
  const LayoutNestSite::Nest nest = site.Run("1", 0.0, CAD::Orientation::kHorizontal);
  EXPECT_EQ(nest.passResult, CAD::NestPassResult::kClean);
  EXPECT_TRUE(Seen("message 0 shapejobs.message.sheetsizeX 670.000000")) << "the minimum and one one-up";
  EXPECT_GT(nest.record.sheetX, 670.0) << "grown by a one-up";
  EXPECT_GE(Number(nest.values, "SheetLength"), 455.0);
  EXPECT_LT(Number(nest.values, "SheetLength"), 1020.0) << "trimmed to the block";
}

INSTANTIATE_TEST_SUITE_P(BothDrivers, LayoutNestingTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Enterprise" : "Conventional"; });

}  // namespace
