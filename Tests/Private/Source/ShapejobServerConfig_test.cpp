// CAD-server records read from the site configuration, the password
// de-scrambler, and the task's server list, resolution and search.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "RecordingSink.h"
#include "Shapejob.h"
#include "ShapejobServerConfig.h"
#include "TaskError.h"
#include "TempFolder.h"
#include "cfs_tproxy.h"

namespace {

// The inverse of the de-scrambler, for making stored passwords.
std::string Scramble(const std::string& plain, std::uint16_t r) {
  std::string stored;
  for (unsigned char p : plain) {
    auto cipher = static_cast<std::uint8_t>(p ^ (r >> 8));
    stored += QK_TString::Format("%02X", cipher).str();
    r = static_cast<std::uint16_t>((cipher + r) * 52845u + 22719u);
  }
  return stored;
}

const char* const kSite = R"(<Configuration>
  <Tree key="Resources">
    <Tree key="CAD"><Tree key="Servers">
      <Tree key="Local">
        <Value key="Type">Conventional</Value>
        <Value key="DriverName">Oracle driver</Value>
        <Value key="Defaults" type="url">file:///srv/cad/Defaults</Value>
        <Value key="dbms">MSSQLServer</Value>
        <Value key="host">own-host</Value>
        <Value key="database">own-db</Value>
      </Tree>
      <Tree key="Shared">
        <Value key="Type">Conventional</Value>
        <Value key="DriverName"></Value>
        <Value key="host">ignored-host</Value>
        <Value key="port">1111</Value>
      </Tree>
      <Tree key="Cloud"><Value key="Type">Enterprise</Value></Tree>
    </Tree></Tree>
    <Tree key="DatabasesExternal">
      <Tree key="Shared">
        <Value key="dbms">MyOracle12</Value>
        <Value key="host">external-host</Value>
        <Value key="database">external-db</Value>
      </Tree>
    </Tree>
    <Tree key="Internet"><Tree key="Servers">
      <Tree key="Cloud">
        <Value key="URL">https://cad.example/login</Value>
        <Value key="UserName">anna</Value>
        <Value key="Password">PASSWORD</Value>
      </Tree>
    </Tree></Tree>
  </Tree>
</Configuration>)";

std::string SiteWithPassword(const std::string& stored) {
  std::string site = kSite;
  site.replace(site.find("PASSWORD"), 8, stored);
  return site;
}

TEST(DescramblePasswordTest, ReversesTheScramblingWithTheKey) {
  std::string plain = "unchanged";
  EXPECT_EQ(DescramblePassword(Scramble("s3cr3t!", kPasswordKey), plain, kPasswordKey), 0);
  EXPECT_EQ(plain, "s3cr3t!");
  // The first byte is XORed with the key's high byte (0x7C): 's' 0x73 -> 0x0F.
  EXPECT_EQ(Scramble("s", kPasswordKey), "0F");
  EXPECT_EQ(DescramblePassword("0f", plain, kPasswordKey), 0) << "lower-case digits";
  EXPECT_EQ(plain, "s");
}

TEST(DescramblePasswordTest, EmptyIsEmptyAndBadTextsFailWithoutTouchingTheOutput) {
  std::string plain = "before";
  EXPECT_EQ(DescramblePassword("", plain, kPasswordKey), 0);
  EXPECT_EQ(plain, "");
  plain = "before";
  EXPECT_EQ(DescramblePassword("0F1", plain, kPasswordKey), 1);
  EXPECT_EQ(plain, "before");
  EXPECT_EQ(DescramblePassword("0G", plain, kPasswordKey), 1);
  EXPECT_EQ(plain, "before");
  const std::string longPassword(3000, 'x');
  EXPECT_EQ(DescramblePassword(Scramble(longPassword, kPasswordKey), plain, kPasswordKey), 0);
  EXPECT_EQ(plain, longPassword) << "no fixed-size buffer limits the length";
}

TEST(ReadCadServersTest, ReadsEveryServerWithItsDatabaseOrLogin) {
  TempFolder folder;
  std::string file = folder.Write("site.xml", SiteWithPassword(Scramble("pa55", kPasswordKey)));
  CFS_TProxy client(file.c_str());
  std::vector<CadServerConfig> servers = ReadCadServers(client);
  ASSERT_EQ(servers.size(), 3u);

  const CadServerConfig& local = servers[0];
  EXPECT_EQ(local.name, "Local");
  EXPECT_EQ(local.type, 0u);
  EXPECT_EQ(local.defaults, "/srv/cad/Defaults");
  EXPECT_EQ(local.driverName, "Oracle driver");
  EXPECT_EQ(local.dbms, 1u);
  EXPECT_EQ(local.host, "own-host");
  EXPECT_EQ(local.database, "own-db");
  EXPECT_TRUE(local.location.empty() && local.password.empty());

  const CadServerConfig& shared = servers[1];
  EXPECT_EQ(shared.name, "Shared");
  EXPECT_EQ(shared.dbms, 2u) << "a kind containing Oracle";
  EXPECT_EQ(shared.host, "external-host");
  EXPECT_EQ(shared.database, "external-db");
  EXPECT_EQ(shared.port, "") << "nothing is taken from the own entry when an external one exists";
  EXPECT_EQ(shared.defaults, "");

  const CadServerConfig& cloud = servers[2];
  EXPECT_EQ(cloud.type, 1u);
  EXPECT_EQ(cloud.location, "https://cad.example/login");
  EXPECT_EQ(cloud.userName, "anna");
  EXPECT_EQ(cloud.password, "pa55");
  EXPECT_EQ(cloud.host, "");

  std::ostringstream text;
  text << cloud;
  EXPECT_EQ(text.str(),
            "Name: Cloud\nType: Enterprise\nLocation: https://cad.example/login\nUserName: anna\nPassword: pa55\n");
}

TEST(ReadCadServersTest, UnreadablePasswordLeavesThePasswordEmpty) {
  TempFolder folder;
  std::string file = folder.Write("site.xml", SiteWithPassword("XYZ"));
  CFS_TProxy client(file.c_str());
  EXPECT_EQ(ReadCadServers(client)[2].password, "");
}

TEST(ReadDatabaseSettingsTest, MapsTheDatabaseKind) {
  auto kindOf = [](const char* dbms) {
    QK_TTree entry;
    entry.Set("dbms", QK_TAny(dbms));
    CadServerConfig config;
    ReadDatabaseSettings(config, "S", QK_TTree(), entry);
    return config.dbms;
  };
  EXPECT_EQ(kindOf("MSSQLServer"), 1u);
  EXPECT_EQ(kindOf("Oracle"), 2u);
  EXPECT_EQ(kindOf("OracleOnMSSQLServer"), 2u);
  EXPECT_EQ(kindOf("mssqlserver"), 3u);
  EXPECT_EQ(kindOf("PostgreSQL"), 3u);
  CadServerConfig none;
  none.dbms = 1;
  ReadDatabaseSettings(none, "S", QK_TTree(), QK_TTree());
  EXPECT_EQ(none.dbms, 3u);
}

TEST(ReadServerConfigFromTreesTest, SystemConfigWinsOverTheServerTreeButNotForType) {
  QK_TTree system;
  system.Set("SystemConfig", QK_TAny("yes"));
  system.Set("database", QK_TAny("system-db"));
  system.Set("host", QK_TAny("system-host"));
  QK_TTree server;
  server.Set("Type", QK_TAny("Enterprise"));
  server.Set("database", QK_TAny("server-db"));
  server.Set("port", QK_TAny("42"));
  server.Set("dbms", QK_TAny("MSSQLServer"));

  CadServerConfig config = ReadServerConfigFromTrees(system, server);
  EXPECT_EQ(config.type, 1u);
  EXPECT_EQ(config.database, "system-db");
  EXPECT_EQ(config.host, "system-host");
  EXPECT_EQ(config.port, "");
  EXPECT_EQ(config.dbms, 3u);

  system.Remove("SystemConfig");
  config = ReadServerConfigFromTrees(system, server);
  EXPECT_EQ(config.database, "server-db");
  EXPECT_EQ(config.port, "42");
  EXPECT_EQ(config.dbms, 1u);
  EXPECT_TRUE(config.name.empty());
}

class TaskServerTest : public ::testing::Test {
 protected:
  void Prepare(std::vector<std::pair<QK_TString, QK_TString>> names = {}) {
    TW_TTaskSetup setup;
    setup.taskId = "task-1";
    setup.names = std::move(names);
    task.Prepare(setup, &sink);
  }
  void TearDown() override { unsetenv("QK_SERVER"); }

  TempFolder folder;
  RecordingSink sink;
  CAD::Task task;
};

TEST_F(TaskServerTest, ReadsTheListFromTheConfigurationThatQkServerNames) {
  setenv("QK_SERVER", folder.Write("site.xml", SiteWithPassword("00")).c_str(), 1);
  Prepare();
  std::vector<CadServerConfig> servers;
  task.ReadServerConfigs(servers);
  EXPECT_EQ(servers.size(), 3u);
  EXPECT_TRUE(sink.events.empty());
}

TEST_F(TaskServerTest, MissingConfigurationReportsNoServersAndKeepsTheList) {
  setenv("QK_SERVER", folder.Write("site.xml", "<Configuration/>").c_str(), 1);
  Prepare();
  std::vector<CadServerConfig> servers(1);
  servers[0].name = "kept";
  task.ReadServerConfigs(servers);
  ASSERT_EQ(servers.size(), 1u);
  EXPECT_EQ(servers[0].name, "kept");
  EXPECT_EQ(sink.events, (std::vector<std::string>{"log", "message 2 shapejobs.error.NoCadServersConfigured"}));
  EXPECT_NE(sink.logs[0].find("CFS_EValueNotSet"), std::string::npos);
}

TEST_F(TaskServerTest, ResolvesTheServerNameThroughVariableSubstitution) {
  Prepare({{"cadserver", "Local"}});
  AT_TTicket ticket("runstandard", QK_TDict());
  ticket.GetParameters().Set("SERVER", QK_TAny("<cadserver/>"));
  EXPECT_EQ(task.ResolveServerName(ticket), QK_TString("Local"));

  ticket.GetParameters().Set("SERVER", QK_TAny("<unknown/>"));
  EXPECT_THROW(task.ResolveServerName(ticket), TaskError);
  EXPECT_EQ(sink.events, (std::vector<std::string>{"message 2 shapejobs.message.couldnotresolve <unknown/>"}));
}

TEST_F(TaskServerTest, FindsOnlyTheServerWithExactlyThatName) {
  Prepare();
  std::vector<CadServerConfig> servers(2);
  servers[0].name = "Local";
  servers[1].name = "LocalServer";
  EXPECT_EQ(&task.FindServerConfig(servers, "LocalServer"), &servers[1]);
  EXPECT_THROW(task.FindServerConfig(servers, "local"), TaskError);
  EXPECT_THROW(task.FindServerConfig(servers, "Loc"), TaskError);
  EXPECT_THROW(task.FindServerConfig({}, "Local"), TaskError);
  EXPECT_EQ(sink.Starting("message 2 shapejobs.error.cadservernotfound").size(), 3u);
  EXPECT_EQ(sink.events[0], "message 2 shapejobs.error.cadservernotfound local");
}

}  // namespace

namespace {

TEST(ReadCadServersTest, IncompleteEntriesDoNotTakeTheOtherServersDown) {
  TempFolder folder;
  const std::string file = folder.Write("site.xml", R"(<Configuration><Tree key="Resources">
    <Tree key="CAD"><Tree key="Servers">
      <Tree key="Old"><Value key="Type">Conventional</Value></Tree>
      <Tree key="Lonely"><Value key="Type">Enterprise</Value></Tree>
      <Tree key="Good"><Value key="Type">Conventional</Value><Value key="DriverName">d</Value>
        <Value key="host">h</Value><Value key="database">db</Value></Tree>
    </Tree></Tree>
    <Tree key="DatabasesExternal"/><Tree key="Internet"><Tree key="Servers"/></Tree>
  </Tree></Configuration>)");
  CFS_TProxy client(file.c_str());
  std::vector<CadServerConfig> servers = ReadCadServers(client);
  ASSERT_EQ(servers.size(), 3u);
  EXPECT_EQ(servers[0].driverName, "");
  EXPECT_EQ(servers[1].type, 1u);
  EXPECT_EQ(servers[1].location, "") << "reported as MissingLocation when a ticket uses it";
  EXPECT_EQ(servers[2].host, "h");
}

}  // namespace
