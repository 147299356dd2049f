// The open design's database record, handed out by the main control of a
// conventional installation ("DesignRecord" in scenario files). Its four
// methods set the customer, owner, designer and salesperson of the design
// (an id, and a second number that is not used); each answers the status
// of MainControl::SetRecordId, and its errors are the control's.
#pragma once

#include "Automation/FolvaneCADStandInObject.h"

namespace FolvaneCAD {

class MainControl;

const DispatchTable& DesignRecordTable();

class DesignRecordObject : public StandInObject {
 public:
  // Holds a reference to `control` for as long as it lives.
  explicit DesignRecordObject(MainControl* control);

 protected:
  Answer Perform(const DispatchRow& row, const Arguments& args) override;
  void SetLastError(const QK_TString& text) override;

 private:
  ~DesignRecordObject() override;

  MainControl* control_;
};

}  // namespace FolvaneCAD
