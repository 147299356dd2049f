// What every automation object of the stand-in shares: one guarded Invoke
// that finds the call's row in the object's dispatch table, checks the
// arguments against it, applies the failure scenario and only then hands
// the call to the object, so that no object reads a bare dispatch id or
// an unchecked argument, and no C++ exception crosses the automation
// boundary (an escaping one becomes an automation error). Calls that write
// a file go into the journal (FolvaneCADJournal.h) with their answer.
#pragma once

#include <optional>

#include "Automation/FolvaneCADAnswer.h"
#include "Automation/FolvaneCADArguments.h"
#include "Automation/FolvaneCADDispatchTable.h"
#include "Automation/FolvaneCADJournal.h"
#include "Automation/FolvaneCADScenario.h"
#include "OleAuto.h"

namespace FolvaneCAD {

class StandInObject : public OLE_TDispatchBase {
 public:
  HRESULT Invoke(DISPID id, WORD kind, VARIANT* args, unsigned int count, VARIANT* result,
                 EXCEPINFO* error) final;

 protected:
  // `table` outlives the object. The scenario file is read now, so an
  // object keeps the scenario it was created under.
  StandInObject(const DispatchTable& table, Flavour flavour);

  Flavour flavour() const { return flavour_; }

  // Carries out a call whose arguments fit `row`.
  virtual Answer Perform(const DispatchRow& row, const Arguments& args) = 0;
  // An answer that comes before the scenario and the operation (such as
  // "not logged in"), or nothing to go on.
  virtual std::optional<Answer> Refusal(const DispatchRow& row) { return std::nullopt; }
  // Where a forced error text goes; objects without an error text forget it.
  virtual void SetLastError(const QK_TString& text) {}
  // The answer to an id and kind the table does not list.
  virtual HRESULT Unlisted(DISPID id, VARIANT* result, EXCEPINFO* error) { return DISP_E_MEMBERNOTFOUND; }
  // Tells the journal which file the call in progress wrote.
  void Wrote(const QK_TString& path) { writtenFile_ = path; }

 private:
  HRESULT Respond(DISPID id, WORD kind, VARIANT* args, unsigned int count, VARIANT* result, EXCEPINFO* error);
  Answer Run(const DispatchRow& row, const Arguments& args);
  // The forced value of a row that answers one instead of a status.
  Answer ForcedValue(const DispatchRow& row, const ForcedAnswer& forced);

  const DispatchTable& table_;
  Flavour flavour_;
  Scenario scenario_;
  Journal journal_;
  QK_TString writtenFile_;
};

}  // namespace FolvaneCAD
