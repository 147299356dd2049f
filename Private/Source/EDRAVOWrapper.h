// The driver of an enterprise CAD server: the main control and the
// standards component, both logged in with the server's location, user
// name and password. It has no design database of its own.
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

  void SetOption72(std::int16_t value) override;
  QK_TString FindPerson(const QK_TString& firstName, const QK_TString& lastName) override;
  QK_TString FindCompany(const QK_TString& name, const QK_TString& code) override;
  std::int16_t SetDesignCustomer(std::int32_t id, std::int32_t second) override;
  std::int16_t SetDesignOwner(std::int32_t id, std::int32_t second) override;
  std::int16_t SetDesignDesigner(std::int32_t id, std::int32_t second) override;
  std::int16_t SetDesignSalesperson(std::int32_t id, std::int32_t second) override;
  void OpenDesignRecord() override;
  void ReleaseDesignRecord() override;
  void InitPerson() override;
  void ReleasePerson() override;
  void InitCompany() override;
  void ReleaseCompany() override;

 protected:
  void LogInStandards() override;

 private:
  QK_TString location_;
  QK_TString userName_;
  QK_TString password_;
};

}  // namespace CAD
