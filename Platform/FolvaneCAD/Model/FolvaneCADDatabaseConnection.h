// An ODBC connection to the design database of a conventional
// installation (kept apart from the automation headers, whose type names
// the ODBC headers also define).
//
// The database holds two tables (see examples/cad/database.sql):
//   companies (id INTEGER PRIMARY KEY, name TEXT, code TEXT, location TEXT)
//   persons   (id INTEGER PRIMARY KEY, first_name TEXT, last_name TEXT)
#pragma once

#include <vector>

#include "QK_TString.h"

namespace FolvaneCAD {
// An open ODBC connection, closed with the object.
class DatabaseConnection {
 public:
  // Connects to the data source; throws nothing: Connected() and Error()
  // tell how it went.
  DatabaseConnection(const QK_TString& dataSource, const QK_TString& user, const QK_TString& password);
  ~DatabaseConnection();
  DatabaseConnection(const DatabaseConnection&) = delete;
  DatabaseConnection& operator=(const DatabaseConnection&) = delete;

  bool Connected() const { return connection_ != nullptr; }
  const QK_TString& Error() const { return error_; }

  // The id of the first row of `sql` (one text parameter per `?`), or -1
  // when there is no row; a failing statement sets Error() and gives -1.
  long FindId(const char* sql, const std::vector<QK_TString>& parameters);

 private:
  void* environment_ = nullptr;
  void* connection_ = nullptr;
  QK_TString error_;
};

}  // namespace FolvaneCAD
