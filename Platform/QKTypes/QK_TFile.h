// Base library file access and file facts.
#pragma once

#include <cstdint>

#include "QK_TString.h"
#include "QK_TURL.h"

class QK_TFile {
 public:
  // Whole-file reading and writing; failures throw QK_EException naming the file.
  static QK_TString ReadAll(const QK_TURL& location);
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
