// XUtility's XML layer: starting the libraries, the texts between them and
// QK_TString, and building and writing DOM documents. The untrusted-XML
// reader is in XUtilityUntrusted.cpp.
#include "XUtilityXml.h"

#include <cstdlib>
#include <mutex>
#include <string>

#include <xalanc/DOMSupport/DOMServices.hpp>
#include <xalanc/XPath/XPathEvaluator.hpp>
#include <xalanc/XalanDOM/XalanDOMString.hpp>
#include <xalanc/XalanDOM/XalanNode.hpp>
#include <xalanc/XalanTransformer/XalanTransformer.hpp>
#include <xercesc/dom/DOMDocument.hpp>
#include <xercesc/dom/DOMElement.hpp>
#include <xercesc/dom/DOMImplementation.hpp>
#include <xercesc/dom/DOMImplementationLS.hpp>
#include <xercesc/dom/DOMImplementationRegistry.hpp>
#include <xercesc/dom/DOMLSOutput.hpp>
#include <xercesc/dom/DOMLSSerializer.hpp>
#include <xercesc/dom/DOMText.hpp>
#include <xercesc/framework/MemBufFormatTarget.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/TransService.hpp>
#include <xercesc/util/XMLString.hpp>

#include "QK_TAny.h"
#include "QK_TFile.h"

namespace CAD {

namespace {

void TerminateXmlLibraries() {
  xalanc::XalanTransformer::terminate();
  xalanc::XPathEvaluator::terminate();
  xercesc::XMLPlatformUtils::Terminate();
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

// ---- texts ----

QK_TString FromXerces(const XMLCh* text, std::size_t length) {
  if (length == 0) return QK_TString();
  const xercesc::TranscodeToStr transcoded(text, length, "UTF-8");
  return QK_TString(std::string(reinterpret_cast<const char*>(transcoded.str())));
}

QK_TString FromXerces(const XMLCh* text) {
  return text != nullptr ? FromXerces(text, xercesc::XMLString::stringLen(text)) : QK_TString();
}

std::u16string ToXmlText(const QK_TString& text) {
  if (text.Empty()) return std::u16string();
  const std::string& bytes = text.str();
  const xercesc::TranscodeFromStr transcoded(reinterpret_cast<const XMLByte*>(bytes.data()), bytes.size(), "UTF-8");
  return std::u16string(transcoded.str());
}

xercesc::MemoryManager& XalanMemory() { return xalanc::XalanMemMgrs::getDefaultXercesMemMgr(); }

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

// ---- DOM documents ----

xercesc::DOMElement* AppendElement(xercesc::DOMDocument& document, xercesc::DOMNode& parent, const QK_TString& name) {
  xercesc::DOMElement* element = document.createElement(ToXmlText(name).c_str());
  parent.appendChild(element);
  return element;
}

void AppendTextElement(xercesc::DOMDocument& document, xercesc::DOMNode& parent, const QK_TString& name,
                       const QK_TString& text) {
  AppendElement(document, parent, name)->appendChild(document.createTextNode(ToXmlText(text).c_str()));
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

XmlDocument CreateXmlDocument(const QK_TString& rootName) {
  InitializeXmlLibraries();
  xercesc::DOMImplementation* implementation =
      xercesc::DOMImplementationRegistry::getDOMImplementation(u"Core");
  if (implementation == nullptr) QK_THROW(QK_EException(QK_TString("No DOM implementation is available")));
  return XmlDocument(implementation->createDocument(nullptr, ToXmlText(rootName).c_str(), nullptr));
}

}  // namespace CAD
