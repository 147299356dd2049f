// The design-database objects of a conventional installation: the
// connection object ("Connection" in scenario files), and the company and
// person objects ("Company", "Person") that look entries up through it.
// Each is a thin adapter onto DatabaseConnection (Model/).
#pragma once

#include <memory>
#include <vector>

#include "Automation/FolvaneCADStandInObject.h"
#include "Model/FolvaneCADDatabaseConnection.h"

namespace FolvaneCAD {

const DispatchTable& ConnectionTable();
const DispatchTable& CompanyTable();
const DispatchTable& PersonTable();

// Logs in (data source, user, password): 0 connected, 1 not.
class ConnectionObject : public StandInObject {
 public:
  ConnectionObject();
  DatabaseConnection* Database() const { return database_.get(); }

 protected:
  Answer Perform(const DispatchRow& row, const Arguments& args) override;

 private:
  std::unique_ptr<DatabaseConnection> database_;
};

// What the company and person objects share: the connection they were
// given, two search texts set as properties, a new search that forgets
// them, the search (0 found, 1 not found, 2 no usable connection; its mode
// argument changes nothing) and the id of the last match as a property.
class SearchObject : public StandInObject {
 protected:
  explicit SearchObject(const DispatchTable& table);
  ~SearchObject() override;

  Answer Perform(const DispatchRow& row, const Arguments& args) override;
  // The object's search over the two texts.
  virtual short Search() = 0;
  // Runs `sql` on the connection; the status of Search.
  short Query(const char* sql, const std::vector<QK_TString>& parameters);

  QK_TString first_;
  QK_TString second_;

 private:
  void SetConnection(IDispatch* object);

  ConnectionObject* connection_ = nullptr;
  long found_ = -1;
};

// Searches by name, and by code or location when a code is set.
class CompanyObject : public SearchObject {
 public:
  CompanyObject() : SearchObject(CompanyTable()) {}

 protected:
  short Search() override;
};

// Searches by first and last name.
class PersonObject : public SearchObject {
 public:
  PersonObject() : SearchObject(PersonTable()) {}

 protected:
  short Search() override;
};

}  // namespace FolvaneCAD
