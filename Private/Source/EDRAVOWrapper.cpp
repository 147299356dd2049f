#include "EDRAVOWrapper.h"

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
    "Runstandard failed.",
};

}  // namespace

EDRAVOWrapper::EDRAVOWrapper(TW_TTask* reporter, const QK_TString& location, const QK_TString& userName,
                             const QK_TString& password)
    : DravoDriver(reporter, kEnterpriseProfile), location_(location), userName_(userName), password_(password) {
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
  if (mainControl_->Login(location_, userName_, password_) != 0) {
    Raise(LoginFailed(GetErrorString()), __LINE__);
  }
  mainControl_->AfterLogin();
}

void EDRAVOWrapper::LogInStandards() {
  const std::int16_t status = standards_->Login(location_, userName_, password_);
  Report(0, "shapejobs.message.logindone");
  if (status != 0) Raise(LoginFailed(GetErrorString()), __LINE__);
}

// The enterprise server has no design database of its own.
void EDRAVOWrapper::SetOption72(std::int16_t) {}
QK_TString EDRAVOWrapper::FindPerson(const QK_TString&, const QK_TString&) { return QK_TString(); }
QK_TString EDRAVOWrapper::FindCompany(const QK_TString&, const QK_TString&) { return QK_TString(); }
std::int16_t EDRAVOWrapper::SetDesignCustomer(std::int32_t, std::int32_t) { return 0; }
std::int16_t EDRAVOWrapper::SetDesignOwner(std::int32_t, std::int32_t) { return 0; }
std::int16_t EDRAVOWrapper::SetDesignDesigner(std::int32_t, std::int32_t) { return 0; }
std::int16_t EDRAVOWrapper::SetDesignSalesperson(std::int32_t, std::int32_t) { return 0; }
void EDRAVOWrapper::OpenDesignRecord() {}
void EDRAVOWrapper::ReleaseDesignRecord() {}
void EDRAVOWrapper::InitPerson() {}
void EDRAVOWrapper::ReleasePerson() {}
void EDRAVOWrapper::InitCompany() {}
void EDRAVOWrapper::ReleaseCompany() {}

}  // namespace CAD
