// XUtility's guard of a ticket's XPaths: its length, bracket nesting,
// extension functions, numbers and document() calls, read with a lexer of
// its own before the XPath engine sees the expression.
#include "XUtilityXPath.h"

#include <cctype>
#include <string>

namespace CAD {

namespace {

bool IsNameCharacter(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.';
}

// One past the last blank before `end`, going back.
std::size_t SkipBlanksBack(const std::string& text, std::size_t end) {
  while (end > 0 && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
  return end;
}

// Where the name that ends at `end` begins (`end` when there is none); the
// bytes of characters beyond ASCII count as name characters.
std::size_t NameStartBack(const std::string& text, std::size_t end) {
  while (end > 0 && (IsNameCharacter(text[end - 1]) || static_cast<unsigned char>(text[end - 1]) >= 0x80)) --end;
  return end;
}

// The prefixed name ("prefix:name", blanks allowed around its parts) that
// ends before the "(" at `open`: an extension function called. Nothing for
// an unprefixed name (a core function, a node test such as "text()") and
// for an axis ("child::node()").
std::optional<QK_TString> PrefixedFunctionBefore(const std::string& text, std::size_t open) {
  const std::size_t nameEnd = SkipBlanksBack(text, open);
  const std::size_t nameStart = NameStartBack(text, nameEnd);
  if (nameStart == nameEnd) return std::nullopt;
  const std::size_t colonEnd = SkipBlanksBack(text, nameStart);
  if (colonEnd == 0 || text[colonEnd - 1] != ':') return std::nullopt;
  if (colonEnd >= 2 && text[colonEnd - 2] == ':') return std::nullopt;
  const std::size_t prefixEnd = SkipBlanksBack(text, colonEnd - 1);
  const std::size_t prefixStart = NameStartBack(text, prefixEnd);
  if (prefixStart == prefixEnd) return std::nullopt;
  return QK_TString(text.substr(prefixStart, nameEnd - prefixStart));
}

// The characters of UTF-8 `text`: its bytes that begin one.
std::size_t CharacterCount(const std::string& text) {
  std::size_t count = 0;
  for (char c : text) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return count;
}

// ---- numbers in ticket XPaths ----
//
// The XPath engine turns a number of some hundred digits into text in a
// fixed buffer that it overruns, so a ticket's XPath may not make large
// numbers: no number literal beyond kMaximumXPathDigits digits, no
// arithmetic, and none of the functions that turn texts of the input into
// numbers. What remains (location paths, predicates, comparisons, the text
// functions, count(), position(), last(), string-length()) only makes
// numbers the size of the document.

enum class XPathToken { kNone, kLiteral, kNumber, kName, kAxis, kAt, kOpen, kClose, kStar, kOperator };

// An operator or name after a token of these kinds is a name test or a
// function name; after any other, it is an operator.
bool StartsOperand(XPathToken previous) {
  return previous == XPathToken::kNone || previous == XPathToken::kAt || previous == XPathToken::kAxis ||
         previous == XPathToken::kOpen || previous == XPathToken::kOperator || previous == XPathToken::kStar;
}

bool IsNameStart(char c) {
  return std::isalpha(static_cast<unsigned char>(c)) || c == '_' || static_cast<unsigned char>(c) >= 0x80;
}

bool IsNumericFunction(const std::string& name) {
  return name == "number" || name == "sum" || name == "floor" || name == "ceiling" || name == "round";
}

// The name that starts at `at` (a QName: one ":" inside, not "::").
std::size_t NameEnd(const std::string& text, std::size_t at) {
  std::size_t end = at;
  while (end < text.size()) {
    const char c = text[end];
    if (IsNameCharacter(c) || static_cast<unsigned char>(c) >= 0x80) {
      ++end;
    } else if (c == ':' && end + 1 < text.size() && text[end + 1] != ':' && IsNameStart(text[end + 1])) {
      ++end;
    } else {
      break;
    }
  }
  return end;
}

std::optional<QK_TString> NumberProblem(const std::string& text) {
  XPathToken previous = XPathToken::kNone;
  for (std::size_t at = 0; at < text.size();) {
    const char c = text[at];
    const bool operatorPosition = !StartsOperand(previous);
    if (std::isspace(static_cast<unsigned char>(c))) {
      ++at;
      continue;
    }
    if (c == '\'' || c == '"') {
      const std::size_t close = text.find(c, at + 1);
      if (close == std::string::npos) return std::nullopt;  // the engine reports it
      at = close + 1;
      previous = XPathToken::kLiteral;
    } else if (std::isdigit(static_cast<unsigned char>(c)) ||
               (c == '.' && at + 1 < text.size() && std::isdigit(static_cast<unsigned char>(text[at + 1])))) {
      std::size_t digits = 0;
      for (; at < text.size() && (std::isdigit(static_cast<unsigned char>(text[at])) || text[at] == '.'); ++at) {
        if (text[at] != '.') ++digits;
      }
      if (digits > kMaximumXPathDigits) {
        return QK_TString::Format("the XPath holds a number of more than %zu digits", kMaximumXPathDigits);
      }
      previous = XPathToken::kNumber;
    } else if (IsNameStart(c)) {
      const std::size_t end = NameEnd(text, at);
      const std::string name = text.substr(at, end - at);
      std::size_t next = end;
      while (next < text.size() && std::isspace(static_cast<unsigned char>(text[next]))) ++next;
      if (operatorPosition && (name == "div" || name == "mod")) {
        return QK_TString::Format("the XPath computes with numbers (%s)", name.c_str());
      }
      if (!operatorPosition && next < text.size() && text[next] == '(' && IsNumericFunction(name)) {
        return QK_TString::Format("the XPath computes with numbers (%s())", name.c_str());
      }
      at = end;
      previous = operatorPosition ? XPathToken::kOperator : XPathToken::kName;
    } else if (c == '+' || c == '-') {
      return QK_TString::Format("the XPath computes with numbers (%c)", c);
    } else if (c == '*') {
      if (operatorPosition) return QK_TString("the XPath computes with numbers (*)");
      ++at;
      previous = XPathToken::kStar;
    } else if (c == ':' && at + 1 < text.size() && text[at + 1] == ':') {
      at += 2;
      previous = XPathToken::kAxis;
    } else if (c == '@') {
      ++at;
      previous = XPathToken::kAt;
    } else if (c == '(' || c == '[' || c == ',') {
      ++at;
      previous = XPathToken::kOpen;
    } else if (c == ')' || c == ']' || c == '.') {
      at += c == '.' && at + 1 < text.size() && text[at + 1] == '.' ? 2 : 1;
      previous = XPathToken::kClose;
    } else {
      // "/", "//", "|", "=", "!=", "<", "<=", ">", ">=" and "$".
      ++at;
      previous = c == '$' ? XPathToken::kAt : XPathToken::kOperator;
    }
  }
  return std::nullopt;
}

}  // namespace

// True when `expression` calls the XSLT document() function, which could
// read files other than the input.
bool CallsDocument(const QK_TString& expression) {
  const std::string& text = expression.str();
  static const std::string kName = "document";
  for (std::size_t at = text.find(kName); at != std::string::npos; at = text.find(kName, at + 1)) {
    if (at > 0 && IsNameCharacter(text[at - 1])) continue;
    std::size_t next = at + kName.size();
    while (next < text.size() && std::isspace(static_cast<unsigned char>(text[next]))) ++next;
    if (next < text.size() && text[next] == '(') return true;
  }
  return false;
}

std::optional<QK_TString> UntrustedXPathProblem(const QK_TString& expression) {
  const std::string& text = expression.str();
  const std::size_t length = CharacterCount(text);
  if (length > kMaximumXPathLength) {
    return QK_TString::Format("the XPath has %zu characters, more than the %zu allowed", length, kMaximumXPathLength);
  }
  std::size_t depth = 0;
  for (std::size_t at = 0; at < text.size(); ++at) {
    const char c = text[at];
    if (c == '\'' || c == '"') {
      // A literal holds no calls and no brackets; one left open is the
      // XPath engine's error to report.
      const std::size_t close = text.find(c, at + 1);
      if (close == std::string::npos) break;
      at = close;
    } else if (c == '(' || c == '[') {
      if (++depth > kMaximumXPathNesting) {
        return QK_TString::Format("the XPath nests brackets deeper than %zu levels", kMaximumXPathNesting);
      }
      const std::optional<QK_TString> function = c == '(' ? PrefixedFunctionBefore(text, at) : std::nullopt;
      if (function) return QK_TString::Format("the XPath calls the extension function %s()", function->c_str());
    } else if ((c == ')' || c == ']') && depth > 0) {
      --depth;
    }
  }
  return NumberProblem(text);
}

}  // namespace CAD
