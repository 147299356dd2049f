// XUtility's base of the SAX passes that turn elements into maps (the
// layout's template list, the shop card's export list); run by the
// untrusted-XML reader (XUtilityXml.h).
#pragma once

#include <xercesc/sax2/DefaultHandler.hpp>

#include "QK_TString.h"
#include "ShapejobTicketData.h"

namespace CAD {

// What the SAX passes that turn elements into maps share: the path of the
// open element ("/" and the name of each open element), the text being
// collected, the record being filled (key to text) and the finished ones.
class RecordSAXHandler : public xercesc::DefaultHandler {
 public:
  StringMapList& Records() { return records_; }

 protected:
  // Appends the element's name to the path and returns it.
  QK_TString EnterElement(const XMLCh* qualifiedName);
  void LeaveElement() { path_ = path_.Substring(0, path_.FindLast('/')); }
  void AddText(const XMLCh* characters, XMLSize_t length);
  // Stores the collected text, trimmed, under `key` (a key already in the
  // record keeps its first value) and starts collecting anew.
  void KeepText(const QK_TString& key);
  // Keeps the record when it holds anything, and starts the next one.
  void EndRecord();

  const QK_TString& Path() const { return path_; }
  StringMap& Record() { return record_; }

 private:
  QK_TString path_;
  QK_TString text_;
  StringMap record_;
  StringMapList records_;
};

}  // namespace CAD
