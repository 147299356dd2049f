// Temporary ODBC data sources for a conventional CAD server's design
// database, created and removed through the ODBC installer.
#pragma once

#include "QK_TString.h"
#include "ShapejobServerConfig.h"

namespace SQLUtilities {

// Creates a data source `name` pointing at the record's database (SQL Server
// for Dbms::kSqlServer, the record's own driver for Dbms::kOracle) and sets
// `dataSourceName` to it. A record without a database kind (Dbms::kNone)
// creates nothing and leaves `dataSourceName` as it is. A refusal of the installer,
// a name, host or database that an attribute list cannot carry (a line end,
// ";", NUL, over 255 characters), a name that odbc.ini cannot keep as a
// section of its own (over 32 characters, "[", "]", "=" and the like, a
// blank at either end, "ODBC", "Default", "ODBC Data Sources"), or a section
// of that name that exists already, whatever it holds, throws QK_EException
// and creates nothing.
void CreateTemporaryDataSource(const CadServerConfig& record, QK_TString& dataSourceName, const QK_TString& name,
                               bool userDataSource);

// Removes the data source `name` when it carries this program's description
// of a temporary data source: a run that died left it behind. True when it
// removed one; a section of that name that is somebody else's stays, and
// false. A name that CreateTemporaryDataSource refuses, or a refusal of the
// installer, throws QK_EException.
bool RemoveLeftoverDataSource(const QK_TString& name, bool userDataSource);

// Removes the data source `name`, created for `record`; an empty name does
// nothing. A refusal of the installer throws QK_EException.
void RemoveTemporaryDataSource(const CadServerConfig& record, const QK_TString& name, bool userDataSource);

}  // namespace SQLUtilities
