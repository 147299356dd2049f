// Custom variables of a ticket evaluated on the open design or layout.
#include <cmath>

#include <boost/lexical_cast.hpp>

#include "DRAVOInterface.h"
#include "DravoException.h"
#include "ShapejobCodes.h"

namespace CAD {

namespace {

// An expression of this prefix names an embedded design of a layout:
// "@Design:<number>:<expression>".
const QK_TString kEmbeddedPrefix(L"@Design:");
const QK_TString kEmbeddedMark(L"@Design");

bool IsNativeDesign(const QK_TString& kind) { return kind.EqualsIgnoreCase("KPX") || kind.EqualsIgnoreCase("DESIGN"); }

// A numeric value as the exported text: three decimals, half away from
// zero, written with six.
QK_TString NumericText(double value) {
  return QK_TString::Format("%f", std::round(value * 1000.0) / 1000.0);
}

// The embedded design's number and the expression to evaluate in it.
struct EmbeddedExpression {
  std::int32_t design;
  QK_TString expression;
};

// The number is all of the text up to the next ":" (a number that is not
// whole throws boost::bad_lexical_cast); the expression follows the last ":".
EmbeddedExpression SplitEmbedded(const QK_TString& expression) {
  const QK_TString rest = expression.Substring(kEmbeddedPrefix.Length());
  const QK_TString number = rest.Substring(0, rest.Find(":"));
  return {boost::lexical_cast<std::int32_t>(number.str()), expression.Substring(expression.FindLast(':') + 1)};
}

}  // namespace

void DRAVOInterface::EvaluateExpression(StringMapList& result, const CustomVariableList& variables,
                                        std::int32_t& errorFlag, const QK_TString& inputKind) {
  // The variable's value by its type into `map`; another type is a fault.
  auto evaluate = [&](const CustomVariable& variable, const QK_TString& expression, StringMap& map) {
    if (variable.type.EqualsIgnoreCase("Numeric")) {
      map[variable.name] = NumericText(EvaluateNumericExpression(expression));
    } else if (variable.type.EqualsIgnoreCase("Text")) {
      map[variable.name] = EvaluateStringExpression(expression);
    } else {
      errorFlag = 1;
      Report(Severity::kWarning, "shapejobs.message.incorrecttype", QK_TAny(variable.name));
    }
  };

  for (const auto& entry : variables) {
    if (!entry) continue;
    const CustomVariable& variable = *entry;
    bool complete = true;
    auto check = [&](const QK_TString& field, const char* key, const QK_TString& argument) {
      if (!field.Empty()) return;
      errorFlag = 1;
      complete = false;
      Report(Severity::kWarning, key, QK_TAny(argument));
    };
    check(variable.name, "shapejobs.message.dravonameerror", variable.expression);
    check(variable.type, "shapejobs.message.dravotypeerror", variable.name);
    check(variable.expression, "shapejobs.message.dravoexpressionerror", variable.name);
    if (!complete) continue;

    StringMap map;
    if (IsNativeDesign(inputKind)) {
      if (variable.expression.StartsWith(kEmbeddedMark)) {
        Report(Severity::kError, "shapejobs.error.incorrectexpression", QK_TAny(variable.name));
        QK_THROW(InvalidExpressionException(QK_TString("This expression doesn't work for KPX input file")));
      }
      evaluate(variable, variable.expression, map);
      result.push_back(map);
    } else if (inputKind.EqualsIgnoreCase("MFG")) {
      if (!variable.expression.StartsWith(kEmbeddedPrefix)) {
        evaluate(variable, variable.expression, map);
        result.push_back(map);
        continue;
      }
      const EmbeddedExpression embedded = SplitEmbedded(variable.expression);
      if (PreparePrintItems(embedded.design, true) != Status::kDone) {
        errorFlag = 1;
        Report(Severity::kWarning, "shapejobs.message.dravodesignnotsetforembedded");
      } else {
        evaluate(variable, embedded.expression, map);
      }
      result.push_back(map);
      GetExpressionError();
    }
  }
}

void DRAVOInterface::EvaluateCustomVariables(StringMapList& result, const CustomVariableList& variables,
                                             std::int32_t& errorFlag, const QK_TString& inputKind) {
  try {
    EvaluateExpression(result, variables, errorFlag, inputKind);
  } catch (const boost::bad_lexical_cast&) {
    Report(Severity::kError, "shapejobs.message.lexicalcastexception", QK_TAny("Invalid value"));
    QK_THROW(DravoError());
  } catch (const InvalidExpressionException& e) {
    Report(Severity::kError, "shapejobs.message.invalidexpression", QK_TAny(e.QK_Message()));
    QK_THROW(DravoError());
  }
}

}  // namespace CAD
