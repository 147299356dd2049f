#include "QK_TTime.h"

QK_TTime QK_TTime::Now() { return QK_TTime(std::time(nullptr)); }

QK_TString QK_TTime::Format(const char* format) const {
  std::tm local{};
  localtime_r(&seconds_, &local);
  char buffer[256];
  std::size_t length = std::strftime(buffer, sizeof buffer, format, &local);
  return QK_TString(buffer, static_cast<int>(length));
}
