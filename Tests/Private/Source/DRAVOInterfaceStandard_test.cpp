// The run-standard operations on a mock CAD application: a design from a
// standard (industry, unit and parameter set, the standard's run, the
// produced design finished and saved) and from a style-catalogue entry.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "AfxDisp.h"
#include "ConnectedTask.h"
#include "DravoException.h"

namespace {

using ::testing::_;
using ::testing::InSequence;
using ::testing::NiceMock;
using ::testing::Return;

CAD::RunStandardTicketData Record(const char* standard = "/std/box.kpx") {
  CAD::RunStandardTicketData record;
  record.styleCatalog = "nonStyleCatalog";
  record.designName = standard;
  record.boardCode = "FBB";
  record.boardDescription = "board";
  record.units = "mm";
  record.grainDirection = "Vertical";
  record.printSide = "Outside";
  record.databaseKind = "Enterprise";
  record.outputPath = "/out/box.kpx";
  return record;
}

void AddVariable(CAD::RunStandardTicketData& record, const char* name, const char* value) {
  auto variable = std::make_shared<CAD::Variable>();
  variable->Name = name;
  variable->Value = value;
  record.variables.push_back(variable);
}

class StandardOperationTest : public TaskTest {
 protected:
  // The messages reported, without their arguments.
  std::vector<std::string> Keys() const {
    std::vector<std::string> keys;
    for (const std::string& event : sink.Starting("message ")) keys.push_back(event.substr(0, event.find(' ', 10)));
    return keys;
  }
  bool Has(const std::string& line) const {
    return std::find(sink.events.begin(), sink.events.end(), line) != sink.events.end();
  }

  NiceMock<MockDriver> cad{&task};
};

TEST_F(StandardOperationTest, AStandardRunsAndItsDesignIsFinishedSavedAndClosedInOrder) {
  CAD::RunStandardTicketData record = Record();
  record.commandScript = "EXE /scripts/post.cmd";
  record.databaseKind = "Conventional";
  record.dbInfo.designDescription = "";
  AddVariable(record, "L", "300");
  QK_TString produced;
  {
    InSequence order;
    EXPECT_CALL(cad, OpenStandard(QK_TString("/std/box.kpx"), 0, 1, QK_TString(),
                                  QK_TString("Corrugated - Metric - Single design parameters")));
    EXPECT_CALL(cad, RunStandard(record.variables)).WillOnce(Return(0));
    EXPECT_CALL(cad, SaveStandardDesign(_)).WillOnce([&](const QK_TString& path) { produced = path; });
    EXPECT_CALL(cad, OpenDesign(_)).WillOnce([&](const QK_TString& path) { EXPECT_EQ(path, produced); });
    EXPECT_CALL(cad, SetBoardCodeAndDescription(QK_TString("FBB"), QK_TString("board")));
    EXPECT_CALL(cad, SetPrintSide(2));
    EXPECT_CALL(cad, Rebuild()).WillOnce(Return(1));  // 1 is success too
    EXPECT_CALL(cad, RunCommand(QK_TString("EXE /scripts/post.cmd"))).WillOnce(Return(0));
    EXPECT_CALL(cad, InitCompany());  // the design record, conventional servers only
    EXPECT_CALL(cad, ReleaseCompany());
    EXPECT_CALL(cad, SetOption72(1));
    EXPECT_CALL(cad, SetOption36(0));
    EXPECT_CALL(cad, SaveDesign(QK_TString("/out/box.kpx"))).WillOnce(Return(0));
    EXPECT_CALL(cad, CloseDesign());
  }
  EXPECT_EQ(cad.CAD::DRAVOInterface::GenerateDesignFromStandard(record), 0);
  EXPECT_THAT(produced.str(), testing::EndsWith(".kpx"));
  EXPECT_EQ(Keys(), (std::vector<std::string>{
                        "message 0 shapejobs.message.standarddesign", "message 0 shapejobs.message.boardcode",
                        "message 0 shapejobs.message.boarddescription", "message 0 shapejobs.message.parametersetname",
                        "message 0 shapejobs.message.runningstandarddesign",
                        "message 0 shapejobs.message.runstandardrunoutputpath", "message 0 shapejobs.message.opendesign",
                        "message 0 shapejobs.message.printside", "message 0 shapejobs.message.rebuild",
                        "message 0 shapejobs.message.runpostcommandscript",
                        "message 0 shapejobs.message.runstandardclosingdesign",
                        "message 0 shapejobs.message.runstandardclosedesign"}));
  EXPECT_TRUE(Has("message 0 shapejobs.message.printside 2"));
}

TEST_F(StandardOperationTest, TheParameterSetComesFromGrainOrTheStandardsOwnIndustry) {
  struct Case {
    const char* grain;
    const char* unit;
    std::int16_t industry;  // asked only without a grain
    const char* set;
    std::int16_t unitCode;
  };
  for (const Case& c : std::vector<Case>{{"vertical", "MM", 0, "Corrugated - Metric", 1},
                                         {"HORIZONTAL", "inch", 0, "Folding Carton - Inch", 0},
                                         {"", "Inch", 2, "Folding Carton - Inch", 0},
                                         {"From Standard or Design", "mm", 1, "Corrugated - Metric", 1},
                                         {"", "mm", 3, " - Metric", 1}}) {
    SCOPED_TRACE(std::string(c.grain) + "/" + c.unit);
    NiceMock<MockDriver> driver(&task);
    CAD::RunStandardTicketData record = Record("file:/std/box.kpx");
    record.grainDirection = c.grain;
    record.units = c.unit;
    const bool asked = c.industry != 0;
    EXPECT_CALL(driver, OpenDesign(_)).Times(testing::AnyNumber());
    if (asked) {
      EXPECT_CALL(driver, OpenDesign(QK_TString("/std/box.kpx")));  // asked, then closed again
      EXPECT_CALL(driver, GetIndustryCode()).WillOnce(Return(c.industry));
      EXPECT_CALL(driver, CloseDesign()).Times(2);
    } else {
      EXPECT_CALL(driver, GetIndustryCode()).Times(0);
    }
    EXPECT_CALL(driver, OpenStandard(QK_TString("/std/box.kpx"), 0, c.unitCode, QK_TString(),
                                     QK_TString(c.set) + " - Single design parameters"));
    EXPECT_EQ(driver.CAD::DRAVOInterface::GenerateDesignFromStandard(record), 0);
  }
}

TEST_F(StandardOperationTest, InvalidGrainUnitOrPrintSideFailBeforeAnyMessageOrCall) {
  auto expectFailure = [&](CAD::RunStandardTicketData record, const char* message, const char* data) {
    testing::StrictMock<MockDriver> strict(&task);
    try {
      strict.CAD::DRAVOInterface::GenerateDesignFromStandard(record);
      ADD_FAILURE() << "no exception";
    } catch (const CAD::DravoException& e) {
      EXPECT_EQ(e.QK_Message().str(), message);
      EXPECT_EQ(e.QK_Data().ToText().str(), data);
    }
    EXPECT_TRUE(sink.events.empty());
  };
  CAD::RunStandardTicketData record = Record();
  record.grainDirection = "Diagonal";
  expectFailure(record, "GrainDirection must be Vertical, Horizontal or From Standard or Design", "Diagonal");
  record = Record();
  record.units = "cm";
  expectFailure(record, "Unit must be MM or Inch", "cm");
  record = Record();
  record.printSide = "Both";
  expectFailure(record, "Printside must be Inside or Outside", "Both");
  record = Record("");
  EXPECT_THROW(cad.CAD::DRAVOInterface::GenerateDesignFromStandard(record), CAD::EmptyDesignNameException);
}

TEST_F(StandardOperationTest, ADatabaseStandardIsSavedLocallyBeforeTheBoardCodeIsChecked) {
  CAD::RunStandardTicketData record = Record("@Cartons:2:rsc");
  record.boardCode = "";
  QK_TString saved;
  {
    InSequence order;
    EXPECT_CALL(cad, OpenDesign(QK_TString("@Cartons:2:rsc")));
    EXPECT_CALL(cad, SaveDesign(_)).WillOnce([&](const QK_TString& path) {
      saved = path;
      return CAD::Status::kDone;
    });
  }
  EXPECT_CALL(cad, CloseDesign()).Times(0);  // it stays open after the failure
  EXPECT_THROW(cad.CAD::DRAVOInterface::GenerateDesignFromStandard(record), CAD::BoardCodeEmptyException);
  EXPECT_THAT(saved.str(), testing::EndsWith(".kpx"));
  EXPECT_TRUE(Has("message 0 shapejobs.message.opendesignfromwcr @Cartons:2:rsc"));
}

TEST_F(StandardOperationTest, WithoutAnOutputPathNothingIsSavedYetTheProducedFileIsOpened) {
  CAD::RunStandardTicketData record = Record();
  record.outputPath = "";
  record.boardDescription = "";
  EXPECT_CALL(cad, SaveStandardDesign(_)).Times(0);
  EXPECT_CALL(cad, SaveDesign(_)).Times(0);
  const std::string tempFolder = task.TempFile(".x").Parent().LocalName().str();
  EXPECT_CALL(cad, OpenDesign(_)).WillOnce([&](const QK_TString& path) {
    EXPECT_EQ(path.str().rfind(tempFolder, 0), 0u) << path.str();
  });
  EXPECT_CALL(cad, SetBoardCode(QK_TString("FBB")));
  EXPECT_EQ(cad.CAD::DRAVOInterface::GenerateDesignFromStandard(record), 0);
}

TEST_F(StandardOperationTest, ARebuildBeyondRemarksFailsWithTheControlsErrorText) {
  CAD::RunStandardTicketData record = Record();
  EXPECT_CALL(cad, Rebuild()).WillOnce(Return(2));
  EXPECT_CALL(cad, GetErrorString()).WillRepeatedly(Return(QK_TString("no outline")));
  EXPECT_CALL(cad, SaveDesign(_)).Times(0);
  try {
    cad.CAD::DRAVOInterface::GenerateDesignFromStandard(record);
    ADD_FAILURE() << "no exception";
  } catch (const CAD::DravoError& e) {
    EXPECT_EQ(e.QK_Message().str(), "no outline");
  }
  EXPECT_TRUE(Has("message 2 shapejobs.message.dravoerrorstring no outline"));
}

TEST_F(StandardOperationTest, WarningsOfTheStepsMakeTheResultOne) {
  enum class Warn { kRun, kScript, kSave, kPeople };
  for (Warn warn : {Warn::kRun, Warn::kScript, Warn::kSave, Warn::kPeople}) {
    NiceMock<MockDriver> driver(&task);
    CAD::RunStandardTicketData record = Record();
    record.commandScript = "EXE /x";
    if (warn == Warn::kPeople) {
      record.databaseKind = "Conventional";
      record.dbInfo.ownerName = "Nobody";
    }
    ON_CALL(driver, RunStandard(_)).WillByDefault(Return(warn == Warn::kRun ? 1 : 0));
    ON_CALL(driver, RunCommand(_)).WillByDefault(Return(warn == Warn::kScript ? 3 : 0));
    ON_CALL(driver, SaveDesign(_)).WillByDefault(Return(warn == Warn::kSave ? 1 : 0));
    EXPECT_EQ(driver.CAD::DRAVOInterface::GenerateDesignFromStandard(record), 1) << static_cast<int>(warn);
  }
}

TEST_F(StandardOperationTest, TheSelectorHandsEveryOtherTicketToTheStyleCatalogue) {
  for (const char* selector : {"NonStyleCatalog", "styleCatalog", ""}) {
    NiceMock<MockDriver> driver(&task);
    CAD::RunStandardTicketData record = Record();
    record.styleCatalog = selector;
    const bool style = std::string(selector) != "NonStyleCatalog";
    EXPECT_CALL(driver, SetStyleWorkspace(_)).Times(style ? 1 : 0);
    EXPECT_CALL(driver, OpenStandard(_, _, _, _, _)).Times(style ? 0 : 1);
    driver.CAD::DRAVOInterface::GenerateDesignFromStandard(record);
  }
}

// The style catalogue

TEST_F(StandardOperationTest, AStyleGetsItsCodesBoardAndVariablesInOrder) {
  CAD::RunStandardTicketData record = Record("RSC");
  record.styleCatalog = "styleCatalog";
  record.grainDirection = "horizontal";
  record.units = "MM";
  record.printSide = "inside";
  AddVariable(record, "TITLE$", "12");
  AddVariable(record, "L", "30.5 mm");
  AddVariable(record, "W", "wide");
  AddVariable(record, "", "ignored");
  {
    InSequence order;
    EXPECT_CALL(cad, SetOption28(2));
    EXPECT_CALL(cad, SetOption29(1));
    EXPECT_CALL(cad, SetStyleWorkspace(QK_TString("RSC")));
    EXPECT_CALL(cad, SetBoardCodeAndDescription(QK_TString("FBB"), QK_TString("board")));
    EXPECT_CALL(cad, SetStringVariable(QK_TString("TITLE$"), QK_TString("12"))).WillOnce(Return(0));
    EXPECT_CALL(cad, SetNumericVariable(QK_TString("L"), 30.5)).WillOnce(Return(0));
    EXPECT_CALL(cad, SetNumericVariable(QK_TString("W"), 0.0)).WillOnce(Return(0));
    EXPECT_CALL(cad, RunStyleStandard(0)).WillOnce(Return(2));  // only 1 is a warning
    EXPECT_CALL(cad, SetPrintSide(1));
    EXPECT_CALL(cad, SaveDesign(QK_TString("/out/box.kpx"))).WillOnce(Return(0));
    EXPECT_CALL(cad, CloseDesign());
  }
  EXPECT_EQ(cad.CAD::DRAVOInterface::GenerateDesignFromStandard(record), 0);
  EXPECT_TRUE(Has("message 0 shapejobs.message.graindirection 2"));
  EXPECT_TRUE(Has("message 0 shapejobs.message.unit 1"));
  EXPECT_EQ(sink.Starting("message 0 shapejobs.message.varname").size(), 4u);
}

TEST_F(StandardOperationTest, AStyleWithoutGrainSendsNoGrainCode) {
  CAD::RunStandardTicketData record = Record("RSC");
  record.styleCatalog = "";
  record.grainDirection = "From Standard or Design";
  EXPECT_CALL(cad, SetOption28(_)).Times(0);
  EXPECT_CALL(cad, SetOption29(2)).Times(0);
  EXPECT_CALL(cad, SetOption29(1));
  EXPECT_EQ(cad.CAD::DRAVOInterface::GenerateDesignFromStandard(record), 0);
  EXPECT_TRUE(Has("message 0 shapejobs.message.graindirection From Standard or Design"));
}

TEST_F(StandardOperationTest, StyleVariablesTheDesignLacksAreWarningsWithOrWithoutATask) {
  for (TW_TTask* reporter : {static_cast<TW_TTask*>(&task), static_cast<TW_TTask*>(nullptr)}) {
    sink.events.clear();
    NiceMock<MockDriver> driver(reporter);
    CAD::RunStandardTicketData record = Record("RSC");
    record.styleCatalog = "styleCatalog";
    record.outputPath = "";
    AddVariable(record, "A", "1");
    AddVariable(record, "B$", "x");
    ON_CALL(driver, SetNumericVariable(_, _)).WillByDefault(Return(1));
    ON_CALL(driver, SetStringVariable(_, _)).WillByDefault(Return(1));
    EXPECT_CALL(driver, RunStyleStandard(0));  // the run goes on
    EXPECT_EQ(driver.CAD::DRAVOInterface::GenerateDesignFromStandard(record), 1);
    const std::vector<std::string> warnings = {"message 1 shapejobs.message.variablenotexist A,1",
                                               "message 1 shapejobs.message.variablenotexist B$,x"};
    EXPECT_EQ(sink.Starting("message 1 shapejobs.message.variablenotexist"),
              reporter == nullptr ? std::vector<std::string>{} : warnings);
  }
}

TEST_F(StandardOperationTest, AutomationFailuresOfAStyleBecomeTheRunFailure) {
  CAD::RunStandardTicketData record = Record("RSC");
  record.styleCatalog = "styleCatalog";
  EXPECT_CALL(cad, SetStyleWorkspace(_)).WillOnce([](const QK_TString&) {
    AfxThrowOleDispatchException(1, L"no style", L"Std");
  });
  try {
    cad.CAD::DRAVOInterface::GenerateDesignFromStandard(record);
    ADD_FAILURE() << "no exception";
  } catch (const CAD::DravoRuntimeException& e) {
    EXPECT_EQ(e.QK_Message().str(), "RunStandard failed");
    EXPECT_EQ(e.QK_Data().ToText().str(), "Std - no style");
  }
}

TEST_F(StandardOperationTest, StyleChecksKeepTheirOrderAndTexts) {
  CAD::RunStandardTicketData record = Record("");
  record.styleCatalog = "styleCatalog";
  record.units = "furlong";
  EXPECT_THROW(cad.CAD::DRAVOInterface::GenerateDesignFromStandard(record), CAD::InvalidUnitException);
  record.units = "mm";
  EXPECT_THROW(cad.CAD::DRAVOInterface::GenerateDesignFromStandard(record), CAD::EmptyDesignNameException);
  record.designName = "RSC";
  record.boardCode = "";
  EXPECT_CALL(cad, SetStyleWorkspace(QK_TString("RSC")));
  EXPECT_THROW(cad.CAD::DRAVOInterface::GenerateDesignFromStandard(record), CAD::BoardCodeEmptyException);
}

}  // namespace
