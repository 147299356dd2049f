// Expressions of the CAD stand-in, evaluated over a fixed set of variables.
#include "Model/FolvaneCADExpression.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using FolvaneCAD::Evaluate;
using FolvaneCAD::Evaluation;
using FolvaneCAD::Value;

Evaluation EvaluateText(const char* expression) {
  return Evaluate(expression, [](const QK_TString& name) -> std::optional<Value> {
    if (name == "L") return Value::Number(60);
    if (name == "#AREA") return Value::Number(2.5);
    if (name == "NAME$") return Value::Text("Box");
    return std::nullopt;
  });
}

double NumberOf(const char* expression) {
  Evaluation evaluation = EvaluateText(expression);
  EXPECT_TRUE(evaluation.ok) << expression << ": " << evaluation.error;
  EXPECT_FALSE(evaluation.value.isText) << expression;
  return evaluation.value.number;
}

TEST(FolvaneCADExpressionTest, FollowsArithmeticPrecedence) {
  EXPECT_EQ(NumberOf("1 + 2 * 3"), 7.0);
  EXPECT_EQ(NumberOf("(1 + 2) * 3"), 9.0);
  EXPECT_EQ(NumberOf("10 - 4 - 3"), 3.0) << "left to right";
  EXPECT_EQ(NumberOf("8 / 4 / 2"), 1.0);
  EXPECT_EQ(NumberOf("-L + +2"), -58.0);
  EXPECT_EQ(NumberOf("1.5e2 + .5 + #AREA*2"), 155.5);
  EXPECT_EQ(EvaluateText("0.1 + 0.2").value.AsText().str(), "0.3");
}

TEST(FolvaneCADExpressionTest, JoinsTextsWithPlus) {
  Evaluation joined = EvaluateText("NAME$ + \"-\" + L * 2");
  ASSERT_TRUE(joined.ok) << joined.error;
  EXPECT_TRUE(joined.value.isText);
  EXPECT_EQ(joined.value.text.str(), "Box-120");
}

TEST(FolvaneCADExpressionTest, ReportsWhyAnExpressionFails) {
  EXPECT_EQ(EvaluateText("").error.str(), "Unexpected end of expression");
  EXPECT_EQ(EvaluateText("(L + 1").error.str(), "Missing \")\"");
  EXPECT_EQ(EvaluateText("L + ?").error.str(), "Unexpected \"?\" at position 5");
  EXPECT_EQ(EvaluateText("L L").error.str(), "Unexpected \"L\" at position 3");
  EXPECT_EQ(EvaluateText("\"open").error.str(), "Text without closing quote");
  EXPECT_EQ(EvaluateText("NAME$ * 2").error.str(), "Text cannot be used in arithmetic");
  EXPECT_EQ(EvaluateText("-NAME$").error.str(), "Text cannot be used in arithmetic");
  EXPECT_EQ(EvaluateText("L / (L - 60)").error.str(), "Division by zero");
  EXPECT_EQ(EvaluateText("1.2.3").error.str(), "Not a number: 1.2.3");
  EXPECT_EQ(EvaluateText("DEPTH").error.str(), "Unknown variable: DEPTH");
  EXPECT_FALSE(EvaluateText("DEPTH").ok);
}

TEST(FolvaneCADExpressionTest, RefusesNestingThatWouldExhaustTheStack) {
  const std::string deep = std::string(100000, '(') + "1" + std::string(100000, ')');
  EXPECT_EQ(EvaluateText(deep.c_str()).error.str(), "Expression nested too deeply");
  const std::string fine = std::string(50, '(') + "L" + std::string(50, ')');
  EXPECT_DOUBLE_EQ(NumberOf(fine.c_str()), 60.0);
}

}  // namespace
