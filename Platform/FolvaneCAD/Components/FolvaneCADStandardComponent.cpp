#include "Components/FolvaneCADStandardComponent.h"

#include "Components/FolvaneCADStandardMenus.h"
#include "Model/FolvaneCADDataRoot.h"
#include "Output/FolvaneCADMenuXml.h"
#include "Output/FolvaneCADText.h"

namespace FolvaneCAD {

namespace {

enum class StandardOperation {
  kErrorText,
  kLogin,
  kOpen,
  kMenuCount,
  kMenu,
  kPlot,
  kValueCheck,
  kConditionCheck,
  kFinish,
  kFinalCheck,
  kSave,
  kMenuXml,
};

using S = StandardOperation;
using R = Result;

constexpr short kStatusOk = 0;
constexpr short kStatusRefused = 1;
constexpr short kStatusFailed = 2;

// The unit codes of an open.
constexpr long kUnitInch = 0;
constexpr long kUnitMillimetre = 1;

}  // namespace

// The enterprise component numbers its methods one higher, and only it has
// a login.
const DispatchTable& StandardComponentTable() {
  static const DispatchTable table("Standard", {
    Row(S::kErrorText, "ErrorText", kMethodOrGet, 7, 8, "", "", R::kText),
    Row(S::kLogin, "Login", kMethod, kAbsent, 1, "", "sssii", R::kStatus),
    Row(S::kOpen, "OpenStandard", kMethod, 1, 2, "siiss", "siiss", R::kStatus),
    Row(S::kMenuCount, "MenuCount", kMethod, 2, 3, "", "", R::kShort),
    Row(S::kMenu, "Menu", kMethod, 3, 4, "ii", "ii", R::kObject),
    Row(S::kPlot, "Plot", kMethod, 4, 5, "iisiii", "iisiii", R::kStatus),
    Row(S::kValueCheck, "ValueCheck", kMethod, 5, 6, "i", "i", R::kStatus),
    Row(S::kConditionCheck, "ConditionCheck", kMethod, 6, 7, "i", "i", R::kStatus),
    Row(S::kFinish, "Finish", kMethod, 8, 9, "i", "i", R::kStatus),
    Row(S::kFinalCheck, "FinalCheck", kMethod, 9, 10, "", "", R::kStatus),
    Row(S::kSave, "SaveStandard", kMethod, 10, 11, "s", "s", R::kStatus),
    Row(S::kMenuXml, "MenuXml", kMethod, 11, 12, "siiii", "siiii", R::kStatus),
  });
  return table;
}

StandardComponent::StandardComponent(Flavour flavour) : StandInObject(StandardComponentTable(), flavour) {}

Answer StandardComponent::Perform(const DispatchRow& row, const Arguments& args) {
  switch (static_cast<StandardOperation>(row.operation)) {
    case S::kErrorText: return Answer::Text(lastError_);
    case S::kLogin: return Login(args);
    case S::kOpen: return Open(args);
    case S::kMenuCount: return MenuCount();
    case S::kMenu: return Menu(args);
    case S::kPlot: return NotAvailable("Drawing document plots");
    case S::kValueCheck: return ValueCheck(args);
    case S::kConditionCheck: return ConditionCheck(args);
    case S::kFinish: return Finish(args);
    case S::kFinalCheck: return FinalCheck();
    case S::kSave: return Save(args);
    case S::kMenuXml: return MenuXml(args);
  }
  return Answer::Exception("Operation not known to the CAD stand-in");
}

Answer StandardComponent::Fail(short status, const QK_TString& text) {
  lastError_ = text;
  return Answer::Status(status);
}

StandardRun* StandardComponent::RunOrFail() {
  if (run_ == nullptr) lastError_ = "No standard is open";
  return run_.get();
}

Answer StandardComponent::Checked(short status, const QK_TString& error) {
  if (status != kStatusOk) lastError_ = error;
  return Answer::Status(status);
}

Answer StandardComponent::Login(const Arguments& args) {
  DataRoot root;
  QK_TString refusal;
  loggedIn_ = LogIn(args.Text(0), args.Text(1), args.Text(2), &root, &refusal);
  if (!loggedIn_) return Fail(kStatusRefused, refusal);
  return Answer::Status(kStatusOk);
}

// The option (second) and the text (fourth argument) change nothing here.
// A failed open leaves no standard open.
Answer StandardComponent::Open(const Arguments& args) {
  run_.reset();
  QK_TString path = LocalPath(args.Text(0).Trim());
  long unit = args.Integer(2);
  if (unit != kUnitInch && unit != kUnitMillimetre) {
    return Fail(kStatusFailed, QK_TString::Format("Unknown unit code %ld (0 inch, 1 millimetres)", unit));
  }
  Standard standard;
  QK_TString error;
  if (path.Empty()) return Fail(kStatusFailed, "No standard given");
  if (!LoadStandard(path, &standard, &error)) return Fail(kStatusFailed, error);
  run_ = std::make_shared<StandardRun>(std::move(standard), unit == kUnitInch ? Unit::kInch : Unit::kMillimetre,
                                       args.Text(4));
  return Answer::Status(kStatusOk);
}

Answer StandardComponent::MenuCount() {
  StandardRun* run = RunOrFail();
  return Answer::Status(run != nullptr ? static_cast<short>(run->MenuCount()) : 0);
}

// The previous menu (second argument) is accepted as it comes.
Answer StandardComponent::Menu(const Arguments& args) {
  StandardRun* run = RunOrFail();
  if (run == nullptr) return Answer::Exception(lastError_);
  int menu = static_cast<int>(args.Integer(0));
  if (!run->HasMenu(menu)) {
    lastError_ = QK_TString::Format("The standard has no menu %d", menu);
    return Answer::Exception(lastError_);
  }
  return Answer::Object(NewMenuObject(run_, menu));
}

Answer StandardComponent::ValueCheck(const Arguments& args) {
  StandardRun* run = RunOrFail();
  if (run == nullptr) return Answer::Status(kStatusFailed);
  QK_TString error;
  return Checked(run->ValueCheck(static_cast<int>(args.Integer(0)), &error), error);
}

Answer StandardComponent::ConditionCheck(const Arguments& args) {
  StandardRun* run = RunOrFail();
  if (run == nullptr) return Answer::Status(kStatusFailed);
  QK_TString error;
  return Checked(run->ConditionCheck(static_cast<int>(args.Integer(0)), &error), error);
}

// The last menu visited (the argument) changes nothing: the final check
// judges every menu whose conditions were not checked.
Answer StandardComponent::Finish(const Arguments& args) {
  return Answer::Status(RunOrFail() != nullptr ? kStatusOk : kStatusFailed);
}

Answer StandardComponent::FinalCheck() {
  StandardRun* run = RunOrFail();
  if (run == nullptr) return Answer::Status(kStatusFailed);
  QK_TString error;
  return Checked(run->FinalCheck(&error), error);
}

Answer StandardComponent::Save(const Arguments& args) {
  StandardRun* run = RunOrFail();
  if (run == nullptr) return Answer::Status(kStatusFailed);
  QK_TString path = LocalPath(args.Text(0).Trim());
  if (path.Empty()) return Fail(kStatusFailed, "No file name given for the save");
  Design design;
  QK_TString error;
  if (!run->Produce(&design, &error)) return Fail(kStatusFailed, error);
  if (!WriteXmlFile(path, DesignElement(design), &error)) {
    return Fail(kStatusFailed, "Cannot write design file: " + path + " (" + error + ")");
  }
  return Answer::Status(kStatusOk);
}

// The four numbers after the path are accepted as they come.
Answer StandardComponent::MenuXml(const Arguments& args) {
  StandardRun* run = RunOrFail();
  if (run == nullptr) return Answer::Status(kStatusFailed);
  QK_TString path = LocalPath(args.Text(0).Trim());
  QK_TString error;
  if (path.Empty() || !WriteMenuXml(path, run->standard(), &error)) {
    return Fail(kStatusFailed, "Cannot write the menu description: " + path + " (" + error + ")");
  }
  return Answer::Status(kStatusOk);
}

Answer StandardComponent::NotAvailable(const QK_TString& what) {
  lastError_ = what + " is not available in this stand-in of FolvaneCAD";
  return Answer::Exception(lastError_);
}

}  // namespace FolvaneCAD
