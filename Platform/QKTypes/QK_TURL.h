// Base library file location. Held as a local path with "/" separators;
// "file:" URLs and Windows-style "\" separators are accepted on the way in.
#pragma once

#include "QK_TString.h"

class QK_TURL {
 public:
  QK_TURL() = default;
  // A "file:" URL (percent escapes decoded) or a local path.
  explicit QK_TURL(const QK_TString& text);

  static QK_TURL FromLocalPath(const QK_TString& path);
  // The location of a local path ("\" separators accepted).
  static QK_TURL LocalToURL(const QK_TString& path) { return FromLocalPath(path); }
  // The location of a text as ToString(false) writes it, or of a local path.
  static QK_TURL FromString(const QK_TString& text) { return QK_TURL(text); }

  bool Empty() const { return path_.Empty(); }
  // The local path.
  const QK_TString& LocalName() const { return path_; }
  // "file://" followed by the absolute path, percent-encoded; a relative
  // location stays a path.
  QK_TString ToString() const { return ToString(false); }
  // The text form: with `localForm` the local path as the file system
  // names it, else the URL text of ToString().
  QK_TString ToString(bool localForm) const;

  // This location with `name` appended as its last part.
  QK_TURL Child(const QK_TString& name) const;
  // The folder holding this location.
  QK_TURL Parent() const;

  // The last part of the location.
  QK_TString FileName() const;
  void SetFileName(const QK_TString& name);
  // The extension of the last part with its leading ".", or empty.
  QK_TString Extension() const;
  // Replaces the extension (or appends one when there is none); `extension`
  // carries its leading ".".
  void SetExtension(const QK_TString& extension);

  friend bool operator==(const QK_TURL& a, const QK_TURL& b) { return a.path_ == b.path_; }
  friend bool operator!=(const QK_TURL& a, const QK_TURL& b) { return !(a == b); }

 private:
  QK_TString path_;
};
