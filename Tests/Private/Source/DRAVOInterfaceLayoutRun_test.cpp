// The layout operation on a mock CAD application: the failure handling of
// each failure class in both modes, which nest failures count, the fill
// search's passes, production's choice and the look-up handler's lifetime.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "DRAVOInterfaceLayoutRun.h"
#include "DravoException.h"
#include "OperationDriver.h"
#include "TaskError.h"

namespace {

using CAD::DRAVOInterface;
using ::testing::_;
using ::testing::Return;

std::string ReadText(const std::string& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int Count(const std::string& text, const std::string& part) {
  int found = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++found;
  return found;
}

class LayoutRunTest : public OperationTest {
 protected:
  LayoutRunTest() {
    savedFlag = DRAVOInterface::layoutVersionFlag;
    design = folder.Write("designs/carton.kpx", "<Design/>");
    std::filesystem::create_directories(folder.File("reports"));
    Arrange();
  }
  ~LayoutRunTest() override { DRAVOInterface::layoutVersionFlag = savedFlag; }

  // A ticket and entry that lay out cleanly, and the CAD application's
  // standing answers.
  void Arrange() {
    ticket = CAD::LOTicketParam();
    entry.clear();
    scraps.clear();
    saved.clear();
    ticket.units = "mm";
    ticket.crossGrain = "No";
    ticket.nestingTypes = {"1"};
    ticket.position = "7";
    ticket.designPath = QK_TString("file://" + design);
    ticket.databaseKind = "Enterprise";
    ticket.selectDesign = "path";
    ticket.mfgOutputFolder = QK_TString(folder.File("mfg"));
    ticket.mfgOutputFileName = "sheet";
    ticket.previewOutputFolder = QK_TString(folder.File("preview"));
    ticket.previewFileFormat = "PNG";
    ticket.xmlOutputFolder = QK_TURL::FromLocalPath(QK_TString(folder.File("reports")));
    ticket.xmlOutputFileName = "report";
    for (const char* name : {"Print Item", "Design Name", "Sheet Size X", "Sheet Size Y",
                             "Minimum Sheet Size X", "Minimum Sheet Size Y", "Left Margin", "Right Margin",
                             "Top Margin", "Bottom Margin", "Gutter X", "Gutter Y", "Allocation Strategy",
                             "One Ups in X Direction", "One Ups in Y Direction", "Clip To Minimum"}) {
      entry[name] = "";
    }
    entry["Format Class"] = "FC-1";
    entry["MFG Template"] = "/templates/sheet.MFG";
    entry["Grain Direction"] = "Vertical";
    entry["Fill Sheet"] = "YES";
    entry["Shrink Sheet Size"] = "Both";

    ON_CALL(cad, GetVersion()).WillByDefault(Return(QK_TString("19.5.0")));
    ON_CALL(cad, GetMenuXml(_, _, _, _, _)).WillByDefault([](const QK_TString& path, auto, auto, auto, auto) {
      std::ofstream(path.str()) << "<Menus/>";
      return std::int16_t{0};
    });
    // A save leaves a file, as the CAD application's does.
    ON_CALL(cad, SaveDesign(_)).WillByDefault([this](const QK_TString& path) {
      const std::string local = path.ReplaceChars('\\', '/').str();
      std::ofstream(local) << "<Layout/>";
      saved.push_back(local);
      return std::int16_t{0};
    });
    ON_CALL(cad, AddOneup(_)).WillByDefault(Return(1));
    ON_CALL(cad, QueryOneup43(_)).WillByDefault(Return(4));
    ON_CALL(cad, QueryOneup44(_)).WillByDefault(Return(3));
    ON_CALL(cad, EvaluateStringExpression(_)).WillByDefault([this](const QK_TString& expression) {
      return QK_TString(texts[expression.str()]);
    });
    ON_CALL(cad, EvaluateNumericExpression(_)).WillByDefault([this](const QK_TString& expression) {
      if (expression.str() != "#WASTEHSHT" || scraps.empty()) return numbers[expression.str()];
      const double scrap = scraps.front();
      scraps.pop_front();
      return scrap;
    });
  }

  int Run() {
    CAD::StringMapList entries(entryCount, entry);
    for (const auto& [index, change] : changes) change(entries[index]);
    return cad.GenerateLayout(entries, ticket);
  }
  std::string Report() const { return ReadText(folder.File("reports/report.XML")); }
  // The "%s  %s" messages of the error entries when nothing was delivered.
  std::vector<std::string> ErrorPairs() const {
    std::vector<std::string> pairs;
    for (const std::string& line : task.Messages()) {
      if (line.find("  ") != std::string::npos) pairs.push_back(line);
    }
    return pairs;
  }
  std::vector<std::pair<int, int>> ResultOneups() const {
    std::vector<std::pair<int, int>> found;
    static const std::regex counts(
        "<OneupsInXDirection>(\\d+)</OneupsInXDirection><OneupsInYDirection>(\\d+)</OneupsInYDirection>");
    const std::string report = Report();
    for (std::sregex_iterator it(report.begin(), report.end(), counts), end; it != end; ++it) {
      found.emplace_back(std::stoi((*it)[1]), std::stoi((*it)[2]));
    }
    return found;
  }

  TempFolder folder;
  std::string design;
  CAD::LOTicketParam ticket;
  CAD::StringMap entry;
  std::size_t entryCount = 1;
  std::map<std::size_t, std::function<void(CAD::StringMap&)>> changes;
  std::map<std::string, std::string> texts{{"LAY.UNIT$", "M"},    {"#MANSIZEX", "200"}, {"#MANSIZEY", "150"},
                                           {"#SHTSIZEX", "1000"}, {"#SHTSIZEY", "700"}, {"#NCROSS", "4"},
                                           {"#NBACK", "3"},       {"#NUP", "12"},       {"#GRAIN$", "1"}};
  std::map<std::string, double> numbers{{"LAY.SHT1.SIZEX", 1000},
                                        {"LAY.SHT1.SIZEY", 700},
                                        {"#SHTSIZEX", 1000},
                                        {"#SHTSIZEY", 700},
                                        {"#WASTEHSHT", 10}};
  std::deque<double> scraps;
  std::vector<std::string> saved;
  bool savedFlag = false;
};

// Each failure class, once outside production (an error entry: with one
// entry nothing is delivered, so the entry comes out as its "%s  %s" pairs)
// and once in production (the task fails, after its message where it has one).
TEST_F(LayoutRunTest, EachFailureIsAnErrorEntryOrFailsAProductionTask) {
  struct Case {
    const char* what;
    std::function<void()> arrange;
    std::vector<std::string> pairs;  // "key  value" after "message 2 "
    std::string productionMessage;   // "" for none
  };
  const std::vector<Case> cases = {
      {"a failed placing",
       [this] {
         entry["Fill Sheet"] = "No";
         entry["One Ups in X Direction"] = "2";
         entry["One Ups in Y Direction"] = "2";
         ON_CALL(cad, SetSheetSize(_, _, _, _, _, _)).WillByDefault(Return(2));
       },
       {"ErrorMsg  Failed in setting sheet size", "FormatClass  FC-1", "GrainDirection  1",
        "MFGTemplate  /templates/sheet.MFG", "NestingType  1"},
       ""},
      {"an unknown nesting type",
       [this] { ticket.nestingTypes = {"9"}; },
       {"ErrorMsg  Invalid Nesting Type: 9. Expected Nesting Type values are: 'Straight Nest', 'Reverse 2nd "
        "Row "
        "Nest', 'Reverse 2nd Row Align Nest', 'Reverse 2nd Column Nest', 'Reverse 2nd Column Align Nest' or "
        "'All'. "},
       ""},
      {"an empty format class",
       [this] { entry["Format Class"] = ""; },
       {"ErrorMsg  Format Class cannot be empty"},
       ""},
      {"an empty template name",
       [this] { entry["MFG Template"] = ""; },
       {"ErrorMsg  MFG Template cannot be empty"},
       ""},
      {"no design",
       [this] { ticket.designPath = ""; },
       {"ErrorMsg  Design not found", "FormatClass  FC-1", "MFGTemplate  /templates/sheet.MFG"},
       "message 2 shapejobs.error.designnotfound /templates/sheet.MFG"},
      {"a print item the design lacks",
       [this] { entry["Print Item"] = "Lid"; },
       {"DesignName  carton.kpx", "ErrorMsg  Provided print item not present in the design :Lid",
        "FormatClass  FC-1", "MFGTemplate  /templates/sheet.MFG"},
       ""},
      {"a refused template",
       [this] {
         ON_CALL(cad, OpenDesign(QK_TString("/templates/sheet.MFG"))).WillByDefault([](const QK_TString&) {
           QK_THROW(CAD::DravoError(QK_TString("shapejobs.message.opendesignfailed"),
                                    QK_TAny(QK_TString("No such template"))));
         });
       },
       {"ErrorMsg  No such template", "FormatClass  FC-1", "MFGTemplate  /templates/sheet.MFG"},
       "message 2 shapejobs.message.opendesignfailed"},
      {"an unknown grain word",
       [this] { entry["Grain Direction"] = "Diagonal"; },
       {"ErrorMsg  Invalid or Empty Grain Direction", "FormatClass  FC-1",
        "MFGTemplate  /templates/sheet.MFG"},
       ""},
      {"a sheet size that is no number",
       [this] { entry["Sheet Size X"] = "wide"; },
       {"ErrorMsg  Invalid value (Sheet Size X)", "FormatClass  FC-1", "MFGTemplate  /templates/sheet.MFG"},
       ""},
      {"no fill choice",
       [this] { entry["Fill Sheet"] = ""; },
       {"ErrorMsg  Fill Sheet cannot be empty", "FormatClass  FC-1", "GrainDirection  0",
        "MFGTemplate  /templates/sheet.MFG"},
       ""},
  };
  for (const Case& c : cases) {
    for (bool production : {false, true}) {
      SCOPED_TRACE(std::string(c.what) + (production ? " in production" : ""));
      // The standing answers of this case alone.
      testing::Mock::VerifyAndClear(&cad);
      Arrange();
      task.sink.events.clear();
      ticket.layoutForProduction = production;
      c.arrange();
      if (production) {
        EXPECT_THROW(Run(), TaskError);
        if (!c.productionMessage.empty()) {
          EXPECT_EQ(task.Messages().back(), c.productionMessage);
        }
      } else {
        EXPECT_THROW(Run(), CAD::NOMFGGenerateException);
        std::vector<std::string> expected;
        for (const std::string& pair : c.pairs) expected.push_back("message 2 " + pair);
        EXPECT_EQ(ErrorPairs(), expected);
      }
    }
  }
}

// Outside production a failed entry is counted and the next one runs: the
// report has its error and the other entry's result, filed as a warning.
TEST_F(LayoutRunTest, AFailedEntryIsReportedBesideTheNextEntrysResult) {
  entryCount = 2;
  changes[0] = [](CAD::StringMap& first) { first["Format Class"] = ""; };
  EXPECT_EQ(Run(), 1);
  const std::string report = Report();
  EXPECT_EQ(Count(report, "<Error>"), 1) << report;
  EXPECT_EQ(Count(report, "<Result>"), 1) << report;
  ASSERT_EQ(task.HandedOverContexts().size(), 2u);
  EXPECT_EQ(task.HandedOverContexts()[1].Name(), QK_TString("Warning"));
}

// With the newer CAD application the first placing failure of each
// orientation is passed over; with the older one every failure counts.
// A failure counts as an error only when one-ups were asked for.
TEST_F(LayoutRunTest, PlacingFailuresCountPerOrientationAfterTheFirstWithTheNewerVersion) {
  ON_CALL(cad, SetSheetSize(_, _, _, _, _, _)).WillByDefault(Return(2));
  entry["Grain Direction"] = "Both";  // two orientations
  entry["Fill Sheet"] = "No";
  entry["One Ups in X Direction"] = "2";
  entry["One Ups in Y Direction"] = "2";
  ticket.nestingTypes = {"1", "2"};
  const auto errors = [this] {
    int found = 0;
    for (const std::string& pair : ErrorPairs()) found += pair.rfind("message 2 ErrorMsg  ", 0) == 0;
    return found;
  };
  // Two rotations x two nesting types per orientation: one of four passed over.
  ON_CALL(cad, GetVersion()).WillByDefault(Return(QK_TString("FolvaneCAD 24.1 (stand-in)")));
  EXPECT_THROW(Run(), CAD::NOMFGGenerateException);
  EXPECT_EQ(errors(), 6);
  EXPECT_TRUE(DRAVOInterface::layoutVersionFlag);

  task.sink.events.clear();
  ON_CALL(cad, GetVersion()).WillByDefault(Return(QK_TString("9.5")));
  EXPECT_THROW(Run(), CAD::NOMFGGenerateException);
  EXPECT_EQ(errors(), 4);
  EXPECT_FALSE(DRAVOInterface::layoutVersionFlag) << "the flag follows each call's version";

  task.sink.events.clear();
  entry["Fill Sheet"] = "YES";
  EXPECT_THROW(Run(), CAD::NOMFGGenerateException);
  EXPECT_EQ(errors(), 0);
}

// An unknown nesting type is recorded once in the whole call, however many
// orientations and entries meet it; the good nesting type still delivers.
TEST_F(LayoutRunTest, AnUnknownNestingTypeIsRecordedOncePerCall) {
  ticket.nestingTypes = {"1", "9"};
  entry["Grain Direction"] = "Both";
  entryCount = 2;
  EXPECT_EQ(Run(), 1);
  const std::string report = Report();
  EXPECT_EQ(Count(report, "<Error>"), 1) << report;
  EXPECT_EQ(Count(report, "<Result>"), 4) << report;
}

// Strategy 3: the fill pass and the strategy-one pass are measured on
// temporary files, then each count between them is nested and delivered,
// column by column, ending on the strategy-one pass's counts.
TEST_F(LayoutRunTest, TheFillSearchRecordsBothPassesThenNestsTheCountsBetween) {
  entry["Allocation Strategy"] = "3";
  EXPECT_CALL(cad, QueryOneup43(_)).WillOnce(Return(2)).WillRepeatedly(Return(4));
  EXPECT_CALL(cad, QueryOneup44(_)).WillOnce(Return(2)).WillRepeatedly(Return(3));
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(ResultOneups(),
            (std::vector<std::pair<int, int>>{{4, 3}, {2, 3}, {3, 2}, {3, 3}, {4, 2}, {4, 3}}));
  ASSERT_EQ(task.HandedOverContexts().size(), 2u);
  const auto& files = task.HandedOverContexts()[0].Files();
  std::set<std::string> distinct;
  for (const auto& file : files) distinct.insert(file.location.LocalName().str());
  EXPECT_EQ(files.size(), 6u);
  EXPECT_EQ(distinct.size(), 6u) << "each result has a file of its own";
  EXPECT_TRUE(distinct.count(folder.File("mfg/sheet_6.MFG")));
}

// Strategy 4: the strategy-one pass first, over every nesting type; the
// search goes on with the nesting type that nested best, and its nests are
// saved where the results go, not saved again when delivered.
TEST_F(LayoutRunTest, StrategyFourNarrowsToTheBestNestingTypeAndKeepsItsSearchNests) {
  entry["Allocation Strategy"] = "4";
  ticket.nestingTypes = {"1", "2"};
  scraps = {30, 20};  // nesting type 2 wins the strategy-one pass
  // The design stands as the nests do, so the nesting codes go unswapped.
  ON_CALL(cad, GetIndustryCode()).WillByDefault(Return(CAD::Orientation::kVertical));
  EXPECT_CALL(cad, QueryOneup43(_)).WillOnce(Return(4)).WillOnce(Return(4)).WillOnce(Return(2))
      .WillRepeatedly(Return(4));
  EXPECT_CALL(cad, QueryOneup44(_)).WillOnce(Return(3)).WillOnce(Return(3)).WillOnce(Return(2))
      .WillRepeatedly(Return(3));
  std::vector<std::int32_t> nestingCodes;
  ON_CALL(cad, SetNestData(_, _, _, _)).WillByDefault([&nestingCodes](std::int32_t code, auto, auto, auto) {
    nestingCodes.push_back(code);
    return std::int16_t{0};
  });
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(nestingCodes, (std::vector<std::int32_t>{1, 2, 2, 2, 2, 2, 2, 2, 2}));
  EXPECT_EQ(ResultOneups(), (std::vector<std::pair<int, int>>{{4, 3}, {2, 3}, {3, 2}, {3, 3}, {4, 2}, {4, 3}}));
  EXPECT_EQ(saved.size(), 9u) << "three passes measured, six search nests kept, none saved twice";
  ASSERT_FALSE(task.HandedOverContexts().empty());
  std::set<std::string> delivered;
  for (const auto& file : task.HandedOverContexts()[0].Files()) {
    delivered.insert(file.location.LocalName().str());
    EXPECT_TRUE(std::filesystem::exists(file.location.LocalName().str())) << file.location.LocalName();
  }
  EXPECT_EQ(delivered.size(), 6u);
}

// Production: every entry's nests compete, the lowest scrap is saved where
// the results go and is the report's one result.
TEST_F(LayoutRunTest, ProductionDeliversTheLowestScrapOfAllEntries) {
  ticket.layoutForProduction = true;
  entryCount = 2;
  changes[1] = [](CAD::StringMap& second) { second["Format Class"] = "FC-2"; };
  scraps = {30, 20};
  EXPECT_EQ(Run(), 0);
  const std::string report = Report();
  EXPECT_EQ(Count(report, "<Result>"), 1) << report;
  EXPECT_NE(report.find("<FormatClass>FC-2</FormatClass>"), std::string::npos) << report;
  EXPECT_NE(report.find("<Id>1</Id>"), std::string::npos) << report;
  EXPECT_NE(report.find("<ScrapPercent>20.000000</ScrapPercent>"), std::string::npos) << report;
  ASSERT_FALSE(task.HandedOverContexts().empty());
  const auto& mfg = task.HandedOverContexts()[0];
  EXPECT_EQ(mfg.Name(), QK_TString("MFG"));
  ASSERT_EQ(mfg.Files().size(), 1u);
  EXPECT_EQ(mfg.Files()[0].location.LocalName().str(), folder.File("mfg/sheet.MFG"));
  EXPECT_EQ(saved.back(), folder.File("mfg/sheet.MFG"));
}

// The look-up names answer for the nest being made while the layout runs,
// and the resolver has its own values back however the call ends.
// A failure after the placing, while the nest's values are read, still
// lets the layout object go before the failure is handled.
TEST_F(LayoutRunTest, ANestThatFailsAfterThePlacingLetsTheLayoutObjectGo) {
  ON_CALL(cad, EvaluateStringExpression(QK_TString("#GRAIN$"))).WillByDefault([](const QK_TString&) -> QK_TString {
    QK_THROW(CAD::DravoError(QK_TString("The grain cannot be read")));
  });
  int got = 0;
  bool held = false;
  ON_CALL(cad, GetLayoutObject()).WillByDefault([&] { ++got, held = true; });
  ON_CALL(cad, ReleaseLayoutObject()).WillByDefault([&held] { held = false; });
  EXPECT_THROW(Run(), CAD::NOMFGGenerateException) << "the only nest failed";
  EXPECT_EQ(got, 1);
  EXPECT_FALSE(held) << "the layout object is still held";
}

TEST_F(LayoutRunTest, TheLookupHandlerIsRemovedOnEveryWayOut) {
  TName& names = task.GetTName();
  for (const char* name : {"nestingtype", "graindirection", "formatclass"}) names.Define(name, "defined");
  ticket.mfgOutputFileName = "sheet-<formatclass/>-<nestingtype/>-<graindirection/>";
  const auto restored = [&names] {
    QK_TString text;
    return names.Resolve("<nestingtype/><graindirection/><formatclass/>", text) &&
           text == QK_TString("defineddefineddefined");
  };
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(saved.back(), folder.File("mfg/sheet-FC-1-1-1.MFG"));
  EXPECT_TRUE(restored());

  CAD::StringMapList none;
  EXPECT_THROW(cad.GenerateLayout(none, ticket), CAD::NoLayoutFoundError);
  EXPECT_TRUE(restored());
  ticket.units = "cm";
  EXPECT_THROW(Run(), CAD::InvalidUnitException);
  EXPECT_TRUE(restored());
  ticket.units = "mm";
  ticket.layoutForProduction = true;
  entry["Format Class"] = "";
  EXPECT_THROW(Run(), TaskError);
  EXPECT_TRUE(restored());
}

TEST(LayoutVersionTest, TheFirstDottedNumberIsComparedPartByPart) {
  const std::pair<const char*, bool> cases[] = {{"FolvaneCAD 24.1 (stand-in)", true},
                                                {"20.0.1", true},
                                                {"20.1", true},
                                                {"21", true},
                                                {"19.5.0", false},
                                                {"9.5", false},
                                                {"20.0.0", false},
                                                {"20", false},
                                                {"version 20.0.0.7 build 30", false},
                                                {"no number", false},
                                                {"", false}};
  for (const auto& [text, newer] : cases) {
    EXPECT_EQ(CAD::IsLayoutVersionAtLeast20(text), newer) << text;
  }
}

// The report and the best-nest choice take the results as lists index for
// index; the custom-variable list holds only results that export any.
TEST(LayoutResultListsTest, ResultsUnpackIndexForIndexAndOnlyExportedCustomValuesAreListed) {
  std::vector<CAD::LayoutResult> results(2);
  (*results[0].values)["Id"] = "1";
  (*results[1].values)["Id"] = "2";
  results[0].design.designName = "lid.kpx";
  results[1].design.designName = "box.kpx";

  CAD::LayoutResultLists lists = CAD::ToResultLists(results);
  ASSERT_EQ(lists.values.size(), 2u);
  EXPECT_EQ(lists.values[1], results[1].values) << "the report writes the result's own values";
  EXPECT_EQ(lists.designs[0].designName, QK_TString("lid.kpx"));
  EXPECT_EQ(lists.designs[1].designName, QK_TString("box.kpx"));
  EXPECT_TRUE(lists.customValues.empty()) << "a ticket that exports none gives no custom-variable list";

  results[0].customValues = CAD::StringMapList{{{"Width", "120"}}};
  results[1].customValues = CAD::StringMapList{};
  lists = CAD::ToResultLists(results);
  ASSERT_EQ(lists.customValues.size(), 2u);
  EXPECT_EQ(lists.customValues[0].front().at("Width"), QK_TString("120"));
  EXPECT_TRUE(lists.customValues[1].empty());
}

}  // namespace
