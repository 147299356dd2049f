// The driver of an enterprise CAD server: the main control and the
// standards component, both logged in with the server's location, user
// name and password. It has no design database of its own: the shared
// driver's defaults answer for it.
#pragma once

#include "DRAVOWrapperCommon.h"

namespace CAD {

class EDRAVOWrapper : public DravoDriver {
 public:
  // Starts and logs in both controls; a refused login throws LoginFailed
  // with the control's error text, and what was created is released.
  EDRAVOWrapper(TW_TTask* reporter, const QK_TString& location, const QK_TString& userName,
                const QK_TString& password);
  ~EDRAVOWrapper() override;

  void StartControl() override;
  void Login();

 protected:
  void LogInStandards() override;

 private:
  QK_TString location_;
  QK_TString userName_;
  QK_TString password_;
};

}  // namespace CAD
