// Custom variables evaluated on a design or a layout (embedded designs
// addressed as "@Design:<n>:<expression>").
#include <boost/lexical_cast.hpp>
#include <gtest/gtest.h>

#include "ConnectedTask.h"
#include "DravoException.h"

namespace {

using ::testing::_;
using ::testing::NiceMock;
using ::testing::Return;

std::shared_ptr<CAD::CustomVariable> Custom(const char* name, const char* type, const char* expression) {
  auto variable = std::make_shared<CAD::CustomVariable>();
  variable->name = name;
  variable->type = type;
  variable->expression = expression;
  return variable;
}

class ExpressionTest : public TaskTest {
 protected:
  CAD::StringMapList Evaluate(const CAD::CustomVariableList& variables, const char* kind) {
    CAD::StringMapList result;
    cad.EvaluateExpression(result, variables, flag, kind);
    return result;
  }

  NiceMock<MockDriver> cad{&task};
  std::int32_t flag = 0;
};

TEST_F(ExpressionTest, NumbersAreRoundedToThreeDecimalsAndTextsKept) {
  EXPECT_CALL(cad, EvaluateNumericExpression(QK_TString("#AREA"))).WillOnce(Return(2.34567));
  EXPECT_CALL(cad, EvaluateNumericExpression(QK_TString("#TINY"))).WillOnce(Return(-0.0004));
  EXPECT_CALL(cad, EvaluateStringExpression(QK_TString("BOARD$"))).WillOnce(Return(QK_TString("FBB")));
  const auto result = Evaluate({Custom("Area", "numeric", "#AREA"), Custom("Tiny", "Numeric", "#TINY"), nullptr,
                                Custom("Board", "TEXT", "BOARD$")},
                               "kpx");
  EXPECT_EQ(result, (CAD::StringMapList{{{"Area", "2.346000"}}, {{"Tiny", "-0.000000"}}, {{"Board", "FBB"}}}));
  EXPECT_EQ(flag, 0);
  EXPECT_TRUE(sink.events.empty());
}

TEST_F(ExpressionTest, FaultyVariablesAreWarningsThatSetTheFlag) {
  const auto result = Evaluate({Custom("", "Numeric", ""), Custom("Kind", "Number", "#X")}, "DESIGN");
  EXPECT_EQ(result, (CAD::StringMapList{{}})) << "a wrong type still adds its (empty) map; missing fields none";
  EXPECT_EQ(flag, 1);
  EXPECT_EQ(sink.events, (std::vector<std::string>{"message 1 shapejobs.message.dravonameerror ",
                                                   "message 1 shapejobs.message.dravoexpressionerror ",
                                                   "message 1 shapejobs.message.incorrecttype Kind"}));
  flag = 0;
  EXPECT_TRUE(Evaluate({}, "MFG").empty());
  EXPECT_TRUE(Evaluate({Custom("A", "Text", "X")}, "PDF").empty()) << "another kind skips its variables";
  EXPECT_EQ(flag, 0);
}

TEST_F(ExpressionTest, EmbeddedDesignsAreEvaluatedOnLayoutsOnly) {
  EXPECT_CALL(cad, PreparePrintItems(12, true)).WillOnce(Return(0));
  EXPECT_CALL(cad, EvaluateNumericExpression(QK_TString("LEN"))).WillOnce(Return(5.0));
  EXPECT_CALL(cad, GetExpressionError()).Times(1);
  EXPECT_EQ(Evaluate({Custom("Len", "Numeric", "@Design:12:LEN")}, "MFG"),
            (CAD::StringMapList{{{"Len", "5.000000"}}}))
      << "the number is all of its text";

  EXPECT_CALL(cad, PreparePrintItems(3, true)).WillOnce(Return(1));
  EXPECT_CALL(cad, GetExpressionError()).Times(1);
  EXPECT_EQ(Evaluate({Custom("Len", "Numeric", "@Design:3:LEN")}, "mfg"), (CAD::StringMapList{{}}));
  EXPECT_EQ(flag, 1);
  EXPECT_EQ(sink.events.back(), "message 1 shapejobs.message.dravodesignnotsetforembedded");

  EXPECT_THROW(Evaluate({Custom("Len", "Numeric", "@Design:x:LEN")}, "MFG"), boost::bad_lexical_cast);
  try {
    Evaluate({Custom("Len", "Numeric", "@Design:3:LEN")}, "KPX");
    ADD_FAILURE() << "no exception";
  } catch (const CAD::InvalidExpressionException& e) {
    EXPECT_EQ(e.QK_Message().str(), "This expression doesn't work for KPX input file");
  }
  EXPECT_EQ(sink.events.back(), "message 2 shapejobs.error.incorrectexpression Len");
}

}  // namespace
