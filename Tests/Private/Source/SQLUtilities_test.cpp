// Temporary ODBC data sources, created and removed through the real ODBC
// installer in a private configuration.
#include <gtest/gtest.h>

#include <cstdlib>

#include "OdbcSandbox.h"
#include "QK_EException.h"
#include "QK_TProcess.h"
#include "SQLUtilities.h"

namespace {

// The description of a data source this process makes: the program's own,
// naming the run, its life marked where odbc.ini is.
std::string OwnDescription() {
  return "New Temporary DSN for Shapejob (run " + QK_TProcessId::MarkLifeIn(std::getenv("ODBCSYSINI")).Text() + ")";
}

using CAD::Dbms::kNone;
using CAD::Dbms::kOracle;
using CAD::Dbms::kSqlServer;
using Entries = OdbcSandbox::Entries;

CadServerConfig Record(std::uint32_t dbms, const char* host, const char* database, const char* driver = "") {
  CadServerConfig record;
  record.name = "Local";
  record.dbms = dbms;
  record.host = host;
  record.database = database;
  record.driverName = driver;
  return record;
}

TEST(SQLUtilitiesTest, SqlServerKindGetsAllFiveAttributesInOrder) {
  OdbcSandbox odbc;
  QK_TString name = "unchanged";
  SQLUtilities::CreateTemporaryDataSource(Record(kSqlServer, "db-host", "designs"), name, "task123", false);
  EXPECT_EQ(name, QK_TString("task123"));
  auto sources = odbc.DataSources();
  ASSERT_EQ(sources.count("task123"), 1u);
  EXPECT_EQ(sources["task123"], (Entries{{"Driver", "SQL Server"},
                                          {"DESCRIPTION", OwnDescription()},
                                          {"SERVER", "db-host"},
                                          {"DATABASE", "designs"},
                                          {"TRUSTED_CONNECTION", "no"}}));

  SQLUtilities::RemoveTemporaryDataSource(Record(kSqlServer, "db-host", "designs"), "task123", false);
  EXPECT_EQ(odbc.DataSources().count("task123"), 0u);
}

TEST(SQLUtilitiesTest, OracleKindGetsThreeAttributesAndItsOwnDriver) {
  OdbcSandbox odbc;
  QK_TString name;
  const CadServerConfig record = Record(kOracle, "ora-host", "ignored", "SQLite3");
  SQLUtilities::CreateTemporaryDataSource(record, name, "oracle1", false);
  EXPECT_EQ(odbc.DataSources()["oracle1"], (Entries{{"Driver", "SQLite3"},
                                                    {"DESCRIPTION", OwnDescription()},
                                                    {"SERVER", "ora-host"}}));
  SQLUtilities::RemoveTemporaryDataSource(record, name, false);
  EXPECT_TRUE(odbc.DataSources().empty());
}

TEST(SQLUtilitiesTest, NoDatabaseKindCreatesNothing) {
  OdbcSandbox odbc;
  QK_TString name = "kept";
  SQLUtilities::CreateTemporaryDataSource(Record(kNone, "h", "d"), name, "none", false);
  EXPECT_EQ(name, QK_TString("kept"));
  EXPECT_TRUE(odbc.DataSources().empty());
  SQLUtilities::RemoveTemporaryDataSource(Record(kNone, "h", "d"), "", false);  // an empty name does nothing
}

TEST(SQLUtilitiesTest, InstallerRefusalsAreExceptionsWithItsMessage) {
  OdbcSandbox odbc;
  QK_TString name = "kept";
  try {
    SQLUtilities::CreateTemporaryDataSource(Record(kOracle, "h", "d", "No Such Driver"), name, "x1", false);
    FAIL() << "created with an unknown driver";
  } catch (const QK_EException& e) {
    EXPECT_EQ(e.QK_Message(), QK_TString("Failed to create temporary ODBC Data Source"));
    EXPECT_FALSE(e.QK_Data().ToText().Empty()) << "the installer's own words";
  }
  EXPECT_EQ(name, QK_TString("kept"));
  try {
    SQLUtilities::RemoveTemporaryDataSource(Record(kOracle, "h", "d", "No Such Driver"), "x1", false);
    FAIL() << "removed with an unknown driver";
  } catch (const QK_EException& e) {
    EXPECT_EQ(e.QK_Message(), QK_TString("Failed to remove temporary ODBC Data Source x1"));
  }
}

TEST(SQLUtilitiesTest, ValuesThatWouldBreakTheAttributeListAreRefused) {
  OdbcSandbox odbc;
  QK_TString name;
  EXPECT_THROW(SQLUtilities::CreateTemporaryDataSource(Record(kSqlServer, "host\nDSN=evil", "d"), name, "a", false),
               QK_EException);
  EXPECT_THROW(SQLUtilities::CreateTemporaryDataSource(Record(kSqlServer, "h", "d;DRIVER=x"), name, "a", false),
               QK_EException);
  EXPECT_THROW(SQLUtilities::CreateTemporaryDataSource(Record(kSqlServer, "h", "d"), name, QK_TString(std::string("a\0b", 3)),
                                                       false),
               QK_EException);
  EXPECT_TRUE(odbc.DataSources().empty()) << "nothing is created";
  EXPECT_TRUE(name.Empty());
}

}  // namespace
