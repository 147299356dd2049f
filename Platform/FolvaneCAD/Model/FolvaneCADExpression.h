// Expressions of the CAD stand-in: numbers, "quoted text", variable names,
// function calls NAME(argument, ...), + - * / and parentheses. "+" joins
// texts when either side is text; the other operators need numbers.
// Variable and function names start with a letter, "_" or "#" and go on
// with letters, digits, "_", "$", "#" and "."; a name followed by "(" is a
// function call.
#pragma once

#include <functional>
#include <optional>
#include <vector>

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

// The value of a function for its arguments, or nothing when there is no
// such function; `error` tells why arguments that do not fit are refused
// (then the value is nothing and the error is not empty).
using FunctionLookup =
    std::function<std::optional<Value>(const QK_TString& name, const std::vector<Value>& arguments, QK_TString* error)>;

struct Evaluation {
  bool ok = false;
  Value value;
  QK_TString error;  // why it failed; empty when ok
};

// Without `functions` every call is an unknown function.
Evaluation Evaluate(const QK_TString& expression, const ValueLookup& lookup, const FunctionLookup& functions = {});

}  // namespace FolvaneCAD
