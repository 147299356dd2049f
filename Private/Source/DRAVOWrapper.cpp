#include "DRAVOWrapper.h"

#include <cstdint>
#include <utility>

#include "DRAVOWrapperLogin.h"
#include "ShapejobCodes.h"

namespace CAD {

// What tells the company object and the person object apart.
struct SearchObjectProfile {
  const wchar_t* progId;
  const SearchObjectIds& ids;
  const char* initMessage;
  const char* initFailure;
  const char* notHeld;
  // An empty second text is not put (the company's code is optional).
  bool secondTextOptional;
};

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
    "Save Design failed GetErrorString()",
    "Runstandard failed",
};

const SearchObjectProfile kCompanyProfile = {
    L"Quillmarsh.Customer.1",
    kCompanyIds,
    "shapejobs.info.initCompany",
    "Failed to initialize CCustomerObject",
    "No company object is held: InitCompany was not called",
    true,
};

const SearchObjectProfile kPersonProfile = {
    L"Quillmarsh.personobject.1",
    kPersonIds,
    "shapejobs.info.initPerson",
    "Failed to initialize CPersonObject",
    "No person object is held: InitPerson was not called",
    false,
};

// The search that FindCompany and FindPerson run; what it selects is the
// design database's own.
constexpr int kSearchMode = 4;

}  // namespace

DRAVOWrapper::DRAVOWrapper(TW_TTask* reporter) : DravoDriver(reporter, kConventionalProfile) {
  StartControl();
  StartStandardControl();
}

DRAVOWrapper::~DRAVOWrapper() = default;

void DRAVOWrapper::SetDefaultsLocation(const QK_TString& folder) {
  ConvertingAutomationFailures(QK_TString("Failed to set the Defaults Path to ") + folder, [&] {
    if (mainControl_->SetDefaultsLocation(folder) != Status::kDone) {
      FailWithErrorText("Failed to set the location of the FolvaneCad Defaults");
    }
  });
}

void DRAVOWrapper::SwitchDataSource(const QK_TString& dataSourceName) {
  ConvertingAutomationFailures(QK_TString("Failed to switch ODBC Data Source ") + dataSourceName, [&] {
    if (mainControl_->Disconnect() != Status::kDone) {
      FailWithErrorText("Failed to disconnect the FolvaneCad database connection");
    }
    if (mainControl_->Connect(dataSourceName) != Status::kDone) {
      FailWithErrorText(QK_TString("Failed to connect to the FolvaneCad database ") + dataSourceName);
    }
  });
}

void DRAVOWrapper::InitConnection(const QK_TString& dataSourceName) {
  connection_.reset(new ConnectionDispatch());
  ConnectDesignDatabase(dataSourceName);
}

void DRAVOWrapper::ConnectDesignDatabase(const QK_TString& dataSourceName) {
  Report(Severity::kInformation, "shapejobs.info.initconnection", QK_TAny(dataSourceName));
  bool accepted = false;
  try {
    accepted = LogInToDesignDatabase(*connection_, dataSourceName, "Failed to initialize DravoConnection");
  } catch (DravoRuntimeException& failure) {
    // Thrown again as this driver's own, recording its source file as
    // every failure of the driver does.
    Raise(std::move(failure));
  }
  if (accepted) {
    Report(Severity::kInformation, "shapejobs.info.databaseloginsuccess");
  } else {
    Report(Severity::kError, "shapejobs.error.databaseloginfail");
  }
}

// Company and person objects.

template <class Answer>
void DRAVOWrapper::InitSearchObject(DispatchPtr<SearchObjectDispatch<Answer>>& object,
                                    const SearchObjectProfile& profile) {
  ConvertingAutomationFailures(profile.initFailure, [&] {
    object.reset(new SearchObjectDispatch<Answer>(profile.ids));
    Report(Severity::kInformation, profile.initMessage);
    CreateDispatchOrThrow(*object, profile.progId);
    object->SetConnection(connection_ ? connection_->m_lpDispatch : nullptr);
  });
}

template <class Answer>
QK_TString DRAVOWrapper::Find(SearchObjectDispatch<Answer>* object, const SearchObjectProfile& profile,
                              const QK_TString& first, const QK_TString& second) {
  if (object == nullptr) Raise(QK_EException(QK_TString(profile.notHeld)));
  object->PrepareSearch();
  object->SetFirstText(first);
  if (!profile.secondTextOptional || !second.Empty()) object->SetSecondText(second);
  // Only the low 16 bits of the answer are the status (the person object
  // answers in 32).
  if (static_cast<std::uint16_t>(object->Search(Answer{kSearchMode})) != Status::kDone) return QK_TString();
  return QK_TString::Format("%d", object->FoundId());
}

void DRAVOWrapper::InitCompany() { InitSearchObject(company_, kCompanyProfile); }
void DRAVOWrapper::InitPerson() { InitSearchObject(person_, kPersonProfile); }

QK_TString DRAVOWrapper::FindCompany(const QK_TString& name, const QK_TString& code) {
  return Find(company_.get(), kCompanyProfile, name, code);
}

QK_TString DRAVOWrapper::FindPerson(const QK_TString& firstName, const QK_TString& lastName) {
  return Find(person_.get(), kPersonProfile, firstName, lastName);
}

// The open design's record.

void DRAVOWrapper::OpenDesignRecord() {
  // A record still held is released before it is replaced.
  record_.reset();
  record_.reset(new DesignRecordDispatch(mainControl_->DesignRecord()));
}

DesignRecordDispatch& DRAVOWrapper::Record() {
  if (!record_) Raise(QK_EException(QK_TString("No design record is held: OpenDesignRecord was not called")));
  return *record_;
}

}  // namespace CAD
