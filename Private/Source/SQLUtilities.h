// Temporary ODBC data sources for a conventional CAD server's design
// database, created and removed through the ODBC installer.
#pragma once

#include "QK_TString.h"
#include "SQLUtilitiesChange.h"
#include "ShapejobServerConfig.h"

namespace SQLUtilities {

// Every change below is one OdbcIniChange (SQLUtilitiesChange.h): it holds
// the lock of odbc.ini, finishes what a writer stopped half-way left, and
// reports what it did through `report` (which may be empty).
//
// A data source made here carries an owner mark in its description: the
// fixed description, then "(run <run> task <key>)", <run> the process
// that made it (QK_TProcessId's text: machine, boot, PID namespace and the
// life key it holds in the folder of odbc.ini) and <key> a key of the task
// id (TextKey; none for the connection test). A section without that mark
// is never touched, the fixed description alone included.

// Creates a data source `name`, or a name of its own (below), pointing at
// the record's database (SQL Server for Dbms::kSqlServer, the record's own
// driver for Dbms::kOracle) and sets `dataSourceName` to it. A record
// without a database kind (Dbms::kNone) creates nothing and leaves
// `dataSourceName` as it is. `task` is the id of the task it is for.
//
// First it removes every data source of this program whose run is known
// to have ended, whatever its name (QK_TProcess.h), reporting each once it
// is out.
//
// A section `name` this run made itself (a removal that failed) is taken
// over. One of a running run of the same task is refused ("a run of that
// task is still going"), and so is one not this program's, unless it is
// no more than a create of it cut short before its owner mark: that is
// taken over, reported. One of a running run of another task, or of a run
// that cannot be checked, makes this run take "_2", "_3"... (reported).
//
// A refusal of the installer, a name, host or database that an attribute
// list cannot carry (a line end, ";", NUL, over 255 characters), a name
// odbc.ini cannot keep as a section (over 32 characters, "[", "]", "="
// and the like, a blank at either end, "ODBC", "Default", "ODBC Data
// Sources"), a taken name, or odbc.ini that cannot be locked, read or
// written, throws QK_EException and creates nothing.
void CreateTemporaryDataSource(const CadServerConfig& record, QK_TString& dataSourceName, const QK_TString& name,
                               bool userDataSource, const Report& report = Report(),
                               const QK_TString& task = QK_TString());

// Removes the data source `name`, created for `record`; an empty name does
// nothing. A refusal of the installer, or odbc.ini that cannot be locked,
// throws QK_EException.
void RemoveTemporaryDataSource(const CadServerConfig& record, const QK_TString& name, bool userDataSource,
                               const Report& report = Report());

}  // namespace SQLUtilities
