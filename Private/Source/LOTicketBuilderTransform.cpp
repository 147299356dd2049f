// The layout builder's transform: the stylesheet that turns the records of
// the input file into an MFGTemplateList document, built as a DOM (so that
// ticket texts can never change its structure), and its run through Xalan.
#include <fstream>
#include <memory>
#include <string>
#include <utility>

#include <xalanc/XSLT/XSLTInputSource.hpp>
#include <xalanc/XSLT/XSLTResultTarget.hpp>
#include <xalanc/XalanTransformer/XalanParsedSource.hpp>
#include <xalanc/XalanTransformer/XalanTransformer.hpp>
#include <xercesc/dom/DOM.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/PlatformUtils.hpp>

#include "LOTicketBuilder.h"
#include "QK_EException.h"
#include "XUtilityXml.h"

namespace CAD {

namespace {

const XMLCh kXslNamespace[] = u"http://www.w3.org/1999/XSL/Transform";
const XMLCh kXmlnsNamespace[] = u"http://www.w3.org/2000/xmlns/";

xercesc::DOMElement* AppendXslElement(xercesc::DOMDocument& document, xercesc::DOMNode& parent,
                                      const XMLCh* qualifiedName) {
  xercesc::DOMElement* element = document.createElementNS(kXslNamespace, qualifiedName);
  parent.appendChild(element);
  return element;
}

xercesc::DOMElement* AppendPlainElement(xercesc::DOMDocument& document, xercesc::DOMNode& parent,
                                        const QK_TString& name) {
  xercesc::DOMElement* element = document.createElementNS(nullptr, ToXmlText(name).c_str());
  parent.appendChild(element);
  return element;
}

// The content of one template element: the value of its parameter's XPath,
// else its default, else nothing.
void FillTemplateElement(xercesc::DOMDocument& document, xercesc::DOMElement& element,
                         const ParameterSource* source) {
  if (source == nullptr) return;
  if (!source->xpath.Empty()) {
    AppendXslElement(document, element, u"xsl:value-of")->setAttribute(u"select", ToXmlText(source->xpath).c_str());
  } else if (!source->defaultValue.Empty()) {
    element.appendChild(document.createTextNode(ToXmlText(source->defaultValue).c_str()));
  }
}

}  // namespace

TemplateTransform::TemplateTransform(const TemplateFieldNames& fieldNames, const ParameterSources& sources,
                                     QK_TString recordXPath)
    : fieldNames_(fieldNames), sources_(sources), recordXPath_(std::move(recordXPath)) {
  InitializeXmlLibraries();
}

void TemplateTransform::Run(const xalanc::XalanParsedSource& input, const QK_TString& stylesheetPath,
                            const QK_TString& resultPath) const {
  GenerateXslt(stylesheetPath);
  Transform(input, stylesheetPath, resultPath);
}

void TemplateTransform::GenerateXslt(const QK_TString& stylesheetPath) const {
  try {
    xercesc::DOMImplementation* core = xercesc::DOMImplementationRegistry::getDOMImplementation(u"core");
    if (core == nullptr) QK_THROW(QK_EException(QK_TString("No DOM implementation is available")));
    DomPtr<xercesc::DOMDocument> document(core->createDocument(kXslNamespace, u"xsl:stylesheet", nullptr));
    xercesc::DOMElement* stylesheet = document->getDocumentElement();
    stylesheet->setAttribute(u"version", u"1.0");
    stylesheet->setAttributeNS(kXmlnsNamespace, u"xmlns:xsl", kXslNamespace);

    xercesc::DOMElement* output = AppendXslElement(*document, *stylesheet, u"xsl:output");
    output->setAttribute(u"method", u"xml");
    output->setAttribute(u"version", u"1.0");
    output->setAttribute(u"encoding", u"UTF-8");
    output->setAttribute(u"indent", u"yes");

    xercesc::DOMElement* rootTemplate = AppendXslElement(*document, *stylesheet, u"xsl:template");
    rootTemplate->setAttribute(u"match", u"/");
    xercesc::DOMElement* list = AppendPlainElement(*document, *rootTemplate, "MFGTemplateList");
    xercesc::DOMElement* forEach = AppendXslElement(*document, *list, u"xsl:for-each");
    forEach->setAttribute(u"select", ToXmlText(recordXPath_).c_str());
    xercesc::DOMElement* item = AppendPlainElement(*document, *forEach, "MFGTemplateItem");
    for (const auto& [elementName, displayName] : fieldNames_) {
      auto source = sources_.find(displayName);
      FillTemplateElement(*document, *AppendPlainElement(*document, *item, elementName),
                          source == sources_.end() ? nullptr : &source->second);
    }
    WriteXmlDocument(*document, QK_TURL::FromLocalPath(stylesheetPath));
  } catch (const xercesc::OutOfMemoryException&) {
    QK_THROW(QK_EException(QK_TString("Out of memory exception")));
  } catch (const xercesc::DOMException& e) {
    QK_THROW(QK_EException(QK_TString::Format("Dom exception::%d", static_cast<int>(e.code))));
  } catch (const xercesc::XMLException& e) {
    QK_THROW(QK_EException(QK_TString("Cannot write the layout stylesheet: ") + FromXerces(e.getMessage()),
                           QK_TAny(stylesheetPath)));
  }
}

void TemplateTransform::Transform(const xalanc::XalanParsedSource& input, const QK_TString& stylesheetPath,
                                  const QK_TString& resultPath) const {
  std::ifstream stylesheet(stylesheetPath.str(), std::ios::binary);
  if (!stylesheet) QK_THROW(QK_EException(QK_TString("Cannot read the layout stylesheet"), QK_TAny(stylesheetPath)));
  std::ofstream result(resultPath.str(), std::ios::binary | std::ios::trunc);
  if (!result) QK_THROW(QK_EException(QK_TString("Cannot write the layout template list"), QK_TAny(resultPath)));

  xalanc::XalanTransformer transformer;
  transformer.setWarningStream(nullptr);
  const int status =
      transformer.transform(input, xalanc::XSLTInputSource(stylesheet), xalanc::XSLTResultTarget(result));
  if (status != 0) {
    QK_THROW(QK_EException(QK_TString("Error in XML transformation"), QK_TAny(QK_TString(transformer.getLastError()))));
  }
  result.close();
  if (!result) QK_THROW(QK_EException(QK_TString("Cannot write the layout template list"), QK_TAny(resultPath)));
}

}  // namespace CAD
