// The values of a finished layout over a mock CAD application that answers
// each layout expression with a number or text of its own.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

#include "OperationDriver.h"

namespace {

using ::testing::_;
using ::testing::ElementsAre;
using ::testing::Return;

class LayoutValuesTest : public OperationTest {
 protected:
  LayoutValuesTest() {
    ON_CALL(cad, GetUnit()).WillByDefault(Return(CAD::UnitCode::kMillimetres));
    ON_CALL(cad, EvaluateNumericExpression(_)).WillByDefault([this](const QK_TString& expression) {
      evaluated.push_back(expression.str());
      return numbers[expression.str()];
    });
    ON_CALL(cad, EvaluateStringExpression(_)).WillByDefault([this](const QK_TString& expression) {
      evaluated.push_back(expression.str());
      return QK_TString(" text of " + expression.str() + " ");
    });
    names.formatClass = "Carton";
    names.mfgTemplate = "sheet.MFG";
    record.gutterX = 2.71828;
    record.gutterY = -0.0625;  // exactly -62.5 thousandths
    record.crossGrain = "No";
  }

  void Collect() {
    cad.CollectLayoutValues(values, QK_TURL::FromLocalPath("/try/carton_0.MFG"), entry, record, names, "true",
                            "false");
  }

  std::map<std::string, double> numbers{{"#SHTSIZEX", 1000},   {"#SHTSIZEY", 700},   {"#CUTSIZEX", 412.5},
                                        {"#WASTEHSHT", 23.25}, {"LENTYPE(2)", 1500}, {"LENTYPE(223)", 500},
                                        {"LENTYPE(1)", 2500},  {"LENTYPE(3)", 80}};
  std::vector<std::string> evaluated;
  CAD::StringMap values, entry;
  CAD::LayoutNestingInfo record;
  CAD::LayoutTemplateNames names;
};

TEST_F(LayoutValuesTest, TheLayoutsFactsAreReadOnceEachInTheirOrderAndFormatted) {
  entry["Print Item"] = "Lid";
  Collect();
  EXPECT_THAT(evaluated, ElementsAre("#GRAIN$", "#CUTSIZEX", "#CUTSIZEY", "#SHTSIZEX", "#SHTSIZEY",
                                     "#WASTEHSHT", "#AREA", "#NCROSS", "#NBACK", "#NUP", "LENTYPE(3)",
                                     "LENTYPE(2)", "LENTYPE(2)", "LENTYPE(223)", "LENTYPE(1)", "#DPRSNAME$"));
  const CAD::StringMap expected = {
      {"MFGFilePath", "file:///try/carton_0.MFG"},
      {"FormatClass", "Carton"},
      {"MFGTemplate", "sheet.MFG"},
      {"PrintItem", "LID"},
      {"Units", "millimeters"},
      {"GrainDirection", "text of #GRAIN$"},
      {"KnifeToKnifeLength", "412.500000"},
      {"KnifeToKnifeWidth", "0.000000"},
      {"SheetLength", "1000.000000"},
      {"SheetWidth", "700.000000"},
      {"m2Per1000Sheets", "7000.000000"},
      {"ScrapPercent", "23.250000"},
      {"Area", "0.000000"},
      {"OneupsInXDirection", "text of #NCROSS"},
      {"OneupsInYDirection", "text of #NBACK"},
      {"TotalOneUps", "text of #NUP"},
      {"PrfLineLength", "80.000000"},
      {"CreaseLineLength", "1500.000000"},
      {"ScrLineLength", "2.000000"},  // (1500 + 500) mm in metres
      {"SlitLineLength", "2.500000"},
      {"DiePress", "text of #DPRSNAME$"},
      {"GutterX", "2.718000"},
      {"GutterY", "-0.063000"},  // halves away from zero
      {"AreaRatioPercentage", "100"},
      {"GutterSwap", "true"},
      {"NestingTypeSwap", "false"},
      {"CrossGrain", "No"},
  };
  EXPECT_EQ(values, expected);
}

TEST_F(LayoutValuesTest, LineLengthsInMetresFollowTheLayoutsUnit) {
  for (auto [unit, word, slit, scoring] :
       {std::make_tuple(CAD::UnitCode::kInches, "inches", "63.500000", "50.800000"),
        std::make_tuple(std::int16_t{0}, "", "2500.000000", "2000.000000")}) {
    values.clear();
    ON_CALL(cad, GetUnit()).WillByDefault(Return(unit));
    Collect();
    EXPECT_EQ(values["Units"], QK_TString(word));
    EXPECT_EQ(values["SlitLineLength"], QK_TString(slit));
    EXPECT_EQ(values["ScrLineLength"], QK_TString(scoring));
    EXPECT_EQ(values["CreaseLineLength"], QK_TString("1500.000000"));  // in the layout's own unit
  }
}

TEST_F(LayoutValuesTest, ValuesAlreadyThereAreKeptAndAnAbsentPrintItemAddsNone) {
  values["FormatClass"] = "given";
  Collect();
  const CAD::StringMap first = values;
  numbers["#SHTSIZEX"] = 2000;
  names.formatClass = "Other";
  record.crossGrain = "Yes";
  Collect();
  EXPECT_EQ(values, first);
  EXPECT_EQ(values["FormatClass"], QK_TString("given"));
  EXPECT_EQ(values.count("PrintItem"), 0u);
  values.clear();
  entry["Print Item"] = "";
  Collect();
  EXPECT_EQ(values.count("PrintItem"), 0u);
}

}  // namespace
