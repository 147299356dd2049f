#include "AfxDisp.h"

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

namespace {

std::atomic<long> live_exceptions{0};

VARIANT MakeVariant(VARTYPE type) {
  VARIANT value;
  VariantInit(&value);
  value.vt = type;
  return value;
}

// The VARIANTs of one call, in call order. Clears on destruction those that
// were made for the call; borrowed ones (the caller's objects and
// by-reference storage) are left alone.
class CallVariants {
 public:
  explicit CallVariants(unsigned int count) : values_(count), owned_(count, false) {}
  ~CallVariants() {
    for (std::size_t i = 0; i < values_.size(); ++i) {
      if (owned_[i]) VariantClear(&values_[i]);
    }
  }
  CallVariants(const CallVariants&) = delete;
  CallVariants& operator=(const CallVariants&) = delete;

  void Set(unsigned int position, const VARIANT& value, bool owned) {
    values_[position] = value;
    owned_[position] = owned;
  }
  VARIANT* data() { return values_.empty() ? nullptr : values_.data(); }

 private:
  std::vector<VARIANT> values_;
  std::vector<bool> owned_;
};

// Clears a VARIANT when leaving the scope, whichever way.
class VariantGuard {
 public:
  explicit VariantGuard(VARIANT* value) : value_(value) { VariantInit(value_); }
  ~VariantGuard() { VariantClear(value_); }
  VariantGuard(const VariantGuard&) = delete;
  VariantGuard& operator=(const VariantGuard&) = delete;

 private:
  VARIANT* value_;
};

// Frees the strings an object put into an EXCEPINFO when leaving the scope.
class ExcepInfoGuard {
 public:
  explicit ExcepInfoGuard(EXCEPINFO* info) : info_(info) { *info_ = EXCEPINFO{}; }
  ~ExcepInfoGuard() {
    SysFreeString(info_->bstrSource);
    SysFreeString(info_->bstrDescription);
  }
  ExcepInfoGuard(const ExcepInfoGuard&) = delete;
  ExcepInfoGuard& operator=(const ExcepInfoGuard&) = delete;

 private:
  EXCEPINFO* info_;
};

bool IsResultType(VARTYPE type) {
  switch (type) {
    case VT_EMPTY:
    case VT_I2:
    case VT_I4:
    case VT_R8:
    case VT_BOOL:
    case VT_BSTR:
    case VT_DISPATCH:
      return true;
    default:
      return false;
  }
}

void CheckResultType(DISPID id, VARTYPE resultType, const void* result) {
  if (!IsResultType(resultType)) {
    throw std::logic_error("InvokeHelper of dispatch id " + std::to_string(id) + ": result type " +
                           std::to_string(resultType) + " is not supported");
  }
  if (resultType != VT_EMPTY && result == nullptr) {
    throw std::logic_error("InvokeHelper of dispatch id " + std::to_string(id) +
                           ": a result type is given but no result storage");
  }
}

// Moves the object's answer into `result`, by `resultType`. What is not
// handed over stays in `answer` for its guard to clear.
void StoreResult(VARIANT& answer, VARTYPE resultType, void* result) {
  if (resultType == VT_EMPTY) return;
  if (answer.vt != resultType) AfxThrowOleException(DISP_E_TYPEMISMATCH);
  switch (resultType) {
    case VT_I2:
      *static_cast<short*>(result) = answer.iVal;
      break;
    case VT_I4:
      *static_cast<std::int32_t*>(result) = answer.lVal;
      break;
    case VT_R8:
      *static_cast<double*>(result) = answer.dblVal;
      break;
    case VT_BOOL:
      *static_cast<BOOL*>(result) = answer.boolVal != 0 ? TRUE : FALSE;
      break;
    case VT_BSTR:
      *static_cast<CString*>(result) = CString(answer.bstrVal);
      break;
    case VT_DISPATCH:
      *static_cast<IDispatch**>(result) = answer.pdispVal;
      answer.vt = VT_EMPTY;  // the reference now belongs to the caller
      break;
    default:
      break;
  }
}

[[noreturn]] void ThrowDispatchException(const EXCEPINFO& info) {
  throw new COleDispatchException(info.wCode, CString(info.bstrSource), CString(info.bstrDescription),
                                  info.scode);
}

std::string HexByte(unsigned char byte) {
  char text[8];
  std::snprintf(text, sizeof(text), "0x%02X", byte);
  return text;
}

}  // namespace

// ---------------------------------------------------------------------------
// Exceptions

CException::CException() { ++live_exceptions; }

CException::~CException() { --live_exceptions; }

void CException::Delete() { delete this; }

long CException::LiveCount() { return live_exceptions.load(); }

COleException::COleException() = default;

COleException::COleException(SCODE code) : m_sc(code) {}

SCODE COleException::Process(const CException* exception) {
  if (exception == nullptr) return E_POINTER;
  const auto* ole = dynamic_cast<const COleException*>(exception);
  return ole != nullptr ? ole->m_sc : E_FAIL;
}

COleDispatchException::COleDispatchException(WORD code, const CString& source, const CString& description,
                                             SCODE error)
    : m_wCode(code), m_strSource(source), m_strDescription(description), m_scError(error) {}

void AfxThrowOleException(SCODE code) { throw new COleException(code); }

void AfxThrowOleDispatchException(WORD code, LPCWSTR description, LPCWSTR source) {
  throw new COleDispatchException(code, source, description, DISP_E_EXCEPTION);
}

// ---------------------------------------------------------------------------
// COleDispatchDriver: holding the object

COleDispatchDriver::COleDispatchDriver(LPDISPATCH dispatch, BOOL autoRelease)
    : m_lpDispatch(dispatch), m_bAutoRelease(autoRelease) {}

COleDispatchDriver::~COleDispatchDriver() { ReleaseDispatch(); }

BOOL COleDispatchDriver::CreateDispatch(LPCTSTR progId, COleException* error) {
  ReleaseDispatch();
  IDispatch* created = nullptr;
  const HRESULT hr = OLE_CreateObject(progId, &created);
  if (FAILED(hr)) {
    if (error != nullptr) error->m_sc = hr;
    return FALSE;
  }
  m_lpDispatch = created;
  m_bAutoRelease = TRUE;
  return TRUE;
}

void COleDispatchDriver::AttachDispatch(LPDISPATCH dispatch, BOOL autoRelease) {
  ReleaseDispatch();
  m_lpDispatch = dispatch;
  m_bAutoRelease = autoRelease;
}

LPDISPATCH COleDispatchDriver::DetachDispatch() {
  LPDISPATCH detached = m_lpDispatch;
  m_lpDispatch = nullptr;
  return detached;
}

void COleDispatchDriver::ReleaseDispatch() {
  if (m_lpDispatch != nullptr && m_bAutoRelease) m_lpDispatch->Release();
  m_lpDispatch = nullptr;
}

// ---------------------------------------------------------------------------
// COleDispatchDriver: arguments

COleDispatchDriver::Argument COleDispatchDriver::Tag(short value) {
  Argument argument{Argument::Kind::I2, MakeVariant(VT_I2)};
  argument.value.iVal = value;
  return argument;
}

COleDispatchDriver::Argument COleDispatchDriver::Tag(std::int32_t value) {
  Argument argument{Argument::Kind::I4, MakeVariant(VT_I4)};
  argument.value.lVal = value;
  return argument;
}

COleDispatchDriver::Argument COleDispatchDriver::Tag(double value) {
  Argument argument{Argument::Kind::R8, MakeVariant(VT_R8)};
  argument.value.dblVal = value;
  return argument;
}

COleDispatchDriver::Argument COleDispatchDriver::Tag(bool value) {
  Argument argument{Argument::Kind::Bool, MakeVariant(VT_BOOL)};
  argument.value.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return argument;
}

// The text is only pointed at here; Invoke passes a BSTR copy of it.
COleDispatchDriver::Argument COleDispatchDriver::Tag(LPCOLESTR value) {
  Argument argument{Argument::Kind::Text, MakeVariant(VT_BSTR)};
  argument.value.bstrVal = const_cast<BSTR>(value);
  return argument;
}

COleDispatchDriver::Argument COleDispatchDriver::Tag(IDispatch* value) {
  Argument argument{Argument::Kind::Dispatch, MakeVariant(VT_DISPATCH)};
  argument.value.pdispVal = value;
  return argument;
}

COleDispatchDriver::Argument COleDispatchDriver::Tag(const VARIANT* value) {
  Argument argument{Argument::Kind::Variant, MakeVariant(VT_BYREF | VT_VARIANT)};
  argument.value.pvarVal = const_cast<VARIANT*>(value);
  return argument;
}

COleDispatchDriver::Argument COleDispatchDriver::Tag(std::int32_t* value) {
  Argument argument{Argument::Kind::PI4, MakeVariant(VT_BYREF | VT_I4)};
  argument.value.plVal = value;
  return argument;
}

COleDispatchDriver::Argument COleDispatchDriver::Tag(double* value) {
  Argument argument{Argument::Kind::PR8, MakeVariant(VT_BYREF | VT_R8)};
  argument.value.pdblVal = value;
  return argument;
}

COleDispatchDriver::Argument COleDispatchDriver::Tag(BSTR* value) {
  Argument argument{Argument::Kind::PBSTR, MakeVariant(VT_BYREF | VT_BSTR)};
  argument.value.pbstrVal = value;
  return argument;
}

void COleDispatchDriver::CheckArguments(DISPID id, const char* paramInfo, const Argument* arguments,
                                        unsigned int count) {
  struct KindInfo {
    Argument::Kind kind;
    char vts;
    const char* name;
  };
  static const KindInfo kKinds[] = {
      {Argument::Kind::I2, VTS_I2[0], "VTS_I2 (short)"},
      {Argument::Kind::I4, VTS_I4[0], "VTS_I4 (int32_t)"},
      {Argument::Kind::R8, VTS_R8[0], "VTS_R8 (double)"},
      {Argument::Kind::Bool, VTS_BOOL[0], "VTS_BOOL (bool)"},
      {Argument::Kind::Text, VTS_BSTR[0], "VTS_BSTR (wide string)"},
      {Argument::Kind::Dispatch, VTS_DISPATCH[0], "VTS_DISPATCH (IDispatch*)"},
      {Argument::Kind::Variant, VTS_VARIANT[0], "VTS_VARIANT (const VARIANT*)"},
      {Argument::Kind::PI4, VTS_PI4[0], "VTS_PI4 (int32_t*)"},
      {Argument::Kind::PR8, VTS_PR8[0], "VTS_PR8 (double*)"},
      {Argument::Kind::PBSTR, VTS_PBSTR[0], "VTS_PBSTR (BSTR*)"},
  };
  const std::string call = "InvokeHelper of dispatch id " + std::to_string(id) + ": ";
  const std::string info = paramInfo != nullptr ? paramInfo : "";
  if (info.size() != count) {
    throw std::logic_error(call + std::to_string(count) + " arguments given, but the parameter list has " +
                           std::to_string(info.size()));
  }
  for (unsigned int i = 0; i < count; ++i) {
    const KindInfo* expected = nullptr;
    const KindInfo* given = nullptr;
    for (const KindInfo& known : kKinds) {
      if (known.vts == info[i]) expected = &known;
      if (known.kind == arguments[i].kind) given = &known;
    }
    const std::string position = "argument " + std::to_string(i + 1);
    if (expected == nullptr) {
      throw std::logic_error(call + "the parameter list has the unknown type byte " +
                             HexByte(static_cast<unsigned char>(info[i])) + " for " + position);
    }
    if (expected != given) {
      throw std::logic_error(call + position + " is given as " + given->name +
                             ", but the parameter list expects " + expected->name);
    }
  }
}

VARIANT COleDispatchDriver::CallValue(const Argument& argument, bool* owned) {
  *owned = false;
  if (argument.kind == Argument::Kind::Text) {
    VARIANT text = MakeVariant(VT_BSTR);
    text.bstrVal = SysAllocString(argument.value.bstrVal);
    if (argument.value.bstrVal != nullptr && text.bstrVal == nullptr) AfxThrowOleException(E_OUTOFMEMORY);
    *owned = true;
    return text;
  }
  if (argument.kind == Argument::Kind::Variant) {
    VARIANT copy = MakeVariant(VT_EMPTY);
    if (argument.value.pvarVal != nullptr) {
      const HRESULT hr = VariantCopy(&copy, argument.value.pvarVal);
      if (FAILED(hr)) AfxThrowOleException(hr);
    }
    *owned = true;
    return copy;
  }
  return argument.value;
}

// ---------------------------------------------------------------------------
// COleDispatchDriver: calls

void COleDispatchDriver::Invoke(DISPID id, WORD kind, VARTYPE resultType, void* result, const char* paramInfo,
                                Argument* arguments, unsigned int count) const {
  CheckArguments(id, paramInfo, arguments, count);
  CheckResultType(id, resultType, result);
  if (m_lpDispatch == nullptr) AfxThrowOleException(E_POINTER);

  CallVariants call(count);
  for (unsigned int i = 0; i < count; ++i) {
    bool owned = false;
    const VARIANT value = CallValue(arguments[i], &owned);
    call.Set(i, value, owned);
  }

  VARIANT answer;
  VariantGuard answerGuard(&answer);
  EXCEPINFO error;
  ExcepInfoGuard errorGuard(&error);
  const HRESULT hr = m_lpDispatch->Invoke(id, kind, call.data(), count, &answer, &error);
  if (hr == DISP_E_EXCEPTION) ThrowDispatchException(error);
  if (FAILED(hr)) AfxThrowOleException(hr);
  StoreResult(answer, resultType, result);
}

void COleDispatchDriver::GetProperty(DISPID id, VARTYPE type, void* value) const {
  Invoke(id, DISPATCH_PROPERTYGET, type, value, VTS_NONE, nullptr, 0);
}
