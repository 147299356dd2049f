// Base library file access and file facts.
#pragma once

#include <cstdint>

#include "QK_EException.h"
#include "QK_TString.h"
#include "QK_TURL.h"

class QK_TFile {
 public:
  // Whole-file reading; a file that cannot be read throws QK_EException
  // naming it.
  static QK_TString ReadAll(const QK_TURL& location);
  // Replaces the file with `content`. A file that cannot be opened, written
  // whole or closed (a full disk, a folder that is not there) throws
  // QK_ECouldNotWriteFile, and leaves no file behind: a regular file that
  // the call began is removed again.
  static void WriteAll(const QK_TURL& location, const QK_TString& content);
  // Moves a file; returns false when the file system refused.
  static bool Rename(const QK_TURL& from, const QK_TURL& to);
  // Removes a file or an empty folder; returns false when nothing was removed.
  static bool Remove(const QK_TURL& location);
  // Removes a folder with everything in it; returns false when nothing was removed.
  static bool RemoveTree(const QK_TURL& location);
};

class QK_TFileInfo {
 public:
  explicit QK_TFileInfo(const QK_TURL& location);

  // 0 for a folder, 1 for a file, 2 for anything else. Facts that cannot
  // be read (a missing or unreadable location) throw QK_ECouldNotGetFileInfo
  // with the location as data.
  int Type() const;
  bool Exists() const;
  bool IsDirectory() const;
  bool IsFile() const;
  bool IsReadable() const;
  std::uint64_t Size() const;

  // Existence test that never throws.
  static bool ExistsEx(const QK_TURL& location);
  // Creates a folder and any missing parents; returns false on failure.
  static bool CreateDirEx(const QK_TURL& location);

 private:
  QK_TURL location_;
};

class QK_ECouldNotGetFileInfo : public QK_EException {
  QK_PLATFORM_EXCEPTION_BODY(QK_ECouldNotGetFileInfo, QK_EException, "QK_ECouldNotGetFileInfo")
};
inline const QK_TClass& QK_ECouldNotGetFileInfo_registration = QK_ECouldNotGetFileInfo::QK_ClassObject();

// A folder that could not be made; the data names it.
class QK_ECouldNotCreateDirectory : public QK_EException {
  QK_PLATFORM_EXCEPTION_BODY(QK_ECouldNotCreateDirectory, QK_EException, "QK_ECouldNotCreateDirectory")
};
inline const QK_TClass& QK_ECouldNotCreateDirectory_registration = QK_ECouldNotCreateDirectory::QK_ClassObject();

// A file that could not be written: the message gives the system's reason,
// the data the file's local path.
class QK_ECouldNotWriteFile : public QK_EException {
  QK_PLATFORM_EXCEPTION_BODY(QK_ECouldNotWriteFile, QK_EException, "QK_ECouldNotWriteFile")
};
inline const QK_TClass& QK_ECouldNotWriteFile_registration = QK_ECouldNotWriteFile::QK_ClassObject();
