// Automation basics: result codes, automation strings (BSTR), VARIANT, the
// IDispatch interface, apartment initialisation and creation of automation
// objects by ProgID. In-process only: an automation server registers a
// factory for its ProgID, and clients create objects through it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

using HRESULT = std::int32_t;
using SCODE = HRESULT;
using DISPID = std::int32_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using ULONG = std::uint32_t;
using BYTE = unsigned char;
using BOOL = int;
using VARTYPE = std::uint16_t;
using VARIANT_BOOL = short;
using OLECHAR = wchar_t;
using BSTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;
using LPCWSTR = const wchar_t*;
using LPWSTR = wchar_t*;
using LPCTSTR = const wchar_t*;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT DISP_E_MEMBERNOTFOUND = static_cast<HRESULT>(0x80020003u);
constexpr HRESULT DISP_E_TYPEMISMATCH = static_cast<HRESULT>(0x80020005u);
constexpr HRESULT DISP_E_EXCEPTION = static_cast<HRESULT>(0x80020009u);
constexpr HRESULT DISP_E_BADPARAMCOUNT = static_cast<HRESULT>(0x8002000Eu);
constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154u);
constexpr HRESULT CO_E_NOTINITIALIZED = static_cast<HRESULT>(0x800401F0u);

inline bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
inline bool FAILED(HRESULT hr) { return hr < 0; }

// Invoke kinds.
constexpr WORD DISPATCH_METHOD = 1;
constexpr WORD DISPATCH_PROPERTYGET = 2;
constexpr WORD DISPATCH_PROPERTYPUT = 4;

enum VARENUM : VARTYPE {
  VT_EMPTY = 0,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_R8 = 5,
  VT_BSTR = 8,
  VT_DISPATCH = 9,
  VT_BOOL = 11,
  VT_VARIANT = 12,
  VT_BYREF = 0x4000,
};

// Automation strings. A BSTR is allocated here and must be freed with
// SysFreeString; SysFreeString(nullptr) is allowed.
BSTR SysAllocString(LPCOLESTR text);
BSTR SysAllocStringLen(LPCOLESTR text, unsigned int length);
void SysFreeString(BSTR text);
unsigned int SysStringLen(BSTR text);
// Automation strings allocated and not yet freed (leak checks).
long OLE_LiveStringCount();

class IDispatch;

struct VARIANT {
  VARTYPE vt;
  union {
    short iVal;
    std::int32_t lVal;
    double dblVal;
    VARIANT_BOOL boolVal;
    BSTR bstrVal;
    IDispatch* pdispVal;
    short* piVal;
    std::int32_t* plVal;
    double* pdblVal;
    BSTR* pbstrVal;
    VARIANT* pvarVal;
  };
};

void VariantInit(VARIANT* value);
// Frees an owned BSTR and releases an owned IDispatch; leaves VT_EMPTY.
HRESULT VariantClear(VARIANT* value);
// A deep copy: BSTRs are duplicated, IDispatch references added.
HRESULT VariantCopy(VARIANT* target, const VARIANT* source);

// Error details of an automation object that raised an exception.
struct EXCEPINFO {
  WORD wCode;
  BSTR bstrSource;
  BSTR bstrDescription;
  SCODE scode;
};

// Late-bound automation object, reference counted.
class IDispatch {
 public:
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;
  // Calls member `id` as `kind` with `count` arguments in call order (first
  // parameter first). By-reference arguments point at the caller's storage.
  // On DISP_E_EXCEPTION the object fills `error`; the caller frees its
  // strings.
  virtual HRESULT Invoke(DISPID id, WORD kind, VARIANT* args, unsigned int count, VARIANT* result,
                         EXCEPINFO* error) = 0;

 protected:
  virtual ~IDispatch() = default;
};
using LPDISPATCH = IDispatch*;

// Reference counting for automation objects written here.
class OLE_TDispatchBase : public IDispatch {
 public:
  ULONG AddRef() override;
  ULONG Release() override;
  // Automation objects alive in the process (leak checks).
  static long LiveObjectCount();

 protected:
  OLE_TDispatchBase();
  ~OLE_TDispatchBase() override;

 private:
  ULONG references_ = 1;
};

// Apartment initialisation, counted per thread.
HRESULT CoInitialize(void* reserved);
void CoUninitialize();
// CoInitialize calls minus CoUninitialize calls on this thread.
int OLE_ApartmentCount();

// Automation servers register a factory (returning an object holding one
// reference) under a ProgID; clients create objects from it.
using OLE_TFactory = std::function<IDispatch*()>;
void OLE_RegisterProgID(const std::wstring& progId, OLE_TFactory factory);
void OLE_UnregisterProgID(const std::wstring& progId);
// REGDB_E_CLASSNOTREG for an unknown ProgID, CO_E_NOTINITIALIZED when the
// thread has no apartment, E_FAIL when the factory made nothing.
HRESULT OLE_CreateObject(LPCOLESTR progId, IDispatch** object);

// The text of a system or automation result code.
constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x00001000;
// Writes the message of `messageId` into `buffer` (at most `size`
// characters, NUL included) and returns its length, or 0 when there is no
// message for the code or it does not fit.
DWORD FormatMessageW(DWORD flags, const void* source, DWORD messageId, DWORD languageId, LPWSTR buffer,
                     DWORD size, void* arguments);
