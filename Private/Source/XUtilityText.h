// XUtility's texts of ticket values that reach beyond the ticket reader: a
// value as read, and the command script the CAD application runs, which
// the builders and the CAD operations both make.
#pragma once

#include <vector>

#include "QK_TString.h"

namespace CAD {

// One parameter as read: its value, and whether it came from an XPath.
struct TicketValue {
  QK_TString value;
  bool fromXPath = false;
  // A plain value that is empty: neither logged nor kept where the keys of
  // a selection are read.
  bool Blank() const { return !fromXPath && value.Empty(); }
};

// A command script as the CAD application runs it: "EXE " and the script's
// path; "file:" and "EXE file:" prefixes are dropped (the latter only when
// the first did not apply to an XPath value); a value already beginning
// with "EXE" stays; an empty value stays empty.
QK_TString NormaliseCommandScript(const TicketValue& script);

// The attribute names and values of an exported design's variable as one
// text, and back: fields joined by ",", a "," or "\" within a field escaped
// by a "\", so that an expression such as MAX(L,W) survives. The builder
// joins them, the design-information export splits them.
QK_TString JoinVariableFields(const std::vector<QK_TString>& fields);
std::vector<QK_TString> SplitVariableFields(const QK_TString& text);

}  // namespace CAD
