// The arguments of a call on a stand-in object: checking them against the
// parameter letters of its dispatch row, and reading them once they fit.
#pragma once

#include "OleAuto.h"
#include "QK_TString.h"

namespace FolvaneCAD {

// S_OK when the arguments fit the parameter letters (see DispatchRow);
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
  bool IsText(unsigned int index) const { return At(index).vt == VT_BSTR; }
  long Integer(unsigned int index) const;
  double Real(unsigned int index) const;
  bool Flag(unsigned int index) const { return Integer(index) != 0; }
  // The automation object; the caller holds it, so take a reference to keep it.
  IDispatch* Object(unsigned int index) const;
  // Out-parameters: what the caller's storage holds is replaced.
  void SetText(unsigned int index, const QK_TString& text) const;
  void SetReal(unsigned int index, double value) const;

 private:
  const VARIANT& At(unsigned int index) const;

  VARIANT* args_;
  unsigned int count_;
};

// A new automation string holding `text`.
BSTR NewBstr(const QK_TString& text);

}  // namespace FolvaneCAD
