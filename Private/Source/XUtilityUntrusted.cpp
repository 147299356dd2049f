// XUtility's reader of untrusted XML: the file opened here, never by the
// parser, and a budget of depth and text that every event of a parse is
// counted against before a handler or a tree sees it.
#include <cerrno>
#include <memory>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

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
#include <xercesc/sax2/ContentHandler.hpp>
#include <xercesc/sax2/LexicalHandler.hpp>
#include <xercesc/sax2/SAX2XMLReader.hpp>
#include <xercesc/sax2/XMLReaderFactory.hpp>
#include <xercesc/util/BinInputStream.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/SecurityManager.hpp>
#include <xercesc/util/XMLString.hpp>
#include <xercesc/util/XMLUni.hpp>

#include "QK_TXml.h"
#include "XUtilityXml.h"

namespace CAD {

namespace {

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
      ThrowParseError(throwNotWellFormed, sourceFile, -1, -1, file.LocalName() + ": " + e.QK_Message());
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
    ThrowParseError(throwNotWellFormed, sourceFile, static_cast<long long>(e.getLineNumber()),
                    static_cast<long long>(e.getColumnNumber()), FromXerces(e.getMessage()));
  }
}

}  // namespace

QK_TString ParseErrorText(long long line, long long column, const QK_TString& message) {
  return QK_TString::Format("Error at line %lld column %lld:%s", line, column, message.c_str());
}

void ThrowParseError(ThrowFunction throwNotWellFormed, const char* sourceFile, long long line, long long column,
                     const QK_TString& message) {
  throwNotWellFormed(ParseErrorText(line, column, message), sourceFile, __LINE__);
  QK_NotReached();
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

}  // namespace CAD
