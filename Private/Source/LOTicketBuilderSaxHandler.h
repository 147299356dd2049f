// The SAX pass over the MFGTemplateList document of the layout builder
// (LOTicketBuilder.h); it is run by the untrusted-XML reader, which turns
// errors into exceptions.
#pragma once

#include "LOTicketBuilder.h"
#include "QK_TString.h"
#include "XUtilityRecordHandler.h"

namespace CAD {

// Reads an MFGTemplateList document: one map (display name to trimmed text)
// per record element that holds at least one known template element; within
// a record the first value of a parameter wins.
class LayoutSAXHandler : public RecordSAXHandler {
 public:
  LayoutSAXHandler(const TemplateFieldNames& fieldNames, QK_TString recordPath);

  void startElement(const XMLCh* uri, const XMLCh* localName, const XMLCh* qualifiedName,
                    const xercesc::Attributes& attributes) override;
  void endElement(const XMLCh* uri, const XMLCh* localName, const XMLCh* qualifiedName) override;
  void characters(const XMLCh* characters, XMLSize_t length) override;

 private:
  const TemplateFieldNames& fieldNames_;
  QK_TString recordPath_;
  QK_TString currentParameter_;      // display name of the open template element
  QK_TString currentParameterPath_;  // its path, to know when it ends
  bool inRecord_ = false;
};

}  // namespace CAD
