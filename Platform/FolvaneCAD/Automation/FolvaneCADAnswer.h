// What a call on a stand-in object answers, handed back to the caller as a
// result VARIANT or as an automation exception.
#pragma once

#include <memory>

#include "Automation/FolvaneCADDispatchTable.h"
#include "OleAuto.h"
#include "QK_TString.h"

namespace FolvaneCAD {

// Nothing, a 16-bit status, a 32-bit count, a double, a text, an object, or
// an automation exception.
class Answer {
 public:
  static Answer None() { return Answer(VT_EMPTY); }
  static Answer Status(short status);
  static Answer Count(long count);
  static Answer Number(double number);
  static Answer Text(const QK_TString& text);
  static Answer Exception(const QK_TString& description);
  // An automation object; takes over the one reference `object` holds.
  static Answer Object(IDispatch* object);
  // The value that says "failed" for a result of `type`: `status` for a
  // status, 0 for a count, -2.0 for a number, an empty text.
  static Answer Failure(VARTYPE type, short status);
  // `status` as the status a row of `result` answers (16 or 32 bits).
  static Answer StatusFor(Result result, short status);

  // True for a status (either width) of 0: the call did what it was asked.
  bool IsSuccess() const;
  // The answer as a journal line shows it: the number, the quoted text,
  // "<object>", "-" for nothing, or "exception:" and the description.
  QK_TString Summary() const;

  // Writes the answer into the caller's result (or its exception details)
  // and returns the result code of the call.
  HRESULT Deliver(VARIANT* result, EXCEPINFO* error) const;

 private:
  explicit Answer(VARTYPE type) : type_(type) {}

  VARTYPE type_;
  bool exception_ = false;
  long integer_ = 0;
  double number_ = 0.0;
  QK_TString text_;
  std::shared_ptr<IDispatch> object_;
};

}  // namespace FolvaneCAD
