#include "XUtility.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <stdexcept>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include <xalanc/DOMSupport/DOMServices.hpp>
#include <xalanc/DOMSupport/XalanDocumentPrefixResolver.hpp>
#include <xalanc/PlatformSupport/XSLException.hpp>
#include <xalanc/XPath/NodeRefList.hpp>
#include <xalanc/XPath/XObject.hpp>
#include <xalanc/XPath/XPathEvaluator.hpp>
#include <xalanc/XalanDOM/XalanNode.hpp>
#include <xalanc/XalanSourceTree/XalanSourceTreeContentHandler.hpp>
#include <xalanc/XalanSourceTree/XalanSourceTreeDOMSupport.hpp>
#include <xalanc/XalanSourceTree/XalanSourceTreeDocument.hpp>
#include <xalanc/XalanSourceTree/XalanSourceTreeInit.hpp>
#include <xalanc/XalanSourceTree/XalanSourceTreeParserLiaison.hpp>
#include <xalanc/XalanTransformer/XalanSourceTreeWrapperParsedSource.hpp>
#include <xalanc/XalanTransformer/XalanTransformer.hpp>
#include <xercesc/dom/DOMDocument.hpp>
#include <xercesc/dom/DOMImplementation.hpp>
#include <xercesc/dom/DOMImplementationLS.hpp>
#include <xercesc/dom/DOMImplementationRegistry.hpp>
#include <xercesc/dom/DOMLSOutput.hpp>
#include <xercesc/dom/DOMLSSerializer.hpp>
#include <xercesc/dom/DOMElement.hpp>
#include <xercesc/dom/DOMText.hpp>
#include <xercesc/framework/MemBufFormatTarget.hpp>
#include <xercesc/framework/XMLAttr.hpp>
#include <xercesc/framework/XMLElementDecl.hpp>
#include <xercesc/internal/XMLScanner.hpp>
#include <xercesc/parsers/XercesDOMParser.hpp>
#include <xercesc/sax/DTDHandler.hpp>
#include <xercesc/sax/ErrorHandler.hpp>
#include <xercesc/sax/InputSource.hpp>
#include <xercesc/sax/Locator.hpp>
#include <xercesc/sax/SAXParseException.hpp>
#include <xercesc/sax2/Attributes.hpp>
#include <xercesc/sax2/LexicalHandler.hpp>
#include <xercesc/sax2/SAX2XMLReader.hpp>
#include <xercesc/sax2/XMLReaderFactory.hpp>
#include <xercesc/util/BinInputStream.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/SecurityManager.hpp>
#include <xercesc/util/TransService.hpp>
#include <xercesc/util/XMLString.hpp>
#include <xercesc/util/XMLUni.hpp>

#include "QK_EException.h"
#include "QK_TFile.h"
#include "QK_TXml.h"
#include "ShapejobCodes.h"
#include "TaskError.h"

namespace CAD {

namespace {

const char kXPathPrefix[] = "xpath:";

struct DesignPersonKey {
  const char* key;
  const char* parameterName;
  const char* logName;
  QK_TString DBInfo::*field;
};

const DesignPersonKey kDesignPeople[] = {
    {"DESIGN_DESC", "DesignDescription", "designDescription", &DBInfo::designDescription},
    {"CUSTOMER_NAME", "CustomerName", "customerName", &DBInfo::customerName},
    {"CUSTOMER_LOCATION", "CustomerLocation", "customerLocation", &DBInfo::customerLocation},
    {"OWNER_NAME", "OwnerName", "ownerName", &DBInfo::ownerName},
    {"OWNER_LOCATION", "OwnerLocation", "ownerLocation", &DBInfo::ownerLocation},
    {"SALESPERSON_FIRST_NAME", "SalespersonFirstName", "salespersonFirstName", &DBInfo::salespersonFirstName},
    {"SALESPERSON_LAST_NAME", "SalespersonLastName", "salespersonLastName", &DBInfo::salespersonLastName},
    {"DESIGNER_FIRST_NAME", "DesignerFirstName", "designerFirstName", &DBInfo::designerFirstName},
    {"DESIGNER_LAST_NAME", "DesignerLastName", "designerLastName", &DBInfo::designerLastName},
};

void TerminateXmlLibraries() {
  xalanc::XalanTransformer::terminate();
  xalanc::XPathEvaluator::terminate();
  xercesc::XMLPlatformUtils::Terminate();
}

xalanc::MemoryManager& XalanMemory() { return xalanc::XalanMemMgrs::getDefaultXercesMemMgr(); }

// Errors of the document end the parse as the exception that describes
// them; warnings are passed over.
class ThrowingErrorHandler : public xercesc::ErrorHandler {
 public:
  void warning(const xercesc::SAXParseException&) override {}
  void error(const xercesc::SAXParseException& e) override { throw e; }
  void fatalError(const xercesc::SAXParseException& e) override { throw e; }
  void resetErrors() override {}
};

// What a parser of untrusted XML is given; declared before the parser,
// which must not outlive it.
struct ParseLimits {
  ParseLimits() { securityManager.setEntityExpansionLimit(kEntityExpansionLimit); }
  xercesc::SecurityManager securityManager;
  ThrowingErrorHandler errors;
};

// The bytes of a file read through a descriptor that its owner keeps open
// for the parse.
class DescriptorStream : public xercesc::BinInputStream {
 public:
  explicit DescriptorStream(int descriptor) : descriptor_(descriptor) {}
  XMLFilePos curPos() const override { return position_; }
  XMLSize_t readBytes(XMLByte* into, XMLSize_t most) override {
    ssize_t count;
    do {
      count = read(descriptor_, into, most);
    } while (count < 0 && errno == EINTR);
    // A failed read ends the input, which the parser reports as a document
    // that ends too early.
    if (count <= 0) return 0;
    position_ += static_cast<XMLFilePos>(count);
    return static_cast<XMLSize_t>(count);
  }
  const XMLCh* getContentType() const override { return nullptr; }

 private:
  int descriptor_;
  XMLFilePos position_ = 0;
};

// An untrusted document opened for one parse (by QK_TXml::OpenDocument:
// without blocking, and only a regular file): a folder, a pipe or a device
// (such as /dev/zero) could block the parse, feed it without end, or fail
// inside the parser, where the library's error paths lose memory. The
// parser reads through the descriptor, so the file checked is the file read.
class UntrustedFile : public xercesc::InputSource {
 public:
  UntrustedFile(const QK_TURL& file, ThrowFunction throwNotWellFormed, const char* sourceFile)
      : InputSource(ToXmlText(file.LocalName()).c_str()) {
    try {
      descriptor_ = QK_TXml::OpenDocument(file, size_);
    } catch (const QK_EException& e) {
      throwNotWellFormed(ParseErrorText(-1, -1, file.LocalName() + ": " + e.QK_Message()), sourceFile, __LINE__);
    }
  }
  ~UntrustedFile() override { close(descriptor_); }
  UntrustedFile(const UntrustedFile&) = delete;
  UntrustedFile& operator=(const UntrustedFile&) = delete;

  xercesc::BinInputStream* makeStream() const override { return new DescriptorStream(descriptor_); }
  std::uint64_t Size() const { return size_; }

 private:
  int descriptor_ = -1;
  std::uint64_t size_ = 0;
};

// What a parse has delivered of a document, against its bounds: how deep
// its open elements nest, and how much text (names, values, character
// data, comments) it has grown to. Without entity references a parse
// delivers no more text than the document holds, so what it delivers
// beyond the document's size came from its entities (or attribute
// defaults). A bound passed ends the parse as an error of the document.
class DocumentBudget {
 public:
  explicit DocumentBudget(std::uint64_t documentSize) : text_(documentSize + kEntityExpansionText) {}

  void SetLocator(const xercesc::Locator* locator) { locator_ = locator; }
  // An element opens: its name, with the "<", "/" and ">" that the document
  // spends on it at least.
  void Open(const XMLCh* name) {
    if (depth_ >= kMaximumElementDepth) {
      Refuse(QK_TString::Format("elements nest deeper than %zu levels", kMaximumElementDepth));
    }
    ++depth_;
    Spend(xercesc::XMLString::stringLen(name) + 3);
  }
  void Close() { --depth_; }
  // An attribute: its name and value, with "=", quotes and a blank.
  void Attribute(const XMLCh* name, const XMLCh* value) {
    Spend(xercesc::XMLString::stringLen(name) + xercesc::XMLString::stringLen(value) + 4);
  }
  void Spend(std::uint64_t amount) {
    if (amount > text_) {
      Refuse(QK_TString::Format("entity references expand the document by more than %llu characters",
                                static_cast<unsigned long long>(kEntityExpansionText)));
    }
    text_ -= amount;
  }
  void Spend(const XMLCh* text) { Spend(xercesc::XMLString::stringLen(text)); }

 private:
  [[noreturn]] void Refuse(const QK_TString& reason) const {
    const std::u16string message = ToXmlText(reason);
    if (locator_ != nullptr) throw xercesc::SAXParseException(message.c_str(), *locator_);
    throw xercesc::SAXParseException(message.c_str(), nullptr, nullptr, 0, 0);
  }

  std::uint64_t text_;
  std::size_t depth_ = 0;
  const xercesc::Locator* locator_ = nullptr;
};

// Passes the events of a SAX pass on to its handlers, counting them
// against the document's budget first, so that no handler sees a document
// beyond its bounds.
class BoundedSaxHandlers : public xercesc::ContentHandler,
                           public xercesc::LexicalHandler,
                           public xercesc::DTDHandler {
 public:
  BoundedSaxHandlers(const SaxHandlers& handlers, std::uint64_t documentSize)
      : to_(handlers), budget_(documentSize) {}

  void characters(const XMLCh* const text, const XMLSize_t length) override {
    budget_.Spend(length);
    to_.content->characters(text, length);
  }
  void endDocument() override { to_.content->endDocument(); }
  void endElement(const XMLCh* const uri, const XMLCh* const localName, const XMLCh* const qualifiedName) override {
    budget_.Close();
    to_.content->endElement(uri, localName, qualifiedName);
  }
  void ignorableWhitespace(const XMLCh* const text, const XMLSize_t length) override {
    budget_.Spend(length);
    to_.content->ignorableWhitespace(text, length);
  }
  void processingInstruction(const XMLCh* const target, const XMLCh* const data) override {
    budget_.Spend(target);
    budget_.Spend(data);
    to_.content->processingInstruction(target, data);
  }
  void setDocumentLocator(const xercesc::Locator* const locator) override {
    budget_.SetLocator(locator);
    to_.content->setDocumentLocator(locator);
  }
  void startDocument() override { to_.content->startDocument(); }
  void startElement(const XMLCh* const uri, const XMLCh* const localName, const XMLCh* const qualifiedName,
                    const xercesc::Attributes& attributes) override {
    budget_.Open(qualifiedName);
    for (XMLSize_t i = 0; i < attributes.getLength(); ++i) {
      budget_.Attribute(attributes.getQName(i), attributes.getValue(i));
    }
    to_.content->startElement(uri, localName, qualifiedName, attributes);
  }
  void startPrefixMapping(const XMLCh* const prefix, const XMLCh* const uri) override {
    to_.content->startPrefixMapping(prefix, uri);
  }
  void endPrefixMapping(const XMLCh* const prefix) override { to_.content->endPrefixMapping(prefix); }
  void skippedEntity(const XMLCh* const name) override { to_.content->skippedEntity(name); }

  // Set as the lexical handler only when the pass has one.
  void comment(const XMLCh* const text, const XMLSize_t length) override {
    budget_.Spend(length);
    to_.lexical->comment(text, length);
  }
  void endCDATA() override { to_.lexical->endCDATA(); }
  void endDTD() override { to_.lexical->endDTD(); }
  void endEntity(const XMLCh* const name) override { to_.lexical->endEntity(name); }
  void startCDATA() override { to_.lexical->startCDATA(); }
  void startDTD(const XMLCh* const name, const XMLCh* const publicId, const XMLCh* const systemId) override {
    to_.lexical->startDTD(name, publicId, systemId);
  }
  void startEntity(const XMLCh* const name) override { to_.lexical->startEntity(name); }

  // Set as the DTD handler only when the pass has one.
  void notationDecl(const XMLCh* const name, const XMLCh* const publicId, const XMLCh* const systemId) override {
    to_.dtd->notationDecl(name, publicId, systemId);
  }
  void unparsedEntityDecl(const XMLCh* const name, const XMLCh* const publicId, const XMLCh* const systemId,
                          const XMLCh* const notationName) override {
    to_.dtd->unparsedEntityDecl(name, publicId, systemId, notationName);
  }
  void resetDocType() override { to_.dtd->resetDocType(); }

 private:
  const SaxHandlers& to_;
  DocumentBudget budget_;
};

// The DOM parser of untrusted XML: the scanner's events are counted
// against the document's budget before the tree grows by them.
class BoundedDomParser : public xercesc::XercesDOMParser {
 public:
  explicit BoundedDomParser(std::uint64_t documentSize)
      : XercesDOMParser(nullptr, xercesc::XMLPlatformUtils::fgMemoryManager), budget_(documentSize) {}

  void startDocument() override {
    budget_.SetLocator(getScanner()->getLocator());
    XercesDOMParser::startDocument();
  }
  void startElement(const xercesc::XMLElementDecl& declaration, const unsigned int uriId, const XMLCh* const prefix,
                    const xercesc::RefVectorOf<xercesc::XMLAttr>& attributes, const XMLSize_t count,
                    const bool isEmpty, const bool isRoot) override {
    budget_.Open(declaration.getFullName());
    for (XMLSize_t i = 0; i < count; ++i) {
      budget_.Attribute(attributes.elementAt(i)->getQName(), attributes.elementAt(i)->getValue());
    }
    // The tree builder ends an empty element itself, through endElement.
    XercesDOMParser::startElement(declaration, uriId, prefix, attributes, count, isEmpty, isRoot);
  }
  void endElement(const xercesc::XMLElementDecl& declaration, const unsigned int uriId, const bool isRoot,
                  const XMLCh* const prefix) override {
    budget_.Close();
    XercesDOMParser::endElement(declaration, uriId, isRoot, prefix);
  }
  void docCharacters(const XMLCh* const text, const XMLSize_t length, const bool cdataSection) override {
    budget_.Spend(length);
    XercesDOMParser::docCharacters(text, length, cdataSection);
  }
  void ignorableWhitespace(const XMLCh* const text, const XMLSize_t length, const bool cdataSection) override {
    budget_.Spend(length);
    XercesDOMParser::ignorableWhitespace(text, length, cdataSection);
  }
  void docComment(const XMLCh* const text) override {
    budget_.Spend(text);
    XercesDOMParser::docComment(text);
  }
  void docPI(const XMLCh* const target, const XMLCh* const data) override {
    budget_.Spend(target);
    budget_.Spend(data);
    XercesDOMParser::docPI(target, data);
  }

 private:
  DocumentBudget budget_;
};

// Parses `source` with `parser`; an error of the document ends the parse as
// `throwNotWellFormed`.
template <class Parser>
void ParseReportingErrors(Parser& parser, const xercesc::InputSource& source, ThrowFunction throwNotWellFormed,
                          const char* sourceFile) {
  try {
    parser.parse(source);
  } catch (const xercesc::SAXParseException& e) {
    throwNotWellFormed(ParseErrorText(static_cast<long long>(e.getLineNumber()),
                                      static_cast<long long>(e.getColumnNumber()), FromXerces(e.getMessage())),
                       sourceFile, __LINE__);
  }
}

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

// A line or column of an XPath engine error, -1 when it is unknown (the
// engine marks that with the largest value of its type).
template <class Position>
long long XPathErrorPosition(Position position) {
  return position == static_cast<Position>(-1) ? -1LL : static_cast<long long>(position);
}

// Reports an error of the XPath engine as `messageKey` with `arguments`,
// then its line, column and text, and ends the input.
[[noreturn]] void FailXPathEngine(TW_TTask& task, const char* messageKey, std::vector<QK_TAny> arguments,
                                  const xalanc::XSLException& e) {
  arguments.insert(arguments.end(),
                   {QK_TAny(XPathErrorPosition(e.getLineNumber())), QK_TAny(XPathErrorPosition(e.getColumnNumber())),
                    QK_TAny(FromXalan(e.getMessage()))});
  task.AddMessage(Severity::kError, messageKey, arguments);
  QK_THROW(TaskError());
}

bool EndsWithText(const QK_TString& expression) { return expression.EndsWith("/text()"); }

std::shared_ptr<CustomVariable> MakeCustomVariable(const QK_TString& name, const QK_TString& type,
                                                   const QK_TString& expression) {
  auto variable = std::make_shared<CustomVariable>();
  variable->name = name;
  variable->type = type;
  variable->expression = expression;
  return variable;
}

}  // namespace

void InitializeXmlLibraries() {
  static std::once_flag once;
  std::call_once(once, [] {
    xercesc::XMLPlatformUtils::Initialize();
    xalanc::XPathEvaluator::initialize();
    xalanc::XalanTransformer::initialize();
    std::atexit(TerminateXmlLibraries);
  });
}

// ---- TicketReader: the ticket as it holds it ----

TicketReader::TicketReader(TW_TTask& task, AT_TTicket& ticket, const QK_TURL& inputFile, const TicketFamily& family)
    : task_(task), ticket_(ticket), inputFile_(inputFile), family_(family) {
  InitializeXmlLibraries();
}

TicketReader::~TicketReader() = default;

const QK_TAny* TicketReader::Parameter(const char* key, Presence presence, QK_TAny::Kind kind,
                                       const char* kindName) const {
  const QK_TAny* value = ticket_.GetParameters().Find(key);
  if (value == nullptr && presence == kMandatory) {
    QK_THROW(QK_EException(QK_TString::Format("The ticket has no value for the mandatory parameter %s", key)));
  }
  if (value != nullptr && !value->Is(kind)) {
    QK_THROW(QK_EException(QK_TString::Format("The ticket parameter %s is a %s, not a %s", key,
                                              QK_TAny::KindName(value->GetKind()), kindName)));
  }
  return value;
}

QK_TString TicketReader::Text(const char* key, Presence presence) const {
  const QK_TAny* value = Parameter(key, presence, QK_TAny::Kind::String, "text");
  return value != nullptr ? value->AsString() : QK_TString();
}

bool TicketReader::Flag(const char* key, Presence presence) const {
  const QK_TAny* value = Parameter(key, presence, QK_TAny::Kind::Bool, "boolean");
  return value != nullptr && value->AsBool();
}

const QK_TArray& TicketReader::List(const char* key) const {
  return Parameter(key, kMandatory, QK_TAny::Kind::Array, "list")->AsArray();
}

const QK_TArray& TicketReader::DictList(const char* key) const {
  const QK_TArray& list = List(key);
  for (const QK_TAny& entry : list) Entry(entry, key);
  return list;
}

const QK_TDict& TicketReader::Entry(const QK_TAny& entry, const char* listKey) {
  if (!entry.Is(QK_TAny::Kind::Dict)) {
    QK_THROW(QK_EException(QK_TString::Format("An entry of the ticket parameter %s is a %s, not a dictionary",
                                              listKey, QK_TAny::KindName(entry.GetKind()))));
  }
  return entry.AsDict();
}

const QK_TString& TicketReader::EntryText(const QK_TDict& entry, const char* key, const char* listKey) {
  const QK_TAny* value = entry.Find(key);
  if (value == nullptr) {
    QK_THROW(QK_EException(QK_TString::Format("An entry of the ticket parameter %s has no %s", listKey, key)));
  }
  if (!value->Is(QK_TAny::Kind::String)) {
    QK_THROW(QK_EException(QK_TString::Format("The %s of an entry of the ticket parameter %s is a %s, not a text",
                                              key, listKey, QK_TAny::KindName(value->GetKind()))));
  }
  return value->AsString();
}

std::vector<std::vector<QK_TString>> TicketReader::ResolvedEntries(const char* listKey,
                                                                   const std::vector<const char*>& fields) {
  std::vector<std::vector<QK_TString>> entries;
  for (const QK_TAny& item : List(listKey)) {
    const QK_TDict& entry = Entry(item, listKey);
    std::vector<QK_TString>& texts = entries.emplace_back();
    for (const char* field : fields) texts.push_back(Resolve(EntryText(entry, field, listKey)).Trim());
  }
  return entries;
}

// ---- TicketReader: values ----

QK_TString TicketReader::Resolve(const QK_TString& text) {
  QK_TString resolved;
  if (!task_.GetTName().Resolve(text, resolved)) {
    task_.AddMessage(Severity::kError, "shapejobs.message.couldnotresolve", QK_TAny(text));
    QK_THROW(QK_EException(QK_TString::Format("Veltrop: %s failed to resolved:", text.c_str())));
  }
  return resolved;
}

TicketValue TicketReader::Value(const QK_TString& resolved, const char* parameterName) {
  const std::optional<QK_TString> xpath = XPathOf(resolved);
  if (!xpath) return {resolved.Trim()};
  return {EvaluateXPath(resolved, *xpath, parameterName).Trim(), true};
}

TicketValue TicketReader::ReadAndLog(const char* key, Presence presence, const char* parameterName,
                                     const char* logName) {
  TicketValue value = Read(key, presence, parameterName);
  Log(logName, value.value);
  return value;
}

TicketValue TicketReader::ReadAndLogUnlessEmpty(const char* key, Presence presence, const char* parameterName,
                                                const char* logName) {
  TicketValue value = Read(key, presence, parameterName);
  // What an XPath finds is logged even when empty; only an empty text is not.
  if (!value.Blank()) Log(logName, value.value);
  return value;
}

void TicketReader::Log(const char* logName, const QK_TString& value) {
  task_.AddMessage(Severity::kInformation, QK_TString::Format("shapejobs.%s.value", logName), QK_TAny(value));
}

// ---- TicketReader: XPaths ----

std::optional<QK_TString> TicketReader::XPathOf(const QK_TString& value) {
  if (!value.StartsWith(kXPathPrefix)) return std::nullopt;
  return value.Substring(sizeof kXPathPrefix - 1);
}

void TicketReader::RefuseDocumentCalls(const QK_TString& expression, const char* parameterName) const {
  if (CallsDocument(expression)) ThrowInvalidXPath(parameterName, expression);
  if (const std::optional<QK_TString> problem = UntrustedXPathProblem(expression)) {
    ThrowInvalidXPath(parameterName, expression, *problem);
  }
}

void TicketReader::ThrowInvalidXPath(const char* parameterName, const QK_TString& expression,
                                     const QK_TString& reason) const {
  QK_TString message = QK_TString::Format("Param Name : %s , Xpath : %s", parameterName, expression.c_str());
  if (!reason.Empty()) message += " , Reason : " + reason;
  family_.throwInvalidXPath(message, family_.sourceFile, __LINE__);
  QK_NotReached();
}

void TicketReader::LoadTicketXml() {
  if (document_ != nullptr) return;
  xalanc::XalanSourceTreeInit sourceTreeInit(XalanMemory());
  domSupport_ = std::make_unique<xalanc::XalanSourceTreeDOMSupport>();
  liaison_ = std::make_unique<xalanc::XalanSourceTreeParserLiaison>(*domSupport_);
  domSupport_->setParserLiaison(liaison_.get());
  // The tree is built by the untrusted-XML reader, so that the input gets
  // its limits.
  xalanc::XalanSourceTreeDocument* tree = liaison_->createXalanSourceTreeDocument();
  xalanc::XalanSourceTreeContentHandler builder(XalanMemory(), tree);
  try {
    ParseUntrustedXml(inputFile_, {&builder, &builder, &builder, true}, family_.throwNotWellFormed,
                      family_.sourceFile);
  } catch (const xercesc::XMLException& e) {
    // A file that cannot be read has no position in the document.
    family_.throwNotWellFormed(ParseErrorText(-1, -1, FromXerces(e.getMessage())), family_.sourceFile, __LINE__);
  }
  document_ = tree;
}

std::unique_ptr<xalanc::XalanParsedSource> TicketReader::ParsedInput() const {
  return std::make_unique<xalanc::XalanSourceTreeWrapperParsedSource>(liaison_->mapDocument(document_), *liaison_,
                                                                      *domSupport_);
}

QK_TString TicketReader::EvaluateXPath(const QK_TString& value, QK_TString expression, const char* parameterName) {
  LoadTicketXml();
  RefuseDocumentCalls(expression, parameterName);
  try {
    xalanc::XalanSourceTreeInit sourceTreeInit(XalanMemory());
    xalanc::XPathEvaluator evaluator;
    xalanc::XalanDocumentPrefixResolver resolver(document_);
    for (;;) {
      const xalanc::XalanDOMString xpath = ToXalan(expression);
      xalanc::XalanNode* node = evaluator.selectSingleNode(*domSupport_, document_, xpath.c_str(), resolver);
      if (node != nullptr) return NodeText(*node);
      if (!family_.retryWithoutText || !EndsWithText(expression)) break;
      expression = expression.Substring(0, expression.Length() - 7);
    }
  } catch (const xalanc::XSLException& e) {
    FailXPathEngine(task_, "shapejobs.message.xalanxpathevaluateexception",
                    {QK_TAny(parameterName), QK_TAny(value)}, e);
  }
  ThrowInvalidXPath(parameterName, expression);
}

std::vector<std::vector<QK_TString>> TicketReader::SelectNodeLists(const std::vector<ListXPath>& xpaths,
                                                                   SelectedText text,
                                                                   std::vector<QK_TAny> reportArguments) {
  for (const ListXPath& xpath : xpaths) RefuseDocumentCalls(xpath.expression, xpath.parameterName);
  LoadTicketXml();
  std::vector<std::vector<QK_TString>> lists;
  try {
    xalanc::XalanSourceTreeInit sourceTreeInit(XalanMemory());
    xalanc::XPathEvaluator evaluator;
    xalanc::XalanDocumentPrefixResolver resolver(document_);
    xalanc::XalanNode* context = nullptr;
    if (document_ != nullptr) {
      context = evaluator.selectSingleNode(*domSupport_, document_, ToXalan("/").c_str(), resolver);
    }
    if (context == nullptr) QK_THROW(QK_EException(QK_TString("ContextNode not found.")));
    for (const ListXPath& xpath : xpaths) {
      xalanc::NodeRefList nodes(XalanMemory());
      evaluator.selectNodeList(nodes, *domSupport_, context, ToXalan(xpath.expression).c_str(), resolver);
      std::vector<QK_TString>& texts = lists.emplace_back();
      for (xalanc::NodeRefList::size_type i = 0; i < nodes.getLength(); ++i) {
        const xalanc::XalanNode& node = *nodes.item(i);
        texts.push_back(text == SelectedText::kNodeValue ? FromXalan(node.getNodeValue()) : NodeText(node));
      }
    }
  } catch (const xalanc::XSLException& e) {
    FailXPathEngine(task_, "shapejobs.message.xalanxpathevaluatevariablesexception", std::move(reportArguments), e);
  }
  return lists;
}

// ---- what several builders read ----

QK_TString DatabaseReference(const QK_TString& project, const QK_TString& version, const QK_TString& name) {
  if (version == "0") return QK_TString::Format("@%s:%s", project.c_str(), name.c_str());
  return QK_TString::Format("@%s:%s:%s", project.c_str(), version.c_str(), name.c_str());
}

QK_TString DatabaseReference(const QK_TString& project, std::int32_t version, const QK_TString& name) {
  return DatabaseReference(project, version <= 0 ? QK_TString("0") : QK_TString(std::to_string(version)), name);
}

void ReadDesignPeople(TicketReader& reader, DBInfo& info) {
  for (const DesignPersonKey& person : kDesignPeople) {
    info.*person.field = reader.ReadAndLog(person.key, kOptional, person.parameterName, person.logName).value;
  }
}

std::int32_t VersionNumber(TicketReader& reader, const QK_TString& version) {
  if (version.Empty()) return 0;  // an XPath that found an empty version
  try {
    return std::stoi(version.str(), nullptr, 10);
  } catch (const std::logic_error&) {  // no number, or one that does not fit
    reader.Task().AddMessage(Severity::kError, "shapejobs.message.invalidversion", QK_TAny(version));
    QK_THROW(TaskError());
  }
}

void ReadEnterpriseDesign(TicketReader& reader, const char* nameKey, const char* nameLogName,
                          const EnterpriseDesign& into) {
  const TicketValue project = reader.ReadAndLogUnlessEmpty("PROJECT_NAME", kMandatory, "ProjectName", "projectname");
  if (!project.Blank()) into.project = project.value;
  const TicketValue name = reader.ReadAndLogUnlessEmpty(nameKey, kMandatory, "Enterprise-StandardName", nameLogName);
  if (!name.Blank()) into.name = name.value;
  const TicketValue version = reader.ReadAndLogUnlessEmpty("VERSION", kMandatory, "Version", "version");
  if (!version.Blank()) into.version = VersionNumber(reader, version.value);
}

void ReadCommandScript(TicketReader& reader, QK_TString& into) {
  const QK_TString script =
      NormaliseCommandScript(reader.ReadAndLog("COMMAND_SCRIPT", kMandatory, "CommandScript", "commandscript"));
  if (!script.Empty()) into = script;
}

CustomVariableList ReadCustomVariableList(TicketReader& reader, const char* key) {
  CustomVariableList variables;
  for (const std::vector<QK_TString>& texts : reader.ResolvedEntries(key, {"KEY", "TYPE", "EXPRESSION"})) {
    variables.push_back(MakeCustomVariable(texts[0], texts[1], texts[2]));
  }
  return variables;
}

std::optional<CustomVariableXPaths> ReadCustomVariableXPaths(TicketReader& reader) {
  CustomVariableXPaths values{reader.ResolvedText("VARIABLE_NAMES", kOptional),
                              reader.ResolvedText("VARIABLE_TYPES", kOptional),
                              reader.ResolvedText("VARIABLE_EXPRESSIONS", kOptional)};
  if (values.names.Empty() || values.types.Empty() || values.expressions.Empty()) {
    std::vector<QK_TAny> arguments = values.ReportArguments();
    arguments.insert(arguments.begin(), QK_TAny("Names : %s , Type : %s, Expression : %s"));
    reader.Task().AddMessage(Severity::kWarning, "StandardVariables.Type", arguments);
    return std::nullopt;
  }
  return values;
}

std::optional<CustomVariableList> SelectCustomVariables(TicketReader& reader, const CustomVariableXPaths& values,
                                                        const std::vector<ListXPath>& xpaths, SelectedText text) {
  const std::vector<std::vector<QK_TString>> lists = reader.SelectNodeLists(xpaths, text, values.ReportArguments());
  const std::size_t count = lists[0].size();
  if (count == 0 || lists[1].size() < count || lists[2].size() < count) return std::nullopt;
  CustomVariableList variables;
  for (std::size_t i = 0; i < count; ++i) {
    variables.push_back(MakeCustomVariable(lists[0][i].Trim(), lists[1][i].Trim(), lists[2][i].Trim()));
  }
  return variables;
}

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

// ---- numbers in ticket XPaths ----
//
// The XPath engine turns a number of some hundred digits into text in a
// fixed buffer that it overruns, so a ticket's XPath may not make large
// numbers: no number literal beyond kMaximumXPathDigits digits, no
// arithmetic, and none of the functions that turn texts of the input into
// numbers. What remains (location paths, predicates, comparisons, the text
// functions, count(), position(), last(), string-length()) only makes
// numbers the size of the document.

namespace {

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

std::optional<QK_TString> IrregularInputProblem(const QK_TURL& file) {
  const std::string& path = file.LocalName().str();
  struct stat facts {};
  const bool cutName = path.find('\0') != std::string::npos;
  if (!cutName && (stat(path.c_str(), &facts) != 0 || S_ISREG(facts.st_mode))) return std::nullopt;
  try {
    std::uint64_t size = 0;
    close(QK_TXml::OpenDocument(file, size));
  } catch (const QK_EException& e) {
    return e.QK_Message();
  }
  return std::nullopt;  // replaced by a regular file since it was looked at
}

QK_TString NormaliseCommandScript(const TicketValue& script) {
  QK_TString value = script.value;
  bool droppedFile = false;
  if (value.StartsWith("file:")) {
    value = value.Substring(5);
    droppedFile = true;
  }
  if (!(script.fromXPath && droppedFile) && value.StartsWith("EXE file:")) value = value.Substring(9);
  if (value.StartsWith("EXE")) return value;
  if (value.Empty()) return QK_TString();
  return QK_TString("EXE ") + value;
}

// ---- untrusted XML ----

QK_TString ParseErrorText(long long line, long long column, const QK_TString& message) {
  return QK_TString::Format("Error at line %lld column %lld:%s", line, column, message.c_str());
}

void ParseUntrustedXml(const QK_TURL& file, const SaxHandlers& handlers, ThrowFunction throwNotWellFormed,
                       const char* sourceFile) {
  const UntrustedFile input(file, throwNotWellFormed, sourceFile);
  BoundedSaxHandlers bounded(handlers, input.Size());
  ParseLimits limits;
  std::unique_ptr<xercesc::SAX2XMLReader> reader(xercesc::XMLReaderFactory::createXMLReader());
  reader->setFeature(xercesc::XMLUni::fgSAX2CoreNameSpaces, true);
  reader->setFeature(xercesc::XMLUni::fgSAX2CoreNameSpacePrefixes, handlers.namespaceDeclarationsAsAttributes);
  reader->setFeature(xercesc::XMLUni::fgSAX2CoreValidation, false);
  reader->setFeature(xercesc::XMLUni::fgXercesLoadExternalDTD, false);
  reader->setFeature(xercesc::XMLUni::fgXercesDisableDefaultEntityResolution, true);
  reader->setProperty(xercesc::XMLUni::fgXercesSecurityManager, &limits.securityManager);
  reader->setContentHandler(&bounded);
  if (handlers.lexical != nullptr) reader->setLexicalHandler(&bounded);
  if (handlers.dtd != nullptr) reader->setDTDHandler(&bounded);
  reader->setErrorHandler(&limits.errors);
  ParseReportingErrors(*reader, input, throwNotWellFormed, sourceFile);
}

void ConfigureUntrustedDomParser(xercesc::XercesDOMParser& parser, xercesc::SecurityManager& limits) {
  limits.setEntityExpansionLimit(kEntityExpansionLimit);
  parser.setValidationScheme(xercesc::XercesDOMParser::Val_Never);
  parser.setDoNamespaces(false);
  parser.setDoSchema(false);
  parser.setLoadExternalDTD(false);
  parser.setDisableDefaultEntityResolution(true);
  parser.setSecurityManager(&limits);
}

DomPtr<xercesc::DOMDocument> ParseUntrustedDom(const QK_TURL& file, ThrowFunction throwNotWellFormed,
                                               const char* sourceFile) {
  const UntrustedFile input(file, throwNotWellFormed, sourceFile);
  ParseLimits limits;
  BoundedDomParser parser(input.Size());
  ConfigureUntrustedDomParser(parser, limits.securityManager);
  parser.setErrorHandler(&limits.errors);
  ParseReportingErrors(parser, input, throwNotWellFormed, sourceFile);
  return DomPtr<xercesc::DOMDocument>(parser.adoptDocument());
}

void WriteXmlDocument(const xercesc::DOMDocument& document, const QK_TURL& target) {
  InitializeXmlLibraries();
  auto* ls = dynamic_cast<xercesc::DOMImplementationLS*>(
      xercesc::DOMImplementationRegistry::getDOMImplementation(u"LS"));
  if (ls == nullptr) QK_THROW(QK_EException(QK_TString("No DOM serializer is available")));
  DomPtr<xercesc::DOMLSSerializer> serializer(ls->createLSSerializer());
  DomPtr<xercesc::DOMLSOutput> output(ls->createLSOutput());
  // Made in memory first: the serializer's file target drops the errors of
  // its last write and of the close, the file writer reports them.
  xercesc::MemBufFormatTarget bytes;
  output->setByteStream(&bytes);
  if (!serializer->write(&document, output.get())) {
    QK_THROW(QK_EException(QK_TString("The XML document could not be serialised"), QK_TAny(target.LocalName())));
  }
  QK_TFile::WriteAll(target, QK_TString(std::string(reinterpret_cast<const char*>(bytes.getRawBuffer()),
                                                    static_cast<std::size_t>(bytes.getLen()))));
}

QK_TString RecordSAXHandler::EnterElement(const XMLCh* qualifiedName) {
  const QK_TString name = FromXerces(qualifiedName);
  path_ += "/";
  path_ += name;
  return name;
}

void RecordSAXHandler::AddText(const XMLCh* characters, XMLSize_t length) {
  text_ += FromXerces(characters, length);
}

void RecordSAXHandler::KeepText(const QK_TString& key) {
  record_.emplace(key, text_.Trim());
  text_ = QK_TString();
}

void RecordSAXHandler::EndRecord() {
  if (!record_.empty()) records_.push_back(std::move(record_));
  record_.clear();
  text_ = QK_TString();
}

// ---- texts ----

QK_TString FromXerces(const XMLCh* text, std::size_t length) {
  if (length == 0) return QK_TString();
  const xercesc::TranscodeToStr transcoded(text, length, "UTF-8");
  return QK_TString(std::string(reinterpret_cast<const char*>(transcoded.str())));
}

QK_TString FromXerces(const XMLCh* text) {
  return text != nullptr ? FromXerces(text, xercesc::XMLString::stringLen(text)) : QK_TString();
}

xercesc::DOMElement* AppendElement(xercesc::DOMDocument& document, xercesc::DOMNode& parent, const QK_TString& name) {
  xercesc::DOMElement* element = document.createElement(ToXmlText(name).c_str());
  parent.appendChild(element);
  return element;
}

void AppendTextElement(xercesc::DOMDocument& document, xercesc::DOMNode& parent, const QK_TString& name,
                       const QK_TString& text) {
  AppendElement(document, parent, name)->appendChild(document.createTextNode(ToXmlText(text).c_str()));
}

std::u16string ToXmlText(const QK_TString& text) {
  if (text.Empty()) return std::u16string();
  const std::string& bytes = text.str();
  const xercesc::TranscodeFromStr transcoded(reinterpret_cast<const XMLByte*>(bytes.data()), bytes.size(), "UTF-8");
  return std::u16string(transcoded.str());
}

// Through UTF-8 and UTF-16, so that characters outside the basic plane
// (surrogate pairs) stay whole.
QK_TString FromXalan(const xalanc::XalanDOMString& text) { return FromXerces(text.c_str(), text.length()); }

xalanc::XalanDOMString ToXalan(const QK_TString& text) {
  return xalanc::XalanDOMString(ToXmlText(text).c_str(), XalanMemory());
}

QK_TString NodeText(const xalanc::XalanNode& node) {
  xalanc::XalanDOMString text(XalanMemory());
  xalanc::DOMServices::getNodeData(node, text);
  return FromXalan(text);
}

}  // namespace CAD
