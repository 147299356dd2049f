// What the ticket builders share: TicketReader, the one place that reads a
// ticket value (typed reads, variable-substitution names, "xpath:" values
// over the input file, trimming, logging); the reader of untrusted XML that
// every builder parses with; command-script normalisation; and the text
// conversions between the XML libraries and QK_TString.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <xercesc/sax2/DefaultHandler.hpp>
#include <xercesc/util/XercesDefs.hpp>

#include "AT_TTicket.h"
#include "QK_TAny.h"
#include "QK_TArray.h"
#include "QK_TDict.h"
#include "QK_TString.h"
#include "QK_TURL.h"
#include "ShapejobTicketData.h"
#include "TW_TTask.h"

#include <xalanc/Include/PlatformDefinitions.hpp>

namespace XALAN_CPP_NAMESPACE {
class XalanDocument;
class XalanDOMString;
class XalanNode;
class XalanParsedSource;
class XalanSourceTreeDOMSupport;
class XalanSourceTreeParserLiaison;
}  // namespace XALAN_CPP_NAMESPACE

XERCES_CPP_NAMESPACE_BEGIN
class DOMDocument;
class DOMElement;
class DOMNode;
class SecurityManager;
class XercesDOMParser;
XERCES_CPP_NAMESPACE_END

namespace CAD {

// Starts the XML libraries once per process (Xerces, then the XPath
// evaluator and the transformer of Xalan) and stops them in reverse order
// when the process ends. Safe to call any number of times.
void InitializeXmlLibraries();

// Throws an exception class with `message`, recording `sourceFile` and
// `line`; never returns.
using ThrowFunction = void (*)(const QK_TString& message, const char* sourceFile, unsigned int line);

// The exception classes and source name of one builder's family.
struct TicketFamily {
  const char* sourceFile;
  ThrowFunction throwNotWellFormed;
  ThrowFunction throwInvalidXPath;
  // Shop card and layout: an XPath ending in "/text()" that selects nothing
  // is tried again without it.
  bool retryWithoutText;
};

// Builds TicketFamily's throw functions from a class.
template <class Exception>
[[noreturn]] void ThrowTicketException(const QK_TString& message, const char* sourceFile, unsigned int line) {
  Exception exception(message);
  exception.__PREPARE_FOR_THROW__(line, sourceFile).Throw();
  QK_NotReached();
}

// One parameter as read: its value, and whether it came from an XPath.
struct TicketValue {
  QK_TString value;
  bool fromXPath = false;
  // A plain value that is empty: neither logged nor kept where the keys of
  // a selection are read.
  bool Blank() const { return !fromXPath && value.Empty(); }
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

// ---- bounds of untrusted input ----

// The entity expansions an input document may make (character references
// and the predefined entities do not count). Small, since the documents
// that tickets bring need few, and each expansion feeds text that the
// parsed trees copy.
constexpr XMLSize_t kEntityExpansionLimit = 1000;
// The text (in characters) that entity references and attribute defaults
// may add to an input document, in all: beyond the document's own size, a
// parse delivers no more than this.
constexpr std::uint64_t kEntityExpansionText = 1u << 20;
// How deep the elements of an input document may nest; the trees and the
// XPath engine walk them recursively.
constexpr std::size_t kMaximumElementDepth = 1000;
// The longest XPath a ticket may give, and how deep its brackets ("(" and
// "[") may nest: the XPath engine parses and evaluates recursively.
constexpr std::size_t kMaximumXPathLength = 4096;
constexpr std::size_t kMaximumXPathNesting = 64;
// The most digits of a number literal in a ticket XPath.
constexpr std::size_t kMaximumXPathDigits = 15;

// Why `file` cannot be an input: its name holds a NUL character, or it is
// there but not a regular file (a folder, a pipe, a device). Nothing when it
// may be, and for a file that is missing or cannot be looked at, which its
// reader reports as it always has.
std::optional<QK_TString> IrregularInputProblem(const QK_TURL& file);

// Why a ticket's XPath may not be evaluated: it is longer than
// kMaximumXPathLength characters, nests brackets deeper than
// kMaximumXPathNesting, or calls an extension function (a prefixed name
// followed by "(", such as "ext:evaluate("), or makes numbers that can
// grow without bound (a number literal of more than kMaximumXPathDigits
// digits, arithmetic, number(), sum(), floor(), ceiling(), round()).
// Nothing when it may. Calls of document() are refused by CallsDocument.
std::optional<QK_TString> UntrustedXPathProblem(const QK_TString& expression);

// ---- untrusted XML ----
// Every document a ticket brings (its input file, an XML ticket, an export
// list, the layout's template list) is read here: only a regular file is
// read, through a descriptor opened here (never by the parser); no external
// DTD and no external entity is read (a reference to one is an error);
// elements nest at most kMaximumElementDepth deep; entity expansion is
// bounded by kEntityExpansionLimit in count and by kEntityExpansionText in
// text. A refused file and an error of the document end the parse as
// `throwNotWellFormed` with ParseErrorText. Other failures of the library
// (XMLException) pass on to the caller.

// The one text of a parse error; -1 for an unknown position.
QK_TString ParseErrorText(long long line, long long column, const QK_TString& message);

// The handlers of a SAX pass. A tree builder also takes the lexical and DTD
// events, and the namespace declarations as attributes.
struct SaxHandlers {
  xercesc::ContentHandler* content;
  xercesc::LexicalHandler* lexical = nullptr;
  xercesc::DTDHandler* dtd = nullptr;
  bool namespaceDeclarationsAsAttributes = false;
};
void ParseUntrustedXml(const QK_TURL& file, const SaxHandlers& handlers, ThrowFunction throwNotWellFormed,
                       const char* sourceFile);

// What the SAX passes that turn elements into maps share: the path of the
// open element ("/" and the name of each open element), the text being
// collected, the record being filled (key to text) and the finished ones.
class RecordSAXHandler : public xercesc::DefaultHandler {
 public:
  StringMapList& Records() { return records_; }

 protected:
  // Appends the element's name to the path and returns it.
  QK_TString EnterElement(const XMLCh* qualifiedName);
  void LeaveElement() { path_ = path_.Substring(0, path_.FindLast('/')); }
  void AddText(const XMLCh* characters, XMLSize_t length);
  // Stores the collected text, trimmed, under `key` (a key already in the
  // record keeps its first value) and starts collecting anew.
  void KeepText(const QK_TString& key);
  // Keeps the record when it holds anything, and starts the next one.
  void EndRecord();

  const QK_TString& Path() const { return path_; }
  StringMap& Record() { return record_; }

 private:
  QK_TString path_;
  QK_TString text_;
  StringMap record_;
  StringMapList records_;
};

// Releases what the DOM library hands out for the caller to release.
struct DomRelease {
  template <class T>
  void operator()(T* object) const {
    if (object != nullptr) object->release();
  }
};
template <class T>
using DomPtr = std::unique_ptr<T, DomRelease>;

// Sets `parser` up for untrusted XML: no validation, schema or namespace
// processing, no DTD or external entity, and `limits` (which must outlive
// the parse) bounding entity expansion. Depth and expansion text are
// bounded only by ParseUntrustedDom.
void ConfigureUntrustedDomParser(xercesc::XercesDOMParser& parser, xercesc::SecurityManager& limits);

// The DOM of `file`, without namespace processing, within all the bounds
// above.
DomPtr<xercesc::DOMDocument> ParseUntrustedDom(const QK_TURL& file, ThrowFunction throwNotWellFormed,
                                               const char* sourceFile);

// Writes `document` to the file at `target` with the serializer's defaults,
// the one way the program writes an XML document. A document the serializer
// does not complete throws QK_EException; a file that cannot be written
// whole throws QK_ECouldNotWriteFile (the system's reason and the path) and
// leaves no file behind.
void WriteXmlDocument(const xercesc::DOMDocument& document, const QK_TURL& target);

// True when the XPath `expression` calls document(): ticket XPaths may not
// reach other documents.
bool CallsDocument(const QK_TString& expression);

// A command script as the CAD application runs it: "EXE " and the script's
// path; "file:" and "EXE file:" prefixes are dropped (the latter only when
// the first did not apply to an XPath value); a value already beginning
// with "EXE" stays; an empty value stays empty.
QK_TString NormaliseCommandScript(const TicketValue& script);

// The UTF-16 text of `text`, owned by the string.
std::u16string ToXmlText(const QK_TString& text);
// A new element `name` appended to `parent`; a name that is no XML name
// throws the DOM library's exception.
xercesc::DOMElement* AppendElement(xercesc::DOMDocument& document, xercesc::DOMNode& parent, const QK_TString& name);
// A new element `name` holding `text`, appended to `parent`.
void AppendTextElement(xercesc::DOMDocument& document, xercesc::DOMNode& parent, const QK_TString& name,
                       const QK_TString& text);
// A text of the XML parser: `length` characters of it, or all of it (""
// for null).
QK_TString FromXerces(const XMLCh* text, std::size_t length);
QK_TString FromXerces(const XMLCh* text);
// Texts to and from the XPath engine, and the string value of a node.
xalanc::XalanDOMString ToXalan(const QK_TString& text);
QK_TString FromXalan(const xalanc::XalanDOMString& text);
QK_TString NodeText(const xalanc::XalanNode& node);

}  // namespace CAD
