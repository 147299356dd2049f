// The SAX pass over the MFGTemplateList document of the layout builder.
#include <utility>

#include <xercesc/sax/SAXParseException.hpp>

#include "LOTicketBuilder.h"
#include "LOTickeException.h"

namespace CAD {

LayoutSAXHandler::LayoutSAXHandler(const TemplateFieldNames& fieldNames, QK_TString recordPath)
    : fieldNames_(fieldNames), recordPath_(std::move(recordPath)) {}

LayoutSAXHandler::~LayoutSAXHandler() = default;

void LayoutSAXHandler::startElement(const XMLCh*, const XMLCh*, const XMLCh* qualifiedName,
                                    const xercesc::Attributes&) {
  currentPath_ += QK_TString("/") + QK_TString(XMLChToUtf8String(qualifiedName));
  if (inRecord_ && currentParameter_.Empty() && currentPath_.StartsWith(recordPath_ + "/")) {
    // Only direct children of the record are template elements.
    auto field = fieldNames_.find(currentPath_.Substring(recordPath_.Length() + 1));
    if (field != fieldNames_.end()) {
      currentParameter_ = field->second;
      currentParameterPath_ = currentPath_;
    }
  }
  if (currentPath_ == recordPath_) {
    inRecord_ = true;
    currentRecord_.clear();
  }
}

void LayoutSAXHandler::characters(const XMLCh* characters, XMLSize_t length) {
  if (inRecord_ && !currentParameter_.Empty()) text_ += QK_TString(XMLChToUtf8String(characters, length));
}

void LayoutSAXHandler::endElement(const XMLCh*, const XMLCh*, const XMLCh*) {
  if (inRecord_ && !currentParameter_.Empty() && currentPath_ == currentParameterPath_) {
    currentRecord_.emplace(currentParameter_, text_.Trim());  // the first value of a parameter wins
    currentParameter_ = QK_TString();
    text_ = QK_TString();
  }
  if (currentPath_ == recordPath_) {
    if (!currentRecord_.empty()) records_.push_back(std::move(currentRecord_));
    currentRecord_.clear();
    inRecord_ = false;
    currentParameter_ = QK_TString();
    text_ = QK_TString();
  }
  currentPath_ = currentPath_.Substring(0, currentPath_.FindLast('/'));
}

void LayoutSAXHandler::fatalError(const xercesc::SAXParseException& exception) {
  ThrowTicketException<LONonWellformedXMLException>(
      QK_TString::Format("Error at line %d column %d:%s", static_cast<int>(exception.getLineNumber()),
                         static_cast<int>(exception.getColumnNumber()),
                         XMLChToUtf8String(exception.getMessage()).c_str()),
      "LOTicketBuilder", __LINE__);
}

}  // namespace CAD
