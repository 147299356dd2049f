// The dispatch driver of the application framework: a client-side wrapper of
// one automation object, with typed calls by dispatch id, and the
// framework's exceptions, which are thrown as heap pointers and freed by the
// catcher with Delete().
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <type_traits>

#include "OleAuto.h"

// Parameter-type bytes; a parameter list is a string of them, such as
// VTS_BSTR VTS_I2.
#define VTS_I2 "\x02"
#define VTS_I4 "\x03"
#define VTS_R8 "\x05"
#define VTS_BSTR "\x08"
#define VTS_DISPATCH "\x09"
#define VTS_BOOL "\x0B"
#define VTS_VARIANT "\x0C"
#define VTS_PI4 "\x43"
#define VTS_PR8 "\x45"
#define VTS_PBSTR "\x48"
#define VTS_NONE ""

class CString {
 public:
  CString() = default;
  CString(LPCWSTR text) : text_(text != nullptr ? text : L"") {}
  CString(std::wstring text) : text_(std::move(text)) {}
  bool IsEmpty() const { return text_.empty(); }
  int GetLength() const { return static_cast<int>(text_.size()); }
  LPCWSTR GetString() const { return text_.c_str(); }
  operator LPCWSTR() const { return text_.c_str(); }
  CString& operator+=(const CString& other) {
    text_ += other.text_;
    return *this;
  }
  friend bool operator==(const CString& a, const CString& b) { return a.text_ == b.text_; }

 private:
  std::wstring text_;
};

class CException {
 public:
  // Frees the exception; every catcher calls it exactly once.
  void Delete();
  // Framework exceptions alive in the process (leak checks).
  static long LiveCount();

 protected:
  CException();
  virtual ~CException();
  CException(const CException&) = delete;
  CException& operator=(const CException&) = delete;
};

class COleException : public CException {
 public:
  COleException();
  explicit COleException(SCODE code);
  // The result code of any framework exception: the code of a
  // COleException, E_FAIL for others.
  static SCODE Process(const CException* exception);
  SCODE m_sc = S_OK;
};

class COleDispatchException : public CException {
 public:
  COleDispatchException(WORD code, const CString& source, const CString& description, SCODE error);
  WORD m_wCode;
  CString m_strSource;
  CString m_strDescription;
  SCODE m_scError;
};

// Throw a new framework exception (as a pointer).
[[noreturn]] void AfxThrowOleException(SCODE code);
[[noreturn]] void AfxThrowOleDispatchException(WORD code, LPCWSTR description, LPCWSTR source = L"");

class COleDispatchDriver {
 public:
  COleDispatchDriver() = default;
  explicit COleDispatchDriver(LPDISPATCH dispatch, BOOL autoRelease = TRUE);
  ~COleDispatchDriver();
  COleDispatchDriver(const COleDispatchDriver&) = delete;
  COleDispatchDriver& operator=(const COleDispatchDriver&) = delete;

  // Creates the automation object registered under `progId`. On failure
  // returns FALSE and, when given, fills `error` with the result code.
  BOOL CreateDispatch(LPCTSTR progId, COleException* error = nullptr);
  void AttachDispatch(LPDISPATCH dispatch, BOOL autoRelease = TRUE);
  LPDISPATCH DetachDispatch();
  // Releases the object when it is owned; the driver then holds nothing.
  void ReleaseDispatch();

  // Calls member `id` as `kind`. `paramInfo` holds one VTS_ byte per
  // argument, and each argument must be of that byte's type:
  //   VTS_I2 short, VTS_I4 int32_t, VTS_R8 double, VTS_BOOL bool,
  //   VTS_BSTR a wide C string, VTS_DISPATCH IDispatch*, VTS_VARIANT
  //   const VARIANT*, VTS_PI4 int32_t*, VTS_PR8 double*, VTS_PBSTR BSTR*.
  // The result is written to `result` by `resultType`: VT_EMPTY nothing,
  // VT_I2 short, VT_I4 int32_t, VT_R8 double, VT_BOOL BOOL, VT_BSTR CString,
  // VT_DISPATCH IDispatch* (a reference the caller owns).
  // A failure of the object is thrown as COleDispatchException* (the object
  // raised an exception) or COleException* (any other result code). An
  // argument list that does not match `paramInfo` is a programming error and
  // throws std::logic_error.
  template <class... Args>
  void InvokeHelper(DISPID id, WORD kind, VARTYPE resultType, void* result, const char* paramInfo,
                    Args... args);

  void GetProperty(DISPID id, VARTYPE type, void* value) const;
  template <class T>
  void SetProperty(DISPID id, VARTYPE type, T value);

  LPDISPATCH m_lpDispatch = nullptr;
  BOOL m_bAutoRelease = TRUE;

 private:
  // One argument, tagged with its C++ type so that it can be checked
  // against its VTS_ byte.
  struct Argument {
    enum class Kind { I2, I4, R8, Bool, Text, Dispatch, Variant, PI4, PR8, PBSTR };
    Kind kind;
    VARIANT value;
  };
  static Argument Tag(short value);
  static Argument Tag(std::int32_t value);
  static Argument Tag(double value);
  static Argument Tag(bool value);
  static Argument Tag(LPCOLESTR value);
  static Argument Tag(IDispatch* value);
  static Argument Tag(const VARIANT* value);
  static Argument Tag(std::int32_t* value);
  static Argument Tag(double* value);
  static Argument Tag(BSTR* value);

  void Invoke(DISPID id, WORD kind, VARTYPE resultType, void* result, const char* paramInfo,
              Argument* arguments, unsigned int count) const;
  // Throws std::logic_error when the arguments do not match `paramInfo`.
  static void CheckArguments(DISPID id, const char* paramInfo, const Argument* arguments,
                             unsigned int count);
  // The argument as passed to the object; `owned` tells whether it is a
  // string or copy made for the call, which the caller must clear.
  static VARIANT CallValue(const Argument& argument, bool* owned);
};

template <class... Args>
void COleDispatchDriver::InvokeHelper(DISPID id, WORD kind, VARTYPE resultType, void* result,
                                      const char* paramInfo, Args... args) {
  static_assert(((std::is_same_v<Args, short> || std::is_same_v<Args, std::int32_t> ||
                  std::is_same_v<Args, double> || std::is_same_v<Args, bool> ||
                  std::is_same_v<Args, LPCOLESTR> ||
                  std::is_same_v<Args, BSTR> || std::is_same_v<Args, IDispatch*> ||
                  std::is_same_v<Args, const VARIANT*> || std::is_same_v<Args, VARIANT*> ||
                  std::is_same_v<Args, std::int32_t*> || std::is_same_v<Args, double*> ||
                  std::is_same_v<Args, BSTR*>) && ...),
                "InvokeHelper argument of a type that automation does not pass");
  Argument arguments[sizeof...(Args) + 1] = {Tag(args)...};
  Invoke(id, kind, resultType, result, paramInfo, arguments, sizeof...(Args));
}

template <class T>
void COleDispatchDriver::SetProperty(DISPID id, VARTYPE type, T value) {
  const char info[2] = {static_cast<char>(type), 0};
  Argument argument[1] = {Tag(value)};
  Invoke(id, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr, info, argument, 1);
}
