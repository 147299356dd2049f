#include "Model/FolvaneCADDataRoot.h"

#include <filesystem>

#include "Base/FolvaneCADText.h"
#include "Base/FolvaneCADXml.h"

namespace FolvaneCAD {

namespace {

bool IsFile(const QK_TString& path) {
  std::error_code ignored;
  return std::filesystem::is_regular_file(path.str(), ignored);
}

DataRoot& Installed() {
  static DataRoot root;
  return root;
}

}  // namespace

const DataRoot& InstalledDataRoot() { return Installed(); }

void SetInstalledDataRoot(const DataRoot& root) { Installed() = root; }

bool IsFolder(const QK_TString& path) {
  std::error_code ignored;
  return !path.Empty() && std::filesystem::is_directory(LocalPath(path).str(), ignored);
}

bool LogIn(const QK_TString& location, const QK_TString& user, const QK_TString& password, DataRoot* root,
           QK_TString* error) {
  QK_TString folder = LocalPath(location);
  if (!IsFolder(folder)) {
    *error = "Login refused for user " + user + ": login location not found: " + folder;
    return false;
  }
  DataRoot candidate(folder);
  if (!candidate.AcceptsLogin(user, password, error)) return false;
  *root = candidate;
  return true;
}

DataRoot::Board DataRoot::LookUpBoard(const QK_TString& code, QK_TString* description, QK_TString* error) const {
  *description = QK_TString();
  if (code.Trim().Empty()) {
    *error = "No board code given";
    return Board::kUnknown;
  }
  QK_TString catalogue = File("boards.xml");
  if (Empty() || !IsFile(catalogue)) return Board::kKnown;
  QK_TXmlElement root;
  QK_TString reason;
  if (!ReadXmlFile(catalogue, &root, &reason)) {
    *error = "Board catalogue could not be read: " + catalogue + ": " + reason;
    return Board::kCatalogueBroken;
  }
  for (const QK_TXmlElement& board : root.children) {
    const QK_TString* boardCode = board.Attribute("code");
    if (board.name != "Board" || boardCode == nullptr || !boardCode->EqualsIgnoreCase(code)) continue;
    const QK_TString* text = board.Attribute("description");
    *description = text != nullptr ? *text : QK_TString();
    return Board::kKnown;
  }
  *error = "Unknown board code: " + code;
  return Board::kUnknown;
}

bool DataRoot::AcceptsLogin(const QK_TString& user, const QK_TString& password, QK_TString* error) const {
  QK_TString refusal = "Login refused for user " + user;
  if (user.Trim().Empty()) {
    *error = refusal;
    return false;
  }
  QK_TString users = File("users.xml");
  if (!IsFile(users)) return true;
  QK_TXmlElement root;
  QK_TString reason;
  if (!ReadXmlFile(users, &root, &reason)) {
    *error = refusal + " (the user list " + users + " could not be read: " + reason + ")";
    return false;
  }
  for (const QK_TXmlElement& entry : root.children) {
    const QK_TString* name = entry.Attribute("name");
    const QK_TString* secret = entry.Attribute("password");
    if (entry.name == "User" && name != nullptr && name->EqualsIgnoreCase(user) &&
        (secret != nullptr ? *secret : QK_TString()) == password) {
      return true;
    }
  }
  *error = refusal;
  return false;
}

bool DataRoot::ResolveReference(const QK_TString& reference, QK_TString* path, QK_TString* error) const {
  std::vector<QK_TString> parts = Split(reference.Substring(1), ':');
  bool wellFormed = (parts.size() == 2 || parts.size() == 3) && !parts.front().Empty() && !parts.back().Empty();
  if (!wellFormed) {
    *error = "Invalid design reference: " + reference + " (expected @project:name or @project:version:name)";
    return false;
  }
  if (Empty()) {
    *error = "No data folder is set, so the design reference cannot be resolved: " + reference;
    return false;
  }
  QK_TString name = parts.back();
  QK_TString extension = LowerExtension(name);
  QK_TString stem = extension == ".kpx" || extension == ".mfg" ? BaseName(name) : name;
  QK_TString suffix = extension == ".mfg" ? name.Substring(name.Length() - 4) : QK_TString(".kpx");
  QK_TString folder = File("projects/" + parts.front()) + "/";
  if (parts.size() == 3 && !parts[1].Empty() && parts[1] != "0") {
    QK_TString versioned = folder + stem + "-v" + parts[1] + suffix;
    if (IsFile(versioned)) {
      *path = versioned;
      return true;
    }
  }
  *path = folder + stem + suffix;
  return true;
}

}  // namespace FolvaneCAD
