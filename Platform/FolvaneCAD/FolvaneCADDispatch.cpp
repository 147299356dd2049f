#include "FolvaneCADDispatch.h"

#include <cstring>
#include <exception>

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

void Arguments::SetText(unsigned int index, const QK_TString& text) const {
  BSTR* storage = args_[index].pbstrVal;
  SysFreeString(*storage);
  *storage = NewBstr(text);
}

void Arguments::SetReal(unsigned int index, double value) const { *args_[index].pdblVal = value; }

Answer Answer::Status(short status) {
  Answer answer(VT_I2);
  answer.integer_ = status;
  return answer;
}

Answer Answer::Count(long count) {
  Answer answer(VT_I4);
  answer.integer_ = count;
  return answer;
}

Answer Answer::Number(double number) {
  Answer answer(VT_R8);
  answer.number_ = number;
  return answer;
}

Answer Answer::Text(const QK_TString& text) {
  Answer answer(VT_BSTR);
  answer.text_ = text;
  return answer;
}

Answer Answer::Exception(const QK_TString& description) {
  Answer answer(VT_EMPTY);
  answer.exception_ = true;
  answer.text_ = description;
  return answer;
}

Answer Answer::Failure(VARTYPE type, short status) {
  switch (type) {
    case VT_I2: return Status(status);
    case VT_I4: return Count(0);
    case VT_R8: return Number(-2.0);
    case VT_BSTR: return Text("");
    default: return None();
  }
}

Answer Answer::Object(IDispatch* object) {
  Answer answer(VT_DISPATCH);
  answer.object_ = std::shared_ptr<IDispatch>(object, [](IDispatch* held) { held->Release(); });
  return answer;
}

HRESULT Answer::Deliver(VARIANT* result, EXCEPINFO* error) const {
  if (exception_) {
    if (error != nullptr) {
      error->wCode = 0;
      error->scode = E_NOTIMPL;
      error->bstrSource = SysAllocString(L"FolvaneCAD");
      error->bstrDescription = NewBstr(text_);
    }
    return DISP_E_EXCEPTION;
  }
  if (result == nullptr || type_ == VT_EMPTY) return S_OK;
  result->vt = type_;
  switch (type_) {
    case VT_I2: result->iVal = static_cast<short>(integer_); break;
    case VT_I4: result->lVal = static_cast<std::int32_t>(integer_); break;
    case VT_R8: result->dblVal = number_; break;
    case VT_BSTR: result->bstrVal = NewBstr(text_); break;
    case VT_DISPATCH:
      result->pdispVal = object_.get();
      if (object_) object_->AddRef();
      break;
    default: break;
  }
  return S_OK;
}

HRESULT StandInObject::Invoke(DISPID id, WORD kind, VARIANT* args, unsigned int count, VARIANT* result,
                              EXCEPINFO* error) {
  try {
    return Respond(id, kind, args, count, result, error);
  } catch (const std::exception& e) {
    return Answer::Exception(QK_TString("Internal error of the CAD stand-in: ") + e.what()).Deliver(result, error);
  } catch (...) {
    return Answer::Exception("Internal error of the CAD stand-in").Deliver(result, error);
  }
}

}  // namespace FolvaneCAD
