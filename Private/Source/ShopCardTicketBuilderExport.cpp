// The export pass: one SAX pass over an export XML file that turns every
// design element into a map from key to text. A design map holds the
// design element's attributes, "CommandScript" (its trimmed text), the
// attributes of "Thumbnail" elements and one "VariableN" entry per
// "Variable" element (its attribute names and values joined with ",", a
// "," or "\" within one escaped by a "\").
// Within one design the first occurrence of a key wins.
#include <xercesc/sax2/Attributes.hpp>

#include "ShopCardTicketBuilder.h"
#include "ShopCardTicketException.h"
#include "XUtilityRecordHandler.h"
#include "XUtilityText.h"
#include "XUtilityXml.h"

namespace CAD {

namespace {

const char kDesignPath[] = "/Designs/Design";

}  // namespace

class ExportSAXHandler : public RecordSAXHandler {
 public:
  void startElement(const XMLCh* uri, const XMLCh* localName, const XMLCh* qualifiedName,
                    const xercesc::Attributes& attributes) override;
  void endElement(const XMLCh* uri, const XMLCh* localName, const XMLCh* qualifiedName) override;
  void characters(const XMLCh* characters, XMLSize_t length) override;

 private:
  bool InDesignElement() const { return Path() == kDesignPath; }
  void InsertAttributes(const xercesc::Attributes& attributes);
  void InsertVariable(const xercesc::Attributes& attributes);

  QK_TString lastElement_;  // name of the element last started
  bool collecting_ = false;  // within a CommandScript element
  // Counts over the whole file, so that variable keys never repeat.
  unsigned long variableCount_ = 0;
};

void ExportSAXHandler::startElement(const XMLCh*, const XMLCh*, const XMLCh* qualifiedName,
                                    const xercesc::Attributes& attributes) {
  const QK_TString name = EnterElement(qualifiedName);
  if (InDesignElement()) {
    Record().clear();
    InsertAttributes(attributes);
  } else if (name == "CommandScript") {
    collecting_ = true;
  } else if (name == "Thumbnail") {
    InsertAttributes(attributes);
  } else if (name == "Variable") {
    InsertVariable(attributes);
  }
  lastElement_ = name;
}

void ExportSAXHandler::endElement(const XMLCh*, const XMLCh*, const XMLCh*) {
  if (collecting_ && !lastElement_.Empty() && !InDesignElement()) {
    KeepText(lastElement_);
    lastElement_ = QK_TString();
    collecting_ = false;
  }
  if (InDesignElement()) {
    EndRecord();
    collecting_ = false;
    lastElement_ = QK_TString();
  }
  LeaveElement();
}

void ExportSAXHandler::characters(const XMLCh* characters, XMLSize_t length) {
  if (collecting_) AddText(characters, length);
}

void ExportSAXHandler::InsertAttributes(const xercesc::Attributes& attributes) {
  for (XMLSize_t i = 0; i < attributes.getLength(); ++i) {
    Record().emplace(FromXerces(attributes.getLocalName(i)), FromXerces(attributes.getValue(i)));
  }
}

void ExportSAXHandler::InsertVariable(const xercesc::Attributes& attributes) {
  std::vector<QK_TString> fields;
  for (XMLSize_t i = 0; i < attributes.getLength(); ++i) {
    fields.push_back(FromXerces(attributes.getLocalName(i)));
    fields.push_back(FromXerces(attributes.getValue(i)));
  }
  if (fields.empty()) return;
  ++variableCount_;
  // Joined as the design-information export splits it again.
  Record().emplace(QK_TString::Format("Variable%lu", variableCount_),
                   JoinVariableFields(fields));
}

// An error of the file ends the pass as NonWellFormedXMLException.
StringMapList ShopCardTicketBuilder::ReadExportedDesigns() {
  ExportSAXHandler handler;
  ParseUntrustedXml(inputFile_, {&handler}, &ThrowTicketException<NonWellFormedXMLException>, kSourceName);
  return std::move(handler.Records());
}

}  // namespace CAD
