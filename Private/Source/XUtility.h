// What the ticket builders share: reading one ticket parameter (fetch,
// variable-substitution names, "xpath:" values over the input file,
// trimming, logging), loading the input file as an XML document once,
// command-script normalisation, and UTF-8 transcoding for SAX handlers.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include <xercesc/framework/MemoryManager.hpp>
#include <xercesc/util/XercesDefs.hpp>

#include "AT_TTicket.h"
#include "QK_TAny.h"
#include "QK_TString.h"
#include "QK_TURL.h"
#include "ShapejobTicketData.h"
#include "TW_TTask.h"

#include <xalanc/Include/PlatformDefinitions.hpp>

namespace XALAN_CPP_NAMESPACE {
class XalanDocument;
class XalanDOMString;
class XalanNode;
class XalanSourceTreeDOMSupport;
class XalanSourceTreeParserLiaison;
}  // namespace XALAN_CPP_NAMESPACE

namespace CAD {

// Starts the XML libraries once per process (Xerces, then the XPath
// evaluator and the transformer of Xalan) and stops them in reverse order
// when the process ends. Safe to call any number of times.
void InitializeXmlLibraries();

// The exception classes and source name of one builder's family.
struct TicketFamily {
  const char* sourceFile;
  // Throw the family's not-well-formed (invalid-XPath) class with
  // `message`, recording `sourceFile` and `line`; they never return.
  void (*throwNotWellFormed)(const QK_TString& message, const char* sourceFile, unsigned int line);
  void (*throwInvalidXPath)(const QK_TString& message, const char* sourceFile, unsigned int line);
  // Shop card and layout: an XPath ending in "/text()" that selects nothing
  // is tried again without it.
  bool retryWithoutText;
};

// Builds TicketFamily's throw functions from a class.
template <class Exception>
void ThrowTicketException(const QK_TString& message, const char* sourceFile, unsigned int line) {
  Exception exception(message);
  exception.__PREPARE_FOR_THROW__(line, sourceFile).Throw();
  QK_NotReached();
}

// One parameter as read: its value, and whether it came from an XPath.
struct TicketValue {
  QK_TString value;
  bool fromXPath = false;
};

// Reads the parameters of one ticket for one builder.
class TicketReader {
 public:
  enum class Presence { kMandatory, kOptional };

  TicketReader(TW_TTask& task, AT_TTicket& ticket, const QK_TURL& inputFile, const TicketFamily& family);
  ~TicketReader();
  TicketReader(const TicketReader&) = delete;
  TicketReader& operator=(const TicketReader&) = delete;

  // Fetches a text parameter, resolves its names, evaluates it when it is an
  // "xpath:" value (failures name `parameterName`), and trims it. A missing
  // mandatory key, or a value that is not a text, throws QK_EException
  // naming the key; a missing optional key reads as "".
  TicketValue Read(const char* key, Presence presence, const char* parameterName);
  // Read, then log the value under "shapejobs.<logName>.value".
  TicketValue ReadAndLog(const char* key, Presence presence, const char* parameterName, const char* logName);
  // ReadAndLog for the keys of an enterprise design selection: an empty
  // value that did not come from an XPath is neither logged nor returned.
  std::optional<TicketValue> ReadAndLogUnlessEmpty(const char* key, Presence presence, const char* parameterName,
                                                   const char* logName);
  void Log(const char* logName, const QK_TString& value);

  // The raw parameter value, or null when the ticket has no such key.
  const QK_TAny* Parameter(const char* key) const;

  // Replaces the variable-substitution names of `in`; a name that cannot be
  // resolved is reported ("shapejobs.message.couldnotresolve") and thrown as
  // QK_EException.
  QK_TString& ResolveVeltropName(QK_TString& out, const QK_TString& in);
  // Parses the input file on first use; the family's not-well-formed class
  // when it is not XML.
  bool LoadTicketXml();
  // The string value of the node that the XPath of `value` (with its
  // "xpath:" prefix) selects in the input file.
  void EvaluateParamXPath(const QK_TString& value, QK_TString& out, const char* parameterName);

  // The loaded input document (null before LoadTicketXml), for builders
  // that evaluate node lists themselves.
  xalanc::XalanDocument* Document() const { return document_; }
  xalanc::XalanSourceTreeDOMSupport* DOMSupport() const { return domSupport_.get(); }
  // The liaison that owns the loaded document (null before LoadTicketXml).
  xalanc::XalanSourceTreeParserLiaison* Liaison() const { return liaison_.get(); }
  const TicketFamily& Family() const { return family_; }
  TW_TTask& Task() const { return task_; }

 private:
  TW_TTask& task_;
  AT_TTicket& ticket_;
  const QK_TURL& inputFile_;
  const TicketFamily& family_;
  bool loaded_ = false;
  std::unique_ptr<xalanc::XalanSourceTreeDOMSupport> domSupport_;
  std::unique_ptr<xalanc::XalanSourceTreeParserLiaison> liaison_;
  xalanc::XalanDocument* document_ = nullptr;
};

// Keeps the XML library started while a builder lives. A builder declares
// it before its TicketReader, so the parsed document goes first.
class XmlLibraryScope {
 public:
  XmlLibraryScope();
  ~XmlLibraryScope();
  XmlLibraryScope(const XmlLibraryScope&) = delete;
  XmlLibraryScope& operator=(const XmlLibraryScope&) = delete;
};

// The text of a parameter as the ticket holds it (not resolved, not
// trimmed); "" for a missing optional key. A missing mandatory key, or a
// value that is not a text, throws QK_EException naming the key.
QK_TString TicketText(const TicketReader& reader, const char* key, TicketReader::Presence presence);

// The number at the start of a VERSION value (leading blanks and a sign
// allowed, anything after the digits ignored); nothing when there is no
// number there or it does not fit an int.
std::optional<std::int32_t> ParseVersion(const QK_TString& text);

// A design in the enterprise database: "@project:name", or
// "@project:version:name" for a version of 1 or more.
QK_TString DatabaseReference(const QK_TString& project, std::int32_t version, const QK_TString& name);

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

// Reads the design description and the people of a new design (all
// optional keys), logging each one.
void ReadDesignPeople(TicketReader& reader, DBInfo& info);

// The entity expansions an input document may make (character references
// and the predefined entities do not count). Small, since the documents
// that tickets bring need few, and each expansion feeds text that the
// parsed trees copy.
constexpr XMLSize_t kEntityExpansionLimit = 1000;

// A line or column of an XPath engine error, -1 when it is unknown (the
// engine marks that with the largest value of its type).
template <class Position>
long long XPathErrorPosition(Position position) {
  return position == static_cast<Position>(-1) ? -1LL : static_cast<long long>(position);
}

// True when the XPath `expression` calls document(): ticket XPaths may not
// reach other documents.
bool CallsDocument(const QK_TString& expression);

// True when `value` is an "xpath:" value.
bool IsXPathValue(const QK_TString& value);

// A command script as the CAD application runs it: "EXE " and the script's
// path; "file:" and "EXE file:" prefixes are dropped (the latter only when
// the first did not apply to an XPath value); a value already beginning
// with "EXE" stays; an empty value stays empty.
QK_TString NormaliseCommandScript(const TicketValue& script);

// UTF-8 transcoding for the SAX handlers; the results belong to the caller
// and are released on `manager`.
XMLCh* Utf8ToXMLCh(const char* text, std::size_t length, xercesc::MemoryManager* manager);
XMLCh* Utf8ToXMLCh(const std::string& text, xercesc::MemoryManager* manager);
char* XMLChToUtf8(const XMLCh* text, std::size_t length, xercesc::MemoryManager* manager);
std::string XMLChToUtf8String(const XMLCh* text);
// The UTF-16 text of `text`, owned by the string.
std::u16string ToXmlText(const QK_TString& text);
// Texts to and from the XPath engine, and the string value of a node.
xalanc::XalanDOMString ToXalan(const QK_TString& text);
QK_TString FromXalan(const xalanc::XalanDOMString& text);
QK_TString NodeText(const xalanc::XalanNode& node);
std::string XMLChToUtf8String(const XMLCh* text, std::size_t length);

}  // namespace CAD
