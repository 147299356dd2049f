#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "DRAVOInterfaceLayoutRecords.h"

namespace CAD {

bool NTLookupHandler::Lookup(const QK_TString& name, const QK_TString&, TName&, QK_TString& value) {
  if (name == "nestingtype") {
    value = nestingType;
  } else if (name == "graindirection") {
    value = QK_TString::Format("%d", grainDirection);
  } else if (name == "formatclass") {
    value = formatClass;
  } else {
    return false;
  }
  return true;
}

void* NTLookupHandler::QK_MostDerivedObject() const { return const_cast<NTLookupHandler*>(this); }

// The handler is no registered class: it answers only to its own name.
void* NTLookupHandler::QK_DynamicInfo(const char* name) const {
  if (name != nullptr && std::strcmp(name, "NTLookupHandler") == 0) return const_cast<NTLookupHandler*>(this);
  return nullptr;
}

// std::stof's reading, with the texts the layout's messages carry rather
// than the library's own ("stof").
double ReadFloatText(const QK_TString& text) {
  const char* begin = text.c_str();
  char* end = nullptr;
  errno = 0;
  const float value = std::strtof(begin, &end);
  if (end == begin) throw std::invalid_argument("invalid stof argument");
  if (errno == ERANGE) throw std::out_of_range("stof argument out of range");
  return static_cast<double>(value);
}

}  // namespace CAD
