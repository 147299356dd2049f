#include "QK_TFile.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

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

namespace {

// Writes all of `bytes` to `descriptor`; 0, or the error that stopped it.
int WriteFully(int descriptor, const std::string& bytes) {
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t count = write(descriptor, bytes.data() + written, bytes.size() - written);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) return errno;
    // A device that takes nothing and reports no error would loop for ever.
    if (count == 0) return EIO;
    written += static_cast<std::size_t>(count);
  }
  return 0;
}

}  // namespace

void QK_TFile::WriteAll(const QK_TURL& location, const QK_TString& content) {
  const std::string path = location.LocalName().str();
  const int descriptor = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  int error = descriptor < 0 ? errno : 0;
  if (descriptor >= 0) {
    struct stat facts {};
    // Only a regular file was made or cut by this call; a device or a pipe
    // that the path names is never removed.
    const bool regular = fstat(descriptor, &facts) == 0 && S_ISREG(facts.st_mode);
    error = WriteFully(descriptor, content.str());
    // A file system may report a failed write only when the file is closed.
    if (close(descriptor) != 0 && error == 0) error = errno;
    if (error != 0 && regular) unlink(path.c_str());
  }
  if (error == 0) return;
  QK_THROW(QK_ECouldNotWriteFile(QK_TString("Cannot write the file: " + std::generic_category().message(error)),
                                 QK_TAny(location.LocalName())));
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
