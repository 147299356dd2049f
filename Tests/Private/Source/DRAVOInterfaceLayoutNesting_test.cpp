// One nest over a mock layout object that places what it is asked: the
// driver's code check, file naming and swap flags, the nest pass's start
// sheet, scripts, save and failures, and the two sheet fits.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <stdexcept>

#include "DravoException.h"
#include "OperationDriver.h"

namespace {

using CAD::DRAVOInterface;
using ::testing::_;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::InSequence;
using ::testing::Mock;
using ::testing::Return;

class NestingTest : public OperationTest {
 protected:
  NestingTest() {
    ON_CALL(cad, AddOneup(_)).WillByDefault(Return(1));
    ON_CALL(cad, QueryOneup44(_)).WillByDefault(Return(2));
    ON_CALL(cad, QueryOneup43(_)).WillByDefault(Return(3));
    ON_CALL(cad, GetLayoutErrorString()).WillByDefault(Return(QK_TString("layout refused")));
    ON_CALL(cad, GetErrorString()).WillByDefault(Return(QK_TString("command refused")));
    ON_CALL(cad, EvaluateStringExpression(_)).WillByDefault([this](const QK_TString& expression) {
      return QK_TString(answers[expression.str()]);
    });
    record.fillSheet = "YES";
    record.sheetX = record.sheetSizeX = 1000;
    record.sheetY = record.sheetSizeY = 700;
    record.orientationCode = 1;
    record.option29Code = CAD::UnitCode::kMillimetres;
    record.mfgFilePath = "/try/carton_0.MFG";
    design.manufacturingSizeX = 200;
    design.manufacturingSizeY = 150;
    design.industryCode = 1;
  }
  ~NestingTest() override { DRAVOInterface::layoutVersionFlag = false; }

  int Pass() {
    return cad.RunNestPass(record, ticket, record.orientationCode, design, "file:///tasks/time.txt");
  }
  std::vector<std::string> MessagesSince(std::size_t count) const {
    const std::vector<std::string> all = task.Messages();
    return {all.begin() + static_cast<std::ptrdiff_t>(count), all.end()};
  }
  // The messages about sheet sizes.
  std::vector<std::string> SheetMessages() const {
    std::vector<std::string> found;
    for (const std::string& line : task.Messages()) {
      if (line.find("sheetsize") != std::string::npos) found.push_back(line);
    }
    return found;
  }

  std::map<std::string, std::string> answers{
      {"#MANSIZEX", "400"}, {"#MANSIZEY", "300"}, {"#SHTSIZEX", "900"}, {"#SHTSIZEY", "600"}};
  CAD::LayoutNestingInfo record;
  CAD::LOTicketParam ticket;
  CAD::DesignInfo design;
};

// The arguments of RunNesting that a test varies.
struct Nest {
  QK_TString code = "1";
  std::int16_t orientation = 1;
  std::int32_t designCode = 1;
  bool namePerRotation = false;
  double rotation = 0.0;
  QK_TURL location;
  QK_TURL tryFolder;
  CAD::LayoutTemplateNames names;
  QK_TString ticketDesignPath;
  CAD::DesignInfo named, path;
  QK_TString nestingSwap = "false", gutterSwap = "false";
  int codeOut = -1, passResult = -1;

  void Run(DRAVOInterface& cad, CAD::LayoutNestingInfo& record, const CAD::LOTicketParam& ticket) {
    cad.RunNesting(record, "carton", location, ticket, namePerRotation, tryFolder, rotation, codeOut, code,
                   names, orientation, designCode, nestingSwap, gutterSwap, ticketDesignPath, named, path,
                   "file:///tasks/time.txt", passResult);
  }
};

TEST_F(NestingTest, ACodeOutsideOneToFiveReleasesTheLayoutObjectAndIsNamedInTheMessageAndText) {
  for (const char* code : {"0", "6", "x", "", "2.5"}) {
    EXPECT_CALL(cad, ReleaseLayoutObject()).Times(1);
    EXPECT_CALL(cad, SetSheetSize(_, _, _, _, _, _)).Times(0);
    Nest nest;
    nest.code = code;
    nest.names.designName = "lid";
    try {
      nest.Run(cad, record, ticket);
      ADD_FAILURE() << "no exception for " << code;
    } catch (const CAD::InvalidNestingTypeExceptionHandler& e) {
      const std::string text = e.QK_Message().str();
      EXPECT_EQ(text.rfind(std::string("Invalid Nesting Type: ") + code + ". Expected", 0), 0u) << text;
      EXPECT_EQ(text.substr(text.size() - 10), "or 'All'. ") << text;
    }
    EXPECT_EQ(task.Messages().back(), std::string("message 2 shapejobs.error.invalidnestingtype ") + code);
    Mock::VerifyAndClearExpectations(&cad);
  }
}

TEST_F(NestingTest, TurnedNestsSwapTheGuttersAndAllButTheStraightNestSwapsRowsAndColumns) {
  struct Case {
    const char* code;
    std::int16_t orientation;
    std::int32_t designCode;
    const char* rows;
    const char* gutters;
  };
  for (const Case& c : {Case{"1", 1, 2, "false", "true"}, Case{"4", 2, 1, "true", "true"},
                        Case{"3", 2, 2, "false", "false"}}) {
    Nest nest;  // no design named: no pass
    nest.code = c.code;
    nest.orientation = c.orientation;
    nest.designCode = c.designCode;
    nest.Run(cad, record, ticket);
    EXPECT_EQ(nest.nestingSwap, QK_TString(c.rows)) << c.code;
    EXPECT_EQ(nest.gutterSwap, QK_TString(c.gutters)) << c.code;
    EXPECT_EQ(record.nestingTypeSwap, QK_TString(c.rows));
    EXPECT_EQ(record.gutterSwap, QK_TString(c.gutters));
    EXPECT_EQ(nest.codeOut, std::atoi(c.code));
    EXPECT_EQ(record.nestingCode, std::atoi(c.code));
  }
}

TEST_F(NestingTest, EachRotationGetsItsOwnManufacturingFileInTheTryFolderRemovedWithTheTask) {
  TempFolder tryFolder;
  auto ownTask = std::make_unique<ReportingTask>();
  testing::NiceMock<OperationDriver> driver(ownTask.get());
  Nest turned;
  turned.namePerRotation = true;
  turned.rotation = 180.0;
  turned.tryFolder = tryFolder.Url();
  turned.Run(driver, record, ticket);
  EXPECT_EQ(turned.location.LocalName(), QK_TString(tryFolder.File("carton_180.MFG")));
  EXPECT_EQ(record.mfgFilePath, QK_TString(tryFolder.File("carton_180.MFG")));

  Nest kept;  // a location of its own is kept and not the task's to remove
  kept.location = QK_TURL::FromLocalPath(QK_TString(tryFolder.File("kept.MFG")));
  kept.Run(driver, record, ticket);
  EXPECT_EQ(record.mfgFilePath, QK_TString(tryFolder.File("kept.MFG")));

  tryFolder.Write("carton_180.MFG", "nest");
  tryFolder.Write("kept.MFG", "nest");
  ownTask.reset();
  EXPECT_FALSE(std::filesystem::exists(tryFolder.File("carton_180.MFG")));
  EXPECT_TRUE(std::filesystem::exists(tryFolder.File("kept.MFG")));
}

TEST_F(NestingTest, ThePassNestsTheNamedDesignElseTheTicketsDesignElseNone) {
  record.allocationStrategy = CAD::AllocationStrategy::kGrowToMinimum;  // the start sheet shows the design
  Nest nest;
  nest.named.manufacturingSizeX = 200;
  nest.path.manufacturingSizeX = 300;
  nest.named.industryCode = nest.path.industryCode = 1;
  nest.names.designName = "lid";
  nest.ticketDesignPath = "/designs/box.kpx";
  for (const char* sheetX : {"200.000000", "300.000000"}) {
    const std::size_t before = task.Messages().size();
    nest.Run(cad, record, ticket);
    EXPECT_EQ(task.Messages().at(before), std::string("message 0 shapejobs.message.sheetsizeX ") + sheetX);
    EXPECT_EQ(nest.passResult, CAD::NestPassResult::kClean);
    nest.names.designName = "";
  }
  nest.ticketDesignPath = "";
  nest.passResult = 7;
  EXPECT_CALL(cad, SetSheetSize(_, _, _, _, _, _)).Times(0);
  nest.Run(cad, record, ticket);
  EXPECT_EQ(nest.passResult, 7);
}

TEST_F(NestingTest, AGrowingNestStartsFromOneOneUpOrTheMinimumSheetPlusOne) {
  struct Case {
    double minX, minY;
    std::int16_t orientation;
    const char* x;
    const char* y;
  };
  const Case cases[] = {{0, 0, 1, "235.000000", "227.000000"},
                        {0, 0, 2, "185.000000", "277.000000"},
                        {0, 500, 1, "235.000000", "700.000000"},
                        {400, 0, 1, "1000.000000", "227.000000"},
                        {400, 500, 1, "600.000000", "650.000000"}};
  for (const Case& c : cases) {
    CAD::LayoutNestingInfo nest = record;
    nest.allocationStrategy = CAD::AllocationStrategy::kGrowToMinimum;
    nest.fillSheet = "yes";
    nest.leftMargin = 10, nest.rightMargin = 20, nest.topMargin = 30, nest.bottomMargin = 40;
    nest.gutterX = 5, nest.gutterY = 7;
    nest.minSheetSizeX = c.minX, nest.minSheetSizeY = c.minY;
    nest.orientationCode = c.orientation;
    const std::size_t before = task.Messages().size();
    cad.RunNestPass(nest, ticket, c.orientation, design, "");
    EXPECT_EQ(task.Messages().at(before), std::string("message 0 shapejobs.message.sheetsizeX ") + c.x);
    EXPECT_EQ(task.Messages().at(before + 1), std::string("message 0 shapejobs.message.sheetsizeY ") + c.y);
  }
}

TEST_F(NestingTest, ScriptAndSaveOutcomesGiveThePassResult) {
  struct Case {
    const char* script;
    std::int16_t scriptStatus, timeStatus, saveStatus;
    int result;
    int refusals;
  };
  for (const Case& c : {Case{"", 0, 0, 0, 0, 0}, Case{"post.cmd", 1, 0, 0, 1, 1},
                        Case{"post.cmd", 1, 1, 0, 2, 2}, Case{"", 0, 1, 0, 2, 1}, Case{"", 0, 0, 1, 1, 0}}) {
    ticket.commandScript = c.script;
    if (*c.script) {
      EXPECT_CALL(cad, RunCommand(QK_TString("post.cmd"))).WillOnce(Return(c.scriptStatus));
    } else {
      EXPECT_CALL(cad, RunCommand(QK_TString("post.cmd"))).Times(0);
    }
    EXPECT_CALL(cad, RunCommand(QK_TString("EXE /tasks/time.txt"))).WillOnce(Return(c.timeStatus));
    {
      InSequence order;
      EXPECT_CALL(cad, SetOption72(0));
      EXPECT_CALL(cad, SetOption36(0));
      EXPECT_CALL(cad, SaveDesign(QK_TString("/try/carton_0.MFG"))).WillOnce(Return(c.saveStatus));
    }
    const std::size_t before = task.Messages().size();
    EXPECT_EQ(Pass(), c.result) << c.script << c.scriptStatus << c.timeStatus << c.saveStatus;
    const std::vector<std::string> messages = MessagesSince(before);
    EXPECT_EQ(std::count(messages.begin(), messages.end(),
                         "message 2 shapejobs.message.dravoerrorstring command refused"),
              c.refusals);
    EXPECT_EQ(std::count(messages.begin(), messages.end(),
                         "message 0 shapejobs.message.runpostcommandscript post.cmd"),
              *c.script ? 1 : 0);
    Mock::VerifyAndClearExpectations(&cad);
  }
}

TEST_F(NestingTest, ARefusedSheetOrNoFileLeavesTheNestUnsaved) {
  record.allocationStrategy = CAD::AllocationStrategy::kGrowToMinimum;
  record.shrinkSheet = "No";
  answers["#SHTSIZEX"] = "1200";
  ticket.commandScript = "post.cmd";
  ON_CALL(cad, RunCommand(QK_TString("post.cmd"))).WillByDefault(Return(1));
  EXPECT_CALL(cad, SaveDesign(_)).Times(0);
  EXPECT_EQ(Pass(), CAD::NestPassResult::kNotSaved);
  EXPECT_EQ(task.Messages().back(), "message 2 shapejobs.message.dravoerrorstring command refused");
  EXPECT_THAT(task.Messages(), testing::Contains("message 1 shapejobs.warning.exceedMaxsheetsizeX"));

  answers["#SHTSIZEX"] = "900";
  record.mfgFilePath = "";
  EXPECT_EQ(Pass(), CAD::NestPassResult::kWarning);
}

TEST_F(NestingTest, ACrossGrainNestTurnsToTheGrainBeforeItIsSaved) {
  record.crossGrain = "yes";
  record.grainCode = 2;
  {
    InSequence order;
    EXPECT_CALL(cad, SetOption28(2));
    EXPECT_CALL(cad, SetOption72(0));
    EXPECT_CALL(cad, SaveDesign(_));
  }
  Pass();
  EXPECT_EQ(record.crossGrainUsed, QK_TString("Yes"));
  Mock::VerifyAndClearExpectations(&cad);

  EXPECT_CALL(cad, SetOption28(_)).Times(0);
  record.grainCode = 1;
  Pass();
  EXPECT_EQ(record.crossGrainUsed, QK_TString("No"));
  record.crossGrain = "Maybe";
  record.grainCode = 2;
  record.crossGrainUsed = "as before";
  Pass();
  EXPECT_EQ(record.crossGrainUsed, QK_TString("as before"));
}

// What a placing failure acts on.
struct PlacingScene {
  testing::NiceMock<OperationDriver>& cad;
  CAD::LayoutNestingInfo& record;
  std::map<std::string, std::string>& answers;
};

// One placing failure: how it is brought about, the message and the text.
struct PlacingFailure {
  const char* name;
  void (*cause)(PlacingScene scene);
  const char* message;
  const char* text;
};

void PrintTo(const PlacingFailure& failure, std::ostream* out) { *out << failure.name; }

class PlacingFailureTest : public NestingTest, public testing::WithParamInterface<PlacingFailure> {};

TEST_P(PlacingFailureTest, IsReportedWithTheLayoutObjectReleasedAndRaisedWithItsFixedText) {
  GetParam().cause({cad, record, answers});
  EXPECT_CALL(cad, ReleaseLayoutObject()).Times(1);
  EXPECT_CALL(cad, SaveDesign(_)).Times(0);
  Nest nest;
  nest.names.designName = "lid";
  try {
    nest.Run(cad, record, ticket);
    ADD_FAILURE() << "no exception";
  } catch (const CAD::InvalidMandatoryParameterValueExceptionHandler& e) {
    EXPECT_EQ(e.QK_Message(), QK_TString(GetParam().text));
  }
  EXPECT_EQ(task.Messages().back(), std::string("message 2 ") + GetParam().message);
}

const PlacingFailure kPlacingFailures[] = {
    {"SheetSize",
     [](PlacingScene s) { ON_CALL(s.cad, SetSheetSize(_, _, _, _, _, _)).WillByDefault(Return(2)); },
     "shapejobs.message.setsheetsizefail layout refused", "Failed in setting sheet size"},
    {"NestData", [](PlacingScene s) { ON_CALL(s.cad, SetNestData(_, _, _, _)).WillByDefault(Return(2)); },
     "shapejobs.message.setnestdatafailed layout refused", "Failed in setting nest data"},
    {"AddOneup", [](PlacingScene s) { ON_CALL(s.cad, AddOneup(_)).WillByDefault(Return(0)); },
     "shapejobs.message.failtoaddoneup layout refused", "Failed in adding oneup on the sheet"},
    {"ExceedMax",
     [](PlacingScene s) { s.record.fillSheet = "No", s.record.oneupsX = 4, s.record.oneupsY = 1; },
     "shapejobs.message.oneupsexceedmax", "Failed because One Ups exceeds max"},
    {"Grid", [](PlacingScene s) { ON_CALL(s.cad, PlaceOneupGrid(_, _, _, _)).WillByDefault(Return(2)); },
     "shapejobs.message.nestingfailed layout refused", "Nesting failed"},
    {"Shrink",
     [](PlacingScene s) {
       s.record.parameters["Allocation Strategy"] = "0";
       ON_CALL(s.cad, SetLayoutOption(_, _)).WillByDefault(Return(2));
     },
     "shapejobs.message.shrinksheetfailed layout refused", "Shrink sheet failed"},
    {"ManufacturingSize", [](PlacingScene s) { s.answers["#MANSIZEX"] = "abc"; },
     "shapejobs.message.invalidargument invalid stof argument", "Failed due to invalid argument"},
    {"FittedSheet", [](PlacingScene s) { s.record.allocationStrategy = 0, s.answers["#SHTSIZEX"] = " wide"; },
     "shapejobs.message.invalidargument invalid stof argument", "Failed due to invalid argument"},
    {"Position",
     [](PlacingScene s) {
       DRAVOInterface::layoutVersionFlag = true;
       ON_CALL(s.cad, PositionOneups(_)).WillByDefault(Return(2));
     },
     "shapejobs.message.positionfailed layout refused", "Positioning failed"},
    {"Rotation",
     [](PlacingScene s) {
       DRAVOInterface::layoutVersionFlag = true;
       ON_CALL(s.cad, SetRotation(_)).WillByDefault(Return(2));
     },
     "shapejobs.message.rotationfailed layout refused", "Rotation failed"},
};

INSTANTIATE_TEST_SUITE_P(EveryRow, PlacingFailureTest, testing::ValuesIn(kPlacingFailures),
                         [](const testing::TestParamInfo<PlacingFailure>& info) { return info.param.name; });

TEST_F(NestingTest, OtherFailuresPassThroughWithTheLayoutObjectKept) {
  answers["#MANSIZEX"] = "1e99";
  EXPECT_CALL(cad, ReleaseLayoutObject()).Times(0);
  EXPECT_THROW(Pass(), std::out_of_range);
}

TEST_F(NestingTest, StrategyZeroGrowsTheSheetByOneOneUpUntilItReachesTheMinimum) {
  // The CAD application answers the sheet it was given, its height shrunk to the block.
  ON_CALL(cad, EvaluateStringExpression(QK_TString("#SHTSIZEX"))).WillByDefault([this](const QK_TString&) {
    return QK_TString::Format("%f", record.sheetX);
  });
  ON_CALL(cad, EvaluateStringExpression(QK_TString("#SHTSIZEY"))).WillByDefault([this](const QK_TString&) {
    return QK_TString::Format("%f", record.sheetX * 0.7);
  });
  record.allocationStrategy = CAD::AllocationStrategy::kGrowToMinimum;
  record.minSheetSizeX = 750;
  for (std::int16_t orientation : {1, 2}) {
    record.orientationCode = orientation;
    record.sheetX = 235;
    const int placements = orientation == 1 ? 3 : 4;  // steps of 200 along, 150 turned
    EXPECT_CALL(cad, ResetLayout()).Times(placements);
    EXPECT_CALL(cad, SetOption29(CAD::UnitCode::kMillimetres)).Times(placements);
    EXPECT_CALL(cad, SetOption28(orientation)).Times(placements);
    cad.FitNestingSheetSize(record, design, ticket, 0.0, 0.0);
    EXPECT_EQ(record.sheetX, 835);
    EXPECT_EQ(record.sheetY, 700);
    EXPECT_THAT(SheetMessages(), ElementsAre());
    Mock::VerifyAndClearExpectations(&cad);
  }
}

TEST_F(NestingTest, ClippingClampsASheetOutsideTheLimitsToTheMinimumAndPlacesAgain) {
  record.shrinkSheet = "yes";
  record.minSheetSizeX = 400;
  record.minSheetSizeY = 300;
  struct Case {
    std::int16_t strategy;
    const char *x, *y;
    double sheetX, sheetY;
    int placements;
    std::vector<std::string> messages;
  };
  const std::string exceedX = "message 0 shapejobs.message.nesting.sheetsizeX 1200.000000";
  const std::string belowY = "message 0 shapejobs.message.nesting.sheetsizeY 250.000000";
  const std::string belowWarning = "message 1 shapejobs.warning.belowMinsheetsizeY";
  const Case cases[] = {
      {0, "1200", "500", 400, 700, 1, {exceedX, "message 1 shapejobs.warning.exceedMaxsheetsizeX"}},
      {1, "1200", "500", 1000, 700, 0, {}},  // the maximum is strategy 0's only
      // Clamped again by the second pass, which then ends the fit.
      {2, "900", "250", 1000, 300, 1, {belowY, belowWarning, belowY, belowWarning}},
  };
  for (const Case& c : cases) {
    CAD::LayoutNestingInfo nest = record;
    nest.allocationStrategy = c.strategy;
    answers["#SHTSIZEX"] = c.x;
    answers["#SHTSIZEY"] = c.y;
    EXPECT_CALL(cad, ResetLayout()).Times(c.placements);
    const std::size_t before = SheetMessages().size();
    cad.FitNestingSheetSize(nest, design, ticket, 0.0, 0.0);
    const std::vector<std::string> messages = SheetMessages();
    EXPECT_THAT(std::vector<std::string>(messages.begin() + before, messages.end()),
                ElementsAreArray(c.messages));
    EXPECT_EQ(nest.sheetX, c.sheetX);
    EXPECT_EQ(nest.sheetY, c.sheetY);
    EXPECT_EQ(nest.exceedsMaxX, c.strategy == 0);
    EXPECT_EQ(nest.belowMinY, c.strategy == 2);
    Mock::VerifyAndClearExpectations(&cad);
  }
}

TEST_F(NestingTest, ASheetThatStaysBelowTheMinimumEndsTheFit) {
  record.allocationStrategy = CAD::AllocationStrategy::kStrategyOne;
  record.shrinkSheet = "Yes";
  record.minSheetSizeX = 1000;
  // The same answer every time: placed once more, then the same pass again ends it.
  answers["#SHTSIZEX"] = "300";
  EXPECT_CALL(cad, ResetLayout()).Times(1);
  cad.FitNestingSheetSize(record, design, ticket, 0.0, 0.0);
  EXPECT_TRUE(record.belowMinX);
  EXPECT_EQ(record.sheetX, 1000);
  Mock::VerifyAndClearExpectations(&cad);

  // A new answer every time: ended by the pass limit.
  int read = 0;
  ON_CALL(cad, EvaluateStringExpression(QK_TString("#SHTSIZEX"))).WillByDefault([&read](const QK_TString&) {
    return QK_TString::Format("%d", 10 + read++);
  });
  EXPECT_CALL(cad, ResetLayout()).Times(DRAVOInterface::kMaximumSheetFitPasses);
  cad.FitNestingSheetSize(record, design, ticket, 0.0, 0.0);
}

TEST_F(NestingTest, TheFinalSheetIsReportedAndRefusedOutsideTheAllowedRange) {
  record.minSheetSizeX = 400;
  record.minSheetSizeY = 300;
  struct Case {
    std::int16_t strategy;
    const char* shrink;
    bool limited;
    const char* x;
    const char* y;
    bool fits;
    std::vector<std::string> warnings;
  };
  const Case cases[] = {
      {0, "Yes", false, "900", "600", true, {}},
      {0, "", false, "1200", "900", false, {"exceedMaxsheetsizeX"}},
      {0, "", true, "900", "900", false, {"exceedMaxsheetsizeY"}},
      {1, "", false, "1200", "600", true, {}},
      {2, "No", false, "300", "200", false, {"belowMinsheetsizeX"}},
      {0, "no", false, "1200", "200", false, {"exceedMaxsheetsizeX", "belowMinsheetsizeY"}},
  };
  for (const Case& c : cases) {
    CAD::LayoutNestingInfo nest = record;
    nest.allocationStrategy = c.strategy;
    nest.shrinkSheet = c.shrink;
    nest.belowMinX = c.limited;
    answers["#SHTSIZEX"] = c.x;
    answers["#SHTSIZEY"] = c.y;
    const std::size_t before = task.Messages().size();
    EXPECT_EQ(cad.FitClippingSheetSize(nest), c.fits) << c.x << " " << c.y;
    const char* kind = c.limited ? "clipping" : "nesting";
    std::vector<std::string> expected = {
        std::string("message 0 shapejobs.message.") + kind + ".sheetsizeX " + c.x + ".000000",
        std::string("message 0 shapejobs.message.") + kind + ".sheetsizeY " + c.y + ".000000"};
    for (const std::string& warning : c.warnings)
      expected.push_back("message 1 shapejobs.warning." + warning);
    EXPECT_THAT(MessagesSince(before), ElementsAreArray(expected));
  }
  answers["#SHTSIZEX"] = "wide";
  record.allocationStrategy = 0;
  EXPECT_THROW(cad.FitClippingSheetSize(record), std::invalid_argument);
}

TEST_F(NestingTest, ClippingLeavesNestsThatDoNotFillASizedSheetAlone) {
  EXPECT_CALL(cad, EvaluateStringExpression(_)).Times(0);
  for (auto [fill, strategy] : {std::pair<const char*, std::int16_t>{"No", 0}, {"Yes", -1}, {"Yes", 3}}) {
    record.fillSheet = fill;
    record.allocationStrategy = strategy;
    record.minSheetSizeX = 5000;
    EXPECT_TRUE(cad.FitClippingSheetSize(record));
  }
  EXPECT_THAT(task.Messages(), ElementsAre());
}

TEST_F(NestingTest, TheManufacturingTemplateIsShownByItsNameAndOpenedByItsReference) {
  struct Case {
    const char* reference;
    const char* shown;
    const char* opened;
  };
  for (const Case& c : {Case{"@Cartons:3:tray.MFG", "tray.MFG", "@Cartons:3:tray.MFG"},
                        Case{"file:///templates/sheet.MFG", "sheet.MFG", "///templates/sheet.MFG"},
                        Case{"C:\\templates\\big.MFG", "big.MFG", "C:\\templates\\big.MFG"}}) {
    EXPECT_CALL(cad, OpenDesign(QK_TString(c.opened)));
    cad.SetMFGTemplate(c.reference);
    EXPECT_EQ(task.Messages().back(),
              std::string("message 0 shapejobs.message.settingmfgtemplate ") + c.shown);
  }
}

}  // namespace
