// Base library dictionary: text keys in insertion order.
#pragma once

#include "QK_TEntries.h"

class QK_TDict : public QK_TEntries {
 public:
  // The value of `key`; a missing key throws QK_EException naming it.
  const QK_TAny& Get(const QK_TString& key) const;
  // The value of `key`, inserting the no-value marker when it is missing.
  QK_TAny& operator[](const QK_TString& key);
};
