// The standards component of the CAD stand-in ("Standard" in scenario
// files): it opens a standard file (Model/FolvaneCADStandard.h), hands out
// its menus and their items as automation objects (FolvaneCADStandardMenus),
// runs the checks of the standard run (Model/FolvaneCADStandardRun.h),
// writes the produced design and the menu description.
//
// Statuses: 0 done; the checks answer the run's statuses (value check 2,
// condition check 2 for a warning and 3 for an error, final check 2); 2 for
// an open that fails (missing or unreadable file, unit code other than 0
// inch and 1 mm), a save or menu description that cannot be written, and
// every call while no standard is open. A failing call sets the last error
// text. The enterprise component also takes a login (location, user,
// password and two numbers; status 0, or 1 with the refusal as error text).
// Document plots are not part of the stand-in: that call raises an
// automation exception that says so.
#pragma once

#include <memory>

#include "Automation/FolvaneCADStandInObject.h"
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
  Answer NotAvailable(const QK_TString& what);

  // Sets the last error text and answers `status`.
  Answer Fail(short status, const QK_TString& text);
  // The open standard's run, or null after setting the last error text.
  StandardRun* RunOrFail();
  // A check's status; a failing one sets the last error text.
  Answer Checked(short status, const QK_TString& error);

  QK_TString lastError_;
  bool loggedIn_ = false;
  std::shared_ptr<StandardRun> run_;
};

}  // namespace FolvaneCAD
