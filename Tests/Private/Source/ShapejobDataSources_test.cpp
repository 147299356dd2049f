// Temporary data sources against a site's odbc.ini that holds sections of
// its own: names and values that odbc.ini cannot keep, sections that are
// somebody else's, and leftovers of runs that died. Whatever is refused,
// the site's sections stay byte for byte as they were.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "OdbcSandbox.h"
#include "QK_EException.h"
#include "SQLUtilities.h"
#include "ShapejobServerConfig.h"
#include "ShapejobSiteOdbcIni.h"
#include "TempFolder.h"
#include "cfs_tproxy.h"

namespace {

using CAD::Dbms::kSqlServer;
using Entries = OdbcSandbox::Entries;
using site_ini::kSections;

// The section a run of this program leaves when it is killed.
const char kLeftover[] =
    "[deadrun1]\n"
    "Driver=SQL Server\n"
    "DESCRIPTION=New Temporary DSN for Shapejob\n"
    "SERVER=old-host\n"
    "\n";

CadServerConfig Record(const std::string& host, const std::string& database) {
  CadServerConfig record;
  record.name = "Local";
  record.dbms = kSqlServer;
  record.host = host;
  record.database = database;
  return record;
}

class DataSourcesTest : public ::testing::Test {
 protected:
  DataSourcesTest() { site_ini::Write(kSections); }

  // The creation's refusal message; "" when it created the data source.
  static std::string Refusal(const CadServerConfig& record, const std::string& name) {
    QK_TString created;
    try {
      SQLUtilities::CreateTemporaryDataSource(record, created, QK_TString(name), false);
    } catch (const QK_EException& e) {
      EXPECT_TRUE(created.Empty()) << name;
      return e.QK_Message().str() + " | " + e.QK_Data().ToText().str();
    }
    return "";
  }

  OdbcSandbox odbc_;
};

TEST_F(DataSourcesTest, NamesThatOdbcIniCannotKeepAsADataSourceAreRefused) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {std::string(33, 'a'), "holds more characters (33) than an ODBC data-source name can carry (32)"},
      {"a[b", "holds a character that an ODBC data-source name cannot carry"},
      {"a]b", "holds a character that an ODBC data-source name cannot carry"},
      {"a=b", "holds a character that an ODBC data-source name cannot carry"},
      {"a\tb", "holds a character that an ODBC data-source name cannot carry"},
      {"trailing ", "begins or ends with a blank"},
      {"", "the data-source name is empty"},
      {"ODBC", "a section that configures ODBC itself"},
      {"default", "a section that configures ODBC itself"},
      {"odbc data sources", "a section that configures ODBC itself"},
  };
  for (const auto& [name, reason] : cases) {
    const std::string refusal = Refusal(Record("h", "d"), name);
    EXPECT_EQ(refusal.rfind("Failed to create temporary ODBC Data Source: the data-source name ", 0), 0u)
        << refusal;
    EXPECT_NE(refusal.find(reason), std::string::npos) << name << ": " << refusal;
  }
  EXPECT_EQ(site_ini::Read(), kSections);
}

TEST_F(DataSourcesTest, ValuesOverTwoHundredFiftyFiveCharactersCannotBeCarried) {
  const std::string overlong(256, 'x');
  const std::string host = Refusal(Record(overlong, "d"), "task1");
  EXPECT_NE(host.find("the host holds more characters (256) than an ODBC attribute can carry (255)"),
            std::string::npos)
      << host;
  const std::string database = Refusal(Record("h", overlong), "task1");
  EXPECT_NE(database.find("the database holds more characters (256)"), std::string::npos) << database;
  CadServerConfig oracle = Record("h", "d");
  oracle.dbms = CAD::Dbms::kOracle;
  oracle.driverName = overlong;
  EXPECT_NE(Refusal(oracle, "task1").find("the driver name holds more characters"), std::string::npos);
  EXPECT_EQ(site_ini::Read(), kSections);

  const std::string longest(255, 'y');
  EXPECT_EQ(Refusal(Record(longest, longest), "task1"), "");
  EXPECT_EQ(odbc_.DataSources()["task1"][2], (std::pair<std::string, std::string>{"SERVER", longest}));
  EXPECT_EQ(odbc_.DataSources()["task1"][3], (std::pair<std::string, std::string>{"DATABASE", longest}));
}

TEST_F(DataSourcesTest, ASectionOfTheNameIsNeverMergedIntoWhateverKeysItHas) {
  for (const char* name : {"Production", "production", "Empty", "NoDriver"}) {
    const std::string refusal = Refusal(Record("task-host", "task-db"), name);
    EXPECT_NE(refusal.find("exists already"), std::string::npos) << name << ": " << refusal;
  }
  EXPECT_EQ(site_ini::Read(), kSections);
}

TEST_F(DataSourcesTest, OnlyALeftoverOfThisProgramIsRemovedAsOne) {
  site_ini::Write(std::string(kSections) + kLeftover);
  for (const char* name : {"Production", "Empty", "NoDriver", "absent"}) {
    EXPECT_FALSE(SQLUtilities::RemoveLeftoverDataSource(name, false)) << name;
  }
  EXPECT_EQ(site_ini::Read(), std::string(kSections) + kLeftover);

  EXPECT_TRUE(SQLUtilities::RemoveLeftoverDataSource("deadrun1", false));
  EXPECT_EQ(site_ini::Read(), kSections) << "the leftover alone went";
  EXPECT_FALSE(SQLUtilities::RemoveLeftoverDataSource("deadrun1", false));
  EXPECT_THROW(SQLUtilities::RemoveLeftoverDataSource("ODBC", false), QK_EException);
}

// A server entry of the wrong shape, in the tree its kind of server reads.
TEST(MisshapenServerEntriesTest, AreLeftOutWithTheirPathLoggedAndTheOthersStay) {
  TempFolder folder;
  const std::string file = folder.Write("site.xml", R"(<Configuration><Tree key="Resources">
    <Tree key="CAD"><Tree key="Servers">
      <Value key="Flat">Conventional</Value>
      <Tree key="Good"><Value key="Type">Conventional</Value><Value key="host">h</Value></Tree>
      <Tree key="BadDatabase"><Value key="Type">Conventional</Value></Tree>
      <Tree key="BadLogin"><Value key="Type">Enterprise</Value></Tree>
    </Tree></Tree>
    <Tree key="DatabasesExternal"><Value key="BadDatabase">db</Value><Value key="BadLogin">db</Value></Tree>
    <Tree key="Internet"><Tree key="Servers"><Value key="BadLogin">https://x</Value>
      <Value key="Good">https://y</Value></Tree></Tree>
  </Tree></Configuration>)");
  CFS_TProxy client(file.c_str());
  std::vector<std::string> logged;
  const std::vector<CadServerConfig> servers =
      ReadCadServers(client, [&logged](const QK_TString& text) { logged.push_back(text.str()); });
  ASSERT_EQ(servers.size(), 1u);
  EXPECT_EQ(servers[0].name, "Good") << "a tree of the other kind of server is not read";
  EXPECT_EQ(servers[0].host, "h");
  ASSERT_EQ(logged.size(), 3u);
  EXPECT_EQ(
      logged[0],
      "Skipping the CAD server Flat: its entry /Resources/CAD/Servers/Flat is not a tree of settings\n");
  EXPECT_NE(logged[1].find(" /Resources/DatabasesExternal/BadDatabase is not a tree"), std::string::npos)
      << logged[1];
  EXPECT_NE(logged[2].find(" /Resources/Internet/Servers/BadLogin is not a tree"), std::string::npos)
      << logged[2];
}

}  // namespace
