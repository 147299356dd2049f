// Base library path-addressed tree: entries whose values may be subtrees,
// addressed by paths such as "Servers/Local/Type".
#pragma once

#include "QK_EException.h"
#include "QK_TEntries.h"

class QK_TTree : public QK_TEntries {
 public:
  // The entry at `path`. A missing step throws QK_ENoMatchingTreeKey, a step
  // through a value that is not a subtree throws QK_EEntryIsNotASubtree; the
  // exception's data is the path.
  const QK_TAny& Get(const QK_TString& path, char separator = '/') const;
  QK_TAny& Get(const QK_TString& path, char separator = '/');
  const QK_TAny& operator[](const QK_TString& path) const { return Get(path); }
  // True when `path` leads to an entry.
  bool HasKey(const QK_TString& path, char separator = '/') const;
  // Stores `value` at `path`, creating the subtrees on the way.
  void SetPath(const QK_TString& path, QK_TAny value, char separator = '/');
};

// The base library's own failures of tree access.
class QK_ENoMatchingTreeKey : public QK_EException {
  QK_PLATFORM_EXCEPTION_BODY(QK_ENoMatchingTreeKey, QK_EException, "QK_ENoMatchingTreeKey")
};

class QK_EEntryIsNotASubtree : public QK_EException {
  QK_PLATFORM_EXCEPTION_BODY(QK_EEntryIsNotASubtree, QK_EException, "QK_EEntryIsNotASubtree")
};
