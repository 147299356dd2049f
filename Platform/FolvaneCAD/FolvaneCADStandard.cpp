#include "FolvaneCADStandard.h"

#include "FolvaneCADDataRoot.h"

namespace FolvaneCAD {

namespace {

constexpr DISPID kLoginId = 1;  // enterprise only

DISPID ErrorTextId(Flavour flavour) { return flavour == Flavour::kConventional ? 7 : 8; }

// What the calls of the standards component that the stand-in lacks are for.
const char* PurposeOf(Flavour flavour, DISPID id) {
  bool conventional = flavour == Flavour::kConventional;
  if (id == (conventional ? 1 : 2)) return "Opening a standard";
  if (id == (conventional ? 10 : 11)) return "Saving the design of a standard";
  if (id == (conventional ? 11 : 12)) return "The menu description of a standard";
  return nullptr;
}

}  // namespace

HRESULT StandardComponent::Respond(DISPID id, WORD kind, VARIANT* args, unsigned int count, VARIANT* result,
                                  EXCEPINFO* error) {
  if (id == ErrorTextId(flavour_) && (kind & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) != 0) {
    if (count != 0) return DISP_E_BADPARAMCOUNT;
    return Answer::Text(lastError_).Deliver(result, error);
  }
  if (flavour_ == Flavour::kEnterprise && id == kLoginId && (kind & DISPATCH_METHOD) != 0) {
    HRESULT checked = CheckArguments("sssii", args, count);
    if (FAILED(checked)) return checked;
    return Login(Arguments(args, count)).Deliver(result, error);
  }
  return NotAvailable(id).Deliver(result, error);
}

Answer StandardComponent::Login(const Arguments& args) {
  DataRoot root;
  QK_TString refusal;
  loggedIn_ = LogIn(args.Text(0), args.Text(1), args.Text(2), &root, &refusal);
  if (!loggedIn_) {
    lastError_ = refusal;
    return Answer::Status(1);
  }
  return Answer::Status(0);
}

Answer StandardComponent::NotAvailable(DISPID id) {
  const char* purpose = PurposeOf(flavour_, id);
  lastError_ = purpose != nullptr
                   ? QK_TString(purpose) + " is not available in this stand-in of FolvaneCAD"
                   : QK_TString::Format("Standards component method %d (running standards, menus, document plots) "
                                        "is not available in this stand-in of FolvaneCAD",
                                        static_cast<int>(id));
  return Answer::Exception(lastError_);
}

}  // namespace FolvaneCAD
