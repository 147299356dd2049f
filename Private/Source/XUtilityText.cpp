// XUtility's texts of ticket values: command scripts, the fields of an
// exported design's variable, and the references to designs of the
// enterprise database (TicketBuilderRecords.h).
#include "XUtilityText.h"

#include <cstdint>
#include <string>
#include <vector>

#include "TicketBuilderRecords.h"

namespace CAD {

namespace {

constexpr char kEscape = '\\';
constexpr char kFieldSeparator = ',';

}  // namespace

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

bool IsDatabaseReference(const QK_TString& reference) { return reference.StartsWith("@"); }

QK_TString DatabaseDesignName(const QK_TString& reference) {
  return reference.Substring(reference.FindLast(':') + 1);
}

QK_TString JoinVariableFields(const std::vector<QK_TString>& fields) {
  std::string joined;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) joined += kFieldSeparator;
    for (char c : fields[i].str()) {
      if (c == kEscape || c == kFieldSeparator) joined += kEscape;
      joined += c;
    }
  }
  return QK_TString(std::move(joined));
}

std::vector<QK_TString> SplitVariableFields(const QK_TString& text) {
  std::vector<QK_TString> fields;
  if (text.Empty()) return fields;
  std::string field;
  const std::string& raw = text.str();
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == kEscape && i + 1 < raw.size()) {
      field += raw[++i];
    } else if (raw[i] == kFieldSeparator) {
      fields.emplace_back(std::move(field));
      field.clear();
    } else {
      field += raw[i];
    }
  }
  fields.emplace_back(std::move(field));
  return fields;
}

}  // namespace CAD
