#include "DRAVOWrapper.h"

namespace CAD {

namespace {

const DriverProfile kConventionalProfile = {
    "DRAVOWrapper",
    L"FolvaneCAD-X.DravoCtrl.1",
    L"FolvaneCAD-X.DravoStandard.1",
    kConventionalMainIds,
    kConventionalStandardsIds,
    "Failed to initialize Dravo",
    "Failed to initialize Dravo Standard",
    "Save design failed",
    "Runstandard failed",
};

}  // namespace

#define RAISE(exception) Raise(exception, __LINE__)
#define FAIL_WITH_ERROR_TEXT(message) FailWithErrorText(QK_TString(message), __LINE__)

DRAVOWrapper::DRAVOWrapper(TW_TTask* reporter) : DravoDriver(reporter, kConventionalProfile) {
  StartControl();
  StartStandardControl();
}

DRAVOWrapper::~DRAVOWrapper() {
  // The database objects go before the controls; the company and person
  // objects work on the connection, so they go before it.
  company_.reset();
  person_.reset();
  record_.reset();
  connection_.reset();
}

void DRAVOWrapper::SetDefaultsLocation(const QK_TString& folder) {
  ConvertingAutomationFailures(QK_TString("Failed to set the Defaults Path to ") + folder, [&] {
    if (mainControl_->SetDefaultsLocation(folder) != 0) {
      FAIL_WITH_ERROR_TEXT("Failed to set the location of the FolvaneCad Defaults");
    }
  });
}

void DRAVOWrapper::SwitchDataSource(const QK_TString& dataSourceName) {
  ConvertingAutomationFailures(QK_TString("Failed to switch ODBC Data Source ") + dataSourceName, [&] {
    if (mainControl_->Disconnect() != 0) FAIL_WITH_ERROR_TEXT("Failed to disconnect the FolvaneCad database connection");
    if (mainControl_->Connect(dataSourceName) != 0) {
      FAIL_WITH_ERROR_TEXT(QK_TString("Failed to connect to the FolvaneCad database ") + dataSourceName);
    }
  });
}

void DRAVOWrapper::InitConnection(const QK_TString& dataSourceName) {
  connection_.reset(new ConnectionDispatch());
  ConvertingAutomationFailures("Failed to initialize DravoConnection",
                               [&] { ConnectDesignDatabase(dataSourceName); });
}

void DRAVOWrapper::ConnectDesignDatabase(const QK_TString& dataSourceName) {
  Report(0, "shapejobs.info.initconnection", QK_TAny(dataSourceName));
  CreateDispatchOrThrow(*connection_, L"Quillmarsh.Connection.1");
  if (connection_->Login(dataSourceName) == 0) {
    Report(0, "shapejobs.info.databaseloginsuccess");
  } else {
    Report(2, "shapejobs.error.databaseloginfail");
  }
}

void DRAVOWrapper::SetOption72(std::int16_t value) { mainControl_->SetOption72(value); }

void DRAVOWrapper::InitCompany() {
  ConvertingAutomationFailures("Failed to initialize CCustomerObject", [&] {
    company_.reset(new CompanyDispatch());
    Report(0, "shapejobs.info.initCompany");
    CreateDispatchOrThrow(*company_, L"Quillmarsh.Customer.1");
    company_->SetConnection(connection_ ? connection_->m_lpDispatch : nullptr);
  });
}

void DRAVOWrapper::InitPerson() {
  ConvertingAutomationFailures("Failed to initialize CPersonObject", [&] {
    person_.reset(new PersonDispatch());
    Report(0, "shapejobs.info.initPerson");
    CreateDispatchOrThrow(*person_, L"Quillmarsh.personobject.1");
    person_->SetConnection(connection_ ? connection_->m_lpDispatch : nullptr);
  });
}

void DRAVOWrapper::ReleaseCompany() { company_.reset(); }
void DRAVOWrapper::ReleasePerson() { person_.reset(); }

QK_TString DRAVOWrapper::FindCompany(const QK_TString& name, const QK_TString& code) {
  if (!company_) RAISE(QK_EException(QK_TString("No company object is held: InitCompany was not called")));
  company_->PrepareSearch();
  company_->SetName(name);
  if (!code.Empty()) company_->SetCode(code);
  if (company_->Search(4) != 0) return QK_TString();
  return QK_TString::Format("%d", company_->FoundId());
}

QK_TString DRAVOWrapper::FindPerson(const QK_TString& firstName, const QK_TString& lastName) {
  if (!person_) RAISE(QK_EException(QK_TString("No person object is held: InitPerson was not called")));
  person_->PrepareSearch();
  person_->SetFirstName(firstName);
  person_->SetSecondName(lastName);
  if ((person_->Search(4) & 0xFFFF) != 0) return QK_TString();
  return QK_TString::Format("%d", person_->FoundId());
}

void DRAVOWrapper::OpenDesignRecord() {
  // A record still held is released before it is replaced.
  record_.reset();
  record_.reset(new DesignRecordDispatch(mainControl_->DesignRecord()));
}

void DRAVOWrapper::ReleaseDesignRecord() { record_.reset(); }

DesignRecordDispatch& DRAVOWrapper::Record() {
  if (!record_) RAISE(QK_EException(QK_TString("No design record is held: OpenDesignRecord was not called")));
  return *record_;
}

std::int16_t DRAVOWrapper::SetDesignCustomer(std::int32_t id, std::int32_t second) {
  return Record().SetCustomer(id, second);
}

std::int16_t DRAVOWrapper::SetDesignOwner(std::int32_t id, std::int32_t second) { return Record().SetOwner(id, second); }

std::int16_t DRAVOWrapper::SetDesignDesigner(std::int32_t id, std::int32_t second) {
  return Record().SetDesigner(id, second);
}

std::int16_t DRAVOWrapper::SetDesignSalesperson(std::int32_t id, std::int32_t second) {
  return Record().SetSalesperson(id, second);
}

}  // namespace CAD
