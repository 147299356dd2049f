#include "Automation/FolvaneCADAnswer.h"

#include <cstdint>

#include "Automation/FolvaneCADArguments.h"
#include "Base/FolvaneCADText.h"

namespace FolvaneCAD {

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

Answer Answer::StatusFor(Result result, short status) {
  return result == Result::kLongStatus ? Count(status) : Status(status);
}

Answer Answer::Object(IDispatch* object) {
  Answer answer(VT_DISPATCH);
  answer.object_ = std::shared_ptr<IDispatch>(object, [](IDispatch* held) { held->Release(); });
  return answer;
}

bool Answer::IsSuccess() const { return !exception_ && (type_ == VT_I2 || type_ == VT_I4) && integer_ == 0; }

QK_TString Answer::Summary() const {
  if (exception_) return "exception: " + text_;
  switch (type_) {
    case VT_I2: case VT_I4: return QK_TString::Format("%ld", integer_);
    case VT_R8: return FormatNumber(number_);
    case VT_BSTR: return QuotedText(text_);
    case VT_DISPATCH: return "<object>";
    default: return "-";
  }
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

}  // namespace FolvaneCAD
