// XUtility's guard of a ticket's XPaths: ticket values are untrusted, so an
// XPath is checked here before the XPath engine sees it.
#pragma once

#include <cstddef>
#include <optional>

#include "QK_TString.h"

namespace CAD {

// The longest XPath a ticket may give, and how deep its brackets ("(" and
// "[") may nest: the XPath engine parses and evaluates recursively.
constexpr std::size_t kMaximumXPathLength = 4096;
constexpr std::size_t kMaximumXPathNesting = 64;
// The most digits of a number literal in a ticket XPath.
constexpr std::size_t kMaximumXPathDigits = 15;

// Why a ticket's XPath may not be evaluated: it is longer than
// kMaximumXPathLength characters, nests brackets deeper than
// kMaximumXPathNesting, or calls an extension function (a prefixed name
// followed by "(", such as "ext:evaluate("), or makes numbers that can
// grow without bound (a number literal of more than kMaximumXPathDigits
// digits, arithmetic, number(), sum(), floor(), ceiling(), round()).
// Nothing when it may. Calls of document() are refused by CallsDocument.
std::optional<QK_TString> UntrustedXPathProblem(const QK_TString& expression);

// True when the XPath `expression` calls document(): ticket XPaths may not
// reach other documents.
bool CallsDocument(const QK_TString& expression);

}  // namespace CAD
