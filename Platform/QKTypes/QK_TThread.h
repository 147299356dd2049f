// Base library thread facts.
#pragma once

#include "QK_TString.h"

class QK_TThread {
 public:
  // The account the thread runs as: its domain (empty where there is none)
  // and user name.
  static void CurrentUser(QK_TString& domain, QK_TString& user);
};
