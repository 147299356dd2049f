#include "DRAVOWrapperCommon.h"

#include <algorithm>
#include <cstdlib>

#include "ShapejobCodes.h"
#include "TW_TTask.h"

namespace CAD {

namespace {

// Wraps a fresh object result in its own dispatch driver, which owns it.
template <class Driver>
DispatchPtr<Driver> Own(IDispatch* object) {
  return DispatchPtr<Driver>(new Driver(object));
}

// The start mode of the main control that both start-ups use.
constexpr std::int16_t kStartMode = 2;

VARIANT IntegerVariant(std::int32_t value) {
  VARIANT variant;
  VariantInit(&variant);
  variant.vt = VT_I4;
  variant.lVal = value;
  return variant;
}

}  // namespace

ComApartment::~ComApartment() {
  if (entered_) CoUninitialize();
}

void ComApartment::Enter() {
  // Entered once per driver, whatever the result: the driver leaves it once.
  if (entered_) return;
  CoInitialize(nullptr);
  entered_ = true;
}

DravoDriver::DravoDriver(TW_TTask* reporter, const DriverProfile& profile)
    : DRAVOInterface(reporter),
      profile_(profile),
      standards_(new StandardsDispatch(profile.standardsIds)),
      mainControl_(new MainControlDispatch(profile.mainIds)) {}

DravoDriver::~DravoDriver() = default;

void DravoDriver::Raise(QK_EException&& exception, unsigned int line) const {
  exception.__PREPARE_FOR_THROW__(line, profile_.sourceFile).Throw();
  QK_NotReached();
}

void DravoDriver::FailWithErrorText(const QK_TString& message, unsigned int line) {
  Raise(DravoError(message, QK_TAny(GetErrorString())), line);
}

LayoutDispatch& DravoDriver::Layout() {
  if (!layout_) Raise(QK_EException(QK_TString("No layout object is held: GetLayoutObject was not called")));
  return *layout_;
}

// Start-up.

void DravoDriver::StartControl() {
  apartment_.Enter();
  Report(Severity::kInformation, "shapejobs.message.dravostarting");
  ConvertingAutomationFailures(profile_.startFailure, [this] {
    CreateDispatchOrThrow(*mainControl_, profile_.mainProgId);
    GetVersion();
    mainControl_->Start(kStartMode);
  });
}

void DravoDriver::StartStandardControl() {
  Report(Severity::kInformation, "shapejobs.message.dravostdstarting");
  ConvertingAutomationFailures(profile_.standardStartFailure, [this] {
    CreateDispatchOrThrow(*standards_, profile_.standardsProgId);
    GetVersion();
    mainControl_->Start(kStartMode);
    LogInStandards();
  });
}

void DravoDriver::LogInStandards() {}

QK_TString DravoDriver::GetVersion() {
  OutString version;
  mainControl_->Version(version.Address());
  QK_TString text = version.Text();
  Report(Severity::kInformation, "shapejobs.message.dravoversion", QK_TAny(text));
  return text;
}

// Error texts.

QK_TString DravoDriver::GetErrorString() {
  OutString text;
  mainControl_->ErrorText(text.Address());
  return text.Text();
}

// Designs.

void DravoDriver::OpenDesign(const QK_TString& design) {
  if (mainControl_->OpenDesign(design) != Status::kDone) FailWithErrorText("Open Design failed");
}

std::int16_t DravoDriver::SaveDesign(const QK_TString& path) {
  const std::int16_t status = mainControl_->SaveDesign(path);
  if (status == Status::kDone) return status;
  if (status == Status::kDoneWithRemarks) {
    if (reporter != nullptr) {
      Report(Severity::kWarning, "shapejob.warning.savedesignwithinfo", QK_TAny(path),
             QK_TAny(GetErrorString()));
    }
    return status;
  }
  if (status == Status::kDesignUnavailable) {
    if (profile_.unsavedDesignMessage != nullptr && reporter != nullptr) {
      Report(Severity::kInformation, profile_.unsavedDesignMessage, QK_TAny(GetErrorString()));
    }
    Raise(SaveDesignFailed(path));
  }
  FailWithErrorText(profile_.saveFailure);
}

void DravoDriver::GetDocROMDXml(QK_TString& xml) {
  OutString document;
  const std::int16_t status = mainControl_->DocumentXml(document.Address());
  xml = document.Text();
  if (status != Status::kDone) FailWithErrorText("GetDocROMDXml failed");
}

void DravoDriver::CloseDesign() {
  if (mainControl_->CloseDesign() != Status::kDone) FailWithErrorText("Failed to close design.");
}

void DravoDriver::SetBoardCode(const QK_TString& boardCode) {
  const std::int16_t status = mainControl_->SetBoardCode(boardCode);
  if (status == Status::kDone) return;
  if (status == Status::kInvalidValue) Raise(InvalidBoardCode(boardCode));
  FailWithErrorText("Set BoardCode failed.");
}

void DravoDriver::SetBoardCodeAndDescription(const QK_TString& boardCode, const QK_TString& description) {
  const std::int16_t status = mainControl_->SetBoardCodeAndDescription(boardCode, description);
  if (status == Status::kDone) return;
  if (status == Status::kInvalidValue) Raise(InvalidBoardCodeDescription(boardCode + "," + description));
  FailWithErrorText("Set BoardCode and Description failed.");
}

void DravoDriver::SetStyleWorkspace(const QK_TString& workspace) {
  const std::int16_t status = mainControl_->SetStyleWorkspace(workspace);
  if (status == Status::kDone) return;
  if (status == Status::kDesignUnavailable) Raise(DesignNotOpenException(workspace));
  FailWithErrorText("Set style workspace failed.");
}

std::int16_t DravoDriver::RunStyleStandard(std::int16_t flag) {
  const std::int16_t status = mainControl_->RunStyleStandard(flag);
  if (status == Status::kDone) return status;
  if (status == Status::kDoneWithRemarks) {
    if (reporter != nullptr) {
      Report(Severity::kWarning, "shapejobs.message.checkconditionviolated", QK_TAny(GetErrorString()));
    }
    return status;
  }
  FailWithErrorText("Runstandard failed");
}

void DravoDriver::SetOption72(std::int16_t value) {
  if (profile_.mainIds.setOption72 != kNoMethod) mainControl_->SetOption72(value);
}

// Variables and expressions.

std::int16_t DravoDriver::ReadNumericVariable(const QK_TString& name, double& value) {
  value = 0.0;
  const std::int16_t status = mainControl_->ReadNumericVariable(name, &value);
  if (status != Status::kDone) Raise(DravoError(GetErrorString()));
  return status;
}

std::int16_t DravoDriver::ReadStringVariable(const QK_TString& name, QK_TString& value) {
  OutString text;
  const std::int16_t status = mainControl_->ReadStringVariable(name, text.Address());
  value = text.Text();
  if (status != Status::kDone) Raise(DravoError(GetErrorString()));
  return status;
}

double DravoDriver::GetNumericVariable(const QK_TString& name) {
  const double value = mainControl_->NumericVariable(name);
  if (value == kNoNumericValue) FailWithErrorText("Return Numeric Variable failed");
  return value;
}

QK_TString DravoDriver::GetVariableValue(const QK_TString& name) {
  const double numeric = mainControl_->NumericVariable(name);
  if (numeric != kNoNumericValue) return QK_TString::Format("%f", numeric);
  QK_TString text = mainControl_->StringVariable(name);
  if (text.Empty()) FailWithErrorText("Return Variable Value failed");
  return text;
}

// Design facts and images.

std::int16_t DravoDriver::ExportImage(std::int16_t kind, const QK_TString& path, std::int16_t a,
                                      std::int16_t b, std::int32_t c, std::int32_t d, std::int32_t e,
                                      std::int32_t f, std::int32_t g) {
  const VARIANT values[5] = {IntegerVariant(c), IntegerVariant(d), IntegerVariant(e), IntegerVariant(f),
                             IntegerVariant(g)};
  return mainControl_->ExportImage(kind, path, a, b, &values[0], &values[1], &values[2], &values[3],
                                   &values[4]);
}

std::int16_t DravoDriver::GetText62(QK_TString& text) {
  OutString value;
  const std::int16_t status = mainControl_->Text62(value.Address());
  text = value.Text();
  return status;
}

std::int16_t DravoDriver::GetUnit() {
  const std::int16_t unit = mainControl_->Unit();
  if (unit != UnitCode::kMillimetres && unit != UnitCode::kInches) FailWithErrorText("Failed to get Unit");
  return unit;
}

std::int16_t DravoDriver::ExportThumbnail(const QK_TString& path) {
  if (mainControl_->ExportThumbnail(path) != Status::kDone) FailWithErrorText("Failed to export thumbnail");
  return Status::kDone;
}

// Layout object.

void DravoDriver::GetLayoutObject() {
  // A layout object still held is released before it is replaced.
  layout_.reset();
  layout_ = Own<LayoutDispatch>(mainControl_->LayoutObject());
}

// Standards.

void DravoDriver::OpenStandard(const QK_TString& standard, std::int16_t option, std::int16_t unit,
                               const QK_TString& text, const QK_TString& parameterSet) {
  if (standards_->Open(standard, option, unit, text, parameterSet) != Status::kDone) {
    Raise(StandardNotFoundException(standard));
  }
}

void DravoDriver::SaveStandardDesign(const QK_TString& path) {
  if (standards_->Save(path) != Status::kDone) {
    Raise(DravoError(QK_TString("Save design failed."), QK_TAny(GetStandardErrorString())));
  }
}

std::int16_t DravoDriver::GetMenuXml(const QK_TString& path, std::int16_t a, std::int16_t b, std::int16_t c,
                                     std::int16_t d) {
  if (standards_->MenuXml(path, a, b, c, d) != Status::kDone) {
    Raise(DravoError(QK_TString("Failed to get Menu XML"), QK_TAny(GetStandardErrorString())));
  }
  return Status::kDone;
}

}  // namespace CAD
