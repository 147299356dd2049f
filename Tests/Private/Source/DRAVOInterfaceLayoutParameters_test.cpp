// The parameters of a template entry on a mock CAD application whose open
// template measures in millimetres: given values stored as they are, empty
// lengths read from the template in the ticket's unit, refused values
// reported and thrown.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "DravoException.h"
#include "OperationDriver.h"

namespace {

using ::testing::_;
using ::testing::ElementsAre;
using ::testing::Return;

class LayoutParametersTest : public OperationTest {
 protected:
  LayoutParametersTest() {
    ON_CALL(cad, EvaluateStringExpression(QK_TString("LAY.UNIT$"))).WillByDefault(Return(QK_TString("M")));
    ticket.units = "Inch";
    entry = {{"Sheet Size X", "100"},
             {"Sheet Size Y", "70"},
             {"Minimum Sheet Size X", "20"},
             {"Minimum Sheet Size Y", "10"},
             {"Left Margin", "1"},
             {"Right Margin", "2"},
             {"Top Margin", "3"},
             {"Bottom Margin", "4"},
             {"Gutter X", "0.5"},
             {"Gutter Y", "0.25"},
             {"Fill Sheet", "YES"},
             {"Shrink Sheet Size", "Both"}};
  }

  CAD::LOTicketParam ticket;
  CAD::StringMap entry;
  CAD::LayoutNestingInfo record;
};

TEST_F(LayoutParametersTest, AnEmptyLengthIsTheTemplatesInTheTicketsUnitAndAGivenOneIsStoredSilently) {
  entry["Sheet Size X"] = "";
  EXPECT_CALL(cad, EvaluateNumericExpression(QK_TString("LAY.SHT1.SIZEX"))).WillOnce(Return(1016.0));
  EXPECT_CALL(cad, EvaluateNumericExpression(QK_TString("LAY.SHT1.SIZEY"))).Times(0);
  cad.ApplyLayoutParameters(record, entry, ticket);
  EXPECT_DOUBLE_EQ(record.sheetSizeX, 40.0);
  EXPECT_DOUBLE_EQ(record.sheetX, 40.0);
  EXPECT_EQ(record.sheetY, 70.0);
  EXPECT_EQ(record.gutterY, 0.25);
  EXPECT_THAT(task.Messages(), ElementsAre("message 0 shapejobs.message.sheetsizeX 40.000000"));
}

TEST_F(LayoutParametersTest, TheUnitConversionFollowsTheTicketAndKeepsAMatchingTemplatesValue) {
  ON_CALL(cad, EvaluateNumericExpression(QK_TString("LAY.SHT1.LEFT"))).WillByDefault(Return(2.0));
  ticket.units = "MM";
  EXPECT_DOUBLE_EQ(cad.ConvertUnit(false, ticket, "LAY.SHT1.LEFT"), 50.8);
  EXPECT_DOUBLE_EQ(cad.ConvertUnit(true, ticket, "LAY.SHT1.LEFT"), 2.0);
  ticket.units = "cm";
  EXPECT_DOUBLE_EQ(cad.ConvertUnit(false, ticket, "LAY.SHT1.LEFT"), 2.0);
  // A template in inches for an inch ticket: the value as read, whatever the letter case.
  ticket.units = "inch";
  ON_CALL(cad, EvaluateStringExpression(QK_TString("LAY.UNIT$"))).WillByDefault(Return(QK_TString("i")));
  entry["Left Margin"] = "";
  cad.ApplyLayoutParameters(record, entry, ticket);
  EXPECT_DOUBLE_EQ(record.leftMargin, 2.0);
}

TEST_F(LayoutParametersTest, EachRefusedValueIsReportedAndThrownWithItsText) {
  const char* const kMandatory = "EmptyMandatoryParameterException";
  const char* const kCast = "LexicalCastExceptionHandler";
  const struct {
    CAD::StringMap changes;
    const char* key;  // of the last message
    const char* exceptionClass;
    const char* text;
  } refusals[] = {
      {{{"Fill Sheet", ""}}, "emptyfillsheet", kMandatory, "Fill Sheet cannot be empty"},
      {{{"Fill Sheet", "Often"}}, "invalidfillsheet", kMandatory, "Invalid value for Fill Sheet"},
      {{{"Fill Sheet", "no"}, {"One Ups in X Direction", "0"}, {"One Ups in Y Direction", "2"}},
       "nooneups",
       kMandatory,
       "One Ups cannot be empty or zero"},
      {{{"Fill Sheet", "No"}, {"One Ups in X Direction", "3"}},
       "nooneups",
       kMandatory,
       "One Ups cannot be empty or zero"},
      {{{"Fill Sheet", "No"}, {"One Ups in X Direction", "three"}}, "", kCast, "Invalid value (UP_X)"},
      {{{"Gutter Y", "wide"}}, "", kCast, "Invalid value (Gutter Y)"},
      {{{"Allocation Strategy", "first"}}, "", kCast, "Invalid value (Allocation Strategy)"},
      {{{"Allocation Strategy", "1"}, {"Clip To Minimum", "Sometimes"}},
       "invalidcliptominimum",
       kMandatory,
       "Invalid value for Clip To Minimum"},
      {{{"Shrink Sheet Size", ""}}, "emptyshrinksheet", kMandatory, "Shrink Sheet Size cannot be empty"},
      {{{"Allocation Strategy", "4"}, {"Shrink Sheet Size", "Diagonal"}},
       "invalidshrinksheet",
       kMandatory,
       "Invalid value for Shrink sheet size"},
  };
  for (const auto& refusal : refusals) {
    CAD::StringMap changed = entry;
    for (const auto& change : refusal.changes) changed[change.first] = change.second;
    const std::string message =
        *refusal.key != '\0'
            ? std::string("message 2 shapejobs.error.") + refusal.key
            : std::string("message 2 shapejobs.message.lexicalcastexception ") + refusal.text;
    CAD::LayoutNestingInfo fresh;
    try {
      cad.ApplyLayoutParameters(fresh, changed, ticket);
      ADD_FAILURE() << "accepted: " << refusal.text;
    } catch (const CAD::DravoException& e) {
      EXPECT_NE(e.QK_DynamicInfo(refusal.exceptionClass), nullptr) << refusal.text;
      EXPECT_EQ(e.QK_Message(), QK_TString(refusal.text));
      EXPECT_EQ(task.Messages().back(), message);
    }
  }
}

TEST_F(LayoutParametersTest, TheStrategyDecidesWhetherClipToMinimumOrShrinkSheetSizeIsRead) {
  entry["Shrink Sheet Size"] = "Diagonal";  // refused wherever it is read
  entry["Allocation Strategy"] = "1";
  cad.ApplyLayoutParameters(record, entry, ticket);
  EXPECT_EQ(record.shrinkSheet, QK_TString("No"));
  EXPECT_THAT(task.Messages(), ElementsAre("message 0 shapejobs.message.allocationStrategy 1"));
  entry["Allocation Strategy"] = "0";
  entry["Clip To Minimum"] = "yes";
  cad.ApplyLayoutParameters(record, entry, ticket);
  EXPECT_EQ(record.shrinkSheet, QK_TString("yes"));
  // Below the unset code neither is read.
  entry["Allocation Strategy"] = "-2";
  entry["Clip To Minimum"] = "Sometimes";
  cad.ApplyLayoutParameters(record, entry, ticket);
  EXPECT_EQ(record.allocationStrategy, -2);
}

TEST_F(LayoutParametersTest, TheSheetSizeAloneReadsOnlyTheFourSheetRows) {
  entry = {{"Sheet Size X", ""},
           {"Sheet Size Y", "60"},
           {"Minimum Sheet Size X", "5"},
           {"Minimum Sheet Size Y", "x"}};
  EXPECT_CALL(cad, EvaluateNumericExpression(QK_TString("LAY.SHT1.SIZEX"))).WillOnce(Return(508.0));
  EXPECT_CALL(cad, EvaluateNumericExpression(QK_TString("LAY.SHT1.LEFT"))).Times(0);
  EXPECT_THROW(cad.ApplySheetSize(record, entry, ticket), CAD::LexicalCastExceptionHandler);
  EXPECT_DOUBLE_EQ(record.sheetSizeX, 20.0);
  EXPECT_EQ(record.minSheetSizeX, 5.0);
  EXPECT_EQ(task.Messages().back(),
            "message 2 shapejobs.message.lexicalcastexception Invalid value (Minimum Sheet Size Y)");
}

}  // namespace
