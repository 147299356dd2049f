#include "Components/FolvaneCADStandardComponent.h"

#include "Base/FolvaneCADText.h"
#include "Components/FolvaneCADStandardMenus.h"
#include "Model/FolvaneCADDataRoot.h"
#include "Output/FolvaneCADDrawing.h"
#include "Output/FolvaneCADMenuXml.h"

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
constexpr short kStatusNoPlot = 1;
constexpr short kStatusFailed = 2;

// The unit codes of an open: the run's own, and the main control's for
// inch.
constexpr long kUnitInch = 0;
constexpr long kUnitMillimetre = 1;
constexpr long kUnitControlInch = 2;

constexpr int kPlotQuality = 90;

// The unit a standard runs in: the code's, or the standard's own for a code
// that names none.
Unit UnitOf(long code, Unit own) {
  if (code == kUnitInch || code == kUnitControlInch) return Unit::kInch;
  if (code == kUnitMillimetre) return Unit::kMillimetre;
  return own;
}

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
    WritesFile(Row(S::kPlot, kPlotOperation, kMethod, 4, 5, "iisiii", "iisiii", R::kStatus)),
    Row(S::kValueCheck, "ValueCheck", kMethod, 5, 6, "i", "i", R::kStatus),
    Row(S::kConditionCheck, kConditionCheckOperation, kMethod, 6, 7, "i", "i", R::kStatus),
    Row(S::kFinish, "Finish", kMethod, 8, 9, "i", "i", R::kStatus),
    Row(S::kFinalCheck, "FinalCheck", kMethod, 9, 10, "", "", R::kStatus),
    WritesFile(Row(S::kSave, "SaveStandard", kMethod, 10, 11, "s", "s", R::kStatus)),
    WritesFile(Row(S::kMenuXml, kMenuXmlOperation, kMethod, 11, 12, "siiii", "siiii", R::kStatus)),
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
    case S::kPlot: return Plot(args);
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
  QK_TString refusal;
  loggedIn_ = LogIn(args.Text(0), args.Text(1), args.Text(2), &dataRoot_, &refusal);
  if (!loggedIn_) return Fail(kStatusRefused, refusal);
  return Answer::Status(kStatusOk);
}

// (standard, option, unit, text, parameter set): the option and the text
// change nothing here. A failed open leaves no standard open.
Answer StandardComponent::Open(const Arguments& args) {
  run_.reset();
  QK_TString reference = args.Text(0).Trim();
  if (reference.Empty()) return Fail(kStatusFailed, "No standard given");
  QK_TString path;
  QK_TString error;
  if (!Resolve(reference, &path, &error)) return Fail(kStatusFailed, error);
  Standard standard;
  if (!LoadStandardSource(path, &standard, &source_, &error)) {
    if (reference.StartsWith("@")) error += " (design reference " + reference + ")";
    return Fail(kStatusFailed, error);
  }
  // Only a standard is built in a unit; other files keep their own.
  Unit own = standard.design.unit;
  Unit unit = source_ == StandardSource::kStandard ? UnitOf(args.Integer(2), own) : own;
  run_ = std::make_shared<StandardRun>(std::move(standard), unit, args.Text(4));
  return Answer::Status(kStatusOk);
}

// A path, or a design reference under the login's data folder, else the
// installation's.
bool StandardComponent::Resolve(const QK_TString& reference, QK_TString* path, QK_TString* error) const {
  *path = LocalPath(reference);
  if (!reference.StartsWith("@")) return true;
  const DataRoot& root = dataRoot_.Empty() ? InstalledDataRoot() : dataRoot_;
  return root.ResolveReference(reference, path, error);
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
  int menu = static_cast<int>(args.Integer(0));
  if (const ForcedFailure* forced = MenuFailure(*run, menu, kConditionCheckOperation)) {
    return Fail(forced->status, forced->message);
  }
  QK_TString error;
  return Checked(run->ConditionCheck(menu, &error), error);
}

// (menu, item, path, a number that changes nothing, width, height): a JPEG
// of the design the values make now, captioned with the menu's title and,
// on a whole-number menu, the item and its value.
Answer StandardComponent::Plot(const Arguments& args) {
  StandardRun* run = RunOrFail();
  if (run == nullptr) return Answer::Status(kStatusFailed);
  int menu = static_cast<int>(args.Integer(0));
  int item = static_cast<int>(args.Integer(1));
  if (!run->HasMenu(menu)) {
    return Fail(kStatusFailed, QK_TString::Format("The standard has no menu %d", menu));
  }
  const StandardMenu& plotted = run->Menu(menu);
  if (const ForcedFailure* forced = MenuFailure(*run, menu, kPlotOperation)) {
    return Fail(forced->status, forced->message);
  }
  if (!plotted.plotted) return Fail(kStatusNoPlot, "The menu " + plotted.title + " has no document plot");
  bool perItem = plotted.kind == static_cast<short>(MenuKind::kWholeNumberItems);
  if (perItem && !run->HasItem(menu, item)) {
    return Fail(kStatusFailed, QK_TString::Format("Menu %d of the standard has no item %d", menu, item));
  }
  QK_TString path = LocalPath(args.Text(2).Trim());
  if (path.Empty()) return Fail(kStatusFailed, "No file given for the plot");
  Design design;
  QK_TString error;
  if (!run->Produce(&design, &error)) return Fail(kStatusFailed, error);
  Picture picture{DrawDesign(design, 0), {plotted.title}};
  if (perItem) picture.caption.push_back(run->Item(menu, item).name + " = " + run->ItemValue(menu, item));
  int width = static_cast<int>(args.Integer(4));
  int height = static_cast<int>(args.Integer(5));
  if (!WritePicture(picture, PictureFormat::kJpeg, width, height, kPlotQuality, path, &error)) {
    return Fail(kStatusFailed, error);
  }
  Wrote(path);
  return Answer::Status(kStatusOk);
}

const ForcedFailure* StandardComponent::MenuFailure(const StandardRun& run, int menu, const char* operation) {
  return run.HasMenu(menu) ? FindFailure(run.Menu(menu).failures, operation) : nullptr;
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
  if (source_ == StandardSource::kLayout) {
    return Fail(kStatusFailed, "A manufacturing file has no design to save");
  }
  Design design;
  QK_TString error;
  if (!run->Produce(&design, &error)) return Fail(kStatusFailed, error);
  if (!WriteXmlFile(path, DesignElement(design), &error)) {
    return Fail(kStatusFailed, "Cannot write design file: " + path + " (" + error + ")");
  }
  Wrote(path);
  return Answer::Status(kStatusOk);
}

// The four numbers after the path are accepted as they come.
Answer StandardComponent::MenuXml(const Arguments& args) {
  StandardRun* run = RunOrFail();
  if (run == nullptr) return Answer::Status(kStatusFailed);
  if (const ForcedFailure* forced = FindFailure(run->standard().failures, kMenuXmlOperation)) {
    return Fail(forced->status, forced->message);
  }
  QK_TString path = LocalPath(args.Text(0).Trim());
  QK_TString error;
  if (path.Empty() || !WriteMenuXml(path, run->standard(), &error)) {
    return Fail(kStatusFailed, "Cannot write the menu description: " + path + " (" + error + ")");
  }
  Wrote(path);
  return Answer::Status(kStatusOk);
}

}  // namespace FolvaneCAD
