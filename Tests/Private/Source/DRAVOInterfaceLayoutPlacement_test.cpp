// The placing steps on a mock layout object: the grain orientations, the
// print item cut into a temporary design, the fill search, the placing
// sequence with and without the version flag, and the shrink options.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <boost/lexical_cast.hpp>
#include <functional>
#include <stdexcept>
#include <string>

#include "DravoException.h"
#include "OperationDriver.h"

namespace {

using ::testing::_;
using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::InSequence;
using ::testing::NiceMock;
using ::testing::Return;

// Sets the process-wide version flag for one test and puts it back after.
class VersionFlag {
 public:
  explicit VersionFlag(bool set) : saved_(CAD::DRAVOInterface::layoutVersionFlag) {
    CAD::DRAVOInterface::layoutVersionFlag = set;
  }
  ~VersionFlag() { CAD::DRAVOInterface::layoutVersionFlag = saved_; }

 private:
  bool saved_;
};

TEST(LayoutGrainTest, TheGrainWordAndCrossGrainChooseTheOrientations) {
  // The orientations as digits, "!" for a refused grain word.
  const char* const cases[][3] = {
      {"No", "Horizontal", "2"}, {"no", "vertical", "1"},   {"No", "Both", "12"},
      {"No", "", "12"},          {"No", "Diagonal", "!"},   {"Yes", "Horizontal", "12"},
      {"YES", "vertical", "12"}, {"Yes", "both", "12"},     {"Yes", "", "!"},
      {"Yes", "Diagonal", "!"},  {"Maybe", "Diagonal", ""}, {"", "Horizontal", ""},
  };
  for (const auto& c : cases) {
    ReportingTask task;
    NiceMock<OperationDriver> cad(&task);
    std::set<std::int16_t> orientations;
    std::string found;
    try {
      cad.GetGrainOrientations(orientations, c[1], c[0]);
      for (std::int16_t code : orientations) found += std::to_string(code);
      EXPECT_THAT(task.Messages(), ElementsAre());
    } catch (const CAD::InvalidGraindirException&) {
      found = "!";
      EXPECT_THAT(task.Messages(),
                  ElementsAre(std::string("message 2 shapejobs.message.invalidgraindirection ") + c[1]));
    }
    EXPECT_EQ(found, c[2]) << c[0] << "/" << c[1];
  }
}

class LayoutPrintItemTest : public OperationTest {
 protected:
  LayoutPrintItemTest() {
    ON_CALL(cad, GetPrintItemCount(1)).WillByDefault(Return(3));
    ON_CALL(cad, GetPrintItemName(1, _)).WillByDefault([](std::int32_t, std::int32_t index) {
      return QK_TString(index == 1 ? "Front" : index == 2 ? "Lid" : "Back");
    });
    record.designPath = "/designs/box.kpx";
    entry["Print Item"] = "LID";
  }

  CAD::StringMap entry;
  CAD::LayoutNestingInfo record;
  std::int32_t warning = 0;
};

TEST_F(LayoutPrintItemTest, TheMatchingPrintItemIsSavedUnderTheDesignsNameAndBecomesTheDesignPath) {
  QK_TString saved;
  {
    InSequence order;
    EXPECT_CALL(cad, OpenDesign(QK_TString("/designs/box.kpx")));
    EXPECT_CALL(cad, CloseDesign());
    EXPECT_CALL(cad, OpenDesign(QK_TString("/designs/box.kpx")));
    EXPECT_CALL(cad, CreatePrintItems(2, true));
    EXPECT_CALL(cad, SaveDesign(_)).WillOnce([&](const QK_TString& path) {
      saved = path;
      return std::int16_t{1};
    });
    EXPECT_CALL(cad, CloseDesign());
  }
  cad.PreparePrintItemDesign(entry, record, "file:/designs/box.kpx", warning);
  EXPECT_THAT(saved.str(), EndsWith("/box.kpx"));
  EXPECT_NE(saved, QK_TString("/designs/box.kpx"));
  EXPECT_EQ(record.designPath, saved);
  EXPECT_EQ(record.printItemIndex, 2);
  EXPECT_EQ(warning, 1);
  EXPECT_THAT(task.Messages(), ElementsAre());
}

TEST_F(LayoutPrintItemTest, AnAbsentOrUnnamedPrintItemIsReportedAndNothingIsSaved) {
  EXPECT_CALL(cad, SaveDesign(_)).Times(0);
  EXPECT_CALL(cad, CreatePrintItems(_, _)).Times(0);
  entry["Print Item"] = "Bottom";
  try {
    cad.PreparePrintItemDesign(entry, record, "/designs/box.kpx", warning);
    FAIL() << "no exception";
  } catch (const CAD::PrintItemExceptionHandler& e) {
    EXPECT_EQ(e.QK_Message(), QK_TString("Provided print item not present in the design :Bottom"));
  }
  // A design without print items fails the same way.
  ON_CALL(cad, GetPrintItemCount(1)).WillByDefault(Return(0));
  entry["Print Item"] = "Lid";
  EXPECT_THROW(cad.PreparePrintItemDesign(entry, record, "/designs/box.kpx", warning),
               CAD::PrintItemExceptionHandler);
  EXPECT_THAT(task.Messages(), ElementsAre("message 2 shapejobs.message.printitemfailed Bottom",
                                           "message 2 shapejobs.message.printitemfailed Lid"));
  EXPECT_EQ(record.designPath, QK_TString("/designs/box.kpx"));
}

// The nests a search prepares, each described by what it asks the layout for.
std::vector<std::string> SearchNests(CAD::NestingSearchState state, bool& ended) {
  std::vector<std::string> nests;
  ended = false;
  ReportingTask task;
  NiceMock<OperationDriver> cad(&task);
  for (int step = 0; step < 20 && !ended; ++step) {
    CAD::LayoutNestingInfo record;
    record.fillSheet = "yes";
    ended = !cad.StepNestingSearch(record, state, true);
    EXPECT_EQ(record.parameters["Shrink Sheet Size"], QK_TString("Both"));
    if (record.allocationStrategy == CAD::AllocationStrategy::kStrategyOne) {
      nests.push_back("strategy one");
    } else if (record.allocationStrategy == 0) {
      nests.push_back("fill " + record.fillSheet.str() + " " + record.shrinkSheet.str());
    } else {
      nests.push_back(std::to_string(record.oneupsX) + "x" + std::to_string(record.oneupsY) + " " +
                      record.fillSheet.str());
    }
  }
  return nests;
}

CAD::NestingSearchState SearchBetween(std::int32_t fillX, std::int32_t fillY, std::int32_t oneX,
                                      std::int32_t oneY) {
  CAD::NestingSearchState state;
  state.fillPassPending = state.strategyOnePassPending = false;
  state.fillPassX = state.nextX = fillX;
  state.fillPassY = state.nextY = fillY;
  state.strategyOneX = oneX;
  state.strategyOneY = oneY;
  return state;
}

TEST(LayoutSearchTest, TheSearchNestsEachCountFromTheFillPassToStrategyOneColumnByColumnAndEnds) {
  bool ended = false;
  EXPECT_THAT(SearchNests(SearchBetween(2, 3, 3, 4), ended),
              ElementsAre("fill YES NO", "2x4 NO", "3x3 NO", "strategy one"));
  EXPECT_TRUE(ended);
  // Strategy one found fewer across than the fill pass: nothing lies between, the search ends at once.
  EXPECT_THAT(SearchNests(SearchBetween(3, 3, 2, 5), ended), ElementsAre("strategy one"));
  EXPECT_TRUE(ended);
  // It found fewer down: each column runs from the fill pass's count and the search ends past strategy one.
  EXPECT_THAT(SearchNests(SearchBetween(2, 5, 3, 4), ended),
              ElementsAre("fill YES NO", "3x5 NO", "strategy one"));
  EXPECT_TRUE(ended);
}

class LayoutPlacementTest : public OperationTest {
 protected:
  LayoutPlacementTest() {
    record.sheetX = 100, record.sheetY = 70;
    record.leftMargin = 1, record.rightMargin = 2, record.topMargin = 3, record.bottomMargin = 4;
    record.gutterX = 0.5, record.gutterY = 0.25;
    record.nestingCode = CAD::NestingType::kReverseSecondRowAlign;
    record.nestingTypeSwap = record.gutterSwap = "true";
    record.parameters = {{"Print Item", "Lid"}, {"Allocation Strategy", "0"}};
    record.printItemIndex = 2;
    record.designPath = "/tmp/lid.kpx";
    record.rotation = 180;
    record.positionCode = 5;
    record.fillSheet = "yes";
    ticket.databaseKind = "Conventional";
    ON_CALL(cad, AddOneup(_)).WillByDefault(Return(1));
    ON_CALL(cad, QueryOneup44(1)).WillByDefault(Return(3));
    ON_CALL(cad, QueryOneup43(1)).WillByDefault(Return(4));
    ON_CALL(cad, EvaluateStringExpression(QK_TString("#MANSIZEX"))).WillByDefault(Return(QK_TString("80.5")));
    ON_CALL(cad, EvaluateStringExpression(QK_TString("#MANSIZEY")))
        .WillByDefault(Return(QK_TString(" 60mm")));
  }

  CAD::LayoutNestingInfo record;
  CAD::DesignInfo design;
  CAD::LOTicketParam ticket;
};

TEST_F(LayoutPlacementTest, WithTheVersionFlagThePlacingRotatesTakesTheAlternativeGridAndPositions) {
  VersionFlag flag(true);
  {
    InSequence order;
    EXPECT_CALL(cad, SetSheetSize(100, 70, 1, 2, 4, 3)).WillOnce(Return(0));
    EXPECT_CALL(cad, SetNestData(CAD::NestingType::kReverseSecondColumnAlign, 0.25, 0.5, 0))
        .WillOnce(Return(0));
    EXPECT_CALL(cad, AddOneup(QK_TString("/tmp/lid.kpx")));
    EXPECT_CALL(cad, SetRotation(180)).WillOnce(Return(0));
    EXPECT_CALL(cad, QueryOneup44(1));
    EXPECT_CALL(cad, QueryOneup43(1));
    EXPECT_CALL(cad, PlaceOneupGridAlt(1, 2, 3, 4)).WillOnce(Return(0));
    EXPECT_CALL(cad, PositionOneups(5)).WillOnce(Return(0));
    EXPECT_CALL(cad, SetSheetSize(83.5, 67, 1, 2, 4, 3));
    EXPECT_CALL(cad, SetLayoutOption(1, 1)).WillOnce(Return(0));
  }
  EXPECT_CALL(cad, PlaceOneupGrid(_, _, _, _)).Times(0);
  cad.PlacePrintItem(record, design, ticket);
  EXPECT_EQ(record.maxOneupsY, 3);
  EXPECT_EQ(record.maxOneupsX, 4);
  EXPECT_THAT(task.Messages(), ElementsAre("message 0 shapejobs.message.maxrowsandcols 3 4"));
}

TEST_F(LayoutPlacementTest, WithoutTheVersionFlagThePlainGridIsPlacedUnturnedAndUnpositioned) {
  VersionFlag flag(false);
  record.nestingTypeSwap = "false";
  record.gutterSwap = "false";
  record.parameters.erase("Print Item");
  {
    InSequence order;
    EXPECT_CALL(cad, SetNestData(CAD::NestingType::kReverseSecondRowAlign, 0.5, 0.25, 0)).WillOnce(Return(0));
    EXPECT_CALL(cad, AddOneup(QK_TString("/tmp/lid.kpx")));
    EXPECT_CALL(cad, PlaceOneupGrid(1, 0, 3, 4)).WillOnce(Return(0));
    EXPECT_CALL(cad, SetLayoutOption(1, 1)).WillOnce(Return(0));
  }
  EXPECT_CALL(cad, SetRotation(_)).Times(0);
  EXPECT_CALL(cad, PositionOneups(_)).Times(0);
  EXPECT_CALL(cad, PlaceOneupGridAlt(_, _, _, _)).Times(0);
  cad.PlacePrintItem(record, design, ticket);
}

TEST_F(LayoutPlacementTest, EachRefusedPlacingStepRaisesItsOwnException) {
  VersionFlag flag(true);
  // Refused from the last step back, so that each earlier refusal is the one that stops the placing.
  const std::pair<std::function<void()>, const char*> steps[] = {
      {[&] { ON_CALL(cad, SetLayoutOption(_, _)).WillByDefault(Return(2)); }, "ShrinkSheetException"},
      {[&] { ON_CALL(cad, PositionOneups(_)).WillByDefault(Return(2)); }, "PositioningFailedException"},
      {[&] { ON_CALL(cad, PlaceOneupGridAlt(_, _, _, _)).WillByDefault(Return(2)); }, "NestFailedException"},
      {[&] { ON_CALL(cad, SetRotation(_)).WillByDefault(Return(2)); }, "RotationFailedException"},
      {[&] { ON_CALL(cad, AddOneup(_)).WillByDefault(Return(0)); }, "OneupAddException"},
      {[&] { ON_CALL(cad, SetNestData(_, _, _, _)).WillByDefault(Return(2)); }, "SetNestDataFailedException"},
      {[&] { ON_CALL(cad, SetSheetSize(100, 70, _, _, _, _)).WillByDefault(Return(2)); },
       "SetSheetSizeException"},
  };
  for (const auto& step : steps) {
    step.first();
    CAD::LayoutNestingInfo placed = record;
    try {
      cad.PlacePrintItem(placed, design, ticket);
      ADD_FAILURE() << "placed despite " << step.second;
    } catch (const CAD::DravoException& e) {
      EXPECT_NE(e.QK_DynamicInfo(step.second), nullptr) << step.second;
    }
  }
}

TEST_F(LayoutPlacementTest, AManufacturingSizeThatIsNoNumberFailsTheConversion) {
  ON_CALL(cad, EvaluateStringExpression(QK_TString("#MANSIZEY"))).WillByDefault(Return(QK_TString("n/a")));
  EXPECT_CALL(cad, SetLayoutOption(_, _)).Times(0);
  EXPECT_THROW(cad.ApplyManufacturingSheetSize(record), std::invalid_argument);
}

TEST_F(LayoutPlacementTest, FillNoAskingMoreThanFitsReportsTheFittingCountsAndPlacesNothing) {
  record.fillSheet = "No";
  record.maxOneupsX = 3;
  record.maxOneupsY = 5;
  record.oneupsX = 4;
  record.oneupsY = 2;
  EXPECT_CALL(cad, PlaceOneupGrid(_, _, _, _)).Times(0);
  EXPECT_THROW(cad.PlaceOneupRowsAndColumns(record, 1, 0), CAD::OneupExceedMaxException);
  EXPECT_THAT(task.Messages(), ElementsAre("message 0 shapejobs.message.maxrowsandcols 5 3"));

  // Any other fill text places nothing either, and says nothing.
  record.fillSheet = "Often";
  cad.PlaceOneupRowsAndColumns(record, 1, 0);
  EXPECT_EQ(task.Messages().size(), 1u);
}

TEST_F(LayoutPlacementTest, TheShrinkOptionsFollowTheLimitFlagsOrElseTheStrategyAndShrinkWord) {
  // Limit flags (below/exceeds, X/Y), fill, strategy ("-": none), shrink word, the option pairs passed.
  const char* const cases[][5] = {
      {"", "YES", "0", "Vertical", "11"},  {"", "yes", "1", "", "11"},
      {"", "YES", "2", "Vertical", "00"},  {"", "YES", "3", "vertical", "10"},
      {"", "No", "0", "Horizontal", "01"}, {"", "No", "-", "both", "11"},
      {"", "YES", "", "Horizontal", "01"}, {"", "YES", "4", "Sideways", ""},
      {"bX bY", "YES", "0", "", "00"},     {"eX eY", "YES", "0", "", "00"},
      {"bX eY", "YES", "0", "", "10 01"},  {"eX", "YES", "0", "", "10"},
      {"bY", "YES", "0", "", "01"},
  };
  for (const auto& c : cases) {
    NiceMock<OperationDriver> driver(&task);
    ON_CALL(driver, EvaluateStringExpression(QK_TString("#MANSIZEX")))
        .WillByDefault(Return(QK_TString("80")));
    ON_CALL(driver, EvaluateStringExpression(QK_TString("#MANSIZEY")))
        .WillByDefault(Return(QK_TString("60")));
    std::string options;
    ON_CALL(driver, SetLayoutOption(_, _)).WillByDefault([&](std::int16_t v, std::int16_t h) {
      options += (options.empty() ? "" : " ") + std::to_string(v) + std::to_string(h);
      return std::int16_t{0};
    });
    const QK_TString flags(c[0]);
    CAD::LayoutNestingInfo sized = record;
    sized.belowMinX = flags.Contains("bX"), sized.belowMinY = flags.Contains("bY");
    sized.exceedsMaxX = flags.Contains("eX"), sized.exceedsMaxY = flags.Contains("eY");
    EXPECT_CALL(driver, SetSheetSize(83, 67, 1, 2, 4, 3)).Times(flags.Empty() ? 1 : 0);
    sized.fillSheet = c[1];
    sized.parameters = {{"Shrink Sheet Size", c[3]}};
    if (std::string(c[2]) != "-") sized.parameters["Allocation Strategy"] = c[2];
    driver.ApplyManufacturingSheetSize(sized);
    EXPECT_EQ(options, c[4]) << c[0] << " " << c[1] << " " << c[2] << " " << c[3];
  }
}

TEST_F(LayoutPlacementTest, OnlyTheLastShrinkOptionsStatusDecidesAndTheStrategyMustBeANumber) {
  record.belowMinX = true;
  record.exceedsMaxY = true;
  EXPECT_CALL(cad, SetLayoutOption(1, 0)).WillOnce(Return(2)).WillOnce(Return(0));
  EXPECT_CALL(cad, SetLayoutOption(0, 1)).WillOnce(Return(0)).WillOnce(Return(2));
  cad.ApplyManufacturingSheetSize(record);
  EXPECT_THROW(cad.ApplyManufacturingSheetSize(record), CAD::ShrinkSheetException);

  record.belowMinX = record.exceedsMaxY = false;
  record.parameters["Allocation Strategy"] = "abc";
  EXPECT_THROW(cad.ApplyManufacturingSheetSize(record), boost::bad_lexical_cast);
}

TEST_F(LayoutPlacementTest, AnEnterpriseOneUpIsTheDesignReferenceWhenChosenByProjectOrFromTheDatabase) {
  record.designReference = "Cartons:box";
  ticket.databaseKind = "Enterprise";
  ticket.selectDesign = "project";
  EXPECT_EQ(CAD::DRAVOInterface::GetOneupDesignReference(record, ticket), QK_TString("Cartons:box"));
  ticket.selectDesign = "path";
  EXPECT_EQ(CAD::DRAVOInterface::GetOneupDesignReference(record, ticket), QK_TString("/tmp/lid.kpx"));
  record.designReference = "@Cartons:box";
  EXPECT_EQ(CAD::DRAVOInterface::GetOneupDesignReference(record, ticket), QK_TString("@Cartons:box"));
}

}  // namespace
