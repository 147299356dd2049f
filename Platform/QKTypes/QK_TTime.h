// Base library calendar time.
#pragma once

#include <ctime>

#include "QK_TString.h"

class QK_TTime {
 public:
  static QK_TTime Now();
  explicit QK_TTime(std::time_t seconds = 0) : seconds_(seconds) {}
  std::time_t Seconds() const { return seconds_; }
  // strftime-style text of the local time.
  QK_TString Format(const char* format) const;

 private:
  std::time_t seconds_;
};
