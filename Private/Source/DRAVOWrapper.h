// The driver of a conventional CAD server: the main control and the
// standards component, plus the design database (connection, company and
// person objects, and the open design's record).
#pragma once

#include "DRAVOWrapperCommon.h"

namespace CAD {

struct SearchObjectProfile;

class DRAVOWrapper : public DravoDriver {
 public:
  // Starts the main control and the standards component; a failure to
  // start throws, and what was already created is released.
  explicit DRAVOWrapper(TW_TTask* reporter);
  ~DRAVOWrapper() override;

  void SetDefaultsLocation(const QK_TString& folder) override;
  void SwitchDataSource(const QK_TString& dataSourceName) override;
  void InitConnection(const QK_TString& dataSourceName) override;

  // The design database's objects.
  QK_TString FindPerson(const QK_TString& firstName, const QK_TString& lastName) override;
  QK_TString FindCompany(const QK_TString& name, const QK_TString& code) override;
  std::int16_t SetDesignCustomer(std::int32_t id, std::int32_t second) override {
    return Record().SetCustomer(id, second);
  }
  std::int16_t SetDesignOwner(std::int32_t id, std::int32_t second) override {
    return Record().SetOwner(id, second);
  }
  std::int16_t SetDesignDesigner(std::int32_t id, std::int32_t second) override {
    return Record().SetDesigner(id, second);
  }
  std::int16_t SetDesignSalesperson(std::int32_t id, std::int32_t second) override {
    return Record().SetSalesperson(id, second);
  }
  void OpenDesignRecord() override;
  void ReleaseDesignRecord() override { record_.reset(); }
  void InitPerson() override;
  void ReleasePerson() override { person_.reset(); }
  void InitCompany() override;
  void ReleaseCompany() override { company_.reset(); }

  // Creates the connection object and logs in to the design database; a
  // refused login is reported, not thrown.
  void ConnectDesignDatabase(const QK_TString& dataSourceName);

 private:
  DesignRecordDispatch& Record();
  // Creates the search object of `profile` into `object`, given the
  // connection.
  template <class Answer>
  void InitSearchObject(DispatchPtr<SearchObjectDispatch<Answer>>& object,
                        const SearchObjectProfile& profile);
  // The id that the search object finds by the two texts, or an empty text.
  template <class Answer>
  QK_TString Find(SearchObjectDispatch<Answer>* object, const SearchObjectProfile& profile,
                  const QK_TString& first, const QK_TString& second);

  // Released in reverse order, before the controls: the company and person
  // objects work on the connection, so they go before it.
  DispatchPtr<ConnectionDispatch> connection_;
  DispatchPtr<DesignRecordDispatch> record_;
  DispatchPtr<PersonDispatch> person_;
  DispatchPtr<CompanyDispatch> company_;
};

}  // namespace CAD
