#include "Model/FolvaneCADAttributeReading.h"

#include <algorithm>

#include "Base/FolvaneCADText.h"

namespace FolvaneCAD {

QK_TString AtLine(const QK_TXmlElement& element, const QK_TString& reason) {
  return QK_TString::Format("line %u: ", element.line) + reason;
}

bool TakeCode(AttributeReader& reader, const QK_TXmlElement& element, const char* name,
              std::vector<long> allowed, int* value, QK_TString* error) {
  const QK_TString* text = reader.Take(name);
  if (text == nullptr) return true;
  long code = 0;
  if (!ParseInteger(*text, &code) || std::find(allowed.begin(), allowed.end(), code) == allowed.end()) {
    *error = AtLine(element, QK_TString::Format("%s=\"%s\" is not a valid value", name, text->c_str()));
    return false;
  }
  *value = static_cast<int>(code);
  return true;
}

bool TakeNumber(AttributeReader& reader, const QK_TXmlElement& element, const char* name, double* value,
                QK_TString* error) {
  const QK_TString* text = reader.Take(name);
  if (text == nullptr) return true;
  if (!ParseNumber(*text, value)) {
    *error = AtLine(element, QK_TString::Format("%s=\"%s\" is not a number", name, text->c_str()));
    return false;
  }
  return true;
}

bool TakeWholeNumber(AttributeReader& reader, const QK_TXmlElement& element, const char* name, int low, int high,
                     int* value, QK_TString* error) {
  double number = *value;
  if (!TakeNumber(reader, element, name, &number, error)) return false;
  if (number != static_cast<double>(static_cast<long long>(number)) || number < low || number > high) {
    *error = AtLine(element, QK_TString::Format("%s=\"%g\" is not a whole number from %d to %d", name, number, low,
                                                high));
    return false;
  }
  *value = static_cast<int>(number);
  return true;
}

}  // namespace FolvaneCAD
