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

DravoDriver::~DravoDriver() {
  layout_.reset();
  mainControl_.reset();
  standards_.reset();
}

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

QK_TString DravoDriver::GetStandardErrorString() { return standards_->ErrorText(); }

QK_TString DravoDriver::GetLayoutErrorString() { return Layout().ErrorText(); }

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

std::int16_t DravoDriver::InvokeMethod13() { return mainControl_->InvokeMethod13(); }

std::int16_t DravoDriver::SetLayer(std::int32_t index, std::int16_t on) {
  return mainControl_->SetLayer(index, on);
}

std::int16_t DravoDriver::Rebuild() { return mainControl_->Rebuild(); }

std::int16_t DravoDriver::InvokeMethod16(const QK_TString& outputName, std::int16_t sampleType,
                                         const QK_TString& outputPath) {
  return mainControl_->InvokeMethod16(outputName, sampleType, outputPath);
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

void DravoDriver::SetOption28(std::int16_t value) { mainControl_->SetOption28(value); }
void DravoDriver::SetOption29(std::int16_t unit) { mainControl_->SetOption29(unit); }
void DravoDriver::SetPrintSide(std::int16_t printSide) { mainControl_->SetPrintSide(printSide); }
void DravoDriver::SetOption36(std::int16_t value) { mainControl_->SetOption36(value); }

void DravoDriver::SetOption72(std::int16_t value) {
  if (profile_.mainIds.setOption72 != kNoMethod) mainControl_->SetOption72(value);
}

// Variables and expressions.

std::int16_t DravoDriver::SetNumericVariable(const QK_TString& name, double value) {
  return mainControl_->SetNumericVariable(name, value);
}

std::int16_t DravoDriver::AddNumericVariable(const QK_TString& name, double value) {
  return mainControl_->AddNumericVariable(name, value);
}

std::int16_t DravoDriver::SetStringVariable(const QK_TString& name, const QK_TString& value) {
  return mainControl_->SetStringVariable(name, value);
}

std::int16_t DravoDriver::AddStringVariable(const QK_TString& name, const QK_TString& value) {
  return mainControl_->AddStringVariable(name, value);
}

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

QK_TString DravoDriver::GetStringVariable(const QK_TString& name) {
  return mainControl_->StringVariable(name);
}

QK_TString DravoDriver::GetVariableValue(const QK_TString& name) {
  const double numeric = mainControl_->NumericVariable(name);
  if (numeric != kNoNumericValue) return QK_TString::Format("%f", numeric);
  QK_TString text = mainControl_->StringVariable(name);
  if (text.Empty()) FailWithErrorText("Return Variable Value failed");
  return text;
}

std::int16_t DravoDriver::RunCommand(const QK_TString& command) { return mainControl_->RunCommand(command); }

QK_TString DravoDriver::EvaluateStringExpression(const QK_TString& expression) {
  return mainControl_->EvaluateString(expression);
}

double DravoDriver::EvaluateNumericExpression(const QK_TString& expression) {
  return mainControl_->EvaluateNumeric(expression);
}

std::int16_t DravoDriver::PreparePrintItems(std::int32_t number, bool flag) {
  return mainControl_->PreparePrintItems(number, flag);
}

std::int16_t DravoDriver::GetExpressionError() { return mainControl_->ExpressionError(); }

// Design facts and images.

std::int16_t DravoDriver::ExportImage(std::int16_t kind, const QK_TString& path, std::int16_t a,
                                      std::int16_t b, std::int32_t c, std::int32_t d, std::int32_t e,
                                      std::int32_t f, std::int32_t g) {
  const VARIANT values[5] = {IntegerVariant(c), IntegerVariant(d), IntegerVariant(e), IntegerVariant(f),
                             IntegerVariant(g)};
  return mainControl_->ExportImage(kind, path, a, b, &values[0], &values[1], &values[2], &values[3],
                                   &values[4]);
}

std::int16_t DravoDriver::GetImageSetting60() { return mainControl_->ImageSetting60(); }
std::int16_t DravoDriver::GetIndustryCode() { return mainControl_->IndustryCode(); }

std::int16_t DravoDriver::GetText62(QK_TString& text) {
  OutString value;
  const std::int16_t status = mainControl_->Text62(value.Address());
  text = value.Text();
  return status;
}

QK_TString DravoDriver::GetText63() { return mainControl_->Text63(); }
QK_TString DravoDriver::GetText64() { return mainControl_->Text64(); }

std::int16_t DravoDriver::GetUnit() {
  const std::int16_t unit = mainControl_->Unit();
  if (unit != UnitCode::kMillimetres && unit != UnitCode::kInches) FailWithErrorText("Failed to get Unit");
  return unit;
}

std::int16_t DravoDriver::ExportThumbnail(const QK_TString& path) {
  if (mainControl_->ExportThumbnail(path) != Status::kDone) FailWithErrorText("Failed to export thumbnail");
  return Status::kDone;
}

// Print items.

std::int16_t DravoDriver::DeletePrintItem(std::int32_t index) { return mainControl_->DeletePrintItem(index); }

std::int16_t DravoDriver::CheckPrintItem(std::int32_t number, std::int32_t kind, std::int32_t index) {
  return mainControl_->CheckPrintItem(number, kind, index);
}

std::int16_t DravoDriver::RemovePrintItem(std::int32_t index) { return mainControl_->RemovePrintItem(index); }

std::int16_t DravoDriver::CreatePrintItems(std::int32_t kind, bool flag) {
  return mainControl_->CreatePrintItems(kind, flag);
}

std::int32_t DravoDriver::GetPrintItemCount(std::int32_t kind) { return mainControl_->PrintItemCount(kind); }

std::int16_t DravoDriver::SelectPrintItem(std::int32_t number, std::int32_t index, std::int16_t flag) {
  return mainControl_->SelectPrintItem(number, index, flag);
}

std::int16_t DravoDriver::InvokeMethod79(const QK_TString& text, std::int32_t a, std::int32_t b) {
  return mainControl_->InvokeMethod79(text, a, b);
}

QK_TString DravoDriver::GetPrintItemName(std::int32_t kind, std::int32_t index) {
  return mainControl_->PrintItemName(kind, index);
}

// Layout object.

void DravoDriver::GetLayoutObject() {
  // A layout object still held is released before it is replaced.
  layout_.reset();
  layout_ = Own<LayoutDispatch>(mainControl_->LayoutObject());
}

void DravoDriver::ReleaseLayoutObject() { layout_.reset(); }

std::int16_t DravoDriver::SetSheetSize(double a, double b, double c, double d, double e, double f) {
  return Layout().SetSheetSize(a, b, c, d, e, f);
}

std::int32_t DravoDriver::AddOneup(const QK_TString& designReference) {
  return Layout().AddOneup(designReference);
}

std::int16_t DravoDriver::SetNestData(std::int32_t nestingType, double gapX, double gapY, std::int16_t flag) {
  return Layout().SetNestData(nestingType, gapX, gapY, flag);
}

std::int32_t DravoDriver::QueryOneup43(std::int32_t oneup) { return Layout().QueryOneup43(oneup); }
std::int32_t DravoDriver::QueryOneup44(std::int32_t oneup) { return Layout().QueryOneup44(oneup); }

std::int16_t DravoDriver::PlaceOneupGrid(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d) {
  return Layout().PlaceOneupGrid(a, b, c, d);
}

std::int32_t DravoDriver::GetLayoutValue46(std::int32_t value) { return Layout().LayoutValue46(value); }
std::int32_t DravoDriver::GetLayoutValue47(std::int32_t value) { return Layout().LayoutValue47(value); }

std::int16_t DravoDriver::PlaceOneupGridAlt(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d) {
  return Layout().PlaceOneupGridAlt(a, b, c, d);
}

std::int16_t DravoDriver::PositionOneups(std::int16_t mode) { return Layout().PositionOneups(mode); }

std::int16_t DravoDriver::SetLayoutOption(std::int16_t option, std::int16_t value) {
  return Layout().SetLayoutOption(option, value);
}

std::int16_t DravoDriver::InvokeLayoutMethod51(std::int32_t a, std::int32_t b, double c, double d, double e,
                                               std::int32_t f) {
  return Layout().InvokeMethod51(a, b, c, d, e, f);
}

void DravoDriver::ResetLayout() { Layout().Reset(); }
std::int16_t DravoDriver::SetRotation(double angle) { return Layout().SetRotation(angle); }

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
