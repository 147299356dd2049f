#include "Components/FolvaneCADMainControl.h"

#include <exception>

#include "Base/FolvaneCADText.h"
#include "Components/FolvaneCADLayoutObject.h"

namespace FolvaneCAD {

namespace {

const char kVersionText[] = "FolvaneCAD 24.1 (stand-in)";

}  // namespace

MainControl::MainControl(Flavour flavour)
    : StandInObject(MainControlTable(), flavour), session_(std::make_shared<Session>()) {}

Answer MainControl::Perform(const DispatchRow& row, const Arguments& args) {
  return Perform(static_cast<Operation>(row.operation), args);
}

std::optional<Answer> MainControl::Refusal(const DispatchRow& row) {
  if (!NeedsLogin(static_cast<Operation>(row.operation))) return std::nullopt;
  return Fail(TypeOf(row.result), kStatusNotLoggedIn, "Not logged in");
}

bool MainControl::NeedsLogin(Operation operation) const {
  if (flavour() != Flavour::kEnterprise || loggedIn_) return false;
  return operation != Operation::kLogin && operation != Operation::kVersion && operation != Operation::kStart &&
         operation != Operation::kErrorText;
}

Answer MainControl::Perform(Operation operation, const Arguments& args) {
  using O = Operation;
  switch (operation) {
    case O::kErrorText: return ErrorText(args);
    case O::kVersion: return Version(args);
    case O::kStart: return Start(args);
    case O::kLogin: return Login(args);
    case O::kSessionStart: return Answer::Status(kStatusOk);
    case O::kSetDefaultsLocation: return SetDefaultsLocation(args);
    case O::kDisconnect: return Disconnect();
    case O::kConnect: return Connect(args);
    case O::kOpenDesign: return OpenDesign(args);
    case O::kCloseDesign: return CloseDesign();
    case O::kSaveDesign: return SaveDesign(args);
    case O::kDocumentXml: return DocumentXml(args);
    case O::kDocumentPath: return DocumentPath(args);
    case O::kRedraw: return Touch();
    case O::kRebuild: return Touch();
    case O::kSetLayer: return SetLayer(args);
    case O::kWriteOutput: return WriteOutput(args);
    case O::kSetBoardCode: return SetBoardCode(args, false);
    case O::kSetBoardCodeAndDescription: return SetBoardCode(args, true);
    case O::kBoardCode: return BoardText(false);
    case O::kBoardDescription: return BoardText(true);
    case O::kIndustryCode: return IndustryCode();
    case O::kUnit: return UnitCode();
    case O::kSetUnit: return SetUnit(args);
    case O::kSetGrain: return SetGrain(args);
    case O::kSetPrintSide: return SetPrintSide(args);
    case O::kSetOption14: return SetOption(14, args);
    case O::kSetOption18: return SetOption(18, args);
    case O::kSetNamedOption: return SetNamedOption(args);
    case O::kSetStyleWorkspace: return SetStyleWorkspace(args);
    case O::kRunStyleStandard: return RunStyleStandard();
    case O::kSetNumericVariable: return SetVariable(args, true, false);
    case O::kAddNumericVariable: return SetVariable(args, true, true);
    case O::kSetTextVariable: return SetVariable(args, false, false);
    case O::kAddTextVariable: return SetVariable(args, false, true);
    case O::kReadNumericVariable: return ReadVariable(args, true);
    case O::kReadTextVariable: return ReadVariable(args, false);
    case O::kGetNumericVariable: return GetVariable(args, true);
    case O::kGetTextVariable: return GetVariable(args, false);
    case O::kEvaluateText: return EvaluateExpression(args, false);
    case O::kEvaluateNumber: return EvaluateExpression(args, true);
    case O::kExpressionError: return ExpressionError();
    case O::kRunCommand: return RunCommand(args);
    case O::kPrepareDesign: return PrepareDesign(args);
    case O::kCreatePrintItems: return CreatePrintItems(args);
    case O::kPrintItemCount: return PrintItemCount(args);
    case O::kPrintItemName: return PrintItemName(args);
    case O::kCheckPrintItem: return CheckPrintItem(args);
    case O::kSelectPrintItem: return SelectPrintItem(args);
    case O::kDeletePrintItem: return DeletePrintItem(args);
    case O::kRemovePrintItem: return RemovePrintItem(args);
    case O::kExportImage: return ExportImage(args);
    case O::kExportThumbnail: return ExportThumbnail(args);
    case O::kImageSetting: return Answer::Status(0);  // plain drawing; no special rendering mode
    case O::kLayoutObject: return NewLayoutObject();
    case O::kDesignRecord: return DesignRecord();
  }
  return Answer::Exception("Operation not known to the CAD stand-in");
}

Answer MainControl::Fail(VARTYPE type, short status, const QK_TString& text) {
  lastError_ = text;
  return Answer::Failure(type, status);
}

Document* MainControl::DocumentOrFail() {
  if (session_->document == nullptr) lastError_ = "No design is open";
  return session_->document.get();
}

Design* MainControl::DesignOrFail() {
  Document* document = DocumentOrFail();
  if (document == nullptr) return nullptr;
  Design* design = document->CurrentDesign();
  if (design == nullptr) lastError_ = "The manufacturing file holds no design";
  return design;
}

Answer MainControl::ErrorText(const Arguments& args) {
  args.SetText(0, lastError_);
  return Answer::Status(kStatusOk);
}

Answer MainControl::Version(const Arguments& args) {
  args.SetText(0, kVersionText);
  return Answer::Status(kStatusOk);
}

Answer MainControl::Start(const Arguments& args) {
  startMode_ = static_cast<short>(args.Integer(0));
  return Answer::None();
}

Answer MainControl::Login(const Arguments& args) {
  QK_TString error;
  loggedIn_ = LogIn(args.Text(0), args.Text(1), args.Text(2), &session_->dataRoot, &error);
  if (!loggedIn_) return Fail(VT_I2, 1, error);
  SetInstalledDataRoot(session_->dataRoot);
  return Answer::Status(kStatusOk);
}

Answer MainControl::SetDefaultsLocation(const Arguments& args) {
  QK_TString folder = LocalPath(args.Text(0));
  if (!IsFolder(folder)) return Fail(VT_I2, kStatusFailed, "Defaults folder not found: " + folder);
  session_->dataRoot = DataRoot(folder);
  SetInstalledDataRoot(session_->dataRoot);
  return Answer::Status(kStatusOk);
}

// Settings the program sets around saves and layouts; the stand-in keeps
// them without any effect on its work.
Answer MainControl::SetOption(DISPID option, const Arguments& args) {
  options_[option] = args.Integer(0);
  return Answer::None();
}

Answer MainControl::SetNamedOption(const Arguments& args) {
  QK_TString name = args.Text(0).Trim();
  if (name.Empty()) return Fail(VT_I2, kStatusFailed, "No option name given");
  namedOptions_[name] = {args.Integer(1), args.Integer(2)};
  return Answer::Status(kStatusOk);
}

Answer MainControl::NewLayoutObject() { return Answer::Object(new LayoutObject(session_, flavour())); }

// Reading the error ends the focus that PrepareDesign gave a design.
Answer MainControl::ExpressionError() {
  if (session_->document != nullptr) session_->document->ReleaseFocus();
  return Answer::Status(lastEvaluationFailed_ ? 1 : 0);
}

}  // namespace FolvaneCAD
