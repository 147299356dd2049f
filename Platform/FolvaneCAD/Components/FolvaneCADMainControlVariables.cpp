// The main control's variables, expressions and command files. Variable
// names compare without regard to case; names beginning with "#" are the
// computed values (FolvaneCADSystemValues.h), which can be read but not set.
#include "Model/FolvaneCADCommand.h"
#include "Components/FolvaneCADMainControl.h"

namespace FolvaneCAD {

namespace {

QK_TString TypeWord(bool numeric) { return numeric ? "numeric" : "text"; }

}  // namespace

// Set changes an existing variable of the same type; add creates the
// variable, or replaces it (value and type) when it exists.
Answer MainControl::SetVariable(const Arguments& args, bool numeric, bool create) {
  Design* design = DesignOrFail();
  if (design == nullptr) return Answer::Status(kStatusNoDesign);
  QK_TString name = args.Text(0).Trim();
  Value value = numeric ? Value::Number(args.Real(1)) : Value::Text(args.Text(1));
  if (name.Empty()) return Fail(VT_I2, kStatusFailed, "No variable name given");
  if (name.StartsWith("#")) return Fail(VT_I2, kStatusFailed, "The computed value " + name + " cannot be set");
  Variable* variable = design->FindVariable(name);
  if (!create && variable == nullptr) return Fail(VT_I2, kStatusFailed, "Unknown variable: " + name);
  if (!create && variable->value.isText == numeric) {
    return Fail(VT_I2, kStatusFailed, name + " is not a " + TypeWord(numeric) + " variable");
  }
  design->SetVariable(name, value);
  return Answer::Status(kStatusOk);
}

Answer MainControl::ReadVariable(const Arguments& args, bool numeric) {
  Document* document = DocumentOrFail();
  if (document == nullptr) return Answer::Status(kStatusNoDesign);
  QK_TString name = args.Text(0).Trim();
  std::optional<Value> value = document->Lookup(name);
  if (!value) return Fail(VT_I2, kStatusFailed, "Unknown variable: " + name);
  if (value->isText == numeric) return Fail(VT_I2, kStatusFailed, name + " is not a " + TypeWord(numeric) + " variable");
  if (numeric) {
    args.SetReal(1, value->number);
  } else {
    args.SetText(1, value->text);
  }
  return Answer::Status(kStatusOk);
}

Answer MainControl::GetVariable(const Arguments& args, bool numeric) {
  VARTYPE type = numeric ? VT_R8 : VT_BSTR;
  Document* document = DocumentOrFail();
  if (document == nullptr) return Answer::Failure(type, 0);
  QK_TString name = args.Text(0).Trim();
  std::optional<Value> value = document->Lookup(name);
  if (!value) return Fail(type, 0, "Unknown variable: " + name);
  if (value->isText == numeric) return Fail(type, 0, name + " is not a " + TypeWord(numeric) + " variable");
  return numeric ? Answer::Number(value->number) : Answer::Text(value->text);
}

// A number evaluated as text gives its written form; a text evaluated as a
// number is an error. ExpressionError reports whether the last one failed.
Answer MainControl::EvaluateExpression(const Arguments& args, bool numeric) {
  VARTYPE type = numeric ? VT_R8 : VT_BSTR;
  lastEvaluationFailed_ = true;
  Document* document = DocumentOrFail();
  if (document == nullptr) return Answer::Failure(type, 0);
  QK_TString expression = args.Text(0);
  Evaluation evaluation = Evaluate(
      expression, [document](const QK_TString& name) { return document->Lookup(name); },
      [document](const QK_TString& name, const std::vector<Value>& arguments, QK_TString* error) {
        return document->CallFunction(name, arguments, error);
      });
  if (!evaluation.ok) return Fail(type, 0, "Invalid expression \"" + expression + "\": " + evaluation.error);
  if (numeric && evaluation.value.isText) {
    return Fail(type, 0, "The expression \"" + expression + "\" gives a text, not a number");
  }
  lastEvaluationFailed_ = false;
  return numeric ? Answer::Number(evaluation.value.number) : Answer::Text(evaluation.value.AsText());
}

// On a manufacturing file the assignments go to the layout's variables.
Answer MainControl::RunCommand(const Arguments& args) {
  Document* document = DocumentOrFail();
  Layout* layout = document != nullptr ? document->layout() : nullptr;
  Design* design = layout == nullptr ? DesignOrFail() : nullptr;
  if (layout == nullptr && design == nullptr) return Answer::Status(kStatusNoDesign);
  std::vector<Assignment> assignments;
  QK_TString error;
  if (!ReadCommand(args.Text(0), &assignments, &error)) return Fail(VT_I2, kStatusFailed, error);
  if (layout != nullptr) {
    Apply(assignments, layout);
  } else {
    Apply(assignments, design);
  }
  return Answer::Status(kStatusOk);
}

// Makes design n of the open manufacturing file the one that variables and
// expressions refer to first (until ExpressionError). The flag is accepted
// as it comes.
Answer MainControl::PrepareDesign(const Arguments& args) {
  Document* document = DocumentOrFail();
  if (document == nullptr) return Answer::Status(kStatusNoDesign);
  if (document->kind() != Document::Kind::kLayout) {
    return Fail(VT_I2, kStatusFailed, "The open file is a design, not a manufacturing file");
  }
  long number = args.Integer(0);
  if (!document->FocusDesign(static_cast<int>(number))) {
    return Fail(VT_I2, kStatusFailed, QK_TString::Format("The manufacturing file has no design %ld", number));
  }
  return Answer::Status(kStatusOk);
}

}  // namespace FolvaneCAD
