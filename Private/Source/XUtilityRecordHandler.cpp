#include "XUtilityRecordHandler.h"

#include <utility>

#include "XUtilityXml.h"

namespace CAD {

QK_TString RecordSAXHandler::EnterElement(const XMLCh* qualifiedName) {
  const QK_TString name = FromXerces(qualifiedName);
  path_ += "/";
  path_ += name;
  return name;
}

void RecordSAXHandler::AddText(const XMLCh* characters, XMLSize_t length) {
  text_ += FromXerces(characters, length);
}

void RecordSAXHandler::KeepText(const QK_TString& key) {
  record_.emplace(key, text_.Trim());
  text_ = QK_TString();
}

void RecordSAXHandler::EndRecord() {
  if (!record_.empty()) records_.push_back(std::move(record_));
  record_.clear();
  text_ = QK_TString();
}

}  // namespace CAD
