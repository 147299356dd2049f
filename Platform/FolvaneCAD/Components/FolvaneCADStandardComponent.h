// The standards component of the CAD stand-in ("Standard" in scenario
// files): it opens a standard (Model/FolvaneCADStandard.h), hands out its
// menus and their items as automation objects (FolvaneCADStandardMenus),
// runs the checks of the standard run (Model/FolvaneCADStandardRun.h),
// draws document plots and writes the produced design and the menu
// description (Output/FolvaneCADMenuXml.h).
//
// Open (path, option, unit, text, parameter set): the path names a standard,
// a plain design or a manufacturing file, whatever its extension (a
// temporary copy will do), or is a design reference "@project:name" /
// "@project:version:name" resolved as the main control resolves it, under
// the data folder of the component's login or else of the installation
// (Model/FolvaneCADDataRoot.h). A standard, and a design that a standard
// produced, offer the standard's menus; a plain design and a manufacturing
// file offer none. The unit code: 0 and 2 inch, 1 millimetres, any other
// the standard's own unit; only a standard is built in it. A parameter set
// that the standard does not declare leaves the items' own defaults. The
// option and the text change nothing.
//
// Plot (menu, item, path, 1, width, height): a JPEG of width x height
// pixels of the design that the values make now, captioned with the menu's
// title (and, on a whole-number menu, the item with its value); the item
// matters on a whole-number menu only. A menu marked plot="no" answers 1
// and writes nothing.
//
// Statuses: 0 done; the checks answer the run's statuses (value check 2,
// condition check 2 for a warning and 3 for an error, final check 2); 2 for
// an open that fails (missing or unreadable file, unresolved reference), a
// save, plot or menu description that cannot be written, a save of a
// manufacturing file, a plot of a menu or item that does not exist, and
// every call while nothing is open. A failing call sets the last error
// text. The enterprise component also takes a login (location, user,
// password and two numbers; status 0, or 1 with the refusal as error text).
// Plots, condition checks and menu descriptions can be forced to fail by
// the standard file (its <Failure> elements) or by a scenario file
// (Automation/FolvaneCADScenario.h).
#pragma once

#include <memory>

#include "Automation/FolvaneCADStandInObject.h"
#include "Model/FolvaneCADDataRoot.h"
#include "Model/FolvaneCADStandardRun.h"

namespace FolvaneCAD {

const DispatchTable& StandardComponentTable();

class StandardComponent : public StandInObject {
 public:
  explicit StandardComponent(Flavour flavour);

 protected:
  Answer Perform(const DispatchRow& row, const Arguments& args) override;
  void SetLastError(const QK_TString& text) override { lastError_ = text; }

 private:
  ~StandardComponent() override = default;

  Answer Login(const Arguments& args);
  Answer Open(const Arguments& args);
  Answer MenuCount();
  Answer Menu(const Arguments& args);
  Answer ValueCheck(const Arguments& args);
  Answer ConditionCheck(const Arguments& args);
  Answer Finish(const Arguments& args);
  Answer FinalCheck();
  Answer Save(const Arguments& args);
  Answer MenuXml(const Arguments& args);
  Answer Plot(const Arguments& args);

  bool Resolve(const QK_TString& reference, QK_TString* path, QK_TString* error) const;
  // The failure that the standard forces for `operation` of `menu`, or null.
  static const ForcedFailure* MenuFailure(const StandardRun& run, int menu, const char* operation);

  // Sets the last error text and answers `status`.
  Answer Fail(short status, const QK_TString& text);
  // The open standard's run, or null after setting the last error text.
  StandardRun* RunOrFail();
  // A check's status; a failing one sets the last error text.
  Answer Checked(short status, const QK_TString& error);

  QK_TString lastError_;
  bool loggedIn_ = false;
  DataRoot dataRoot_;
  std::shared_ptr<StandardRun> run_;
  StandardSource source_ = StandardSource::kStandard;
};

}  // namespace FolvaneCAD
