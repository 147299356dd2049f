// XUtility's ticket reader, what every ticket builder shares: TicketReader,
// the one place that reads a ticket value (typed reads, variable-substitution
// names, "xpath:" values over the input file, trimming, logging), and the
// reads that several builders make (enterprise design selection, design
// people, command script, custom variables). Below it: the XML layer
// (XUtilityXml.h), the XPath guard (XUtilityXPath.h) and the texts of
// ticket values (XUtilityText.h).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "AT_TTicket.h"
#include "QK_TAny.h"
#include "QK_TArray.h"
#include "QK_TDict.h"
#include "QK_TString.h"
#include "QK_TURL.h"
#include "ShapejobTicketData.h"
#include "TW_TTask.h"
#include "XUtilityText.h"
#include "XUtilityXml.h"

#include <xalanc/Include/PlatformDefinitions.hpp>

namespace XALAN_CPP_NAMESPACE {
class XalanDocument;
class XalanParsedSource;
class XalanSourceTreeDOMSupport;
class XalanSourceTreeParserLiaison;
}  // namespace XALAN_CPP_NAMESPACE

namespace CAD {

// The exception classes and source name of one builder's family.
struct TicketFamily {
  const char* sourceFile;
  ThrowFunction throwNotWellFormed;
  ThrowFunction throwInvalidXPath;
  // Shop card and layout: an XPath ending in "/text()" that selects nothing
  // is tried again without it.
  bool retryWithoutText;
};

// Which text of a node an XPath list gives: the node's own value (that of a
// text or attribute node; "" for an element) or its string value.
enum class SelectedText { kNodeValue, kStringValue };

// One XPath of a list (without its "xpath:" prefix) and the name of the
// parameter it came from.
struct ListXPath {
  const char* parameterName;
  QK_TString expression;
};

// Reads the parameters of one ticket for one builder. Every ticket value a
// builder reads goes through here. It starts the XML libraries, which stay
// started until the process ends.
class TicketReader {
 public:
  enum class Presence { kMandatory, kOptional };

  TicketReader(TW_TTask& task, AT_TTicket& ticket, const QK_TURL& inputFile, const TicketFamily& family);
  ~TicketReader();
  TicketReader(const TicketReader&) = delete;
  TicketReader& operator=(const TicketReader&) = delete;

  // ---- the ticket as it holds it ----
  // A missing mandatory key, or a value of another kind, throws
  // QK_EException naming the key.

  // A text, not resolved, not trimmed; "" for a missing optional key.
  QK_TString Text(const char* key, Presence presence) const;
  // A boolean; false for a missing optional key.
  bool Flag(const char* key, Presence presence) const;
  // A mandatory list; its entries are checked as they are read (Entry).
  const QK_TArray& List(const char* key) const;
  // A mandatory list whose entries are all checked to be dictionaries first.
  const QK_TArray& DictList(const char* key) const;
  // One entry of the list `listKey` as a dictionary.
  static const QK_TDict& Entry(const QK_TAny& entry, const char* listKey);
  // The text of `key` in one entry of the list `listKey`.
  static const QK_TString& EntryText(const QK_TDict& entry, const char* key, const char* listKey);
  // The texts of `fields` in each entry of the list `listKey`, names
  // resolved and trimmed; entries are checked as they are read.
  std::vector<std::vector<QK_TString>> ResolvedEntries(const char* listKey, const std::vector<const char*>& fields);

  // ---- values ----

  // Replaces the variable-substitution names of `text`; a name that cannot
  // be resolved is reported ("shapejobs.message.couldnotresolve") and
  // thrown as QK_EException.
  QK_TString Resolve(const QK_TString& text);
  // Text with its names resolved; no XPath, no trim.
  QK_TString ResolvedText(const char* key, Presence presence) { return Resolve(Text(key, presence)); }
  // A resolved text, evaluated when it is an "xpath:" value (failures name
  // `parameterName`), trimmed.
  TicketValue Value(const QK_TString& resolved, const char* parameterName);
  // Value of the resolved `raw`.
  TicketValue Evaluate(const QK_TString& raw, const char* parameterName) { return Value(Resolve(raw), parameterName); }
  // Evaluate of the text parameter `key`.
  TicketValue Read(const char* key, Presence presence, const char* parameterName) {
    return Evaluate(Text(key, presence), parameterName);
  }
  // Read, then log the value under "shapejobs.<logName>.value".
  TicketValue ReadAndLog(const char* key, Presence presence, const char* parameterName, const char* logName);
  // ReadAndLog for the keys of a selection: a blank value is not logged.
  TicketValue ReadAndLogUnlessEmpty(const char* key, Presence presence, const char* parameterName, const char* logName);
  void Log(const char* logName, const QK_TString& value);

  // ---- XPaths ----

  // The expression of an "xpath:" value (the text after its leading
  // prefix); nothing when `value` is not one.
  static std::optional<QK_TString> XPathOf(const QK_TString& value);
  // Ticket values are untrusted: an expression that calls document(), or
  // that UntrustedXPathProblem refuses, fails with the family's
  // invalid-XPath class before the XPath engine sees it; the message then
  // ends with the reason.
  void RefuseDocumentCalls(const QK_TString& expression, const char* parameterName) const;
  // The family's invalid-XPath failure; `reason`, when given, says why.
  [[noreturn]] void ThrowInvalidXPath(const char* parameterName, const QK_TString& expression,
                                      const QK_TString& reason = QK_TString()) const;

  // Parses the input file on first use; the family's not-well-formed class
  // when it is not XML.
  void LoadTicketXml();
  // The texts of the nodes that each XPath selects from the root of the
  // input document, in document order, one list per XPath. An XPath that
  // RefuseDocumentCalls refuses fails before the input is read; an XPath
  // engine error is reported as
  // "shapejobs.message.xalanxpathevaluatevariablesexception" with
  // `reportArguments`, its position and its text, and ends the input with
  // TaskError.
  std::vector<std::vector<QK_TString>> SelectNodeLists(const std::vector<ListXPath>& xpaths, SelectedText text,
                                                       std::vector<QK_TAny> reportArguments);

  // The loaded input document as the source of a transform; call
  // LoadTicketXml first.
  std::unique_ptr<xalanc::XalanParsedSource> ParsedInput() const;
  TW_TTask& Task() const { return task_; }

 private:
  // The parameter `key`, checked to be of `kind` (named `kindName` in the
  // failure); null for a missing optional key.
  const QK_TAny* Parameter(const char* key, Presence presence, QK_TAny::Kind kind, const char* kindName) const;
  // The text of the node that `expression`, the XPath of the "xpath:" value
  // `value`, selects.
  QK_TString EvaluateXPath(const QK_TString& value, QK_TString expression, const char* parameterName);

  TW_TTask& task_;
  AT_TTicket& ticket_;
  const QK_TURL& inputFile_;
  const TicketFamily& family_;
  // Destroyed in reverse order: the document belongs to the liaison, which
  // goes before its DOM support.
  std::unique_ptr<xalanc::XalanSourceTreeDOMSupport> domSupport_;
  std::unique_ptr<xalanc::XalanSourceTreeParserLiaison> liaison_;
  xalanc::XalanDocument* document_ = nullptr;
};

constexpr TicketReader::Presence kMandatory = TicketReader::Presence::kMandatory;
constexpr TicketReader::Presence kOptional = TicketReader::Presence::kOptional;

// The keys of an enterprise design selection, in order: PROJECT_NAME, the
// design's name (`nameKey`, logged under `nameLogName`) and VERSION. An
// empty value leaves its field as it is. A version without a number is
// reported ("shapejobs.message.invalidversion") and ends the input with
// TaskError.
struct EnterpriseDesign {
  QK_TString& project;
  QK_TString& name;
  std::int32_t& version;
};
void ReadEnterpriseDesign(TicketReader& reader, const char* nameKey, const char* nameLogName,
                          const EnterpriseDesign& into);
// A version as ReadEnterpriseDesign reads it, after the value was logged:
// the number at its start (leading blanks and a sign allowed, anything
// after the digits ignored), 0 for an empty one.
std::int32_t VersionNumber(TicketReader& reader, const QK_TString& version);

// Reads the design description and the people of a new design (all
// optional keys), logging each one.
void ReadDesignPeople(TicketReader& reader, DBInfo& info);

// The post command script of a run (COMMAND_SCRIPT, logged), normalised;
// stored in `into` unless there is none.
void ReadCommandScript(TicketReader& reader, QK_TString& into);

// Custom variables: the list parameter `key` of KEY, TYPE and EXPRESSION
// entries, names resolved and trimmed.
CustomVariableList ReadCustomVariableList(TicketReader& reader, const char* key);
// The three XPath lists of custom variables (VARIABLE_NAMES, VARIABLE_TYPES,
// VARIABLE_EXPRESSIONS, names resolved). When one is empty that is reported
// as a warning ("StandardVariables.Type") and nothing is returned.
struct CustomVariableXPaths {
  QK_TString names;
  QK_TString types;
  QK_TString expressions;
  std::vector<QK_TAny> ReportArguments() const { return {QK_TAny(names), QK_TAny(types), QK_TAny(expressions)}; }
};
std::optional<CustomVariableXPaths> ReadCustomVariableXPaths(TicketReader& reader);
// One variable per node of the names XPath, with the type and expression
// of the same position (trimmed); surplus types and expressions are
// ignored. Nothing when no name is selected or a name lacks its type or
// expression.
std::optional<CustomVariableList> SelectCustomVariables(TicketReader& reader, const CustomVariableXPaths& values,
                                                        const std::vector<ListXPath>& xpaths, SelectedText text);

}  // namespace CAD
