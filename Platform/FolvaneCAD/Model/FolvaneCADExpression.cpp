#include "Model/FolvaneCADExpression.h"

#include <cctype>
#include <string>

#include "Base/FolvaneCADText.h"

namespace FolvaneCAD {

Value Value::Number(double number) { return Number(number, FormatNumber(number)); }

Value Value::Number(double number, const QK_TString& spelling) {
  Value value;
  value.number = number;
  value.text = spelling;
  return value;
}

Value Value::Text(const QK_TString& text) {
  Value value;
  value.isText = true;
  value.text = text;
  return value;
}

QK_TString Value::AsText() const { return isText ? text : FormatNumber(number); }

namespace {

bool NameStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == '#'; }
bool NamePart(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' || c == '#' || c == '.';
}
bool NumberPart(char c) { return std::isdigit(static_cast<unsigned char>(c)) || c == '.'; }

// Recursive descent over the expression text; the first error stops it.
class Parser {
 public:
  Parser(const std::string& text, const ValueLookup& lookup, const FunctionLookup& functions)
      : text_(text), lookup_(lookup), functions_(functions) {}

  static constexpr int kMaximumDepth = 200;

  Evaluation Run() {
    Evaluation result;
    Value value = Sum();
    SkipBlanks();
    if (error_.Empty() && position_ < text_.size()) Fail(Unexpected());
    result.ok = error_.Empty();
    result.error = error_;
    if (result.ok) result.value = value;
    return result;
  }

 private:
  Value Sum() {
    Value left = Product();
    while (error_.Empty()) {
      SkipBlanks();
      if (!Accept('+') && !Accept('-')) break;
      char op = text_[position_ - 1];
      Value right = Product();
      if (!error_.Empty()) break;
      if (op == '+' && (left.isText || right.isText)) {
        left = Value::Text(left.AsText() + right.AsText());
      } else if (NeedNumbers(left, right)) {
        left = Value::Number(op == '+' ? left.number + right.number : left.number - right.number);
      }
    }
    return left;
  }

  Value Product() {
    Value left = Unary();
    while (error_.Empty()) {
      SkipBlanks();
      if (!Accept('*') && !Accept('/')) break;
      char op = text_[position_ - 1];
      Value right = Unary();
      if (!error_.Empty() || !NeedNumbers(left, right)) break;
      if (op == '/' && right.number == 0.0) {
        Fail("Division by zero");
        break;
      }
      left = Value::Number(op == '*' ? left.number * right.number : left.number / right.number);
    }
    return left;
  }

  Value Unary() {
    // Each nesting (parenthesis or sign) costs stack; a deep one is refused.
    if (++depth_ > kMaximumDepth) {
      Fail("Expression nested too deeply");
      return Value();
    }
    Value value = SignedValue();
    --depth_;
    return value;
  }

  Value SignedValue() {
    SkipBlanks();
    if (Accept('-')) {
      Value operand = Unary();
      if (error_.Empty() && NeedNumbers(operand, operand)) return Value::Number(-operand.number);
      return operand;
    }
    if (Accept('+')) return Unary();
    return Primary();
  }

  Value Primary() {
    SkipBlanks();
    if (position_ >= text_.size()) {
      Fail("Unexpected end of expression");
      return Value();
    }
    char c = text_[position_];
    if (Accept('(')) return Parenthesised();
    if (c == '"') return QuotedText();
    if (NumberPart(c)) return NumberLiteral();
    if (NameStart(c)) return Variable();
    Fail(Unexpected());
    return Value();
  }

  Value Parenthesised() {
    Value inner = Sum();
    SkipBlanks();
    if (error_.Empty() && !Accept(')')) Fail("Missing \")\"");
    return inner;
  }

  Value QuotedText() {
    std::size_t end = text_.find('"', position_ + 1);
    if (end == std::string::npos) {
      Fail("Text without closing quote");
      return Value();
    }
    Value value = Value::Text(QK_TString(text_.substr(position_ + 1, end - position_ - 1)));
    position_ = end + 1;
    return value;
  }

  Value NumberLiteral() {
    std::size_t start = position_;
    while (position_ < text_.size() && NumberPart(text_[position_])) ++position_;
    // An exponent such as 1e3 or 2.5E-2.
    if (position_ < text_.size() && (text_[position_] == 'e' || text_[position_] == 'E')) {
      std::size_t exponent = position_ + 1;
      if (exponent < text_.size() && (text_[exponent] == '+' || text_[exponent] == '-')) ++exponent;
      if (exponent < text_.size() && std::isdigit(static_cast<unsigned char>(text_[exponent]))) {
        position_ = exponent;
        while (position_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[position_]))) {
          ++position_;
        }
      }
    }
    QK_TString spelling(text_.substr(start, position_ - start));
    double number = 0.0;
    if (!ParseNumber(spelling, &number)) Fail("Not a number: " + spelling);
    return Value::Number(number);
  }

  Value Variable() {
    std::size_t start = position_;
    while (position_ < text_.size() && NamePart(text_[position_])) ++position_;
    QK_TString name(text_.substr(start, position_ - start));
    SkipBlanks();
    if (Accept('(')) return Call(name);
    std::optional<Value> value = lookup_(name);
    if (!value) {
      Fail("Unknown variable: " + name);
      return Value();
    }
    return *value;
  }

  // After "NAME(": the arguments up to ")", then the function's value.
  Value Call(const QK_TString& name) {
    std::vector<Value> arguments;
    SkipBlanks();
    if (!Accept(')')) {
      do {
        arguments.push_back(Sum());
        SkipBlanks();
      } while (error_.Empty() && Accept(','));
      if (error_.Empty() && !Accept(')')) Fail("Missing \")\" after the arguments of " + name);
    }
    if (!error_.Empty()) return Value();
    QK_TString refusal;
    std::optional<Value> value = functions_ ? functions_(name, arguments, &refusal) : std::nullopt;
    if (!value) {
      Fail(refusal.Empty() ? "Unknown function: " + name : refusal);
      return Value();
    }
    return *value;
  }

  bool NeedNumbers(const Value& left, const Value& right) {
    if (left.isText || right.isText) Fail("Text cannot be used in arithmetic");
    return error_.Empty();
  }

  QK_TString Unexpected() const {
    return QK_TString::Format("Unexpected \"%c\" at position %zu", text_[position_], position_ + 1);
  }

  void SkipBlanks() {
    while (position_ < text_.size() && (text_[position_] == ' ' || text_[position_] == '\t')) ++position_;
  }

  bool Accept(char c) {
    if (position_ < text_.size() && text_[position_] == c) {
      ++position_;
      return true;
    }
    return false;
  }

  void Fail(const QK_TString& reason) {
    if (error_.Empty()) error_ = reason;
  }

  int depth_ = 0;
  const std::string& text_;
  const ValueLookup& lookup_;
  const FunctionLookup& functions_;
  std::size_t position_ = 0;
  QK_TString error_;
};

}  // namespace

Evaluation Evaluate(const QK_TString& expression, const ValueLookup& lookup, const FunctionLookup& functions) {
  return Parser(expression.str(), lookup, functions).Run();
}

}  // namespace FolvaneCAD
