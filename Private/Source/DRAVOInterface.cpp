#include "DRAVOInterface.h"

#include "TW_TTask.h"

namespace CAD {

namespace {

// A "file:" location as a local path: the text without its scheme.
QK_TString WithoutFileScheme(const QK_TString& location) {
  return location.StartsWith(kFileScheme) ? location.Substring(kFileScheme.Length()) : location;
}

// The folder's text, "\", and the name (no second "\" when the folder
// already ends with one).
QK_TString JoinWithBackslash(const QK_TString& folder, const QK_TString& name) {
  QK_TString reference = WithoutFileScheme(folder);
  if (!reference.EndsWith("\\")) reference += "\\";
  return reference + name;
}

}  // namespace

DRAVOInterface::~DRAVOInterface() { reporter = nullptr; }

void DRAVOInterface::SetDefaultsLocation(const QK_TString&) {}
void DRAVOInterface::SwitchDataSource(const QK_TString&) {}
void DRAVOInterface::InitConnection(const QK_TString&) {}

QK_TString DRAVOInterface::MakeDesignReference(const StringMap& design) {
  const QK_TString name = ValueOf(design, "Name");
  QK_TString reference;
  QK_TString project;
  QK_TString version;
  if (design.count(QK_TString("Path")) != 0) {
    reference = ValueOf(design, "Path");
  } else {
    project = ValueOf(design, "Project");
    version = ValueOf(design, "Version", "0");
  }
  if (!reference.Empty() && !name.Empty()) return JoinWithBackslash(reference, name);
  if (!project.Empty() && !name.Empty()) return DatabaseReference(project, version, name);
  return reference;
}

QK_TString DRAVOInterface::MakeDesignInfoReference(const ShopCardTicketData& record) {
  QK_TString result;
  if (!record.designPath.Empty() && !record.designName.Empty()) {
    result = JoinWithBackslash(record.designPath, record.designName);
  } else if (!record.project.Empty() && !record.designName.Empty()) {
    result = DatabaseReference(record.project, record.version, record.designName);
  }
  if (result.Empty()) result = record.designNotFoundPath;
  return result;
}

QK_TString DRAVOInterface::SanitizeFileName(const QK_TString& name) {
  QK_TString result = name;
  for (char c : {'\\', '/', ':', '?', '"', '<', '>', '*', '|'}) result = result.ReplaceChars(c, '_');
  return result;
}

void DRAVOInterface::Report(int severity, const char* key) {
  if (reporter != nullptr) reporter->AddMessage(severity, key);
}

void DRAVOInterface::Report(int severity, const char* key, const QK_TAny& value) {
  if (reporter != nullptr) reporter->AddMessage(severity, key, value);
}

void DRAVOInterface::Report(int severity, const char* key, const QK_TAny& first, const QK_TAny& second) {
  if (reporter != nullptr) reporter->AddMessage(severity, key, first, second);
}

}  // namespace CAD
