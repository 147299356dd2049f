// XML documents of the CAD operations: texts written as files, files parsed
// into DOM documents, and the kind of document a file describes.
#include <xercesc/dom/DOM.hpp>
#include <xercesc/framework/LocalFileInputSource.hpp>
#include <xercesc/parsers/XercesDOMParser.hpp>
#include <xercesc/sax/HandlerBase.hpp>
#include <xercesc/sax/SAXParseException.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/SecurityManager.hpp>

#include "DRAVOInterface.h"
#include "DravoException.h"
#include "QK_TFile.h"
#include "ShapejobCodes.h"
#include "XUtilityXml.h"

namespace CAD {

namespace {

const QK_TString kXmlDeclaration(L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");

// The document kinds by the name of the element that tells them.
struct DocumentKindName {
  const char* element;
  const char* kind;
};
const DocumentKindName kDocumentKinds[] = {{"DESIGN", "DESIGN"}, {"LAYOUT", "MFG"}};

// Within the bounds of every untrusted document: a regular file, a depth
// and an entity text that are bounded.
XmlDocument ParseWithParser(const QK_TURL& file) {
  DomPtr<xercesc::DOMDocument> document =
      ParseUntrustedDom(file, &ThrowTicketException<InvalidXMLException>, __FILE__);
  return XmlDocument(document.release());
}

}  // namespace

void DRAVOInterface::WriteXMLText(const QK_TString& xml, const QK_TURL& target) {
  Report(Severity::kInformation, QK_TFileInfo::ExistsEx(target) ? "shapejobs.info.Overwriting" : "shapejobs.info.Writing",
         QK_TAny(target));
  // A text that declares itself (the CAD application's document XML does)
  // must not get a second declaration: the file would not parse.
  QK_TFile::WriteAll(target, xml.StartsWith("<?xml") ? xml : kXmlDeclaration + xml);
}

XmlDocument DRAVOInterface::ParseXMLFile(const QK_TURL& file) {
  // Started once for the process, so the document outlives this call.
  InitializeXmlLibraries();
  try {
    return ParseWithParser(file);
  } catch (const xercesc::OutOfMemoryException& e) {
    QK_THROW(QK_EOutOfMemory(FromXerces(e.getMessage())));
  } catch (const xercesc::XMLException& e) {
    QK_THROW(QK_EException(QK_TString::Format("XML exception at line %d in file %s:%s",
                                              static_cast<int>(e.getSrcLine()), file.LocalName().c_str(),
                                              FromXerces(e.getMessage()).c_str())));
  } catch (const xercesc::SAXParseException& e) {
    QK_THROW(InvalidXMLException(ParseErrorText(static_cast<long long>(e.getLineNumber()),
                                                static_cast<long long>(e.getColumnNumber()),
                                                FromXerces(e.getMessage()))));
  } catch (const xercesc::SAXException& e) {
    QK_THROW(QK_EException(FromXerces(e.getMessage())));
  } catch (const xercesc::DOMException& e) {
    QK_THROW(QK_EException(FromXerces(e.getMessage())));
  }
}

QK_TString DRAVOInterface::GetDocumentKind(const QK_TURL& file) {
  const XmlDocument document = ParseXMLFile(file);
  for (xercesc::DOMNode* node = document->getFirstChild(); node != nullptr; node = node->getNextSibling()) {
    if (node->getNodeType() != xercesc::DOMNode::ELEMENT_NODE) continue;
    const QK_TString name = FromXerces(node->getNodeName());
    for (const DocumentKindName& known : kDocumentKinds) {
      if (name == known.element) return QK_TString(known.kind);
    }
  }
  return QK_TString();
}

}  // namespace CAD
