#include "LOTicketBuilderSaxHandler.h"

#include <utility>

namespace CAD {

LayoutSAXHandler::LayoutSAXHandler(const TemplateFieldNames& fieldNames, QK_TString recordPath)
    : fieldNames_(fieldNames), recordPath_(std::move(recordPath)) {}

void LayoutSAXHandler::startElement(const XMLCh*, const XMLCh*, const XMLCh* qualifiedName,
                                    const xercesc::Attributes&) {
  EnterElement(qualifiedName);
  if (inRecord_ && currentParameter_.Empty() && Path().StartsWith(recordPath_ + "/")) {
    // Only direct children of the record are template elements.
    auto field = fieldNames_.find(Path().Substring(recordPath_.Length() + 1));
    if (field != fieldNames_.end()) {
      currentParameter_ = field->second;
      currentParameterPath_ = Path();
    }
  }
  if (Path() == recordPath_) {
    inRecord_ = true;
    Record().clear();
  }
}

void LayoutSAXHandler::characters(const XMLCh* characters, XMLSize_t length) {
  if (inRecord_ && !currentParameter_.Empty()) AddText(characters, length);
}

void LayoutSAXHandler::endElement(const XMLCh*, const XMLCh*, const XMLCh*) {
  if (inRecord_ && !currentParameter_.Empty() && Path() == currentParameterPath_) {
    KeepText(currentParameter_);  // the first value of a parameter wins
    currentParameter_ = QK_TString();
  }
  if (Path() == recordPath_) {
    EndRecord();
    inRecord_ = false;
    currentParameter_ = QK_TString();
  }
  LeaveElement();
}

}  // namespace CAD
