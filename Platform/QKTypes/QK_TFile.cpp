#include "QK_TFile.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include <sys/stat.h>
#include <unistd.h>

#include "QK_EException.h"

namespace fs = std::filesystem;

QK_TString QK_TFile::ReadAll(const QK_TURL& location) {
  std::error_code error;
  // A folder opens like a file but reads as nothing.
  bool isFolder = fs::is_directory(location.LocalName().str(), error);
  std::ifstream in;
  if (!isFolder) in.open(location.LocalName().str(), std::ios::binary);
  if (!in.is_open()) {
    QK_THROW(QK_EException(QK_TString("Cannot open file for reading"), QK_TAny(location.LocalName())));
  }
  std::ostringstream content;
  content << in.rdbuf();
  return QK_TString(content.str());
}

void QK_TFile::WriteAll(const QK_TURL& location, const QK_TString& content) {
  std::ofstream out(location.LocalName().str(), std::ios::binary | std::ios::trunc);
  if (out) out << content.str();
  if (!out) {
    QK_THROW(QK_EException(QK_TString("Cannot write file"), QK_TAny(location.LocalName())));
  }
}

bool QK_TFile::Rename(const QK_TURL& from, const QK_TURL& to) {
  std::error_code error;
  fs::rename(from.LocalName().str(), to.LocalName().str(), error);
  return !error;
}

bool QK_TFile::Remove(const QK_TURL& location) {
  std::error_code error;
  return fs::remove(location.LocalName().str(), error);
}

bool QK_TFile::RemoveTree(const QK_TURL& location) {
  std::error_code error;
  return fs::remove_all(location.LocalName().str(), error) > 0 && !error;
}

QK_TFileInfo::QK_TFileInfo(const QK_TURL& location) : location_(location) {}

int QK_TFileInfo::Type() const {
  struct stat facts {};
  const char* path = location_.LocalName().c_str();
  if (location_.Empty() || stat(path, &facts) != 0 || access(path, R_OK) != 0) {
    QK_THROW(QK_ECouldNotGetFileInfo(QK_TString("Could not get the file information"), QK_TAny(location_.LocalName())));
  }
  if (S_ISDIR(facts.st_mode)) return 0;
  if (S_ISREG(facts.st_mode)) return 1;
  return 2;
}

bool QK_TFileInfo::Exists() const { return ExistsEx(location_); }

bool QK_TFileInfo::IsDirectory() const {
  std::error_code error;
  return fs::is_directory(location_.LocalName().str(), error);
}

bool QK_TFileInfo::IsFile() const {
  std::error_code error;
  return fs::is_regular_file(location_.LocalName().str(), error);
}

bool QK_TFileInfo::IsReadable() const { return access(location_.LocalName().c_str(), R_OK) == 0; }

std::uint64_t QK_TFileInfo::Size() const {
  std::error_code error;
  auto size = fs::file_size(location_.LocalName().str(), error);
  return error ? 0 : static_cast<std::uint64_t>(size);
}

bool QK_TFileInfo::ExistsEx(const QK_TURL& location) {
  if (location.Empty()) return false;
  std::error_code error;
  return fs::exists(location.LocalName().str(), error);
}

bool QK_TFileInfo::CreateDirEx(const QK_TURL& location) {
  std::error_code error;
  fs::create_directories(location.LocalName().str(), error);
  return !error && fs::is_directory(location.LocalName().str(), error);
}
