// Temporary ODBC data sources for a conventional CAD server's design
// database, created and removed through the ODBC installer.
#pragma once

#include "QK_TString.h"
#include "SQLUtilitiesChange.h"
#include "ShapejobServerConfig.h"

namespace SQLUtilities {

// Every change below is one OdbcIniChange (SQLUtilitiesChange.h): it holds
// the lock of odbc.ini, puts back a file that a writer stopped half-way
// left, and reports what it mended through `report` (which may be empty).

// Creates a data source `name` pointing at the record's database (SQL Server
// for Dbms::kSqlServer, the record's own driver for Dbms::kOracle) and sets
// `dataSourceName` to it. Its description names this program and this run.
// A record without a database kind (Dbms::kNone) creates nothing and leaves
// `dataSourceName` as it is.
//
// Before it creates anything it removes every temporary data source of a
// run that has ended (whatever its name), reported one line each.
//
// A refusal of the installer, a name, host or database that an attribute
// list cannot carry (a line end, ";", NUL, over 255 characters), a name
// that odbc.ini cannot keep as a section of its own (over 32 characters,
// "[", "]", "=" and the like, a blank at either end, "ODBC", "Default",
// "ODBC Data Sources"), a section of that name that is somebody else's or
// another running run's, or odbc.ini that cannot be locked or copied,
// throws QK_EException and creates nothing.
void CreateTemporaryDataSource(const CadServerConfig& record, QK_TString& dataSourceName, const QK_TString& name,
                               bool userDataSource, const Report& report = Report());

// Removes the data source `name`, created for `record`; an empty name does
// nothing. A refusal of the installer, or odbc.ini that cannot be locked,
// throws QK_EException.
void RemoveTemporaryDataSource(const CadServerConfig& record, const QK_TString& name, bool userDataSource,
                               const Report& report = Report());

}  // namespace SQLUtilities
