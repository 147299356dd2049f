// XUtility's XML layer, under the ticket reader and the CAD operations:
// starting the XML libraries, texts between them and QK_TString, building
// and writing DOM documents, and the one reader of untrusted XML with its
// bounds. The checks of a ticket's XPath are in XUtilityXPath.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include <xercesc/util/XercesDefs.hpp>

#include "QK_EException.h"
#include "QK_TString.h"
#include "QK_TURL.h"

#include <xalanc/Include/PlatformDefinitions.hpp>

namespace XALAN_CPP_NAMESPACE {
class XalanDOMString;
class XalanNode;
}  // namespace XALAN_CPP_NAMESPACE

XERCES_CPP_NAMESPACE_BEGIN
class ContentHandler;
class DOMDocument;
class DOMElement;
class DOMNode;
class DTDHandler;
class LexicalHandler;
class MemoryManager;
class SecurityManager;
class XercesDOMParser;
XERCES_CPP_NAMESPACE_END

namespace CAD {

// Starts the XML libraries once per process (Xerces, then the XPath
// evaluator and the transformer of Xalan) and stops them in reverse order
// when the process ends. Safe to call any number of times.
void InitializeXmlLibraries();

// ---- texts ----

// The UTF-16 text of `text`, owned by the string.
std::u16string ToXmlText(const QK_TString& text);
// A text of the XML parser: `length` characters of it, or all of it (""
// for null).
QK_TString FromXerces(const XMLCh* text, std::size_t length);
QK_TString FromXerces(const XMLCh* text);
// Texts to and from the XPath engine, and the string value of a node.
xalanc::XalanDOMString ToXalan(const QK_TString& text);
QK_TString FromXalan(const xalanc::XalanDOMString& text);
QK_TString NodeText(const xalanc::XalanNode& node);
// The memory of the XPath engine's strings, trees and node lists.
xercesc::MemoryManager& XalanMemory();

// ---- DOM documents ----

// Releases what the DOM library hands out for the caller to release.
struct DomRelease {
  template <class T>
  void operator()(T* object) const {
    if (object != nullptr) object->release();
  }
};
template <class T>
using DomPtr = std::unique_ptr<T, DomRelease>;
using XmlDocument = DomPtr<xercesc::DOMDocument>;

// A new document whose root element is `rootName`.
XmlDocument CreateXmlDocument(const QK_TString& rootName);

// A new element `name` appended to `parent`; a name that is no XML name
// throws the DOM library's exception.
xercesc::DOMElement* AppendElement(xercesc::DOMDocument& document, xercesc::DOMNode& parent, const QK_TString& name);
// A new element `name` holding `text`, appended to `parent`.
void AppendTextElement(xercesc::DOMDocument& document, xercesc::DOMNode& parent, const QK_TString& name,
                       const QK_TString& text);

// Writes `document` to the file at `target` with the serializer's defaults,
// the one way the program writes an XML document. A document the serializer
// does not complete throws QK_EException; a file that cannot be written
// whole throws QK_ECouldNotWriteFile (the system's reason and the path) and
// leaves no file behind.
void WriteXmlDocument(const xercesc::DOMDocument& document, const QK_TURL& target);

// ---- how a reader fails ----

// Throws an exception class with `message`, recording `sourceFile` and
// `line`; never returns.
using ThrowFunction = void (*)(const QK_TString& message, const char* sourceFile, unsigned int line);

// Builds a ThrowFunction from a class.
template <class Exception>
[[noreturn]] void ThrowTicketException(const QK_TString& message, const char* sourceFile, unsigned int line) {
  Exception exception(message);
  exception.__PREPARE_FOR_THROW__(line, sourceFile).Throw();
  QK_NotReached();
}

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

// Why `file` cannot be an input: its name holds a NUL character, or it is
// there but not a regular file (a folder, a pipe, a device). Nothing when it
// may be, and for a file that is missing or cannot be looked at, which its
// reader reports as it always has.
std::optional<QK_TString> IrregularInputProblem(const QK_TURL& file);

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
// Ends a read as `throwNotWellFormed`, recording `sourceFile`, with the
// ParseErrorText of `line`, `column` and `message`.
[[noreturn]] void ThrowParseError(ThrowFunction throwNotWellFormed, const char* sourceFile, long long line,
                                  long long column, const QK_TString& message);

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

// Sets `parser` up for untrusted XML: no validation, schema or namespace
// processing, no DTD or external entity, and `limits` (which must outlive
// the parse) bounding entity expansion. Depth and expansion text are
// bounded only by ParseUntrustedDom.
void ConfigureUntrustedDomParser(xercesc::XercesDOMParser& parser, xercesc::SecurityManager& limits);

// The DOM of `file`, without namespace processing, within all the bounds
// above.
DomPtr<xercesc::DOMDocument> ParseUntrustedDom(const QK_TURL& file, ThrowFunction throwNotWellFormed,
                                               const char* sourceFile);

}  // namespace CAD
