#include "Automation/FolvaneCADArguments.h"

#include <cstring>

namespace FolvaneCAD {

namespace {

// A by-value VARIANT argument may come wrapped as a reference to one.
const VARIANT& Unwrapped(const VARIANT& value) {
  if (value.vt == (VT_BYREF | VT_VARIANT) && value.pvarVal != nullptr) return *value.pvarVal;
  return value;
}

bool IntegerOf(const VARIANT& value, long* integer) {
  switch (value.vt) {
    case VT_I2: *integer = value.iVal; return true;
    case VT_I4: *integer = value.lVal; return true;
    case VT_BOOL: *integer = value.boolVal != 0 ? 1 : 0; return true;
    default: return false;
  }
}

bool InRange(long value, long low, long high) { return value >= low && value <= high; }

bool Fits(char parameter, const VARIANT& raw) {
  const VARIANT& value = Unwrapped(raw);
  long integer = 0;
  switch (parameter) {
    case 's': return value.vt == VT_BSTR;
    case 'i': return IntegerOf(value, &integer) && InRange(integer, -32768, 32767);
    case 'l': case 'b': case 'v': return IntegerOf(value, &integer);
    case 'r': return value.vt == VT_R8 || IntegerOf(value, &integer);
    case 'd': return value.vt == VT_DISPATCH;
    case 'x': return value.vt == VT_BSTR || Fits('i', value);
    case 'S': return raw.vt == (VT_BYREF | VT_BSTR) && raw.pbstrVal != nullptr;
    case 'R': return raw.vt == (VT_BYREF | VT_R8) && raw.pdblVal != nullptr;
    default: return false;
  }
}

}  // namespace

HRESULT CheckArguments(const char* parameters, const VARIANT* args, unsigned int count) {
  if (std::strlen(parameters) != count) return DISP_E_BADPARAMCOUNT;
  for (unsigned int i = 0; i < count; ++i) {
    if (!Fits(parameters[i], args[i])) return DISP_E_TYPEMISMATCH;
  }
  return S_OK;
}

BSTR NewBstr(const QK_TString& text) {
  std::wstring wide = text.wc_str();
  return SysAllocStringLen(wide.c_str(), static_cast<unsigned int>(wide.size()));
}

const VARIANT& Arguments::At(unsigned int index) const { return Unwrapped(args_[index]); }

QK_TString Arguments::Text(unsigned int index) const {
  BSTR text = At(index).bstrVal;
  return text == nullptr ? QK_TString() : QK_TString(text, static_cast<int>(SysStringLen(text)));
}

long Arguments::Integer(unsigned int index) const {
  long integer = 0;
  IntegerOf(At(index), &integer);
  return integer;
}

double Arguments::Real(unsigned int index) const {
  const VARIANT& value = At(index);
  return value.vt == VT_R8 ? value.dblVal : static_cast<double>(Integer(index));
}

IDispatch* Arguments::Object(unsigned int index) const { return At(index).pdispVal; }

void Arguments::SetText(unsigned int index, const QK_TString& text) const {
  BSTR* storage = args_[index].pbstrVal;
  SysFreeString(*storage);
  *storage = NewBstr(text);
}

void Arguments::SetReal(unsigned int index, double value) const { *args_[index].pdblVal = value; }

}  // namespace FolvaneCAD
