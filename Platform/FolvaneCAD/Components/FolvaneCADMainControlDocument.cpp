// The main control's operations on the open document and its facts.
#include "Base/FolvaneCADText.h"
#include "Components/FolvaneCADMainControl.h"
#include "Model/FolvaneCADStandardRun.h"
#include "Model/FolvaneCADStyleCatalogue.h"
#include "Output/FolvaneCADDescription.h"

namespace FolvaneCAD {

// A path, or a design reference "@project:name" / "@project:version:name"
// resolved under the data root. The second conventional argument (the open
// mode) does not change anything here.
Answer MainControl::OpenDesign(const Arguments& args) {
  QK_TString error;
  std::unique_ptr<Document> document = session_->Load(args.Text(0).Trim(), &error);
  if (document == nullptr) return Fail(VT_I2, kStatusFailed, error);
  session_->document = std::move(document);
  styleStandard_.reset();
  return Answer::Status(kStatusOk);
}

// Closing when nothing is open is not an error: the result is the same.
Answer MainControl::CloseDesign() {
  session_->document.reset();
  styleStandard_.reset();
  return Answer::Status(kStatusOk);
}

// The mode argument and the enterprise comment are accepted as they come;
// the file keeps the document as it is now.
Answer MainControl::SaveDesign(const Arguments& args) {
  Document* document = DocumentOrFail();
  if (document == nullptr) return Answer::Status(kStatusNoDesign);
  QK_TString path = LocalPath(args.Text(0).Trim());
  if (path.Empty()) return Fail(VT_I2, kStatusNoDesign, "No file name given for the save");
  QK_TString reason;
  if (!document->Save(path, &reason)) {
    return Fail(VT_I2, kStatusNoDesign, "Cannot write design file: " + path + " (" + reason + ")");
  }
  Wrote(path);
  std::vector<QK_TString> remarks = document->Remarks();
  if (remarks.empty()) return Answer::Status(kStatusOk);
  return Fail(VT_I2, kStatusRemarks, "Saved with remarks: " + Join(remarks, "; "));
}

Answer MainControl::DocumentXml(const Arguments& args) {
  Document* document = DocumentOrFail();
  args.SetText(0, document != nullptr ? DescribeDocument(*document) : QK_TString());
  return Answer::Status(document != nullptr ? kStatusOk : kStatusNoDesign);
}

Answer MainControl::DocumentPath(const Arguments& args) {
  Document* document = DocumentOrFail();
  args.SetText(0, document != nullptr ? document->path() : QK_TString());
  return Answer::Status(document != nullptr ? kStatusOk : kStatusNoDesign);
}

// Redraw and rebuild: the stand-in's designs are always up to date, so all
// there is to check is that one is open.
Answer MainControl::Touch() {
  return Answer::Status(DocumentOrFail() != nullptr ? kStatusOk : kStatusNoDesign);
}

// A known code takes the catalogue's description unless one is given.
Answer MainControl::SetBoardCode(const Arguments& args, bool withDescription) {
  Design* design = DesignOrFail();
  if (design == nullptr) return Answer::Status(kStatusNoDesign);
  QK_TString code = args.Text(0).Trim();
  QK_TString description;
  QK_TString error;
  DataRoot::Board board = session_->dataRoot.LookUpBoard(code, &description, &error);
  if (board == DataRoot::Board::kUnknown) return Fail(VT_I2, kStatusUnknownBoard, error);
  if (board == DataRoot::Board::kCatalogueBroken) return Fail(VT_I2, kStatusFailed, error);
  design->boardCode = code;
  if (withDescription) {
    design->boardDescription = args.Text(1);
  } else if (!description.Empty()) {
    design->boardDescription = description;
  }
  return Answer::Status(kStatusOk);
}

Answer MainControl::BoardText(bool description) {
  Design* design = DesignOrFail();
  if (design == nullptr) return Answer::Failure(VT_BSTR, 0);
  return Answer::Text(description ? design->boardDescription : design->boardCode);
}

Answer MainControl::IndustryCode() {
  Design* design = DesignOrFail();
  return Answer::Status(design != nullptr ? static_cast<short>(design->industry) : 0);
}

Answer MainControl::UnitCode() {
  Document* document = DocumentOrFail();
  return Answer::Status(document != nullptr ? static_cast<short>(document->unit()) : 0);
}

// A valid code is also kept for the next style design, also when no design
// is open.
Answer MainControl::SetUnit(const Arguments& args) {
  long code = args.Integer(0);
  if (code != 1 && code != 2) {
    DocumentOrFail();
    return Fail(VT_EMPTY, 0, QK_TString::Format("Unknown unit code %ld (1 millimetres, 2 inches)", code));
  }
  lastUnit_ = static_cast<Unit>(code);
  Document* document = DocumentOrFail();
  if (document != nullptr) document->SetUnit(static_cast<Unit>(code));
  return Answer::None();
}

// On a manufacturing file the code is the layout's orientation.
Answer MainControl::SetGrain(const Arguments& args) {
  long code = args.Integer(0);
  if (code < 0 || code > 2) {
    DesignOrFail();
    return Fail(VT_EMPTY, 0, QK_TString::Format("Unknown grain code %ld (1 vertical, 2 horizontal)", code));
  }
  lastGrain_ = static_cast<int>(code);
  if (Layout* layout = session_->document != nullptr ? session_->document->layout() : nullptr) {
    layout->orientation = static_cast<int>(code);
    return Answer::None();
  }
  Design* design = DesignOrFail();
  if (design != nullptr) design->grain = static_cast<int>(code);
  return Answer::None();
}

Answer MainControl::SetPrintSide(const Arguments& args) {
  long code = args.Integer(0);
  Design* design = DesignOrFail();
  if (design == nullptr) return Answer::None();
  if (code < 0 || code > 2) {
    return Fail(VT_EMPTY, 0, QK_TString::Format("Unknown print side %ld (1 inside, 2 outside)", code));
  }
  design->printSide = static_cast<int>(code);
  return Answer::None();
}

// The fresh design replaces the open document.
Answer MainControl::SetStyleWorkspace(const Arguments& args) {
  QK_TString name = args.Text(0).Trim();
  QK_TString path;
  QK_TString error;
  if (name.Empty()) return Fail(VT_I2, kStatusFailed, "No style workspace given");
  StyleLookup found = LookUpStyle(session_->dataRoot.folder(), name, &path, &error);
  if (found == StyleLookup::kUnknown) return Fail(VT_I2, kStatusNoDesign, error);
  if (found == StyleLookup::kUnreadable) return Fail(VT_I2, kStatusFailed, error);
  auto standard = std::make_unique<Standard>();
  if (!LoadStandard(path, standard.get(), &error)) return Fail(VT_I2, kStatusFailed, error);
  Design design;
  StandardRun run(*standard, lastUnit_.value_or(standard->design.unit), QK_TString());
  if (!run.Produce(&design, &error)) return Fail(VT_I2, kStatusFailed, error);
  if (lastGrain_) design.grain = *lastGrain_;
  session_->document = std::make_unique<Document>(std::move(design), path);
  styleStandard_ = std::move(standard);
  return Answer::Status(kStatusOk);
}

// The flag is accepted as it comes.
Answer MainControl::RunStyleStandard() {
  Design* design = DesignOrFail();
  if (design == nullptr) return Answer::Status(kStatusNoDesign);
  if (styleStandard_ == nullptr) return Fail(VT_I2, kStatusFailed, "No style workspace is set");
  return CheckStyle(design);
}

// Every menu's values and conditions are judged; the first failure ends the
// checks, a failing warning condition is remembered as the error text.
Answer MainControl::CheckStyle(Design* design) {
  StandardRun run(*styleStandard_, design->unit, QK_TString());
  run.TakeValuesOf(*design);
  QK_TString error;
  QK_TString warning;
  for (int menu = 1; menu <= run.MenuCount(); ++menu) {
    if (run.ValueCheck(menu, &error) != kCheckPassed) return Fail(VT_I2, kStatusFailed, error);
    short condition = run.ConditionCheck(menu, &error);
    if (condition == kConditionError) return Fail(VT_I2, kStatusFailed, error);
    if (condition == kConditionWarning && warning.Empty()) warning = error;
  }
  std::vector<Line> lines;
  if (!run.Lines(&lines, &error)) return Fail(VT_I2, kStatusFailed, error);
  design->SetLines(std::move(lines));
  if (!warning.Empty()) return Fail(VT_I2, kStatusRemarks, warning);
  return Answer::Status(kStatusOk);
}

}  // namespace FolvaneCAD
