// Test helper: an automation object that answers calls from a script and
// records every call it gets.
//
//   ScriptedDispatch* object = ScriptedDispatch::Create();
//   object->On(12, DISPATCH_METHOD).Returns(int32_t{3}).WritesOut(0, L"v1.2");
//   object->On(13, DISPATCH_PROPERTYGET).Raises(7, L"Part", L"No part open");
//   ... code under test calls the object ...
//   EXPECT_EQ(object->calls, (std::vector<ScriptedDispatch::Call>{{12, DISPATCH_METHOD, {{VT_I2, L"1"}}}}));
//
// A member that was not scripted answers DISP_E_MEMBERNOTFOUND. Scripted
// values are kept as plain C++ values, so the object holds no automation
// strings of its own and string leak checks can be taken around it.
#pragma once

#include <cstdio>
#include <map>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "OleAuto.h"

class ScriptedDispatch : public OLE_TDispatchBase {
 public:
  // One argument as the object received it: its type and its value as text
  // (by-reference arguments with the value they had on entry).
  struct Argument {
    VARTYPE type;
    std::wstring value;
    friend bool operator==(const Argument& a, const Argument& b) {
      return a.type == b.type && a.value == b.value;
    }
  };

  struct Call {
    DISPID id;
    WORD kind;
    std::vector<Argument> arguments;
    friend bool operator==(const Call& a, const Call& b) {
      return a.id == b.id && a.kind == b.kind && a.arguments == b.arguments;
    }
    // For instance "method 12 (VT_I2 1, VT_BYREF|VT_BSTR v1.0)".
    std::wstring Text() const {
      std::wstring text = KindText(kind) + L" " + std::to_wstring(id) + L" (";
      for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (i > 0) text += L", ";
        text += TypeText(arguments[i].type) + L" " + arguments[i].value;
      }
      return text + L")";
    }
    // Lets test failures show calls readably.
    friend void PrintTo(const Call& call, std::ostream* out) {
      for (wchar_t c : call.Text()) *out << ((c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?');
    }
  };

  // A scripted value, turned into a fresh VARIANT on every answer.
  struct Value {
    VARTYPE type = VT_EMPTY;
    std::int32_t integer = 0;             // VT_I2, VT_I4, VT_BOOL
    double number = 0;                    // VT_R8
    std::wstring text;                    // VT_BSTR
    std::shared_ptr<IDispatch> dispatch;  // VT_DISPATCH, a reference held by the script
  };

  // What one member answers when called as one kind.
  class Response {
   public:
    Response& Returns(short value) { return SetResult(Integer(VT_I2, value)); }
    Response& Returns(std::int32_t value) { return SetResult(Integer(VT_I4, value)); }
    Response& Returns(double value) { return SetResult(Number(value)); }
    Response& Returns(bool value) { return SetResult(Integer(VT_BOOL, value ? VARIANT_TRUE : VARIANT_FALSE)); }
    Response& Returns(const wchar_t* value) { return SetResult(Text(value)); }
    Response& Returns(IDispatch* value) {
      Value result;
      result.type = VT_DISPATCH;
      result.dispatch = Hold(value);
      return SetResult(result);
    }

    // Writes into the by-reference argument at `position` (0 = first).
    Response& WritesOut(unsigned int position, std::int32_t value) {
      return SetOut(position, Integer(VT_I4, value));
    }
    Response& WritesOut(unsigned int position, double value) { return SetOut(position, Number(value)); }
    Response& WritesOut(unsigned int position, const wchar_t* value) { return SetOut(position, Text(value)); }

    // Answers with a failed result code.
    Response& Fails(HRESULT code) {
      failure_ = code;
      return *this;
    }
    // Raises an automation exception (DISP_E_EXCEPTION with the details).
    Response& Raises(WORD code, const wchar_t* source, const wchar_t* description, SCODE scode = 0) {
      raises_ = true;
      code_ = code;
      source_ = source;
      description_ = description;
      scode_ = scode;
      return *this;
    }

    HRESULT Answer(VARIANT* args, unsigned int count, VARIANT* result, EXCEPINFO* error) const {
      if (FAILED(failure_)) return failure_;
      if (raises_) return Raise(error);
      for (const auto& [position, value] : out_) {
        const HRESULT hr = WriteOut(value, position, args, count);
        if (FAILED(hr)) return hr;
      }
      if (result != nullptr) {
        VariantClear(result);
        *result = ToVariant(result_);
      }
      return S_OK;
    }

   private:
    static Value Integer(VARTYPE type, std::int32_t integer) {
      Value value;
      value.type = type;
      value.integer = integer;
      return value;
    }
    static Value Number(double number) {
      Value value;
      value.type = VT_R8;
      value.number = number;
      return value;
    }
    static Value Text(const wchar_t* text) {
      Value value;
      value.type = VT_BSTR;
      value.text = text != nullptr ? text : L"";
      return value;
    }
    static std::shared_ptr<IDispatch> Hold(IDispatch* dispatch) {
      if (dispatch == nullptr) return nullptr;
      dispatch->AddRef();
      return std::shared_ptr<IDispatch>(dispatch, [](IDispatch* held) { held->Release(); });
    }
    Response& SetResult(const Value& value) {
      result_ = value;
      return *this;
    }
    Response& SetOut(unsigned int position, const Value& value) {
      out_[position] = value;
      return *this;
    }

    HRESULT Raise(EXCEPINFO* error) const {
      if (error != nullptr) {
        error->wCode = code_;
        error->bstrSource = SysAllocString(source_.c_str());
        error->bstrDescription = SysAllocString(description_.c_str());
        error->scode = scode_;
      }
      return DISP_E_EXCEPTION;
    }

    // Stores `value` where the by-reference argument points, as a server
    // does: a string argument's old BSTR is freed and replaced.
    static HRESULT WriteOut(const Value& value, unsigned int position, VARIANT* args, unsigned int count) {
      if (position >= count) return DISP_E_BADPARAMCOUNT;
      VARIANT& target = args[position];
      if (target.vt != (VT_BYREF | value.type)) return DISP_E_TYPEMISMATCH;
      switch (value.type) {
        case VT_I4:
          *target.plVal = value.integer;
          break;
        case VT_R8:
          *target.pdblVal = value.number;
          break;
        case VT_BSTR:
          SysFreeString(*target.pbstrVal);
          *target.pbstrVal = SysAllocString(value.text.c_str());
          break;
        default:
          return DISP_E_TYPEMISMATCH;
      }
      return S_OK;
    }

    // A new VARIANT owning its own string or reference.
    static VARIANT ToVariant(const Value& value) {
      VARIANT variant;
      VariantInit(&variant);
      variant.vt = value.type;
      switch (value.type) {
        case VT_I2:
        case VT_BOOL:
          variant.iVal = static_cast<short>(value.integer);
          break;
        case VT_I4:
          variant.lVal = value.integer;
          break;
        case VT_R8:
          variant.dblVal = value.number;
          break;
        case VT_BSTR:
          variant.bstrVal = SysAllocString(value.text.c_str());
          break;
        case VT_DISPATCH:
          variant.pdispVal = value.dispatch.get();
          if (variant.pdispVal != nullptr) variant.pdispVal->AddRef();
          break;
        default:
          break;
      }
      return variant;
    }

    Value result_;
    std::map<unsigned int, Value> out_;
    HRESULT failure_ = S_OK;
    bool raises_ = false;
    WORD code_ = 0;
    std::wstring source_;
    std::wstring description_;
    SCODE scode_ = 0;
  };

  // A new object holding one reference, owned by the caller.
  static ScriptedDispatch* Create() { return new ScriptedDispatch(); }

  // A factory for OLE_RegisterProgID that hands out new references to
  // `object`. The factory holds a reference of its own until it is
  // unregistered.
  static OLE_TFactory SharedFactory(ScriptedDispatch* object) {
    object->AddRef();
    std::shared_ptr<ScriptedDispatch> held(object, [](ScriptedDispatch* shared) { shared->Release(); });
    return [held]() -> IDispatch* {
      held->AddRef();
      return held.get();
    };
  }

  // The response of member `id` called as `kind`, to be scripted.
  Response& On(DISPID id, WORD kind) { return responses_[{id, kind}]; }

  HRESULT Invoke(DISPID id, WORD kind, VARIANT* args, unsigned int count, VARIANT* result,
                 EXCEPINFO* error) override {
    calls.push_back(Record(id, kind, args, count));
    auto found = responses_.find({id, kind});
    if (found == responses_.end()) return DISP_E_MEMBERNOTFOUND;
    return found->second.Answer(args, count, result, error);
  }

  // Every call received, in order.
  std::vector<Call> calls;

  // How a dispatch argument is recorded.
  static std::wstring DispatchText(const IDispatch* dispatch) {
    if (dispatch == nullptr) return L"null";
    wchar_t text[32];
    std::swprintf(text, 32, L"dispatch %p", static_cast<const void*>(dispatch));
    return text;
  }

 private:
  ScriptedDispatch() = default;

  static Call Record(DISPID id, WORD kind, const VARIANT* args, unsigned int count) {
    Call call{id, kind, {}};
    for (unsigned int i = 0; i < count; ++i) call.arguments.push_back({args[i].vt, ValueText(args[i])});
    return call;
  }

  static std::wstring ValueText(const VARIANT& value) {
    const bool byReference = (value.vt & VT_BYREF) != 0;
    if (byReference && value.pvarVal == nullptr) return L"null";
    switch (value.vt & ~VT_BYREF) {
      case VT_I2:
        return std::to_wstring(byReference ? *value.piVal : value.iVal);
      case VT_I4:
        return std::to_wstring(byReference ? *value.plVal : value.lVal);
      case VT_R8:
        return NumberText(byReference ? *value.pdblVal : value.dblVal);
      case VT_BOOL:
        return byReference ? L"?" : BoolText(value.boolVal);
      case VT_BSTR: {
        const BSTR text = byReference ? *value.pbstrVal : value.bstrVal;
        return text != nullptr ? std::wstring(text, SysStringLen(text)) : std::wstring();
      }
      case VT_DISPATCH:
        return byReference ? L"?" : DispatchText(value.pdispVal);
      case VT_VARIANT:
        return byReference ? ValueText(*value.pvarVal) : L"?";
      case VT_EMPTY:
        return L"";
      default:
        return L"?";
    }
  }

  // Anything but the two automation truth values shows as its number.
  static std::wstring BoolText(VARIANT_BOOL value) {
    if (value == VARIANT_TRUE) return L"true";
    if (value == VARIANT_FALSE) return L"false";
    return std::to_wstring(value);
  }

  static std::wstring NumberText(double number) {
    std::wostringstream text;
    text.precision(15);
    text << number;
    return text.str();
  }

  static std::wstring KindText(WORD kind) {
    switch (kind) {
      case DISPATCH_METHOD:
        return L"method";
      case DISPATCH_PROPERTYGET:
        return L"get";
      case DISPATCH_PROPERTYPUT:
        return L"put";
      default:
        return L"kind " + std::to_wstring(kind);
    }
  }

  static std::wstring TypeText(VARTYPE type) {
    static const std::pair<VARTYPE, const wchar_t*> kNames[] = {
        {VT_EMPTY, L"VT_EMPTY"}, {VT_I2, L"VT_I2"},     {VT_I4, L"VT_I4"},           {VT_R8, L"VT_R8"},
        {VT_BSTR, L"VT_BSTR"},   {VT_BOOL, L"VT_BOOL"}, {VT_DISPATCH, L"VT_DISPATCH"}, {VT_VARIANT, L"VT_VARIANT"}};
    const std::wstring prefix = (type & VT_BYREF) != 0 ? L"VT_BYREF|" : L"";
    const auto base = static_cast<VARTYPE>(type & ~VT_BYREF);
    for (const auto& [code, name] : kNames) {
      if (code == base) return prefix + name;
    }
    return prefix + L"VT " + std::to_wstring(base);
  }

  std::map<std::pair<DISPID, WORD>, Response> responses_;
};
