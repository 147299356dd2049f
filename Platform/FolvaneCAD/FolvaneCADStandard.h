// The standards component of the CAD stand-in. It answers its last error
// text (method 7 conventional, 8 enterprise; no parameters, a text) and, on
// the enterprise component, the login (method 1: location, user, password
// and two numbers; status 0, or 1 with the refusal as error text). Opening,
// running and saving standards, menus and document plots are not part of the
// stand-in: every other call raises an automation exception that says so.
#pragma once

#include "FolvaneCADDispatch.h"
#include "FolvaneCADOperations.h"
#include "OleAuto.h"

namespace FolvaneCAD {

class StandardComponent : public StandInObject {
 public:
  explicit StandardComponent(Flavour flavour) : flavour_(flavour) {}

 protected:
  HRESULT Respond(DISPID id, WORD kind, VARIANT* args, unsigned int count, VARIANT* result,
                  EXCEPINFO* error) override;

 private:
  ~StandardComponent() override = default;

  Answer Login(const Arguments& args);
  Answer NotAvailable(DISPID id);

  Flavour flavour_;
  QK_TString lastError_;
  bool loggedIn_ = false;
};

}  // namespace FolvaneCAD
