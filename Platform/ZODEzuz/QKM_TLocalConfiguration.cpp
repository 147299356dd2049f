#include "QKM_TLocalConfiguration.h"

#include <utility>

#include "QK_EException.h"
#include "QK_TArray.h"
#include "QK_TURL.h"
#include "QK_TXml.h"

namespace {

const char* const kGenericFailure = "QK_EException";
const char* const kValueNotSet = "CFS_EValueNotSet";
const char* const kWorkflowsPath = "Resources/Workflows";

// The text of a request entry, or null when it is missing or not text.
const QK_TString* TextEntry(const QK_TDict& request, const QK_TString& key) {
  const QK_TAny* value = request.Find(key);
  if (value == nullptr || !value->Is(QK_TAny::Kind::String)) return nullptr;
  return &value->AsString();
}

QKM_TReply UnsupportedOperation(const char* what, const QK_TDict& request) {
  const QK_TString* operation = TextEntry(request, "M");
  if (operation == nullptr) {
    return QKM_TReply::Failure(kGenericFailure, QK_TString::Format("%s request without an operation", what));
  }
  return QKM_TReply::Failure(kGenericFailure, QK_TString::Format("unsupported %s operation %s", what,
                                                                 operation->c_str()));
}

bool IsOperation(const QK_TDict& request, const char* operation) {
  const QK_TString* given = TextEntry(request, "M");
  return given != nullptr && *given == operation;
}

// The path without its leading separators; empty for the root.
QK_TString TreePath(const QK_TString& path) {
  std::size_t start = 0;
  while (start < path.Length() && path.c_str()[start] == '/') ++start;
  return path.Substring(start);
}

// Rethrows a failure to read `fileName` so that its message names the file.
[[noreturn]] void ThrowNamingFile(const QK_TString& fileName, const QK_EException& failure) {
  if (failure.QK_Message().Contains(fileName)) QK_THROW(QK_EException(failure));
  QK_THROW(QK_EException(fileName + QK_TString(": ") + failure.QK_Message(), failure.QK_Data()));
}

}  // namespace

QKM_TLocalConfiguration::QKM_TLocalConfiguration(QK_TString fileName) : fileName_(std::move(fileName)) {}

QKM_TReply QKM_TLocalConfiguration::Send(const QK_TString& service, const QK_TDict& request) {
  try {
    if (service == "CFS") return ReadPath(request);
    if (service == "TicketServer") return TicketAttributes(request);
    return QKM_TReply::Failure(kGenericFailure, QK_TString("unknown service ") + service);
  } catch (const QK_EException& failure) {
    return QKM_TReply::Failure(kGenericFailure, failure.QK_Message());
  }
}

QK_TTree QKM_TLocalConfiguration::ReadFile(const QK_TString& fileName) {
  if (fileName.Empty()) return QK_TTree();
  QK_TURL location(fileName);
  try {
    QK_TXmlElement root = QK_TXml::ParseFile(location);
    if (root.name != "Configuration") {
      QK_THROW(QK_EException(QK_TString::Format("root element is <%s>, not <Configuration>",
                                                root.name.c_str())));
    }
    return QK_TXml::ReadTree(root);
  } catch (const QK_EException& failure) {
    ThrowNamingFile(location.LocalName(), failure);
  }
}

QKM_TReply QKM_TLocalConfiguration::ReadPath(const QK_TDict& request) {
  if (!IsOperation(request, "[]")) return UnsupportedOperation("configuration", request);
  const QK_TString* path = TextEntry(request, "P1");
  if (path == nullptr) {
    return QKM_TReply::Failure(kGenericFailure, QK_TString("configuration request without a path (P1)"));
  }
  QK_TTree tree = ReadFile(fileName_);
  QK_TString treePath = TreePath(*path);
  if (treePath.Empty()) return QKM_TReply::Value(QK_TAny(std::move(tree)));
  if (!tree.HasKey(treePath)) return QKM_TReply::Failure(kValueNotSet, *path, QK_TAny(*path));
  return QKM_TReply::Value(tree.Get(treePath));
}

QKM_TReply QKM_TLocalConfiguration::TicketAttributes(const QK_TDict& request) {
  if (!IsOperation(request, "TicketAttributes")) return UnsupportedOperation("ticket server", request);
  QK_TTree tree = ReadFile(fileName_);
  // "P2" names one workflow: the answer then lists only that one, and is
  // empty when the site does not know it.
  const QK_TString* wanted = TextEntry(request, "P2");
  QK_TArray workflows;
  if (tree.HasKey(kWorkflowsPath) && tree.Get(kWorkflowsPath).Is(QK_TAny::Kind::Tree)) {
    for (const auto& entry : tree.Get(kWorkflowsPath).AsTree()) {
      if (wanted != nullptr && entry.first != *wanted) continue;
      QK_TDict attributes;
      attributes.Set("Name", QK_TAny(entry.first));
      workflows.Append(QK_TAny(attributes));
    }
  }
  return QKM_TReply::Value(QK_TAny(workflows));
}
