#include "EDRAVOWrapper.h"

#include "ShapejobCodes.h"

namespace CAD {

namespace {

const DriverProfile kEnterpriseProfile = {
    "EDRAVOWrapper",
    L"FolvaneCAD-X.EDravoCtrl.1",
    L"FolvaneCAD-X.EDravoStandard.1",
    kEnterpriseMainIds,
    kEnterpriseStandardsIds,
    "Failed to initialize EDravo",
    "Failed to initialize EDravo Standard",
    "Save design failed.",
    nullptr,
    "Runstandard failed.",
};

}  // namespace

EDRAVOWrapper::EDRAVOWrapper(TW_TTask* reporter, const QK_TString& location, const QK_TString& userName,
                             const QK_TString& password)
    : DravoDriver(reporter, kEnterpriseProfile),
      location_(location),
      userName_(userName),
      password_(password) {
  StartControl();
  StartStandardControl();
}

EDRAVOWrapper::~EDRAVOWrapper() = default;

void EDRAVOWrapper::StartControl() {
  DravoDriver::StartControl();
  // Automation failures of the login become the start's failure too, so
  // that no framework exception leaves the driver as a pointer; a refused
  // login stays LoginFailed.
  ConvertingAutomationFailures(profile_.startFailure, [this] { Login(); });
}

void EDRAVOWrapper::Login() {
  if (mainControl_->Login(location_, userName_, password_) != Status::kDone) {
    Raise(LoginFailed(GetErrorString()));
  }
  mainControl_->AfterLogin();
}

void EDRAVOWrapper::LogInStandards() {
  const std::int16_t status = standards_->Login(location_, userName_, password_);
  Report(Severity::kInformation, "shapejobs.message.logindone");
  if (status != Status::kDone) Raise(LoginFailed(GetErrorString()));
}

}  // namespace CAD
