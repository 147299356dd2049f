// What the tests of the design-information operations share: elements
// written as text, files read back, and an operation double on a task that
// records what it reports.
#pragma once

#include <gmock/gmock.h>

#include <fstream>
#include <sstream>
#include <string>
#include <xercesc/dom/DOM.hpp>

#include "DRAVOInterface.h"
#include "OperationDriver.h"
#include "XUtilityXml.h"

// `node` as XML text, without a declaration.
inline std::string XmlText(const xercesc::DOMNode& node) {
  auto* ls = dynamic_cast<xercesc::DOMImplementationLS*>(
      xercesc::DOMImplementationRegistry::getDOMImplementation(u"LS"));
  CAD::DomPtr<xercesc::DOMLSSerializer> serializer(ls->createLSSerializer());
  serializer->getDomConfig()->setParameter(xercesc::XMLUni::fgDOMXMLDeclaration, false);
  XMLCh* text = serializer->writeToString(&node);
  const std::string result = CAD::FromXerces(text).str();
  xercesc::XMLString::release(&text);
  return result;
}

// The root element of the XML file at `path` as text.
inline std::string XmlFileText(const std::string& path) {
  const CAD::XmlDocument document =
      CAD::DRAVOInterface::ParseXMLFile(QK_TURL::FromLocalPath(QK_TString(path)));
  return XmlText(*document->getDocumentElement());
}

inline std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

// A parent element "Extra" of a fresh document, for the writers to fill.
class ExtraElement {
 public:
  ExtraElement() : document_(CAD::CreateXmlDocument("Extra")) {}
  xercesc::DOMDocument& document() { return *document_; }
  xercesc::DOMElement& element() { return *document_->getDocumentElement(); }
  std::string Text() { return XmlText(element()); }

 private:
  CAD::XmlDocument document_;
};

// An operation double whose messages and temporary files go to a task.
class DesignInfoTest : public ::testing::Test {
 protected:
  ReportingTask task;
  ::testing::NiceMock<OperationDriver> cad{&task};
  TempFolder& folder = task.folder;
};
