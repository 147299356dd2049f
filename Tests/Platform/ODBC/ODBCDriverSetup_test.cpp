// The driver-setup library as the ODBC installer uses it: adding, replacing
// and removing data sources for a driver that names it as its Setup.
#include <gtest/gtest.h>

#include <odbcinst.h>

#include <string>

#include "OdbcSandbox.h"

namespace {

using Entries = OdbcSandbox::Entries;

bool Configure(WORD request, const char* driver, const std::string& attributes) {
  return SQLConfigDataSource(nullptr, request, driver, attributes.c_str()) != 0;
}

std::string List(std::initializer_list<const char*> attributes) {
  std::string list;
  for (const char* attribute : attributes) {
    list += attribute;
    list += '\0';
  }
  return list + '\0';
}

TEST(ODBCDriverSetupTest, AddsASystemDataSourceWithItsAttributesInOrder) {
  OdbcSandbox odbc;
  ASSERT_TRUE(Configure(ODBC_ADD_SYS_DSN, "SQL Server", List({"DSN=orders", "SERVER=h1", "DATABASE=/tmp/x.db"})));
  EXPECT_EQ(odbc.DataSources()["orders"],
            (Entries{{"Driver", "SQL Server"}, {"SERVER", "h1"}, {"DATABASE", "/tmp/x.db"}}));
}

TEST(ODBCDriverSetupTest, AddingAgainReplacesTheWholeDataSource) {
  OdbcSandbox odbc;
  ASSERT_TRUE(Configure(ODBC_ADD_SYS_DSN, "SQL Server", List({"DSN=orders", "SERVER=h1", "DATABASE=d1"})));
  ASSERT_TRUE(Configure(ODBC_ADD_SYS_DSN, "SQLite3", List({"DSN=orders", "SERVER=h2"})));
  EXPECT_EQ(odbc.DataSources()["orders"], (Entries{{"Driver", "SQLite3"}, {"SERVER", "h2"}}));
}

TEST(ODBCDriverSetupTest, RemovesOnlyTheNamedDataSource) {
  OdbcSandbox odbc;
  ASSERT_TRUE(Configure(ODBC_ADD_SYS_DSN, "SQL Server", List({"DSN=one", "SERVER=h"})));
  ASSERT_TRUE(Configure(ODBC_ADD_SYS_DSN, "SQL Server", List({"DSN=two", "SERVER=h"})));
  ASSERT_TRUE(Configure(ODBC_REMOVE_SYS_DSN, "SQL Server", List({"DSN=one"})));
  auto sources = odbc.DataSources();
  EXPECT_EQ(sources.count("one"), 0u);
  EXPECT_EQ(sources.count("two"), 1u);
}

TEST(ODBCDriverSetupTest, RefusesARequestWithoutAName) {
  OdbcSandbox odbc;
  EXPECT_FALSE(Configure(ODBC_ADD_SYS_DSN, "SQL Server", List({"SERVER=h"})));
  DWORD code = 0;
  char message[512] = {};
  WORD length = 0;
  SQLInstallerError(1, &code, message, sizeof message, &length);
  EXPECT_NE(std::string(message).find("DSN"), std::string::npos) << message;
  EXPECT_TRUE(odbc.DataSources().empty());
}

}  // namespace
