// XUtility's texts of ticket values: command scripts, and the references
// to designs of the enterprise database (TicketBuilderRecords.h).
#include "XUtilityText.h"

#include <cstdint>
#include <string>

#include "TicketBuilderRecords.h"

namespace CAD {

QK_TString NormaliseCommandScript(const TicketValue& script) {
  QK_TString value = script.value;
  bool droppedFile = false;
  if (value.StartsWith("file:")) {
    value = value.Substring(5);
    droppedFile = true;
  }
  if (!(script.fromXPath && droppedFile) && value.StartsWith("EXE file:")) value = value.Substring(9);
  if (value.StartsWith("EXE")) return value;
  if (value.Empty()) return QK_TString();
  return QK_TString("EXE ") + value;
}

QK_TString DatabaseReference(const QK_TString& project, const QK_TString& version, const QK_TString& name) {
  if (version == "0") return QK_TString::Format("@%s:%s", project.c_str(), name.c_str());
  return QK_TString::Format("@%s:%s:%s", project.c_str(), version.c_str(), name.c_str());
}

QK_TString DatabaseReference(const QK_TString& project, std::int32_t version, const QK_TString& name) {
  return DatabaseReference(project, version <= 0 ? QK_TString("0") : QK_TString(std::to_string(version)), name);
}

}  // namespace CAD
