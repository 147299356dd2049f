// The automation side of a call on a CAD stand-in object: checking and
// reading the arguments of Invoke, and handing back the answer as a result
// VARIANT or as an automation exception.
#pragma once

#include <memory>

#include "OleAuto.h"
#include "QK_TString.h"

namespace FolvaneCAD {

// S_OK when the arguments fit the parameter letters (see OperationRow);
// DISP_E_BADPARAMCOUNT or DISP_E_TYPEMISMATCH otherwise. Numbers are taken
// from any integer type that holds them (and doubles from integers too);
// texts must be texts and out-parameters must point at caller storage of
// their exact type.
HRESULT CheckArguments(const char* parameters, const VARIANT* args, unsigned int count);

// Typed access to arguments that passed CheckArguments.
class Arguments {
 public:
  Arguments(VARIANT* args, unsigned int count) : args_(args), count_(count) {}

  QK_TString Text(unsigned int index) const;
  long Integer(unsigned int index) const;
  double Real(unsigned int index) const;
  bool Flag(unsigned int index) const { return Integer(index) != 0; }
  // Out-parameters: what the caller's storage holds is replaced.
  void SetText(unsigned int index, const QK_TString& text) const;
  void SetReal(unsigned int index, double value) const;

 private:
  const VARIANT& At(unsigned int index) const;

  VARIANT* args_;
  unsigned int count_;
};

// What an operation answers: nothing, a 16-bit status, a 32-bit count, a
// double, a text, or an automation exception.
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

  bool IsStatus() const { return type_ == VT_I2; }
  short status() const { return static_cast<short>(integer_); }

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

// An automation object of the stand-in. Respond answers one call; Invoke
// makes sure that no C++ exception crosses the automation boundary (an
// escaping one becomes an automation error).
class StandInObject : public OLE_TDispatchBase {
 public:
  HRESULT Invoke(DISPID id, WORD kind, VARIANT* args, unsigned int count, VARIANT* result,
                 EXCEPINFO* error) final;

 protected:
  virtual HRESULT Respond(DISPID id, WORD kind, VARIANT* args, unsigned int count, VARIANT* result,
                          EXCEPINFO* error) = 0;
};

// A new automation string holding `text`.
BSTR NewBstr(const QK_TString& text);

}  // namespace FolvaneCAD
