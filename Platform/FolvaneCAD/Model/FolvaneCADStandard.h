// Parametric standards of the CAD stand-in: a design file whose <Design>
// element holds one <Standard> element besides its own variables, layers
// and lines. The standard asks for values in numbered menus, checks them and
// draws its outline from them:
//
//   <Design name="tuck-end" industry="1" unit="mm">
//     <Variable name="FLUTE$" type="text" value="B"/>        the standard's own variables
//     <Standard>
//       <ParameterSet name="Corrugated - Metric - Single design parameters">
//         <Value item="L" value="300"/>                        a default of that set
//       </ParameterSet>
//       <Menu title="Dimensions" kind="3">
//         <Item name="L" type="numeric" default="200" min="20" max="1200"/>
//         <Condition test="L >= W" severity="warning">The length is less than the width</Condition>
//       </Menu>
//       <Menu title="Texts" kind="2" plot="no">
//         <Item name="ARTICLE$" type="text" default="Carton"/>
//         <Failure operation="ConditionCheck" status="4">Forced for a test</Failure>
//       </Menu>
//       <Failure operation="MenuXml" status="2">The menu description is locked</Failure>
//       <Outline>
//         <Line x1="0" y1="0" x2="L" y2="0" layer="0"/>          coordinates are expressions
//       </Outline>
//     </Standard>
//   </Design>
//
// - Menu kind: 2 menus of text items, 3 menus of whole-number items; other
//   kinds (1 for a title page, say) take no values. title defaults to
//   "Menu <n>".
// - Item: name (unique in the standard, compared without regard to case);
//   type numeric (the default) or text; default (empty when missing); min and
//   max (numbers) bound a numeric value.
// - Condition: two expressions compared by one of < <= > >= = <> (the text
//   of the element is the message when it fails); severity warning (default)
//   or error. Expressions are those of FolvaneCADExpression.h over the items
//   and the design's variables.
// - ParameterSet: the defaults that a run opened with its name (compared
//   without regard to case) gives the items it lists.
// - Outline: lines whose coordinates and layer are expressions.
// - plot="no" marks a menu that has no document plot: its plot answers 1 and
//   draws nothing (default: every menu has one).
// - Failure: forces the answer of a call of the standards component on this
//   standard, to try failure paths: in a <Menu>, the operation Plot or
//   ConditionCheck of that menu; in <Standard>, the operation MenuXml (names
//   without regard to case). status is a 16-bit number other than 0: the
//   call is not carried out, it answers the status, and the element's text
//   (or "Forced failure of <operation>") becomes the error text. A scenario
//   file can force the same calls (Automation/FolvaneCADScenario.h).
//
// A design without <Standard> stands for a standard of one kind-2 menu with
// an item per variable (its value the default) where a style names it
// (FolvaneCADStyleCatalogue.h); the standards component opens it with no
// menus (LoadStandardSource).
//
// A design that a standard produced keeps the <Standard> element, so it
// carries the menus of its standard (FolvaneCADStandardRun.h).
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "Model/FolvaneCADDesign.h"

namespace FolvaneCAD {

enum class MenuKind : short { kTextItems = 2, kWholeNumberItems = 3 };

struct StandardItem {
  QK_TString name;
  bool numeric = true;
  QK_TString defaultValue;
  std::optional<double> minimum;
  std::optional<double> maximum;
};

enum class ConditionSeverity { kWarning, kError };

struct StandardCondition {
  QK_TString left;
  QK_TString comparison;  // one of < <= > >= = <>
  QK_TString right;
  ConditionSeverity severity = ConditionSeverity::kWarning;
  QK_TString message;
};

// The operations that a <Failure> element may force.
constexpr char kPlotOperation[] = "Plot";
constexpr char kConditionCheckOperation[] = "ConditionCheck";
constexpr char kMenuXmlOperation[] = "MenuXml";

struct ForcedFailure {
  short status = 0;
  QK_TString message;
};

// Forced failures by operation (lower case).
using ForcedFailures = std::map<std::string, ForcedFailure>;
// The failure forced for `operation`, or null.
const ForcedFailure* FindFailure(const ForcedFailures& failures, const char* operation);

struct StandardMenu {
  QK_TString title;
  short kind = 0;
  std::vector<StandardItem> items;
  std::vector<StandardCondition> conditions;
  bool plotted = true;
  ForcedFailures failures;
};

struct OutlineLine {
  QK_TString x1, y1, x2, y2, layer;
};

// Item defaults by name (lower case).
using ParameterValues = std::map<std::string, QK_TString>;

struct Standard {
  Design design;  // the file's design, <Standard> among its kept elements
  std::map<std::string, ParameterValues> parameterSets;  // by lower-case name
  std::vector<StandardMenu> menus;
  std::vector<OutlineLine> outline;
  ForcedFailures failures;
};

// Reads the standard of a design file's <Design> element; false with the
// reason when the file breaks the rules above.
bool ReadStandard(const QK_TXmlElement& designElement, Standard* standard, QK_TString* error);
// Reads the standard in the design file at `path` (a local path).
bool LoadStandard(const QK_TString& path, Standard* standard, QK_TString* error);

// What the standards component opens: a design with a <Standard>; a plain
// design, which offers no menus and produces itself; or a manufacturing
// file, which offers no menus and has no design to produce.
enum class StandardSource { kStandard, kPlainDesign, kLayout };
// Reads the file at `path` (a local path; the root element tells what it
// is, whatever its extension) as the standards component opens it.
bool LoadStandardSource(const QK_TString& path, Standard* standard, StandardSource* source,
                        QK_TString* error);

// What a comparison of two values gives; false with the reason when either
// side cannot be evaluated or a text is compared by size.
bool ConditionHolds(const StandardCondition& condition, const ValueLookup& lookup, bool* holds,
                    QK_TString* error);

}  // namespace FolvaneCAD
