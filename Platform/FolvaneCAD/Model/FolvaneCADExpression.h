// Expressions of the CAD stand-in: numbers, "quoted text", variable names,
// + - * / and parentheses. "+" joins texts when either side is text; the
// other operators need numbers. Variable names start with a letter, "_" or
// "#" and go on with letters, digits, "_", "$", "#" and ".".
#pragma once

#include <functional>
#include <optional>

#include "QK_TString.h"

namespace FolvaneCAD {

// A number or a text. A number keeps the text it was written as, so that a
// value read from a file is written back unchanged.
struct Value {
  bool isText = false;
  double number = 0.0;
  QK_TString text;

  static Value Number(double number);
  static Value Number(double number, const QK_TString& spelling);
  static Value Text(const QK_TString& text);
  // The text of a text value; the written form of a number.
  QK_TString AsText() const;
};

// The value of a variable name, or nothing when there is no such variable.
using ValueLookup = std::function<std::optional<Value>(const QK_TString& name)>;

struct Evaluation {
  bool ok = false;
  Value value;
  QK_TString error;  // why it failed; empty when ok
};

Evaluation Evaluate(const QK_TString& expression, const ValueLookup& lookup);

}  // namespace FolvaneCAD
